#pragma once
// A document with the writer's fixture block libraries (tests/data/zcdwriter:
// ZCDLIB with word blocks, ZCDSEQ with sequence steps) linked with the extern
// library, and helpers that build diagrams through the model's editing
// operations. No test framework: the tests, the fuzz target and the benchmark
// share it.
#include "zcdwriter/zcdwriter.h"

#include "engine/services.h"
#include "engine/timestep.h"
#include "engine/vm.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/instances.h"
#include "model/memory.h"
#include "zasm/zasm.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zcdtest {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class FixtureDocument {
public:
  engine::RecordingEngineServices services;
  model::FakeShell shell;
  model::FakeEditor editor;
  model::DocumentRecord* doc = nullptr;
  model::ProjectModule* externs = nullptr;
  model::LogicRecord* main = nullptr;
  std::string error;
  bool ok = false;

  // dataDir: the folder holding zcdlib.zas and zcdseq.zas; without
  // libraries the document has the extern library only.
  explicit FixtureDocument(const std::string& dataDir, bool withLibraries = true) {
    prevServices_ = engine::setEngineServices(&services);
    prevShell_ = model::setShell(&shell);
    prevEditor_ = model::setEditor(&editor);
    model::mm_UnitInit();
    engine::vm().reset();
    engine::sim_ResetState();
    doc = model::doc_New();
    model::doc_MainModule(*doc);
    if (withLibraries) {
      externs = model::doc_AddModule(*doc, "EXTERNAL", model::kModuleCompiled);
      externs->Loaded = 1;
    }
    model::CurrentDocument = doc;
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::DefaultVectorDimension = 1;
    engine::vm().attachDocument(doc);
    ok = !withLibraries || (library(dataDir + "/zcdlib.zas") && library(dataDir + "/zcdseq.zas"));
    main = model::ge_NewLogic("MAIN");
    doc->MacroLevel = 1;
    doc->LevelLogics[1] = main;
    zcd::zcd_ResetForTests();
  }
  ~FixtureDocument() {
    zcd::zcd_ResetForTests();
    engine::vm().reset();
    for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
      if (model::isCompiled(m)) zasm::releaseTypeCode(m);
    doc->SimLogic = nullptr;
    model::CurrentDocument = nullptr;
    model::doc_Free(doc);
    model::setEditor(prevEditor_);
    model::setShell(prevShell_);
    engine::setEngineServices(prevServices_);
  }
  FixtureDocument(const FixtureDocument&) = delete;
  FixtureDocument& operator=(const FixtureDocument&) = delete;

  // Assembles a library and links it with the modules of its "uses" table
  // (EXTERNAL: the extern library), running its link block.
  bool library(const std::string& file) {
    zasm::ModuleSource src;
    if (!zasm::assembleLibrary(readFile(file), src, error) || !zasm::checkLibrary(src, error)) {
      error = file + ": " + error;
      return false;
    }
    model::ProjectModule* m = zasm::buildModule(*doc, src);
    if (!m) return false;
    std::vector<model::ProjectModule*> table;
    for (const std::string& name : src.uses) {
      model::ProjectModule* used = name == "EXTERNAL" ? externs : nullptr;
      for (model::ProjectModule* x = doc->FirstModule; x && !used; x = x->Next)
        if (name == x->Name) used = x;
      table.push_back(used);
    }
    return engine::vm().linkModule(m, src.init.data(), src.init.size(), table.data(), unsigned(table.size()),
                                   &error);
  }
  model::GateTypeRecord* type(const char* name) const {
    for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
      for (model::GateTypeRecord* t = model::firstTypeOf(m); t; t = t->Next)
        if (std::strncmp(t->Name, name, 16) == 0) return t;
    return nullptr;
  }

  // A block of a fixture type with its extra values.
  model::GateRecord* block(model::LogicRecord* l, const char* typeName, std::vector<double> extra = {}) {
    model::GateTypeRecord* t = type(typeName);
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
  // A macro gate calling logic sub, with the cycle time of a '$' logic.
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

private:
  engine::EngineServices* prevServices_ = nullptr;
  model::ShellServices* prevShell_ = nullptr;
  model::EditorServices* prevEditor_ = nullptr;
};

} // namespace zcdtest
