// The diagnosis library's shared state and its exports, loaded by name.
#include "trmd001/diag_state.h"

#include "platform/library.h"

#include <gtest/gtest.h>

namespace {

TEST(DiagState, InterfaceErrorsCountAndSwitchTheState) {
  trmd::DiagState s;
  EXPECT_EQ(s.interfaceError(605), 1);
  EXPECT_EQ(s.interfaceState(), 501);
  EXPECT_EQ(s.errorCounter(5), 1);
  EXPECT_EQ(s.interfaceError(0), 1);
  EXPECT_EQ(s.interfaceState(), 0);
  EXPECT_EQ(s.errorCounter(5), 0);
  for (int i = 1; i <= 100; ++i) {
    s.interfaceError(3);
    EXPECT_EQ(s.interfaceState(), i == 100 ? 1 : 0) << i;
  }
  trmd::DiagState t;
  t.interfaceError(0);
  t.interfaceError(21);
  t.interfaceError(600);
  for (int n = 1; n <= 20; ++n) EXPECT_EQ(t.errorCounter(n), 0);
  EXPECT_EQ(t.interfaceState(), 0);
}

TEST(DiagState, ErrorCountersSaturate) {
  trmd::DiagState s;
  for (int i = 0; i < trmd::DiagState::kCounterLimit + 5; ++i) s.interfaceError(4);
  EXPECT_EQ(s.errorCounter(4), trmd::DiagState::kCounterLimit);
  EXPECT_EQ(s.interfaceState(), 1);
}

TEST(DiagState, LookOutCodes) {
  trmd::DiagState s;
  EXPECT_EQ(s.infoLookOut(0), 0);
  EXPECT_TRUE(s.simulation());
  EXPECT_EQ(s.infoLookOut(1), 0);
  EXPECT_FALSE(s.simulation());
  EXPECT_EQ(s.infoLookOut(100), 0);
  EXPECT_TRUE(s.reshowRequest());
  EXPECT_EQ(s.infoLookOut(7), -93);
}

int g_mode = 0;
int readV(const char*, int, void* b, int) { *static_cast<char*>(b) = 5; return 1; }
int writeV(const char*, int, const void*) { return 1; }
void setM(int m) { g_mode = m; }
int getM() { return g_mode; }
int action(int) { return 0; }

TEST(DiagState, FunctionTableNeedsItsSizeWord) {
  trmd::DiagState s;
  RuntimeFunctionTable t{20, &readV, &writeV, &setM, &getM, &action};
  EXPECT_EQ(s.initFunctionTable(&t), 0);
  char c = 0;
  EXPECT_EQ(s.readValue("E", 1, &c, 1), 0);
  EXPECT_EQ(s.settingsAction(2), 0);
  t.size = kRuntimeFunctionTableSize;
  EXPECT_EQ(s.initFunctionTable(&t), 1);
  EXPECT_EQ(s.readValue("E", 1, &c, 1), 1);
  EXPECT_EQ(c, 5);
  s.setMode(7);
  EXPECT_EQ(s.getMode(), 7);
  EXPECT_EQ(s.settingsAction(2), 1);
}

TEST(DiagLibrary, HeadlessDialogEndsAtOnce) {
  plat::lib::Handle h = plat::lib::load("trmd001dll.dll", ZERLO_BIN_DIR);
  ASSERT_NE(h, nullptr) << plat::lib::lastError();
  auto call = plat::lib::symbolAs<int (*)(int)>(h, "CallTrmd001Dlg");
  auto init = plat::lib::symbolAs<int (*)(const RuntimeFunctionTable*)>(h, "InitZRLRTFunc");
  auto err = plat::lib::symbolAs<int (*)(int)>(h, "InterfaceError");
  auto look = plat::lib::symbolAs<int (*)(int)>(h, "InfoLookOut");
  ASSERT_TRUE(call && init && err && look);
  EXPECT_EQ(call(0), 300);
  EXPECT_EQ(call(1), 300);
  EXPECT_EQ(err(0), 1);
  EXPECT_EQ(look(7), -93);
  plat::lib::unload(h);
}

} // namespace
