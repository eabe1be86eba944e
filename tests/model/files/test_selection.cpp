// Logic selection through the list dialogs and their callbacks.
#include "files_fixture.h"

#include "modelfiles/selection.h"

namespace modelfiles::test {
namespace {

// A list dialog that walks the callbacks, records what it saw and chooses
// the entry it is told to.
class FakeListDialog : public SelectionDialogs {
public:
  std::vector<std::string> sources;
  std::vector<std::vector<std::string>> entries;
  std::string chooseSource, chooseEntry;
  int calls = 0;
  bool lastPreview = false;
  bool walk() {
    ++calls;
    sources.clear();
    entries.clear();
    std::string s;
    for (bool ok = ls_FirstModule(s); ok; ok = ls_NextModule(s)) {
      sources.push_back(s);
      entries.emplace_back();
      std::string e;
      for (bool more = ls_FirstEntry(e); more; more = ls_NextEntry(e)) entries.back().push_back(e);
    }
    if (chooseSource.empty()) return false;
    for (bool ok = ls_FirstModule(s); ok; ok = ls_NextModule(s))
      if (s == chooseSource) {
        ls_SetLastChosen(chooseEntry);
        return true;
      }
    return false;
  }
  bool blockDialog(bool withPreview) override {
    lastPreview = withPreview;
    return walk();
  }
  bool removeLibraryDialog() override { return walk(); }
  bool replaceLibraryDialog() override { return walk(); }
};

class Selection : public FilesFixture {
protected:
  FakeListDialog dialog;
  SelectionDialogs* prev = nullptr;
  void SetUp() override {
    FilesFixture::SetUp();
    prev = setSelectionDialogs(&dialog);
    SelectFlags = SelectionFlags{};
    ls_SetLastChosen("");
  }
  void TearDown() override {
    setSelectionDialogs(prev);
    SelectFlags = SelectionFlags{};
    FilesFixture::TearDown();
  }
  std::vector<std::string> logics() {
    std::vector<std::string> out;
    std::string n;
    for (bool ok = ls_FirstLogic(n); ok; ok = ls_NextLogic(n)) out.push_back(n);
    return out;
  }
};

TEST_F(Selection, LogicListsFollowTheContext) {
  std::string name, second;
  ProjectModule* module = nullptr;
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(name, "MAIN") << "no logic yet";
  for (const char* n : {"PLAIN", "$TASK", "&SHARED", "%HIDDEN"}) ge_NewLogic(n);
  using V = std::vector<std::string>;
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(logics(), (V{"PLAIN", "$TASK", "&SHARED"}));
  SelectFlags.flag2 = 1;
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(name, "$TASK");
  EXPECT_EQ(ls_LastChosen(), "TASK");
  EXPECT_EQ(logics(), (V{"TASK"}));
  SelectFlags = SelectionFlags{};
  SelectFlags.flag4 = 1;
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(name, "TASK") << "the last chosen name";
  EXPECT_EQ(logics(), (V{"PLAIN"}));
  SelectFlags = SelectionFlags{};
  SelectFlags.flag3 = 1;
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(name, "$SHARED");
  EXPECT_EQ(dialog.calls, 0) << "logic kinds show no dialog";
  // Kind 3 answers the last chosen name and leaves the flags as they were:
  // the next kind-1 selection is not answered with that name.
  SelectFlags = SelectionFlags{};
  ls_SetLastChosen("TASK");
  ASSERT_TRUE(ls_SelectList(3, name, second, module));
  EXPECT_EQ(name, "TASK");
  EXPECT_EQ(SelectFlags.flag1, 0);
  ASSERT_TRUE(ls_SelectList(1, name, second, module));
  EXPECT_EQ(name, "PLAIN") << "the first listed logic, not the last chosen";
}

TEST_F(Selection, BlockDialogListsSourcesAndEntries) {
  ge_NewLogic("MAIN");
  ge_NewLogic("$HIDDEN");
  const auto mco = mdl_EncodeCompiledModule(sampleLibrary());
  ProjectModule* slot = nullptr;
  ASSERT_FALSE(mdl_ReadCompiledModule(slot, mco.data(), mco.size()));
  doc_AddModule(*doc, "EMPTY.MDL", kModuleCurrentSizes);
  dialog.chooseSource = "BLK";
  dialog.chooseEntry = "GAIN";
  std::string name, second;
  ProjectModule* module = nullptr;
  ASSERT_TRUE(ls_SelectList(0, name, second, module));
  EXPECT_EQ(name, "GAIN");
  EXPECT_EQ(module, slot);
  ASSERT_EQ(dialog.sources, (std::vector<std::string>{"Standard", "Projekt", "BLK"})) << "empty modules skipped";
  EXPECT_EQ(dialog.entries[1], (std::vector<std::string>{"MAIN"}));
  EXPECT_EQ(dialog.entries[2], (std::vector<std::string>{"ADDER", "GAIN"}));
  ASSERT_FALSE(dialog.entries[0].empty());
  for (const std::string& e : dialog.entries[0]) EXPECT_NE(e[0], '%');
  // In the "$" context the standard list leaves out the names beginning with I or O.
  SelectFlags.flag2 = 1;
  dialog.chooseSource.clear();
  EXPECT_FALSE(ls_SelectList(0, name, second, module));
  for (const std::string& e : dialog.entries[0]) EXPECT_TRUE(e[0] != 'I' && e[0] != 'O') << e;
  EXPECT_EQ(ls_LastChosen(), "GAIN") << "a cancelled dialog keeps the last name";
}

TEST_F(Selection, FindLogicByName) {
  LogicRecord* plain = ge_NewLogic("PLAIN");
  char field[16];
  LogicRecord* found = nullptr;
  EXPECT_EQ(ls_FindLogicDirect("PLAIN", field, 16, found, 1), 1);
  EXPECT_EQ(found, plain);
  EXPECT_EQ(std::string(field, 16), "PLAIN           ");
  EXPECT_EQ(ls_FindLogicDirect("LIBBLOCK", field, 16, found, 0), 2);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(ls_FindLogicDirect("", field, 16, found, 0), 0);
  ls_SetLastChosen("NOPE", "PLAIN");
  EXPECT_EQ(ls_FindLogicByName(field, 16, found, 4), 2) << "the second name";
  EXPECT_EQ(found, plain);
}

TEST_F(Selection, RemoveLibraryContextSkipsTheProject) {
  ge_NewLogic("MAIN");
  const auto mco = mdl_EncodeCompiledModule(sampleLibrary());
  ProjectModule* slot = nullptr;
  ASSERT_FALSE(mdl_ReadCompiledModule(slot, mco.data(), mco.size()));
  FileCommandCode = 211;
  std::string name, second;
  ProjectModule* module = nullptr;
  EXPECT_FALSE(ls_SelectList(0, name, second, module));
  EXPECT_EQ(dialog.sources, (std::vector<std::string>{"BLK"}));
  FileCommandCode = 0;
}

} // namespace
} // namespace modelfiles::test
