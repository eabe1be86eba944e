// Randomized gesture scripts: placing, moving, wiring, negating, undoing and
// shifting, with the model checked after every step (and under ASan in CI).
#include "fixture.h"

#include "model/check.h"

#include <random>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;

class GestureFuzz : public EditorFixture, public ::testing::WithParamInterface<unsigned> {
protected:
  model::LogicRecord* logic = nullptr;
  WorksheetWindowData* w = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    logic = showLogic("MAIN");
    w = sheet();
  }
  std::vector<GateRecord*> gates() {
    std::vector<GateRecord*> out;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) out.push_back(g);
    return out;
  }
  static std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
  bool pinAt(GateRecord* g, unsigned n, bool input, int& x, int& y) {
    std::int16_t px, py;
    std::uint16_t side;
    bool ok = input ? model::gg_InputPinPos(g, n, px, py, side) : model::gg_OutputPinPos(g, n, px, py, side);
    x = g->X + px;
    y = g->Y + py;
    return ok;
  }
};

TEST_P(GestureFuzz, ThreeHundredStepsStaySound) {
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  const char* kinds[] = {"And", "Or", "Exor", "Multiplexer"};
  shellFake.route = {std::uint8_t(GetParam() % 2), 6, 1};
  ScriptRunner run(host, w);
  for (int stepNo = 0; stepNo < 300; ++stepNo) {
    ctx().mainSlot = ui_TableOfMode(3);
    auto all = gates();
    std::string script;
    int what = pick(7);
    if (all.size() < 3) what = 0;
    switch (what) {
    case 0:
      if (!all.empty() && pick(6) == 0) {
        // A Param.-Variation gate dropped on a gate.
        GateRecord* g = all[std::size_t(pick(int(all.size())))];
        host.textAnswers = {"Param.-Variatio"};
        script = "cmd 237\nup " + at(g->X + 5, g->Y + 5) + "\n";
        break;
      }
      host.textAnswers = {kinds[pick(4)]};
      script = "cmd 237\nup " + at(20 + pick(700), 20 + pick(500)) + "\n";
      break;
    case 1: {
      GateRecord* g = all[std::size_t(pick(int(all.size())))];
      int x = g->X + 12, y = g->Y + 12;
      script = "down " + at(x, y) + "\nmove " + at(x + 10, y + 10) + "\nup " + at(x + pick(200) - 100, y + pick(200) - 100) + "\n";
      break;
    }
    case 2: {
      GateRecord* a = all[std::size_t(pick(int(all.size())))];
      GateRecord* b = all[std::size_t(pick(int(all.size())))];
      int sx, sy, ex, ey;
      if (!a->OutputCount || !b->InputCount) continue;
      pinAt(a, 1, false, sx, sy);
      pinAt(b, unsigned(1 + pick(b->InputCount)), true, ex, ey);
      ctx().mainSlot = ui_TableOfMode(7);
      script = "down " + at(sx, sy) + "\ndown " + at(ex, ey) + (pick(4) == 0 ? " right" : "") + "\n";
      break;
    }
    case 3: {
      GateRecord* g = all[std::size_t(pick(int(all.size())))];
      int x, y;
      if (!g->InputCount) continue;
      pinAt(g, 1, true, x, y);
      script = "down " + at(x, y) + " ctrl right\n";
      break;
    }
    case 4:
      script = "cmd 256\n";
      break;
    case 5:
      script = "down " + at(790, 590) + "\nup " + at(790 + pick(30) - 15, 590 + pick(30) - 15) + "\n";
      break;
    default: {
      GateRecord* g = all[std::size_t(pick(int(all.size())))];
      script = "down " + at(g->X + 12, g->Y + 12) + " shift\nup " + at(g->X + 100 + pick(300), g->Y + pick(200)) + " shift\n";
      break;
    }
    }
    ASSERT_TRUE(run.run(script)) << "step " << stepNo << ":\n" << script << ::testing::PrintToString(run.failures);
    host.textAnswers.clear();
    if (editorState() != 0) run.run("key esc\n");
    setEditorState(0);
  }
  EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
  int connections = 0;
  for (GateRecord* g : gates())
    for (unsigned k = 0; k < g->InputCount; ++k) connections += g->Inputs[k].Source != nullptr;
  EXPECT_GT(connections, 0) << "the script wired something";
}

INSTANTIATE_TEST_SUITE_P(Seeds, GestureFuzz, ::testing::Range(1u, 9u));

} // namespace
} // namespace editor_test
