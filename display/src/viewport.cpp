#include "display/viewport.h"

#include "display/vdi.h"

#include <algorithm>

namespace disp {

namespace {

struct Saved {
  std::int16_t worldX = 0, worldY = 0, worldW = 1024, worldH = 1024;
  std::int16_t scrollX = 0, scrollY = 0, maxX = 0, maxY = 0;
  float zoom = 1.0f;
  std::int16_t nesting = 0;
};
Saved g_saved;
ViewFields g_defaultView;
ViewFields* g_view = &g_defaultView;
std::string g_status;
std::string* g_sink = &g_status;

struct Strip {
  int x = 0, y = 0, w = 0, h = 0;
  std::vector<std::uint32_t> pixels;
};
struct Marker {
  DrawWindow* window = nullptr;
  bool shown = false;
  Strip row, column;
} g_marker;

void saveInto(const ViewFields& v) {
  g_saved.scrollX = v.scrollX;
  g_saved.scrollY = v.scrollY;
  g_saved.maxX = v.maxX;
  g_saved.maxY = v.maxY;
}

// Copies the saved view into a document's view fields.
void loadInto(ViewFields& v) {
  v.worldX = g_saved.worldX;
  v.worldY = g_saved.worldY;
  v.worldW = g_saved.worldW;
  v.worldH = g_saved.worldH;
  v.scrollX = g_saved.scrollX;
  v.scrollY = g_saved.scrollY;
  v.maxX = g_saved.maxX;
  v.maxY = g_saved.maxY;
}

} // namespace

void vp_SetDocumentView(ViewFields* fields) { g_view = fields ? fields : &g_defaultView; }
ViewFields* vp_DocumentView() { return g_view; }

void vp_UnitInit() {
  g_saved = Saved{};
  vdi_UnitInitZoom();
}

void vp_ResetView() {
  vdi_UnitInitZoom();
  loadInto(*g_view);
  ++g_saved.nesting;
}

void vp_RestoreView() {
  --g_saved.nesting;
  saveInto(*g_view);
  if (g_saved.nesting < 1) loadInto(*g_view);
}

int vp_Nesting() { return g_saved.nesting; }

void vp_StartView() {
  vp_ResetView();
  g_status.clear();
  g_sink = &g_status;
  ViewFields& v = *g_view;
  v.worldX = v.world2X = 0;
  v.worldY = v.world2Y = 0;
  v.worldW = v.world2W = 1024;
  v.worldH = v.world2H = 1024;
  v.scrollX = v.scrollY = static_cast<std::int16_t>(-v.worldX);
  v.maxX = v.maxY = 0;
  v.handle = 0;
  g_saved.worldX = v.worldX;
  g_saved.worldY = v.worldY;
  g_saved.worldW = v.worldW;
  g_saved.worldH = v.worldH;
  gdi_SetWriteMode(1);
  gdi_SetFillColor(0);
  gdi_SetMouseShape(1);
  gdi_ApplyTextColor(1);
  gdi_SetLineColor(1);
  vp_RestoreView();
}

void vp_SaveView() { saveInto(*g_view); }

int vp_PermilleOf(int v, int largest, int origin) {
  const int range = largest + origin;
  if (range == 0) return 1;
  return static_cast<int>(static_cast<long long>(v + origin) * 1000 / range);
}

void vp_ScrollToPermille(bool horizontal, int p) {
  ViewFields& v = *g_view;
  const int origin = horizontal ? -v.worldX : -v.worldY;
  const int largest = horizontal ? v.maxX : v.maxY;
  const auto off = static_cast<std::int16_t>(static_cast<long long>(largest + origin) * p / 1000 - origin);
  (horizontal ? v.scrollX : v.scrollY) = off;
  vp_SaveView();
}

void vp_ClampScroll() {
  ViewFields& v = *g_view;
  auto clamp = [](std::int16_t& s, int lo, int hi) {
    if (s < lo) s = static_cast<std::int16_t>(lo);
    if (s > hi) s = static_cast<std::int16_t>(hi);
  };
  clamp(v.scrollX, -(-v.worldX), std::max<int>(-(-v.worldX), v.maxX));
  clamp(v.scrollY, -(-v.worldY), std::max<int>(-(-v.worldY), v.maxY));
  vp_SaveView();
}

void ui_SetStatusText(const std::string& prefix, const std::string& field) {
  g_status = (prefix + field).substr(0, kStatusMax);
}
const std::string& ui_StatusText() { return g_status; }

std::string* vp_SetOutputSink(std::string* buffer) {
  std::string* prev = g_sink;
  g_sink = buffer ? buffer : &g_status;
  return prev;
}
std::string* vp_OutputSink() { return g_sink; }

bool drg_MarkerShown() { return g_marker.shown; }

void drg_UpdateDragMarker(DrawWindow* window, int mode, int cx, int cy, int sheetW, int sheetH,
                          const DragFrame& frame) {
  if (!window) return;
  if (g_marker.window && g_marker.window != window) return;  // only the window that owns it
  Device* dc = window->getDc();
  if (!dc) return;
  // Put back what lay under the old lines.
  if (g_marker.shown) {
    for (Strip* s : {&g_marker.row, &g_marker.column})
      dc->drawBitmap(s->x, s->y, s->w, s->h, s->w, s->h, s->pixels.data(), kSrcCopy, nullptr);
    g_marker.shown = false;
    g_marker.window = nullptr;
  }
  if (mode != 2) {
    const float z = gdi_GetZoom();
    Strip row, column;
    if (frame.width != 0) {
      row = {frame.left, cy, frame.width, 1, {}};
      cx = std::clamp(cx, frame.left + 1, frame.left + frame.width - 1);
      column = {cx, frame.top, 1, frame.height, {}};
    } else {
      row = {1, cy, static_cast<int>(sheetW * z), 1, {}};
      column = {cx, 1, 1, static_cast<int>(sheetH * z), {}};
    }
    if (row.w > 0 && column.h > 0 && dc->readPixels(row.x, row.y, row.w, row.h, row.pixels) &&
        dc->readPixels(column.x, column.y, column.w, column.h, column.pixels)) {
      dc->drawBitmap(row.x, row.y, row.w, row.h, row.w, row.h, row.pixels.data(), kNotSrcCopy, nullptr);
      dc->drawBitmap(column.x, column.y, column.w, column.h, column.w, column.h, column.pixels.data(), kNotSrcCopy,
                     nullptr);
      g_marker.row = std::move(row);
      g_marker.column = std::move(column);
      g_marker.shown = true;
      g_marker.window = window;
    }
  }
  window->releaseDc();
}

namespace {

bool blit(DrawWindow* window, const WindowBitmap* b, int x, int y, std::uint32_t rop) {
  if (!window || !b || b->w <= 0 || b->h <= 0 || b->pixels.size() < static_cast<std::size_t>(b->w) * b->h)
    return false;
  Device* dc = window->getDc();
  if (!dc) return false;
  dc->drawBitmap(x, y, b->w, b->h, b->w, b->h, b->pixels.data(), rop, nullptr);
  window->releaseDc();
  return true;
}

struct FrameArea {
  DrawWindow* window = nullptr;
  int x = 0, y = 0;
  std::unique_ptr<WindowBitmap> bitmap;
};
FrameArea g_frame;

} // namespace

bool drw_BlitBitmap(DrawWindow* w, const WindowBitmap* b, int x, int y) { return blit(w, b, x, y, kSrcCopy); }
bool drw_BlitBitmapAnd(DrawWindow* w, const WindowBitmap* b, int x, int y) { return blit(w, b, x, y, kSrcAnd); }
bool drw_BlitBitmapNot(DrawWindow* w, const WindowBitmap* b, int x, int y) { return blit(w, b, x, y, kNotSrcCopy); }

std::unique_ptr<WindowBitmap> drw_SaveWindowArea(DrawWindow* window, int x, int y, int w, int h) {
  if (!window || w <= 0 || h <= 0) return nullptr;
  Device* dc = window->getDc();
  if (!dc) return nullptr;
  auto b = std::make_unique<WindowBitmap>();
  b->w = w;
  b->h = h;
  const bool ok = dc->readPixels(x, y, w, h, b->pixels);
  window->releaseDc();
  return ok ? std::move(b) : nullptr;
}

std::unique_ptr<WindowBitmap> drw_SaveWindowAreaB(DrawWindow* window, int x, int y, int w, int h) {
  return drw_SaveWindowArea(window, x, y, w, h);
}

std::unique_ptr<WindowBitmap> drw_RenderToBitmap(DrawWindow* window, int w, int h, const std::function<void()>& item) {
  if (!window || w <= 0 || h <= 0) return nullptr;
  std::unique_ptr<Device> dev = window->createBitmapDevice(w, h);
  if (!dev) return nullptr;
  Device* prevDc = gdi_CurrentDevice();
  DrawWindow* prevWindow = gdi_CurrentWindow();
  gdi_SetCurrent(dev.get(), window);
  dev->setBrush(Rgb{255, 255, 255});
  dev->fillRect(0, 0, w, h);
  gdi_ResetAttributes();
  if (item) item();
  auto b = std::make_unique<WindowBitmap>();
  b->w = w;
  b->h = h;
  const bool ok = dev->readPixels(0, 0, w, h, b->pixels);
  gdi_SetCurrent(prevDc, prevWindow);
  if (prevDc) gdi_ResetAttributes();
  return ok ? std::move(b) : nullptr;
}

bool drg_SaveFrameArea(DrawWindow* window, int x, int y, int w, int h) {
  if (g_frame.bitmap) return false;  // saved already
  auto b = drw_SaveWindowArea(window, x, y, w, h);
  if (!b) return false;
  g_frame = FrameArea{window, x, y, std::move(b)};
  return true;
}

bool drg_FrameAreaSaved() { return g_frame.bitmap != nullptr; }

void ws_BlitSavedBackground() {
  if (g_frame.bitmap) drw_BlitBitmap(g_frame.window, g_frame.bitmap.get(), g_frame.x, g_frame.y);
  g_frame = FrameArea{};
  gdi_SetMouseShape(2);
}

} // namespace disp
