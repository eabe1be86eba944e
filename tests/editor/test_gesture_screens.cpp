// Placed, moved and routed gates painted offscreen: after each gesture the
// persistent image equals a full redraw, and the gates' frames are there.
#define ZERLO_EDITOR_HOST_QT
#include "../support/editor_host.h"
#include "display/gdi.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
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

} // namespace
} // namespace editor_test
