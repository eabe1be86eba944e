#pragma once
// The fixture document with the writer's files in a directory of the test's own.
#include "fixture_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace zcdtest {

class Diagram : public FixtureDocument {
public:
  std::filesystem::path dir;

  Diagram() : FixtureDocument(std::string(ZERLO_TEST_DATA) + "/zcdwriter") {
    dir = std::filesystem::path(testing::TempDir()) / ("zcd_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    zcd::WriterEnvironment& env = zcd::writerEnvironment();
    env.mainPath = [d = dir] { return (d / "PROJ.ZCD").string(); };
    env.tempDir = [d = dir] { return d.string() + "/"; };
    env.now = [] { return std::time_t(0); };
  }
  ~Diagram() { std::filesystem::remove_all(dir); }

  // Writes the text; "" when it failed.
  std::string write() {
    doc->LevelInstances[1] = main->FirstInstance;
    std::string why;
    if (!zcd::zcd_WriteProgram(*doc, &why)) return "";
    return readFile(zcdPath());
  }
  std::string zcdPath() const { return (dir / "PROJ.ZCD").string(); }
};

} // namespace zcdtest
