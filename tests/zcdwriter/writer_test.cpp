// The writer's rules on small diagrams: task numbers, symbol and address
// texts, Disable-Logic without a macro, files that cannot be created.
#include "diagram.h"

#include "engine/externs.h"
#include "modelfiles/operands.h"
#include "recorder/recordgate.h"

#include <fstream>

namespace zcdtest {
namespace {

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Writer, TaskNumberIsSixteenLessThePlaceAmongTheCountedGates) {
  Diagram d;
  ASSERT_TRUE(d.ok) << d.error;
  model::LogicRecord* t13 = model::ge_NewLogic("$T13");
  model::LogicRecord* t17 = model::ge_NewLogic("$T17");
  for (int k = 0; k < 12; ++k) d.block(d.main, "CNT", {double(20 + k), 1, double(150 + k)});
  d.macro(d.main, t13, 10);   // the 13th counted gate
  for (int k = 0; k < 3; ++k) d.block(d.main, "CNT", {double(40 + k), 1, double(170 + k)});
  d.macro(d.main, t17, 10);   // the 17th
  const std::string text = d.write();
  EXPECT_EQ(count(text, " Li_Nr : 3 ;$T13\n"), 2u) << text;
  EXPECT_EQ(count(text, " Li_Nr : 0 ;$T17\n"), 2u) << text;
}

TEST(Writer, SymbolAndAddressTexts) {
  struct Row { int cls; const char* flat; const char* withBit; };
  const Row rows[] = {{1, "M7", "M7.3"}, {2, "E6", "E6.3"}, {3, "A6", "A6.3"}, {4, "DF7", "DF7"},
                      {5, "DW7", "DW7"}, {7, "DT7", "DT7"}, {10, "B7", "B7.3"}, {12, "PT7", "PT7"},
                      {0, "", "M0.0"}, {13, "", "M0.0"}};
  for (const Row& r : rows) {
    EXPECT_EQ(zcd::va_AddressText0(r.cls, 7), r.flat) << r.cls;
    EXPECT_EQ(zcd::co_AddressText(r.cls, 7, 3), r.withBit) << r.cls;
  }
  Diagram d;
  zcd::co_OpenOutput();
  zcd::co_SymbolLine(7, 5, 1);      // no bit form: the blank name and M0.0
  zcd::co_SymbolLine(2, 5, 9);      // E with index - 1, a bit outside 0..7 as 0
  zcd::co_SymbolLine(9.6, 4, 2);    // the class rounded
  zcd::co_CloseOutput();
  const std::string text = readFile(d.zcdPath());
  EXPECT_NE(text.find("\n         : M0.0\n  P      : E4.0\n  P      : B4.2\n"), std::string::npos) << text;
}

TEST(Writer, DisableLogicWithoutAFollowingMacroEmitsNothing) {
  Diagram d;
  model::GateRecord* c = d.block(d.main, "CNT", {5, 1, 150});
  ASSERT_NE(d.disableLogic(d.main, c, {1, 20, 0, 3, 0}), nullptr);
  const std::string text = d.write();
  EXPECT_EQ(text.find("\n&JPZ\n"), std::string::npos) << text;
  EXPECT_EQ(zcd::pc_LabelCounter(), 0);
}

TEST(Writer, WithoutAFileThePassStillRunsAndResets) {
  Diagram d;
  model::GateRecord* c = d.block(d.main, "CNT", {5, 1, 150});
  d.inst(d.main, c)->OutputValues[0] = 42;
  zcd::writerEnvironment().mainPath = [] { return std::string(); };
  std::string why;
  d.doc->LevelInstances[1] = d.main->FirstInstance;
  EXPECT_FALSE(zcd::zcd_WriteProgram(*d.doc, &why));
  EXPECT_EQ(why, "the target program text cannot be created");
  EXPECT_EQ(d.inst(d.main, c)->OutputValues[0], 0.0);
  EXPECT_EQ(d.inst(d.main, c)->StateValues[0], 5.0) << "the text procedure ran";
}

TEST(Writer, AModuleFileThatCannotBeCreatedDropsTheSequenceLines) {
  Diagram d;
  model::LogicRecord* seq = model::ge_NewLogic("SEQ");
  d.block(seq, "STEP");
  d.macro(d.main, seq);
  zcd::writerEnvironment().tempDir = [] { return std::string("/nonexistent/dir/"); };
  const std::string text = d.write();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find("&ABS"), std::string::npos);
  EXPECT_EQ(text.find("; step of the sequence"), std::string::npos);
  EXPECT_EQ(d.services.calls, std::vector<std::string>{"msg 50057"});
}

TEST(Writer, LabelsAreNeverReset) {
  Diagram d;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  d.block(sub, "CNT", {5, 1, 150});
  model::GateRecord* m = d.macro(d.main, sub);
  d.disableLogic(d.main, m, {1, 20, 0, 3, 0});
  EXPECT_NE(d.write().find("%LAB1\n"), std::string::npos);
  EXPECT_NE(d.write().find("%LAB2\n"), std::string::npos);
}

TEST(Writer, SequenceExternsOutsideTheRecordsAreIgnored) {
  Diagram d;
  zcd::co_OpenOutput();
  engine::TargetTextSink* sink = engine::setTargetTextSink(nullptr);
  engine::setTargetTextSink(sink);
  ASSERT_NE(sink, nullptr);
  int bitBase = 0;
  double tr = 0;
  EXPECT_FALSE(sink->sequenceBases(201, bitBase, tr));
  EXPECT_FALSE(sink->sequenceBases(-1, bitBase, tr));
  sink->writeSequence(300, "X\n");
  sink->writeSequence(0, "; main\n");
  std::uint16_t s = 0, n = 0;
  EXPECT_FALSE(sink->nextSequenceItem(true, s, n)) << "no sequence open at top level";
  zcd::co_CloseOutput();
  const std::string text = readFile(d.zcdPath());
  EXPECT_EQ(text.find("X\n"), std::string::npos);
  EXPECT_NE(text.find("; main\n"), std::string::npos);
}

} // namespace
} // namespace zcdtest

namespace zcdtest {
namespace {

TEST(Writer, TheEditorHooksRunTheWholeText) {
  Diagram d;
  d.block(d.main, "CNT", {5, 3, 150});
  model::LogicRecord* seq = model::ge_NewLogic("SEQ");
  d.block(seq, "STEP");
  d.macro(d.main, seq);
  d.doc->LevelInstances[1] = d.main->FirstInstance;
  const std::string expected = d.write();
  modelfiles::va_ResetAll();
  modelfiles::va_SetModeSearch();
  ASSERT_TRUE(zcd::zcd_HookAllocateSheet(d.doc));
  const std::string path = (d.dir / "HOOK.Q").string();
  ASSERT_TRUE(zcd::zcd_HookOpenOutput(path));
  zcd::zcd_HookEmitProgramFrame(d.main, 0);
  zcd::zcd_HookCloseOutput();
  EXPECT_EQ(readFile(path), expected);
  EXPECT_FALSE(zcd::zcd_HookOpenOutput((d.dir / "no" / "such" / "dir.Q").string()));
}

} // namespace
} // namespace zcdtest

namespace zcdtest {
namespace {

// A record gate made as the editor makes it: its instances share the gate's
// parameters.
model::GateRecord* recordGate(Diagram& d, std::uint8_t kind, unsigned pins, int y) {
  model::GateSpec s;
  s.kind = kind;
  s.inputCount = std::uint16_t(kind == rec::kKindWriteRecord ? pins : 0);
  s.outputCount = std::uint16_t(kind == rec::kKindReadRecord ? pins : 0);
  s.extraCount = 5;
  s.stateCount = std::uint16_t(kind == rec::kKindWriteRecord ? pins + 1 : 1);
  s.inputType = s.outputType = model::kTypeReal;
  s.x = 300;
  s.y = std::int16_t(y);
  std::uint16_t seq = 0;
  model::GateRecord* g = nullptr;
  model::GateInstance* in = nullptr;
  if (!model::ge_CreateGate(d.main, s, seq, g, in)) return nullptr;
  return g;
}

// The passes take the record files along: the allocation pass reopens a
// Read-Record file by its name, the text pass goes back to the first record,
// the end pass closes them and a written file leaves its work name.
TEST(Writer, PassesReopenRewindAndCloseRecordFiles) {
  Diagram d;
  ASSERT_TRUE(d.ok) << d.error;
  model::GateRecord* reader = recordGate(d, rec::kKindReadRecord, 1, 100);
  model::GateRecord* writer = recordGate(d, rec::kKindWriteRecord, 1, 200);
  ASSERT_TRUE(reader && writer);
  ASSERT_TRUE(reader->Flags & model::kGateSharedExtra) << "shared, as the editor makes them";
  model::GateInstance* ri = d.inst(d.main, reader);
  model::GateInstance* wi = d.inst(d.main, writer);
  const std::string in = (d.dir / "IN.VDB").string(), out = (d.dir / "OUT.VDB").string();
  {
    std::ofstream f(in, std::ios::binary);
    const std::uint16_t count = 1;
    f.write(reinterpret_cast<const char*>(&count), 2);
    for (double v : {0.0, 7.0, 1.0, 8.0}) f.write(reinterpret_cast<const char*>(&v), 8);
  }
  ASSERT_TRUE(rec::vdb_OpenRecordFile(reader, ri, in));
  ASSERT_TRUE(rec::vdb_OpenRecordFile(writer, wi, out));
  rec::vdb_CloseRecordFile(reader, ri);
  rec::RecordFileState st;
  ASSERT_TRUE(rec::vdb_LoadState(reader, ri, st));
  EXPECT_EQ(st.handle, -1);

  d.doc->LevelInstances[1] = d.main->FirstInstance;
  ASSERT_TRUE(zcd::zcd_HookAllocateSheet(d.doc));
  ASSERT_TRUE(rec::vdb_LoadState(reader, ri, st));
  EXPECT_GE(st.handle, 1) << "reopened by name";
  rec::vdb_ReadRecord(reader, ri);
  EXPECT_EQ(ri->OutputValues[0], 7.0);
  EXPECT_EQ(ri->StateValues[0], 1.0);

  const std::string text = d.write();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(ri->StateValues[0], 0.0) << "back at the first record";
  wi->StateValues[0] = 0.5;
  wi->StateValues[1] = 3.0;
  rec::vdb_WriteRecord(writer, wi);
  EXPECT_TRUE(std::filesystem::exists(out + "~"));

  zcd::sim_EndGatesDeep(d.main->FirstGate, d.main->FirstInstance);
  ASSERT_TRUE(rec::vdb_LoadState(reader, ri, st));
  EXPECT_EQ(st.handle, -1);
  ASSERT_TRUE(rec::vdb_LoadState(writer, wi, st));
  EXPECT_EQ(st.handle, -1);
  EXPECT_FALSE(std::filesystem::exists(out + "~"));
  EXPECT_EQ(std::filesystem::file_size(out), 2u + 16u);
  EXPECT_EQ(rec::vdb_OpenRecordFileCount(), 0u);
}

} // namespace
} // namespace zcdtest
