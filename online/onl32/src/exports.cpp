// Exports of onl32.so: every OD01_ operation on the library's one server.
#include "onl32/online_server.h"
#include "platform/export.h"

namespace {
onl32::OnlineServer& server() {
  static onl32::OnlineServer s;
  return s;
}
} // namespace

ZERLO_EXPORT double OD01_GetDLLVersion() { return OD01_VERSION; }
ZERLO_EXPORT std::int32_t OD01_InitOnline(const OnlineInitRecord* rec) { return server().initOnline(rec); }
ZERLO_EXPORT void OD01_DeInitOnline() { server().deInitOnline(); }
ZERLO_EXPORT std::int32_t OD01_SetDrvOptions() { return server().setDrvOptions(); }

ZERLO_EXPORT std::int32_t OD01_LoadDDF(const char* path, std::int32_t kind) { return server().loadDDF(path, kind); }
ZERLO_EXPORT std::int32_t OD01_SetResourceAndLoadDDF(const char* res, const char* ddf, std::int32_t kind) {
  return server().setResourceAndLoadDDF(res, ddf, kind);
}
ZERLO_EXPORT std::int32_t OD01_GetMode(std::uint8_t* mode, std::int32_t kind) { return server().getMode(mode, kind); }
ZERLO_EXPORT std::int32_t OD01_SetMode(std::uint8_t mode, std::int32_t kind) { return server().setMode(mode, kind); }
ZERLO_EXPORT std::int32_t OD01_GetError(std::uint8_t* err, std::int32_t kind) { return server().getError(err, kind); }
ZERLO_EXPORT std::int32_t OD01_SetError(std::uint8_t err, std::int32_t kind) { return server().setError(err, kind); }
ZERLO_EXPORT std::int32_t OD01_GetRealTimeErrorWord(std::uint8_t* word2, std::int32_t kind) {
  return server().getRealTimeErrorWord(word2, kind);
}
ZERLO_EXPORT std::int32_t OD01_GetKernelVersion(char* text, std::int32_t size, std::int32_t kind) {
  return server().getKernelVersion(text, size, kind);
}
ZERLO_EXPORT std::int32_t OD01_GetParaMode(std::uint8_t* flag, std::int32_t kind) {
  return server().getParaMode(flag, kind);
}
ZERLO_EXPORT std::int32_t OD01_SavePara(std::int32_t kind) { return server().savePara(kind); }
ZERLO_EXPORT std::int32_t OD01_GetProgInfo(OD01_ProgInfo* info, std::int32_t kind) {
  return server().getProgInfo(info, kind);
}
ZERLO_EXPORT std::int32_t OD01_LoadDLF(OD01_DownloadRecord* rec, std::int32_t kind) {
  return server().loadDLF(rec, kind);
}
ZERLO_EXPORT std::int32_t OD01_GetMemory(OD01_MemoryRecord* rec, std::int32_t kind) {
  return server().getMemory(rec, kind);
}
ZERLO_EXPORT std::int32_t OD01_SetMemory(OD01_MemoryRecord* rec, std::int32_t kind) {
  return server().setMemory(rec, kind);
}
ZERLO_EXPORT std::int32_t OD01_GetCommandResponse(OD01_TextRecord* rec, std::int32_t kind) {
  return server().getCommandResponse(rec, kind);
}
ZERLO_EXPORT std::int32_t OD01_FTPWriteFile(OD01_TextRecord* rec, std::int32_t kind) {
  return server().ftpWriteFile(rec, kind);
}
ZERLO_EXPORT std::int32_t OD01_FTPReadFile(OD01_TextRecord* rec, std::int32_t kind) {
  return server().ftpReadFile(rec, kind);
}

ZERLO_EXPORT std::int32_t OD01_GetDevice(char* buf, std::int32_t size) { return server().getDevice(buf, size); }
ZERLO_EXPORT std::int32_t OD01_GetProcessor(char* buf, std::int32_t size) { return server().getProcessor(buf, size); }
ZERLO_EXPORT std::int32_t OD01_GetMemoryElementNumber(const char* area, std::uint32_t* count) {
  return server().getMemoryElementNumber(area, count);
}
ZERLO_EXPORT std::int32_t OD01_GetSizeAndAddressOfVarValue(OD01_VariableRef* ref) {
  return server().getSizeAndAddressOfVarValue(ref);
}
ZERLO_EXPORT std::int32_t OD01_GetMinCycleTime(std::uint32_t* ms) { return server().getMinCycleTime(ms); }
ZERLO_EXPORT std::int32_t OD01_GetTargetFormat(std::uint8_t* format) { return server().getTargetFormat(format); }
ZERLO_EXPORT std::int32_t OD01_GetComm() { return server().getComm(); }
ZERLO_EXPORT std::int32_t OD01_SetComm(std::int32_t on) { return server().setComm(on); }
ZERLO_EXPORT std::int32_t OD01_ReadValue(OD01_VariableRef* ref) { return server().readValue(ref); }
ZERLO_EXPORT std::int32_t OD01_GetSysTime(std::uint8_t* time4) { return server().getSysTime(time4); }
