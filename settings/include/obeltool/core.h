#pragma once
// The logic of ObelTool (static library `obeltool_core`). ObelTool.so exports
// these under their plain names (see obeltool.h); tests call them directly.
#include "obeltool/obeltool.h"
#include <cstdint>
#include <string>
#include <string_view>

namespace obel {

// ---- Path rules (the table in obeltool.h) ----
namespace rules {
// dir + "/" + name; an empty dir leaves the name; no second "/".
std::string buildInDir(std::string_view dir, std::string_view name);
// A value is absolute when it begins with "/" or "\" (a drive "X:" is dropped first).
bool isAbsoluteValue(std::string_view v);
// Resolves a relative value against a base directory ("..\" steps, ".\" unresolved).
std::string resolveAgainst(std::string_view base, std::string_view value);
// Absolute values unchanged (normalised), relative ones resolved; then the case on disk.
std::string resolveValue(std::string_view base, std::string_view value);
// The path with the extension of its last component replaced ("ERR").
std::string changeExtension(std::string_view path, std::string_view ext);
// Three digits of instance % 1000 before the extension's dot; instance <= 0: unchanged.
std::string insertInstanceDigits(std::string_view path, int instance);
// The existing file or directory matched ignoring case, else the path as given.
std::string onDisk(const std::string& p);
// The program to start for a program setting ("MESSAGES.EXE" -> ".../MESSAGES");
// "" when there is no such executable file.
std::string programFileFor(std::string_view path);
// Decimal conversion like the C library's atoi (blanks, sign, digits), saturated to 32 bits.
std::int32_t toInt(std::string_view s);
} // namespace rules

// ---- Process-wide state ----
std::string binPath();
void setBinPathString(std::string dir);
std::string obelIniPath();       // BIN/OBEL.INI (as on disk when it exists)
std::string interfaceIniPath();  // BIN/INTERFACE.INI
void screenSize(std::int32_t& w, std::int32_t& h);
int SetScreenSizeProvider(ObelScreenSizeFn fn);

// ---- Settings of OBEL.INI ----
double GetDLLVersion();
int GetDefaultTargetFormat(std::uint8_t* format);
int SetDefaultTargetFormat(unsigned format);
int GetSoftResetTimeOut(const char* targetName);
int GetQuickStartStatus();
int SetQuickStartStatus(int on);
int GetStatusBarStatus();
int SetStatusBarStatus(int on);
int GetToolBarStatus();
int SetToolBarStatus(int on);
int GetObelStartPosition(ObelRect* pos, std::int32_t* showState);
int SetObelStartPosition(const ObelWindowPlacement* placement);
int GetStartZoom(float* zoom);
int SetStartZoom(float zoom);
int GetWorkSheetSize(std::uint16_t* width, std::uint16_t* height);
int SetWorkSheetSize(std::uint16_t width, std::uint16_t height);
int GetEditCursor();
int SetEditCursor(int on);
int GetIOLabelStatus();
int SetIOLabelStatus(int on);
int GetAutoRootOptions(std::uint8_t* on, std::uint16_t* nodes, std::uint8_t* crossText);
int SetAutoRootOptions(unsigned on, std::uint16_t nodes, unsigned crossText);
int GetObelLOnlineCycleTime(std::uint32_t* ms);
int SetObelLOnlineCycleTime(std::uint32_t ms);
int GetOffProg();
int GetRemoveSysLib();
int GetShowHelpNumber();
int GetInsertBoxAttr(InsertBoxAttribs* attr);
int SetInsertBoxAttr(const InsertBoxAttribs* attr);
int GetObelLanguage();
int SetObelLanguage(int language);

// ---- Directories and paths ----
int SetBINPath(const void* module);
int SetBINPathByString(const char* pathOfFile);
int GetBINPath(MStrBuf* out);
int GetPROJECTPath(MStrBuf* out);
int GetTEMPPath(MStrBuf* out);
int GetDEVICEPath(MStrBuf* out);
int GetTEMPLATEPath(MStrBuf* out);
int GetLIBRARYPaths(int mode, MStrBuf* out);
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

// ---- Interface ports ----
int GetKXIFPort(int port, InterfacePort* out);
int FreeKXIFPort(InterfacePort* port);
int GetKXIFSettings(InterfaceSettings* out);
int SetKXIFSettings(const InterfaceSettings* in);
int IsKXIFMinVis();
int IsKXIFActive();
int GetZrlServerName(MStrBuf* out, int templateNumber);

// ---- Message window client (the library's one client, see msgwnd_client.h) ----
int AppendMsgLine(const char* text);
int AppendMsgFile(const char* path);
int EmptyMsgWnd();
int ShowMsgProgBar(int show);
int InitMsgProgBar(std::int32_t first, std::int32_t second);
int SetMsgProgBar(int position);
int CloseMsgWnd();
std::int16_t DebugOutput(const char* text, const std::int16_t* ints, const double* reals, void* unused,
                         const std::int16_t* mode, std::int16_t* result);
// The formatted line of DebugOutput mode 4 (for tests): only numeric
// conversions are formatted, each piece on its own and bounded.
std::string formatDebugLine(const char* text, const std::int16_t* ints, const double* reals);

} // namespace obel
