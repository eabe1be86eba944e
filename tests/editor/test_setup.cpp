// Worksheet setup records and the editor helpers of the shell's services.
#include "script_fixture.h"

#include "editor/setup.h"
#include "model/instances.h"

using namespace editor;
using namespace editor_test;

namespace {

class Setup : public ScriptFixture {};

TEST_F(Setup, DefaultsForAnEmptyFlagWord) {
  main->Flags = 0;
  std::memcpy(main->Text2, "OLD.BMP", 7);
  SetupRecordA a;
  SetupRecordB b;
  SetupRecordC c;
  a.fill(0xEE);
  txt_InitFieldTable(window, a, b, c);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[22], 8);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(b[4] | (b[5] << 8), 640);
  EXPECT_EQ(b[6] | (b[7] << 8), 480);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[10])), "        ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[19])), "   ") << "cut at the end of the record";
  EXPECT_EQ(main->Text2[0], 0) << "the names are cleared";
}

TEST_F(Setup, FillThenInitRoundTrip) {
  SetupRecordA a{};
  SetupRecordB b{};
  SetupRecordC c{};
  a[1] = a[2] = a[6] = a[7] = a[24] = 1;
  a[4] = 5;
  a[8] = 1;
  std::memcpy(&a[9], "PICTURE1.BMP", 12);   // twelve characters: no terminator in the logic
  c[0] = c[2] = 1;
  std::memcpy(&c[4], "SECOND", 6);
  c[18] = 0x34;
  c[19] = 0x12;
  static bool asked;
  asked = false;
  txt_SetPictureSizer([](const std::string& name, int& w, int& h) {
    asked = name == "PICTURE1.BMP";
    w = 644;
    h = 486;
    return true;
  });
  b[3] = 1;
  txt_FillFieldTable(window, a, b, c);
  txt_SetPictureSizer(nullptr);
  EXPECT_TRUE(asked);
  EXPECT_EQ(main->Flags, 0x0800 | 0x2000 | 0x1000 | 0x0400 | 0x0080 | 0x4000 | 0x8000 | 0x0100 | 0x10 | 5);
  EXPECT_EQ(main->Width, 640);
  EXPECT_EQ(main->Height, 510) << "486 rounded to 490, and 20 more without 0x0400 before";
  EXPECT_EQ(mod_LogicValue(main), 0x1234);
  SetupRecordA a2{};
  SetupRecordB b2{};
  SetupRecordC c2{};
  txt_InitFieldTable(window, a2, b2, c2);
  for (int i : {1, 2, 6, 7, 8, 24}) EXPECT_EQ(a2[i], 1) << i;
  EXPECT_EQ(a2[4], 5);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&a2[9]), 12), "PICTURE1.BMP");
  EXPECT_EQ(a2[21], 0);
  EXPECT_EQ(c2[0], 1);
  EXPECT_EQ(c2[1], 0);
  EXPECT_EQ(c2[2], 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&c2[4])), "SECOND");
  EXPECT_EQ(c2[18] | (c2[19] << 8), 0x1234);
}

TEST(SetupRounding, RoundTo10) {
  struct Case { int in, out; } cases[] = {{14, 10}, {15, 10}, {16, 20}, {26, 30}, {0, 0}, {-14, -10}, {-16, -10}};
  for (Case k : cases) {
    std::int16_t x = std::int16_t(k.in), y = std::int16_t(k.in);
    ws_RoundTo10(x, y);
    EXPECT_EQ(x, k.out) << k.in;
    EXPECT_EQ(y, k.out) << k.in;
  }
}

// The shell's rename (259) on the template: done and marking the project, or
// refused without change for a missing logic, a name another logic has, an
// empty name or one with a blank or over 16 characters.
TEST_F(Setup, RenameModuleForTheShell) {
  model::LogicRecord* other = model::ge_NewLogic("OTHER");
  ASSERT_NE(other, nullptr);
  ctx().projectChanged = 0;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"NOSUCH", "X"}, {"MAIN", "OTHER"}, {"MAIN", ""}, {"MAIN", "TWO WORDS"}, {"MAIN", "SEVENTEEN_LETTERS"}}) {
    EXPECT_FALSE(ui_RenameModule(from, to)) << from << " -> " << to;
    EXPECT_STREQ(main->Name, "MAIN");
  }
  EXPECT_EQ(ctx().projectChanged, 0);
  EXPECT_TRUE(ui_RenameModule("MAIN", "PLANT"));
  EXPECT_EQ(std::string(main->Name), "PLANT           ");
  EXPECT_EQ(ctx().projectChanged, 1);
}

TEST_F(Setup, RenameLogicAndModules) {
  EXPECT_EQ(mod_RenameLogic(window, "NOSUCH", "X"), 9);
  EXPECT_STREQ(main->Name, "MAIN");
  EXPECT_EQ(mod_RenameLogic(window, "MAIN", "PLANT"), 0);
  EXPECT_EQ(std::string(main->Name), "PLANT           ");
  EXPECT_EQ(mod_RenameLogic(window, "PLANT", "AGAIN"), 0);
  compiledType();
  ModuleIterator it;
  EXPECT_EQ(it_FirstModule(it), 3);
  EXPECT_EQ(it_NextModule(it), 1);
  EXPECT_EQ(it.name, "LIB");
  EXPECT_EQ(it_NextModule(it), -1);
  EXPECT_FALSE(scr_IsLogicModified(window));
}

TEST_F(Setup, QualifiedNameWithInstanceNamesAndAShortBuffer) {
  model::LogicRecord* sub = model::ge_NewLogic("PUMP   ");
  add(sub, "%STD", "Input", 0, 0, 1);
  model::GateRecord* call = add(main, "", "PUMP", 100, 100, -1);
  ASSERT_NE(call, nullptr);
  ASSERT_TRUE(model::ge_GrowExtra(main, call, 2));
  model::GateInstance* gi = model::inst_Parallel(main, main->FirstInstance, call);
  ASSERT_NE(gi, nullptr);
  double* block = gi->ExtraValues ? gi->ExtraValues : call->Extra;
  std::memcpy(block, "_IP1 x", 6);
  model::DocumentRecord* d = model::TemplateDocument;
  d->MacroLevel = 2;
  d->LevelLogics[2] = sub;
  d->LevelInstances[1] = main->FirstInstance;
  d->LevelInstances[2] = gi->Children;
  char buf[64];
  mod_QualifiedName(buf, sizeof buf);
  EXPECT_STREQ(buf, "MAIN\\PUMP::P1");
  char shortBuf[7];
  std::memset(shortBuf, 'z', sizeof shortBuf);
  mod_QualifiedName(shortBuf, sizeof shortBuf);
  EXPECT_STREQ(shortBuf, "MAIN\\P");
  EXPECT_TRUE(scr_IsLogicModified(window)) << "PUMP is called";
  d->MacroLevel = 1;
  d->LevelLogics[2] = nullptr;
  d->LevelInstances[2] = nullptr;
}

TEST_F(Setup, DropLevelInstancesDeletesTheCallsOfLevelOne) {
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  add(sub, "%STD", "Input", 0, 0, 1);
  add(main, "", "SUB", 100, 100, -1);
  add(main, "%STD", "Text", 0, 0, -1);
  mod_MakeCurrent(window);
  mod_DropLevelInstances(window);
  EXPECT_EQ(count(main), 1);
  EXPECT_EQ(main->FirstGate->Kind, model::kKindText);
  EXPECT_EQ(model::TemplateDocument->MacroLevel, 0);
  EXPECT_EQ(model::RunDocument, model::TemplateDocument);
  model::TemplateDocument->MacroLevel = 1;
  expectSound();
}

} // namespace
