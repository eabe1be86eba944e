// Pre-answered selections, prompts through the dialog libraries, messages,
// route options and the sheet helpers.
#include "shell/prompts.h"
#include "display/gdi.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/help.h"
#include "shell/menustate.h"
#include "shell/names.h"
#include "shell/utilities.h"
#include "stockwin/stockwin.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace shell {

namespace {
SelectionState g_sel;
int g_pendingKind = 0;
bool g_plainBoxOpen = false;
SheetWindows* g_sheets = nullptr;
int g_sheetW = 0, g_sheetH = 0;

Hwnd frame() { return windowHost().frameWindow(); }
std::string cut(const std::string& s, std::size_t n) { return s.substr(0, n); }

// Brackets a call with a help context.
template <class F> auto withHelp(int context, F f) {
  const int prev = help_SetContext(context);
  auto r = f();
  help_SetContext(prev);
  return r;
}
} // namespace

SelectionState& selectionState() { return g_sel; }
void dlg_ResetSelectionState() {
  g_sel = SelectionState{};
  g_pendingKind = 0;
}
void dlg_SetPendingKind(int kind) { g_pendingKind = kind; }
int dlg_PendingKind() { return g_pendingKind; }

int dlg_SelectFirstOrMain(const SelectCallbacks& cb, std::string& name) {
  std::string first;
  if (cb.firstName && cb.firstName(first) && !first.empty()) {
    name = first;
    return 1;
  }
  name = "MAIN";
  return g_pendingKind == 503 ? 0 : 1;
}
int dlg_SelectFirstOrMainB(const SelectCallbacks& cb, std::string& name) {
  std::string first;
  name = cb.firstName && cb.firstName(first) && !first.empty() ? first : std::string("MAIN");
  return 1;
}
int dlg_SelectLastA(std::string& name) {
  name = g_sel.lastName;
  return 1;
}
int dlg_SelectLastB(std::string& name) { return dlg_SelectLastA(name); }
int dlg_SelectLastC(std::string& name) { return dlg_SelectLastA(name); }
int dlg_SelectLastPair(std::string& library, std::string& block) {
  library = g_sel.lastLibrary;
  block = g_sel.lastBlock;
  return 1;
}
void dlg_SetLastChosen(const std::string& name) { g_sel.lastName = cut(name, 15); }
void dlg_SetLastPair(const std::string& library, const std::string& block) {
  g_sel.lastLibrary = cut(library, 15);
  g_sel.lastBlock = cut(block, 15);
}

// ---- prompts through the dialog libraries ----
int dlg_AskText(std::string& text, std::uint16_t maxLength, std::uint16_t& height, double zoom) {
  const std::size_t size = std::min<std::size_t>(maxLength, 255);
  if (size < 1) return 0;
  std::vector<char> buf(size, 0);
  const std::string start = text.substr(0, size - 1);
  std::memcpy(buf.data(), start.data(), start.size());
  TextParams p{};
  p.text = buf.data();
  p.size = std::int16_t(size);
  p.fontSize = std::int16_t(height ? height : g_sel.textHeight);
  p.scale = float(zoom);
  const int r = withHelp(15, [&] { return bind_SW31_CallInsertTextDlg(frame(), &p); });
  if (r != 1) return 0;
  buf[size - 1] = 0;
  text = buf.data();
  g_sel.textHeight = std::uint16_t(p.fontSize);
  height = g_sel.textHeight;
  return 1;
}

int dlg_AskOutputName(const std::string& kind, std::string& name, std::int16_t& v1, std::int16_t& v2, bool withValues) {
  char buf[17] = {0};
  if (withValues) std::strncpy(buf, name.c_str(), 16);
  NameList names = mod_ListConnectorNames(kind == "Output" ? 0 : 1, nullptr);
  std::vector<::NameNode> nodes;
  for (NameNode* n = names.first; n; n = n->next) nodes.push_back(::NameNode{n->name, nullptr});
  for (std::size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
  ::NameNode* head = nodes.empty() ? nullptr : &nodes[0];
  ConnectorParams p{};
  p.kind = kind.c_str();
  p.name = buf;
  p.value1 = v1;
  p.value2 = v2;
  p.flags = withValues ? 1 : 0;
  p.names = &head;
  const int r = withHelp(16, [&] { return bind_SW30_CallInsertConnectorDlg(frame(), &p); });
  nl_FreeAll(&names);
  if (r != 1) return 0;
  buf[16] = 0;
  name = buf;
  v1 = p.value1;
  v2 = p.value2;
  return 1;
}

int dlg_AskSaveChanges() {
  char path[512] = {0};
  std::string shown;
  if (path_BuildProjectFile(path, sizeof path)) shown = path;
  return withHelp(11, [&] {
    return bind_SW50_CallMBWithIDAndString(frame(), 40008, shown.c_str(), plat::ui::MB_YESNOCANCEL);
  });
}

int dlg_Compile(CompileResult* result) {
  CompileResult local;
  CompileResult* r = result ? result : &local;
  const int answer = withHelp(60, [&] { return bind_ZRTA01_CallCompileProgressDlg(frame(), r); });
  if (r->errors > 0 || r->warnings > 0) withHelp(55, [&] { return bind_ZRTA02_CallCompileResultDlg(frame()); });
  return answer == 2 ? 0 : 1;
}

int dlg_Download() {
  char path[512] = {0};
  path_BuildProjectFile(path, sizeof path);
  bind_ZRTA00_SetProjectFilePath(path);
  const int r = withHelp(14, [&] { return bind_ZRTA03_CallDownloadProgressDlg(frame()); });
  if (r != 1) return 0;
  programFlags().downloaded = true;
  programFlags().startOnline = true;
  return 1;
}

// ---- messages ----
void msg_ShowWithHelp(int helpContext, int number) {
  withHelp(helpContext, [&] { return bind_SW50_CallMBWithID(frame(), number, plat::ui::MB_ICONINFORMATION); });
}
void msg_ShowWithText(int helpContext, int number, const std::string& text) {
  withHelp(helpContext, [&] {
    return bind_SW50_CallMBWithIDAndString(frame(), number, text.c_str(), plat::ui::MB_ICONINFORMATION);
  });
}
int dlg_AskYesNo(int number) {
  return bind_SW50_CallMBWithID(frame(), number, plat::ui::MB_YESNO) == plat::ui::IDYES ? 1 : 0;
}
int dlg_AskYesNoWithText(int helpContext, int number, const std::string& text) {
  return withHelp(helpContext, [&] {
    return bind_SW50_CallMBWithIDAndString(frame(), number, text.c_str(), plat::ui::MB_YESNO);
  }) == plat::ui::IDYES ? 1 : 0;
}
int msg_PlainBox(const std::string& text, const std::string& caption) {
  g_plainBoxOpen = true;
  const int r = plat::ui::messageBox(text, caption, plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
  g_plainBoxOpen = false;
  return r;
}
bool msg_PlainBoxOpen() { return g_plainBoxOpen; }

// ---- route options ----
model::RouteOptions blk_GetRouteOptions() { return g_sel.route; }
void blk_SetRouteOptions(const model::RouteOptions& o) { g_sel.route = o; }
int blk_GetRouteFlag() { return g_sel.route.onoff; }
void blk_SetRouteFlag(int on) { g_sel.route.onoff = std::uint8_t(on); }
void blk_LoadRouteOptions() {
  std::uint8_t a = 1, c = 1;
  std::uint16_t b = 6;
  if (bind_GetAutoRootOptions(&a, &b, &c)) g_sel.route = model::RouteOptions{a, std::int16_t(b), c};
}
void blk_SaveRouteOptions() {
  bind_SetAutoRootOptions(g_sel.route.onoff, std::uint16_t(g_sel.route.node), g_sel.route.crosstext);
}

// ---- sheet and zoom ----
SheetWindows* setSheetWindows(SheetWindows* w) {
  SheetWindows* prev = g_sheets;
  g_sheets = w;
  return prev;
}

namespace {
void ensureSheetSize() {
  if (g_sheetW > 0 && g_sheetH > 0) return;
  std::uint16_t w = 0, h = 0;
  if (bind_GetWorkSheetSize(&w, &h) && w > 0 && h > 0) {
    g_sheetW = w;
    g_sheetH = h;
  } else {
    g_sheetW = 1600;
    g_sheetH = 1130;
  }
}
} // namespace

int ws_SheetWidth() { ensureSheetSize(); return g_sheetW; }
int ws_SheetHeight() { ensureSheetSize(); return g_sheetH; }
int ws_GetSheetSize() {
  ensureSheetSize();
  return int((std::uint32_t(g_sheetW) << 16) | std::uint32_t(g_sheetH & 0xFFFF));
}

int ws_SetSheetSize(std::uint32_t packed) {
  const int w = int(packed >> 16), h = int(packed & 0xFFFF);
  if (w <= 0 || h <= 0) return 0;
  g_sheetW = w;
  g_sheetH = h;
  ws_ApplySheetSize();
  return 1;
}

void ws_ApplySheetSize() {
  if (!g_sheets) return;
  ensureSheetSize();
  const float zoom = disp::gdi_GetZoom() > 0 ? disp::gdi_GetZoom() : 1.0f;
  for (int n = 0; n < g_sheets->count(); ++n) {
    g_sheets->invalidate(n);
    const auto v = g_sheets->view(n);
    const int rangeX = std::max(0, g_sheetW - int(float(v.clientW) / zoom));
    const int rangeY = std::max(0, g_sheetH - int(float(v.clientH) / zoom));
    int x = 0, y = 0;
    g_sheets->scrollPosition(n, x, y);
    g_sheets->setScroll(n, std::clamp(x, 0, rangeX), std::clamp(y, 0, rangeY), rangeX, rangeY);
  }
}

void ws_SetZoomAll(float zoom) {
  disp::gdi_SetZoom(&zoom);
  disp::gdi_DeleteFonts();
  if (!g_sheets) return;
  const float z = disp::gdi_GetZoom() > 0 ? disp::gdi_GetZoom() : 1.0f;
  for (int n = 0; n < g_sheets->count(); ++n) {
    const auto v = g_sheets->view(n);
    g_sheets->setExtent(n, int(float(v.clientW) / z), int(float(v.clientH) / z));
    g_sheets->invalidate(n);
  }
}

} // namespace shell
