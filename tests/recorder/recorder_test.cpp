// The recorder's model: channel list, sample values by type, trigger, paging,
// layout and the ring of samples.
#include "fixture.h"

#include "display/gdi.h"
#include "recorder/recfiles.h"
#include "recorder/recorder.h"
#include "recorder/trend.h"

#include <cstring>

namespace rec::test {
namespace {

class RecorderTest : public RecFixture {
protected:
  void SetUp() override {
    RecFixture::SetUp();
    disp::gdi_SetCurrent(nullptr, nullptr);
  }
};

TEST_F(RecorderTest, ChannelCountIsClampedAndSelects) {
  Recorder r;
  ChannelRecord* c = tr_SetChannelCount(r, 5, 40);
  EXPECT_EQ(r.channels.size(), 36u);
  EXPECT_EQ(r.recChannelCount, 36);
  EXPECT_EQ(c, r.channel(5));
  EXPECT_TRUE(tr_AddChannel(r));   // a 37th is never added
  EXPECT_EQ(r.channels.size(), 36u);
  EXPECT_EQ(tr_SetChannelCount(r, 0, 0), nullptr);
  EXPECT_TRUE(r.channels.empty());
}

TEST_F(RecorderTest, SampleValuesByType) {
  Recorder r;
  ChannelRecord& c = *r.channel(1);
  ASSERT_TRUE(tr_BindChannelTo(r, c, logic, source, instanceOf(source), 1, 1));
  struct Case { model::PinSignalType type; std::uint16_t word; double real; double expected; };
  const Case cases[] = {
      {1, 1, 0, 1.0}, {1, 0, 0, 0.0}, {1, 3, 0, 1.0},   // binary: the low bit
      {8, 255, 0, 1.0}, {8, 0x1FF, 0, 1.0}, {16, 32768, 0, 0.5}, {17, 16384, 0, 0.25},
      {18, 5, 0, kNoValue}, {19, 5, 0, kNoValue}, {20, 0, 2.5, 2.5}, {35, 0, -7.0, -7.0}, {36, 0, 1.0, kNoValue},
  };
  for (const Case& k : cases) {
    source->Outputs[0].Type = k.type;
    double& slot = sourceValue();
    if (k.type >= 20) slot = k.real;
    else {
      slot = 0.0;
      std::memcpy(&slot, &k.word, 2);
    }
    EXPECT_EQ(tr_SampleValue(c), k.expected) << "type " << k.type;
  }
  EXPECT_TRUE(tr_UnbindChannel(r, 1));
  EXPECT_EQ(tr_SampleValue(c), kNoValue);
}

TEST_F(RecorderTest, BindingAtAPointAndCheckingIt) {
  Recorder r;
  ASSERT_TRUE(tr_BindChannel(r, logic, logic->FirstInstance, pickX(), pickY()));
  ChannelRecord& c = *r.channel(1);
  EXPECT_EQ(c.gate, source);
  EXPECT_EQ(c.pin, 1);
  EXPECT_EQ(c.hidden, 0);
  EXPECT_EQ(c.valuePtr, &sourceValue());
  EXPECT_FALSE(tr_BindChannel(r, logic, logic->FirstInstance, 900, 900));   // no connection there
  source->Outputs[0].Type = model::kTypeOpen;
  EXPECT_FALSE(tr_BindChannel(r, logic, logic->FirstInstance, pickX(), pickY()));
  source->Outputs[0].Type = model::kTypeReal;
  tr_CheckBindings(r);
  EXPECT_EQ(c.gate, source);
  c.pickY = std::int16_t(c.pickY + 200);   // the connection is no longer there
  tr_CheckBindings(r);
  EXPECT_EQ(c.logic, nullptr);
  EXPECT_EQ(c.hidden, 1);
}

TEST_F(RecorderTest, LayoutOf800By450) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  ASSERT_TRUE(r.layoutValid);
  EXPECT_EQ(r.recPxPerDivisionX, 40);
  EXPECT_EQ(r.recPxPerDivisionY, 40);
  EXPECT_EQ(r.recDivisions, 20);
  EXPECT_EQ(r.recColumnsPerPage, 799);
  EXPECT_EQ(r.recX0, 0);
  EXPECT_EQ(r.recDivisionsShown, 19);
  EXPECT_EQ(r.recWidth, 745);
  EXPECT_EQ(r.recDivisionsY, 10);
  EXPECT_EQ(r.recBottom, 399);
  EXPECT_DOUBLE_EQ(r.recWindowLength, 18.0);
  EXPECT_DOUBLE_EQ(r.recTimePerColumn, 1.0 / 40);
  EXPECT_EQ(r.ringSlots(), 1025u);
  r.recAxesShown = 3;
  tr_SetLayout(r, 0, 0, 800, 450);
  EXPECT_EQ(r.recX0, 40);
  EXPECT_EQ(r.recDivisionsShown, 18);
  // A wide window: the ring grows past 1025 slots to width + 1.
  tr_SetLayout(r, 0, 0, 2400, 450);
  EXPECT_EQ(r.ringSlots(), std::size_t(r.recWidth) + 1);
  EXPECT_EQ(r.channel(1)->samples.size(), r.ringSlots());
  // Below 150 pixels there is no layout, and nothing divides by zero.
  tr_SetLayout(r, 0, 0, 800, 149);
  EXPECT_FALSE(r.layoutValid);
  tr_DrawSample(r, true, 1.0, r.writeValues.data());
}

TEST_F(RecorderTest, GridSteps) {
  EXPECT_EQ(tr_GridStep(40), 4);
  EXPECT_EQ(tr_GridStep(20), 4);
  EXPECT_EQ(tr_GridStep(10), 5);
  EXPECT_EQ(tr_GridStep(30), 3);
}

TEST_F(RecorderTest, ValueToRow) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  ChannelRecord& c = *r.channel(1);
  EXPECT_EQ(tr_ValueToRow(r, kNoValue, c), -2);
  EXPECT_EQ(tr_ValueToRow(r, 1.0, c), 40);
  EXPECT_EQ(tr_ValueToRow(r, 1e9, c), 2000);
  EXPECT_EQ(tr_ValueToRow(r, -5.0, c), -1);
  c.factor = 2.0;
  c.offset = 1.0;
  r.recAxes[1].scale = 0.5;
  EXPECT_EQ(tr_ValueToRow(r, 1.0, c), 60);
}

struct TriggerCase {
  const char* name;
  int trigger;
  bool bound;
  std::vector<double> values;
  std::vector<int> armed;      // after each sample
  std::vector<int> triggered;
};

class TriggerTest : public RecorderTest, public ::testing::WithParamInterface<TriggerCase> {};

TEST_P(TriggerTest, ArmsAndFires) {
  const TriggerCase& k = GetParam();
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  r.recTrigger = std::int16_t(k.trigger);
  r.recTriggerChannel = 1;
  if (k.bound) {
    ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  }
  r.triggerChannel = r.channel(1);
  for (std::size_t i = 0; i < k.values.size(); ++i) {
    sourceValue() = k.values[i];
    tr_TakeSample(r, true, 0.1 * double(i));
    EXPECT_EQ(r.recArmed, k.armed[i]) << k.name << " sample " << i;
    EXPECT_EQ(r.recTriggered, k.triggered[i]) << k.name << " sample " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerTest,
    ::testing::Values(
        TriggerCase{"fall", -1, true, {-1, 0, 1, 0, -0.5, 1}, {0, 0, 1, 1, 1, 1}, {0, 0, 0, 0, 1, 1}},
        TriggerCase{"rise", 1, true, {1, 0, -1, 0, 0.5}, {0, 0, 1, 1, 1}, {0, 0, 0, 0, 1}},
        TriggerCase{"cont", 0, true, {5, -5}, {0, 0}, {1, 1}},
        TriggerCase{"unbound", 1, false, {-1, 1, -1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecorderTest, TriggerStartsThePageWhereItFires) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  r.recTrigger = 1;
  r.recTriggerChannel = 1;
  ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  r.triggerChannel = r.channel(1);
  for (double v : {-1.0, -1.0, 1.0}) {
    sourceValue() = v;
    tr_TakeSample(r, true, r.recLastTime < 0 ? 0.0 : r.recLastTime + 1.0);
  }
  EXPECT_EQ(r.recTriggered, 1);
  EXPECT_EQ(r.recColumn, 0);
  EXPECT_DOUBLE_EQ(r.recColumnTime, 2.0);
}

TEST_F(RecorderTest, PausedPageStopsAtTheRightEdge) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  r.recPaused = 1;
  ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  double t = 0.0;
  for (int i = 0; i < 100; ++i, t += 0.5) tr_TakeSample(r, true, t);
  EXPECT_EQ(r.recColumn, r.recWidth + 1);
  EXPECT_TRUE(r.pageDone);
  const auto column = r.recColumn;
  tr_TakeSample(r, true, t + 5);
  EXPECT_EQ(r.recColumn, column);
  // A sample before the last drawn time restarts the picture.
  tr_TakeSample(r, true, 0.0);
  EXPECT_FALSE(r.pageDone);
  EXPECT_EQ(r.recColumn, 0);
}

TEST_F(RecorderTest, RollModeRollsByADivision) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  r.recRoll = 1;
  ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  double t = 0.0;
  for (int i = 0; i < 60; ++i, t += 0.5) tr_TakeSample(r, true, t);
  EXPECT_GT(r.recTime, 0.0);
  EXPECT_LE(r.recColumn, r.recWidth + 1);
  EXPECT_GE(r.recColumn, r.recWidth - r.recPxPerDivisionX + 1);
}

TEST_F(RecorderTest, GateChannelPausesWithOneGapRecord) {
  Recorder r;
  tr_SetChannelCount(r, 1, 1);
  ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  tr_SetGateChannel(r, true);
  ASSERT_TRUE(tr_BindChannelTo(r, *r.gateChannel, logic, sink, instanceOf(sink), 1, 1));
  ASSERT_TRUE(vf_OpenOutputAs(r, logic, path("G.VDB")));
  double& bit = instanceOf(sink)->OutputValues[0];
  const std::uint16_t one = 1, zero = 0;
  sourceValue() = 7.0;
  std::memcpy(&bit, &zero, 2);
  tr_TakeSample(r, false, 0.0);
  std::memcpy(&bit, &one, 2);
  tr_TakeSample(r, false, 1.0);
  tr_TakeSample(r, false, 2.0);
  std::memcpy(&bit, &zero, 2);
  tr_TakeSample(r, false, 3.0);
  vf_CloseOutput(r, true);
  const auto b = bytesOf(path("G.VDB"));
  ASSERT_EQ(b.size(), 2u + 3 * 16);   // three records: 0.0, one gap at 1.0, 3.0
  double v = 0;
  std::memcpy(&v, &b[2 + 16 + 8], 8);
  EXPECT_EQ(v, kNoValue);
  std::memcpy(&v, &b[2 + 32], 8);
  EXPECT_EQ(v, 3.0);
}

TEST_F(RecorderTest, AcceptedStepHookSamplesTheActiveRecorder) {
  Recorder r;
  ASSERT_TRUE(tr_BindChannelTo(r, *r.channel(1), logic, source, instanceOf(source), 1, 1));
  doc->SimLogic = logic;
  logic->StepBlock.simTime = 2.5;
  sourceValue() = 4.0;
  tr_OnAcceptedStep(*doc);   // no active recorder: nothing
  EXPECT_EQ(r.recLastTime, -1.0);
  tr_SetActiveRecorder(&r);
  tr_OnAcceptedStep(*doc);
  EXPECT_EQ(r.recLastTime, 2.5);
  EXPECT_EQ(r.channel(1)->lastValue, 4.0);
  double seen = 0;
  tr_SetActiveRecorder(&r, [&](double t) { seen = t; });
  tr_OnAcceptedStep(*doc);
  EXPECT_EQ(seen, 2.5);
  tr_SetActiveRecorder(nullptr);
  doc->SimLogic = nullptr;
}

TEST_F(RecorderTest, ScrollValuesAndActions) {
  Recorder r;
  tr_SetLayout(r, 0, 0, 800, 450);
  r.recRoll = 1;
  r.recSeekable = 1;
  r.recFirstTime = 0.0;
  r.recLastTime = 72.0;
  r.recSampleTime = 72.0;
  tr_ComputeScroll(r);
  EXPECT_EQ(r.recScrollPage, 250);
  EXPECT_EQ(r.recScrollPos, 1000);
  const auto before = r.recScrollPos;
  tr_ScrollTo(r, 1001);
  tr_ScrollTo(r, -3);
  EXPECT_EQ(r.recScrollPos, before);
  r.recXY = 1;
  tr_ComputeScroll(r);
  EXPECT_EQ(r.recScrollPage, 1000);
}

} // namespace
} // namespace rec::test
