#pragma once
// The table of callbacks that the runtime hands to the diagnosis library
// (InitZRLRTFunc). The diagnosis window reaches the software PLC's data points
// and modes only through it.
#include <cstdint>

extern "C" {

struct RuntimeFunctionTable {
  // Identity of the table: always kRuntimeFunctionTableSize (the table's size
  // in bytes on the system's original 32-bit platform); a receiver refuses any
  // other value.
  std::uint32_t size;
  // Reads a data point into buffer (size bytes); low 16 bits nonzero = done.
  int (*readValue)(const char* area, int index, void* buffer, int size);
  // Writes a data point from value (the element's own size).
  int (*writeValue)(const char* area, int index, const void* value);
  void (*setMode)(int mode);
  // The runtime's target mode in the low byte.
  int (*getMode)();
  // Asks the runtime to act: 1 close the server, 2 notify the clients.
  int (*settingsAction)(int kind);
};

} // extern "C"

inline constexpr std::uint32_t kRuntimeFunctionTableSize = 24;

// Entries of the diagnosis library (trmd001dll) that the runtime binds.
extern "C" {
using InterfaceError_Fn = int (*)(int code);
using InfoLookOut_Fn = int (*)(int code);
using InitZRLRTFunc_Fn = int (*)(const RuntimeFunctionTable* table);
using CallTrmd001Dlg_Fn = int (*)(int request);
}
