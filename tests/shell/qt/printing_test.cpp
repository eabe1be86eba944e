// Printing into PDF files with a recording dispatcher in place of the editor.
#include "shell/printing.h"

#include "../fixtures.h"
#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/recording_device.h"
#include "platform/handles.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/prompts.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace shell;
namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "shell_printing_test";
char* argv[] = {arg0, nullptr};
QApplication& app() {
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

// Answers the page requests for a layout of `pages` pages and draws a box on
// every paint; records what it was sent.
struct RecordingDispatcher {
  int pages = 3;
  int page = 0;
  int answer213 = 1;
  std::vector<std::string> events;
  std::vector<float> zooms;
  std::function<void(int page)> onPaint;
  int operator()(editor::WorksheetWindowData* w, editor::EngineEvent& e) {
    if (e.type == 0x111 && e.code == 213) {
      events.push_back("213");
      page = 1;
      return answer213;
    }
    if (e.type == 0x111 && e.code == 513) {
      events.push_back("513");
      if (page >= pages) return 9;
      ++page;
      return 0;
    }
    if (e.type == 15) {
      events.push_back("paint " + std::to_string(page) + " kind " + std::to_string(w ? w->kind : -1) + " " +
                       std::to_string(e.right) + "x" + std::to_string(e.bottom));
      zooms.push_back(disp::gdi_GetZoom());
      disp::gdi_SetFillColor(1);
      disp::gdi_Bar({100, 100}, {400, 300});
      if (onPaint) onPaint(page);
      return 0;
    }
    events.push_back("event " + std::to_string(e.type));
    return 0;
  }
};

int pdfPages(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  const std::string s = ss.str();
  static const std::regex page("/Type\\s*/Page[^s]");
  return int(std::distance(std::sregex_iterator(s.begin(), s.end(), page), std::sregex_iterator()));
}

class Printing : public ::testing::Test {
protected:
  void SetUp() override {
    app();
    char tmpl[] = "/tmp/zerlo_print_XXXXXX";
    dir = mkdtemp(tmpl);
    printHooks() = PrintHooks{};
    printHooks().dispatch = [this](editor::WorksheetWindowData* w, editor::EngineEvent& e) { return rec(w, e); };
    printHooks().printSetup = [this](Hwnd owner, int pages) -> std::uint32_t {
      setups.push_back({owner, pages});
      if (refusePrinter) return 0;
      auto* p = new QPrinter(QPrinter::HighResolution);
      p->setOutputFormat(QPrinter::PdfFormat);
      p->setOutputFileName(QString::fromStdString(pdf().string()));
      p->setPageOrientation(QPageLayout::Landscape);
      printerPage = p->pageLayout().paintRectPixels(p->resolution());
      return plat::handles::allocate(p, kPrinterHandleKind);
    };
    printHooks().projectFileName = [] { return std::string("PLANT.MDL"); };
    printHooks().enableFrame = [this](bool on) { frameStates.push_back(on); };
    printHooks().qualifiedName = [this] { ++nameAsks; return std::string("PLANT.MDL/PUMP"); };
    const float one = 1.0f;
    disp::gdi_SetZoom(&one);
  }
  void TearDown() override {
    printHooks() = PrintHooks{};
    plat::ui::setDialogObserver(nullptr);
    fs::remove_all(dir);
  }
  fs::path pdf() const { return dir / "out.pdf"; }
  fs::path dir;
  RecordingDispatcher rec;
  std::vector<std::pair<Hwnd, int>> setups;
  std::vector<bool> frameStates;
  bool refusePrinter = false;
  int nameAsks = 0;
  QRect printerPage;
};

} // namespace

TEST_F(Printing, ProjectPrintsEveryPageWithItsHeader) {
  ASSERT_EQ(prn_PrintProject(7), 1);
  EXPECT_EQ(setups, (std::vector<std::pair<Hwnd, int>>{{7, 3}}));
  const std::vector<std::string> expected = {
      "213", "513", "513", "513",                     // counting: three pages
      "213", "paint 1 kind 3 1600x1130", "513", "paint 2 kind 3 1600x1130", "513", "paint 3 kind 3 1600x1130", "513"};
  EXPECT_EQ(rec.events, expected);
  EXPECT_EQ(pdfPages(pdf()), 3);
  EXPECT_EQ(frameStates, (std::vector<bool>{false, true}));
  // The zoom fits the sheet to the page; the screen's zoom is back afterwards.
  ASSERT_FALSE(rec.zooms.empty());
  const float fit = std::max(0.3f, std::min(10.0f, prn_FitZoom(printerPage.width(), printerPage.height(), 1600, 1130)));
  EXPECT_NEAR(rec.zooms[0], fit, 0.001);
  EXPECT_FLOAT_EQ(disp::gdi_GetZoom(), 1.0f);
  EXPECT_FALSE(printState().printing);
  EXPECT_FALSE(printState().progress);
  // The header names the kind, the project and today's date.
  const std::string header = prn_HeaderText(3, prn_Today());
  EXPECT_NE(header.find("PLANT"), std::string::npos);
  EXPECT_EQ(header.find(".MDL"), std::string::npos);
  EXPECT_NE(header.find(prn_Today()), std::string::npos);
  EXPECT_TRUE(std::regex_match(prn_Today(), std::regex("[0-3][0-9]\\.[01][0-9]\\.20[0-9][0-9]")));
}

TEST_F(Printing, OnePageAndRefusals) {
  rec.pages = 1;
  ASSERT_EQ(prn_PrintProject(7), 1);
  EXPECT_EQ(pdfPages(pdf()), 1);
  EXPECT_EQ(std::count(rec.events.begin(), rec.events.end(), "paint 1 kind 3 1600x1130"), 1);
  // The editor refusing 213, or no printer: nothing printed.
  fs::remove(pdf());
  rec.events.clear();
  rec.answer213 = 0;
  EXPECT_EQ(prn_PrintProject(7), 0);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"213", "213"}));
  rec.answer213 = 1;
  refusePrinter = true;
  EXPECT_EQ(prn_PrintProject(7), 0);
  EXPECT_FALSE(fs::exists(pdf()));
}

TEST_F(Printing, CancelInTheFirstPageAbortsTheJob) {
  struct Observer : plat::ui::DialogObserver {
    std::vector<int> ids;
    std::string caption, cancelText;
    void shown(const plat::ui::DialogShown& d) override {
      ids.push_back(d.resourceId);
      auto* w = static_cast<QDialog*>(d.widget);
      caption = w->windowTitle().toStdString();
      if (auto* b = w->findChild<QPushButton*>("c107")) cancelText = b->text().toStdString();
    }
  };
  auto obs = std::make_shared<Observer>();
  plat::ui::setDialogObserver(obs);
  std::string progressText;
  rec.onPaint = [&](int page) {
    ASSERT_TRUE(printState().progress);
    progressText = printState().progress->findChild<QLabel*>("c1001")->text().toStdString();
    if (page == 1) printState().progress->findChild<QPushButton*>("c107")->click();
  };
  ASSERT_EQ(prn_PrintProject(7), 1);
  EXPECT_EQ(obs->ids, std::vector<int>{101});
  EXPECT_EQ(obs->caption, "Printing");
  EXPECT_EQ(obs->cancelText, "Cancel");
  EXPECT_EQ(progressText, "Printing page 1 of 3");
  // No page requested after the first.
  const std::vector<std::string> expected = {"213", "513", "513", "513", "213", "paint 1 kind 3 1600x1130"};
  EXPECT_EQ(rec.events, expected);
  EXPECT_FALSE(printState().printing);
  EXPECT_FALSE(printState().inProgress);
  EXPECT_FLOAT_EQ(disp::gdi_GetZoom(), 1.0f);
}

TEST_F(Printing, WorksheetPrintAndTrendSheets) {
  editor::WorksheetWindowData ws{};
  ws.kind = 0;
  ws.scrollX = 50;
  ws.scrollY = 60;
  ws.clientW = 700;
  ws.clientH = 500;
  EXPECT_EQ(prn_PrintWorksheet(nullptr, 9), 0);
  ASSERT_EQ(prn_PrintWorksheet(&ws, 9), 1);
  EXPECT_EQ(setups.back(), (std::pair<Hwnd, int>{9, 1}));
  EXPECT_EQ(rec.events, std::vector<std::string>{"paint 0 kind 0 1600x1130"});
  EXPECT_EQ(pdfPages(pdf()), 1);
  EXPECT_EQ(ws.scrollX, 50);
  EXPECT_EQ(ws.scrollY, 60);
  EXPECT_EQ(nameAsks, 1);
  // A trend sheet is scaled from its client size and has no header.
  rec.events.clear();
  rec.zooms.clear();
  ws.kind = 5;
  printHooks().simulationRuns = [] { return true; };
  ASSERT_EQ(prn_PrintWorksheet(&ws, 9), 1);
  EXPECT_EQ(nameAsks, 1);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"paint 0 kind 5 1600x1130", "event 1043"}));
  ASSERT_EQ(rec.zooms.size(), 1u);
  const float fit = std::max(0.3f, std::min(10.0f, prn_FitZoom(printerPage.width(), printerPage.height(), 700, 500)));
  EXPECT_NEAR(rec.zooms[0], fit, 0.001);
  // Without a printer the job is over at once.
  refusePrinter = true;
  rec.events.clear();
  EXPECT_EQ(prn_PrintWorksheet(&ws, 9), 1);
  EXPECT_TRUE(rec.events.empty());
}

TEST_F(Printing, ZoomBorderAndHeader) {
  EXPECT_FLOAT_EQ(prn_FitZoom(4800, 6600, 1600, 1100), 3.0f);
  EXPECT_FLOAT_EQ(prn_FitZoom(4800, 2200, 1600, 1100), 2.0f);
  disp::RecordingDevice dev;
  struct Win : disp::DrawWindow {
    disp::Device* d;
    disp::Device* beginPaint() override { return d; }
    void endPaint() override {}
    disp::Device* getDc() override { return d; }
    void releaseDc() override {}
  } win;
  win.d = &dev;
  disp::gdi_SetCurrent(&dev, &win);
  prn_DrawPageBorder(1600, 1130);
  ASSERT_EQ(dev.withPrefix("polyline").size(), 1u);
  EXPECT_NE(dev.withPrefix("polyline")[0].find("1585"), std::string::npos);
  prn_DrawPageHeader(0, 1130);
  bool dated = false;
  for (const auto& c : dev.calls) dated = dated || c.find(prn_Today()) != std::string::npos;
  EXPECT_TRUE(dated);
  // While the page-frame library is bound the shell draws no border.
  setProgramDir(shelltest::fixtureDir("good"));
  ASSERT_EQ(bind_LoadObelTool(), 1);
  ASSERT_EQ(bind_LoadPageFrame(), 1);
  dev.clear();
  prn_DrawPageBorder(1600, 1130);
  EXPECT_TRUE(dev.withPrefix("polyline").empty());
  bind_UnloadAll();
  setProgramDir("");
  disp::gdi_SetCurrent(nullptr, nullptr);
}

TEST_F(Printing, ScreenDrawingIsTheSameAfterAPrint) {
  auto paint = [] {
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
      disp::QtDevice dev(&img);
      struct Win : disp::DrawWindow {
        disp::Device* d;
        disp::Device* beginPaint() override { return d; }
        void endPaint() override {}
        disp::Device* getDc() override { return d; }
        void releaseDc() override {}
      } win;
      win.d = &dev;
      disp::gdi_SetCurrent(&dev, &win);
      disp::gdi_SetFillColor(1);
      disp::gdi_Bar({10, 10}, {120, 80});
      disp::gdi_Text(20, 120, "Pump 1");
      disp::gdi_SetCurrent(nullptr, nullptr);
    }
    return img;
  };
  const float screenZoom = 1.5f;
  disp::gdi_SetZoom(&screenZoom);
  const QImage before = paint();
  ASSERT_EQ(prn_PrintProject(7), 1);
  const QImage after = paint();
  EXPECT_TRUE(before == after);
}

#include "dialogkit/qtkit.h"
#include "model/records.h"

#include <QWidget>
#include <cstring>
#include <memory>

// Without the frame's hooks the header names the printed worksheet's
// subprogram by its levels, and the printed window gets the focus back.
TEST_F(Printing, WorksheetHeaderNamesItsSubprogramAndTheWindowGetsTheFocus) {
  printHooks().qualifiedName = nullptr;
  std::string seenHeader;
  printHooks().dispatch = [this, &seenHeader](editor::WorksheetWindowData* w, editor::EngineEvent& e) {
    if (e.type == 15) seenHeader = printState().headerExtra;
    return rec(w, e);
  };
  auto doc = std::make_unique<model::DocumentRecord>();
  model::LogicRecord main{}, pump{};
  std::strcpy(main.Name, "MAIN");
  std::strcpy(pump.Name, "PUMP");
  doc->MacroLevel = 2;
  doc->LevelLogics[1] = &main;
  doc->LevelLogics[2] = &pump;
  editor::WorksheetWindowData ws{};
  ws.kind = 1;
  ws.document = doc.get();
  QWidget target, other;
  target.setFocusPolicy(Qt::StrongFocus);
  other.setFocusPolicy(Qt::StrongFocus);
  target.show();
  other.show();
  other.activateWindow();
  other.setFocus();
  QApplication::processEvents();
  const auto id = kit::registerOwner(&target);
  ASSERT_EQ(prn_PrintWorksheet(&ws, Hwnd(id)), 1);
  EXPECT_EQ(seenHeader, "MAIN\\PUMP");
  EXPECT_TRUE(printState().headerExtra.empty());
  QApplication::processEvents();
  if (QApplication::focusWidget() == nullptr) GTEST_SKIP() << "no focus under this platform";
  EXPECT_EQ(QApplication::focusWidget(), &target);
}
