#include "recorder/trend.h"

#include "display/gdi.h"
#include "model/real.h"
#include "recorder/recfiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace rec {

using disp::Pt16;

namespace {

constexpr int kScaleWidth = 60;    // one axis scale left of the plot
constexpr int kPanelWidth = 130;   // the side panel left of the scales
constexpr int kTextHeight = 9;     // smallest text class: 10 pixels high, 5 wide
constexpr int kCharW = 5;

Pt16 pt(int x, int y) { return Pt16{std::int16_t(std::clamp(x, -32768, 32767)), std::int16_t(std::clamp(y, -32768, 32767))}; }

bool canDraw(const Recorder& r) { return r.layoutValid && disp::gdi_CurrentDevice() != nullptr; }

void line(int x1, int y1, int x2, int y2) {
  const Pt16 p[2] = {pt(x1, y1), pt(x2, y2)};
  disp::gdi_Polyline(2, p);
}

void clearBox(int l, int t, int r, int b) {
  disp::gdi_SetFillColor(0);
  disp::gdi_FillRect(pt(l, t), pt(r, b));
}

// Text with its top-left corner at x, y (the layer anchors at the baseline).
void text(int x, int y, const std::string& s) { disp::gdi_Text(x, y + 12, s); }

// Markers in batches of at most n points.
void dots(const std::vector<Pt16>& pts, std::size_t batch) {
  for (std::size_t i = 0; i < pts.size(); i += batch)
    disp::gdi_Markers(int(std::min(batch, pts.size() - i)), pts.data() + i);
}

std::string twoDigits(int n) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", n % 100);
  return b;
}

// A number as text of 7 characters, trimmed at its end.
std::string num7(double v) {
  std::string s = vf_NumberField(v, 7);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int rightEdge(const Recorder& r) { return r.recX0 + r.recWidth; }

} // namespace

// ---- layout ----

int tr_LeftStrip(int clientWidth) { return (clientWidth > 400 ? kPanelWidth : 0) + 2 * kScaleWidth; }

void tr_SetClientSize(Recorder& r, int clientWidth, int clientHeight) {
  const int strip = tr_LeftStrip(clientWidth);
  tr_SetLayout(r, strip, 10, clientWidth - strip, clientHeight - 10);
}

void tr_SetLayout(Recorder& r, int left, int top, int width, int height) {
  r.winLeft = left;
  r.winTop = top;
  r.winWidth = width;
  r.winHeight = height;
  r.hasWindow = true;
  r.recAxesShown = std::min<std::uint16_t>(r.recAxesShown, 4);
  r.recLastDrawnTime = r.recFirstTime = r.recLastTime = -1.0;
  const int a = (height - 50) / 10;
  const int px = a / 10 * 10;
  // Below 150 pixels there is no division of at least 10 pixels: no layout.
  r.layoutValid = false;
  if (px < 10 || width < px) return;
  r.recPxPerDivisionX = r.recPxPerDivisionY = std::int16_t(px);
  r.recDivisions = std::int16_t(width / px);
  r.recColumnsPerPage = std::int16_t(px * r.recDivisions - 1);
  r.recX0 = std::int16_t(left + width - r.recColumnsPerPage - 1 + (r.recAxesShown > 2 ? px : 0));
  r.recDivisionsShown = std::int16_t(r.recDivisions - r.recAxesShown + 1);
  r.recWidth = std::int16_t(px * r.recDivisionsShown - 15);
  r.recDivisionsY = std::int16_t((height - 50) / px);
  r.recTop = std::int16_t(top);
  r.recBottom = std::int16_t(top + r.recDivisionsY * px - 1);
  r.recWindowLength = r.recDivisionsShown * r.recTimePerDivision - r.recTimePerDivision;
  r.recTimePerColumn = r.recTimePerDivision / px;
  for (std::size_t i = 0; i < r.channels.size() && i + 1 < r.recChannelTable.size(); ++i) {
    ChannelRecord& c = *r.channels[i];
    const ChannelSettings& e = r.recChannelTable[i + 1];
    c.offset = e.offset;
    c.factor = e.factor;
    c.axis = e.axis < 5 ? e.axis : 1;
    c.hidden = e.shown ? 0 : 1;
    c.interpolate = e.interpolate;
    if (c.samples.size() < r.ringSlots()) c.samples.assign(r.ringSlots(), kNoValue);
  }
  r.layoutValid = r.recWidth > 0 && r.recDivisionsShown > 1;
}

std::int16_t tr_ValueToRow(const Recorder& r, double value, const ChannelRecord& c) {
  if (!(value > r.recNoValue)) return -2;
  const double y = value * c.factor + c.offset;
  const AxisRecord& ax = r.recAxes[&c == r.xChannel ? 0 : std::min<std::size_t>(c.axis, 4)];
  double row = r.recPxPerDivisionY * ((y - ax.offset) * ax.scale);
  if (!(row >= r.recRowMin)) row = r.recRowMin;
  if (row > r.recRowMax) row = r.recRowMax;
  // rl_Round within the clamp (a rest of exactly one half keeps the truncated
  // value), without its reduction of large magnitudes: rows are taken for
  // every channel and column.
  const double t = std::trunc(row), rest = row - t;
  return std::int16_t(rest > 0.5 ? t + 1.0 : rest < -0.5 ? t - 1.0 : t);
}

double tr_GridStep(int px) {
  for (double d : {px / 10.0, px / 5.0, px / 2.0})
    if (d >= 2.5) return d;
  return px;
}

// ---- grid ----

void tr_DrawGridColumn(const Recorder& r, int column) {
  if (!canDraw(r)) return;
  const int x = r.recX0 + column;
  if (!r.deviceFlag) {
    disp::gdi_SetLineColor(0);
    line(x, r.recTop, x, r.recBottom + 1);
  }
  if (!r.recGrid || r.deviceFlag) return;
  disp::gdi_SetLineColor(1);
  const int px = r.recPxPerDivisionX;
  const double d = tr_GridStep(px);
  std::vector<Pt16> pts;
  if (column != 0 && column % px == 0) {
    for (double y = r.recBottom; y >= r.recTop; y -= d) pts.push_back(pt(x, int(std::lround(y))));
  } else if (std::fmod(column, d) == 0.0) {
    for (int y = r.recBottom; y >= r.recTop; y -= r.recPxPerDivisionY) pts.push_back(pt(x, y));
  }
  dots(pts, 40);
}

void tr_DrawFullGrid(const Recorder& r) {
  if (!canDraw(r) || !r.recGrid || r.deviceFlag) return;
  disp::gdi_SetLineColor(1);
  const double d = tr_GridStep(r.recPxPerDivisionX);
  std::vector<Pt16> pts;
  for (int j = 1; j <= r.recDivisionsY; ++j) {
    const int y = r.recBottom - j * r.recPxPerDivisionY;
    if (y < r.recTop) break;
    for (double x = r.recX0; x < rightEdge(r) - 8; x += d) pts.push_back(pt(int(std::lround(x)), y));
  }
  for (int k = 1; k < r.recDivisionsShown; ++k) {
    const int x = r.recX0 + k * r.recPxPerDivisionX;
    if (x > rightEdge(r)) break;
    for (double y = r.recBottom; y >= r.recTop; y -= d) pts.push_back(pt(x, int(std::lround(y))));
  }
  dots(pts, 71);
}

// ---- time axis and frame ----

namespace {

void timeLabel(const Recorder& r, int k) {
  double v = 0.0, step = r.recTimePerDivision;
  if (r.recXY) {
    const AxisRecord& a0 = r.recAxes[0];
    step = a0.scale != 0.0 ? 1.0 / a0.scale : 0.0;
    v = a0.offset + k * step;
  } else {
    v = r.recTime + k * step;
  }
  if (std::fabs(v) * 10000.0 < std::fabs(step)) v = 0.0;
  const std::string s = num7(v);
  const int x = r.recX0 + k * r.recPxPerDivisionX - int(s.size()) * kCharW / 2;
  text(std::max(x, r.recX0 - 20), r.recBottom + 8, s);
}

bool labelled(const Recorder& r, int k) { return (k % 2 == 0) == (r.recPhase != 0); }

} // namespace

void tr_DrawTimeAxis(Recorder& r) {
  if (!canDraw(r)) return;
  disp::gdi_SetTextHeight(kTextHeight, nullptr, nullptr, nullptr, nullptr);
  disp::gdi_SetWriteMode(2);
  clearBox(r.recX0 - 25, r.recBottom + 2, rightEdge(r) + 40, r.recBottom + 36);
  disp::gdi_SetLineColor(1);
  for (int k = 0; k < r.recDivisionsShown; ++k) {
    const int x = r.recX0 + k * r.recPxPerDivisionX;
    if (x > rightEdge(r)) break;
    line(x, r.recBottom + 1, x, r.recBottom + 6);
    if (labelled(r, k)) timeLabel(r, k);
  }
  char caption[40];
  std::snprintf(caption, sizeof caption, "%.39s", r.recXY ? r.recAxes[0].name : "Time");
  text(r.recX0 + (r.recWidth - int(std::strlen(caption)) * kCharW) / 2, r.recBottom + 22, caption);
  disp::gdi_SetWriteMode(1);
}

void tr_DrawFrame(Recorder& r) {
  if (!canDraw(r)) return;
  const int l = r.recX0 - 1, t = r.recTop - 1, rt = rightEdge(r) + 1, b = r.recBottom + 1;
  disp::gdi_SetLineColor(1);
  const Pt16 frame[5] = {pt(l, t), pt(rt, t), pt(rt, b), pt(l, b), pt(l, t)};
  disp::gdi_Polyline(5, frame);
  // Axis record 0 keeps the frame while painted.
  const std::int16_t f[4] = {std::int16_t(l), std::int16_t(b), std::int16_t(rt - l), 30};
  std::memcpy(r.recAxes[0].lead, f, sizeof f);
  disp::gdi_SetTextHeight(kTextHeight, nullptr, nullptr, nullptr, nullptr);
  disp::gdi_SetWriteMode(2);
  for (int k = 1; k <= r.recAxesShown; ++k) {
    const AxisRecord& a = r.recAxes[std::size_t(k)];
    const int right = r.recX0 - 4 - (k - 1) * kScaleWidth;
    clearBox(right - kScaleWidth + 3, r.recTop - 1, right + 1, r.recBottom + 2);
    disp::gdi_SetLineColor(1);
    line(right, r.recTop, right, r.recBottom + 1);
    for (int j = 0; j <= r.recDivisionsY; ++j) {
      const int y = r.recBottom - j * r.recPxPerDivisionY;
      if (y < r.recTop) break;
      line(right - 3, y, right + 1, y);
      const double v = a.scale != 0.0 ? j / a.scale + a.offset : 0.0;
      if (j > 0 && j < r.recDivisionsY) text(right - 4 - 7 * kCharW, y - 5, num7(v));
    }
    text(right - 12, r.recTop, twoDigits(k));
    // Unit and name written upward beside the scale.
    disp::gdi_SetTextRotation(900);
    char label[60];
    std::snprintf(label, sizeof label, "%.17s %.39s", a.unit, a.name);
    disp::gdi_Text(right - kScaleWidth + 3, r.recBottom - 2, label);
    disp::gdi_SetTextRotation(0);
    disp::gdi_SelectFont(0);
  }
  disp::gdi_SetWriteMode(1);
}

namespace {

void drawSidePanel(Recorder& r) {
  const int l = 5, rt = kPanelWidth - 5;
  disp::gdi_SetLineColor(1);
  disp::gdi_SetTextHeight(kTextHeight, nullptr, nullptr, nullptr, nullptr);
  disp::gdi_SetWriteMode(2);
  auto box = [](int x1, int y1, int x2, int y2) {
    const Pt16 p[5] = {pt(x1, y1), pt(x2, y1), pt(x2, y2), pt(x1, y2), pt(x1, y1)};
    disp::gdi_Polyline(5, p);
  };
  // Axis label and trigger.
  box(l, r.recTop, l + 60, r.recTop + 20);
  const std::string axis = r.recXY ? "X [" + twoDigits(r.recXChannel) + "]" : std::string("Time");
  text(l + 5, r.recTop + 5, axis);
  box(l + 70, r.recTop, rt, r.recTop + 20);
  text(l + 74, r.recTop + 5, r.recTrigger < 0 ? "Fall" : r.recTrigger > 0 ? "Rise" : "Cont");
  // Half-circle symbol of the trigger edge.
  disp::gdi_Arc(rt - 9, r.recTop + 12, 5, 5, r.recTrigger < 0 ? 1800 : 0, r.recTrigger < 0 ? 3600 : 1800);
  // Legend: number, pen colour, axis.
  int y = r.recTop + 30;
  for (std::size_t i = 0; i < r.channels.size(); ++i, y += 12) {
    if (y + 10 > r.recBottom + 30) break;
    const ChannelRecord& c = *r.channels[i];
    disp::gdi_SetLineColor(1);
    text(l + 2, y, twoDigits(int(i) + 1));
    disp::gdi_SetLineColor(int(i) + 1);
    disp::gdi_SetLineWidth(2);
    line(l + 20, y + 5, l + 70, y + 5);
    disp::gdi_SetLineWidth(1);
    disp::gdi_SetLineColor(1);
    text(l + 80, y, c.logic ? "A" + std::to_string(c.axis) : "--");
  }
  disp::gdi_SetWriteMode(1);
}

} // namespace

void tr_PaintTrend(Recorder& r) {
  r.recLabelPhase = 0;
  if (canDraw(r)) {
    float one = 1.0f;
    disp::gdi_SetZoom(&one);
    disp::gdi_SetLineType(0);
    disp::gdi_SetLineWidth(1);
    const int clientW = r.winLeft + r.winWidth;
    clearBox(0, 0, clientW + 1, r.winTop + r.winHeight + 11);
    tr_DrawFrame(r);
    if (clientW > 400) drawSidePanel(r);
    if (r.recGrid && !r.deviceFlag) tr_DrawFullGrid(r);
  }
  r.redrawRequest = true;
  r.recScrollPage = r.recScrollPos = 0;
  tr_ResetWindow(r);
  tr_DrawTimeAxis(r);
  tr_RecorderAccess(r, true, 0, 0.0);
}

// ---- columns ----

namespace {

// An arrow 11 pixels high left of the point with the channel number beside
// it (left, since the columns to the right are still to be cleared).
void channelMarker(int x, int y, int number) {
  const Pt16 arrow[4] = {pt(x - 1, y - 1), pt(x - 5, y - 11), pt(x - 1, y - 11), pt(x - 1, y - 1)};
  disp::gdi_Polyline(4, arrow);
  text(x - 17, y - 12, twoDigits(number));
}

// One channel at plot column x; the previous point comes from the entry.
void drawChannelAt(Recorder& r, bool draw, std::size_t i, int column, double value) {
  ChannelRecord& c = *r.channels[i];
  const std::int16_t row = tr_ValueToRow(r, value, c);
  const int edge = rightEdge(r);
  int newX = std::min(r.recX0 + column, edge);
  int prevX = r.recLastRows[i];
  if (column == 0 || prevX < 0) prevX = newX;
  prevX = std::min(prevX, edge);
  r.recLastRows[i] = std::int16_t(newX);
  if (draw && !c.hidden && row >= -1) {
    int prevRow = c.lastRow < -1 ? row : c.lastRow;
    const int b = r.recBottom;
    disp::gdi_SetLineColor(int(i) + 1);
    if (c.interpolate) {
      if (prevRow < row) ++prevRow;
      else if (prevRow > row) --prevRow;
      line(prevX, b - prevRow, newX, b - row);
    } else if (row != prevRow) {
      const Pt16 p[3] = {pt(prevX, b - prevRow), pt(prevX, b - row), pt(newX + 1, b - row)};
      disp::gdi_Polyline(3, p);
    } else {
      line(prevX, b - row, newX + 1, b - row);
    }
    if (((i + 1) * 40) % 140 == r.recLabelPhase % 140 && newX > r.recX0 + 50 && row > 10) {
      disp::gdi_SetTextHeight(kTextHeight, nullptr, nullptr, nullptr, nullptr);
      disp::gdi_SetWriteMode(2);
      channelMarker(newX, b - row, int(i) + 1);
      disp::gdi_SetWriteMode(1);
    }
  }
  if (r.recRingIndex >= 0 && std::size_t(r.recRingIndex) < c.samples.size())
    c.samples[std::size_t(r.recRingIndex)] = value > kNoValue ? value : kNoValue;
  c.lastRow = row;
}

double columnValue(const Recorder& r, const ChannelRecord& c, double v, double fraction, double columnTime,
                   double t) {
  if (!(v > kNoValue)) return kNoValue;
  if (c.interpolate) return c.lastValue > kNoValue ? v - (v - c.lastValue) * fraction : v;
  return columnTime < t ? c.lastValue : v;
}

} // namespace

void tr_DrawColumn(Recorder& r, bool draw, double t, const double* values) {
  draw = draw && canDraw(r);
  const double fraction = t == r.recLastDrawnTime ? 1.0 : (t - r.recColumnTime) / (t - r.recLastDrawnTime);
  if (draw && !r.recXY) tr_DrawGridColumn(r, r.recColumn);
  for (std::size_t i = 0; i < r.channels.size(); ++i) {
    ChannelRecord& c = *r.channels[i];
    if (!c.logic || &c == r.xChannel) continue;
    drawChannelAt(r, draw, i, r.recColumn, columnValue(r, c, values[i], fraction, r.recColumnTime, t));
  }
  if (draw) {
    for (int m = 0; m < 4; ++m) {
      const TimeMarker& mk = r.recMarkers[std::size_t(m)];
      if (mk.shown && std::fabs(mk.time - r.recColumnTime) < r.recTimePerColumn / 1.9999) {
        disp::gdi_SetLineColor(mk.colour);
        const int x = r.recX0 + r.recColumn;
        line(x, r.recTop, x, r.recBottom + 1);
      }
    }
  }
  r.recRingStart = r.recRingIndex;
  if (++r.recLabelPhase > 10000) r.recLabelPhase = 0;
}

void tr_DrawXYColumn(Recorder& r, bool draw, int column, double fraction, const double* values) {
  draw = draw && canDraw(r);
  if (column < 0 || column > r.recWidth) return;
  for (std::size_t i = 0; i < r.channels.size(); ++i) {
    ChannelRecord& c = *r.channels[i];
    if (!c.logic || &c == r.xChannel) continue;
    const double v = values[i];
    double value = v;
    if (c.interpolate && v > kNoValue && c.lastValue > kNoValue) value = v - (v - c.lastValue) * fraction;
    const std::int16_t keepRing = r.recRingIndex;
    r.recRingIndex = std::int16_t(column);
    drawChannelAt(r, draw, i, column, v > kNoValue ? value : kNoValue);
    r.recRingIndex = keepRing;
  }
}

void tr_RollDivision(Recorder& r, bool draw) {
  const int px = r.recPxPerDivisionX;
  r.recTime += r.recTimePerDivision;
  r.recPhase = r.recPhase ? 0 : 1;
  r.recColumn = std::int16_t(r.recWidth - px + 1);
  for (auto& e : r.recLastRows)
    if (e >= 0) e = std::int16_t(std::max(0, e - px));
  if (!(draw && canDraw(r))) return;
  disp::Device* dev = disp::gdi_CurrentDevice();
  // The plot moves one division to the left; the freed strip is cleared.
  const int sx = r.recX0 + px, w = r.recWidth - px + 1, top = r.recTop, h = r.recBottom + 1 - top;
  std::vector<std::uint32_t> pixels;
  if (w > 0 && dev->readPixels(sx, top, w, h, pixels))
    dev->drawBitmap(r.recX0, top, w, h, w, h, pixels.data(), disp::kSrcCopy, nullptr);
  clearBox(r.recX0 + r.recWidth - px + 1, top, rightEdge(r) + 1, r.recBottom + 1);
  // The time texts move with the picture: written anew under every division.
  tr_DrawTimeAxis(r);
}

// ---- probe marks ----

void tr_DrawProbeMarks(const Recorder& r, const model::LogicRecord* logic, int scrollX, int scrollY) {
  if (!disp::gdi_CurrentDevice()) return;
  auto mark = [&](const ChannelRecord& c, const std::string& label) {
    if (c.logic != logic || !c.logic) return;
    const int x = c.pickX - scrollX, y = c.pickY - scrollY;
    disp::gdi_SetLineColor(1);
    const Pt16 sq[5] = {pt(x - 2, y - 2), pt(x + 2, y - 2), pt(x + 2, y + 2), pt(x - 2, y + 2), pt(x - 2, y - 2)};
    disp::gdi_Polyline(5, sq);
    text(x + 4, y - 12, label);
  };
  for (std::size_t i = 0; i < r.channels.size(); ++i)
    mark(*r.channels[i], r.channels[i].get() == r.xChannel ? std::string(" X") : twoDigits(int(i) + 1));
  if (r.gateChannel) mark(*r.gateChannel, " Z");
}

// ---- read-out ----

namespace {

int slotOf(const Recorder& r, int c) {
  int s = r.recRingIndex - r.recColumn + c;
  const int n = r.recWidth + 1;
  while (s < 0) s += n;
  while (s > r.recWidth) s -= n;
  return s;
}

bool readoutAt(Recorder& r, int c, ChannelRecord* ch) {
  const int n = r.numberOf(ch);
  const double y = ch->samples[std::size_t(slotOf(r, c))];
  std::string t = "Ch :   ; X =             ; Y =             ;     ";
  t.replace(3, 2, twoDigits(n));
  double x = 0.0;
  if (r.recXY && r.xChannel) {
    const AxisRecord& a0 = r.recAxes[0];
    x = c / (r.recPxPerDivisionX * a0.scale) + a0.offset;
    if (r.xChannel->factor != 0.0) x = (x - r.xChannel->offset) / r.xChannel->factor;
  } else {
    x = r.recTime + c * r.recTimePerColumn;
  }
  t.replace(13, 12, vf_NumberField(x, 12));
  const bool notDrawn = r.recRoll && c >= r.recColumn && r.recTime == 0.0;
  if (y > kNoValue && !notDrawn) t.replace(31, 12, vf_NumberField(y, 12));
  r.statusText = t;
  r.recReadoutChannel = std::uint16_t(n);
  r.recReadoutX = x;
  r.recReadoutY = y;
  return true;
}

} // namespace

bool tr_CursorReadout(Recorder& r, int x, int y) {
  if (!r.layoutValid) return false;
  const int c = x - r.recX0;
  if (c < 0 || c > r.recWidth || y >= r.recBottom || r.channels.empty()) return false;
  const int slot = slotOf(r, c);
  const int cursorRow = r.recBottom - y;
  int best = 10000;
  ChannelRecord* found = nullptr;
  for (auto& ch : r.channels) {
    if (ch->hidden || !ch->logic || std::size_t(slot) >= ch->samples.size()) continue;
    const int row = tr_ValueToRow(r, ch->samples[std::size_t(slot)], *ch);
    if (row < 0) continue;
    if (std::abs(row - cursorRow) < best) {
      best = std::abs(row - cursorRow);
      found = ch.get();
    }
  }
  if (!found) return false;
  r.readoutColumn = c;
  return readoutAt(r, c, found);
}

bool tr_ReadoutStep(Recorder& r, int dx) {
  ChannelRecord* ch = r.channel(r.recReadoutChannel);
  if (!ch || !r.layoutValid) return false;
  r.readoutColumn = std::clamp(r.readoutColumn + dx, 0, int(r.recWidth));
  return readoutAt(r, r.readoutColumn, ch);
}

bool tr_ReadoutSwitch(Recorder& r, int direction) {
  ChannelRecord* cur = r.channel(r.recReadoutChannel);
  if (!cur || !r.layoutValid || r.readoutColumn < 0) return false;
  const std::size_t slot = std::size_t(slotOf(r, r.readoutColumn));
  const int row = tr_ValueToRow(r, cur->samples[slot], *cur);
  ChannelRecord* best = nullptr;
  int bestDist = 1 << 30;
  for (auto& ch : r.channels) {
    if (ch.get() == cur || ch->hidden || !ch->logic) continue;
    const int rr = tr_ValueToRow(r, ch->samples[slot], *ch);
    if (rr < 0) continue;
    const int d = (rr - row) * direction;
    if (d >= 0 && d < bestDist) {
      bestDist = d;
      best = ch.get();
    }
  }
  return best && readoutAt(r, r.readoutColumn, best);
}

// ---- accessors ----

TrendSummary tr_Summary(const Recorder& r) {
  return TrendSummary{r.recFirstTime, r.recLastTime, r.recSampleTime, r.recColumnTime, r.recTimePerDivision,
                      r.recDivisionsShown, r.recColumn, r.recX0, r.recTop, r.recWidth, r.recBottom - r.recTop + 1};
}

bool tr_SetMarker(Recorder& r, int index, const TimeMarker& m) {
  if (index < 0 || index > 4) return false;
  r.recMarkers[std::size_t(index)] = m;
  return true;
}

bool tr_GetMarker(const Recorder& r, int index, TimeMarker& m) {
  if (index < 0 || index > 4) return false;
  m = r.recMarkers[std::size_t(index)];
  return true;
}

namespace {
std::string gTitle;
}

const std::string& rs_Title() { return gTitle; }
void rs_UnitInitTitle() { gTitle = std::string(" Kestrum V5.05").substr(0, 21); }

} // namespace rec
