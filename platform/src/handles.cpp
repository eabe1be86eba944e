// The process-wide registry of handle ids.
#include "platform/handles.h"

#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace plat::handles {

namespace {
struct Entry {
  void* object;
  int kind;
};
struct Registry {
  std::mutex mu;
  Id next = 1;
  bool exhausted = false;
  std::unordered_map<Id, Entry> live;
  std::unordered_set<Id> claimedEver;
};
Registry& reg() {
  static Registry* r = new Registry;  // lives to the end of the process, past static destructors
  return *r;
}
} // namespace

Id allocate(void* object, int kind) {
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  if (r.exhausted) return 0;
  Id id = r.next++;
  if (r.next == kClaimedBase) r.exhausted = true;  // ids are never reused
  r.live[id] = Entry{object, kind};
  return id;
}

void* lookup(Id id, int kind) {
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  auto it = r.live.find(id);
  if (it == r.live.end() || it->second.kind != kind) return nullptr;
  return it->second.object;
}

void release(Id id) {
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  r.live.erase(id);
}

bool claim(Id id, void* object, int kind) {
  if (id < kClaimedBase || id > kClaimedLast) return false;
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  if (!r.claimedEver.insert(id).second) return false;
  r.live[id] = Entry{object, kind};
  return true;
}

int kindOf(Id id) {
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  auto it = r.live.find(id);
  return it == r.live.end() ? -1 : it->second.kind;
}

std::string toText(Id id) { return std::to_string(id); }

Id fromText(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 10) return 0;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + std::uint64_t(c - '0');
  }
  if (neg) return v == 0 || v > 0x80000000ull ? 0 : Id(std::uint32_t(-std::int64_t(v)));
  return v > 0xFFFFFFFFull ? 0 : Id(v);
}

Id fromDouble(double d) {
  if (!(d >= -2147483648.0 && d <= 4294967295.0)) return 0;  // also NaN
  double whole = double(std::int64_t(d));
  if (whole != d) return 0;
  std::int64_t v = std::int64_t(d);
  return v < 0 ? Id(std::uint32_t(v)) : Id(std::uint64_t(v));
}

} // namespace plat::handles
