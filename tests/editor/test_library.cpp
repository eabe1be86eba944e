// Replacing a library module (command 274) and the states kept meanwhile.
#include "fixture.h"

#include "editor/context.h"
#include "editor/library.h"
#include "model/check.h"
#include "model/connections.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "modelfiles/selection.h"
#include "modelfiles/state.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;
using model::LogicRecord;
using model::ProjectModule;

class TestFiles : public modelfiles::FileServices {
public:
  std::string temp;
  std::deque<std::string> answers;
  bool fileDialog(modelfiles::FileDialog, const std::string&, std::string& chosen) override {
    if (answers.empty()) return false;
    chosen = answers.front();
    answers.pop_front();
    return true;
  }
  std::string tempDir() override { return temp; }
};

// The replace dialog chooses the module named `choose`.
class ReplaceDialog : public modelfiles::SelectionDialogs {
public:
  std::string choose;
  bool replaceLibraryDialog() override {
    std::string s;
    for (bool ok = modelfiles::ls_FirstModule(s); ok; ok = modelfiles::ls_NextModule(s))
      if (s == choose) {
        modelfiles::ls_SetLastChosen("");
        return true;
      }
    return false;
  }
};

class Library : public EditorFixture {
protected:
  TestFiles files;
  ReplaceDialog dialog;
  modelfiles::FileServices* prevFiles = nullptr;
  modelfiles::SelectionDialogs* prevDialogs = nullptr;
  std::string dir;
  LogicRecord* main = nullptr;
  LogicRecord* other = nullptr;

  void SetUp() override {
    EditorFixture::SetUp();
    static std::atomic<int> counter{0};
    dir = ::testing::TempDir() + "editor_library_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    files.temp = dir;
    prevFiles = modelfiles::setFileServices(&files);
    prevDialogs = modelfiles::setSelectionDialogs(&dialog);
    modelfiles::ProjectPath.clear();
    modelfiles::LibraryPath.clear();
    writeLibrary("LIBA.MDL", false);
    writeLibrary("LIBB.MDL", true);
    model::CurrentDocument = model::TemplateDocument;
    main = showLogic("&MAIN");
    other = model::ge_NewLogic("OTHER");
    std::memcpy(model::TemplateDocument->FirstModule->Name, "P.MDL", 5);
    model::TemplateDocument->ProjectLoaded = 1;
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_EQ(modelfiles::mdl_LoadProjectPath(dir + "/LIBA.MDL", 0), 1);
    model::CurrentDocument = model::TemplateDocument;
  }
  void TearDown() override {
    EditorFixture::TearDown();
    modelfiles::setFileServices(prevFiles);
    modelfiles::setSelectionDialogs(prevDialogs);
    modelfiles::ProjectPath.clear();
    modelfiles::LibraryPath.clear();
    std::filesystem::remove_all(dir);
  }

  // A library file with the logic SUB: an input A and an output Q (and an
  // output R in the second one).
  void writeLibrary(const std::string& name, bool second) {
    model::DocumentRecord* keep = model::CurrentDocument;
    model::DocumentRecord* d = model::doc_New();
    ASSERT_NE(d, nullptr);
    model::CurrentDocument = d;
    LogicRecord* sub = model::ge_NewLogic("SUB");
    shellFake.ports = {{true, "A", 7}, {true, "Q", 7}, {true, "R", 7}};
    GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(sub, model::kKindInput, nullptr, nullptr, 20, 20, g));
    EXPECT_TRUE(model::ge_CreateGateAsked(sub, model::kKindOutput, nullptr, nullptr, 200, 20, g));
    if (second) {
      EXPECT_TRUE(model::ge_CreateGateAsked(sub, model::kKindOutput, nullptr, nullptr, 200, 80, g));
    }
    shellFake.ports.clear();
    EXPECT_EQ(modelfiles::mdl_SaveProjectAs(dir + "/" + name), 1);
    model::CurrentDocument = nullptr;
    modelfiles::mdl_FreeDocument(d);
    model::CurrentDocument = keep;
  }

  ProjectModule* module(const char* name) {
    for (ProjectModule* m = model::TemplateDocument->FirstModule; m; m = m->Next)
      if (std::strncmp(m->Name, name, std::strlen(name)) == 0) return m;
    return nullptr;
  }
  GateRecord* callIn(LogicRecord* l) {
    for (GateRecord* g = l->FirstGate; g; g = g->Next)
      if (g->Kind == model::kKindCall) return g;
    return nullptr;
  }
  model::GateInstance* instanceOf(LogicRecord* l, GateRecord* g) {
    for (model::GateInstance* i = l->FirstInstance; i; i = i->Next)
      if (i->GateNumber == g->GateNumber) return i;
    return nullptr;
  }
  // An input gate driving a call of SUB in the logic.
  GateRecord* callWithSource(LogicRecord* l, GateRecord*& source) {
    model::CurrentDocument = model::TemplateDocument;
    LogicRecord* sub = model::firstLogicOf(module("LIBA.MDL"));
    EXPECT_NE(sub, nullptr);
    shellFake.ports = {{true, "I1", 7}};
    EXPECT_TRUE(model::ge_CreateGateAsked(l, model::kKindInput, nullptr, nullptr, 20, 100, source));
    GateRecord* call = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(l, model::kKindCall, sub, nullptr, 200, 100, call));
    EXPECT_TRUE(model::ge_ConnectGates(l, call, 1, source, 1, nullptr, nullptr));
    return call;
  }
  void expectSound() {
    for (const std::string& e : model::model_CheckDocument(*model::TemplateDocument)) ADD_FAILURE() << e;
  }
  int messages(int number) {
    int n = 0;
    for (const std::string& c : shellFake.calls) n += c == "msg " + std::to_string(number);
    return n;
  }
};

TEST_F(Library, ReplacingRebuildsTheCallsAndKeepsTheValues) {
  GateRecord* srcMain = nullptr;
  GateRecord* srcOther = nullptr;
  GateRecord* callMain = callWithSource(main, srcMain);
  callWithSource(other, srcOther);
  instanceOf(main, srcMain)->OutputValues[0] = 3.5;
  instanceOf(other, srcOther)->OutputValues[0] = -2.25;
  model::GateInstance* before = instanceOf(main, callMain);
  ASSERT_NE(before, nullptr);
  ASSERT_NE(before->Children, nullptr);
  before->Children->OutputValues[0] = 7.0;   // SUB's input A inside the call
  main->StepBlock.interval = 0.25;
  // A second window shows SUB of the old library as its level 2.
  model::DocumentRecord* second = doc_NewWindowDocument(*model::TemplateDocument);
  ASSERT_NE(second, nullptr);
  WorksheetWindowData* w2 = host.newWindow(kKindRunSheet, second);
  second->MacroLevel = 2;
  second->LevelLogics[1] = main;
  second->LevelLogics[2] = model::firstLogicOf(module("LIBA.MDL"));

  dialog.choose = "LIBA.MDL";
  files.answers = {dir + "/LIBB.MDL"};
  WorksheetWindowData* w = sheet();
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 274\nexpect result 0\nexpect changed 1\n")) << ::testing::PrintToString(run.failures);

  EXPECT_EQ(module("LIBA.MDL"), nullptr) << "the old module is gone";
  ProjectModule* fresh = module("LIBB.MDL");
  ASSERT_NE(fresh, nullptr);
  LogicRecord* newSub = model::firstLogicOf(fresh);
  for (LogicRecord* l : {main, other}) {
    GateRecord* call = callIn(l);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(model::subLogic(call), newSub) << "rebuilt from the new library";
    EXPECT_EQ(call->OutputCount, 2) << "with the new library's pins";
    EXPECT_EQ(call->Inputs[0].Source, l == main ? srcMain : srcOther) << "its wiring kept";
  }
  EXPECT_EQ(instanceOf(main, srcMain)->OutputValues[0], 3.5);
  EXPECT_EQ(instanceOf(other, srcOther)->OutputValues[0], -2.25);
  model::GateInstance* after = instanceOf(main, callIn(main));
  ASSERT_NE(after, nullptr);
  ASSERT_NE(after->Children, nullptr);
  EXPECT_EQ(after->Children->OutputValues[0], 7.0) << "the call's own values read back";
  EXPECT_EQ(main->StepBlock.interval, 0.25);
  EXPECT_EQ(main->StepBlock.simTime, -1.0);
  EXPECT_EQ(second->MacroLevel, 1) << "the level of the removed logic closed";
  EXPECT_EQ(second->LevelLogics[2], nullptr);
  EXPECT_EQ(messages(40019), 1);
  for (int id : {230, 231, 232, 251, 250, 252, 233}) EXPECT_FALSE(host.menuEnabled[id]) << id;
  EXPECT_EQ(host.menuEnabled.count(374), 0u) << "274 leaves item 374 alone";
  // The states lie in this instance's own folder below the temporary folder.
  const std::string states = st_Directory();
  EXPECT_EQ(states.rfind(dir, 0), 0u) << states;
  for (const char* name : {"TEMP.000", "TEMP.001", "TEMPMAIN.000"})
    EXPECT_TRUE(std::filesystem::exists(states + "/" + name)) << name;
  expectSound();

  // The second replacement shows no notice.
  dialog.choose = "LIBB.MDL";
  files.answers = {dir + "/LIBA.MDL"};
  EXPECT_TRUE(run.run("cmd 274\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(messages(40019), 1);
  EXPECT_EQ(module("LIBB.MDL"), nullptr);
  ASSERT_NE(module("LIBA.MDL"), nullptr);
  EXPECT_EQ(model::subLogic(callIn(main)), model::firstLogicOf(module("LIBA.MDL")));
  expectSound();
  (void)w2;
}

TEST_F(Library, NothingChosenChangesNothing) {
  GateRecord* src = nullptr;
  GateRecord* call = callWithSource(main, src);
  dialog.choose = "";
  ScriptRunner run(host, sheet());
  EXPECT_TRUE(run.run("cmd 274\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(callIn(main), call);
  EXPECT_NE(module("LIBA.MDL"), nullptr);
  EXPECT_EQ(messages(40019), 0);
  EXPECT_EQ(host.menuEnabled.count(230), 0u);
}

TEST_F(Library, AStateThatCannotBeKeptIsNotReadBack) {
  GateRecord* src = nullptr;
  callWithSource(main, src);
  model::GateInstance* in = instanceOf(main, src);
  in->OutputValues[0] = 1.5;
  main->StepBlock.interval = 0.5;
  ASSERT_TRUE(st_Save(main, StateSlot::Work));
  in->OutputValues[0] = 9.0;
  main->StepBlock.interval = 0.75;

  // No place for the live state: the kept state is not read at all.
  const std::string live = st_Path(StateSlot::WorkAfter);
  std::filesystem::create_directories(live);
  EXPECT_FALSE(st_RestoreKeepingLive(main, StateSlot::Work, StateSlot::WorkAfter));
  EXPECT_EQ(in->OutputValues[0], 9.0);
  std::filesystem::remove_all(live);

  // A cut file: the live state stays.
  const std::string work = st_Path(StateSlot::Work);
  std::filesystem::resize_file(work, 10);
  EXPECT_FALSE(st_RestoreKeepingLive(main, StateSlot::Work, StateSlot::WorkAfter));
  EXPECT_EQ(in->OutputValues[0], 9.0);
  EXPECT_EQ(main->StepBlock.interval, 0.75);

  // A missing file the same.
  std::filesystem::remove(work);
  EXPECT_FALSE(st_Restore(main, StateSlot::Work));
  EXPECT_FALSE(st_RestoreKeepingLive(main, StateSlot::Work, StateSlot::WorkAfter));
  EXPECT_EQ(in->OutputValues[0], 9.0);

  // A sound one is read.
  in->OutputValues[0] = 4.0;
  ASSERT_TRUE(st_Save(main, StateSlot::Work));
  in->OutputValues[0] = 5.0;
  EXPECT_TRUE(st_RestoreKeepingLive(main, StateSlot::Work, StateSlot::WorkAfter));
  EXPECT_EQ(in->OutputValues[0], 4.0);
}

TEST_F(Library, EveryEditorHasItsOwnStateFolderAndRemovesIt) {
  const std::string a = st_Directory();
  ASSERT_FALSE(a.empty());
  EXPECT_NE(std::filesystem::path(a).filename().string().find("zerlo-states-"), std::string::npos);
  ASSERT_TRUE(st_Save(main, StateSlot::Main));
  st_Release();
  EXPECT_FALSE(std::filesystem::exists(a));
  const std::string b = st_Directory();
  EXPECT_FALSE(b.empty());
  EXPECT_TRUE(std::filesystem::is_directory(b));
  st_Release();
}


// Save, save as and close (203, 207, 204).
TEST_F(Library, SaveLeavesThePasteBufferOutOfTheFile) {
  modelfiles::ProjectPath = dir + "/P.MDL";
  model::CurrentDocument = model::TemplateDocument;
  LogicRecord* buffer = model::ge_NewLogic(" %PasteBuffer");
  ASSERT_NE(buffer, nullptr);
  model::PasteDocument->PasteLogic = buffer;
  ctx().projectChanged = 1;
  ScriptRunner run(host, sheet());
  EXPECT_TRUE(run.run("cmd 203\nexpect result 0\nexpect changed 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::PasteDocument->PasteLogic, nullptr);
  for (LogicRecord* l = model::firstLogicOf(model::TemplateDocument->FirstModule); l; l = l->Next)
    EXPECT_STRNE(l->Name, " %PasteBuffer");
  std::ifstream in(dir + "/P.MDL", std::ios::binary);
  ASSERT_TRUE(in.good()) << "saved";
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(bytes.find("&MAIN"), std::string::npos);
  EXPECT_EQ(bytes.find("%PasteBuffer"), std::string::npos) << "the file never holds the paste buffer";
  expectSound();
}

TEST_F(Library, SaveAsClearsTheChangedByteOnlyWhenSaved) {
  modelfiles::ProjectPath = dir + "/P.MDL";
  ctx().projectChanged = 1;
  ScriptRunner run(host, sheet());
  files.answers = {};
  EXPECT_TRUE(run.run("cmd 207\nexpect changed 1\n")) << ::testing::PrintToString(run.failures);
  files.answers = {dir + "/Q.MDL"};
  EXPECT_TRUE(run.run("cmd 207\nexpect changed 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_TRUE(std::filesystem::exists(dir + "/Q.MDL"));
}

TEST_F(Library, CloseReleasesTheProjectEverywhere) {
  GateRecord* src = nullptr;
  callWithSource(main, src);
  model::PasteDocument->PasteLogic = model::ge_NewLogic(" %PasteBuffer");
  model::DocumentRecord* second = doc_NewWindowDocument(*model::TemplateDocument);
  ASSERT_NE(second, nullptr);
  host.newWindow(kKindSubByName, second);
  second->MacroLevel = 2;
  second->LevelLogics[1] = main;
  second->LevelLogics[2] = model::firstLogicOf(module("LIBA.MDL"));
  model::DocumentRecord* own = doc_NewWindowDocument(*model::TemplateDocument);
  ASSERT_NE(own, nullptr);
  WorksheetWindowData* w = host.newWindow(kKindSubByName, own);
  ctx().projectChanged = 1;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 204\nexpect result 0\nexpect changed 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(w->document, nullptr);
  EXPECT_EQ(model::TemplateDocument->FirstModule, nullptr);
  EXPECT_EQ(model::TemplateDocument->ProjectLoaded, 0);
  EXPECT_EQ(model::PasteDocument->PasteLogic, nullptr);
  EXPECT_EQ(model::PasteDocument->MenuWord, 1);
  EXPECT_FALSE(host.menuEnabled[374]);
  EXPECT_EQ(second->MacroLevel, 0) << "no level of the other window shows freed memory";
  EXPECT_EQ(second->LevelLogics[1], nullptr);
  EXPECT_EQ(second->FirstModule, nullptr);
}

// Open project (201).
TEST_F(Library, OpenProjectLoadsTheChosenFile) {
  ASSERT_EQ(modelfiles::mdl_SaveProjectAs(dir + "/P.MDL"), 1);
  ScriptRunner run(host, sheet());
  EXPECT_TRUE(run.run("cmd 204\n")) << ::testing::PrintToString(run.failures);
  ASSERT_EQ(model::TemplateDocument->FirstModule, nullptr);
  files.answers = {dir + "/P.MDL"};
  EXPECT_TRUE(run.run("cmd 201\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->ProjectLoaded, 1);
  model::DocumentRecord& t = *model::TemplateDocument;
  ASSERT_NE(fn_FindMainLogic(t), nullptr);
  EXPECT_NE(module("LIBA.MDL"), nullptr) << "with the library it uses";
  expectSound();
}

TEST_F(Library, AProjectThatCannotBeLoadedLeavesNothingBehind) {
  ScriptRunner run(host, sheet());
  EXPECT_TRUE(run.run("cmd 204\n")) << ::testing::PrintToString(run.failures);
  files.answers = {dir + "/BROKEN.MDL"};
  std::ofstream(dir + "/BROKEN.MDL").close();
  EXPECT_TRUE(run.run("cmd 201\nexpect result 9\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->FirstModule, nullptr) << "the main module the failed load named is released";
  EXPECT_EQ(model::TemplateDocument->ProjectLoaded, 0);
  EXPECT_EQ(model::PasteDocument->PasteLogic, nullptr);
}

} // namespace
} // namespace editor_test
