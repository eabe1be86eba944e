// Block libraries through files and programs: a library assembled by the zasm
// program calls an extern through EXTERNAL.MCO of the program's library
// directory, a project uses it, and "mdltool step" shows the extern's effect.
#include "engine/services.h"
#include "engine/stepcmd.h"
#include "engine/vm.h"

#include "model/document.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/uisink.h"
#include "zasm/mco.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace engine::test {

namespace {

const std::string kBin = ZERLO_BIN_DIR;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Exit code of a shell command.
int run(const std::string& cmd) {
  const int st = std::system(cmd.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// The program's library directory, where the build installs EXTERNAL.MCO.
class LibraryDirServices : public modelfiles::FileServices {
public:
  std::string libraryDir(int mode) override { return mode == 0 ? kBin + "/../LIB" : std::string(); }
};

class ThroughFiles : public ::testing::Test {
protected:
  std::string dir;
  model::FakeShell shell;
  model::FakeEditor editor;
  RecordingEngineServices services;
  LibraryDirServices files;
  model::ShellServices* prevShell = nullptr;
  model::EditorServices* prevEditor = nullptr;
  EngineServices* prevServices = nullptr;
  modelfiles::FileServices* prevFiles = nullptr;
  modelfiles::ModuleLinker prevLinker = nullptr;
  model::DocumentRecord* doc = nullptr;

  void SetUp() override {
    dir = (std::filesystem::temp_directory_path() / ("zerlo_engine_files_" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    prevShell = model::setShell(&shell);
    prevEditor = model::setEditor(&editor);
    prevServices = setEngineServices(&services);
    prevFiles = modelfiles::setFileServices(&files);
    prevLinker = modelfiles::setModuleLinker(vm_LinkCode);
    model::mm_UnitInit();
    vm().reset();
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    doc = model::doc_New();
    model::CurrentDocument = doc;
    vm().attachDocument(doc);
  }
  void TearDown() override {
    vm_ForgetDocument(doc);
    vm().reset();
    model::CurrentDocument = nullptr;
    modelfiles::mdl_FreeDocument(doc);
    modelfiles::setModuleLinker(prevLinker);
    modelfiles::setFileServices(prevFiles);
    setEngineServices(prevServices);
    model::setEditor(prevEditor);
    model::setShell(prevShell);
    std::filesystem::remove_all(dir);
  }
  std::string path(const std::string& name) const { return dir + "/" + name; }

  // Assembles a library text with the zasm program; its exit code.
  int zasm(const std::string& name, const std::string& text, const std::string& out = "") {
    writeText(path(name), text);
    return run(kBin + "/zasm " + path(name) + (out.empty() ? "" : " -o " + path(out)) + " >" + path("zasm.out") +
               " 2>" + path("zasm.err"));
  }

  // Reads a block library as the library list's "load library" does.
  model::ProjectModule* readLibrary(const std::string& file) {
    const std::string bytes = readText(path(file));
    model::ProjectModule* slot = nullptr;
    modelfiles::LoadStatus.clear();
    modelfiles::ProjectPath = path("P.MDL");
    EXPECT_FALSE(modelfiles::mdl_ReadCompiledModule(slot, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                    bytes.size()));
    return slot;
  }

  model::GateRecord* place(model::LogicRecord* l, model::GateTypeRecord* t, int x, int y) {
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.inputCount = t->InputCount;
    s.outputCount = t->OutputCount;
    s.extraCount = t->ExtraCount;
    s.stateCount = t->StateCount;
    s.inputType = t->InputCount ? model::PinSignalType(t->InputPins[0].Type) : model::PinSignalType(model::kTypeReal);
    s.outputType = t->OutputCount ? model::PinSignalType(t->OutputPins[0].Type) : model::PinSignalType(model::kTypeReal);
    s.x = std::int16_t(x);
    s.y = std::int16_t(y);
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* gi = nullptr;
    EXPECT_TRUE(model::ge_CreateGate(l, s, seq, g, gi));
    return g;
  }
};

const char* kExtLib =
    "module EXTLIB\n"
    "uses EXTERNAL          ; module 0: the extern library\n"
    "type POS\n"
    "  outputs 16 16\n"
    "  step\n"
    "    call x0:89         ; the gate's position\n"
    "    addrof frame:0, out:0\n"
    "    addrof frame:4, out:8\n"
    "    stop\n"
    "    end\n"
    "  endproc\n"
    "endtype\n";

} // namespace

TEST_F(ThroughFiles, LibraryCallsAnExternAndMdltoolStepShowsIt) {
  ASSERT_TRUE(std::filesystem::exists(kBin + "/../LIB/EXTERNAL.MCO")) << "installed by the build";
  ASSERT_EQ(zasm("extlib.zas", kExtLib, "EXTLIB.MCO"), 0) << readText(path("zasm.err"));
  model::LogicRecord* main = model::ge_NewLogic("MAIN");
  ASSERT_NE(main, nullptr);
  model::ProjectModule* lib = readLibrary("EXTLIB.MCO");
  ASSERT_NE(lib, nullptr);
  EXPECT_TRUE(vm().isLinked(lib)) << vm().lastError();
  bool externLoaded = false;
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (std::strncmp(m->Name, "EXTERNAL", 8) == 0) externLoaded = m->Loaded != 0;
  EXPECT_TRUE(externLoaded) << "EXTERNAL.MCO read from the library directory";
  place(main, model::firstTypeOf(lib), 120, 60);
  ASSERT_EQ(modelfiles::mdl_SaveProjectAs(path("P.MDL")), 1);

  const std::string cmd = kBin + "/mdltool step " + path("P.MDL") + " 2 >" + path("step.out") + " 2>" + path("step.err");
  ASSERT_EQ(run(cmd), 0) << readText(path("step.err"));
  const std::string out = readText(path("step.out"));
  EXPECT_EQ(readText(path("step.err")), "");
  EXPECT_NE(out.find("step 1 t=0.1\n  G1 POS: 120 60\n"), std::string::npos) << out;
  EXPECT_NE(out.find("step 2 t="), std::string::npos) << out;
}

// zasm refuses what the linker would refuse, with exit code 1 and no file.
TEST_F(ThroughFiles, ZasmExitsOneOnCodeThatCannotLink) {
  const char* noEnd = "module BAD\ntype T\noutputs 20\nstep\nmovr out:0, in:0\nendproc\nendtype\n";
  EXPECT_EQ(zasm("bad.zas", noEnd, "BAD.MCO"), 1);
  EXPECT_NE(readText(path("zasm.err")).find("code ends without an end instruction"), std::string::npos)
      << readText(path("zasm.err"));
  EXPECT_FALSE(std::filesystem::exists(path("BAD.MCO")));
  EXPECT_EQ(zasm("bad.zas", noEnd), 1) << "the listing refuses it too";
  const char* noUses = "module BAD\ntype T\noutputs 20\nstep\ncall x0:64\nstop\nend\nendproc\nendtype\n";
  EXPECT_EQ(zasm("bad2.zas", noUses, "BAD.MCO"), 1);
  EXPECT_NE(readText(path("zasm.err")).find("not in the uses table"), std::string::npos) << readText(path("zasm.err"));
  EXPECT_EQ(zasm("good.zas", kExtLib), 0);
  EXPECT_NE(readText(path("zasm.out")).find("uses 0 EXTERNAL"), std::string::npos);
}

} // namespace engine::test

namespace engine::test {

namespace {
// A library whose step code names module 3 of a table of one: it assembles
// (the zasm program's check would refuse it) but cannot link.
zasm::ModuleSource brokenOrGood(bool broken) {
  zasm::ModuleSource src;
  std::string err;
  const std::string text = std::string("module BADLIB\ntype B\noutputs 20\nstate 2\nstep\n") +
                           (broken ? "movr out:0, m3.vars:0\n" : "movr out:0, state:0\n") + "end\nendproc\nendtype\n";
  EXPECT_TRUE(zasm::assembleLibrary(text, src, err)) << err;
  src.uses = {"EXTERNAL"};
  return src;
}
} // namespace

TEST_F(ThroughFiles, LibraryThatFailsToLinkStillOpensTheProject) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  const auto good = zasm::encodeMco(brokenOrGood(false));
  writeText(path("BADLIB.MCO"), std::string(good.begin(), good.end()));
  model::LogicRecord* main = model::ge_NewLogic("MAIN");
  model::ProjectModule* lib = readLibrary("BADLIB.MCO");
  ASSERT_NE(lib, nullptr);
  place(main, model::firstTypeOf(lib), 100, 100);
  place(main, model::firstTypeOf(lib), 200, 100);
  ASSERT_EQ(modelfiles::mdl_SaveProjectAs(path("P.MDL")), 1);
  EXPECT_TRUE(sink->shown().empty());

  // The library is replaced by one that cannot link.
  const auto bad = zasm::encodeMco(brokenOrGood(true));
  writeText(path("BADLIB.MCO"), std::string(bad.begin(), bad.end()));
  // mdltool step shows the steps of such a project and exits non-zero.
  const std::string step = kBin + "/mdltool step " + path("P.MDL") + " 1 >" + path("step.out") + " 2>" + path("step.err");
  EXPECT_NE(run(step), 0) << readText(path("step.err"));
  EXPECT_NE(readText(path("step.out")).find("step 1 t="), std::string::npos) << readText(path("step.out"));
  vm_ForgetDocument(doc);
  modelfiles::mdl_FreeDocument(doc);
  doc = model::doc_New();
  model::CurrentDocument = doc;
  vm().attachDocument(doc);
  ASSERT_EQ(modelfiles::mdl_LoadProjectPath(path("P.MDL"), 1), 1);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].text, "Error!   Fatal version conflict in library structure.");
  model::ProjectModule* m = nullptr;
  for (model::ProjectModule* p = doc->FirstModule; p; p = p->Next)
    if (std::strncmp(p->Name, "BADLIB", 6) == 0) m = p;
  ASSERT_NE(m, nullptr);
  model::GateTypeRecord* t = model::firstTypeOf(m);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->StepProc, nullptr) << "a placeholder type";
  EXPECT_EQ(t->StateCount, 2);
  model::LogicRecord* l = doc->FirstLogic;
  ASSERT_NE(l, nullptr);
  int gates = 0;
  for (model::GateRecord* g = l->FirstGate; g; g = g->Next) ++gates;
  EXPECT_EQ(gates, 2) << "the gates stay";
  // It steps (its gates run nothing) and saves.
  const std::string text = runSteps(doc, 1);
  EXPECT_EQ(text.find("link error"), std::string::npos) << text;
  EXPECT_EQ(modelfiles::mdl_SaveProjectAs(path("Q.MDL")), 1);

  // With the library mended the saved project opens with working gates.
  writeText(path("BADLIB.MCO"), std::string(good.begin(), good.end()));
  vm_ForgetDocument(doc);
  modelfiles::mdl_FreeDocument(doc);
  doc = model::doc_New();
  model::CurrentDocument = doc;
  vm().attachDocument(doc);
  sink->clear();
  ASSERT_EQ(modelfiles::mdl_LoadProjectPath(path("Q.MDL"), 1), 1);
  EXPECT_TRUE(sink->shown().empty());
  for (model::ProjectModule* p = doc->FirstModule; p; p = p->Next)
    if (std::strncmp(p->Name, "BADLIB", 6) == 0) {
      EXPECT_TRUE(vm().isLinked(p));
    }
}

// mdltool step on a project of compiled gates from the fixture library:
// CONST 2 into INTEG and GAIN 1.5, with times and values.
TEST_F(ThroughFiles, MdltoolStepRunsCompiledGates) {
  ASSERT_EQ(run(kBin + "/zasm " + std::string(ZERLO_TEST_DATA) + "/engine/fixlib.zas -o " + path("FIXLIB.MCO")), 0);
  model::LogicRecord* main = model::ge_NewLogic("MAIN");
  model::ProjectModule* lib = readLibrary("FIXLIB.MCO");
  ASSERT_NE(lib, nullptr);
  auto type = [&](const char* name) {
    for (model::GateTypeRecord* t = model::firstTypeOf(lib); t; t = t->Next)
      if (std::strncmp(t->Name, name, 16) == 0) return t;
    return static_cast<model::GateTypeRecord*>(nullptr);
  };
  model::GateRecord* c = place(main, type("CONST"), 50, 50);
  model::GateRecord* i = place(main, type("INTEG"), 150, 50);
  model::GateRecord* g = place(main, type("GAIN"), 150, 150);
  ASSERT_TRUE(c && i && g);
  c->Extra[0] = 2.0;
  g->Extra[0] = 1.5;
  for (model::GateInstance* in = main->FirstInstance; in; in = in->Next)
    if (in->ExtraValues && in->ExtraSlotCount) in->ExtraValues[0] = in == main->FirstInstance ? 2.0 : 1.5;
  ASSERT_TRUE(model::ge_ConnectGates(main, i, 1, c, 1, nullptr, nullptr));
  ASSERT_TRUE(model::ge_ConnectGates(main, g, 1, c, 1, nullptr, nullptr));
  main->StepBlock.interval = main->currentStep = main->previousStep = 0.1;
  main->StepBlock.maxIterations = 10;
  ASSERT_EQ(modelfiles::mdl_SaveProjectAs(path("P.MDL")), 1);

  ASSERT_EQ(run(kBin + "/mdltool step " + path("P.MDL") + " 5 >" + path("step.out") + " 2>" + path("step.err")), 0)
      << readText(path("step.err"));
  const std::string out = readText(path("step.out"));
  EXPECT_EQ(readText(path("step.err")), "");
  // The integration starts with the first step: 2 (t - 0.1).
  EXPECT_NE(out.find("step 1 t=0.1\n  G1 CONST: 2\n  G2 INTEG: 0\n  G3 GAIN: 3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("step 2 t=0.2\n  G1 CONST: 2\n  G2 INTEG: 0.2\n  G3 GAIN: 3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("step 5 t=0.5\n  G1 CONST: 2\n  G2 INTEG: 0.8\n  G3 GAIN: 3\n"), std::string::npos) << out;
}

} // namespace engine::test
