// The frame's menus and bars: every command that does something in this
// program, each under a label that says what it does, with the accelerators
// shown beside the commands they start. Commands that do nothing here have no
// item: a user never meets a control that runs nothing or something else.
#include "menus.h"

namespace stockbars {

namespace {
constexpr MenuItem kSeparator{0, "", ""};
constexpr MenuItem kRowBreak{-1, "", ""};   // the tool bar's second row begins
}

const std::vector<SubMenu>& menuLayout() {
  static const std::vector<SubMenu> layout = {
      {"&File",
       {{222, "&New Project...", ""},
        {201, "&Open Project...", ""},
        {203, "&Save Project", "F10"},
        {207, "Save Project &As...", ""},
        {204, "&Close Project", ""},
        kSeparator,
        {208, "&Load Library into Project...", ""},
        {211, "&Remove Module from Project...", ""},
        kSeparator,
        {213, "&Print Project...", ""},
        {212, "Print &Worksheet", ""},
        kSeparator,
        {216, "E&xit", ""}}},
      {"&Edit",
       {{256, "&Undo", ""},
        kSeparator,
        {372, "Cu&t", "Ctrl+X"},
        {373, "&Copy", "Ctrl+C"},
        {374, "&Paste", "Ctrl+V"},
        {375, "&Delete Selection", ""},
        {370, "Select &All", "Ctrl+A"},
        {371, "D&eselect All", "Ctrl+U"},
        kSeparator,
        {246, "&Select and Move Mode", "1"},
        {247, "Delete &Mode", "2"},
        {248, "&Replace Mode", "3"},
        {244, "C&onnect Mode", "4"},
        {245, "Disco&nnect Mode", "5"},
        kSeparator,
        {237, "&Insert Block", "Ins"},
        {239, "Delete Selection or &Gate", "Del"},
        {243, "Input &Count Tool", "F3"},
        {258, "Clear Gate Mar&ks", ""}}},
      {"&View",
       {{231, "&Main Program", "F6"},
        {230, "Main Program in &New Window", ""},
        {232, "&Subprogram...", "F7"},
        {233, "Si&mulation Sheet", "F8"},
        {234, "&Parameter Sheet", ""},
        {235, "&Trend Sheet", ""},
        {267, "&Value Sheet", ""},
        kSeparator,
        {318, "Status &Bar", ""},
        {319, "T&ool Bar", ""},
        {324, "&Insert Box", ""},
        {304, "I/O &Labels", ""},
        {305, "&Pointer Shows What Lies Under It", ""},
        {382, "Show &Quickstart at Start", ""}}},
      // The fourth menu holds 273, which the start removes.
      {"&Options",
       {{250, "&Copy Subprogram...", ""},
        {251, "&Design Subprogram Face...", ""},
        {252, "De&lete Subprogram...", ""},
        {259, "&Rename Subprogram...", ""},
        {273, "Reserved", ""},
        kSeparator,
        {300, "&Worksheet Setup...", ""},
        {321, "&Automatic Wire Routing", ""},
        kSeparator,
        {322, "&Interface Settings...", ""},
        {323, "Interface &Diagnosis...", ""},
        kSeparator,
        {40021, "Language: &German", ""},
        {40022, "Language: &English", ""}}},
      {"&Target",
       {{261, "&Start: Compile, Download, Go Online", "F5"},
        {262, "&Online Mode", "F9"},
        kSeparator,
        {268, "&Read Parameters from Target", ""},
        {269, "&Write Parameters to Target", ""},
        kSeparator,
        {287, "Sa&ve Parameter List with Heading...", ""},
        {288, "Save &Plain Parameter List (.LPA)...", ""},
        {290, "S&how Parameter List File...", ""}}},
      {"&Simulation",
       {{282, "Simulation ein", ""},
        {320, "Start from Time &Zero", ""},
        {512, "&Next Step", ""},
        {513, "Next S&ubprogram", ""},
        {383, "&Back to Upper Level", ""},
        kSeparator,
        {260, "Set&up: Write Target Program", ""}}},
      {"&Window",
       {{360, "&Cascade", "Shift+F4"},
        {361, "&Tile", "Shift+F5"},
        {362, "&Arrange Icons", ""},
        {363, "Close &All Windows", ""},
        {236, "C&lose Window", ""},
        kSeparator,
        {242, "Copy Window &Picture", ""}}},
      {"&Help",
       {{330, "Context &Help", "F1"},
        {333, "Help &Contents", ""},
        {332, "Help &Index", ""},
        kSeparator,
        {40030, "Zerlo on the &Web", ""},
        {331, "&About Zerlo...", ""}}},
  };
  return layout;
}

const std::vector<MenuItem>& toolButtons() {
  static const std::vector<MenuItem> buttons = {
      {222, "New Project", ""}, {201, "Open Project", ""}, {203, "Save", ""}, kSeparator,
      {256, "Undo", ""}, {372, "Cut", ""}, {373, "Copy", ""}, {374, "Paste", ""}, kSeparator,
      {246, "Select", ""}, {247, "Delete", ""}, {248, "Replace", ""}, {244, "Connect", ""},
      {245, "Disconnect", ""}, kRowBreak,
      {213, "Print", ""}, kSeparator, {261, "Start", ""}, {262, "Online", ""}, kSeparator,
      {282, "Simulation ein", ""}, {320, "From Time Zero", ""}, {512, "Next Step", ""},
      {513, "Next Subprogram", ""}, {383, "Upper Level", ""}, {260, "Setup", ""}, kSeparator,
      {333, "Help", ""}};
  return buttons;
}

// The sheet-option commands of the macro bar (10000..10017) are not carried
// out by the frame: the bar has no buttons until they are.
const std::vector<MenuItem>& macroButtons() {
  static const std::vector<MenuItem> buttons = {};
  return buttons;
}

} // namespace stockbars
