// The operand address table.
#include "files_fixture.h"

#include "modelfiles/operands.h"

namespace modelfiles::test {
namespace {

class Operands : public FilesFixture {
protected:
  void SetUp() override {
    FilesFixture::SetUp();
    va_FreeDescriptors();
    va_ClearReserved();
    va_ResetClasses();
  }
  void TearDown() override {
    va_FreeDescriptors();
    FilesFixture::TearDown();
  }
  static std::uint16_t alloc(unsigned cls, std::uint16_t index, unsigned count, unsigned fallback = 0) {
    va_AllocRange(cls, fallback, index, count);
    return index;
  }
};

TEST_F(Operands, IoClasses) {
  for (unsigned c : {0u, 1u, 4u, 5u, 6u, 7u}) EXPECT_FALSE(va_IsIoClass(c)) << c;
  for (unsigned c : {2u, 3u, 8u, 9u, 10u, 11u, 12u, 13u, 16u}) EXPECT_TRUE(va_IsIoClass(c)) << c;
}

TEST_F(Operands, SearchFindsFreeRanges) {
  va_SetModeSearch();
  EXPECT_EQ(alloc(kClassDW, 0, 3), 1);
  EXPECT_EQ(alloc(kClassDW, 0, 3), 4);
  EXPECT_EQ(alloc(kClassM, 0, 1), 8) << "flags start at 8";
  EXPECT_EQ(alloc(kClassDW, 17, 3), 17) << "a request in search mode comes back unmarked";
  EXPECT_FALSE(va_Used(kClassDW, 17));
  va_Reserved(kClassDF) = 5;
  va_Reserved(kClassM) = 3;
  va_ResetAll();
  va_SetModeSearch();
  EXPECT_EQ(alloc(kClassDF, 0, 1), 6);
  EXPECT_EQ(alloc(kClassM, 0, 1), 8);
  EXPECT_TRUE(va_Used(kClassDF, 0));
}

TEST_F(Operands, ResetAndFixedModes) {
  EXPECT_EQ(va_Mode(), kModeReset);
  EXPECT_EQ(alloc(kClassDW, 10, 2), 10);
  EXPECT_TRUE(va_Used(kClassDW, 11));
  EXPECT_EQ(alloc(kClassDW, 10, 2), 0) << "taken";
  EXPECT_EQ(alloc(kClassDW, 0, 2), 0) << "no search in reset mode";
  va_SetModeFixed();
  EXPECT_EQ(alloc(kClassDW, 10, 2), 1) << "falls back to the search";
  EXPECT_EQ(alloc(kClassDW, 9999, 2), 3) << "past the end: searched";
  EXPECT_EQ(alloc(kClassDW, 9998, 2), 9998) << "the last two slots";
}

TEST_F(Operands, FailuresShowTheirMessages) {
  va_SetModeSearch();
  EXPECT_EQ(alloc(20, 5, 3, 30), 0);
  EXPECT_TRUE(shown("Error !   Memory for standard variables has been exceeded."));
  EXPECT_EQ(alloc(20, 5, 2, kClassPW), 1) << "the fallback class, searched";
  EXPECT_EQ(alloc(kClassPL, 0, 10000), 0);
  EXPECT_TRUE(shown("Error!   Insufficient to execute program."));
  EXPECT_FALSE(va_Used(kClassPL, 1)) << "unchanged";
}

TEST_F(Operands, DescriptorsAreOwnedByTheTable) {
  void* d = nullptr;
  mm_Allocate(d, 24);
  va_SetDescriptor(kClassE, 3, d, 24);
  EXPECT_EQ(va_Descriptor(kClassE, 3), d);
  va_ResetAll();
  EXPECT_EQ(va_Descriptor(kClassE, 3), d) << "kept by the reset of all";
  va_FreeDescriptors();
  EXPECT_EQ(va_Descriptor(kClassE, 3), nullptr);
  va_ClearAll();
  EXPECT_FALSE(va_Used(kClassE, 0));
}

} // namespace
} // namespace modelfiles::test
