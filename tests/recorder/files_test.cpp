// The recorder files: ".VAL" (with and without the gate channel), ".VDB",
// ".VAT", ".PAR" and the printer form, byte for byte; kind detection; replay
// up to the end marker; headers that are refused whole.
#include "fixture.h"

#include "modelfiles/bytes.h"
#include "modelfiles/state.h"
#include "recorder/recfiles.h"
#include "recorder/recorder.h"

#include <cstring>

namespace rec::test {
namespace {

using modelfiles::getF64;
using modelfiles::getU16;

class FilesTest : public RecFixture {
protected:
  Recorder r;
  void SetUp() override {
    RecFixture::SetUp();
    vf_UnitInit(r, dir);
    ASSERT_TRUE(tr_BindChannel(r, logic, logic->FirstInstance, pickX(), pickY()));
  }
  void record(const std::string& name, int samples) {
    ASSERT_TRUE(vf_OpenOutputAs(r, logic, path(name)));
    for (int i = 0; i < samples; ++i) {
      sourceValue() = 10.0 * i;
      tr_TakeSample(r, false, 0.5 * i);
    }
  }
  std::vector<std::uint8_t> headerOf(const Recorder& rr) {
    MemStream m;
    EXPECT_TRUE(vf_WriteHeader(m, rr, logic));
    return m.data;
  }
};

TEST_F(FilesTest, KindOfAName) {
  struct Case { const char* name; std::uint16_t kind; int message; };
  const Case cases[] = {
      {"ABCD.VAL", 1, 0}, {"ABCD.VDB", 2, 0}, {"ABCD.VAT", 4, 0}, {"/some/dir.x/ABCD.VAL", 1, 0},
      {"ABCD.val", 0, 50044}, {"ABCDEFGHIJKLMNOP.VAL", 0, 50044}, {"PRINTER", 0, 50016}, {"NAME", 0, 50044},
  };
  for (const Case& k : cases) {
    ui->clear();
    EXPECT_EQ(vf_OutputKindOf(k.name), k.kind) << k.name;
    const auto shown = ui->shown();
    if (k.message == 0) EXPECT_TRUE(shown.empty()) << k.name;
    else {
      ASSERT_EQ(shown.size(), 1u) << k.name;
      EXPECT_EQ(shown[0].text, recMessageText(k.message)) << k.name;
    }
  }
  vf_SetPrinterReady(true);
  EXPECT_EQ(vf_OutputKindOf("PRINTER"), kKindPrinter);
  vf_SetPrinterReady(false);
}

TEST_F(FilesTest, ValueFileLayoutAndReplay) {
  for (bool gateChannel : {false, true}) {
    SCOPED_TRACE(gateChannel ? "gate channel" : "no gate channel");
    tr_SetGateChannel(r, gateChannel);
    if (gateChannel) {
      ASSERT_TRUE(tr_BindChannelTo(r, *r.gateChannel, logic, sink, instanceOf(sink), 1, 1));
      r.gateChannel->pickX = std::int16_t(pickX());
      r.gateChannel->pickY = std::int16_t(pickY());
      r.gateChannel->gate = source;   // bound at the same wire
      r.gateChannel->instance = instanceOf(source);
      r.gateChannel->valuePtr = &sourceValue();
    }
    const std::string name = gateChannel ? "WITHG.VAL" : "PLAIN.VAL";
    record(name, 3);
    EXPECT_FALSE(std::filesystem::exists(path(name))) << "the name holds no half-written file";
    vf_CloseOutput(r, true);
    const auto b = bytesOf(path(name));
    ASSERT_GT(b.size(), 29u);
    EXPECT_EQ(b[0], 1);                       // grid
    EXPECT_EQ(b[2], gateChannel ? 1 : 0);     // gate-channel flag
    EXPECT_EQ(getF64(&b[9]), 1.0);            // time per division
    EXPECT_EQ(getU16(&b[27]), 16);            // channels
    // Channel 1: pin, element, picked point, factor, axis, hidden.
    EXPECT_EQ(getU16(&b[29 + 16]), 1);
    EXPECT_EQ(getU16(&b[29 + 18]), 1);
    EXPECT_EQ(std::int16_t(getU16(&b[29 + 28])), pickX());
    EXPECT_EQ(getF64(&b[29 + 40]), 1.0);
    EXPECT_EQ(getU16(&b[29 + 58]), 1);
    EXPECT_EQ(b[29 + 60], 0);
    std::size_t at = 29 + 64 * 16 + (gateChannel ? 64 : 0);
    EXPECT_EQ(getU16(&b[at]), 2);             // axes shown
    at += 2;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[at + 24])), "Noname");
    at += 400;
    EXPECT_EQ(getU16(&b[at]), source->GateNumber);   // channel 1's path
    EXPECT_EQ(getU16(&b[at + 2]), 0);
    at += 4 + 15 * 2 + (gateChannel ? 4 : 0);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(getF64(&b[at + std::size_t(i) * 136]), 0.5 * i);
      EXPECT_EQ(getF64(&b[at + std::size_t(i) * 136 + 8]), 10.0 * i);
      EXPECT_EQ(getF64(&b[at + std::size_t(i) * 136 + 16]), kNoValue);
    }
    at += 3 * 136;
    EXPECT_EQ(getF64(&b[at]), kEndMarker);
    const auto state = modelfiles::mdl_EncodeLogicState(*logic);
    EXPECT_EQ(b.size(), at + 8 + state.size());

    // The header read back and written again is the same bytes.
    MemStream in(b);
    Recorder r2;
    ASSERT_EQ(vf_ReadHeader(in, r2, logic), 0);
    EXPECT_EQ(r2.recHasGateChannel, gateChannel ? 1 : 0);
    const auto again = headerOf(r2);
    ASSERT_LE(again.size(), b.size());
    EXPECT_TRUE(std::equal(again.begin(), again.end(), b.begin()));

    // Replay stops at the end marker without consuming it.
    Recorder r3;
    vf_UnitInit(r3, dir);
    ASSERT_TRUE(vf_OpenValForReplay(r3, logic, path(name)));
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(tr_ReadSample(r3)) << i;
      EXPECT_EQ(r3.recSampleTime, 0.5 * i);
      EXPECT_EQ(r3.readValues[0], 10.0 * i);
    }
    EXPECT_FALSE(tr_ReadSample(r3));
    EXPECT_FALSE(tr_ReadSample(r3));
    EXPECT_EQ(r3.recSampleTime, 1.0);
    vf_CloseOutput(r3, true);
    EXPECT_EQ(bytesOf(path(name)), b) << "replay leaves the file as it is";
  }
  EXPECT_EQ(modelfiles::gem_OpenCount(), 0);
}

TEST_F(FilesTest, ValueFileClosedWithoutFinalHasNoEndMarker) {
  record("NOEND.VAL", 2);
  vf_CloseOutput(r, false);
  const auto b = bytesOf(path("NOEND.VAL"));
  const auto head = headerOf(r);
  EXPECT_EQ(b.size(), head.size() + 2 * 136);
  EXPECT_EQ(r.outputName, dir + "/TEMP.VAL");
}

TEST_F(FilesTest, DataFileRecordsAndBinaryRoundTrip) {
  record("DATA.VDB", 4);
  vf_CloseOutput(r, true);
  const auto b = bytesOf(path("DATA.VDB"));
  ASSERT_EQ(b.size(), 2u + 4 * 136);   // no end marker, no state
  EXPECT_EQ(getU16(&b[0]), 16);
  EXPECT_EQ(getF64(&b[2 + 136]), 0.5);
  EXPECT_EQ(getF64(&b[2 + 136 + 8]), 10.0);
}

TEST_F(FilesTest, TextDataFileFields) {
  tr_SetChannelCount(r, 1, 3);
  ASSERT_TRUE(vf_OpenOutputAs(r, logic, path("TEXT.VAT")));
  r.writeTime = 1.5;
  r.writeValues[0] = 2;
  r.writeValues[1] = 3;
  r.writeValues[2] = 4;
  ASSERT_TRUE(tr_WriteSample(r));
  vf_CloseOutput(r, true);
  const auto b = bytesOf(path("TEXT.VAT"));
  const std::string s(b.begin(), b.end());
  const std::string f15 = "               ";
  auto field = [&](const char* t) { return std::string(t) + f15.substr(std::strlen(t)); };
  EXPECT_EQ(s, std::string("3\0\0\r\n", 5) + field("1.5") + " " + field("2.0") + " " + field("3.0") + " " +
                   field("4.0") + "\r\n");
}

TEST_F(FilesTest, PrinterLines) {
  std::vector<double> v(23);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = double(i);
  const std::string p = vf_PrinterRecord(v.data(), v.size(), 1);
  const auto first = p.find("\r\n");
  EXPECT_EQ(first, 10u + 10 * 12);            // the time and ten values
  EXPECT_EQ(p.substr(first + 2, 10), std::string(10, ' '));
  EXPECT_EQ(p.size(), first + 2 + 10 + 10 * 12 + 2 + 10 + 2 * 12 + 2);
}

TEST_F(FilesTest, SetupFileRoundTrip) {
  r.recRoll = 1;
  r.recTrigger = -1;
  r.recTriggerLevel = 0.25;
  r.recTriggerChannel = 1;
  r.recTimePerDivision = 0.5;
  r.channel(1)->factor = 3.0;
  std::strcpy(r.recAxes[2].name, "Pressure");
  ASSERT_TRUE(vf_WriteParFile(r, logic, path("SET.PAR")));
  const auto b = bytesOf(path("SET.PAR"));
  EXPECT_EQ(b, headerOf(r));
  Recorder r2;
  ASSERT_TRUE(vf_ReadParFile(r2, logic, path("SET.PAR")));
  EXPECT_EQ(r2.channel(1)->gate, source);
  EXPECT_EQ(r2.triggerChannel, r2.channel(1));
  EXPECT_EQ(r2.recChannelTable[1].factor, 3.0);
  ASSERT_TRUE(vf_WriteParFile(r2, logic, path("SET2.PAR")));
  EXPECT_EQ(bytesOf(path("SET2.PAR")), b);
}

TEST_F(FilesTest, UnboundChannelIsAcceptedInSetupButRefusedForReplay) {
  record("MOVED.VAL", 1);
  vf_CloseOutput(r, true);
  ASSERT_TRUE(vf_WriteParFile(r, logic, path("MOVED.PAR")));
  source->GateNumber = std::uint16_t(source->GateNumber + 50);   // the path no longer leads there
  Recorder r2;
  vf_UnitInit(r2, dir);
  EXPECT_TRUE(vf_ReadParFile(r2, logic, path("MOVED.PAR")));
  EXPECT_EQ(r2.channel(1)->logic, nullptr);
  ui->clear();
  EXPECT_FALSE(vf_OpenValForReplay(r2, logic, path("MOVED.VAL")));
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, recMessageText(50040));
  EXPECT_TRUE(r2.channels.empty());
  EXPECT_FALSE(r2.outputOpen);
}

TEST_F(FilesTest, BadHeadersAreRefusedWhole) {
  const auto good = headerOf(r);
  auto patched = [&](std::size_t at, std::vector<std::uint8_t> bytes) {
    auto h = good;
    std::copy(bytes.begin(), bytes.end(), h.begin() + long(at));
    return h;
  };
  std::vector<std::uint8_t> zeroTime(8, 0), negTime(8, 0);
  negTime[7] = 0xBF;
  negTime[6] = 0xF0;
  // A path of 102 words for a header of one channel.
  Recorder one;
  tr_SetChannelCount(one, 1, 1);
  auto longPath = headerOf(one);
  longPath.pop_back();
  longPath.pop_back();
  for (int i = 0; i < 102; ++i) {
    longPath.push_back(7);
    longPath.push_back(0);
  }
  longPath.push_back(0);
  longPath.push_back(0);
  const std::vector<std::vector<std::uint8_t>> bad = {
      patched(9, zeroTime), patched(9, negTime), patched(27, {37, 0}), patched(29 + 58, {5, 0}),
      std::vector<std::uint8_t>(good.begin(), good.begin() + 100), longPath, {}};
  int i = 0;
  for (const auto& h : bad) {
    SCOPED_TRACE(i++);
    Recorder target;
    tr_SetChannelCount(target, 1, 3);
    target.recTimePerDivision = 2.0;
    MemStream m(h);
    EXPECT_EQ(vf_ReadHeader(m, target, logic), -1);
    EXPECT_EQ(target.channels.size(), 3u);
    EXPECT_EQ(target.recTimePerDivision, 2.0);
  }
}

TEST_F(FilesTest, UnreadableSetupFileRemovesChannels) {
  writeBytes(path("BAD.PAR"), "xyz");
  ui->clear();
  EXPECT_FALSE(vf_ReadParFile(r, logic, path("BAD.PAR")));
  EXPECT_TRUE(r.channels.empty());
  ASSERT_EQ(ui->shown().size(), 1u);
  EXPECT_EQ(ui->shown()[0].text, "File error!");
}

TEST_F(FilesTest, SeekToTheMiddleOfARecording) {
  r.recRoll = 1;
  r.hasWindow = true;
  r.recTimePerDivision = 1.0;
  r.recWindowLength = 18.0;
  r.recTimePerColumn = 0.025;
  r.layoutValid = false;
  record("SEEK.VAL", 200);   // 0 .. 99.5
  r.recFirstTime = 0.0;
  tr_ScrollTo(r, 500);
  EXPECT_GT(r.recSampleTime, 40.0);
  EXPECT_LT(r.recSampleTime, 80.0);
  tr_ScrollTo(r, -8);
  EXPECT_LT(r.recSampleTime, 25.0);
  vf_CloseOutput(r, true);
}

} // namespace
} // namespace rec::test
