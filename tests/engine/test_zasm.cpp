// The assembler: lengths and layout of what it writes, and its errors.
#include "zasm/zasm.h"

#include "engine/vmcode.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace zasm {

TEST(Zasm, InstructionLengthsFollowTheTable) {
  struct Row { const char* text; unsigned len; };
  const Row rows[] = {
      {"end", 8}, {"stop12", 12}, {"negr in:0", 20}, {"addr in:0, in:8", 24}, {"for @x, in:0, in:2", 32},
      {"ichk in:0, in:0, in:0, #0", 36}, {"arc in:0, in:0, in:0, in:0, in:0", 44},
      {"integ #1, in:0, in:0, in:0, in:0, in:0", 48}, {"fread/4 in:0, in:0", 24}, {"fread in:0, in:0, in:0", 32},
      {"aidx in:0, in:0, in:0", 32}, {"aidx in:0, in:0, in:0, in:0", 36}, {"call code:0", 20}};
  for (const Row& r : rows) {
    std::vector<std::uint8_t> out;
    std::string err;
    ModuleSource m;
    m.codeLabels["0"] = 0;
    ASSERT_TRUE(assembleProcedure(std::string("x:\n") + r.text + "\nend", out, err, &m)) << r.text << ": " << err;
    engine::Procedure p;
    ASSERT_TRUE(engine::decodeProcedure(out.data(), out.size(), 0, p, err)) << r.text << ": " << err;
    EXPECT_EQ(p.code[0].len, r.len) << r.text;
  }
}

TEST(Zasm, WritesOperandsAtTheirOffsets) {
  std::vector<std::uint8_t> out;
  std::string err;
  ASSERT_TRUE(assembleProcedure("frame 12\nmovr/3 out:16, m2.vars:40\nend", out, err)) << err;
  ASSERT_EQ(out.size(), 4u + 24 + 8);
  EXPECT_EQ(out[0], 12);
  EXPECT_EQ(out[4], 62);
  EXPECT_EQ(out[12], 3);
  EXPECT_EQ(out[16], 16);
  EXPECT_EQ(out[20], 1);      // tag of operand 1: outputs
  EXPECT_EQ(out[21], '0');    // tag of operand 2: another module's variables
  EXPECT_EQ(out[24], 40);
  EXPECT_EQ(out[27], 2);      // module number in the high byte
}

TEST(Zasm, ReportsErrorsWithLineNumbers) {
  struct Row { const char* text; const char* error; };
  const Row rows[] = {
      {"module A\ntype T\nstep\nbogus in:0\nendproc\nendtype\n", "line 4: unknown instruction bogus"},
      {"module A\ntype T\nstep\nmovr out:0, nowhere:0\nendproc\nendtype\n", "line 4: unknown area nowhere"},
      {"module A\ntype T\nstep\njmp @missing\nendproc\nendtype\n", "line 4: unknown label missing"},
      {"module A\ntype T\nstep\nnegr in:0, in:0\nendproc\nendtype\n", "line 4: negr takes 1 operands"},
      {"module A\nconst\nx: real abc\nendconst\n", "line 3: bad real abc"},
      {"module ABCDEFGHI\n", "line 1: module name longer than 8 characters"},
      {"module A\ntype T\nstep\nend\n", "text ends inside a section"},
      {"type T\nendtype\n", "no module line"},
  };
  for (const Row& r : rows) {
    ModuleSource m;
    std::string err;
    EXPECT_FALSE(assembleLibrary(r.text, m, err)) << r.text;
    EXPECT_NE(err.find(r.error), std::string::npos) << err;
  }
}

TEST(Zasm, LibraryWithCodeConstAndVars) {
  const char* text =
      "module LIB\n"
      "var a 8\nvar b 16\n"
      "const\nk: real 2.5\nn: int 3\nendconst\n"
      "code\nfunc f 8\nret/1 const:n\nend\nfunc g\nend\nendcode\n"
      "type T\ninputs 20 1\noutputs 20\nextra 2\nstate 3\nsize 50 40\nstep\ncall code:g\nstop\nend\nendproc\n"
      "draw1\ngateframe\nend\nendproc\nendtype\n";
  ModuleSource m;
  std::string err;
  ASSERT_TRUE(assembleLibrary(text, m, err)) << err;
  EXPECT_EQ(m.varsSize, 24u);
  EXPECT_EQ(m.varLabels["b"], 8u);
  EXPECT_EQ(m.constLabels["n"], 8u);
  EXPECT_EQ(m.consts.size(), 10u);
  EXPECT_EQ(m.codeLabels["f"], 0u);
  EXPECT_EQ(m.codeLabels["g"], 4u + 20 + 8);
  ASSERT_EQ(m.types.size(), 1u);
  EXPECT_EQ(m.types[0].inputs, (std::vector<model::PinSignalType>{20, 1}));
  EXPECT_EQ(m.types[0].width, 50);
  EXPECT_FALSE(m.types[0].procs[kStep].empty());
  EXPECT_FALSE(m.types[0].procs[kDraw1].empty());
  EXPECT_NE(disassemble(m.code, m.codeLabels["g"]).find("end"), std::string::npos);
}

} // namespace zasm

namespace zasm {

TEST(Zasm, UsesLinesAndInitBlock) {
  const char* text =
      "module LIB\n"
      "uses EXTERNAL\nuses OTHER\n"
      "var v 8\n"
      "init\nframe 4\nmovr vars:v, m1.const:8\nend\nendinit\n"
      "type T\noutputs 20\nstep\ncall x0:89\naddrof frame:0, out:0\nstop\nend\nendproc\nendtype\n";
  ModuleSource m;
  std::string err;
  ASSERT_TRUE(assembleLibrary(text, m, err)) << err;
  EXPECT_EQ(m.uses, (std::vector<std::string>{"EXTERNAL", "OTHER"}));
  ASSERT_FALSE(m.init.empty());
  EXPECT_EQ(m.init[0], 4);
  engine::Procedure p;
  ASSERT_TRUE(engine::decodeProcedure(m.types[0].procs[kStep].data(), m.types[0].procs[kStep].size(), 0, p, err));
  EXPECT_EQ(p.operands[0].tag, '2');
  EXPECT_EQ(p.operands[0].offset, 890u) << "module 0, extern 89 at offset 890";
  EXPECT_TRUE(checkLibrary(m, err)) << err;
}

TEST(Zasm, UsesTableIsEnforced) {
  struct Row { const char* text; const char* error; };
  const Row rows[] = {
      {"module A\nuses EXTERNAL\ntype T\nstep\ncall x1:89\nstop\nend\nendproc\nendtype\n", "not in the uses table"},
      {"module A\nuses OTHER\ntype T\nstep\ncall x0:89\nstop\nend\nendproc\nendtype\n", "no extern library"},
      {"module A\nuses EXTERNAL\ntype T\nstep\nmovr out:0, m3.vars:0\nend\nendproc\nendtype\n", "not in the uses table"},
      {"module A\nuses TOOLONGNAME\n", "longer than 8"},
      {"module A\ninit\nend\nendinit\ninit\nend\nendinit\n", "second init"},
  };
  for (const Row& r : rows) {
    ModuleSource m;
    std::string err;
    EXPECT_FALSE(assembleLibrary(r.text, m, err)) << r.text;
    EXPECT_NE(err.find(r.error), std::string::npos) << err;
  }
}

// What the linker would refuse without needing another module.
TEST(Zasm, CheckRefusesWhatCannotLink) {
  struct Row { const char* text; const char* error; };
  const Row rows[] = {
      {"module A\ntype T\nstep\nmovr out:0, in:0\nendproc\nendtype\n", "type T step: code ends without an end"},
      {"module A\ncode\nfunc f\nmovr out:0, in:0\nendcode\n", "without an end"},
      {"module A\ninit\nmovr out:0, in:0\nendinit\n", "init: code ends without an end"},
      {"module A\nconst\nk: real 1\nendconst\ntype T\nstep\nmovr out:0, const:16\nend\nendproc\nendtype\n",
       "outside the constant block"},
      {"module A\ntype T\nstep\nmovr out:0, vars:0\nend\nendproc\nendtype\n", "variable block, which is empty"},
      {"module A\ntype T\nstep\nmovr out:0, m0.vars:0\nend\nendproc\nendtype\n", "not in the uses table"},
      {"module A\ntype T\nstep\nmovr out:0, link:5000\nend\nendproc\nendtype\n", "linker frame"},
      {"module A\ntype T\nstep\njmp own:6\nend\nendproc\nendtype\n", "not an instruction"},
      {"module A\ntype T\nstep\nop57 in:0, in:0\nend\nendproc\nendtype\n", "unknown"},
  };
  for (const Row& r : rows) {
    ModuleSource m;
    std::string err;
    if (!assembleLibrary(r.text, m, err)) {
      EXPECT_NE(err.find(r.error), std::string::npos) << r.text << ": " << err;
      continue;
    }
    EXPECT_FALSE(checkLibrary(m, err)) << r.text;
    EXPECT_NE(err.find(r.error), std::string::npos) << err;
  }
}

// A REAL constant is read with a decimal point whatever the process locale.
TEST(Zasm, RealConstantsIgnoreTheLocale) {
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not generated";
  ModuleSource m;
  std::string err;
  const bool ok = assembleLibrary("module A\nconst\nk: real 2.5\nendconst\n", m, err);
  std::setlocale(LC_ALL, old.c_str());
  ASSERT_TRUE(ok) << err;
  ASSERT_EQ(m.consts.size(), 8u);
  double v = 0;
  std::memcpy(&v, m.consts.data(), 8);
  EXPECT_EQ(v, 2.5);
}

} // namespace zasm
