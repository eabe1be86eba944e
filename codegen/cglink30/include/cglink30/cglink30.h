#pragma once
/* cglink30: the target code generator (bin/cglink30.so, loaded by the name
 * "CGLINK30.DLL"). It translates target program text with a device
 * description into a download file, a listing and a message file.
 *
 * Argument vector (argc > 4 required):
 *   [0] path of the code generator library (written to the listing only)
 *   [1] target program text
 *   [2] listing file
 *   [3] device description file
 *   [4] download file; the preliminary file is this path with its extension
 *       replaced by "TZC" (case of the path kept)
 *   [5] message file (optional; messages are appended to it)
 *   [6] ... further target program texts, joined behind [1]
 *
 * Both entries return 1 when the run ended without errors, else 0, and only
 * after every file is closed. One run at a time per process: a second call
 * while a run is going waits for it.
 *
 * Values handed to the value converter (DDF01_ConvertStringToBin ->
 * MC01_ConvertStringToBin) use one record layout on every side of the system,
 * MC01_VariableRef of msgconv/mc01.h: area name, index, sub-element (negative:
 * none), address, size, buffer. The code generator passes address 0, the
 * element size and its buffer. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CgAdvResult {
  uint32_t errors;   /* error count of the run */
  uint32_t warnings; /* warning count of the run */
  double memoryUse;  /* share of program memory used by code, in per cent */
} CgAdvResult;

typedef int (*link_advmain_t)(int argc, char** argv, CgAdvResult* result);
typedef int (*link_main_t)(int argc, char** argv);

#ifdef __cplusplus
}
#endif
