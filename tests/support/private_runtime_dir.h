#pragma once
// Gives a test process its own endpoint directory: a fresh directory (mode
// 0700) named in ZERLO_RUNTIME_DIR before the first test, so that sockets and
// id files of the test and of the programs it starts (they inherit the
// environment) never touch the user's real directory; removed after the last
// test. Including this header is enough.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zerlotest {

class PrivateRuntimeDir : public ::testing::Environment {
public:
  void SetUp() override {
    std::string pattern = "/tmp/zerlo-test-XXXXXX";
    if (::mkdtemp(pattern.data())) {
      dir_ = pattern;
      ::setenv("ZERLO_RUNTIME_DIR", dir_.c_str(), 1);
    }
  }
  void TearDown() override {
    if (dir_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& dir() const { return dir_; }

private:
  std::string dir_;
};

inline PrivateRuntimeDir* const privateRuntimeDir =
    static_cast<PrivateRuntimeDir*>(::testing::AddGlobalTestEnvironment(new PrivateRuntimeDir));

} // namespace zerlotest
