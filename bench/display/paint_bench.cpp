// Paints generated worksheets of 1,000 and 5,000 gates with wires at zoom 1.0
// through the drawing code, beside a plain QPainter pass drawing the same
// primitives (a box, a frame, two pin stubs and a wire per gate) into an image
// of the same size, and times one display refresh (display gates only).
// Prints the figures and their ratio; never fails.
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/sheet.h"
#include "sample_sheet.h"

#include <QGuiApplication>
#include <QPainter>
#include <chrono>
#include <cstdio>

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

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  std::printf("%-8s %12s %12s %8s %14s\n", "gates", "layer ms", "QPainter ms", "ratio", "refresh ms");
  for (int n : {1000, 5000}) {
    Generated gen(n);
    DrawView view;
    view.sheetW = gen.width;
    view.sheetH = gen.height;
    view.gridOn = false;
    // Through the drawing layer, into an image made beforehand (as the
    // worksheet's persistent image is).
    QImage img(gen.width + 2, gen.height + 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    view.clientW = gen.width;
    view.clientH = gen.height;
    view.viewW = gen.width;
    view.viewH = gen.height;
    setCurrentView(view);
    float zoom = 1.0f;
    gdi_SetZoom(&zoom);
    auto t0 = Clock::now();
    {
      QtDevice dev(&img);
      struct W : DrawWindow {
        Device* d;
        Device* beginPaint() override { return d; }
        void endPaint() override {}
        Device* getDc() override { return d; }
        void releaseDc() override {}
      } win;
      win.d = &dev;
      gdi_BeginPaint(&win);
      ws_Redraw(&gen.logic);
      gdi_EndPaint();
    }
    auto layer = Clock::now() - t0;

    // The same primitives straight on a QPainter.
    QImage plain(img.size(), QImage::Format_RGB32);
    plain.fill(Qt::white);
    t0 = Clock::now();
    {
      QPainter p(&plain);
      p.setPen(QPen(Qt::black, 0));
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
    }
    auto plainTime = Clock::now() - t0;

    // One display refresh: the values of the display gates only.
    QtDevice dev(&img);
    struct W : DrawWindow {
      Device* d;
      Device* beginPaint() override { return d; }
      void endPaint() override {}
      Device* getDc() override { return d; }
      void releaseDc() override {}
    } win;
    win.d = &dev;
    gdi_SetCurrent(&dev, &win);
    t0 = Clock::now();
    gd_DrawGateList(gen.logic.FirstGate, gen.logic.FirstInstance, false);
    auto refresh = Clock::now() - t0;
    gdi_SetCurrent(nullptr, nullptr);

    std::printf("%-8d %12.2f %12.2f %8.2f %14.2f\n", n, ms(layer), ms(plainTime), ms(layer) / ms(plainTime),
                ms(refresh));
  }
  return 0;
}
