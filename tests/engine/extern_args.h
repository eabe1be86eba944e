#pragma once
// Argument blocks of extern calls for tests: each argument a mapped buffer,
// slot k its address.
#include "harness.h"

#include "engine/externs.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace engine::test {

// Argument storage: each argument a mapped buffer, slot k its address.
class Args {
public:
  ~Args() {
    for (std::uint32_t b : bases_) vm().space().unmap(b);
  }
  std::vector<std::uint8_t>& add(std::size_t size) {
    bufs_.emplace_back(std::make_unique<std::vector<std::uint8_t>>(size));
    slots_.push_back(map(*bufs_.back()));
    return *bufs_.back();
  }
  void real(double v) { auto& b = add(8); std::memcpy(b.data(), &v, 8); }
  void reals(std::initializer_list<double> vs) {
    auto& b = add(8 * vs.size());
    std::size_t k = 0;
    for (double v : vs) std::memcpy(b.data() + 8 * k++, &v, 8);
  }
  void integer(std::int16_t v) { auto& b = add(2); std::memcpy(b.data(), &v, 2); }
  void longValue(std::int32_t v) { auto& b = add(4); std::memcpy(b.data(), &v, 4); }
  void byte(std::uint8_t v) { add(1)[0] = v; }
  std::vector<std::uint8_t>& bytes(unsigned k) { return *bufs_[k]; }
  std::int32_t longAt(unsigned k) const { std::int32_t v; std::memcpy(&v, bufs_[k]->data(), 4); return v; }
  void text(const std::string& s, std::size_t size = 0) {
    auto& b = add(std::max(size, s.size() + 1));
    std::memcpy(b.data(), s.data(), s.size());
  }
  void badAddress() { slots_.push_back(0x7F000000u); }
  std::string textAt(unsigned k) const { return reinterpret_cast<const char*>(bufs_[k]->data()); }
  std::uint16_t wordAt(unsigned k) const { std::uint16_t v; std::memcpy(&v, bufs_[k]->data(), 2); return v; }
  double realAt(unsigned k, unsigned e = 0) const { double v; std::memcpy(&v, bufs_[k]->data() + 8 * e, 8); return v; }
  void call(int number) {
    block_.assign(slots_.size() * 4 + 4, 0);
    std::memcpy(block_.data(), slots_.data(), slots_.size() * 4);
    const std::uint32_t base = map(block_);
    xt_Call(number, vm(), base);
  }

private:
  std::uint32_t map(std::vector<std::uint8_t>& b) {
    const std::uint32_t v = vm().space().map(b.data(), std::uint32_t(b.size()));
    bases_.push_back(v);
    return v;
  }
  std::vector<std::unique_ptr<std::vector<std::uint8_t>>> bufs_;
  std::vector<std::uint32_t> slots_, bases_;
  std::vector<std::uint8_t> block_;
};

struct SinkScope {
  StringTextSink sink;
  SinkScope() { setTargetTextSink(&sink); }
  ~SinkScope() { setTargetTextSink(nullptr); }
};


} // namespace engine::test
