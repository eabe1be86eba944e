#pragma once
// The interpreter of compiled block code: linking (decoding every procedure
// of a compiled module into a side table and relocating its operands into the
// checked address space), and the run loop with its registers, evaluation
// stack, calls and extern calls. Broken code never crashes the program: the
// linker refuses unknown opcodes, tags and module numbers; at run time every
// operand access is translated and checked, the evaluation stack and the call
// depth are bounded, and so is the number of instructions of one run. An error
// stops the run with error byte 1 and sets the document's runError.
#include "engine/vmcode.h"
#include "engine/vmdirect.h"
#include "engine/vmspace.h"

#include "model/records.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace engine {

class Vm {
public:
  static constexpr unsigned kStackExtra = 309;     // evaluation stack = frame size + 309 bytes
  static constexpr unsigned kExternFrame = 200;
  static constexpr unsigned kLinkFrameSize = 4096;   // the linker's frame (tag ',')
  static constexpr unsigned kMaxCallDepth = 64;
  static constexpr std::uint64_t kDefaultBudget = 50'000'000;  // instructions of one outermost run

  Vm();
  ~Vm();
  Vm(const Vm&) = delete;
  Vm& operator=(const Vm&) = delete;

  // Forgets every linked module and unmaps everything.
  void reset();
  // The document whose run fields (areas 7..17) and simulated logic (area 6)
  // code reaches. Mapped once per document.
  void attachDocument(model::DocumentRecord* doc) {
    if (doc != doc_ || !doc) mapDocument(doc);
  }
  model::DocumentRecord* document() const { return doc_; }

  // Links all code of a compiled module: every procedure of every type (the
  // step procedure and the further procedures when their length is not 0, the
  // two drawing procedures when present) and the module's own code block; then
  // runs the initialisation code once. table: the referenced modules by
  // number (tags '0', '1', '2'); a module whose name begins with "Extern"
  // stands for the extern library. False (with error) when any code is
  // refused; nothing of the module is then runnable.
  bool linkModule(model::ProjectModule* module, const std::uint8_t* initCode, std::size_t initSize,
                  model::ProjectModule* const* table, unsigned tableSize, std::string* error = nullptr);
  bool isLinked(const model::ProjectModule* module) const;
  // Forgets a module before its records are released: unmaps its blocks and
  // drops the decoded procedures of its types and code.
  void forgetModule(model::ProjectModule* module);
  // The module linked last (extern 68 reads it).
  model::ProjectModule* lastLinked() const { return lastLinked_; }
  // Decoded procedure of a code pointer of a linked type; null when none.
  const Procedure* procedureFor(const void* code) const;

  // Runs one procedure for a gate and its instance; returns the error byte.
  std::uint8_t run(model::GateRecord* gate, model::GateInstance* instance, const void* code);
  // The same for a procedure already looked up (procedureFor).
  std::uint8_t run(model::GateRecord* gate, model::GateInstance* instance, const Procedure& p);
  // The time step's entry: the same as run for a procedure already looked
  // up, with a lean set-up when no run is in progress (nothing to save, the
  // logic image only for code that can reach it).
  std::uint8_t runStep(model::GateRecord* gate, model::GateInstance* instance, const Procedure& p) {
    return depth_ == 0 && !p.reachesLogic ? runTop(gate, instance, p) : run(gate, instance, p);
  }
  // A procedure's run for one instance prepared once: the views of the
  // instance areas 0..3 (host address and length; empty for an area the
  // instance lacks). The caller keeps it while the instance's value arrays
  // stay where they are (the model's structure counter).
  struct LeanFrame {
    std::uint32_t base[4] = {};   // the area table's entries 0..3 (0: no such area)
    FastView area[4];
  };
  // (The entries are the outermost depth's regions, kept until reset, which
  // raises linkGeneration.)
  LeanFrame leanFrame(const model::GateRecord* gate, const model::GateInstance* instance);
  // The time step's entry for a prepared frame. When no run is in progress
  // and the procedure cannot reach the logic record (no calls, externs or
  // other primitives, see Procedure::reachesLogic), only what such code
  // touches is set up, and nothing is saved; otherwise the same as run.
  std::uint8_t runLean(model::GateRecord* gate, model::GateInstance* instance, const Procedure& p,
                       const LeanFrame& frame);
  // The direct form of a lean procedure for one instance (see vmdirect.h),
  // appended to out: false (out unchanged) when the procedure does anything
  // but single-element moves, REAL operations and relations and INT
  // increments up to its stop, or an operand does not lie wholly inside the
  // frame's views of areas 0..3, the evaluation stack or a linked module's
  // block, or a push would not fit the stack. instructions: how many the
  // interpreter would run (stop included). The host addresses hold while the
  // frame does and the link generation stays the same.
  bool compileDirect(const Procedure& p, const LeanFrame& frame, std::vector<DirectOp>& out,
                     std::uint32_t& instructions);
  // A run of a direct form of n instructions in place of runLean: allowed
  // when the budget of one run holds them (else the lean run runs out of it
  // as the interpreter does); the counters are kept as the lean run keeps
  // them. The caller runs the operations (runDirect).
  // A form of n instructions fits when 0 < n <= directBudget() (0 inside a run).
  std::uint64_t directBudget() const { return depth_ == 0 ? budgetLimit_ : 0; }
  void countDirectRun(std::uint64_t n) {
    executed_ += n;
    outOfBudget_ = false;
  }
  // Raised whenever a procedure is linked or forgotten: a Procedure pointer
  // kept from procedureFor holds while it stays the same.
  std::uint64_t linkGeneration() const { return linkGeneration_; }
  // True when the last outermost run ended because it used up its
  // instruction budget (an endless loop).
  bool lastRunOutOfBudget() const { return outOfBudget_; }
  // The drawing run: sets the drawing attributes, the text height (the
  // document's current one) and the origin first and restores them
  // afterwards; returns nothing.
  static constexpr int kDefaultTextHeight = 13;
  void runDrawing(model::GateRecord* gate, model::GateInstance* instance, const void* code,
                  int originX, int originY, int textHeight = kDefaultTextHeight);

  // The reference table a block library file gave its module (recorded by
  // vm_LinkCode, kept until the module's document is forgotten); null when
  // the module never reached the linker from a file.
  const std::vector<model::ProjectModule*>* fileTable(const model::ProjectModule* module) const;
  void recordFileTable(const model::ProjectModule* module, model::ProjectModule* const* table, unsigned size);
  void dropFileTable(const model::ProjectModule* module) { fileTables_.erase(module); }

  // Area 6: the image of the simulated logic's record as block code sees it
  // (the file image's layout: step block at 60, currentStep at 104,
  // previousStep at 112; pointers read as 0). Filled before every outermost
  // run; the step block and the two widths (bytes 60..119) that the code
  // changed are written back after it.
  static constexpr unsigned kLogicImageSize = 236;
  // The name, counts and texts of the image are taken again on the next run
  // (the time step calls it at the start of every time step).
  void refreshLogicImage() { imageFull_ = nullptr; }

  AddressSpace& space() { return space_; }
  const std::string& lastError() const { return lastError_; }
  std::uint64_t instructionsExecuted() const { return executed_; }
  void setBudget(std::uint64_t instructions) { budgetLimit_ = instructions; }

  // Registers that the primitives and the extern library use.
  model::GateRecord* currentGate() const { return gate_; }
  model::GateInstance* currentInstance() const { return inst_; }
  std::uint32_t area(unsigned k) const { return k < kAreaCount ? areas_[k] : 0; }
  std::int16_t originX() const { return originX_; }
  std::int16_t originY() const { return originY_; }
  // Stops the run with an error (error byte 1, runError set).
  void fail(const std::string& why);

private:
  struct ModuleMap {
    std::uint32_t code = 0, vars = 0, consts = 0;
    std::vector<model::ProjectModule*> table;
    std::vector<const void*> procKeys;   // code blocks of its types linked so far
    bool linked = false;
  };
  struct Stack {
    std::uint32_t base = 0;   // virtual base
    std::uint32_t size = 0;
    std::uint32_t sp = 0;     // bytes in use
  };
  // Regions kept per nesting depth and rebound for each run or call: the
  // instance slots, the evaluation stack and the call frame.
  struct DepthRegions {
    std::uint32_t area[4] = {};
    std::uint32_t stack = 0, frame = 0;
    std::uint32_t areaIndex[4] = {}, stackIndex = 0;   // their region indices
    std::vector<std::uint8_t> stackMem, frameMem;
  };

  ModuleMap& mapModule(model::ProjectModule* m);
  void mapDocument(model::DocumentRecord* doc);
  bool linkProcedure(model::ProjectModule* m, const void* code, std::uint32_t length, std::string& err);
  bool relocate(Procedure& p, model::ProjectModule* m, std::string& err);
  static void classify(Procedure& p);
  const Procedure* functionAt(std::uint32_t addr);
  std::uint8_t runProcedure(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p);
  std::uint8_t runTop(model::GateRecord* gate, model::GateInstance* inst, const Procedure& p);
  void bindRegions();
  bool unbound_ = false;   // runTop has not pointed the regions at its blocks yet
  void mapInstance(model::GateRecord* gate, model::GateInstance* inst, DepthRegions& r);
  // The registers a run saves and puts back, so that runs nest.
  struct SavedRegisters {
    const Procedure* proc;
    std::size_t ip, next;
    Stack stack;
    model::GateRecord* gate;
    model::GateInstance* inst;
    bool stop, stoppedByReturn;
    std::uint8_t err;
    std::uint32_t areas[4], logic, stackArea;
  };
  SavedRegisters saveRegisters() const;
  void restoreRegisters(const SavedRegisters& s);
  // runViews: the caller took the views of areas 0..3 and of the stack.
  void execute(const Procedure& p, std::size_t ip, bool runViews = false);
  // The fast path's copy of the area table: for every area the host address
  // of its entry and the bytes readable and writable from it, and the same
  // for the top of the evaluation stack. Taken again whenever anything but a
  // fast primitive ran.
  using View = FastView;
  View views_[kAreaCount];
  View stackView_;
  std::uint32_t stackRoom_ = 0;   // bytes of the stack the fast path may fill: min(size, view)
  // The areas other than 0..3 and the stack change rarely (calls, another
  // document): their views are kept while those entries of the area table,
  // the space's generation and the regions they lie in stay the same.
  std::uint32_t viewKey_[kAreaCount] = {};
  std::uint64_t viewGen_ = ~std::uint64_t(0);
  bool viewReserved_ = true;   // one of them lies in a reserved region: always taken again
  void refreshViews(const Procedure& p, bool runViews = false) {
    // The common case of a run's start, without a call: the run's own views
    // are taken, the code names no other area and its operands are resolved.
    if (runViews && !p.usesRunFields && p.fastGen == space_.generation() && p.fastOwner == this &&
        p.fastData == p.fast.data())
      return;
    refreshAllViews(p, runViews);
  }
  void refreshAllViews(const Procedure& p, bool runViews);
  void spanView(unsigned k, bool* reserved = nullptr);
  void resolveFast(const Procedure& p);
  // Whether every access of the procedure's fast instructions fits the
  // views as they are now (then the run loop checks none of them).
  bool fastFitsAll(const Procedure& p) const;
  // The procedure's operand host addresses for the views as they are now.
  std::uint8_t* const* operandHosts(const Procedure& p);
  void step(const Instr& I);
  void doCall(const Instr& I, bool isExtern);

  // Operand helpers (bounds-checked; a failed access stops the run).
public:
  const Operand& opnd(const Instr& I, unsigned k) const { return proc_->operands[I.first + k]; }
  std::uint32_t addr(const Instr& I, unsigned k) const;
  bool rd(std::uint32_t a, void* out, std::uint32_t len);
  bool wr(std::uint32_t a, const void* in, std::uint32_t len);
  std::uint8_t* ptr(std::uint32_t a, std::uint32_t len, bool write);
  double rdReal(std::uint32_t a);
  std::int16_t rdInt(std::uint32_t a);
  std::uint16_t rdWord(std::uint32_t a);
  bool push(const void* data, std::uint32_t len);
  bool pushReal(double v) { return push(&v, 8); }
  bool pushWord(std::uint16_t v) { std::uint32_t w = v; return push(&w, 4); }
  void emptyStack() { stack_.sp = 0; }
  bool jumpTo(std::uint32_t target);
  bool stopped() const { return stop_; }
  void stop(std::uint8_t error) { stop_ = true; if (error) err_ = error; }

private:
  void opArith(const Instr& I);
  void opMove(const Instr& I);
  void opInteg(const Instr& I);
  void opDraw(const Instr& I);
  void opFile(const Instr& I);
  void opIndexCheck(const Instr& I);
  // The primitive table (threaded code: each linked instruction holds the
  // index of its primitive) and the fast primitives of single elements.
  using Prim = void (Vm::*)(const Instr&);
  static const Prim kPrims[];
  static std::uint16_t primitiveOf(const Instr& I);
  void opCall(const Instr& I) { doCall(I, false); }
  void opExtern(const Instr& I) { doCall(I, true); }
  void opReturn(const Instr& I);
  void opStop(const Instr& I) { stop_ = true; }
  void opStopError(const Instr& I) { stop(1); }
  void opNone(const Instr& I);
  void opMovR1(const Instr& I);
  void opMovI1(const Instr& I);
  void opRealBinary1(const Instr& I);
  void opRealRelation1(const Instr& I);
  void opJump(const Instr& I);
  void opJumpFalse(const Instr& I);
  void opFor(const Instr& I);
  void opInc1(const Instr& I);
  void jumpToIndex(const Instr& I, std::uint32_t target);

  std::vector<DepthRegions> depthRegions_;
  DepthRegions& regionsAt(unsigned depth) {
    if (depth < depthRegions_.size() && depthRegions_[depth].stack) return depthRegions_[depth];
    return reserveRegions(depth);
  }
  DepthRegions& reserveRegions(unsigned depth);
  // The outermost depth's evaluation stack, grown once to the largest stack
  // a procedure can have, so that it stays where it is until reset.
  std::uint8_t* outermostStack();

  AddressSpace space_;
  model::DocumentRecord* doc_ = nullptr;
  std::vector<std::uint32_t> docRegions_;
  std::map<const model::ProjectModule*, ModuleMap> modules_;
  std::unordered_map<const void*, std::unique_ptr<Procedure>> procs_;
  std::unordered_map<const void*, model::ProjectModule*> procOwner_;
  std::unordered_map<std::uint32_t, std::unique_ptr<Procedure>> functions_;
  std::unordered_map<std::uint32_t, model::ProjectModule*> codeOwner_;   // code vbase -> module
  std::vector<std::uint8_t> linkFrame_;
  std::uint32_t linkFrameBase_ = 0;
  model::ProjectModule* linking_ = nullptr;
  model::ProjectModule* lastLinked_ = nullptr;

  // Registers.
  std::uint32_t areas_[kAreaCount] = {};
  Stack stack_;
  bool stop_ = false;
  std::uint8_t err_ = 0;
  bool stoppedByReturn_ = false;
  std::vector<std::uint32_t> results_;
  const Procedure* proc_ = nullptr;
  std::size_t ip_ = 0, next_ = 0;
  model::GateRecord* gate_ = nullptr;
  model::GateInstance* inst_ = nullptr;
  unsigned depth_ = 0;
  std::uint64_t budget_ = 0, budgetLimit_ = kDefaultBudget, executed_ = 0;
  std::string lastError_;
  std::int16_t originX_ = 0, originY_ = 0;
  bool outOfBudget_ = false;
  std::map<const model::ProjectModule*, std::vector<model::ProjectModule*>> fileTables_;
  std::uint8_t logicImage_[kLogicImageSize] = {};
  std::uint8_t logicWritten_[kLogicImageSize] = {};
  std::uint32_t logicImageBase_ = 0;
  model::LogicRecord* imageOf_ = nullptr;
  model::LogicRecord* imageFull_ = nullptr;   // the logic whose whole image is filled in
  std::uint64_t linkGeneration_ = 0;
  mutable const void* lastCode_ = nullptr;     // procedureFor's last answer
  mutable const Procedure* lastProc_ = nullptr;
  void fillLogicImage();
  void fillLogicStep();
  void writeBackLogicImage();
  friend struct VmFileTable;
};

// The program's interpreter.
Vm& vm();

// The linker entry for the block library reader (same shape as the reader's
// linker hook): forgets what was linked of the module before (its code may
// have been replaced) and links it with its referenced modules by number.
bool vm_LinkCode(model::ProjectModule* module, const std::uint8_t* linkBlock, std::size_t size,
                 model::ProjectModule* const* referenced, int count);

// Forgets every compiled module of a document and detaches it; call it before
// the document (or its modules) is released.
void vm_ForgetDocument(model::DocumentRecord* doc);

// False for no gate; true for a call (kind 0) and a gate without a type;
// otherwise false when bit 1 of the type's flags is set (the gate gets no
// number and is not counted), else true.
bool gt_IsCountedGate(const model::GateRecord* gate);

// The low-bit masks of the document defaults: mask[k] has the low k bits set.
std::uint16_t lowMask(unsigned k);

} // namespace engine
