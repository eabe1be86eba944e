// Extern 108: the running gate's state values restored from its instance in
// the base document's own logics, up to the end of the type's last variable.
#include "../engine/harness.h"

#include "engine/externs.h"
#include "model/editing.h"
#include "model/instances.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"

namespace zcdtest {
namespace {

std::vector<std::uint8_t> entry(std::uint16_t kind, std::uint16_t count, std::uint32_t offset) {
  return {std::uint8_t(kind), std::uint8_t(kind >> 8), std::uint8_t(count), std::uint8_t(count >> 8),
          std::uint8_t(offset), std::uint8_t(offset >> 8), std::uint8_t(offset >> 16), std::uint8_t(offset >> 24)};
}

struct Restore : ::testing::Test {
  engine::test::Harness h;
  model::FakeEditor editor;
  model::EditorServices* prevEditor = model::setEditor(&editor);
  model::DocumentRecord* prevTemplate = model::TemplateDocument;
  void TearDown() override {
    engine::vm().reset();
    // What the block library reader allocated goes back through its own
    // release; the harness then finds nothing left of these types.
    for (model::ProjectModule* m = h.doc->FirstModule; m; m = m->Next)
      for (model::GateTypeRecord* t = model::firstTypeOf(m); t && m != h.externs; t = t->Next) {
        modelfiles::mdl_FreeTypeCode(t);
        t->StepProc = t->VariableTable = t->ParamFields = nullptr;
        for (void*& p : t->Procs) p = nullptr;
      }
    model::TemplateDocument = prevTemplate;
    model::CurrentDocument = nullptr;
    model::setEditor(prevEditor);
  }

  // A type T with 8 state values whose step calls extern 108, read from
  // block library bytes with the given variable table.
  model::GateTypeRecord* type(const std::vector<std::uint8_t>& table, std::uint16_t count) {
    modelfiles::McoModule m;
    m.name = "RESTLIB";
    m.references = {"EXTERNAL"};
    modelfiles::McoType t;
    t.name = "T";
    t.stateCount = 8;
    t.variableCount = count;
    t.variableTable = table;
    std::string err;
    EXPECT_TRUE(zasm::assembleProcedure("call x0:108\nstop\nend", t.step, err)) << err;
    m.types.push_back(t);
    const auto bytes = modelfiles::mdl_EncodeCompiledModule(m);
    model::CurrentDocument = h.doc;
    model::ProjectModule* slot = nullptr;
    modelfiles::mdl_ReadCompiledModule(slot, bytes.data(), bytes.size());
    if (!slot) return nullptr;
    model::ProjectModule* tableMods[1] = {h.externs};
    EXPECT_TRUE(engine::vm().linkModule(slot, nullptr, 0, tableMods, 1, &err)) << err;
    return model::firstTypeOf(slot);
  }

  // Runs the step of a gate of type t placed in a logic of the base document,
  // whose own instance holds 1..8, on a running instance holding zeros.
  std::vector<double> run(model::GateTypeRecord* t) {
    model::TemplateDocument = h.doc;
    model::LogicRecord* l = model::ge_NewLogic("MAIN");
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.stateCount = 8;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* own = nullptr;
    EXPECT_TRUE(model::ge_CreateGate(l, s, seq, g, own));
    own = model::inst_Parallel(l, l->FirstInstance, g);
    for (int k = 0; k < 8; ++k) own->StateValues[k] = k + 1;
    std::vector<double> states(8, 0.0);
    model::GateInstance running{};
    running.StateValues = states.data();
    running.StateSlotCount = 8;
    EXPECT_EQ(engine::vm().run(g, &running, t->StepProc), 0) << engine::vm().lastError();
    return states;
  }
};

TEST_F(Restore, CopiesUpToTheEndOfTheLastVariable) {
  std::vector<std::uint8_t> table = entry(0, 0, 0);
  const auto second = entry(1, 2, 16);   // a vector of two slots at 16: ends at 32
  table.insert(table.end(), second.begin(), second.end());
  model::GateTypeRecord* t = type(table, 2);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(engine::xt_VariableTableEnd(t), 32u);
  EXPECT_EQ(run(t), (std::vector<double>{1, 2, 3, 4, 0, 0, 0, 0}));
}

TEST_F(Restore, EndsByKind) {
  struct Row { std::uint16_t kind, count; std::uint32_t offset; std::size_t end; };
  const Row rows[] = {{0, 0, 8, 16}, {2, 9, 0, 8}, {5, 0, 24, 32}, {1, 3, 0, 24},
                      {3, 100, 0, 40}, {3, 12, 4, 16}, {4, 0, 0, 134}, {6, 1, 0, 0}};
  for (const Row& r : rows) {
    model::GateTypeRecord* t = type(entry(r.kind, r.count, r.offset), 1);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(engine::xt_VariableTableEnd(t), r.end) << "kind " << r.kind;
  }
}

TEST_F(Restore, ATableShorterThanItsCountOrLongerThanTheStatesIsBounded) {
  // The count claims two entries, the table holds one: nothing restored.
  model::GateTypeRecord* shortTable = type(entry(0, 0, 0), 2);
  ASSERT_NE(shortTable, nullptr);
  EXPECT_EQ(engine::xt_VariableTableEnd(shortTable), 0u);
  // A record of 134 bytes is more than the 8 state slots: the slots only.
  model::GateTypeRecord* big = type(entry(4, 0, 0), 1);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(run(big), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8}));
}

} // namespace
} // namespace zcdtest
