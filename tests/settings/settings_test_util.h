#pragma once
// A private program directory per test, so that tests run in parallel.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "platform/paths.h"
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace testutil {

inline std::string uniqueDir(const std::string& tag) {
  static std::atomic<int> counter{0};
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "x";
  for (char& c : name)
    if (c == '/') c = '_';
  std::string dir = testing::TempDir() + tag + "_" + name + "_" + std::to_string(::getpid()) + "_" +
                    std::to_string(counter++);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string readText(const std::string& path) {
  std::string s;
  plat::path::readFile(path, s);
  return s;
}

inline void writeText(const std::string& path, const std::string& text) {
  ASSERT_TRUE(plat::path::writeFileAtomic(path, text));
}

// A program directory "<tmp>/.../app/bin" with the library's BIN set to it.
class BinDirTest : public testing::Test {
protected:
  void SetUp() override {
    root = uniqueDir("obeltool");
    bin = root + "/app/bin";
    std::filesystem::create_directories(bin);
    obel::setBinPathString(bin);
  }
  void TearDown() override {
    obel::setBinPathString("");
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string ini() const { return bin + "/OBEL.INI"; }
  std::string iface() const { return bin + "/INTERFACE.INI"; }
  // Calls a getter of the shape int(MStrBuf*) and takes its text.
  template <class F> std::string get(F f, int* result = nullptr) {
    MStrBuf b{};
    int r = f(&b);
    if (result) *result = r;
    std::string s = msb::ToString(&b);
    msb::Free(&b);
    return s;
  }
  std::string root, bin;
};

} // namespace testutil
