#include "shell/names.h"
#include "../model/fixture.h"
#include <gtest/gtest.h>
#include <cstring>

using namespace shell;

namespace {

TEST(NameList, AppendFindFree) {
  NameList l = nl_Empty();
  nl_Append(&l, "ABC");
  nl_Append(&l, "DEF");
  nl_Append(&l, nullptr);
  EXPECT_EQ(nl_Names(&l), (std::vector<std::string>{"ABC", "DEF"}));
  EXPECT_EQ(nl_Find(&l, "abc"), nullptr);
  ASSERT_NE(nl_Find(&l, "DEF"), nullptr);
  EXPECT_EQ(nl_Find(nullptr, "DEF"), nullptr);
  EXPECT_EQ(nl_Find(&l, nullptr), nullptr);
  nl_FreeAll(&l);
  EXPECT_EQ(l.first, nullptr);
  EXPECT_EQ(l.last, nullptr);
}

TEST(Modules, MdlExtension) {
  struct Case { const char* name; std::size_t n; int result; };
  for (const Case& c : {Case{"PLANT.MDL", 12, 1}, Case{"plant.mdl", 12, 1}, Case{"A..MDL", 12, 1},
                        Case{"PLANT.MD", 12, 0}, Case{"PLANT.MDL", 8, 0}, Case{".M.MDL", 6, 1},
                        Case{"MYLIB.mdlx", 12, 1}, Case{"", 12, 0}}) {
    EXPECT_EQ(mod_HasMdlExtension(c.name, c.n), c.result) << c.name;
  }
  EXPECT_EQ(mod_IsOrdinaryName("&X"), 0);
  EXPECT_EQ(mod_IsOrdinaryName("999FBTMPW"), 0);
  EXPECT_EQ(mod_IsOrdinaryName(""), 0);
  EXPECT_EQ(mod_IsOrdinaryName("PUMP"), 1);
}

TEST(Points, Snap) {
  struct Case { int in, out; };
  for (const Case& c : {Case{-3, 0}, Case{-8, -5}, Case{2, 0}, Case{3, 5}, Case{7, 5}, Case{8, 10}, Case{-7, -5}}) {
    Point p{c.in, c.in};
    ws_SnapPoint(p);
    EXPECT_EQ(p.x, c.out) << c.in;
    EXPECT_EQ(p.y, c.out) << c.in;
  }
}

TEST(Points, PrepareMousePoint) {
  struct Case { int kind; float zoom; bool scaling; float used; int x; };
  for (const Case& c : {Case{4, 1.0f, true, 0.8f, 50}, Case{0, 0.99f, false, 1.0f, 100},
                        Case{0, 0.98f, true, 0.98f, 50}, Case{0, 1.02f, true, 1.02f, 50},
                        Case{0, 1.01f, false, 1.0f, 100}}) {
    MousePointContext m;
    m.windowKind = c.kind;
    m.zoomSetting = c.zoom;
    m.xNum = 1; m.xDen = 2; m.yNum = 1; m.yDen = 2;
    m.frameOffset = true;
    m.captionHeight = 20;
    m.menuHeight = 10;
    int fontResets = 0;
    float given = 0;
    m.deleteFonts = [&] { ++fontResets; };
    m.setZoom = [&](float z) { given = z; };
    Point p{100, 70};
    ws_PrepareMousePoint(p, m);
    EXPECT_EQ(m.lastMouse.y, 100);
    EXPECT_EQ(m.printerScaling, c.scaling) << c.zoom;
    EXPECT_FLOAT_EQ(given, c.used);
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(fontResets, c.used != 1.0f ? 1 : 0);
  }
  MousePointContext none;
  none.hasWorksheet = false;
  Point p{3, 4};
  ws_PrepareMousePoint(p, none);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(none.lastMouse.y, 4);
}

TEST(Resources, AcceleratorsAndCursors) {
  const auto& acc = app_LoadAccelerators();
  auto has = [&](std::uint8_t flags, std::uint16_t key, std::uint16_t cmd) {
    for (const Accelerator& a : acc)
      if (a.flags == flags && a.key == key && a.command == cmd) return true;
    return false;
  };
  EXPECT_TRUE(has(kAccelVirtKey | kAccelControl, 'C', 373));
  EXPECT_TRUE(has(kAccelVirtKey, 0x79, 203));   // F10
  EXPECT_TRUE(has(kAccelVirtKey | kAccelShift, 0x74, 361));
  for (int id = 103; id <= 121; ++id) {
    const CursorPicture* c = app_LoadCursor(id);
    ASSERT_NE(c, nullptr) << id;
    EXPECT_EQ(c->rows.size(), 32u);
    EXPECT_GE(c->hotX, 0);
    EXPECT_LT(c->hotX, 32);
  }
  EXPECT_STREQ(app_LoadCursor(121)->name, "CUR_PEN");
  EXPECT_EQ(app_LoadCursor(122), nullptr);
}

class ProjectNames : public model::test::ModelFixture {
protected:
  void SetUp() override {
    ModelFixture::SetUp();
    model::ProjectModule* m = model::doc_MainModule(*doc);
    std::memset(m->Name, ' ', sizeof m->Name);
    std::memcpy(m->Name, "plant.mdl", 9);
  }
  model::GateRecord* port(model::LogicRecord* l, std::uint8_t kind, const char* name) {
    shellFake.ports = {{true, name, 1}};
    model::GateRecord* g = make(l, kind, 100 + 20 * count_++, 100);
    if (!g) return nullptr;
    EXPECT_EQ(g->Kind, kind);
    EXPECT_TRUE(model::gt_SetPortName(l, g, name));
    return g;
  }
  int count_ = 0;
};

TEST_F(ProjectNames, Subprograms) {
  model::ge_NewLogic("$MAIN");
  model::ge_NewLogic("pump");
  model::ge_NewLogic("&HIDDEN");
  model::ge_NewLogic("999FBPICW");
  model::ge_NewLogic("VERYLONGNAME12345");
  NameList all = mod_ListSubprograms(false);
  EXPECT_EQ(nl_Names(&all), (std::vector<std::string>{"$MAIN", "PUMP", "VERYLONGNAME12"}));
  nl_FreeAll(&all);
  NameList some = mod_ListSubprograms(true);
  EXPECT_EQ(nl_Names(&some), (std::vector<std::string>{"PUMP", "VERYLONGNAME12"}));
  nl_FreeAll(&some);

  char* out = nullptr;
  EXPECT_EQ(mod_FindModule(3, &out), 0);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(mod_FindModule(1, &out), 1);
  EXPECT_STREQ(out, "plant.mdl   ");
  delete[] out;
  ASSERT_EQ(mod_FindModule(2, &out), 1);
  EXPECT_STREQ(out, "%STD");
  delete[] out;
  EXPECT_EQ(mod_ModuleExists("PLANT.MDL"), 1);
  EXPECT_EQ(mod_ModuleExists("OTHER.MDL"), 0);
}

TEST_F(ProjectNames, DefaultConnectorNames) {
  model::LogicRecord* l = model::ge_NewLogic("SUB");
  ASSERT_NE(port(l, model::kKindOutput, "In1"), nullptr);
  ASSERT_NE(port(l, model::kKindOutput, "In2"), nullptr);
  ASSERT_NE(port(l, model::kKindInput, "LONGNAM"), nullptr);
  char out[32];
  blk_DefaultInputName(out, l, nullptr);
  EXPECT_STREQ(out, "In3");
  blk_DefaultInputName(out, l, "In1");
  EXPECT_STREQ(out, "In3");
  blk_DefaultInputName(out, l, "SPEEDVALUE");
  EXPECT_STREQ(out, "SPEEDVA");
  // The proposal is cut before its test: "LONGNAMEX" is "LONGNAM", taken.
  blk_DefaultOutputName(out, l, "LONGNAMEX");
  EXPECT_STREQ(out, "Out1");
  NameList ins = mod_ListConnectorNames(1, l);
  EXPECT_EQ(nl_Names(&ins), (std::vector<std::string>{"LONGNAM"}));
  nl_FreeAll(&ins);
  NameList outs = mod_ListConnectorNames(0, l);
  EXPECT_EQ(nl_Names(&outs), (std::vector<std::string>{"In1", "In2"}));
  nl_FreeAll(&outs);
  NameList none = mod_ListConnectorNames(0, nullptr);
  EXPECT_EQ(none.first, nullptr);
}

TEST(Names, CutExtension) {
  struct Case { const char* in; const char* out; };
  for (const Case& c : {Case{"PLANT.MDL", "PLANT"}, Case{"PLANT", "PLANT"}, Case{"A.B.C", "A.B"}}) {
    std::string s = c.in;
    path_CutExtension(s);
    EXPECT_EQ(s, c.out);
  }
}

} // namespace
