// The file layer and the serializers of single records.
#include "files_fixture.h"

#include "modelfiles/recordio.h"

namespace modelfiles::test {
namespace {

class FileLayer : public FilesFixture {};

TEST_F(FileLayer, PathHelpers) {
  EXPECT_EQ(gem_LastSlash("C:\\PROJ\\X.MDL", 100), 8u);
  EXPECT_EQ(gem_LastSlash("/a/b/x", 100), 5u);
  EXPECT_EQ(gem_LastSlash("noslash", 100), 0u);
  EXPECT_EQ(gem_LastSlash("/a/b/x", 21), 0u) << "fewer than 17 places would stay";
  EXPECT_EQ(gem_LastSlash("/a/b/x", 22), 5u);
  EXPECT_EQ(gem_JoinPath("/a/b/old.mdl", "NEW.MDL"), "/a/b/NEW.MDL");
  EXPECT_EQ(gem_JoinPath("/a/b/", "ABCDEFGHIJKLMNOPQRSTUV"), "/a/b/ABCDEFGHIJKLMNOP");
  EXPECT_EQ(gem_CurrentDir("/a/b"), "/a/b/");
  EXPECT_EQ(gem_CurrentDir("/a/b/"), "/a/b/");
}

TEST_F(FileLayer, SelectorPicksTheDialogByKindAndCommand) {
  struct Case { const char* kind; std::uint16_t command; FileDialog service; } cases[] = {
      {".MDL", 0, FileDialog::AnswerPendingOpen},   {".MDL", 207, FileDialog::AnswerPendingOpenB},
      {".MDL", 288, FileDialog::AnswerNoneC},        {".MDL", 287, FileDialog::AnswerNoneD},
      {".PAR", 0, FileDialog::AnswerNoneA},          {".VAL", 0, FileDialog::AnswerNoneB},
      {".LPA", 0, FileDialog::AnswerNoneC},          {".MCO", 0, FileDialog::AskOpenPreset},
      {".M*", 0, FileDialog::AskOpenPreset},         {".BMP", 0, FileDialog::OpenWithDirList},
  };
  for (const Case& c : cases) EXPECT_EQ(gem_DialogFor(c.kind, c.command), c.service) << c.kind << " " << c.command;
  // Kinds that answer no file never reach the shell.
  std::string p = dir + "/x.PAR";
  files.answers = {"A.PAR"};
  EXPECT_FALSE(gem_FileSelect(p, ".PAR"));
  EXPECT_EQ(p, dir + "/*.PAR");
  EXPECT_TRUE(files.asked.empty());
  p = dir + "/x.MDL";
  files.answers = {"CHOSEN.MDL"};
  EXPECT_TRUE(gem_FileSelect(p, ".MDL"));
  EXPECT_EQ(p, dir + "/CHOSEN.MDL");
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].second, dir + "/*.MDL");
}

TEST_F(FileLayer, OpenReadWriteSeek) {
  std::string name = path("data.bin");
  FileHandle h = 0;
  ASSERT_GE(gem_OpenOrCreate(name, h), 1);
  ASSERT_TRUE(gem_WriteChecked(h, "0123456789", 10));
  long pos = 0;
  gem_Fseek(2, h, 0, pos);
  EXPECT_EQ(pos, 2);
  ASSERT_TRUE(gem_SkipForward(h, 3));
  char c = 0;
  ASSERT_TRUE(gem_ReadChecked(h, &c, 1));
  EXPECT_EQ(c, '5') << "skips from the current position";
  long n = 100;
  char buf[100];
  gem_Fread(h, n, buf);
  EXPECT_EQ(n, 4);
  gem_Fclose(h);
  gem_Fclose(-1);   // ignored
  // Empty files do not count as existing.
  writeBytes("empty.bin", {});
  std::string e = path("empty.bin");
  EXPECT_EQ(gem_OpenExisting(e, h), -1);
  std::string marked = path("mark.bin");
  EXPECT_EQ(gem_OpenExistingOrMark(marked, h), -1);
  EXPECT_TRUE(std::filesystem::exists(path("mark.bin")));
  std::string existing = path("DATA.BIN");   // case ignored
  ASSERT_GE(gem_OpenExisting(existing, h), 1);
  gem_Fclose(h);
  // A bare name lies in the temporary folder.
  std::string bare = "bare.tmp";
  ASSERT_GE(gem_OpenOrCreate(bare, h), 1);
  gem_Fclose(h);
  EXPECT_TRUE(std::filesystem::exists(path("bare.tmp")));
  gem_Fdelete(path("bare.tmp"));
  gem_Fdelete(path("bare.tmp"));   // silent
  EXPECT_FALSE(std::filesystem::exists(path("bare.tmp")));
  // The backup rename.
  writeBytes("P.MDL", {1});
  gem_Frename(path("P.MDL"));
  EXPECT_TRUE(std::filesystem::exists(path("P.MD~")));
  EXPECT_FALSE(std::filesystem::exists(path("P.MDL")));
}

// Write, read and write again: the same bytes at the format's sizes.
TEST_F(FileLayer, RecordImagesRoundTrip) {
  LogicRecord l{};
  std::strcpy(l.Name, "LOGIC");
  l.AuxWord = 1; l.InputPortCount = 2; l.OutputPortCount = 3; l.AuxLong = 4; l.Flags = 5; l.FlagsAux = 6;
  l.Height = -7; l.Width = 8; l.GateCounter = 9; l.StepBlock.simTime = 10.5; l.StepBlock.maxIterations = 11;
  l.currentStep = 12; l.previousStep = 13; l.Text3[15] = 'z';
  for (int i = 0; i < 68; ++i) l.Further[i] = std::uint8_t(i + 1);
  LogicLinks lk{1, 2, 3, 4, 5};
  ByteWriter w;
  writeLogicRecord(w, l, lk);
  ASSERT_EQ(w.size(), kLogicRecordSize);
  EXPECT_EQ(getU16(w.bytes.data() + 56), 9);
  EXPECT_EQ(getU32(w.bytes.data() + 32), 3u);
  EXPECT_EQ(getF64(w.bytes.data() + 60), 10.5);
  EXPECT_EQ(w.bytes[235], 68);
  ByteReader r(w.bytes);
  LogicRecord back{};
  LogicLinks bk;
  ASSERT_TRUE(readLogicRecord(r, back, bk, false));
  ByteWriter w2;
  writeLogicRecord(w2, back, bk);
  EXPECT_EQ(w2.bytes, w.bytes);

  GateRecord g{};
  g.Kind = 133; g.X = -5; g.Y = 6; g.InputCount = 1; g.OutputCount = 2; g.ExtraCount = 3; g.StateCount = 4;
  g.VectorDimension = 5; g.Flags = 6; g.UseCount = 7; g.GateNumber = 8; g.AuxLong = 9; g.AuxByte = 10;
  g.AuxByte2 = 11; g.AuxWord54 = 12; g.Selected = 13; g.HeldSelected = 14; g.BitCount = 15; g.WordCount = 16;
  g.SequenceNumber = 17; g.AuxWord66 = 18;
  GateLinks gk{1, 2, 3, 4, 5, 6};
  ByteWriter gw;
  writeGateRecord(gw, g, gk);
  ASSERT_EQ(gw.size(), kGateRecordSize);
  EXPECT_EQ(getU16(gw.bytes.data() + 40), 8);
  EXPECT_EQ(getU32(gw.bytes.data() + 44), 6u);
  EXPECT_EQ(getU16(gw.bytes.data() + 56), 13);
  EXPECT_EQ(getU16(gw.bytes.data() + 66), 18);
  ByteReader gr(gw.bytes);
  GateRecord gb{};
  GateLinks gbk;
  ASSERT_TRUE(readGateRecord(gr, gb, gbk, false));
  ByteWriter gw2;
  writeGateRecord(gw2, gb, gbk);
  EXPECT_EQ(gw2.bytes, gw.bytes);

  GateTypeRecord t{};
  std::memcpy(t.Name, "SIXTEENCHARNAME!", 16);
  t.ExtraCount = 1; t.StepLength = 2; t.ProcLength[6] = 3; t.Flags = 0x40; t.AuxType[1] = 9;
  ByteWriter tw;
  writeTypeRecord(tw, t, 0, 0x1234);
  ASSERT_EQ(tw.size(), kTypeRecordSize);
  EXPECT_EQ(getU32(tw.bytes.data() + 108), 0x1234u);
  EXPECT_EQ(getU16(tw.bytes.data() + 70), 3);
  EXPECT_EQ(getU16(tw.bytes.data() + 54), 0x40);
  ByteReader tr(tw.bytes);
  GateTypeRecord tb{};
  std::uint32_t next = 0;
  readTypeRecord(tr, tb, next);
  EXPECT_EQ(tb.LinkId, 0x1234u);
  ByteWriter tw2;
  writeTypeRecord(tw2, tb, 0, tb.LinkId);
  EXPECT_EQ(tw2.bytes, tw.bytes);

  ProjectModule m{};
  std::memcpy(m.Name, "TWELVECHARS.", 12);
  m.Flags = 1; m.CodeBlockSize = 2; m.VariableBlockSize = 3; m.ConstantBlockSize = 4; m.Loaded = 5;
  ByteWriter mw;
  writeModuleHeader(mw, m, ModuleLinks{1, 2, 3, 4, 5});
  writeModuleTail(mw, m, ModuleLinks{1, 2, 3, 4, 5});
  ASSERT_EQ(mw.size(), kModuleRecordSize);
  EXPECT_EQ(getU32(mw.bytes.data() + 36), 3u);
  EXPECT_EQ(getU32(mw.bytes.data() + 48), 5u);

  ByteWriter pw;
  InputPin ip{nullptr, 2, 20, 3, nullptr, nullptr};
  writeInputPin(pw, ip, PinLinks{7, 8, 9});
  writeOutputPin(pw, OutputPin{1, 23, 1});
  writeWirePoint(pw, WirePoint{nullptr, -3, 4}, 1);
  writePortRow(pw, PortRow{-170, -30, 65535});
  EXPECT_EQ(pw.size(), kInputPinSize + kOutputPinSize + kWirePointSize + kPortRowSize);
  EXPECT_EQ(getU32(pw.bytes.data() + 16), 9u) << "branch at 16";
}

TEST_F(FileLayer, ProjectByteMoves) {
  writeBytes("B.BIN", {1, 2, 3, 4});
  std::string p = path("B.BIN");
  FileHandle h = 0;
  ASSERT_GE(gem_OpenExisting(p, h), 1);
  LoadStatus.clear();
  std::uint8_t two[2];
  EXPECT_FALSE(mdl_ReadBytes(h, 0, two)) << "nothing to move";
  EXPECT_FALSE(mdl_ReadBytes(h, 2, two));
  EXPECT_EQ(two[1], 2);
  void* block = nullptr;
  EXPECT_TRUE(mdl_ReadAlloc(h, 3, block)) << "more than the file holds";
  EXPECT_EQ(block, nullptr);
  EXPECT_TRUE(LoadStatus.fileError);
  LoadStatus.clear();
  ASSERT_FALSE(mdl_ReadAlloc(h, 2, block));
  EXPECT_EQ(static_cast<std::uint8_t*>(block)[1], 4);
  mm_Deallocate(block, 2);
  EXPECT_FALSE(mdl_ReadAlloc(h, 0, block));
  EXPECT_EQ(block, nullptr);
  EXPECT_TRUE(mdl_ReadBytes(h, 1, two)) << "at the end";
  EXPECT_TRUE(LoadStatus.fileError);
  gem_Fclose(h);
  LoadStatus.clear();
}

TEST_F(FileLayer, ReaderNeverPassesTheEnd) {
  const std::uint8_t data[3] = {1, 2, 3};
  ByteReader r(data, 3);
  EXPECT_EQ(r.u16(), 0x0201);
  EXPECT_EQ(r.u32(), 0u);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.left(), 0u);
  EXPECT_EQ(r.take(1), nullptr);
}

} // namespace
} // namespace modelfiles::test
