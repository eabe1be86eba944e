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
#include <string>

namespace mdltool {

namespace {

int cmdStep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  char* end = nullptr;
  const long n = std::strtol(args[1].c_str(), &end, 10);
  if (end == args[1].c_str() || *end || n < 0 || n > 1000000) {
    err << "mdltool: bad step count " << args[1] << "\n";
    return 2;
  }
  const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
  modelfiles::FileServices* previousFiles = modelfiles::setFileServices(&libraryFileServices());
  int rc = 1;
  {
    ToolDocument td;
    if (loadAny(args[0], err)) {
      std::string why;
      if (!engine::linkDocument(*td.doc, &why)) err << "mdltool: " << why << "\n";
      out << engine::runSteps(td.doc, static_cast<int>(n));
      rc = 0;
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
