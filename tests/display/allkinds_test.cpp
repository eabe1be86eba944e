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
#include "../support/golden_compare.h"

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

// The differences that matter between a sheet and its golden: the shared
// golden comparison with each gate's box as its frame.
std::vector<std::string> compareSheets(const QImage& img, const QImage& gold, const std::vector<Box>& boxes,
                                       float zoom) {
  auto s = [zoom](int v) { return static_cast<int>(v * zoom); };
  std::vector<golden::Frame> frames;
  for (const Box& b : boxes)
    frames.push_back({"kind " + std::to_string(b.kind), s(b.x), s(b.y), s(b.x + b.w - 1), s(b.y + b.h - 1)});
  return golden::compare(img, gold, frames);
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
