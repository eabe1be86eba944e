// The standard block library as a container: it loads and links from the
// library directory, its link block sets the type flags and reserves the
// fixed target operands, a re-read keeps the variable block, and the reader
// refuses a wrong name and a type without step code.
#include "library_fixture.h"

namespace blocklibtest {
namespace {

using Container = LibraryDocument;

std::string pinName(const model::TypePinRow& r) {
  return std::string(reinterpret_cast<const char*>(r.Carried), strnlen(reinterpret_cast<const char*>(r.Carried), 8));
}

TEST_F(Container, LoadsLinksAndSetsTheFlowFlags) {
  model::ProjectModule* m = nullptr;
  ASSERT_TRUE(read(m, bytes));
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->Name, "ZRLFB02");
  EXPECT_TRUE(engine::vm().isLinked(m));
  EXPECT_FALSE(modelfiles::LoadStatus.linkFailureShown);
  struct Pins { const char* type; std::vector<std::string> in, out; };
  const Pins kinds[] = {{"STARTV3", {}, {"OUT"}},
                        {"ENDEV3", {"IN", "IN2"}, {}},
                        {"MOUTPUTV3", {"IN", "IN2"}, {"OUT"}},
                        {"BINPUTV3", {"IN", "IN2"}, {"OUT", "YES"}},
                        {"WAITV3", {"IN", "IN2"}, {"OUT"}}};
  for (const Pins& p : kinds) {
    model::GateTypeRecord* t = type(m, p.type);
    ASSERT_NE(t, nullptr) << p.type;
    // Uncounted (1), a parallel sequence (6), shown in filtered windows (7).
    EXPECT_EQ(t->Flags & 0xC2, 0xC2) << p.type;
    EXPECT_NE(t->StepLength, 0) << p.type;
    EXPECT_EQ(t->ExtraCount, 28) << p.type;
    EXPECT_EQ(t->Width, 60);
    EXPECT_EQ(t->Height, 40);
    ASSERT_EQ(t->InputCount, p.in.size()) << p.type;
    ASSERT_EQ(t->OutputCount, p.out.size()) << p.type;
    for (std::size_t k = 0; k < p.in.size(); ++k) {
      EXPECT_EQ(pinName(t->InputPins[k]), p.in[k]);
      EXPECT_EQ(t->InputPins[k].Type, 24);
    }
    for (std::size_t k = 0; k < p.out.size(); ++k) {
      EXPECT_EQ(pinName(t->OutputPins[k]), p.out[k]);
      EXPECT_EQ(t->OutputPins[k].Type, 24);
    }
  }
  // The top frame's words and flags, the I/O map and the formula registers
  // are never handed out by the operand search.
  EXPECT_GE(engine::slotTable().reserved[9], 50);    // PW
  EXPECT_GE(engine::slotTable().reserved[5], 110);   // DW
  EXPECT_GE(engine::slotTable().reserved[10], 128);  // B
}

TEST_F(Container, ReReadKeepsTheVariableBlock) {
  model::ProjectModule* m = nullptr;
  ASSERT_TRUE(read(m, bytes));
  ASSERT_NE(m->VariableBlock, nullptr);
  ASSERT_GT(m->VariableBlockSize, 0u);
  // The last byte: the link block writes its scratch words at the start.
  const std::size_t last = m->VariableBlockSize - 1;
  static_cast<std::uint8_t*>(m->VariableBlock)[last] = 0x5A;
  ASSERT_TRUE(read(m, bytes));
  EXPECT_EQ(static_cast<std::uint8_t*>(m->VariableBlock)[last], 0x5A);
  EXPECT_NE(type(m, "STARTV3"), nullptr);
}

TEST_F(Container, WrongNameIsANameConflict) {
  model::ProjectModule* other = model::doc_AddModule(*doc, "ZRLFB03", model::kModuleCompiled);
  ASSERT_FALSE(read(other, bytes));
  EXPECT_TRUE(modelfiles::LoadStatus.nameConflict);
  EXPECT_EQ(model::firstTypeOf(other), nullptr);
}

TEST_F(Container, TypeWithoutStepCodeIsAVersionConflict) {
  // The first type record follows name (12), loaded value (4) and end mark
  // (1); its step length is at offset 56.
  std::vector<std::uint8_t> b = bytes;
  b[17 + 56] = b[17 + 57] = 0;
  model::ProjectModule* m = nullptr;
  ASSERT_FALSE(read(m, b));
  EXPECT_TRUE(modelfiles::LoadStatus.versionConflict);
}

} // namespace
} // namespace blocklibtest
