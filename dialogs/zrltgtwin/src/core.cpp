#include "core.h"

#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "srvclient/client.h"
#include "srvclient/launch.h"
#include "srvclient/protocol.h"
#include "texts.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace tw {

namespace {
Tool* gTool = nullptr;
}

Tool* tool() { return gTool; }
void setTool(Tool* t) { gTool = t; }

State& state() {
  static State s;
  return s;
}

std::string State::projectPath() const {
  std::lock_guard<std::mutex> lk(mu_);
  return project_;
}

void State::setProjectPath(const char* p) {
  std::lock_guard<std::mutex> lk(mu_);
  project_ = p ? p : "";
}

// ---- files ----
std::string linuxPath(const std::string& path) {
  if (path.empty()) return {};
  // Library names (".DLL") go through the platform's name rule; other files keep their names.
  std::string n = plat::path::toUpper(plat::path::extension(path)) == "DLL" ? plat::lib::linuxName(path)
                                                                            : plat::path::normalize(path);
  std::string found = plat::path::resolveExisting(n);
  return found.empty() ? n : found;
}

bool fileOpens(const std::string& path) {
  if (path.empty()) return false;
  std::ifstream f(linuxPath(path), std::ios::binary);
  return bool(f);
}

long long fileSize(const std::string& path) {
  if (path.empty()) return 0;
  std::ifstream f(linuxPath(path), std::ios::binary | std::ios::ate);
  if (!f) return 0;
  auto pos = f.tellg();
  return pos < 0 ? 0 : (long long)pos;
}

// ---- server client ----
namespace {
srv::Client clientFor(ZrlWindow server, Wait w) {
  srv::Client c(plat::ipc::nameOfId(server));
  srv::ClientTimeouts t;
  if (w == Wait::Short) {
    t.busyProbeMs = 1000;
    t.busyTotalMs = 3000;
    t.requestMs = 4000;
  }
  c.setTimeouts(t);
  return c;
}
} // namespace

std::optional<std::string> srvQuery(ZrlWindow server, const std::string& keyword, Wait w) {
  if (!server) return std::nullopt;
  srv::Client c = clientFor(server, w);
  if (!c.hasServer()) return std::nullopt;
  return c.query(keyword);
}

std::int64_t srvCommand(ZrlWindow server, const std::string& keyword, const std::string& value, Wait w) {
  if (!server) return 0;
  srv::Client c = clientFor(server, w);
  if (!c.hasServer()) return 0;
  return c.command(keyword, value);
}

int srvGetMode(ZrlWindow server) {
  auto a = srvQuery(server, "MODE");
  if (!a) return 0;
  return srv::modeOfKeyword(srv::upperAscii(*a));
}

std::int64_t srvSetMode(ZrlWindow server, int mode) {
  const char* kw = srv::keywordOfMode(mode);
  if (!kw) return 0;
  return srvCommand(server, "MODE", kw);
}

std::int64_t srvClose(ZrlWindow server) { return srvCommand(server, "CLOSE", ""); }

std::int64_t srvIdent(ZrlWindow server, const std::string& path) {
  std::int64_t r = srvCommand(server, "IDENT", path);
  return (r != 0 && fileOpens(path)) ? r : 0;
}

std::string loadValue(const std::string& path, unsigned window, unsigned message, const LoadFileIdent* id) {
  char buf[128];
  std::string v = path;
  std::snprintf(buf, sizeof buf, ",%u,%u", window, message);
  v += buf;
  if (id) {
    std::string name(id->name, strnlen(id->name, sizeof id->name));
    std::snprintf(buf, sizeof buf, ",%s %02u.%02u.%02u %02u:%02u:%02u %u %02X", name.c_str(), unsigned(id->day),
                  unsigned(id->month), unsigned(id->year), unsigned(id->hour), unsigned(id->minute),
                  unsigned(id->second), unsigned(id->size), unsigned(id->attribute));
    v += buf;
  }
  return v;
}

std::int64_t srvLoad(ZrlWindow server, const std::string& path, unsigned window, unsigned message,
                     const LoadFileIdent* ident) {
  return srvCommand(server, "LOAD", loadValue(path, window, message, ident), Wait::Long);
}

std::int64_t srvLogin(ZrlWindow server, ZrlWindow client) {
  return srvCommand(server, "LOGIN", std::to_string(client));
}

std::int64_t srvLogout(ZrlWindow server, ZrlWindow client) {
  return srvCommand(server, "LOGOUT", std::to_string(client));
}

ZrlWindow endpointId(const std::string& name) {
  if (name.empty()) return 0;
  for (auto& [id, n] : plat::ipc::liveEndpoints())
    if (plat::path::sameIgnoringCase(n, name)) return id;
  return 0;
}

bool serverIdentity(int kind, std::string& cls, std::string& title) {
  cls.clear();
  title.clear();
  Tool* t = tool();
  if (!t) return false;
  std::string prog;
  if (!t->serverPath(prog)) return false;
  cls = srv::serverClassFromPath(prog);
  t->serverName(title, kind == 0 ? 2 : 1);
  return !cls.empty() && !title.empty();
}

ZrlWindow srvFind(int kind) {
  std::string cls, title;
  if (!serverIdentity(kind, cls, title)) return 0;
  return endpointId(srv::find(cls, title));
}

ZrlWindow srvFindOrStart(int kind) {
  std::string cls, title;
  if (!serverIdentity(kind, cls, title)) return 0;
  if (ZrlWindow w = endpointId(srv::find(cls, title))) return w;
  std::string prog, ini;
  Tool* t = tool();
  if (!t->serverPath(prog) || !t->interfaceIni(ini) || prog.empty() || ini.empty()) return 0;
  return endpointId(srv::findOrStart(prog, title, ini));
}

void srvShutdown(int kind) {
  std::string cls, title;
  if (!serverIdentity(kind, cls, title)) return;
  std::string ep = srv::find(cls, title);
  if (!ep.empty()) srv::shutdown(ep);
}

int srvFileIdent(const std::string& path, LoadFileIdent& out) {
  out = LoadFileIdent{};
  if (path.empty()) return 0;
  std::string file = linuxPath(path);
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  // No short names here: the base name up to its first dot, upper-cased, at most 8 characters.
  std::string base = plat::path::baseName(plat::path::normalize(path));
  base = base.substr(0, base.find('.'));
  if (base.size() > 8) base.resize(8);
  for (std::size_t i = 0; i < base.size(); ++i)
    out.name[i] = char(std::toupper(static_cast<unsigned char>(base[i])));
  std::tm tm{};
  time_t mt = st.st_mtime;
  localtime_r(&mt, &tm);
  out.day = uint8_t(tm.tm_mday);
  out.month = uint8_t(tm.tm_mon + 1);
  out.year = uint8_t(tm.tm_year % 100);
  out.hour = uint8_t(tm.tm_hour);
  out.minute = uint8_t(tm.tm_min);
  out.second = uint8_t(tm.tm_sec);
  out.size = uint32_t(st.st_size);
  out.attribute = 0xFF;
  return 1;
}

// ---- exports' logic ----
int loginByServer(int kind, ZrlWindow owner) {
  state().lastOwner = owner;
  ZrlWindow w = srvFindOrStart(kind);
  if (!w) return 0;
  state().currentServer = w;
  return int(srvLogin(w, owner));
}

int logoutByServer(int kind, ZrlWindow owner) {
  state().lastOwner = owner;
  ZrlWindow w = srvFind(kind);
  if (!w) return 1;
  state().currentServer = w;
  return int(srvLogout(w, owner));
}

int testIFConnection(ZrlWindow server) {
  if (!server) return 0;
  int before = srvGetMode(server);
  if (srvSetMode(server, 9) == 0) return 0;
  if (before) srvSetMode(server, before);
  return 1;
}

int getDFF(ZrlWindow server) {
  std::string path;
  Tool* t = tool();
  if (!server || !t || !t->ddf(path) || path.empty()) return 0;
  std::remove(linuxPath(path).c_str());
  return int(srvIdent(server, path));
}

bool interfaceDiagnose(ZrlWindow owner) {
  ZrlWindow w = srvFind(0);
  if (!w) {
    w = srvFindOrStart(0);
    if (w) srvLogin(w, owner);
  }
  if (!w) return false;
  srvSetMode(w, 7);
  return true;
}

bool interfaceTerminal() {
  ZrlWindow w = srvFind(0);
  if (!w) return false;
  srvSetMode(w, 11);
  return true;
}

void resetInterfaceMode() {
  State& s = state();
  int flags = s.modeFlags;
  ZrlWindow cur = s.currentServer;
  if (flags & kFlagLoggedIn) {
    ZrlWindow from = cur ? cur : srvFind(1);
    if (from) srvLogout(from, s.lastOwner);
  }
  if (flags & kFlagLoader) srvShutdown(1);
  ZrlWindow online = srvFind(0);
  s.currentServer = online;
  if ((flags & kFlagAkxi) && online) srvSetMode(online, 9);
  s.modeFlags = 0;
}

// ---- workers ----
void compileWorker(kit::WorkerState& st, ZrlCompileResult* result) {
  st.status = kCompileStart;
  st.progress = 5;
  Tool* t = tool();
  int inst = state().instance;
  std::string dll, zcd, map, ddf, dlf, err;
  bool paths = t && t->transDll(dll) && fileOpens(dll) && t->projectZcd(zcd, inst) && fileOpens(zcd) &&
               t->map(map, inst) && t->ddf(ddf) && fileOpens(ddf) && t->dlf(dlf, inst);
  if (paths) std::remove(linuxPath(dlf).c_str());
  paths = paths && t->projectError(err, inst);
  if (paths) std::remove(linuxPath(err).c_str());
  if (paths) {
    st.status = kCompilerLoad;
    plat::lib::Handle h = plat::lib::load(dll);
    using LinkFn = int (*)(int, char**, ZrlCompileResult*);
    auto link = h ? plat::lib::symbolAs<LinkFn>(h, "link_advmain") : nullptr;
    if (link) {
      st.status = kCompileFailed;
      st.progress = 10;
      if (result) *result = ZrlCompileResult{};
      std::string args[6] = {dll, zcd, map, ddf, dlf, err};
      char* argv[7];
      for (int i = 0; i < 6; ++i) argv[i] = args[i].data();
      argv[6] = nullptr;
      if (link(6, argv, result) != 0) {
        st.status = 0;
        st.progress = 100;
      }
    }
    if (h) plat::lib::unload(h);
  }
  st.busy = 0;
}

void downloadWorker(kit::WorkerState& st, ZrlWindow progressWindow) {
  st.status = kNoDownloadFile;
  Tool* t = tool();
  std::string dlf;
  if (!t || !t->dlf(dlf, state().instance) || fileSize(dlf) <= 0) {
    st.busy = 0;
    return;
  }
  st.status = kNoConnection;
  ZrlWindow server = state().currentServer;
  if (!server || srvGetMode(server) == 0) {
    st.busy = 0;
    return;
  }
  LoadFileIdent ident{};
  bool haveIdent = false;
  std::string project = state().projectPath();
  if (!project.empty()) haveIdent = srvFileIdent(project, ident) == 1;
  st.status = kDownloadFailed;
  if (srvLoad(server, dlf, progressWindow, 1025, haveIdent ? &ident : nullptr) != 0) st.status = 0;
  st.busy = 0;
}

void modeChangeWorker(kit::WorkerState& st) {
  State& s = state();
  ZrlWindow cur = s.currentServer;
  s.modeFlags = 0;
  st.status = kNoConnection;
  st.progress = 0;
  bool ok = false;
  if (cur && srvSetMode(cur, 8) != 0) {
    st.progress = 25;
    s.modeFlags |= kFlagAkxi;
    st.status = kLoaderStart;
    if (ZrlWindow loader = srvFindOrStart(1)) {
      s.modeFlags |= kFlagLoader;
      s.currentServer = loader;
      st.progress = 50;
      st.status = kLoaderStart;
      if (srvLogin(loader, s.lastOwner) != 0) {
        st.progress = 75;
        s.modeFlags |= kFlagLoggedIn;
        st.status = kNoConnection;
        if (getDFF(loader) != 0) {
          st.progress = 100;
          st.status = 0;
          ok = true;
        }
      }
    }
  }
  if (!ok) resetInterfaceMode();
  st.busy = 0;
}

// ---- interface settings ----
std::vector<PortEntry> portList(const std::string& noPortName) {
  std::vector<PortEntry> v;
  Tool* t = tool();
  for (int n = 1; t && n < 1000; ++n) {
    InterfacePort p{};
    if (!t->port(n, p)) break;
    PortEntry e;
    e.number = n;
    e.name = p.name ? p.name : "";
    e.driver = p.driver ? p.driver : "";
    e.maxIf = p.maxifnum;
    e.flags = p.flags;
    t->freePort(p);
    v.push_back(std::move(e));
  }
  PortEntry none;
  none.name = noPortName;
  v.push_back(none);
  return v;
}

bool clampOnOpen(InterfaceSettings& s, const PortEntry* e) {
  InterfaceSettings before = s;
  s.port = e ? unsigned(e->number) : 0u;
  unsigned maxIf = e ? unsigned(std::max(e->maxIf, 0)) : 0u;
  if (s.ifacenum > maxIf) s.ifacenum = maxIf;
  if (s.cycletime < 10) s.cycletime = 10;
  unsigned lim = cycleLimit(e ? e->maxIf : 0);
  if (s.cycletime > lim) s.cycletime = lim;
  return before.port != s.port || before.ifacenum != s.ifacenum || before.cycletime != s.cycletime;
}

Verdict validate(const PortEntry* e, int chosen, const std::string& text, bool minVis, InterfaceSettings& out) {
  out = InterfaceSettings{};
  Verdict v;
  if (!e) return {kSelectPort, {}, 1002};
  out.port = unsigned(e->number);
  if (e->maxIf == 0) {
    out.ifacenum = 0;
  } else {
    if (chosen <= 0) return {kOneInterface, {}, 1003};
    if (chosen > e->maxIf) return {kTooManyInterfaces, {unsigned(e->maxIf)}, 1003};
    out.ifacenum = unsigned(chosen);
  }
  unsigned lim = cycleLimit(e->maxIf);
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i == text.size()) return {kCycleRange, {10, lim}, 1004};
  unsigned long long n = 0;
  bool tooBig = false;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (text[j] < '0' || text[j] > '9') return {kCycleRange, {10, lim}, 1004};
    if (n <= 0xFFFFFFFFull) n = n * 10 + unsigned(text[j] - '0');
    if (n > 0xFFFFFFFFull) tooBig = true;
  }
  if (!tooBig && n <= 9) return {kCycleLow, {10}, 1004};
  if (tooBig || n > lim) return {kCycleHigh, {lim}, 1004};
  out.cycletime = unsigned(n);
  if (minVis) out.flags |= KXIF_MINVIS;
  return v;
}

unsigned applySettings(const InterfaceSettings& s, int applyMode) {
  Tool* t = tool();
  if (!t) return kNoConnection;
  if (applyMode == 0) {
    t->writeSettings(s);
    return 0;
  }
  if (srvFind(1)) return kWhileDownloading;
  if (ZrlWindow online = srvFind(0)) {
    int mode = srvGetMode(online);
    if (mode == 1 || mode == 6) return kWhileRunning;
    t->writeSettings(s);
    srvSetMode(online, 10);
    return 0;
  }
  t->writeSettings(s);
  return 0;
}

std::string driverResourcePath(const std::string& dir, const std::string& driver) {
  if (dir.empty() || driver.empty()) return {};
  std::string base = driver;
  auto dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  std::string name = base + "RES.DLL";
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  char last = dir.back();
  return dir + ((last == '/' || last == '\\') ? "" : "/") + name;
}

} // namespace tw
