#include "model/editing.h"

#include "internal.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/services.h"
#include "model/wires.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace model {
using namespace detail;

std::uint8_t KeepInstances = 1;
std::uint32_t AttachPlacement = 1;

namespace {

constexpr unsigned kMaxGatesPerLogic = 65535;

bool isAttachKind(unsigned k) { return k == kKindParamVariation || k == kKindDisableLogic; }

unsigned gateCount(const LogicRecord* l) {
  unsigned n = 0;
  for (GateRecord* g = l->FirstGate; g; g = g->Next) ++n;
  return n;
}

bool hasStartGate(const LogicRecord* l) {
  for (GateRecord* g = l->FirstGate; g; g = g->Next)
    if (g->Kind == kKindStart) return true;
  return false;
}

// Index of a port gate among the gates of its kind.
int portIndex(const LogicRecord* l, const GateRecord* gate) {
  int i = 0;
  for (GateRecord* g = l->FirstGate; g; g = g->Next) {
    if (g == gate) return i;
    if (g->Kind == gate->Kind) ++i;
  }
  return -1;
}

void removePortRow(PortRow*& table, std::uint16_t& count, int index) {
  if (!table || index < 0 || index >= count) return;
  if (count == 1) {
    mm_Delete(table, 1);
    count = 0;
    return;
  }
  PortRow* fresh = nullptr;
  if (mm_New(fresh, std::size_t(count) - 1)) {
    for (int i = 0, j = 0; i < count; ++i)
      if (i != index) fresh[j++] = table[i];
    mm_Delete(table, count);
    table = fresh;
  } else {
    for (int i = index; i + 1 < count; ++i) table[i] = table[i + 1];
  }
  --count;
}

// Where a new gate goes: the gate it is inserted before (null: at the end).
GateRecord* placementBefore(LogicRecord* l, const GateRecord* gate, const GateRecord* attachedTo) {
  const unsigned k = gate->Kind;
  for (GateRecord* g = l->FirstGate; g; g = g->Next) {
    const unsigned gk = g->Kind;
    if (k == kKindInput) {
      if (gk != kKindInput) return g;
    } else if (k == kKindOutput) {
      if (gk == kKindText || gk == kKindDefineMarker) return g;
    } else if (k == kKindDefineMarker) {
      if (gk == kKindText) return g;
    } else if (k == kKindText) {
      // at the end
    } else if (isAttachKind(k) && AttachPlacement == 2 && attachedTo) {
      if (g == attachedTo) return g;
    } else {
      if (gk == kKindOutput || gk == kKindText || gk == kKindDefineMarker) return g;
    }
  }
  return nullptr;
}

void linkBefore(LogicRecord* l, GateRecord* gate, GateRecord* before) {
  noteStructureChange();
  if (l->FirstGate == before || !l->FirstGate) {
    gate->Next = l->FirstGate;
    l->FirstGate = gate;
    return;
  }
  GateRecord* p = l->FirstGate;
  while (p->Next && p->Next != before) p = p->Next;
  gate->Next = p->Next;
  p->Next = gate;
}

void unlinkGate(LogicRecord* l, GateRecord* gate) {
  noteStructureChange();
  if (l->FirstGate == gate) {
    l->FirstGate = gate->Next;
  } else {
    for (GateRecord* p = l->FirstGate; p; p = p->Next)
      if (p->Next == gate) {
        p->Next = gate->Next;
        break;
      }
  }
  gate->Next = nullptr;
}

std::uint16_t sequenceOf(const LogicRecord* l, const GateRecord* gate) {
  unsigned n = 1;
  for (GateRecord* g = l->FirstGate; g && g != gate; g = g->Next)
    if (g->Kind != kKindInput && !isAttachKind(g->Kind)) ++n;
  return std::uint16_t(n);
}

// Largest value-buffer size (output and state slots, calls included) of a
// logic, in bytes.
std::size_t valueBufferSize(const LogicRecord* l, int depth) {
  std::size_t n = 0;
  for (GateRecord* g = l ? l->FirstGate : nullptr; g; g = g->Next) {
    n += std::size_t(outputElements(g) + g->StateCount) * 8;
    if (g->Kind == kKindCall && depth < kMaxCallDepth) n += valueBufferSize(subLogic(g), depth + 1);
  }
  return n;
}

bool probeMemory(unsigned kind) {
  DocumentRecord* d = doc();
  const DocumentRecord* t = TemplateDocument ? TemplateDocument : d;
  if (!t || !(t->EditorState == 6 || t->EditorState == 9 || t->EditorState == 12)) return true;
  std::size_t logics = 0, largest = 0;
  for (LogicRecord* l = firstLogicOf(d ? d->FirstModule : nullptr); l; l = l->Next) {
    ++logics;
    const std::size_t s = valueBufferSize(l, 0);
    if (s > largest) largest = s;
  }
  const std::size_t size = (kind == kKindCall ? largest : 20000) * logics;
  if (size == 0) return true;
  void* p = nullptr;
  mm_Allocate(p, size);
  if (!p) return false;
  mm_Deallocate(p, size);
  return true;
}

void freeUnlinkedGate(GateRecord*& g) { freeGateRecord(g); }

void clearDocumentRefs(const GateRecord* gate) {
  for (DocumentRecord* d : {CurrentDocument, TemplateDocument, PasteDocument, NewDocument, RunDocument}) {
    if (!d) continue;
    if (d->CurrentGate == gate) d->CurrentGate = nullptr, d->CurrentInstance = nullptr;
    if (d->PendingGate == gate) d->PendingGate = nullptr;
    if (d->MarkedGate == gate) d->MarkedGate = nullptr;
  }
}

bool deleteGate(LogicRecord* logic, GateRecord* gate, bool ask, int depth);

// Deletes every call of the logic in every plain module without questions.
bool deleteCalls(LogicRecord* logic, int depth) {
  noteStructureChange();
  bool any = false;
  forEachPlainLogic([&](LogicRecord* l) {
    for (bool again = true; again;) {
      again = false;
      for (GateRecord* g = l->FirstGate; g; g = g->Next) {
        if (g->Kind == kKindCall && subLogic(g) == logic) {
          deleteGate(l, g, false, depth + 1);
          any = again = true;
          break;
        }
      }
    }
  });
  return any;
}

bool calledElsewhere(const LogicRecord* logic) {
  bool found = false;
  DocumentRecord* d = doc();
  for (LogicRecord* l = firstLogicOf(d ? d->FirstModule : nullptr); l && !found; l = l->Next) {
    if (l == logic) continue;
    for (GateRecord* g = l->FirstGate; g && !found; g = g->Next) found = g->Kind == kKindCall && g->Sub == logic;
  }
  return found;
}

bool deleteGate(LogicRecord* logic, GateRecord* gate, bool ask, int depth) {
  noteStructureChange();
  if (!logic || !gate || gateIndex(logic, gate) < 0 || depth > kMaxCallDepth) return false;
  const bool isPort = gate->Kind == kKindInput || gate->Kind == kKindOutput;
  const int pIndex = isPort ? portIndex(logic, gate) : -1;
  // Dirty area.
  editor().ws_DirtyAddPoint(gate->X - 50, gate->Y - 50);
  editor().ws_DirtyAddPoint(gate->X, gate->Y);
  if (gate->Kind >= 1 && gate->Kind <= kKindLastBuiltIn) {
    editor().ws_DirtyAddPoint(gate->X + 100, gate->Y + 100);
  } else {
    std::int16_t bx, by, bw, bh;
    gg_GateBox(gate, bx, by, bw, bh, false);
    editor().ws_DirtyAddPoint(gate->X + bw + 50, gate->Y + bh + 50);
  }
  if (isPort && calledElsewhere(logic)) {
    if (ask && !shell().dlg_AskYesNo(40020)) return false;
    deleteCalls(logic, depth);
  }
  if (gate->Kind == kKindMarker || gate->Kind == kKindDefineMarker) {
    for (bool again = true; again;) {
      again = false;
      for (GateRecord* g = logic->FirstGate; g; g = g->Next)
        if ((g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) && g->Sub == gate) {
          deleteGate(logic, g, ask, depth + 1);
          again = true;
          break;
        }
    }
  }
  GateRecord* pred = predecessor(logic, gate);
  if (pred && isAttachKind(pred->Kind)) {
    deleteGate(logic, pred, ask, depth + 1);
    return deleteGate(logic, gate, ask, depth + 1);
  }
  ge_RemoveAllConnections(logic, gate);
  // Inputs fed by other sources that still name this gate as their wire's
  // parent start at their output from now on.
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].BranchOf == gate) g->Inputs[i].BranchOf = nullptr;
  inst_RemoveEverywhere(logic, gate);
  unlinkGate(logic, gate);
  if (gate->Kind == kKindInput) removePortRow(logic->InputPorts, logic->InputPortCount, pIndex);
  if (gate->Kind == kKindOutput) removePortRow(logic->OutputPorts, logic->OutputPortCount, pIndex);
  clearDocumentRefs(gate);
  freeUnlinkedGate(gate);
  DocumentRecord* d = doc();
  if (d && d->MacroLevel != 0 && EditLogic(*d)) EditInstances(*d) = EditLogic(*d)->FirstInstance;
  return true;
}

// Puts a logic's instance lists (own and every call's) back into gate order.
void reorderInstances(LogicRecord* logic) {
  noteStructureChange();
  inst_ForEachList(logic, [&](GateInstance*& head) {
    std::unordered_map<std::uint16_t, GateInstance*> byNumber;
    for (GateInstance* gi = head; gi; gi = gi->Next) byNumber[gi->GateNumber] = gi;
    GateInstance* newHead = nullptr;
    GateInstance* tail = nullptr;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
      auto it = byNumber.find(g->GateNumber);
      if (it == byNumber.end()) continue;
      GateInstance* gi = it->second;
      byNumber.erase(it);
      gi->Next = nullptr;
      if (tail) tail->Next = gi; else newHead = gi;
      tail = gi;
    }
    // Records without a gate (none while the lists are in step) stay at the end.
    for (GateInstance* gi = head; gi;) {
      GateInstance* next = gi->Next;
      if (byNumber.count(gi->GateNumber) && byNumber[gi->GateNumber] == gi) {
        gi->Next = nullptr;
        if (tail) tail->Next = gi; else newHead = gi;
        tail = gi;
      }
      gi = next;
    }
    head = newHead;
  });
}

void moveWireEndBy(WirePoint*& wire, int dx, int dy, bool& ok) {
  if (!wire) return;
  WirePoint* before = nullptr;
  WirePoint* last = wire;
  while (last->Next) {
    before = last;
    last = last->Next;
  }
  const int x = last->X, y = last->Y;
  const bool lastVertical = before && before->X == last->X;
  if (lastVertical) {
    ok = ok && ge_MoveWireEnd(x + dx, y, wire, false);
    ok = ok && ge_MoveWireEnd(x + dx, y + dy, wire, false);
  } else {
    ok = ok && ge_MoveWireEnd(x, y + dy, wire, false);
    ok = ok && ge_MoveWireEnd(x + dx, y + dy, wire, false);
  }
}

void moveWireStartBy(WirePoint*& wire, int dx, int dy, bool& ok) {
  if (!wire) return;
  const int x = wire->X, y = wire->Y;
  ok = ok && ge_MoveWireEnd(x, y + dy, wire, true);
  ok = ok && ge_MoveWireEnd(x + dx, y + dy, wire, true);
}

// Cuts a wire to its first and last point.
void cutToEnds(WirePoint*& wire) {
  if (!wire || !wire->Next) return;
  while (wire->Next->Next) {
    WirePoint* mid = wire->Next;
    wire->Next = mid->Next;
    editor().ws_DirtyAddPoint(mid->X, mid->Y);
    mm_Delete(mid);
  }
}

bool moveGate(LogicRecord* logic, GateRecord* gate, int x, int y) {
  const int dx = x - gate->X, dy = y - gate->Y;
  if (dx == 0 && dy == 0) return true;
  const RouteOptions route = shell().blk_GetRouteOptions();
  if (!route.onoff) {
    bool ok = true;
    for (unsigned i = 0; gate->Inputs && i < gate->InputCount; ++i) moveWireEndBy(gate->Inputs[i].Wire, dx, dy, ok);
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
        if (g->Inputs[i].Source == gate && !g->Inputs[i].BranchOf) moveWireStartBy(g->Inputs[i].Wire, dx, dy, ok);
    if (!ok) ge_RemoveAllConnections(logic, gate);
  } else {
    std::vector<WirePoint**> aside;
    for (unsigned i = 0; gate->Inputs && i < gate->InputCount; ++i)
      if (gate->Inputs[i].Wire) {
        cutToEnds(gate->Inputs[i].Wire);
        WirePoint* last = gate->Inputs[i].Wire->Next ? gate->Inputs[i].Wire->Next : gate->Inputs[i].Wire;
        last->X = clamp16(last->X + dx);
        last->Y = clamp16(last->Y + dy);
        aside.push_back(&gate->Inputs[i].Wire);
      }
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
        if (g->Inputs[i].Source == gate && !g->Inputs[i].BranchOf && g->Inputs[i].Wire && g != gate) {
          cutToEnds(g->Inputs[i].Wire);
          g->Inputs[i].Wire->X = clamp16(g->Inputs[i].Wire->X + dx);
          g->Inputs[i].Wire->Y = clamp16(g->Inputs[i].Wire->Y + dy);
          aside.push_back(&g->Inputs[i].Wire);
        }
    gate->X = clamp16(x);
    gate->Y = clamp16(y);
    for (WirePoint** w : aside) {
      editor().route_Connection(*w, 1, 0);
      for (WirePoint* p = *w; p; p = p->Next) {
        editor().ws_DirtyAddPoint(p->X - 10, p->Y - 10);
        editor().ws_DirtyAddPoint(p->X + 10, p->Y + 10);
      }
    }
    return true;
  }
  gate->X = clamp16(x);
  gate->Y = clamp16(y);
  return true;
}

void markBoxDirty(const GateRecord* g) {
  std::int16_t x, y, w, h;
  gg_GateRect(g, x, y, w, h, false);
  editor().ws_DirtyAddPoint(x - 10, y - 10);
  editor().ws_DirtyAddPoint(x + w + 10, y + h + 10);
}

bool usesLogic(const LogicRecord* a, const LogicRecord* b, std::unordered_set<const LogicRecord*>& seen,
               int depth) {
  if (!a || !b) return false;
  if (a == b) return true;
  if (depth > kMaxCallDepth || !seen.insert(b).second) return false;
  for (GateRecord* g = b->FirstGate; g; g = g->Next)
    if (g->Kind == kKindCall && subLogic(g) && usesLogic(a, subLogic(g), seen, depth + 1)) return true;
  return false;
}

} // namespace

GateSpec gateSpecFrom(const CreateParams& p, void* sub, GateRecord* attachedTo, int x, int y, bool allowShare) {
  GateSpec s;
  s.kind = p.kind;
  s.sub = sub;
  s.attachedTo = attachedTo;
  s.inputCount = p.inputCount;
  s.outputCount = p.outputCount;
  s.extraCount = p.extraCount;
  s.stateCount = p.stateCount;
  s.block = p.block;
  s.inputType = p.inputType;
  s.outputType = p.outputType;
  s.x = clamp16(x);
  s.y = clamp16(y);
  s.allowShare = allowShare;
  return s;
}

LogicRecord* ge_LogicOfGate(const GateRecord* gate) {
  LogicRecord* found = nullptr;
  forEachPlainLogic([&](LogicRecord* l) {
    if (!found && gateIndex(l, gate) >= 0) found = l;
  });
  return found;
}

LogicRecord* ge_NewLogic(const char* name) {
  DocumentRecord* d = doc();
  if (!d) return nullptr;
  ProjectModule* main = doc_MainModule(*d);
  if (!main || isCompiled(main)) return nullptr;
  LogicRecord* l = nullptr;
  if (!mm_New(l)) return nullptr;
  copyName(l->Name, sizeof l->Name, name);
  l->Flags |= kLogicCreationFlags;
  const KindBox box = gg_KindBoxSize(kKindCall, 0, 0, 0, 0, 0, 0);
  l->Height = clamp16(box.h);
  l->Width = clamp16(box.w);
  l->StepBlock = d->DefaultStepBlock;
  l->currentStep = l->previousStep = l->StepBlock.interval;
  LogicRecord* last = firstLogicOf(main);
  while (last && last->Next) last = last->Next;
  if (last) last->Next = l;
  else main->List = l;
  d->FirstLogic = firstLogicOf(main);
  d->LastLogic = l;
  return l;
}

bool ge_CreateGate(LogicRecord* logic, const GateSpec& spec, std::uint16_t& sequence, GateRecord*& gateOut,
                   GateInstance*& instanceOut) {
  noteStructureChange();
  gateOut = nullptr;
  instanceOut = nullptr;
  sequence = 0;
  DocumentRecord* d = doc();
  if (!d || !logic) return false;
  const unsigned kind = spec.kind;
  if ((kind > kKindLastBuiltIn && kind != kKindCompiled && kind != kKindCompiledNative)) return false;
  if (kind == kKindCall) {
    LogicRecord* sub = static_cast<LogicRecord*>(spec.sub);
    if (!sub) return false;
    if (ge_UsesLogic(logic, sub)) {
      shell().app_SetDropFlag(50050);
      return false;
    }
  }
  if ((kind == kKindCompiled || kind == kKindCompiledNative) && !spec.sub) return false;
  if (!probeMemory(kind)) return false;
  if (kind == kKindInput || kind == kKindOutput) {
    if (TemplateDocument) ++TemplateDocument->PortChangeCount;
  }
  if (kind == kKindStart && hasStartGate(logic)) return true;
  if (gateCount(logic) >= kMaxGatesPerLogic) return false;
  if (logic->GateCounter > 65534) ge_CompactInstanceNumbers(logic);

  GateRecord* g = nullptr;
  if (!mm_New(g)) return false;
  g->Kind = std::uint8_t(kind);
  g->X = spec.x;
  g->Y = spec.y;
  g->InputCount = spec.inputCount;
  g->OutputCount = spec.outputCount;
  g->ExtraCount = spec.extraCount;
  g->StateCount = spec.stateCount;
  g->VectorDimension = 1;
  if (kind == kKindCall || kind == kKindReferenceMarker || kind == kKindSetMarker || kind == kKindCompiled ||
      kind == kKindCompiledNative)
    g->Sub = spec.sub;
  GateRecord* attached = spec.attachedTo && gateIndex(logic, spec.attachedTo) >= 0 ? spec.attachedTo : nullptr;
  const bool attach = isAttachKind(kind) && AttachPlacement == 2 && attached;
  if (attach) g->Next = attached;   // the input rule of a Param.-Variation gate reads it
  bool ok = true;
  if (g->InputCount) ok = mm_New(g->Inputs, g->InputCount);
  if (ok && g->OutputCount) ok = mm_New(g->Outputs, g->OutputCount);
  if (ok && g->ExtraCount) ok = mm_New(g->Extra, g->ExtraCount);
  PortRow* ports = nullptr;
  std::uint16_t portCount = 0;
  if (ok && (kind == kKindInput || kind == kKindOutput)) {
    const bool in = kind == kKindInput;
    PortRow* old = in ? logic->InputPorts : logic->OutputPorts;
    portCount = in ? logic->InputPortCount : logic->OutputPortCount;
    // Build the grown table aside; it replaces the old one once nothing can fail.
    if ((ok = mm_New(ports, std::size_t(portCount) + 1))) {
      for (unsigned i = 0; i < portCount; ++i) ports[i] = old[i];
    }
  }
  if (!ok) {
    if (ports) mm_Delete(ports, std::size_t(portCount) + 1);
    g->Next = nullptr;
    freeUnlinkedGate(g);
    return false;
  }
  // Pins.
  g_allowElementChange = true;
  for (unsigned i = 0; i < g->InputCount; ++i) g->Inputs[i].Type = spec.inputType;
  if (spec.inputType > kTypeReal) g->VectorDimension = std::uint16_t(spec.inputType - 19);
  unsigned element = 1;
  bool coupled = false;
  for (unsigned i = 0; i < g->OutputCount; ++i) {
    g->Outputs[i].Type = spec.outputType;
    g->Outputs[i].Flags = 0;
    g->Outputs[i].FirstElement = std::uint16_t(element);
    gt_OutputTypeOk(g, i + 1, kTypeOpen, coupled);
    element += elementCount(g->Outputs[i].Type);
  }
  if (spec.outputType > kTypeReal && unsigned(spec.outputType - 19) > g->VectorDimension)
    g->VectorDimension = std::uint16_t(spec.outputType - 19);
  for (unsigned i = 0; i < g->InputCount; ++i) gt_InputTypeOk(g, i + 1, kTypeOpen, coupled);
  g_allowElementChange = false;
  // Extra rows.
  for (unsigned i = 0; i < g->ExtraCount; ++i) g->Extra[i] = d->InitialValue;
  const std::size_t room = std::size_t(g->ExtraCount) * 8;
  if ((kind == kKindBargraph || kind == kKindText || kind == kKindSpline) && room >= 8) {
    std::memcpy(g->Extra, spec.block.data(), 8);
  } else if (kind >= kKindMarker && kind <= kKindSetMarker && room > 0) {
    std::memcpy(g->Extra, spec.block.data(), room < 24 ? room : 24);
    std::uint8_t* row0 = reinterpret_cast<std::uint8_t*>(g->Extra);
    if (room >= 4) {
      row0[2] = std::uint8_t(spec.inputType & 0xFF);
      row0[3] = std::uint8_t(spec.inputType >> 8);
    }
    g->VectorDimension = std::uint16_t(spec.inputType > kTypeReal ? spec.inputType - 19 : 1);
  }
  if (ports) {
    // The new row: x -170 (inputs) or -110 (outputs), y -100, unplaced; then
    // the unplaced rows are spread from y -30 on, 20 apart.
    const bool in = kind == kKindInput;
    PortRow*& table = in ? logic->InputPorts : logic->OutputPorts;
    std::uint16_t& count = in ? logic->InputPortCount : logic->OutputPortCount;
    if (table) mm_Delete(table, count);
    table = ports;
    table[count] = PortRow{std::int16_t(in ? -170 : -110), -100, kPortSlotUnplaced};
    ++count;
    int y = -30;
    for (unsigned i = 0; i < count; ++i)
      if (table[i].Slot == kPortSlotUnplaced) {
        table[i].Y = clamp16(y);
        y += 20;
      }
  }
  paramDefaults().pf_SetParamDefaults(g);
  // Into the list.
  GateRecord* before = placementBefore(logic, g, attach ? attached : nullptr);
  g->Next = nullptr;
  linkBefore(logic, g, before);
  sequence = sequenceOf(logic, g);
  g->GateNumber = ++logic->GateCounter;
  g->Flags = gt_SharesParams(logic, g, spec.allowShare) ? kGateSharedExtra : 0;
  g->UseCount = 1;
  g->AuxLong = 100;
  if (attach && (attached->Flags & kGateSharedExtra) && !ge_UpdateGateFlag(logic, attached, false)) {
    deleteGate(logic, g, false, 0);
    return false;
  }
  if (KeepInstances == 1) {
    if (!inst_InsertEverywhere(logic, g)) {
      deleteGate(logic, g, false, 0);
      return false;
    }
    instanceOut = inst_Parallel(logic, logic->FirstInstance, g);
  }
  gateOut = g;
  return true;
}

bool ge_CreateGateAsked(LogicRecord* logic, std::uint8_t kind, void* sub, GateRecord* attachedTo, int x, int y,
                        GateRecord*& gate) {
  gate = nullptr;
  CreateParams p;
  p.kind = kind;
  if (!gt_AskCreateParams(p, sub, attachedTo)) return false;
  std::uint16_t seq = 0;
  GateInstance* inst = nullptr;
  if (!ge_CreateGate(logic, gateSpecFrom(p, sub, attachedTo, x, y), seq, gate, inst)) return false;
  if (gate && (gate->Kind == kKindInput || gate->Kind == kKindOutput) && !p.portName.empty())
    gt_SetPortName(logic, gate, p.portName);
  return true;
}

bool ge_DeleteGate(LogicRecord* logic, GateRecord* gate) { return deleteGate(logic, gate, true, 0); }

bool ge_InsertInOrder(LogicRecord* logic, GateRecord* gate, std::uint16_t& n) {
  if (!logic || !gate || gateIndex(logic, gate) < 0) return false;
  const unsigned k = gate->Kind;
  if (k == kKindInput || k == kKindOutput || k == kKindText || k == kKindDefineMarker || isAttachKind(k))
    return false;
  GateRecord* companion = predecessor(logic, gate);
  if (companion && !isAttachKind(companion->Kind)) companion = nullptr;
  if (companion) unlinkGate(logic, companion);
  unlinkGate(logic, gate);
  // The ordinary part: from the first counted gate after the Inputs to the
  // first Output, Text or Define-Marker gate.
  auto isEnd = [](const GateRecord* g) {
    return g->Kind == kKindOutput || g->Kind == kKindText || g->Kind == kKindDefineMarker;
  };
  GateRecord* before = nullptr;   // insert before this gate (null: the end)
  unsigned place = 1;
  if (n < 1) n = 1;
  GateRecord* afterInputs = logic->FirstGate;
  while (afterInputs && afterInputs->Kind == kKindInput) afterInputs = afterInputs->Next;
  GateRecord* first = afterInputs;
  while (first && !isEnd(first) && !gt_IsCountedGate(first)) first = first->Next;
  if (!first || isEnd(first)) {
    // No ordinary gate: directly after the Inputs (never in front of them).
    before = afterInputs;
  } else if (n < 2 && logic->FirstGate && gt_IsCountedGate(logic->FirstGate)) {
    before = logic->FirstGate;
  } else {
    // Before the n-th counted gate (and its attached companion), never past
    // the end of the ordinary part.
    unsigned counted = 0;
    GateRecord* g = first;
    for (; g && !isEnd(g); g = g->Next) {
      if (!gt_IsCountedGate(g)) continue;
      if (++counted == n) break;
    }
    if (g && !isEnd(g)) {
      GateRecord* p = predecessor(logic, g);
      before = p && isAttachKind(p->Kind) ? p : g;
      place = n;
    } else {
      before = g;
      place = counted + 1;
    }
  }
  if (companion) {
    linkBefore(logic, companion, before);
    linkBefore(logic, gate, before);
  } else {
    linkBefore(logic, gate, before);
  }
  n = std::uint16_t(place);
  reorderInstances(logic);
  return true;
}

bool ge_MoveGateRedraw(LogicRecord* logic, GateRecord* gate, int x, int y) {
  if (!logic || !gate || gateIndex(logic, gate) < 0) return false;
  markBoxDirty(gate);
  moveGate(logic, gate, x, y);
  markBoxDirty(gate);
  editor().ws_DirtyFlush();
  return true;
}

bool ge_MoveSelected(GateRecord* gate, int x, int y) {
  DocumentRecord* d = doc();
  if (!d || !gate) return false;
  const int dx = x - gate->X, dy = y - gate->Y;
  if (dx == 0 && dy == 0) return true;
  LogicRecord* logic = EditLogic(*d);
  if (!logic) return false;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (g->Selected != 1) continue;
    g->Selected = 0;
    markBoxDirty(g);
    moveGate(logic, g, g->X + dx, g->Y + dy);
    markBoxDirty(g);
  }
  editor().ws_DirtyFlush();
  return true;
}

bool ge_UsesLogic(const LogicRecord* a, const LogicRecord* b) {
  std::unordered_set<const LogicRecord*> seen;
  return usesLogic(a, b, seen, 0);
}

bool ge_DeleteLogicCalls(LogicRecord* logic) { return logic && deleteCalls(logic, 0); }

bool ge_FindMacroUser(const LogicRecord* logic) { return logic && calledElsewhere(logic); }

bool ge_DeleteLogic(LogicRecord* logic) {
  DocumentRecord* d = doc();
  if (!d || !logic) return false;
  ProjectModule* owner = nullptr;
  for (ProjectModule* m = d->FirstModule; m && !owner; m = m->Next)
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next)
      if (l == logic) {
        owner = m;
        break;
      }
  if (!owner) return false;
  deleteCalls(logic, 0);
  while (logic->FirstGate) deleteGate(logic, logic->FirstGate, false, 0);
  inst_FreeList(logic->FirstInstance);
  // Unlink.
  LogicRecord* head = firstLogicOf(owner);
  if (head == logic) owner->List = logic->Next;
  else
    for (LogicRecord* l = head; l; l = l->Next)
      if (l->Next == logic) {
        l->Next = logic->Next;
        break;
      }
  for (DocumentRecord* doc2 : {CurrentDocument, TemplateDocument, PasteDocument, NewDocument, RunDocument}) {
    if (!doc2) continue;
    for (auto& l : doc2->LevelLogics)
      if (l == logic) l = nullptr;
    if (doc2->SimLogic == logic) doc2->SimLogic = nullptr, doc2->SimInstances = nullptr;
    if (doc2->UndoLogic == logic) doc2->UndoLogic = nullptr;
    if (doc2->PasteLogic == logic) doc2->PasteLogic = nullptr;
  }
  logic->Next = nullptr;
  freeLogicRecord(logic);
  d->FirstLogic = firstLogicOf(d->FirstModule);
  d->LastLogic = d->FirstLogic;
  while (d->LastLogic && d->LastLogic->Next) d->LastLogic = d->LastLogic->Next;
  return true;
}

bool ge_FreeDetachedLogic(LogicRecord* logic) {
  DocumentRecord* d = doc();
  if (!logic) return false;
  for (ProjectModule* m = d ? d->FirstModule : nullptr; m; m = m->Next)
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next)
      if (l == logic) return false;
  for (DocumentRecord* doc2 : {CurrentDocument, TemplateDocument, PasteDocument, NewDocument, RunDocument}) {
    if (!doc2) continue;
    if (doc2->UndoLogic == logic) doc2->UndoLogic = nullptr;
    if (doc2->PasteLogic == logic) doc2->PasteLogic = nullptr;
  }
  logic->Next = nullptr;
  freeLogicRecord(logic);
  return true;
}

bool ge_DeleteModule(ProjectModule* module) {
  DocumentRecord* d = doc();
  if (!d || !module) return false;
  // A module that is not (or no longer) in the list is released all the same.
  if (isCompiled(module)) {
    if (module->CodeBlock) mm_Deallocate(module->CodeBlock, module->CodeBlockSize);
    module->CodeBlockSize = 0;
    std::vector<GateTypeRecord*> types;
    for (GateTypeRecord* t = firstTypeOf(module); t; t = t->Next) types.push_back(t);
    for (auto it = types.rbegin(); it != types.rend(); ++it) {
      GateTypeRecord* t = *it;
      forEachPlainLogic([&](LogicRecord* l) {
        for (bool again = true; again;) {
          again = false;
          for (GateRecord* g = l->FirstGate; g; g = g->Next)
            if (subType(g) == t) {
              deleteGate(l, g, false, 0);
              again = true;
              break;
            }
        }
      });
    }
  } else {
    std::vector<LogicRecord*> logics;
    for (LogicRecord* l = firstLogicOf(module); l; l = l->Next) logics.push_back(l);
    for (auto it = logics.rbegin(); it != logics.rend(); ++it) ge_DeleteLogic(*it);
  }
  if (d->FirstModule == module) d->FirstModule = module->Next;
  else
    for (ProjectModule* m = d->FirstModule; m; m = m->Next)
      if (m->Next == module) {
        m->Next = module->Next;
        break;
      }
  d->LastModule = d->FirstModule;
  while (d->LastModule && d->LastModule->Next) d->LastModule = d->LastModule->Next;
  module->Next = nullptr;
  freeModuleRecord(module);
  d->FirstLogic = firstLogicOf(d->FirstModule);
  d->LastLogic = d->FirstLogic;
  while (d->LastLogic && d->LastLogic->Next) d->LastLogic = d->LastLogic->Next;
  return true;
}

namespace {

void copyValues(double* dst, unsigned dn, const double* src, unsigned sn) {
  for (unsigned i = 0; dst && src && i < dn && i < sn; ++i) dst[i] = src[i];
}

// Copies the values of a source instance list into a new list of the same
// shape (the same logic's gates, or a copy of them).
void copyInstanceValues(GateInstance* dst, const GateInstance* src, int depth) {
  for (; dst && src; dst = dst->Next, src = src->Next) {
    copyValues(dst->InputValues, dst->InputSlotCount, src->InputValues, src->InputSlotCount);
    copyValues(dst->OutputValues, dst->OutputSlotCount, src->OutputValues, src->OutputSlotCount);
    if (dst->ExtraSlotCount) copyValues(dst->ExtraValues, dst->ExtraSlotCount, src->ExtraValues, src->ExtraSlotCount ? src->ExtraSlotCount : dst->ExtraSlotCount);
    if (dst->StateSlotCount) copyValues(dst->StateValues, dst->StateSlotCount, src->StateValues, src->StateSlotCount);
    std::memcpy(dst->RunFields, src->RunFields, sizeof dst->RunFields);
    if (depth < kMaxCallDepth) copyInstanceValues(dst->Children, src->Children, depth + 1);
  }
}

} // namespace

LogicRecord* ge_CopyGateSet(const char* name, LogicRecord* source) {
  noteStructureChange();
  DocumentRecord* d = doc();
  if (!d || !source) return nullptr;
  const std::uint32_t savedPortCount = TemplateDocument ? TemplateDocument->PortChangeCount : 0;
  const std::uint32_t savedPlacement = AttachPlacement;
  const std::uint8_t savedKeep = KeepInstances;
  LogicRecord* copy = ge_NewLogic(name);
  if (!copy) return nullptr;
  copy->AuxWord = source->AuxWord;
  copy->AuxLong = source->AuxLong;
  copy->Flags = source->Flags;
  copy->FlagsAux = source->FlagsAux;
  copy->Height = source->Height;
  copy->Width = source->Width;
  copy->StepBlock = source->StepBlock;
  copy->currentStep = source->currentStep;
  copy->previousStep = source->previousStep;
  std::memcpy(copy->Text1, source->Text1, 16);
  std::memcpy(copy->Text2, source->Text2, 16);
  std::memcpy(copy->Text3, source->Text3, 16);
  std::memcpy(copy->Further, source->Further, sizeof copy->Further);

  AttachPlacement = 1;
  KeepInstances = 0;   // instances are built once the pins are copied
  bool ok = true;
  std::vector<GateRecord*> made;
  for (GateRecord* s = source->FirstGate; s && ok; s = s->Next) {
    GateSpec spec;
    spec.kind = s->Kind;
    spec.sub = s->Sub;
    spec.inputCount = s->InputCount;
    spec.outputCount = s->OutputCount;
    spec.extraCount = s->ExtraCount;
    spec.stateCount = s->StateCount;
    gg_MainSignalTypes(s, spec.inputType, spec.outputType);
    if (s->Extra) std::memcpy(spec.block.data(), s->Extra, std::min<std::size_t>(24, std::size_t(s->ExtraCount) * 8));
    spec.x = s->X;
    spec.y = s->Y;
    spec.allowShare = (s->Flags & kGateSharedExtra) != 0;
    std::uint16_t seq = 0;
    GateRecord* g = nullptr;
    GateInstance* inst = nullptr;
    ok = ge_CreateGate(copy, spec, seq, g, inst) && g;
    if (!ok) break;
    made.push_back(g);
    g->Flags = s->Flags;
    g->UseCount = s->UseCount;
    g->AuxLong = s->AuxLong;
    g->AuxByte = s->AuxByte;
    g->AuxByte2 = s->AuxByte2;
    g->AuxWord54 = s->AuxWord54;
    g->Selected = s->Selected;
    g->HeldSelected = s->HeldSelected;
    g->BitCount = s->BitCount;
    g->WordCount = s->WordCount;
    g->SequenceNumber = s->SequenceNumber;
    g->AuxWord66 = s->AuxWord66;
    g->VectorDimension = s->VectorDimension;
    for (unsigned i = 0; i < g->ExtraCount; ++i) g->Extra[i] = s->Extra[i];
    for (unsigned i = 0; i < g->InputCount; ++i) {
      g->Inputs[i].SourcePin = s->Inputs[i].SourcePin;
      g->Inputs[i].Type = s->Inputs[i].Type;
      g->Inputs[i].Flags = s->Inputs[i].Flags;
      for (WirePoint* p = s->Inputs[i].Wire; p && ok; p = p->Next) ok = ge_MoveWireEnd(p->X, p->Y, g->Inputs[i].Wire, false);
    }
    for (unsigned i = 0; i < g->OutputCount; ++i) g->Outputs[i] = s->Outputs[i];
  }
  AttachPlacement = savedPlacement;
  if (ok && made.size() != gateCount(source)) ok = false;
  if (ok) {
    // Links by list position.
    std::unordered_map<const GateRecord*, GateRecord*> map;
    std::size_t i = 0;
    for (GateRecord* s = source->FirstGate; s; s = s->Next, ++i) map[s] = made[i];
    i = 0;
    for (GateRecord* s = source->FirstGate; s; s = s->Next, ++i) {
      GateRecord* g = made[i];
      for (unsigned k = 0; k < g->InputCount; ++k) {
        auto src = map.find(s->Inputs[k].Source);
        g->Inputs[k].Source = src != map.end() ? src->second : nullptr;
        auto br = map.find(s->Inputs[k].BranchOf);
        g->Inputs[k].BranchOf = br != map.end() ? br->second : nullptr;
        if (!g->Inputs[k].Source) {
          g->Inputs[k].SourcePin = 0;
          g->Inputs[k].BranchOf = nullptr;
        }
      }
      if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) {
        auto m = map.find(static_cast<const GateRecord*>(s->Sub));
        g->Sub = m != map.end() ? m->second : nullptr;
      }
    }
    // Port rows: the copy's tables were built by creation; they take the
    // places of the source's rows.
    for (unsigned r = 0; r < copy->InputPortCount && r < source->InputPortCount; ++r)
      copy->InputPorts[r] = source->InputPorts[r];
    for (unsigned r = 0; r < copy->OutputPortCount && r < source->OutputPortCount; ++r)
      copy->OutputPorts[r] = source->OutputPorts[r];
    if (copy->InputPortCount != source->InputPortCount || copy->OutputPortCount != source->OutputPortCount) ok = false;
  }
  KeepInstances = savedKeep;
  if (ok && KeepInstances == 1) {
    GateInstance* tail = nullptr;
    for (GateRecord* g = copy->FirstGate; g && ok; g = g->Next) {
      GateInstance* gi = nullptr;
      ok = ge_RebuildInstance(copy, g, gi);
      if (ok) {
        if (tail) tail->Next = gi; else copy->FirstInstance = gi;
        tail = gi;
      }
    }
    if (ok) {
      copyInstanceValues(copy->FirstInstance, source->FirstInstance, 0);
      ge_LinkInstanceInputs(copy, copy->FirstInstance);
    }
  }
  if (TemplateDocument) TemplateDocument->PortChangeCount = savedPortCount;
  if (!ok) {
    ge_DeleteLogic(copy);
    return nullptr;
  }
  return copy;
}

void ge_OffsetGates(LogicRecord* logic, int dx, int dy) {
  if (!logic) return;
  int minX = 32767, minY = 32767;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    minX = std::min<int>(minX, g->X);
    minY = std::min<int>(minY, g->Y);
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      for (WirePoint* p = g->Inputs[i].Wire; p; p = p->Next) {
        minX = std::min<int>(minX, p->X);
        minY = std::min<int>(minY, p->Y);
      }
  }
  if (minX + dx < 0) dx = minX < 0 ? 0 : -minX;
  if (minY + dy < 0) dy = minY < 0 ? 0 : -minY;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    g->X = clamp16(g->X + dx);
    g->Y = clamp16(g->Y + dy);
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      for (WirePoint* p = g->Inputs[i].Wire; p; p = p->Next) {
        p->X = clamp16(p->X + dx);
        p->Y = clamp16(p->Y + dy);
      }
  }
}

bool ge_ForEachGateNotify(LogicRecord* logic) {
  DocumentRecord* d = doc();
  if (!d || !logic) return false;
  bool any = false;
  LogicRecord* savedLogic = EditLogic(*d);
  GateInstance* savedInstances = EditInstances(*d);
  for (LogicRecord* l = firstLogicOf(d->FirstModule); l; l = l->Next) {
    if (l == logic) continue;
    std::vector<std::pair<int, int>> places;
    for (GateRecord* g = l->FirstGate; g; g = g->Next)
      if (g->Kind == kKindCall && g->Sub == logic) places.emplace_back(g->X + 5, g->Y + 5);
    EditLogic(*d) = l;
    EditInstances(*d) = l->FirstInstance;
    for (auto [x, y] : places) any |= editor().ws_RebuildAfterParamChange(logic->Name, x, y);
  }
  EditLogic(*d) = savedLogic;
  EditInstances(*d) = savedInstances;
  return any;
}

} // namespace model
