#pragma once
// The pre-decoded program: every block record reachable from the task table,
// translated once into a handler, its operands and the index of the block
// that follows. Simple blocks whose operands were all proved to lie inside
// the memory run through fast handlers that read and write the arena without
// further checks; every other block runs its checked handler on the record.
// The virtual memory stays the truth: a write into a translated record (or
// a new memory size) moves the memory's generation on and the translation is
// made again before the next run step uses it.
#include "kernel.h"

#include <unordered_map>
#include <vector>

namespace plc {

struct DBlock;
struct DInfo;

// What a block handler needs while a chain runs.
struct DCtx {
  std::uint8_t* mem;            // arena bytes (offset 0 = target address kArenaBase)
  Kernel& k;
  const std::uint32_t* ops;     // operand pool of the translation
  const DBlock* blocks;
  const DInfo* info;
  Addr missAddr = 0;            // where the chain goes on after kDMiss
};

// A block handler returns the index of the next block, kDFault on a bad
// access, or kDMiss when the chain leaves the translation (missAddr).
using DFn = std::uint32_t (*)(DCtx&, const DBlock&);
inline constexpr std::uint32_t kDFault = 0xFFFFFFFFu;
inline constexpr std::uint32_t kDMiss = 0xFFFFFFFEu;

// What the chain reads for every block, in half a line of the cache: the
// handler (and a code by which the run step calls the common ones without a
// call), the next block and the operands of a fast block (JPZ: the first is
// the target's index; AND and OR of two inputs: their flags first). A fast
// block with more operands than fit (AND and OR with more inputs) keeps them
// in the pool; in[0] is where they begin.
inline constexpr std::size_t kInlineOps = 4;
struct DBlock {
  DFn fn = nullptr;
  std::uint32_t next = kDMiss;   // index of the next block
  std::uint32_t code = 0;        // 0: call fn
  std::uint32_t in[kInlineOps] = {};
};
// The rest, used when a block runs checked or the chain stops.
struct DInfo {
  Addr rec = 0;                  // address of the record
  Addr nextAddr = 0;             // its next field
  Handler checked = nullptr;     // checked handler (blocks run on the record)
};

class Decoded {
public:
  std::vector<DBlock> blocks;
  std::vector<DInfo> info;      // one per block
  std::vector<std::uint32_t> ops;
  std::unordered_map<Addr, std::uint32_t> index;
  // Sorted, merged target ranges the translation was read from.
  std::vector<std::pair<Addr, Addr>> ranges;
  std::uint64_t generation = 0;
  std::size_t memSize = 0;

  // Translates every record reachable from roots (at most maxBlocks; the
  // chain leaves the translation beyond them).
  void build(Memory& mem, const std::vector<Addr>& roots, std::size_t maxBlocks);
  std::uint32_t find(Addr a) const {
    auto it = index.find(a);
    return it == index.end() ? kDMiss : it->second;
  }
};

// Is row a block with a fast handler (for tests and the benchmark)?
bool hasFastHandler(int row);

} // namespace plc
