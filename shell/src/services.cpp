// The shell's service objects for the model, the file layer and the engine.
#include "shell/services.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/prompts.h"
#include "shell/resources.h"
#include "shell/utilities.h"

#include <algorithm>

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

void ShellModelServices::menu_UpdateReduced() { shell::menu_UpdateReduced(); }
void ShellModelServices::app_SetDropFlag(int number) {
  pendingDrop = number;
  shell::app_SetDropFlag(number);
}
bool ShellModelServices::dlg_AskOutputName(const std::string& label, std::string& name, std::uint16_t& choice,
                                           std::uint16_t& second, bool keepName) {
  auto v1 = std::int16_t(choice), v2 = std::int16_t(second);
  std::string n = name;
  if (!shell::dlg_AskOutputName(label, n, v1, v2, keepName)) return false;
  name = n;
  choice = std::uint16_t(v1);
  second = std::uint16_t(v2);
  return true;
}
bool ShellModelServices::dlg_AskText(const std::string& title, std::string& text, std::size_t maxLength) {
  (void)title;
  std::uint16_t height = 0;
  std::string t = text;
  if (!shell::dlg_AskText(t, std::uint16_t(std::min<std::size_t>(maxLength + 1, 255)), height, windowHost().zoom()))
    return false;
  text = t;
  return true;
}
model::RouteOptions ShellModelServices::blk_GetRouteOptions() { return shell::blk_GetRouteOptions(); }

void ShellEngineServices::showMessage(int number) { shell::bind_SW50_CallMBWithID(frame(), number, 0); }
void ShellEngineServices::notice(const std::string& text, const std::string& caption) {
  plat::ui::messageBox(text, caption, plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
}

bool ShellEngineServices::queueDeferred(std::function<void()> call) {
  return call && ui_QueueCallable(std::move(call));
}
int ShellEngineServices::messageBox(const std::string& text, const std::string& caption) {
  return plat::ui::messageBox(text, caption, plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
}
std::string ShellEngineServices::languageString(int id) {
  if (id > 0)
    if (std::optional<std::string> s = res_String(unsigned(id)); s && !s->empty()) return *s;
  return engine::EngineServices::languageString(id);
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
