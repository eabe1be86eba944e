// The exported operations of TESK31: plain C, one process-wide kernel.
#include "kernel.h"

#include "platform/export.h"

namespace plc {
Kernel& globalKernel() {
  static Kernel k;
  return k;
}
} // namespace plc

using plc::globalKernel;

ZERLO_EXPORT int DSPS_Init(int n, const DspsInitRecord* record) { return globalKernel().dspsInit(n, record); }
ZERLO_EXPORT int DSPS_Deinit() { return globalKernel().dspsDeinit(); }
ZERLO_EXPORT void DSPS_Timer() { globalKernel().dspsTimer(); }
ZERLO_EXPORT void DSPS_Run() { globalKernel().dspsRun(); }
ZERLO_EXPORT int D10_Init(const D10InitRecord* record) { return globalKernel().d10Init(record); }
ZERLO_EXPORT int D10_SetDSPMode(int mode) { return globalKernel().setMode(mode); }
ZERLO_EXPORT std::uint8_t D10_GetDSPMode() { return globalKernel().getMode(); }
ZERLO_EXPORT std::uint16_t D10_GetActiveTaskState() { return globalKernel().activeTaskState(); }
ZERLO_EXPORT int KX1_GetDPValue(const char* area, std::uint16_t index, void* dst, std::uint16_t count) {
  return globalKernel().getDP(area, index, dst, count);
}
ZERLO_EXPORT int KX1_SetDPValue(const char* area, std::uint16_t index, const void* value) {
  return globalKernel().setDP(area, index, value);
}
ZERLO_EXPORT void DSPS_InitSoftComm(std::uint8_t** buffer, std::uint32_t* size, std::uint32_t** answerWord,
                                    std::int32_t** requestWord) {
  globalKernel().initSoftComm(buffer, size, answerWord, requestWord);
}
ZERLO_EXPORT void DSPS_DeinitSoftComm() { globalKernel().deinitSoftComm(); }
ZERLO_EXPORT std::uint16_t DSPS_CommMultiPlex() { return globalKernel().commMultiPlex(); }
ZERLO_EXPORT int T12_ReadServiceChannel(std::uint16_t* requestLength) {
  return globalKernel().readServiceChannel(requestLength);
}
ZERLO_EXPORT void T12_ReadServiceReady() { globalKernel().readServiceReady(); }
ZERLO_EXPORT int T12_WriteServiceChannel(const std::uint8_t* source, int n) {
  return globalKernel().writeServiceChannel(source, n);
}
