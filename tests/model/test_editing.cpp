#include "fixture.h"

#include <cstring>
#include <string>

namespace model::test {
namespace {

class Editing : public ModelFixture {};

unsigned listLength(const GateInstance* gi) {
  unsigned n = 0;
  for (; gi; gi = gi->Next) ++n;
  return n;
}

TEST_F(Editing, CallAtDepthThreeGainsAnInstancePerNewGate) {
  LogicRecord* c = ge_NewLogic("C");
  LogicRecord* b = ge_NewLogic("B");
  LogicRecord* a = ge_NewLogic("A");
  shellFake.integers = {2};
  make(c, kKindAnd);
  GateRecord* bc = make(b, kKindCall, 100, 100, c);
  GateRecord* ab = make(a, kKindCall, 100, 100, b);
  ASSERT_TRUE(bc && ab);
  GateInstance* deep = instanceOf(a, ab)->Children->Children;
  EXPECT_EQ(listLength(deep), 1u);
  shellFake.integers = {1};
  make(c, 30, 200, 100);
  deep = instanceOf(a, ab)->Children->Children;
  EXPECT_EQ(listLength(deep), 2u) << "depth 3 gained one record";
  EXPECT_EQ(listLength(instanceOf(b, bc)->Children), 2u);
  expectSound();
  // A call that would close a cycle is refused with 50050.
  GateRecord* g = nullptr;
  EXPECT_FALSE(ge_CreateGateAsked(c, kKindCall, a, nullptr, 0, 0, g));
  EXPECT_EQ(shellFake.pendingDrop, 50050);
  EXPECT_FALSE(ge_CreateGateAsked(a, kKindCall, a, nullptr, 0, 0, g));
  EXPECT_TRUE(ge_UsesLogic(c, a));
  EXPECT_FALSE(ge_UsesLogic(a, c));
  expectSound();
}

TEST_F(Editing, CounterAtTheLimitRenumbers) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.integers = {2, 2, 2};
  make(sub, kKindAnd);
  make(sub, kKindAnd);
  LogicRecord* main = ge_NewLogic("MAIN");
  GateRecord* c1 = make(main, kKindCall, 0, 0, sub);
  GateRecord* c2 = make(main, kKindCall, 200, 0, sub);
  for (GateRecord* g = sub->FirstGate; g; g = g->Next) g->GateNumber = std::uint16_t(g->GateNumber + 65000);
  for (GateInstance* gi = sub->FirstInstance; gi; gi = gi->Next) gi->GateNumber = std::uint16_t(gi->GateNumber + 65000);
  for (GateRecord* call : {c1, c2})
    for (GateInstance* gi = instanceOf(main, call)->Children; gi; gi = gi->Next)
      gi->GateNumber = std::uint16_t(gi->GateNumber + 65000);
  sub->GateCounter = 65535;
  expectSound();
  GateRecord* g = make(sub, kKindAnd, 300);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(sub->FirstGate->GateNumber, 1);
  EXPECT_EQ(g->GateNumber, 3);
  for (GateRecord* call : {c1, c2}) {
    GateInstance* gi = instanceOf(main, call)->Children;
    EXPECT_EQ(gi->GateNumber, 1);
    EXPECT_EQ(gi->Next->GateNumber, 2);
  }
  expectSound();
}

TEST_F(Editing, DeletingAnAttachedGateDeletesBoth) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {1};
  GateRecord* lim = make(l, 58);
  AttachPlacement = 2;
  GateRecord* pv = make(l, kKindParamVariation, 0, 0, nullptr, lim);
  AttachPlacement = 1;
  ASSERT_TRUE(pv);
  ASSERT_TRUE(ge_DeleteGate(l, lim));
  EXPECT_EQ(l->FirstGate, nullptr);
  EXPECT_EQ(l->FirstInstance, nullptr);
  expectSound();
}

TEST_F(Editing, DeletingAPortOfALogicCalledTwice) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.ports = {{true, "X", 0}, {true, "Y", 0}};
  GateRecord* p1 = make(sub, kKindOutput);   // answered 0: Inputs
  make(sub, kKindOutput);
  LogicRecord* main = ge_NewLogic("MAIN");
  make(main, kKindCall, 0, 0, sub);
  make(main, kKindCall, 200, 0, sub);
  shellFake.yesNo = {false};
  EXPECT_FALSE(ge_DeleteGate(sub, p1));
  EXPECT_EQ(sub->InputPortCount, 2);
  EXPECT_NE(main->FirstGate, nullptr) << "No keeps everything";
  shellFake.yesNo = {true};
  ASSERT_TRUE(ge_DeleteGate(sub, p1));
  EXPECT_EQ(main->FirstGate, nullptr) << "both calls deleted first";
  EXPECT_EQ(sub->InputPortCount, 1);
  EXPECT_EQ(gt_PortName(sub->FirstGate), "Y");
  EXPECT_EQ(shellFake.calls.back(), "ask 40020");
  expectSound();
}

TEST_F(Editing, MoveSelectedByNothingChangesNothing) {
  LogicRecord* l = ge_NewLogic("L");
  doc->MacroLevel = 1;
  EditLogic(*doc) = l;
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd, 100, 100);
  GateRecord* b = make(l, kKindAnd, 200, 100);
  a->Selected = b->Selected = 1;
  editorFake.dirty.clear();
  ASSERT_TRUE(ge_MoveSelected(a, 100, 100));
  EXPECT_TRUE(editorFake.dirty.empty());
  EXPECT_EQ(a->Selected, 1);
  ASSERT_TRUE(ge_MoveSelected(a, 110, 120));
  EXPECT_EQ(a->X, 110);
  EXPECT_EQ(b->Y, 120);
  EXPECT_EQ(a->Selected, 0);
  EXPECT_EQ(editorFake.flushes, 1);
  expectSound();
}

TEST_F(Editing, MovingAGateDragsItsWires) {
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd, 0, 0);
  GateRecord* b = make(l, kKindAnd, 100, 0);
  WirePoint* w = nullptr;
  ge_MoveWireEnd(30, 15, w, false);
  ge_MoveWireEnd(60, 15, w, false);
  ge_MoveWireEnd(60, 10, w, false);
  ge_MoveWireEnd(100, 10, w, false);
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, w));
  ASSERT_TRUE(ge_MoveGateRedraw(l, b, 120, 20));
  const WirePoint* last = b->Inputs[0].Wire;
  while (last->Next) last = last->Next;
  EXPECT_EQ(last->X, 120);
  EXPECT_EQ(last->Y, 30);
  EXPECT_TRUE(wireIsStraight(b->Inputs[0].Wire));
  ASSERT_TRUE(ge_MoveGateRedraw(l, a, 0, 40));
  EXPECT_EQ(b->Inputs[0].Wire->X, 30);
  EXPECT_EQ(b->Inputs[0].Wire->Y, 55);
  EXPECT_TRUE(wireIsStraight(b->Inputs[0].Wire));
  CheckOptions opt;
  opt.wiresStraight = true;
  EXPECT_TRUE(model_CheckDocument(*doc, opt).empty());
  // With routing on, the router lays the wires anew.
  shellFake.route.onoff = 1;
  ASSERT_TRUE(ge_MoveGateRedraw(l, b, 200, 20));
  EXPECT_EQ(editorFake.routed, 1);
  expectSound();
}

TEST_F(Editing, CopyingALogicKeepsPortCountsAndValues) {
  LogicRecord* src = ge_NewLogic("SRC");
  shellFake.ports = {{true, "IN", 0}, {true, "OUT", 1}};
  GateRecord* in = make(src, kKindOutput, 0, 0);    // an Input
  GateRecord* out = make(src, kKindInput, 300, 0);  // choice 1: an Input of dimension 5
  ASSERT_EQ(in->Kind, kKindInput);
  shellFake.integers = {1};
  GateRecord* sine = make(src, 30, 100, 0);
  ASSERT_TRUE(ge_ConnectGates(src, sine, 1, in, 1, nullptr, nullptr));
  src->InputPorts[0] = PortRow{5, 15, kSideLeft};
  instanceOf(src, sine)->OutputValues[0] = 0.75;
  const std::uint32_t ports = TemplateDocument->PortChangeCount;
  LogicRecord* copy = ge_CopyGateSet("COPY", src);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(TemplateDocument->PortChangeCount, ports) << "a copy does not count";
  EXPECT_EQ(copy->InputPortCount, src->InputPortCount) << "not doubled";
  EXPECT_EQ(copy->OutputPortCount, src->OutputPortCount);
  EXPECT_EQ(copy->InputPorts[0].X, 5);
  EXPECT_EQ(copy->InputPorts[0].Slot, kSideLeft);
  GateRecord* csine = copy->FirstGate;
  while (csine && csine->Kind != 30) csine = csine->Next;
  ASSERT_NE(csine, nullptr);
  ASSERT_NE(csine->Inputs[0].Source, nullptr);
  EXPECT_NE(csine->Inputs[0].Source, in) << "links point into the copy";
  EXPECT_EQ(instanceOf(copy, csine)->OutputValues[0], 0.75);
  EXPECT_EQ(gt_PortName(copy->FirstGate), "IN");
  (void)out;
  expectSound();
}

TEST_F(Editing, MarkerInstancesShareTheMarkersStates) {
  LogicRecord* l = ge_NewLogic("M");
  DefaultVectorDimension = 3;
  GateRecord* def = make(l, kKindDefineMarker, 0, 0);
  ASSERT_EQ(def->VectorDimension, 3);
  ASSERT_EQ(def->StateCount, 6);
  GateRecord* set = make(l, kKindSetMarker, 100, 0, def);
  GateRecord* ref = make(l, kKindReferenceMarker, 200, 0, def);
  GateInstance* di = instanceOf(l, def);
  EXPECT_EQ(instanceOf(l, set)->StateValues, di->StateValues + 3) << "second half";
  EXPECT_EQ(instanceOf(l, ref)->StateValues, di->StateValues + 3);
  expectSound();
  // Deleting the marker deletes its references.
  ASSERT_TRUE(ge_DeleteGate(l, def));
  EXPECT_EQ(l->FirstGate, nullptr);
  expectSound();
}

TEST_F(Editing, SharedParametersAreTheGatesOwn) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.integers = {1, 1};
  GateRecord* lim = make(sub, 58);
  LogicRecord* main = ge_NewLogic("MAIN");
  GateRecord* call = make(main, kKindCall, 0, 0, sub);
  ASSERT_TRUE(lim->Flags & kGateSharedExtra);
  EXPECT_EQ(instanceOf(sub, lim)->ExtraValues, lim->Extra);
  EXPECT_EQ(instanceOf(main, call)->Children->ExtraValues, lim->Extra);
  lim->Extra[0] = 42.0;
  EXPECT_EQ(instanceOf(main, call)->Children->ExtraValues[0], 42.0);
  ASSERT_TRUE(ge_UpdateGateFlag(sub, lim, false));
  EXPECT_NE(instanceOf(main, call)->Children->ExtraValues, lim->Extra);
  EXPECT_EQ(instanceOf(main, call)->Children->ExtraValues[0], 42.0);
  ASSERT_TRUE(ge_GrowExtra(sub, lim, 5));
  EXPECT_EQ(instanceOf(main, call)->Children->ExtraSlotCount, 5);
  ASSERT_TRUE(ge_SetStateCount(sub, lim, 7));
  EXPECT_EQ(instanceOf(main, call)->Children->StateSlotCount, 7);
  expectSound();
}

TEST_F(Editing, ReorderKeepsInstancesInStep) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.ports = {{true, "I", 0}};
  make(sub, kKindOutput);   // Input port first
  shellFake.integers = {2, 2, 2};
  GateRecord* a = make(sub, kKindAnd, 0, 0);
  GateRecord* b = make(sub, kKindOr, 0, 0);
  GateRecord* c = make(sub, kKindExor, 0, 0);
  LogicRecord* main = ge_NewLogic("MAIN");
  make(main, kKindCall, 0, 0, sub);
  std::uint16_t n = 1;
  ASSERT_TRUE(ge_InsertInOrder(sub, c, n));
  EXPECT_EQ(n, 1);
  EXPECT_EQ(sub->FirstGate->Next, c) << "after the Input";
  n = 9;
  ASSERT_TRUE(ge_InsertInOrder(sub, c, n));
  EXPECT_EQ(n, 3) << "never past the end";
  n = 2;
  ASSERT_TRUE(ge_InsertInOrder(sub, a, n));
  EXPECT_EQ(b->Next, a);
  EXPECT_FALSE(ge_InsertInOrder(sub, sub->FirstGate, n)) << "an Input is never reordered";
  expectSound();
}

TEST_F(Editing, DeleteLogicAndModule) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.integers = {2};
  make(sub, kKindAnd);
  LogicRecord* main = ge_NewLogic("MAIN");
  make(main, kKindCall, 0, 0, sub);
  EXPECT_TRUE(ge_FindMacroUser(sub));
  ASSERT_TRUE(ge_DeleteLogic(sub));
  EXPECT_EQ(main->FirstGate, nullptr);
  EXPECT_EQ(doc->FirstLogic, main);
  EXPECT_EQ(doc->LastLogic, main);
  expectSound();
  ProjectModule* lib = doc_AddModule(*doc, "LIB.MDL", kModuleCurrentSizes);
  LogicRecord* libLogic = nullptr;
  ASSERT_TRUE(mm_New(libLogic));
  std::strcpy(libLogic->Name, "LIBL");
  lib->List = libLogic;
  make(main, kKindCall, 0, 0, libLogic);
  ASSERT_TRUE(ge_DeleteModule(lib));
  EXPECT_EQ(main->FirstGate, nullptr);
  EXPECT_EQ(doc->LastModule, doc->FirstModule);
  expectSound();
}

TEST_F(Editing, LogicNamesKeepSixteenCharacters) {
  LogicRecord* l = ge_NewLogic("ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(logicName(l), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(l->Name[16], '\0');
  EXPECT_EQ(l->Flags & kLogicCreationFlags, kLogicCreationFlags);
  EXPECT_EQ(l->Width, 100);
  EXPECT_EQ(l->Height, 50);
  EXPECT_EQ(doc->FirstModule->List, l);
}

TEST_F(Editing, GrowInstancesFillsCallsOfAGateBuiltWithoutInstances) {
  LogicRecord* sub = ge_NewLogic("SUB");
  LogicRecord* main = ge_NewLogic("MAIN");
  GateRecord* call = make(main, kKindCall, 0, 0, sub);
  KeepInstances = 0;
  shellFake.integers = {2};
  GateRecord* g = make(sub, kKindAnd);
  KeepInstances = 1;
  EXPECT_EQ(sub->FirstInstance, nullptr);
  doc->CurrentGate = g;
  ASSERT_TRUE(ge_GrowInstances(main->FirstGate, main->FirstInstance, sub));
  EXPECT_EQ(instanceOf(main, call)->Children->GateNumber, g->GateNumber);
  GateInstance* own = nullptr;
  ASSERT_TRUE(ge_RebuildInstance(sub, g, own));
  sub->FirstInstance = own;
  expectSound();
}

TEST_F(Editing, GateWithoutInputsHasNoInputArrays) {
  LogicRecord* l = ge_NewLogic("L");
  GateRecord* c = make(l, 49);   // Bin.-Constant
  ASSERT_EQ(c->InputCount, 0);
  EXPECT_EQ(c->Inputs, nullptr);
  GateInstance* gi = instanceOf(l, c);
  EXPECT_EQ(gi->InputRefs, nullptr);
  EXPECT_EQ(gi->InputValues, nullptr);
  expectSound();
}

TEST_F(Editing, CompiledTypesAndTheirModule) {
  ProjectModule* first = doc_AddModule(*doc, "BLOCKS", kModuleCompiled);
  EXPECT_EQ(ge_NewLogic("L"), nullptr) << "no logic goes into a compiled module";
  ASSERT_TRUE(ge_DeleteModule(first));
  ASSERT_NE(ge_NewLogic("MAIN"), nullptr);
  ProjectModule* lib = doc_AddModule(*doc, "BLOCKS", kModuleCompiled);
  GateTypeRecord* t = nullptr;
  ASSERT_TRUE(mm_New(t));
  std::memcpy(t->Name, "PID             ", 16);
  t->InputCount = 2;
  t->OutputCount = 1;
  t->ExtraCount = 3;
  t->StateCount = 4;
  t->Width = 60;
  t->Height = 40;
  t->StepLength = 10;
  t->Module = lib;
  ASSERT_TRUE(mm_New(t->InputPins, 2));
  ASSERT_TRUE(mm_New(t->OutputPins, 1));
  t->InputPins[0] = TypePinRow{0, 10, kSideLeft, 20, {}};
  t->InputPins[1] = TypePinRow{30, 40, kSideBottom, 1, {}};
  t->OutputPins[0] = TypePinRow{60, 20, kSideRight, 20, {}};
  lib->List = t;
  LogicRecord* main = doc->FirstLogic;
  std::uint8_t kind = 0;
  void* type = nullptr;
  ASSERT_TRUE(gt_FindStdGate2("PID", main, kind, type));
  ASSERT_EQ(kind, kKindCompiled);
  GateRecord* g = make(main, kind, 100, 100, type);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->InputCount, 2);
  EXPECT_EQ(g->Inputs[0].Type, 20);
  EXPECT_EQ(g->Inputs[1].Type, 1);
  EXPECT_EQ(g->StateCount, 4);
  std::int16_t x, y;
  std::uint16_t side;
  g->Flags |= kGateMirrored;
  ASSERT_TRUE(gg_InputPinPos(g, 2, x, y, side));
  EXPECT_EQ(x, 30);
  EXPECT_EQ(side, kSideBottom);
  ASSERT_TRUE(gg_InputPinPos(g, 1, x, y, side));
  EXPECT_EQ(x, 60) << "mirrored: a left pin goes to the right edge";
  g->Flags &= std::uint16_t(~kGateMirrored);
  expectSound();
  ASSERT_TRUE(ge_DeleteModule(lib));
  EXPECT_EQ(main->FirstGate, nullptr) << "gates of its types go with it";
  EXPECT_EQ(doc->LastModule, doc->FirstModule);
  expectSound();
}

TEST_F(Editing, OffsetNeverGoesNegative) {
  LogicRecord* l = ge_NewLogic("O");
  shellFake.integers = {2};
  GateRecord* a = make(l, kKindAnd, 20, 50);
  ge_OffsetGates(l, -100, -10);
  EXPECT_EQ(a->X, 0);
  EXPECT_EQ(a->Y, 40);
}

TEST_F(Editing, PortChangesRebuildEveryCall) {
  LogicRecord* sub = ge_NewLogic("SUB");
  LogicRecord* main = ge_NewLogic("MAIN");
  make(main, kKindCall, 40, 60, sub);
  EXPECT_TRUE(ge_ForEachGateNotify(sub));
  ASSERT_EQ(editorFake.rebuilt.size(), 1u);
  EXPECT_EQ(editorFake.rebuilt[0], "SUB 45 65");
}

TEST_F(Editing, AllocationFailureLeavesNothingBehind) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.integers = {2, 2};
  make(sub, kKindAnd);
  LogicRecord* main = ge_NewLogic("MAIN");
  make(main, kKindCall, 0, 0, sub);
  static int budget = 0;
  // Fail the n-th system allocation for each n until creation succeeds.
  for (int n = 0; n < 40; ++n) {
    budget = n;
    mm_SetSystemAllocator(
        [](std::size_t s) -> void* { return budget-- <= 0 ? nullptr : std::malloc(s); }, nullptr);
    GateRecord* g = nullptr;
    shellFake.integers = {2};
    const bool ok = ge_CreateGateAsked(sub, kKindOr, nullptr, nullptr, 0, 0, g);
    mm_SetSystemAllocator(nullptr, nullptr);
    expectSound();
    if (ok && g) {
      ASSERT_TRUE(ge_DeleteGate(sub, g));
    }
    expectSound();
  }
  mm_Reset();
}

} // namespace
} // namespace model::test

namespace model::test {
namespace {

// A new gate starts with its kind's default parameters, in the gate and in
// every instance (shared or own copy).
TEST_F(Editing, NewGatesStartWithTheirKindsDefaultParameters) {
  LogicRecord* l = ge_NewLogic("MAIN");
  auto word = [](const double& slot) {
    std::uint16_t w;
    std::memcpy(&w, &slot, 2);
    return w;
  };
  GateRecord* osc = make(l, 7, 100, 100);
  ASSERT_TRUE(osc && osc->ExtraCount >= 2);
  EXPECT_EQ(osc->Extra[0], 1.0);
  EXPECT_EQ(osc->Extra[1], 2.0);
  EXPECT_EQ(instanceOf(l, osc)->ExtraValues[1], 2.0);
  GateRecord* integ = make(l, kKindIntegration, 200, 100);
  ASSERT_TRUE(integ && integ->ExtraCount >= 3);
  EXPECT_EQ(word(integ->Extra[0]), 2u);
  EXPECT_EQ(integ->Extra[1], 1.0e-7);
  EXPECT_EQ(integ->Extra[2], 1.0);
  EXPECT_EQ(instanceOf(l, integ)->ExtraValues[2], 1.0);
  for (std::uint8_t kind : {std::uint8_t(88), std::uint8_t(89)}) {
    GateRecord* rec = make(l, kind, 300, 100 + 100 * (kind - 88));
    ASSERT_TRUE(rec && rec->ExtraCount >= 1) << int(kind);
    EXPECT_EQ(word(rec->Extra[0]), 65535u) << int(kind);
    EXPECT_EQ(word(instanceOf(l, rec)->ExtraValues[0]), 65535u) << int(kind);
  }
  expectSound();
}

} // namespace
} // namespace model::test
