#include "fake_target.h"

#include <cstring>
#include <fstream>

namespace fake {

Target* g_target = nullptr;
Reader* g_reader = nullptr;

namespace {
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Channel operations.
std::uint8_t* open(const char*, std::uint32_t* size, int) {
  if (!g_target) return nullptr;
  ++g_target->opens;
  *size = g_target->size;
  return g_target->buf;
}
int close(int) {
  ++g_target->closes;
  return 1;
}
int install(const char*) {
  ++g_target->installs;
  return 0;
}
int write(std::uint8_t* req, std::uint32_t n, int) {
  Target& t = *g_target;
  std::lock_guard<std::mutex> lk(t.mu);
  if (t.busyForever) return 2;
  if (t.busyWrites > 0) {
    --t.busyWrites;
    return 2;
  }
  if (t.writeResult != 0) return t.writeResult;
  if (req != t.buf) std::memmove(t.buf, req, n + 1);
  t.handle(n + 1);
  return 0;
}
int read(std::uint16_t* n, int) {
  Target& t = *g_target;
  std::lock_guard<std::mutex> lk(t.mu);
  if (t.neverAnswer || t.answerLen == 0) return 3;
  *n = t.answerLen;
  return 0;
}
void ready(int) {
  std::lock_guard<std::mutex> lk(g_target->mu);
  g_target->answerLen = 0;
}
void serverInfo(std::uint32_t* w, ZrlClientNode**) { g_target->serverWindow = w; }

// Reader operations.
double ddfVersion() { return 2.007; }
std::int16_t ddfOpen(const char* path) {
  Reader& r = *g_reader;
  ++r.openCount;
  std::ifstream f(path, std::ios::binary);
  r.opened = static_cast<bool>(f);
  r.openedPath = path;
  return r.opened ? 1 : 0;
}
std::int16_t ddfClose() {
  g_reader->opened = false;
  return 1;
}
std::int16_t ddfFileVersion(std::uint16_t* v) {
  if (!g_reader->opened) return 0;
  *v = static_cast<std::uint16_t>(g_reader->version);
  return 1;
}
std::int16_t ddfFormat(std::uint8_t* f) {
  *f = 2;
  return 1;
}
std::int16_t ddfDevice(char* buf, std::int32_t len) {
  const char* n = "FAKE";
  std::int32_t k = std::min<std::int32_t>(4, len - 1);
  if (buf) {
    std::memcpy(buf, n, static_cast<std::size_t>(k));
    buf[k] = 0;
  }
  return static_cast<std::int16_t>(k);
}
std::int16_t ddfProgInfo(std::uint32_t* a, std::uint32_t* s) {
  if (a) *a = g_reader->progInfoAddr;
  if (s) *s = g_reader->progInfoLen;
  return 1;
}
std::int16_t ddfMinCycle(std::uint32_t* ms) {
  *ms = 10;
  return 1;
}
std::int16_t ddfElements(const char*, std::uint32_t* c) {
  *c = 100;
  return 1;
}
std::int16_t ddfVar(DdfVarQuery* q) {
  if (std::strcmp(q->name, "DW") != 0) return 0;
  q->address = 0x10000 + 2 * static_cast<std::uint32_t>(q->index);
  q->size = 2;
  return 1;
}
std::int16_t ddfConvert(std::uint32_t v, unsigned char* out, std::int32_t len) {
  if (!out || len < 4) return 0;
  put32(out, v);
  return 1;
}
std::int32_t ddfResources(unsigned char* buf, std::int32_t size, const char*) {
  if (size < 30) return 0;
  std::memset(buf, 0xAB, 30);
  return 30;
}

std::map<std::string, void*> symbols() {
  return {
      {"OpenServiceChannel", reinterpret_cast<void*>(&open)},
      {"CloseServiceChannel", reinterpret_cast<void*>(&close)},
      {"InstallHardware", reinterpret_cast<void*>(&install)},
      {"ReadServiceChannel", reinterpret_cast<void*>(&read)},
      {"ReadServiceReady", reinterpret_cast<void*>(&ready)},
      {"WriteServiceChannel", reinterpret_cast<void*>(&write)},
      {"SettingsServerInfo", reinterpret_cast<void*>(&serverInfo)},
      {"DDF01_GetDLLVersion", reinterpret_cast<void*>(&ddfVersion)},
      {"DDF01_Open", reinterpret_cast<void*>(&ddfOpen)},
      {"DDF01_Close", reinterpret_cast<void*>(&ddfClose)},
      {"DDF01_GetFileVersion", reinterpret_cast<void*>(&ddfFileVersion)},
      {"DDF01_GetTargetFormat", reinterpret_cast<void*>(&ddfFormat)},
      {"DDF01_GetDevice", reinterpret_cast<void*>(&ddfDevice)},
      {"DDF01_GetProzessorTyp", reinterpret_cast<void*>(&ddfDevice)},
      {"DDF01_GetProgInfo", reinterpret_cast<void*>(&ddfProgInfo)},
      {"DDF01_GetMinCycleTime", reinterpret_cast<void*>(&ddfMinCycle)},
      {"DDF01_GetMemoryElementNumber", reinterpret_cast<void*>(&ddfElements)},
      {"DDF01_GetVarSizeAndAddress", reinterpret_cast<void*>(&ddfVar)},
      {"DDF01_ConvertDLBlockStartAddressToBin", reinterpret_cast<void*>(&ddfConvert)},
      {"DDF01_BuildResourceRequest", reinterpret_cast<void*>(&ddfResources)},
  };
}
} // namespace

void Target::handle(std::size_t len) {
  std::vector<std::uint8_t> req(buf, buf + len);
  requests.push_back(req);
  answerLen = 0;
  auto memAt = [this](std::uint32_t a) -> std::uint8_t* {
    if (a < memBase || a - memBase >= mem.size()) return nullptr;
    return mem.data() + (a - memBase);
  };
  switch (req[0]) {
  case 0:
    if (pollsSinceStart >= 0 && ++pollsSinceStart > statePollsUntilRun) mode = modeAfterStart;
    buf[0] = mode;
    buf[1] = err;
    answerLen = 2;
    break;
  case 1:
    mode = req[1];
    err = req[2];
    break;
  case 2: {
    std::memset(buf, 0, 21);
    buf[0] = 2;
    buf[1] = static_cast<std::uint8_t>(version / 100);
    buf[2] = static_cast<std::uint8_t>(version % 100);
    std::memcpy(buf + 3, "FAKE", 4);
    buf[15] = 2;
    buf[16] = 4;
    put32(buf + 17, announced);
    answerLen = 21;
    break;
  }
  case 3:
    pollsSinceStart = 0;
    mode = 6;
    break;
  case 4: {
    std::uint32_t a = u32(&req[1]);
    std::uint16_t n = static_cast<std::uint16_t>(req[5] | (req[6] << 8));
    for (std::uint32_t i = 0; i <= n; ++i) {
      std::uint8_t* p = memAt(a + i);
      buf[i] = p ? *p : 0;
    }
    answerLen = static_cast<std::uint16_t>(n + 1);
    break;
  }
  case 5: {
    std::uint32_t a = u32(&req[1]);
    for (std::size_t i = 5; i < len; ++i)
      if (std::uint8_t* p = memAt(a + static_cast<std::uint32_t>(i - 5))) *p = req[i];
    break;
  }
  case 6: {
    const char* v = "vFAKE-KERNEL-1.0";
    std::memcpy(buf, v, std::strlen(v) + 1);
    answerLen = static_cast<std::uint16_t>(std::strlen(v) + 1);
    break;
  }
  case 7:
    buf[0] = 0x12;
    buf[1] = 0x34;
    answerLen = 2;
    break;
  case 13: {
    std::vector<std::uint8_t> out(4);
    put32(out.data(), ++timeCounter);
    for (std::size_t i = 1; i + 5 <= len; i += 5) {
      std::uint32_t a = u32(&req[i]);
      for (std::uint32_t k = 0; k < req[i + 4]; ++k) {
        std::uint8_t* p = memAt(a + k);
        out.push_back(p ? *p : 0);
      }
    }
    out.push_back(0);
    req13Footprint.push_back(len + 1 + out.size());
    std::memcpy(buf, out.data(), std::min<std::size_t>(out.size(), size));
    answerLen = static_cast<std::uint16_t>(out.size());
    break;
  }
  case 16:
    buf[0] = 0;
    answerLen = 1;
    break;
  case 32:
  case 33: {
    std::memset(buf, req[0], 100);
    if (descriptionMark) buf[50] = descriptionMark;
    answerLen = 100;
    break;
  }
  case 34: {
    std::string text(reinterpret_cast<char*>(&req[1]));
    std::string ans = text == "long" ? std::string(500, 'x') : "ECHO:" + text;
    std::memcpy(buf, ans.c_str(), ans.size() + 1);
    answerLen = static_cast<std::uint16_t>(ans.size() + 1);
    break;
  }
  case 35: {
    std::size_t L = req[1] | (req[2] << 8);
    std::string name(reinterpret_cast<char*>(&req[3]), L);
    char m = static_cast<char>(req[L + 4]);
    std::string data(reinterpret_cast<char*>(&req[L + 5]), len - L - 5);
    if (m == 'w') files[name] = data;
    else files[name] += data;
    std::memcpy(buf, ftpAnswer.c_str(), ftpAnswer.size() + 1);
    answerLen = static_cast<std::uint16_t>(ftpAnswer.size() + 1);
    break;
  }
  default:
    break;
  }
}

std::vector<std::vector<std::uint8_t>> Target::requestsWithCode(std::uint8_t code) {
  std::lock_guard<std::mutex> lk(mu);
  std::vector<std::vector<std::uint8_t>> out;
  for (auto& r : requests)
    if (r[0] == code) out.push_back(r);
  return out;
}

void* Loader::load(const std::string& path) {
  ++loads;
  if (path == "driver") return reinterpret_cast<void*>(1);
  if (path == "reader") return reinterpret_cast<void*>(2);
  return nullptr;
}

void* Loader::symbol(void*, const char* name) {
  if (missing.count(name)) return nullptr;
  static const auto table = symbols();
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

void Loader::unload(void*) { ++unloads; }

OnlineInitRecord initRecord(void (*progress)(int), std::uint32_t softReset) {
  OnlineInitRecord r{};
  r.size = OD01_INIT_RECORD_SIZE;
  r.driverPath = "driver";
  r.configPath = "config.ini";
  r.ddfReaderPath = "reader";
  r.progress = progress;
  r.softResetTimeout = softReset;
  return r;
}

onl32::Timing fastTiming() {
  onl32::Timing t;
  t.exchangeTries = 20;
  t.retryInterval = std::chrono::milliseconds(1);
  t.operationStep = std::chrono::milliseconds(10);
  t.pollPeriod = std::chrono::milliseconds(5);
  t.stateInterval = std::chrono::milliseconds(2);
  t.readerWait = std::chrono::milliseconds(300);
  t.listWait = std::chrono::milliseconds(1000);
  return t;
}

} // namespace fake
