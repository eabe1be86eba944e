#pragma once
// Helpers shared by the model's sources.
#include "model/records.h"
#include "model/memory.h"

#include <cstring>

namespace model::detail {

inline DocumentRecord* doc() { return CurrentDocument; }

// Largest call depth that any walk follows; a deeper chain is treated as
// corrupt (logics never call themselves).
constexpr int kMaxCallDepth = 64;

inline int gateIndex(const LogicRecord* logic, const GateRecord* gate) {
  int i = 0;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next, ++i)
    if (g == gate) return i;
  return -1;
}

inline GateRecord* gateAt(const LogicRecord* logic, int index) {
  GateRecord* g = logic ? logic->FirstGate : nullptr;
  while (g && index-- > 0) g = g->Next;
  return index < 0 ? g : nullptr;
}

inline GateRecord* predecessor(const LogicRecord* logic, const GateRecord* gate) {
  GateRecord* prev = nullptr;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    if (g == gate) return prev;
    prev = g;
  }
  return nullptr;
}

template <class F> void forEachPlainLogic(F&& fn) {
  DocumentRecord* d = doc();
  if (!d) return;
  for (ProjectModule* m = d->FirstModule; m; m = m->Next) {
    if (isCompiled(m)) continue;
    for (LogicRecord* l = firstLogicOf(m); l;) {
      LogicRecord* next = l->Next;
      fn(l);
      l = next;
    }
  }
}

inline void copyName(char* dst, std::size_t room, const char* src) {
  std::size_t n = 0;
  if (src) while (n + 1 < room && src[n]) { dst[n] = src[n]; ++n; }
  std::memset(dst + n, 0, room - n);
}

} // namespace model::detail

namespace model::detail {
// Frees a gate's pins, wires, extra rows and the record (no unlinking, no
// instances, no dirty marking).
void freeGateRecord(GateRecord*& g);
// Frees a logic's gates, instances, port tables and the record (no unlinking).
void freeLogicRecord(LogicRecord*& l);
// Frees a compiled module's types and blocks and the record.
void freeModuleRecord(ProjectModule*& m);
void freeWireSilently(WirePoint*& w);
// Set while a gate is being built (before it has instances): pin-type rules
// may then change a pin's element count.
extern bool g_allowElementChange;
} // namespace model::detail
