#include "shell/binding.h"
#include "shell/help.h"
#include "shell/resources.h"
#include "fixtures.h"
#include "platform/uisink.h"
#include <gtest/gtest.h>

using namespace shell;

namespace {

class Help : public testing::Test {
protected:
  void SetUp() override {
    help_ResetContext();
    sink_ = std::make_shared<plat::ui::ScriptedSink>();
    scoped_ = std::make_unique<plat::ui::ScopedSink>(sink_);
  }
  void TearDown() override {
    scoped_.reset();
    bind_UnloadAll();
    setProgramDir("");
  }
  void bindGood(long showNumber) {
    setProgramDir(shelltest::fixtureDir("good"));
    shelltest::fixtureClear(shelltest::fixtureDir("good"), "OBELTOOL.DLL");
    ASSERT_EQ(bind_LoadObelTool(), 1);
    ASSERT_EQ(bind_LoadStockWin(), 1);
    shelltest::fixtureFn<void (*)(const char*, long)>(shelltest::fixtureDir("good"), "OBELTOOL.DLL", "FixtureSet")(
        "GetShowHelpNumber", showNumber);
  }
  std::shared_ptr<plat::ui::ScriptedSink> sink_;
  std::unique_ptr<plat::ui::ScopedSink> scoped_;
};

TEST_F(Help, ContextBrackets) {
  EXPECT_EQ(help_SetContext(44), 601);
  std::uint16_t outer = help_SetContext(48);   // a dialog inside an operation
  EXPECT_EQ(outer, 44);
  EXPECT_EQ(help_GetContext(), 48);
  std::uint16_t inner = help_SetContext(9);
  EXPECT_EQ(inner, 48);
  help_SetContext(inner);
  EXPECT_EQ(help_GetContext(), 48);
  help_SetContext(outer);
  EXPECT_EQ(help_GetContext(), 44);
  help_SetCurrentOnly(330);
  EXPECT_EQ(help_GetContext(), 330);
  EXPECT_EQ(help_SetContext(1), 44);
}

TEST_F(Help, WithoutAHelpFileNothingOpens) {
  EXPECT_EQ(help_ShowContext(), 0);
  EXPECT_EQ(help_ShowBlockHelp(0, "ZRLFB02.MCO", "AND"), 0);
  EXPECT_EQ(help_Call(0, HELP_FINDER, 0), 0);
  EXPECT_TRUE(sink_->helps().empty());
}

TEST_F(Help, ContextAndBlockHelp) {
  bindGood(0);
  help_SetContext(55);
  EXPECT_EQ(help_ShowContext(), 1);
  ASSERT_EQ(sink_->helps().size(), 1u);
  EXPECT_FALSE(sink_->helps()[0].byKeyword);
  EXPECT_EQ(sink_->helps()[0].context, 55u);
  EXPECT_EQ(sink_->helps()[0].file, shelltest::fixtureDir("good") + "/ENGLISH/ZERLO.HLP");

  struct Case { const char* library; const char* kind; bool opens; const char* keyword; };
  std::size_t before = 0;
  for (const Case& c : {Case{"Projekt", "PUMP", false, ""}, Case{"mylib.MDL", "AND", false, ""},
                        Case{"MYLIB.mdl", "AND", false, ""}, Case{"ZRLFB02.MCO", "AND  ", true, "AND"},
                        Case{"Standard", "Output", true, "Output"}, Case{"Standard", "Input", true, "Input"}}) {
    before = sink_->helps().size();
    EXPECT_EQ(help_ShowBlockHelp(0, c.library, c.kind), c.opens ? 1 : 0) << c.library;
    auto helps = sink_->helps();
    ASSERT_EQ(helps.size(), before + (c.opens ? 1u : 0u));
    if (c.opens) {
      EXPECT_TRUE(helps.back().byKeyword);
      EXPECT_EQ(helps.back().keyword, c.keyword);
    }
  }
  EXPECT_EQ(help_Call(0, HELP_HELPONHELP, 0), 1);
  EXPECT_EQ(sink_->helps().back().keyword, "index");
  EXPECT_EQ(help_Call(0, HELP_FINDER, 0), 1);
  EXPECT_EQ(sink_->helps().back().keyword, "contents");
}

TEST_F(Help, NumbersShownForTheHelpAuthors) {
  bindGood(1);
  auto& box = sink_;
  help_SetContext(60);
  help_ShowContext();
  help_ShowBlockHelp(0, "ZRLFB02.MCO", "AND");
  std::string calls = shelltest::fixtureCalls(shelltest::fixtureDir("good"), "STOCKWIN.DLL");
  EXPECT_NE(calls.find("SW50_CallMBWithIDAndUINT 102 60"), std::string::npos) << calls;
  EXPECT_NE(calls.find("SW50_CallMBWithIDAndString 101 AND"), std::string::npos) << calls;
  ASSERT_EQ(box->shown().size(), 2u);
  EXPECT_EQ(box->shown()[0].style, plat::ui::MB_ICONINFORMATION);
}

TEST(HelpKeyword, OutputUsesString13) {
  // String 13 of the program's own table is the keyword of "Output".
  EXPECT_EQ(help_BlockKeyword("Output"), *res_String(13));
  EXPECT_EQ(help_BlockKeyword("Input"), *res_String(14));
  EXPECT_EQ(help_BlockKeyword("AND   "), "AND");
}

} // namespace
