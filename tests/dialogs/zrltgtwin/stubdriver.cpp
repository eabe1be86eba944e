// An interface driver with a settings dialog for the tests: records its four
// arguments in the environment (STUBDRV_CALL).
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" __attribute__((visibility("default"))) int KXCallSettingsDlg(uint32_t dialog, int port, const char* ini,
                                                                        void* resources) {
  std::string v = std::to_string(dialog) + " " + std::to_string(port) + " " + (ini ? ini : "(null)") + " " +
                  (resources ? "res" : "nores");
  setenv("STUBDRV_CALL", v.c_str(), 1);
  return 1;
}
