// ExprParser.so loaded by name with the settings library beside it, as the
// block parameter dialogs and the block libraries use it.
#include "exprparser/exprparser.h"
#include "obeltool/obeltool.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class Library : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    sink_ = std::make_shared<plat::ui::ScriptedSink>();
    plat::ui::setSink(sink_);
    handle_ = plat::lib::load("EXPRPARSER.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(handle_, nullptr) << plat::lib::lastError();
    tool_ = plat::lib::load("OBELTOOL.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(tool_, nullptr) << plat::lib::lastError();
  }
  static void TearDownTestSuite() {
    if (tool_) plat::lib::unload(tool_);
    if (handle_) plat::lib::unload(handle_);
    plat::ui::setSink(nullptr);
  }
  template <class F> static F fn(const char* name) {
    F f = plat::lib::symbolAs<F>(handle_, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  static std::string tempDir() {
    auto get = plat::lib::symbolAs<PathGetterFn>(tool_, "GetTEMPPath");
    auto del = plat::lib::symbolAs<DeleteMStrBufFn>(tool_, "DeleteMStrBuf");
    MStrBuf b{};
    std::string dir;
    if (get && get(&b) == 1 && b.text) dir = b.text;
    if (del) del(&b);
    return dir;
  }
  static std::string errorText() {
    char* t = fn<GetErrorTextFn>("GetErrorText")();
    std::string s = t ? t : "";
    fn<FreeErrorTextFn>("FreeErrorText")(&t);
    EXPECT_EQ(t, nullptr);
    return s;
  }
  static inline std::shared_ptr<plat::ui::ScriptedSink> sink_;
  static inline plat::lib::Handle handle_ = nullptr;
  static inline plat::lib::Handle tool_ = nullptr;
};

TEST_F(Library, ExportsTheOperationsAndBindsTheSettingsLibrary) {
  for (const char* name :
       {"ParseFormel", "ParseCondition", "FormelZCDGen", "ConditionZCDGen", "UnlinkFile", "GetErrorText", "FreeErrorText"})
    EXPECT_NE(plat::lib::symbol(handle_, name), nullptr) << name;
  // Internal names stay hidden.
  EXPECT_EQ(plat::lib::symbol(handle_, "_ZN10exprparser12libraryStateEv"), nullptr);
  for (const auto& box : sink_->shown())
    EXPECT_EQ(box.text.find("OBELTOOL"), std::string::npos) << box.text;  // bound: no message 500
}

TEST_F(Library, CheckAndErrorText) {
  int16_t aux[4] = {0, 0, 0, 0};
  EXPECT_EQ(fn<ParseFormelFn>("ParseFormel")("V1 = EX + 5", aux, nullptr), 1);
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(fn<ParseConditionFn>("ParseCondition")("NOT V1", aux, nullptr), 0);
  EXPECT_EQ(errorText(),
            "Checking: NOT V1\nError:   Only digital inputs and other Boolean operands can be joined with AND, OR "
            "and NOT. (Help: Press F1)");
  fn<FreeErrorTextFn>("FreeErrorText")(nullptr);  // harmless
}

TEST_F(Library, GeneratesTheWorkedExampleIntoTheTemporaryDirectoryAndUnlinksIt) {
  std::string dir = tempDir();
  ASSERT_FALSE(dir.empty());
  char buf[EXPRPARSER_FORMULA_BUFFER_SIZE] = {};
  std::strcpy(buf, "V1");
  std::strcpy(buf + 10, "V2+3");
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  const double v[12] = {0, 10, 0, 10, 1, 10, 2, 100, 0, 0, 0, 0};
  ASSERT_EQ(fn<ZcdGenFn>("FormelZCDGen")(buf, aux, v, nullptr, nullptr, &out), 1) << errorText();
  EXPECT_EQ(out, 1);
  std::string name = buf;
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.find('/'), std::string::npos);
  std::ifstream in(dir + "/" + name, std::ios::binary);
  std::stringstream got, want;
  got << in.rdbuf();
  std::ifstream golden(std::string(ZERLO_TEST_DATA) + "/codegen/exprparser/worked_example.zcd", std::ios::binary);
  want << golden.rdbuf();
  EXPECT_EQ(got.str(), want.str());

  out = -1;
  fn<UnlinkFileFn>("UnlinkFile")(name.c_str(), nullptr, nullptr, nullptr, nullptr, &out);
  EXPECT_EQ(out, 1);
  EXPECT_FALSE(fs::exists(dir + "/" + name));
  out = -1;
  fn<UnlinkFileFn>("UnlinkFile")(name.c_str(), nullptr, nullptr, nullptr, nullptr, &out);
  EXPECT_EQ(out, 0);
}

TEST_F(Library, ConditionWithErrorLeavesNoFile) {
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1 AND";
  int16_t aux[4] = {1, 0, 0, 0}, out = -1;
  EXPECT_EQ(fn<ZcdGenFn>("ConditionZCDGen")(buf, aux, nullptr, nullptr, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(errorText(), "Checking: E1 AND\nError:   Invalid syntax. (Help: Press F1)");
}

}  // namespace
