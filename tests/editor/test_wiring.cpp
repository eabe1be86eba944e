#include "fixture.h"

#include "editor/wiring.h"
#include "model/check.h"

#include <algorithm>

namespace editor_test {
namespace {

using namespace editor;

class Wiring : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  model::GateRecord* a = nullptr;
  model::GateRecord* b = nullptr;
  WorksheetWindowData* w = nullptr;
  int outX = 0, outY = 0, inX = 0, inY = 0, bOutX = 0, bOutY = 0;

  void SetUp() override {
    EditorFixture::SetUp();
    logic = showLogic("MAIN");
    a = make(logic, model::kKindAnd, 100, 100);
    b = make(logic, model::kKindAnd, 300, 200);
    ASSERT_TRUE(a && b);
    w = sheet();
    ctx().mainSlot = ui_TableOfMode(7);
    std::int16_t x, y;
    std::uint16_t side;
    ASSERT_TRUE(model::gg_OutputPinPos(a, 1, x, y, side));
    outX = a->X + x;
    outY = a->Y + y;
    ASSERT_TRUE(model::gg_InputPinPos(b, 1, x, y, side));
    inX = b->X + x;
    inY = b->Y + y;
    ASSERT_TRUE(model::gg_OutputPinPos(b, 1, x, y, side));
    bOutX = b->X + x;
    bOutY = b->Y + y;
  }
  long messages(const std::string& m) { return std::count(shellFake.calls.begin(), shellFake.calls.end(), m); }
  std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
};

TEST_F(Wiring, CornersArePulledOntoTheLineBelow15Units) {
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(outX, outY) + "\nexpect state 5\n")) << ::testing::PrintToString(run.failures);
  int lastX = wiring().lastX, lastY = wiring().lastY;
  ASSERT_TRUE(run.run("down " + at(lastX + 14, lastY - 60) + "\nexpect state 5\n"));
  EXPECT_EQ(wiring().lastX, lastX) << "14 off the vertical is pulled onto it";
  EXPECT_EQ(wiring().lastY, lastY - 60);
  ASSERT_TRUE(run.run("down " + at(lastX + 15, lastY - 120) + "\n"));
  EXPECT_EQ(wiring().lastY, lastY - 60) << "15 off is refused";
  // The end at the input connects with an axis-parallel wire.
  ASSERT_TRUE(run.run("down " + at(inX, inY) + "\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(b->Inputs[0].Source, a);
  ASSERT_NE(b->Inputs[0].Wire, nullptr);
  model::CheckOptions straight;
  straight.wiresStraight = true;
  EXPECT_EQ(model::model_CheckLogic(*logic, straight), std::vector<std::string>{});
  const model::WirePoint* last = b->Inputs[0].Wire;
  while (last->Next) last = last->Next;
  EXPECT_EQ(last->Y, inY) << "the wire enters the input along its side";
}

TEST_F(Wiring, SameDirectionEndIsRefusedOnceAndFreed) {
  ScriptRunner run(host, w);
  int redraws = host.redraws;
  ASSERT_TRUE(run.run("down " + at(outX, outY) + "\ndown " + at(bOutX, bOutY) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_EQ(messages("msg 50051"), 1);
  EXPECT_EQ(b->Inputs[0].Source, nullptr);
  EXPECT_EQ(wiring().points, nullptr) << "the refused wire is freed";
  EXPECT_GT(host.redraws, redraws) << "the sheet is redrawn instead of the freed wire";
  // The same click again: no message.
  run.run("down " + at(bOutX, bOutY) + "\n");
  EXPECT_EQ(messages("msg 50051"), 1);
}

TEST_F(Wiring, StartOnADrivingOutputIsRefused) {
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(outX, outY) + "\ndown " + at(inX, inY) + "\n"));
  ASSERT_EQ(b->Inputs[0].Source, a);
  ASSERT_TRUE(run.run("down " + at(inX, inY) + "\nexpect state 0\nexpect result 9\n"))
      << "an input that has a connection refuses the start";
}

TEST(CornerShapes, EverySidePairLeavesAndEntersAlongItsSides) {
  for (int s = 1; s <= 4; ++s)
    for (int e = 1; e <= 4; ++e) {
      bool sh = s <= 2, eh = e <= 2;
      CornerShape want = sh ? (eh ? CornerShape::HVH : CornerShape::HV) : (eh ? CornerShape::VH : CornerShape::VHV);
      EXPECT_EQ(ws_CornerShape(s, e), want) << s << "," << e;
    }
}

TEST(AxisRule, Cases) {
  struct Case { int x, y; bool ok; int wx, wy; };
  for (Case c : {Case{0, 50, true, 0, 50}, Case{14, 50, true, 0, 50}, Case{15, 50, false, 15, 50},
                 Case{30, 30, true, 30, 30}, Case{50, 10, true, 50, 0}}) {
    int x = c.x, y = c.y;
    EXPECT_EQ(ws_MakeAxisParallel(0, 0, x, y, true), c.ok) << c.x << "," << c.y;
    if (c.ok) {
      EXPECT_EQ(std::pair(x, y), std::pair(c.wx, c.wy));
    }
  }
}

} // namespace
} // namespace editor_test
