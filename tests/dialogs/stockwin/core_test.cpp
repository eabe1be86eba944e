// The logic of the standard dialogs library without widgets.
#include "core.h"
#include "texts.h"

#include <gtest/gtest.h>

#include "name_list.h"

#include <cstring>

using namespace sw;
using swtest::List;

TEST(Names, Rule) {
  struct Case { const char* name; bool valid; } cases[] = {
      {"MOTOR", true}, {"", true}, {"A B", false}, {"A\tB", false}, {"&X", false}, {"$X", false},
      {"X&", true}, {"X$", true}, {nullptr, false}};
  for (auto& c : cases) EXPECT_EQ(isValidName(c.name), c.valid) << (c.name ? c.name : "null");
  EXPECT_TRUE(isBlankFree("&IN"));
  EXPECT_FALSE(isBlankFree("A B"));
  EXPECT_FALSE(isBlankFree(nullptr));
}

TEST(Names, FindAndCountAreExactAndSkipNullNodes) {
  List l({"PUMP", nullptr, "pump", "PUMP"});
  EXPECT_EQ(findName(&l.head, "PUMP"), &l.nodes[0]);
  EXPECT_EQ(findName(&l.head, "pump"), &l.nodes[2]);
  EXPECT_EQ(findName(&l.head, "PUM"), nullptr);
  EXPECT_EQ(findName(&l.head, nullptr), nullptr);
  EXPECT_EQ(findName(nullptr, "PUMP"), nullptr);
  EXPECT_EQ(countName(&l.head, "PUMP"), 2);
  EXPECT_EQ(countName(&l.head, "x"), 0);
  EXPECT_EQ(listNames(&l.head), (std::vector<std::string>{"PUMP", "pump", "PUMP"}));
  NameNode* none = nullptr;
  EXPECT_TRUE(listNames(&none).empty());
  EXPECT_EQ(upperCut("abcdefghijklmnopqrst", 14), "ABCDEFGHIJKLMN");
}

namespace {
float zoom2() { return 2.0f; }
int drop(const BlockDropRecord*) { return 1; }
} // namespace

TEST(Services, ResetSetAndShortTablesTakeWholeEntriesOnly) {
  Services s;
  EXPECT_EQ(s.table().size, sizeof(ServiceFunctionTable));
  EXPECT_EQ(s.zoom(), 1.0f);
  ServiceFunctionTable t{};
  t.size = sizeof t;
  t.zoom = zoom2;
  t.dropAtCursor = drop;
  s.set(&t);
  EXPECT_EQ(s.zoom(), 2.0f);
  EXPECT_EQ(s.table().dropAtCursor, drop);
  s.set(nullptr);  // nothing changes
  EXPECT_EQ(s.table().dropAtCursor, drop);
  // A size that ends inside the second entry: only the first is taken.
  t.size = std::uint32_t(offsetof(ServiceFunctionTable, createPicture) + 3);
  t.createPicture = [](int) -> void* { return nullptr; };
  s.set(&t);
  EXPECT_EQ(s.table().zoom, zoom2);
  EXPECT_EQ(s.table().createPicture, nullptr);
  EXPECT_EQ(s.table().dropAtCursor, nullptr);
  EXPECT_EQ(s.table().size, sizeof(ServiceFunctionTable));
  t.size = 2;  // not even the first entry
  s.set(&t);
  EXPECT_EQ(s.table().zoom, nullptr);
  EXPECT_EQ(s.zoom(), 1.0f);
}

TEST(NewProjects, DefaultNames) {
  const std::string tmpl = englishTable().string(kUntitled);
  struct Case { const char* path; bool isDefault; } cases[] = {
      {"/home/u/UNTITLED 02.MDL", true}, {"UNTITLED 02", true}, {"C:UNTITLED 07.mdl", true},
      {"C:\\P\\UNTITLED 12.MDL", true}, {"/p/UNTITLED 00.MDL", true}, {"/p/UNTITLED 123.MDL", true},
      {"/p/UNTITLED 2.MDL", false}, {"/p/UNTITLED 02X.MDL", false}, {"/p/untitled 02.MDL", false},
      {"/p/UNTITLED .MDL", false}, {"/p/UNTITLED .MDL", false}, {"/p/UNTITLED 02.A.MDL", false},
      {"/p/MOTOR.MDL", false}, {"", false}, {nullptr, false}};
  for (auto& c : cases) EXPECT_EQ(isDefaultProjectName(c.path, tmpl), c.isDefault) << (c.path ? c.path : "null");
}

TEST(StartScreen, NoticeOnceAfterTheDeadlineOnlyWithAFrame) {
  std::int64_t now = 1000;
  StartNotice n([&] { return now; }, 500);
  SwWindow frame = 0;
  EXPECT_EQ(n.tick(&frame), 0u);  // before the deadline, no frame
  now = 1499;
  frame = 7;
  EXPECT_EQ(n.tick(&frame), 0u);  // frame known, deadline not reached
  now = 1500;
  EXPECT_EQ(n.tick(nullptr), 0u);  // no reference
  frame = 0;
  EXPECT_EQ(n.tick(&frame), 0u);  // deadline passed, frame not yet known
  frame = 7;
  EXPECT_EQ(n.tick(&frame), 7u);  // first tick after the frame became known
  EXPECT_TRUE(n.sent());
  now = 9999;
  EXPECT_EQ(n.tick(&frame), 0u);  // once only
  StartNotice zero([&] { return now; }, 0);
  EXPECT_EQ(zero.tick(&frame), 7u);
}

TEST(StartScreen, LinesAreCutTo35) {
  StartBitmapParams p{{"0123456789012345678901234567890123456789", nullptr, "C"}, 10};
  auto l = startLines(&p);
  EXPECT_EQ(l[0], "01234567890123456789012345678901234");
  EXPECT_EQ(l[1], "");
  EXPECT_EQ(l[2], "C");
  EXPECT_EQ(startLines(nullptr), std::vector<std::string>(3));
}

TEST(WorksheetSetup, PositionsRoundTripAndOutOfRangeDefaults) {
  for (int pos = 3; pos <= 100; ++pos) EXPECT_EQ(zoomPosition(zoomFromPosition(pos)), pos) << pos;
  EXPECT_EQ(zoomPosition(0.7f), 7);
  EXPECT_EQ(zoomPosition(0.25f), 10);
  EXPECT_EQ(zoomPosition(12.0f), 10);
  EXPECT_EQ(zoomPosition(2.55f), 25);
  EXPECT_EQ(periodPosition(40), 6);
  EXPECT_EQ(periodPosition(6000), 6);
  EXPECT_EQ(periodPosition(125), 2);
  EXPECT_EQ(periodPosition(5000), 100);
  EXPECT_EQ(formatIndex(5), 5);
  EXPECT_EQ(formatIndex(6), 0);
  EXPECT_EQ(formatIndex(-1), 0);
}
