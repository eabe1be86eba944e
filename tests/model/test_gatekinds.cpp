#include "fixture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace model::test {
namespace {

TEST(GateKindNames, FieldsAreSixteenWide) {
  EXPECT_EQ(std::string(gt_KindNameField(1), 16), "%And            ");
  EXPECT_EQ(std::string(gt_KindNameField(61), 16), "%Param.-Variatio");
  EXPECT_EQ(std::string(gt_KindNameField(83), 16), "%Reference-Marke");
  EXPECT_EQ(std::string(gt_KindNameField(78), 16), "%Integration/Lim");
  EXPECT_EQ(std::string(gt_KindNameField(0), 16), std::string(16, ' '));
  EXPECT_EQ(std::string(gt_KindNameField(90), 16), std::string(16, ' '));
  EXPECT_EQ(gt_KindName(44), "Input");
  EXPECT_EQ(gt_KindName(200), "");
}

TEST(GateKindNames, PaletteOrders) {
  auto alpha = gt_PaletteOrderAlphabetical();
  auto grouped = gt_PaletteOrderGrouped();
  for (auto order : {alpha, grouped}) {
    std::vector<int> sorted(order.begin(), order.end());
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < kKindCount; ++i) EXPECT_EQ(sorted[std::size_t(i)], i + 1);
  }
  EXPECT_EQ(alpha[0], 74) << "Absolute-Value first";
  auto pos = [&](int kind) { return std::find(alpha.begin(), alpha.end(), kind) - alpha.begin(); };
  EXPECT_LT(pos(60), pos(44));   // Initial-Load < Input
  EXPECT_LT(pos(44), pos(28));   // Input < Integration
  EXPECT_LT(pos(64), pos(72));   // Stop < Stop-Iteration
  EXPECT_EQ(gt_PaletteEntry(0), 74);   // alphabetical from the start
  gt_ApplyPaletteOption(0);
  EXPECT_EQ(gt_PaletteEntry(0), 1);
  EXPECT_EQ(gt_PaletteEntry(88), 66);
  EXPECT_EQ(gt_PaletteEntry(89), 0) << "no 90th entry";
  EXPECT_EQ(gt_PaletteEntry(-1), 0);
  gt_ApplyPaletteOption(1);
  EXPECT_EQ(gt_PaletteEntry(0), 74);
}

TEST(GateKindNames, BitsNeeded) {
  EXPECT_EQ(gt_BitsNeeded(0), 1u);
  EXPECT_EQ(gt_BitsNeeded(1), 1u);
  EXPECT_EQ(gt_BitsNeeded(7), 3u);
  EXPECT_EQ(gt_BitsNeeded(8), 4u);
}

class GateKinds : public ModelFixture {};

struct CreationCase {
  int kind;
  std::vector<int> answers;
  int in, out, extra, state;
  int inType, outType;   // -1: not checked
};

TEST_F(GateKinds, CreationValuesByKind) {
  const CreationCase cases[] = {
    {1, {5}, 5, 1, 0, 0, 18, 18},
    {2, {0, 30, 3}, 3, 1, 0, 0, 18, 18},            // asked again until 1..24
    {4, {}, 2, 1, 1, 16, -1, -1},
    {7, {}, 2, 1, 2, 16, -1, -1},
    {10, {1, 20}, 2, 1, 2, 26, 20, 20},             // (20 + 3) x 1 + 3
    {11, {8}, 5, 3, 0, 1, 8, 8},
    {12, {3}, 2, 3, 1, 0, 22, 22},
    {13, {1, 8}, 4, 1, 1, 8, 20, 20},
    {14, {1, 4}, 5, 1, 1, 0, 20, 20},
    {15, {1, 3}, 2, 3, 1, 0, 20, 20},
    {16, {4}, 1, 4, 0, 0, -1, -1},
    {17, {6}, 6, 1, 0, 0, -1, -1},
    {20, {4}, 1, 4, 0, 0, 23, 23},
    {21, {1}, 2, 1, 0, 0, 21, 21},                  // clamped to 2
    {25, {100, 3}, 3, 1, 1, 0, 83, 83},             // dimension 100 gives type 83
    {28, {2, 3}, 2, 1, 3, 11, 21, 21},              // dim 2, order 3: 2 * 5 + 1
    {29, {1, 1}, 1, 1, 3, 2, 20, 20},               // order clamped to 2
    {42, {1}, 1, 2, 3, 1, 20, 20},
    {43, {1}, 0, 1, 1, 2, -1, 20},
    {45, {}, 0, 1, 1, 0, 20, 20},                   // port answered 0 turns it into an Input
    {47, {5}, 1, 0, 0, 1, 5, -1},
    {48, {3}, 1, 0, 1, 3, 22, -1},
    {51, {2}, 0, 1, 2, 0, -1, 21},
    {52, {123}, 1, 0, 3, 1, -1, -1},
    {54, {1, 20}, 1, 1, 16, 0, 20, 20},
    {54, {1, 0}, 1, 1, 2, 0, 20, 20},
    {56, {3, 4}, 1, 1, 12, 0, 22, 23},
    {62, {}, 2, 2, 1, 1, -1, -1},
    {66, {}, 0, 0, 1, 0, -1, -1},
    {68, {}, 2, 0, 4, 1, -1, -1},
    {73, {1, 5}, 1, 1, 13, 0, 20, 20},
    {76, {1, 1, 4}, 1, 1, 31, 0, 20, 20},           // 1 input: nx = 5, 6 x 5 + 1
    {76, {1, 2, 2, 3}, 2, 1, 16 * 3 * 4 + 3 + 4 + 2, 0, 20, 20},
    {85, {}, 1, 0, 0, 0, 24, -1},
    {88, {30}, 0, 24, 5, 1, -1, -1},
    {89, {3}, 3, 0, 5, 4, -1, -1},
  };
  LogicRecord* l = ge_NewLogic("KINDS");
  for (const auto& c : cases) {
    shellFake.integers.assign(c.answers.begin(), c.answers.end());
    CreateParams p;
    p.kind = std::uint8_t(c.kind);
    ASSERT_TRUE(gt_AskCreateParams(p, nullptr, nullptr)) << "kind " << c.kind;
    EXPECT_EQ(p.inputCount, c.in) << "kind " << c.kind;
    EXPECT_EQ(p.outputCount, c.out) << "kind " << c.kind;
    EXPECT_EQ(p.extraCount, c.extra) << "kind " << c.kind;
    EXPECT_EQ(p.stateCount, c.state) << "kind " << c.kind;
    if (c.inType >= 0) {
      EXPECT_EQ(p.inputType, c.inType) << "kind " << c.kind;
    }
    if (c.outType >= 0) {
      EXPECT_EQ(p.outputType, c.outType) << "kind " << c.kind;
    }
    EXPECT_TRUE(shellFake.integers.empty()) << "kind " << c.kind << " asked fewer questions";
    std::uint16_t seq;
    GateRecord* g = nullptr;
    GateInstance* inst = nullptr;
    ASSERT_TRUE(ge_CreateGate(l, gateSpecFrom(p, nullptr, nullptr, 100, 100), seq, g, inst)) << c.kind;
    expectSound();
  }
}

TEST_F(GateKinds, RefusedAnswers) {
  const std::vector<std::pair<int, std::vector<int>>> refused = {
    {10, {1, 0}}, {11, {1}}, {13, {1, 1}}, {76, {1, 0}}, {88, {0}}, {89, {-3}},
  };
  for (const auto& [kind, answers] : refused) {
    shellFake.integers.assign(answers.begin(), answers.end());
    CreateParams p;
    p.kind = std::uint8_t(kind);
    EXPECT_FALSE(gt_AskCreateParams(p, nullptr, nullptr)) << "kind " << kind;
  }
  // A cancelled question refuses.
  shellFake.integerCancels = {true};
  CreateParams p;
  p.kind = 1;
  EXPECT_FALSE(gt_AskCreateParams(p, nullptr, nullptr));
  // A question asked again until in range gives up on a script that never is.
  shellFake.integers.assign(200, 99);
  p.kind = 1;
  EXPECT_FALSE(gt_AskCreateParams(p, nullptr, nullptr));
}

TEST_F(GateKinds, SplineOfSixtyFourBySixtyFourIntervalsIsRefused) {
  shellFake.integers = {1, 2, 63, 63};
  CreateParams p;
  p.kind = kKindSpline;
  EXPECT_FALSE(gt_AskCreateParams(p, nullptr, nullptr)) << "16 x 64 x 64 + 130 does not fit 16 bits";
  shellFake.integers = {1, 2, 62, 62};
  EXPECT_TRUE(gt_AskCreateParams(p, nullptr, nullptr));
  EXPECT_EQ(p.extraCount, 16 * 63 * 63 + 63 + 63 + 2);
}

TEST_F(GateKinds, EveryKindCanBeCreated) {
  LogicRecord* l = ge_NewLogic("ALL");
  LogicRecord* sub = ge_NewLogic("SUB");
  GateRecord* defineMarker = nullptr;
  GateRecord* marker = nullptr;
  for (int kind = 0; kind <= kKindLastBuiltIn; ++kind) {
    void* ref = nullptr;
    if (kind == 0) ref = sub;
    if (kind == kKindReferenceMarker) ref = marker;
    if (kind == kKindSetMarker) ref = defineMarker;
    GateRecord* g = make(l, std::uint8_t(kind), 100 + kind * 10, 100, ref);
    if (kind == kKindStart) {
      ASSERT_NE(g, nullptr);
    }
    if (kind == kKindMarker) marker = g;
    if (kind == kKindDefineMarker) defineMarker = g;
    expectSound();
  }
  // A second Start gate creates nothing and succeeds.
  GateRecord* again = nullptr;
  EXPECT_TRUE(ge_CreateGateAsked(l, kKindStart, nullptr, nullptr, 0, 0, again));
  EXPECT_EQ(again, nullptr);
}

TEST_F(GateKinds, PortAnswersAndNames) {
  LogicRecord* l = ge_NewLogic("P");
  shellFake.ports = {{true, "SPEED", 3}};
  GateRecord* in = make(l, kKindInput);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->Kind, kKindInput);
  EXPECT_EQ(in->Outputs[0].Type, 23) << "choice 3 gives dimension 4";
  EXPECT_EQ(gt_PortName(in), "SPEED");
  EXPECT_EQ(l->InputPortCount, 1);
  // Answering 0 turns a new Input gate into an Output gate of dimension 1.
  shellFake.ports = {{true, "", 0}};
  GateRecord* out = make(l, kKindInput);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Kind, kKindOutput);
  EXPECT_EQ(out->Inputs[0].Type, 18) << "a port of dimension 1 stays open";
  EXPECT_EQ(l->OutputPortCount, 1);
  // Cancel refuses the creation.
  shellFake.ports = {{false, "", 0}};
  GateRecord* none = nullptr;
  EXPECT_FALSE(ge_CreateGateAsked(l, kKindInput, nullptr, nullptr, 0, 0, none));
  expectSound();
}

TEST_F(GateKinds, RenamingAPortShowsItsNameAndCancelKeepsIt) {
  LogicRecord* l = ge_NewLogic("R");
  shellFake.ports = {{true, "FLOW", 0}};
  GateRecord* out = make(l, kKindOutput);   // answered 0: an Input gate
  ASSERT_EQ(out->Kind, kKindInput);
  shellFake.calls.clear();
  shellFake.ports = {{false, "", 0}};
  EXPECT_FALSE(gt_GateNameText(l, out));
  ASSERT_FALSE(shellFake.calls.empty());
  EXPECT_EQ(shellFake.calls.back(), "port Output [FLOW]") << "the present name is shown";
  EXPECT_EQ(gt_PortName(out), "FLOW") << "Cancel changes nothing";
  shellFake.ports = {{true, "LEVEL_SENSOR_NUMBER_1", 0}};
  EXPECT_TRUE(gt_GateNameText(l, out));
  EXPECT_EQ(gt_PortName(out), "LEVEL_SENSOR_NUM");
  expectSound();
}

TEST_F(GateKinds, TextGatesTakeTheirText) {
  LogicRecord* l = ge_NewLogic("T");
  GateRecord* t = make(l, kKindText);
  shellFake.texts = {{true, ""}};
  ASSERT_TRUE(gt_NameText2(l, t));
  EXPECT_EQ(gt_GateText(t), "###");
  shellFake.texts = {{true, "Pump control"}};
  ASSERT_TRUE(gt_NameText2(l, t));
  int height = 0;
  EXPECT_EQ(gt_GateText(t, &height), "Pump control");
  EXPECT_EQ(height, 12);
  EXPECT_EQ(t->ExtraCount, 12 / 8 + 2);
  shellFake.texts = {{true, "Other"}};
  ASSERT_TRUE(gt_GateNameText(l, t));
  ASSERT_EQ(editorFake.scripts.size(), 1u);
  EXPECT_EQ(editorFake.scripts[0], "12 Other");
  expectSound();
}

TEST_F(GateKinds, MarkerReferencesAreChecked) {
  LogicRecord* l = ge_NewLogic("M");
  shellFake.integers = {};
  GateRecord* marker = make(l, kKindMarker);
  CreateParams p;
  p.kind = kKindSetMarker;
  EXPECT_FALSE(gt_AskCreateParams(p, marker, nullptr)) << "a Set-Marker refers to a Define-Marker only";
  p.kind = kKindReferenceMarker;
  EXPECT_TRUE(gt_AskCreateParams(p, marker, nullptr));
  p.kind = kKindReferenceMarker;
  EXPECT_FALSE(gt_AskCreateParams(p, nullptr, nullptr));
  p.kind = kKindMarker;
  EXPECT_FALSE(gt_AskCreateParams(p, marker, nullptr)) << "a Marker takes no reference";
}

TEST_F(GateKinds, PinTypeRules) {
  LogicRecord* l = ge_NewLogic("RULES");
  shellFake.integers = {8};
  GateRecord* counter = make(l, kKindCounter);
  bool coupled = false;
  for (unsigned pin = 1; pin <= 4; ++pin) {
    EXPECT_FALSE(gt_InputTypeOk(counter, pin, 8, coupled)) << pin;
    EXPECT_EQ(counter->Inputs[pin - 1].Type, 1);
  }
  counter->Inputs[4].Type = 8;
  EXPECT_TRUE(gt_InputTypeOk(counter, 5, 12, coupled));
  EXPECT_EQ(counter->Inputs[4].Type, 8) << "keeps its own width";
  EXPECT_FALSE(gt_InputTypeOk(counter, 6, 8, coupled)) << "no pin 6";
  EXPECT_FALSE(gt_InputTypeOk(counter, 0, 8, coupled));

  shellFake.integers = {1, 8};
  GateRecord* memory = make(l, kKindMemory);
  EXPECT_FALSE(gt_InputTypeOk(memory, 3, 2, coupled));
  EXPECT_EQ(memory->Inputs[2].Type, 3) << "capacity 8 needs 3 address bits";
  EXPECT_TRUE(gt_InputTypeOk(memory, 3, 5, coupled));
  EXPECT_EQ(memory->Inputs[2].Type, 3);

  shellFake.integers = {2};
  GateRecord* andGate = make(l, kKindAnd);
  EXPECT_TRUE(gt_InputTypeOk(andGate, 1, 1, coupled));
  EXPECT_TRUE(coupled);
  EXPECT_FALSE(gt_InputTypeOk(andGate, 2, 20, coupled));
  EXPECT_EQ(andGate->Inputs[1].Type, 17);
}

TEST_F(GateKinds, LookupByName) {
  LogicRecord* main = ge_NewLogic("MAIN");
  LogicRecord* pump = ge_NewLogic("PUMP");
  std::uint8_t kind = 99;
  void* type = nullptr;
  ASSERT_TRUE(gt_FindStdGate2("PUMP", main, kind, type));
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(type, pump);
  EXPECT_FALSE(gt_FindStdGate2("PUMP", pump, kind, type)) << "the edited logic";
  ASSERT_TRUE(gt_FindStdGate2("%Counter", main, kind, type));
  EXPECT_EQ(kind, 11);
  EXPECT_FALSE(gt_FindStdGate2("   ", main, kind, type));
  ASSERT_TRUE(gt_FindStdModule("%STD", "%And", main, kind, type));
  EXPECT_EQ(kind, 1);
  EXPECT_FALSE(gt_FindStdModule("%STD", "PUMP", main, kind, type));
  EXPECT_FALSE(gt_FindStdModule("", "PUMP", pump, kind, type));
  EXPECT_EQ(shellFake.pendingDrop, 50050);
  // A compiled module's types come before the name table.
  ProjectModule* lib = doc_AddModule(*doc, "ZRLFB02", kModuleCompiled);
  GateTypeRecord* t = nullptr;
  ASSERT_TRUE(mm_New(t));
  std::memcpy(t->Name, "%And            ", 16);
  t->StepLength = 12;
  t->Module = lib;
  lib->List = t;
  ASSERT_TRUE(gt_FindStdGate2("%And", main, kind, type));
  EXPECT_EQ(kind, kKindCompiled);
  EXPECT_EQ(type, t);
  t->StepLength = 0;
  ASSERT_TRUE(gt_FindStdModule("zrlfb02", "%And", main, kind, type));
  EXPECT_EQ(kind, kKindCompiledNative);
}

TEST_F(GateKinds, SharingPredicate) {
  LogicRecord* l = ge_NewLogic("S");
  shellFake.integers = {1};
  GateRecord* lim = make(l, 58);   // Limitation: extra values
  EXPECT_TRUE(lim->Flags & kGateSharedExtra);
  EXPECT_FALSE(gt_SharesParams(l, lim, false));
  GateRecord* and1 = make(l, kKindAnd);
  EXPECT_FALSE(and1->Flags & kGateSharedExtra) << "no extra values";
  GateRecord* text = make(l, kKindText);
  EXPECT_TRUE(gt_SharesParams(l, text, false));
  // A Param.-Variation gate attached to it makes it keep one copy per instance.
  AttachPlacement = 2;
  GateRecord* pv = make(l, kKindParamVariation, 0, 0, nullptr, lim);
  AttachPlacement = 1;
  ASSERT_NE(pv, nullptr);
  EXPECT_EQ(pv->Next, lim);
  EXPECT_EQ(pv->InputCount, 2);
  EXPECT_FALSE(lim->Flags & kGateSharedExtra);
  EXPECT_NE(instanceOf(l, lim)->ExtraValues, lim->Extra);
  expectSound();
}

} // namespace
} // namespace model::test
