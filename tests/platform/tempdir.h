#pragma once
// A fresh directory per test, removed afterwards; unique across parallel runs.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace plattest {

inline std::string uniqueName(const std::string& stem) {
  static std::atomic<int> n{0};
  return stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

class TempDir {
public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string stem = info ? std::string(info->test_suite_name()) + "." + info->name() : "plat";
    path_ = (std::filesystem::path(::testing::TempDir()) / uniqueName(stem)).string();
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
private:
  std::string path_;
};

} // namespace plattest
