// End to end: the fixture library assembled, written as a block library file,
// read back by the project-file layer with the interpreter's linker installed,
// and simulated.
#include "engine/levels.h"
#include "engine/services.h"
#include "engine/vm.h"
#include "zasm/mco.h"

#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace engine::test {

TEST(BlockLibraryFile, ReadLinkAndSimulate) {
  model::FakeShell shell;
  model::FakeEditor editor;
  RecordingEngineServices services;
  model::ShellServices* prevShell = model::setShell(&shell);
  model::EditorServices* prevEditor = model::setEditor(&editor);
  EngineServices* prevServices = setEngineServices(&services);
  modelfiles::ModuleLinker prevLinker = modelfiles::setModuleLinker(vm_LinkCode);
  model::mm_UnitInit();
  vm().reset();
  model::KeepInstances = 1;
  model::AttachPlacement = 1;
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  model::LogicRecord* main = model::ge_NewLogic("MAIN");

  std::ifstream in(std::string(ZERLO_TEST_DATA) + "/engine/fixlib.zas");
  std::stringstream ss;
  ss << in.rdbuf();
  zasm::ModuleSource src;
  std::string err;
  ASSERT_TRUE(zasm::assembleLibrary(ss.str(), src, err)) << err;
  const std::vector<std::uint8_t> bytes = zasm::encodeMco(src);
  model::ProjectModule* slot = nullptr;
  modelfiles::LoadStatus.clear();
  vm().attachDocument(doc);
  EXPECT_FALSE(modelfiles::mdl_ReadCompiledModule(slot, bytes.data(), bytes.size()));
  ASSERT_NE(slot, nullptr);
  EXPECT_TRUE(vm().isLinked(slot));

  model::GateTypeRecord* cst = nullptr;
  model::GateTypeRecord* integ = nullptr;
  for (model::GateTypeRecord* t = model::firstTypeOf(slot); t; t = t->Next) {
    if (std::strncmp(t->Name, "CONST", 16) == 0) cst = t;
    if (std::strncmp(t->Name, "INTEG", 16) == 0) integ = t;
  }
  ASSERT_TRUE(cst && integ);
  auto make = [&](model::GateTypeRecord* t) {
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.inputCount = t->InputCount;
    s.outputCount = t->OutputCount;
    s.extraCount = t->ExtraCount;
    s.stateCount = t->StateCount;
    s.inputType = s.outputType = model::kTypeReal;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* gi = nullptr;
    EXPECT_TRUE(model::ge_CreateGate(main, s, seq, g, gi));
    return std::make_pair(g, gi);
  };
  auto [c, ci] = make(cst);
  auto [i, ii] = make(integ);
  ci->ExtraValues[0] = 2.0;
  ASSERT_TRUE(model::ge_ConnectGates(main, i, 1, c, 1, nullptr, nullptr));
  main->StepBlock.simTime = -1.0;
  main->StepBlock.interval = main->currentStep = main->previousStep = 0.1;
  main->StepBlock.maxIterations = 10;
  main->StepBlock.stepFlags = 0;
  doc->MacroLevel = 1;
  doc->LevelLogics[1] = main;
  doc->LevelInstances[1] = main->FirstInstance;
  doc->iterationCounter = 1;
  for (int k = 0; k <= 10; ++k) ss_StepLevel(*doc);
  EXPECT_NEAR(ii->OutputValues[0], 2.0, 1e-9);
  EXPECT_EQ(doc->runError, 0);

  vm().reset();
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc);
  modelfiles::setModuleLinker(prevLinker);
  setEngineServices(prevServices);
  model::setShell(prevShell);
  model::setEditor(prevEditor);
}

} // namespace engine::test
