// Writes the projects the program ships, with the project file writer:
//   zerlo_mksample [--lib LIBDIR] OUT.MDL        the sample project of `make run`
//   zerlo_mksample --plain OUT.MDL               six unwired gates of the built-in kinds
//                                                (a fixture of the main program's tests)
//   zerlo_mksample --lib LIBDIR --templates DIR  the new-project templates
//                                                (DIR/EMPTY/EMPTY.MDL, DIR/FLOW/FLOW.MDL,
//                                                DIR/GATES/GATES.MDL)
// LIBDIR holds the standard block library ZRLFB02.MCO; the sample and the flow
// template carry it (a project file holds the block libraries it uses).
#include "engine/params.h"
#include "engine/services.h"
#include "engine/vm.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/fake_services.h"
#include "model/instances.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"
#include "platform/paths.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The extra values of a flow block: aux[0..7] packed as 16-bit words into
// the first two slots; a wait block keeps its time in seconds in slot 13.
std::vector<double> flowAux(std::vector<std::int16_t> words, double seconds = -1) {
  std::vector<double> slots(2, 0.0);
  words.resize(8, 0);
  std::memcpy(slots.data(), words.data(), 16);
  if (seconds >= 0) {
    slots.resize(14, 0.0);
    slots[13] = seconds;
  }
  return slots;
}

// One project being built: a fresh document with its main logic; with a
// library directory also the extern library and the standard block library,
// linked for the interpreter so that their blocks are made as the editor
// makes them.
class Project {
public:
  explicit Project(const std::string& libDir) {
    prevServices_ = engine::setEngineServices(&services_);
    prevShell_ = model::setShell(&shell_);
    prevEditor_ = model::setEditor(&editor_);
    model::mm_UnitInit();
    engine::vm().reset();
    doc_ = model::doc_New();
    model::CurrentDocument = doc_;
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::DefaultVectorDimension = 1;
    model::doc_MainModule(*doc_);
    engine::vm().attachDocument(doc_);
    if (!libDir.empty()) {
      model::ProjectModule* ext = model::doc_AddModule(*doc_, "EXTERNAL", model::kModuleCompiled);
      ext->Loaded = 1;
      library_ = readLibrary(plat::path::join(libDir, "ZRLFB02.MCO"));
    }
    main_ = model::ge_NewLogic("$MAIN");
    doc_->MacroLevel = 1;
    doc_->LevelLogics[1] = main_;
    model::EditLogic(*doc_) = main_;
  }
  ~Project() {
    engine::vm_ForgetDocument(doc_);
    engine::vm().reset();
    model::CurrentDocument = nullptr;
    modelfiles::mdl_FreeDocument(doc_);
    model::setEditor(prevEditor_);
    model::setShell(prevShell_);
    engine::setEngineServices(prevServices_);
  }
  Project(const Project&) = delete;
  Project& operator=(const Project&) = delete;

  bool ready() const { return main_ && library_; }
  bool readyWithoutLibrary() const { return main_ != nullptr; }

  // A gate of a built-in kind at x, y: its creation questions take their
  // defaults, its parameters the kind's defaults, then the given values.
  model::GateRecord* gate(std::uint8_t kind, int x, int y, std::vector<double> values = {}) {
    model::GateRecord* g = nullptr;
    if (!model::ge_CreateGateAsked(main_, kind, nullptr, nullptr, x, y, g)) g = nullptr;
    if (!g) {
      fail("gate of kind " + std::to_string(kind));
      return nullptr;
    }
    std::vector<double> extra(g->Extra, g->Extra + g->ExtraCount);
    engine::pf_SetParamDefaults(kind, extra.data(), extra.size());
    for (std::size_t k = 0; k < values.size() && k < extra.size(); ++k) extra[k] = values[k];
    setExtra(g, extra);
    return g;
  }
  // A block of the standard block library at x, y with its extra values.
  model::GateRecord* block(const char* typeName, int x, int y, std::vector<double> extra = {}) {
    model::GateTypeRecord* t = type(typeName);
    if (!t) {
      fail(std::string("block type ") + typeName);
      return nullptr;
    }
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.inputCount = t->InputCount;
    s.outputCount = t->OutputCount;
    s.extraCount = t->ExtraCount;
    s.stateCount = t->StateCount;
    s.inputType = model::kTypeReal;
    s.outputType = model::kTypeReal;
    s.x = std::int16_t(x);
    s.y = std::int16_t(y);
    s.allowShare = false;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    if (!model::ge_CreateGate(main_, s, seq, g, in) || !g) {
      fail(std::string("block ") + typeName);
      return nullptr;
    }
    setExtra(g, extra);
    return g;
  }
  // Output pin `out` of `from` to input pin `in` of `to` (pins from 1), with
  // a drawn route as the editor's wiring leaves it: a step out of each pin's
  // side, joined at right angles; through the column at channelX when given.
  void wire(model::GateRecord* from, unsigned out, model::GateRecord* to, unsigned in, int channelX = -1) {
    std::int16_t ox = 0, oy = 0, ix = 0, iy = 0;
    std::uint16_t side = 0;
    if (!from || !to || !model::gg_OutputPinPos(from, out, ox, oy, side) ||
        !model::gg_InputPinPos(to, in, ix, iy, side)) {
      fail("a wire");
      return;
    }
    const Point s{from->X + ox, from->Y + oy}, d{to->X + ix, to->Y + iy};
    const Point s1 = stepOut(from, s), d1 = stepOut(to, d);
    std::vector<Point> pts{s, s1};
    if (channelX >= 0) {
      pts.push_back({channelX, s1.y});
      pts.push_back({channelX, d1.y});
    } else if (s1.x != d1.x && s1.y != d1.y) {
      const bool outSide = s1.y == s.y, inSide = d1.y == d.y;
      if (outSide && inSide) {  // side to side: turn in the middle column
        const int mid = (s1.x + d1.x) / 2;
        pts.push_back({mid, s1.y});
        pts.push_back({mid, d1.y});
      } else if (!outSide && !inSide) {  // bottom to top: turn in the middle row
        const int mid = (s1.y + d1.y) / 2;
        pts.push_back({s1.x, mid});
        pts.push_back({d1.x, mid});
      } else {
        pts.push_back({d1.x, s1.y});
      }
    }
    pts.push_back(d1);
    pts.push_back(d);
    // Without repeated points and points in the middle of a straight run.
    std::vector<Point> route;
    for (const Point& p : pts) {
      if (!route.empty() && route.back().x == p.x && route.back().y == p.y) continue;
      if (route.size() >= 2) {
        const Point& a = route[route.size() - 2];
        const Point& b = route.back();
        if ((a.x == b.x && b.x == p.x) || (a.y == b.y && b.y == p.y)) route.pop_back();
      }
      route.push_back(p);
    }
    model::WirePoint* head = nullptr;
    model::WirePoint** tail = &head;
    for (const Point& p : route) {
      if (!model::mm_New(*tail)) {
        fail("a wire");
        return;
      }
      (*tail)->X = std::int16_t(p.x);
      (*tail)->Y = std::int16_t(p.y);
      tail = &(*tail)->Next;
    }
    if (!model::ge_ConnectGates(main_, to, in, from, out, nullptr, head)) fail("a wire");
  }
  bool save(const std::string& path) {
    if (!failed_.empty()) {
      std::fprintf(stderr, "zerlo_mksample: %s: %s not made\n", path.c_str(), failed_.c_str());
      return false;
    }
    doc_->SimLogic = nullptr;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    // Saved as the program saves (the main module carries the file's name),
    // written anew: no backup of an earlier file stays beside it.
    fs::remove(path, ec);
    if (modelfiles::mdl_SaveProjectAs(path) != 1) {
      std::fprintf(stderr, "zerlo_mksample: %s not written\n", path.c_str());
      return false;
    }
    return true;
  }

private:
  struct Point {
    int x, y;
  };
  // The point 10 units out of the gate from its pin at `at`, on the side of
  // the gate's box the pin lies on.
  static Point stepOut(model::GateRecord* g, Point at) {
    std::int16_t x = 0, y = 0, w = 0, h = 0;
    model::gg_GateRect(g, x, y, w, h, false);
    if (at.x <= x) return {at.x - 10, at.y};
    if (at.x >= x + w) return {at.x + 10, at.y};
    if (at.y <= y) return {at.x, at.y - 10};
    return {at.x, at.y + 10};
  }
  // The gate's parameters and those of each of its instances.
  void setExtra(model::GateRecord* g, const std::vector<double>& extra) {
    for (std::size_t k = 0; k < extra.size() && k < g->ExtraCount; ++k) {
      g->Extra[k] = extra[k];
      model::inst_ForEachList(main_, [&](model::GateInstance*& head) {
        if (model::GateInstance* gi = model::inst_Parallel(main_, head, g)) gi->ExtraValues[k] = extra[k];
      });
    }
  }
  bool readLibrary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> mco((std::istreambuf_iterator<char>(in)), {});
    if (mco.empty()) {
      std::fprintf(stderr, "zerlo_mksample: cannot read %s\n", path.c_str());
      return false;
    }
    const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
    model::ProjectModule* slot = nullptr;
    modelfiles::LoadStatus.clear();
    const bool failed = modelfiles::mdl_ReadCompiledModule(slot, mco.data(), mco.size());
    modelfiles::setModuleLinker(previous);
    if (failed || !slot || !engine::vm().isLinked(slot)) {
      std::fprintf(stderr, "zerlo_mksample: %s does not link\n", path.c_str());
      return false;
    }
    return true;
  }
  model::GateTypeRecord* type(const char* name) const {
    for (model::ProjectModule* m = doc_->FirstModule; m; m = m->Next)
      for (model::GateTypeRecord* t = model::firstTypeOf(m); t; t = t->Next)
        if (std::strncmp(t->Name, name, 16) == 0) return t;
    return nullptr;
  }
  void fail(const std::string& what) {
    if (failed_.empty()) failed_ = what;
  }

  engine::RecordingEngineServices services_;
  model::FakeShell shell_;
  model::FakeEditor editor_;
  engine::EngineServices* prevServices_ = nullptr;
  model::ShellServices* prevShell_ = nullptr;
  model::EditorServices* prevEditor_ = nullptr;
  model::DocumentRecord* doc_ = nullptr;
  model::LogicRecord* main_ = nullptr;
  bool library_ = false;
  std::string failed_;
};

// Built-in kinds by their place in the kind table.
constexpr std::uint8_t kAnd = 1, kOr = 2, kExor = 3, kOscillator = 7, kCounter = 11, kBinIndicator = 46,
                       kDigIndicator = 47, kBinConstant = 49;

// A few wired gates with x0, y0 as their top-left corner: an oscillator
// through an AND (released by a constant) to a lamp, and counted into a number
// display; an OR shows the oscillator or the constant.
void basicGates(Project& p, int x0, int y0) {
  auto* osc = p.gate(kOscillator, x0, y0 + 40);
  auto* one = p.gate(kBinConstant, x0, y0 + 160, {1.0});
  auto* both = p.gate(kAnd, x0 + 140, y0 + 80);
  auto* either = p.gate(kOr, x0 + 140, y0 + 200);
  // The indicators take their input from below: they sit above the lines
  // that feed them.
  auto* lampAnd = p.gate(kBinIndicator, x0 + 280, y0 + 40);
  auto* lampOr = p.gate(kBinIndicator, x0 + 280, y0 + 160);
  auto* count = p.gate(kCounter, x0 + 140, y0 + 300);
  auto* shown = p.gate(kDigIndicator, x0 + 280, y0 + 260);
  p.wire(osc, 1, both, 1);
  p.wire(one, 1, both, 2);
  p.wire(both, 1, lampAnd, 1);
  p.wire(osc, 1, either, 1);
  p.wire(one, 1, either, 2);
  p.wire(either, 1, lampOr, 1);
  p.wire(osc, 1, count, 2);  // the counting input
  p.wire(count, 1, shown, 1);
}

// A blinking motor on the standard block library: START -> motor 1 cw ->
// wait 1 s -> motor 1 off -> wait 1 s -> back to cw.
void blinkingFlow(Project& p, int x0, int y0) {
  auto* start = p.block("STARTV3", x0, y0);
  auto* cw = p.block("MOUTPUTV3", x0, y0 + 80, flowAux({1, 0, 2}));
  auto* on = p.block("WAITV3", x0, y0 + 160, flowAux({}, 1.0));
  auto* off = p.block("MOUTPUTV3", x0, y0 + 240, flowAux({1, 0, 3}));
  auto* pause = p.block("WAITV3", x0, y0 + 320, flowAux({}, 1.0));
  p.wire(start, 1, cw, 1);
  p.wire(cw, 1, on, 1);
  p.wire(on, 1, off, 1);
  p.wire(off, 1, pause, 1);
  p.wire(pause, 1, cw, 2, x0 - 30);
}

bool writeSample(const std::string& libDir, const std::string& out) {
  Project p(libDir);
  if (!p.ready()) return false;
  // The gates first, the oscillator near the sheet's top-left corner; the
  // flow beside them: everything on the first screen at zoom 1.
  basicGates(p, 150, 60);
  blinkingFlow(p, 560, 40);
  return p.save(out);
}

bool writePlain(const std::string& out) {
  Project p("");
  if (!p.readyWithoutLibrary()) return false;
  static const struct { std::uint8_t kind; int x, y; } gates[] = {
      {kAnd, 160, 100}, {kOr, 160, 240}, {kExor, 340, 160}, {kAnd, 520, 100}, {kCounter, 520, 260}, {kOr, 700, 180},
  };
  for (const auto& g : gates) p.gate(g.kind, g.x, g.y);
  return p.save(out);
}

bool writeTemplates(const std::string& libDir, const std::string& dir) {
  bool ok = true;
  {
    Project p("");
    ok = p.readyWithoutLibrary() && p.save(plat::path::join(dir, "EMPTY/EMPTY.MDL")) && ok;
  }
  {
    Project p(libDir);
    if (p.ready()) {
      auto* start = p.block("STARTV3", 60, 40);
      auto* end = p.block("ENDEV3", 60, 200);
      p.wire(start, 1, end, 1);
      ok = p.save(plat::path::join(dir, "FLOW/FLOW.MDL")) && ok;
    } else {
      ok = false;
    }
  }
  {
    Project p("");
    if (p.readyWithoutLibrary()) {
      basicGates(p, 60, 20);
      ok = p.save(plat::path::join(dir, "GATES/GATES.MDL")) && ok;
    } else {
      ok = false;
    }
  }
  return ok;
}

int usage() {
  std::fprintf(stderr, "usage: zerlo_mksample [--lib LIBDIR] OUT.MDL\n"
                       "       zerlo_mksample --plain OUT.MDL\n"
                       "       zerlo_mksample --lib LIBDIR --templates DIR\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string libDir, templates, out;
  bool plain = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--plain") {
      plain = true;
    } else if (args[i] == "--lib" && i + 1 < args.size()) {
      libDir = args[++i];
    } else if (args[i] == "--templates" && i + 1 < args.size()) {
      templates = args[++i];
    } else if (out.empty() && !args[i].empty() && args[i][0] != '-') {
      out = args[i];
    } else {
      return usage();
    }
  }
  if (libDir.empty()) {
    // The library directory beside the project folder the output lies in
    // (PROJECT/X.MDL -> LIB beside PROJECT, as from bin).
    const fs::path guess = fs::absolute(out).parent_path().parent_path() / "LIB";
    libDir = guess.string();
  }
  if (templates.empty() == out.empty()) return usage();
  model::FakeShell shell;
  model::setShell(&shell);
  model::mm_UnitInit();
  model::doc_StartUp();
  const bool ok = plain ? writePlain(out) : templates.empty() ? writeSample(libDir, out) : writeTemplates(libDir, templates);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  model::doc_ShutDown();
  model::setShell(nullptr);
  return ok ? 0 : 1;
}
