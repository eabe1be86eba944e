// Every setting of OBEL.INI: default, clamp and the exact text written.
#include "platform/profile.h"
#include "settings_test_util.h"

namespace {

class Store : public testutil::BinDirTest {
protected:
  // The value of a key as it stands in the file, "" when missing.
  std::string stored(const char* section, const char* key) {
    return plat::profile::getString(ini(), section, key, "<missing>");
  }
  void put(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(plat::profile::writeString(ini(), section, key, value));
  }
  bool fileHasLine(const std::string& line) {
    std::string t = testutil::readText(ini());
    return ("\n" + t).find("\n" + line + "\n") != std::string::npos;
  }
};

TEST_F(Store, EveryGetterGivesItsDefaultWithoutAFile) {
  EXPECT_EQ(obel::GetQuickStartStatus(), 1);
  EXPECT_EQ(obel::GetStatusBarStatus(), 1);
  EXPECT_EQ(obel::GetToolBarStatus(), 1);
  EXPECT_EQ(obel::GetEditCursor(), 1);
  EXPECT_EQ(obel::GetIOLabelStatus(), 0);
  EXPECT_EQ(obel::GetOffProg(), 0);
  EXPECT_EQ(obel::GetRemoveSysLib(), 0);
  EXPECT_EQ(obel::GetShowHelpNumber(), 0);
  EXPECT_EQ(obel::GetObelLanguage(), 2);
  EXPECT_EQ(obel::GetSoftResetTimeOut("TARGET"), 15);
  EXPECT_EQ(obel::GetSoftResetTimeOut(nullptr), 15);
  float zoom = 0;
  obel::GetStartZoom(&zoom);
  EXPECT_FLOAT_EQ(zoom, 1.0f);
  std::uint16_t w = 0, h = 0;
  obel::GetWorkSheetSize(&w, &h);
  EXPECT_EQ(w, 1600);
  EXPECT_EQ(h, 1130);
  std::uint32_t cycle = 0;
  obel::GetObelLOnlineCycleTime(&cycle);
  EXPECT_EQ(cycle, 300u);
  std::uint8_t on = 0, cross = 0;
  std::uint16_t nodes = 0;
  obel::GetAutoRootOptions(&on, &nodes, &cross);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(nodes, 6);
  EXPECT_EQ(cross, 1);
  std::uint8_t fmt = 9;
  EXPECT_EQ(obel::GetDefaultTargetFormat(&fmt), 1);
  EXPECT_EQ(fmt, 2);
  InsertBoxAttribs a{};
  EXPECT_EQ(obel::GetInsertBoxAttr(&a), 0);
  EXPECT_EQ(a.a0, 1u);
  EXPECT_EQ(a.a1 | a.a2 | a.a3 | a.a4, 0);
  EXPECT_EQ(a.a5, 0u);
  EXPECT_FALSE(std::filesystem::exists(ini()));  // reading creates nothing
}

TEST_F(Store, FlagValues) {
  using Getter = int (*)();
  const struct { const char* key; Getter get; } defaultOn[] = {
      {"quickstart", &obel::GetQuickStartStatus}, {"statusline", &obel::GetStatusBarStatus},
      {"toolbar", &obel::GetToolBarStatus},       {"editcursor", &obel::GetEditCursor},
      {"iolabel", &obel::GetIOLabelStatus}};
  const std::pair<const char*, int> onValues[] = {{"0", 0}, {"Off", 0}, {"OFF", 0}, {"no", 1},
                                                  {"", 1},  {"on", 1},  {"1", 1}};
  for (const auto& f : defaultOn)
    for (auto [v, want] : onValues) {
      put("SYSTEM", f.key, v);
      EXPECT_EQ(f.get(), want) << f.key << "=" << v;
    }
  const struct { const char* key; Getter get; } defaultOff[] = {{"program offline", &obel::GetOffProg},
                                                                {"remove syslib", &obel::GetRemoveSysLib}};
  const std::pair<const char*, int> offValues[] = {{"1", 1}, {"on", 1}, {"ON", 1}, {"yes", 0}, {"", 0}, {"off", 0}};
  for (const auto& f : defaultOff)
    for (auto [v, want] : offValues) {
      put("system", f.key, v);
      EXPECT_EQ(f.get(), want) << f.key << "=" << v;
    }
}

TEST_F(Store, FlagSettersWriteOnAndOff) {
  using Setter = int (*)(int);
  const struct { const char* key; Setter set; } cases[] = {
      {"quickstart", &obel::SetQuickStartStatus}, {"statusline", &obel::SetStatusBarStatus},
      {"toolbar", &obel::SetToolBarStatus},       {"editcursor", &obel::SetEditCursor},
      {"iolabel", &obel::SetIOLabelStatus}};
  for (const auto& c : cases) {
    c.set(0);
    EXPECT_TRUE(fileHasLine(std::string(c.key) + "=off")) << c.key;
    c.set(7);
    EXPECT_TRUE(fileHasLine(std::string(c.key) + "=on")) << c.key;
  }
}

TEST_F(Store, CycleTimeIsClamped) {
  const std::pair<const char*, std::uint32_t> reads[] = {
      {"20", 50}, {"50", 50}, {"51", 51}, {"60000", 60000}, {"99999", 60000}, {"-5", 60000}, {"abc", 50}};
  for (auto [v, want] : reads) {
    put("system", "cycletime", v);
    std::uint32_t ms = 0;
    obel::GetObelLOnlineCycleTime(&ms);
    EXPECT_EQ(ms, want) << v;
  }
  const std::pair<std::uint32_t, const char*> writes[] = {
      {10, "cycletime=50"}, {300, "cycletime=300"}, {60001, "cycletime=60000"}, {4294967295u, "cycletime=60000"}};
  for (auto [v, line] : writes) {
    obel::SetObelLOnlineCycleTime(v);
    EXPECT_TRUE(fileHasLine(line)) << line;
  }
}

TEST_F(Store, WorkSheetSize) {
  const struct { const char* value; int w, h; } reads[] = {
      {"0,uprigth", 1770, 2500}, {"0", 1600, 1130},        {"2,Horizontal", 1250, 885},
      {" 1 , h", 1600, 1130},    {"2 u", 885, 1250},       {"3,horizontal", 1600, 1130},
      {"0,x", 1600, 1130},       {"0,horizontal", 2500, 1770}};
  for (const auto& c : reads) {
    put("system", "size", c.value);
    std::uint16_t w = 0, h = 0;
    obel::GetWorkSheetSize(&w, &h);
    EXPECT_EQ(w, c.w) << c.value;
    EXPECT_EQ(h, c.h) << c.value;
  }
  const struct { std::uint16_t w, h; const char* line; } writes[] = {
      {1770, 2500, "size=0,uprigth"},   {1000, 700, "size=1,horizontal"}, {1250, 885, "size=2,horizontal"},
      {885, 1250, "size=2,uprigth"},     {1600, 1600, "size=1,uprigth"},   {2500, 1770, "size=0,horizontal"}};
  for (const auto& c : writes) {
    obel::SetWorkSheetSize(c.w, c.h);
    EXPECT_TRUE(fileHasLine(c.line)) << c.line;
  }
}

int screen1280(std::int32_t* w, std::int32_t* h) {
  *w = 1280;
  *h = 1024;
  return 1;
}

TEST_F(Store, StartPosition) {
  obel::SetScreenSizeProvider(&screen1280);
  const struct { const char* value; int show, l, t, w, h; int result; } cases[] = {
      {nullptr, 3, 30, 30, 1280 - 60, 1024 - 60, 0},                 // nothing stored: the preset
      {"2,10,10,500,400", 3, 10, 10, 490, 390, 1},
      {"1,10,10,500,400", 1, 10, 10, 490, 390, 1},
      {"1,600,10,500,400", 1, 30, 30, 1250, 994, 1},                  // left right of right
      {"1,10,2000,500,2400", 1, 30, 30, 1250, 994, 1},                // top below the screen
      {"1,-2147483648,-2147483648,-2147483648,-2147483648", 1, 30, 30, 1250, 994, 1},
      {"1,-2147483648,0,2147483647,100", 1, 30, 30, 1250, 994, 1},    // no overflow
      {"1,10;10,500,400", 1, 30, 30, 1250, 994, 1},                   // no comma: the rest is 0
      {"1,99999999999,0,5,5", 1, 30, 30, 1250, 994, 1},
  };
  for (const auto& c : cases) {
    if (c.value) put("system", "position", c.value);
    ObelRect r{};
    std::int32_t show = 0;
    EXPECT_EQ(obel::GetObelStartPosition(&r, &show), c.result);
    EXPECT_EQ(show, c.show) << (c.value ? c.value : "-");
    EXPECT_EQ(r.left, c.l) << (c.value ? c.value : "-");
    EXPECT_EQ(r.top, c.t);
    EXPECT_EQ(r.width, c.w);
    EXPECT_EQ(r.height, c.h);
  }
  obel::SetScreenSizeProvider(nullptr);
}

TEST_F(Store, StartPositionIsWrittenAsShowStateAndRectangle) {
  obel::SetObelStartPosition(nullptr);
  EXPECT_TRUE(fileHasLine("position=1,-2147483648,-2147483648,-2147483648,-2147483648"));
  ObelWindowPlacement p{};
  p.showCmd = 3;
  p.rcNormalPosition = {10, -20, 500, 400};
  obel::SetObelStartPosition(&p);
  EXPECT_TRUE(fileHasLine("position=3,10,-20,500,400"));
  p.showCmd = 2;
  obel::SetObelStartPosition(&p);
  EXPECT_TRUE(fileHasLine("position=1,10,-20,500,400"));
}

TEST_F(Store, ZoomLanguageHelpAndTimeOut) {
  obel::SetStartZoom(1.5f);
  EXPECT_TRUE(fileHasLine("zoom=1.500000"));
  float z = 0;
  obel::GetStartZoom(&z);
  EXPECT_FLOAT_EQ(z, 1.5f);
  const std::pair<const char*, float> zooms[] = {{"0.75x", 0.75f}, {" 2", 2.0f}, {"+0.5", 0.5f}, {"abc", 1.0f},
                                                 {"0", 1.0f},      {"-2", 1.0f}, {"nan", 1.0f}, {"inf", 1.0f}};
  for (auto [v, want] : zooms) {
    put("system", "zoom", v);
    obel::GetStartZoom(&z);
    EXPECT_FLOAT_EQ(z, want) << v;
  }

  obel::SetObelLanguage(3);
  EXPECT_TRUE(fileHasLine("LANGUAGE=3"));
  EXPECT_EQ(obel::GetObelLanguage(), 3);
  put("SYSTEM", "LANGUAGE", "english");
  EXPECT_EQ(obel::GetObelLanguage(), 0);

  put("system", "helpnumber", "1");
  EXPECT_EQ(obel::GetShowHelpNumber(), 1);
  put("TGT", "SRTOUT", "30");
  EXPECT_EQ(obel::GetSoftResetTimeOut("TGT"), 30);
  put("TGT", "SRTOUT", "");
  EXPECT_EQ(obel::GetSoftResetTimeOut("TGT"), 15);
}

TEST_F(Store, TargetFormatAutoRouteAndInsertBox) {
  EXPECT_EQ(obel::SetDefaultTargetFormat(0x103), 1);
  EXPECT_TRUE(fileHasLine("default=3"));
  std::uint8_t f = 0;
  EXPECT_EQ(obel::GetDefaultTargetFormat(&f), 1);
  EXPECT_EQ(f, 3);
  put("msgconv", "default", "");
  EXPECT_EQ(obel::GetDefaultTargetFormat(&f), 0);
  EXPECT_EQ(f, 0);
  EXPECT_EQ(obel::GetDefaultTargetFormat(nullptr), 0);

  obel::SetAutoRootOptions(0x100, 8, 0);
  EXPECT_TRUE(fileHasLine("onoff=off"));
  EXPECT_TRUE(fileHasLine("node=8"));
  EXPECT_TRUE(fileHasLine("crosstext=off"));
  std::uint8_t on = 9, cross = 9;
  std::uint16_t nodes = 0;
  obel::GetAutoRootOptions(&on, &nodes, &cross);
  EXPECT_EQ(on, 0);
  EXPECT_EQ(nodes, 8);
  EXPECT_EQ(cross, 0);

  InsertBoxAttribs a{4294967295u, -1, 2, 3, -4, 5};
  EXPECT_EQ(obel::SetInsertBoxAttr(&a), 1);
  EXPECT_TRUE(fileHasLine("fbinsbox=4294967295,-1,2,3,-4,5"));
  InsertBoxAttribs b{};
  EXPECT_EQ(obel::GetInsertBoxAttr(&b), 1);
  EXPECT_EQ(b.a0, 4294967295u);
  EXPECT_EQ(b.a1, -1);
  EXPECT_EQ(b.a4, -4);
  EXPECT_EQ(b.a5, 5u);
  put("system", "fbinsbox", "7,1 ,2");
  EXPECT_EQ(obel::GetInsertBoxAttr(&b), 1);
  EXPECT_EQ(b.a0, 7u);
  EXPECT_EQ(b.a1, 1);
  EXPECT_EQ(b.a2, 0);  // no comma after "1": the rest reads 0
  EXPECT_EQ(obel::SetInsertBoxAttr(nullptr), 0);
  EXPECT_EQ(obel::GetInsertBoxAttr(nullptr), 0);
}

TEST_F(Store, SectionAndKeyNamesIgnoreCase) {
  testutil::writeText(ini(), "[system]\nQUICKSTART=off\n[Autoroot]\nNode=12\n");
  EXPECT_EQ(obel::GetQuickStartStatus(), 0);
  std::uint16_t nodes = 0;
  obel::GetAutoRootOptions(nullptr, &nodes, nullptr);
  EXPECT_EQ(nodes, 12);
}

} // namespace
