// mdltool step FILE N: loads a project with its block libraries linked for the
// interpreter, runs N time steps of its main logic and prints the simulated
// time and the output values of every gate (the step command's code).
#include "commands.h"

#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/paths.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace mdltool {

namespace {

// Libraries are linked as they are read; the failures are counted here.
int gLinkFailures = 0;
bool countingLinker(model::ProjectModule* m, const std::uint8_t* link, std::size_t n,
                    model::ProjectModule* const* refs, int count) {
  const bool ok = engine::vm_LinkCode(m, link, n, refs, count);
  if (!ok) ++gLinkFailures;
  return ok;
}

int cmdStep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  char* end = nullptr;
  const long n = std::strtol(args[1].c_str(), &end, 10);
  if (end == args[1].c_str() || *end || n < 0 || n > 1000000) {
    err << "mdltool: bad step count " << args[1] << "\n";
    return 2;
  }
  gLinkFailures = 0;
  const auto previous = modelfiles::setModuleLinker(countingLinker);
  modelfiles::FileServices* previousFiles = modelfiles::setFileServices(&libraryFileServices());
  int rc = 1;
  {
    ToolDocument td;
    if (loadAny(args[0], err)) {
      // A library that fails to link runs nothing: the steps are still shown,
      // and the exit code tells the caller the run was not whole.
      std::string why;
      bool linked = engine::linkDocument(*td.doc, &why);
      if (!linked) err << "mdltool: " << why << "\n";
      // A library refused while it was read stands in with empty types.
      if (gLinkFailures > 0) {
        err << "mdltool: " << gLinkFailures << " block librar" << (gLinkFailures == 1 ? "y" : "ies")
            << " could not be linked\n";
        linked = false;
      }
      out << engine::runSteps(td.doc, static_cast<int>(n));
      rc = linked ? 0 : 1;
    }
    engine::vm_ForgetDocument(td.doc);
  }
  modelfiles::setModuleLinker(previous);
  modelfiles::setFileServices(previousFiles);
  return rc;
}

struct Registrar {
  Registrar() {
    addCommand({"step", "FILE N", "run N time steps of a project's main logic and print every gate's outputs", 2, 2,
                cmdStep});
  }
} registrar;

} // namespace
} // namespace mdltool
