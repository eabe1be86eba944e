#pragma once
// Little-endian byte writer and bounds-checked byte reader. Every file format
// of the model is written and read through these, field by field at the
// format's offsets; nothing is ever dumped as a struct.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace modelfiles {

// Little-endian access to a fixed-size image in memory.
inline std::uint16_t getU16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t getU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline double getF64(const std::uint8_t* p) {
  std::uint64_t b = std::uint64_t(getU32(p)) | (std::uint64_t(getU32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &b, 8);
  return d;
}
inline void putU16(std::uint8_t* p, std::uint16_t v) { p[0] = std::uint8_t(v); p[1] = std::uint8_t(v >> 8); }
inline void putU32(std::uint8_t* p, std::uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i)); }
inline void putF64(std::uint8_t* p, double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, 8);
  putU32(p, std::uint32_t(b));
  putU32(p + 4, std::uint32_t(b >> 32));
}

class ByteWriter {
public:
  std::vector<std::uint8_t> bytes;

  // Room for what is about to be written, so that the bytes grow once.
  void reserve(std::size_t n) { bytes.reserve(n); }
  void u8(std::uint8_t v) { bytes.push_back(v); }
  void u16(std::uint16_t v) { u8(std::uint8_t(v)); u8(std::uint8_t(v >> 8)); }
  void i16(std::int16_t v) { u16(std::uint16_t(v)); }
  void u32(std::uint32_t v) { u16(std::uint16_t(v)); u16(std::uint16_t(v >> 16)); }
  void u64(std::uint64_t v) { u32(std::uint32_t(v)); u32(std::uint32_t(v >> 32)); }
  void f64(double v) { std::uint64_t b; std::memcpy(&b, &v, 8); u64(b); }
  void raw(const void* p, std::size_t n) {
    const auto* c = static_cast<const std::uint8_t*>(p);
    if (n) bytes.insert(bytes.end(), c, c + n);
  }
  void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  // A fixed-width text field: the characters up to the first zero, zero-filled.
  void field(const char* s, std::size_t width) {
    std::size_t n = 0;
    while (n < width && s[n]) ++n;
    raw(s, n);
    zeros(width - n);
  }
  std::size_t size() const { return bytes.size(); }
  // Patches a u32 at an offset already written.
  void putU32At(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(v >> (8 * i));
  }
};

// Composes one fixed-size record with the writer's calls, to be appended in
// one piece (raw(image.data(), image.size())).
template <std::size_t N> class RecordImage {
public:
  void u8(std::uint8_t v) { b_[at_++] = v; }
  void u16(std::uint16_t v) { putU16(b_ + at_, v); at_ += 2; }
  void i16(std::int16_t v) { u16(std::uint16_t(v)); }
  void u32(std::uint32_t v) { putU32(b_ + at_, v); at_ += 4; }
  void f64(double v) { putF64(b_ + at_, v); at_ += 8; }
  void raw(const void* p, std::size_t n) { std::memcpy(b_ + at_, p, n); at_ += n; }
  const std::uint8_t* data() const { return b_; }
  std::size_t size() const { return at_; }
private:
  std::uint8_t b_[N] = {};
  std::size_t at_ = 0;
};

// Reads from a buffer it does not own. Any read past the end fails, sets the
// failed flag and yields zeros; the position never passes the end.
class ByteReader {
public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<std::uint8_t>& v) : data_(v.data()), size_(v.size()) {}

  std::size_t pos() const { return pos_; }
  std::size_t size() const { return size_; }
  std::size_t left() const { return size_ - pos_; }
  bool failed() const { return failed_; }
  void fail() { failed_ = true; }
  const std::uint8_t* here() const { return data_ + pos_; }
  const std::uint8_t* data() const { return data_; }
  void seek(std::size_t p) { if (p > size_) { failed_ = true; pos_ = size_; } else pos_ = p; }

  bool has(std::size_t n) const { return n <= left(); }
  // Takes n bytes; null (and failed) when fewer are left.
  const std::uint8_t* take(std::size_t n) {
    if (!has(n)) { failed_ = true; pos_ = size_; return nullptr; }
    const std::uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  bool skip(std::size_t n) { return take(n) != nullptr || n == 0; }
  bool raw(void* out, std::size_t n) {
    const std::uint8_t* p = take(n);
    if (!p) { if (n) std::memset(out, 0, n); return n == 0; }
    if (n) std::memcpy(out, p, n);
    return true;
  }
  std::uint8_t u8() { const std::uint8_t* p = take(1); return p ? p[0] : 0; }
  std::uint16_t u16() { const std::uint8_t* p = take(2); return p ? std::uint16_t(p[0] | (p[1] << 8)) : 0; }
  std::int16_t i16() { return std::int16_t(u16()); }
  std::uint32_t u32() {
    const std::uint8_t* p = take(4);
    return p ? std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                   (std::uint32_t(p[3]) << 24)
             : 0;
  }
  std::uint64_t u64() { std::uint64_t lo = u32(); std::uint64_t hi = u32(); return lo | (hi << 32); }
  double f64() { std::uint64_t b = u64(); double d; std::memcpy(&d, &b, 8); return d; }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

} // namespace modelfiles
