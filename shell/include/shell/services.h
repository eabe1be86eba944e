#pragma once
// The shell's implementations of the services the model, the file layer and
// the engine call: messages through the bound standard dialogs library with
// the frame as owner, the file selectors, the wait cursor.
#include "engine/services.h"
#include "model/services.h"
#include "shell/fileselect.h"

namespace shell {

class ShellModelServices : public model::ShellServices {
public:
  void msg_OutOfMemory() override;
  void msg_IncompatibleDelete() override;
  void msg_SubprogramDeleted() override;
  bool dlg_AskYesNo(int number) override;
  int bind_SW50_CallMBWithID(int number, unsigned style) override;
  int bind_SW50_CallMBWithIDAndString(int number, const std::string& text, unsigned style) override;
  int msg_AskNewPath(const std::string& name) override;
  int msg_Notice(const std::string& text) override;
  void app_BeginWaitCursor() override;
  void app_EndWaitCursor() override;
  void menu_UpdateReduced() override;
  void app_SetDropFlag(int number) override;
  bool dlg_AskOutputName(const std::string& label, std::string& name, std::uint16_t& choice,
                         std::uint16_t& second, bool keepName) override;
  bool dlg_AskText(const std::string& title, std::string& text, std::size_t maxLength) override;
  model::RouteOptions blk_GetRouteOptions() override;
};

class ShellEngineServices : public engine::EngineServices {
public:
  void showMessage(int number) override;
  void notice(const std::string& text, const std::string& caption) override;
  // Into the shell's deferred-call table (ten entries), run by the sheet
  // timer and by presses in the simulation states.
  bool queueDeferred(std::function<void()> call) override;
  // A plain OK box with the frame as owner.
  int messageBox(const std::string& text, const std::string& caption) override;
  // The language library's string, else the engine's own text.
  std::string languageString(int id) override;
};

// Installs the three service objects (owned here); uninstall restores the defaults.
void installServices();
void uninstallServices();

} // namespace shell
