#pragma once
// A model document with fake shell, editor and file services, the scripted
// UI sink and a private temporary directory; and the sample project that the
// file tests save and load.
#include "model/check.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/dump.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace modelfiles::test {

using namespace model;

class FakeFileServices : public FileServices {
public:
  std::string temp;
  std::vector<std::string> libraryDirs;
  std::deque<std::string> answers;   // chosen names; "" cancels; empty: no file
  std::vector<std::pair<FileDialog, std::string>> asked;
  std::size_t libraryIndex = 0;
  bool fileDialog(FileDialog service, const std::string& pattern, std::string& chosen) override {
    asked.emplace_back(service, pattern);
    if (answers.empty()) return false;
    chosen = answers.front();
    answers.pop_front();
    return !chosen.empty();
  }
  std::string tempDir() override { return temp; }
  std::string libraryDir(int mode) override {
    if (mode == 0) libraryIndex = 0;
    if (mode == 2) return {};
    return libraryIndex < libraryDirs.size() ? libraryDirs[libraryIndex++] : std::string();
  }
};

inline std::string uniqueDir(const std::string& tag) {
  static std::atomic<int> counter{0};
  const std::string d = ::testing::TempDir() + "mdlfiles_" + tag + "_" + std::to_string(::getpid()) + "_" +
                        std::to_string(counter++);
  std::filesystem::remove_all(d);
  std::filesystem::create_directories(d);
  return d;
}

class FilesFixture : public ::testing::Test {
protected:
  FakeShell shellFake;
  FakeEditor editorFake;
  FakeFileServices files;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  std::unique_ptr<plat::ui::ScopedSink> scopedSink;
  ShellServices* prevShell = nullptr;
  EditorServices* prevEditor = nullptr;
  FileServices* prevFiles = nullptr;
  DocumentRecord* doc = nullptr;
  std::string dir;
  std::size_t bytesBefore = 0;

  void SetUp() override {
    prevShell = setShell(&shellFake);
    prevEditor = setEditor(&editorFake);
    prevFiles = setFileServices(&files);
    scopedSink = std::make_unique<plat::ui::ScopedSink>(sink);
    mm_UnitInit();
    bytesBefore = mm_BytesInUse();
    KeepInstances = 1;
    AttachPlacement = 1;
    DefaultVectorDimension = 1;
    DefaultWordWidth = 2;
    ASSERT_TRUE(doc_StartUp());
    doc = doc_New();
    ASSERT_NE(doc, nullptr);
    CurrentDocument = doc;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = uniqueDir(std::string(info->name()));
    files.temp = dir;
    ProjectPath.clear();
    LibraryPath.clear();
    LoadStatus.clear();
    FileCommandCode = 0;
  }
  void TearDown() override {
    CurrentDocument = nullptr;
    mdl_FreeDocument(doc);
    mdl_FreeDocumentCode(TemplateDocument);
    doc_ShutDown();
    EXPECT_EQ(mm_BytesInUse(), bytesBefore) << "blocks left behind";
    EXPECT_EQ(gem_OpenCount(), 0) << "file handles left open";
    setShell(prevShell);
    setEditor(prevEditor);
    setFileServices(prevFiles);
    scopedSink.reset();
    std::filesystem::remove_all(dir);
  }

  // A fresh current document (the old one is released).
  void newDocument() {
    CurrentDocument = nullptr;
    mdl_FreeDocument(doc);
    doc = doc_New();
    CurrentDocument = doc;
  }

  std::string path(const std::string& name) const { return dir + "/" + name; }

  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& s : sink->shown()) out.push_back(s.text);
    return out;
  }
  // A box with this text, alone or as its first line (file messages name
  // the file and the reason on the next line).
  bool shown(const char* text) const {
    const std::string first = std::string(text) + "\n";
    for (const auto& s : sink->shown())
      if (s.text == text || s.text.rfind(first, 0) == 0) return true;
    return false;
  }
  // The whole text of the first box that begins with this line ("" when none).
  std::string boxText(const char* firstLine) const {
    const std::string first = std::string(firstLine) + "\n";
    for (const auto& s : sink->shown())
      if (s.text == firstLine || s.text.rfind(first, 0) == 0) return s.text;
    return {};
  }

  void expectSound() {
    for (auto& e : model_CheckDocument(*doc)) ADD_FAILURE() << e;
  }

  GateRecord* make(LogicRecord* l, std::uint8_t kind, int x = 100, int y = 100, void* sub = nullptr,
                   GateRecord* attachedTo = nullptr) {
    GateRecord* g = nullptr;
    EXPECT_TRUE(ge_CreateGateAsked(l, kind, sub, attachedTo, x, y, g)) << "kind " << int(kind);
    return g;
  }

  WirePoint* wire(std::initializer_list<std::pair<int, int>> pts) {
    WirePoint* head = nullptr;
    WirePoint* last = nullptr;
    for (auto [x, y] : pts) {
      WirePoint* p = nullptr;
      EXPECT_TRUE(mm_New(p));
      p->X = std::int16_t(x);
      p->Y = std::int16_t(y);
      if (last) last->Next = p; else head = p;
      last = p;
    }
    return head;
  }

  static McoModule sampleLibrary(const std::string& name = "BLK") {
    McoModule m;
    m.name = name;
    McoType t;
    t.name = "ADDER";
    t.extraCount = 2;
    t.stateCount = 1;
    t.variableCount = 1;
    t.flags = 0x40;
    t.inputs = {TypePinRow{-5, 10, 2, kTypeReal, {1, 2, 3, 4, 5, 6, 7, 8}},
                TypePinRow{-5, 30, 2, kTypeReal, {}}};
    t.outputs = {TypePinRow{45, 20, 1, kTypeReal, {9}}};
    t.paramFields.assign(48, 0x11);
    t.variableTable = {1, 2, 3, 4, 5, 6, 7, 8};
    t.step = {0xAA, 0xBB, 0xCC, 0xDD};
    t.procs[0] = {1, 2};
    t.procs[5] = {3};
    m.types.push_back(t);
    McoType u = t;
    u.name = "GAIN";
    u.inputs.resize(1);
    u.extraCount = 1;
    m.types.push_back(u);
    m.code = {0x10, 0, 0, 0, 0x20, 0x21};
    m.variableSize = 16;
    m.constants = {7, 7, 7};
    m.linkBlock = {1, 2, 3};
    return m;
  }

  void writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    // Plain writes (the bad-file tests write thousands of files); the old
    // file is removed first, so that no truncation forces a flush.
    std::filesystem::remove(path(name));
    std::ofstream f(path(name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(f.good());
  }
  std::vector<std::uint8_t> readBytes(const std::string& name) {
    std::string s;
    EXPECT_TRUE(plat::path::readFile(path(name), s));
    return std::vector<std::uint8_t>(s.begin(), s.end());
  }

  // Rebuilds every instance list of the main module from the current gates.
  void rebuildInstances() {
    for (LogicRecord* l = firstLogicOf(doc->FirstModule); l; l = l->Next) {
      inst_FreeList(l->FirstInstance);
      GateInstance* last = nullptr;
      for (GateRecord* g = l->FirstGate; g; g = g->Next) {
        GateInstance* gi = nullptr;
        ASSERT_TRUE(ge_RebuildInstance(l, g, gi));
        if (last) last->Next = gi; else l->FirstInstance = gi;
        last = gi;
      }
      ge_LinkInstanceInputs(l, l->FirstInstance);
    }
  }

  // Distinct values in every instance slot, at every depth.
  static void fillValues(GateInstance* head, double& v) {
    for (GateInstance* gi = head; gi; gi = gi->Next) {
      for (unsigned i = 0; i < gi->InputSlotCount; ++i) gi->InputValues[i] = (v += 0.5);
      for (unsigned i = 0; i < gi->OutputSlotCount; ++i) gi->OutputValues[i] = (v += 0.25);
      for (unsigned i = 0; i < gi->ExtraSlotCount; ++i) gi->ExtraValues[i] = (v += 1.0);
      for (unsigned i = 0; i < gi->StateSlotCount; ++i) gi->StateValues[i] = (v += 2.0);
      gi->RunFields[0] = std::uint8_t(v);
      gi->RunFields[64] = 0x5A;
      fillValues(gi->Children, v);
    }
  }

  // The sample project: several logics, calls two levels deep, wires with
  // branches, every kind of pin type, extras, a Text gate, markers, ports and
  // a gate of a block library (BLK.MCO, written into the test directory).
  void buildSample(bool withLibrary = true) {
    GateTypeRecord* adder = nullptr;
    if (withLibrary) {
      const auto mco = mdl_EncodeCompiledModule(sampleLibrary());
      writeBytes("BLK.MCO", mco);
      ProjectModule* slot = nullptr;
      // The main module comes first.
      doc_MainModule(*doc);
      std::memcpy(doc->FirstModule->Name, "SAMPLE.MDL", 10);
      ASSERT_FALSE(mdl_ReadCompiledModule(slot, mco.data(), mco.size()));
      adder = firstTypeOf(slot);
      ASSERT_NE(adder, nullptr);
      std::memcpy(slot->VariableBlock, "\x01\x02\x03", 3);
    }
    LogicRecord* deep = ge_NewLogic("DEEP");
    std::memcpy(doc->FirstModule->Name, "SAMPLE.MDL", 10);
    shellFake.ports = {{true, "DIN", 0}, {true, "DOUT", 0}};
    GateRecord* din = make(deep, kKindOutput, 0, 0);
    shellFake.integers = {2};
    GateRecord* andg = make(deep, kKindAnd, 100, 0);
    make(deep, kKindInput, 300, 0);
    ASSERT_TRUE(ge_ConnectGates(deep, andg, 1, din, 1, nullptr, wire({{10, 0}, {50, 0}, {50, 20}, {90, 20}})));

    LogicRecord* mid = ge_NewLogic("MID");
    GateRecord* dcall = make(mid, kKindCall, 50, 50, deep);
    make(mid, kKindText, 0, 200);
    GateRecord* sine = make(mid, 30, 0, 50);
    ASSERT_NE(dcall, nullptr);
    (void)sine;

    LogicRecord* empty = ge_NewLogic("EMPTY");
    (void)empty;

    LogicRecord* main = ge_NewLogic("MAIN");
    GateRecord* mcall = make(main, kKindCall, 400, 400, mid);
    ASSERT_NE(mcall, nullptr);
    shellFake.integers = {2};
    GateRecord* a = make(main, kKindAnd, 0, 0);
    shellFake.integers = {2};
    GateRecord* b = make(main, kKindAnd, 100, 0);
    shellFake.integers = {2};
    GateRecord* c = make(main, kKindAnd, 100, 100);
    ASSERT_TRUE(ge_ConnectGates(main, b, 1, a, 1, nullptr, wire({{40, 20}, {70, 20}, {70, 10}, {100, 10}})));
    ASSERT_TRUE(ge_ConnectGates(main, c, 2, a, 1, b, wire({{70, 15}, {70, 110}, {100, 110}})));
    b->Inputs[1].Flags = kPinNegated | kPinAppliedNegation;
    DefaultVectorDimension = 3;
    GateRecord* def = make(main, kKindDefineMarker, 500, 0);
    make(main, kKindSetMarker, 600, 0, def);
    make(main, kKindReferenceMarker, 700, 0, def);
    DefaultVectorDimension = 1;
    if (adder) {
      GateRecord* cg = make(main, kKindCompiled, 300, 300, adder);
      ASSERT_NE(cg, nullptr);
      ASSERT_EQ(cg->Kind, kKindCompiled);
      for (unsigned i = 0; i < cg->ExtraCount; ++i) cg->Extra[i] = 1.5 * (i + 1);
    }
    // Every class of pin type on the inputs of one gate (types 0 .. 83).
    shellFake.integers = {8};
    GateRecord* types = make(main, kKindOr, 800, 800);
    ASSERT_EQ(types->InputCount, 8);
    const PinSignalType all[8] = {0, 1, 2, 16, 17, 18, 20, 83};
    for (unsigned i = 0; i < 8; ++i) types->Inputs[i].Type = all[i];
    types->Outputs[0].Type = 23;
    types->Selected = 1;
    types->AuxByte = 7;
    types->SequenceNumber = 0x1234;
    main->AuxLong = 0xDEADBEEF;
    std::memcpy(main->Text2, "second text", 11);
    main->Further[0] = 1;
    main->Further[67] = 0xFF;
    main->StepBlock.simTime = 12.25;
    rebuildInstances();
    double v = 0.0;
    for (LogicRecord* l = firstLogicOf(doc->FirstModule); l; l = l->Next) fillValues(l->FirstInstance, v);
    ProjectPath = path("SAMPLE.MDL");
  }

  int load(const std::string& name, int openProject) { return mdl_LoadProjectPath(path(name), openProject); }
};

} // namespace modelfiles::test
