// Every built-in gate kind on one sheet, drawn at zoom 1 and 2 and compared
// with golden images gate by gate: probes at each gate's frame corners and
// along its frame edges must be drawn, and every pixel must match except at
// glyph edges (antialiased text, whose grey levels may differ with the font
// rasteriser). Deleting a gate or erasing a frame edge fails the comparison.
// ZERLO_REGEN_GOLDEN=1 writes the images anew; look at them before keeping.
#include "display/gatesym.h"
#include "display/gdi.h"
#include "display/render.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/memory.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace disp {
namespace {

using model::GateRecord;
using model::LogicRecord;

int argc = 1;
char arg0[] = "display_allkinds_test";
char* argv[] = {arg0, nullptr};

struct Box {
  int kind, x, y, w, h;
};

class AllKinds : public ::testing::Test {
protected:
  model::FakeShell shellFake;
  model::FakeEditor editorFake;
  model::ShellServices* prevShell = nullptr;
  model::EditorServices* prevEditor = nullptr;
  model::DocumentRecord* doc = nullptr;
  LogicRecord* sheet = nullptr;
  std::vector<Box> boxes;
  DrawView view;

  void SetUp() override {
    prevShell = model::setShell(&shellFake);
    prevEditor = model::setEditor(&editorFake);
    model::mm_UnitInit();
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::DefaultVectorDimension = 1;
    model::DefaultWordWidth = 2;
    ASSERT_TRUE(model::doc_StartUp());
    doc = model::doc_New();
    ASSERT_NE(doc, nullptr);
    model::CurrentDocument = doc;
    sheet = model::ge_NewLogic("ALL");
    LogicRecord* sub = model::ge_NewLogic("SUB");
    sub->Flags |= 0x1000 | 0x2000;  // a framed box with its name
    GateRecord* marker = nullptr;
    GateRecord* defineMarker = nullptr;
    // Ten gates a row, 120 x 100 units apart.
    for (int kind = 0; kind <= model::kKindLastBuiltIn; ++kind) {
      void* ref = nullptr;
      if (kind == 0) ref = sub;
      if (kind == model::kKindReferenceMarker) ref = marker;
      if (kind == model::kKindSetMarker) ref = defineMarker;
      const int x = 30 + (kind % 10) * 120, y = 30 + (kind / 10) * 100;
      GateRecord* g = nullptr;
      ASSERT_TRUE(model::ge_CreateGateAsked(sheet, static_cast<std::uint8_t>(kind), ref, nullptr, x, y, g)) << kind;
      if (!g) continue;
      if (kind == model::kKindMarker) marker = g;
      if (kind == model::kKindDefineMarker) defineMarker = g;
      const BoxSize b = gs_BoxSize(g);
      boxes.push_back({kind, g->X, g->Y, b.w, b.h});
    }
    view.sheetW = 1240;
    view.sheetH = 940;
    view.tiledText.clear();
  }
  void TearDown() override {
    model::CurrentDocument = nullptr;
    model::doc_Free(doc);
    model::doc_ShutDown();
    model::setShell(prevShell);
    model::setEditor(prevEditor);
    gdi_ResetAll();
  }
};

// Colours the layer draws with exactly; anything else is a glyph edge.
bool exactColour(QRgb c) {
  c &= 0xFFFFFFu;
  for (int i = 0; i < kColors; ++i) {
    const Rgb r = gdi_ColorIndexToRgb(i);
    if (c == (std::uint32_t(r.r) << 16 | std::uint32_t(r.g) << 8 | r.b)) return true;
  }
  return false;
}

bool drawn(const QImage& img, int x, int y) {
  return x >= 0 && y >= 0 && x < img.width() && y < img.height() && (img.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
}

// The differences that matter between an image and its golden: a pixel
// differs where both are exact layer colours and not equal.
std::vector<std::string> compareSheets(const QImage& img, const QImage& golden, const std::vector<Box>& boxes,
                                       float zoom) {
  std::vector<std::string> faults;
  if (img.size() != golden.size()) return {"size differs"};
  long long hard = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb a = img.pixel(x, y) & 0xFFFFFFu, b = golden.pixel(x, y) & 0xFFFFFFu;
      if (a != b && exactColour(a) && exactColour(b)) ++hard;
    }
  if (hard > 0) faults.push_back(std::to_string(hard) + " pixels differ");
  // Per gate: the golden's frame pixels at the corners and along the edges.
  auto s = [zoom](int v) { return static_cast<int>(v * zoom); };
  for (const Box& b : boxes) {
    const int l = s(b.x), t = s(b.y), r = s(b.x + b.w - 1), bt = s(b.y + b.h - 1);
    int probes = 0, missing = 0;
    auto probe = [&](int x, int y) {
      if (!drawn(golden, x, y)) return;
      ++probes;
      if (!drawn(img, x, y)) ++missing;
    };
    for (int i = 0; i <= 8; ++i) {
      probe(l + (r - l) * i / 8, t);
      probe(l + (r - l) * i / 8, bt);
      probe(l, t + (bt - t) * i / 8);
      probe(r, t + (bt - t) * i / 8);
    }
    if (missing > 0)
      faults.push_back("kind " + std::to_string(b.kind) + ": " + std::to_string(missing) + " of " +
                       std::to_string(probes) + " frame probes missing");
  }
  return faults;
}

TEST_F(AllKinds, EveryKindMatchesItsGoldenGateByGate) {
  QGuiApplication app(argc, argv);
  const bool regen = std::getenv("ZERLO_REGEN_GOLDEN") != nullptr;
  for (float zoom : {1.0f, 2.0f}) {
    gdi_ResetAll();
    QImage img = renderSheet(sheet, zoom, view).convertToFormat(QImage::Format_RGB32);
    const std::string name =
        std::string(ZERLO_TEST_DATA) + "/display/allkinds_z" + (zoom == 1.0f ? "1" : "2") + ".png";
    if (regen) {
      ASSERT_TRUE(img.save(QString::fromStdString(name)));
      continue;
    }
    QImage golden = QImage(QString::fromStdString(name)).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << name;
    for (const auto& f : compareSheets(img, golden, boxes, zoom)) ADD_FAILURE() << name << ": " << f;

    // The comparison sees a deleted gate and an erased frame edge.
    QImage erased = img.copy();
    const Box& andBox = boxes[1];
    for (int x = andBox.x; x < andBox.x + andBox.w; ++x)
      erased.setPixel(static_cast<int>(x * zoom), static_cast<int>(andBox.y * zoom), 0xFFFFFFFFu);
    EXPECT_FALSE(compareSheets(erased, golden, boxes, zoom).empty()) << "an erased top edge passed";
    GateRecord* first = sheet->FirstGate;
    GateRecord* second = first->Next;
    model::GateInstance* firstInst = sheet->FirstInstance;
    model::GateInstance* secondInst = firstInst->Next;
    first->Next = second->Next;  // kind 1 leaves the sheet, with its instance
    firstInst->Next = secondInst->Next;
    gdi_ResetAll();
    QImage without = renderSheet(sheet, zoom, view).convertToFormat(QImage::Format_RGB32);
    first->Next = second;
    firstInst->Next = secondInst;
    EXPECT_FALSE(compareSheets(without, golden, boxes, zoom).empty()) << "a deleted gate passed";
  }
}

} // namespace
} // namespace disp
