// Opening a description and the queries on it.
#include "ddfreader/ddf_reader.h"

#include "parse.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ddf {

template <class T, size_t N> bool NameTable<T, N>::insert(T entry) {
  auto& list = buckets_[bucketOf(entry.name)];
  auto it = std::lower_bound(list.begin(), list.end(), entry.name,
                             [](const T& e, const std::string& n) { return e.name < n; });
  if (it != list.end() && it->name == entry.name) return false;
  list.insert(it, std::move(entry));
  return true;
}

template <class T, size_t N> const T* NameTable<T, N>::find(std::string_view name) const {
  const auto& list = buckets_[bucketOf(name)];
  if (list.size() <= 8) {
    // The usual list holds a name or two: compared by length first, then
    // byte by byte, without a call per comparison.
    for (const T& e : list) {
      if (e.name.size() != name.size()) continue;
      size_t i = 0;
      while (i < name.size() && e.name[i] == name[i]) ++i;
      if (i == name.size()) return &e;
    }
    return nullptr;
  }
  auto it = std::lower_bound(list.begin(), list.end(), name,
                             [](const T& e, std::string_view n) { return std::string_view(e.name) < n; });
  return it != list.end() && std::string_view(it->name) == name ? &*it : nullptr;
}

template class NameTable<Module, 100>;
template class NameTable<Area, 20>;

namespace {

// Reads a whole file; false when it cannot be opened.
bool readBinary(const std::string& path, std::vector<uint8_t>& out) {
  std::string found = plat::path::resolveExisting(path);
  if (found.empty()) return false;
  std::ifstream in(found, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int16_t copyName(const std::string& name, size_t stop, char* buf, int32_t length) {
  size_t n = std::min<size_t>(std::min<size_t>(stop, name.size()), 12);
  if (!buf) return int16_t(n);
  if (length <= 0) return 0;
  n = std::min<size_t>(n, size_t(length - 1));
  std::memcpy(buf, name.data(), n);
  buf[n] = 0;
  return int16_t(n);
}

}  // namespace

Reader::Reader(Settings& settings, ConverterLoader& loader)
    : settings_(settings), loader_(loader), conv_(settings, loader) {}

Reader::~Reader() { close(); }

void Reader::close() {
  modules_.clear();
  areas_.clear();
  conv_.release();
  open_ = false;
}

bool Reader::open(const std::string& path) {
  // A file that cannot be opened changes nothing and is not reported.
  std::vector<uint8_t> image;
  if (path.empty() || !readBinary(path, image)) return false;
  return openImage(image, path);
}

bool Reader::openImage(const std::vector<uint8_t>& image, const std::string& path) {
  // A new reading starts from empty tables.
  open_ = false;
  modules_.clear();
  areas_.clear();
  detail::Parsed p;
  detail::parse(image.data(), image.size(),
                [this](int format) -> const mc01::Table* {
                  return conv_.bind(format) ? &conv_.table() : nullptr;
                },
                p);
  if (!p.ok()) {
    showMessage(kMsgInvalidFormat, path);
    close();
    return false;
  }
  header_ = p.header;
  for (auto& m : p.modules) modules_.insert(m.module);
  for (auto& a : p.areas) areas_.insert(a.area);
  for (auto& a : p.segmented) areas_.insert(a.area);
  open_ = true;
  return true;
}

int16_t Reader::getFileVersion(uint16_t* v) const {
  if (!open_ || !v) return 0;
  *v = header_.version;
  return 1;
}

int16_t Reader::getTargetFormat(uint8_t* f) const {
  if (!open_ || !f) return 0;
  *f = uint8_t(converterFormat(header_.dataFormat));
  return 1;
}

int16_t Reader::getTargetAddressFormat(uint8_t* f) const {
  if (!open_ || !f) return 0;
  *f = header_.addressFormat;
  return 1;
}

int16_t Reader::getDevice(char* buf, int32_t length) const {
  if (!open_) return 0;
  return copyName(header_.device, header_.device.find('.'), buf, length);
}

int16_t Reader::getProzessorTyp(char* buf, int32_t length) const {
  if (!open_) return 0;
  return copyName(header_.processor, std::string::npos, buf, length);
}

int16_t Reader::getProgInfo(uint32_t* addr, uint32_t* size) const {
  if (!open_) return 0;
  if (addr) *addr = header_.projInfoAddr;
  if (size) *size = header_.projInfoSize;
  return 1;
}

int16_t Reader::getMinCycleTime(uint32_t* ms) const {
  if (!open_ || !ms) return 0;
  *ms = header_.minCycleTime;
  return 1;
}

int16_t Reader::getMVLAddressAndSize(uint32_t* addr, uint32_t* size) const {
  if (!open_) return 0;
  if (addr) *addr = header_.progMemAddr;
  if (size) *size = header_.progMemSize * header_.addressFormat;
  return 1;
}

int16_t Reader::getMVLTableAddressAndSize(uint32_t* addr, uint16_t* count) const {
  if (!open_) return 0;
  if (addr) *addr = header_.progTableAddr;
  if (count) *count = header_.progTableCount;
  return 1;
}

int16_t Reader::getMVLStructInfoAddressAndSize(uint32_t* addr, uint32_t* size) const {
  if (!open_) return 0;
  if (addr) *addr = header_.structInfoAddr;
  if (size) *size = header_.structInfoSize;
  return 1;
}

int16_t Reader::getModulAddress(const char* name, uint32_t* addr) const {
  if (!open_ || !addr || !name) return DDF_MODULE_MISSING;
  if (const Module* m = modules_.find(name)) {
    *addr = m->address;
    return DDF_MODULE_FOUND;
  }
  if (const Module* nop = modules_.find("NOP")) {
    *addr = nop->address;
    return DDF_MODULE_NOP;
  }
  return DDF_MODULE_MISSING;
}

int16_t Reader::getMemoryElementNumber(const char* name, uint32_t* count) const {
  if (!open_ || !count || !name) return 0;
  const Area* a = areas_.find(name);
  if (!a) {
    *count = 0;
    return 0;
  }
  *count = a->elemNum;
  // These areas are counted in bits.
  if (a->kind == 0 && (a->name == "M" || a->name == "B" || a->name == "PB")) *count = a->elemNum * 8;
  return 1;
}

int16_t Reader::getVarSizeAndAddress(DdfVarQuery* q) const {
  if (!open_ || !q) return DDF_VAR_NOT_FOUND;
  q->address = 0;
  q->size = 0;
  if (!q->name) return DDF_VAR_NOT_FOUND;
  const Area* a = areas_.find(q->name);
  if (!a) return DDF_VAR_NOT_FOUND;
  const uint32_t index = uint32_t(q->index);
  if (index >= a->elemNum) return DDF_VAR_NOT_FOUND;
  if (a->kind == 0) {
    q->address = a->memAddr + index * a->elemSize;
    q->size = a->elemSize;
    if (q->element < 0) return DDF_VAR_FOUND;
    if (a->subElemSize == 0) {
      showMessage(kMsgNoSubElements, a->name);
      return DDF_VAR_NO_SUBELEMENTS;
    }
    // A sub-element lies inside its element: "A10.8" of an element of eight
    // sub-elements is no name for the first one of "A11".
    if (uint32_t(q->element) >= a->elemSize / a->subElemSize) {
      q->address = 0;
      q->size = 0;
      return DDF_VAR_NOT_FOUND;
    }
    q->address += uint32_t(q->element) * a->subElemSize;
    q->size = a->subElemSize;
    return DDF_VAR_FOUND;
  }
  uint32_t rest = index;
  for (const Segment& s : a->segments) {
    uint32_t n = s.size / a->elemSize;
    if (rest < n) {
      q->address = s.address + rest * a->elemSize;
      q->size = a->elemSize;
      return DDF_VAR_FOUND;
    }
    rest -= n;
  }
  return DDF_VAR_NOT_FOUND;
}

// ---- conversions -----------------------------------------------------------

int16_t Reader::convertStringToBin(DdfVarValue* var, const char* value) const {
  if (!open_ || !conv_.bound()) return 0;
  static_assert(sizeof(DdfVarValue) == sizeof(MC01_VariableRef));
  static_assert(offsetof(DdfVarValue, buffer) == offsetof(MC01_VariableRef, buffer));
  return int16_t(conv_.table().ConvertStringToBin(reinterpret_cast<MC01_VariableRef*>(var), value));
}

int16_t Reader::convertLongToBin(uint32_t v, unsigned char* out, int32_t len) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().LongToBin(v, out, len));
}

int16_t Reader::convertWordToBin(uint16_t v, unsigned char* out, int32_t len) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().WordToBin(v, out, len));
}

int16_t Reader::convertFloatToBin(float v, unsigned char* out, int32_t len) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().FloatToBin(v, out, len));
}

int16_t Reader::convertTextToBin(const char* text, int32_t textSize, unsigned char* out,
                                 int32_t outSize) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().StringToBin(text, textSize, out, outSize));
}

int16_t Reader::convertAddressToBin(uint32_t v, unsigned char* out, int32_t len) const {
  if (!open_ || !conv_.bound()) return 0;
  if (header_.addressFormat == 2) return int16_t(conv_.table().WordToBin(uint16_t(v), out, len));
  return int16_t(conv_.table().LongToBin(v, out, len));
}

int16_t Reader::convertDLBlockStartAddressToBin(uint32_t v, unsigned char* out, int32_t len) const {
  if (!open_ || !conv_.bound()) return 0;
  if (header_.dataFormat == 5) {
    if (out && len > 0) std::memset(out, 0, size_t(len));
    return int16_t(conv_.table().WordToBin(uint16_t(v), out, len));
  }
  if (!out || len < 4) return 0;
  out[0] = uint8_t(v);
  out[1] = uint8_t(v >> 8);
  out[2] = uint8_t(v >> 16);
  out[3] = uint8_t(v >> 24);
  return 1;
}

int16_t Reader::convertBinToLong(const unsigned char* in, int32_t count, uint32_t* v) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().BinToLong(in, count, v));
}

int16_t Reader::convertBinToWord(const unsigned char* in, int32_t count, uint16_t* v) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().BinToWord(in, count, v));
}

int16_t Reader::convertBinToFloat(const unsigned char* in, int32_t count, float* v) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().BinToFloat(in, count, v));
}

int16_t Reader::convertBinToText(const unsigned char* in, int32_t count, char* text, int32_t cap) const {
  if (!open_ || !conv_.bound()) return 0;
  return int16_t(conv_.table().BinToString(in, count, text, cap));
}

}  // namespace ddf
