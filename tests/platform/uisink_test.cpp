#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <thread>

using namespace plat::ui;

namespace {

TEST(UiSink, DefaultAnswerTable) {
  struct Case { unsigned style; int want; };
  const Case cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_ICONHAND, IDOK},
      {MB_OK | MB_DEFBUTTON2, IDOK},             // no second button: the first
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_ABORTRETRYIGNORE, IDABORT},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
      {MB_RETRYCANCEL, IDRETRY},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_RETRYCANCEL | MB_DEFBUTTON3, IDRETRY},
  };
  for (const Case& c : cases) EXPECT_EQ(defaultAnswer(c.style), c.want) << std::hex << c.style;
}

TEST(UiSink, DefaultSinkTakesTheDefaultAndCancelsPrompts) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(messageBox("Save changes?", "Zerlo", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  std::string in = "old";
  EXPECT_FALSE(prompt("Name?", "Zerlo", in));
  EXPECT_EQ(in, "old");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Zerlo: Save changes?"), std::string::npos);
}

TEST(UiSink, ScriptedSinkAnswersInOrderAndRecords) {
  auto s = std::make_shared<ScriptedSink>();
  ScopedSink scope(s);
  s->answerBox(IDNO);
  s->answerPrompt("typed");
  s->cancelPrompt();
  EXPECT_EQ(messageBox("one", "cap", MB_YESNO), IDNO);
  EXPECT_EQ(messageBox("two", "cap", MB_YESNO), IDYES);   // script empty: default
  std::string in = "x";
  EXPECT_TRUE(prompt("q1", "cap", in));
  EXPECT_EQ(in, "typed");
  EXPECT_FALSE(prompt("q2", "cap", in));
  EXPECT_EQ(in, "typed");
  EXPECT_FALSE(prompt("q3", "cap", in));                   // script empty: cancelled
  auto shown = s->shown();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0].text, "one");
  EXPECT_EQ(shown[0].style, unsigned(MB_YESNO));
  EXPECT_EQ(shown[2].text, "q1");
  EXPECT_EQ(shown[2].style, ScriptedSink::kPromptStyle);
  s->clear();
  EXPECT_TRUE(s->shown().empty());
}

TEST(UiSink, ScopedSinkRestoresAndSetSinkIsThreadSafe) {
  auto before = sink();
  {
    auto s = std::make_shared<ScriptedSink>();
    ScopedSink scope(s);
    EXPECT_EQ(sink(), s);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
      threads.emplace_back([&] {
        for (int j = 0; j < 200; ++j) messageBox("t", "c", MB_OK);
      });
    for (int i = 0; i < 50; ++i) {
      auto prev = setSink(s);
      EXPECT_EQ(prev, s);
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(s->shown().size(), 800u);
  }
  EXPECT_EQ(sink(), before);
  auto prev = setSink(nullptr);  // null restores a default sink
  EXPECT_NE(sink(), nullptr);
  setSink(prev);
}

} // namespace
