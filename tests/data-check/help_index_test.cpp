// Every help context and key word that the main program and the three dialog
// libraries can ask for has its page in the shipped help index. The contexts
// are collected from the sources (the calls that name a context), the menu
// commands from the menu layout, the key words from the language libraries'
// own texts; a dialog that asks for a context without a page fails here.
#include "dialogkit/boxes.h"
#include "model/gatekinds.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include "menus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const std::string kEnglish = std::string(ZERLO_BIN_DIR) + "/ENGLISH";
const std::string kHelpFile = kEnglish + "/ZERLO.HLP";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The help contexts the sources name, each with where it was found. A rule
// is a pattern whose first group holds the context (or a choice of contexts:
// "a ? 30 : 77"); comparisons inside the group ("mode == 1") are no contexts.
std::map<unsigned, std::string> contextsInSources() {
  static const char* const kFolders[] = {"dialogs/stockwin/src", "dialogs/zrltgtwin/src", "dialogs/zrlfbdlg/src",
                                         "shell/src", "shell/qt", "shell/app/src"};
  static const char* const kRules[] = {
      R"(setHelp\(([^;]*)\);)",                   // the standard dialogs' F1
      R"(helpByContext\((\d+)\))",
      R"(\bhelp\(this, (\d+)\))",                  // the target dialogs' F1
      R"(WorkerDialog\(p, \w+, \d+, \w+, (\d+),)",  // the target dialogs' progress dialogs
      R"(help_SetContext\(([^;]*?)\);)",          // the main program's context while a dialog runs
      R"(withHelp\((\d+),)",
      R"(helpContext = (\d+);)",                  // the frame's context of a window or a step
      R"(kHelp\[\] = \{([^}]*)\})",               // the frame's contexts by worksheet kind
      R"(runDialog\([^,]+, ([^,]+),)",            // the main program's own dialogs
      R"(libraryDialog\((\d+),)",
      R"(paramDialog\((\d+),)",
  };
  std::vector<std::regex> rules;
  for (const char* r : kRules) rules.emplace_back(r);
  const std::regex comparison(R"([=!<>]=\s*\d+)"), number(R"(\b(\d+)\b)");
  std::map<unsigned, std::string> out;
  for (const char* folder : kFolders) {
    for (const auto& e : fs::directory_iterator(fs::path(ZERLO_SOURCE_DIR) / folder)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::istringstream in(readAll(e.path()));
      int lineNo = 0;
      for (std::string line; std::getline(in, line);) {
        ++lineNo;
        for (const std::regex& rule : rules)
          for (std::sregex_iterator m(line.begin(), line.end(), rule), end; m != end; ++m) {
            const std::string group = std::regex_replace((*m)[1].str(), comparison, "");
            for (std::sregex_iterator n(group.begin(), group.end(), number); n != end; ++n) {
              const unsigned context = unsigned(std::stoul((*n)[1].str()));
              if (context != 0)
                out.emplace(context, std::string(folder) + "/" + e.path().filename().string() + ":" +
                                         std::to_string(lineNo));
            }
          }
      }
    }
  }
  return out;
}

// A string of a language library (empty when it has none).
std::string resString(plat::lib::Handle h, unsigned id) {
  using Fn = int (*)(unsigned, char*, int);
  auto fn = reinterpret_cast<Fn>(plat::lib::symbol(h, "LoadResString"));
  char buf[512] = {};
  return fn && fn(id, buf, int(sizeof buf)) > 0 ? std::string(buf) : std::string();
}

std::optional<std::string> pageOf(unsigned context, const std::string& keyword = {}) {
  plat::ui::HelpRequest r;
  r.file = kHelpFile;
  r.byKeyword = !keyword.empty();
  r.context = context;
  r.keyword = keyword;
  return kit::resolveHelpPage(r);
}

TEST(HelpIndex, EveryContextTheSourcesAskForHasAPage) {
  const auto contexts = contextsInSources();
  // The collection itself works: contexts of each library are among them.
  for (unsigned known : {1u, 5u, 14u, 34u, 55u, 60u, 62u, 73u, 75u, 76u, 222u, 601u, 603u, 609u})
    EXPECT_TRUE(contexts.count(known)) << known;
  for (const auto& [context, where] : contexts)
    EXPECT_TRUE(pageOf(context)) << "help context " << context << " (" << where << ") has no page";
}

// F1 on a highlighted menu item asks for the item's command as the context.
TEST(HelpIndex, EveryMenuCommandHasAPage) {
  int items = 0;
  for (const stockbars::SubMenu& m : stockbars::menuLayout())
    for (const stockbars::MenuItem& i : m.items) {
      if (!((i.id >= 200 && i.id <= 399) || (i.id >= 40021 && i.id <= 40030))) continue;
      ++items;
      EXPECT_TRUE(pageOf(unsigned(i.id))) << "menu item " << i.id << " \"" << i.text << "\" has no page";
    }
  EXPECT_GT(items, 50);
}

TEST(HelpIndex, EveryKeyWordOfTheDialogsAndTheInsertBoxHasAPage) {
  std::vector<std::string> keywords = {"contents", "index"};  // the Help menu's pages
  // The block dialogs: "Function block: " and each block's type name.
  plat::lib::Handle fb = plat::lib::load(kEnglish + "/ZRLFBRES.so");
  ASSERT_TRUE(fb) << plat::lib::lastError();
  const std::string prefix = resString(fb, 250);
  ASSERT_FALSE(prefix.empty());
  std::vector<std::string> flowTypes;
  for (unsigned id = 300; id < 400; ++id) {
    const std::string type = resString(fb, id);
    if (type.empty()) break;
    flowTypes.push_back(type);
    keywords.push_back(prefix + type);
  }
  plat::lib::unload(fb);
  EXPECT_EQ(flowTypes.size(), 17u);
  // The standard dialogs: the text block and the subprogram connectors.
  plat::lib::Handle sw = plat::lib::load(kEnglish + "/STOCKWINRES.so");
  ASSERT_TRUE(sw) << plat::lib::lastError();
  for (unsigned id : {10u, 11u, 12u}) {
    keywords.push_back(resString(sw, id));
    EXPECT_FALSE(keywords.back().empty()) << id;
  }
  plat::lib::unload(sw);
  // The main program's insert box: its prefix and each block's name.
  plat::lib::Handle zz = plat::lib::load(kEnglish + "/ZEZODAR.so");
  ASSERT_TRUE(zz) << plat::lib::lastError();
  const std::string shellPrefix = resString(zz, 12);
  plat::lib::unload(zz);
  for (const std::string& t : flowTypes) keywords.push_back(shellPrefix + t);
  for (unsigned k = 1; k <= unsigned(model::kKindCount); ++k) {
    std::string name = model::gt_KindName(k);
    keywords.push_back(shellPrefix + name);
    if (!name.empty() && name[0] == '%') keywords.push_back(shellPrefix + name.substr(1));
  }
  for (const std::string& k : keywords) EXPECT_TRUE(pageOf(0, k)) << "key word \"" << k << "\" has no page";
}

// The pages link only to pages that are there.
TEST(HelpIndex, EveryLinkOfThePagesLeadsToAPage) {
  const std::regex href(R"re(href="([^"#]+))re");
  int pages = 0;
  for (const auto& e : fs::directory_iterator(kEnglish)) {
    if (e.path().extension() != ".html" || e.path().filename().string().rfind("trmd001", 0) == 0) continue;
    ++pages;
    const std::string text = readAll(e.path());
    EXPECT_NE(text.find("<h1>"), std::string::npos) << e.path();
    for (std::sregex_iterator m(text.begin(), text.end(), href), end; m != end; ++m)
      EXPECT_TRUE(fs::exists(fs::path(kEnglish) / (*m)[1].str())) << e.path().filename() << " -> " << (*m)[1];
  }
  EXPECT_GT(pages, 40);
}

} // namespace
