// A block library for the worker tests: functions that block code calls by
// name with six pointer arguments.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/export.h"


// a0: std::atomic<int> counter to increment.
ZERLO_EXPORT void ZwCount(void* a0, void*, void*, void*, void*, void*) {
  static_cast<std::atomic<int>*>(a0)->fetch_add(1);
}
// a0: std::atomic<bool> latch; waits until it is set (bounded to 10 s), a1: counter of entries.
ZERLO_EXPORT void ZwWait(void* a0, void* a1, void*, void*, void*, void*) {
  if (a1) static_cast<std::atomic<int>*>(a1)->fetch_add(1);
  auto* latch = static_cast<std::atomic<bool>*>(a0);
  for (int i = 0; i < 10000 && !latch->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
