#include "model/fake_services.h"
#include "model/memory.h"

#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace model {
namespace {

int g_failNext = 0;     // number of upcoming system allocations that fail
int g_systemCalls = 0;
void* failingAlloc(std::size_t n) {
  ++g_systemCalls;
  if (g_failNext > 0) {
    --g_failNext;
    return nullptr;
  }
  return std::malloc(n);
}

class MemoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    mm_SetSystemAllocator(nullptr, nullptr);
    mm_Reset();
    g_failNext = 0;
    g_systemCalls = 0;
  }
  void TearDown() override {
    mm_SetSystemAllocator(nullptr, nullptr);
    mm_Reset();
  }
};

TEST_F(MemoryTest, ZeroBytesGiveAZeroFilledBlockOfFour) {
  void* p = nullptr;
  const std::size_t before = mm_BytesInUse();
  mm_Allocate(p, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mm_BytesInUse(), before + 4);
  const unsigned char* b = static_cast<unsigned char*>(p);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b[i], 0);
  mm_Deallocate(p, 0);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(mm_BytesInUse(), before);
  mm_Deallocate(p, 0);   // an empty slot stays empty
  EXPECT_EQ(p, nullptr);
}

TEST_F(MemoryTest, InjectedFailureShowsTheMessageOnceReleasesTheReserveAndRetries) {
  // The default shell shows the message through the platform's UI sink.
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  ASSERT_TRUE(mm_ReserveHeld());
  mm_SetSystemAllocator(failingAlloc, nullptr);
  g_failNext = 1;
  void* p = nullptr;
  mm_Allocate(p, 64);
  ASSERT_NE(p, nullptr) << "the retry after giving up the reserve succeeds";
  EXPECT_FALSE(mm_ReserveHeld());
  EXPECT_FALSE(mm_AlertShowing());
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Insufficient memory! Save and start again.");
  mm_Deallocate(p, 64);

  // A later shortage shows the message again and leaves the slot empty: the
  // reserve is given up only once.
  g_failNext = 2;
  mm_Allocate(p, 64);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(sink->shown().size(), 2u);
}

TEST_F(MemoryTest, FakeShellSeesMessageAndMenuReduction) {
  FakeShell fake;
  ShellServices* prev = setShell(&fake);
  mm_SetSystemAllocator(failingAlloc, nullptr);
  g_failNext = 1;
  void* p = nullptr;
  mm_Allocate(p, 10);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(fake.calls[0], "msg 50036");
  EXPECT_EQ(fake.calls[1], "menu reduced");
  mm_Deallocate(p, 10);
  setShell(prev);
}

TEST_F(MemoryTest, WorkBlocksAreRoundedAndStacked) {
  EXPECT_EQ(mm_WorkDepth(), 1);
  const std::size_t before = mm_BytesInUse();
  void* a = mm_PushWork(5);
  void* b = mm_PushWork(8);
  void* c = mm_PushWork(13);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(mm_WorkEntry(2), a);
  EXPECT_EQ(mm_WorkEntry(3), b);
  EXPECT_EQ(mm_WorkEntry(4), c);
  EXPECT_EQ(mm_BytesInUse(), before + 8 + 16 + 16);
  mm_PopWork(13);
  mm_PopWork(8);
  mm_PopWork(5);
  EXPECT_EQ(mm_WorkDepth(), 1);
  EXPECT_EQ(mm_BytesInUse(), before);
  mm_PopWork(8);   // a stray pop changes nothing
  EXPECT_EQ(mm_WorkDepth(), 1);
}

TEST_F(MemoryTest, PushingPastTheTableIsRefusedAndPopsStayMatched) {
  FakeShell fake;
  ShellServices* prev = setShell(&fake);
  const unsigned usable = kWorkTableSize - 2;   // entries 2..3749
  for (unsigned i = 0; i < usable; ++i) ASSERT_NE(mm_PushWork(0), nullptr) << i;
  EXPECT_EQ(mm_PushWork(0), nullptr);
  EXPECT_EQ(fake.outOfMemory, 1);
  EXPECT_EQ(mm_WorkDepth(), kWorkTableSize);
  for (unsigned i = 0; i <= usable; ++i) mm_PopWork(0);
  EXPECT_EQ(mm_WorkDepth(), 1);
  setShell(prev);
}

TEST_F(MemoryTest, ReleaseModeZeroHoldsBlocksBack) {
  void* p = nullptr;
  mm_Allocate(p, 128);
  void* const old = p;
  mm_SetReleaseMode(0);
  mm_Deallocate(p, 128);
  EXPECT_EQ(p, nullptr);
  void* q = nullptr;
  mm_Allocate(q, 128);
  EXPECT_NE(q, old) << "a block released during a load is not reused";
  mm_Deallocate(q, 128);
  mm_SetReleaseMode(1);
  EXPECT_EQ(mm_ReleaseMode(), 1);
}

} // namespace
} // namespace model

namespace model {
namespace {

TEST(ShellDefaults, NumberedMessagesGoThroughTheSink) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  ShellServices shellDefault;
  sink->answerBox(plat::ui::IDNO);
  EXPECT_EQ(shellDefault.msg_AskNewPath("PUMP.MDL"), 1);
  shellDefault.msg_FileError();
  sink->answerBox(plat::ui::IDYES);
  EXPECT_TRUE(shellDefault.dlg_AskYesNo(40020));
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "File PUMP.MDL could not be found.\nEnter new path?");
  EXPECT_EQ(shown[1].text, "File error!");
  EXPECT_EQ(shown[2].text, "All subprogram call-ups are being deleted!");
  // Integer prompts: asked again until a whole number; a cancel refuses.
  sink->answerPrompt("abc");
  sink->answerPrompt(" 12 ");
  int v = 2;
  EXPECT_TRUE(shellDefault.askInteger("Number Of Inputs (1..24)?", v));
  EXPECT_EQ(v, 12);
  sink->cancelPrompt();
  EXPECT_FALSE(shellDefault.askInteger("Number Of Inputs (1..24)?", v));
  EXPECT_EQ(v, 12);
}

} // namespace
} // namespace model
