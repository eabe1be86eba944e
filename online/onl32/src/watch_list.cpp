#include "onl32/watch_list.h"

#include <cstring>

namespace onl32 {

namespace {
bool less(std::uint32_t a1, std::uint8_t s1, std::uint32_t a2, std::uint8_t s2) {
  return a1 < a2 || (a1 == a2 && s1 < s2);
}
} // namespace

std::size_t WatchList::size() const {
  std::size_t n = 0;
  for (auto& p : pages_) n += p.size();
  return n;
}

bool WatchList::findOrInsert(std::uint32_t address, std::uint8_t size, std::uint8_t* out) {
  if (pages_.empty()) pages_.emplace_back();
  std::size_t pi = 0;
  // Go on while the page's last entry lies below the address and a page follows.
  while (pi + 1 < pages_.size() && !pages_[pi].empty() && pages_[pi].back().address < address) ++pi;
  auto& page = pages_[pi];
  std::size_t at = 0;
  for (; at < page.size(); ++at) {
    const WatchEntry& e = page[at];
    if (e.address == address && e.size == size) {
      if (!e.fetched) return false;
      if (out && size) std::memcpy(out, e.value.data(), size);
      return true;
    }
    if (less(address, size, e.address, e.size)) break;
  }
  WatchEntry ne;
  ne.address = address;
  ne.size = size;
  ne.value.assign(size, 0);
  page.insert(page.begin() + static_cast<std::ptrdiff_t>(at), std::move(ne));
  if (page.size() > kPageSize) {
    std::size_t half = page.size() / 2;
    std::vector<WatchEntry> rest(std::make_move_iterator(page.begin() + static_cast<std::ptrdiff_t>(half)),
                                 std::make_move_iterator(page.end()));
    page.erase(page.begin() + static_cast<std::ptrdiff_t>(half), page.end());
    pages_.insert(pages_.begin() + static_cast<std::ptrdiff_t>(pi) + 1, std::move(rest));
  }
  return false;
}

} // namespace onl32
