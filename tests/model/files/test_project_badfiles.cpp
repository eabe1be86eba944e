// Bad project files are refused with the load's status and message and
// leave the open document as it was.
#include "files_fixture.h"

#include "modelfiles/recordio.h"

namespace modelfiles::test {
namespace {

class ProjectBadFiles : public FilesFixture {
protected:
  // One logic "L" with two And gates, the first feeding the second.
  std::vector<std::uint8_t> tinyProject() {
    LogicRecord* l = ge_NewLogic("L");
    std::memcpy(doc->FirstModule->Name, "TINY.MDL", 8);
    shellFake.integers = {2, 2};
    GateRecord* a = make(l, kKindAnd, 0, 0);
    GateRecord* b = make(l, kKindAnd, 100, 0);
    EXPECT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, wire({{40, 20}, {100, 20}})));
    auto bytes = mdl_EncodeProject(*doc);
    newDocument();
    return bytes;
  }
  // An open project that a failed load must leave alone.
  void openOther() {
    LogicRecord* l = ge_NewLogic("OTHER");
    std::memcpy(doc->FirstModule->Name, "OTHER.MDL", 9);
    shellFake.integers = {2};
    make(l, kKindOr, 10, 10);
  }
  static void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { putU16(b.data() + at, v); }
  static void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { putU32(b.data() + at, v); }
};

// Offsets in the tiny project: header 12, module header 24, logic 236, then
// gate 1 (68 + 2 x 20 + 6) and gate 2 with its wire; the value tree (two
// records of 107 bytes and the end mark) closes the file.
constexpr std::size_t kLogic = 36;
constexpr std::size_t kGate1 = kLogic + 236;
constexpr std::size_t kGate2 = kGate1 + 68 + 40 + 6;

TEST_F(ProjectBadFiles, TinyProjectLayoutIsAsExpected) {
  auto bytes = tinyProject();
  EXPECT_EQ(getU32(bytes.data()), 7777777u);
  EXPECT_EQ(getU32(bytes.data() + 4), 3333333u);
  EXPECT_EQ(getU32(bytes.data() + 8), 1u);
  EXPECT_EQ(getU16(bytes.data() + 12 + 16), 4) << "module flags with bit 2";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + kLogic + 4), "L");
  EXPECT_NE(getU32(bytes.data() + kLogic + 28), 0u) << "first gate present";
  EXPECT_NE(getU32(bytes.data() + kLogic + 32), 0u) << "link id of the logic";
  EXPECT_EQ(bytes[kGate1 + 4], kKindAnd);
  EXPECT_EQ(getU16(bytes.data() + kGate1 + 40), 1) << "gate number";
  EXPECT_EQ(getU16(bytes.data() + kGate2 + 40), 2);
  EXPECT_EQ(getU32(bytes.data() + kGate2 + 68), getU32(bytes.data() + kGate1 + 44)) << "source is gate 1's id";
  EXPECT_EQ(bytes.size(), kGate2 + 68 + 40 + 6 + 16 + 2 * 107 + 2);
}

TEST_F(ProjectBadFiles, TruncatedAtEveryOffsetIsRefusedAndChangesNothing) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto bytes = readBytes("SAMPLE.MDL");
  newDocument();
  openOther();
  const std::string before = mdl_DumpDocument(*doc);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    writeBytes("T.MDL", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + long(n)));
    sink->clear();
    ASSERT_EQ(load("T.MDL", 0), 0) << "prefix of " << n;
    ASSERT_EQ(mdl_DumpDocument(*doc), before) << "prefix of " << n;
    // An empty file cannot be opened at all: nothing is loaded, silently.
    if (n > 0) {
      ASSERT_TRUE(shown("File error!")) << n << " " << testing::PrintToString(messages());
    }
  }
  // Into an empty document: an empty main module named after the file.
  for (std::size_t n = 0; n < bytes.size(); n += 37) {
    newDocument();
    writeBytes("T.MDL", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + long(n)));
    ASSERT_EQ(load("T.MDL", 1), -1) << n;
    ASSERT_NE(doc->FirstModule, nullptr);
    EXPECT_EQ(doc->FirstModule->Next, nullptr);
    EXPECT_EQ(std::string(doc->FirstModule->Name, 5), "T.MDL");
    EXPECT_EQ(doc->FirstModule->List, nullptr);
    EXPECT_EQ(doc->FirstLogic, nullptr);
  }
}

TEST_F(ProjectBadFiles, EveryAcceptedMutantPassesTheModelCheck) {
  const auto good = tinyProject();
  int accepted = 0;
  for (std::size_t at = 0; at < good.size(); ++at)
    for (std::uint8_t mask : {std::uint8_t(0x01), std::uint8_t(0x02), std::uint8_t(0x80), std::uint8_t(0xFF)}) {
      auto bytes = good;
      bytes[at] ^= mask;
      newDocument();
      writeBytes("M.MDL", bytes);
      sink->clear();
      if (load("M.MDL", 1) != 1) continue;
      ++accepted;
      for (const auto& e : model_CheckDocument(*doc))
        ADD_FAILURE() << "byte " << at << " ^ " << int(mask) << ": " << e;
    }
  EXPECT_GT(accepted, 0);
}

TEST_F(ProjectBadFiles, CorruptedCountsKindsAndSizesAreRefused) {
  const auto good = tinyProject();
  const std::size_t tree = good.size() - 2 * 107 - 2;
  struct Case {
    const char* what;
    std::size_t at;
    int width;   // 1, 2 or 4 bytes
    std::uint32_t value;
  } cases[] = {
      {"gate kind", kGate1 + 4, 1, 100},
      {"gate kind between built-in and compiled", kGate1 + 4, 1, 120},
      {"input count beyond the file", kGate1 + 10, 2, 0xFFFF},
      {"output count beyond the file", kGate1 + 12, 2, 0x7FFF},
      {"extra count without its table", kGate1 + 14, 2, 3},
      {"input signal type", kGate1 + 68 + 6, 2, 84},
      {"output first element", kGate1 + 68 + 40, 2, 2},
      {"output signal type", kGate1 + 68 + 40 + 2, 2, 300},
      {"duplicate gate number", kGate2 + 40, 2, 1},
      {"gate number zero", kGate1 + 40, 2, 0},
      {"duplicate gate link id", kGate2 + 44, 4, 0},   // filled below
      {"logic name without terminator", kLogic + 20, 1, 'X'},
      {"input port count without table", kLogic + 24, 2, 1},
      {"output port count beyond file", kLogic + 26, 2, 0xFFFF},
      {"module said not to be the last", 12, 4, 1},
      {"first section compiled", 12 + 16, 2, 1},
      {"tree input length beyond the file", tree + 2, 4, 0xFFFFFFF0u},
      {"tree state length beyond the file", tree + 2 + 4 + 16 + 4 + 8 + 65 + 4, 4, 0x7FFFFFFFu},
      {"nested tree on a gate that is no call", tree + 2 + 4 + 16 + 4 + 8 + 65 + 4, 4, 0xFFFFFFFFu},
      {"header version cut", 8, 4, 0},   // made short below
  };
  newDocument();
  openOther();
  const std::string before = mdl_DumpDocument(*doc);
  for (const Case& c : cases) {
    auto bytes = good;
    std::uint32_t value = c.value;
    if (std::string(c.what) == "duplicate gate link id") value = getU32(good.data() + kGate1 + 44);
    if (c.width == 1) bytes[c.at] = std::uint8_t(value);
    else if (c.width == 2) put16(bytes, c.at, std::uint16_t(value));
    else put32(bytes, c.at, value);
    if (std::string(c.what) == "header version cut") bytes.resize(10);
    writeBytes("C.MDL", bytes);
    sink->clear();
    EXPECT_EQ(load("C.MDL", 0), 0) << c.what;
    EXPECT_EQ(mdl_DumpDocument(*doc), before) << c.what;
    EXPECT_TRUE(shown("File error!")) << c.what << " " << testing::PrintToString(messages());
  }
  // The unchanged file loads.
  writeBytes("C.MDL", good);
  EXPECT_EQ(load("C.MDL", 0), 1);
}

TEST_F(ProjectBadFiles, LostSourcesLeaveTheInputUnconnected) {
  const auto good = tinyProject();
  struct Case { const char* what; std::size_t at; std::uint32_t value; int width; } cases[] = {
      {"source pin beyond the outputs", kGate2 + 68 + 4, 5, 2},
      {"source pin zero", kGate2 + 68 + 4, 0, 2},
      {"source id of no gate", kGate2 + 68, 0x12345678, 4},
  };
  for (const Case& c : cases) {
    newDocument();
    auto bytes = good;
    if (c.width == 2) put16(bytes, c.at, std::uint16_t(c.value)); else put32(bytes, c.at, c.value);
    writeBytes("S.MDL", bytes);
    ASSERT_EQ(load("S.MDL", 1), 1) << c.what;
    GateRecord* b = firstLogicOf(doc->FirstModule)->FirstGate->Next;
    EXPECT_EQ(b->Inputs[0].Source, nullptr) << c.what;
    EXPECT_EQ(b->Inputs[0].SourcePin, 0) << c.what;
    EXPECT_EQ(b->Inputs[0].Wire, nullptr) << c.what;
    EXPECT_EQ(b->Inputs[0].BranchOf, nullptr) << c.what;
    expectSound();
  }
}

// Link ids are only names: a file whose gates are numbered against their
// order loads the same connections, and saving it gives the file as written.
TEST_F(ProjectBadFiles, LinkIdsInAnyOrderConnectTheSameGates) {
  // The first gate fed by the second, whose id the file then makes the lower.
  LogicRecord* l = ge_NewLogic("L");
  std::memcpy(doc->FirstModule->Name, "TINY.MDL", 8);
  shellFake.integers = {2, 2};
  GateRecord* first = make(l, kKindAnd, 100, 0);
  GateRecord* second = make(l, kKindAnd, 0, 0);
  ASSERT_TRUE(ge_ConnectGates(l, first, 1, second, 1, nullptr, wire({{40, 20}, {100, 20}})));
  const auto good = mdl_EncodeProject(*doc);
  newDocument();
  const std::size_t gate2 = kGate1 + 68 + 40 + 6 + 2 * 8;
  ASSERT_EQ(getU16(good.data() + gate2 + 40), 2) << "second gate's number";
  const std::uint32_t id1 = getU32(good.data() + kGate1 + 44), id2 = getU32(good.data() + gate2 + 44);
  ASSERT_EQ(getU32(good.data() + kGate1 + 68), id2) << "source is the second gate";
  ASSERT_GT(id1, 0x10u);
  auto bytes = good;
  const std::uint32_t lower = id1 - 0x10;
  put32(bytes, gate2 + 44, lower);
  put32(bytes, kGate1, lower);        // the first gate's next
  put32(bytes, kGate1 + 68, lower);   // its input's source
  writeBytes("S.MDL", bytes);
  ASSERT_EQ(load("S.MDL", 1), 1);
  GateRecord* a = firstLogicOf(doc->FirstModule)->FirstGate;
  ASSERT_NE(a->Next, nullptr);
  EXPECT_EQ(a->Inputs[0].Source, a->Next);
  EXPECT_EQ(a->Inputs[0].SourcePin, 1);
  EXPECT_NE(a->Inputs[0].Wire, nullptr);
  expectSound();
  EXPECT_EQ(mdl_EncodeProject(*doc), good);
}

TEST_F(ProjectBadFiles, CallCycleIsRefused) {
  LogicRecord* c = ge_NewLogic("C");
  std::memcpy(doc->FirstModule->Name, "CYC.MDL", 7);
  shellFake.integers = {2};
  make(c, kKindAnd);
  LogicRecord* b = ge_NewLogic("B");
  GateRecord* bc = make(b, kKindCall, 0, 0, c);
  LogicRecord* a = ge_NewLogic("A");
  make(a, kKindCall, 0, 0, b);
  // B's call is made to point at A only for the encoding: A -> B -> A.
  bc->Sub = a;
  const auto bytes = mdl_EncodeProject(*doc);
  bc->Sub = c;
  writeBytes("CYC.MDL", bytes);
  newDocument();
  sink->clear();
  EXPECT_EQ(load("CYC.MDL", 1), -1);
  EXPECT_TRUE(shown("File error!"));
  EXPECT_EQ(doc->FirstModule->List, nullptr);
}

TEST_F(ProjectBadFiles, MissingFileInAnEmptyDocumentGivesAnEmptyMainModule) {
  EXPECT_EQ(load("NOFILE.MDL", 1), -1);
  EXPECT_TRUE(shown("Error!   File cannot be loaded."));
  EXPECT_EQ(boxText("Error!   File cannot be loaded."),
            "Error!   File cannot be loaded.\n" + path("NOFILE.MDL") + ": No such file or directory");
  ASSERT_NE(doc->FirstModule, nullptr);
  EXPECT_EQ(std::string(doc->FirstModule->Name, 10), "NOFILE.MDL");
  EXPECT_EQ(doc->FirstModule->Flags, kModuleCurrentSizes);
  EXPECT_EQ(doc->FirstModule->List, nullptr);
}

TEST_F(ProjectBadFiles, WrongExtensionIsAnInvalidFile) {
  writeBytes("X.TXT", {1, 2, 3});
  EXPECT_EQ(load("X.TXT", 1), 0);
  EXPECT_TRUE(shown("Error!   Invalid file."));
  EXPECT_EQ(doc->FirstModule, nullptr);
}

// A headerless file of version 0 with the older 216-byte logic records and
// 64-byte gate records, and value trees without instance blocks.
TEST_F(ProjectBadFiles, HeaderlessVersionZeroWithOlderRecordsLoads) {
  ByteWriter w;
  ProjectModule m{};
  std::memcpy(m.Name, "OLD.MDL", 7);
  m.Flags = 0;   // bit 2 clear: older record sizes
  ModuleLinks mk;
  mk.list = 0x100;
  writeModuleHeader(w, m, mk);
  LogicRecord l{};
  std::strcpy(l.Name, "old");
  l.GateCounter = 1;
  l.currentStep = 0.5;
  l.previousStep = 9.0;    // replaced by the copy of the current step
  l.Text1[0] = 'X';        // cleared
  l.Text1[1] = 'Y';
  std::memset(l.Further, 0x77, sizeof l.Further);   // bytes 216.. do not exist
  l.StepBlock.interval = 0.25;
  LogicLinks lk;
  lk.firstGate = 0x200;
  lk.linkId = 0x100;
  ByteWriter lw;
  writeLogicRecord(lw, l, lk);
  w.raw(lw.bytes.data(), 216);
  GateRecord g{};
  g.Kind = 30;
  g.X = 15;
  g.Y = 25;
  g.InputCount = 1;
  g.OutputCount = 1;
  g.ExtraCount = 1;
  g.GateNumber = 1;
  g.AuxByte = 9;           // cleared (byte 52)
  g.SequenceNumber = 5;    // does not exist in 64 bytes
  g.UseCount = 1;
  GateLinks gk;
  gk.inputs = gk.outputs = gk.extra = 1;
  gk.linkId = 0x200;
  ByteWriter gw;
  writeGateRecord(gw, g, gk);
  w.raw(gw.bytes.data(), 64);
  InputPin ip{};
  ip.Type = kTypeReal;
  writeInputPin(w, ip, PinLinks{});
  OutputPin op{1, kTypeReal, 0};
  writeOutputPin(w, op);
  w.f64(3.5);
  // Value tree without the 65-byte block.
  w.u16(1);
  w.u32(8);
  w.f64(1.25);
  w.u32(8);
  w.f64(2.5);
  w.u32(8);
  w.f64(3.5);
  w.u32(0);
  w.u16(0);
  writeBytes("OLD.MDL", w.bytes);
  ASSERT_EQ(load("OLD.MDL", 1), 1) << testing::PrintToString(messages());
  LogicRecord* r = firstLogicOf(doc->FirstModule);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->Name, "OLD") << "upper case";
  EXPECT_EQ(r->currentStep, 0.5);
  EXPECT_EQ(r->previousStep, 0.5);
  EXPECT_EQ(r->Text1[0], 0);
  EXPECT_EQ(r->Text1[1], 'Y');
  for (int i = 48; i < 68; ++i) EXPECT_EQ(r->Further[i], 0) << i;
  EXPECT_EQ(r->Further[0], 0x77);
  EXPECT_EQ(r->StepBlock.interval, 0.25);
  GateRecord* rg = r->FirstGate;
  ASSERT_NE(rg, nullptr);
  EXPECT_EQ(rg->Kind, 30);
  EXPECT_EQ(rg->X, 15);
  EXPECT_EQ(rg->AuxByte, 0);
  EXPECT_EQ(rg->SequenceNumber, 0);
  EXPECT_EQ(rg->AuxWord66, 0);
  EXPECT_EQ(rg->Extra[0], 3.5);
  ASSERT_NE(r->FirstInstance, nullptr);
  EXPECT_EQ(r->FirstInstance->InputValues[0], 1.25);
  EXPECT_EQ(r->FirstInstance->OutputValues[0], 2.5);
  EXPECT_EQ(FileVersion, 0u) << "restored after the load";
  // Saved again it is a current file.
  ASSERT_EQ(mdl_SaveProjectAs(path("OLD.MDL")), 1);
  const auto again = readBytes("OLD.MDL");
  EXPECT_EQ(getU32(again.data()), 7777777u);
  EXPECT_EQ(getU16(again.data() + 12 + 16), 4);
}

TEST_F(ProjectBadFiles, ValueArraysOfAnotherLengthStartFresh) {
  auto bytes = tinyProject();
  const std::size_t tree = bytes.size() - 2 * 107 - 2;
  // First record: inputs stored as 3 elements instead of 2.
  std::vector<std::uint8_t> patched(bytes.begin(), bytes.begin() + long(tree));
  ByteWriter w;
  w.u16(1);
  w.u32(24);
  w.f64(7);
  w.f64(8);
  w.f64(9);
  w.u32(8);
  w.f64(4.5);
  w.zeros(65);
  w.u32(0);
  w.u32(0);
  w.u16(0);
  patched.insert(patched.end(), w.bytes.begin(), w.bytes.end());
  writeBytes("V.MDL", patched);
  doc->InitialValue = -1.0;
  ASSERT_EQ(load("V.MDL", 1), 1) << testing::PrintToString(messages());
  GateInstance* gi = firstLogicOf(doc->FirstModule)->FirstInstance;
  EXPECT_EQ(gi->InputValues[0], -1.0);
  EXPECT_EQ(gi->InputValues[1], -1.0);
  EXPECT_EQ(gi->OutputValues[0], 4.5);
  ASSERT_NE(gi->Next, nullptr) << "a gate without a record gets a fresh instance";
  EXPECT_EQ(gi->Next->OutputValues[0], -1.0);
}


TEST_F(ProjectBadFiles, UnresolvedCallIsDeletedNotKeptAsAPointer) {
  LogicRecord* b = ge_NewLogic("B");
  std::memcpy(doc->FirstModule->Name, "U.MDL", 5);
  shellFake.integers = {2};
  make(b, kKindAnd);
  LogicRecord* a = ge_NewLogic("A");
  make(a, kKindCall, 0, 0, b);
  shellFake.integers = {2};
  make(a, kKindAnd, 100, 100);
  auto bytes = mdl_EncodeProject(*doc);
  // The call gate is A's first gate; its stored reference names no logic.
  const std::uint32_t idB = getU32(bytes.data() + kLogic + 32);
  std::size_t at = 0;
  for (std::size_t p = 0; p + 4 <= bytes.size(); ++p)
    if (getU32(bytes.data() + p) == idB && p >= 32 && bytes[p - 32 + 4] == kKindCall) at = p;
  ASSERT_NE(at, 0u);
  putU32(bytes.data() + at, 0x0BADF00D);
  writeBytes("U.MDL", bytes);
  newDocument();
  ASSERT_EQ(load("U.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_TRUE(shown("Subprogram call-up is being deleted!"));
  LogicRecord* la = firstLogicOf(doc->FirstModule)->Next;
  ASSERT_STREQ(la->Name, "A");
  ASSERT_NE(la->FirstGate, nullptr);
  EXPECT_EQ(la->FirstGate->Kind, kKindAnd) << "the call with the lost reference is gone";
  EXPECT_EQ(la->FirstGate->Next, nullptr);
  expectSound();
}

TEST_F(ProjectBadFiles, SelectorRetriesAMissingFile) {
  openOther();
  const std::string before = mdl_DumpDocument(*doc);
  ProjectPath = path("OTHER.MDL");
  files.answers = {"GONE.MDL"};   // then the retry's selector is cancelled
  EXPECT_EQ(mdl_LoadProjectFile(0), 0);
  EXPECT_EQ(messages(), (std::vector<std::string>{"File " + path("GONE.MDL") + " could not be found.\nEnter new path?"}));
  EXPECT_EQ(files.asked.size(), 2u) << "Yes went back to the selector";
  EXPECT_EQ(mdl_DumpDocument(*doc), before);
}

} // namespace
} // namespace modelfiles::test
