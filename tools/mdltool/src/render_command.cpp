// mdltool render FILE OUT.png [ZOOM]: draws the main logic's worksheet of a
// project through the same drawing code as the worksheet windows: pictures
// from the project's "BITMAP" folder, compiled gates' faces run by the
// interpreter (when the program has it).
#include "commands.h"

#include "display/render.h"
#include "model/document.h"
#include "model/records.h"
#include "platform/paths.h"
#if MDLTOOL_WITH_ENGINE
#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "modelfiles/project.h"
#endif

#include <QGuiApplication>
#include <cstdlib>
#include <sstream>
#include <string>

namespace mdltool {
namespace {

int cmdRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  float zoom = 1.0f;
  if (args.size() > 2) {
    char* end = nullptr;
    zoom = std::strtof(args[2].c_str(), &end);
    if (end == args[2].c_str() || *end || !(zoom > 0)) {
      err << "mdltool: bad zoom " << args[2] << "\n";
      return 2;
    }
  }
  ToolDocument td;
#if MDLTOOL_WITH_ENGINE
  // Block libraries are linked for the interpreter, which draws their faces;
  // a library whose code cannot be linked is drawn without them.
  bool linked = false;
  {
    std::ostringstream quiet;
    const modelfiles::ModuleLinker previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
    linked = loadAny(args[0], quiet);
    modelfiles::setModuleLinker(previous);
  }
  if (!linked) {
    engine::vm_ForgetDocument(td.doc);
    if (!loadAny(args[0], err)) return 1;
    err << "mdltool: block code not linked; compiled gates are drawn without their faces\n";
  }
#else
  if (!loadAny(args[0], err)) return 1;
#endif
  disp::DrawView view;
  view.bitmapDir = plat::path::join(plat::path::dirName(args[0]), "BITMAP");
#if MDLTOOL_WITH_ENGINE
  struct Forget {
    model::DocumentRecord* doc;
    ~Forget() { engine::vm_ForgetDocument(doc); }
  } forget{td.doc};
  std::string why;
  if (linked && !engine::linkDocument(*td.doc, &why)) err << "mdltool: " << why << "\n";
  if (linked) view.runModuleCode = [](model::GateRecord* g, model::GateInstance* inst, int which) {
    const disp::DrawView& v = disp::currentView();
    return engine::drawGateFace(g, inst, which, v.scrollX, v.scrollY);
  };
#endif
  model::LogicRecord* level = model::EditLogic(*td.doc);
  if (!level) level = model::firstLogicOf(model::doc_MainModule(*td.doc, false));
  if (!level) {
    err << "mdltool: " << args[0] << " has no worksheet\n";
    return 1;
  }
  // Fonts need a GUI application; without a display it draws offscreen.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int argc = 1;
  char name[] = "mdltool";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  QImage img = disp::renderSheet(level, zoom, view);
  if (!img.save(QString::fromStdString(args[1]), "PNG")) {
    err << "mdltool: " << args[1] << " could not be written\n";
    return 1;
  }
  out << "rendered " << level->Name << " at zoom " << zoom << " to " << args[1] << "\n";
  return 0;
}

struct Registrar {
  Registrar() {
    addCommand({"render", "FILE OUT.png [ZOOM]", "draw the main logic's worksheet of a project into a PNG image", 2, 3,
                cmdRender});
  }
} registrar;

} // namespace
} // namespace mdltool
