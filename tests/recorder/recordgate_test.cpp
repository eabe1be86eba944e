// Record gates: the file state in the extra values, heads of every kind,
// reading a part of each record, the text readers and Write-Record files.
#include "fixture.h"

#include "modelfiles/bytes.h"
#include "recorder/recordgate.h"

#include <cstring>

namespace rec::test {
namespace {

// A record gate with its own instance arrays.
struct RecordGate {
  model::GateRecord gate{};
  model::GateInstance inst{};
  std::vector<double> extra = std::vector<double>(4, 0.0);
  std::vector<double> state;
  std::vector<double> outputs;
  RecordGate(std::uint8_t kind, unsigned inputs, unsigned outputCount, unsigned states) {
    gate.Kind = kind;
    gate.InputCount = std::uint16_t(inputs);
    gate.OutputCount = std::uint16_t(outputCount);
    gate.StateCount = std::uint16_t(states);
    state.assign(std::max(1u, states), 0.0);
    outputs.assign(std::max(1u, outputCount), 0.0);
    inst.ExtraValues = extra.data();
    inst.ExtraSlotCount = 4;
    inst.StateValues = state.data();
    inst.StateSlotCount = std::uint16_t(state.size());
    inst.OutputValues = outputs.data();
    inst.OutputSlotCount = std::uint16_t(outputs.size());
    vdb_StoreState(&gate, &inst, RecordFileState{});
  }
  RecordFileState fileState() {
    RecordFileState s;
    vdb_LoadState(&gate, &inst, s);
    return s;
  }
};

class RecordGateTest : public RecFixture {};

std::string vdb(unsigned count, const std::vector<std::vector<double>>& records) {
  modelfiles::ByteWriter w;
  w.u16(std::uint16_t(count));
  for (const auto& rec : records)
    for (double v : rec) w.f64(v);
  return std::string(w.bytes.begin(), w.bytes.end());
}

TEST_F(RecordGateTest, ReadRecordTakesTwoOfFiveValues) {
  writeBytes(path("FIVE.VDB"), vdb(5, {{0.0, 1, 2, 3, 4, 5}, {1.0, 11, 12, 13, 14, 15}}));
  RecordGate g(kKindReadRecord, 0, 2, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("FIVE.VDB")));
  EXPECT_EQ(g.fileState().valueCount, 5);
  EXPECT_EQ(g.fileState().position, 2u);
  EXPECT_EQ(g.state[0], 0.0);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[0], 1.0);
  EXPECT_EQ(g.outputs[1], 2.0);
  EXPECT_EQ(g.state[0], 1.0);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[0], 11.0);
  EXPECT_EQ(g.outputs[1], 12.0);
  EXPECT_EQ(g.state[0], kEndMarker);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.state[0], kNoRecordFile);
  EXPECT_EQ(g.outputs[0], 11.0);   // outputs keep their last values
  vdb_RewindRecordFile(&g.gate, &g.inst);
  EXPECT_EQ(g.state[0], 0.0);
  vdb_CloseRecordFile(&g.gate, &g.inst);
  EXPECT_EQ(g.fileState().handle, -1);
  EXPECT_STREQ(g.fileState().name, "FIVE.VDB");
  vdb_ReopenRecordFile(&g.gate, &g.inst);
  EXPECT_GE(g.fileState().handle, 1);
  vdb_CloseRecordFile(&g.gate, &g.inst);
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

TEST_F(RecordGateTest, SkipAtTheStartOfEachRecord) {
  writeBytes(path("SKIP.VAT"), std::string("  4\r\n0 1 2 3 4\r\n5 6 7 8 9\r\n"));
  RecordGate g(kKindReadRecord, 0, 2, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("SKIP.VAT")));
  auto st = g.fileState();
  st.skip = 1;
  vdb_StoreState(&g.gate, &g.inst, st);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[0], 2.0);
  EXPECT_EQ(g.outputs[1], 3.0);
  EXPECT_EQ(g.state[0], 5.0);
  vdb_CloseRecordFile(&g.gate, &g.inst);
}

TEST_F(RecordGateTest, ReadRecordOnAValueFilePassesTheSetUp) {
  // Written by the recorder: one channel bound, two samples.
  Recorder r;
  vf_UnitInit(r, dir);
  tr_SetChannelCount(r, 1, 2);
  ASSERT_TRUE(tr_BindChannel(r, logic, logic->FirstInstance, pickX(), pickY()));
  ASSERT_TRUE(vf_OpenOutputAs(r, logic, path("REC.VAL")));
  sourceValue() = 4.0;
  tr_TakeSample(r, false, 0.0);
  sourceValue() = 6.0;
  tr_TakeSample(r, false, 0.5);
  vf_CloseOutput(r, true);
  RecordGate g(kKindReadRecord, 0, 2, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("REC.VAL")));
  EXPECT_EQ(g.fileState().valueCount, 2);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[0], 4.0);
  EXPECT_EQ(g.outputs[1], kNoValue);
  EXPECT_EQ(g.state[0], 0.5);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[0], 6.0);
  EXPECT_EQ(g.state[0], kEndMarker);   // the end marker is the next "time"
  vdb_CloseRecordFile(&g.gate, &g.inst);
}

TEST_F(RecordGateTest, NumberAndCountTexts) {
  struct Case { const char* text; bool ok; double value; };
  const Case numbers[] = {
      {"1.5E+02 ", true, 150.0}, {"1.5E02 ", false, 0}, {"  -2,5\r\n", true, -2.5}, {"x+7", true, 7.0},
      {"1.0D-3 ", true, 0.001}, {"", false, 0}, {"12345678901234567890123456789012345678901 ", false, 0},
  };
  for (const Case& k : numbers) {
    MemStream s(reinterpret_cast<const std::uint8_t*>(k.text), std::strlen(k.text));
    double v = 0;
    EXPECT_EQ(vdb_ReadNumberText(s, v), k.ok) << k.text;
    if (k.ok) {
      EXPECT_DOUBLE_EQ(v, k.value) << k.text;
    }
  }
  const std::string counts[] = {std::string("  12\r\n"), std::string("3\0\0\r\n", 5), std::string(41, '1')};
  const int expected[] = {12, 3, -1};
  for (int i = 0; i < 3; ++i) {
    MemStream s(reinterpret_cast<const std::uint8_t*>(counts[i].data()), counts[i].size());
    std::uint16_t c = 0;
    EXPECT_EQ(vdb_ReadCountText(s, c), expected[i] >= 0) << i;
    if (expected[i] >= 0) {
      EXPECT_EQ(c, expected[i]);
    }
  }
}

TEST_F(RecordGateTest, WriteRecordFiles) {
  RecordGate g(kKindWriteRecord, 3, 0, 3);
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("OUT.VAT")));
  g.state = {1.5, 2, 3};
  vdb_WriteRecord(&g.gate, &g.inst);
  vdb_CloseRecordFile(&g.gate, &g.inst);
  const auto b = bytesOf(path("OUT.VAT"));
  const std::string s(b.begin(), b.end());
  ASSERT_EQ(s.size(), 5u + 3 * 17);
  EXPECT_EQ(s.substr(0, 5), std::string("3\0\0\r\n", 5));
  EXPECT_EQ(s.substr(5, 17), "1.5              ");
  EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
  // Read back through a Read-Record gate.
  RecordGate rd(kKindReadRecord, 0, 2, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&rd.gate, &rd.inst, path("OUT.VAT")));
  EXPECT_EQ(rd.state[0], 1.5);
  vdb_ReadRecord(&rd.gate, &rd.inst);
  EXPECT_EQ(rd.outputs[0], 2.0);
  EXPECT_EQ(rd.outputs[1], 3.0);
  vdb_CloseRecordFile(&rd.gate, &rd.inst);

  RecordGate b2(kKindWriteRecord, 2, 0, 2);
  ASSERT_TRUE(vdb_OpenRecordFile(&b2.gate, &b2.inst, path("OUT.VDB")));
  b2.state = {7, 8};
  vdb_WriteRecord(&b2.gate, &b2.inst);
  EXPECT_FALSE(std::filesystem::exists(path("OUT.VDB"))) << "written under a work name until closed";
  vdb_CloseRecordFile(&b2.gate, &b2.inst);
  const auto bb = bytesOf(path("OUT.VDB"));
  ASSERT_EQ(bb.size(), 2u + 16);
  EXPECT_EQ(modelfiles::getU16(&bb[0]), 2);
  EXPECT_EQ(modelfiles::getF64(&bb[10]), 8.0);
}

TEST_F(RecordGateTest, LargeValuesReadBackFromText) {
  RecordGate g(kKindWriteRecord, 3, 0, 3);
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("BIG.VAT")));
  g.state = {1e20, -2.5e30, 1e-5};
  vdb_WriteRecord(&g.gate, &g.inst);
  vdb_CloseRecordFile(&g.gate, &g.inst);
  const auto b = bytesOf(path("BIG.VAT"));
  EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 5 + 17), "1.0D+20          ");
  RecordGate rd(kKindReadRecord, 0, 2, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&rd.gate, &rd.inst, path("BIG.VAT")));
  EXPECT_DOUBLE_EQ(rd.state[0], 1e20);
  vdb_ReadRecord(&rd.gate, &rd.inst);
  EXPECT_DOUBLE_EQ(rd.outputs[0], -2.5e30);
  EXPECT_DOUBLE_EQ(rd.outputs[1], 1e-5);
  vdb_CloseRecordFile(&rd.gate, &rd.inst);
}

TEST_F(RecordGateTest, RefusedNames) {
  RecordGate w(kKindWriteRecord, 3, 0, 3);
  ui->clear();
  EXPECT_FALSE(vdb_OpenRecordFile(&w.gate, &w.inst, path("X.VAL")));
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "Error!   Invalid file.");
  EXPECT_EQ(w.fileState().handle, -1);
  RecordGate rd(kKindReadRecord, 0, 2, 1);
  vf_SetPrinterReady(true);
  ui->clear();
  EXPECT_FALSE(vdb_OpenRecordFile(&rd.gate, &rd.inst, "PRINTER"));
  vf_SetPrinterReady(false);
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "Error!   Invalid file.");
  // A head that cannot be read: 50037, no file.
  writeBytes(path("BAD.VDB"), "x");
  ui->clear();
  EXPECT_FALSE(vdb_OpenRecordFile(&rd.gate, &rd.inst, path("BAD.VDB")));
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "File error!");
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

TEST_F(RecordGateTest, PrinterOutputOfWriteRecord) {
  vf_SetPrinterReady(true);
  RecordGate w(kKindWriteRecord, 2, 0, 2);
  ASSERT_TRUE(vdb_OpenRecordFile(&w.gate, &w.inst, "PRINTER"));
  vf_SetPrinterReady(false);
  EXPECT_EQ(w.fileState().handle, 0);
  vdb_PrinterText().clear();
  w.state = {1, 2};
  vdb_WriteRecord(&w.gate, &w.inst);
  EXPECT_EQ(vdb_PrinterText(), "1.0        2.0          \r\n");
  vdb_CloseRecordFile(&w.gate, &w.inst);
}

// Gates placed by the editor share their parameters: the file state then lies
// in the gate's own extra values, which every instance points at.
TEST_F(RecordGateTest, SharedGateKeepsItsFileStateInTheGatesExtraValues) {
  writeBytes(path("SHARED.VDB"), vdb(2, {{0.0, 1, 2}, {1.0, 3, 4}}));
  RecordGate g(kKindReadRecord, 0, 2, 1);
  g.gate.Extra = g.extra.data();
  g.gate.ExtraCount = std::uint16_t(g.extra.size());
  g.gate.Flags = model::kGateSharedExtra;
  g.inst.ExtraSlotCount = 0;   // the instance reads the gate's array
  ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("SHARED.VDB")));
  EXPECT_GE(g.fileState().handle, 1);
  vdb_ReadRecord(&g.gate, &g.inst);
  EXPECT_EQ(g.outputs[1], 2.0);
  // A second instance of the same gate sees the same open file.
  model::GateInstance other = g.inst;
  std::vector<double> state2(1, 0.0), out2(2, 0.0);
  other.StateValues = state2.data();
  other.OutputValues = out2.data();
  state2[0] = 1.0;
  vdb_ReadRecord(&g.gate, &other);
  EXPECT_EQ(out2[0], 3.0);
  vdb_CloseRecordFile(&g.gate, &g.inst);
  EXPECT_EQ(g.fileState().handle, -1);
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

// A handle slot read from a project file never names a file of this process:
// a state that carries the number of an unrelated open descriptor is closed,
// and choosing, reopening, reading or closing leaves that descriptor alone.
TEST_F(RecordGateTest, HandleNumberFromAFileIsNeverTrusted) {
  writeBytes(path("DATA.VDB"), vdb(1, {{0.0, 5}, {1.0, 6}}));
  const std::string unrelated = path("UNRELATED.TXT");
  std::FILE* f = std::fopen(unrelated.c_str(), "w");
  ASSERT_NE(f, nullptr);
  const int fd = ::fileno(f);
  for (std::uint8_t kind : {kKindReadRecord, kKindWriteRecord}) {
    RecordGate g(kind, kind == kKindWriteRecord ? 1 : 0, kind == kKindReadRecord ? 1 : 0, kind == kKindWriteRecord ? 2 : 1);
    // The image of a saved state: the descriptor's number in the handle slot.
    RecordFileState saved;
    saved.kind = kKindVdb;
    std::strcpy(saved.name, "DATA.VDB");
    vdb_StoreState(&g.gate, &g.inst, saved);
    const auto fdNumber = std::int16_t(fd);
    std::memcpy(g.extra.data(), &fdNumber, 2);
    EXPECT_EQ(g.fileState().handle, -1) << int(kind);
    vdb_ReadRecord(&g.gate, &g.inst);
    vdb_WriteRecord(&g.gate, &g.inst);
    vdb_RewindRecordFile(&g.gate, &g.inst);
    vdb_CloseRecordFile(&g.gate, &g.inst);
    if (kind == kKindReadRecord) {
      vdb_RecordPath() = dir + "/";
      vdb_ReopenRecordFile(&g.gate, &g.inst);   // opens the named file anew
      EXPECT_GE(g.fileState().handle, 1);
      EXPECT_NE(g.fileState().handle, fd);
      vdb_CloseRecordFile(&g.gate, &g.inst);
    } else {
      std::memcpy(g.extra.data(), &fdNumber, 2);
      ASSERT_TRUE(vdb_OpenRecordFile(&g.gate, &g.inst, path("OUT2.VDB")));
      vdb_CloseRecordFile(&g.gate, &g.inst);
    }
    ASSERT_GE(std::fputs("still open\n", f), 0) << int(kind);
    ASSERT_EQ(std::fflush(f), 0) << "the unrelated descriptor was closed (" << int(kind) << ")";
  }
  std::fclose(f);
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
  EXPECT_EQ(vdb_OpenRecordFileCount(), 0u);
}

// The simulation step: a Read-Record gate takes every record whose time has
// come; a Write-Record gate writes one record per time with the values it
// settled on, the last one when its file closes under its own name.
TEST_F(RecordGateTest, StepsReadAndWriteOneRecordPerTime) {
  RecordGate w(kKindWriteRecord, 1, 0, 2);
  std::vector<double> input(1, 0.0);
  w.inst.InputValues = input.data();
  w.inst.InputSlotCount = 1;
  ASSERT_TRUE(vdb_OpenRecordFile(&w.gate, &w.inst, path("RUN.VDB")));
  EXPECT_TRUE(std::filesystem::exists(path("RUN.VDB~")));
  for (int step = 0; step < 3; ++step) {
    const double t = 0.5 * step;
    input[0] = 99.0;   // an iteration that had not settled yet
    vdb_StepRecordGate(&w.gate, &w.inst, t);
    input[0] = 10.0 + step;
    vdb_StepRecordGate(&w.gate, &w.inst, t);
  }
  vdb_CloseRecordFile(&w.gate, &w.inst);
  EXPECT_FALSE(std::filesystem::exists(path("RUN.VDB~")));
  ASSERT_TRUE(std::filesystem::exists(path("RUN.VDB")));
  {
    const std::vector<std::uint8_t> got = bytesOf(path("RUN.VDB"));
    EXPECT_EQ(std::string(got.begin(), got.end()), vdb(1, {{0.0, 10}, {0.5, 11}, {1.0, 12}}));
  }

  RecordGate r(kKindReadRecord, 0, 1, 1);
  ASSERT_TRUE(vdb_OpenRecordFile(&r.gate, &r.inst, path("RUN.VDB")));
  vdb_StepRecordGate(&r.gate, &r.inst, 0.0);
  EXPECT_EQ(r.outputs[0], 10.0);
  vdb_StepRecordGate(&r.gate, &r.inst, 0.75);   // the record of 0.5 only
  EXPECT_EQ(r.outputs[0], 11.0);
  vdb_StepRecordGate(&r.gate, &r.inst, 5.0);
  EXPECT_EQ(r.outputs[0], 12.0);
  EXPECT_EQ(r.state[0], kNoRecordFile);
  vdb_CloseRecordFile(&r.gate, &r.inst);
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

// A project that goes away closes every record file: the last record is
// written and the file takes its own name.
TEST_F(RecordGateTest, ClosingAllWritesTheLastRecordAndRenames) {
  RecordGate w(kKindWriteRecord, 1, 0, 2);
  std::vector<double> input(1, 4.0);
  w.inst.InputValues = input.data();
  w.inst.InputSlotCount = 1;
  ASSERT_TRUE(vdb_OpenRecordFile(&w.gate, &w.inst, path("ALL.VDB")));
  vdb_StepRecordGate(&w.gate, &w.inst, 0.0);
  input[0] = 5.0;
  vdb_StepRecordGate(&w.gate, &w.inst, 0.1);
  vdb_CloseAllRecordFiles();
  EXPECT_EQ(vdb_OpenRecordFileCount(), 0u);
  EXPECT_EQ(w.fileState().handle, -1);
  EXPECT_FALSE(std::filesystem::exists(path("ALL.VDB~")));
  const std::vector<std::uint8_t> got = bytesOf(path("ALL.VDB"));
  EXPECT_EQ(std::string(got.begin(), got.end()), vdb(1, {{0.0, 4}, {0.1, 5}}));
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

} // namespace
} // namespace rec::test
