// The road across processes: the fixture libraries assembled by the zasm
// program, a project built through the model's operations and saved, its
// target program text written by "mdltool zcd" (equal to the text the writer
// gives in this process, the "$" task's cycle time kept by the file), compiled
// by the code generator against the description the named server fetched from
// the software PLC, downloaded through ONL32NS and run; the values watched
// through the server equal the engine's for the same number of cycles.
#include "fixture_document.h"

#include "cglink30/cglink30.h"
#include "engine/levels.h"
#include "modelfiles/compiled.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "srvclient/client.h"
#include "srvclient/launch.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace zcdtest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
const std::string kBin = ZERLO_BIN_DIR;

int run(const std::string& cmd) {
  const int st = std::system(cmd.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// EXTERNAL.MCO from the program's library directory.
class LibraryDirServices : public modelfiles::FileServices {
public:
  std::string libraryDir(int mode) override { return mode == 0 ? kBin + "/../LIB" : std::string(); }
};

std::string masked(std::string text) {
  const std::size_t a = text.find('\n');
  const std::size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
  if (b != std::string::npos) text.replace(a + 1, b - a - 1, "; DATE");
  return text;
}

TEST(Process, SavedProjectToTextByMdltoolAndToTheTargetThroughTheServer) {
  const fs::path dir = fs::path(testing::TempDir()) / ("zcd_proc_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string data = std::string(ZERLO_TEST_DATA) + "/zcdwriter/";
  for (const char* lib : {"zcdlib", "zcdseq"}) {
    std::string upper = lib;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(run(kBin + "/zasm " + data + lib + ".zas -o " + (dir / (upper + ".MCO")).string() + " >/dev/null"), 0);
  }

  LibraryDirServices files;
  modelfiles::FileServices* prevFiles = modelfiles::setFileServices(&files);
  const modelfiles::ModuleLinker prevLinker = modelfiles::setModuleLinker(engine::vm_LinkCode);
  std::string memText, toolText;
  model::GateRecord *cnt = nullptr, *add = nullptr;
  {
    // The libraries come from the files, as the project refers to them.
    FixtureDocument d(data, false);
    modelfiles::ProjectPath = (dir / "P.MDL").string();
    for (const char* f : {"ZCDLIB.MCO", "ZCDSEQ.MCO"}) {
      std::string bytes;
      ASSERT_TRUE(plat::path::readFile((dir / f).string(), bytes));
      model::ProjectModule* slot = nullptr;
      modelfiles::LoadStatus.clear();
      ASSERT_FALSE(modelfiles::mdl_ReadCompiledModule(slot, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                      bytes.size()));
    }
    auto typeIn = [&](const char* module, const char* name) -> model::GateTypeRecord* {
      for (model::ProjectModule* m = d.doc->FirstModule; m; m = m->Next)
        if (std::strcmp(m->Name, module) == 0)
          for (model::GateTypeRecord* t = model::firstTypeOf(m); t; t = t->Next)
            if (std::strncmp(t->Name, name, 16) == 0) return t;
      return nullptr;
    };
    ASSERT_TRUE(typeIn("ZCDSEQ", "STEP") && (typeIn("ZCDSEQ", "STEP")->Flags & model::kTypeParallelSequence));
    // Place blocks of the libraries read from the files.
    auto block = [&](model::LogicRecord* l, const char* type, std::vector<double> extra) {
      model::GateTypeRecord* t = typeIn(std::strcmp(type, "STEP") ? "ZCDLIB" : "ZCDSEQ", type);
      model::GateSpec s;
      s.kind = model::kKindCompiled;
      s.sub = t;
      s.inputCount = t->InputCount;
      s.outputCount = t->OutputCount;
      s.extraCount = t->ExtraCount;
      s.stateCount = t->StateCount;
      s.inputType = s.outputType = model::kTypeReal;
      s.allowShare = false;
      std::uint16_t seq = 0;
      model::GateRecord* g = nullptr;
      model::GateInstance* gi = nullptr;
      EXPECT_TRUE(model::ge_CreateGate(l, s, seq, g, gi));
      for (std::size_t k = 0; g && k < extra.size(); ++k) {
        g->Extra[k] = extra[k];
        d.inst(l, g)->ExtraValues[k] = extra[k];
      }
      return g;
    };
    cnt = block(d.main, "CNT", {20, 3, 150});
    model::GateRecord* gain = block(d.main, "GAIN", {21, 20, 2, 151});
    add = block(d.main, "ADD", {22, 20, 21});
    ASSERT_TRUE(d.wire(d.main, cnt, 1, gain, 1) && d.wire(d.main, cnt, 1, add, 1) && d.wire(d.main, gain, 1, add, 2));
    model::LogicRecord* task = model::ge_NewLogic("$FAST");
    block(task, "CNT", {23, 2, 152});
    ASSERT_NE(d.macro(d.main, task, 25), nullptr);
    model::LogicRecord* seq = model::ge_NewLogic("SEQ");
    block(seq, "CNT", {24, 1, 153});
    block(seq, "STEP", {});
    ASSERT_NE(d.macro(d.main, seq), nullptr);
    ASSERT_EQ(modelfiles::mdl_SaveProjectAs((dir / "P.MDL").string()), 1);

    zcd::WriterEnvironment& env = zcd::writerEnvironment();
    env.mainPath = [&] { return (dir / "MEM.Q").string(); };
    env.tempDir = [&] { return dir.string() + "/"; };
    d.doc->LevelInstances[1] = d.main->FirstInstance;
    ASSERT_TRUE(zcd::zcd_WriteProgram(*d.doc));
    memText = readFile((dir / "MEM.Q").string());

    // The text of the saved project, written by the tool.
    const std::string cmd = kBin + "/mdltool zcd " + (dir / "P.MDL").string() + " " + (dir / "PROG.Q").string() +
                            " >" + (dir / "zcd.out").string() + " 2>" + (dir / "zcd.err").string();
    ASSERT_EQ(run(cmd), 0) << readFile((dir / "zcd.err").string());
    toolText = readFile((dir / "PROG.Q").string());
    EXPECT_EQ(masked(toolText), masked(memText));
    EXPECT_NE(toolText.find(" T_ms  : 25\n"), std::string::npos) << "the cycle time survives the file";
    EXPECT_NE(toolText.find("&ABS\n"), std::string::npos);

    // Through the named server into the software PLC.
    const std::string name = "ZCD-" + std::to_string(::getpid());
    const std::string config = (dir / "INTERFACE.INI").string();
    std::string base;
    plat::path::readFile(kBin + "/INTERFACE.INI", base);
    ASSERT_TRUE(plat::path::writeFileAtomic(config, base));
    ASSERT_TRUE(plat::profile::writeString(config, name, "driver", "ZerloRuntime.dll"));
    ASSERT_TRUE(plat::profile::writeString(config, "SETTINGS", "CYCLETIME", "10"));
    const std::string endpoint = srv::findOrStart(kBin + "/ONL32NS.EXE", name, config);
    ASSERT_FALSE(endpoint.empty()) << "the server did not start";
    struct Shutdown {
      std::string e;
      ~Shutdown() { srv::shutdown(e); }
    } shutdown{endpoint};
    srv::Client c(endpoint);
    EXPECT_EQ(c.command("MODE", "CHECK"), 1);
    const std::string ddf = (dir / "TARGET.ATT").string();
    ASSERT_EQ(c.command("IDENT", ddf), 1);
    auto h = plat::lib::load("CGLINK30.DLL", kBin);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
    std::vector<std::string> args = {kBin + "/cglink30.so", (dir / "PROG.Q").string(), (dir / "PROG.LST").string(),
                                     ddf, (dir / "PROG.MVL").string(), (dir / "PROG.ERR").string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    auto link = plat::lib::symbolAs<link_advmain_t>(h, "link_advmain");
    CgAdvResult res{};
    const int ok = link ? link(static_cast<int>(argv.size()), argv.data(), &res) : 0;
    plat::lib::unload(h);
    ASSERT_EQ(ok, 1) << readFile(args[5]);
    ASSERT_EQ(res.errors, 0u) << readFile(args[5]);
    EXPECT_EQ(c.command("LOAD", args[4] + ",0,0,PROJ 10.12.26 14:05:09 1234 FF"), 1);
    EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
    EXPECT_EQ(c.command("COMM", "ON"), 1);
    c.query("DW20");
    c.query("DW22");
    // A reading of DW22 between two equal readings of DW20 belongs to the
    // same cycle count n = DW20 / 3.
    long n = -1, sum = 0;
    for (int i = 0; i < 200 && n <= 0; ++i) {
      std::this_thread::sleep_for(20ms);
      auto a = c.query("DW20");
      auto s = c.query("DW22");
      auto b = c.query("DW20");
      if (a && s && b && *a == *b && std::stol(*a) > 0) {
        n = std::stol(*a) / 3;
        sum = std::stol(*s);
        EXPECT_EQ(std::stol(*a) % 3, 0);
      }
    }
    ASSERT_GT(n, 0) << "no value watched through the server";
    // The engine's values after n cycles of the same diagram.
    model::LogicRecord* l = d.main;
    l->StepBlock.simTime = -1.0;
    l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
    l->StepBlock.maxIterations = 1;
    l->StepBlock.stepFlags = 0;
    l->currentStep = l->previousStep = 0.01;
    d.doc->SimLogic = l;
    d.doc->SimInstances = l->FirstInstance;
    d.doc->iterationCounter = 1;
    for (long k = 0; k < n; ++k) engine::ss_StepLevel(*d.doc);
    EXPECT_EQ(d.inst(l, cnt)->OutputValues[0], 3.0 * double(n));
    EXPECT_EQ(d.inst(l, add)->OutputValues[0], double(sum));
    engine::vm_ForgetDocument(d.doc);
  }
  modelfiles::setModuleLinker(prevLinker);
  modelfiles::setFileServices(prevFiles);
  fs::remove_all(dir);
}

} // namespace
} // namespace zcdtest
