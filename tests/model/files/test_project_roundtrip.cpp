// Save, load and save again: the same document and the same bytes.
#include "files_fixture.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/wait.h>

namespace modelfiles::test {
namespace {

class ProjectRoundTrip : public FilesFixture {};

TEST_F(ProjectRoundTrip, SaveLoadSaveGivesTheSameDocumentAndBytes) {
  buildSample();
  expectSound();
  DumpOptions all;
  all.runFields = true;
  const std::string before = mdl_DumpDocument(*doc, all);
  if (std::getenv("MDL_SHOW_DUMP")) std::printf("%s", before.c_str());
  for (const char* part : {"calls \"SAMPLE.MDL\"/\"MID\"", "calls \"SAMPLE.MDL\"/\"DEEP\"", "branch of", "marker ", "type \"BLK\"", "wire 70,15", "kind 66"})
    EXPECT_NE(before.find(part), std::string::npos) << part;
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto first = readBytes("SAMPLE.MDL");
  // MDL_SEED_DIR: keep the files as seeds for the fuzz targets.
  if (const char* seeds = std::getenv("MDL_SEED_DIR")) {
    std::filesystem::copy_file(path("SAMPLE.MDL"), std::string(seeds) + "/sample.mdl",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(path("BLK.MCO"), std::string(seeds) + "/blk.mco",
                               std::filesystem::copy_options::overwrite_existing);
  }
  ASSERT_EQ(mdl_EncodeProject(*doc), first) << "saving twice gives identical bytes";

  newDocument();
  sink->clear();
  ASSERT_EQ(load("SAMPLE.MDL", 1), 1) << testing::PrintToString(messages());
  EXPECT_TRUE(messages().empty()) << testing::PrintToString(messages());
  expectSound();
  EXPECT_EQ(mdl_DumpDocument(*doc, all), before);
  // No link id survives the load.
  for (ProjectModule* m = doc->FirstModule; m; m = m->Next) {
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      EXPECT_EQ(l->LinkId, 0u);
      for (GateRecord* g = l->FirstGate; g; g = g->Next) EXPECT_EQ(g->LinkId, 0u);
    }
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) EXPECT_EQ(t->LinkId, 0u);
  }
  // The block library came from its own file, its variables from the project.
  ProjectModule* blk = doc->FirstModule->Next;
  ASSERT_NE(blk, nullptr);
  EXPECT_TRUE(isCompiled(blk));
  ASSERT_NE(firstTypeOf(blk), nullptr);
  EXPECT_NE(firstTypeOf(blk)->StepProc, nullptr);
  EXPECT_EQ(LoadedModuleTable.count, 1);
  EXPECT_EQ(LoadedModuleTable.rows[0].module, blk);
  EXPECT_EQ(static_cast<std::uint8_t*>(blk->VariableBlock)[2], 3);
  EXPECT_EQ(doc->FirstLogic, firstLogicOf(doc->FirstModule));

  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  EXPECT_EQ(readBytes("SAMPLE.MDL"), first);
  EXPECT_EQ(readBytes("SAMPLE.MD~"), first) << "the backup holds the previous file";
}

TEST_F(ProjectRoundTrip, EmptyLogicDoesNotSwallowTheNextRecord) {
  LogicRecord* e = ge_NewLogic("FIRST");
  ASSERT_NE(e, nullptr);
  std::memcpy(doc->FirstModule->Name, "E.MDL", 5);
  LogicRecord* l = ge_NewLogic("SECOND");
  shellFake.integers = {2};
  make(l, kKindAnd);
  ASSERT_EQ(mdl_SaveProjectAs(path("E.MDL")), 1);
  newDocument();
  ASSERT_EQ(load("E.MDL", 1), 1);
  LogicRecord* first = firstLogicOf(doc->FirstModule);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->Name, "FIRST");
  EXPECT_EQ(first->FirstGate, nullptr);
  ASSERT_NE(first->Next, nullptr);
  EXPECT_STREQ(first->Next->Name, "SECOND");
  ASSERT_NE(first->Next->FirstGate, nullptr);
  EXPECT_EQ(first->Next->FirstGate->Kind, kKindAnd);
}

TEST_F(ProjectRoundTrip, NothingToSaveSucceedsWithoutAFile) {
  EXPECT_EQ(mdl_SaveProjectAs(path("NONE.MDL")), 1);
  EXPECT_FALSE(std::filesystem::exists(path("NONE.MDL")));
}

TEST_F(ProjectRoundTrip, SaveFailureKeepsTheOriginal) {
  buildSample(false);
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto original = readBytes("SAMPLE.MDL");
  sink->clear();
  EXPECT_EQ(mdl_SaveProjectAs(path("missing/SAMPLE.MDL")), 0);
  EXPECT_TRUE(shown("File error!"));
  // The box names the file and the system's reason under the message.
  EXPECT_EQ(boxText("File error!"), "File error!\n" + path("missing/SAMPLE.MDL") + ": No such file or directory");
  EXPECT_EQ(readBytes("SAMPLE.MDL"), original);
}

// Hidden files beside dir's files whose name begins with "."+base+".".
std::vector<std::string> temporaries(const std::string& dir, const std::string& base) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n.rfind("." + base + ".", 0) == 0) out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// A save under a file-size limit too small for the project: the write fails
// (no SIGXFSZ ends the program), 50037 is shown, the original and no hidden
// temporary file stay. Run in a child process, which the limit binds.
TEST_F(ProjectRoundTrip, SaveOverTheFileSizeLimitFailsAndLeavesNoTemporary) {
  buildSample(false);
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto original = readBytes("SAMPLE.MDL");
  ASSERT_GT(original.size(), 1000u);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{original.size() / 2, original.size() / 2};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    // A fresh value makes the new file differ from the old one.
    firstLogicOf(doc->FirstModule)->FirstGate->X += 10;
    const int saved = mdl_SaveProjectAs(path("SAMPLE.MDL"));
    ::_exit(saved == 0 && shown("File error!") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(readBytes("SAMPLE.MDL"), original);
  EXPECT_EQ(temporaries(dir, "SAMPLE.MDL"), std::vector<std::string>{});
}

// Temporary files a killed save left behind go at the next save; those of a
// running process, of other files and of other names stay.
TEST_F(ProjectRoundTrip, SaveRemovesTheTemporariesOfAKilledSave) {
  buildSample(false);
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone);
  const std::string live = std::to_string(::getppid());
  for (const std::string& n : std::vector<std::string>{".SAMPLE.MDL.new" + dead, ".SAMPLE.MDL.bak" + dead, ".SAMPLE.MDL.new" + live,
                               ".SAMPLE.MDL.newest", ".OTHER.MDL.new" + dead})
    writeBytes(n, {1, 2, 3});
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const std::vector<std::string> left = {".SAMPLE.MDL.new" + live, ".SAMPLE.MDL.newest"};
  EXPECT_EQ(temporaries(dir, "SAMPLE.MDL"), left);
  EXPECT_TRUE(std::filesystem::exists(path(".OTHER.MDL.new" + dead)));
}

TEST_F(ProjectRoundTrip, SaveKeepsTheModeAndRefusesAReadOnlyFile) {
  buildSample(false);
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  namespace fs = std::filesystem;
  fs::permissions(path("SAMPLE.MDL"), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  EXPECT_EQ(fs::status(path("SAMPLE.MDL")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  // The backup is the old file itself, with its mode.
  EXPECT_EQ(fs::status(path("SAMPLE.MD~")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  const auto original = readBytes("SAMPLE.MDL");
  const auto backup = readBytes("SAMPLE.MD~");
  fs::permissions(path("SAMPLE.MDL"), fs::perms::owner_read | fs::perms::group_read);
  LogicRecord* extra = ge_NewLogic("EXTRA");
  ASSERT_NE(extra, nullptr);
  sink->clear();
  EXPECT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 0);
  EXPECT_TRUE(shown("File error!"));
  const std::string box = boxText("File error!");
  EXPECT_TRUE(box == "File error!\n" + path("SAMPLE.MDL") + ": Permission denied" ||
              box == "File error!\n" + path("SAMPLE.MDL") + ": the file is read-only or not a plain file")
      << box;
  EXPECT_EQ(readBytes("SAMPLE.MDL"), original);
  EXPECT_EQ(readBytes("SAMPLE.MD~"), backup) << "the backup is kept when nothing was saved";
  EXPECT_EQ(fs::status(path("SAMPLE.MDL")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read);
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file left: " << e.path();
}

TEST_F(ProjectRoundTrip, LongFileNamesKeepTheirNameOnDiskAndAnAliasInTheNameField) {
  buildSample(false);
  sink->clear();
  ASSERT_EQ(mdl_SaveProjectAs(path("Longer Name.mdl")), 1);
  EXPECT_TRUE(sink->shown().empty());
  EXPECT_TRUE(std::filesystem::exists(path("Longer Name.mdl")));
  EXPECT_EQ(ProjectPath, path("Longer Name.mdl"));
  EXPECT_EQ(std::string(doc->FirstModule->Name, 12), "LONGER~1.MDL");
  const auto saved = readBytes("Longer Name.mdl");
  ASSERT_EQ(mdl_SaveProjectFile(0), 1) << "saved again under its own name";
  EXPECT_EQ(readBytes("Longer Name.mdl"), saved);
  EXPECT_TRUE(std::filesystem::exists(path("Longer Name.MD~")));
  newDocument();
  ASSERT_EQ(load("Longer Name.mdl", 1), 1);
  EXPECT_EQ(std::string(doc->FirstModule->Name, 12), "LONGER~1.MDL");
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  std::filesystem::copy_file(path("SAMPLE.MDL"), path("LONGLIBRARY.MDL"));
  newDocument();
  sink->clear();
  EXPECT_EQ(load("LONGLIBRARY.MDL", 0), 0);
  EXPECT_EQ(doc->FirstModule, nullptr);
  EXPECT_EQ(sink->shown().size(), 1u);
}

TEST_F(ProjectRoundTrip, SaveAsAsksThroughTheSelector) {
  buildSample(false);
  files.answers = {"CHOSEN.MDL"};
  ASSERT_EQ(mdl_SaveProjectFile(1), 1);
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].first, FileDialog::AnswerPendingOpenB);
  EXPECT_TRUE(std::filesystem::exists(path("CHOSEN.MDL")));
  EXPECT_EQ(ProjectPath, path("CHOSEN.MDL"));
  EXPECT_EQ(std::string(doc->FirstModule->Name, 10), "CHOSEN.MDL");
  // A plain save goes to the project path.
  ASSERT_EQ(mdl_SaveProjectFile(0), 1);
  EXPECT_TRUE(std::filesystem::exists(path("CHOSEN.MD~")));
  files.answers.clear();
  EXPECT_EQ(mdl_SaveProjectFile(1), 0) << "cancelled";
}

} // namespace
} // namespace modelfiles::test
