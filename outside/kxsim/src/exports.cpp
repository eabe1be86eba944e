// Exports of kxsim.so: the five interface operations the software PLC binds,
// and the KXSIM_ operations through which tests drive the simulated inputs.
#include "kxsim/kxsim.h"
#include "platform/export.h"

using kxsim::device;

ZERLO_EXPORT int KXOpenDevice(const char* configPath) { return device().open(configPath); }
ZERLO_EXPORT void KXCloseDevice() { device().close(); }
ZERLO_EXPORT int KXSetData(std::uint32_t* image, int ifaceNum, std::int16_t dw107) {
  return device().setData(image, ifaceNum, dw107);
}
ZERLO_EXPORT int KXGetData(std::uint32_t* image, std::int16_t* dw107) { return device().getData(image, dw107); }
ZERLO_EXPORT int KXSetup(int op, int value, void* ptr) { return device().setup(op, value, ptr); }

ZERLO_EXPORT void KXSIM_SetDigitalInputs(unsigned bits) {
  device().setDigitalInputs(static_cast<std::uint16_t>(bits));
}
ZERLO_EXPORT void KXSIM_SetAnalogInputs(int ex, int ey) {
  device().setAnalogInputs(static_cast<std::int16_t>(ex), static_cast<std::int16_t>(ey));
}
ZERLO_EXPORT int KXSIM_GetMotor(int m, int* on, int* reverse) { return device().motor(m, on, reverse) ? 1 : 0; }
ZERLO_EXPORT int KXSIM_IsOpen() { return device().isOpen() ? 1 : 0; }
ZERLO_EXPORT void KXSIM_SetOpenResult(int r) { device().setOpenResult(r); }
ZERLO_EXPORT void KXSIM_SetSetupResult(int r) { device().setSetupResult(r); }
ZERLO_EXPORT void KXSIM_SetGetDataResult(int r) { device().setGetDataResult(r); }
ZERLO_EXPORT int KXSIM_GetCounters(int* opens, int* closes, int* sets, int* gets, int* setups) {
  kxsim::Counters c = device().counters();
  if (opens) *opens = c.opens;
  if (closes) *closes = c.closes;
  if (sets) *sets = c.sets;
  if (gets) *gets = c.gets;
  if (setups) *setups = c.setups;
  return 1;
}
ZERLO_EXPORT void KXSIM_Reset() { device().reset(); }
