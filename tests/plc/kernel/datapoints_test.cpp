// Data points by area name and index.
#include "plc_fixture.h"

namespace plctest {
namespace {

using namespace protocol;

TEST(DataPointsEmpty, AbsentBeforeAnyProgram) {
  plc::Kernel k;
  std::uint8_t v[8] = {1};
  for (const char* name : {"E", "A", "DW", "M", "B", "PW", "DF", "PF", "DL", "PL", "DT", "PT"}) {
    EXPECT_EQ(k.getDP(name, 0, v, 2), 0) << name;
    EXPECT_EQ(k.setDP(name, 0, v), 0) << name;
  }
}

class DataPoints : public PlcFixture {};

TEST_F(DataPoints, ElementSizesAndNames) {
  struct Case { const char* name; std::size_t size; };
  const Case cases[] = {{"A", 8}, {"E", 8}, {"M", 8}, {"B", 8}, {"DW", 2}, {"PW", 2},
                        {"DF", 4}, {"PF", 4}, {"DL", 4}, {"PL", 4}, {"DT", 18}, {"PT", 18}};
  for (const Case& c : cases) {
    std::uint8_t value[18], back[18] = {0};
    for (std::size_t i = 0; i < sizeof value; ++i) value[i] = static_cast<std::uint8_t>(0x40 + i);
    EXPECT_EQ(k.setDP(c.name, 5, value), 1) << c.name;
    EXPECT_EQ(k.getDP(c.name, 5, back, static_cast<std::uint16_t>(c.size)), 1) << c.name;
    EXPECT_EQ(std::memcmp(value, back, c.size), 0) << c.name;
    // Exactly the element's size was written.
    std::uint8_t after = 0xEE;
    EXPECT_EQ(k.getDP(c.name, 6, &after, 1), 1);
    EXPECT_EQ(after, 0) << c.name;
  }
  std::uint8_t v[8] = {0};
  for (const char* bad : {"dw", "X", "", "MVL", "SCRIPTTAB", "DWX"}) {
    EXPECT_EQ(k.getDP(bad, 0, v, 2), 0) << bad;
    EXPECT_EQ(k.setDP(bad, 0, v), 0) << bad;
  }
  EXPECT_EQ(k.getDP(nullptr, 0, v, 2), 0);
}

TEST_F(DataPoints, IndexesStayInsideTheArea) {
  std::int16_t v = 1;
  EXPECT_EQ(k.setDP("DW", 9999, &v), 1);
  EXPECT_EQ(k.setDP("DW", 10000, &v), 0);
  EXPECT_EQ(k.getDP("DW", 10000, &v, 2), 0);
  std::uint8_t big[64];
  EXPECT_EQ(k.getDP("DW", 9999, big, 4), 0);     // count past the area's end
  EXPECT_EQ(k.getDP("A", 99, big, 8), 1);
  EXPECT_EQ(k.getDP("A", 100, big, 8), 0);
  EXPECT_EQ(k.getDP("DT", 0, big, 64), 1);       // a count beyond the element inside the area
}

TEST_F(DataPoints, OutputA3SwitchesMotor2) {
  std::uint32_t words[2] = {1, 0};
  ASSERT_EQ(k.setDP("A", 3, words), 1);
  k.dspsRun();
  EXPECT_EQ(k.outImage[1 + 2 * 2], 1u);
  EXPECT_EQ(k.outImage[2 + 2 * 2], 0u);
  std::uint8_t e = 0;
  EXPECT_EQ(k.getDP("E", 31 + 2, &e, 1), 1);
  EXPECT_EQ(e, 1);
  // Byte 1 of the element: reverse.
  std::uint8_t rev[8] = {0, 1, 0, 0, 0, 0, 0, 0};
  k.setDP("A", 3, rev);
  k.dspsRun();
  EXPECT_EQ(k.outImage[2 + 2 * 2], 1u);
  k.getDP("E", 41 + 2, &e, 1);
  EXPECT_EQ(e, 1);
  // A stop request in A10 switches every motor off.
  std::uint8_t stop[8] = {1};
  k.setDP("A", 10, stop);
  k.dspsRun();
  EXPECT_EQ(k.outImage[1 + 2 * 2], 0u);
}

TEST_F(DataPoints, InputImageReachesEAndDw) {
  k.inImage[0] = 0x8001;
  std::int16_t ex = 1234, ey = -5;
  std::memcpy(reinterpret_cast<std::uint8_t*>(k.inImage.data()) + 100, &ex, 2);
  std::memcpy(reinterpret_cast<std::uint8_t*>(k.inImage.data()) + 102, &ey, 2);
  k.dspsRun();
  std::uint8_t e = 0;
  k.getDP("E", 1, &e, 1);
  EXPECT_EQ(e, 1);
  k.getDP("E", 2, &e, 1);
  EXPECT_EQ(e, 0);
  k.getDP("E", 16, &e, 1);
  EXPECT_EQ(e, 1);
  std::int16_t v = 0;
  k.getDP("DW", 105, &v, 2);
  EXPECT_EQ(v, 1234);
  k.getDP("DW", 106, &v, 2);
  EXPECT_EQ(v, -5);
}

} // namespace
} // namespace plctest
