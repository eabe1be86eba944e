#ifndef ZRLTGTWIN_ZRLTGTWIN_H
#define ZRLTGTWIN_ZRLTGTWIN_H
/*
 * zrltgtwin: the target dialogs library (bin/zrltgtwin.so, loaded by the name
 * "ZRLTGTWIN.DLL" through plat::lib::load). It compiles, downloads and sets up
 * the interface: progress dialogs over workers that call the code generator
 * and the named server, and the client that finds or starts the server.
 *
 * Window handles are 32-bit handle ids (0 = none): owners are windows the host
 * registered (dialog kit registerOwner/attachOwner), server windows are the
 * named servers' endpoint ids. Dialog results: 1 OK, 2 Cancel, -1 not created.
 *
 * Language resources: "ZRLTGTWINRES.DLL" in the language directory, with the
 * resource ABI of the dialog kit (LoadResString, LoadResDialogText,
 * LoadResBitmap). Without it the library asks (OK: built-in English texts,
 * Cancel: the library does not load).
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ZrlWindow;

/* The identity of a project file sent with a download. */
typedef struct LoadFileIdent {
  char name[10];      /* base name up to its first dot, upper-cased, at most 8 characters, zero-filled */
  uint8_t day, month, year, hour, minute, second; /* last write, local time; year modulo 100 */
  uint32_t size;      /* bytes */
  uint8_t attribute;  /* always 0xFF */
} LoadFileIdent;

/* The compile result record (as the code generator's CgAdvResult). */
typedef struct ZrlCompileResult {
  uint32_t errors;
  uint32_t warnings;
  double memoryUse;
} ZrlCompileResult;

typedef double (*ZRTA00_GetDLLVersionFn)(void);
typedef int (*ZRTA00_SetInstanceNumberFn)(int instance);
typedef ZrlWindow (*ZRTA00_GetCurrentServerFn)(void);
typedef ZrlWindow (*ZRTA00_SetCurrentServerFn)(ZrlWindow server);
typedef void (*ZRTA00_SetProjectFilePathFn)(const char* path);
typedef int (*ZRTA01_CallCompileProgressDlgFn)(ZrlWindow owner, ZrlCompileResult* result);
typedef int (*ZRTA02_CallCompileResultDlgFn)(ZrlWindow owner);
typedef int (*ZRTA03_CallDownloadProgressDlgFn)(ZrlWindow owner);
typedef int (*ZRTA04_CallChangeInterfaceModeDlgFn)(ZrlWindow owner);
typedef int (*ZRTA04_ResetInterfaceModeFn)(void);
typedef int (*ZRTA05_CallInterfaceSettigsDlgFn)(ZrlWindow owner, int applyMode);
typedef int (*TA01_LoginByServerFn)(int kind, ZrlWindow owner);
typedef int (*TA01_LogoutByServerFn)(int kind, ZrlWindow owner);
typedef int (*TA01_TestIFConnectionFn)(ZrlWindow server);
typedef int (*TA01_GetDFFFn)(ZrlWindow server);
typedef int (*TA01_CallInterfaceDiagnoseFn)(ZrlWindow owner);
typedef int (*TA01_CallInterfaceTerminalFn)(ZrlWindow owner);

/* Exported by a port's interface driver library (outside the system): its own
 * settings dialog, owned by dialog 134 (handle id), for the port number, with
 * the interface settings file's path and the driver's resource library (a
 * plat::lib handle, or null). The result is not used. */
typedef int (*KXCallSettingsDlgFn)(ZrlWindow dialog, int port, const char* interfaceIni, void* resources);

#ifdef __cplusplus
}
#endif
#endif
