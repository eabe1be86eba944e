// Acceptance tests: the real Zerlo driven as a user drives it, through the
// labels of its menus, tool bar and insert box and the dialogs it shows. What
// a user would see is asserted: the box log, the menu state, the title, the
// pictures; saved projects are read back with mdltool.
#include "zerlo_process.h"

#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/project.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <regex>

namespace {

namespace fs = std::filesystem;
using zerlotest::readAll;
using zerlotest::scriptWord;
using zerlotest::ZerloProcess;

// An empty project: a main logic without gates.
bool writeEmptyProject(const fs::path& path) {
  model::FakeShell shell;
  model::setShell(&shell);
  model::mm_UnitInit();
  model::doc_StartUp();
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  model::LogicRecord* logic = model::ge_NewLogic("$MAIN");
  bool ok = logic != nullptr;
  if (ok) {
    model::EditLogic(*doc) = logic;
    fs::create_directories(path.parent_path());
    ok = modelfiles::mdl_SaveProjectAs(path.string()) == 1;
  }
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  model::doc_ShutDown();
  model::setShell(nullptr);
  return ok;
}

class Acceptance : public ZerloProcess {
protected:
  fs::path templateDir;

  void SetUp() override {
    ZerloProcess::SetUp();
    makeProgramDir();
    placeFolders();
    // The template list the program ships, or a small one of our own.
    templateDir = dir / "ENGLISH" / "TEMPLATE";
    if (!fs::exists(templateDir / "TEMPLATES.INI")) {
      fs::create_directories(templateDir / "EMPTY");
      std::ofstream(templateDir / "TEMPLATES.INI") << "[GENERAL]\nDEFAULT=1\n\n[1]\nDIR=EMPTY\nNAME=Empty project\n";
      ASSERT_TRUE(writeEmptyProject(templateDir / "EMPTY" / "EMPTY.MDL"));
    }
  }

  // An empty project to draw in, in a folder with a blank and other letters.
  fs::path emptyProject(const std::string& name) {
    const fs::path p = base / "Meine Projekte ü" / name;
    fs::create_directories(p.parent_path());
    EXPECT_TRUE(writeEmptyProject(p));
    return p;
  }

  // `mdltool dump` of a project: its gate and wire lines, without the
  // project's own name (the block libraries are put beside it first).
  std::vector<std::string> drawn(const fs::path& project) {
    for (const auto& f : fs::directory_iterator(base / "LIB"))
      fs::copy_file(f.path(), project.parent_path() / f.path().filename(), fs::copy_options::overwrite_existing);
    const fs::path out = base / "dump.txt";
    const std::string cmd = std::string("'") + ZERLO_BIN_DIR + "/mdltool' dump '" + project.string() + "' > '" +
                            out.string() + "' 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << readAll(out);
    std::vector<std::string> lines;
    std::istringstream in(readAll(out));
    for (std::string l; std::getline(in, l);)
      if (l.rfind("    gate ", 0) == 0 || l.find(" from gate ") != std::string::npos) lines.push_back(l);
    return lines;
  }

  static std::string openByFileSelector(const fs::path& project) {
    return "menu \"File>Open Project...\"\ndialog *\nfill \"File name\" " + scriptWord(project.string()) +
           "\npress Open\nwait 200\n";
  }
};

// What a user does to draw a small flow and two gates: the Select tool (the
// insert box shows), START, OUTPUT, INPUT, WAIT and END dragged from the
// insert box one under the other, an AND and an OR gate inserted by name with
// two inputs each; then the Connect tool wires each flow block to the next
// (a click on the output pin, a click on the input pin) and AND to OR.
const char* const kDrawFlowAndGates = R"(prompt 2
prompt 2
button Select
drag Start 100 100
drag Output 100 200
drag Input 100 300
drag Wait 100 400
drag End 100 500
menu "Edit>Insert Block"
dialog Function-Addgate
fill * And
press OK
move 250 300
click 250 300
menu "Edit>Insert Block"
dialog Function-Addgate
fill * Or
press OK
move 400 300
click 400 300
button Connect
click 90 113
click 90 167
click 90 213
click 90 267
click 90 313
click 90 367
click 90 413
click 90 467
click 283 315
click 397 308
button Select
)";

// What kDrawFlowAndGates leaves in the file: five flow blocks at their
// places, the two gates, four flow wires and the gate wire.
void expectFlowAndGates(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  int drawnGates = 0, wires = 0;
  for (const std::string& l : lines) {
    if (l.find(" from gate ") != std::string::npos) ++wires;
    else if (std::regex_search(l, std::regex(" kind (133|1|2) at "))) ++drawnGates;
  }
  EXPECT_EQ(drawnGates, 7) << all;
  EXPECT_EQ(wires, 5) << all;
  const char* blocks[][2] = {{"60,70", "STARTV3"}, {"60,170", "MOUTPUTV3"}, {"60,270", "BINPUTV3"},
                             {"60,370", "WAITV3"}, {"60,470", "ENDEV3"}};
  for (const auto& b : blocks)
    EXPECT_TRUE(std::regex_search(all, std::regex(std::string("kind 133 at ") + b[0] + " .*\"ZRLFB02\"/\"" + b[1] + "\"")))
        << b[1] << "\n" << all;
  EXPECT_TRUE(std::regex_search(all, std::regex("kind 1 at 250,300 counts 2/1"))) << all;
  EXPECT_TRUE(std::regex_search(all, std::regex("kind 2 at 400,300 counts 2/1"))) << all;
  EXPECT_NE(all.find("wire 90,110 90,170"), std::string::npos) << all;
  EXPECT_NE(all.find("wire 90,410 90,470"), std::string::npos) << all;
}

// A picture's dark pixels in the worksheet's part (below the bars).
int darkPixels(const std::string& png) {
  QImage img(QString::fromStdString(png));
  int dark = 0;
  for (int y = img.height() / 10; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 80) ++dark;
  return dark;
}

// File > New Project: the template list, a name and a folder with a blank and
// other letters; the new project is open (its name in the title) and saved
// where the dialog said.
TEST_F(Acceptance, NewProjectFromTheTemplateList) {
  const fs::path folder = base / "Neue Projekte ü";
  const std::string script = "menu \"File>New Project...\"\ndialog \"New Project\"\n"
                             "choose \"Select a template\" \"Empty project\"\n"
                             "fill \"Enter project name\" FIRST\nfill Directory " +
                             scriptWord(folder.string() + "/") + "\npress OK\nwait 300\ntitle\nmenustate File\nclose\n";
  EXPECT_EQ(run(script), 0) << boxes() << output();
  EXPECT_TRUE(fs::exists(folder / "FIRST.MDL")) << boxes();
  const auto titles = logLines("title ");
  ASSERT_EQ(titles.size(), 1u) << boxes();
  EXPECT_NE(titles[0].find("FIRST.MDL"), std::string::npos) << titles[0];
}

// Draw, wire, save, close; open again: the file holds what was drawn, and
// the program saves it again as it read it.
TEST_F(Acceptance, DrawnFlowAndGatesAreSavedAndOpenAgain) {
  const fs::path project = emptyProject("FLOW.MDL");
  fs::create_directories(ZERLO_SCREEN_DIR);
  const std::string drawnShot = std::string(ZERLO_SCREEN_DIR) + "/acceptance_drawn.png";
  EXPECT_EQ(run(openByFileSelector(project) + kDrawFlowAndGates + "shot " + scriptWord(drawnShot) +
                "\nmenu \"File>Save Project\"\nwait 100\nmenu \"File>Close Project\"\nwait 100\nclose\n",
                60000),
            0)
      << boxes() << output();
  EXPECT_EQ(boxes().find("Should project changes be saved"), std::string::npos) << "saved before the close\n" << boxes();
  const auto first = drawn(project);
  expectFlowAndGates(first);

  // Opened again and saved under another name: the same drawing.
  fs::remove(base / "boxes.log");
  const fs::path copy = project.parent_path() / "COPY.MDL";
  const std::string reopenedShot = std::string(ZERLO_SCREEN_DIR) + "/acceptance_reopened.png";
  EXPECT_EQ(run(openByFileSelector(project) + "shot " + scriptWord(reopenedShot) +
                "\nmenu \"File>Save Project As...\"\ndialog *\nfill \"File name\" " + scriptWord(copy.string()) +
                "\npress Save\nwait 100\nclose\n"),
            0)
      << boxes() << output();
  EXPECT_EQ(drawn(copy), first);
  EXPECT_GT(darkPixels(reopenedShot), 1000);
}

// The Simulation menu on the simulation sheet: simulation on (its item then
// reads "Simulation aus"), from time zero, next step: the step marks appear.
TEST_F(Acceptance, SimulationStepsFromTheSimulationMenu) {
  const fs::path project = emptyProject("SIM.MDL");
  ASSERT_EQ(run(openByFileSelector(project) + kDrawFlowAndGates + "menu \"File>Save Project\"\nwait 100\nclose\n", 60000),
            0)
      << boxes() << output();
  fs::remove(base / "boxes.log");
  const std::string shots = ZERLO_SCREEN_DIR;
  fs::create_directories(shots);
  std::string script = openByFileSelector(project) +
                       "menu \"View>Simulation Sheet\"\nwait 300\nmenu \"Simulation>Simulation ein\"\nwait 200\n"
                       "menustate Simulation\nmenu \"Simulation>Start from Time Zero\"\nwait 300\n"
                       "shot " + shots + "/acceptance_sim0.png\n";
  for (int n = 1; n <= 3; ++n)
    script += "menu \"Simulation>Next Step\"\nwait 300\nshot " + shots + "/acceptance_sim" + std::to_string(n) + ".png\n";
  EXPECT_EQ(run(script + "box 7\nclose\n"), 0) << boxes() << output();
  EXPECT_NE(boxes().find("state Simulation>Simulation aus e"), std::string::npos) << boxes();
  const QImage zero(QString::fromStdString(shots + "/acceptance_sim0.png"));
  const QImage one(QString::fromStdString(shots + "/acceptance_sim1.png"));
  ASSERT_FALSE(zero.isNull());
  EXPECT_NE(zero, one) << "a step changes what the sheet shows";
}

// A block's parameter dialog: a right press on the WAIT block of the edit
// sheet, or a press on it in the simulation sheet, opens its dialog; the
// duration entered there is what the dialog shows the next time.
TEST_F(Acceptance, ABlocksParameterDialogIsAnswered) {
  struct Gesture { const char* sheet; const char* press; };
  const Gesture gestures[] = {{"", "click 575 215 right"},
                              {"menu \"View>Simulation Sheet\"\nwait 300\n", "click 575 215"}};
  for (const Gesture& g : gestures) {
    const fs::path project = base / "Meine Projekte ü" / "WAIT.MDL";
    fs::create_directories(project.parent_path());
    fs::copy_file(ZERLO_SAMPLE_PROJECT, project, fs::copy_options::overwrite_existing);
    fs::remove(base / "boxes.log");
    const std::string onWait = std::string(g.press) + "\ndialog Wait\nfields\n";
    EXPECT_EQ(run(openByFileSelector(project) + g.sheet + onWait +
                  "fill \"Duration (s)\" 2.5\npress OK\nwait 200\nnote ---again\n" + onWait +
                  "press Cancel\nwait 100\nbox 7\nclose\n"),
              0)
        << g.press << "\n" << boxes() << output();
    const std::string log = boxes();
    const std::size_t again = log.find("note ---again");
    ASSERT_NE(again, std::string::npos) << g.press << "\n" << log;
    EXPECT_NE(log.substr(again).find("field Duration (s) = 2.50"), std::string::npos) << g.press << "\n" << log;
  }
}

// The sample's basic gates (AND, OR, EXOR, counter) in a dump.
long basicGates(const std::vector<std::string>& lines) {
  return std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
    return std::regex_search(l, std::regex("^    gate \\d+ kind (1|2|3|11) "));
  });
}

// Edit gestures by their labels: Select All enables Cut and Copy; Copy
// enables Paste; Select All and Delete Selection empty the sheet, and the
// saved file holds no gate any more.
TEST_F(Acceptance, EditGesturesByLabel) {
  const fs::path project = base / "Meine Projekte ü" / "EDIT.MDL";
  fs::create_directories(project.parent_path());
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  ASSERT_GT(basicGates(drawn(project)), 0);
  const std::string script = openByFileSelector(project) +
                             "menu \"Edit>Select All\"\nmenustate Edit\nnote ---copy\nmenu \"Edit>Copy\"\n"
                             "menustate Edit\nnote ---delete\nmenu \"Edit>Select All\"\nmenu \"Edit>Delete Selection\"\n"
                             "wait 100\nmenu \"File>Save Project\"\nwait 100\nclose\n";
  EXPECT_EQ(run(script), 0) << boxes() << output();
  const std::string log = boxes();
  const std::size_t copy = log.find("note ---copy"), del = log.find("note ---delete");
  ASSERT_TRUE(copy != std::string::npos && del != std::string::npos) << log;
  const std::string selected = log.substr(0, copy), copied = log.substr(copy, del - copy);
  EXPECT_NE(selected.find("state Edit>Copy e"), std::string::npos) << log;
  EXPECT_NE(selected.find("state Edit>Cut e"), std::string::npos) << log;
  EXPECT_NE(copied.find("state Edit>Paste e"), std::string::npos) << "Paste is enabled after Copy\n" << log;
  EXPECT_EQ(basicGates(drawn(project)), 0) << "the deleted gates are gone from the file";
}

// Undo after Delete Selection brings the gates back.
TEST_F(Acceptance, UndoAfterDeleteSelectionByLabel) {
  const fs::path project = base / "Meine Projekte ü" / "EDIT.MDL";
  fs::create_directories(project.parent_path());
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  const auto before = drawn(project);
  EXPECT_EQ(run(openByFileSelector(project) + "menu \"Edit>Select All\"\nmenu \"Edit>Delete Selection\"\n"
                "wait 100\nmenu \"Edit>Undo\"\nwait 100\nmenu \"File>Save Project\"\nwait 100\nclose\n"),
            0)
      << boxes() << output();
  EXPECT_EQ(drawn(project), before) << "Undo brought the deleted gates back";
}

// Paste and a click place a copy of what was copied. (Disabled: the copy
// script holds no line for built-in gate kinds such as AND, OR, counter, so
// only the sample's flow blocks are pasted.)
TEST_F(Acceptance, DISABLED_PasteByLabel) {
  const fs::path project = base / "Meine Projekte ü" / "EDIT.MDL";
  fs::create_directories(project.parent_path());
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  const auto before = drawn(project);
  EXPECT_EQ(run(openByFileSelector(project) + "menu \"Edit>Select All\"\nmenu \"Edit>Copy\"\nmenu \"Edit>Paste\"\n"
                "move 300 500\nclick 300 500\nwait 100\nmenu \"File>Save Project\"\nwait 100\nclose\n"),
            0)
      << boxes() << output();
  EXPECT_EQ(basicGates(drawn(project)), 2 * basicGates(before)) << boxes();
}

// kDrawFlowAndGates with every wire drawn by a drag: a press on the output
// pin, moves, the release on the input pin.
std::string drawnByDrags() {
  std::istringstream in(kDrawFlowAndGates);
  std::string out, line;
  std::vector<std::string> clicks;
  bool connect = false;
  while (std::getline(in, line)) {
    if (line == "button Connect") connect = true;
    else if (line == "button Select") connect = false;
    if (connect && line.rfind("click ", 0) == 0) {
      clicks.push_back(line.substr(6));
      if (clicks.size() == 2) {
        out += "down " + clicks[0] + "\nmove " + clicks[0] + "\nmove " + clicks[1] + "\nup " + clicks[1] + "\n";
        clicks.clear();
      }
      continue;
    }
    out += line + "\n";
  }
  return out;
}

// Wires drawn by dragging from pin to pin are the same as by two clicks; the
// project is saved and closed without a question.
TEST_F(Acceptance, WiringByDragFromPinToPin) {
  const fs::path project = emptyProject("DRAG.MDL");
  EXPECT_EQ(run(openByFileSelector(project) + drawnByDrags() +
                    "menu \"File>Save Project\"\nwait 100\nmenu \"File>Close Project\"\nwait 100\nclose\n",
                60000),
            0)
      << boxes() << output();
  EXPECT_EQ(boxes().find("Should project changes be saved"), std::string::npos) << boxes();
  expectFlowAndGates(drawn(project));
}

// The sample opened and closed unchanged: no question about saving; the
// insert box shows at once (View > Insert Box is checked). (Disabled: opening
// the main sheet marks the project changed, and the insert box shows only
// once an edit tool is chosen.)
TEST_F(Acceptance, DISABLED_SampleOpenedAndClosedUnchanged) {
  const fs::path project = base / "Meine Projekte ü" / "SAMPLE.MDL";
  fs::create_directories(project.parent_path());
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  EXPECT_EQ(run(openByFileSelector(project) + "wait 300\nmenustate View\nwindows\nmenu \"File>Close Project\"\n"
                "wait 100\nclose\n"),
            0)
      << boxes() << output();
  const std::string log = boxes();
  EXPECT_EQ(log.find("Should project changes be saved"), std::string::npos) << log;
  ASSERT_NE(log.find("state View>Insert Box e c"), std::string::npos) << log;
  EXPECT_TRUE(std::regex_search(log, std::regex("\nwindow Insert[^\n]*"))) << "the insert box shows\n" << log;
}

} // namespace
