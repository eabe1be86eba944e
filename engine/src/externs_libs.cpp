// Library-call externs: block code names a library and a function and hands
// argument addresses; the engine translates them to host pointers (null for
// addresses outside the mapped memory) and calls through engine/workers.h.
#include "engine/vm.h"
#include "engine/workers.h"

#include <atomic>
#include <string>

namespace engine {
namespace {

std::atomic<bool> gThreadsEnabled{false};

struct LibArgs {
  Vm& vm;
  std::uint32_t block;
  std::uint32_t slot(unsigned k) {
    std::uint32_t a = 0;
    vm.rd(block + 4 * k, &a, 4);
    return a;
  }
  std::string text(unsigned k) {
    std::string s;
    const std::uint32_t a = slot(k);
    for (std::uint32_t i = 0; i < 256; ++i) {
      char c = 0;
      if (!vm.space().read(a + i, &c, 1) || c == 0) break;
      s.push_back(c);
    }
    return s;
  }
  // Host pointers of slots from..from+count-1; the rest null.
  LibraryArgs hostArgs(unsigned from, unsigned count) {
    LibraryArgs out{};
    for (unsigned i = 0; i < count && i < out.size(); ++i) {
      const std::uint32_t a = slot(from + i);
      out[i] = a ? vm.space().translate(a, 1, false) : nullptr;
    }
    return out;
  }
};

} // namespace

// The extern actions flag: library calls run only while it is set.
void xt_EnableThreads() { gThreadsEnabled = true; }
void xt_DisableThreads() { gThreadsEnabled = false; }
bool xt_ThreadsEnabled() { return gThreadsEnabled; }

bool xt_CallLibraryExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock) {
  if (number < 101 || (number > 104 && number != 114 && number != 115)) return false;
  if (!gThreadsEnabled) return true;
  LibArgs a{vm, argBlock};
  switch (number) {
  case 101: case 102: xt_WorkerLibraryCall(a.text(0), a.text(1), a.hostArgs(2, 4)); break;
  case 103: xt_WorkerLibraryCall(a.text(0), a.text(1), a.hostArgs(2, 6)); break;
  case 104: xt_SyncLibraryCall(a.text(0), a.text(1), a.hostArgs(2, 6)); break;
  case 114: {
    const bool worker = vm.rdWord(a.slot(0)) & 1;
    const double id = xt_CachedLibraryCall(worker, a.text(1), a.text(2), a.hostArgs(3, 6));
    double v = id;
    vm.wr(a.slot(9), &v, 8);
    break;
  }
  case 115: {
    const bool worker = vm.rdWord(a.slot(0)) & 1;
    xt_CallByAddress(worker, vm.rdReal(a.slot(1)), a.hostArgs(2, 6));
    break;
  }
  }
  return true;
}

} // namespace engine
