// The frame's menus: every command of the frame and the worksheets, with the
// accelerators shown beside the commands they start.
#include "menus.h"

namespace stockbars {

const std::vector<SubMenu>& menuLayout() {
  static const std::vector<SubMenu> layout = {
      {"&File",
       {{222, "&Open Project...", ""}, {201, "&Load Project", ""}, {203, "&Save Project", "F10"},
        {207, "Save Project &As...", ""}, {204, "&Close Project", ""}, {0, "", ""},
        {208, "Load &Library...", ""}, {211, "&Remove Library...", ""}, {229, "Replace L&ibrary...", ""},
        {0, "", ""}, {213, "&Print...", ""}, {215, "Print Set&up...", ""}, {212, "Print &Worksheet", ""},
        {0, "", ""}, {216, "E&xit", ""}}},
      {"&Edit",
       {{370, "Select &All", "Ctrl+A"}, {371, "&Deselect", "Ctrl+U"}, {372, "Cu&t", "Ctrl+X"},
        {373, "&Copy", "Ctrl+C"}, {374, "&Paste", "Ctrl+V"}, {375, "De&lete Selection", ""}, {0, "", ""},
        {246, "&Edit Mode", "1"}, {247, "&Connect Mode", "2"}, {248, "&Trend Mode", "3"},
        {244, "De&lete Mode", "4"}, {245, "&Input Count Mode", "5"}, {0, "", ""},
        {237, "&Insert Block", "Ins"}, {238, "&Replace Block", ""}, {239, "Delete &Block", "Del"},
        {240, "&Undo", ""}, {243, "&Find", "F3"}, {257, "&Marks", ""}, {258, "Clear Mar&ks", ""}}},
      {"&View",
       {{230, "&Main Sheet", ""}, {231, "&Subprogram", "F6"}, {232, "S&elect Subprogram...", "F7"},
        {233, "Si&mulation Sheet", "F8"}, {234, "Second Simulation S&heet", ""}, {235, "&Trend Sheet", ""},
        {267, "&Value Sheet", ""}, {0, "", ""}, {318, "Status &Bar", ""}, {319, "T&ool Bar", ""},
        {324, "&Insert Box", ""}, {302, "&Grid", ""}, {304, "I/O &Labels", ""}, {305, "Edit &Cursor", ""},
        {382, "&Quick Start", ""}}},
      {"&Options",
       {{250, "&Copy Subprogram...", ""}, {251, "&Design Subprogram...", ""}, {252, "De&lete Subprogram...", ""},
        {259, "&Rename Subprogram...", ""}, {260, "Subprogram &Parameters", ""}, {264, "&Levels", ""},
        {273, "&Development Options", ""}, {0, "", ""}, {300, "&Worksheet Setup...", ""},
        {301, "&Options", ""}, {321, "&Auto Route", ""}, {0, "", ""}, {322, "&Interface Settings...", ""},
        {323, "Interface &Diagnosis", ""}, {0, "", ""}, {40021, "German", ""}, {40022, "English", ""}}},
      {"&Target",
       {{261, "&Start", "F5"}, {262, "&Online Mode", "F9"}, {282, "&Simulation", ""},
        {287, "&Translate", ""}, {288, "&Download", ""}, {0, "", ""}, {268, "&Read Parameters", ""},
        {269, "&Write Parameters", ""}, {270, "Stop &Target", ""}, {271, "&Reset Target", ""},
        {275, "Target &Status", ""}, {266, "&Monitor", ""}}},
      {"&Window",
       {{360, "&Cascade", "Shift+F4"}, {361, "&Tile", "Shift+F5"}, {362, "&Arrange Icons", ""},
        {363, "Close &All", ""}, {236, "C&lose", ""}, {0, "", ""}, {242, "Copy &Picture", ""}}},
      {"&Help",
       {{333, "&Contents", ""}, {330, "&Context Help", "F1"}, {334, "&Blocks", ""}, {335, "&Keyboard", ""},
        {332, "&Using Help", ""}, {0, "", ""}, {40030, "Zerlo on the &Web", ""}, {331, "&About Zerlo...", ""}}},
  };
  return layout;
}

const std::vector<MenuItem>& toolButtons() {
  static const std::vector<MenuItem> buttons = {
      {222, "Open", ""}, {203, "Save", ""}, {213, "Print", ""}, {0, "", ""},
      {372, "Cut", ""}, {373, "Copy", ""}, {374, "Paste", ""}, {0, "", ""},
      {246, "Edit", ""}, {247, "Connect", ""}, {248, "Trend", ""}, {244, "Delete", ""}, {245, "Inputs", ""},
      {0, "", ""}, {261, "Start", ""}, {262, "Online", ""}, {0, "", ""}, {330, "Help", ""}};
  return buttons;
}

const std::vector<MenuItem>& macroButtons() {
  static const std::vector<MenuItem> buttons = {
      {10000, "Frame", ""}, {10001, "Styles", ""}, {10002, "Names", ""}, {0, "", ""},
      {10003, "Style 0", ""}, {10004, "Style 1", ""}, {10005, "Style 2", ""}, {10006, "Style 3", ""},
      {10007, "Style 4", ""}, {0, "", ""}, {10012, "Picture", ""}, {10013, "Background", ""},
      {10014, "Option 4", ""}, {10015, "Option 5", ""}, {10017, "Option 6", ""}};
  return buttons;
}

} // namespace stockbars
