// Each loadable library exports exactly the extern "C" operations its own
// sources define with ZERLO_EXPORT: nothing of C++, nothing of the static
// libraries it links, and no marked operation missing.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Library {
  std::string file;
  std::vector<std::string> sources;
};

std::vector<Library> libraries() {
  std::vector<Library> out;
  std::ifstream in(ZERLO_LOADABLE_LIST);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    Library lib;
    std::stringstream parts(line);
    std::string part;
    std::getline(parts, lib.file, '|');
    while (std::getline(parts, part, '|'))
      if (!part.empty()) lib.sources.push_back(part);
    out.push_back(lib);
  }
  return out;
}

// The names defined with ZERLO_EXPORT in a source: the identifier before the
// first "(" after the macro.
std::set<std::string> markedExports(const std::vector<std::string>& sources) {
  static const std::regex def(R"(ZERLO_EXPORT\s+[^(;{}]*?([A-Za-z_][A-Za-z0-9_]*)\s*\()");
  // Exported data: "ZERLO_EXPORT_DATA type name = ..." (the library's
  // version numbers and the like).
  static const std::regex data(R"(ZERLO_EXPORT_DATA\s+[^(;{}=]*?([A-Za-z_][A-Za-z0-9_]*)\s*[=;])");
  std::set<std::string> names;
  for (const auto& s : sources) {
    std::ifstream f(s);
    std::stringstream text;
    text << f.rdbuf();
    const std::string t = text.str();
    for (std::sregex_iterator it(t.begin(), t.end(), def), end; it != end; ++it) names.insert((*it)[1]);
    for (std::sregex_iterator it(t.begin(), t.end(), data), end; it != end; ++it) names.insert((*it)[1]);
  }
  return names;
}

// The defined dynamic symbols, without the ones the linker and the
// sanitizers add (names beginning with "__", _init, _fini, _edata, _end).
bool dynamicSymbols(const std::string& file, std::set<std::string>& out) {
  const std::string cmd = "nm -D --defined-only '" + file + "' 2>/dev/null";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return false;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) {
    std::stringstream ls(buf);
    std::string addr, kind, name;
    ls >> addr >> kind >> name;
    if (name.empty()) continue;
    // A local symbol left in the dynamic table (lower-case kind other than
    // unique 'u' and weak 'v'/'w') cannot be bound from outside.
    if (kind.size() == 1 && std::islower(static_cast<unsigned char>(kind[0])) && kind != "u" && kind != "v" &&
        kind != "w")
      continue;
    const auto at = name.find('@');
    if (at != std::string::npos) name.resize(at);
    if (name.rfind("__", 0) == 0 || name == "_init" || name == "_fini" || name == "_edata" || name == "_end")
      continue;
    out.insert(name);
  }
  return ::pclose(p) == 0;
}

TEST(LoadableLibraries, ExportExactlyTheirExternCTable) {
  const auto libs = libraries();
  ASSERT_FALSE(libs.empty()) << "no list of loadable libraries at " << ZERLO_LOADABLE_LIST;
  for (const Library& lib : libs) {
    SCOPED_TRACE(lib.file);
    const std::set<std::string> table = markedExports(lib.sources);
    EXPECT_FALSE(table.empty()) << "no ZERLO_EXPORT definition in the library's own sources";
    std::set<std::string> exported;
    ASSERT_TRUE(dynamicSymbols(lib.file, exported)) << "nm failed";
    for (const auto& name : exported) EXPECT_TRUE(table.count(name)) << "exported but not in the table: " << name;
    for (const auto& name : table) EXPECT_TRUE(exported.count(name)) << "in the table but not exported: " << name;
  }
}

} // namespace
