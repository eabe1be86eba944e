// Directories and file paths: fixed names in BIN, values of OBEL.INI resolved
// against BIN (the project's output files against TEMP), language folders.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace obel {

namespace {

std::string readKey(const std::string& section, const char* key, const char* def) {
  return plat::profile::getString(obelIniPath(), section, key, def);
}

int deliver(MStrBuf* out, const std::string& s) {
  if (!out) return 0;
  return msb::FromString(out, s);
}

// A fixed file name in BIN.
int binFile(MStrBuf* out, const char* name) {
  if (!out) return 0;
  return deliver(out, rules::onDisk(rules::buildInDir(binPath(), name)));
}

// A value of OBEL.INI resolved against BIN; 0 when the value is empty.
int valuePath(MStrBuf* out, const std::string& section, const char* key, const char* def) {
  if (!out) return 0;
  msb::Init(out);
  std::string v = readKey(section, key, def);
  if (v.empty()) return 0;
  return deliver(out, rules::resolveValue(binPath(), v));
}

bool tempDir(std::string& dir) {
  MStrBuf b{};
  int r = obel::GetTEMPPath(&b);
  dir = msb::ToString(&b);
  msb::Free(&b);
  return r == 1 && !dir.empty();
}

// A program named by a setting: the Linux program when there is one
// ("ONL32NS.EXE" is the program ONL32NS), else the value as resolved.
int programPath(MStrBuf* out, const std::string& section, const char* key, const char* def) {
  int r = valuePath(out, section, key, def);
  if (r != 1) return r;
  std::string p = rules::programFileFor(msb::ToString(out));
  if (p.empty()) return r;
  msb::Free(out);
  return deliver(out, p);
}

// A value of [TARGET] resolved against TEMP.
int targetFile(MStrBuf* out, const char* key, const char* def) {
  if (!out) return 0;
  msb::Init(out);
  std::string temp;
  std::string v = readKey("TARGET", key, def);
  if (v.empty()) return 0;
  if (!rules::isAbsoluteValue(v) && !tempDir(temp)) return 0;
  return deliver(out, rules::resolveValue(temp, v));
}

std::string targetPath(int (*getter)(MStrBuf*), bool& ok) {
  MStrBuf b{};
  ok = getter(&b) == 1;
  std::string s = msb::ToString(&b);
  msb::Free(&b);
  return s;
}

int withExtension(MStrBuf* out, const char* ext) {
  if (!out) return 0;
  msb::Init(out);
  bool ok;
  std::string zcd = targetPath(&obel::GetPathToProjectZCD, ok);
  if (!ok) return 0;
  return deliver(out, rules::changeExtension(zcd, ext));
}

int forInst(MStrBuf* out, int instance, int (*plain)(MStrBuf*)) {
  if (!out) return 0;
  msb::Init(out);
  bool ok;
  std::string p = targetPath(plain, ok);
  if (!ok) return 0;
  return deliver(out, rules::insertInstanceDigits(p, instance));
}

// The LIBRARIES list and its cursor, kept between calls.
std::mutex g_libMu;
std::string g_libList;
std::size_t g_libCursor = 0;
bool g_libHave = false;

} // namespace

int GetBINPath(MStrBuf* out) {
  if (!out) return 1;
  msb::FromString(out, binPath());
  return 1;
}

int GetPROJECTPath(MStrBuf* out) { return valuePath(out, "DIR", "PROJECT", "..\\PROJECT"); }
int GetTEMPPath(MStrBuf* out) { return valuePath(out, "DIR", "TEMP", "..\\TEMP"); }
int GetDEVICEPath(MStrBuf* out) { return valuePath(out, "DIR", "DEVICE", "..\\DEVICE"); }
int GetTEMPLATEPath(MStrBuf* out) { return valuePath(out, "DIR", "TEMPLATE", "..\\TEMPLATE"); }

int GetLIBRARYPaths(int mode, MStrBuf* out) {
  std::lock_guard<std::mutex> l(g_libMu);
  if (mode == 2) {
    g_libList.clear();
    g_libCursor = 0;
    g_libHave = false;
    return 1;
  }
  if (mode != 0 && mode != 1) return 1;
  if (mode == 0) {
    g_libList = readKey("DIR", "LIBRARIES", "..\\LIB");
    g_libCursor = 0;
    g_libHave = true;
  }
  if (out) msb::Init(out);
  if (!g_libHave) return 0;
  std::size_t& i = g_libCursor;
  while (i < g_libList.size() && (g_libList[i] == ' ' || g_libList[i] == '\t')) ++i;
  if (i >= g_libList.size()) return 0;
  std::size_t end = g_libList.find(';', i);
  std::string entry = g_libList.substr(i, end == std::string::npos ? std::string::npos : end - i);
  i = end == std::string::npos ? g_libList.size() : end + 1;
  if (!out) return 1;
  return deliver(out, rules::resolveValue(binPath(), entry));
}

int GetObelLanguagePath(MStrBuf* out, int language) {
  if (!out || language < 1 || language > 7) return 0;
  msb::Init(out);
  std::string bin = binPath();
  std::string entry = readKey("LANGUAGES", std::to_string(language).c_str(), "");
  if (entry.empty()) {
    deliver(out, bin.empty() ? std::string() : rules::buildInDir(bin, ""));
    return 0;
  }
  return deliver(out, rules::onDisk(rules::buildInDir(bin, plat::path::normalize(entry))));
}

static int inLanguageFolder(MStrBuf* out, int language, const char* name) {
  if (!out) return 0;
  MStrBuf folder{};
  obel::GetObelLanguagePath(&folder, language);  // the folder whatever the result
  std::string dir = msb::ToString(&folder);
  msb::Free(&folder);
  msb::Init(out);
  deliver(out, rules::onDisk(rules::buildInDir(dir, name)));
  return 1;
}

int GetLanguageTEMPLATEPath(MStrBuf* out, int language) { return inLanguageFolder(out, language, "TEMPLATE"); }
int GetPathToLanguageHelpFile(MStrBuf* out, int language) { return inLanguageFolder(out, language, "ZERLO.HLP"); }

int GetPathToObelIni(MStrBuf* out) { return binFile(out, "OBEL.INI"); }
int GetPathToInterfaceIni(MStrBuf* out) { return binFile(out, "INTERFACE.INI"); }
int GetPathToZrlTgtWinDLL(MStrBuf* out) { return binFile(out, "ZRLTGTWIN.DLL"); }
int GetPathToDdfReaderDLL(MStrBuf* out) { return binFile(out, "DDFREADER.DLL"); }
int GetPathToStockBarDLL(MStrBuf* out) { return binFile(out, "STOCKBARS.DLL"); }
int GetPathToStockWinDLL(MStrBuf* out) { return binFile(out, "STOCKWIN.DLL"); }
int GetPathToOTgtWinDLL(MStrBuf* out) { return binFile(out, "OTGTWin.DLL"); }

int GetPathToZrlServer(MStrBuf* out) { return programPath(out, "PROGRAMS", "SERVER", "ONL32NS.EXE"); }
int GetPathToMsgWnd(MStrBuf* out) { return programPath(out, "PROGRAMS", "MSGWND", "MESSAGES.EXE"); }
int GetPathToTrans(MStrBuf* out) { return programPath(out, "PROGRAMS", "TRANS", "CGLINK32.EXE"); }
int GetPathToTransDLL(MStrBuf* out) { return valuePath(out, "DLL", "TRANS", "CGLINK30.DLL"); }
int GetPathToOAccessDLL(MStrBuf* out) { return valuePath(out, "DLL", "ACCESS", ""); }
int GetPathToOMeExtraDLL(MStrBuf* out) { return valuePath(out, "DLL", "EXTRA", ""); }

int GetPathToOnlineDLL(const char* serverName, MStrBuf* out) {
  if (!serverName || !*serverName) { msb::Init(out); return 0; }
  return valuePath(out, serverName, "DLL", "ONL32.DLL");
}

// The serial online driver library lies outside the system; this is the
// file name it is expected under when a server section names none.
int GetPathToOnlDrv(const char* serverName, MStrBuf* out) {
  if (!serverName || !*serverName) { msb::Init(out); return 0; }
  return valuePath(out, serverName, "comm", "ONLSER32.DLL");
}

int GetPathToMsgConvDLL(int targetFormat, MStrBuf* out) {
  return valuePath(out, "msgconv", std::to_string(targetFormat).c_str(), "");
}

// There is no registry here, so no server path is taken from one: every
// value is resolved against BIN.
int GetPathToServer(int serverNumber, MStrBuf* out) {
  if (!out) return 0;
  msb::Init(out);
  if (serverNumber < 1) return 0;
  return programPath(out, "programs", ("server" + std::to_string(serverNumber)).c_str(), "");
}

int GetPathToProjectZCD(MStrBuf* out) { return targetFile(out, "UPDATE", "TMP.Q"); }
int GetPathToDDF(MStrBuf* out) { return targetFile(out, "ATT", "TMP.ATT"); }
int GetPathToMAP(MStrBuf* out) { return targetFile(out, "LST", "TMP.LST"); }
int GetPathToProjectError(MStrBuf* out) { return withExtension(out, "ERR"); }
int GetPathToDLF(MStrBuf* out) { return withExtension(out, "MVL"); }
int GetPathToProjectZCDForInst(MStrBuf* out, int n) { return forInst(out, n, &obel::GetPathToProjectZCD); }
int GetPathToProjectErrorForInst(MStrBuf* out, int n) { return forInst(out, n, &obel::GetPathToProjectError); }
int GetPathToDDFForInst(MStrBuf* out, int n) { return forInst(out, n, &obel::GetPathToDDF); }
int GetPathToDLFForInst(MStrBuf* out, int n) { return forInst(out, n, &obel::GetPathToDLF); }
int GetPathToMAPForInst(MStrBuf* out, int n) { return forInst(out, n, &obel::GetPathToMAP); }

int GetPathToRES(MStrBuf* out, const char* resourceName) {
  if (!out) return 0;
  msb::Init(out);
  if (!resourceName) return 0;
  MStrBuf dev{};
  int r = obel::GetDEVICEPath(&dev);
  std::string dir = msb::ToString(&dev);
  msb::Free(&dev);
  if (r != 1) return 0;
  return deliver(out, rules::onDisk(rules::buildInDir(dir, std::string(resourceName) + ".RES")));
}

// A new empty file "TMPxxxxxx" in TEMP; the TEMP directory is created when
// it does not exist yet.
int GetPathToTempFile(MStrBuf* out) {
  if (!out) return 0;
  msb::Init(out);
  std::string dir;
  if (!tempDir(dir)) return 0;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string templ = rules::buildInDir(dir, "TMPXXXXXX");
  std::string buf = templ;
  int fd = ::mkstemp(buf.data());
  if (fd < 0) return 0;
  ::close(fd);
  if (!deliver(out, buf)) {
    ::unlink(buf.c_str());
    return 0;
  }
  return 1;
}

static char* dupString(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

int FreeServerData(ServerData** data) {
  if (!data || !*data) return 0;
  std::free((*data)->key);
  std::free((*data)->path);
  std::free((*data)->name);
  std::free(*data);
  *data = nullptr;
  return 0;
}

int GetServerData(int serverNumber, ServerData** data) {
  if (!data) return 0;
  *data = nullptr;
  MStrBuf p{};
  int r = obel::GetPathToServer(serverNumber, &p);
  std::string path = msb::ToString(&p);
  msb::Free(&p);
  if (r != 1 || path.empty()) return 0;
  auto* d = static_cast<ServerData*>(std::calloc(1, sizeof(ServerData)));
  if (!d) return 0;
  std::string base = plat::path::baseName(path);
  std::string ext = plat::path::toUpper(plat::path::extension(base));
  std::string key = plat::path::toUpper(ext.empty() ? base : base.substr(0, base.size() - ext.size() - 1));
  std::string name = readKey(key, "name", "");
  if (name.empty()) name = key;
  d->key = dupString(key);
  d->path = dupString(path);
  d->name = dupString(name);
  d->options = static_cast<std::uint32_t>(rules::toInt(readKey(key, "options", "0")));
  // A server that is not a program (a library) is marked; on this system a
  // program has no extension or the system's "EXE".
  if (!ext.empty() && ext != "EXE") d->options |= SERVERDATA_NOT_A_PROGRAM;
  if (!d->key || !d->path || !d->name) {
    obel::FreeServerData(&d);
    return 0;
  }
  *data = d;
  return 1;
}

} // namespace obel
