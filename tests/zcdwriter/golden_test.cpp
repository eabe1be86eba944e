// Golden target texts of typical diagrams (the date line masked), each also
// compiled by the code generator against the software PLC's own description
// with neither errors nor warnings. ZERLO_UPDATE_GOLDEN=1 rewrites the files.
#include "target_fixture.h"

#include <cstdlib>

namespace zcdtest {
namespace {

class Golden : public Target {
protected:
  // Masks the header's date line.
  static std::string masked(std::string text) {
    const std::size_t a = text.find('\n');
    const std::size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
    if (b != std::string::npos) text.replace(a + 1, b - a - 1, "; DATE");
    return text;
  }
  void check(const char* name) {
    const std::string text = d->write();
    ASSERT_FALSE(text.empty());
    const std::string file = std::string(ZERLO_TEST_DATA) + "/zcdwriter/" + name + ".zcd";
    if (std::getenv("ZERLO_UPDATE_GOLDEN")) std::ofstream(file, std::ios::binary) << masked(text);
    EXPECT_EQ(masked(text), readFile(file)) << name;
    std::string download, msgs;
    CgAdvResult res{};
    ASSERT_TRUE(compile(d->zcdPath(), download, msgs, res)) << msgs;
    EXPECT_EQ(res.errors, 0u) << name << "\n" << msgs;
    EXPECT_EQ(res.warnings, 0u) << name << "\n" << msgs;
  }
};

TEST_F(Golden, FlatDiagram) {
  Diagram& D = *d;
  auto* cnt = D.block(D.main, "CNT", {5, 3, 150});
  auto* gain = D.block(D.main, "GAIN", {6, 5, 2, 151});
  auto* add = D.block(D.main, "ADD", {7, 5, 6});
  ASSERT_TRUE(D.wire(D.main, cnt, 1, gain, 1) && D.wire(D.main, cnt, 1, add, 1) && D.wire(D.main, gain, 1, add, 2));
  check("flat");
  EXPECT_TRUE(D.services.calls.empty());
}

TEST_F(Golden, DollarMacroWithoutRealPins) {
  Diagram& D = *d;
  D.block(D.main, "CNT", {5, 3, 150});
  model::LogicRecord* task = model::ge_NewLogic("$TASK");
  // Task numbers come from the place among the counted gates of a list:
  // the inner task is first in its list (15), the outer one second (14).
  model::LogicRecord* inner = model::ge_NewLogic("$INNER");
  D.block(inner, "CNT", {10, 1, 154});
  ASSERT_NE(D.macro(task, inner, 20), nullptr);
  D.block(task, "CNT", {8, 2, 152});
  ASSERT_NE(D.macro(D.main, task, 50), nullptr);
  D.block(D.main, "CNT", {9, 1, 153});
  check("dollar");
  // No module file: a "$" macro is a task, not a sequence.
  EXPECT_EQ(zcd::pc_SequenceCounter(), 0);
}

TEST_F(Golden, NestedSequences) {
  Diagram& D = *d;
  model::LogicRecord* inner = model::ge_NewLogic("INNER");
  D.block(inner, "STEP");
  D.block(inner, "STEP");
  model::LogicRecord* outer = model::ge_NewLogic("OUTER");
  D.block(outer, "STEP");
  D.block(outer, "CNT", {5, 1, 150});
  ASSERT_NE(D.macro(outer, inner), nullptr);
  ASSERT_NE(D.macro(D.main, outer), nullptr);
  check("nested");
  EXPECT_EQ(zcd::pc_SequenceCounter(), 2);
  // The inner module (2: two bits, two words) follows its allocated ranges.
  EXPECT_EQ(zcd::moduleRecord(2)->bitCount, 2);
  EXPECT_EQ(zcd::moduleRecord(1)->bitCount, 1);
  EXPECT_NE(zcd::moduleRecord(1)->bitBase, zcd::moduleRecord(2)->bitBase);
  const std::string text = readFile(d->zcdPath());
  EXPECT_LT(text.find(":2\n:2\n"), text.find(":1\n:1\n")) << "inner module merged first";
  EXPECT_FALSE(std::filesystem::exists(D.dir / "MODULE1.DAT"));
}

TEST_F(Golden, DisableLogicBeforePlainMacro) {
  Diagram& D = *d;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  D.block(sub, "CNT", {5, 2, 150});
  model::GateRecord* m = D.macro(D.main, sub);
  ASSERT_NE(m, nullptr);
  model::GateRecord* dl = D.disableLogic(D.main, m, {1, 20, 0, 3, 0});
  ASSERT_NE(dl, nullptr);
  zcd::pc_LabelCounter() = 6;
  check("disable");
  EXPECT_EQ(zcd::pc_LabelCounter(), 7);
}

TEST_F(Golden, TwoHundredAndOneSequencesShowTheMessageOnce) {
  Diagram& D = *d;
  model::LogicRecord* seq = model::ge_NewLogic("SEQ");
  D.block(seq, "STEP");
  for (int k = 0; k < 201; ++k) ASSERT_NE(D.macro(D.main, seq), nullptr);
  check("many");
  EXPECT_EQ(D.services.calls, std::vector<std::string>{"msg 50049"});
  EXPECT_EQ(zcd::pc_SequenceCounter(), 200);
  // Once until the flag is cleared.
  D.write();
  EXPECT_EQ(D.services.calls.size(), 1u);
  zcd::pc_ClearTooManyFlag();
  D.write();
  EXPECT_EQ(D.services.calls.size(), 2u);
}

} // namespace
} // namespace zcdtest
