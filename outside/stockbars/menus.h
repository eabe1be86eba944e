#pragma once
// The layout of the frame's menus: submenus in order, each with its items
// (command id, text, shortcut text), 0 for a separator.
#include <vector>

namespace stockbars {

struct MenuItem {
  int id;              // 0: separator
  const char* text;
  const char* shortcut;  // shown beside the text ("" for none)
};
struct SubMenu {
  const char* title;
  std::vector<MenuItem> items;
};

const std::vector<SubMenu>& menuLayout();
// Buttons of the tool bar and the macro bar (0: separator; -1 in the tool
// bar: the buttons after it form a second row).
const std::vector<MenuItem>& toolButtons();
const std::vector<MenuItem>& macroButtons();

} // namespace stockbars
