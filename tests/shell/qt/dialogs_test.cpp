// The program's own dialogs, offscreen, driven through the dialog observer.
#include "shell/dialogs.h"
#include "shell/editorhost.h"
#include "shell/menustate.h"

#include "display/gdi.h"
#include "engine/slots.h"
#include "platform/uisink.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

using namespace shell;
using namespace plat::ui;

namespace {

int argc = 1;
char arg0[] = "shell_dialogs_test";
char* argv[] = {arg0, nullptr};
QApplication& app() {
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

struct Driver : DialogObserver {
  std::function<void(QDialog*)> onShown;
  std::vector<int> seen;
  void shown(const DialogShown& d) override {
    seen.push_back(d.resourceId);
    EXPECT_EQ(d.library, "Zerlo");
    auto* w = static_cast<QDialog*>(d.widget);
    static std::set<int> shot;
    if (shot.insert(d.resourceId).second) {
      std::filesystem::create_directories(SHELL_SHOTS);
      w->grab().save(QString::fromStdString(std::string(SHELL_SHOTS) + "/ZERLO-" + std::to_string(d.resourceId) + ".png"));
    }
    if (onShown) onShown(w);
  }
  void timedOut(const DialogShown& d) override { ADD_FAILURE() << "dialog " << d.resourceId << " still open"; }
  int deadlineMs() const override { return 5000; }
};

template <class T> T* child(QDialog* d, int id) {
  T* w = d->findChild<T*>(QStringLiteral("c%1").arg(id));
  EXPECT_NE(w, nullptr) << "c" << id;
  return w;
}
void click(QDialog* d, int id) {
  if (auto* b = child<QPushButton>(d, id)) b->click();
}
std::set<std::string> labels(QDialog* d) {
  std::set<std::string> out;
  for (QLabel* l : d->findChildren<QLabel*>())
    if (l->objectName().isEmpty()) out.insert(l->text().toStdString());
  return out;
}
void type(QLineEdit* e, const char* text) {
  e->setText(text);
  emit e->textEdited(e->text());
}

// Two libraries of blocks; sizes and drawing for the preview.
SelectCallbacks library() {
  SelectCallbacks cb;
  static std::vector<std::string> libs;
  static std::size_t li;
  static std::size_t bi;
  libs = {"Standard", "LOGIC 1.0"};
  auto names = [](const std::string& lib) {
    return lib == "Standard" ? std::vector<std::string>{"Input", "Output", "Text"}
                             : std::vector<std::string>{"AND", "OR", "XOR"};
  };
  cb.firstLibrary = [](std::string& n) { li = 0; n = libs[0]; return true; };
  cb.nextLibrary = [](std::string& n) { if (++li >= libs.size()) return false; n = libs[li]; return true; };
  cb.firstBlock = [names](const std::string& l, std::string& n) { bi = 0; auto v = names(l); if (v.empty()) return false; n = v[0]; return true; };
  cb.nextBlock = [names](const std::string& l, std::string& n) { auto v = names(l); if (++bi >= v.size()) return false; n = v[bi]; return true; };
  cb.blockSize = [](const std::string& n, int& w, int& h) { w = n == "XOR" ? 400 : 40; h = 30; return true; };
  cb.drawBlock = [](const std::string&, const std::string&, int x, int y) {
    disp::gdi_SetFillColor(1);
    disp::gdi_Bar({std::int16_t(x), std::int16_t(y)}, {std::int16_t(x + 40), std::int16_t(y + 30)});
  };
  return cb;
}

class Dialogs : public ::testing::Test {
protected:
  void SetUp() override {
    app();
    setDialogObserver(driver);
    dlg_ResetSelectionState();
    dialogHooks() = DialogHooks{};
    engine::slotTable().clear();
  }
  void TearDown() override {
    setDialogObserver(nullptr);
    engine::slotTable().clear();
  }
  std::shared_ptr<Driver> driver = std::make_shared<Driver>();
  std::shared_ptr<ScriptedSink> sink = std::make_shared<ScriptedSink>();
  ScopedSink scope{sink};
};

} // namespace

TEST_F(Dialogs, TemplatesHaveTheirCaptionsLabelsAndControls) {
  struct Case {
    int id;
    std::function<void()> open;
    const char* caption;
    std::set<std::string> labels;
    std::vector<int> controls;
    int cancel;
  };
  const SelectCallbacks cb = library();
  double values[10] = {};
  std::int32_t iv = 0;
  char text[32] = "abc";
  std::string input = "x";
  std::uint8_t flag = 0;
  std::string b, l;
  std::uint16_t ok = 0;
  engine::slotTable().ensureDescriptor(8, 1);
  engine::slotTable().ensureDescriptor(12, 1);
  const Case cases[] = {
      {5, [&] { dlg_SelectBlock(cb, b, l); }, "Baustein auswählen", {"Auswahl", "Bibliothek", "Baustein"},
       {101, 104, 105, 128, 122, 106, 107}, 107},
      {7, [&] { dlg_Input("", input, 20, &ok); }, "Eingabe", {}, {101, 106, 107}, 107},
      {9, [&] { dlg_VectorInput(values, 8, 1, 7, &ok); }, "Vektoreingabe", {"Dimension", "Nr.", "Para.", "Wert", "Name"},
       {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 127, 1, 2}, 2},
      {10, [&] { dlg_MatrixInput(values, 9, 1, 5, &ok); }, "Matrixeingabe",
       {"Dimension:", "Nr.", "Name 1", "Wert 1", "Name 2", "Wert 2", "Name"},
       {100, 101, 102, 106, 107, 111, 112, 116, 117, 121, 122, 126, 127, 1, 2}, 2},
      {20, [&] { dlg_RemoveLibrary(cb, l); }, "Bibliothek entfernen", {}, {105, 104, 106, 107}, 107},
      {26, [&] { dlg_ParamInt(&iv, 8, 1, &ok); }, "Parametereingabe", {"Parameter", "Bezeichnung", "Wert", "Bemerkung"},
       {111, 112, 113, 114, 115, 1, 2}, 2},
      {31, [&] { dlg_AskOnOff("Motor", &flag, &ok); }, "Zerlo", {}, {109, 133, 132, 1, 2}, 2},
      {32, [&] { dlg_AskBits("Mask", &flag, &ok); }, "Zerlo", {}, {109, 132, 133, 134, 135, 136, 137, 138, 139, 1, 2}, 2},
      {41, [&] { dlg_ParamText(text, 12, 1, &ok); }, "Eingabe Textparameter", {"Parameter", "Bezeichnung", "Text", "Bemerkung"},
       {111, 112, 113, 114, 115, 1, 2}, 2},
      {67, [&] { dlg_ReplaceLibrary(cb, l); }, "Bibliothek ersetzen", {}, {105, 104, 106, 107}, 107},
  };
  for (const auto& c : cases) {
    bool shown = false;
    driver->onShown = [&](QDialog* d) {
      shown = true;
      EXPECT_EQ(d->windowTitle().toStdString(), c.caption) << c.id;
      for (const auto& t : c.labels) EXPECT_TRUE(labels(d).count(t)) << c.id << " " << t;
      for (int id : c.controls) EXPECT_NE(d->findChild<QWidget*>(QStringLiteral("c%1").arg(id)), nullptr) << c.id << " c" << id;
      click(d, c.cancel);
    };
    c.open();
    EXPECT_TRUE(shown) << c.id;
  }
  // The button texts.
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QPushButton>(d, 122)->text(), "&Hilfe");
    EXPECT_EQ(child<QPushButton>(d, 106)->text(), "&OK");
    EXPECT_EQ(child<QPushButton>(d, 107)->text(), "&Abbruch");
    click(d, 107);
  };
  dlg_SelectBlock(cb, b, l);
}

TEST_F(Dialogs, BlockSelectionOpensOnTextKeepsOpenWithoutNameAndRefills) {
  const SelectCallbacks cb = library();
  selectionState().blockLibrary = "Standard";
  std::string block = "old", lib = "old";
  int step = 0;
  driver->onShown = [&](QDialog* d) {
    auto* edit = child<QLineEdit>(d, 101);
    auto* blocks = child<QListWidget>(d, 104);
    auto* libs = child<QListWidget>(d, 105);
    EXPECT_EQ(edit->text(), "Text");
    EXPECT_EQ(blocks->currentItem()->text(), "Text");
    // OK with an empty name keeps the dialog open.
    type(edit, "");
    click(d, 106);
    EXPECT_TRUE(d->isVisible());
    // Typing selects the first block that begins with the text.
    type(edit, "Ou");
    EXPECT_EQ(blocks->currentItem()->text(), "Output");
    // Another library refills the blocks and takes its first.
    libs->setCurrentRow(1);
    EXPECT_EQ(blocks->count(), 3);
    EXPECT_EQ(edit->text(), "AND");
    blocks->setCurrentRow(1);
    EXPECT_EQ(edit->text(), "OR");
    step = 1;
    click(d, 106);
  };
  EXPECT_EQ(dlg_SelectBlock(cb, block, lib), 1);
  EXPECT_EQ(step, 1);
  EXPECT_EQ(block, "OR");
  EXPECT_EQ(lib, "LOGIC");   // a library name ends at its first blank
  EXPECT_FALSE(selectionState().okFromEnter);
  // Cancel empties both outputs; the next opening shows the last block.
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLineEdit>(d, 101)->text(), "OR");
    click(d, 107);
  };
  EXPECT_EQ(dlg_SelectBlock(cb, block, lib), 0);
  EXPECT_EQ(block, "");
  EXPECT_EQ(lib, "");
}

TEST_F(Dialogs, PreviewFitsTheBlock) {
  const PreviewFit small = dlg_PreviewFit(160, 120, 40, 30);
  EXPECT_FLOAT_EQ(small.zoom, 1.0f);
  EXPECT_EQ(small.offsetX, 60);
  EXPECT_EQ(small.offsetY, 45);
  const PreviewFit wide = dlg_PreviewFit(160, 120, 400, 30);
  EXPECT_FLOAT_EQ(wide.zoom, 0.4f);
  EXPECT_EQ(wide.offsetX, 0);
  const PreviewFit both = dlg_PreviewFit(160, 120, 320, 480);
  EXPECT_FLOAT_EQ(both.zoom, 0.25f);
  const SelectCallbacks cb = library();
  const float z = 2.0f;
  disp::gdi_SetZoom(&z);
  QImage img = dlg_RenderPreview(cb, "Standard", "Text", 160, 120);
  EXPECT_FLOAT_EQ(disp::gdi_GetZoom(), 2.0f);
  EXPECT_EQ(disp::gdi_CurrentDevice(), nullptr);
  int marked = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) != QColor(Qt::white)) {
        ++marked;
        // The block of 40 x 30 is centred.
        EXPECT_TRUE(x >= 59 && x <= 101 && y >= 44 && y <= 76) << x << "," << y;
      }
  EXPECT_GT(marked, 0);
  const float one = 1.0f;
  disp::gdi_SetZoom(&one);
}

TEST_F(Dialogs, VectorInputShowsAndWritesBackItsElements) {
  engine::slotTable().ensureDescriptor(8, 10);
  double v[200];
  for (int i = 0; i < 200; ++i) v[i] = i;
  std::uint16_t changed = 0;
  driver->onShown = [&](QDialog* d) {
    EXPECT_FALSE(child<QScrollBar>(d, 100)->isVisible());
    EXPECT_FALSE(child<QLineEdit>(d, 115)->isVisible());
    EXPECT_FALSE(child<QLineEdit>(d, 116)->isVisible());
    EXPECT_EQ(child<QLabel>(d, 101)->text(), "3");
    EXPECT_EQ(child<QLabel>(d, 109)->text(), "PF12");
    EXPECT_EQ(child<QLineEdit>(d, 113)->text(), "1");
    type(child<QLineEdit>(d, 114), "2.5");
    child<QLineEdit>(d, 127)->setText("Pump");
    click(d, 1);
  };
  ASSERT_EQ(dlg_VectorInput(v, 8, 10, 3, &changed), 1);
  EXPECT_EQ(changed, 1);
  EXPECT_DOUBLE_EQ(v[2], 2.5);
  EXPECT_DOUBLE_EQ(v[3], 3.0);
  EXPECT_EQ(engine::slotTable().descriptor(8, 12)->name, "Pump");
  EXPECT_EQ(engine::slotTable().descriptor(8, 13), nullptr);
  // 200 elements: the first 130 are edited and written back.
  driver->onShown = [&](QDialog* d) {
    auto* bar = child<QScrollBar>(d, 100);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 125);
    bar->setValue(bar->maximum());
    EXPECT_EQ(child<QLabel>(d, 106)->text(), "129");
    type(child<QLineEdit>(d, 116), "-1");
    click(d, 1);
  };
  ASSERT_EQ(dlg_VectorInput(v, 9, 10, 200, &changed), 1);
  EXPECT_DOUBLE_EQ(v[129], -1.0);
  EXPECT_DOUBLE_EQ(v[130], 130.0);
}

TEST_F(Dialogs, MatrixInputTakesTheSecondColumnBehindAllRows) {
  double v[140];
  for (int i = 0; i < 140; ++i) v[i] = i;
  std::uint16_t changed = 0;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 101)->text(), "64");
    EXPECT_EQ(child<QLineEdit>(d, 122)->text(), "70");   // column 2 starts at element 70
    EXPECT_EQ(child<QLabel>(d, 117)->text(), "PF70");
    type(child<QLineEdit>(d, 122), "7.25");
    type(child<QLineEdit>(d, 112), "9");
    click(d, 1);
  };
  ASSERT_EQ(dlg_MatrixInput(v, 8, 0, 70, &changed), 1);
  EXPECT_DOUBLE_EQ(v[70], 7.25);
  EXPECT_DOUBLE_EQ(v[0], 9.0);
  EXPECT_DOUBLE_EQ(v[64], 64.0);
  EXPECT_DOUBLE_EQ(v[134], 134.0);
  // Fewer than five rows: only those are shown and stored.
  double few[4] = {1, 2, 3, 4};
  driver->onShown = [&](QDialog* d) {
    EXPECT_FALSE(child<QLineEdit>(d, 114)->isVisible());
    EXPECT_EQ(child<QLineEdit>(d, 123)->text(), "4");
    click(d, 1);
  };
  ASSERT_EQ(dlg_MatrixInput(few, 9, 0, 2, &changed), 1);
  EXPECT_DOUBLE_EQ(few[3], 4.0);
}

TEST_F(Dialogs, RefusalsLeaveTheValues) {
  double v[3] = {1, 2, 3};
  std::uint16_t changed = 0;
  driver->onShown = [&](QDialog* d) { ADD_FAILURE() << "no dialog expected"; d->reject(); };
  EXPECT_EQ(dlg_VectorInput(v, 7, 0, 3, &changed), 0);    // 40010
  EXPECT_EQ(dlg_MatrixInput(nullptr, 8, 0, 3, &changed), 0);   // 50015
  EXPECT_EQ(v[0], 1.0);
  EXPECT_EQ(changed, 0);
  // No name record: 50013, as cancelled.
  driver->onShown = [&](QDialog* d) {
    child<QLineEdit>(d, 114)->setText("99");
    click(d, 1);
  };
  double r = 1.5;
  EXPECT_EQ(dlg_ParamReal(&r, 8, 5, &changed), 0);
  EXPECT_EQ(r, 1.5);
  EXPECT_EQ(changed, 0);
  // Cancel in the vector dialog.
  driver->onShown = [&](QDialog* d) {
    type(child<QLineEdit>(d, 112), "5");
    click(d, 2);
  };
  EXPECT_EQ(dlg_VectorInput(v, 8, 0, 3, &changed), 0);
  EXPECT_EQ(v[0], 1.0);
}

TEST_F(Dialogs, ParameterEntryStoresDesignationAndRemark) {
  engine::IoDescriptor* e = engine::slotTable().ensureDescriptor(11, 4);
  e->name = "%%";
  e->comment = "speed";
  std::int32_t value = 12;
  std::uint16_t changed = 0;
  int sheetNotes = 0;
  dialogHooks().valueSheetChanged = [&] { ++sheetNotes; };
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 111)->text(), "PL4");
    EXPECT_EQ(child<QLineEdit>(d, 112)->text(), "");
    EXPECT_EQ(child<QLineEdit>(d, 115)->text(), "speed");
    EXPECT_EQ(child<QLineEdit>(d, 114)->text(), "12");
    EXPECT_EQ(child<QLineEdit>(d, 114)->selectedText(), "12");
    child<QLineEdit>(d, 112)->setText("    ");
    child<QLineEdit>(d, 114)->setText("-7.9");
    click(d, 1);
  };
  ASSERT_EQ(dlg_ParamInt(&value, 11, 4, &changed), 1);
  EXPECT_EQ(value, -7);
  EXPECT_EQ(e->name, "");
  EXPECT_EQ(e->comment, "speed");
  EXPECT_EQ(sheetNotes, 1);
  // Bits name the byte and the bit; any non-zero number is 1.
  engine::slotTable().ensureDescriptor(10, 29);
  std::int32_t bit = 0;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 111)->text(), "B3.5");
    child<QLineEdit>(d, 114)->setText("5");
    click(d, 1);
  };
  ASSERT_EQ(dlg_ParamBit(&bit, 10, 29, &changed), 1);
  EXPECT_EQ(bit, 1);
}

// The dialogs block code opens through the engine's deferred externs: the
// operand shown by the engine's address text; an input/output operand gets
// its name record so that the value is kept; others without one are refused.
TEST_F(Dialogs, EngineParameterDialogsShowTheAddressText) {
  DialogEngineServices services;
  bool bit = false;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 111)->text(), "E4.0");
    EXPECT_EQ(child<QLineEdit>(d, 114)->text(), "0");
    child<QLineEdit>(d, 114)->setText("1");
    click(d, 1);
  };
  ASSERT_TRUE(services.dialogBit({"E4", 2, 5}, bit, 0));
  EXPECT_TRUE(bit);
  EXPECT_NE(engine::slotTable().descriptor(2, 5), nullptr);
  // Cancel keeps the value.
  driver->onShown = [&](QDialog* d) {
    child<QLineEdit>(d, 114)->setText("0");
    click(d, 2);
  };
  EXPECT_FALSE(services.dialogBit({"E4", 2, 5}, bit, 0));
  EXPECT_TRUE(bit);
  // Integers beyond 16 bits are held at the limit.
  std::int16_t word = 3;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 111)->text(), "PW7");
    child<QLineEdit>(d, 114)->setText("70000");
    click(d, 1);
  };
  ASSERT_TRUE(services.dialogInt({"PW7", 9, 7}, word));
  EXPECT_EQ(word, 32767);
  // A data word has no name record: refused, the value left.
  double real = 1.5;
  driver->onShown = [&](QDialog* d) {
    child<QLineEdit>(d, 114)->setText("99");
    click(d, 1);
  };
  EXPECT_FALSE(services.dialogReal({"DW3", 5, 3}, real));
  EXPECT_EQ(real, 1.5);
  std::string text = "old";
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 111)->text(), "PT2");
    child<QLineEdit>(d, 114)->setText("a text longer than seventeen");
    click(d, 1);
  };
  ASSERT_TRUE(services.dialogText({"PT2", 12, 2}, text));
  EXPECT_EQ(text, "a text longer tha");
}

TEST_F(Dialogs, TextInputOnOffAndBits) {
  std::string text = "Pump 1   ";
  std::uint16_t ok = 9;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Name");
    EXPECT_EQ(child<QLineEdit>(d, 101)->text(), "Pump 1");
    child<QLineEdit>(d, 101)->setText("changed");
    click(d, 107);
  };
  dlg_Input("Name", text, 20, &ok);
  EXPECT_EQ(text, "Pump 1   ");   // Cancel leaves the text
  EXPECT_EQ(ok, 0);
  driver->onShown = [&](QDialog* d) {
    child<QLineEdit>(d, 101)->setText("a longer text than fits");
    click(d, 106);
  };
  dlg_Input("Name", text, 8, &ok);
  EXPECT_EQ(text, "a longe");
  EXPECT_EQ(ok, 1);
  // An empty text is a Cancel; a text of 48 characters is offered empty.
  text = std::string(48, 'x');
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLineEdit>(d, 101)->text(), "");
    click(d, 106);
  };
  dlg_Input("", text, 60, &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(text, std::string(48, 'x'));
  // While the online display runs no dialog opens.
  dialogHooks().onlineDisplayRuns = [] { return true; };
  driver->onShown = [&](QDialog* d) { ADD_FAILURE() << "no dialog expected"; d->reject(); };
  dlg_Input("", text, 60, &ok);
  EXPECT_EQ(ok, 0);
  dialogHooks().onlineDisplayRuns = nullptr;

  std::uint8_t v = 1;
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(child<QLabel>(d, 109)->text(), "Motor");
    EXPECT_TRUE(child<QRadioButton>(d, 133)->isChecked());
    child<QRadioButton>(d, 132)->setChecked(true);
    click(d, 1);
  };
  dlg_AskOnOff("Motor", &v, &ok);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(ok, 1);
  v = 0x81;
  driver->onShown = [&](QDialog* d) {
    EXPECT_TRUE(child<QCheckBox>(d, 132)->isChecked());
    EXPECT_TRUE(child<QCheckBox>(d, 139)->isChecked());
    EXPECT_FALSE(child<QCheckBox>(d, 133)->isChecked());
    child<QCheckBox>(d, 139)->setChecked(false);
    child<QCheckBox>(d, 134)->setChecked(true);
    click(d, 1);
  };
  dlg_AskBits("Mask", &v, &ok);
  EXPECT_EQ(v, 0x05);
  driver->onShown = [&](QDialog* d) { click(d, 2); };
  dlg_AskBits("Mask", &v, &ok);
  EXPECT_EQ(v, 0x05);
  EXPECT_EQ(ok, 0);
}

TEST_F(Dialogs, PreAnsweredSelections) {
  SelectCallbacks none;
  std::string name;
  dlg_SetPendingKind(503);
  EXPECT_EQ(dlg_SelectFirstOrMain(none, name), 0);
  EXPECT_EQ(name, "MAIN");
  EXPECT_EQ(dlg_SelectFirstOrMainB(none, name), 1);
  dlg_SetPendingKind(0);
  EXPECT_EQ(dlg_SelectFirstOrMain(none, name), 1);
  SelectCallbacks some;
  some.firstName = [](std::string& n) { n = "PUMP"; return true; };
  dlg_SetPendingKind(503);
  EXPECT_EQ(dlg_SelectFirstOrMain(some, name), 1);
  EXPECT_EQ(name, "PUMP");
  dlg_SetLastChosen("999FBPICW");
  EXPECT_EQ(dlg_SelectLastB(name), 1);
  EXPECT_EQ(name, "999FBPICW");
  dlg_SetLastPair("LOGIC", "AND");
  std::string l, b;
  dlg_SelectLastPair(l, b);
  EXPECT_EQ(l + "/" + b, "LOGIC/AND");
}

TEST_F(Dialogs, EditorHostPromptsAndMenus) {
  ShellEditorHost host;
  RecordingBarMenus bars;
  setBarMenus(&bars);
  host.menuEnable(237);
  host.menuChecked(324, true);
  EXPECT_TRUE(bars.items()[237].enabled);
  EXPECT_TRUE(host.menuIsChecked(324));
  setBarMenus(nullptr);
  driver->onShown = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Count");
    child<QLineEdit>(d, 101)->setText(" 42");
    click(d, 106);
  };
  int v = 7;
  EXPECT_TRUE(host.promptInt("Count", v));
  EXPECT_EQ(v, 42);
  driver->onShown = [&](QDialog* d) {
    child<QLineEdit>(d, 101)->setText("x1");
    click(d, 106);
  };
  EXPECT_FALSE(host.promptInt("Count", v));
  EXPECT_EQ(v, 42);
  std::string text = "abc";
  driver->onShown = [&](QDialog* d) { click(d, 107); };
  EXPECT_FALSE(host.promptText("Name", text, 10));
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(host.languageText(1002), "Face editor: ");
}
