// The UI script's driver: its words, and the real Zerlo driven by it as a
// user drives it: menus and buttons by label (a missing or disabled one fails
// the script), keys by name, dialogs answered in order (an unanswered one
// fails at once), quoted paths with blanks and other letters.
#include "zerlo_process.h"
#include "zerloapp/uiscript.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

namespace {

namespace fs = std::filesystem;
using zerlotest::readAll;
using zerlotest::scriptWord;
using zerlotest::ZerloProcess;

TEST(UiScriptWords, QuotesBlanksAndComments) {
  struct Case { const char* line; std::vector<std::string> words; };
  const Case cases[] = {
      {"menu File>Save", {"menu", "File>Save"}},
      {"  fill  \"Enter project name\"   FIRST ", {"fill", "Enter project name", "FIRST"}},
      {"open \"/tmp/a b/Prüf ü.MDL\"", {"open", "/tmp/a b/Prüf ü.MDL"}},
      {"press \"say \\\"hi\\\" \\\\ there\"", {"press", "say \"hi\" \\ there"}},
      {"key F5 # the start", {"key", "F5"}},
      {"fill \"#1\" \"\"", {"fill", "#1", ""}},
      {"# only a comment", {}},
      {"fill a#b", {"fill", "a#b"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_TRUE(zapp::ui_SplitWords(c.line, words, error)) << c.line;
    EXPECT_EQ(words, c.words) << c.line;
  }
  std::vector<std::string> words;
  std::string error;
  EXPECT_FALSE(zapp::ui_SplitWords("fill \"open", words, error));
  EXPECT_FALSE(error.empty());
}

class Driver : public ZerloProcess {
protected:
  void SetUp() override {
    ZerloProcess::SetUp();
    makeProgramDir();
    placeFolders();
  }
};

TEST_F(Driver, AMissingMenuItemFailsTheScript) {
  EXPECT_EQ(run("menu \"File>No Such Item\"\nclose\n"), 4) << boxes() << output();
  EXPECT_NE(boxes().find("fail 3: no menu item \"File>No Such Item\""), std::string::npos) << boxes();
}

TEST_F(Driver, ADisabledMenuItemCannotBeChosen) {
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  ASSERT_EQ(run("open " + scriptWord(project.string()) + "\nwait 100\nmenustate\nclose\n"), 0) << boxes() << output();
  std::string disabled;
  for (const std::string& l : logLines("state "))
    if (l.rfind("state button ", 0) != 0 && l.size() > 8 && l.substr(l.size() - 2) == " d") disabled = l.substr(6, l.size() - 8);
  ASSERT_FALSE(disabled.empty()) << "no disabled menu item with a project open:\n" << boxes();
  fs::remove(base / "boxes.log");
  EXPECT_EQ(run("open " + scriptWord(project.string()) + "\nwait 100\nmenu " + scriptWord(disabled) + "\nclose\n"), 4)
      << boxes() << output();
  EXPECT_NE(boxes().find("the menu item \"" + disabled + "\" is disabled"), std::string::npos) << boxes();
}

// A dialog the script has no answer for ends the run at once (not at its
// deadline) with the dialog's title in the log.
TEST_F(Driver, AnUnansweredDialogFailsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run("menu \"File>Open Project...\"\nwait 20000\nclose\n", 40000), 4) << boxes() << output();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15 * zerlotest::timeFactor()));
  EXPECT_TRUE(std::regex_search(boxes(), std::regex("fail 3: a dialog the script does not answer: \\[[^\\]]+\\]")))
      << boxes();
}

// The file selector answered by its label and button: a project in a folder
// with blanks and other letters opens, and the frame's title names it.
TEST_F(Driver, TheFileSelectorOpensAPathWithBlanksAndOtherLetters) {
  const fs::path folder = base / "Mein Ordner ü";
  fs::create_directories(folder);
  const fs::path project = folder / "PRÜFUNG.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  const std::string script = "menu \"File>Open Project...\"\ndialog *\nfill \"File name\" " + scriptWord(project.string()) +
                             "\npress Open\nwait 200\ntitle\nclose\n";
  EXPECT_EQ(run(script), 0) << boxes() << output();
  const auto titles = logLines("title ");
  ASSERT_EQ(titles.size(), 1u) << boxes();
  EXPECT_NE(titles[0].find("PRÜFUNG"), std::string::npos) << titles[0];
}

// Keys go to the focused window as a user presses them: "2" is the wiring
// tool, whose tool-bar button then shows checked.
TEST_F(Driver, KeysByName) {
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  ASSERT_EQ(run("open " + scriptWord(project.string()) + "\nwait 100\nkey 1\nmenustate\nnote ---\nkey 2\nmenustate\nclose\n"),
            0) << boxes() << output();
  const std::string log = boxes();
  const std::size_t mark = log.find("note ---");
  ASSERT_NE(mark, std::string::npos) << log;
  const std::string before = log.substr(0, mark), after = log.substr(mark);
  EXPECT_EQ(before, before) << log;
  // Exactly one edit-mode button is checked before and after, and it changed.
  std::regex checked("state button ([^\\n]+) e c\\n");
  std::smatch a, b;
  ASSERT_TRUE(std::regex_search(before, a, checked)) << log;
  ASSERT_TRUE(std::regex_search(after, b, checked)) << log;
  EXPECT_NE(a[1].str(), b[1].str()) << log;
}

// A dialog of the standard dialogs library answered by its check box and
// button: the worksheet setup takes what was set, and shows it when opened
// again; Cancel keeps it.
TEST_F(Driver, ADialogKitDialogAnsweredByItsControls) {
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  const std::string open = "open " + scriptWord(project.string()) + "\nwait 100\n";
  const std::string setup = "menu \"Options>Worksheet Setup...\"\ndialog \"Work Sheet Setup\"\nfields\n";
  ASSERT_EQ(run(open + setup + "check \"Cross text blocks\" off\npress OK\n" + setup + "note ---\n" +
                "check \"Cross text blocks\" on\npress Cancel\n" + setup + "press Cancel\nbox 7\nclose\n"),
            0) << boxes() << output();
  const auto checks = logLines("check Cross text blocks");
  ASSERT_EQ(checks.size(), 3u) << boxes();
  EXPECT_EQ(checks[0], "check Cross text blocks on") << boxes();
  EXPECT_EQ(checks[1], "check Cross text blocks off") << "OK takes what was set\n" << boxes();
  EXPECT_EQ(checks[2], checks[1]) << "Cancel keeps what was set\n" << boxes();
}

// A block is dropped where the cursor lets it go, on the worksheet only: a
// point the insert box covers fails the script, a free point places it.
TEST_F(Driver, DragsFromTheInsertBox) {
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  const std::string open = "open " + scriptWord(project.string()) + "\nwait 100\nbutton Select\nwindows\n";
  EXPECT_EQ(run(open + "drag Start 700 650\nclose\n"), 4) << boxes() << output();
  EXPECT_NE(boxes().find("the drop point is not on the worksheet (under Toolbox)"), std::string::npos) << boxes();
  EXPECT_EQ(run(open + "drag Nothing 100 400\nclose\n"), 4) << boxes() << output();
  EXPECT_NE(boxes().find("no block \"Nothing\" in the insert box (there: Output, Input"), std::string::npos) << boxes();
  fs::remove(base / "boxes.log");
  ASSERT_EQ(run(open + "drag Start 100 400\nmenu \"File>Save Project\"\nwait 100\nclose\n"), 0) << boxes() << output();
  EXPECT_NE(readAll(project).find("STARTV3"), std::string::npos) << "the saved project holds the dropped block";
}

} // namespace
