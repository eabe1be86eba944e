// What ExprParser.so does when it is loaded: it binds the settings library
// beside itself and loads its language resources, or says why it cannot.
#include "exprparser/exprparser.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// A program directory of the test's own with copies of the libraries it names
// (the platform library is the one the test program already holds).
class LoadedFrom : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("exprparser_bind_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
            "_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    copy("ExprParser.so");
  }
  void TearDown() override {
    if (handle_) plat::lib::unload(handle_);
    fs::remove_all(dir_);
  }
  // Copies, not links: a library knows its directory by the file it was loaded from.
  void copy(const char* name) { fs::copy_file(fs::path(ZERLO_BIN_DIR) / name, dir_ / name); }
  void withSettings(int language) {
    copy("ObelTool.so");
    std::ofstream(dir_ / "OBEL.INI") << "[SYSTEM]\nLANGUAGE=" << language
                                     << "\n[LANGUAGES]\n1=GERMAN\n2=ENGLISH\n[DIR]\nTEMP=tmp\n";
  }
  void load() {
    handle_ = plat::lib::load("EXPRPARSER.DLL", dir_.string());
    ASSERT_NE(handle_, nullptr) << plat::lib::lastError();
  }
  std::string check(const char* formula) {
    int16_t aux[4] = {0, 0, 0, 0};
    plat::lib::symbolAs<ParseFormelFn>(handle_, "ParseFormel")(formula, aux, nullptr);
    char* t = plat::lib::symbolAs<GetErrorTextFn>(handle_, "GetErrorText")();
    std::string s = t ? t : "";
    plat::lib::symbolAs<FreeErrorTextFn>(handle_, "FreeErrorText")(&t);
    return s;
  }
  fs::path dir_;
  plat::lib::Handle handle_ = nullptr;
  std::shared_ptr<plat::ui::ScriptedSink> sink_ = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped_{sink_};
};

TEST_F(LoadedFrom, LanguageResourcesReplaceTheEnglishTexts) {
  withSettings(1);
  fs::create_directories(dir_ / "GERMAN");
  fs::copy_file(EXPRPARSER_TEST_RESOURCES, dir_ / "GERMAN" / "EXPRPARSERRES.so");
  load();
  EXPECT_TRUE(sink_->shown().empty());
  EXPECT_EQ(check("V1 = = 1"), "Pruefe: V1 = = 1\nFehler:   Syntaxfehler. (Hilfe: F1)");
  // Texts the library does not carry stay English.
  EXPECT_EQ(check("V1 = 7 / 0"), "Pruefe: V1 = 7 / 0\nError:   Division by zero is not allowed.");
}

TEST_F(LoadedFrom, MissingLanguageResourcesAreSaidOnceAndEnglishIsUsed) {
  withSettings(2);
  load();
  auto shown = sink_->shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "Error!   The library for the selected language cannot be loaded.\n"
            "The library for the English language will be used.");
  EXPECT_EQ(shown[0].caption, "EXPRPARSER");
  EXPECT_EQ(check("V1 = = 1"), "Checking: V1 = = 1\nError:   Invalid syntax. (Help: Press F1)");
}

TEST_F(LoadedFrom, TheShippedEnglishResourcesCarryTheEnglishTexts) {
  withSettings(2);
  fs::create_directories(dir_ / "ENGLISH");
  fs::copy_file(fs::path(ZERLO_BIN_DIR) / "ENGLISH" / "EXPRPARSERRES.so", dir_ / "ENGLISH" / "EXPRPARSERRES.so");
  load();
  EXPECT_TRUE(sink_->shown().empty());
  EXPECT_EQ(check("V1 = = 1"), "Checking: V1 = = 1\nError:   Invalid syntax. (Help: Press F1)");
  EXPECT_EQ(check("V1 = 7 / 0"), "Checking: V1 = 7 / 0\nError:   Division by zero is not allowed.");
}

TEST_F(LoadedFrom, WithoutTheSettingsLibraryEveryOperationFails) {
  load();
  auto shown = sink_->shown();
  ASSERT_GE(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Error!   Library OBELTOOL.DLL cannot be loaded.");
  int16_t aux[4] = {0, 0, 0, 0};
  EXPECT_EQ(plat::lib::symbolAs<ParseFormelFn>(handle_, "ParseFormel")("V1 = 1", aux, nullptr), 0);
  EXPECT_EQ(check("V1 = 1"), "Error!   Library OBELTOOL.DLL cannot be loaded.");
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  int16_t out = -1;
  EXPECT_EQ(plat::lib::symbolAs<ZcdGenFn>(handle_, "ConditionZCDGen")(buf, aux, nullptr, nullptr, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(buf[0], '\0');
}

}  // namespace
