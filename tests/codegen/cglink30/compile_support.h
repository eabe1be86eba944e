#pragma once
// Runs the code generator on a text in a temporary directory and collects
// what it leaves: result, boxes, message file lines, download file, listing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "fake_target.h"

namespace cgtest {

inline std::string readAll(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::vector<std::string> splitLines(const std::string& s) {
  std::vector<std::string> v;
  std::string cur;
  for (char c : s) {
    if (c == '\n') {
      v.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) v.push_back(cur);
  return v;
}

inline void writeText(const std::string& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

// Little-endian pieces for images written by hand.
inline void le16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void le32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
struct HandBlock {
  uint32_t address;
  std::vector<uint8_t> data;
};
inline std::vector<uint8_t> handImage(const std::vector<HandBlock>& blocks) {
  std::vector<uint8_t> v(12, 0);
  le16(v, static_cast<uint32_t>(blocks.size()));
  for (const auto& b : blocks) {
    le32(v, b.address);
    le16(v, static_cast<uint32_t>(b.data.size()));
    v.insert(v.end(), b.data.begin(), b.data.end());
    le32(v, 0xFFFF);
  }
  return v;
}

struct RunResult {
  int result = -1;
  CgAdvResult adv{0xDEAD, 0xDEAD, -1.0};
  std::vector<std::string> boxes;
  bool hasMessages = false;
  std::vector<std::string> messages;  // lines of the message file
  bool hasDownload = false;
  std::vector<uint8_t> download;
  std::string listing;
  bool prelimLeft = false;
};

class TempDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = ::testing::TempDir() + "cglink30_" + name + "_" + std::to_string(::getpid());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Compiles text (as source "prog.zcd") for the target; more sources may follow.
  RunResult compile(const std::string& text, FakeTarget& target, const std::vector<std::string>& more = {},
                    FakeBinder* binder = nullptr) {
    writeText(path("prog.zcd"), text);
    std::vector<std::string> args = {"cglink30.so", path("prog.zcd"), path("prog.lst"), path("target.ddf"),
                                     path("prog.mvl"), path("prog.err")};
    for (const auto& m : more) args.push_back(m);
    return run(args, target, binder);
  }

  RunResult run(const std::vector<std::string>& args, FakeTarget& target, FakeBinder* binder = nullptr) {
    FakeBinder own(target);
    if (!binder) binder = &own;
    RunResult r;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    cg::RunOptions o;
    o.binder = binder;
    o.box = [&](const std::string& text, const std::string& caption, unsigned style) {
      EXPECT_EQ(caption, "LINK : ");
      EXPECT_EQ(style, 0x10u);
      r.boxes.push_back(text);
    };
    r.result = cg::runCompile(static_cast<int>(argv.size()), argv.data(), &r.adv, o);
    if (args.size() > 5) {
      r.hasMessages = std::filesystem::exists(args[5]);
      if (r.hasMessages) r.messages = splitLines(readAll(args[5]));
    }
    if (args.size() > 4) {
      r.hasDownload = std::filesystem::exists(args[4]);
      if (r.hasDownload) {
        std::string d = readAll(args[4]);
        r.download.assign(d.begin(), d.end());
      }
      r.prelimLeft = std::filesystem::exists(cg::preliminaryPath(args[4]));
    }
    if (args.size() > 2 && std::filesystem::exists(args[2])) r.listing = readAll(args[2]);
    return r;
  }

  std::string dir_;
};

}  // namespace cgtest
