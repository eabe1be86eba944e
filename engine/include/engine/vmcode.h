#pragma once
// Instruction records of compiled block code and their decoder. A code block
// starts with a u16 frame size (two bytes follow it) and holds instructions
// from byte 4 on, each a little-endian record:
//   +0 u32 opcode (0..56, 60..135, 210), +4 four unused bytes, +8 u16 element
//   count n, +10 two bytes, +12 operands, two per 12 bytes:
//   {u32 offset of operand 1, u8 tag 1, u8 tag 2, two bytes, u32 offset 2}.
// The decoder walks a block once into a side table (the block itself is never
// changed) and refuses what is not code: an unknown opcode, an instruction
// that runs past the block, a block without an end instruction (119 or 120).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// Area tags of operands. 0..18 select an entry of the area table at run time
// (0 inputs, 1 outputs, 2 extras, 3 states, 4 call frame, 5 absolute,
// 6 step block of the simulated logic, 7..17 the document's run fields,
// 18 the evaluation stack base). The others are resolved by the linker.
enum : std::uint8_t {
  kAreaInputs = 0, kAreaOutputs = 1, kAreaExtra = 2, kAreaState = 3, kAreaFrame = 4,
  kAreaAbsolute = 5, kAreaLogic = 6, kAreaRequestedStep = 7, kAreaChanged = 8, kAreaConverged = 9,
  kAreaAcceptStep = 10, kAreaIterationCounter = 11, kAreaAtTimeZero = 12, kAreaFirstIteration = 13,
  kAreaRunError = 14, kAreaRejectStep = 15, kAreaFrameRequest = 16, kAreaFrameArgument = 17,
  kAreaStack = 18, kAreaCount = 19,
  kTagOwnCode = '+',        // the procedure's own code block (jumps inside a procedure)
  kTagLinkFrame = ',', kTagModuleCode = '-', kTagModuleConst = '.', kTagModuleVars = '/',
  kTagOtherVars = '0', kTagOtherConst = '1', kTagOtherCode = '2',
  kTagImmediate = 0xFF      // decoder mark: the offset field is a value, not an address
};

struct Operand {
  std::uint32_t offset = 0;
  std::uint8_t tag = 0;
  bool relocated = false;      // the linker made it absolute (a block of a module, its own code)
};

// Bytes reachable from a host address: readable, and writable (0 for a
// read-only block).
struct FastView {
  std::uint8_t* host = nullptr;
  std::uint32_t rlen = 0, wlen = 0;
};

// An operand as the run loop's fast path reaches it: through a view and an
// offset into it. An area operand points at the interpreter's view of its
// area (the area's entry, taken per run) and keeps its offset; an operand the
// linker relocated into a module block, the link frame or the procedure's own
// code has a view of its own (the host address of the operand and the bytes
// from there, resolved again whenever the address space changed its
// mappings). Anything else (raw absolute addresses, immediates) has an empty
// view and always takes the checked path.
struct FastOperand {
  const FastView* view = nullptr;
  std::uint32_t offset = 0;
  FastView own;                  // the view of a relocated operand
};

struct Instr {
  std::uint32_t pos = 0;       // byte offset in the block
  std::uint16_t len = 0;       // byte length
  std::uint16_t n = 0;         // element count
  std::uint8_t op = 0;         // opcode (210 after an extern operand was linked)
  std::uint8_t nops = 0;       // operands, except for opcode 69 (count in nMany)
  std::uint16_t prim = 0;      // the interpreter's primitive, chosen when the code is linked
  std::uint32_t first = 0;     // index of the first operand in the procedure's operand table
  std::uint32_t nMany = 0;     // operand count of opcode 69
  std::int32_t ext = -1;       // extern number of opcode 210
  std::int32_t target = -1;    // jumps: index of the target instruction resolved at link time
  // The instructions from this one on that the run loop runs without a
  // look at the budget: this one and the straight single-element
  // instructions after it, up to and including the next other instruction
  // (a jump, a loop, a stop or anything run by its primitive). Set when linked.
  std::uint32_t run = 1;
  std::uint32_t operandCount() const { return op == 69 ? nMany : nops; }
};

// A decoded procedure: the side table of one code block (or of a function
// inside a module's code block that starts at 'start').
struct Procedure {
  std::uint32_t vbase = 0;     // virtual address of the block (start of the frame-size word)
  std::uint32_t start = 0;     // offset of the frame-size word in the block
  std::uint16_t frameSize = 0;
  std::vector<Instr> code;
  std::vector<Operand> operands;
  // Parallel to operands: the fast path's view, valid for the mapping
  // generation fastGen of the address space.
  std::vector<FastOperand> fast;
  std::uint64_t fastGen = ~std::uint64_t(0);
  const void* fastOwner = nullptr;   // the interpreter whose views the area operands point at
  const FastOperand* fastData = nullptr;   // fast.data() when resolved (a copy resolves again)
  // What the run loop's fast instructions reach through the area views,
  // summed up when the operands are resolved: per area named, the extent
  // read and the extent written (offset + length, the largest of all). When
  // every area's view holds its extents and every relocated operand fits its
  // own view (ownFit), no fast instruction of the procedure can leave its
  // view, and the run loop checks nothing per operand.
  struct FastExtent {
    std::uint8_t tag = 0;
    std::uint64_t read = 0, write = 0;
  };
  std::vector<FastExtent> fastExtents;
  bool fastOwnFit = false;
  // Parallel to operands: the host address each operand's view gives now
  // (null where its view has no host block), taken again when one of the
  // views of fastExtents' areas differs from hostKey or the operands were
  // resolved anew. The run loop reads an operand through one load; it uses
  // an address only after the access was found to fit (per procedure or per
  // instruction).
  std::vector<std::uint8_t*> hostAt;
  std::vector<std::uint32_t> hostOperands;   // the operands of the fast instructions (the only ones read)
  std::vector<FastView> hostKey;
  bool hostValid = false;
  // Decided when linked, from the instructions and their operands: whether a
  // run of this procedure can reach the simulated logic's record (area 6, a
  // raw address, or anything but the direct single-element instructions), and
  // whether its operands name any of areas 4..17 (the frame and the run
  // fields). A procedure that can do neither runs without the logic image
  // being filled and written back and without the views of those areas.
  bool reachesLogic = true;
  bool usesRunFields = true;
  // Whether a run can write the instance's input slots (area 0): any code
  // that can reach the logic's record can; other code only through the
  // destination operands of its direct instructions.
  bool writesInputs = true;
  // Instruction index at a byte offset of the block; -1 when none starts there.
  int indexAt(std::uint32_t pos) const;
};

bool isOpcode(unsigned op);
// Operand count and byte length of an instruction (count word n); false for
// an unknown opcode.
bool instrShape(unsigned op, unsigned n, unsigned& operands, unsigned& length);

// Decodes the instructions of a block from start + 4 up to and including the
// first end instruction (119, 120). Operands keep their raw tags and offsets.
bool decodeProcedure(const std::uint8_t* block, std::size_t size, std::uint32_t start, Procedure& out,
                     std::string& error);

} // namespace engine
