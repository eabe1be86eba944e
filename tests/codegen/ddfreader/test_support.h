#pragma once
// Fixtures of the reader tests: settings and converter loaders that serve the
// in-process conversion tables, temporary directories and a scripted UI sink.
#include "ddfreader/ddf_reader.h"
#include "ddfreader/ddf_writer.h"
#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace ddftest {

// [msgconv]: format 1 big-endian, 2 and 5 little-endian (6 is asked as 2).
class FakeSettings : public ddf::Settings {
public:
  std::map<int, std::string> paths{{1, "BE"}, {2, "LE"}, {5, "LE"}};
  int asked = 0;
  bool msgConvPath(int format, std::string& path) override {
    ++asked;
    auto it = paths.find(format);
    if (it == paths.end()) return false;
    path = it->second;
    return true;
  }
};

// Serves the in-process tables by the names "LE" and "BE"; counts loads.
class TableLoader : public ddf::ConverterLoader {
public:
  int loads = 0, unloads = 0;
  double version = 1.0;
  bool load(const std::string& path, mc01::Table& t, void*& handle) override;
  void unload(void* handle) override;
};

// A unique directory below the test temporary directory, removed at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& dir() const { return dir_; }

private:
  std::filesystem::path dir_;
};

// A reader over the fake settings and in-process converters, with a scripted
// sink that records every message box.
struct ReaderFixture : ::testing::Test {
  FakeSettings settings;
  TableLoader loader;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped{sink};
  ddf::Reader reader{settings, loader};
  TempDir tmp;

  std::string write(const std::string& name, const ddfw::Description& d);
  std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes);
  std::vector<std::string> shownTexts() const;
};

}  // namespace ddftest
