// mdltool render FILE OUT.png [ZOOM]: draws the main logic's worksheet of a
// project through the same drawing code as the worksheet windows.
#include "commands.h"

#include "display/render.h"
#include "model/document.h"
#include "model/records.h"

#include <QGuiApplication>
#include <cstdlib>
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
  if (!loadAny(args[0], err)) return 1;
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
  QImage img = disp::renderSheet(level, zoom);
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
