// The trend window drawn through the drawing layer: 200 sine samples in roll
// and page mode against golden images (ZERLO_REGEN_GOLDEN=1 writes them anew;
// look at them before they become golden), a missing frame edge noticed, and
// the window's read-out.
#include "fixture.h"

#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/view.h"
#include "recorder/faceedit.h"
#include "recorder/recfiles.h"
#include "recorder/trend.h"
#include "recorder/trendsheet.h"
#include "recorder/trendwindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <cmath>

namespace rec::test {
namespace {

int argc = 1;
char arg0[] = "recorder_qt_test";
char* argv[] = {arg0, nullptr};

double compare(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1.0;
  long long differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++differing;
  return double(differing) / (a.width() * a.height());
}

// Differing pixels along the four edges of a rectangle: a frame or gate edge
// that goes missing differs in hundreds, font rendering in none.
int edgeDiff(const QImage& a, const QImage& b, int l, int t, int r, int btm) {
  int n = 0;
  auto at = [&](int x, int y) {
    if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++n;
  };
  for (int x = l; x <= r; ++x) at(x, t), at(x, btm);
  for (int y = t; y <= btm; ++y) at(l, y), at(r, y);
  return n;
}

class TrendDrawing : public RecFixture {
protected:
  Recorder r;
  void prepare(bool roll) {
    disp::gdi_ResetAll();
    tr_SetChannelCount(r, 1, 3);
    r.recRoll = roll ? 1 : 0;
    r.recTimePerDivision = 1.0;
    r.recAxes[1].offset = -1.5;
    r.recAxes[1].scale = 1.0;
    std::snprintf(r.recAxes[1].name, sizeof r.recAxes[1].name, "Sine");
    std::snprintf(r.recAxes[1].unit, sizeof r.recAxes[1].unit, "[V]");
    ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
    ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(2), logic, sink, instanceOf(sink), 1, 1));
    r.recChannelTable[3].shown = 0;
  }
  // 200 samples, 0.1 apart: sine and a slower cosine.
  void drawSine() {
    for (int i = 0; i < 200; ++i) {
      const double t = 0.1 * i;
      double v[3] = {std::sin(t), 0.5 * std::cos(0.5 * t) + 1.0, kNoValue};
      tr_DrawSample(r, true, t, v);
      for (int c = 0; c < 3; ++c) r.channels[std::size_t(c)]->lastValue = v[c];
      r.recLastDrawnTime = t;
    }
  }
  void golden(const QImage& img, const std::string& file, const Recorder* drawn = nullptr) {
    const Recorder& geo = drawn ? *drawn : r;
    const std::string name = std::string(ZERLO_TEST_DATA) + "/recorder/" + file;
    if (std::getenv("ZERLO_REGEN_GOLDEN")) {
      ASSERT_TRUE(img.save(QString::fromStdString(name)));
      return;
    }
    QImage g(QString::fromStdString(name));
    ASSERT_FALSE(g.isNull()) << name;
    EXPECT_LT(compare(img.convertToFormat(QImage::Format_RGB32), g.convertToFormat(QImage::Format_RGB32)), 0.01)
        << name;
    // The plot frame exactly; a missing frame edge is noticed.
    const QImage mine = img.convertToFormat(QImage::Format_RGB32), gr = g.convertToFormat(QImage::Format_RGB32);
    const int l = geo.recX0 - 1, t = geo.recTop - 1, rt = geo.recX0 + geo.recWidth + 1, b = geo.recBottom + 1;
    EXPECT_LE(edgeDiff(mine, gr, l, t, rt, b), 5);
    QImage broken = mine;
    for (int y = t; y <= b; ++y) broken.setPixel(l, y, 0xFFFFFF);
    EXPECT_GT(edgeDiff(broken, gr, l, t, rt, b), 100);
  }
};

TEST_F(TrendDrawing, SineInPageAndRollMode) {
  QApplication app(argc, argv);
  for (bool roll : {false, true}) {
    SCOPED_TRACE(roll ? "roll" : "page");
    prepare(roll);
    const QImage img = renderTrend(r, 800, 450, [&] { drawSine(); });
    if (roll) EXPECT_GT(r.recTime, 0.0) << "the picture rolled";
    golden(img, roll ? "trend_roll.png" : "trend_page.png");
  }
  disp::gdi_ResetAll();
}

TEST_F(TrendDrawing, WindowReadout) {
  QApplication app(argc, argv);
  prepare(false);
  TrendWindow w(r);
  std::string status;
  w.onStatus = [&](const std::string& s) { status = s; };
  w.resize(800, 450);
  w.show();
  w.fullRedraw();
  std::vector<double> times(200);
  std::vector<std::array<double, 3>> rows(200);
  std::vector<const double*> ptrs(200);
  for (int i = 0; i < 200; ++i) {
    times[std::size_t(i)] = 0.1 * i;
    rows[std::size_t(i)] = {std::sin(0.1 * i), 1.0, kNoValue};
    ptrs[std::size_t(i)] = rows[std::size_t(i)].data();
  }
  w.drawSamples(times.data(), ptrs.data(), 200);
  // The cursor on channel 2's line (value 1.0, offset -1.5: row 2.5 divisions).
  const int y = r.recBottom - tr_ValueToRow(r, 1.0, *r.channel(2));
  const int x = r.recX0 + 40;
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&w, &press);
  EXPECT_EQ(r.recReadoutChannel, 2);
  EXPECT_EQ(status.substr(0, 5), "Ch 02");
  EXPECT_DOUBLE_EQ(r.recReadoutY, 1.0);
  EXPECT_NEAR(r.recReadoutX, 40 * r.recTimePerColumn, 1e-9);
  // Below the base line nothing is read out.
  status.clear();
  EXPECT_FALSE(tr_CursorReadout(r, x, r.recBottom + 5));
  disp::gdi_ResetAll();
}

TEST_F(TrendDrawing, FullRedrawReplaysTheValueFile) {
  QApplication app(argc, argv);
  prepare(true);
  vf_UnitInit(r, dir);
  TrendWindow w(r);
  w.resize(800, 450);
  w.show();
  w.fullRedraw();
  ASSERT_TRUE(vf_OpenOutputAs(r, logic, path("LIVE.VAL")));
  w.activate();
  model::DocumentRecord& d = *doc;
  d.SimLogic = logic;
  for (int i = 0; i < 300; ++i) {
    logic->StepBlock.simTime = 0.1 * i;
    sourceValue() = std::sin(0.1 * i);
    tr_OnAcceptedStep(d);
  }
  d.SimLogic = nullptr;
  EXPECT_NEAR(r.recLastTime, 29.9, 1e-9);
  w.fullRedraw();   // paints anew and replays the output up to its end
  EXPECT_NEAR(r.recLastTime, 29.9, 1e-9);
  EXPECT_GT(r.recSampleTime, 20.0);
  EXPECT_GT(r.recTime, 0.0);
  if (const char* shot = std::getenv("ZERLO_TREND_SHOT")) w.image().save(shot);
  // Scrolling to the start and back to the end.
  tr_ScrollTo(r, 0);
  EXPECT_LT(r.recSampleTime, 25.0);
  tr_ScrollTo(r, -9);
  EXPECT_GT(r.recSampleTime, 25.0);
  vf_CloseOutput(r, true);
  EXPECT_TRUE(std::filesystem::exists(path("LIVE.VAL")));
  EXPECT_EQ(tr_ActiveRecorder(), &r);
  disp::gdi_ResetAll();
}

struct ImageWin : disp::DrawWindow {
  disp::Device* dev = nullptr;
  disp::Device* beginPaint() override { return dev; }
  void endPaint() override {}
  disp::Device* getDc() override { return dev; }
  void releaseDc() override {}
};

TEST_F(TrendDrawing, FaceEditorView) {
  QApplication app(argc, argv);
  disp::gdi_ResetAll();
  model::LogicRecord* sub = model::ge_NewLogic("VALVE");
  sub->InputPortCount = 3;
  sub->OutputPortCount = 2;
  sub->Width = 120;
  sub->Height = 60;
  fe_State() = FaceEditorState{};
  fe_FaceEditor(sub, FeEvent::Press, 600, 400);                       // the new face: all ports listed
  fe_FaceEditor(sub, FeEvent::Press, 30, 50);                         // input 1 ...
  fe_FaceEditor(sub, FeEvent::Release, kFaceX - 12, kFaceY + 3 + 20 - 5);   // ... onto the left edge
  fe_FaceEditor(sub, FeEvent::Press, 90, 50);                         // output 1 ...
  fe_FaceEditor(sub, FeEvent::Release, kFaceX + 130 - 2, kFaceY + 3 + 30 - 5);  // ... onto the right edge
  ASSERT_EQ(sub->InputPorts[0].Slot, model::kSideLeft);
  ASSERT_EQ(sub->OutputPorts[0].Slot, model::kSideRight);
  QImage img(500, 250, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    disp::QtDevice dev(&img);
    ImageWin win;
    win.dev = &dev;
    disp::DrawView view;
    view.viewW = 500;
    view.viewH = 250;
    disp::setCurrentView(view);
    disp::gdi_SetCurrent(&dev, &win);
    fe_DrawEditor(sub);
    disp::gdi_SetCurrent(nullptr, nullptr);
  }
  fe_FrameDone();
  fe_State() = FaceEditorState{};
  const std::string name = std::string(ZERLO_TEST_DATA) + "/recorder/face_editor.png";
  if (std::getenv("ZERLO_REGEN_GOLDEN")) {
    ASSERT_TRUE(img.save(QString::fromStdString(name)));
  } else {
    QImage g(QString::fromStdString(name));
    ASSERT_FALSE(g.isNull());
    const QImage gr = g.convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(compare(img, gr), 0.01);
    // The face box exactly; a missing edge is noticed.
    EXPECT_LE(edgeDiff(img, gr, kFaceX, kFaceY, kFaceX + 120, kFaceY + 60), 5);
    QImage broken = img;
    for (int x = kFaceX; x <= kFaceX + 120; ++x) broken.setPixel(x, kFaceY + 60, 0xFFFFFF);
    EXPECT_GT(edgeDiff(broken, gr, kFaceX, kFaceY, kFaceX + 120, kFaceY + 60), 60);
  }
  disp::gdi_ResetAll();
}

// The program's trend window: its recorder follows the simulated logic and
// binds the gates' first outputs; every accepted step is sampled, the curves
// are drawn on the next display step and come back whole after a repaint.
TEST_F(TrendDrawing, TrendSheetDrawsTheSimulatedCurves) {
  QApplication app(argc, argv);
  disp::gdi_ResetAll();
  doc->SimLogic = logic;
  doc->SimInstances = logic->FirstInstance;
  sink->Outputs[0].Type = model::kTypeReal;
  auto sheet = std::make_unique<TrendSheet>(path("SHEET.VAL"));
  sheet->follow(doc);
  EXPECT_EQ(sheet->boundChannels(), 2);
  sheet->activate();
  Recorder& rr = sheet->recorder();
  rr.recAxes[1].offset = -2.0;
  std::snprintf(rr.recAxes[1].name, sizeof rr.recAxes[1].name, "Simulation");
  QImage img(800, 450, QImage::Format_RGB32);
  img.fill(Qt::white);
  auto onImage = [&](QImage& target, const std::function<void()>& f) {
    disp::QtDevice dev(&target);
    ImageWin win;
    win.dev = &dev;
    disp::gdi_SetCurrent(&dev, &win);
    f();
    disp::gdi_SetCurrent(nullptr, nullptr);
  };
  onImage(img, [&] { sheet->paint(800, 450); });
  const QImage empty = img;
  double& out2 = instanceOf(sink)->OutputValues[0];
  for (int i = 0; i < 300; ++i) {
    logic->StepBlock.simTime = 0.1 * i;
    sourceValue() = std::sin(0.1 * i) + 1.0;
    out2 = 0.5 * std::cos(0.25 * i) + 3.0;
    tr_OnAcceptedStep(*doc);   // the time step's hook: queued, no device here
    if (i % 25 == 24) {
      EXPECT_EQ(sheet->pendingSamples(), 25u);
      onImage(img, [&] { sheet->drawPending(); });   // a display step
      EXPECT_EQ(sheet->pendingSamples(), 0u);
    }
  }
  EXPECT_GT(rr.recTime, 0.0) << "the picture scrolled";
  // Curve pixels of both channels' pens inside the plot.
  auto penPixels = [&](const QImage& im, int pen) {
    const disp::Rgb c = disp::gdi_ColorIndexToRgb(pen);
    const QRgb want = (QRgb(c.r) << 16) | (QRgb(c.g) << 8) | c.b;
    int n = 0;
    for (int y = rr.recTop; y <= rr.recBottom; ++y)
      for (int x = rr.recX0; x <= rr.recX0 + rr.recWidth; ++x) n += (im.pixel(x, y) & 0xFFFFFF) == want;
    return n;
  };
  // Channel 1 draws black like the grid, channel 2 red.
  EXPECT_GT(penPixels(img, 1), penPixels(empty, 1) + 200);
  EXPECT_GT(penPixels(img, 2), 200);
  EXPECT_EQ(penPixels(empty, 2), 0);
  golden(img, "trend_sheet.png", &rr);
  // A repaint (a resize, an uncovered window) replays the value file.
  QImage again(800, 450, QImage::Format_RGB32);
  again.fill(Qt::white);
  onImage(again, [&] { sheet->paint(800, 450); });
  EXPECT_LT(compare(again, img), 0.02);
  EXPECT_GT(penPixels(again, 2), 200);
  sheet.reset();
  EXPECT_EQ(tr_ActiveRecorder(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(path("SHEET.VAL")));
  doc->SimLogic = nullptr;
  doc->SimInstances = nullptr;
  disp::gdi_ResetAll();
}

} // namespace
} // namespace rec::test
