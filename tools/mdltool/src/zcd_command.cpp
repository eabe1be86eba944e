// mdltool zcd FILE [OUT]: loads a project with its block libraries linked for
// the interpreter and writes its target program text, to OUT or to the
// program instance's text path of the settings library.
#include "commands.h"

#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "platform/paths.h"
#include "zcdwriter/zcdwriter.h"

#include <string>

namespace mdltool {

namespace {

std::string settingsPath(int (*getter)(MStrBuf*)) {
  MStrBuf b{};
  const int r = getter(&b);
  std::string s = msb::ToString(&b);
  msb::Free(&b);
  return r == 1 ? s : std::string();
}

int cmdZcd(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string target = args.size() > 1 ? args[1] : std::string();
  std::string temp;
  if (target.empty()) {
    obel::SetBINPathByString(plat::path::join(plat::path::programDir(), "mdltool").c_str());
    target = settingsPath([](MStrBuf* b) { return obel::GetPathToProjectZCDForInst(b, 0); });
    if (target.empty()) {
      err << "mdltool: the settings give no path for the target program text\n";
      return 1;
    }
    temp = settingsPath(&obel::GetTEMPPath);
  }
  if (temp.empty()) temp = plat::path::dirName(plat::path::normalize(target));
  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  const zcd::WriterEnvironment previousEnv = env;
  env.mainPath = [target] { return target; };
  env.tempDir = [temp] { return temp.empty() || temp.back() == '/' ? temp : temp + "/"; };

  const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
  modelfiles::FileServices* previousFiles = modelfiles::setFileServices(&libraryFileServices());
  int rc = 1;
  {
    ToolDocument td;
    if (loadAny(args[0], err)) {
      std::string why;
      if (!engine::linkDocument(*td.doc, &why)) err << "mdltool: " << why << "\n";
      if (zcd::zcd_WriteProgram(*td.doc, &why)) {
        out << target << "\n";
        rc = 0;
      } else {
        err << "mdltool: " << why << ": " << target << "\n";
      }
    }
    engine::vm_ForgetDocument(td.doc);
  }
  modelfiles::setModuleLinker(previous);
  modelfiles::setFileServices(previousFiles);
  env = previousEnv;
  return rc;
}

struct Registrar {
  Registrar() {
    addCommand({"zcd", "FILE [OUT]",
                "write a project's target program text (to OUT, or to the instance's text path)", 1, 2, cmdZcd});
  }
} registrar;

} // namespace
} // namespace mdltool
