#include "fixture.h"

namespace model::test {
namespace {

class Connections : public ModelFixture {};

TEST_F(Connections, FamilyCheckRefusesRealIntoAnd) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {1, 2};
  GateRecord* sine = make(l, 30);    // REAL out (20)
  GateRecord* andG = make(l, kKindAnd);
  EXPECT_FALSE(ge_ConnectGates(l, andG, 1, sine, 1, nullptr, nullptr));
  EXPECT_EQ(andG->Inputs[0].Source, nullptr);
  // Pin numbers outside the gates' pins are refused.
  EXPECT_FALSE(ge_ConnectGates(l, andG, 0, sine, 1, nullptr, nullptr));
  EXPECT_FALSE(ge_ConnectGates(l, andG, 3, sine, 1, nullptr, nullptr));
  EXPECT_FALSE(ge_ConnectGates(l, sine, 1, andG, 2, nullptr, nullptr));
  expectSound();
}

TEST_F(Connections, BinaryIntoOpenAndSetsAllPinsAndGoesOn) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {2, 3, 2};
  GateRecord* bin = make(l, 49);            // Bin.-Constant: output type 1
  GateRecord* and1 = make(l, kKindAnd);     // pins 17
  GateRecord* and2 = make(l, kKindOr, 200); // fed by and1
  ASSERT_EQ(bin->Outputs[0].Type, 1);
  ASSERT_EQ(and1->Inputs[0].Type, 17);
  ASSERT_TRUE(ge_ConnectGates(l, and2, 1, and1, 1, nullptr, nullptr));
  ASSERT_TRUE(ge_ConnectGates(l, and1, 1, bin, 1, nullptr, nullptr));
  for (unsigned k = 0; k < and1->InputCount; ++k) EXPECT_EQ(and1->Inputs[k].Type, 1) << k;
  EXPECT_EQ(and1->Outputs[0].Type, 1);
  EXPECT_EQ(and2->Inputs[0].Type, 1) << "offered onward";
  expectSound();
}

TEST_F(Connections, CounterOutputIntoNarrowerIndicator) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {8, 4};
  GateRecord* counter = make(l, kKindCounter);
  GateRecord* ind = make(l, kKindDigIndicator, 200);
  ASSERT_EQ(counter->Outputs[0].Type, 8);
  ASSERT_EQ(ind->Inputs[0].Type, 4);
  EXPECT_TRUE(ge_ConnectGates(l, ind, 1, counter, 1, nullptr, nullptr));
  EXPECT_EQ(ind->Inputs[0].Type, 4) << "keeps its width";
  expectSound();
}

TEST_F(Connections, OpenOutputTakesTheInputsType) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {1, 1};
  GateRecord* rec = make(l, 88);    // Read-Record: outputs of open type
  GateRecord* bin = make(l, 46, 200);   // Bin.-Indicator: only 1
  ASSERT_EQ(rec->Outputs[0].Type, 18);
  ASSERT_TRUE(ge_ConnectGates(l, bin, 1, rec, 1, nullptr, nullptr));
  EXPECT_EQ(rec->Outputs[0].Type, 1);
  expectSound();
}

TEST_F(Connections, OpenWordAdaptsAcrossCoupledGates) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {2, 2, 5};
  GateRecord* a = make(l, kKindAnd);
  GateRecord* b = make(l, kKindExor, 200);
  GateRecord* w = make(l, 50, 0, 200);       // Dig.-Constant, output width 5
  ASSERT_EQ(a->Outputs[0].Type, 17);
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, nullptr));
  EXPECT_EQ(b->Inputs[0].Type, 17);
  ASSERT_TRUE(ge_ConnectGates(l, a, 2, w, 1, nullptr, nullptr));
  EXPECT_EQ(a->Inputs[0].Type, 5);
  EXPECT_EQ(a->Outputs[0].Type, 5);
  EXPECT_EQ(b->Inputs[0].Type, 5);
  expectSound();
}

TEST_F(Connections, NegationFlagsStayInStep) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd);
  GateRecord* b = make(l, kKindAnd, 200);
  ASSERT_TRUE(ge_NegatePin(l, a, 1, false));
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, nullptr));
  EXPECT_EQ(b->Inputs[0].Flags, kPinAppliedNegation);
  ASSERT_TRUE(ge_NegatePin(l, b, 1, true));
  EXPECT_EQ(b->Inputs[0].Flags, kPinNegated);
  ASSERT_TRUE(ge_NegatePin(l, a, 1, false));
  EXPECT_EQ(b->Inputs[0].Flags, kPinNegated | kPinAppliedNegation);
  expectSound();
  ASSERT_TRUE(ge_ConnectPin(l, b, 1, true));
  EXPECT_EQ(b->Inputs[0].Flags, kPinNegated | kPinAppliedNegation) << "unconnected: bit 1 equals bit 0";
  EXPECT_FALSE(ge_ConnectPin(l, b, 1, true)) << "nothing to remove";
  expectSound();
}

TEST_F(Connections, InstancesReadTheirSource) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {3, 2, 2};
  GateRecord* vec = make(l, 20);       // Split-Vector of 3: input 22, three REAL outputs
  GateRecord* sum2 = make(l, 25, 200); // Summation of vectors of 2 (inputs 21)
  ASSERT_EQ(vec->OutputCount, 3);
  EXPECT_EQ(vec->Inputs[0].Type, 22);
  EXPECT_EQ(vec->Outputs[1].FirstElement, 2);
  EXPECT_FALSE(ge_ConnectGates(l, sum2, 2, vec, 2, nullptr, nullptr)) << "vector sizes differ";
  shellFake.integers = {1, 2, 4, 2};
  GateRecord* sum1 = make(l, 25, 300);
  GateRecord* sum4 = make(l, 25, 400);
  ASSERT_TRUE(ge_ConnectGates(l, sum1, 2, vec, 3, nullptr, nullptr));
  GateInstance* si = instanceOf(l, sum1);
  GateInstance* vi = instanceOf(l, vec);
  EXPECT_EQ(si->InputRefs[1], vi->OutputValues + 2);
  EXPECT_EQ(si->InputRefs[0], si->InputValues);
  GateInstance* s4 = instanceOf(l, sum4);
  EXPECT_EQ(s4->InputSlotCount, 8);
  EXPECT_EQ(s4->InputRefs[1], s4->InputValues + 4) << "an input of type 23 takes 4 elements";
  // A connection of unequal types (as a damaged file can hold): the vector
  // input of four elements would read past the single REAL output, so it
  // keeps reading its own elements.
  sum4->Inputs[1].Source = vec;
  sum4->Inputs[1].SourcePin = 3;
  inst_RelinkInput(l, sum4, 2);
  EXPECT_EQ(s4->InputRefs[1], s4->InputValues + 4);
  sum4->Inputs[1].Source = nullptr;
  sum4->Inputs[1].SourcePin = 0;
  inst_RelinkInput(l, sum4, 2);
  expectSound();
}

TEST_F(Connections, RemovingAWireWithTwoBranchesKeepsBothSources) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {2, 2, 2, 2};
  GateRecord* s = make(l, kKindAnd, 0, 0);       // output (30, 15)
  GateRecord* a = make(l, kKindAnd, 300, 5);     // input 1 (300, 15)
  GateRecord* b = make(l, kKindAnd, 100, 90);    // input 1 (100, 100)
  GateRecord* c = make(l, kKindAnd, 200, 90);    // input 1 (200, 100)
  auto wire = [](std::initializer_list<std::pair<int, int>> pts) {
    WirePoint* w = nullptr;
    for (auto [x, y] : pts) EXPECT_TRUE(ge_MoveWireEnd(x, y, w, false));
    return w;
  };
  ASSERT_TRUE(ge_ConnectGates(l, a, 1, s, 1, nullptr, wire({{30, 15}, {300, 15}})));
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, s, 1, a, wire({{80, 15}, {80, 100}, {100, 100}})));
  ASSERT_TRUE(ge_ConnectGates(l, c, 1, s, 1, a, wire({{180, 15}, {180, 100}, {200, 100}})));
  ASSERT_TRUE(ge_ConnectPin(l, a, 1, true));
  EXPECT_EQ(b->Inputs[0].Source, s);
  EXPECT_EQ(c->Inputs[0].Source, s);
  // The first branch took the route; the second now hangs on it.
  EXPECT_EQ(b->Inputs[0].BranchOf, nullptr);
  EXPECT_EQ(c->Inputs[0].BranchOf, b);
  expectSound();
}

TEST_F(Connections, CallsLoseConnectionsTheirPortsNoLongerAccept) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.ports = {{true, "IN", 0}};
  GateRecord* port = make(sub, kKindOutput);   // answered 0: an Input port, output type 20
  ASSERT_EQ(port->Kind, kKindInput);
  LogicRecord* main = ge_NewLogic("MAIN");
  shellFake.integers = {1};
  GateRecord* sine = make(main, 30);
  GateRecord* call = make(main, kKindCall, 200, 100, sub);
  ASSERT_TRUE(ge_ConnectGates(main, call, 1, sine, 1, nullptr, nullptr));
  // Inside the subprogram the port becomes binary: the call's REAL feed no longer fits.
  shellFake.integers = {2};
  GateRecord* andG = make(sub, kKindAnd, 100);
  port->Outputs[0].Type = 18;
  ASSERT_TRUE(ge_ConnectGates(sub, andG, 1, port, 1, nullptr, nullptr));
  EXPECT_EQ(port->Outputs[0].Type, 17);
  EXPECT_EQ(call->Inputs[0].Source, nullptr);
  EXPECT_EQ(shellFake.incompatible, 1) << "50045 once";
  expectSound();
}

TEST_F(Connections, MirrorRemovesConnections) {
  LogicRecord* l = ge_NewLogic("C");
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd);
  GateRecord* b = make(l, kKindAnd, 200);
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, nullptr));
  EXPECT_TRUE(ge_MirrorGate(l, b, true));
  EXPECT_TRUE(b->Flags & kGateMirrored);
  EXPECT_EQ(b->Inputs[0].Source, nullptr);
  expectSound();
}

} // namespace
} // namespace model::test

namespace model::test {
namespace {

class StructureCounter : public ModelFixture {};

// Every operation that changes gates, connections, instance lists or value
// arrays raises the counter, so that pointers kept into them are taken again.
TEST_F(StructureCounter, EveryChangeRaisesIt) {
  LogicRecord* sub = ge_NewLogic("SUB");
  LogicRecord* l = ge_NewLogic("L");
  shellFake.integers = {2, 2, 2, 2, 2, 2};
  GateRecord* a = make(l, kKindAnd, 0, 0);
  GateRecord* b = make(l, kKindAnd, 200, 0);
  GateRecord* inner = make(sub, kKindAnd, 0, 0);
  ASSERT_TRUE(a && b && inner);
  GateRecord* call = nullptr;
  const struct {
    const char* what;
    std::function<void()> op;
  } cases[] = {
      {"create a gate", [&] { make(l, kKindAnd, 400, 0); }},
      {"connect", [&] { EXPECT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, nullptr)); }},
      {"negate an output", [&] { EXPECT_TRUE(ge_NegatePin(l, a, 1, false)); }},
      {"negate an input", [&] { EXPECT_TRUE(ge_NegatePin(l, b, 1, true)); }},
      {"disconnect an input", [&] { EXPECT_TRUE(ge_ConnectPin(l, b, 1, true)); }},
      {"reconnect", [&] { EXPECT_TRUE(ge_ConnectGates(l, b, 2, a, 1, nullptr, nullptr)); }},
      {"remove all connections", [&] { ge_RemoveAllConnections(l, b); }},
      {"grow the extra values", [&] { EXPECT_TRUE(ge_GrowExtra(l, a, 3)); }},
      {"set the state count", [&] { EXPECT_TRUE(ge_SetStateCount(l, a, 2)); }},
      {"call a logic", [&] { call = make(l, kKindCall, 0, 200, sub); }},
      {"add a gate inside a called logic", [&] { make(sub, kKindAnd, 200, 0); }},
      {"relink an input", [&] { inst_RelinkInput(sub, inner, 1); }},
      {"renumber", [&] { ge_CompactInstanceNumbers(l); }},
      {"delete a gate inside a called logic", [&] { EXPECT_TRUE(ge_DeleteGate(sub, inner)); }},
      {"delete the call", [&] { EXPECT_TRUE(ge_DeleteGate(l, call)); }},
      {"delete a gate", [&] { EXPECT_TRUE(ge_DeleteGate(l, a)); }},
      {"copy the gate set", [&] { EXPECT_NE(ge_CopyGateSet("COPY", l), nullptr); }},
  };
  for (const auto& c : cases) {
    const std::uint64_t before = structureChanges();
    c.op();
    EXPECT_GT(structureChanges(), before) << c.what;
  }
  // A work block of the interpreter holds no structure.
  const std::uint64_t before = structureChanges();
  ASSERT_NE(mm_PushWork(64), nullptr);
  mm_PopWork(64);
  EXPECT_EQ(structureChanges(), before);
  expectSound();
}

} // namespace
} // namespace model::test
