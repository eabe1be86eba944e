#include "display/recording_device.h"

#include <algorithm>
#include <sstream>

namespace disp {

std::string toText(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

std::string toText(PenStyle s) {
  switch (s) {
    case PenStyle::Solid: return "solid";
    case PenStyle::Dash: return "dash";
    case PenStyle::Dot: return "dot";
    case PenStyle::DashDot: return "dashdot";
    case PenStyle::DashDotDot: return "dashdotdot";
    case PenStyle::Null: return "null";
  }
  return "?";
}

namespace {
std::string points(const P32* pts, int n) {
  std::ostringstream o;
  for (int i = 0; i < n; ++i) o << (i ? " " : "") << pts[i].x << "," << pts[i].y;
  return o.str();
}
std::string box(int l, int t, int r, int b) {
  return std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," + std::to_string(b);
}
} // namespace

std::vector<std::string> RecordingDevice::withPrefix(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

void RecordingDevice::setPen(const PenSpec& p) {
  calls.push_back("pen " + toText(p.style) + " " + std::to_string(p.width) + " " + toText(p.color));
}
void RecordingDevice::setBrush(Rgb c) { calls.push_back("brush " + toText(c)); }
void RecordingDevice::setFont(const FontSpec& f) {
  fontHeight_ = f.height;
  calls.push_back("font " + std::to_string(f.height) + " rot " + std::to_string(f.escapement) + " " + f.face);
}
void RecordingDevice::setTextColor(Rgb c) { calls.push_back("textcolor " + toText(c)); }
void RecordingDevice::setOpaqueText(bool o) { calls.push_back(o ? "bk opaque" : "bk transparent"); }
void RecordingDevice::polyline(const P32* pts, int n) {
  calls.push_back("polyline " + std::to_string(n) + ": " + points(pts, n));
}
void RecordingDevice::polygon(const P32* pts, int n) {
  calls.push_back("polygon " + std::to_string(n) + ": " + points(pts, n));
}
void RecordingDevice::rectangle(int l, int t, int r, int b) { calls.push_back("rectangle " + box(l, t, r, b)); }
void RecordingDevice::fillRect(int l, int t, int r, int b) { calls.push_back("fillrect " + box(l, t, r, b)); }
void RecordingDevice::ellipse(int l, int t, int r, int b) { calls.push_back("ellipse " + box(l, t, r, b)); }
void RecordingDevice::arc(int l, int t, int r, int b, P32 s, P32 e) {
  calls.push_back("arc " + box(l, t, r, b) + " from " + points(&s, 1) + " to " + points(&e, 1));
}
void RecordingDevice::pie(int l, int t, int r, int b, P32 s, P32 e) {
  calls.push_back("pie " + box(l, t, r, b) + " from " + points(&s, 1) + " to " + points(&e, 1));
}
void RecordingDevice::roundRect(int l, int t, int r, int b, int ew, int eh) {
  calls.push_back("roundrect " + box(l, t, r, b) + " " + std::to_string(ew) + "x" + std::to_string(eh));
}
void RecordingDevice::textOut(int x, int y, const std::string& text) {
  calls.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " \"" + text + "\"");
}
int RecordingDevice::textWidth(const std::string& text) {
  int w = fontHeight_ / 2;
  if (w < 1) w = 1;
  return static_cast<int>(text.size()) * w;
}
void RecordingDevice::setPixel(int x, int y, Rgb c) {
  calls.push_back("pixel " + std::to_string(x) + "," + std::to_string(y) + " " + toText(c));
}
void RecordingDevice::floodFill(int x, int y, Rgb border) {
  calls.push_back("floodfill " + std::to_string(x) + "," + std::to_string(y) + " border " + toText(border));
}
void RecordingDevice::drawPictogram(int x, int y, int id) {
  calls.push_back("pictogram " + std::to_string(id) + " at " + std::to_string(x) + "," + std::to_string(y));
}

void RecordingDevice::drawBitmap(int x, int y, int w, int h, int srcW, int srcH, const std::uint32_t* pixels,
                                 std::uint32_t rop, const Rgb* transparent) {
  std::ostringstream o;
  o << "bitmap " << box(x, y, x + w, y + h) << " src " << srcW << "x" << srcH << " rop " << std::hex << rop
    << std::dec;
  if (transparent) o << " transparent " << toText(*transparent);
  if (pixels && srcW > 0 && srcH > 0) o << " first " << std::hex << pixels[0];
  calls.push_back(o.str());
}

void RecordingDevice::setClip(bool on, int l, int t, int r, int b) {
  calls.push_back(on ? "clip " + box(l, t, r, b) : std::string("clip off"));
}

bool RecordingDevice::readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) {
  calls.push_back("read " + box(x, y, x + w, y + h));
  out.assign(static_cast<std::size_t>(std::max(0, w)) * static_cast<std::size_t>(std::max(0, h)), 0xFFFFFFu);
  return true;
}

} // namespace disp
