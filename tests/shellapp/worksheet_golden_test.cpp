// The project of all seventeen standard blocks (tests/data/blocklib/demoall.mdl)
// as the user sees it: its worksheet grabbed from the edit window, and from the
// run window after a fixed number of simulated cycles (the active steps
// marked), and the toolbox's pictures of the blocks, each compared with a
// golden image block by block (tests/support/golden_compare.h; ZERLO_REGEN_GOLDEN=1 writes
// them anew). The cycles are stepped by command and the sheet timer ticks
// only when the test says so: no picture depends on the wall clock.
#include "editor_frame_fixture.h"
#include "../support/golden_compare.h"

#include "display/qt_device.h"
#include "engine/externs.h"
#include "engine/levels.h"
#include "model/geometry.h"
#include "modelfiles/selection.h"
#include "shell/insertbox.h"
#include "shell/prompts.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <set>

namespace zapp {
namespace {

std::size_t distinctNames(const std::vector<golden::Frame>& frames) {
  std::set<std::string> names;
  for (const golden::Frame& f : frames) names.insert(f.name);
  return names.size();
}

constexpr int kGrabW = 640, kGrabH = 480;   // the flow lies within 620 x 460 units

class WorksheetGoldenTest : public EditorFrameTest {
protected:
  // The flow is the subprogram ALL, called by the one gate of the main sheet.
  model::LogicRecord* flowLogic() {
    Worksheet* w = frame->active();
    model::DocumentRecord* d = w ? w->data.document : nullptr;
    if (!d) return nullptr;
    for (model::ProjectModule* m = d->FirstModule; m; m = m->Next)
      for (model::LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
        if (std::strncmp(l->Name, "ALL", 4) == 0) return l;
    return nullptr;
  }
  // The active worksheet sized to hold the grab; false when it cannot.
  bool sizeActive() {
    Worksheet* w = frame->active();
    if (!w) return false;
    w->showNormal();
    w->setGeometry(0, 0, kGrabW + 60, kGrabH + 80);
    QApplication::processEvents();
    return w->canvas->width() >= kGrabW && w->canvas->height() >= kGrabH;
  }
  // The worksheet's picture as shown: drawn anew first, or as the displays
  // last drew into it.
  QImage grabActive(bool redraw) {
    Worksheet* w = frame->active();
    if (!w) return {};
    if (redraw) w->canvas->dirty = true;
    return w->canvas->grab().toImage().copy(0, 0, kGrabW, kGrabH).convertToFormat(QImage::Format_RGB32);
  }
  // The frames of the shown sheet's compiled blocks, in grab pixels.
  std::vector<golden::Frame> blockFrames() {
    std::vector<golden::Frame> frames;
    Worksheet* w = frame->active();
    model::DocumentRecord* d = w ? w->data.document : nullptr;
    model::LogicRecord* l = d && d->MacroLevel >= 1 ? d->LevelLogics[d->MacroLevel] : nullptr;
    if (!l) return frames;
    for (model::GateRecord* g = l->FirstGate; g; g = g->Next) {
      if (g->Kind != model::kKindCompiled) continue;
      const model::GateTypeRecord* t = model::subType(g);
      if (!t) continue;
      const int x = g->X - d->ScrollX, y = g->Y - d->ScrollY;
      frames.push_back({std::string(t->Name, strnlen(t->Name, sizeof t->Name)), x, y, x + t->Width, y + t->Height});
    }
    return frames;
  }
};

TEST_F(WorksheetGoldenTest, EditWindowShowsEveryBlockOfTheFlow) {
  openDemo();
  ASSERT_NE(frame->active(), nullptr);
  ASSERT_LE(frame->active()->data.kind, 2);
  // Into the subprogram of the flow, as the window's level.
  model::LogicRecord* all = flowLogic();
  ASSERT_NE(all, nullptr);
  ASSERT_TRUE(engine::ss_EnterMacroLevel(*frame->active()->data.document, all));
  const std::vector<golden::Frame> frames = blockFrames();
  ASSERT_EQ(distinctNames(frames), 17u) << "the flow holds the seventeen standard blocks";
  ASSERT_EQ(frames.size(), 18u) << "(OUTPUT twice)";
  ASSERT_TRUE(sizeActive()) << "the worksheet is too small for the flow";
  golden::expectMatches(grabActive(true), "shellapp/demoall_edit.png", frames);
}

// The run window after 503 (start at time zero) and a fixed number of single
// steps (512), then the simulation display switched on (282) and one tick of
// the sheet timer (which posts the display step to every sheet): the faces,
// the displays with INPUT's simulated level, and the marks of the steps
// active then. The steps come first, since a command ends the display's
// state. The grab follows a full repaint, which draws the level entered with
// the values of the call under it.
TEST_F(WorksheetGoldenTest, RunWindowAfterAFixedNumberOfCycles) {
  openDemo();
  frame->onCommand(233);
  ASSERT_NE(frame->active(), nullptr);
  ASSERT_EQ(frame->active()->data.kind, 3);
  ASSERT_TRUE(sizeActive()) << "the worksheet is too small for the flow";
  // A click on the main sheet's call gate shows the flow's level.
  mouse(QEvent::MouseButtonPress, 210, 110);
  mouse(QEvent::MouseButtonRelease, 210, 110);
  model::DocumentRecord* d = frame->active()->data.document;
  ASSERT_EQ(d->MacroLevel, 2) << "the click entered the subprogram";
  ASSERT_EQ(d->LevelLogics[2], flowLogic());
  frame->onCommand(503);
  constexpr int kCycles = 40;
  for (int i = 0; i < kCycles; ++i) frame->onCommand(512);
  QApplication::processEvents();
  EXPECT_FALSE(engine::externState().kind3Window) << "a run window only while its event is handled";
  EXPECT_NEAR(d->LevelLogics[1]->StepBlock.simTime, kCycles * 0.01, 1e-9) << "forty steps of 10 ms";
  frame->onCommand(282);
  ASSERT_TRUE(app().simulation);
  ASSERT_EQ(editor::editorState(), 7u);
  frame->sheetTimer.stop();   // the tick is ours, not the clock's
  frame->onSheetTimer();
  frame->sheetTimer.stop();
  QApplication::processEvents();
  EXPECT_EQ(frame->timerTicks, 1);
  const std::vector<golden::Frame> frames = blockFrames();
  ASSERT_EQ(frames.size(), 18u);
  golden::expectMatches(grabActive(true), "shellapp/demoall_run.png", frames);
  frame->onCommand(282);
  EXPECT_FALSE(app().simulation);
}

// The toolbox's picture of each of the seventeen standard blocks, made as its
// drag window makes it through the main program's services: a scratch record
// with the block at (4, 4), drawn at the zoom into a picture of the block's
// size and a margin of 10 units. The pictures side by side, six a row.
TEST_F(WorksheetGoldenTest, ToolboxPicturesOfTheSeventeenBlocks) {
  openDemo();
  FrameBlockEditor seam(*frame);
  shell::setBlockEditor(&seam);
  const ServiceFunctionTable& svc = shell::svc_Table();
  // The toolbox's order of the standard library's buttons.
  static const char* const kBlocks[] = {"MOUTPUTV3", "BINPUTV3",  "BEDGEV3",   "POSITIONV3", "STARTV3",   "ENDEV3",
                                        "RESETV3",   "STOPV3",    "TERMINALV3", "DISPLAYV3", "MESSAGEV3", "VISUALV3",
                                        "ICDCVARV3", "ASSIGNV3",  "COMPAREV3", "SIGBEEPV3",  "WAITV3"};
  constexpr float kZoom = 2.0f;
  constexpr int kCellW = 180, kCellH = 140, kPerRow = 6;
  app().settings.zoom = kZoom;
  disp::gdi_SetZoom(&app().settings.zoom);
  QImage sheet(kCellW * kPerRow, kCellH * 3, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  std::vector<golden::Frame> frames;
  int cell = 0;
  for (const char* name : kBlocks) {
    SCOPED_TRACE(name);
    void* picture = svc.createPicture(1);
    ASSERT_NE(picture, nullptr);
    BlockDropRecord drop{name, "ZRLFB02", 4, 4};
    void* block = svc.addBlock(picture, &drop);
    EXPECT_NE(block, nullptr) << "the toolbox cannot build " << name;
    int w = 0, h = 0;
    if (block) {
      EXPECT_EQ(svc.blockExtents(picture, block, &w, &h), 1);
    }
    if (block && w > 0 && h > 0) {
      EXPECT_FLOAT_EQ(svc.zoom(), kZoom);
      QImage img(int(float(w + 10) * kZoom), int(float(h + 10) * kZoom), QImage::Format_RGB32);
      img.fill(Qt::white);
      {
        disp::QtDevice dev(&img);
        PictureDrawParams params{0, static_cast<disp::Device*>(&dev), kZoom};
        EXPECT_EQ(svc.drawPicture(picture, &params), 1);
      }
      EXPECT_LE(img.width(), kCellW);
      EXPECT_LE(img.height(), kCellH);
      const int cx = (cell % kPerRow) * kCellW, cy = (cell / kPerRow) * kCellH;
      QPainter(&sheet).drawImage(cx, cy, img);
      const model::GateTypeRecord* t = model::subType(static_cast<model::GateRecord*>(block));
      const auto* g = static_cast<model::GateRecord*>(block);
      if (t)
        frames.push_back({name, cx + int(g->X * kZoom), cy + int(g->Y * kZoom), cx + int((g->X + t->Width) * kZoom),
                          cy + int((g->Y + t->Height) * kZoom)});
    }
    if (block) svc.removeBlock(picture, block);
    svc.freePicture(picture);
    ++cell;
  }
  shell::setBlockEditor(nullptr);
  app().settings.zoom = 1.0f;
  disp::gdi_SetZoom(&app().settings.zoom);
  ASSERT_EQ(frames.size(), 17u);
  golden::expectMatches(sheet, "shellapp/toolbox_blocks_z2.png", frames);
}

} // namespace
} // namespace zapp
