// The exported operations of ObelTool.so: plain C functions over the core.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "obeltool/obeltool.h"
#include "platform/export.h"

ZERLO_EXPORT int DeleteMStrBuf(MStrBuf* buf) { return msb::Free(buf); }
ZERLO_EXPORT double GetDLLVersion(void) { return obel::GetDLLVersion(); }
ZERLO_EXPORT int SetScreenSizeProvider(ObelScreenSizeFn fn) { return obel::SetScreenSizeProvider(fn); }
ZERLO_EXPORT int GetDefaultTargetFormat(uint8_t* format) { return obel::GetDefaultTargetFormat(format); }
ZERLO_EXPORT int SetDefaultTargetFormat(unsigned format) { return obel::SetDefaultTargetFormat(format); }
ZERLO_EXPORT int GetSoftResetTimeOut(const char* targetName) { return obel::GetSoftResetTimeOut(targetName); }
ZERLO_EXPORT int GetQuickStartStatus(void) { return obel::GetQuickStartStatus(); }
ZERLO_EXPORT int SetQuickStartStatus(int on) { return obel::SetQuickStartStatus(on); }
ZERLO_EXPORT int GetStatusBarStatus(void) { return obel::GetStatusBarStatus(); }
ZERLO_EXPORT int SetStatusBarStatus(int on) { return obel::SetStatusBarStatus(on); }
ZERLO_EXPORT int GetToolBarStatus(void) { return obel::GetToolBarStatus(); }
ZERLO_EXPORT int SetToolBarStatus(int on) { return obel::SetToolBarStatus(on); }
ZERLO_EXPORT int GetObelStartPosition(ObelRect* pos, int32_t* showState) { return obel::GetObelStartPosition(pos, showState); }
ZERLO_EXPORT int SetObelStartPosition(const ObelWindowPlacement* placement) { return obel::SetObelStartPosition(placement); }
ZERLO_EXPORT int GetStartZoom(float* zoom) { return obel::GetStartZoom(zoom); }
ZERLO_EXPORT int SetStartZoom(float zoom) { return obel::SetStartZoom(zoom); }
ZERLO_EXPORT int GetWorkSheetSize(uint16_t* width, uint16_t* height) { return obel::GetWorkSheetSize(width, height); }
ZERLO_EXPORT int SetWorkSheetSize(uint16_t width, uint16_t height) { return obel::SetWorkSheetSize(width, height); }
ZERLO_EXPORT int GetEditCursor(void) { return obel::GetEditCursor(); }
ZERLO_EXPORT int SetEditCursor(int on) { return obel::SetEditCursor(on); }
ZERLO_EXPORT int GetIOLabelStatus(void) { return obel::GetIOLabelStatus(); }
ZERLO_EXPORT int SetIOLabelStatus(int on) { return obel::SetIOLabelStatus(on); }
ZERLO_EXPORT int GetAutoRootOptions(uint8_t* on, uint16_t* nodes, uint8_t* crossText) { return obel::GetAutoRootOptions(on, nodes, crossText); }
ZERLO_EXPORT int SetAutoRootOptions(unsigned on, uint16_t nodes, unsigned crossText) { return obel::SetAutoRootOptions(on, nodes, crossText); }
ZERLO_EXPORT int GetObelLOnlineCycleTime(uint32_t* ms) { return obel::GetObelLOnlineCycleTime(ms); }
ZERLO_EXPORT int SetObelLOnlineCycleTime(uint32_t ms) { return obel::SetObelLOnlineCycleTime(ms); }
ZERLO_EXPORT int GetOffProg(void) { return obel::GetOffProg(); }
ZERLO_EXPORT int GetRemoveSysLib(void) { return obel::GetRemoveSysLib(); }
ZERLO_EXPORT int GetShowHelpNumber(void) { return obel::GetShowHelpNumber(); }
ZERLO_EXPORT int GetInsertBoxAttr(InsertBoxAttribs* attr) { return obel::GetInsertBoxAttr(attr); }
ZERLO_EXPORT int SetInsertBoxAttr(const InsertBoxAttribs* attr) { return obel::SetInsertBoxAttr(attr); }
ZERLO_EXPORT int GetObelLanguage(void) { return obel::GetObelLanguage(); }
ZERLO_EXPORT int SetObelLanguage(int language) { return obel::SetObelLanguage(language); }
ZERLO_EXPORT int SetBINPath(const void* module) { return obel::SetBINPath(module); }
ZERLO_EXPORT int SetBINPathByString(const char* pathOfFile) { return obel::SetBINPathByString(pathOfFile); }
ZERLO_EXPORT int GetBINPath(MStrBuf* out) { return obel::GetBINPath(out); }
ZERLO_EXPORT int GetPROJECTPath(MStrBuf* out) { return obel::GetPROJECTPath(out); }
ZERLO_EXPORT int GetTEMPPath(MStrBuf* out) { return obel::GetTEMPPath(out); }
ZERLO_EXPORT int GetDEVICEPath(MStrBuf* out) { return obel::GetDEVICEPath(out); }
ZERLO_EXPORT int GetTEMPLATEPath(MStrBuf* out) { return obel::GetTEMPLATEPath(out); }
ZERLO_EXPORT int GetLIBRARYPaths(int mode, MStrBuf* out) { return obel::GetLIBRARYPaths(mode, out); }
ZERLO_EXPORT int GetObelLanguagePath(MStrBuf* out, int language) { return obel::GetObelLanguagePath(out, language); }
ZERLO_EXPORT int GetPathToObelIni(MStrBuf* out) { return obel::GetPathToObelIni(out); }
ZERLO_EXPORT int GetPathToInterfaceIni(MStrBuf* out) { return obel::GetPathToInterfaceIni(out); }
ZERLO_EXPORT int GetPathToZrlTgtWinDLL(MStrBuf* out) { return obel::GetPathToZrlTgtWinDLL(out); }
ZERLO_EXPORT int GetPathToDdfReaderDLL(MStrBuf* out) { return obel::GetPathToDdfReaderDLL(out); }
ZERLO_EXPORT int GetPathToStockBarDLL(MStrBuf* out) { return obel::GetPathToStockBarDLL(out); }
ZERLO_EXPORT int GetPathToStockWinDLL(MStrBuf* out) { return obel::GetPathToStockWinDLL(out); }
ZERLO_EXPORT int GetPathToOTgtWinDLL(MStrBuf* out) { return obel::GetPathToOTgtWinDLL(out); }
ZERLO_EXPORT int GetLanguageTEMPLATEPath(MStrBuf* out, int language) { return obel::GetLanguageTEMPLATEPath(out, language); }
ZERLO_EXPORT int GetPathToLanguageHelpFile(MStrBuf* out, int language) { return obel::GetPathToLanguageHelpFile(out, language); }
ZERLO_EXPORT int GetPathToZrlServer(MStrBuf* out) { return obel::GetPathToZrlServer(out); }
ZERLO_EXPORT int GetPathToMsgWnd(MStrBuf* out) { return obel::GetPathToMsgWnd(out); }
ZERLO_EXPORT int GetPathToTrans(MStrBuf* out) { return obel::GetPathToTrans(out); }
ZERLO_EXPORT int GetPathToTransDLL(MStrBuf* out) { return obel::GetPathToTransDLL(out); }
ZERLO_EXPORT int GetPathToOAccessDLL(MStrBuf* out) { return obel::GetPathToOAccessDLL(out); }
ZERLO_EXPORT int GetPathToOMeExtraDLL(MStrBuf* out) { return obel::GetPathToOMeExtraDLL(out); }
ZERLO_EXPORT int GetPathToOnlineDLL(const char* serverName, MStrBuf* out) { return obel::GetPathToOnlineDLL(serverName, out); }
ZERLO_EXPORT int GetPathToOnlDrv(const char* serverName, MStrBuf* out) { return obel::GetPathToOnlDrv(serverName, out); }
ZERLO_EXPORT int GetPathToMsgConvDLL(int targetFormat, MStrBuf* out) { return obel::GetPathToMsgConvDLL(targetFormat, out); }
ZERLO_EXPORT int GetPathToServer(int serverNumber, MStrBuf* out) { return obel::GetPathToServer(serverNumber, out); }
ZERLO_EXPORT int GetPathToProjectZCD(MStrBuf* out) { return obel::GetPathToProjectZCD(out); }
ZERLO_EXPORT int GetPathToDDF(MStrBuf* out) { return obel::GetPathToDDF(out); }
ZERLO_EXPORT int GetPathToMAP(MStrBuf* out) { return obel::GetPathToMAP(out); }
ZERLO_EXPORT int GetPathToProjectError(MStrBuf* out) { return obel::GetPathToProjectError(out); }
ZERLO_EXPORT int GetPathToDLF(MStrBuf* out) { return obel::GetPathToDLF(out); }
ZERLO_EXPORT int GetPathToProjectZCDForInst(MStrBuf* out, int instance) { return obel::GetPathToProjectZCDForInst(out, instance); }
ZERLO_EXPORT int GetPathToProjectErrorForInst(MStrBuf* out, int instance) { return obel::GetPathToProjectErrorForInst(out, instance); }
ZERLO_EXPORT int GetPathToDDFForInst(MStrBuf* out, int instance) { return obel::GetPathToDDFForInst(out, instance); }
ZERLO_EXPORT int GetPathToDLFForInst(MStrBuf* out, int instance) { return obel::GetPathToDLFForInst(out, instance); }
ZERLO_EXPORT int GetPathToMAPForInst(MStrBuf* out, int instance) { return obel::GetPathToMAPForInst(out, instance); }
ZERLO_EXPORT int GetPathToRES(MStrBuf* out, const char* resourceName) { return obel::GetPathToRES(out, resourceName); }
ZERLO_EXPORT int GetPathToTempFile(MStrBuf* out) { return obel::GetPathToTempFile(out); }
ZERLO_EXPORT int GetServerData(int serverNumber, ServerData** data) { return obel::GetServerData(serverNumber, data); }
ZERLO_EXPORT int FreeServerData(ServerData** data) { return obel::FreeServerData(data); }
ZERLO_EXPORT int GetKXIFPort(int port, InterfacePort* out) { return obel::GetKXIFPort(port, out); }
ZERLO_EXPORT int FreeKXIFPort(InterfacePort* port) { return obel::FreeKXIFPort(port); }
ZERLO_EXPORT int GetKXIFSettings(InterfaceSettings* out) { return obel::GetKXIFSettings(out); }
ZERLO_EXPORT int SetKXIFSettings(const InterfaceSettings* in) { return obel::SetKXIFSettings(in); }
ZERLO_EXPORT int IsKXIFMinVis(void) { return obel::IsKXIFMinVis(); }
ZERLO_EXPORT int IsKXIFActive(void) { return obel::IsKXIFActive(); }
ZERLO_EXPORT int GetZrlServerName(MStrBuf* out, int templateNumber) { return obel::GetZrlServerName(out, templateNumber); }
ZERLO_EXPORT int AppendMsgLine(const char* text) { return obel::AppendMsgLine(text); }
ZERLO_EXPORT int AppendMsgFile(const char* path) { return obel::AppendMsgFile(path); }
ZERLO_EXPORT int EmptyMsgWnd(void) { return obel::EmptyMsgWnd(); }
ZERLO_EXPORT int ShowMsgProgBar(int show) { return obel::ShowMsgProgBar(show); }
ZERLO_EXPORT int InitMsgProgBar(int32_t first, int32_t second) { return obel::InitMsgProgBar(first, second); }
ZERLO_EXPORT int SetMsgProgBar(int position) { return obel::SetMsgProgBar(position); }
ZERLO_EXPORT int CloseMsgWnd(void) { return obel::CloseMsgWnd(); }
ZERLO_EXPORT int16_t DebugOutput(const char* text, const int16_t* ints, const double* reals, void* unused, const int16_t* mode, int16_t* result) { return obel::DebugOutput(text, ints, reals, unused, mode, result); }
