// The interface ports and the selection of INTERFACE.INI.
#include "platform/profile.h"
#include "settings_test_util.h"

namespace {

class Interface : public testutil::BinDirTest {
protected:
  void SetUp() override {
    BinDirTest::SetUp();
    testutil::writeText(iface(),
                        "[SETTINGS]\nPORT=2\nIFACENUM=3\nCYCLETIME=10\nMINVIS=on\n"
                        "[PORTS]\n1=lpt1\n2=Sim\n3=broken\n4=notype\n"
                        "[LPT1]\nDRIVER=lptif1NT.DLL\nMAXIFNUM=3\nTYPE=PASSIVE\nSETTINGS=YES\n"
                        "[SIM]\nDRIVER=SIMIF.DLL\nMAXIFNUM=1\nTYPE=active\nSETTINGS=no\n"
                        "[BROKEN]\nDRIVER=X.DLL\nMAXIFNUM=1\nTYPE=ACTIVE\nSETTINGS=maybe\n"
                        "[NOTYPE]\nDRIVER=X.DLL\nMAXIFNUM=1\nSETTINGS=NO\n"
                        "[COMM TEMPLATES]\n1=ONL32NS\n");
  }
  void put(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(plat::profile::writeString(iface(), section, key, value));
  }
};

TEST_F(Interface, Ports) {
  const struct { int n; int result; const char* name; const char* driver; int maxif; std::uint32_t flags; } cases[] = {
      {1, 1, "LPT1", "lptif1NT.DLL", 3, KXIF_PORT_HAS_SETTINGS},
      {2, 1, "SIM", "SIMIF.DLL", 1, KXIF_PORT_ACTIVE},
      {3, 0, nullptr, nullptr, 0, 0},  // SETTINGS neither YES nor NO
      {4, 0, nullptr, nullptr, 0, 0},  // TYPE missing
      {5, 0, nullptr, nullptr, 0, 0},  // not listed
      {0, 0, nullptr, nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    InterfacePort p{};
    EXPECT_EQ(obel::GetKXIFPort(c.n, &p), c.result) << c.n;
    if (c.name) {
      EXPECT_STREQ(p.name, c.name);
      EXPECT_STREQ(p.driver, c.driver);
    } else {
      EXPECT_EQ(p.name, nullptr);
      EXPECT_EQ(p.driver, nullptr);
    }
    EXPECT_EQ(p.maxifnum, c.maxif);
    EXPECT_EQ(p.flags, c.flags);
    EXPECT_EQ(obel::FreeKXIFPort(&p), 0);
    EXPECT_EQ(p.name, nullptr);
  }
  EXPECT_EQ(obel::GetKXIFPort(1, nullptr), 0);
  EXPECT_EQ(obel::FreeKXIFPort(nullptr), 0);
}

TEST_F(Interface, Selection) {
  InterfaceSettings s{};
  EXPECT_EQ(obel::GetKXIFSettings(&s), 1);
  EXPECT_EQ(s.port, 2u);
  EXPECT_EQ(s.ifacenum, 3u);
  EXPECT_EQ(s.cycletime, 10u);
  EXPECT_EQ(s.flags, KXIF_MINVIS);
  EXPECT_EQ(obel::IsKXIFMinVis(), 1);
  EXPECT_EQ(obel::IsKXIFActive(), 1);

  put("SETTINGS", "MINVIS", "off");
  EXPECT_EQ(obel::GetKXIFSettings(&s), 1);
  EXPECT_EQ(s.flags, 0u);
  EXPECT_EQ(obel::IsKXIFMinVis(), 0);
  put("SETTINGS", "MINVIS", nullptr);
  EXPECT_EQ(obel::GetKXIFSettings(&s), 0);
  EXPECT_EQ(s.port | s.ifacenum | s.cycletime | s.flags, 0u);
  EXPECT_EQ(obel::IsKXIFMinVis(), 0);
  put("SETTINGS", "MINVIS", "perhaps");
  EXPECT_EQ(obel::GetKXIFSettings(&s), 0);
  put("SETTINGS", "MINVIS", "ON");
  put("SETTINGS", "CYCLETIME", "");
  EXPECT_EQ(obel::GetKXIFSettings(&s), 0);
  EXPECT_EQ(obel::GetKXIFSettings(nullptr), 0);

  put("SETTINGS", "PORT", "1");
  EXPECT_EQ(obel::IsKXIFActive(), 0);  // PASSIVE
  put("SETTINGS", "PORT", "9");
  EXPECT_EQ(obel::IsKXIFActive(), 0);  // not listed
}

TEST_F(Interface, WritingTheSelection) {
  InterfaceSettings s{4, 2, 25, 0};
  EXPECT_EQ(obel::SetKXIFSettings(&s), 1);
  std::string t = "\n" + testutil::readText(iface());
  EXPECT_NE(t.find("\nPORT=4\nIFACENUM=2\nCYCLETIME=25\nMINVIS=OFF\n"), std::string::npos) << t;
  s.flags = KXIF_MINVIS;
  obel::SetKXIFSettings(&s);
  EXPECT_EQ(obel::IsKXIFMinVis(), 1);
  EXPECT_EQ(obel::SetKXIFSettings(nullptr), 0);
}

TEST_F(Interface, ServerNames) {
  MStrBuf b{};
  EXPECT_EQ(obel::GetZrlServerName(&b, 1), 1);
  EXPECT_EQ(msb::ToString(&b), "ONL32NS");
  msb::Free(&b);
  EXPECT_EQ(obel::GetZrlServerName(&b, 2), 0);
  EXPECT_EQ(b.text, nullptr);
  EXPECT_EQ(obel::GetZrlServerName(nullptr, 1), 0);
}

TEST_F(Interface, MissingFile) {
  std::filesystem::remove(iface());
  InterfacePort p{};
  InterfaceSettings s{};
  EXPECT_EQ(obel::GetKXIFPort(1, &p), 0);
  EXPECT_EQ(obel::GetKXIFSettings(&s), 0);
  EXPECT_EQ(obel::IsKXIFActive(), 0);
  EXPECT_EQ(obel::IsKXIFMinVis(), 0);
}

} // namespace
