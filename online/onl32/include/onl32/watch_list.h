#pragma once
// The list of watched target values: entries sorted by address and then size,
// in pages of at most ten entries (a page that grows beyond ten is split).
#include <cstdint>
#include <vector>

namespace onl32 {

struct WatchEntry {
  std::uint32_t address = 0;
  std::uint8_t size = 0;
  std::vector<std::uint8_t> value;   // size bytes
  bool fetched = false;              // a poll has brought its value
};

class WatchList {
public:
  static constexpr std::size_t kPageSize = 10;
  // Finds the entry of address and size: when a poll has fetched its value,
  // copies it into out (size bytes) and answers true. A new entry is inserted
  // (zeroed); it and an entry not fetched yet answer false.
  bool findOrInsert(std::uint32_t address, std::uint8_t size, std::uint8_t* out);
  void clear() { pages_.clear(); }
  std::size_t size() const;
  std::size_t pageCount() const { return pages_.size(); }
  // Every entry in order.
  template <class F> void forEach(F f) {
    for (auto& p : pages_)
      for (auto& e : p) f(e);
  }
  std::vector<std::vector<WatchEntry>>& pages() { return pages_; }

private:
  std::vector<std::vector<WatchEntry>> pages_;
};

} // namespace onl32
