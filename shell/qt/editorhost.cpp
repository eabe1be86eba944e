// The editor's host over the shell's menus, dialogs and resources.
#include "shell/editorhost.h"

#include "shell/dialogs.h"
#include "shell/fileselect.h"
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/prompts.h"
#include "shell/resources.h"
#include "shell/utilities.h"

#include <algorithm>
#include <charconv>

namespace shell {

void ShellEditorHost::menuEnable(int command) { menu_EnableCommand(command); }
void ShellEditorHost::menuDisable(int command) { menu_DisableCommand(command); }
void ShellEditorHost::menuText(int command, const std::string& text) { menu_SetText(command, text); }
void ShellEditorHost::menuChecked(int command, bool checked) { barMenus().check(command, checked); }
bool ShellEditorHost::menuIsChecked(int command) { return menu_IsChecked(command); }
void ShellEditorHost::beginWaitCursor() { app_BeginWaitCursor(); }
void ShellEditorHost::endWaitCursor() { app_EndWaitCursor(); }
std::string ShellEditorHost::languageText(int number) { return number > 0 ? res_String(unsigned(number)).value_or("") : ""; }

bool ShellEditorHost::chooseFile(const std::string& filter, std::string& path, bool forSaving) {
  // The start path is a folder, or a file in a folder whose name is offered.
  std::string dir = path, offered;
  const std::size_t cut = path.find_last_of("/\\");
  if (!path.empty() && cut != path.size() - 1) {
    dir = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    offered = cut == std::string::npos ? path : path.substr(cut + 1);
    if (offered.find_first_of("*?") != std::string::npos) offered.clear();
  }
  std::string chosen;
  if (!fsel_ChooseFile(dir + filter, offered, forSaving, chosen)) return false;
  path = chosen;
  return true;
}

bool ShellEditorHost::promptText(const std::string& title, std::string& text, std::size_t maxLength) {
  std::uint16_t ok = 0;
  dlg_InputB(title, text, int(std::min<std::size_t>(maxLength + 1, 32000)), &ok);
  return ok != 0;
}

bool ShellEditorHost::promptTextWithHeight(const std::string& title, std::string& text, int& height,
                                           std::size_t maxLength) {
  (void)title;
  std::uint16_t h = std::uint16_t(std::max(0, height));
  if (!dlg_AskText(text, std::uint16_t(std::min<std::size_t>(maxLength + 1, 255)), h, windowHost().zoom()))
    return false;
  height = h;
  return true;
}

bool ShellEditorHost::promptInt(const std::string& title, int& value) {
  std::string t = std::to_string(value);
  std::uint16_t ok = 0;
  dlg_InputB(title, t, 16, &ok);
  if (!ok) return false;
  int v = 0;
  const std::size_t b = t.find_first_not_of(' ');
  if (b == std::string::npos) return false;
  auto r = std::from_chars(t.data() + b, t.data() + t.size(), v);
  if (r.ec != std::errc()) return false;
  value = v;
  return true;
}

void ShellEditorHost::refreshInsertBox() { ins_UpdateInsertBoxSelection(); }

} // namespace shell
