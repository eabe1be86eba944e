// Placed, moved and routed gates painted offscreen: after each gesture the
// persistent image equals a full redraw, and the gates' frames are there.
#define ZERLO_EDITOR_HOST_QT
#include "../support/editor_host.h"
#include "display/gdi.h"
#include "editor/dragmarker.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
#include "model/connections.h"
#include "model/memory.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace editor_test {
namespace {

using namespace editor;

void app() {
  static int argc = 1;
  static char name[] = "editor_qt_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

class GestureScreens : public ::testing::Test {
protected:
  model::FakeShell shell;
  std::unique_ptr<CanvasHost> host;
  model::LogicRecord* logic = nullptr;

  void SetUp() override {
    app();
    disp::gdi_ResetAll();
    model::setShell(&shell);
    shell.route = {1, 6, 1};
    host = std::make_unique<CanvasHost>();
    host->canvas.resize(640, 420);
    setHost(host.get());
    ui_MainInit();
    model::CurrentDocument = model::TemplateDocument;
    logic = model::ge_NewLogic("MAIN");
    model::TemplateDocument->MacroLevel = 1;
    model::EditLogic(*model::TemplateDocument) = logic;
    model::KeepInstances = 1;
    host->shown = host->newWindow(kKindMainSheet, model::TemplateDocument, 640, 420);
  }
  void TearDown() override {
    ui_MainShutDown();
    host->windows.clear();
    editor_ResetContext();
    setHost(nullptr);
    host.reset();
    model::setShell(nullptr);
    disp::gdi_ResetAll();
  }
  int command(int id) {
    EngineEvent e;
    e.type = kMsgCommand;
    e.code = std::uint16_t(id);
    disp::gdi_GetWindowDc(&host->canvas);
    int r = ui_Dispatch(host->shown, &e);
    disp::gdi_ReleaseWindowDc();
    return r;
  }
  void click(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    host->mouse(QEvent::MouseButtonPress, x, y, button);
    host->mouse(QEvent::MouseButtonRelease, x, y, button);
  }
  int frameInk(model::GateRecord* g) {
    std::int16_t x, y, w, h;
    model::gg_GateBox(g, x, y, w, h, false);
    int ink = 0;
    const QImage& img = host->canvas.image();
    for (int yy = y; yy < y + h; ++yy)
      for (int xx = x + w - 2; xx <= x + w + 2; ++xx)
        if (img.valid(xx, yy) && qGray(img.pixel(xx, yy)) < 128) ++ink;
    return ink;
  }
  // The image after the gesture's own repaints equals a full redraw.
  void expectPersistentEqualsRedraw(const char* file) {
    host->flush();
    QImage after = host->canvas.image().copy();
    after.save(QString(ZERLO_SCREEN_DIR) + "/" + file);
    host->paint();
    EXPECT_EQ(after, host->canvas.image()) << file;
  }
};

TEST_F(GestureScreens, PlacedMovedAndRoutedGates) {
  host->paint();
  host->textAnswers = {"And"};
  ASSERT_EQ(command(237), 4);
  host->mouse(QEvent::MouseButtonRelease, 102, 102, Qt::LeftButton);
  host->textAnswers = {"Or"};
  ASSERT_EQ(command(237), 4);
  host->mouse(QEvent::MouseButtonRelease, 402, 232, Qt::LeftButton);
  host->textAnswers = {"Counter"};
  ASSERT_EQ(command(237), 4);
  host->mouse(QEvent::MouseButtonRelease, 232, 122, Qt::LeftButton);
  ASSERT_EQ(editorState(), 0u);
  model::GateRecord* a = logic->FirstGate;
  ASSERT_NE(a, nullptr);
  model::GateRecord* b = a->Next;
  ASSERT_NE(b, nullptr);
  model::GateRecord* c = b->Next;
  ASSERT_NE(c, nullptr);
  expectPersistentEqualsRedraw("editor_placed.png");
  for (model::GateRecord* g : {a, b, c}) EXPECT_GT(frameInk(g), 10) << int(g->Kind);

  // Lift the counter and drop it lower.
  int cx = c->X + 20, cy = c->Y + 20;
  host->mouse(QEvent::MouseButtonPress, cx, cy, Qt::LeftButton);
  ASSERT_EQ(editorState(), 1u);
  host->mouse(QEvent::MouseButtonRelease, cx + 10, cy + 40, Qt::LeftButton);
  ASSERT_EQ(editorState(), 0u);
  expectPersistentEqualsRedraw("editor_moved.png");
  EXPECT_GT(frameInk(c), 10);

  // Wire a's output to b's first input with routing on.
  ctx().mainSlot = ui_TableOfMode(7);
  std::int16_t x, y;
  std::uint16_t side;
  model::gg_OutputPinPos(a, 1, x, y, side);
  int ox = a->X + x, oy = a->Y + y;
  model::gg_InputPinPos(b, 1, x, y, side);
  int ix = b->X + x, iy = b->Y + y;
  click(ox, oy);
  click(ix, iy);
  ASSERT_EQ(b->Inputs[0].Source, a);
  for (const model::WirePoint* p = b->Inputs[0].Wire; p && p->Next; p = p->Next)
    EXPECT_TRUE(p->X == p->Next->X || p->Y == p->Next->Y);
  expectPersistentEqualsRedraw("editor_routed.png");
  EXPECT_EQ(disp::gdi_Attributes().writeMode, 1);
}

// A lifted gate is drawn under the mouse while it moves: a repaint leaves out
// the parked gate, each move puts back what lay under the last picture, and
// once the gesture ends the image equals a full redraw.
TEST_F(GestureScreens, DraggedGateFollowsTheMouseAndLeavesNothingBehind) {
  host->paint();
  host->textAnswers = {"And"};
  ASSERT_EQ(command(237), 4);
  host->mouse(QEvent::MouseButtonRelease, 102, 102, Qt::LeftButton);
  host->textAnswers = {"Counter"};
  ASSERT_EQ(command(237), 4);
  host->mouse(QEvent::MouseButtonRelease, 402, 202, Qt::LeftButton);
  host->flush();
  model::GateRecord* a = logic->FirstGate;
  ASSERT_NE(a, nullptr);
  const QImage placed = host->canvas.image().copy();
  auto inkIn = [&](const QImage& img, int l, int t, int w, int h) {
    int ink = 0;
    for (int yy = t; yy < t + h; ++yy)
      for (int xx = l; xx < l + w; ++xx)
        if (img.valid(xx, yy) && qGray(img.pixel(xx, yy)) < 128) ++ink;
    return ink;
  };
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(a, bx, by, bw, bh, false);
  const int ax = a->X, ay = a->Y;

  // Lift the And gate: parked at (3, 3), it is not drawn there.
  ASSERT_EQ(host->mouse(QEvent::MouseButtonPress, ax + 10, ay + 10, Qt::LeftButton), 4);
  ASSERT_EQ(editorState(), 1u);
  ASSERT_EQ(a->X, 3);
  host->paint();
  EXPECT_EQ(inkIn(host->canvas.image(), 0, 0, 60, 60), inkIn(placed, 0, 0, 60, 60));
  const QImage lifted = host->canvas.image().copy();

  // Two moves: the gate is drawn where the drop would put it, and the first
  // picture is gone after the second move.
  const int dx1 = 150, dy1 = 180, dx2 = 60, dy2 = 250;
  host->mouse(QEvent::MouseMove, ax + 10 + dx1, ay + 10 + dy1, Qt::NoButton);
  EXPECT_TRUE(ws_DragMarkerShown(host->shown));
  const int background1 = inkIn(lifted, ax + dx1, ay + dy1, bw, bh);   // the grid
  const int background2 = inkIn(lifted, ax + dx2, ay + dy2, bw, bh);
  EXPECT_GT(inkIn(host->canvas.image(), ax + dx1, ay + dy1, bw, bh), background1 + 20);
  host->canvas.image().save(QString(ZERLO_SCREEN_DIR) + "/editor_dragging.png");
  host->mouse(QEvent::MouseMove, ax + 10 + dx2, ay + 10 + dy2, Qt::NoButton);
  EXPECT_EQ(inkIn(host->canvas.image(), ax + dx1, ay + dy1, bw, bh), background1);
  EXPECT_GT(inkIn(host->canvas.image(), ax + dx2, ay + dy2, bw, bh), background2 + 20);
  // Putting back the last picture gives the image of before the moves.
  {
    QImage during = host->canvas.image().copy();
    disp::gdi_GetWindowDc(&host->canvas);
    ws_DragMarkerEnd(host->shown);
    disp::gdi_ReleaseWindowDc();
    EXPECT_EQ(host->canvas.image(), lifted);
    EXPECT_FALSE(ws_DragMarkerShown(host->shown));
    host->mouse(QEvent::MouseMove, ax + 10 + dx2, ay + 10 + dy2, Qt::NoButton);
    EXPECT_EQ(host->canvas.image(), during);
  }

  // The drop: the gate lands at the snapped point and the image is a full redraw.
  host->mouse(QEvent::MouseButtonRelease, ax + 10 + dx2, ay + 10 + dy2, Qt::LeftButton);
  ASSERT_EQ(editorState(), 0u);
  EXPECT_EQ(a->X, model::gg_Snap(ax + dx2));
  EXPECT_EQ(a->Y, model::gg_Snap(ay + dy2));
  EXPECT_FALSE(ws_DragMarkerShown(host->shown));
  expectPersistentEqualsRedraw("editor_dragged.png");
  EXPECT_GT(frameInk(a), 10);
}

// Shift and a press on a connection draw every wire of its output pin in the
// highlight colour; the release draws them back, leaving a full redraw.
TEST_F(GestureScreens, ShiftPressOnAConnectionHighlightsTheWiresOfItsOutput) {
  host->paint();
  const char* kinds[] = {"And", "Or", "Or"};
  const int at[][2] = {{102, 102}, {302, 62}, {302, 232}};
  for (int i = 0; i < 3; ++i) {
    host->textAnswers = {kinds[i]};
    ASSERT_EQ(command(237), 4);
    host->mouse(QEvent::MouseButtonRelease, at[i][0], at[i][1], Qt::LeftButton);
  }
  model::GateRecord* a = logic->FirstGate;
  model::GateRecord* b = a->Next;
  model::GateRecord* c = b->Next;
  ASSERT_NE(c, nullptr);
  auto pinAt = [](model::GateRecord* g, unsigned n, bool input) {
    std::int16_t x, y;
    std::uint16_t side;
    if (input) model::gg_InputPinPos(g, n, x, y, side);
    else model::gg_OutputPinPos(g, n, x, y, side);
    return QPoint(g->X + x, g->Y + y);
  };
  // Wires with a corner half way: a to b and to c, b to c's second input.
  auto wire = [&](model::GateRecord* from, model::GateRecord* to, unsigned k) {
    QPoint o = pinAt(from, 1, false), in = pinAt(to, k, true);
    int mx = (o.x() + in.x()) / 2 + int(k) * 10;
    model::WirePoint* head = nullptr;
    model::WirePoint** tail = &head;
    for (QPoint p : {o, QPoint(mx, o.y()), QPoint(mx, in.y()), in}) {
      model::WirePoint* n = nullptr;
      ASSERT_TRUE(model::mm_New(n));
      n->X = std::int16_t(p.x());
      n->Y = std::int16_t(p.y());
      *tail = n;
      tail = &n->Next;
    }
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(logic, to, k, from, 1, nullptr, head));
  };
  wire(a, b, 1);
  wire(a, c, 1);
  wire(b, c, 2);
  host->paint();
  const QImage wired = host->canvas.image().copy();
  auto changedOn = [&](const model::WirePoint* w) {
    int changed = 0;
    for (; w && w->Next; w = w->Next)
      for (int k = 1; k < 8; ++k) {
        int x = w->X + (w->Next->X - w->X) * k / 8, y = w->Y + (w->Next->Y - w->Y) * k / 8;
        changed += host->canvas.image().pixel(x, y) != wired.pixel(x, y);
      }
    return changed;
  };
  // Press on the middle of a's wire to b.
  const model::WirePoint* w = b->Inputs[0].Wire;
  ASSERT_TRUE(w && w->Next);
  const model::WirePoint* seg = w;
  int px = (seg->X + seg->Next->X) / 2, py = (seg->Y + seg->Next->Y) / 2;
  host->mouse(QEvent::MouseButtonPress, px, py, Qt::LeftButton, Qt::ShiftModifier);
  host->canvas.image().save(QString(ZERLO_SCREEN_DIR) + "/editor_pin_wires.png");
  EXPECT_GT(changedOn(b->Inputs[0].Wire), 3);
  EXPECT_GT(changedOn(c->Inputs[0].Wire), 3);
  EXPECT_EQ(changedOn(c->Inputs[1].Wire), 0) << "another output's wire stays";
  host->mouse(QEvent::MouseButtonRelease, px, py, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(host->canvas.image(), wired);
  EXPECT_EQ(disp::gdi_Attributes().lineColor, 1);
}

} // namespace
} // namespace editor_test
