// Names of Input and Output gates and texts of Text gates, held in their
// extra rows.
#include "model/gatekinds.h"

#include "internal.h"
#include "model/instances.h"
#include "model/services.h"

#include <cstring>

namespace model {
using namespace detail;

namespace {
constexpr std::uint16_t kPortNameRows = 8;          // 16 characters and a zero
constexpr std::size_t kMaxDialogText = 32000;
constexpr std::size_t kMaxShortText = 255;
constexpr std::size_t kMaxCountedText = 1021;

const char* extraBytes(const GateRecord* g) { return reinterpret_cast<const char*>(g->Extra); }

// Writes a text from byte 8 of the extra rows (row 0 keeps the height).
void storeText(GateRecord* g, int height, const std::string& text) {
  if (!g->Extra || g->ExtraCount < 1) return;
  char* bytes = reinterpret_cast<char*>(g->Extra);
  const std::size_t room = std::size_t(g->ExtraCount) * 8;
  std::memset(bytes, 0, room);
  const std::uint16_t h = std::uint16_t(height);
  std::memcpy(bytes, &h, 2);
  if (room > 8) {
    const std::size_t n = std::min(text.size(), room - 9);
    std::memcpy(bytes + 8, text.data(), n);
  }
}
} // namespace

std::string gt_PortName(const GateRecord* g) {
  if (!g || !g->Extra || !g->ExtraCount) return {};
  const std::size_t room = std::min<std::size_t>(std::size_t(g->ExtraCount) * 8, 17);
  const char* b = extraBytes(g);
  std::size_t n = 0;
  while (n < room && n < 16 && b[n]) ++n;
  return std::string(b, n);
}

bool gt_SetPortName(LogicRecord* logic, GateRecord* g, const std::string& name) {
  if (!g) return false;
  if (g->ExtraCount < kPortNameRows && !ge_GrowExtra(logic, g, kPortNameRows)) return false;
  char* b = reinterpret_cast<char*>(g->Extra);
  std::memset(b, 0, 17);
  std::memcpy(b, name.data(), std::min<std::size_t>(name.size(), 16));
  return true;
}

std::string gt_GateText(const GateRecord* g, int* height) {
  if (height) *height = 12;
  if (!g || !g->Extra || g->ExtraCount < 2) return {};
  const char* b = extraBytes(g);
  std::uint16_t h = 0;
  std::memcpy(&h, b, 2);
  if (height) *height = h;
  const std::size_t room = std::size_t(g->ExtraCount) * 8 - 8;
  std::size_t n = 0;
  while (n < room && b[8 + n]) ++n;
  return std::string(b + 8, n);
}

bool gt_GateNameText(LogicRecord* logic, GateRecord* g) {
  if (!g) return false;
  if (g->Kind == kKindInput || g->Kind == kKindOutput) {
    // The present name is read before anything changes, shown in the dialog,
    // and only an OK stores the answer.
    std::string name = gt_PortName(g);
    std::uint16_t choice = 0, second = 0;
    if (!shell().dlg_AskOutputName(g->Kind == kKindInput ? "Output" : "Input", name, choice, second, true))
      return false;
    return gt_SetPortName(logic, g, name);
  }
  if (g->Kind == kKindText) {
    if (editor().suppressTextDialogs) return true;
    int height = 12;
    std::string text = gt_GateText(g, &height);
    if (!shell().dlg_AskText("xName", text, kMaxDialogText)) return false;
    return editor().scr_CreateGate(g, height, text);
  }
  return false;
}

bool gt_NameText2(LogicRecord* logic, GateRecord* g) {
  if (!g) return false;
  if (g->Kind == kKindInput || g->Kind == kKindOutput)
    return gt_SetPortName(logic, g, editor().portNameBuffer);
  if (g->Kind != kKindText) return false;
  if (editor().suppressTextDialogs) return true;
  int height = 12;
  std::string text = gt_GateText(g, &height);
  if (g->ExtraCount >= 1 && g->Extra) {
    std::uint16_t h = 0;
    std::memcpy(&h, g->Extra, 2);
    height = h;
  }
  if (!shell().dlg_AskText("xName", text, kMaxShortText)) return false;
  if (text.empty()) text = "###";
  const std::size_t counted = std::min(text.size(), kMaxCountedText);
  text.resize(counted);
  const std::uint16_t rows = std::uint16_t(counted / 8 + 2);
  if (!ge_GrowExtra(logic, g, rows)) return false;
  storeText(g, height, text);
  return true;
}

} // namespace model
