// Value trees: the run-time values of a logic's gate instances, one record
// per gate in list order, with the trees of called logics nested inside.
#include "internal.h"

#include "model/instances.h"

#include <algorithm>
#include <cstring>

namespace modelfiles::detail {

using namespace model;

bool parseValueTree(ByteReader& r, bool withBlocks, ValueTree& tree, int depth) {
  if (depth > kMaxTreeDepth) return false;
  for (;;) {
    const std::uint16_t number = r.u16();
    if (r.failed()) return false;
    if (number == 0) return true;
    TreeRecord rec;
    rec.gateNumber = number;
    rec.inputLength = r.u32();
    rec.inputs = r.take(rec.inputLength);
    rec.outputLength = r.u32();
    rec.outputs = r.take(rec.outputLength);
    if (withBlocks) rec.block = r.take(kInstanceBlockSize);
    rec.extraLength = r.u32();
    rec.extras = r.take(rec.extraLength);
    rec.stateLength = r.u32();
    if (r.failed()) return false;
    if (rec.stateLength == kNestedTree) {
      rec.nested = std::make_unique<ValueTree>();
      if (!parseValueTree(r, withBlocks, *rec.nested, depth + 1)) return false;
    } else {
      rec.states = r.take(rec.stateLength);
    }
    if (r.failed()) return false;
    tree.records.push_back(std::move(rec));
  }
}

namespace {

// The length, then the values: the ones the instance has, zeros for the rest.
void writeSlots(ByteWriter& w, const double* slots, unsigned have, unsigned count) {
  w.u32(count * 8u);
  const std::size_t at = w.size();
  w.zeros(std::size_t(count) * 8);
  const unsigned n = slots ? std::min(have, count) : 0;
  for (unsigned i = 0; i < n; ++i) putF64(w.bytes.data() + at + 8 * std::size_t(i), slots[i]);
}

void readSlots(double* slots, unsigned have, const std::uint8_t* p, std::uint32_t length) {
  const unsigned n = length / 8;
  for (unsigned i = 0; i < n && i < have && slots; ++i) slots[i] = getF64(p + 8 * i);
}

} // namespace

void writeValueTree(ByteWriter& w, const GateRecord* gates, const GateInstance* instances, int depth) {
  const GateInstance* gi = instances;
  for (const GateRecord* g = gates; g; g = g->Next) {
    // The instance list runs parallel to the gates; a missing one writes
    // fresh (zero) values.
    const GateInstance* own = gi && gi->GateNumber == g->GateNumber ? gi : nullptr;
    if (!own)
      for (const GateInstance* s = instances; s; s = s->Next)
        if (s->GateNumber == g->GateNumber) { own = s; break; }
    w.u16(g->GateNumber);
    writeSlots(w, own ? own->InputValues : nullptr, own ? own->InputSlotCount : 0, inputElements(g));
    writeSlots(w, own ? own->OutputValues : nullptr, own ? own->OutputSlotCount : 0, outputElements(g));
    if (own) w.raw(own->RunFields, kInstanceBlockSize); else w.zeros(kInstanceBlockSize);
    const unsigned extraHave = own ? (own->ExtraSlotCount ? own->ExtraSlotCount : (own->ExtraValues ? g->ExtraCount : 0)) : 0;
    writeSlots(w, own ? own->ExtraValues : nullptr, extraHave, g->ExtraCount);
    if (g->StateCount) {
      const unsigned have = own ? own->StateSlotCount : 0;
      writeSlots(w, own && have ? own->StateValues : nullptr, have, g->StateCount);
    } else if (g->Kind == kKindCall && depth < kMaxTreeDepth) {
      w.u32(kNestedTree);
      const LogicRecord* sub = subLogic(g);
      writeValueTree(w, sub ? sub->FirstGate : nullptr, own ? own->Children : nullptr, depth + 1);
    } else {
      w.u32(0);
    }
    if (gi) gi = gi->Next;
  }
  w.u16(0);
}

bool applyValueTree(const ValueTree& tree, GateRecord* gates, GateInstance* instances, bool loading, int depth) {
  if (depth > kMaxTreeDepth) return false;
  // The records come in gate order: the search goes on from the gate after
  // the last one found and wraps around once.
  GateRecord* cursor = gates;
  GateInstance* cursorInst = instances;
  for (const TreeRecord& rec : tree.records) {
    GateRecord* g = nullptr;
    GateInstance* gi = nullptr;
    {
      GateRecord* p = cursor;
      GateInstance* pi = cursorInst;
      for (int pass = 0; pass < 2 && !g; ++pass) {
        for (; p; p = p->Next, pi = pi ? pi->Next : nullptr)
          if (p->GateNumber == rec.gateNumber) {
            g = p;
            gi = pi;
            break;
          }
        if (!g) {
          p = gates;
          pi = instances;
        }
      }
    }
    if (!g) continue;   // a gate that is gone: the record is skipped
    cursor = g->Next;
    cursorInst = gi ? gi->Next : nullptr;
    if (!gi || gi->GateNumber != g->GateNumber) {
      gi = instances;
      while (gi && gi->GateNumber != g->GateNumber) gi = gi->Next;
      if (!gi) continue;
    }
    const unsigned inCount = gi->InputSlotCount;
    if (rec.inputLength == inCount * 8u || (!loading && rec.inputLength < inCount * 8u))
      readSlots(gi->InputValues, inCount, rec.inputs, rec.inputLength);
    if (rec.outputLength == gi->OutputSlotCount * 8u)
      readSlots(gi->OutputValues, gi->OutputSlotCount, rec.outputs, rec.outputLength);
    if (rec.block) std::memcpy(gi->RunFields, rec.block, kInstanceBlockSize);
    // Shared extra values are the gate's own parameters: they stay.
    if (gi->ExtraSlotCount && rec.extraLength == gi->ExtraSlotCount * 8u)
      readSlots(gi->ExtraValues, gi->ExtraSlotCount, rec.extras, rec.extraLength);
    if (rec.nested) {
      if (g->Kind != kKindCall) return false;
      const LogicRecord* sub = subLogic(g);
      if (sub && !applyValueTree(*rec.nested, sub->FirstGate, gi->Children, loading, depth + 1)) return false;
    } else if (gi->StateSlotCount && rec.stateLength == gi->StateSlotCount * 8u) {
      readSlots(gi->StateValues, gi->StateSlotCount, rec.states, rec.stateLength);
    }
  }
  return true;
}

} // namespace modelfiles::detail
