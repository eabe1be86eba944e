#include "engine/vmspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace engine {

TEST(AddressSpace, TranslatesInsideAndRefusesOutside) {
  AddressSpace s;
  std::vector<std::uint8_t> a(16), b(8);
  const std::uint32_t va = s.map(a.data(), 16), vb = s.map(b.data(), 8, false);
  ASSERT_NE(va, 0u);
  ASSERT_NE(vb, 0u);
  EXPECT_NE(va, vb);
  struct Case { std::uint32_t addr, len; bool write; bool ok; };
  const Case cases[] = {
      {va, 16, false, true}, {va + 15, 1, true, true}, {va + 16, 0, false, true}, {va + 16, 1, false, false},
      {va + 8, 9, false, false}, {va - 1, 1, false, false}, {0, 1, false, false}, {vb, 8, false, true},
      {vb, 1, true, false}, {va + 0xFFFFF, 2, false, false}, {0xFFFFFFFF, 1, false, false}};
  for (const Case& c : cases)
    EXPECT_EQ(s.translate(c.addr, c.len, c.write) != nullptr, c.ok) << c.addr << "+" << c.len;
  std::uint32_t v = 0x12345678;
  EXPECT_TRUE(s.write(va + 4, &v, 4));
  EXPECT_EQ(a[4], 0x78);
  EXPECT_FALSE(s.write(vb, &v, 4));
  s.unmap(va);
  EXPECT_EQ(s.translate(va, 1, false), nullptr);
}

TEST(AddressSpace, RunsOutOfWindowsWithoutHarm) {
  AddressSpace s;
  std::uint8_t byte = 0;
  std::vector<std::uint32_t> bases;
  for (unsigned k = 0; k < AddressSpace::kWindows + 10; ++k)
    if (std::uint32_t b = s.map(&byte, 1)) bases.push_back(b);
  EXPECT_EQ(bases.size(), AddressSpace::kWindows - 1);
  EXPECT_EQ(s.map(&byte, AddressSpace::kMaxRegionSize + 1), 0u);
  // Freed windows are found again, a large block takes a run of them.
  for (std::size_t k = 100; k < 200; ++k) s.unmap(bases[k]);
  std::vector<std::uint8_t> big(5u << 20);
  const std::uint32_t vb = s.map(big.data(), std::uint32_t(big.size()));
  ASSERT_NE(vb, 0u);
  EXPECT_NE(s.translate(vb + std::uint32_t(big.size()) - 8, 8, true), nullptr);
  EXPECT_EQ(s.translate(vb + std::uint32_t(big.size()) - 7, 8, true), nullptr);
  EXPECT_EQ(s.regionBase(vb + (3u << 20)), vb);
  EXPECT_EQ(s.regionSize(vb + 1), big.size());
  EXPECT_EQ(s.mappedCount(), AddressSpace::kWindows - 1 - 100 + 1);
}

} // namespace engine
