#pragma once
// Diagrams for the writer's tests, built with the model's editing operations
// on the fixture block library (tests/data/zcdwriter/zcdlib.zas) linked with
// the extern library, and the writer's files in a directory of the test's own.
#include "../engine/harness.h"

#include "zcdwriter/zcdwriter.h"

#include "engine/timestep.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/instances.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zcdtest {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Diagram {
public:
  engine::test::Harness h;
  model::FakeEditor editor;
  model::EditorServices* prevEditor = nullptr;
  model::LogicRecord* main = nullptr;
  std::filesystem::path dir;
  std::string error;

  Diagram() {
    prevEditor = model::setEditor(&editor);
    model::CurrentDocument = h.doc;
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::DefaultVectorDimension = 1;
    ok = library("zcdlib.zas") && library("zcdseq.zas");
    h.doc->SimLogic = nullptr;
    main = model::ge_NewLogic("MAIN");
    h.doc->MacroLevel = 1;
    h.doc->LevelLogics[1] = main;
    dir = std::filesystem::path(testing::TempDir()) / ("zcd_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    zcd::zcd_ResetForTests();
    zcd::WriterEnvironment& env = zcd::writerEnvironment();
    env.mainPath = [d = dir] { return (d / "PROJ.ZCD").string(); };
    env.tempDir = [d = dir] { return d.string() + "/"; };
    env.now = [] { return std::time_t(0); };
  }
  ~Diagram() {
    zcd::zcd_ResetForTests();
    engine::vm().reset();
    model::CurrentDocument = nullptr;
    model::setEditor(prevEditor);
    std::filesystem::remove_all(dir);
  }
  bool ok = false;

  // Assembles a fixture library and links it with the modules of its "uses"
  // table (EXTERNAL: the harness's extern library), running its link block.
  bool library(const char* file) {
    zasm::ModuleSource src;
    if (!zasm::assembleLibrary(readFile(std::string(ZERLO_TEST_DATA) + "/zcdwriter/" + file), src, error) ||
        !zasm::checkLibrary(src, error)) {
      error = std::string(file) + ": " + error;
      return false;
    }
    model::ProjectModule* m = zasm::buildModule(*h.doc, src);
    if (!m) return false;
    std::vector<model::ProjectModule*> table;
    for (const std::string& name : src.uses) {
      model::ProjectModule* used = name == "EXTERNAL" ? h.externs : nullptr;
      for (model::ProjectModule* x = h.doc->FirstModule; x && !used; x = x->Next)
        if (name == x->Name) used = x;
      table.push_back(used);
    }
    return engine::vm().linkModule(m, src.init.data(), src.init.size(), table.data(), unsigned(table.size()),
                                   &error);
  }
  model::GateTypeRecord* type(const char* name) const {
    for (model::ProjectModule* m = h.doc->FirstModule; m; m = m->Next)
      for (model::GateTypeRecord* t = model::firstTypeOf(m); t; t = t->Next)
        if (std::strncmp(t->Name, name, 16) == 0) return t;
    return nullptr;
  }

  model::GateRecord* block(model::LogicRecord* l, const char* type, std::vector<double> extra = {}) {
    model::GateTypeRecord* t = this->type(type);
    if (!t) return nullptr;
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.inputCount = t->InputCount;
    s.outputCount = t->OutputCount;
    s.extraCount = t->ExtraCount;
    s.stateCount = t->StateCount;
    s.inputType = model::kTypeReal;
    s.outputType = model::kTypeReal;
    s.x = 100;
    s.y = 100;
    s.allowShare = false;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    if (!model::ge_CreateGate(l, s, seq, g, in) || !g) return nullptr;
    for (std::size_t k = 0; k < extra.size() && k < g->ExtraCount; ++k) {
      g->Extra[k] = extra[k];
      model::inst_ForEachList(l, [&](model::GateInstance*& head) {
        if (model::GateInstance* gi = model::inst_Parallel(l, head, g)) gi->ExtraValues[k] = extra[k];
      });
    }
    return g;
  }
  // A macro gate calling logic sub (cycle time for a '$' logic).
  model::GateRecord* macro(model::LogicRecord* l, model::LogicRecord* sub, std::uint32_t cycle = 100) {
    model::GateSpec s;
    s.kind = model::kKindCall;
    s.sub = sub;
    s.x = 200;
    s.y = 100;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    if (!model::ge_CreateGate(l, s, seq, g, in) || !g) return nullptr;
    g->AuxLong = cycle;
    return g;
  }
  // A built-in gate of a kind without pins (Disable-Logic, ...).
  model::GateRecord* plain(model::LogicRecord* l, std::uint8_t kind, std::uint16_t inputs = 0) {
    model::GateSpec s;
    s.kind = kind;
    s.inputCount = inputs;
    s.inputType = model::kTypeReal;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    if (!model::ge_CreateGate(l, s, seq, g, in)) return nullptr;
    return g;
  }
  // A Disable-Logic gate attached before gate 'to'; its input vector's own
  // elements (class, index, value, bit, ...) set to values.
  model::GateRecord* disableLogic(model::LogicRecord* l, model::GateRecord* to, std::vector<double> values) {
    model::GateSpec s;
    s.kind = model::kKindDisableLogic;
    s.attachedTo = to;
    s.inputCount = 1;
    s.inputType = 24;
    s.outputType = 24;
    s.allowShare = false;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    model::AttachPlacement = 2;
    const bool made = model::ge_CreateGate(l, s, seq, g, in);
    model::AttachPlacement = 1;
    if (!made || !g) return nullptr;
    model::GateInstance* i = inst(l, g);
    for (std::size_t k = 0; i && k < values.size(); ++k) {
      double* at = i->InputRefs && i->InputRefs[0] ? i->InputRefs[0] : i->InputValues;
      if (at && k < i->InputSlotCount) at[k] = values[k];
    }
    return g;
  }
  bool wire(model::LogicRecord* l, model::GateRecord* from, unsigned out, model::GateRecord* to, unsigned in) {
    return model::ge_ConnectGates(l, to, in, from, out, nullptr, nullptr);
  }
  model::GateInstance* inst(model::LogicRecord* l, model::GateRecord* g) {
    return model::inst_Parallel(l, l->FirstInstance, g);
  }

  // Writes the text; "" when it failed.
  std::string write() {
    h.doc->LevelInstances[1] = main->FirstInstance;
    std::string why;
    if (!zcd::zcd_WriteProgram(*h.doc, &why)) return "";
    return readFile((dir / "PROJ.ZCD").string());
  }
  std::string zcdPath() const { return (dir / "PROJ.ZCD").string(); }
};

} // namespace zcdtest
