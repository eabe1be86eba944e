// The shell's service objects for the model, the file layer and the engine.
#include "shell/services.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/utilities.h"

namespace shell {

static Hwnd frame() { return windowHost().frameWindow(); }

void ShellModelServices::msg_OutOfMemory() { shell::msg_OutOfMemory(); }
void ShellModelServices::msg_IncompatibleDelete() { shell::msg_IncompatibleDelete(); }
void ShellModelServices::msg_SubprogramDeleted() { shell::msg_SubprogramDeleted(); }
bool ShellModelServices::dlg_AskYesNo(int number) {
  return shell::bind_SW50_CallMBWithID(frame(), number, plat::ui::MB_YESNO) == plat::ui::IDYES;
}
int ShellModelServices::bind_SW50_CallMBWithID(int number, unsigned style) {
  return shell::bind_SW50_CallMBWithID(frame(), number, style);
}
int ShellModelServices::bind_SW50_CallMBWithIDAndString(int number, const std::string& text, unsigned style) {
  return shell::bind_SW50_CallMBWithIDAndString(frame(), number, text.c_str(), style);
}
int ShellModelServices::msg_AskNewPath(const std::string& name) { return shell::msg_AskNewPath(name) ? 1 : 0; }
int ShellModelServices::msg_Notice(const std::string& text) { return shell::msg_Notice(text); }
void ShellModelServices::app_BeginWaitCursor() { shell::app_BeginWaitCursor(); }
void ShellModelServices::app_EndWaitCursor() { shell::app_EndWaitCursor(); }

void ShellEngineServices::showMessage(int number) { shell::bind_SW50_CallMBWithID(frame(), number, 0); }
void ShellEngineServices::notice(const std::string& text, const std::string& caption) {
  plat::ui::messageBox(text, caption, plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
}

namespace {
ShellModelServices g_model;
ShellFileServices g_files;
ShellEngineServices g_engine;
} // namespace

void installServices() {
  model::setShell(&g_model);
  modelfiles::setFileServices(&g_files);
  engine::setEngineServices(&g_engine);
}
void uninstallServices() {
  model::setShell(nullptr);
  modelfiles::setFileServices(nullptr);
  engine::setEngineServices(nullptr);
}

} // namespace shell
