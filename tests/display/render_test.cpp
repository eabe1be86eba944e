// A sample worksheet drawn into images at zoom 1.0 and 2.0 and compared with
// golden images (a small tolerance for font rendering). ZERLO_REGEN_GOLDEN=1
// writes the images anew; look at them before they become golden.
#include "display/gdi.h"
#include "display/print.h"
#include "display/render.h"
#include "model/geometry.h"
#include "sample_sheet.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace disp {
namespace {

using model::GateRecord;

struct SampleLogic {
  test::Sheet sheet;
  model::LogicRecord logic{};
  std::deque<model::GateInstance> instances;
  std::deque<double> values;
  std::vector<GateRecord*> order;

  GateRecord* add(GateRecord* g) {
    order.push_back(g);
    return g;
  }
  std::pair<int, int> pin(GateRecord* g, unsigned n, bool input) {
    std::int16_t x = 0, y = 0;
    std::uint16_t side = 0;
    if (input)
      model::gg_InputPinPos(g, n, x, y, side);
    else
      model::gg_OutputPinPos(g, n, x, y, side);
    return {g->X + x, g->Y + y};
  }
  void connect(GateRecord* src, unsigned out, GateRecord* dst, unsigned in, int midX, GateRecord* branchOf = nullptr) {
    auto [sx, sy] = pin(src, out, false);
    auto [tx, ty] = pin(dst, in, true);
    auto& p = dst->Inputs[in - 1];
    p.Source = src;
    p.SourcePin = static_cast<std::uint16_t>(out);
    p.BranchOf = branchOf;
    if (branchOf) {
      p.Wire = sheet.wire({{midX, sy}, {midX, ty}, {tx, ty}});
    } else {
      p.Wire = sheet.wire({{sx, sy}, {midX, sy}, {midX, ty}, {tx, ty}});
    }
  }

  SampleLogic() {
    std::memset(&logic, 0, sizeof logic);
    std::strcpy(logic.Name, "SAMPLE");
    auto* in1 = add(sheet.gate(44, 40, 60, 0, 1));
    sheet.text(in1, 2, 0, "IN1");
    in1->Flags = 1;
    auto* in2 = add(sheet.gate(44, 40, 120, 0, 1));
    sheet.text(in2, 2, 0, "IN2");
    in2->Flags = 1;
    auto* andg = add(sheet.gate(1, 150, 55, 2, 1));
    auto* org = add(sheet.gate(2, 150, 160, 6, 1));
    auto* rs = add(sheet.gate(8, 260, 50, 3, 2));
    auto* rsm = add(sheet.gate(8, 260, 160, 3, 2));
    rsm->Flags = model::kGateMirrored;
    auto* ton = add(sheet.gate(4, 370, 50, 2, 1));
    auto* cnt = add(sheet.gate(11, 370, 150, 4, 3));
    auto* cmp = add(sheet.gate(12, 470, 50, 2, 3, 20, 1));
    auto* dig = add(sheet.gate(47, 470, 170, 1, 0, 8));
    auto* bar = add(sheet.gate(52, 560, 40, 1, 0, 20));
    sheet.text(bar, 3, 8, "", 80);
    auto* sine = add(sheet.gate(30, 40, 230, 1, 1, 20, 20));
    auto* start = add(sheet.gate(63, 160, 250, 0, 1, 0, 0));
    auto* branch = add(sheet.gate(65, 300, 240, 1, 2, 0, 0));
    auto* out = add(sheet.gate(45, 540, 260, 1, 0));
    sheet.text(out, 2, 0, "OUT");
    auto* text = add(sheet.gate(66, 420, 330, 0, 0));
    sheet.text(text, 4, 8, "Sample sheet", 13);
    andg->Inputs[1].Flags = model::kPinNegated;

    connect(in1, 1, andg, 1, 100);
    connect(in2, 1, andg, 2, 110);
    connect(in1, 1, org, 1, 100, andg);  // a branch of the first wire
    connect(andg, 1, rs, 1, 220);
    connect(rs, 1, ton, 1, 340);
    connect(sine, 1, cmp, 1, 120);
    connect(ton, 1, out, 1, 440);

    for (std::size_t i = 0; i + 1 < order.size(); ++i) order[i]->Next = order[i + 1];
    logic.FirstGate = order.front();
    for (GateRecord* g : order) {
      auto& inst = instances.emplace_back();
      std::memset(&inst, 0, sizeof inst);
      if (g == dig) {
        values.push_back(0xA5);
        static double* ref;
        ref = &values.back();
        inst.InputRefs = &ref;
      }
      if (g == bar) {
        values.push_back(0.6);
        static double* barRef;
        barRef = &values.back();
        inst.InputRefs = &barRef;
        static double extra[3] = {0, 0, 1};
        inst.ExtraValues = extra;
        inst.ExtraSlotCount = 3;
      }
    }
    for (std::size_t i = 0; i + 1 < instances.size(); ++i) instances[i].Next = &instances[i + 1];
    logic.FirstInstance = &instances.front();
  }
};

double compare(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1.0;
  long long differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) ++differing;
  return static_cast<double>(differing) / (a.width() * a.height());
}

int argc = 1;
char arg0[] = "display_render_test";
char* argv[] = {arg0, nullptr};

TEST(RenderSheet, SampleWorksheetMatchesTheGoldenImages) {
  QGuiApplication app(argc, argv);
  SampleLogic sample;
  DrawView view;
  view.sheetW = 640;
  view.sheetH = 400;
  view.tiledText = "ZERLO";
  const bool regen = std::getenv("ZERLO_REGEN_GOLDEN") != nullptr;
  for (float zoom : {1.0f, 2.0f}) {
    gdi_ResetAll();
    QImage img = renderSheet(&sample.logic, zoom, view);
    const std::string name = std::string(ZERLO_TEST_DATA) + "/display/sample_z" + (zoom == 1.0f ? "1" : "2") + ".png";
    if (regen) {
      ASSERT_TRUE(img.save(QString::fromStdString(name)));
      continue;
    }
    QImage golden(QString::fromStdString(name));
    ASSERT_FALSE(golden.isNull()) << name;
    EXPECT_LT(compare(img.convertToFormat(QImage::Format_RGB32), golden.convertToFormat(QImage::Format_RGB32)), 0.01)
        << name;
  }
  gdi_ResetAll();
}

// The sample sheet through a PDF printer device: a PDF file with the page's
// drawing, and the screen's zoom as it was.
TEST(PrintSheet, SampleWorksheetToAPdfPrinter) {
  QGuiApplication app(argc, argv);
  SampleLogic sample;
  DrawView view;
  view.sheetW = 640;
  view.sheetH = 400;
  gdi_ResetAll();
  const float zoom = 2.0f;
  gdi_SetZoom(&zoom);
  const auto path = std::filesystem::temp_directory_path() / ("print" + std::to_string(::getpid()) + ".pdf");
  ASSERT_TRUE(printSheetToPdf(&sample.logic, path.string(), view));
  std::ifstream in(path, std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
  EXPECT_GT(std::filesystem::file_size(path), 2000u);
  EXPECT_FLOAT_EQ(gdi_GetZoom(), 2.0f);
  EXPECT_TRUE(gdi_Attributes().scaling);
  EXPECT_EQ(gdi_ScaleX(100), 200);
  EXPECT_EQ(gdi_CurrentDevice(), nullptr);
  std::filesystem::remove(path);
  gdi_ResetAll();
}

} // namespace
} // namespace disp
