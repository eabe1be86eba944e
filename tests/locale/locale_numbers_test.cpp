// Numbers in files, target text, lists and protocols keep their decimal
// point when the process runs in a locale whose decimal separator is a comma
// (a GUI takes the user's locale): every formatter and parser of the core.
#include "model/numbers.h"
#include "msgconv/mc01_table.h"
#include "obeltool/core.h"
#include "platform/endpoint.h"
#include "platform/numtext.h"
#include "private_runtime_dir.h"
#include "settings_test_util.h"
#include "srvclient/kc.h"
#include "srvclient/protocol.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Switches the process to a comma-decimal locale for one test.
class CommaLocale : public testutil::BinDirTest {
protected:
  void SetUp() override {
    testutil::BinDirTest::SetUp();
    const char* old = std::setlocale(LC_ALL, nullptr);
    saved_ = old ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"})
      if (std::setlocale(LC_ALL, name)) {
        active_ = name;
        break;
      }
    if (active_.empty()) {
      std::printf("[ SKIPPED  ] no comma-decimal locale installed (de_DE.UTF-8; scripts/install-deps generates it)\n");
      GTEST_SKIP() << "no comma-decimal locale installed (de_DE.UTF-8; scripts/install-deps generates it)";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale " << active_ << " has no decimal comma";
  }
  void TearDown() override {
    std::setlocale(LC_ALL, saved_.c_str());
    testutil::BinDirTest::TearDown();
  }
  std::string saved_, active_;
};

TEST_F(CommaLocale, PlatformConversions) {
  EXPECT_EQ(plat::num::formatDouble("%f", 1.5), "1.500000");
  EXPECT_EQ(plat::num::formatDouble("%.7g", -0.25), "-0.25");
  EXPECT_EQ(plat::num::formatDouble("%e", 1e10), "1.000000e+10");
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {{"1.5", true, 1.5},  {" +2.25 ", true, 2.25}, {"-3e2", true, -300}, {"7", true, 7},
               {"1,5", false, 0},   {"1.5x", false, 0},      {"", false, 0},      {"  ", false, 0},
               {"1e999", false, 0}, {"+-1", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    double v = 99;
    EXPECT_EQ(plat::num::parseDouble(c.text, v), c.ok);
    if (c.ok) EXPECT_DOUBLE_EQ(v, c.value);
  }
}

TEST_F(CommaLocale, ServerProtocolOfTheClient) {
  // A server endpoint in this process: "DF1" answers "1.5", "DF2" "1,5".
  static std::atomic<int> n{0};
  const std::string name = srv::serverEndpoint(srv::kServerClass, "locale-" + std::to_string(::getpid()) + "-" +
                                                                        std::to_string(n++));
  std::mutex mu;
  std::vector<std::string> seen;
  auto ep = plat::ipc::Endpoint::create(name, [&](const plat::ipc::Message& m) {
    plat::ipc::Answer a;
    if (m.msg == srv::WM_SRV_BUSY) return a;
    std::lock_guard<std::mutex> lock(mu);
    seen.push_back(m.text);
    a.result = 1;
    if (m.msg == srv::WM_SRV_QUERY) a.text = m.text == "DF1" ? "1.5" : m.text == "DF2" ? "1,5" : "2.5e1";
    return a;
  });
  ASSERT_TRUE(ep);
  srv::kc::client().setServer(name);
  float v = 0;
  EXPECT_TRUE(srv::kc::GetReal("DF1", v));
  EXPECT_FLOAT_EQ(v, 1.5f);
  EXPECT_FALSE(srv::kc::GetReal("DF2", v)) << "a comma is no decimal point on the wire";
  EXPECT_EQ(v, 0.0f);
  EXPECT_TRUE(srv::kc::GetReal("DF3", v));
  EXPECT_FLOAT_EQ(v, 25.0f);
  EXPECT_EQ(srv::kc::SetReal("DF4", 2.25f), 1);
  {
    std::lock_guard<std::mutex> lock(mu);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "DF4=2.250000");
  }
  srv::kc::client().setServer("");
}

TEST_F(CommaLocale, SettingsNumbers) {
  ASSERT_EQ(obel::SetStartZoom(1.5f), 0);
  EXPECT_NE(testutil::readText(ini()).find("zoom=1.500000"), std::string::npos) << testutil::readText(ini());
  float z = 0;
  obel::GetStartZoom(&z);
  EXPECT_FLOAT_EQ(z, 1.5f);
}

TEST_F(CommaLocale, ModelNumberFields) {
  char b[16];
  model::nc_FormatRealRange(2.5, b, sizeof b, 6);
  EXPECT_STREQ(b, "2.5   ");
  model::nc_FormatRealRange(1.25e-12, b, sizeof b, 10);
  EXPECT_EQ(std::string(b).find(','), std::string::npos) << b;
  EXPECT_DOUBLE_EQ(model::nc_ParseReal("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(model::nc_ParseReal("-1.5E2"), -150.0);
}

TEST_F(CommaLocale, TargetValueConversions) {
  const mc01::Table& t = mc01::littleEndian();
  float f = 0;
  unsigned char bin[4] = {};
  MC01_VariableRef ref{"DF", 0, -1, 0, 4, bin};
  ASSERT_EQ(t.ConvertStringToBin(&ref, "1.5"), 1);
  ASSERT_EQ(t.BinToFloat(bin, 4, &f), 1);
  EXPECT_FLOAT_EQ(f, 1.5f);
  MC01_MStrBuf out{};
  ASSERT_EQ(t.ConvertBinToString(&ref, &out), 1);
  EXPECT_STREQ(out.text, "1.5");
  t.DeleteMStrBuf(&out);
}

TEST_F(CommaLocale, CodeGeneratorTargetTextAndListing) {
  // Initial values of real variables and the listing's number formats.
  EXPECT_EQ(cg::format("%g", 1.5), "1.5");
  EXPECT_EQ(cg::format("line:%04ld\tDEV %16s  [%ld]\t=%e", 3L, "DF", 1L, 0.5),
            "line:0003\tDEV               DF  [1]\t=5.000000e-01");
}

} // namespace
