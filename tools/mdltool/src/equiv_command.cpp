// mdltool equiv FILE N [--input E<n>=FIRST..LAST]... [--source ZAS] [--work DIR]:
// loads a project with its block libraries linked for the interpreter, writes
// its target program text, compiles it with the code generator against the
// software PLC's own description, runs it N task cycles on a PLC kernel of
// this process beside N time steps of the simulation, both with the same
// inputs, and lists every cycle in which the two disagree (outputs A1-13,
// flags M1-15, data words DW1-110, parameter words PW1-17).
// Exit code: 0 when they agree in every cycle, 1 on a disagreement, 2 when
// the call, the project or its translation is at fault.
#include "commands.h"

#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "equiv/equiv.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/paths.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace mdltool {

namespace {

namespace fs = std::filesystem;

// Cycles listed in full before the listing is cut short.
constexpr int kListedCycles = 20;

// A directory of the run's own, removed afterwards unless the caller named it.
struct WorkDir {
  fs::path path;
  bool keep = false;
  bool make(const std::string& given, std::ostream& err) {
    if (!given.empty()) {
      path = fs::absolute(given);
      keep = true;
      std::error_code ec;
      fs::create_directories(path, ec);
      if (ec) err << "mdltool: " << given << ": " << ec.message() << "\n";
      return !ec;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/mdltool-equiv-XXXXXX";
    if (!::mkdtemp(templ.data())) {
      err << "mdltool: no temporary directory could be made in " << templ << "\n";
      return false;
    }
    path = templ;
    return true;
  }
  ~WorkDir() {
    std::error_code ec;
    if (!keep && !path.empty()) fs::remove_all(path, ec);
  }
};

void listResult(const equiv::RunResult& r, std::ostream& out) {
  int listed = 0, lastCycle = 0;
  for (const equiv::Mismatch& m : r.mismatches) {
    if (m.cycle != lastCycle) {
      if (listed == kListedCycles) break;
      ++listed;
      lastCycle = m.cycle;
    }
    out << equiv::describe(m) << "\n";
  }
  if (r.cyclesDisagreeing > listed)
    out << "... and " << (r.cyclesDisagreeing - listed) << " more cycles that disagree\n";
  out << "simulation and target disagree in " << r.cyclesDisagreeing << " of " << r.cyclesRun
      << " cycles (first: cycle " << r.mismatches.front().cycle << ")\n";
}

int cmdEquiv(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int cycles = 0;
  {
    const std::string& n = args[1];
    auto r = std::from_chars(n.data(), n.data() + n.size(), cycles);
    if (r.ec != std::errc() || r.ptr != n.data() + n.size() || cycles < 1 || cycles > 1000000) {
      err << "mdltool: bad cycle count " << n << " (1 to 1000000)\n";
      return 2;
    }
  }
  equiv::RunOptions o;
  o.cycles = cycles;
  o.programDir = plat::path::programDir();
  o.librarySource = MDLTOOL_BLOCKLIB_SOURCE;
  std::string work;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--input" && hasValue) {
      equiv::InputRange r;
      std::string why;
      if (!equiv::parseInputRange(args[++i], r, why)) {
        err << "mdltool: " << why << "\n";
        return 2;
      }
      o.inputs.push_back(r);
    } else if (a == "--source" && hasValue) {
      o.librarySource = args[++i];
    } else if (a == "--work" && hasValue) {
      work = args[++i];
    } else {
      err << "mdltool: unknown or incomplete option " << a
          << " (--input E<n>=FIRST..LAST, --source ZAS, --work DIR)\n";
      return 2;
    }
  }
  WorkDir dir;
  if (!dir.make(work, err)) return 2;
  o.workDir = dir.path.string();

  const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
  modelfiles::FileServices* previousFiles = modelfiles::setFileServices(&libraryFileServices());
  int rc = 2;
  {
    ToolDocument td;
    if (loadAny(args[0], err)) {
      std::string why;
      if (!engine::linkDocument(*td.doc, &why)) {
        err << "mdltool: " << args[0] << ": block code not linked: " << why << "\n";
      } else {
        const equiv::RunResult r = equiv::runDocument(*td.doc, o);
        if (r.warnings || r.status == equiv::RunResult::Failed) err << r.messages;
        if (r.status == equiv::RunResult::Failed) {
          err << "mdltool: " << args[0] << ": " << r.error << "\n";
        } else if (r.status == equiv::RunResult::Disagree) {
          listResult(r, out);
          rc = 1;
        } else {
          out << "simulation and target agree in all " << r.cyclesRun << " cycles\n";
          rc = 0;
        }
      }
    }
    engine::vm_ForgetDocument(td.doc);
  }
  modelfiles::setModuleLinker(previous);
  modelfiles::setFileServices(previousFiles);
  return rc;
}

struct Registrar {
  Registrar() {
    addCommand({"equiv", "FILE N [--input E<n>=FIRST..LAST]... [--source ZAS] [--work DIR]",
                "run a project N task cycles in the simulation and on the software PLC (through the target text,\n"
                "      the code generator and the PLC kernel) and list every cycle in which they disagree;\n"
                "      --input sets E1-E16 in cycles FIRST to LAST (\"E1=60..89\", open \"E1=150..\", one \"E2=5\"),\n"
                "      repeatable; --source: the standard block library's source (for its simulated image);\n"
                "      --work: keep the run's files there. Exit 0: they agree, 1: they disagree, 2: bad input",
                2, 64, cmdEquiv});
  }
} registrar;

} // namespace
} // namespace mdltool
