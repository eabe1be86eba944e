#pragma once
// An in-memory target behind the reader interface (Intel byte order) and a
// binder that hands it out, for tests of the code generator without the
// libraries.
#include <cstring>
#include <map>
#include <string>

#include "ddf_api.h"
#include "driver.h"
#include <cstdlib>

namespace cgtest {

struct Area {
  uint32_t memAddr = 0;
  uint32_t elemNum = 0;
  uint32_t elemSize = 0;
  uint32_t subElemSize = 0;
};

class FakeTarget : public cg::DdfApi {
public:
  uint8_t width = 4;
  uint32_t progStart = 0x1000, progSize = 0x1000;
  uint32_t tableAddr = 0x200;
  uint16_t taskCount = 3;
  uint32_t structAddr = 0x300, structSize = 64;
  std::map<std::string, uint32_t> modules;
  std::map<std::string, Area> areas;
  bool failConversions = false;

  // The fixture: BEG, END, AWW, JPZ and a few areas.
  static FakeTarget standard(uint8_t w) {
    FakeTarget t;
    t.width = w;
    t.modules = {{"BEG", 0x10}, {"END", 0x14}, {"AWW", 0x20}, {"JPZ", 0x24}};
    t.areas = {{"DW", {0x4000, 100, 2, 0}}, {"PW", {0x5000, 100, 2, 0}}, {"B", {0x6000, 100, 8, 1}},
               {"A", {0x7000, 100, 8, 1}},  {"DF", {0x8000, 10, 4, 0}},  {"SCRIPTTAB", {0x9000, 1, 64, 0}},
               {"DT", {0xA000, 10, 18, 0}}, {"DL", {0xB000, 10, 4, 0}}};
    return t;
  }

  int getTargetAddressFormat(uint8_t* f) override {
    *f = width;
    return 1;
  }
  int getMVLAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = progStart;
    *s = progSize;
    return 1;
  }
  int getMVLTableAddressAndSize(uint32_t* a, uint16_t* c) override {
    *a = tableAddr;
    *c = taskCount;
    return 1;
  }
  int getMVLStructInfoAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = structAddr;
    *s = structSize;
    return 1;
  }
  int getModulAddress(const char* name, uint32_t* a) override {
    auto it = modules.find(name);
    if (it != modules.end()) {
      *a = it->second;
      return 0;
    }
    auto nop = modules.find("NOP");
    if (nop != modules.end()) {
      *a = nop->second;
      return 3;
    }
    return 1;
  }
  int getVarSizeAndAddress(cg::DdfVarQuery* q) override {
    q->address = q->size = 0;
    auto it = areas.find(q->area);
    if (it == areas.end()) return 0;
    const Area& ar = it->second;
    if (static_cast<uint32_t>(q->index) >= ar.elemNum) return 0;
    q->address = ar.memAddr + static_cast<uint32_t>(q->index) * ar.elemSize;
    q->size = ar.elemSize;
    if (q->element < 0) return 1;
    if (ar.subElemSize == 0) return 2;
    q->address += static_cast<uint32_t>(q->element) * ar.subElemSize;
    q->size = ar.subElemSize;
    return 1;
  }
  int convertStringToBin(MC01_VariableRef* ref, const char* value) override {
    // Little-endian: areas ending in "F" hold floats, elements of 1, 2, 4 or
    // 8 bytes an integer, others the text (it must fit with its zero).
    if (failConversions || !ref || !ref->buffer || !value) return 0;
    std::string area = ref->area;
    std::memset(ref->buffer, 0, ref->size);
    if (!area.empty() && area.back() == 'F' && ref->size == 4) {
      float f = std::strtof(value, nullptr);
      std::memcpy(ref->buffer, &f, 4);
      return 1;
    }
    uint32_t n = ref->size;
    if (n == 1 || n == 2 || n == 4 || n == 8) {
      char* end = nullptr;
      long long v = std::strtoll(value, &end, 0);
      if (end == value || *end) return 0;
      if (n < 8) {
        long long lo = -(1LL << (8 * n - 1)), hi = (1LL << (8 * n)) - 1;
        if (v < lo || v > hi) return 0;
      }
      std::memcpy(ref->buffer, &v, n);
      return 1;
    }
    size_t len = std::strlen(value);
    if (len + 1 > n) return 0;
    std::memcpy(ref->buffer, value, len);
    return 1;
  }
  int convertLongToBin(uint32_t v, unsigned char* o, int n) override {
    if (failConversions || n < 4) return 0;
    std::memcpy(o, &v, 4);
    return 1;
  }
  int convertWordToBin(uint16_t v, unsigned char* o, int n) override {
    if (failConversions || n < 2) return 0;
    std::memcpy(o, &v, 2);
    return 1;
  }
  int convertFloatToBin(float v, unsigned char* o, int n) override {
    if (failConversions || n < 4) return 0;
    std::memcpy(o, &v, 4);
    return 1;
  }
  int convertAddressToBin(uint32_t v, unsigned char* o, int n) override {
    return width == 2 ? convertWordToBin(static_cast<uint16_t>(v), o, n) : convertLongToBin(v, o, n);
  }
};

class FakeBinder : public cg::Binder {
public:
  explicit FakeBinder(FakeTarget& t) : target(t) {}
  FakeTarget& target;
  int settingsAnswer = 0, readerAnswer = 0;
  std::string openedDdf;
  int binds = 0, releases = 0;

  int bindSettings() override {
    ++binds;
    return settingsAnswer;
  }
  int bindReader(const std::string& p) override {
    openedDdf = p;
    open = readerAnswer == 0;
    return readerAnswer;
  }
  cg::DdfApi* reader() override { return open ? &target : nullptr; }
  void releaseReader() override { open = false; }
  void releaseSettings() override { ++releases; }

private:
  bool open = false;
};

}  // namespace cgtest
