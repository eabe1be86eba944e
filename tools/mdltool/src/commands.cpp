#include "commands.h"

#include "model/document.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/dump.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/paths.h"

#include <filesystem>

namespace mdltool {

using namespace model;
using namespace modelfiles;

namespace {

std::string absolute(const std::string& p) {
  std::error_code ec;
  const auto a = std::filesystem::absolute(plat::path::normalize(p), ec);
  return ec ? p : a.string();
}

// Block libraries a project uses are searched beside the project first, then
// in the program's library directory (LIBRARIES=../LIB beside the program),
// where Zerlo installs ZRLFB02.MCO and EXTERNAL.MCO.
class LibraryFileServices : public modelfiles::FileServices {
public:
  std::string libraryDir(int mode) override {
    if (mode != 0) return {};
    const std::string bin = plat::path::programDir();
    return bin.empty() ? std::string() : plat::path::join(plat::path::dirName(bin), "LIB");
  }
};

// Installs the library search for the time of one command.
struct UseLibraryPaths {
  modelfiles::FileServices* previous = modelfiles::setFileServices(&libraryFileServices());
  ~UseLibraryPaths() { modelfiles::setFileServices(previous); }
};

} // namespace

modelfiles::FileServices& libraryFileServices() {
  static LibraryFileServices files;
  return files;
}

ToolDocument::ToolDocument() {
  mm_UnitInit();
  doc_StartUp();
  doc = doc_New();
  CurrentDocument = doc;
}

ToolDocument::~ToolDocument() {
  CurrentDocument = nullptr;
  mdl_FreeDocument(doc);
  mdl_FreeDocumentCode(TemplateDocument);
  doc_ShutDown();
}

namespace {
bool loadAnyImpl(const std::string& file, std::ostream& err) {
  const std::string path = absolute(file);
  ProjectPath = path;
  if (plat::path::toUpper(plat::path::extension(path)) == "MCO") {
    std::vector<std::uint8_t> bytes;
    if (!gem_ReadFile(path, bytes)) {
      err << "mdltool: cannot read " << file << " (not a readable regular file of at most 1 GiB)\n";
      return false;
    }
    doc_MainModule(*CurrentDocument);
    ProjectModule* slot = nullptr;
    LoadStatus.clear();
    if (mdl_ReadCompiledModule(slot, bytes.data(), bytes.size())) {
      err << "mdltool: " << file << " is not a valid block library\n";
      return false;
    }
    return true;
  }
  const int result = mdl_LoadProjectPath(path, 1);
  if (result != 1) {
    err << "mdltool: " << file << " could not be loaded (" << result << ")\n";
    return false;
  }
  return true;
}

} // namespace

bool loadAny(const std::string& file, std::ostream& err) { return loadAnyImpl(file, err); }

namespace {

// Says which libraries a loaded project keeps as placeholders; true when any.
bool reportPlaceholders(const std::string& file, std::ostream& err) {
  const std::string kept = mdl_MissingLibrariesText(*CurrentDocument);
  if (kept.empty()) return false;
  err << "mdltool: " << file << ": " << kept << "\n";
  return true;
}

int cmdDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  UseLibraryPaths libraries;
  ToolDocument td;
  if (!loadAny(args[0], err)) return 1;
  reportPlaceholders(args[0], err);
  DumpOptions o;
  o.runFields = args.size() > 1 && args[1] == "--run-fields";
  // The version as the file states it (0 for a headerless file).
  std::vector<std::uint8_t> head;
  std::uint32_t version = 0;
  if (gem_ReadFile(absolute(args[0]), head) && head.size() >= 12) {
    auto u32 = [&](std::size_t at) {
      return std::uint32_t(head[at]) | std::uint32_t(head[at + 1]) << 8 | std::uint32_t(head[at + 2]) << 16 |
             std::uint32_t(head[at + 3]) << 24;
    };
    if (u32(0) == 7777777u && u32(4) == 3333333u) version = u32(8);
  }
  out << "file " << plat::path::baseName(args[0]) << " version " << version << "\n";
  out << mdl_DumpDocument(*td.doc, o);
  return 0;
}

// A project whose libraries did not all load is saved only with --force: its
// calls of them stay placeholders, without the libraries' current pins.
int cmdResave(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const bool force = args.size() > 2;
  if (force && args[2] != "--force") {
    err << "mdltool: unknown option " << args[2] << "\n";
    return 2;
  }
  UseLibraryPaths libraries;
  ToolDocument td;
  if (!loadAny(args[0], err)) return 1;
  if (reportPlaceholders(args[0], err) && !force) {
    err << "mdltool: " << args[1] << " not written (--force writes it with the placeholders)\n";
    return 1;
  }
  if (mdl_SaveProjectAs(absolute(args[1]), true) != 1) {
    err << "mdltool: " << args[1] << " could not be written\n";
    return 1;
  }
  (void)out;
  return 0;
}

} // namespace

std::vector<Command>& table() {
  static std::vector<Command> table = {
      {"dump", "FILE [--run-fields]",
       "print the modules, logics, gates, pins, wires, extras and value trees of a project (.MDL) or block library "
       "(.MCO)",
       1, 2, cmdDump},
      {"resave", "IN OUT [--force]",
       "load a project and save it again; a project whose block libraries did not all load is saved only with "
       "--force",
       2, 3, cmdResave},
  };
  return table;
}

const std::vector<Command>& commands() { return table(); }

void addCommand(const Command& c) { table().push_back(c); }

int runCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
  auto usage = [&]() {
    err << "usage:\n";
    for (const Command& c : commands()) err << "  mdltool " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
    return 2;
  };
  if (argv.empty()) return usage();
  for (const Command& c : commands()) {
    if (argv[0] != c.name) continue;
    const int n = int(argv.size()) - 1;
    if (n < c.minArgs || n > c.maxArgs) return usage();
    return c.run(std::vector<std::string>(argv.begin() + 1, argv.end()), out, err);
  }
  return usage();
}

} // namespace mdltool
