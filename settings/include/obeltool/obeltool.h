#ifndef OBELTOOL_OBELTOOL_H
#define OBELTOOL_OBELTOOL_H
/*
 * ObelTool: the settings and paths library (bin/ObelTool.so, loaded by the
 * name "OBELTOOL.DLL" through plat::lib::load).
 *
 * Every setting and path of the system lives in the initialisation files
 * OBEL.INI and INTERFACE.INI in the program directory (BIN). Path getters fill
 * a counted string (MStrBuf) that the caller passes in empty and hands back to
 * DeleteMStrBuf of the same library. Results are 1 for success and 0 for
 * failure unless a function says otherwise. No exceptions cross this boundary.
 *
 * Paths on Linux (the rules every path getter follows):
 *
 *   rule                         Linux form
 *   separators in values         "\" and "/" both accepted; "/" in every result
 *   absolute value               begins with "/" (or "\")
 *   drive-letter value           "X:" carries no meaning and is dropped; what follows counts as
 *                                relative even when it begins with "\": "C:\WORK\X.Q" -> "<base>/WORK/X.Q"
 *   relative value               resolved against BIN (output files: against TEMP)
 *   "..\" steps                  each drops the last directory of the base; more steps than the base
 *                                has directories: the value is returned unresolved
 *   ".\X"                        returned unresolved ("./X")
 *   case                         kept as written; never upper-cased as a whole. An existing file or
 *                                directory is reported with its case on disk (matched ignoring case)
 *   names the library builds     keep the system's spelling: "OBEL.INI", "INTERFACE.INI", "TMP002.Q",
 *                                extensions "ERR", "MVL", ".RES"
 *   BIN                          no trailing "/"; empty until SetBINPath (then names are relative)
 *   instance digits              three digits (n modulo 1000) before the extension's dot of the last
 *                                component: "TMP.Q", instance 2 -> "TMP002.Q"; a name without an
 *                                extension gets them at its end
 *   programs named by a setting  the Linux program when it exists ("MESSAGES.EXE" -> ".../MESSAGES":
 *                                ".EXE" dropped, case ignored), else the value as resolved
 *   libraries named by a setting the value as resolved ("CGLINK30.DLL"); plat::lib::load finds the .so
 *
 * Settings are read afresh on every call; every setter writes its key at once
 * through the platform's profile functions (locked across processes, written
 * through a temporary file and a rename, never half-written).
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The counted string record: owned text (or null), length, bytes allocated. */
typedef struct MStrBuf {
  char* text;
  int32_t length;
  int32_t capacity;
} MStrBuf;

/* A port of INTERFACE.INI. Texts allocated by the library, released by FreeKXIFPort. */
typedef struct InterfacePort {
  char* name;       /* port name, upper-cased */
  char* driver;     /* driver library file name, as written */
  int32_t maxifnum; /* highest interface number on that port */
  uint32_t flags;   /* bit 0: TYPE is ACTIVE; bit 31: SETTINGS is YES */
} InterfacePort;
#define KXIF_PORT_ACTIVE 0x1u
#define KXIF_PORT_HAS_SETTINGS 0x80000000u

/* The selection of INTERFACE.INI [SETTINGS]. */
typedef struct InterfaceSettings {
  uint32_t port;
  uint32_t ifacenum;
  uint32_t cycletime;
  uint32_t flags;   /* bit 0: MINVIS is ON */
} InterfaceSettings;
#define KXIF_MINVIS 0x1u

/* A server program of OBEL.INI [programs] "server<n>"; GetServerData/FreeServerData. */
typedef struct ServerData {
  char* key;        /* base name without directory and extension, upper-cased; its section */
  char* path;       /* the resolved path */
  char* name;       /* display name: [key] "name", else the base name */
  uint32_t options; /* [key] "options"; bit 3 (8) when the file is not a program */
} ServerData;
#define SERVERDATA_NOT_A_PROGRAM 0x8u

/* Start position of the main window (GetObelStartPosition), screen pixels. */
typedef struct ObelRect {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
} ObelRect;

/* The window placement record given to SetObelStartPosition (the layout of
 * the Windows placement record: only showCmd and the normal position count). */
typedef struct ObelPoint { int32_t x, y; } ObelPoint;
typedef struct ObelWindowRect { int32_t left, top, right, bottom; } ObelWindowRect;
typedef struct ObelWindowPlacement {
  uint32_t length;
  uint32_t flags;
  uint32_t showCmd;          /* 3: maximised */
  ObelPoint ptMinPosition;
  ObelPoint ptMaxPosition;
  ObelWindowRect rcNormalPosition;
} ObelWindowPlacement;

/* The insert box attributes, stored unchanged ("%u,%d,%d,%d,%d,%u"); 24 bytes. */
typedef struct InsertBoxAttribs {
  uint32_t a0;
  int32_t a1, a2, a3, a4;
  uint32_t a5;
} InsertBoxAttribs;

/* Screen size for the start-position rules; the host program (which has a
 * display) installs it. Returns 1 and fills width and height, or 0. Without a
 * provider the library assumes 1024 x 768. */
typedef int (*ObelScreenSizeFn)(int32_t* width, int32_t* height);

/* ---- Counted strings ---- */
int DeleteMStrBuf(MStrBuf* buf);

/* ---- Version and settings of OBEL.INI ---- */
double GetDLLVersion(void); /* 0.05 */
int SetScreenSizeProvider(ObelScreenSizeFn fn); /* null removes it; returns 1 */

int GetDefaultTargetFormat(uint8_t* format);
int SetDefaultTargetFormat(unsigned format);
int GetSoftResetTimeOut(const char* targetName);
int GetQuickStartStatus(void);
int SetQuickStartStatus(int on);
int GetStatusBarStatus(void);
int SetStatusBarStatus(int on);
int GetToolBarStatus(void);
int SetToolBarStatus(int on);
int GetObelStartPosition(ObelRect* pos, int32_t* showState); /* 1 when a stored value was read */
int SetObelStartPosition(const ObelWindowPlacement* placement);
int GetStartZoom(float* zoom);
int SetStartZoom(float zoom);
int GetWorkSheetSize(uint16_t* width, uint16_t* height);
int SetWorkSheetSize(uint16_t width, uint16_t height);
int GetEditCursor(void);
int SetEditCursor(int on);
int GetIOLabelStatus(void);
int SetIOLabelStatus(int on);
int GetAutoRootOptions(uint8_t* on, uint16_t* nodes, uint8_t* crossText);
int SetAutoRootOptions(unsigned on, uint16_t nodes, unsigned crossText);
int GetObelLOnlineCycleTime(uint32_t* ms);
int SetObelLOnlineCycleTime(uint32_t ms);
int GetOffProg(void);
int GetRemoveSysLib(void);
int GetShowHelpNumber(void);
int GetInsertBoxAttr(InsertBoxAttribs* attr);
int SetInsertBoxAttr(const InsertBoxAttribs* attr);
int GetObelLanguage(void);
int SetObelLanguage(int language);

/* ---- Directories and paths ----
 * SetBINPath(module): the argument stands for the module handle of Windows:
 *   null                  -> the directory of the running program;
 *   an address inside a loaded program or library (a function or data of
 *   it)                   -> that module's directory;
 *   an address in no loaded module (heap, stack) -> 0, BIN unchanged.
 * Text naming a directory goes through SetBINPathByString (give a file in
 * the directory, e.g. "/opt/zerlo/bin/OBEL.INI").
 * Returns 1, or 0 when no directory can be had. */
int SetBINPath(const void* module);
int SetBINPathByString(const char* pathOfFile); /* directory part of the path; always 1 */
int GetBINPath(MStrBuf* out);
int GetPROJECTPath(MStrBuf* out);
int GetTEMPPath(MStrBuf* out);
int GetDEVICEPath(MStrBuf* out);
int GetTEMPLATEPath(MStrBuf* out);
int GetLIBRARYPaths(int mode, MStrBuf* out); /* 0 first, 1 next, 2 forget */
int GetObelLanguagePath(MStrBuf* out, int language);
int GetPathToObelIni(MStrBuf* out);
int GetPathToInterfaceIni(MStrBuf* out);
int GetPathToZrlTgtWinDLL(MStrBuf* out);
int GetPathToDdfReaderDLL(MStrBuf* out);
int GetPathToStockBarDLL(MStrBuf* out);
int GetPathToStockWinDLL(MStrBuf* out);
int GetPathToOTgtWinDLL(MStrBuf* out);
int GetLanguageTEMPLATEPath(MStrBuf* out, int language);
int GetPathToLanguageHelpFile(MStrBuf* out, int language);
int GetPathToZrlServer(MStrBuf* out);
int GetPathToMsgWnd(MStrBuf* out);
int GetPathToTrans(MStrBuf* out);
int GetPathToTransDLL(MStrBuf* out);
int GetPathToOAccessDLL(MStrBuf* out);
int GetPathToOMeExtraDLL(MStrBuf* out);
int GetPathToOnlineDLL(const char* serverName, MStrBuf* out);
int GetPathToOnlDrv(const char* serverName, MStrBuf* out);
int GetPathToMsgConvDLL(int targetFormat, MStrBuf* out);
int GetPathToServer(int serverNumber, MStrBuf* out);
int GetPathToProjectZCD(MStrBuf* out);
int GetPathToDDF(MStrBuf* out);
int GetPathToMAP(MStrBuf* out);
int GetPathToProjectError(MStrBuf* out);
int GetPathToDLF(MStrBuf* out);
int GetPathToProjectZCDForInst(MStrBuf* out, int instance);
int GetPathToProjectErrorForInst(MStrBuf* out, int instance);
int GetPathToDDFForInst(MStrBuf* out, int instance);
int GetPathToDLFForInst(MStrBuf* out, int instance);
int GetPathToMAPForInst(MStrBuf* out, int instance);
int GetPathToRES(MStrBuf* out, const char* resourceName);
int GetPathToTempFile(MStrBuf* out);
int GetServerData(int serverNumber, ServerData** data);
int FreeServerData(ServerData** data);

/* ---- Interface ports of INTERFACE.INI ---- */
int GetKXIFPort(int port, InterfacePort* out);
int FreeKXIFPort(InterfacePort* port);
int GetKXIFSettings(InterfaceSettings* out);
int SetKXIFSettings(const InterfaceSettings* in);
int IsKXIFMinVis(void);
int IsKXIFActive(void);
int GetZrlServerName(MStrBuf* out, int templateNumber);

/* ---- Message window client ---- */
int AppendMsgLine(const char* text);
int AppendMsgFile(const char* path);
int EmptyMsgWnd(void);
int ShowMsgProgBar(int show);
int InitMsgProgBar(int32_t first, int32_t second);
int SetMsgProgBar(int position);
int CloseMsgWnd(void);
/* mode 0 line, 1 file, 2 empty, 3 close, 4 formatted line (ints = {n, m,
 * n values}, reals = m values; only numeric conversions are formatted). */
int16_t DebugOutput(const char* text, const int16_t* ints, const double* reals, void* unused,
                    const int16_t* mode, int16_t* result);

/* Pointer types for binders (plat::lib::symbolAs<...>). */
typedef int (*DeleteMStrBufFn)(MStrBuf*);
typedef double (*GetDLLVersionFn)(void);
typedef int (*SetBINPathFn)(const void*);
typedef int (*SetBINPathByStringFn)(const char*);
typedef int (*PathGetterFn)(MStrBuf*);               /* GetBINPath, GetTEMPPath, GetPathTo... */
typedef int (*PathGetterForInstFn)(MStrBuf*, int);    /* ...ForInst, language paths, GetZrlServerName */
typedef int (*NamedPathGetterFn)(const char*, MStrBuf*); /* GetPathToOnlineDLL, GetPathToOnlDrv */
typedef int (*NumberedPathGetterFn)(int, MStrBuf*);  /* GetPathToMsgConvDLL, GetPathToServer */
typedef int (*GetLIBRARYPathsFn)(int, MStrBuf*);
typedef int (*GetPathToRESFn)(MStrBuf*, const char*);
typedef int (*IntGetterFn)(void);                    /* flags, GetObelLanguage, GetShowHelpNumber, IsKXIF... */
typedef int (*IntSetterFn)(int);                     /* flag setters, SetObelLanguage, ShowMsgProgBar, SetMsgProgBar */
typedef int (*GetSoftResetTimeOutFn)(const char*);
typedef int (*GetDefaultTargetFormatFn)(uint8_t*);
typedef int (*SetDefaultTargetFormatFn)(unsigned);
typedef int (*GetObelStartPositionFn)(ObelRect*, int32_t*);
typedef int (*SetObelStartPositionFn)(const ObelWindowPlacement*);
typedef int (*GetStartZoomFn)(float*);
typedef int (*SetStartZoomFn)(float);
typedef int (*GetWorkSheetSizeFn)(uint16_t*, uint16_t*);
typedef int (*SetWorkSheetSizeFn)(uint16_t, uint16_t);
typedef int (*GetAutoRootOptionsFn)(uint8_t*, uint16_t*, uint8_t*);
typedef int (*SetAutoRootOptionsFn)(unsigned, uint16_t, unsigned);
typedef int (*GetObelLOnlineCycleTimeFn)(uint32_t*);
typedef int (*SetObelLOnlineCycleTimeFn)(uint32_t);
typedef int (*GetInsertBoxAttrFn)(InsertBoxAttribs*);
typedef int (*SetInsertBoxAttrFn)(const InsertBoxAttribs*);
typedef int (*GetServerDataFn)(int, ServerData**);
typedef int (*FreeServerDataFn)(ServerData**);
typedef int (*GetKXIFPortFn)(int, InterfacePort*);
typedef int (*FreeKXIFPortFn)(InterfacePort*);
typedef int (*GetKXIFSettingsFn)(InterfaceSettings*);
typedef int (*SetKXIFSettingsFn)(const InterfaceSettings*);
typedef int (*MsgTextFn)(const char*);               /* AppendMsgLine, AppendMsgFile */
typedef int (*MsgVoidFn)(void);                      /* EmptyMsgWnd, CloseMsgWnd */
typedef int (*InitMsgProgBarFn)(int32_t, int32_t);
typedef int16_t (*DebugOutputFn)(const char*, const int16_t*, const double*, void*, const int16_t*,
                                 int16_t*);
typedef int (*SetScreenSizeProviderFn)(ObelScreenSizeFn);

#ifdef __cplusplus
}
#endif

#endif /* OBELTOOL_OBELTOOL_H */
