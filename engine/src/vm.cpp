#include "engine/vm.h"

#include "engine/externs.h"
#include "engine/services.h"
#include "engine/vmdirect.h"

#include <cstddef>
#include <algorithm>
#include <cstring>

namespace engine {


enum : std::uint16_t {
  kPrimNone, kPrimArith, kPrimInteg, kPrimMove, kPrimDraw, kPrimFile, kPrimCall, kPrimExtern, kPrimReturn,
  kPrimStop, kPrimStopError, kPrimIndexCheck, kPrimMovR1, kPrimMovI1, kPrimRealBinary1, kPrimRealRelation1,
  kPrimJump, kPrimJumpFalse, kPrimFor, kPrimInc1,
  // The same primitive as kPrimRealBinary1, told apart for the run loop.
  kPrimRealMul1, kPrimRealDiv1, kPrimRealAdd1, kPrimRealSub1,
  // The same again, followed by a REAL move that reads the stack: when the
  // move reads the value just pushed, the run loop runs the two at once (the
  // sum goes on to its destination without a trip through memory).
  kPrimRealMulMove1, kPrimRealDivMove1, kPrimRealAddMove1, kPrimRealSubMove1
};

namespace {

// The primitive of a REAL operation followed by a move as the operation alone.
constexpr unsigned unfused(unsigned prim) {
  return prim >= kPrimRealMulMove1 ? prim - kPrimRealMulMove1 + kPrimRealMul1 : prim;
}

// What the run loop's fast instructions reach through their operands: per
// operand the bytes accessed and whether they are read, written or both.
// The one table for the checks of each instruction and for the extents of a
// whole procedure (Procedure::fastExtents).
struct FastAccess {
  std::uint8_t len = 0;
  bool read = false, write = false;
};
constexpr unsigned kFastOperands = 3;
constexpr FastAccess fastAccess(unsigned prim, unsigned k) {
  constexpr FastAccess r8{8, true, false}, r2{2, true, false}, w8{8, false, true}, w2{2, false, true},
      rw2{2, true, true}, r4{4, true, false}, none{};
  switch (unfused(prim)) {
  case kPrimRealMul1: case kPrimRealDiv1: case kPrimRealAdd1: case kPrimRealSub1: case kPrimRealRelation1:
    return k < 2 ? r8 : none;
  case kPrimMovR1: return k == 0 ? w8 : k == 1 ? r8 : none;
  case kPrimMovI1: return k == 0 ? w2 : k == 1 ? r2 : none;
  case kPrimInc1: return k == 0 ? rw2 : k == 1 ? r2 : none;
  case kPrimJumpFalse: return k == 1 ? r2 : none;
  case kPrimFor: return k == 1 ? rw2 : k == 2 ? r4 : none;
  default: return none;
  }
}

// The fast instructions that go on to the next one: the run loop takes the
// budget for a whole stretch of them and the instruction that ends it.
constexpr bool straightPrim(unsigned prim) {
  switch (unfused(prim)) {
  case kPrimMovR1: case kPrimMovI1: case kPrimInc1: case kPrimRealMul1: case kPrimRealDiv1:
  case kPrimRealAdd1: case kPrimRealSub1: case kPrimRealRelation1:
    return true;
  default:
    return false;
  }
}

bool accessFits(const FastOperand& o, const FastAccess& a) {
  const std::uint64_t end = std::uint64_t(o.offset) + a.len;
  return (!a.read || end <= o.view->rlen) && (!a.write || end <= o.view->wlen);
}

// Whether every access of a fast instruction of primitive Prim fits its view.
template <unsigned Prim, unsigned K = 0> bool operandsFit(const FastOperand* o) {
  if constexpr (K == kFastOperands) {
    return true;
  } else {
    constexpr FastAccess a = fastAccess(Prim, K);
    if constexpr (a.len != 0) {
      if (!accessFits(o[K], a)) return false;
    }
    return operandsFit<Prim, K + 1>(o);
  }
}

} // namespace

Vm& vm() {
  static Vm instance;
  return instance;
}

bool gt_IsCountedGate(const model::GateRecord* gate) {
  if (!gate) return false;
  if (gate->Kind == model::kKindCall) return true;
  const model::GateTypeRecord* t = model::subType(gate);
  if (!t) return true;
  return !(t->Flags & model::kTypeNotCounted);
}

std::uint16_t lowMask(unsigned k) { return k >= 16 ? 0xFFFF : std::uint16_t((1u << k) - 1); }

Vm::Vm() : linkFrame_(kLinkFrameSize) {
  linkFrameBase_ = space_.map(linkFrame_.data(), std::uint32_t(linkFrame_.size()));
  logicImageBase_ = space_.map(logicImage_, kLogicImageSize);
}
Vm::~Vm() = default;

void Vm::reset() {
  // Procedures decoded before keep their fast operands for a generation of
  // the old space: the new one continues its count.
  const std::uint64_t generation = space_.generation() + 1;
  space_ = AddressSpace{};
  space_.setGeneration(generation);
  modules_.clear();
  procs_.clear();
  procOwner_.clear();
  functions_.clear();
  depthRegions_.clear();
  lastCode_ = nullptr;
  ++linkGeneration_;
  codeOwner_.clear();
  docRegions_.clear();
  doc_ = nullptr;
  lastLinked_ = nullptr;
  std::fill(linkFrame_.begin(), linkFrame_.end(), 0);
  linkFrameBase_ = space_.map(linkFrame_.data(), std::uint32_t(linkFrame_.size()));
  logicImageBase_ = space_.map(logicImage_, kLogicImageSize);
  imageOf_ = imageFull_ = nullptr;
  fileTables_.clear();
  outOfBudget_ = false;
  std::memset(areas_, 0, sizeof areas_);
  stack_ = {};
  stop_ = false;
  err_ = 0;
  depth_ = 0;
  executed_ = 0;
  lastError_.clear();
}

void Vm::mapDocument(model::DocumentRecord* doc) {
  imageFull_ = nullptr;
  for (std::uint32_t b : docRegions_) space_.unmap(b);
  docRegions_.clear();
  doc_ = doc;
  for (unsigned k = kAreaRequestedStep; k <= kAreaFrameArgument; ++k) areas_[k] = 0;
  if (!doc) return;
  struct Field { unsigned area; void* p; std::uint32_t size; };
  const Field fields[] = {
      {kAreaRequestedStep, &doc->requestedStep, 8}, {kAreaChanged, &doc->changed, 2},
      {kAreaConverged, &doc->converged, 2},         {kAreaAcceptStep, &doc->acceptStep, 2},
      {kAreaIterationCounter, &doc->iterationCounter, 2}, {kAreaAtTimeZero, &doc->atTimeZero, 2},
      {kAreaFirstIteration, &doc->firstIteration, 2},     {kAreaRunError, &doc->runError, 2},
      {kAreaRejectStep, &doc->rejectStep, 2},       {kAreaFrameRequest, &doc->frameRequest, 2},
      {kAreaFrameArgument, &doc->frameArgument, 2}};
  for (const Field& f : fields) {
    areas_[f.area] = space_.map(f.p, f.size);
    docRegions_.push_back(areas_[f.area]);
  }
}

// ---- linking ----

Vm::ModuleMap& Vm::mapModule(model::ProjectModule* m) {
  ModuleMap& mm = modules_[m];
  if (!mm.code && m->CodeBlock && m->CodeBlockSize) {
    mm.code = space_.map(m->CodeBlock, m->CodeBlockSize, false);
    if (mm.code) codeOwner_[mm.code] = m;
  }
  if (!mm.vars && m->VariableBlock && m->VariableBlockSize) mm.vars = space_.map(m->VariableBlock, m->VariableBlockSize);
  if (!mm.consts && m->ConstantBlock && m->ConstantBlockSize)
    mm.consts = space_.map(m->ConstantBlock, m->ConstantBlockSize, false);
  return mm;
}

static bool isExternModule(const model::ProjectModule* m) {
  if (!m) return false;
  const char* want = "EXTERN";
  for (int i = 0; i < 6; ++i) {
    char c = m->Name[i];
    if (c >= 'a' && c <= 'z') c = char(c - 32);
    if (c != want[i]) return false;
  }
  return true;
}

bool Vm::relocate(Procedure& p, model::ProjectModule* m, std::string& err) {
  ModuleMap& own = mapModule(m);
  for (Instr& I : p.code) {
    const unsigned count = I.operandCount();
    for (unsigned k = 0; k < count; ++k) {
      Operand& o = p.operands[I.first + k];
      if ((k == 0 && (I.op == 33 || I.op == 34 || I.op == 35)) || (k == 3 && I.op == 135)) {
        o.tag = kTagImmediate;
        continue;
      }
      if (o.tag < kAreaCount) continue;   // area operand, resolved at run time
      std::uint32_t base = 0, size = 0;
      auto block = [&](std::uint32_t vb) {
        base = vb;
        size = vb ? space_.regionSize(vb) : 0;
      };
      switch (o.tag) {
      case kTagOwnCode: block(p.vbase); break;
      case kTagLinkFrame: block(linkFrameBase_); break;
      case kTagModuleCode: block(own.code); break;
      case kTagModuleConst: block(own.consts); break;
      case kTagModuleVars: block(own.vars); break;
      case kTagOtherVars: case kTagOtherConst: case kTagOtherCode: {
        const unsigned num = o.offset >> 24;
        o.offset &= 0x00FFFFFF;
        ModuleMap& home = modules_[m];
        model::ProjectModule* other = num < home.table.size() ? home.table[num] : nullptr;
        if (!other) {
          err = "operand names module " + std::to_string(num) + ", which is not in the module table";
          return false;
        }
        if (o.tag == kTagOtherCode && isExternModule(other)) {
          I.op = 210;
          I.ext = std::int32_t((o.offset & 0xFFFF) / 10);
          if (!xt_IsValid(I.ext)) I.ext = -1;   // the no-op entry (message shown once)
          o.tag = kAreaAbsolute;
          o.offset = 0;
          continue;
        }
        ModuleMap& om = mapModule(other);
        block(o.tag == kTagOtherVars ? om.vars : o.tag == kTagOtherConst ? om.consts : om.code);
        break;
      }
      default:
        err = "unknown area tag " + std::to_string(o.tag) + " in instruction " + std::to_string(I.op) +
              " at byte " + std::to_string(I.pos);
        return false;
      }
      if (!base) {
        err = "operand of instruction " + std::to_string(I.op) + " at byte " + std::to_string(I.pos) +
              " refers to a block that does not exist";
        return false;
      }
      if (o.offset > size) {
        err = "operand offset " + std::to_string(o.offset) + " lies outside its block";
        return false;
      }
      // A jump inside the procedure: its target instruction is found once here.
      if (k == 0 && (I.op == 66 || I.op == 67 || I.op == 68 || I.op == 70) && base == p.vbase)
        I.target = p.indexAt(o.offset);
      o.offset += base;
      o.tag = kAreaAbsolute;
      o.relocated = true;
    }
    I.prim = primitiveOf(I);
  }
  for (std::size_t k = 0; k + 1 < p.code.size(); ++k) {
    Instr& I = p.code[k];
    const Instr& next = p.code[k + 1];
    if (I.prim >= kPrimRealMul1 && I.prim <= kPrimRealSub1 && next.prim == kPrimMovR1 &&
        p.operands[next.first + 1].tag == kAreaStack)
      I.prim = std::uint16_t(I.prim - kPrimRealMul1 + kPrimRealMulMove1);
  }
  // The stretches the run loop takes the budget for (see Instr::run); the
  // last instruction is an end, which ends every stretch.
  for (std::size_t k = p.code.size(); k-- > 0;) {
    Instr& I = p.code[k];
    I.run = straightPrim(I.prim) && k + 1 < p.code.size() ? p.code[k + 1].run + 1 : 1;
  }
  classify(p);
  return true;
}

// Whether a run of the procedure can reach the logic image or the views of
// areas 4..17. Only the direct single-element instructions, jumps, loops and
// stops are followed: each reaches nothing but its operands. An area operand
// whose offset stays inside the area's first window reaches its own region
// or nothing (every region starts on a window of its own); a relocated one
// lies in its block. Anything else may compute or be handed any address.
void Vm::classify(Procedure& p) {
  constexpr std::uint32_t kWindow = 1u << AddressSpace::kWindowBits;
  bool logic = false, fields = false, inputs = false;
  for (const Instr& I : p.code) {
    // The operand a direct instruction writes (none for the others here).
    int written = -1;
    if (I.prim == kPrimMovR1 || I.prim == kPrimMovI1 || I.prim == kPrimInc1) written = 0;
    else if (I.prim == kPrimFor) written = 1;
    if (written >= 0 && unsigned(written) < I.operandCount() && p.operands[I.first + written].tag == kAreaInputs)
      inputs = true;
    switch (unfused(I.prim)) {
    case kPrimMovR1: case kPrimMovI1: case kPrimRealMul1: case kPrimRealDiv1: case kPrimRealAdd1:
    case kPrimRealSub1: case kPrimRealRelation1: case kPrimInc1: case kPrimJump: case kPrimJumpFalse:
    case kPrimFor: case kPrimStop: case kPrimStopError:
      break;
    default:
      logic = true;
    }
    const unsigned count = I.operandCount();
    for (unsigned k = 0; k < count; ++k) {
      const Operand& o = p.operands[I.first + k];
      if (o.tag == kTagImmediate || (o.tag == kAreaAbsolute && o.relocated)) continue;
      if (o.tag == kAreaAbsolute || o.tag == kAreaLogic || o.tag >= kAreaCount || o.offset >= kWindow - 16)
        logic = true;
      if (o.tag >= kAreaFrame && o.tag <= kAreaFrameArgument) fields = true;
    }
  }
  p.reachesLogic = logic;
  p.usesRunFields = fields || logic;
  p.writesInputs = inputs || logic;
}

bool Vm::linkProcedure(model::ProjectModule* m, const void* code, std::uint32_t length, std::string& err) {
  if (!code || !length) return true;
  lastCode_ = nullptr;
  ++linkGeneration_;
  auto old = procs_.find(code);
  if (old != procs_.end()) {
    auto owner = procOwner_.find(code);
    if (owner != procOwner_.end() && owner->second == m) return true;   // linked once
    // A block at the address of code that was released without being
    // forgotten: decode the new one.
    space_.unmap(old->second->vbase);
    procs_.erase(old);
  }
  auto p = std::make_unique<Procedure>();
  if (!decodeProcedure(static_cast<const std::uint8_t*>(code), length, 0, *p, err)) return false;
  p->vbase = space_.map(const_cast<void*>(code), length, false);
  if (!p->vbase) {
    err = "no room in the address space";
    return false;
  }
  if (!relocate(*p, m, err)) {
    space_.unmap(p->vbase);
    return false;
  }
  procs_[code] = std::move(p);
  procOwner_[code] = m;
  modules_[m].procKeys.push_back(code);
  return true;
}

bool Vm::linkModule(model::ProjectModule* module, const std::uint8_t* initCode, std::size_t initSize,
                    model::ProjectModule* const* table, unsigned tableSize, std::string* error) {
  std::string err;
  if (!module) {
    if (error) *error = "no module";
    return false;
  }
  ModuleMap& mm = mapModule(module);
  mm.table.assign(table, table + (table ? std::min(tableSize, 50u) : 0));
  model::ProjectModule* savedLinking = linking_;
  linking_ = module;
  bool ok = true;
  for (model::GateTypeRecord* t = model::firstTypeOf(module); t && ok; t = t->Next) {
    t->Flags = 0;
    if (t->StepLength) ok = linkProcedure(module, t->StepProc, t->StepLength, err);
    for (int k = 0; k < 5 && ok; ++k)
      if (t->ProcLength[k]) ok = linkProcedure(module, t->Procs[k], t->ProcLength[k], err);
    for (int k = 5; k < 7 && ok; ++k)
      if (t->Procs[k] && t->ProcLength[k]) ok = linkProcedure(module, t->Procs[k], t->ProcLength[k], err);
  }
  if (ok && module->CodeBlock && module->CodeBlockSize >= 4) ok = functionAt(mm.code) != nullptr || (err = lastError_, false);
  if (ok && initCode && initSize) {
    // The link block acts on this module (extern 68 sets its types' flags);
    // a refused module is forgotten below, and with it this mark.
    lastLinked_ = module;
    Procedure init;
    ok = decodeProcedure(initCode, initSize, 0, init, err);
    std::uint32_t vb = 0;
    if (ok) {
      vb = space_.map(const_cast<std::uint8_t*>(initCode), std::uint32_t(initSize), false);
      init.vbase = vb;
      ok = vb && relocate(init, module, err);
    }
    if (ok) {
      if (runProcedure(nullptr, nullptr, init)) {
        err = "initialisation code failed: " + lastError_;
        ok = false;
      }
    }
    space_.unmap(vb);
  }
  linking_ = savedLinking;
  if (!ok) {
    // Nothing of a refused module is runnable.
    forgetModule(module);
    if (error) *error = err;
    return false;
  }
  mm.linked = true;
  lastLinked_ = module;
  return true;
}

const std::vector<model::ProjectModule*>* Vm::fileTable(const model::ProjectModule* module) const {
  auto it = fileTables_.find(module);
  return it == fileTables_.end() ? nullptr : &it->second;
}

void Vm::recordFileTable(const model::ProjectModule* module, model::ProjectModule* const* table, unsigned size) {
  fileTables_[module].assign(table, table + (table ? std::min(size, 50u) : 0));
}

bool vm_LinkCode(model::ProjectModule* module, const std::uint8_t* linkBlock, std::size_t size,
                 model::ProjectModule* const* referenced, int count) {
  // The module's own reference order: a later link (of a library whose read
  // or link failed) uses it, never the document's order.
  vm().recordFileTable(module, referenced, count > 0 ? unsigned(count) : 0u);
  vm().forgetModule(module);
  return vm().linkModule(module, linkBlock, size, referenced, count > 0 ? unsigned(count) : 0u);
}

void vm_ForgetDocument(model::DocumentRecord* doc) {
  if (!doc) return;
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (model::isCompiled(m)) {
      vm().forgetModule(m);
      vm().dropFileTable(m);
    }
  if (vm().document() == doc) vm().attachDocument(nullptr);
}

bool Vm::isLinked(const model::ProjectModule* module) const {
  auto it = modules_.find(module);
  return it != modules_.end() && it->second.linked;
}

void Vm::forgetModule(model::ProjectModule* module) {
  lastCode_ = nullptr;
  ++linkGeneration_;
  auto it = modules_.find(module);
  if (it == modules_.end()) return;
  for (const void* c : it->second.procKeys) {
    auto owner = procOwner_.find(c);
    if (owner == procOwner_.end() || owner->second != module) continue;
    procOwner_.erase(owner);
    auto p = procs_.find(c);
    if (p == procs_.end()) continue;
    space_.unmap(p->second->vbase);
    procs_.erase(p);
  }
  const ModuleMap& mm = it->second;
  for (auto f = functions_.begin(); f != functions_.end();) {
    if (space_.regionBase(f->first) == mm.code || f->second->vbase == mm.code) f = functions_.erase(f);
    else ++f;
  }
  codeOwner_.erase(mm.code);
  space_.unmap(mm.code);
  space_.unmap(mm.vars);
  space_.unmap(mm.consts);
  if (lastLinked_ == module) lastLinked_ = nullptr;
  for (auto& other : modules_)
    for (auto& t : other.second.table)
      if (t == module) t = nullptr;
  modules_.erase(it);
}

const Procedure* Vm::procedureFor(const void* code) const {
  // Gates of one type often follow each other: one entry remembers the last answer.
  if (code && code == lastCode_) return lastProc_;
  auto it = procs_.find(code);
  const Procedure* p = it == procs_.end() ? nullptr : it->second.get();
  lastCode_ = code;
  lastProc_ = p;
  return p;
}

// A function of a module's code block, decoded on its first call.
const Procedure* Vm::functionAt(std::uint32_t addr) {
  auto it = functions_.find(addr);
  if (it != functions_.end()) return it->second.get();
  const std::uint32_t base = space_.regionBase(addr);
  auto owner = codeOwner_.find(base);
  if (owner == codeOwner_.end()) {
    lastError_ = "call target is not in a module's code block";
    return nullptr;
  }
  model::ProjectModule* m = owner->second;
  auto p = std::make_unique<Procedure>();
  std::string err;
  if (!decodeProcedure(static_cast<const std::uint8_t*>(m->CodeBlock), m->CodeBlockSize,
                       addr - base, *p, err)) {
    lastError_ = err;
    return nullptr;
  }
  p->vbase = base;
  if (!relocate(*p, m, err)) {
    lastError_ = err;
    return nullptr;
  }
  const Procedure* raw = p.get();
  functions_[addr] = std::move(p);
  return raw;
}

// ---- running ----

void Vm::fail(const std::string& why) {
  if (!err_) lastError_ = why;
  stop_ = true;
  err_ = 1;
  if (doc_) doc_->runError = 1;
}

std::uint32_t Vm::addr(const Instr& I, unsigned k) const {
  const Operand& o = opnd(I, k);
  if (o.tag == kAreaAbsolute || o.tag == kTagImmediate) return o.offset;
  if (o.tag >= kAreaCount) return 0;
  const std::uint32_t base = areas_[o.tag];
  if (!base) return 0;
  const std::uint64_t a = std::uint64_t(base) + o.offset;
  return a > 0xFFFFFFFFull ? 0 : std::uint32_t(a);
}

std::uint8_t* Vm::ptr(std::uint32_t a, std::uint32_t len, bool write) {
  std::uint8_t* p = space_.translate(a, len, write);
  if (!p) fail("access outside the mapped memory at address " + std::to_string(a));
  return p;
}
bool Vm::rd(std::uint32_t a, void* out, std::uint32_t len) {
  std::uint8_t* p = ptr(a, len, false);
  if (p && len) std::memcpy(out, p, len);
  return p != nullptr;
}
bool Vm::wr(std::uint32_t a, const void* in, std::uint32_t len) {
  std::uint8_t* p = ptr(a, len, true);
  if (p && len) std::memmove(p, in, len);
  return p != nullptr;
}
double Vm::rdReal(std::uint32_t a) { double v = 0; rd(a, &v, 8); return v; }
std::int16_t Vm::rdInt(std::uint32_t a) { std::int16_t v = 0; rd(a, &v, 2); return v; }
std::uint16_t Vm::rdWord(std::uint32_t a) { std::uint16_t v = 0; rd(a, &v, 2); return v; }

bool Vm::push(const void* data, std::uint32_t len) {
  if (stop_) return false;
  if (stack_.sp > stack_.size || len > stack_.size - stack_.sp) {
    fail("evaluation stack overflow");
    return false;
  }
  return wr(stack_.base + stack_.sp, data, len) && (stack_.sp += len, true);
}

bool Vm::jumpTo(std::uint32_t target) {
  const std::uint32_t base = proc_->vbase;
  if (!base || space_.regionBase(target) != base) {
    fail("jump out of the procedure");
    return false;
  }
  const int idx = proc_->indexAt(target - base);
  if (idx < 0) {
    fail("jump target is not an instruction");
    return false;
  }
  next_ = std::size_t(idx);
  return true;
}

Vm::DepthRegions& Vm::reserveRegions(unsigned depth) {
  if (depthRegions_.size() <= depth) depthRegions_.resize(depth + 1);
  DepthRegions& r = depthRegions_[depth];
  if (!r.stack) {
    // Reserved once, empty until a run or call binds them: one window each,
    // enough for 65535 slots of 8 bytes or a frame of 65535 + 309 bytes.
    constexpr std::uint32_t kCapacity = (1u << AddressSpace::kWindowBits) - 1;
    for (std::uint32_t& a : r.area) a = space_.map(nullptr, kCapacity);
    r.stack = space_.map(nullptr, kCapacity);
    r.frame = space_.map(nullptr, kCapacity);
    for (unsigned k = 0; k < 4; ++k) r.areaIndex[k] = space_.regionIndex(r.area[k]);
    r.stackIndex = space_.regionIndex(r.stack);
  }
  return r;
}

Vm::SavedRegisters Vm::saveRegisters() const {
  return {proc_, ip_, next_, stack_, gate_, inst_, stop_, stoppedByReturn_, err_,
          {areas_[0], areas_[1], areas_[2], areas_[3]}, areas_[kAreaLogic], areas_[kAreaStack]};
}

void Vm::restoreRegisters(const SavedRegisters& s) {
  for (unsigned k = 0; k < 4; ++k) areas_[k] = s.areas[k];
  areas_[kAreaLogic] = s.logic;
  areas_[kAreaStack] = s.stackArea;
  proc_ = s.proc;
  ip_ = s.ip;
  next_ = s.next;
  stack_ = s.stack;
  gate_ = s.gate;
  inst_ = s.inst;
  stop_ = s.stop;
  err_ = s.err;
  stoppedByReturn_ = s.stoppedByReturn;
}

void Vm::mapInstance(model::GateRecord* gate, model::GateInstance* inst, DepthRegions& r) {
  if (!inst) {
    for (unsigned k = 0; k < 4; ++k) {
      areas_[k] = 0;
      views_[k] = View{};
    }
    return;
  }
  std::uint32_t extra = inst->ExtraSlotCount;
  if (!extra && inst->ExtraValues && gate) extra = gate->ExtraCount;
  // The depth's regions are pointed at this instance's slots: no mapping and
  // no search per run. An address kept from an earlier run reaches the slots
  // of whatever instance runs now at that depth, never freed memory. The
  // fast path's view of each area is what its region now holds.
  auto bind = [&](unsigned k, void* host, std::uint32_t bytes, bool present) {
    const bool held = space_.rebindIndex(r.areaIndex[k], host, bytes);
    areas_[k] = present ? r.area[k] : 0;
    views_[k] = areas_[k] && held ? View{static_cast<std::uint8_t*>(host), bytes, bytes} : View{};
  };
  bind(0, inst->InputValues, inst->InputSlotCount * 8u, inst->InputValues);
  bind(1, inst->OutputValues, inst->OutputSlotCount * 8u, inst->OutputValues);
  bind(2, inst->ExtraValues, extra * 8u, inst->ExtraValues);
  bind(3, inst->StateSlotCount ? inst->StateValues : nullptr, inst->StateSlotCount * 8u,
       inst->StateValues && inst->StateSlotCount);
}

std::uint8_t Vm::runProcedure(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p) {
  const SavedRegisters saved = saveRegisters();   // so that runs nest
  const bool outermost = depth_ == 0;
  if (outermost) budget_ = budgetLimit_;
  DepthRegions& regions = regionsAt(depth_);
  mapInstance(gate, inst, regions);

  // The evaluation stack: one buffer per nesting depth, reused between runs;
  // only the frame part starts cleared.
  std::vector<std::uint8_t>& stackMem = regions.stackMem;
  const std::size_t stackSize = std::size_t(p.frameSize) + kStackExtra;
  if (stackMem.size() < stackSize) stackMem.resize(stackSize);
  if (p.frameSize) std::memset(stackMem.data(), 0, p.frameSize);
  space_.rebindIndex(regions.stackIndex, stackMem.data(), std::uint32_t(stackSize));
  stack_ = {regions.stack, std::uint32_t(stackSize), 0};
  areas_[kAreaStack] = stack_.base;
  if (outermost) {
    outOfBudget_ = false;
    fillLogicImage();
    areas_[kAreaLogic] = imageOf_ ? logicImageBase_ : 0;
  }
  gate_ = gate;
  inst_ = inst;
  stop_ = false;
  err_ = 0;
  stoppedByReturn_ = false;
  // The views of this run's areas 0..3 were taken by mapInstance.
  space_.spanIndex(regions.stackIndex, stackView_.host, stackView_.rlen, stackView_.wlen);
  views_[kAreaStack] = stack_.base ? stackView_ : View{};
  stackRoom_ = std::min(stack_.size, stackView_.wlen);
  ++depth_;
  if (!stack_.base) fail("no room in the address space");
  else execute(p, 0, true);
  --depth_;
  const std::uint8_t result = err_;

  if (outermost) writeBackLogicImage();
  restoreRegisters(saved);
  return result;
}

// An outermost run of a procedure that cannot reach the logic image, outside
// a time step's prepared frames: the lean run (below) with its instance's
// frame taken now, and every register put back afterwards as a run through
// runProcedure leaves them.
std::uint8_t Vm::runTop(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p) {
  const SavedRegisters saved = saveRegisters();
  const std::uint8_t result = runLean(gate, inst, p, leanFrame(gate, inst));
  restoreRegisters(saved);
  return result;
}

Vm::LeanFrame Vm::leanFrame(const model::GateRecord* gate, const model::GateInstance* inst) {
  LeanFrame f;
  if (!inst) return f;
  const DepthRegions& regions = regionsAt(0);
  constexpr std::uint32_t kCapacity = (1u << AddressSpace::kWindowBits) - 1;   // of a reserved region
  auto view = [&](unsigned k, double* host, std::uint32_t bytes, bool present) {
    f.base[k] = present ? regions.area[k] : 0;
    if (f.base[k] && host && bytes <= kCapacity) f.area[k] = View{reinterpret_cast<std::uint8_t*>(host), bytes, bytes};
  };
  std::uint32_t extra = inst->ExtraSlotCount;
  if (!extra && inst->ExtraValues && gate) extra = gate->ExtraCount;
  view(0, inst->InputValues, inst->InputSlotCount * 8u, inst->InputValues);
  view(1, inst->OutputValues, inst->OutputSlotCount * 8u, inst->OutputValues);
  view(2, inst->ExtraValues, extra * 8u, inst->ExtraValues);
  const bool state = inst->StateValues && inst->StateSlotCount;
  view(3, state ? inst->StateValues : nullptr, inst->StateSlotCount * 8u, state);
  return f;
}

// An outermost run of code that cannot reach the logic record, with its
// instance's views prepared. Such code runs only the direct instructions
// (single-element moves, REAL operations and relations, INT increments,
// jumps, loops and stops) and, when an access does not fit a view, their
// checked primitives: it makes no call, no extern call and no nested run,
// and never sets stoppedByReturn_ nor the areas beyond 0..3 and 18. What it
// changes of the other registers (proc_, ip_, next_, the stack, gate_, inst_,
// the areas 0..3, 6 and 18) is read only inside a run, and every run entry
// sets them before its code runs (an outer run saves and restores them around
// a nested one): they need no saving here. Area 6 is emptied
// as runTop leaves it for such code.
std::uint8_t Vm::runLean(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p,
                         const LeanFrame& frame) {
  if (depth_ != 0 || p.reachesLogic) return run(gate, inst, p);
  budget_ = budgetLimit_;
  outOfBudget_ = false;
  DepthRegions& regions = regionsAt(0);
  static_assert(kAreaInputs == 0 && sizeof frame.base == 4 * sizeof areas_[0] && sizeof frame.area == 4 * sizeof views_[0]);
  std::memcpy(areas_, frame.base, sizeof frame.base);
  std::memcpy(views_, frame.area, sizeof frame.area);
  std::vector<std::uint8_t>& stackMem = regions.stackMem;
  const std::uint32_t stackSize = std::uint32_t(p.frameSize) + kStackExtra;
  if (stackMem.size() < stackSize) stackMem.resize(stackSize);
  if (p.frameSize) std::memset(stackMem.data(), 0, p.frameSize);
  stack_ = {regions.stack, stackSize, 0};
  areas_[kAreaStack] = stack_.base;
  areas_[kAreaLogic] = 0;
  gate_ = gate;
  inst_ = inst;
  const bool savedStop = stop_;
  const std::uint8_t savedErr = err_;
  stop_ = false;
  err_ = 0;
  // A reserved region holds any stack (at most 65535 + 309 bytes).
  stackView_ = View{stackMem.data(), stackSize, stackSize};
  views_[kAreaStack] = stack_.base ? stackView_ : View{};
  stackRoom_ = stackSize;
  unbound_ = true;
  depth_ = 1;
  if (!stack_.base) fail("no room in the address space");
  else execute(p, 0, true);
  depth_ = 0;
  unbound_ = false;
  const std::uint8_t result = err_;
  // The stop flag and error byte go back to what they were, so that they
  // read the same between runs whichever entry ran.
  stop_ = savedStop;
  err_ = savedErr;
  return result;
}

std::uint8_t* Vm::outermostStack() {
  std::vector<std::uint8_t>& stackMem = regionsAt(0).stackMem;
  constexpr std::size_t kLargest = 0xFFFFu + kStackExtra;
  if (stackMem.size() < kLargest) stackMem.resize(kLargest);
  return stackMem.data();
}

// The translation follows the run loop's fast path instruction by
// instruction: an operand is taken only where the fast path would take it
// (its access fits the view it is read through), and a push only where the
// stack has room; anywhere else the interpreter would go to a checked
// primitive, and the procedure keeps the lean run.
bool Vm::compileDirect(const Procedure& p, const LeanFrame& frame, std::vector<DirectOp>& out,
                       std::uint32_t& instructions) {
  if (p.reachesLogic || p.usesRunFields) return false;
  std::uint8_t* const stack = outermostStack();
  const std::uint32_t stackSize = std::uint32_t(p.frameSize) + kStackExtra;
  // Host address of operand k of I for an access of len bytes; null when it
  // is not fixed or the access does not fit.
  auto at = [&](const Instr& I, unsigned k, std::uint32_t len, bool write) -> std::uint8_t* {
    const Operand& o = p.operands[I.first + k];
    FastView v;
    std::uint32_t offset = o.offset;
    if (o.tag < 4) {
      v = frame.area[o.tag];
    } else if (o.tag == kAreaStack) {
      v = FastView{stack, stackSize, stackSize};
    } else if (o.tag == kAreaAbsolute && o.relocated) {
      space_.span(o.offset, v.host, v.rlen, v.wlen, true);
      offset = 0;
    } else {
      return nullptr;
    }
    if (!v.host || std::uint64_t(offset) + len > (write ? v.wlen : v.rlen)) return nullptr;
    return v.host + offset;
  };
  std::vector<DirectOp> ops;
  if (p.frameSize) {
    DirectOp clear;
    clear.kind = kDirectClear;
    clear.count = p.frameSize;
    clear.to = stack;
    ops.push_back(clear);
  }
  std::uint32_t sp = 0;   // the stack's fill, known at every instruction of straight code
  for (std::size_t ip = 0; ip < p.code.size(); ++ip) {
    const Instr& I = p.code[ip];
    DirectOp d;
    d.op = I.op;
    const unsigned prim = unfused(I.prim);
    switch (prim) {
    case kPrimStop: case kPrimStopError:
      // The error byte of a stop with error is the run's result, which the
      // time step does not read; nothing else tells the two apart.
      instructions = std::uint32_t(ip + 1);
      out.insert(out.end(), ops.begin(), ops.end());
      return true;
    case kPrimMovR1: case kPrimMovI1: {
      const std::uint32_t len = I.prim == kPrimMovR1 ? 8 : 2;
      d.kind = I.prim == kPrimMovR1 ? kDirectMoveReal : kDirectMoveInt;
      d.a = at(I, 1, len, false);
      d.to = d.a ? at(I, 0, len, true) : nullptr;
      if (!d.to) return false;
      sp = 0;
      break;
    }
    case kPrimRealMul1: case kPrimRealDiv1: case kPrimRealAdd1: case kPrimRealSub1: case kPrimRealRelation1: {
      const bool relation = prim == kPrimRealRelation1;
      const std::uint32_t len = relation ? 4 : 8;
      d.a = at(I, 0, 8, false);
      d.b = d.a ? at(I, 1, 8, false) : nullptr;
      if (!d.b || sp + len > stackSize) return false;
      d.to = d.also = stack + sp;
      if (relation) {
        d.kind = kDirectRelation;
      } else {
        d.kind = prim == kPrimRealMul1 ? kDirectMul : prim == kPrimRealDiv1 ? kDirectDiv
               : prim == kPrimRealAdd1 ? kDirectAdd : kDirectSub;
        // A move of the pushed value that follows goes with it.
        const Instr* next = ip + 1 < p.code.size() ? &p.code[ip + 1] : nullptr;
        if (next && next->prim == kPrimMovR1 && p.operands[next->first + 1].tag == kAreaStack &&
            p.operands[next->first + 1].offset == sp) {
          if (std::uint8_t* to = at(*next, 0, 8, true)) {
            d.also = to;
            ops.push_back(d);
            ++ip;
            sp = 0;
            continue;
          }
        }
      }
      sp += len;
      break;
    }
    case kPrimInc1:
      d.kind = kDirectIncrement;
      d.to = at(I, 0, 2, true);
      d.b = d.to ? at(I, 1, 2, false) : nullptr;
      if (!d.b) return false;
      break;
    default:
      return false;
    }
    ops.push_back(d);
  }
  return false;
}

// Points the outermost depth's regions at the running instance's blocks and
// stack (runTop left them where they were).
void Vm::bindRegions() {
  unbound_ = false;
  DepthRegions& regions = depthRegions_[0];
  mapInstance(gate_, inst_, regions);   // the same entries and views as runTop's
  space_.rebindIndex(regions.stackIndex, regions.stackMem.data(), stack_.size);
}

std::uint8_t Vm::run(model::GateRecord* gate, model::GateInstance* instance, const void* code) {
  const Procedure* p = procedureFor(code);
  if (!p) {
    lastError_ = "procedure is not linked";
    if (doc_) doc_->runError = 1;
    return 1;
  }
  if (depth_ >= kMaxCallDepth) {
    lastError_ = "runs nested too deeply";
    return 1;
  }
  return run(gate, instance, *p);
}

std::uint8_t Vm::run(model::GateRecord* gate, model::GateInstance* instance, const Procedure& p) {
  if (depth_ >= kMaxCallDepth) {
    lastError_ = "runs nested too deeply";
    return 1;
  }
  return runProcedure(gate, instance, p);
}

namespace {
void put16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }
void put32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
void putF(std::uint8_t* p, double v) { std::memcpy(p, &v, 8); }
double getF(const std::uint8_t* p) { double v; std::memcpy(&v, p, 8); return v; }
std::uint16_t get16(const std::uint8_t* p) { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
constexpr unsigned kImageStep = 60, kImageEnd = 120;
} // namespace

void Vm::fillLogicImage() {
  imageOf_ = doc_ ? doc_->SimLogic : nullptr;
  if (!imageOf_) return;
  const model::LogicRecord& l = *imageOf_;
  std::uint8_t* p = logicImage_;
  if (imageOf_ == imageFull_) {
    // The same logic as before: only the step block and the two widths,
    // which the time step changes, are taken again.
    fillLogicStep();
    return;
  }
  imageFull_ = imageOf_;
  std::memset(p, 0, kLogicImageSize);
  std::memcpy(p + 4, l.Name, 17);
  put16(p + 22, l.AuxWord);
  put16(p + 24, l.InputPortCount);
  put16(p + 26, l.OutputPortCount);
  put32(p + 36, l.AuxLong);
  put16(p + 40, l.Flags);
  put16(p + 42, l.FlagsAux);
  put16(p + 44, std::uint16_t(l.Height));
  put16(p + 46, std::uint16_t(l.Width));
  put16(p + 56, l.GateCounter);
  std::memcpy(p + 120, l.Text1, 16);
  std::memcpy(p + 136, l.Text2, 16);
  std::memcpy(p + 152, l.Text3, 16);
  std::memcpy(p + 168, l.Further, 68);
  fillLogicStep();
}

// The step block in memory has the image's layout (five f64, two u16).
static_assert(offsetof(model::StepBlock, interval) == 8 && offsetof(model::StepBlock, incrInterval) == 32 &&
              offsetof(model::StepBlock, maxIterations) == 40 && offsetof(model::StepBlock, stepFlags) == 42);

void Vm::fillLogicStep() {
  const model::LogicRecord& l = *imageOf_;
  std::uint8_t* p = logicImage_;
  std::memcpy(p + 60, &l.StepBlock, 44);
  putF(p + 104, l.currentStep);
  putF(p + 112, l.previousStep);
  std::memcpy(logicWritten_ + kImageStep, p + kImageStep, kImageEnd - kImageStep);
}

void Vm::writeBackLogicImage() {
  model::LogicRecord* l = imageOf_;
  imageOf_ = nullptr;
  if (!l || !doc_ || doc_->SimLogic != l) return;
  const std::uint8_t* p = logicImage_;
  if (std::memcmp(p + kImageStep, logicWritten_ + kImageStep, kImageEnd - kImageStep) == 0) return;
  // Only the step block and the two widths go back; the rest of the image is
  // read-only to block code.
  auto changed = [&](unsigned at, unsigned n) { return std::memcmp(p + at, logicWritten_ + at, n) != 0; };
  model::StepBlock& b = l->StepBlock;
  if (changed(60, 8)) b.simTime = getF(p + 60);
  if (changed(68, 8)) b.interval = getF(p + 68);
  if (changed(76, 8)) b.minInterval = getF(p + 76);
  if (changed(84, 8)) b.maxInterval = getF(p + 84);
  if (changed(92, 8)) b.incrInterval = getF(p + 92);
  if (changed(100, 2)) b.maxIterations = get16(p + 100);
  if (changed(102, 2)) b.stepFlags = get16(p + 102);
  if (changed(104, 8)) l->currentStep = getF(p + 104);
  if (changed(112, 8)) l->previousStep = getF(p + 112);
}



void Vm::resolveFast(const Procedure& p) {
  static const View kNone{};
  Procedure& q = const_cast<Procedure&>(p);
  q.fast.resize(p.operands.size());
  for (std::size_t k = 0; k < p.operands.size(); ++k) {
    const Operand& o = p.operands[k];
    FastOperand& f = q.fast[k];
    f = FastOperand{};
    f.view = &kNone;
    if (o.tag < kAreaCount && o.tag != kAreaAbsolute) {
      f.offset = o.offset;
      f.view = &views_[o.tag];
    } else if (o.tag == kAreaAbsolute && o.relocated) {
      space_.span(o.offset, f.own.host, f.own.rlen, f.own.wlen, true);
      if (f.own.host) f.view = &f.own;
    }
  }
  // The extents of the fast instructions' accesses, per area view; a
  // relocated operand is checked against its own view here (it stays until
  // the space's generation changes, and this is run again then).
  q.fastExtents.clear();
  q.hostOperands.clear();
  q.fastOwnFit = true;
  for (const Instr& I : p.code) {
    for (unsigned k = 0; k < kFastOperands; ++k) {
      const FastAccess a = fastAccess(I.prim, k);
      if (!a.len) continue;
      if (k >= I.operandCount()) {
        q.fastOwnFit = false;
        continue;
      }
      q.hostOperands.push_back(I.first + k);
      const Operand& o = p.operands[I.first + k];
      const FastOperand& f = q.fast[I.first + k];
      if (!(o.tag < kAreaCount && o.tag != kAreaAbsolute)) {   // not through an area's view
        q.fastOwnFit = q.fastOwnFit && accessFits(f, a);
        continue;
      }
      auto e = std::find_if(q.fastExtents.begin(), q.fastExtents.end(),
                            [&](const Procedure::FastExtent& x) { return x.tag == o.tag; });
      if (e == q.fastExtents.end()) {
        q.fastExtents.push_back({std::uint8_t(o.tag), 0, 0});
        e = q.fastExtents.end() - 1;
      }
      const std::uint64_t end = std::uint64_t(f.offset) + a.len;
      if (a.read) e->read = std::max(e->read, end);
      if (a.write) e->write = std::max(e->write, end);
    }
  }
  q.fastGen = space_.generation();
  q.fastOwner = this;
  q.fastData = q.fast.data();
  q.hostAt.assign(p.operands.size(), nullptr);
  q.hostKey.assign(p.fastExtents.size(), View{});
  q.hostValid = false;
}

std::uint8_t* const* Vm::operandHosts(const Procedure& p) {
  Procedure& q = const_cast<Procedure&>(p);
  bool same = q.hostValid;
  for (std::size_t k = 0; same && k < p.fastExtents.size(); ++k) {
    const View& v = views_[p.fastExtents[k].tag];
    const View& w = q.hostKey[k];
    same = v.host == w.host && v.rlen == w.rlen && v.wlen == w.wlen;
  }
  if (!same) {
    for (const std::uint32_t k : p.hostOperands) {
      const FastOperand& f = p.fast[k];
      q.hostAt[k] = f.view->host ? f.view->host + f.offset : nullptr;
    }
    for (std::size_t k = 0; k < p.fastExtents.size(); ++k) q.hostKey[k] = views_[p.fastExtents[k].tag];
    q.hostValid = true;
  }
  return q.hostAt.data();
}

bool Vm::fastFitsAll(const Procedure& p) const {
  if (!p.fastOwnFit) return false;
  for (const Procedure::FastExtent& e : p.fastExtents) {
    const View& v = views_[e.tag];
    if (e.read > v.rlen || e.write > v.wlen) return false;
  }
  return true;
}

void Vm::spanView(unsigned k, bool* reserved) {
  View& v = views_[k];
  if (reserved) *reserved = false;
  if (k == kAreaAbsolute || !areas_[k]) v = View{};
  else space_.span(areas_[k], v.host, v.rlen, v.wlen, false, reserved);
}

void Vm::refreshAllViews(const Procedure& p, bool runViews) {
  const std::uint64_t gen = space_.generation();
  if (p.fastGen != gen || p.fastOwner != this || p.fastData != p.fast.data()) resolveFast(p);
  if (!runViews) {
    for (unsigned k = 0; k < 4; ++k) spanView(k);
    spanView(kAreaStack);
    space_.span(stack_.base, stackView_.host, stackView_.rlen, stackView_.wlen);
    stackRoom_ = std::min(stack_.size, stackView_.wlen);
  }
  // Views of areas this code never names are not read: their keys stay as
  // they are, so that the code that names them takes them again.
  if (!p.usesRunFields) return;
  constexpr unsigned kFrom = kAreaFrame, kTo = kAreaFrameArgument + 1;
  static_assert(kAreaStack == kTo && kAreaFrame == 4);
  // The entries compared eight bytes at a time, without a branch each.
  static_assert((kTo - kFrom) % 2 == 0);
  std::uint64_t diff = 0;
  for (unsigned k = kFrom; k < kTo; k += 2) {
    std::uint64_t a, b;
    std::memcpy(&a, areas_ + k, 8);
    std::memcpy(&b, viewKey_ + k, 8);
    diff |= a ^ b;
  }
  if (viewReserved_ || gen != viewGen_ || diff) {
    bool any = false;
    for (unsigned k = kFrom; k < kTo; ++k) {
      bool reserved = false;
      spanView(k, &reserved);
      any = any || reserved;
    }
    std::memcpy(viewKey_ + kFrom, areas_ + kFrom, (kTo - kFrom) * sizeof areas_[0]);
    viewGen_ = gen;
    viewReserved_ = any;
  }
}

// The run loop. The primitives of single elements, jumps and loops run here
// on the fast views: when every access they make is inside its area, they
// act directly; otherwise the checked primitive repeats the instruction from
// the start (nothing was changed yet) and reports the failure. Everything
// else goes to its primitive, after which the views are taken again (calls
// and externs change the areas and may map and unmap).
//
// When every fast access of the procedure fits the views as they are (the
// extents summed up when its operands were resolved), the handlers are
// entered past their operand checks; otherwise through them. The budget is
// taken for a stretch of straight instructions at once (Instr::run) where
// the stretch begins; what a stretch left unrun is given back whenever the
// loop hands over, so that the count is the same as one by one. A stretch
// the budget does not hold runs one instruction at a time by the checked
// primitives, which run out exactly where they should.
// GCC would merge the handlers' dispatch into one indirect jump; kept apart,
// each handler's jump is predicted on its own.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
void Vm::execute(const Procedure& p, std::size_t ip, bool runViews) {
  proc_ = &p;
  ip_ = next_ = ip;
  if (stop_) return;
  refreshViews(p, runViews);
  const Instr* const code = p.code.data();
  const std::size_t count = p.code.size();
  const FastOperand* const fo = p.fast.data();
  // Every procedure ends with an end instruction (the decoder sees to it)
  // and a resolved jump target is an instruction: only the start and the
  // checked primitives can put the instruction index past the end.
  if (ip >= count) {
    fail("code ran past its end");
    ip_ = ip;
    return;
  }
  // The registers of the fast path, kept in locals (stores through the
  // views could otherwise alias the members): the budget left beyond the
  // stretch taken, the stack's fill, its host block and room.
  std::uint64_t left = budget_;
  std::uint32_t sp = stack_.sp;
  std::uint8_t* stackHost = stackView_.host;
  std::uint32_t room = stackRoom_;
  // budget_, executed_ and the stack's fill brought up to date on every way
  // out of the loop.
  auto flush = [&] {
    executed_ += budget_ - left;
    budget_ = left;
    stack_.sp = sp;
  };
  // The same when instruction I ran or is about to run by its primitive: the
  // stretch it lies in was taken up to its end, which lies I->run
  // instructions on from I (Instr::run counts to the end from every
  // instruction of a stretch); the instructions after I are given back.
  auto sync = [&](const Instr* at) {
    left += at->run - 1;
    flush();
  };
  const Instr* I = code + ip;
  // The host addresses of the procedure's operands, and of the running instruction's.
  std::uint8_t* const* hosts = operandHosts(p);
  std::uint8_t* const* h = nullptr;
  // Dispatch: each handler ends by going to the next instruction's handler
  // (with GCC and Clang through a table of labels, one indirect jump per
  // handler; otherwise through a switch).
#if defined(__GNUC__)
  // Two tables: one enters the handlers past their operand checks (the
  // procedure fits its views), the other through them.
  static const void* const kFitLabels[] = {
      &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked,
      &&stop, &&checked, &&checked, &&movR1, &&movI1, &&checked, &&realRelation1, &&jump, &&jumpFalse,
      &&forLoop, &&inc1, &&realMul1, &&realDiv1, &&realAdd1, &&realSub1,
      &&realMulMove1, &&realDivMove1, &&realAddMove1, &&realSubMove1};
  static const void* const kCheckLabels[] = {
      &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked, &&checked,
      &&stop, &&checked, &&checked, &&movR1Check, &&movI1Check, &&checked, &&realRelation1Check, &&jump,
      &&jumpFalseCheck, &&forLoopCheck, &&inc1Check, &&realMul1Check, &&realDiv1Check, &&realAdd1Check,
      &&realSub1Check, &&realMul1Check, &&realDiv1Check, &&realAdd1Check, &&realSub1Check};
  static_assert(sizeof kFitLabels / sizeof kFitLabels[0] == kPrimRealSubMove1 + 1);
  static_assert(sizeof kCheckLabels / sizeof kCheckLabels[0] == kPrimRealSubMove1 + 1);
  const void* const* labels = fastFitsAll(p) ? kFitLabels : kCheckLabels;
#define ZERLO_DISPATCH goto* labels[I->prim]
#define ZERLO_CHECK(LABEL, PRIM) \
  LABEL##Check:                  \
  if (!operandsFit<PRIM>(fo + I->first)) goto checked;
#else
  bool fit = fastFitsAll(p);
#define ZERLO_DISPATCH                                                       \
  switch (I->prim) {                                                         \
  case kPrimStop: goto stop;                                                 \
  case kPrimMovR1: goto movR1;                                               \
  case kPrimMovI1: goto movI1;                                               \
  case kPrimRealRelation1: goto realRelation1;                               \
  case kPrimJump: goto jump;                                                 \
  case kPrimJumpFalse: goto jumpFalse;                                       \
  case kPrimFor: goto forLoop;                                               \
  case kPrimInc1: goto inc1;                                                 \
  case kPrimRealMul1: case kPrimRealMulMove1: goto realMul1;                 \
  case kPrimRealDiv1: case kPrimRealDivMove1: goto realDiv1;                 \
  case kPrimRealAdd1: case kPrimRealAddMove1: goto realAdd1;                 \
  case kPrimRealSub1: case kPrimRealSubMove1: goto realSub1;                 \
  default: goto checked;                                                     \
  }
#define ZERLO_CHECK(LABEL, PRIM) \
  if (!fit && !operandsFit<PRIM>(fo + I->first)) goto checked;
#endif
  // To the next instruction of a stretch (its budget is taken).
#define ZERLO_NEXT        \
  do {                    \
    ++I;                  \
    h = hosts + I->first; \
    ZERLO_DISPATCH;       \
  } while (0)
  // To the instruction at I, which begins a stretch.
#define ZERLO_ENTER goto enter

enter:
  if (left < I->run) goto tight;
  left -= I->run;
  h = hosts + I->first;
  ZERLO_DISPATCH;

  // A REAL operation: its result r pushed at top (the stack's room checked).
#define ZERLO_REAL_PUSH(OP)                                 \
  if (std::uint64_t(sp) + 8 > room) goto checked;           \
  double x, y;                                              \
  std::memcpy(&x, h[0], 8);                                 \
  std::memcpy(&y, h[1], 8);                                 \
  const double r = realArith(OP, x, y);                     \
  std::uint8_t* const top = stackHost + sp;                 \
  std::memcpy(top, &r, 8);
#define ZERLO_REAL_BINARY1(LABEL, PRIM, OP)                 \
  ZERLO_CHECK(LABEL, PRIM)                                  \
  LABEL: {                                                  \
    ZERLO_REAL_PUSH(OP)                                     \
    sp += 8;                                                \
    ZERLO_NEXT;                                             \
  }
  ZERLO_REAL_BINARY1(realMul1, kPrimRealMul1, 0)
  ZERLO_REAL_BINARY1(realDiv1, kPrimRealDiv1, 1)
  ZERLO_REAL_BINARY1(realAdd1, kPrimRealAdd1, 9)
  ZERLO_REAL_BINARY1(realSub1, kPrimRealSub1, 10)
#undef ZERLO_REAL_BINARY1
#if defined(__GNUC__)
  // A REAL operation and the move after it, entered only when the procedure
  // fits its views (the move's operands fit too). When the move reads the
  // bytes just pushed it runs here, with the result still in a register.
#define ZERLO_REAL_BINARY_MOVE1(LABEL, OP)                  \
  LABEL: {                                                  \
    ZERLO_REAL_PUSH(OP)                                     \
    std::uint8_t* const* const m = hosts + I[1].first;      \
    if (m[1] != top) {                                      \
      sp += 8;                                              \
      ZERLO_NEXT;                                           \
    }                                                       \
    sp = 0;                                                 \
    std::memcpy(m[0], &r, 8);                               \
    ++I;                                                    \
    ZERLO_NEXT;                                             \
  }
  ZERLO_REAL_BINARY_MOVE1(realMulMove1, 0)
  ZERLO_REAL_BINARY_MOVE1(realDivMove1, 1)
  ZERLO_REAL_BINARY_MOVE1(realAddMove1, 9)
  ZERLO_REAL_BINARY_MOVE1(realSubMove1, 10)
#undef ZERLO_REAL_BINARY_MOVE1
#endif
#undef ZERLO_REAL_PUSH
  ZERLO_CHECK(realRelation1, kPrimRealRelation1)
realRelation1:
  if (std::uint64_t(sp) + 4 > room) goto checked;
  realRelation(I->op, h[0], h[1], stackHost + sp);
  sp += 4;
  ZERLO_NEXT;
  ZERLO_CHECK(movR1, kPrimMovR1)
movR1:
  sp = 0;
  moveValue<8>(h[0], h[1]);   // through a register: the two may overlap
  ZERLO_NEXT;
  ZERLO_CHECK(movI1, kPrimMovI1)
movI1:
  sp = 0;
  moveValue<2>(h[0], h[1]);
  ZERLO_NEXT;
  ZERLO_CHECK(inc1, kPrimInc1)
inc1: {
    std::uint8_t* pa = h[0];
    std::int16_t x, y;
    std::memcpy(&x, pa, 2);
    std::memcpy(&y, h[1], 2);
    const std::int16_t r = intStep(I->op, x, y);
    std::memcpy(pa, &r, 2);
    ZERLO_NEXT;
  }
  // Jumps and loops get these primitives only with a resolved target; each
  // ends a stretch.
jump:
  sp = 0;
  I = code + I->target;
  ZERLO_ENTER;
  ZERLO_CHECK(jumpFalse, kPrimJumpFalse)
jumpFalse:
  sp = 0;
  I = (h[1][0] & 1) ? I + 1 : code + I->target;
  ZERLO_ENTER;
  ZERLO_CHECK(forLoop, kPrimFor)
forLoop: {
    std::uint8_t* pv = h[1];
    const std::uint8_t* pr = h[2];
    std::int16_t v, limit, stp;
    std::memcpy(&v, pv, 2);
    std::memcpy(&limit, pr, 2);
    std::memcpy(&stp, pr + 2, 2);
    const std::int32_t next = std::int32_t(v) + stp;
    if (stp >= 0 ? next > limit : next < limit) {   // leave the loop
      ++I;
      ZERLO_ENTER;
    }
    sp = 0;
    const std::int16_t nv = std::int16_t(next);
    std::memcpy(pv, &nv, 2);
    I = code + I->target;
    ZERLO_ENTER;
  }
stop:
  sync(I);
  stop_ = true;
  ip_ = next_ = std::size_t(I - code) + 1;
  return;
  // A stretch the budget does not hold: one instruction by its primitive.
tight:
  if (left == 0) goto outOfBudget;
  left -= I->run;   // below zero for a moment: sync gives back all but this one
  // The checked primitive: the instruction's own one, or the general one
  // after a fast path refused an access.
checked: {
    sync(I);
    const std::size_t at = std::size_t(I - code);
    ip_ = at;
    next_ = at + 1;
    if (unbound_) bindRegions();
    (this->*kPrims[I->prim])(*I);   // threaded: the primitive chosen at link time
    proc_ = &p;
    const std::size_t to = next_;
    left = budget_;
    sp = stack_.sp;
    if (stop_) {
      ip_ = to;
      return;
    }
    if (to >= count) {
      next_ = to;
      fail("code ran past its end");
      ip_ = to;
      return;
    }
    refreshViews(p);
    stackHost = stackView_.host;
    room = stackRoom_;
    hosts = operandHosts(p);
#if defined(__GNUC__)
    labels = fastFitsAll(p) ? kFitLabels : kCheckLabels;
#else
    fit = fastFitsAll(p);
#endif
    I = code + to;
    ZERLO_ENTER;
  }
outOfBudget:
  flush();
  next_ = std::size_t(I - code);
  fail("instruction limit of one run reached");
  outOfBudget_ = true;
  ip_ = next_;
#undef ZERLO_ENTER
#undef ZERLO_CHECK
#undef ZERLO_NEXT
#undef ZERLO_DISPATCH
}

void Vm::doCall(const Instr& I, bool isExtern) {
  if (depth_ >= kMaxCallDepth) {
    fail("calls nested too deeply");
    return;
  }
  const Procedure* callee = nullptr;
  if (!isExtern) {
    callee = functionAt(addr(I, 0));
    if (!callee) {
      const std::string why = lastError_;
      fail("call: " + why);
      return;
    }
  }
  const unsigned named = I.n & 0xFF;
  if (!isExtern && (named >= kAreaCount || named == kAreaAbsolute)) {
    fail("call names area " + std::to_string(named));
    return;
  }
  const std::uint32_t frameSize = isExtern ? kExternFrame : std::uint32_t(callee->frameSize) + kStackExtra;
  // The frame of this depth: its argument and local part starts cleared.
  DepthRegions& regions = regionsAt(depth_);
  std::vector<std::uint8_t>& frameMem = regions.frameMem;
  if (frameMem.size() < frameSize) frameMem.resize(frameSize);
  std::memset(frameMem.data(), 0, isExtern ? frameSize : callee->frameSize);
  const std::uint32_t frame = regions.frame;
  space_.rebind(frame, frameMem.data(), frameSize);
  const Procedure& caller = *proc_;
  const std::uint32_t savedFrame = areas_[kAreaFrame];
  areas_[kAreaFrame] = frame;
  // The argument instructions up to their stop.
  ++depth_;
  execute(caller, next_);
  --depth_;
  std::size_t resume = next_;
  if (err_) {
    areas_[kAreaFrame] = savedFrame;
    return;
  }
  stop_ = false;
  stoppedByReturn_ = false;
  const Stack savedStack = stack_;
  const std::uint32_t savedNamed = isExtern ? 0 : areas_[named];
  const std::uint32_t savedStackArea = areas_[kAreaStack];
  // A called routine's evaluation stack starts after its frame, so that its
  // pushes never overwrite the arguments and locals in the frame.
  const std::uint32_t frameBytes = isExtern ? 0 : callee->frameSize;
  stack_ = {frame + frameBytes, frameSize - frameBytes, 0};
  areas_[kAreaStack] = stack_.base;
  if (isExtern) {
    xt_Call(I.ext, *this, frame);
  } else {
    areas_[named] = frame;
    ++depth_;
    execute(*callee, 0);
    --depth_;
  }
  const bool returned = stoppedByReturn_;
  std::vector<std::uint32_t> results;
  results.swap(results_);
  stack_ = savedStack;
  areas_[kAreaStack] = savedStackArea;
  if (!isExtern) areas_[named] = savedNamed;
  areas_[kAreaFrame] = savedFrame;
  if (err_) return;
  stop_ = false;
  stoppedByReturn_ = false;
  proc_ = &caller;
  if (!isExtern && returned) {
    for (std::uint32_t w : results)
      if (!push(&w, 4)) return;
  } else {
    stack_.sp = 0;
  }
  next_ = resume;
}

void Vm::step(const Instr& I) { (this->*kPrims[I.prim])(I); }

void Vm::opReturn(const Instr& I) {
  results_.clear();
  const std::uint32_t a = I.n ? addr(I, 0) : 0;
  for (unsigned k = 0; k < I.n && !err_; ++k) {
    std::uint32_t w = 0;
    if (rd(a + 4 * k, &w, 4)) results_.push_back(w);
  }
  if (err_) return;
  stoppedByReturn_ = true;
  stop_ = true;
}

void Vm::opNone(const Instr& I) { fail("instruction " + std::to_string(I.op) + " has no primitive"); }

// ---- fast primitives of one element ----

void Vm::opMovR1(const Instr& I) {
  stack_.sp = 0;
  const std::uint8_t* src = space_.translate(addr(I, 1), 8, false);
  std::uint8_t* dst = src ? space_.translate(addr(I, 0), 8, true) : nullptr;
  if (!dst) return opMove(I);   // the checked path reports the failure
  std::memmove(dst, src, 8);
}

void Vm::opMovI1(const Instr& I) {
  stack_.sp = 0;
  const std::uint8_t* src = space_.translate(addr(I, 1), 2, false);
  std::uint8_t* dst = src ? space_.translate(addr(I, 0), 2, true) : nullptr;
  if (!dst) return opMove(I);
  std::memmove(dst, src, 2);
}

void Vm::opRealBinary1(const Instr& I) {
  const std::uint8_t* pa = space_.translate(addr(I, 0), 8, false);
  const std::uint8_t* pb = pa ? space_.translate(addr(I, 1), 8, false) : nullptr;
  std::uint8_t* top = pb && stack_.sp + 8 <= stack_.size ? space_.translate(stack_.base + stack_.sp, 8, true) : nullptr;
  if (!top || stop_) return opArith(I);
  double x, y;
  std::memcpy(&x, pa, 8);
  std::memcpy(&y, pb, 8);
  const double r = realArith(I.op, x, y);
  std::memcpy(top, &r, 8);
  stack_.sp += 8;
}

void Vm::opRealRelation1(const Instr& I) {
  const std::uint8_t* pa = space_.translate(addr(I, 0), 8, false);
  const std::uint8_t* pb = pa ? space_.translate(addr(I, 1), 8, false) : nullptr;
  std::uint8_t* top = pb && stack_.sp + 4 <= stack_.size ? space_.translate(stack_.base + stack_.sp, 4, true) : nullptr;
  if (!top || stop_) return opArith(I);
  realRelation(I.op, pa, pb, top);
  stack_.sp += 4;
}

void Vm::jumpToIndex(const Instr& I, std::uint32_t target) {
  if (I.target >= 0) next_ = std::size_t(I.target);   // resolved when linked
  else jumpTo(target);
}

void Vm::opJump(const Instr& I) {
  stack_.sp = 0;
  jumpToIndex(I, addr(I, 0));
}

void Vm::opJumpFalse(const Instr& I) {
  stack_.sp = 0;
  const std::uint8_t* b = space_.translate(addr(I, 1), 2, false);
  if (!b) return opMove(I);
  if (!(b[0] & 1)) jumpToIndex(I, addr(I, 0));
}

void Vm::opFor(const Instr& I) {
  const std::uint32_t ra = addr(I, 2);
  std::uint8_t* pv = space_.translate(addr(I, 1), 2, true);
  const std::uint8_t* pr = pv ? space_.translate(ra, 4, false) : nullptr;
  if (!pr) return opMove(I);
  std::int16_t v, limit, stp;
  std::memcpy(&v, pv, 2);
  std::memcpy(&limit, pr, 2);
  std::memcpy(&stp, pr + 2, 2);
  const std::int32_t next = std::int32_t(v) + stp;
  if (stp >= 0 ? next > limit : next < limit) return;   // leave the loop
  stack_.sp = 0;
  const std::int16_t nv = std::int16_t(next);
  std::memcpy(pv, &nv, 2);
  jumpToIndex(I, addr(I, 0));
}

void Vm::opInc1(const Instr& I) {
  std::uint8_t* pa = space_.translate(addr(I, 0), 2, true);
  const std::uint8_t* pb = pa ? space_.translate(addr(I, 1), 2, false) : nullptr;
  if (!pb) return opMove(I);
  std::int16_t x, y;
  std::memcpy(&x, pa, 2);
  std::memcpy(&y, pb, 2);
  const std::int16_t r = intStep(I.op, x, y);
  std::memcpy(pa, &r, 2);
}

// ---- the primitive table ----

const Vm::Prim Vm::kPrims[] = {
    &Vm::opNone,      &Vm::opArith,       &Vm::opInteg,      &Vm::opMove,      &Vm::opDraw,
    &Vm::opFile,      &Vm::opCall,        &Vm::opExtern,     &Vm::opReturn,    &Vm::opStop,
    &Vm::opStopError, &Vm::opIndexCheck,  &Vm::opMovR1,      &Vm::opMovI1,     &Vm::opRealBinary1,
    &Vm::opRealRelation1, &Vm::opJump,    &Vm::opJumpFalse,  &Vm::opFor,       &Vm::opInc1,
    &Vm::opRealBinary1, &Vm::opRealBinary1, &Vm::opRealBinary1, &Vm::opRealBinary1,
    &Vm::opRealBinary1, &Vm::opRealBinary1, &Vm::opRealBinary1, &Vm::opRealBinary1};

std::uint16_t Vm::primitiveOf(const Instr& I) {
  static_assert(sizeof kPrims / sizeof kPrims[0] == kPrimRealSubMove1 + 1);
  const unsigned op = I.op;
  const bool one = I.n == 1;
  if (one) {
    if (op == 0) return kPrimRealMul1;
    if (op == 1) return kPrimRealDiv1;
    if (op == 9) return kPrimRealAdd1;
    if (op == 10) return kPrimRealSub1;
    if (op >= 15 && op <= 20) return kPrimRealRelation1;
    if (op == 62) return kPrimMovR1;
    if (op == 63) return kPrimMovI1;
    if (op == 71 || op == 72) return kPrimInc1;
  }
  // Jumps and loops whose target instruction was found when linking; the
  // others go through the checked move primitive, which looks it up.
  if (op == 66 && I.target >= 0) return kPrimJump;
  if ((op == 67 || op == 68) && I.target >= 0) return kPrimJumpFalse;
  if (op == 70 && I.target >= 0) return kPrimFor;
  if (op <= 32 || (op >= 36 && op <= 56) || op == 60 || op == 61) return kPrimArith;
  if (op >= 33 && op <= 35) return kPrimInteg;
  if ((op >= 62 && op <= 75) || (op >= 112 && op <= 115)) return kPrimMove;
  if (op >= 76 && op <= 109) return kPrimDraw;
  if (op >= 121 && op <= 134) return kPrimFile;
  switch (op) {
  case 110: return kPrimCall;
  case 210: return kPrimExtern;
  case 111: return kPrimReturn;
  case 116: case 118: case 119: return kPrimStop;
  case 117: case 120: return kPrimStopError;
  case 135: return kPrimIndexCheck;
  default: return kPrimNone;
  }
}

} // namespace engine
