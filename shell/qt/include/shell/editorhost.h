#pragma once
// The editor's host as far as the shell serves it without windows of its
// own: menu items through the program's menus, prompts through the shell's
// dialogs, language texts, the wait cursor and the insert box. The main
// program derives its host (which adds its windows) from this one.
#include "editor/host.h"

namespace shell {

class ShellEditorHost : public editor::Host {
public:
  void menuEnable(int command) override;
  void menuDisable(int command) override;
  void menuText(int command, const std::string& text) override;
  void menuChecked(int command, bool checked) override;
  bool menuIsChecked(int command) override;
  void beginWaitCursor() override;
  void endWaitCursor() override;
  std::string languageText(int number) override;
  // Template 7 with the title as caption; at most maxLength characters.
  bool promptText(const std::string& title, std::string& text, std::size_t maxLength) override;
  // The standard dialogs library's text dialog; height in and out.
  bool promptTextWithHeight(const std::string& title, std::string& text, int& height, std::size_t maxLength) override;
  bool promptInt(const std::string& title, int& value) override;
  void refreshInsertBox() override;
  // The first selector's dialog with the filter in the start folder.
  bool chooseFile(const std::string& filter, std::string& path, bool forSaving) override;
};

} // namespace shell
