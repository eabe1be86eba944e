// Paints generated worksheets of 1,000 and 5,000 gates with wires at zoom 1.0
// three ways into images of the same size: through the drawing layer; as a
// replay of the layer's own device calls on a bare QPainter (a new pen, font
// and text layout per call, no caches); and as a plain QPainter pass drawing
// what a user sees (a box, a frame, two pin stubs, the symbol text and the
// wire per gate). Also times one display refresh (display gates only). Each
// figure is the median of several runs after a warm-up; the three passes take
// turns in every round. Prints the figures
// and the ratios layer / plain and replay / plain; never fails.
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/sheet.h"
#include "sample_sheet.h"

#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <variant>

using namespace disp;
using Clock = std::chrono::steady_clock;

namespace {

struct Generated {
  test::Sheet sheet;
  model::LogicRecord logic{};
  std::deque<model::GateInstance> instances;
  std::deque<double> values;
  std::deque<double*> refs;
  int width = 0, height = 0;

  explicit Generated(int n) {
    std::memset(&logic, 0, sizeof logic);
    const int perRow = 60;
    std::vector<model::GateRecord*> gates;
    for (int i = 0; i < n; ++i) {
      int x = 20 + (i % perRow) * 70, y = 20 + (i / perRow) * 60;
      bool indicator = i % 10 == 9;
      auto* g = indicator ? sheet.gate(47, x, y, 1, 0, 8) : sheet.gate(1 + i % 3, x, y, 2, 1);
      if (!gates.empty() && !indicator) {
        g->Inputs[0].Source = gates.back();
        g->Inputs[0].SourcePin = 1;
        g->Inputs[0].Wire = sheet.wire({{x - 35, y + 5}, {x - 15, y + 5}, {x - 15, y + 5}, {x - 5, y + 5}});
      }
      gates.push_back(g);
    }
    for (std::size_t i = 0; i + 1 < gates.size(); ++i) gates[i]->Next = gates[i + 1];
    logic.FirstGate = gates.front();
    for (auto* g : gates) {
      auto& inst = instances.emplace_back();
      std::memset(&inst, 0, sizeof inst);
      if (g->Kind == 47) {
        values.push_back(0x5A);
        refs.push_back(&values.back());
        inst.InputRefs = &refs.back();
      }
    }
    for (std::size_t i = 0; i + 1 < instances.size(); ++i) instances[i].Next = &instances[i + 1];
    logic.FirstInstance = &instances.front();
    width = 20 + perRow * 70;
    height = 20 + (n / perRow + 1) * 60;
  }
};

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The medians of runs of several passes after one warm-up run each, in
// milliseconds. The passes take turns in every round, so that a load on the
// machine weighs on all of them alike and their ratios hold.
std::vector<double> medians(int runs, const std::vector<std::function<void()>>& passes) {
  for (const auto& f : passes) f();
  std::vector<std::vector<double>> t(passes.size());
  for (int i = 0; i < runs; ++i)
    for (std::size_t k = 0; k < passes.size(); ++k) {
      const auto t0 = Clock::now();
      passes[k]();
      t[k].push_back(ms(Clock::now() - t0));
    }
  std::vector<double> out;
  for (auto& v : t) {
    std::sort(v.begin(), v.end());
    out.push_back(v[v.size() / 2]);
  }
  return out;
}

// The median of runs after one warm-up run, in milliseconds.
double median(int runs, const std::function<void()>& f) {
  f();
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    f();
    t.push_back(ms(Clock::now() - t0));
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Window : DrawWindow {
  Device* d = nullptr;
  Device* beginPaint() override { return d; }
  void endPaint() override {}
  Device* getDc() override { return d; }
  void releaseDc() override {}
};

// The device calls of one redraw, kept to be replayed on a bare QPainter.
struct Call {
  enum Kind { Pen, Brush, Font, TextColor, Opaque, Polyline, Polygon, Rect, Fill, Ellipse, Text, Pixel, Other } kind;
  PenSpec pen;
  Rgb rgb;
  FontSpec font;
  bool flag = false;
  std::vector<P32> pts;
  int l = 0, t = 0, r = 0, b = 0;
  std::string text;
};

// Measures texts with a QtDevice and records every call.
class CaptureDevice : public Device {
public:
  CaptureDevice() : scratch_(8, 8, QImage::Format_RGB32), measure_(&scratch_) {}
  std::vector<Call> calls;
  void setPen(const PenSpec& p) override { calls.push_back({Call::Pen, p}); }
  void setBrush(Rgb c) override { calls.push_back({Call::Brush, {}, c}); }
  void setFont(const FontSpec& f) override {
    measure_.setFont(f);
    Call c{Call::Font};
    c.font = f;
    calls.push_back(c);
  }
  void setTextColor(Rgb c) override { calls.push_back({Call::TextColor, {}, c}); }
  void setOpaqueText(bool o) override {
    Call c{Call::Opaque};
    c.flag = o;
    calls.push_back(c);
  }
  void polyline(const P32* p, int n) override { points(Call::Polyline, p, n); }
  void polygon(const P32* p, int n) override { points(Call::Polygon, p, n); }
  void rectangle(int l, int t, int r, int b) override { box(Call::Rect, l, t, r, b); }
  void fillRect(int l, int t, int r, int b) override { box(Call::Fill, l, t, r, b); }
  void ellipse(int l, int t, int r, int b) override { box(Call::Ellipse, l, t, r, b); }
  void arc(int, int, int, int, P32, P32) override { calls.push_back({Call::Other}); }
  void pie(int, int, int, int, P32, P32) override { calls.push_back({Call::Other}); }
  void roundRect(int l, int t, int r, int b, int, int) override { box(Call::Rect, l, t, r, b); }
  void textOut(int x, int y, const std::string& s) override {
    Call c{Call::Text};
    c.l = x;
    c.t = y;
    c.text = s;
    calls.push_back(c);
  }
  int textWidth(const std::string& s) override { return measure_.textWidth(s); }
  void setPixel(int x, int y, Rgb color) override {
    Call c{Call::Pixel, {}, color};
    c.l = x;
    c.t = y;
    calls.push_back(c);
  }
  void floodFill(int, int, Rgb) override {}
  void drawPictogram(int, int, int) override {}
  void drawBitmap(int, int, int, int, int, int, const std::uint32_t*, std::uint32_t, const Rgb*) override {}
  void setClip(bool, int, int, int, int) override {}
  bool readPixels(int, int, int, int, std::vector<std::uint32_t>&) override { return false; }

private:
  void points(Call::Kind k, const P32* p, int n) {
    Call c{k};
    c.pts.assign(p, p + n);
    calls.push_back(std::move(c));
  }
  void box(Call::Kind k, int l, int t, int r, int b) {
    Call c{k};
    c.l = l;
    c.t = t;
    c.r = r;
    c.b = b;
    calls.push_back(c);
  }
  QImage scratch_;
  QtDevice measure_;
};

QColor qc(Rgb c) { return QColor(c.r, c.g, c.b); }

// The call stream on a bare QPainter: every attribute built anew.
void replay(const std::vector<Call>& calls, QImage& img) {
  QPainter p(&img);
  QBrush brush(Qt::white);
  QColor text(Qt::black);
  for (const Call& c : calls) {
    switch (c.kind) {
      case Call::Pen: {
        QPen pen(qc(c.pen.color), c.pen.width <= 1 ? 0 : c.pen.width);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(c.pen.style == PenStyle::Null ? QPen(Qt::NoPen) : pen);
        break;
      }
      case Call::Brush: brush = QBrush(qc(c.rgb)); p.setBrush(brush); break;
      case Call::Font: {
        QFont f(QString::fromStdString(c.font.face));
        f.setPixelSize(std::max(1, c.font.height * 7 / 8));
        p.setFont(f);
        break;
      }
      case Call::TextColor: text = qc(c.rgb); break;
      case Call::Opaque: p.setBackgroundMode(c.flag ? Qt::OpaqueMode : Qt::TransparentMode); break;
      case Call::Polyline:
      case Call::Polygon: {
        QPolygon poly;
        for (const P32& pt : c.pts) poly << QPoint(pt.x, pt.y);
        if (c.kind == Call::Polyline) p.drawPolyline(poly); else p.drawPolygon(poly);
        break;
      }
      case Call::Rect: p.drawRect(c.l, c.t, c.r - c.l - 1, c.b - c.t - 1); break;
      case Call::Fill: p.fillRect(c.l, c.t, c.r - c.l, c.b - c.t, brush); break;
      case Call::Ellipse: p.drawEllipse(c.l, c.t, c.r - c.l - 1, c.b - c.t - 1); break;
      case Call::Text: {
        const QPen keep = p.pen();
        p.setPen(text);
        p.drawText(c.l, c.t + QFontMetrics(p.font()).ascent(), QString::fromStdString(c.text));
        p.setPen(keep);
        break;
      }
      case Call::Pixel: {
        const QPen keep = p.pen();
        p.setPen(qc(c.rgb));
        p.drawPoint(c.l, c.t);
        p.setPen(keep);
        break;
      }
      case Call::Other: break;
    }
  }
}

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  // "layer N" or "refresh N": only that path, repeated, for a profiler.
  const std::string only = argc > 2 ? argv[1] : "";
  const int repeat = argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
  std::printf("%-6s %9s %10s %9s %12s %13s %11s\n", "gates", "layer ms", "replay ms", "plain ms", "layer/plain",
              "replay/plain", "refresh ms");
  for (int n : {1000, 5000}) {
    Generated gen(n);
    DrawView view;
    view.sheetW = gen.width;
    view.sheetH = gen.height;
    view.clientW = gen.width;
    view.clientH = gen.height;
    view.viewW = gen.width;
    view.viewH = gen.height;
    float zoom = 1.0f;
    gdi_SetZoom(&zoom);
    QImage img(gen.width + 2, gen.height + 2, QImage::Format_RGB32);
    auto redraw = [&](Device* dev) {
      Window win;
      win.d = dev;
      setCurrentView(view);
      gdi_BeginPaint(&win);
      vw_DeriveTextMetrics(currentView());
      ws_Redraw(&gen.logic);
      gdi_EndPaint();
    };
    // Through the drawing layer, into an image made beforehand (as the
    // worksheet's persistent image is); the device lives as long as the window.
    QtDevice dev(&img);
    if (only == "layer" || only == "refresh") {
      if (n != 1000 && only == "layer") continue;
      if (n != 5000 && only == "refresh") continue;
      Window win;
      win.d = &dev;
      if (only == "refresh") gdi_SetCurrent(&dev, &win);
      for (int i = 0; i < repeat; ++i)
        if (only == "layer") {
          img.fill(Qt::white);
          redraw(&dev);
        } else {
          gd_DrawGateList(gen.logic.FirstGate, gen.logic.FirstInstance, false);
        }
      continue;
    }
    auto layerPass = [&] {
      img.fill(Qt::white);
      redraw(&dev);
    };

    // The same call stream replayed on a bare QPainter.
    CaptureDevice capture;
    redraw(&capture);
    QImage bare(img.size(), QImage::Format_RGB32);
    auto replayPass = [&] {
      bare.fill(Qt::white);
      replay(capture.calls, bare);
    };

    // What a user sees, straight on a QPainter.
    QImage plain(img.size(), QImage::Format_RGB32);
    auto plainPass = [&] {
      plain.fill(Qt::white);
      QPainter p(&plain);
      p.setPen(QPen(Qt::black, 0));
      QFont f("Arial");
      f.setPixelSize(10);
      p.setFont(f);
      for (int x = 50; x < gen.width; x += 50)
        for (int y = 5; y < gen.height; y += 5) p.drawPoint(x, y);
      for (const model::GateRecord* g = gen.logic.FirstGate; g; g = g->Next) {
        p.setBrush(Qt::white);
        p.drawRect(g->X, g->Y, 29, 29);
        p.setBrush(Qt::NoBrush);
        p.drawRect(g->X + 1, g->Y + 1, 27, 27);
        p.drawLine(g->X - 4, g->Y + 5, g->X - 1, g->Y + 5);
        p.drawLine(g->X + 31, g->Y + 15, g->X + 35, g->Y + 15);
        p.drawText(g->X + 5, g->Y + 20, "&");
        if (g->InputCount && g->Inputs[0].Wire) {
          QPolygon poly;
          for (auto* w = g->Inputs[0].Wire; w; w = w->Next) poly << QPoint(w->X, w->Y);
          p.drawPolyline(poly);
        }
      }
    };
    const std::vector<double> m = medians(11, {layerPass, replayPass, plainPass});
    const double layer = m[0], replayed = m[1], plainTime = m[2];

    // One display refresh: the values of the display gates only.
    Window win;
    win.d = &dev;
    gdi_SetCurrent(&dev, &win);
    const double refresh = median(21, [&] { gd_DrawGateList(gen.logic.FirstGate, gen.logic.FirstInstance, false); });
    gdi_SetCurrent(nullptr, nullptr);

    std::printf("%-6d %9.2f %10.2f %9.2f %12.2f %13.2f %11.2f\n", n, layer, replayed, plainTime, layer / plainTime,
                replayed / plainTime, refresh);
  }
  return 0;
}
