#pragma once
// The code generator over a target program text held in memory: scanner,
// grammar and output pass with an in-memory target behind the reader
// interface (shared by the fuzz targets of this folder).
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dlf.h"
#include "emitter.h"
#include "listing.h"
#include "parser.h"
#include "scanner.h"

namespace cgfuzz {

// A small Intel target: program memory 0x1000 (4 KiB), tasks 1..3, a few
// modules (NOP for the rest) and areas.
class MemoryTarget : public cg::DdfApi {
public:
  explicit MemoryTarget(uint8_t w) : w_(w) {}
  int getTargetAddressFormat(uint8_t* f) override {
    *f = w_;
    return 1;
  }
  int getMVLAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = 0x1000;
    *s = 0x1000;
    return 1;
  }
  int getMVLTableAddressAndSize(uint32_t* a, uint16_t* c) override {
    *a = 0x200;
    *c = 3;
    return 1;
  }
  int getMVLStructInfoAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = 0x300;
    *s = 256;
    return 1;
  }
  int getModulAddress(const char* name, uint32_t* a) override {
    static const char* known[] = {"BEG", "END", "AWW", "JPZ", "NOP"};
    for (uint32_t i = 0; i < 5; ++i)
      if (std::strcmp(name, known[i]) == 0) {
        *a = 0x10 + 4 * i;
        return 0;
      }
    *a = 0x20;
    return name[0] == 'X' ? 1 : 3;
  }
  int getVarSizeAndAddress(cg::DdfVarQuery* q) override {
    struct Area {
      const char* name;
      uint32_t addr, num, size, sub;
    } areas[] = {{"DW", 0x4000, 100, 2, 0}, {"B", 0x6000, 100, 8, 1}, {"DT", 0xA000, 10, 18, 0},
                 {"SCRIPTTAB", 0x9000, 1, 64, 0}};
    for (const auto& a : areas) {
      if (std::strcmp(q->area, a.name) != 0) continue;
      if (static_cast<uint32_t>(q->index) >= a.num) return 0;
      q->address = a.addr + static_cast<uint32_t>(q->index) * a.size;
      q->size = a.size;
      if (q->element < 0) return 1;
      if (!a.sub) return 2;
      q->address += static_cast<uint32_t>(q->element) * a.sub;
      q->size = a.sub;
      return 1;
    }
    return 0;
  }
  int convertStringToBin(MC01_VariableRef* ref, const char* value) override {
    if (!ref || !ref->buffer || !value) return 0;
    size_t n = std::strlen(value);
    std::memcpy(ref->buffer, value, n < ref->size ? n : ref->size);
    return 1;
  }
  int convertLongToBin(uint32_t v, unsigned char* o, int n) override { return put(&v, 4, o, n); }
  int convertWordToBin(uint16_t v, unsigned char* o, int n) override { return put(&v, 2, o, n); }
  int convertFloatToBin(float v, unsigned char* o, int n) override { return put(&v, 4, o, n); }
  int convertAddressToBin(uint32_t v, unsigned char* o, int n) override {
    if (w_ == 2) {
      uint16_t s = static_cast<uint16_t>(v);
      return put(&s, 2, o, n);
    }
    return put(&v, 4, o, n);
  }

private:
  static int put(const void* v, int size, unsigned char* o, int n) {
    if (n < size) return 0;
    std::memcpy(o, v, static_cast<size_t>(size));
    return 1;
  }
  uint8_t w_;
};


// Compiles the text for a 2-byte (wide false) or 4-byte target; a text
// without errors gives download blocks that read back the same.
inline void compileText(const std::string& text, bool twoByte) {
  MemoryTarget target(twoByte ? 2 : 4);
  cg::TextSource texts;
  cg::Messages msgs(texts, nullptr);
  cg::Listing listing(texts);  // not opened: writes nothing
  cg::Scanner scanner(msgs);
  scanner.openMemory(text, "fuzz");
  scanner.onSwitch([&](const std::string&, const std::string& next) { listing.sourceHeader(next); });
  cg::Emitter em(target, msgs, listing);
  em.prepare();
  cg::Parser parser(scanner, em, msgs);
  parser.parse();
  if (msgs.errors() == 0) {
    std::vector<cg::DlfBlock> blocks;
    if (cg::resolveMarks(em) && cg::buildBlocks(em, blocks, "fuzz.mvl")) {
      std::vector<uint8_t> image = cg::dlfImage(blocks);
      std::vector<cg::DlfBlock> back;
      if (!cg::parseDlfImage(image, back) || back.size() != blocks.size()) __builtin_trap();
    }
  }
  (void)msgs.storedLines();
}

}  // namespace cgfuzz
