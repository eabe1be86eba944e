// Demo A on the road to the target: "motor 1 cw until E1, then off" drawn
// with the standard block library's flow blocks in a sequence sheet, its
// target program text written, compiled against the software PLC's own
// description with no error and no warning, downloaded and run.
#include "target_fixture.h"

#include "engine/levels.h"

#include <cstring>

namespace zcdtest {
namespace {

// The extra values of a flow block: aux[0..7] packed as 16-bit words into
// the first two slots.
std::vector<double> aux(std::vector<std::int16_t> words) {
  std::vector<double> slots(2, 0.0);
  words.resize(8, 0);
  std::memcpy(slots.data(), words.data(), 16);
  return slots;
}

class Flow : public Target {
protected:
  void SetUp() override {
    Target::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(d->library(std::string(ZERLO_BLOCKLIB_SOURCE))) << d->error;
  }
  // The writer's passes read the link values their predecessors published:
  // a first text pass allocates, one time step gathers, the second writes.
  std::string writeWithLinks() {
    Diagram& D = *d;
    if (D.write().empty()) return "";
    model::LogicRecord* l = D.main;
    l->StepBlock.simTime = -1.0;
    l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
    l->StepBlock.maxIterations = 1;
    l->currentStep = l->previousStep = 0.01;
    D.doc->SimLogic = l;
    D.doc->SimInstances = l->FirstInstance;
    D.doc->iterationCounter = 1;
    engine::ss_StepLevel(*D.doc);
    return D.write();
  }
};

TEST_F(Flow, MotorRunsClockwiseUntilInputOne) {
  Diagram& D = *d;
  model::LogicRecord* flow = model::ge_NewLogic("FLOW");
  auto* start = D.block(flow, "STARTV3");
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* e1 = D.block(flow, "BINPUTV3", aux({1, 0, 1}));
  auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* end = D.block(flow, "ENDEV3");
  ASSERT_TRUE(start && cw && e1 && off && end);
  ASSERT_TRUE(D.wire(flow, start, 1, cw, 1));
  ASSERT_TRUE(D.wire(flow, cw, 1, e1, 1));
  ASSERT_TRUE(D.wire(flow, e1, 2, off, 1));   // YES: E1 set
  ASSERT_TRUE(D.wire(flow, off, 1, end, 1));
  ASSERT_NE(D.macro(D.main, flow), nullptr);

  const std::string text = writeWithLinks();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("&Init"), std::string::npos) << text;
  EXPECT_NE(text.find("&SMOT"), std::string::npos) << text;
  EXPECT_NE(text.find("&Not"), std::string::npos) << text;
  EXPECT_NE(text.find("&ABS"), std::string::npos) << text;
  std::string download, msgs;
  CgAdvResult res{};
  ASSERT_TRUE(compile(D.zcdPath(), download, msgs, res)) << msgs << text;
  ASSERT_EQ(res.errors, 0u) << msgs << text;
  EXPECT_EQ(res.warnings, 0u) << msgs << text;
  channel->download(download);
  channel->exchange({kReqStart});

  tick(1);
  bool ran = false;
  for (int cycle = 1; cycle <= 20; ++cycle) {
    tick(5);
    ran = ran || get<std::uint8_t>(A(1, 1)) != 0;
  }
  EXPECT_TRUE(ran) << text;
  EXPECT_NE(get<std::uint8_t>(A(1, 1)), 0) << "motor 1 cw while E1 is clear\n" << text;
  EXPECT_EQ(get<std::uint8_t>(A(1, 0)), 0);
  k.inImage[0] = 1;   // the interface reports E1
  for (int cycle = 1; cycle <= 5; ++cycle) tick(5);
  EXPECT_EQ(get<std::uint8_t>(A(1, 1)), 0) << "motor 1 off after E1\n" << text;
  EXPECT_EQ(get<std::uint8_t>(A(1, 0)), 0);
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
}

} // namespace
} // namespace zcdtest
