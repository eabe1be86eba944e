#pragma once
// What a progress dialog's worker reports (atomics: the worker writes status
// and progress before it clears busy; the dialog's timer reads status only
// after it saw busy at 0).
#include <atomic>

namespace kit {

struct WorkerState {
  std::atomic<int> busy{0};
  std::atomic<int> progress{0};
  std::atomic<int> status{0};
  void reset() {
    busy = 0;
    progress = 0;
    status = 0;
  }
};

} // namespace kit
