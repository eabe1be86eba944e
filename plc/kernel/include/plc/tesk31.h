#pragma once
// The operations that the software PLC library TESK31 exports (plain C, looked
// up by name by the runtime), and the operations it expects of the interface
// library that the DRIVER setting names. Callers bind them by name with these
// function types.
#include <cstdint>

extern "C" {

// DSPS_Init's record: the configuration file path and the CYCLETIME text.
struct DspsInitRecord {
  const char* configPath;
  const char* cycleTime;
};

// D10_Init's record: the caller's module (not used), the error callback
// (receives interface error numbers, 0 when the exchange works) and the
// look-out callback.
struct D10InitRecord {
  void* module;
  int (*errorCallback)(int);
  int (*lookOutCallback)(int);
};

// Scheduler (called by the runtime: DSPS_Init once, then DSPS_Timer and
// DSPS_Run on every tick of its cycle timer).
using DSPS_Init_t = int (*)(int n, const DspsInitRecord* record);
using DSPS_Deinit_t = int (*)();
using DSPS_Timer_t = void (*)();
using DSPS_Run_t = void (*)();
using D10_Init_t = int (*)(const D10InitRecord* record);
using D10_SetDSPMode_t = int (*)(int mode);
using D10_GetDSPMode_t = std::uint8_t (*)();
using D10_GetActiveTaskState_t = std::uint16_t (*)();

// Data points: area name ("E", "A", "DW", ...), element index.
// Get copies count bytes of the element; Set copies the element's own size
// (8 for A/E/M/B, 2 for DW/PW, 4 for DF/PF/DL/PL, 18 for DT/PT).
// 1 done, 0 no such area or index outside it.
using KX1_GetDPValue_t = int (*)(const char* area, std::uint16_t index, void* dst, std::uint16_t count);
using KX1_SetDPValue_t = int (*)(const char* area, std::uint16_t index, const void* value);

// Service channel: the PLC owns a 2000-byte buffer, a request word (length of
// the waiting request, 0 = none) and an answer word (length of the waiting
// answer). The caller writes a request at the start of the buffer, sets the
// request word and calls DSPS_CommMultiPlex; the next DSPS_CommMultiPlex puts
// the answer into the buffer and sets the answer word.
using DSPS_InitSoftComm_t = void (*)(std::uint8_t** buffer, std::uint32_t* size,
                                     std::uint32_t** answerWord, std::int32_t** requestWord);
using DSPS_DeinitSoftComm_t = void (*)();
using DSPS_CommMultiPlex_t = std::uint16_t (*)();
using T12_ReadServiceChannel_t = int (*)(std::uint16_t* requestLength);
using T12_ReadServiceReady_t = void (*)();
using T12_WriteServiceChannel_t = int (*)(const std::uint8_t* source, int n);

// ---------------------------------------------------------------------------
// The interface library (outside component) that the kernel loads from the
// directory of its configuration file by the DRIVER name of the configured
// port. The images are 26 32-bit words each:
//   output image: word 0 header, then per motor m = 0..7 the pair
//                 {on (1/0), direction (1 = reverse)} at words 1 + 2m, 2 + 2m;
//   input image:  word 0 = 16 digital inputs (bit i = input i + 1);
//                 16-bit analogue inputs EX and EY at bytes 100 and 102.
inline constexpr int kKxImageWords = 26;
// 0 opened; any other value e is reported as error 600 + e.
using KXOpenDevice_t = int (*)(const char* configPath);
using KXCloseDevice_t = void (*)();
// interfaceNumber is the low byte of the interface number, or 2 for a stop request.
using KXSetData_t = int (*)(std::uint32_t* outputImage, int interfaceNumber, std::int16_t dw107);
// The result goes to the error callback unchanged (0: the exchange works).
using KXGetData_t = int (*)(std::uint32_t* inputImage, std::int16_t* dw107);
// (1, 1, int** holding 10) after opening: 0 ok, h reported as 600 + h;
// (2, 0, null) when the interface is closed (mode 8).
using KXSetup_t = int (*)(int operation, int value, void* pointer);

// The runtime's operations that the kernel looks up by name in the already
// loaded runtime library (ZerloRuntime): ChangeMMTCond(int),
// SettingsServerAction(int), InitControlDialog().
using ChangeMMTCond_t = int (*)(int kind);
using SettingsServerAction_t = int (*)(int kind);
using InitControlDialog_t = int (*)();

} // extern "C"
