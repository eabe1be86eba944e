// The window program, drawn offscreen, logs the same events as the headless one.
#include "program_fixture.h"

namespace {

using namespace testprog;

TEST_F(Program, TheWindowReceivesTheSameEvents) {
  pid = start({"--window"});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(waitFor([&] { return plat::ipc::exists(endpoint); }));
  auto id = plat::ipc::send(endpoint, msg(msgwnd::kIdentify), 5000);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->text, "MESSAGES");
  for (auto m : {msg(msgwnd::kAppendLine, 0, 3, "hi"), msg(msgwnd::kShowProgBar, 1), msg(msgwnd::kInitProgBar, 0, 10),
                 msg(msgwnd::kSetProgBar, 4), msg(msgwnd::kEmpty)}) {
    auto a = plat::ipc::send(endpoint, m, 5000);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->result, 1);
  }
  EXPECT_TRUE(plat::ipc::post(endpoint, msg(msgwnd::kClose)));
  EXPECT_EQ(waitExit(pid), 0);
  EXPECT_EQ(readAll(log), "LINE hi\nPROGBAR SHOW 1\nPROGBAR INIT 0 10\nPROGBAR POS 4\nEMPTY\nCLOSE\n");
}

TEST_F(Program, TheWindowEndsWithItsOwner) { expectEndsWithItsOwner({"--window"}); }

} // namespace
