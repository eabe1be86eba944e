// Randomized edit sequences over nested calls; the invariant checker runs
// after every step.
#include "fixture.h"

#include <cstdio>
#include <random>
#include <vector>

namespace model::test {
namespace {

class RandomEdits : public ModelFixture {
protected:
  std::mt19937 rng;
  int created = 0, connected = 0, branched = 0, copied = 0, deleted = 0, calls = 0;
  int pick(int n) { return n <= 0 ? 0 : int(rng() % unsigned(n)); }

  std::vector<LogicRecord*> logics() {
    std::vector<LogicRecord*> v;
    for (LogicRecord* l = doc->FirstLogic; l; l = l->Next) v.push_back(l);
    return v;
  }
  std::vector<GateRecord*> gates(LogicRecord* l) {
    std::vector<GateRecord*> v;
    for (GateRecord* g = l->FirstGate; g; g = g->Next) v.push_back(g);
    return v;
  }
  GateRecord* randomGate(LogicRecord* l) {
    auto v = gates(l);
    return v.empty() ? nullptr : v[std::size_t(pick(int(v.size())))];
  }

  // An unconnected input whose type is of the same family as t.
  void pickInput(LogicRecord* l, PinSignalType t, GateRecord*& d, unsigned& dp) {
    auto family = [](PinSignalType x) { return x == 18 ? -1 : (x == 0 ? 0 : (x < 18 ? 1 : 2)); };
    std::vector<std::pair<GateRecord*, unsigned>> fits;
    for (GateRecord* g : gates(l))
      for (unsigned k = 1; k <= g->InputCount; ++k) {
        const int a = family(g->Inputs[k - 1].Type), b = family(t);
        if (!g->Inputs[k - 1].Source && (a == b || a < 0 || b < 0)) fits.emplace_back(g, k);
      }
    d = nullptr;
    if (fits.empty()) return;
    auto f = fits[std::size_t(pick(int(fits.size())))];
    d = f.first;
    dp = f.second;
  }

  void step(int op) {
    auto ls = logics();
    LogicRecord* l = ls[std::size_t(pick(int(ls.size())))];
    switch (op) {
    case 0: case 1: case 2: {   // create a built-in gate
      static const std::uint8_t kinds[] = {1, 2, 3, 4, 8, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 23, 25, 28,
                                           30, 42, 44, 45, 46, 47, 48, 49, 50, 51, 52, 54, 56, 58, 62, 63,
                                           65, 66, 68, 76, 81, 82, 85, 88, 89};
      const std::uint8_t kind = kinds[pick(int(sizeof kinds))];
      for (int i = 0; i < 4; ++i) shellFake.integers.push_back(1 + pick(6));
      shellFake.ports.push_back({true, "P" + std::to_string(pick(100)), std::uint16_t(pick(7))});
      GateRecord* g = nullptr;
      if (ge_CreateGateAsked(l, kind, nullptr, nullptr, pick(800), pick(600), g) && g) ++created;
      shellFake.integers.clear();
      shellFake.ports.clear();
      break;
    }
    case 3: {   // a call of another logic (refused when it would recurse)
      LogicRecord* sub = ls[std::size_t(pick(int(ls.size())))];
      GateRecord* g = nullptr;
      const bool ok = ge_CreateGateAsked(l, kKindCall, sub, nullptr, pick(800), pick(600), g);
      if (ge_UsesLogic(l, sub)) EXPECT_FALSE(ok);
      else if (ok) ++calls;
      break;
    }
    case 4: {   // marker references
      GateRecord* m = randomGate(l);
      if (m && (m->Kind == kKindMarker || m->Kind == kKindDefineMarker)) {
        GateRecord* g = nullptr;
        ge_CreateGateAsked(l, m->Kind == kKindDefineMarker && pick(2) ? kKindSetMarker : kKindReferenceMarker, m,
                           nullptr, pick(800), pick(600), g);
      }
      break;
    }
    case 5: {   // attached parameter variation
      GateRecord* a = randomGate(l);
      if (a && a->Kind != kKindInput && a->Kind != kKindParamVariation) {
        AttachPlacement = 2;
        GateRecord* g = nullptr;
        ge_CreateGateAsked(l, kKindParamVariation, nullptr, a, 0, 0, g);
        AttachPlacement = 1;
      }
      break;
    }
    case 6: case 7: {   // delete
      if (GateRecord* g = randomGate(l)) {
        shellFake.yesNo.push_back(pick(2) == 0);
        if (ge_DeleteGate(l, g)) ++deleted;
        shellFake.yesNo.clear();
      }
      break;
    }
    case 8: case 9: case 10: case 11: {   // connect an output to an input of a fitting family
      GateRecord* s = randomGate(l);
      if (!s || !s->OutputCount) break;
      const unsigned sp = unsigned(1 + pick(s->OutputCount));
      GateRecord* d = nullptr;
      unsigned dp = 0;
      pickInput(l, s->Outputs[sp - 1].Type, d, dp);
      if (!d) break;
      WirePoint* w = nullptr;
      std::int16_t sx, sy, dx, dy;
      std::uint16_t side;
      gg_OutputPinPos(s, sp, sx, sy, side);
      gg_InputPinPos(d, dp, dx, dy, side);
      ge_MoveWireEnd(s->X + sx, s->Y + sy, w, false);
      ge_MoveWireEnd(s->X + sx, d->Y + dy, w, false);
      ge_MoveWireEnd(d->X + dx, d->Y + dy, w, false);
      if (!ge_ConnectGates(l, d, dp, s, sp, nullptr, w)) ge_FreeWirePoints(w);
      else ++connected;
      break;
    }
    case 12: {   // branch from an existing wire
      for (GateRecord* owner : gates(l)) {
        for (unsigned i = 0; i < owner->InputCount; ++i) {
          InputPin& in = owner->Inputs[i];
          if (!in.Source || !in.Wire || pick(3) == 0) continue;
          GateRecord* d = nullptr;
          unsigned dp = 0;
          pickInput(l, in.Source->Outputs[in.SourcePin - 1].Type, d, dp);
          if (!d || d == owner) continue;
          WirePoint* w = nullptr;
          std::int16_t dx, dy;
          std::uint16_t side;
          gg_InputPinPos(d, dp, dx, dy, side);
          ge_MoveWireEnd(in.Wire->X, in.Wire->Y, w, false);
          ge_MoveWireEnd(in.Wire->X, d->Y + dy, w, false);
          ge_MoveWireEnd(d->X + dx, d->Y + dy, w, false);
          if (!ge_ConnectGates(l, d, dp, in.Source, in.SourcePin, owner, w)) ge_FreeWirePoints(w);
          else ++branched;
          return;
        }
      }
      break;
    }
    case 13: {   // disconnect
      if (GateRecord* g = randomGate(l)) {
        if (pick(2) && g->InputCount) ge_ConnectPin(l, g, unsigned(1 + pick(g->InputCount)), true);
        else if (g->OutputCount) ge_ConnectPin(l, g, unsigned(1 + pick(g->OutputCount)), false);
      }
      break;
    }
    case 14: {   // negate
      if (GateRecord* g = randomGate(l)) {
        if (pick(2) && g->InputCount) ge_NegatePin(l, g, unsigned(1 + pick(g->InputCount)), true);
        else if (g->OutputCount) ge_NegatePin(l, g, unsigned(1 + pick(g->OutputCount)), false);
      }
      break;
    }
    case 15: case 16: {   // move
      if (GateRecord* g = randomGate(l)) ge_MoveGateRedraw(l, g, g->X + pick(41) - 20, g->Y + pick(41) - 20);
      break;
    }
    case 17: {   // reorder
      if (GateRecord* g = randomGate(l)) {
        std::uint16_t n = std::uint16_t(pick(10));
        ge_InsertInOrder(l, g, n);
      }
      break;
    }
    case 18: {   // copy a logic, sometimes delete a copy
      if (ls.size() < 7) {
        if (ge_CopyGateSet(("COPY" + std::to_string(pick(1000))).c_str(), l)) ++copied;
      } else if (ls.size() > 3) {
        ge_DeleteLogic(ls.back());
      }
      break;
    }
    case 19: {   // mirror
      if (GateRecord* g = randomGate(l)) ge_MirrorGate(l, g, pick(2) != 0);
      break;
    }
    case 20: {   // sharing and resizing
      if (GateRecord* g = randomGate(l)) {
        if (g->Kind == kKindInput || g->Kind == kKindOutput || g->Kind == kKindText) break;
        switch (pick(3)) {
        case 0: ge_UpdateGateFlag(l, g, pick(2) != 0); break;
        case 1: if (g->Kind != kKindSpline) ge_GrowExtra(l, g, std::uint16_t(pick(6))); break;
        default:
          if (g->Kind != kKindMarker && g->Kind != kKindDefineMarker) ge_SetStateCount(l, g, std::uint16_t(pick(6)));
          break;
        }
      }
      break;
    }
    default: break;
    }
  }
};

TEST_F(RandomEdits, SequencesOverNestedCallsKeepEveryInvariant) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    rng.seed(seed);
    // Three logics calling each other in a chain, then random edits.
    LogicRecord* c = ge_NewLogic("C");
    LogicRecord* b = ge_NewLogic("B");
    LogicRecord* a = ge_NewLogic("A");
    make(b, kKindCall, 0, 0, c);
    make(a, kKindCall, 0, 0, b);
    for (int i = 0; i < 500; ++i) {
      const int op = pick(21);
      step(op);
      auto errs = model_CheckDocument(*doc);
      if (!errs.empty()) {
        for (auto& e : errs) ADD_FAILURE() << "seed " << seed << " step " << i << " op " << op << ": " << e;
        return;
      }
    }
    // Everything goes again.
    EXPECT_TRUE(doc->FirstModule && model_CheckDocument(*doc).empty());
    while (doc->FirstLogic) ASSERT_TRUE(ge_DeleteLogic(doc->FirstLogic));
    expectSound();
  }
  std::printf("created %d, calls %d, connected %d, branched %d, copied %d, deleted %d\n", created, calls,
              connected, branched, copied, deleted);
  EXPECT_GT(created, 400);
  EXPECT_GT(connected, 100);
  EXPECT_GT(branched, 10);
  EXPECT_GT(copied, 10);
  EXPECT_GT(calls, 20);
}

} // namespace
} // namespace model::test
