// The service channel of the runtime: the software PLC's channel buffer,
// reached through the kernel under the kernel mutex.
#include "runtime/runtime.h"

#include <cstring>

namespace zrt {

std::uint8_t* Runtime::openServiceChannel(const char* configPath, std::uint32_t* size) {
  if (buffer_) {                      // already open: the same buffer
    if (size) *size = bufferSize_;
    return buffer_;
  }
  // Start the software PLC.
  PlcKernelApi api{};
  if (env_.loadKernel && env_.loadKernel(api) && api.complete()) {
    kernel_ = api;
    kernelBound_ = true;
  } else {
    if (env_.unloadKernel) env_.unloadKernel();
    kernel_ = PlcKernelApi{};
    kernelBound_ = false;
    return nullptr;                   // the caller fails
  }
  configPath_ = configPath ? configPath : "";
  std::string cycle = readCycleTimeText();
  {
    std::lock_guard<std::timed_mutex> lk(kernelMu_);
    DspsInitRecord rec{configPath_.c_str(), cycle.c_str()};
    kernel_.DSPS_Init(2, &rec);
  }
  startTimer(periodMsOf(cycle));

  std::uint8_t* buf = nullptr;
  std::uint32_t n = 0;
  std::uint32_t* answer = nullptr;
  std::int32_t* request = nullptr;
  {
    std::lock_guard<std::timed_mutex> lk(kernelMu_);
    kernel_.DSPS_InitSoftComm(&buf, &n, &answer, &request);
  }
  if (!buf || n == 0 || !answer || !request) {
    closeServiceChannel();
    return nullptr;
  }
  buffer_ = buf;
  bufferSize_ = n;
  answerWord_ = answer;
  requestWord_ = request;
  if (size) *size = n;
  return buf;
}

int Runtime::closeServiceChannel() {
  stopDiagnosis();
  stopTimer();
  if (kernelBound_) {
    std::unique_lock<std::timed_mutex> lk(kernelMu_, std::defer_lock);
    (void)lk.try_lock_for(env_.channelWait);
    kernel_.DSPS_DeinitSoftComm();
    kernel_.DSPS_Deinit();
  }
  buffer_ = nullptr;
  bufferSize_ = 0;
  answerWord_ = nullptr;
  requestWord_ = nullptr;
  if (kernelBound_ && env_.unloadKernel) env_.unloadKernel();
  kernel_ = PlcKernelApi{};
  kernelBound_ = false;
  if (env_.unloadDiag) env_.unloadDiag();
  return 1;
}

int Runtime::writeServiceChannel(std::uint8_t* request, std::uint32_t nMinus1) {
  if (!buffer_ || !request) return kError;
  // The request has nMinus1 + 1 bytes; it must fit in the buffer.
  if (nMinus1 >= bufferSize_) return kError;
  std::unique_lock<std::timed_mutex> lk(kernelMu_, std::defer_lock);
  if (!lk.try_lock_for(env_.channelWait)) return kBusy;
  if (*requestWord_ != 0) return kBusy;          // the previous request was not taken yet
  if (nMinus1 > 1 && request[0] == 1 && request[1] == 11) {
    // Mode TERMINAL: the runtime opens or shows its diagnosis window itself.
    lk.unlock();
    bool created;
    InfoLookOut_Fn lookOut;
    {
      std::lock_guard<std::mutex> dl(diagMu_);
      created = diagCreated_;
      lookOut = diag_.InfoLookOut;
    }
    if (created) {
      if (lookOut) lookOut(100);
    } else {
      initControlDialog();
    }
    return kDone;
  }
  if (request != buffer_) std::memmove(buffer_, request, nMinus1 + 1);
  *requestWord_ = static_cast<std::int32_t>(nMinus1 + 1);
  kernel_.DSPS_CommMultiPlex();
  return kDone;
}

int Runtime::readServiceChannel(std::uint16_t* answerLength) {
  if (!buffer_) return kError;
  std::unique_lock<std::timed_mutex> lk(kernelMu_, std::defer_lock);
  if (!lk.try_lock_for(env_.channelWait)) return kNothing;
  kernel_.DSPS_CommMultiPlex();
  std::uint32_t n = *answerWord_;
  if (n == 0) return kNothing;
  if (answerLength) *answerLength = static_cast<std::uint16_t>(n & 0xFFFFu);
  return kDone;
}

void Runtime::readServiceReady() {
  if (!answerWord_) return;
  std::unique_lock<std::timed_mutex> lk(kernelMu_, std::defer_lock);
  (void)lk.try_lock_for(env_.channelWait);
  *answerWord_ = 0;
}

} // namespace zrt
