#pragma once
// Helpers shared by the operation routines of the online server library.
#include <mutex>

namespace onl32 {

// Holds the channel mutex of an operation (taken in steps that end on cancel).
struct ChannelHold {
  std::timed_mutex* m = nullptr;
  ~ChannelHold() {
    if (m) m->unlock();
  }
};

} // namespace onl32

// Inside a work routine of OnlineServer: takes the channel mutex (ending the
// routine as failed when cancelled) and holds it to the routine's end.
#define ONL32_HOLD_CHANNEL()                                   \
  ChannelHold hold_;                                           \
  if (!lockStepwise(channelMu_)) return false;                 \
  hold_.m = &channelMu_;                                       \
  if (!channelOpen_) return false
