#include "platform/paths.h"
#include "platform/profile.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

std::string content(const std::string& f) {
  std::string s;
  path::readFile(f, s);
  return s;
}

TEST(Profile, DefaultsAndCase) {
  plattest::TempDir t;
  std::string f = t / "OBEL.INI";
  EXPECT_EQ(profile::getString(f, "Paths", "Lib", "none"), "none");   // no file
  EXPECT_EQ(profile::getInt(f, "Paths", "Lib", -3), -3);
  ASSERT_TRUE(profile::writeString(f, "Paths", "LibDir", "C:\\lib"));
  EXPECT_EQ(profile::getString(f, "PATHS", "libdir", ""), "C:\\lib");
  EXPECT_EQ(profile::getString(f, "paths", "Other", "d"), "d");
  EXPECT_EQ(profile::getString(f, "Missing", "LibDir", "d"), "d");
  EXPECT_TRUE(profile::hasKey(f, "pAtHs", "LIBDIR"));
  EXPECT_FALSE(profile::hasKey(f, "Paths", "Lib"));
  // A write in another case changes the existing key and keeps its spelling.
  ASSERT_TRUE(profile::writeString(f, "PATHS", "LIBDIR", "x"));
  EXPECT_EQ(content(f), "[Paths]\nLibDir=x\n");
  // The file found ignoring case.
  EXPECT_EQ(profile::getString(t / "obel.ini", "paths", "libdir", ""), "x");
}

TEST(Profile, GetIntLikeTheProfileFunction) {
  plattest::TempDir t;
  std::string f = t / "n.ini";
  std::ofstream(f) << "[N]\na=42\nb=  -17 \nc=12abc\nd=abc\ne=\nf=+5\ng=99999999999999999999999\n"
                      "h=-\ni=\"7\"\nj=-99999999999999999999999\n";
  struct Case { const char* key; long want; };
  const Case cases[] = {{"a", 42}, {"b", -17}, {"c", 12}, {"d", 9}, {"e", 9}, {"f", 5},
                        {"g", LONG_MAX}, {"j", LONG_MIN}, {"h", 9}, {"i", 7}, {"missing", 9}};
  for (const Case& c : cases) EXPECT_EQ(profile::getInt(f, "n", c.key, 9), c.want) << c.key;
}

TEST(Profile, ReadingAcceptsCrLfValuesTrimmedQuotesRemoved) {
  plattest::TempDir t;
  std::string f = t / "w.ini";
  std::ofstream(f, std::ios::binary) << "; head\r\n[ Sec ]\r\nKey =  spaced value  \r\nQ=\"quoted \"\r\nS='single'\r\nM=\"mixed'\r\nE=\r\n";
  EXPECT_EQ(profile::getString(f, "sec", "key", ""), "spaced value");
  EXPECT_EQ(profile::getString(f, "sec", "q", ""), "quoted ");
  EXPECT_EQ(profile::getString(f, "sec", "s", ""), "single");
  EXPECT_EQ(profile::getString(f, "sec", "m", ""), "\"mixed'");
  EXPECT_EQ(profile::getString(f, "sec", "e", "d"), "");   // present but empty: not the default
  // Writing rewrites with "\n" and keeps the comment.
  ASSERT_TRUE(profile::writeString(f, "Sec", "New", "1"));
  EXPECT_EQ(content(f), "; head\n[ Sec ]\nKey =  spaced value  \nQ=\"quoted \"\nS='single'\nM=\"mixed'\nE=\nNew=1\n");
}

TEST(Profile, ByteOrderMarkAndOddLines) {
  plattest::TempDir t;
  std::string f = t / "bom.ini";
  std::ofstream(f, std::ios::binary) << "\xEF\xBB\xBF[First]\na=1\n[Open\nb=2\n[x]y]\nc=3\nno equals sign\n=v\n";
  EXPECT_EQ(profile::getString(f, "First", "a", ""), "1");
  EXPECT_EQ(profile::getString(f, "First", "b", ""), "2");   // "[Open" is no section header
  EXPECT_EQ(profile::getString(f, "x]y", "c", ""), "3");     // up to the last "]"
  EXPECT_EQ(profile::keyNames(f, "x]y"), (std::vector<std::string>{"c", ""}));
  ASSERT_TRUE(profile::writeString(f, "First", "a", "9"));
  std::string back = content(f);
  EXPECT_EQ(back.substr(0, 3), "\xEF\xBB\xBF");             // kept
  EXPECT_EQ(profile::getInt(f, "first", "A", 0), 9);
}

TEST(Profile, WritesKeepCommentsBlankLinesAndOrder) {
  plattest::TempDir t;
  std::string f = t / "k.ini";
  std::ofstream(f) << "; first comment\n\n[A]\nx=1\n; about y\ny=2\n\n[B]\nz=3\n";
  ASSERT_TRUE(profile::writeString(f, "A", "w", "4"));     // appended after the last key of A
  ASSERT_TRUE(profile::writeString(f, "a", "Y", "20"));    // replaced in place
  ASSERT_TRUE(profile::writeString(f, "C", "k", "v"));     // new section at the end
  EXPECT_EQ(content(f), "; first comment\n\n[A]\nx=1\n; about y\ny=20\nw=4\n\n[B]\nz=3\n\n[C]\nk=v\n");
  ASSERT_TRUE(profile::writeString(f, "A", "x", nullptr)); // null value deletes the key
  EXPECT_FALSE(profile::hasKey(f, "A", "x"));
  ASSERT_TRUE(profile::writeString(f, "A", "nokey", nullptr));  // deleting a missing key is fine
  ASSERT_TRUE(profile::deleteSection(f, "b"));
  EXPECT_EQ(content(f), "; first comment\n\n[A]\n; about y\ny=20\nw=4\n\n[C]\nk=v\n");
  EXPECT_EQ(profile::sectionNames(f), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(profile::keyNames(f, "a"), (std::vector<std::string>{"y", "w"}));
  using KV = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(profile::sectionEntries(f, "A"), (KV{{"y", "20"}, {"w", "4"}}));
}

TEST(Profile, RefusesWhatWouldBreakTheFile) {
  plattest::TempDir t;
  std::string f = t / "r.ini";
  ASSERT_TRUE(profile::writeString(f, "S", "k", "v"));
  EXPECT_FALSE(profile::writeString(f, "S", "k2", "two\nlines"));
  EXPECT_FALSE(profile::writeString(f, "S\n[X]", "k", "v"));
  EXPECT_FALSE(profile::writeString(f, "S", "a=b", "v"));
  EXPECT_FALSE(profile::writeString(f, "S", "", "v"));
  EXPECT_FALSE(profile::writeString(t / "missing-dir/x.ini", "S", "k", "v"));
  EXPECT_EQ(content(f), "[S]\nk=v\n");
  // Deleting in a file that does not exist creates nothing.
  EXPECT_TRUE(profile::deleteSection(t / "none.ini", "S"));
  EXPECT_FALSE(std::filesystem::exists(t / "none.ini"));
}

TEST(Profile, TwoProcessesWritingKeysLoseNothing) {
  plattest::TempDir t;
  std::string f = t / "shared.ini";
  ASSERT_TRUE(profile::writeString(f, "Start", "k", "v"));
  constexpr int kKeys = 200;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = true;
    for (int i = 0; i < kKeys; ++i)
      ok = profile::writeString(f, "Child", "key" + std::to_string(i), std::to_string(i).c_str()) && ok;
    ::_exit(ok ? 0 : 1);
  }
  // Two threads in this process too (the lock works between threads as well).
  std::atomic<int> failures{0};
  std::thread other([&] {
    for (int i = 0; i < kKeys / 2; ++i)
      if (!profile::writeString(f, "Thread", "key" + std::to_string(i), "t")) ++failures;
  });
  for (int i = 0; i < kKeys; ++i)
    EXPECT_TRUE(profile::writeString(f, "Parent", "key" + std::to_string(i), std::to_string(i).c_str()));
  other.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(profile::keyNames(f, "Thread").size(), std::size_t(kKeys / 2));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(profile::keyNames(f, "Parent").size(), std::size_t(kKeys));
  EXPECT_EQ(profile::keyNames(f, "Child").size(), std::size_t(kKeys));
  for (int i = 0; i < kKeys; i += 37) {
    EXPECT_EQ(profile::getInt(f, "Child", "key" + std::to_string(i), -1), i);
    EXPECT_EQ(profile::getInt(f, "Parent", "key" + std::to_string(i), -1), i);
  }
  EXPECT_EQ(profile::getString(f, "Start", "k", ""), "v");
}

} // namespace
