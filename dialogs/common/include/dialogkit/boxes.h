#pragma once
// Message boxes by message number, the decoding of box styles, help requests
// and the placement of a dialog at the cursor: the parts of the dialog kit
// without widgets.
#include "dialogkit/format.h"
#include "dialogkit/resources.h"
#include "platform/uisink.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kit {

// ---- Box styles (the Windows message box style word) ----
enum class BoxIcon { None, Stop, Question, Exclamation, Information };
struct BoxStyle {
  std::vector<int> buttons;  // answers (IDOK...) in the order shown
  int defaultAnswer = 1;     // the answer of the default button
  int escapeAnswer = 0;      // the answer of Escape / the close box, 0 when it has none
  BoxIcon icon = BoxIcon::None;
  bool topmost = false;      // MB_TOPMOST or MB_SYSTEMMODAL
  bool foreground = false;   // MB_SETFOREGROUND
};
// Button sets 0-5 (a larger set counts as OK), icons 0x10-0x40 (others: none),
// default button 0x000/0x100/0x200 (a default past the last button: the first).
BoxStyle decodeStyle(unsigned style);

// ---- Boxes by number ----
// The template of number, formatted with args when format is set (else shown
// as it is), captioned with the text of captionId ("" when missing), shown
// through the platform UI sink with the style. No text for the number: no box,
// answer 2 (IDCANCEL).
int boxById(const Resources& res, unsigned number, unsigned captionId, unsigned style, bool format = false,
            const std::vector<FormatArg>& args = {});

// ---- Help ----
struct HelpTexts {
  unsigned contextText = 0;  // template with %u for the context number
  unsigned keywordText = 0;  // template with %s for the key word (0: none)
  unsigned caption = 0;
};
// F1 in a dialog: with showNumber, first the box with the context number or
// key word (information sign); then, with a help file, the help request
// through the UI sink. True when the help page was opened.
bool requestHelp(const Resources& res, const HelpTexts& texts, bool showNumber, const std::string& helpFile,
                 unsigned context, const std::string& keyword = {}, std::uint32_t owner = 0);

// The page a help request names. The index lies beside the help file, named
// as the help file plus ".idx" (".../ENGLISH/ZERLO.HLP.idx"); it is text, one
// entry a line, blank lines and lines starting with "#" skipped:
//   context <number> <page>
//   keyword <key word> <page>     (the page is the last word: a key word may
//                                  hold blanks; case ignored)
// The page is relative to the index's directory (or absolute). nullopt when the
// help file, the index, the entry or the page is missing.
std::optional<std::string> resolveHelpPage(const plat::ui::HelpRequest& request);

// ---- Placement ----
struct Point { int x = 0, y = 0; };
struct Rect { int x = 0, y = 0, w = 0, h = 0; };
// The top-left corner of a window of size w x h centred on the cursor (the
// screen's centre without one), kept 10 pixels inside the screen: left and top
// at least 10 in, then right and bottom at most 10 in (the far edge wins when
// both cannot hold).
Point placeAtCursor(int w, int h, std::optional<Point> cursor, const Rect& screen);

} // namespace kit
