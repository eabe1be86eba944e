// The assembler's library records: named pin rows, described fields, the
// extern numbers it refuses, the step procedure every type needs, and
// byte-for-byte stable library files.
#include "zasm/mco.h"
#include "zasm/zasm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sstream>

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
std::string dataPath(const char* name) { return std::string(ZERLO_TEST_DATA) + "/tools/zasm/" + name; }

std::string hex(const std::vector<std::uint8_t>& b) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < b.size(); ++i) {
    s += d[b[i] >> 4];
    s += d[b[i] & 15];
    s += (i % 32 == 31) ? '\n' : ' ';
  }
  if (!b.empty() && b.size() % 32) s += '\n';
  return s;
}

zasm::ModuleSource assemble(const std::string& text) {
  zasm::ModuleSource m;
  std::string err;
  EXPECT_TRUE(zasm::assembleLibrary(text, m, err)) << err;
  return m;
}

std::string name(const model::TypePinRow& r) {
  return std::string(reinterpret_cast<const char*>(r.Carried), strnlen(reinterpret_cast<const char*>(r.Carried), 8));
}

TEST(ZasmLibrary, GoldenBytes) {
  const zasm::ModuleSource m = assemble(readFile(dataPath("golden.zas")));
  std::string err;
  ASSERT_TRUE(zasm::checkLibrary(m, err)) << err;
  const std::vector<std::uint8_t> bytes = zasm::encodeMco(m);
  // The same text gives the same bytes, and these are the recorded ones.
  EXPECT_EQ(zasm::encodeMco(assemble(readFile(dataPath("golden.zas")))), bytes);
  EXPECT_EQ(hex(bytes), readFile(dataPath("golden.hex")));
}

TEST(ZasmLibrary, PinRowsCarryPlacesAndNames) {
  const zasm::ModuleSource m = assemble(readFile(dataPath("golden.zas")));
  ASSERT_EQ(m.types.size(), 1u);
  const auto in = zasm::typeRows(m.types[0], true);
  const auto out = zasm::typeRows(m.types[0], false);
  ASSERT_EQ(in.size(), 2u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(name(in[0]), "IN");
  EXPECT_EQ(in[0].X, 30);
  EXPECT_EQ(in[0].Y, 0);
  EXPECT_EQ(in[0].Side, 4);
  EXPECT_EQ(in[0].Type, 24);
  // The unnamed input keeps the default place down the left side.
  EXPECT_EQ(name(in[1]), "");
  EXPECT_EQ(in[1].X, 0);
  EXPECT_EQ(in[1].Y, 30);
  EXPECT_EQ(in[1].Side, 2);
  EXPECT_EQ(in[1].Type, 20);
  EXPECT_EQ(name(out[0]), "OUT");
  EXPECT_EQ(out[0].Side, 3);
  // Two fields of 48 bytes: kind, count, prompt, offset.
  const auto& f = m.types[0].fields;
  ASSERT_EQ(f.size(), 96u);
  EXPECT_EQ(f[0], 2);
  EXPECT_EQ(f[1], 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(&f[3]), "%3Output");
  EXPECT_EQ(f[48], 1);
  EXPECT_EQ(f[48 + 44], 8);
}

TEST(ZasmLibrary, RefusesWhatCannotLoad) {
  const std::string head = "module BAD\nuses EXTERNAL\n";
  const std::string step = "  step\n    end\n  endproc\n";
  struct Case { std::string text; const char* message; };
  const Case cases[] = {
      {head + "type T\n  pin in A 24 0 0 2\n  pin out A 24 0 0 1\n" + step + "endtype\n", "a second pin named A"},
      {head + "type T\n  pin in LONGNAME9 24 0 0 2\n" + step + "endtype\n", "pin in|out"},
      {head + "type T\n  pin in A 24 0 0 5\n" + step + "endtype\n", "pin in|out"},
      {head + "type T\n  field 2 1 0 %3X\n" + step + "endtype\n", "field KIND"},
      {head + "type T\n  field 9 1 0 \"%3X\"\n" + step + "endtype\n", "field KIND"},
  };
  for (const Case& c : cases) {
    zasm::ModuleSource m;
    std::string err;
    EXPECT_FALSE(zasm::assembleLibrary(c.text, m, err)) << c.text;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
}

TEST(ZasmLibrary, RefusesExternsWithoutFunction) {
  for (int n : {7, 11, 77, 107, 113, 119, 123, 600}) {
    zasm::ModuleSource m = assemble("module BAD\nuses EXTERNAL\ntype T\n  step\n    call x0:" + std::to_string(n) +
                                    "\n    stop\n    end\n  endproc\nendtype\n");
    std::string err;
    EXPECT_FALSE(zasm::checkLibrary(m, err)) << n;
    EXPECT_NE(err.find("cannot be called"), std::string::npos) << err;
  }
  // Written as a raw operand of the extern module, the checker refuses it.
  zasm::ModuleSource m = assemble("module BAD\nuses EXTERNAL\ntype T\n  step\n    call m0.code:1130\n    stop\n"
                                  "    end\n  endproc\nendtype\n");
  std::string err;
  EXPECT_FALSE(zasm::checkLibrary(m, err));
  EXPECT_NE(err.find("extern 113"), std::string::npos) << err;
  // Extern 4 is fine.
  m = assemble("module OK\nuses EXTERNAL\ntype T\n  step\n    call m0.code:40\n    stop\n    end\n  endproc\nendtype\n");
  EXPECT_TRUE(zasm::checkLibrary(m, err)) << err;
}

TEST(ZasmLibrary, EveryTypeNeedsAStepProcedure) {
  zasm::ModuleSource m = assemble("module BAD\ntype T\n  code2\n    end\n  endproc\nendtype\n");
  std::string err;
  EXPECT_FALSE(zasm::checkLibrary(m, err));
  EXPECT_NE(err.find("no step procedure"), std::string::npos) << err;
}

TEST(ZasmLibrary, IncludesFilesBesideTheLibrary) {
  const std::string dir = testing::TempDir() + "/zasm_include_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  auto put = [&](const char* name, const std::string& text) { std::ofstream(dir + "/" + name) << text; };
  put("main.zas", "module INC\nuses EXTERNAL\ninclude part.zas\n");
  put("part.zas", "; a type of its own\ntype T\n  step\n    end\n  endproc\nendtype\n");
  put("bad.zas", "module BAD\ninclude broken.zas\n");
  put("broken.zas", "type T\n  step\n    nosuch in:0\n");
  put("up.zas", "module UP\ninclude ../x.zas\n");
  zasm::ModuleSource m;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibraryFile(dir + "/main.zas", m, err)) << err;
  ASSERT_EQ(m.types.size(), 1u);
  EXPECT_EQ(m.types[0].name, "T");
  // An error names the included file and its own line.
  EXPECT_FALSE(zasm::assembleLibraryFile(dir + "/bad.zas", m, err));
  EXPECT_NE(err.find("broken.zas line 3"), std::string::npos) << err;
  EXPECT_FALSE(zasm::assembleLibraryFile(dir + "/up.zas", m, err));
  EXPECT_NE(err.find("beside the library"), std::string::npos) << err;
  // A text without its file cannot include.
  EXPECT_FALSE(zasm::assembleLibrary("module X\ninclude part.zas\n", m, err));
  EXPECT_NE(err.find("include needs"), std::string::npos) << err;
  std::filesystem::remove_all(dir);
}

} // namespace
