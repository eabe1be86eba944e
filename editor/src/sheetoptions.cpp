// The macro bar's sheet options: the flags word, the two picture names and
// the picture dialog's two bytes of the logic a worksheet shows.
#include "editor/editor.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "model/records.h"

#include <algorithm>
#include <cstring>

namespace editor {

namespace {

using model::LogicRecord;

enum : std::uint16_t {
  kHideConnections = 0x0200,
  kSecondRow = 0x0400,
  kRaisedFrame = 0x0800,
  kBoxStyle = 0x1000,
  kNameText = 0x2000,
  kPicture = 0x4000,
  kBackground = 0x8000,
  kPositionBits = 0x000F,
};

LogicRecord* shownLogic(WorksheetWindowData* window) {
  model::DocumentRecord* doc = window && window->document ? window->document : model::TemplateDocument;
  if (!doc || doc->MacroLevel == 0 || doc->MacroLevel > model::kMaxMacroLevel) return nullptr;
  return doc->LevelLogics[doc->MacroLevel];
}

std::string pictureText(const char (&field)[16]) {
  std::size_t n = 0;
  while (n < 12 && field[n] && field[n] != ' ') ++n;
  return std::string(field, n);
}

// A picture name goes into the 12 characters the drawing reads, zero filled.
bool setPictureText(char (&field)[16], const std::string& text) {
  char next[16] = {};
  std::memcpy(next, text.data(), std::min<std::size_t>(text.size(), 12));
  if (std::memcmp(next, field, sizeof next) == 0) return false;
  std::memcpy(field, next, sizeof next);
  return true;
}

} // namespace

SheetOptions ui_GetSheetOptions(WorksheetWindowData* window) {
  SheetOptions o;
  const LogicRecord* logic = shownLogic(window);
  if (!logic) return o;
  const std::uint16_t f = logic->Flags;
  o.shown = true;
  o.raisedFrame = f & kRaisedFrame;
  o.nameText = f & kNameText;
  o.boxStyle = f & kBoxStyle;
  o.textPosition = std::min(f & kPositionBits, 4);
  o.secondRow = f & kSecondRow;
  o.picture = f & kPicture;
  o.background = f & kBackground;
  o.hideConnections = f & kHideConnections;
  o.pictureName = pictureText(logic->Text1);
  o.backgroundName = pictureText(logic->Text2);
  o.fixedSize = logic->Further[0];
  o.resize = logic->Further[1];
  return o;
}

bool ui_SetSheetOptions(const SheetOptions& o, WorksheetWindowData* window) {
  LogicRecord* logic = shownLogic(window);
  if (!logic) return false;
  std::uint16_t f = logic->Flags;
  f &= std::uint16_t(~(kHideConnections | kSecondRow | kRaisedFrame | kBoxStyle | kNameText | kPicture |
                       kBackground | kPositionBits));
  if (o.raisedFrame) f |= kRaisedFrame;
  if (o.nameText) f |= kNameText;
  if (o.boxStyle) f |= kBoxStyle;
  f |= std::uint16_t(std::clamp(o.textPosition, 0, 4));
  // The second row exists for the corners only.
  if (o.secondRow && o.textPosition >= 1) f |= kSecondRow;
  if (o.picture) f |= kPicture;
  if (o.background) f |= kBackground;
  if (o.hideConnections) f |= kHideConnections;
  bool changed = f != logic->Flags;
  logic->Flags = f;
  changed |= setPictureText(logic->Text1, o.pictureName);
  changed |= setPictureText(logic->Text2, o.backgroundName);
  if (logic->Further[0] != o.fixedSize || logic->Further[1] != o.resize) changed = true;
  logic->Further[0] = o.fixedSize;
  logic->Further[1] = o.resize;
  if (changed) ctx().projectChanged = 1;
  return true;
}

int ui_MacroBarCommand(int id, WorksheetWindowData* window) {
  SheetOptions o = ui_GetSheetOptions(window);
  if (!o.shown) return -1;
  int repaint = 1;
  switch (id) {
  case 10000: o.raisedFrame = !o.raisedFrame; break;
  case 10001: o.nameText = !o.nameText; break;
  case 10002: o.boxStyle = !o.boxStyle; break;
  case 10003: case 10004: case 10005: case 10006: case 10007:
  case 10008: case 10009: case 10010: case 10011:
    // The name's place means something only while the name is shown.
    if (!o.nameText) return -1;
    o.secondRow = id >= 10008;
    o.textPosition = id >= 10008 ? id - 10007 : id - 10003;
    break;
  case 10014: o.picture = !o.picture; repaint = 0; break;
  case 10015: o.background = !o.background; repaint = 0; break;
  case 10016: repaint = 0; break;
  case 10017: o.hideConnections = !o.hideConnections; repaint = 0; break;
  default: return -1;
  }
  ui_SetSheetOptions(o, window);
  return repaint;
}

} // namespace editor
