// The gate-face editor driven by synthetic presses, releases and commands.
#include "fixture.h"

#include "display/gdi.h"
#include "display/recording_device.h"
#include "recorder/faceedit.h"
#include "recorder/recfiles.h"

namespace rec::test {
namespace {

class FaceEditTest : public RecFixture {
protected:
  model::LogicRecord* sub = nullptr;
  void SetUp() override {
    RecFixture::SetUp();
    sub = model::ge_NewLogic("SUB");
    sub->InputPortCount = 2;
    sub->OutputPortCount = 1;
    sub->Width = 60;
    sub->Height = 40;
    fe_UnitInit();
    fe_State() = FaceEditorState{};
  }
  void TearDown() override {
    fe_FrameDone();
    fe_State() = FaceEditorState{};
    RecFixture::TearDown();
  }
  void press(int x, int y) { fe_FaceEditor(sub, FeEvent::Press, x, y); }
  void release(int x, int y) { fe_FaceEditor(sub, FeEvent::Release, x, y); }
  // The press and release that move a port whose box holds (fx, fy) to a
  // point relative to the face box (the release is taken back by the half
  // cell and the 3 units of the edge test).
  void drag(int fx, int fy, int rx, int ry) {
    press(fx, fy);
    release(kFaceX + rx - 2, kFaceY + 3 + ry - 5);
  }
  model::PortRow in(int n) const { return sub->InputPorts[n - 1]; }
};

TEST_F(FaceEditTest, Snapping) {
  const int cases[][2] = {{15, 10}, {16, 20}, {14, 10}, {5, 0}, {6, 10}, {0, 0}, {-15, -20}, {-14, -10}};
  for (const auto& c : cases) EXPECT_EQ(fe_Snap10(c[0]), c[1]) << c[0];
}

TEST_F(FaceEditTest, NewFaceListsEveryPortUnplaced) {
  press(500, 500);
  ASSERT_NE(sub->InputPorts, nullptr);
  ASSERT_NE(sub->OutputPorts, nullptr);
  EXPECT_EQ(in(1).X, kUnplacedInputX);
  EXPECT_EQ(in(1).Y, -30);
  EXPECT_EQ(in(2).Y, -10);
  EXPECT_EQ(in(1).Slot, model::kPortSlotUnplaced);
  EXPECT_EQ(sub->OutputPorts[0].X, kUnplacedOutputX);
  EXPECT_EQ(fe_State().state, 0);
}

TEST_F(FaceEditTest, PlacingSnapsToTheEdgeAndTheListClosesUp) {
  press(500, 500);
  // Input 1's label box starts at (27, 48).
  drag(30, 50, -15, 15);   // 15 left of the box, 15 down: the left edge at y 10
  EXPECT_EQ(fe_State().state, 0);
  EXPECT_EQ(in(1).X, 0);
  EXPECT_EQ(in(1).Y, 10);
  EXPECT_EQ(in(1).Slot, model::kSideLeft);
  EXPECT_EQ(in(2).Y, -30) << "the list closes up";
  // Input 2 onto the same place: refused, it stays in the list.
  drag(30, 50, -15, 15);
  EXPECT_EQ(in(2).X, kUnplacedInputX);
  EXPECT_EQ(in(2).Y, -30);
  // Onto the top edge instead.
  drag(30, 50, 30, -20);
  EXPECT_EQ(in(2).Slot, model::kSideTop);
  EXPECT_EQ(in(2).X, 30);
  EXPECT_EQ(in(2).Y, 0);
  // Input 1 taken off: it goes to the end of the list.
  press(kFaceX - 30, kFaceY + 10);
  ASSERT_EQ(fe_State().state, 1);
  ASSERT_TRUE(fe_State().selectedInput);
  ASSERT_EQ(fe_State().selected, 1);
  release(100, 100);
  EXPECT_EQ(in(1).X, kUnplacedInputX);
  EXPECT_EQ(in(1).Slot, model::kPortSlotUnplaced);
  EXPECT_EQ(in(1).Y, -30);
  EXPECT_FALSE(fe_State().dirty.empty());
}

TEST_F(FaceEditTest, ResizeHasAFloorOf20) {
  press(500, 500);
  press(kFaceX + 60, kFaceY + 40);   // the corner handle
  ASSERT_EQ(fe_State().state, 2);
  release(kFaceX + 80, kFaceY + 54);
  EXPECT_EQ(sub->Width, 80);
  EXPECT_EQ(sub->Height, 50);   // 54 snaps down
  press(kFaceX + 80, kFaceY + 50);
  release(kFaceX, kFaceY + 10);
  EXPECT_EQ(sub->Width, 20);
  EXPECT_EQ(sub->Height, 20);
  EXPECT_EQ(fe_State().state, 0);
}

TEST_F(FaceEditTest, CommandsOnAnExistingFace) {
  fe_FaceEditor(sub, FeEvent::Command, 1042, 0);
  ASSERT_NE(sub->InputPorts, nullptr);
  ASSERT_FALSE(fe_State().redraws.empty());
  const auto before = fe_State().redraws.size();
  fe_FaceEditor(sub, FeEvent::Command, 1041, 0);
  EXPECT_EQ(fe_State().redraws.size(), before);
  EXPECT_EQ(fe_State().state, 0);
}

TEST_F(FaceEditTest, NoOnTheQuestionsChangesNothing) {
  // A macro gate of MAIN calls SUB.
  model::GateSpec s;
  s.kind = model::kKindCall;
  s.sub = sub;
  s.inputCount = 2;
  s.outputCount = 1;
  s.x = 400;
  s.y = 300;
  std::uint16_t seq = 0;
  model::GateRecord* call = nullptr;
  model::GateInstance* inst = nullptr;
  ASSERT_TRUE(model::ge_CreateGate(logic, s, seq, call, inst));
  ASSERT_TRUE(model::ge_FindMacroUser(sub));
  ui->answerBox(plat::ui::IDNO);
  press(500, 500);
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "All subprogram call-ups are being deleted!");
  EXPECT_EQ(sub->InputPorts, nullptr);
  EXPECT_EQ(sub->OutputPorts, nullptr);
  EXPECT_TRUE(model::ge_FindMacroUser(sub));
  // Yes unlinks the calls and opens the face.
  ui->clear();
  ui->answerBox(plat::ui::IDYES);
  press(500, 500);
  EXPECT_NE(sub->InputPorts, nullptr);
  EXPECT_FALSE(model::ge_FindMacroUser(sub));
  // A placed port of a used face asks 40021; No leaves it where it is.
  drag(30, 50, -15, 15);
  ASSERT_EQ(in(1).Slot, model::kSideLeft);
  ASSERT_TRUE(model::ge_CreateGate(logic, s, seq, call, inst));
  ui->clear();
  ui->answerBox(plat::ui::IDNO);
  press(kFaceX - 30, kFaceY + 10);
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "The subprogram is being used! Change anyway?");
  EXPECT_EQ(fe_State().state, 0);
  release(100, 100);
  EXPECT_EQ(in(1).Slot, model::kSideLeft);
  // An unplaced port is moved without a question.
  ui->clear();
  press(30, 50);
  EXPECT_TRUE(ui->shown().empty());
  EXPECT_EQ(fe_State().state, 1);
}

} // namespace
} // namespace rec::test

namespace rec::test {
namespace {

struct Win : disp::DrawWindow {
  disp::Device* dev = nullptr;
  disp::Device* beginPaint() override { return dev; }
  void endPaint() override {}
  disp::Device* getDc() override { return dev; }
  void releaseDc() override {}
};

TEST_F(FaceEditTest, DrawsTheLayoutTheFaceAndTheTicks) {
  disp::gdi_ResetAll();
  disp::RecordingDevice dev;
  Win win;
  win.dev = &dev;
  disp::gdi_SetCurrent(&dev, &win);
  press(500, 500);
  drag(30, 50, -15, 15);
  dev.clear();
  fe_DrawEditor(sub);
  auto has = [&](const std::string& s) {
    for (const auto& c : dev.calls)
      if (c.find(s) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("146,10 146,")) << "the line left of the face column";
  EXPECT_TRUE(has("polyline 2: 0,30 "));
  EXPECT_TRUE(has("text 14,")) << "the column titles";
  // Ticks every 10 units on the top edge, 3 units outside.
  EXPECT_TRUE(has("polyline 2: 210,80 210,77"));
  EXPECT_TRUE(has("polyline 2: 250,80 250,77"));
  EXPECT_FALSE(has("polyline 2: 260,80 260,77")) << "no tick at the corner";
  // The face: something drawn within the box.
  bool inBox = false;
  for (const auto& c : dev.withPrefix("polyline"))
    if (c.find(" 200,80") != std::string::npos || c.find(" 200,8") != std::string::npos) inBox = true;
  EXPECT_TRUE(inBox);
  disp::gdi_SetCurrent(nullptr, nullptr);
  disp::gdi_ResetAll();
}

} // namespace
} // namespace rec::test
