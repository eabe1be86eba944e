// The flow of all seventeen blocks (tests/data/blocklib/demoall.mdl) drawn
// offscreen through the worksheet drawing code at zoom 1 and 2, the faces run
// by the interpreter: every block's frame is whole and its box holds its
// texts. ZERLO_FACES_PNG=DIR keeps the images there to be looked at.
#include "display/gdi.h"
#include "display/recording_device.h"
#include "display/render.h"
#include "display/view.h"
#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "model/document.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "model/records.h"
#include "modelfiles/project.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include "engine/externs.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool dark(const QImage& img, int x, int y) {
  if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return false;
  return qGray(img.pixel(x, y)) < 100;
}

TEST(DemoRender, EveryFaceIsWholeWithItsTexts) {
  const fs::path dir = fs::path(testing::TempDir()) / ("blocklib_render_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(fs::path(ZERLO_TEST_DATA) / "blocklib" / "demoall.mdl", dir / "demoall.mdl");
  for (const char* lib : {"EXTERNAL.MCO", "ZRLFB02.MCO"}) fs::copy_file(fs::path(ZERLO_LIB_DIR) / lib, dir / lib);

  model::mm_UnitInit();
  model::doc_StartUp();
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  const modelfiles::ModuleLinker previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
  const int loaded = modelfiles::mdl_LoadProjectPath((dir / "demoall.mdl").string(), 1);
  modelfiles::setModuleLinker(previous);
  ASSERT_EQ(loaded, 1);
  std::string why;
  ASSERT_TRUE(engine::linkDocument(*doc, &why)) << why;

  // The flow is the sheet with the most compiled gates.
  model::LogicRecord* flow = nullptr;
  int most = 0;
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    for (model::LogicRecord* l = model::firstLogicOf(m); l; l = l->Next) {
      int n = 0;
      for (model::GateRecord* g = l->FirstGate; g; g = g->Next) n += g->Kind == model::kKindCompiled;
      if (n > most) most = n, flow = l;
    }
  ASSERT_NE(flow, nullptr);
  EXPECT_GE(most, 17) << "the flow holds every block";

  // Every face and display is also recorded (its texts, in drawing order,
  // per gate) before it draws into the image.
  disp::RecordingDevice rec;
  disp::DeviceWindow recWin{&rec};
  std::map<model::GateRecord*, std::string> texts;
  disp::DrawView view;
  view.runModuleCode = [&](model::GateRecord* g, model::GateInstance* inst, int which) {
    const model::GateTypeRecord* t = model::subType(g);
    const int slot = which == 0 ? 5 : 6;
    if (!t || !t->Procs[slot] || !t->ProcLength[slot]) return false;
    const disp::DrawView& v = disp::currentView();
    disp::Device* device = disp::gdi_CurrentDevice();
    disp::DrawWindow* window = disp::gdi_CurrentWindow();
    rec.clear();
    disp::gdi_SetCurrent(&rec, &recWin);
    engine::vm().runDrawing(g, inst, t->Procs[slot], g->X - v.scrollX, g->Y - v.scrollY);
    disp::gdi_SetCurrent(device, window);
    for (const std::string& c : rec.withPrefix("text ")) {
      const std::size_t q = c.find('"');
      texts[g] += (texts[g].empty() ? "" : "|") + c.substr(q + 1, c.size() - q - 2);
    }
    engine::vm().runDrawing(g, inst, t->Procs[slot], g->X - v.scrollX, g->Y - v.scrollY);
    return true;
  };
  // What a user reads on every block: the name, then the second line; in
  // the run window the displays with a live value draw their second line
  // again with the value (the saved image is clear).
  auto expected = [](bool runWindow) {
    std::vector<std::string> v = {
        "START", "END", "OUTPUT|M1 cw", "OUTPUT|M1 off", "EDGE|E1 fall", "WAIT|0.1 s", "ASSIGN|VAR1",
        "COMPARE|VAR1<3", "INC/DEC|Z2", "MESSAGE|Done", "TERMINAL|EA = 5", "BEEP|440 Hz", "RESET|VAR1<2",
        "STOP|VAR1>2"};
    if (runWindow) {
      v.insert(v.end(), {"INPUT|E1 = 0", "POSITION|VAR2|VAR2 = 0", "DISPLAY|VAR1|VAR1 = 0", "VISUAL|A1.1|A1.1"});
    } else {
      v.insert(v.end(), {"INPUT|E1", "POSITION|VAR2", "DISPLAY|VAR1", "VISUAL|A1.1"});
    }
    std::sort(v.begin(), v.end());
    return v;
  };
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "blocklib_render";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // The edit window, then the run window offline (the displays show the
  // simulated image's values: the saved image is clear).
  for (bool runWindow : {false, true})
  for (float zoom : {1.0f, 2.0f}) {
    engine::externState().kind3Window = runWindow;
    texts.clear();
    QImage img = disp::renderSheet(flow, zoom, view).convertToFormat(QImage::Format_RGB32);
    engine::externState().kind3Window = false;
    ASSERT_FALSE(img.isNull());
    std::vector<std::string> shown;
    for (model::GateRecord* g = flow->FirstGate; g; g = g->Next)
      if (g->Kind == model::kKindCompiled) shown.push_back(texts[g]);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, expected(runWindow)) << (runWindow ? "the run window" : "the edit window") << " at zoom " << zoom;
    if (const char* keep = std::getenv("ZERLO_FACES_PNG"))
      img.copy(0, 0, int(620 * zoom), int(460 * zoom))
          .save(QString::fromStdString(std::string(keep) + (runWindow ? "/demoall_run_z" : "/demoall_z") +
                                       (zoom == 1.0f ? "1" : "2") + ".png"));
    for (model::GateRecord* g = flow->FirstGate; g; g = g->Next) {
      if (g->Kind != model::kKindCompiled) continue;
      const model::GateTypeRecord* t = model::subType(g);
      const int x0 = int(g->X * zoom), y0 = int(g->Y * zoom);
      const int x1 = int((g->X + t->Width) * zoom), y1 = int((g->Y + t->Height) * zoom);
      // The frame: the top and bottom edges dark along their whole length
      // (pins may join them), the left and right edges likewise.
      int gaps = 0;
      for (int x = x0; x <= x1; ++x) gaps += !dark(img, x, y0) + !dark(img, x, y1);
      for (int y = y0; y <= y1; ++y) gaps += !dark(img, x0, y) + !dark(img, x1, y);
      EXPECT_EQ(gaps, 0) << t->Name << " at zoom " << zoom;
      // The name: dark pixels inside the upper half of the box, clear of the frame.
      int ink = 0;
      for (int y = y0 + 2; y < (y0 + y1) / 2; ++y)
        for (int x = x0 + int(4 * zoom); x < x1 - 1; ++x) ink += dark(img, x, y);
      EXPECT_GT(ink, int(10 * zoom)) << t->Name << " shows no name at zoom " << zoom;
    }
  }
  engine::vm_ForgetDocument(doc);
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  model::doc_ShutDown();
  fs::remove_all(dir);
}

} // namespace
