#include "harness.h"

#include "engine/externs.h"
#include "engine/timestep.h"

namespace engine::test {

Harness::Harness() {
  prevServices_ = setEngineServices(&services);
  prevShell_ = model::setShell(&shell);
  model::mm_UnitInit();
  vm().reset();
  sim_ResetState();
  xt_ResetInvalidFlag();
  doc = model::doc_New();
  model::doc_MainModule(*doc);
  // Module 1 of every harness library: the extern library.
  externs = model::doc_AddModule(*doc, "EXTERNAL", model::kModuleCompiled);
  externs->Loaded = 1;
  logic_.StepBlock.maxIterations = 10;
  logic_.currentStep = logic_.previousStep = logic_.StepBlock.interval = 0.1;
  doc->SimLogic = &logic_;
  doc->iterationCounter = 1;
  vm().attachDocument(doc);
}

Harness::~Harness() {
  vm().reset();
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (model::isCompiled(m)) zasm::releaseTypeCode(m);
  doc->SimLogic = nullptr;
  model::doc_Free(doc);
  setEngineServices(prevServices_);
  model::setShell(prevShell_);
}

bool Harness::load(const std::string& text, std::string* error) {
  zasm::ModuleSource src;
  std::string err;
  if (!zasm::assembleLibrary(text, src, err)) {
    if (error) *error = err;
    return false;
  }
  module = zasm::buildModule(*doc, src);
  if (!module) return false;
  model::ProjectModule* table[2] = {module, externs};
  if (!vm().linkModule(module, nullptr, 0, table, 2, &err)) {
    if (error) *error = err;
    return false;
  }
  return true;
}

bool Harness::loadStep(const std::string& step, const std::string& consts, const std::string& code,
                       std::string* error) {
  std::string text = "module TLIB\nvar v1 64\n";
  if (!consts.empty()) text += "const\n" + consts + "\nendconst\n";
  if (!code.empty()) text += "code\n" + code + "\nendcode\n";
  text += "type T\ninputs 20 20\noutputs 20\nextra 2\nstate 4\nstep\n" + step + "\nendproc\nendtype\n";
  return load(text, error);
}

model::GateTypeRecord* Harness::type(const char* name) const {
  for (model::GateTypeRecord* t = model::firstTypeOf(module); t; t = t->Next)
    if (std::strncmp(t->Name, name, 16) == 0) return t;
  return nullptr;
}

model::GateTypeRecord* Harness::bind(const char* name) {
  model::GateTypeRecord* t = type(name);
  if (!t) return nullptr;
  gate.Kind = model::kKindCompiled;
  gate.Sub = t;
  inst.InputValues = in.data();
  inst.InputSlotCount = std::uint16_t(in.size());
  inst.OutputValues = out.data();
  inst.OutputSlotCount = std::uint16_t(out.size());
  inst.ExtraValues = extra.data();
  inst.ExtraSlotCount = std::uint16_t(extra.size());
  inst.StateValues = state.data();
  inst.StateSlotCount = std::uint16_t(state.size());
  return t;
}

std::uint8_t Harness::runStep(const char* name) {
  model::GateTypeRecord* t = bind(name);
  return t ? vm().run(&gate, &inst, t->StepProc) : 0xFF;
}

std::uint8_t Harness::runTimeStep(const char* name) {
  model::GateTypeRecord* t = bind(name);
  const Procedure* p = t ? vm().procedureFor(t->StepProc) : nullptr;
  return p ? vm().runStep(&gate, &inst, *p) : 0xFF;
}

} // namespace engine::test
