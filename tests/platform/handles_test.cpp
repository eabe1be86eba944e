#include "platform/handles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>
#include <vector>

using namespace plat::handles;

namespace {

TEST(Handles, AllocateLookupRelease) {
  int a = 0, b = 0;
  Id ia = allocate(&a, 1);
  Id ib = allocate(&b, 2);
  EXPECT_NE(ia, 0u);
  EXPECT_NE(ia, ib);
  EXPECT_LT(ia, kClaimedBase);
  EXPECT_EQ(lookup(ia, 1), &a);
  EXPECT_EQ(lookup(ia, 2), nullptr);   // wrong kind
  EXPECT_EQ(kindOf(ib), 2);
  release(ia);
  EXPECT_EQ(lookup(ia, 1), nullptr);
  EXPECT_EQ(kindOf(ia), -1);
  EXPECT_EQ(lookup(0, 1), nullptr);
  Id ic = allocate(&a, 1);
  EXPECT_NE(ic, ia);                    // not reused
  release(ib);
  release(ic);
}

TEST(Handles, ClaimedIds) {
  int x = 0;
  EXPECT_FALSE(claim(5, &x, 1));                       // below the claimed range
  EXPECT_FALSE(claim(kClaimedLast + 1, &x, 1));        // above it
  static Id next = kClaimedBase + 0x1234567u;  // a fresh id each run (ids are never reused)
  Id id = next++;
  EXPECT_TRUE(claim(id, &x, 3));
  EXPECT_EQ(lookup(id, 3), &x);
  EXPECT_FALSE(claim(id, &x, 3));                      // taken
  release(id);
  EXPECT_FALSE(claim(id, &x, 3));                      // never reused
}

TEST(Handles, ThreadsGetDistinctIds) {
  constexpr int kThreads = 8, kEach = 500;
  std::vector<std::vector<Id>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        Id id = allocate(&got, 7);
        got[t].push_back(id);
        if (i % 2) release(id);
      }
    });
  for (auto& th : threads) th.join();
  std::set<Id> all;
  for (auto& v : got) all.insert(v.begin(), v.end());
  EXPECT_EQ(all.size(), std::size_t(kThreads * kEach));
  EXPECT_EQ(all.count(0), 0u);
  for (auto& v : got)
    for (Id id : v) release(id);
}

TEST(Handles, TextAndNumberForms) {
  struct Case { const char* text; Id id; };
  const Case cases[] = {
      {"1", 1}, {" 42 ", 42}, {"4294967295", 0xFFFFFFFFu}, {"2147483648", 0x80000000u},
      {"-2147483648", 0x80000000u}, {"-1", 0xFFFFFFFFu},   // printed through a signed int
      {"4294967296", 0}, {"-2147483649", 0}, {"", 0}, {"12x", 0}, {"0x10", 0}, {"-0", 0},
      {"99999999999", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(fromText(c.text), c.id) << c.text;
  EXPECT_EQ(toText(0x80000001u), "2147483649");
  EXPECT_EQ(fromText(toText(0x80000001u)), 0x80000001u);
  EXPECT_EQ(fromDouble(toDouble(0xFFFFFFFFu)), 0xFFFFFFFFu);
  EXPECT_EQ(fromDouble(-1.0), 0xFFFFFFFFu);
  EXPECT_EQ(fromDouble(1.5), 0u);
  EXPECT_EQ(fromDouble(4294967296.0), 0u);
  EXPECT_EQ(fromDouble(std::nan("")), 0u);
}

} // namespace
