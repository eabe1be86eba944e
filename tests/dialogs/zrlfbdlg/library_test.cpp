// ZRLFBDLG.so loaded by name from a program directory of the test's own
// (settings library, formula parser, language directories), its dialogs
// driven offscreen through the dialog observer.
#include "zrlfbdlg/zrlfbdlg.h"

#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"
#include "platform/library.h"
#include "platform/ports.h"
#include "platform/uisink.h"

#include "../support/dlgtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QImage>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace plat::ui;

namespace {

using dlgtest::app;
using dlgtest::Driver;

struct Program : dlgtest::ProgramDir {
  explicit Program(const std::string& tag, bool withParser = true, bool withTool = true)
      : ProgramDir("fblib-" + tag, {"ENGLISH", "GERMAN", "FRENCH", "TEMP"}) {
    copyFromBin("ZRLFBDLG.so");
    if (withTool) copyFromBin("ObelTool.so");
    if (withParser) copyFromBin("ExprParser.so");
    linkLanguages("ZRLFBRES.so", FB_TESTLIBS);
    writeObel(2);
  }
  void writeObel(int language, bool helpNumbers = false) {
    writeSettings(language, helpNumbers, "TEMP=TEMP\n", "1=GERMAN\n2=ENGLISH\n3=FRENCH\n");
  }
  plat::lib::Handle load() const { return ProgramDir::load("ZRLFBDLG.DLL"); }
};

// Boxes of this library (the parser may add its own about its language library).
std::vector<ScriptedSink::Shown> ownBoxes(const ScriptedSink& s) {
  std::vector<ScriptedSink::Shown> out;
  for (auto& b : s.shown())
    if (b.caption == "ZRLFBDLG") out.push_back(b);
  return out;
}

constexpr unsigned kRefuseStyle = MB_OK | MB_ICONEXCLAMATION | MB_TOPMOST;

const char* const kExports[] = {
    "FB01_CallParaAssignDlg", "FB02_CallParaCompareDlg", "FB03_CallParaRSNADlg", "FB04_CallParaVisualDlg",
    "FB05_CallBuildHandle", "FB05_CallLoadTermText", "FB05_CallOnMessage", "FB05_CallRefreshView",
    "FB05_GetMouseKeyState", "FB06_CallParaMOutputDlg", "FB07_CallParaSigBeepDlg", "FB08_CallParaWaitDlg",
    "FB09_CallParaDIVarDlg", "FB10_CallParaBInputDlg", "FB11_CallParaBEdgeDlg", "FB12_CallParaPositionDlg",
    "FB13_CallParaDisplayDlg", "FB14_CallParaMessageDlg", "FB15_CallTermParaDlg"};

} // namespace

TEST(Load, ExportsAndEnglish) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  Program p("ok");
  plat::lib::Handle h = p.load();
  ASSERT_TRUE(h) << plat::lib::lastError();
  EXPECT_TRUE(ownBoxes(*sink).empty());
  for (const char* n : kExports) EXPECT_NE(plat::lib::symbol(h, n), nullptr) << n;
  plat::lib::unload(h);
}

TEST(Load, MissingParserOrSettingsRefuseTheLoad) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  {
    Program p("noparser", false, true);
    EXPECT_FALSE(p.load());
    auto boxes = ownBoxes(*sink);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error!   Library EXPRPARSER.DLL could not be loaded.");
    EXPECT_EQ(boxes[0].style, kRefuseStyle);
  }
  sink->clear();
  {
    Program p("notool", true, false);
    EXPECT_FALSE(p.load());
    auto boxes = ownBoxes(*sink);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error!   Library OBELTOOL.DLL could not be loaded.");
    EXPECT_EQ(boxes[0].style, kRefuseStyle);
  }
}

struct Dialogs : ::testing::Test {
  static inline Program* program = nullptr;
  static inline plat::lib::Handle h = nullptr;
  std::shared_ptr<ScriptedSink> sink = std::make_shared<ScriptedSink>();
  std::unique_ptr<ScopedSink> scope;
  std::shared_ptr<Driver> driver = std::make_shared<Driver>();
  QWidget* owner = nullptr;
  double ownerId = 0;

  static void SetUpTestSuite() {
    app();
    program = new Program("dialogs");
    h = program->load();
  }
  static void TearDownTestSuite() {
    plat::lib::unload(h);
    delete program;
  }
  void SetUp() override {
    ASSERT_TRUE(h) << plat::lib::lastError();
    scope = std::make_unique<ScopedSink>(sink);
    driver->shots = FB_SHOTS;
    driver->shotLibrary = "ZRLFBDLG";
    setDialogObserver(driver);
    owner = new QWidget;
    owner->resize(300, 200);
    owner->show();
    ownerId = double(kit::registerOwner(owner));
  }
  void TearDown() override {
    setDialogObserver(nullptr);
    delete owner;
    scope.reset();
  }
  FbDialogCallFn fn(const char* name) { return plat::lib::symbolAs<FbDialogCallFn>(h, name); }
  static QLineEdit* edit(const DialogShown& d, const char* name) {
    return static_cast<QWidget*>(d.widget)->findChild<QLineEdit*>(name);
  }
  static QPushButton* button(const DialogShown& d, const char* name) {
    return static_cast<QWidget*>(d.widget)->findChild<QPushButton*>(name);
  }
};

TEST_F(Dialogs, AssignmentAcceptedByTheParserWritesTextAndAux) {
  char text[70] = {};
  std::strcpy(text, "VAR1");
  std::strcpy(text + 10, "2*(VAR2+EY)-1");
  std::int16_t aux[5] = {0, 0, 0, 9, 0};
  double vec[12] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.library, "ZRLFBDLG");
    EXPECT_EQ(d.resourceId, 129);
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->windowTitle(), "Assignment");
    EXPECT_EQ(edit(d, "c1035")->text(), "VAR1");
    edit(d, "c1035")->setText("VAR7");
    button(d, "c1")->click();
  };
  fn("FB01_CallParaAssignDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "VAR7");
  EXPECT_STREQ(text + 10, "2*(VAR2+EY)-1");
  EXPECT_EQ(aux[3], 0);
  EXPECT_EQ(aux[2], 1);  // the parser saw EY
}

TEST_F(Dialogs, AssignmentRefusedShowsTheParserTextAndStaysOpen) {
  char text[70] = {};
  std::strcpy(text, "VAR1");
  std::strcpy(text + 10, "3");
  std::int16_t aux[5] = {1, 2, 3, 4, 5};
  double vec[12] = {ownerId, 1, 2, 3};
  std::int16_t changed = 0;
  char text0[70];
  std::memcpy(text0, text, 70);
  double vec0[12];
  std::memcpy(vec0, vec, sizeof vec);
  bool stillOpen = false;
  driver->onShown = [&](const DialogShown& d) {
    edit(d, "c1036")->setText("2*(");
    button(d, "c1")->click();
    stillOpen = static_cast<QWidget*>(d.widget)->isVisible();
    button(d, "c2")->click();
  };
  fn("FB01_CallParaAssignDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].caption, "Assignment");
  EXPECT_FALSE(sink->shown()[0].text.empty());
  EXPECT_EQ(sink->shown()[0].style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(std::memcmp(text, text0, 70), 0);
  EXPECT_EQ(std::memcmp(vec, vec0, sizeof vec), 0);
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[4], 5);
}

TEST_F(Dialogs, AssignmentEmptyFieldsSendVarQuestionMark) {
  char text[70] = {};
  double vec[12] = {ownerId};
  std::int16_t changed = 0;
  QString var, expr;
  driver->onShown = [&](const DialogShown& d) {
    button(d, "c1")->click();
    var = edit(d, "c1035")->text();
    expr = edit(d, "c1036")->text();
    if (static_cast<QWidget*>(d.widget)->isVisible()) button(d, "c2")->click();
  };
  fn("FB01_CallParaAssignDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(var, "VAR?");
  EXPECT_EQ(expr, "0");
}

TEST_F(Dialogs, OperatorButtonsInsertAndBeepOverTheLimit) {
  auto tone = std::make_shared<plat::io::RecordingTone>();
  auto prev = plat::io::setToneOut(tone);
  char text[70] = {};
  std::strcpy(text + 10, std::string(33, '1').c_str());
  double vec[12] = {ownerId};
  std::int16_t changed = 0;
  QString after;
  driver->onShown = [&](const DialogShown& d) {
    auto* e = edit(d, "c1036");
    e->setCursorPosition(33);
    button(d, "c1041")->click();
    button(d, "c1041")->click();
    after = e->text();
    button(d, "c2")->click();
  };
  fn("FB01_CallParaAssignDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  plat::io::setToneOut(prev);
  EXPECT_EQ(after, QString(33, '1') + "/");
  ASSERT_EQ(tone->events().size(), 1u);
  EXPECT_TRUE(tone->events()[0].isBeep);
}

TEST_F(Dialogs, CompareBranchAndNullAux) {
  char text[41] = "VAR3=5 AND E3 OR E2";
  std::int16_t aux[5] = {0, 0, 0, 0, 7};
  double vec[14] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 130);
    auto* one = static_cast<QWidget*>(d.widget)->findChild<QRadioButton*>("c1059");
    EXPECT_FALSE(one->isChecked());
    one->setChecked(true);
    button(d, "c1")->click();
  };
  fn("FB02_CallParaCompareDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[3], 1);
  EXPECT_EQ(aux[4], 0);
  // aux null: "0" selected, text still written.
  changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_TRUE(static_cast<QWidget*>(d.widget)->findChild<QRadioButton*>("c1060")->isChecked());
    edit(d, "c1050")->setText("E1 OR E2");
    button(d, "c1")->click();
  };
  fn("FB02_CallParaCompareDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "E1 OR E2");
}

TEST_F(Dialogs, ResetStopCaptionByMode) {
  char text[41] = "E1";
  double vec[14] = {ownerId};
  std::int16_t changed = 0, mode = 1;
  std::int16_t aux[5] = {0, 0, 0, 5, 0};
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 131);
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->windowTitle(), "Stop");
    button(d, "c1")->click();
  };
  fn("FB03_CallParaRSNADlg")(text, aux, vec, nullptr, &mode, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[3], 0);
  // Without mode storage nothing opens.
  driver->seen.clear();
  fn("FB03_CallParaRSNADlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_TRUE(driver->seen.empty());
}

TEST_F(Dialogs, ShowValuesWritesTheHandle) {
  char text[6] = "v5";
  std::int16_t aux[2] = {9, 9};
  double vec[4] = {ownerId, 0, 0, 7};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    edit(d, "c1037")->setText("E7");
    button(d, "c1")->click();
  };
  fn("FB04_CallParaVisualDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "E7");
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(vec[1], 2);
  EXPECT_EQ(vec[2], 8);
  EXPECT_EQ(vec[3], 0);
}

TEST_F(Dialogs, CancelLeavesEverythingAndBadArgumentsDoNothing) {
  for (const char* name : {"FB01_CallParaAssignDlg", "FB02_CallParaCompareDlg", "FB03_CallParaRSNADlg",
                           "FB04_CallParaVisualDlg", "FB06_CallParaMOutputDlg", "FB07_CallParaSigBeepDlg",
                           "FB08_CallParaWaitDlg", "FB09_CallParaDIVarDlg", "FB10_CallParaBInputDlg",
                           "FB11_CallParaBEdgeDlg", "FB12_CallParaPositionDlg", "FB13_CallParaDisplayDlg",
                           "FB14_CallParaMessageDlg", "FB15_CallTermParaDlg"}) {
    char text[70];
    std::memset(text, 'A', sizeof text);  // no terminator anywhere
    std::int16_t aux[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    double vec[14] = {ownerId, 1, 2, 3, 4};
    std::int16_t changed = 0, mode = 0;
    char t0[70];
    std::memcpy(t0, text, 70);
    std::int16_t a0[8];
    std::memcpy(a0, aux, sizeof aux);
    double v0[14];
    std::memcpy(v0, vec, sizeof vec);
    driver->onShown = [](const DialogShown& d) {
      for (auto* e : static_cast<QWidget*>(d.widget)->findChildren<QLineEdit*>()) e->setText("VAR9");
      button(d, "c2")->click();
    };
    fn(name)(text, aux, vec, nullptr, &mode, &changed);
    EXPECT_EQ(changed, 0) << name;
    EXPECT_EQ(std::memcmp(text, t0, 70), 0) << name;
    EXPECT_EQ(std::memcmp(aux, a0, sizeof aux), 0) << name;
    EXPECT_EQ(std::memcmp(vec, v0, sizeof vec), 0) << name;
    // Null vector or changed: nothing opens.
    driver->seen.clear();
    fn(name)(text, aux, nullptr, nullptr, &mode, &changed);
    fn(name)(text, aux, vec, nullptr, &mode, nullptr);
    EXPECT_TRUE(driver->seen.empty()) << name;
  }
}

TEST_F(Dialogs, NonIntegralOwnerOpensWithoutParent) {
  char text[6] = "Z1";
  double vec[4] = {std::nan(""), 0, 0, 0};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->parentWidget(), nullptr);
    button(d, "c1")->click();
  };
  fn("FB04_CallParaVisualDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
}

TEST_F(Dialogs, TwoWorkersCloseInEitherOrder) {
  std::vector<QWidget*> open;
  driver->onShown = [&](const DialogShown& d) {
    open.push_back(static_cast<QWidget*>(d.widget));
    if (open.size() == 2) {
      // Close the second as OK, then the first as Cancel.
      QTimer::singleShot(0, open[1], [w = open[1]] { w->findChild<QPushButton*>("c1")->click(); });
      QTimer::singleShot(10, open[0], [w = open[0]] { w->findChild<QPushButton*>("c2")->click(); });
    }
  };
  char t1[6] = "VAR1", t2[6] = "VAR2";
  double v1[4] = {ownerId}, v2[4] = {ownerId};
  std::int16_t c1 = 0, c2 = 0;
  std::atomic<int> done{0};
  auto call = fn("FB04_CallParaVisualDlg");
  std::thread a([&] {
    call(t1, nullptr, v1, nullptr, nullptr, &c1);
    ++done;
  });
  // The second starts once the first shows.
  QElapsedTimer wait;
  wait.start();
  while (open.empty() && wait.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  std::thread b([&] {
    call(t2, nullptr, v2, nullptr, nullptr, &c2);
    ++done;
  });
  wait.restart();
  while (done < 2 && wait.elapsed() < 8000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  a.join();
  b.join();
  EXPECT_EQ(c1 + c2, 1);
  EXPECT_EQ(open.size(), 2u);
}

TEST_F(Dialogs, QueuedRunsCancelledReturnWithoutWriting) {
  std::atomic<int> shown{0};
  driver->onShown = [&](const DialogShown&) { ++shown; };
  char t1[6] = "VAR1", t2[6] = "VAR2";
  double v1[4] = {ownerId}, v2[4] = {ownerId};
  std::int16_t c1 = 0, c2 = 0;
  auto call = fn("FB04_CallParaVisualDlg");
  std::thread a([&] { call(t1, nullptr, v1, nullptr, nullptr, &c1); });
  std::thread b([&] { call(t2, nullptr, v2, nullptr, nullptr, &c2); });
  QElapsedTimer wait;
  wait.start();
  while (shown < 2 && wait.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  QTimer::singleShot(0, [] { plat::ui::cancelModalRuns(); });
  wait.restart();
  while (plat::ui::modalRunCount() > 0 && wait.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  a.join();
  b.join();
  EXPECT_EQ(c1, 0);
  EXPECT_EQ(c2, 0);
}

TEST_F(Dialogs, ServicesWithoutDialog) {
  // Build handle: null aux writes neither aux nor vector but sets changed.
  char name[6] = "ea";
  double vec[4] = {0, -1, -1, -1};
  std::int16_t changed = 0;
  fn("FB05_CallBuildHandle")(name, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(vec[1], -1);
  std::int16_t aux[2] = {9, 9};
  fn("FB05_CallBuildHandle")(name, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(vec[1], 5);
  EXPECT_EQ(vec[2], 101);
  EXPECT_STREQ(name, "ea");

  // Label texts.
  char label[20];
  std::memset(label, 'x', sizeof label);
  std::int16_t which[1] = {8};
  fn("FB05_CallLoadTermText")(label, which, nullptr, nullptr, nullptr, nullptr);
  which[0] = -1;
  fn("FB05_CallLoadTermText")(label, which, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(label[0], 'x');
  which[0] = 2;
  fn("FB05_CallLoadTermText")(label, which, nullptr, nullptr, nullptr, nullptr);
  EXPECT_STREQ(label, "RESET");

  // Refresh: no window answers 0 and leaves changed.
  auto refresh = plat::lib::symbolAs<FbRefreshViewFn>(h, "FB05_CallRefreshView");
  double none[1] = {0};
  changed = 5;
  EXPECT_EQ(refresh(nullptr, nullptr, none, nullptr, nullptr, &changed), 0);
  EXPECT_EQ(changed, 5);
  double own[1] = {ownerId};
  EXPECT_EQ(refresh(nullptr, nullptr, own, nullptr, nullptr, &changed), 1);
  EXPECT_EQ(changed, 1);

  // Mouse state: no button is down offscreen.
  std::int16_t mouse[2] = {0, 7};
  fn("FB05_GetMouseKeyState")(nullptr, mouse, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(mouse[1], 0);
}

TEST_F(Dialogs, WaitOpensRandomAndStoresTwoDecimals) {
  double vec[2] = {ownerId, -2.5};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    EXPECT_EQ(d.resourceId, 164);
    EXPECT_TRUE(w->findChild<QRadioButton*>("c1075")->isChecked());
    EXPECT_EQ(edit(d, "c1070")->text(), "2.50");
    edit(d, "c1070")->setText("1.234");
    w->findChild<QRadioButton*>("c1074")->setChecked(true);
    button(d, "c1")->click();
  };
  fn("FB08_CallParaWaitDlg")(nullptr, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_DOUBLE_EQ(vec[1], 1.23);
}

TEST_F(Dialogs, CountingWritesHandleAndDirection) {
  char text[6] = "VAR1";
  std::int16_t aux[2] = {0, 0};
  double vec[4] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 165);
    EXPECT_TRUE(button(d, "c1083")->isChecked());
    edit(d, "c1035")->setText("Z3");
    button(d, "c1084")->click();
    EXPECT_FALSE(button(d, "c1083")->isChecked());
    button(d, "c1")->click();
  };
  fn("FB09_CallParaDIVarDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "Z3");
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(vec[1], 9);
  EXPECT_EQ(vec[2], 3);
}

// The direction buttons show their pictograms from the language resources
// instead of text: 187 / 188 in the counting dialog, 190 / 191 in the
// position dialog; each picture is its own.
TEST_F(Dialogs, DirectionButtonsShowTheirPictograms) {
  struct Case {
    const char* exportName;
    int dialog;
    unsigned plusPictogram;
  };
  const Case cases[] = {{"FB09_CallParaDIVarDlg", 165, 187}, {"FB12_CallParaPositionDlg", 189, 190}};
  plat::lib::Handle english = plat::lib::load((fs::path(ZERLO_BIN_DIR) / "ENGLISH" / "ZRLFBRES.DLL").string());
  ASSERT_TRUE(english) << plat::lib::lastError();
  auto loadBitmap = plat::lib::symbolAs<int (*)(unsigned, unsigned char*, int)>(english, "LoadResBitmap");
  ASSERT_TRUE(loadBitmap);
  std::vector<QImage> seen;
  for (const Case& c : cases) {
    for (unsigned id : {c.plusPictogram, c.plusPictogram + 1}) {
      std::vector<unsigned char> bytes(std::size_t(std::max(0, loadBitmap(id, nullptr, 0))));
      ASSERT_FALSE(bytes.empty()) << "pictogram " << id;
      ASSERT_EQ(loadBitmap(id, bytes.data(), int(bytes.size())), int(bytes.size()));
      QImage picture;
      ASSERT_TRUE(picture.loadFromData(bytes.data(), int(bytes.size()))) << id;
      EXPECT_EQ(picture.size(), QSize(32, 32)) << id;
    }
    char text[20] = "VAR1";
    std::int16_t aux[5] = {0, 0, 0, 0, 0};
    double vec[4] = {ownerId};
    std::int16_t changed = 0;
    driver->onShown = [&](const DialogShown& d) {
      EXPECT_EQ(d.resourceId, c.dialog);
      for (const char* name : {"c1083", "c1084"}) {
        QPushButton* b = button(d, name);
        ASSERT_TRUE(b);
        EXPECT_FALSE(b->icon().isNull()) << c.exportName << " " << name;
        EXPECT_TRUE(b->text().isEmpty()) << c.exportName << " " << name;
        seen.push_back(b->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32));
      }
      button(d, "c2")->click();
    };
    fn(c.exportName)(text, aux, vec, nullptr, nullptr, &changed);
    EXPECT_EQ(changed, 0);
  }
  ASSERT_EQ(seen.size(), 4u);
  for (std::size_t i = 0; i < seen.size(); ++i)
    for (std::size_t j = i + 1; j < seen.size(); ++j) EXPECT_NE(seen[i], seen[j]) << i << " " << j;
  plat::lib::unload(english);
}

TEST_F(Dialogs, DisplayChoosesDisplayAndValue) {
  char text[10] = "VAR1";
  std::int16_t aux[3] = {1, 2, 0};
  double vec[4] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 192);
    auto* list = static_cast<QWidget*>(d.widget)->findChild<QComboBox*>("c1090");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->currentText(), "DIS1");
    list->setCurrentIndex(list->findData(2));
    edit(d, "c1037")->setText("EY");
    button(d, "c1")->click();
  };
  fn("FB13_CallParaDisplayDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "EY");
  EXPECT_EQ(aux[0], 2);
  EXPECT_EQ(aux[1], 5);
  EXPECT_EQ(aux[2], 0);
  EXPECT_EQ(vec[1], 5);
  EXPECT_EQ(vec[2], 106);
}

TEST_F(Dialogs, MessageColourButtons) {
  char text[18] = "Hello";
  std::int16_t aux[1] = {113};
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 193);
    EXPECT_TRUE(button(d, "c1103")->isChecked());
    EXPECT_EQ(button(d, "c1103")->text(), "Lightcyan");
    button(d, "c1094")->click();  // Red
    button(d, "c1")->click();
  };
  fn("FB14_CallParaMessageDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[0], 102);
  // 99: nothing selected, OK writes 100.
  aux[0] = 99;
  driver->onShown = [](const DialogShown& d) {
    for (int id = 1092; id <= 1105; ++id)
      EXPECT_FALSE(button(d, QStringLiteral("c%1").arg(id).toLatin1().constData())->isChecked());
    button(d, "c1")->click();
  };
  fn("FB14_CallParaMessageDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(aux[0], 100);
  EXPECT_STREQ(text, "Hello");
}

TEST_F(Dialogs, TerminalValueWraps) {
  std::int16_t aux[2] = {7, 12};
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 209);
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->findChild<QLabel*>("c1094")->text(), "Parameter EA:");
    EXPECT_EQ(edit(d, "c1093")->text(), "12");
    edit(d, "c1093")->setText("70000");
    button(d, "c1")->click();
  };
  fn("FB15_CallTermParaDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[0], 7);
  EXPECT_EQ(aux[1], 4464);
}

TEST_F(Dialogs, OutputClampsAndSwitchesDevice) {
  std::int16_t aux[3] = {9, 5, 0};
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 133);
    auto* w = static_cast<QWidget*>(d.widget);
    EXPECT_EQ(w->findChild<QComboBox*>("c1060")->currentText(), "M8");
    EXPECT_EQ(w->findChild<QComboBox*>("c1061")->currentText(), "Electromagnet");
    EXPECT_TRUE(button(d, "c1063")->isChecked());
    EXPECT_TRUE(button(d, "c1065")->isHidden());
    button(d, "c1")->click();
  };
  fn("FB06_CallParaMOutputDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[0], 8);
  EXPECT_EQ(aux[1], 2);
  EXPECT_EQ(aux[2], 2);
  // Motor "off" switched to lamp: "off" on the second button, action 3.
  std::int16_t m[3] = {1, 0, 3};
  driver->onShown = [](const DialogShown& d) {
    auto* devices = static_cast<QWidget*>(d.widget)->findChild<QComboBox*>("c1061");
    EXPECT_TRUE(button(d, "c1065")->isChecked());
    devices->setCurrentIndex(devices->findData(1));
    EXPECT_TRUE(button(d, "c1064")->isChecked());
    button(d, "c1")->click();
  };
  fn("FB06_CallParaMOutputDlg")(nullptr, m, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(m[1], 1);
  EXPECT_EQ(m[2], 3);
}

TEST_F(Dialogs, InputTypesFollowTheInput) {
  std::int16_t aux[3] = {20, 0, 1};
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 166);
    auto* w = static_cast<QWidget*>(d.widget);
    auto* inputs = w->findChild<QComboBox*>("c1077");
    auto* types = w->findChild<QComboBox*>("c1061");
    EXPECT_EQ(inputs->count(), 42);
    EXPECT_EQ(inputs->currentText(), "E20");
    EXPECT_EQ(types->count(), 1);
    EXPECT_EQ(types->currentText(), "Terminal input");
    EXPECT_TRUE(w->findChild<QRadioButton*>("c1078")->isChecked());
    button(d, "c1")->click();
  };
  fn("FB10_CallParaBInputDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[0], 20);
  EXPECT_EQ(aux[1], 5);
  EXPECT_EQ(aux[2], 1);
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    auto* inputs = w->findChild<QComboBox*>("c1077");
    inputs->setCurrentIndex(inputs->findData(3));
    EXPECT_EQ(w->findChild<QComboBox*>("c1061")->currentText(), "Pushbutton");
    button(d, "c1")->click();
  };
  fn("FB10_CallParaBInputDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(aux[0], 3);
  EXPECT_EQ(aux[1], 0);
}

TEST_F(Dialogs, EdgeWithoutAux) {
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 184);
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->findChild<QComboBox*>("c1077")->currentText(), "E1");
    EXPECT_TRUE(button(d, "c1081")->isChecked());
    button(d, "c1")->click();
  };
  fn("FB11_CallParaBEdgeDlg")(nullptr, nullptr, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
}

TEST_F(Dialogs, PositionStandardCounter) {
  char text[20] = {};
  std::int16_t aux[5] = {5, 1, 1, 0, 0};
  double vec[4] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 189);
    auto* w = static_cast<QWidget*>(d.widget);
    auto* counter = edit(d, "c1086");
    EXPECT_EQ(counter->text(), "Z5");
    EXPECT_FALSE(counter->isEnabled());
    edit(d, "c1088")->setText("25");
    button(d, "c1")->click();
    (void)w;
  };
  fn("FB12_CallParaPositionDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 1);
  EXPECT_STREQ(text, "Z5");
  EXPECT_STREQ(text + 10, "25");
  EXPECT_EQ(vec[1], 9);
  EXPECT_EQ(vec[2], 5);
  EXPECT_EQ(aux[2], 1);
  EXPECT_EQ(aux[3], 0);
  EXPECT_EQ(aux[1], 1);
  // E20: the check box hides and clears, the counter shows "VAR?".
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    auto* inputs = w->findChild<QComboBox*>("c1077");
    inputs->setCurrentIndex(inputs->findData(20));
    auto* box = w->findChild<QCheckBox*>("c1087");
    EXPECT_TRUE(box->isHidden());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(edit(d, "c1086")->text(), "VAR?");
    edit(d, "c1088")->setText("ez");
    button(d, "c1084")->click();
    button(d, "c1")->click();
  };
  fn("FB12_CallParaPositionDlg")(text, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(aux[1], 12);
  EXPECT_EQ(aux[4], 1);
  EXPECT_EQ(aux[2], 0);
  EXPECT_STREQ(text + 10, "VAR?");
}

TEST_F(Dialogs, BeepFrequencyNotesCarryOverAndTest) {
  auto tone = std::make_shared<plat::io::RecordingTone>();
  auto prev = plat::io::setToneOut(tone);
  std::int16_t aux[2] = {5, 440};
  double vec[2] = {ownerId, 0.29};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    EXPECT_EQ(d.resourceId, 163);
    EXPECT_EQ(w->windowTitle(), "Beep");
    auto* tabs = w->findChild<QTabBar*>("c1095");
    auto* freq = w->findChild<QSlider*>("c1069");
    auto* octave = w->findChild<QComboBox*>("c1099");
    auto* note = w->findChild<QComboBox*>("c1100");
    EXPECT_EQ(freq->value(), 440);
    EXPECT_EQ(w->findChild<QSlider*>("c1070")->value(), 29);
    EXPECT_EQ(w->findChild<QLabel*>("c1071")->text(), "440 Hz");
    EXPECT_EQ(w->findChild<QLabel*>("c1072")->text(), "0.29 s");
    EXPECT_TRUE(octave->isHidden());
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(freq->isHidden());
    EXPECT_EQ(octave->currentText(), "3");
    EXPECT_EQ(note->currentText(), "a#");
    tabs->setCurrentIndex(0);
    EXPECT_EQ(freq->value(), 465);
    w->findChild<QSlider*>("c1070")->setValue(1);
    freq->setValue(50);
    EXPECT_EQ(w->findChild<QLabel*>("c1072")->text(), "0.01 s");
    button(d, "c3")->click();  // Test: 50 Hz for 10 ms
    w->findChild<QSlider*>("c1070")->setValue(29);
    tabs->setCurrentIndex(1);
    octave->setCurrentIndex(octave->findText("4"));
    note->setCurrentIndex(note->findText("g"));
    button(d, "c1")->click();
  };
  fn("FB07_CallParaSigBeepDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  plat::io::setToneOut(prev);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 781);
  EXPECT_DOUBLE_EQ(vec[1], 0.29);
  ASSERT_EQ(tone->events().size(), 1u);
  EXPECT_EQ(tone->events()[0], (plat::io::ToneEvent{false, 50, 10, 0}));
}

TEST_F(Dialogs, BeepWithoutAuxKeepsTheLabelsAndWritesOnlyTheDuration) {
  struct Case { double seconds; int position; double stored; };
  const Case cases[] = {{7, 500, 5.0}, {std::nan(""), 1, 0.01}, {-HUGE_VAL, 1, 0.01}};
  for (const Case& c : cases) {
    double vec[2] = {ownerId, c.seconds};
    std::int16_t changed = 0;
    driver->onShown = [&](const DialogShown& d) {
      auto* w = static_cast<QWidget*>(d.widget);
      EXPECT_EQ(w->findChild<QSlider*>("c1070")->value(), c.position);
      EXPECT_EQ(w->findChild<QLabel*>("c1071")->text(), "10000 Hz");
      EXPECT_EQ(w->findChild<QLabel*>("c1072")->text(), "0.5 s");
      button(d, "c1")->click();
    };
    fn("FB07_CallParaSigBeepDlg")(nullptr, nullptr, vec, nullptr, nullptr, &changed);
    EXPECT_EQ(changed, 1);
    EXPECT_DOUBLE_EQ(vec[1], c.stored) << c.seconds;
  }
}

TEST_F(Dialogs, DevicePicturesAndStatePictogramsFollowTheDevice) {
  std::int16_t aux[3] = {1, 0, 0};
  double vec[1] = {ownerId};
  std::int16_t changed = 0;
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    auto* frame = w->findChild<QWidget*>("c1062");
    ASSERT_TRUE(frame);
    auto ink = [](const QImage& img) {
      int n = 0;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) != qRgb(255, 255, 255);
      return n;
    };
    QImage motor = frame->grab().toImage();
    EXPECT_GT(ink(motor), 500);
    EXPECT_FALSE(button(d, "c1063")->icon().isNull());
    auto* devices = w->findChild<QComboBox*>("c1061");
    devices->setCurrentIndex(devices->findData(1));
    EXPECT_NE(frame->grab().toImage(), motor);
    EXPECT_TRUE(button(d, "c1065")->isHidden());
    button(d, "c2")->click();
  };
  fn("FB06_CallParaMOutputDlg")(nullptr, aux, vec, nullptr, nullptr, &changed);
  EXPECT_EQ(changed, 0);
}

TEST_F(Dialogs, OnMessagePostsToTheOwner) {
  dlgtest::Receiver r;
  double vec[1] = {double(kit::registerOwner(&r))};
  std::int16_t aux[1] = {-3};
  fn("FB05_CallOnMessage")(nullptr, aux, vec, nullptr, nullptr, nullptr);
  QApplication::processEvents();
  ASSERT_EQ(r.got.size(), 1u);
  EXPECT_EQ(r.got[0].msg, 0x400u + 200u);
  EXPECT_EQ(r.got[0].lParam, -3);
}

TEST(Language, MissingResourceLibraryShowsBoxAndTestLanguageReplacesCaption) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  Program p("lang");
  p.writeObel(3);  // FRENCH: no resource library
  plat::lib::Handle h = p.load();
  ASSERT_TRUE(h);
  auto boxes = ownBoxes(*sink);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Error!   Resource library for the selected language cannot be loaded.\nInternal "
                           "English resources will be used.");
  EXPECT_EQ(boxes[0].style, kRefuseStyle);
  plat::lib::unload(h);

  p.writeObel(1);  // GERMAN: the test language
  h = p.load();
  ASSERT_TRUE(h);
  auto driver = std::make_shared<Driver>();
  QString caption;
  driver->onShown = [&](const DialogShown& d) {
    caption = static_cast<QWidget*>(d.widget)->windowTitle();
    static_cast<QWidget*>(d.widget)->findChild<QPushButton*>("c2")->click();
  };
  setDialogObserver(driver);
  char text[70] = {};
  double vec[12] = {0};
  std::int16_t changed = 0;
  plat::lib::symbolAs<FbDialogCallFn>(h, "FB01_CallParaAssignDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  setDialogObserver(nullptr);
  EXPECT_EQ(caption, "Zuweisung");
  plat::lib::unload(h);
}

TEST(Help, F1ShowsTheKeyWordFirst) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  Program p("help");
  p.writeObel(2, true);
  plat::lib::Handle h = p.load();
  ASSERT_TRUE(h);
  auto driver = std::make_shared<Driver>();
  driver->onShown = [](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(w, &f1);
    w->findChild<QPushButton*>("c2")->click();
  };
  setDialogObserver(driver);
  char text[70] = {};
  double vec[12] = {0};
  std::int16_t changed = 0;
  sink->clear();
  plat::lib::symbolAs<FbDialogCallFn>(h, "FB01_CallParaAssignDlg")(text, nullptr, vec, nullptr, nullptr, &changed);
  setDialogObserver(nullptr);
  bool found = false;
  for (auto& b : sink->shown())
    if (b.text == "Help key word: Function block: ASSIGNV3" && b.caption == "Zerlo") found = true;
  EXPECT_TRUE(found);
  plat::lib::unload(h);
}
