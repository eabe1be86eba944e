// Library modules: plain ones (".MDL") and block libraries (".MCO"), loaded
// directly or as the modules a project refers to.
#include "files_fixture.h"

namespace modelfiles::test {
namespace {

class Libraries : public FilesFixture {
protected:
  // LIB.MDL with the logic LIBL (an And gate between an Input and an Output).
  void writeLibrary(const char* logicName = "LIBL", const std::string& where = std::string()) {
    newDocument();
    LogicRecord* l = ge_NewLogic(logicName);
    shellFake.ports = {{true, "A", 0}, {true, "Q", 0}};
    GateRecord* in = make(l, kKindOutput, 0, 0);
    shellFake.integers = {2};
    GateRecord* g = make(l, kKindAnd, 100, 0);
    make(l, kKindInput, 200, 0);
    EXPECT_TRUE(ge_ConnectGates(l, g, 1, in, 1, nullptr, nullptr));
    ASSERT_EQ(mdl_SaveProjectAs(where.empty() ? path("LIB.MDL") : where), 1);
    newDocument();
  }
  // P.MDL: MAIN calls LIBL of LIB.MDL.
  void writeProject() {
    ASSERT_EQ(load("LIB.MDL", 0), 1) << testing::PrintToString(messages());
    ProjectModule* lib = doc->FirstModule;
    ASSERT_NE(lib, nullptr);
    // Loading a library into an empty document makes it the first module;
    // a project has its own module first.
    newDocument();
    LogicRecord* main = ge_NewLogic("MAIN");
    std::memcpy(doc->FirstModule->Name, "P.MDL", 5);
    ASSERT_EQ(load("LIB.MDL", 0), 1) << testing::PrintToString(messages());
    ProjectModule* m2 = doc->FirstModule->Next;
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(std::string(m2->Name, 7), "LIB.MDL");
    LogicRecord* libl = firstLogicOf(m2);
    ASSERT_NE(libl, nullptr);
    GateRecord* call = make(main, kKindCall, 50, 50, libl);
    ASSERT_NE(call, nullptr);
    ASSERT_EQ(mdl_SaveProjectAs(path("P.MDL")), 1);
    (void)lib;
    newDocument();
    sink->clear();
  }
};

TEST_F(Libraries, ProjectLoadsTheLibrariesItUses) {
  writeLibrary();
  writeProject();
  ASSERT_EQ(load("P.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
  ProjectModule* lib = doc->FirstModule->Next;
  ASSERT_NE(lib, nullptr);
  LogicRecord* libl = firstLogicOf(lib);
  ASSERT_NE(libl, nullptr);
  EXPECT_NE(libl->FirstGate, nullptr) << "filled from LIB.MDL";
  GateRecord* call = firstLogicOf(doc->FirstModule)->FirstGate;
  EXPECT_EQ(subLogic(call), libl);
  GateInstance* ci = firstLogicOf(doc->FirstModule)->FirstInstance;
  ASSERT_NE(ci->Children, nullptr) << "the call's instances mirror the library logic";
  expectSound();
}

TEST_F(Libraries, LibraryIsFoundAlongTheLibraryPaths) {
  const std::string libDir = dir + "/libs";
  std::filesystem::create_directories(libDir);
  writeLibrary();
  writeProject();
  std::filesystem::rename(path("LIB.MDL"), libDir + "/lib.mdl");   // case ignored
  files.libraryDirs = {dir + "/nothing", libDir};
  ASSERT_EQ(load("P.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_NE(firstLogicOf(doc->FirstModule->Next)->FirstGate, nullptr);
}

TEST_F(Libraries, MissingLibraryAsksAndRefusesTheProject) {
  writeLibrary();
  writeProject();
  std::filesystem::remove(path("LIB.MDL"));
  EXPECT_EQ(load("P.MDL", 1), -1);
  const auto shownBoxes = messages();
  ASSERT_GE(shownBoxes.size(), 2u);
  EXPECT_EQ(shownBoxes[0], "File LIB.MDL could not be found.\nEnter new path?");
  EXPECT_TRUE(shown("Error!   File cannot be loaded."));
  ASSERT_EQ(files.asked.size(), 1u) << "Yes opened the selector";
  EXPECT_EQ(doc->FirstModule->List, nullptr) << "nothing of the half-read project stays";
  EXPECT_EQ(doc->FirstModule->Next, nullptr);
}

TEST_F(Libraries, LogicGoneFromTheLibraryUnlinksItsCalls) {
  writeLibrary();
  writeProject();
  writeLibrary("RENAMED");
  ASSERT_EQ(load("P.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_TRUE(shown("Subprogram call-up is being deleted!"));
  EXPECT_TRUE(shown("Error!   Version conflict in loaded data or library."));
  EXPECT_EQ(firstLogicOf(doc->FirstModule)->FirstGate, nullptr);
  expectSound();
}

TEST_F(Libraries, SameLibraryTwiceIsRefused) {
  writeLibrary();
  LogicRecord* main = ge_NewLogic("MAIN");
  (void)main;
  files.answers = {"LIB.MDL", "LIB.MDL"};
  ProjectPath = path("P.MDL");
  ASSERT_EQ(mdl_LoadProjectFile(0), 1) << testing::PrintToString(messages());
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].second, dir + "/*.M*");
  const std::string before = mdl_DumpDocument(*doc);
  EXPECT_EQ(mdl_LoadProjectFile(0), 0);
  EXPECT_TRUE(shown("Warning!   Function block library has already been loaded."));
  EXPECT_EQ(mdl_DumpDocument(*doc), before);
}

TEST_F(Libraries, BlockLibraryReadTwiceKeepsItsTypesAndVariables) {
  auto mco = sampleLibrary();
  auto bytes = mdl_EncodeCompiledModule(mco);
  ge_NewLogic("MAIN");
  ProjectModule* slot = nullptr;
  ASSERT_FALSE(mdl_ReadCompiledModule(slot, bytes.data(), bytes.size()));
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(doc->LastModule, slot);
  EXPECT_EQ(slot->Loaded, 1u);
  GateTypeRecord* adder = firstTypeOf(slot);
  ASSERT_NE(adder, nullptr);
  EXPECT_STREQ(adder->Name, "ADDER");
  EXPECT_EQ(adder->Module, slot);
  EXPECT_EQ(adder->InputPins[0].Carried[7], 8);
  EXPECT_EQ(static_cast<std::uint8_t*>(adder->StepProc)[3], 0xDD);
  EXPECT_EQ(mdl_VariableTableSize(adder), 8u);
  EXPECT_EQ(slot->VariableBlockSize, 16u);
  static_cast<std::uint8_t*>(slot->VariableBlock)[0] = 42;
  GateTypeRecord* gain = adder->Next;
  // A second read: same records, variables kept; a new type is appended.
  McoType extra = mco.types[0];
  extra.name = "NEWTYPE";
  mco.types.push_back(extra);
  mco.loaded = 0;
  bytes = mdl_EncodeCompiledModule(mco);
  ASSERT_FALSE(mdl_ReadCompiledModule(slot, bytes.data(), bytes.size()));
  EXPECT_EQ(firstTypeOf(slot), adder);
  EXPECT_EQ(adder->Next, gain);
  ASSERT_NE(gain->Next, nullptr);
  EXPECT_STREQ(gain->Next->Name, "NEWTYPE");
  EXPECT_EQ(static_cast<std::uint8_t*>(slot->VariableBlock)[0], 42);
  // A new variable size starts the variables afresh.
  mco.variableSize = 32;
  bytes = mdl_EncodeCompiledModule(mco);
  ASSERT_FALSE(mdl_ReadCompiledModule(slot, bytes.data(), bytes.size()));
  EXPECT_EQ(slot->VariableBlockSize, 32u);
  EXPECT_EQ(static_cast<std::uint8_t*>(slot->VariableBlock)[0], 0);
}

TEST_F(Libraries, BlockLibraryFailures) {
  ge_NewLogic("MAIN");
  struct Case {
    const char* what;
    void (*change)(McoModule&);
    bool MdlLoadStatus::*flag;
  } cases[] = {
      {"other name", [](McoModule& m) { m.name = "OTHER"; }, &MdlLoadStatus::nameConflict},
      {"native step procedure", [](McoModule& m) { m.types[0].step.clear(); }, &MdlLoadStatus::versionConflict},
  };
  for (const Case& c : cases) {
    ProjectModule* slot = nullptr;
    auto good = mdl_EncodeCompiledModule(sampleLibrary("BLK"));
    LoadStatus.clear();
    ASSERT_FALSE(mdl_ReadCompiledModule(slot, good.data(), good.size()));
    McoModule m = sampleLibrary("BLK");
    c.change(m);
    auto bytes = mdl_EncodeCompiledModule(m);
    LoadStatus.clear();
    EXPECT_TRUE(mdl_ReadCompiledModule(slot, bytes.data(), bytes.size())) << c.what;
    EXPECT_TRUE(LoadStatus.*c.flag) << c.what;
    for (GateTypeRecord* t = firstTypeOf(slot); t; t = t->Next) mdl_FreeTypeCode(t);
    ge_DeleteModule(slot);
  }
  // Pin tables that disagree with the counts, and every truncation.
  auto good = mdl_EncodeCompiledModule(sampleLibrary("TRUNC"));
  for (std::size_t n = 0; n < good.size(); ++n) {
    ProjectModule* slot = nullptr;
    LoadStatus.clear();
    EXPECT_TRUE(mdl_ReadCompiledModule(slot, good.data(), n)) << n;
    EXPECT_TRUE(LoadStatus.fileError) << n;
    for (GateTypeRecord* t = firstTypeOf(slot); t; t = t->Next) mdl_FreeTypeCode(t);
    ge_DeleteModule(slot);
  }
}

TEST_F(Libraries, BlockLibraryLoadedThroughTheSelector) {
  ge_NewLogic("MAIN");
  writeBytes("BLK.MCO", mdl_EncodeCompiledModule(sampleLibrary()));
  files.answers = {"BLK.MCO"};
  ProjectPath = path("P.MDL");
  ASSERT_EQ(mdl_LoadProjectFile(0), 1) << testing::PrintToString(messages());
  ASSERT_NE(doc->FirstModule->Next, nullptr);
  EXPECT_TRUE(isCompiled(doc->FirstModule->Next));
  EXPECT_EQ(LoadedModuleTable.count, 0) << "a block library by itself adds no row";
  writeBytes("LONGNAMEX.MCO", mdl_EncodeCompiledModule(sampleLibrary("LONGNAMEX")));
  files.answers = {"LONGNAMEX.MCO"};
  sink->clear();
  EXPECT_EQ(mdl_LoadProjectFile(0), 0) << "a name beyond 8 characters is refused";
  EXPECT_EQ(sink->shown().size(), 1u);
}

TEST_F(Libraries, ChangedGateTypeAdaptsTheProjectsGates) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  McoModule m = sampleLibrary();
  m.types[0].stateCount = 3;
  m.types[0].extraCount = 4;
  writeBytes("BLK.MCO", mdl_EncodeCompiledModule(m));
  newDocument();
  sink->clear();
  ASSERT_EQ(load("SAMPLE.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_TRUE(shown("Error!   Version conflict in loaded data or library."));
  GateRecord* cg = nullptr;
  for (LogicRecord* l = firstLogicOf(doc->FirstModule); l; l = l->Next)
    for (GateRecord* g = l->FirstGate; g; g = g->Next)
      if (g->Kind == kKindCompiled) cg = g;
  ASSERT_NE(cg, nullptr);
  EXPECT_EQ(cg->StateCount, 3);
  EXPECT_EQ(cg->ExtraCount, 4);
  expectSound();
}

TEST_F(Libraries, BlockLibraryReferencesOtherBlockLibraries) {
  ge_NewLogic("MAIN");
  McoModule sub = sampleLibrary("SUBLIB");
  writeBytes("SUBLIB.MCO", mdl_EncodeCompiledModule(sub));
  McoModule top = sampleLibrary("TOP");
  top.references = {"SUBLIB"};
  writeBytes("TOP.MCO", mdl_EncodeCompiledModule(top));
  ProjectPath = path("P.MDL");
  ASSERT_EQ(load("TOP.MCO", 0), 1) << testing::PrintToString(messages());
  int compiled = 0;
  for (ProjectModule* mm = doc->FirstModule; mm; mm = mm->Next)
    if (isCompiled(mm)) {
      ++compiled;
      EXPECT_NE(mm->Loaded, 0u);
    }
  EXPECT_EQ(compiled, 2);
}

// Connections of the main module's logics.
int countConnections(const DocumentRecord* d) {
  int n = 0;
  for (LogicRecord* l = firstLogicOf(d->FirstModule); l; l = l->Next)
    for (GateRecord* g = l->FirstGate; g; g = g->Next)
      for (unsigned i = 0; i < g->InputCount; ++i) n += g->Inputs[i].Source != nullptr;
  return n;
}

// A library file cut short while the project is opened: the project keeps the
// library's gates, their connections and their values as placeholders, says
// so, and a save asks first (No writes nothing). Opened again with the whole
// library, the project has everything it had.
TEST_F(Libraries, DamagedLibraryKeepsTheGatesAndTheirConnections) {
  struct Case {
    const char* library;
    bool compiled;
  };
  for (const Case c : {Case{"BLK.MCO", true}, Case{"LIB.MDL", false}}) {
    SCOPED_TRACE(c.library);
    newDocument();
    LogicRecord* main = nullptr;
    GateRecord *a = nullptr, *b = nullptr;
    if (c.compiled) {
      writeBytes("BLK.MCO", mdl_EncodeCompiledModule(sampleLibrary()));
      doc_MainModule(*doc);
      ProjectModule* slot = nullptr;
      const auto mco = readBytes("BLK.MCO");
      ASSERT_FALSE(mdl_ReadCompiledModule(slot, mco.data(), mco.size()));
      main = ge_NewLogic("MAIN");
      a = make(main, kKindCompiled, 0, 0, firstTypeOf(slot));
      b = make(main, kKindCompiled, 200, 0, firstTypeOf(slot));
      ASSERT_TRUE(ge_ConnectGates(main, b, 1, a, 1, nullptr, nullptr));
      ASSERT_TRUE(ge_ConnectGates(main, b, 2, a, 1, nullptr, nullptr));
    } else {
      writeLibrary();
      main = ge_NewLogic("MAIN");
      ASSERT_EQ(load("LIB.MDL", 0), 1) << testing::PrintToString(messages());
      LogicRecord* libl = firstLogicOf(doc->FirstModule->Next);
      a = make(main, kKindCall, 0, 0, libl);
      b = make(main, kKindCall, 200, 0, libl);
      ASSERT_TRUE(ge_ConnectGates(main, b, 1, a, 1, nullptr, nullptr));
    }
    std::memcpy(doc->FirstModule->Name, "P.MDL\0", 6);
    const int connections = countConnections(doc);
    ASSERT_EQ(mdl_SaveProjectAs(path("P.MDL")), 1);
    const auto saved = readBytes("P.MDL");
    const auto library = readBytes(c.library);
    writeBytes(c.library, std::vector<std::uint8_t>(library.begin(), library.begin() + library.size() / 2));

    newDocument();
    sink->clear();
    ASSERT_EQ(load("P.MDL", 1), 1) << testing::PrintToString(messages());
    EXPECT_TRUE(shown("File error!")) << testing::PrintToString(messages());
    EXPECT_FALSE(shown("Incompatibility !   Deletion of lines or connecting."));
    EXPECT_FALSE(shown("Subprogram call-up is being deleted!"));
    const std::vector<std::string> kept = {c.library};
    EXPECT_EQ(mdl_MissingLibraries(*doc), kept);
    EXPECT_EQ(countConnections(doc), connections);
    EXPECT_NE(messages().back().find(std::string("The library ") + c.library + " was not loaded"), std::string::npos)
        << testing::PrintToString(messages());

    // The save asks; No (also the answer without a user) writes nothing.
    sink->clear();
    sink->answerBox(plat::ui::IDNO);
    EXPECT_EQ(mdl_SaveProjectAs(path("P.MDL")), 0);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("Save the project anyway?"), std::string::npos);
    EXPECT_EQ(readBytes("P.MDL"), saved);
    sink->answerBox(plat::ui::IDYES);
    ASSERT_EQ(mdl_SaveProjectAs(path("P.MDL")), 1);

    writeBytes(c.library, library);
    newDocument();
    sink->clear();
    ASSERT_EQ(load("P.MDL", 1), 1) << testing::PrintToString(messages());
    EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
    EXPECT_TRUE(mdl_MissingLibraries(*doc).empty());
    EXPECT_EQ(countConnections(doc), connections);
    expectSound();
  }
}

} // namespace
} // namespace modelfiles::test
