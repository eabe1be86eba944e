// The new-project templates as the new-project dialog reads them: the list
// from the language folder's TEMPLATES.INI, each template's symbol file and
// project directory; a copy of each, made as the dialog makes a new project,
// is a project that loads with its blocks.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "projects.h"

#include "platform/paths.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string templateDir() {
  obel::SetBINPathByString((std::string(ZERLO_BIN_DIR) + "/Zerlo").c_str());
  MStrBuf b{nullptr, 0, 0};
  obel::GetLanguageTEMPLATEPath(&b, 2);
  std::string s = plat::path::resolveExisting(msb::ToString(&b));
  msb::Free(&b);
  return s;
}

// `mdltool step FILE 1`: the gates of the project's main sheet, one a line.
std::string stepOnce(const fs::path& project) {
  const std::string cmd = "timeout 60 '" + std::string(ZERLO_BIN_DIR) + "/mdltool' step '" + project.string() + "' 1 2>&1";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  ::pclose(p);
  return out;
}

class Templates : public testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "datacheck_templates_test";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) app_ = new QGuiApplication(argc, argv);
  }
  std::string dir = templateDir();
  std::string ini = plat::path::resolveExisting(plat::path::join(dir, "TEMPLATES.INI"));
  sw::TemplateList list;
  static QGuiApplication* app_;
};
QGuiApplication* Templates::app_ = nullptr;

TEST_F(Templates, TheListHasTheThreeTemplatesWithTheFlowChosen) {
  ASSERT_TRUE(sw::LoadTemplates(ini, dir, list)) << ini;
  ASSERT_EQ(list.items.size(), 3u);
  const char* const dirs[] = {"EMPTY", "FLOW", "GATES"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(list.items[i].dir, dirs[i]);
    EXPECT_FALSE(list.items[i].name.empty()) << dirs[i];
  }
  ASSERT_GE(list.defaultIndex, 0);
  EXPECT_EQ(list.items[std::size_t(list.defaultIndex)].dir, "FLOW");
}

TEST_F(Templates, EachSymbolIsAPictureOfThirtyTwoPixels) {
  ASSERT_TRUE(sw::LoadTemplates(ini, dir, list));
  for (const sw::Template& t : list.items) {
    QImage img(QString::fromStdString(t.icon));
    ASSERT_FALSE(img.isNull()) << t.icon;
    EXPECT_EQ(img.size(), QSize(32, 32)) << t.icon;
    // A drawn sheet: a dark frame on a light page.
    int dark = 0, light = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int g = qGray(img.pixel(x, y));
        dark += g < 100;
        light += g > 240;
      }
    EXPECT_GT(dark, 40) << t.icon;
    EXPECT_GT(light, 200) << t.icon;
  }
}

// Each template copied as the project PUMP: PUMP.MDL with its own name field,
// loading with the blocks the template promises.
TEST_F(Templates, ACopyOfEachTemplateIsAProjectThatLoads) {
  ASSERT_TRUE(sw::LoadTemplates(ini, dir, list));
  char templ[] = "/tmp/zerlo-templates-XXXXXX";
  ASSERT_NE(::mkdtemp(templ), nullptr);
  const fs::path base = templ;
  const struct { const char* dir; std::vector<const char*> gates; } want[] = {
      {"EMPTY", {}},
      {"FLOW", {"G1 STARTV3", "G2 ENDEV3"}},
      {"GATES", {"G1 kind7", "G3 kind1", "G4 kind2", "G5 kind46", "G7 kind11", "G8 kind47"}},
  };
  for (const auto& w : want) {
    const sw::Template* t = nullptr;
    for (const sw::Template& x : list.items)
      if (x.dir == w.dir) t = &x;
    ASSERT_NE(t, nullptr) << w.dir;
    const fs::path project = base / w.dir;
    fs::create_directories(project);
    std::vector<unsigned> said;
    const sw::Say say = [&](unsigned id, unsigned, const std::vector<kit::FormatArg>&) {
      said.push_back(id);
      return 1;
    };
    ASSERT_TRUE(sw::copyTemplate(sw::GetTemplateFullDir(dir, *t), project.string(), t->dir, "PUMP", say)) << w.dir;
    EXPECT_TRUE(said.empty()) << w.dir << " message " << (said.empty() ? 0 : said[0]);
    const fs::path mdl = project / "PUMP.MDL";
    ASSERT_TRUE(fs::exists(mdl)) << w.dir;
    std::ifstream in(mdl, std::ios::binary);
    char head[28] = {};
    in.read(head, sizeof head);
    EXPECT_EQ(std::string(head + 16, 8), "PUMP.MDL") << w.dir;
    const std::string steps = stepOnce(mdl);
    EXPECT_NE(steps.find("step 1"), std::string::npos) << w.dir << "\n" << steps;
    EXPECT_EQ(steps.find("could not be"), std::string::npos) << w.dir << "\n" << steps;
    for (const char* g : w.gates) EXPECT_NE(steps.find(g), std::string::npos) << w.dir << ": " << g << "\n" << steps;
    if (w.gates.empty()) EXPECT_EQ(steps.find("  G1 "), std::string::npos) << steps;
  }
  std::error_code ec;
  fs::remove_all(base, ec);
}

} // namespace
