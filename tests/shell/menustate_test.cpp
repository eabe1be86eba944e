// The program state's table of commands, the reduced menus and the
// recent-file list, against recording menus.
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/prompts.h"
#include "shell/utilities.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace shell;

namespace {

class MenuState : public ::testing::Test {
protected:
  void SetUp() override {
    setBarMenus(&bars);
    menu_Reset();
    ins_Reset();
    programFlags() = ProgramFlags{};
    menuHooks() = MenuHooks{};
    menuHooks().worksheetExists = [this] { return worksheets; };
    menuHooks().interfaceActive = [this] { return interface; };
    menuHooks().offProgram = [this] { return offProg; };
    menuHooks().language = [] { return 0; };
    wnd_ClearWindowTable();
  }
  void TearDown() override {
    setBarMenus(nullptr);
    menuHooks() = MenuHooks{};
    programFlags() = ProgramFlags{};
    menu_Reset();
    ins_Reset();
    wnd_ClearWindowTable();
  }
  bool on(int id) { return bars.items()[id].enabled; }
  RecordingBarMenus bars;
  bool worksheets = true, interface = false, offProg = false;
};

} // namespace

TEST_F(MenuState, ResolvesTargetChainOnlineAndMissingWorksheets) {
  struct Case { int requested; bool c1, c2, dl, online, sheets; int state; };
  const Case cases[] = {
      {5, false, false, false, false, true, 5}, {6, true, false, false, false, true, 6},
      {8, true, true, false, false, true, 7},   {5, true, true, true, false, true, 8},
      {7, false, true, true, false, true, 5},   {5, false, false, false, true, true, 9},
      {5, false, false, false, false, false, 2}, {12, false, false, false, false, false, 2},
      {3, false, false, false, false, true, 3}, {1, false, false, false, false, false, 1},
      {2, false, false, false, false, true, 2}, {11, false, false, false, false, true, 11},
  };
  for (const auto& c : cases) {
    programFlags() = ProgramFlags{c.online, false, c.c1, c.c2, c.dl};
    worksheets = c.sheets;
    EXPECT_EQ(menu_ResolveState(c.requested), c.state) << c.requested;
  }
}

// Cells of the table: plain, conditional and unchanged, with the flags that decide them.
TEST_F(MenuState, TableCellsFollowStateAndFlags) {
  struct Case { int state; int id; bool expected; ProgramFlags flags; bool iface = false; int edit = 1; };
  const Case cases[] = {
      {1, 201, true, {}}, {1, 203, false, {}}, {2, 208, true, {}}, {3, 208, false, {}},
      {3, 212, true, {}}, {2, 212, false, {}}, {9, 216, true, {.online = true}}, {9, 201, false, {.online = true}},
      {12, 203, true, {}}, {12, 203, false, {.online = true}},
      {10, 230, true, {}}, {10, 236, true, {}},
      {3, 275, false, {}}, {3, 275, true, {}, true}, {1, 275, false, {}, true},
      {5, 264, false, {}}, {6, 264, true, {.chain1 = true, .trendSheet = true}},
      {9, 262, true, {.online = true}}, {10, 262, true, {.chain1 = true}}, {10, 262, false, {}},
      {12, 268, false, {}}, {12, 268, true, {.online = true}},
      {3, 370, true, {}, false, 1}, {3, 370, false, {}, false, 2},
      {3, 374, false, {}, false, 1}, {3, 374, true, {.clipboard = true}, false, 1},
      {3, 374, false, {.clipboard = true}, false, 2},
      {4, 257, true, {}}, {3, 257, false, {}}, {5, 383, true, {}}, {10, 383, false, {}},
      {11, 363, false, {}}, {12, 242, false, {}}, {11, 242, true, {}},
      // The running simulation overrides the table.
      {5, 230, false, {.simulation = true}}, {5, 268, true, {.simulation = true}},
      {11, 269, true, {.simulation = true}}, {7, 235, false, {.simulation = true, .chain1 = true, .chain2 = true}},
  };
  for (const auto& c : cases) {
    SetUp();
    programFlags() = c.flags;
    interface = c.iface;
    bars.edit = c.edit;
    menu_UpdateState(c.state);
    ASSERT_EQ(menu_State(), c.state);
    EXPECT_EQ(on(c.id), c.expected) << "state " << c.state << " id " << c.id;
  }
}

TEST_F(MenuState, UnchangedCellsAndCommand273) {
  // 240 and 243 keep what they had in states 9 and 10; 282 in state 3.
  programFlags().online = true;
  bars.enable(240, true);
  bars.enable(243, false);
  menu_UpdateState(9);
  EXPECT_TRUE(on(240));
  EXPECT_FALSE(on(243));
  programFlags().online = false;
  bars.enable(282, true);
  menu_UpdateState(3);
  EXPECT_TRUE(on(282));
  EXPECT_EQ(menu_Cell(243, 4), Cell::Unchanged);
  // 273: enabled in 5..8, disabled elsewhere while the off-program flag is on.
  offProg = true;
  bars.enable(273, true);
  menu_UpdateState(2);
  EXPECT_FALSE(on(273));
  menu_UpdateState(5);
  EXPECT_TRUE(on(273));
  offProg = false;
  menu_UpdateState(1);
  EXPECT_TRUE(on(273));
}

TEST_F(MenuState, EveryCellOfEveryStateIsApplied) {
  // With no condition true and nothing running, each E/D cell decides its command.
  for (int state = 1; state <= kProgramStates; ++state) {
    SetUp();
    bars.edit = 2;
    menu_UpdateState(state);
    for (const auto& row : menuStateTable()) {
      const char c = row.cells[state - 1];
      if (c == '=') continue;
      // Nothing conditional holds: only E and "unless online" enable.
      EXPECT_EQ(on(row.id), c == 'E' || c == 'U') << state << " " << row.id;
    }
    // Languages, bars and the interface commands.
    EXPECT_TRUE(bars.items()[40022].checked);
    EXPECT_EQ(on(40021), state != 9 && state != 11);
    EXPECT_EQ(on(322), state != 9);
    EXPECT_TRUE(on(323));
  }
}

TEST_F(MenuState, BarsAndWindowList) {
  wnd_AddToWindowTable(11, "MAIN & more");
  wnd_AddToWindowTable(12, "SIM");
  bars.edit = 0;
  menu_UpdateState(3);
  std::vector<std::string> expected = {"insert 0 400 &1: MAIN && more", "insert 0 401 &2: SIM", "mode 3", "edit 1"};
  EXPECT_EQ(bars.calls, expected);
  bars.calls.clear();
  wnd_RemoveFromWindowTable(11);
  menu_UpdateState(3);
  expected = {"delete 400", "delete 401", "insert 0 401 &2: SIM", "mode 3", "edit 1"};
  EXPECT_EQ(bars.calls, expected);
}

TEST_F(MenuState, ReducedMenusLockTheState) {
  menu_UpdateState(3);
  menu_UpdateReduced();
  EXPECT_TRUE(menu_IsLocked());
  for (const auto& row : menuStateTable()) EXPECT_EQ(on(row.id), row.id == 207 || row.id == 229 || row.id == 216) << row.id;
  bars.calls.clear();
  menu_UpdateState(3);
  EXPECT_TRUE(bars.calls.empty());
  EXPECT_FALSE(on(212));
}

// ---- recent files ----
TEST(RecentFiles, ShortensLongPaths) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\PROJECTS\\PLANT\\SECTION\\L.MD", "C:\\PROJECTS\\PLANT\\SECTION\\L.MD"},   // 30: whole
      {"C:\\PROJECTS\\PLANT\\SECTION\\LINE1.MDL", "C:\\...\\PLANT\\SECTION\\LINE1.MDL"},
      {"C:\\A\\B\\VERYLONGFOLDERNAME12345\\X.MDL", "C:\\...\\X.MDL"},
      {"C:/PROJECTS/PLANT/SECTION/LINE1.MDL", "C:/.../PLANT/SECTION/LINE1.MDL"},
      {"C:/A/B/VERYLONGFOLDERNAME12345/X.MDL", "C:/.../X.MDL"},
      {"/home/user/projects/plant/line1.mdl", ".../projects/plant/line1.mdl"},
      {"VERYLONGFILENAMEWITHOUTANYSEPARATOR.MDL", "...NAMEWITHOUTANYSEPARATOR.MDL"},
  };
  for (const auto& [path, shown] : cases) EXPECT_EQ(mru_ShortenPath(path), shown) << path;
  EXPECT_EQ(std::string(cases[0].first).size(), 30u);
}

namespace {
std::filesystem::path tempIni() {
  char tmpl[] = "/tmp/zerlo_mru_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return std::filesystem::path(d ? d : "/tmp") / "OBEL.INI";
}
} // namespace

TEST(RecentFiles, LoadsWithoutGapsAddsAndSaves) {
  RecordingBarMenus bars;
  setBarMenus(&bars);
  const auto ini = tempIni();
  {
    std::ofstream f(ini);
    f << "[FileList]\nFile00=C:\\Proj\\One.mdl\nFile01=\nFile02=/home/u/Two.MDL\n";
  }
  RecentFileList list;
  mru_Init(list);
  mru_LoadFromIni(list, ini.string(), 216);
  ASSERT_EQ(list.paths.size(), 2u);
  EXPECT_EQ(list.paths[1], "/home/u/Two.MDL");
  std::vector<std::string> expected = {"insert 216 224 &1 C:\\Proj\\One.mdl", "insert 216 225 &2 /home/u/Two.MDL"};
  EXPECT_EQ(bars.calls, expected);
  // A loaded project already in the list moves to "&1", compared ignoring case.
  bars.calls.clear();
  mru_Add(list, "/HOME/U/two.mdl");
  ASSERT_EQ(list.paths.size(), 2u);
  EXPECT_EQ(list.paths[0], "/HOME/U/two.mdl");
  EXPECT_EQ(bars.calls.back(), "insert 216 225 &2 C:\\Proj\\One.mdl");
  for (const char* p : {"/a/3.MDL", "/a/4.MDL", "/a/5.MDL", "/a/6.MDL"}) mru_Add(list, p);
  ASSERT_EQ(list.paths.size(), 5u);
  EXPECT_EQ(list.paths[0], "/a/6.MDL");
  EXPECT_EQ(list.paths[4], "/HOME/U/two.mdl");
  char buf[6];
  EXPECT_TRUE(mru_GetEntry(list, buf, sizeof buf, 0));
  EXPECT_STREQ(buf, "/a/6.");
  EXPECT_FALSE(mru_GetEntry(list, buf, sizeof buf, 5));
  ASSERT_TRUE(mru_SaveToIni(list, ini.string()));
  RecentFileList again;
  mru_LoadFromIni(again, ini.string(), 216);
  EXPECT_EQ(again.paths, list.paths);
  mru_EnableEntries(list, false);
  EXPECT_FALSE(bars.items()[228].enabled);
  // Fewer entries are saved as empty keys and leave no gaps on reading.
  list.paths.resize(1);
  ASSERT_TRUE(mru_SaveToIni(list, ini.string()));
  mru_LoadFromIni(again, ini.string(), 216);
  EXPECT_EQ(again.paths.size(), 1u);
  setBarMenus(nullptr);
  std::filesystem::remove_all(ini.parent_path());
}
