#pragma once
// The exports of lptif1NT.so, for the libraries linked against it.
// Results: 0 done, 2 port 0 (or above 0xFFFF), 7 no connection (also for
// such a port in the connection test).
#define LPTIF_API __attribute__((visibility("default")))

extern "C" {
LPTIF_API int WinNT_KXSetMotor(unsigned port, const int* record);
LPTIF_API int WinNT_KXGetEI(unsigned port, int* out);
LPTIF_API int WinNT_KXGetEX(unsigned port, void* record);
LPTIF_API int WinNT_KXGetEY(unsigned port, void* record);
LPTIF_API int WinNT_CheckIFConnection(unsigned port);
LPTIF_API int WinNT_InitHighSpeedAccess();
LPTIF_API int WinNT_DeInitHighSpeedAccess();
LPTIF_API double GetDLLVersion();
}
