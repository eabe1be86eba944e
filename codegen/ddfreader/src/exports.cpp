// The exported DDF01_ operations of DdfReader.so: one reader per process,
// bound to the settings library ObelTool on first use.
#include "ddfreader/ddf01.h"
#include "ddfreader/ddf_reader.h"
#include "platform/export.h"
#include "toolbind/toolbind.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

// The settings library as the reader needs it: the path of the converter of
// a data format ([msgconv] of OBEL.INI).
class ToolbindSettings : public ddf::Settings {
public:
  bool msgConvPath(int format, std::string& path) override {
    auto& tb = toolbind::moduleBinding();
    using Fn = int (*)(int, MStrBuf*);
    Fn get = tb.fn<Fn>("GetPathToMsgConvDLL");
    path.clear();
    if (!get) return false;
    MStrBuf buf{nullptr, 0, 0};
    int r = get(format, &buf);
    if (r && buf.text) path = buf.text;
    tb.deleteMStrBuf(&buf);
    return r != 0 && !path.empty();
  }
};

// The lock of the reader: one query at a time, from any thread. Taking it
// uncontended is one atomic exchange; leaving it is a plain store (no wake-up
// call: the code generator asks a query or two per program line, and every
// further atomic operation there drains the processor's store buffer). A
// thread that finds it taken waits by polling, first spinning briefly, then
// sleeping in steps that grow up to a millisecond; two users of the reader
// at the same time are rare and a query is short.
class QueryLock {
public:
  void lock() {
    if (taken_.exchange(true, std::memory_order_acquire)) wait();
  }
  void unlock() { taken_.store(false, std::memory_order_release); }

private:
  [[gnu::noinline]] void wait() {
    int yields = 0;
    long pause = 64;  // microseconds, up to kLongestPause
    do {
      while (taken_.load(std::memory_order_relaxed)) {
        if (yields < 64) {
          ++yields;
          std::this_thread::yield();
        } else {
          std::this_thread::sleep_for(std::chrono::microseconds(pause));
          pause = std::min(pause + pause / 2, kLongestPause);
        }
      }
    } while (taken_.exchange(true, std::memory_order_acquire));
  }

  static constexpr long kLongestPause = 1000;
  std::atomic<bool> taken_{false};
};

struct Library {
  QueryLock mu;
  ToolbindSettings settings;
  ddf::LibraryConverterLoader loader;
  ddf::Reader reader{settings, loader};
  bool usable = false;
};

Library* g_lib = nullptr;

// Binds ObelTool (version 0.02 or later with the reader's names) for a new
// library state. Without it the library answers nothing: every operation
// returns 0 and the version 0, so that callers refuse it.
Library* makeLibrary() {
  g_lib = new Library;
  toolbind::BindOptions o;
  // ObelTool lies in the program directory beside this library.
  o.anchor = toolbind::Anchor::ThisModule;
  o.minVersion = 0.02;
  o.names = {"GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd",
             "SetBINPath", "GetPathToMsgConvDLL", "GetDefaultTargetFormat", "DeleteMStrBuf"};
  // Tests point the settings at a directory of their own.
  if (const char* dir = std::getenv("ZERLO_DDFREADER_BINDIR"); dir && *dir) o.binDir = dir;
  auto& tb = toolbind::moduleBinding();
  if (tb.bind(o) == toolbind::BindStatus::Bound) {
    g_lib->usable = true;
  } else {
    tb.unbind();
    ddf::showMessage(ddf::kMsgDllMissing, "OBELTOOL.DLL");
  }
  return g_lib;
}

// The library state, made on first use. A function-local static: after the
// first call each operation pays one test of its guard (the code generator
// asks several queries per program line).
Library& lib() {
  static Library* const made = makeLibrary();
  return *made;
}

template <class F> auto withReader(F f) -> decltype(f(std::declval<ddf::Reader&>())) {
  Library& l = lib();
  std::lock_guard<QueryLock> lock(l.mu);
  if (!l.usable) return {};
  return f(l.reader);
}

// On unload: close the description, unbind the settings and free the state,
// so that loading and unloading the library leaves nothing behind.
__attribute__((destructor)) void libraryUnload() {
  if (!g_lib) return;
  {
    std::lock_guard<QueryLock> lock(g_lib->mu);
    g_lib->reader.close();
    if (g_lib->usable) toolbind::moduleBinding().unbind();
    g_lib->usable = false;
  }
  delete g_lib;
  g_lib = nullptr;
}

}  // namespace

ZERLO_EXPORT double DDF01_GetDLLVersion() {
  return lib().usable ? DDF01_VERSION : 0.0;
}

ZERLO_EXPORT int16_t DDF01_Open(const char* path) {
  return withReader([&](ddf::Reader& r) -> int16_t { return path && r.open(path) ? 1 : 0; });
}

ZERLO_EXPORT int16_t DDF01_Close() {
  return withReader([&](ddf::Reader& r) -> int16_t {
    r.close();
    return 1;
  });
}

ZERLO_EXPORT int16_t DDF01_PrettyPrint(const char* ddfPath, const char* textPath) {
  return withReader([&](ddf::Reader& r) -> int16_t {
    return r.prettyPrint(ddfPath ? ddfPath : "", textPath ? textPath : "") ? 1 : 0;
  });
}

ZERLO_EXPORT int16_t DDF01_GetFileVersion(uint16_t* v) {
  return withReader([&](ddf::Reader& r) { return r.getFileVersion(v); });
}
ZERLO_EXPORT int16_t DDF01_GetTargetFormat(uint8_t* f) {
  return withReader([&](ddf::Reader& r) { return r.getTargetFormat(f); });
}
ZERLO_EXPORT int16_t DDF01_GetTargetAddressFormat(uint8_t* f) {
  return withReader([&](ddf::Reader& r) { return r.getTargetAddressFormat(f); });
}
ZERLO_EXPORT int16_t DDF01_GetDevice(char* buf, int32_t length) {
  return withReader([&](ddf::Reader& r) { return r.getDevice(buf, length); });
}
ZERLO_EXPORT int16_t DDF01_GetProzessorTyp(char* buf, int32_t length) {
  return withReader([&](ddf::Reader& r) { return r.getProzessorTyp(buf, length); });
}
ZERLO_EXPORT int16_t DDF01_GetProgInfo(uint32_t* addr, uint32_t* size) {
  return withReader([&](ddf::Reader& r) { return r.getProgInfo(addr, size); });
}
ZERLO_EXPORT int16_t DDF01_GetMinCycleTime(uint32_t* ms) {
  return withReader([&](ddf::Reader& r) { return r.getMinCycleTime(ms); });
}
ZERLO_EXPORT int16_t DDF01_GetMVLAddressAndSize(uint32_t* addr, uint32_t* size) {
  return withReader([&](ddf::Reader& r) { return r.getMVLAddressAndSize(addr, size); });
}
ZERLO_EXPORT int16_t DDF01_GetMVLTableAddressAndSize(uint32_t* addr, uint16_t* count) {
  return withReader([&](ddf::Reader& r) { return r.getMVLTableAddressAndSize(addr, count); });
}
ZERLO_EXPORT int16_t DDF01_GetMVLStructInfoAddressAndSize(uint32_t* addr, uint32_t* size) {
  return withReader([&](ddf::Reader& r) { return r.getMVLStructInfoAddressAndSize(addr, size); });
}
ZERLO_EXPORT int16_t DDF01_GetModulAddress(const char* name, uint32_t* addr) {
  Library& l = lib();
  std::lock_guard<QueryLock> lock(l.mu);
  if (!l.usable) return DDF_MODULE_MISSING;
  return l.reader.getModulAddress(name, addr);
}
ZERLO_EXPORT int16_t DDF01_GetMemoryElementNumber(const char* name, uint32_t* count) {
  return withReader([&](ddf::Reader& r) { return r.getMemoryElementNumber(name, count); });
}
ZERLO_EXPORT int16_t DDF01_GetVarSizeAndAddress(DdfVarQuery* q) {
  return withReader([&](ddf::Reader& r) { return r.getVarSizeAndAddress(q); });
}
ZERLO_EXPORT int16_t DDF01_ConvertStringToBin(DdfVarValue* var, const char* value) {
  return withReader([&](ddf::Reader& r) { return r.convertStringToBin(var, value); });
}
ZERLO_EXPORT int16_t DDF01_ConvertLongToBin(uint32_t v, unsigned char* out, int32_t len) {
  return withReader([&](ddf::Reader& r) { return r.convertLongToBin(v, out, len); });
}
ZERLO_EXPORT int16_t DDF01_ConvertWordToBin(uint16_t v, unsigned char* out, int32_t len) {
  return withReader([&](ddf::Reader& r) { return r.convertWordToBin(v, out, len); });
}
ZERLO_EXPORT int16_t DDF01_ConvertFloatToBin(float v, unsigned char* out, int32_t len) {
  return withReader([&](ddf::Reader& r) { return r.convertFloatToBin(v, out, len); });
}
ZERLO_EXPORT int16_t DDF01_ConvertTextToBin(const char* text, int32_t textSize, unsigned char* out,
                                            int32_t outSize) {
  return withReader([&](ddf::Reader& r) { return r.convertTextToBin(text, textSize, out, outSize); });
}
ZERLO_EXPORT int16_t DDF01_ConvertAddressToBin(uint32_t v, unsigned char* out, int32_t len) {
  return withReader([&](ddf::Reader& r) { return r.convertAddressToBin(v, out, len); });
}
ZERLO_EXPORT int16_t DDF01_ConvertDLBlockStartAddressToBin(uint32_t v, unsigned char* out, int32_t len) {
  return withReader([&](ddf::Reader& r) { return r.convertDLBlockStartAddressToBin(v, out, len); });
}
ZERLO_EXPORT int16_t DDF01_ConvertBinToLong(const unsigned char* in, int32_t count, uint32_t* v) {
  return withReader([&](ddf::Reader& r) { return r.convertBinToLong(in, count, v); });
}
ZERLO_EXPORT int16_t DDF01_ConvertBinToWord(const unsigned char* in, int32_t count, uint16_t* v) {
  return withReader([&](ddf::Reader& r) { return r.convertBinToWord(in, count, v); });
}
ZERLO_EXPORT int16_t DDF01_ConvertBinToFloat(const unsigned char* in, int32_t count, float* v) {
  return withReader([&](ddf::Reader& r) { return r.convertBinToFloat(in, count, v); });
}
ZERLO_EXPORT int16_t DDF01_ConvertBinToText(const unsigned char* in, int32_t count, char* text,
                                            int32_t cap) {
  return withReader([&](ddf::Reader& r) { return r.convertBinToText(in, count, text, cap); });
}
ZERLO_EXPORT int32_t DDF01_BuildResourceRequest(unsigned char* buf, int32_t size, const char* resourcePath) {
  return withReader([&](ddf::Reader& r) { return r.buildResourceRequest(buf, size, resourcePath); });
}
