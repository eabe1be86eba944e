// The linker refuses broken code; the run loop never leaves the mapped memory.
#include "harness.h"

#include "engine/externs.h"

#include <random>

namespace engine::test {

namespace {

std::vector<std::uint8_t> assemble(const std::string& body) {
  std::vector<std::uint8_t> out;
  std::string err;
  EXPECT_TRUE(zasm::assembleProcedure(body, out, err)) << err;
  return out;
}

// Links a module whose type "T" has the given raw step code.
bool linkRaw(Harness& h, const std::vector<std::uint8_t>& step, std::string& err,
             const std::vector<std::uint8_t>& code = {}) {
  zasm::ModuleSource src;
  src.name = "RAW";
  src.code = code;
  src.varsSize = 32;
  src.consts = std::vector<std::uint8_t>(32, 0);
  zasm::TypeSource t;
  t.name = "T";
  t.inputs = {20};
  t.outputs = {20};
  t.procs[zasm::kStep] = step;
  src.types.push_back(t);
  h.module = zasm::buildModule(*h.doc, src);
  model::ProjectModule* table[2] = {h.module, h.externs};
  return vm().linkModule(h.module, nullptr, 0, table, 2, &err);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

} // namespace

TEST(Linker, RefusesBrokenCode) {
  const std::vector<std::uint8_t> good = assemble("movr out:0, in:0\nend");
  struct Case { const char* name; std::vector<std::uint8_t> code; const char* why; };
  std::vector<Case> cases;
  cases.push_back({"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + 20), "past the block"});
  cases.push_back({"no end instruction", std::vector<std::uint8_t>(good.begin(), good.begin() + 28), "without an end"});
  {
    auto c = good;
    put32(c, 4, 57);
    cases.push_back({"unknown opcode", c, "unknown opcode"});
  }
  {
    auto c = good;
    put32(c, 4, 0x12345678);
    cases.push_back({"huge opcode", c, "unknown opcode"});
  }
  {
    auto c = good;
    c[4 + 12 + 4] = 'Z';
    cases.push_back({"unknown tag", c, "unknown area tag"});
  }
  {
    auto c = good;
    c[4 + 12 + 4] = '0';
    put32(c, 4 + 12, 7u << 24);
    cases.push_back({"module number outside the table", c, "module 7"});
  }
  {
    auto c = good;
    c[4 + 12 + 4] = '.';
    put32(c, 4 + 12, 4000);
    cases.push_back({"offset beyond its block", c, "outside its block"});
  }
  cases.push_back({"block shorter than its header", {1, 0}, "too short"});
  for (const Case& c : cases) {
    Harness h;
    std::string err;
    EXPECT_FALSE(linkRaw(h, c.code, err)) << c.name;
    EXPECT_NE(err.find(c.why), std::string::npos) << c.name << ": " << err;
    EXPECT_EQ(vm().procedureFor(h.module->List ? model::firstTypeOf(h.module)->StepProc : nullptr), nullptr);
    // The gate of a refused type runs nothing and stops with an error.
    EXPECT_EQ(h.runStep(), 1) << c.name;
  }
}

TEST(Linker, GoodCodeRunsAndRestoresNothingElse) {
  Harness h;
  std::string err;
  ASSERT_TRUE(linkRaw(h, assemble("movr out:0, in:0\nend"), err)) << err;
  h.in[0] = 4.25;
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], 4.25);
}

TEST(Linker, ExternOperandOffsetTenthIsTheNumber) {
  Harness h;
  StringTextSink sink;
  setTargetTextSink(&sink);
  // Extern 25 (offset 250): bit symbol line, s1 name, s2 address vector.
  const char* consts = "name: text \"SW1\"\nad: real 1 3 0 9\n";
  ASSERT_TRUE(h.loadStep("call x1:25\naddrof frame:4, const:name\naddrof frame:8, vars:v1\nstop\nend",
                         std::string(consts)));
  // The address vector lives in the variables: class 1 (M), byte 3, bit 9.
  double* v = static_cast<double*>(h.module->VariableBlock);
  v[0] = 1; v[1] = 3; v[2] = 0; v[3] = 9;
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  // A bit outside 0..7 is first set to 0 in the caller's vector.
  EXPECT_EQ(sink.text, "  SW1     : M3.0\n");
  EXPECT_EQ(v[3], 0.0);
  setTargetTextSink(nullptr);
}

TEST(Linker, InvalidExternNumbersShow50031Once) {
  Harness h;
  ASSERT_TRUE(h.loadStep("call x1:11\nstop\ncall x1:200\nstop\ncall x1:7\nstop\nend"));
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50031"});
}

TEST(Linker, RandomCodeNeverEscapes) {
  std::mt19937 rng(1234);
  const std::vector<std::uint8_t> base = assemble(
      "addr/2 in:0, const:0\nmovr out:0, stack:0\njf @x, in:0\ncall code:0\nstop\nx:\nintinit #2, in:0, state:0\n"
      "integ #2, in:0, const:0, const:0, const:8, state:0\nichk in:0, in:2, in:4, #0\nend");
  const std::vector<std::uint8_t> func = assemble("ret/1 frame:0\nend");
  int linked = 0;
  for (int round = 0; round < 3000; ++round) {
    auto code = base;
    const int flips = 1 + int(rng() % 6);
    for (int k = 0; k < flips; ++k) code[rng() % code.size()] = std::uint8_t(rng());
    if (rng() % 4 == 0) code.resize(rng() % code.size());
    Harness h;
    std::string err;
    if (!linkRaw(h, code, err, func)) continue;
    ++linked;
    vm().setBudget(10000);
    h.runStep();
    vm().setBudget(Vm::kDefaultBudget);
  }
  EXPECT_GT(linked, 0);
}

} // namespace engine::test

namespace engine::test {

TEST(Linker, InitialisationCodeRunsOnceAtLink) {
  Harness h;
  zasm::ModuleSource src;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibrary("module INIT\nvar v 8\nconst\nk: real 6.5\nendconst\n"
                                    "type T\noutputs 20\nstep\nmovr out:0, vars:v\nend\nendproc\nendtype\n",
                                    src, err))
      << err;
  std::vector<std::uint8_t> init;
  ASSERT_TRUE(zasm::assembleProcedure("movr vars:0, const:k\nend", init, err, &src)) << err;
  h.module = zasm::buildModule(*h.doc, src);
  model::ProjectModule* table[2] = {h.module, h.externs};
  ASSERT_TRUE(vm_LinkCode(h.module, init.data(), init.size(), table, 2)) << vm().lastError();
  EXPECT_EQ(static_cast<double*>(h.module->VariableBlock)[0], 6.5);
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], 6.5);
}

TEST(Linker, RelinkAfterTheCodeWasReplaced) {
  Harness h;
  ASSERT_TRUE(h.loadStep("movr out:0, const:a\nend", "a: real 1.0\nb: real 2.0"));
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], 1.0);
  // The library is read again with new code for T: the old side table must go.
  zasm::ModuleSource src;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibrary("module TLIB\nvar v1 64\nconst\na: real 1.0\nb: real 2.0\nendconst\n"
                                    "type T\ninputs 20 20\noutputs 20\nextra 2\nstate 4\nstep\n"
                                    "movr out:0, const:b\nend\nendproc\nendtype\n",
                                    src, err))
      << err;
  ASSERT_EQ(zasm::buildModule(*h.doc, src), h.module);
  model::ProjectModule* table[2] = {h.module, h.externs};
  ASSERT_TRUE(vm_LinkCode(h.module, nullptr, 0, table, 2));
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], 2.0);
}

TEST(Linker, FailedInitialisationRefusesTheModule) {
  Harness h;
  zasm::ModuleSource src;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibrary("module INIT\ntype T\noutputs 20\nstep\nend\nendproc\nendtype\n", src, err));
  std::vector<std::uint8_t> init;
  ASSERT_TRUE(zasm::assembleProcedure("movr out:0, in:0\nend", init, err, &src));
  h.module = zasm::buildModule(*h.doc, src);
  model::ProjectModule* table[1] = {h.module};
  EXPECT_FALSE(vm_LinkCode(h.module, init.data(), init.size(), table, 1));
  EXPECT_FALSE(vm().isLinked(h.module));
  EXPECT_EQ(vm().procedureFor(model::firstTypeOf(h.module)->StepProc), nullptr);
}

} // namespace engine::test

namespace engine::test {

TEST(Linker, ForgettingADocumentDropsItsCode) {
  Harness h;
  ASSERT_TRUE(h.loadStep("movr out:0, in:0\nend"));
  const unsigned mappedBefore = vm().space().mappedCount();
  EXPECT_NE(vm().procedureFor(h.type()->StepProc), nullptr);
  vm_ForgetDocument(h.doc);
  EXPECT_FALSE(vm().isLinked(h.module));
  EXPECT_EQ(vm().procedureFor(h.type()->StepProc), nullptr);
  EXPECT_EQ(vm().document(), nullptr);
  EXPECT_LT(vm().space().mappedCount(), mappedBefore);
  EXPECT_EQ(h.runStep(), 1);   // nothing linked any more
}

} // namespace engine::test

#include "engine/stepcmd.h"

namespace engine::test {

// A module is linked again only with the reference table of its own file
// (as vm_LinkCode got it), never with the document's module order.
TEST(Linker, RelinkUsesTheFilesOwnReferenceOrder) {
  Harness h;
  zasm::ModuleSource src;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibrary("module TLIB\ntype T\noutputs 16 16\nstep\ncall x1:89\n"
                                    "addrof frame:0, out:0\naddrof frame:4, out:8\nstop\nend\nendproc\nendtype\n",
                                    src, err))
      << err;
  h.module = zasm::buildModule(*h.doc, src);
  // The file's order: itself, then the extern library; the document's
  // compiled modules are EXTERNAL, TLIB.
  model::ProjectModule* table[2] = {h.module, h.externs};
  ASSERT_TRUE(vm_LinkCode(h.module, nullptr, 0, table, 2)) << vm().lastError();
  vm().forgetModule(h.module);
  ASSERT_FALSE(vm().isLinked(h.module));
  ASSERT_TRUE(linkDocument(*h.doc, &err)) << err;
  EXPECT_TRUE(vm().isLinked(h.module));
  h.gate.X = 35;
  h.gate.Y = 45;
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.outWord(0), 35);
  EXPECT_EQ(h.outWord(8), 45);
  // A module that never reached the linker from a file stays unlinked.
  vm_ForgetDocument(h.doc);
  vm().attachDocument(h.doc);
  EXPECT_TRUE(linkDocument(*h.doc, &err));
  EXPECT_FALSE(vm().isLinked(h.module));
}

} // namespace engine::test
