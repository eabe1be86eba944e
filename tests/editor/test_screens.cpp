// Worksheets painted offscreen: a new worksheet and a run window, and the
// persistent image after a wiring gesture.
#define ZERLO_EDITOR_HOST_QT
#include "../support/editor_host.h"
#include "editor/selection.h"
#include "editor/wiring.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
#include "model/memory.h"

#include "qt_app.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace editor_test {
namespace {

using namespace editor;

void app() { editor_test::qtApp(); }

class Screens : public ::testing::Test {
protected:
  model::FakeShell shell;
  std::unique_ptr<CanvasHost> host;
  model::LogicRecord* logic = nullptr;
  model::GateRecord* a = nullptr;
  model::GateRecord* b = nullptr;

  void SetUp() override {
    app();
    disp::gdi_ResetAll();
    model::setShell(&shell);
    host = std::make_unique<CanvasHost>();
    host->canvas.resize(640, 420);
    setHost(host.get());
    ui_MainInit();
    model::CurrentDocument = model::TemplateDocument;
    logic = model::ge_NewLogic("MAIN");
    model::TemplateDocument->MacroLevel = 1;
    model::EditLogic(*model::TemplateDocument) = logic;
    model::KeepInstances = 1;
    model::ge_CreateGateAsked(logic, model::kKindAnd, nullptr, nullptr, 100, 100, a);
    model::ge_CreateGateAsked(logic, model::kKindOr, nullptr, nullptr, 300, 200, b);
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
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
  // Dark pixels on the right edge of a gate's box (the frame is drawn; the
  // left edges of the fixture's gates lie on grid lines).
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
};

TEST_F(Screens, NewWorksheetShowsItsGates) {
  host->paint();
  host->canvas.image().save(QString(ZERLO_SCREEN_DIR) + "/editor_worksheet.png");
  EXPECT_GT(frameInk(a), 10);
  EXPECT_GT(frameInk(b), 10);
  // Without the gate its frame is gone: the check sees it.
  logic->FirstGate = a->Next;
  host->paint();
  EXPECT_LT(frameInk(a), 3);
  logic->FirstGate = a;
}

TEST_F(Screens, RunWindowShowsTheSimulatedLogic) {
  WorksheetWindowData* run = host->newWindow(kKindMainSheet, nullptr, 640, 420);
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 213;
  ASSERT_EQ(ui_Dispatch(run, &e), 1);
  host->shown = run;
  host->paint();
  host->canvas.image().save(QString(ZERLO_SCREEN_DIR) + "/editor_runwindow.png");
  EXPECT_GT(frameInk(a), 10);
  e.type = kMsgDestroy;
  e.code = 0;
  ui_Dispatch(run, &e);
  host->shown = host->windows.front().get();
}

TEST_F(Screens, WiringLeavesNoResidue) {
  ctx().mainSlot = ui_TableOfMode(7);
  host->paint();
  std::int16_t x, y;
  std::uint16_t side;
  model::gg_OutputPinPos(a, 1, x, y, side);
  int ox = a->X + x, oy = a->Y + y;
  model::gg_InputPinPos(b, 1, x, y, side);
  int ix = b->X + x, iy = b->Y + y;
  host->mouse(QEvent::MouseButtonPress, ox, oy, Qt::LeftButton);
  host->mouse(QEvent::MouseButtonRelease, ox, oy, Qt::LeftButton);
  host->mouse(QEvent::MouseButtonPress, ox + 40, oy, Qt::LeftButton);
  host->mouse(QEvent::MouseButtonRelease, ox + 40, oy, Qt::LeftButton);
  host->mouse(QEvent::MouseButtonPress, ix, iy, Qt::LeftButton);
  host->mouse(QEvent::MouseButtonRelease, ix, iy, Qt::LeftButton);
  ASSERT_EQ(b->Inputs[0].Source, a);
  EXPECT_TRUE(host->pendingRepaint) << "the end of the gesture asks for a repaint";
  host->flush();
  QImage afterGesture = host->canvas.image().copy();
  afterGesture.save(QString(ZERLO_SCREEN_DIR) + "/editor_wired.png");
  host->paint();
  EXPECT_EQ(afterGesture, host->canvas.image()) << "persistent image equals a full redraw";
  EXPECT_EQ(disp::gdi_Attributes().writeMode, 1);
}

// Dark pixels on the frame drawn 4 units around a selected gate.
int selectionInk(const QImage& img, model::GateRecord* g) {
  std::int16_t x, y, w, h;
  model::gg_GateRect(g, x, y, w, h, false);
  int ink = 0;
  for (int xx = x - 4; xx <= x + w + 4; ++xx)
    if (img.valid(xx, y - 4) && qGray(img.pixel(xx, y - 4)) < 128) ++ink;
  return ink;
}

TEST_F(Screens, SelectionShowsItsMarks) {
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 370;
  host->ctrl = true;
  ui_Dispatch(host->shown, &e);
  host->ctrl = false;
  ASSERT_EQ(editorState(), 21u);
  host->paint();
  QImage selected = host->canvas.image().copy();
  selected.save(QString(ZERLO_SCREEN_DIR) + "/editor_selection.png");
  EXPECT_GT(selectionInk(selected, a), 10);
  EXPECT_GT(selectionInk(selected, b), 10);
  EXPECT_GT(frameInk(a), 10);
  // Without the selection the marks are gone.
  e.code = 371;
  ui_Dispatch(host->shown, &e);
  host->paint();
  EXPECT_LT(selectionInk(host->canvas.image(), a), 3);
}

TEST_F(Screens, PendingPasteFollowsTheMouse) {
  MemoryClipboard clipboard;
  clip_SetPort(&clipboard);
  // Built-in kinds other than ports, Text and Disable-Logic have no script
  // form: the copy carries the Input gate.
  model::GateRecord* in = scr_PlainLibraryInsert(logic, "%STD", "Input", 100, 300, 1);
  ASSERT_NE(in, nullptr);
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 370;
  host->ctrl = true;
  ui_Dispatch(host->shown, &e);
  e.code = 373;
  ASSERT_EQ(ui_Dispatch(host->shown, &e), 0);
  host->ctrl = false;
  e.code = 374;
  ASSERT_EQ(ui_Dispatch(host->shown, &e), 4);
  ASSERT_EQ(editorState(), 24u);
  host->paint();
  disp::gdi_GetWindowDc(&host->canvas);
  EngineEvent move;
  move.type = kMsgMouseMove;
  move.x = 200;
  move.y = 250;
  ASSERT_NE(host->shown->drag, nullptr);
  host->shown->drag(host->shown, &move);
  disp::gdi_ReleaseWindowDc();
  const QImage& img = host->canvas.image();
  img.save(QString(ZERLO_SCREEN_DIR) + "/editor_pending_paste.png");
  // The copied Input gate (at the origin of the copy) is drawn at the mouse.
  std::int16_t x, y, w, h;
  model::gg_GateBox(in, x, y, w, h, false);
  int ink = 0;
  for (int yy = 250 + (y - in->Y); yy <= 250 + (y - in->Y) + h; ++yy)
    for (int xx = 200 + (x - in->X); xx <= 200 + (x - in->X) + w; ++xx)
      if (img.valid(xx, yy) && qGray(img.pixel(xx, yy)) < 128) ++ink;
  EXPECT_GT(ink, 10);
  clip_Reset();
  clip_SetPort(nullptr);
}

} // namespace
} // namespace editor_test
