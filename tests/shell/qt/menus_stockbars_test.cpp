// The program state's table applied to the real bar library, read back from
// its state dump: every state, every command of its menus, with the flags
// that decide the conditional cells.
#include "shell/menustate.h"
#include "shell/insertbox.h"
#include "shell/utilities.h"

#include "platform/library.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace shell;

namespace {

int argc = 1;
char arg0[] = "shell_menus_test";
char* argv[] = {arg0, nullptr};
QApplication& app() {
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

// The bar library's exports, called directly.
struct LibraryBars : BarMenus {
  plat::lib::Handle h = nullptr;
  template <class F> F fn(const char* name) { return plat::lib::symbolAs<F>(h, name); }
  void enable(int id, bool on) override { fn<int (*)(int32_t, int32_t)>("SB00_EnableBarItem")(id, on); }
  void check(int id, bool on) override { fn<int (*)(int32_t, int32_t)>("SB06_CheckMenuItem")(id, on); }
  bool isChecked(int id) override { return fn<int (*)(int32_t)>("SB06_IsMenuItemChecked")(id) != 0; }
  void setText(int id, const std::string& t) override { fn<int (*)(int32_t, const char*)>("SB06_SetMenuItemText")(id, t.c_str()); }
  void insertItem(int before, int id, const std::string& t) override {
    fn<int (*)(int32_t, int32_t, const char*)>("SB06_InsertMenuItem")(before, id, t.c_str());
  }
  void deleteItem(int id) override { fn<int (*)(int32_t)>("SB06_DeleteMenuItem")(id); }
  void changeBarsForMode(int s) override { fn<int (*)(int32_t)>("SB00_ChangeBarsForMode")(s); }
  void changeBarsForEditMode(int m) override { fn<int (*)(int32_t)>("SB00_ChangeBarsForEditMode")(m); }
  int editMode() override { return fn<int (*)()>("SB00_GetEditMode")(); }
  bool statusBarEnabled() override { return true; }
  bool toolBarEnabled() override { return true; }
  // "item <id> e|d [c] text" lines of the dump.
  std::map<int, bool> items() {
    auto dump = fn<int (*)(char*, int)>("SB99_DumpState");
    std::string s(std::size_t(dump(nullptr, 0)) + 1, '\0');
    dump(s.data(), int(s.size()));
    std::map<int, bool> out;
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream l(line);
      std::string where, state;
      int id = 0;
      if (l >> where >> id >> state && where == "item") out[id] = state == "e";
    }
    return out;
  }
};

bool cellOn(Cell c, const ProgramFlags& f, bool iface, int edit) {
  switch (c) {
  case Cell::Enabled: return true;
  case Cell::UnlessOnline: return !f.online;
  case Cell::IfOnline: return f.online;
  case Cell::IfChain1: return f.chain1;
  case Cell::IfTrendSheet: return f.trendSheet;
  case Cell::IfInterface: return iface;
  case Cell::IfEditMode1: return edit == 1;
  case Cell::IfEditMode1Paste: return edit == 1 && f.clipboard;
  default: return false;
  }
}

} // namespace

TEST(MenusInTheBarLibrary, EveryStateEveryCommand) {
  app();
  LibraryBars bars;
  bars.h = plat::lib::load(std::string(ZERLO_BIN_DIR) + "/STOCKBARS.DLL");
  ASSERT_NE(bars.h, nullptr) << plat::lib::lastError();
  ASSERT_NE(bars.fn<std::uint32_t (*)()>("SB06_CreateMenu")(), 0u);
  setBarMenus(&bars);
  menu_Reset();
  ins_Reset();
  wnd_ClearWindowTable();
  bool iface = false, offProg = false;
  menuHooks().worksheetExists = [] { return true; };
  menuHooks().interfaceActive = [&] { return iface; };
  menuHooks().offProgram = [&] { return offProg; };
  menuHooks().language = [] { return 2; };

  struct Flags { ProgramFlags f; bool iface; bool offProg; int edit; };
  const Flags sets[] = {
      {{}, false, false, 1},
      {{.online = true, .chain1 = true}, true, true, 3},
      {{.simulation = true, .chain1 = true, .chain2 = true, .downloaded = true, .trendSheet = true, .clipboard = true},
       true, false, 1},
      {{.chain1 = true, .trendSheet = true, .clipboard = true}, false, true, 2},
  };
  int checked = 0;
  for (const auto& set : sets) {
    for (int requested = 1; requested <= kProgramStates; ++requested) {
      programFlags() = set.f;
      iface = set.iface;
      offProg = set.offProg;
      bars.changeBarsForEditMode(set.edit);
      const auto before = bars.items();
      menu_UpdateState(requested);
      const int state = menu_State();
      EXPECT_EQ(state, menu_ResolveState(requested));
      const auto after = bars.items();
      for (const auto& [id, on] : after) {
        bool expected = before.at(id);
        const Cell c = menu_Cell(id, state);
        if (c != Cell::Unchanged) expected = cellOn(c, set.f, set.iface, set.edit);
        if (id == 273) expected = state >= 5 && state <= 8 ? true : (set.offProg ? false : before.at(id));
        if (id == 256 && state <= 2) expected = false;   // nothing to undo without a sheet
        if (id == 322) expected = state != 9;
        if (id == 323) expected = true;
        if (id >= 40021 && id <= 40027) expected = state != 9 && state != 11;
        if (id == 324) expected = state == 3 && set.edit != 2 && set.edit != 4 && set.edit != 5;
        if (set.f.online || set.f.simulation) {
          for (int d : {230, 231, 232, 234, 235, 236, 267, 270, 271, 363})
            if (id == d) expected = false;
          if (id == 268 || id == 269) expected = true;
        }
        EXPECT_EQ(on, expected) << "state " << state << " id " << id;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 48 * 70);
  // Reduced menus: only 207, 229 and 216 of the table stay enabled, and stay so.
  menu_UpdateReduced();
  menu_UpdateState(3);
  for (const auto& [id, on] : bars.items())
    if (menu_Cell(id, 1) != Cell::Unchanged) EXPECT_EQ(on, id == 207 || id == 229 || id == 216) << id;
  menu_Reset();
  ins_Reset();
  menuHooks() = MenuHooks{};
  programFlags() = ProgramFlags{};
  setBarMenus(nullptr);
  bars.fn<int (*)()>("SB06_DestroyMenu")();
}
