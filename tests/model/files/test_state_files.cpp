// Logic state files and their numbered names.
#include "files_fixture.h"

#include "modelfiles/recordio.h"
#include "modelfiles/state.h"

namespace modelfiles::test {
namespace {

class StateFiles : public FilesFixture {
protected:
  void SetUp() override {
    FilesFixture::SetUp();
    StateDirectory = dir;
    StateFilePath.clear();
  }
};

TEST_F(StateFiles, WrittenAndReadBackWithSubprogramValues) {
  buildSample(false);
  LogicRecord* main = doc->LastLogic;
  ASSERT_STREQ(main->Name, "MAIN");
  DumpOptions all;
  all.runFields = true;
  const std::string before = mdl_DumpDocument(*doc, all);
  ASSERT_EQ(mdl_WriteLogicStateFile(main, path("MAIN.000")), 1);
  // Change values and the step block, then read the state back.
  double v = 1000;
  fillValues(main->FirstInstance, v);
  main->StepBlock.simTime = 99;
  ASSERT_EQ(mdl_ReadLogicStateFile(main, path("MAIN.000")), 1);
  EXPECT_EQ(mdl_DumpDocument(*doc, all), before);
  const auto bytes = readBytes("MAIN.000");
  EXPECT_EQ(bytes.size(), 44 + (mdl_EncodeLogicState(*main).size() - 44));
  EXPECT_EQ(getF64(bytes.data()), 12.25) << "the step block heads the file";
}

TEST_F(StateFiles, TreeFollowsTheLogicAsItChanged) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd, 0, 0);
  GateRecord* b = make(l, kKindAnd, 100, 0);
  GateInstance* ai = l->FirstInstance;
  ai->OutputValues[0] = 7;
  ai->InputValues[0] = 1;
  ai->InputValues[1] = 2;
  l->FirstInstance->Next->OutputValues[0] = 8;
  ASSERT_EQ(mdl_WriteLogicStateFile(l, path("L.000")), 1);
  // A gate added after the state was written keeps its values; a deleted
  // gate's record is skipped; a grown input count keeps the rest.
  shellFake.integers = {2};
  GateRecord* c = make(l, kKindOr, 200, 0);
  GateInstance* ci = inst_Parallel(l, l->FirstInstance, c);
  ci->OutputValues[0] = 33;
  ASSERT_TRUE(ge_DeleteGate(l, b));
  ai = l->FirstInstance;
  ai->OutputValues[0] = 0;
  ASSERT_EQ(mdl_ReadLogicStateFile(l, path("L.000")), 1);
  EXPECT_EQ(ai->OutputValues[0], 7);
  EXPECT_EQ(ai->InputValues[1], 2);
  EXPECT_EQ(inst_Parallel(l, l->FirstInstance, c)->OutputValues[0], 33);
  (void)a;
}

TEST_F(StateFiles, ShorterInputArrayFillsTheStart) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2};
  make(l, kKindAnd, 0, 0);
  l->FirstInstance->InputValues[0] = 5;
  l->FirstInstance->InputValues[1] = 6;
  ByteWriter w;
  writeStepBlock(w, l->StepBlock);
  w.u16(l->FirstGate->GateNumber);
  w.u32(8);
  w.f64(1.5);   // one of two inputs
  w.u32(8);
  w.f64(2.5);
  w.zeros(65);
  w.u32(0);
  w.u32(0);
  w.u16(0);
  writeBytes("S.000", w.bytes);
  ASSERT_EQ(mdl_ReadLogicStateFile(l, path("S.000")), 1);
  EXPECT_EQ(l->FirstInstance->InputValues[0], 1.5);
  EXPECT_EQ(l->FirstInstance->InputValues[1], 6);
  EXPECT_EQ(l->FirstInstance->OutputValues[0], 2.5);
}

TEST_F(StateFiles, BadFilesAreReported) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2};
  make(l, kKindAnd, 0, 0);
  ASSERT_EQ(mdl_WriteLogicStateFile(l, path("L.000")), 1);
  auto bytes = readBytes("L.000");
  // Cut short: file error, nothing changed.
  writeBytes("CUT.000", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 3));
  l->StepBlock.simTime = 4;
  EXPECT_EQ(mdl_ReadLogicStateFile(l, path("CUT.000")), 0);
  EXPECT_TRUE(shown("File error!"));
  EXPECT_EQ(l->StepBlock.simTime, 4);
  // A nested tree on a gate that is no call: version conflict.
  auto nested = bytes;
  const std::size_t state = nested.size() - 2 - 4;
  putU32(nested.data() + state, 0xFFFFFFFF);
  nested.push_back(0);
  nested.push_back(0);
  writeBytes("NEST.000", nested);
  EXPECT_EQ(mdl_ReadLogicStateFile(l, path("NEST.000")), 0);
  EXPECT_TRUE(shown("Error!   Version conflict in loaded data or library."));
  // A missing file: 0 without message.
  sink->clear();
  EXPECT_EQ(mdl_ReadLogicStateFile(l, path("NONE.000")), 0);
  EXPECT_TRUE(sink->shown().empty());
}

TEST_F(StateFiles, NumberedNamesAndTheDialog) {
  LogicRecord* l = ge_NewLogic("a-b.c,d:e;f&gh ij");
  EXPECT_EQ(mdl_DefaultStateName(l, true), "A_B_C_D_.000");
  EXPECT_EQ(mdl_DefaultStateName(l, false), "A_B_C_D_.000");
  LogicRecord* m = ge_NewLogic("MOTOR X");
  writeBytes("MOTOR.000", {0});
  writeBytes("MOTOR.001", {0});
  EXPECT_EQ(mdl_DefaultStateName(m, true), "MOTOR.002");
  EXPECT_EQ(mdl_DefaultStateName(m, false), "MOTOR.001");
  // Writing through the dialog: the proposal preselected, the choice kept.
  files.answers = {"MOTOR.002"};
  ASSERT_EQ(mdl_WriteLogicState(m), 1);
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].second, dir + "/MOTOR.*");
  EXPECT_EQ(StateFilePath, dir + "/MOTOR.002");
  EXPECT_TRUE(std::filesystem::exists(path("MOTOR.002")));
  // A cancelled dialog does nothing and succeeds.
  EXPECT_EQ(mdl_ReadLogicState(m), 1);
  // Working copies lie in the temporary folder.
  ASSERT_EQ(mdl_WriteLogicStateFile(m, kStateWorkCopy), 1);
  EXPECT_TRUE(std::filesystem::exists(path("TEMP.000")));
  EXPECT_EQ(mdl_ReadLogicStateFile(m, kStateWorkCopy), 1);
}

TEST_F(StateFiles, ValueTreeThroughAnOpenFile) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2};
  make(l, kKindAnd, 0, 0);
  l->FirstInstance->OutputValues[0] = 3;
  std::string p = path("V.VAL");
  FileHandle h = 0;
  ASSERT_GE(gem_OpenOrCreate(p, h), 1);
  ASSERT_TRUE(gem_WriteChecked(h, "HEAD", 4));
  ASSERT_FALSE(mdl_WriteValueTree(h, l->FirstGate, l->FirstInstance));
  ASSERT_TRUE(gem_WriteChecked(h, "TAIL", 4));
  l->FirstInstance->OutputValues[0] = 0;
  long pos = 0;
  gem_Fseek(4, h, 0, pos);
  ASSERT_FALSE(mdl_ReadValueTree(h, l->FirstGate, l->FirstInstance));
  EXPECT_EQ(l->FirstInstance->OutputValues[0], 3);
  char tail[4];
  ASSERT_TRUE(gem_ReadChecked(h, tail, 4)) << "the position is behind the tree";
  EXPECT_EQ(std::string(tail, 4), "TAIL");
  gem_Fclose(h);
}

} // namespace
} // namespace modelfiles::test
