// Block libraries through files and programs: a library assembled by the zasm
// program calls an extern through EXTERNAL.MCO of the program's library
// directory, a project uses it, and "mdltool step" shows the extern's effect.
#include "engine/services.h"
#include "engine/vm.h"

#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"

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
    s.inputType = t->InputCount ? t->InputPins[0].Type : model::kTypeReal;
    s.outputType = t->OutputCount ? t->OutputPins[0].Type : model::kTypeReal;
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
