#include "engine/vm.h"

#include "engine/externs.h"
#include "engine/services.h"

#include <cstring>

namespace engine {

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

Vm::Vm() : linkFrame_(kLinkFrameSize) { linkFrameBase_ = space_.map(linkFrame_.data(), std::uint32_t(linkFrame_.size())); }
Vm::~Vm() = default;

void Vm::reset() {
  space_ = AddressSpace{};
  modules_.clear();
  procs_.clear();
  procOwner_.clear();
  functions_.clear();
  codeOwner_.clear();
  docRegions_.clear();
  doc_ = nullptr;
  lastLinked_ = nullptr;
  std::fill(linkFrame_.begin(), linkFrame_.end(), 0);
  linkFrameBase_ = space_.map(linkFrame_.data(), std::uint32_t(linkFrame_.size()));
  std::memset(areas_, 0, sizeof areas_);
  stack_ = {};
  stop_ = false;
  err_ = 0;
  depth_ = 0;
  executed_ = 0;
  lastError_.clear();
}

void Vm::attachDocument(model::DocumentRecord* doc) {
  if (doc == doc_ && doc) return;
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
      o.offset += base;
      o.tag = kAreaAbsolute;
    }
  }
  return true;
}

bool Vm::linkProcedure(model::ProjectModule* m, const void* code, std::uint32_t length, std::string& err) {
  if (!code || !length) return true;
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

bool vm_LinkCode(model::ProjectModule* module, const std::uint8_t* linkBlock, std::size_t size,
                 model::ProjectModule* const* referenced, int count) {
  vm().forgetModule(module);
  return vm().linkModule(module, linkBlock, size, referenced, count > 0 ? unsigned(count) : 0u);
}

void vm_ForgetDocument(model::DocumentRecord* doc) {
  if (!doc) return;
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (model::isCompiled(m)) vm().forgetModule(m);
  if (vm().document() == doc) vm().attachDocument(nullptr);
}

bool Vm::isLinked(const model::ProjectModule* module) const {
  auto it = modules_.find(module);
  return it != modules_.end() && it->second.linked;
}

void Vm::forgetModule(model::ProjectModule* module) {
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
  auto it = procs_.find(code);
  return it == procs_.end() ? nullptr : it->second.get();
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

void Vm::mapInstance(model::GateRecord* gate, model::GateInstance* inst, std::uint32_t saved[4]) {
  for (unsigned k = 0; k < 4; ++k) saved[k] = areas_[k];
  if (!inst) {
    for (unsigned k = 0; k < 4; ++k) areas_[k] = 0;
    return;
  }
  std::uint32_t extra = inst->ExtraSlotCount;
  if (!extra && inst->ExtraValues && gate) extra = gate->ExtraCount;
  areas_[0] = inst->InputValues ? space_.map(inst->InputValues, inst->InputSlotCount * 8u) : 0;
  areas_[1] = inst->OutputValues ? space_.map(inst->OutputValues, inst->OutputSlotCount * 8u) : 0;
  areas_[2] = inst->ExtraValues ? space_.map(inst->ExtraValues, extra * 8u) : 0;
  areas_[3] = inst->StateValues && inst->StateSlotCount ? space_.map(inst->StateValues, inst->StateSlotCount * 8u) : 0;
}

std::uint8_t Vm::runProcedure(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p) {
  // Save the registers so that runs nest.
  const Procedure* savedProc = proc_;
  const std::size_t savedIp = ip_, savedNext = next_;
  const Stack savedStack = stack_;
  model::GateRecord* savedGate = gate_;
  model::GateInstance* savedInst = inst_;
  const bool savedStop = stop_, savedRet = stoppedByReturn_;
  const std::uint8_t savedErr = err_;
  const std::uint32_t savedLogic = areas_[kAreaLogic], savedStackArea = areas_[kAreaStack];
  const bool outermost = depth_ == 0;
  if (outermost) budget_ = budgetLimit_;
  std::uint32_t savedAreas[4];
  mapInstance(gate, inst, savedAreas);

  // The evaluation stack: one buffer per nesting depth, reused between runs.
  if (stackPool_.size() <= depth_) stackPool_.resize(depth_ + 1);
  std::vector<std::uint8_t>& stackMem = stackPool_[depth_];
  const std::size_t stackSize = std::size_t(p.frameSize) + kStackExtra;
  if (stackMem.size() < stackSize) stackMem.resize(stackSize);
  std::memset(stackMem.data(), 0, stackSize);
  stack_ = {space_.map(stackMem.data(), std::uint32_t(stackSize)), std::uint32_t(stackSize), 0};
  areas_[kAreaStack] = stack_.base;
  std::uint32_t logicBase = 0;
  if (doc_ && doc_->SimLogic) logicBase = areas_[kAreaLogic] = space_.map(&doc_->SimLogic->StepBlock, sizeof(model::StepBlock));
  gate_ = gate;
  inst_ = inst;
  stop_ = false;
  err_ = 0;
  stoppedByReturn_ = false;
  ++depth_;
  if (!stack_.base) fail("no room in the address space");
  else execute(p, 0);
  --depth_;
  const std::uint8_t result = err_;

  space_.unmap(stack_.base);
  if (logicBase) space_.unmap(logicBase);
  for (unsigned k = 0; k < 4; ++k) {
    space_.unmap(areas_[k]);
    areas_[k] = savedAreas[k];
  }
  areas_[kAreaLogic] = savedLogic;
  areas_[kAreaStack] = savedStackArea;
  proc_ = savedProc;
  ip_ = savedIp;
  next_ = savedNext;
  stack_ = savedStack;
  gate_ = savedGate;
  inst_ = savedInst;
  stop_ = savedStop;
  err_ = savedErr;
  stoppedByReturn_ = savedRet;
  return result;
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
  return runProcedure(gate, instance, *p);
}

void Vm::execute(const Procedure& p, std::size_t ip) {
  proc_ = &p;
  ip_ = ip;
  while (!stop_) {
    if (ip_ >= p.code.size()) {
      fail("code ran past its end");
      break;
    }
    if (budget_ == 0) {
      fail("instruction limit of one run reached");
      break;
    }
    --budget_;
    ++executed_;
    const Instr& I = p.code[ip_];
    next_ = ip_ + 1;
    step(I);
    proc_ = &p;
    ip_ = next_;
  }
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
  std::vector<std::uint8_t> frameMem(frameSize);
  const std::uint32_t frame = space_.map(frameMem.data(), frameSize);
  if (!frame) {
    fail("no room in the address space");
    return;
  }
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
    space_.unmap(frame);
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
  space_.unmap(frame);
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

void Vm::step(const Instr& I) {
  const unsigned op = I.op;
  if (op <= 32 || (op >= 36 && op <= 56) || op == 60 || op == 61) return opArith(I);
  if (op >= 33 && op <= 35) return opInteg(I);
  if ((op >= 62 && op <= 75) || (op >= 112 && op <= 115)) return opMove(I);
  if (op >= 76 && op <= 109) return opDraw(I);
  if (op >= 121 && op <= 134) return opFile(I);
  switch (op) {
  case 110: return doCall(I, false);
  case 210: return doCall(I, true);
  case 111: {
    results_.clear();
    const std::uint32_t a = I.n ? addr(I, 0) : 0;
    for (unsigned k = 0; k < I.n && !err_; ++k) {
      std::uint32_t w = 0;
      if (rd(a + 4 * k, &w, 4)) results_.push_back(w);
    }
    if (err_) return;
    stoppedByReturn_ = true;
    stop_ = true;
    return;
  }
  case 116: case 118: case 119: stop_ = true; return;
  case 117: case 120: stop(1); return;
  case 135: return opIndexCheck(I);
  default: fail("instruction " + std::to_string(op) + " has no primitive"); return;
  }
}

} // namespace engine
