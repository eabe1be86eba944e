// Parameter transfer with the target over the server client.
#include "engine/paramxfer.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/services.h"
#include "engine/slots.h"
#include "engine/vm.h"
#include "srvclient/kc.h"

namespace engine {
namespace {

constexpr int kFirstClass = 8, kLastClass = 12;
constexpr std::size_t kTextSize = 18;
// TIME must advance within this many queries (100 ms apart): a target that
// stands still is reported instead of waited for without end.
constexpr int kTimeQueries = 50;
constexpr int kTimeChanges = 3;

struct Entry { int cls; int index; std::uint32_t addr; };

std::vector<Entry> slots() {
  std::vector<Entry> out;
  AddressSlotTable& t = slotTable();
  for (int cls = kFirstClass; cls <= kLastClass; ++cls)
    for (int i = 1; i < AddressSlotTable::kSlots; ++i)
      if (t.used(cls, i))
        if (IoDescriptor* d = t.descriptor(cls, i); d && d->value) out.push_back({cls, i, d->value});
  return out;
}

bool storeReal(Vm& vm, std::uint32_t a, double v) { return vm.space().write(a, &v, 8); }
bool loadReal(Vm& vm, std::uint32_t a, double& v) { return vm.space().read(a, &v, 8); }

// Writes a text at a, at most kTextSize bytes and never past the region.
void storeText(Vm& vm, std::uint32_t a, const std::string& s) {
  for (std::size_t i = 0; i < kTextSize; ++i) {
    const char c = i < s.size() && i + 1 < kTextSize ? s[i] : 0;
    if (!vm.space().write(a + std::uint32_t(i), &c, 1) || c == 0) return;
  }
}
std::string loadText(Vm& vm, std::uint32_t a) {
  std::string s;
  for (std::size_t i = 0; i + 1 < kTextSize; ++i) {
    char c = 0;
    if (!vm.space().read(a + std::uint32_t(i), &c, 1) || c == 0) break;
    s += c;
  }
  return s;
}

bool readEntry(Vm& vm, ParamTransferPort& p, const Entry& e) {
  const std::string name = prm_SlotName(e.cls, e.index);
  switch (e.cls) {
  case 8: { float v; if (!p.getReal(name, v)) return false; storeReal(vm, e.addr, v); return true; }
  case 9: { std::uint16_t v; if (!p.getCard(name, v)) return false; storeReal(vm, e.addr, v); return true; }
  case 10: {
    bool v;
    if (!p.getBit(name.substr(0, name.find('.')), v, e.index % 8)) return false;
    storeReal(vm, e.addr, v ? 1.0 : 0.0);
    return true;
  }
  case 11: { std::int32_t v; if (!p.getLong(name, v)) return false; storeReal(vm, e.addr, v); return true; }
  default: { std::string v; if (!p.getName(name, v)) return false; storeText(vm, e.addr, v); return true; }
  }
}

// One batch; false on the first failure (50018 shown).
bool readBatch(Vm& vm, ParamTransferPort& p, const std::vector<Entry>& batch) {
  auto fail = [] { engineServices().showMessage(50018); return false; };
  p.commOn();
  p.sleepMs(600);
  // The target's TIME must change three times: the values read then are
  // those of a target that has run through whole cycles since COMM went on.
  std::uint32_t last = 0, now = 0;
  if (!p.getTime(last)) return fail();
  for (int change = 0; change < kTimeChanges; ++change) {
    int n = 0;
    do {
      if (n++ >= kTimeQueries) return fail();
      if (n > 1) p.sleepMs(100);
      if (!p.getTime(now)) return fail();
    } while (now == last);
    last = now;
  }
  for (const Entry& e : batch)
    if (!readEntry(vm, p, e)) return fail();
  p.commOff();
  p.commOn();
  return true;
}

class KcPort : public ParamTransferPort {
public:
  bool commOn() override { return srv::kc::CommOn() != 0; }
  bool commOff() override { return srv::kc::CommOff() != 0; }
  bool getTime(std::uint32_t& v) override { return srv::kc::GetTime(v); }
  bool query(const std::string& n) override { char b[10]; return srv::kc::Query(n.c_str(), b, sizeof b); }
  bool getReal(const std::string& n, float& v) override { return srv::kc::GetReal(n.c_str(), v); }
  bool getCard(const std::string& n, std::uint16_t& v) override { return srv::kc::GetCard(n.c_str(), v); }
  bool getBit(const std::string& n, bool& v, int bit) override { return srv::kc::GetBit(n.c_str(), v, bit); }
  bool getLong(const std::string& n, std::int32_t& v) override { return srv::kc::GetLong(n.c_str(), v); }
  bool getName(const std::string& n, std::string& v) override {
    char t[18] = {};
    if (!srv::kc::GetName(n.c_str(), t)) return false;
    v = t;
    return true;
  }
  bool setReal(const std::string& n, float v) override { return srv::kc::SetReal(n.c_str(), v) != 0; }
  bool setCard(const std::string& n, std::uint16_t v) override { return srv::kc::SetCard(n.c_str(), v) != 0; }
  bool setBool(const std::string& n, bool v) override { return srv::kc::SetBool(n.c_str(), v) != 0; }
  bool setLongCard(const std::string& n, std::uint32_t v) override { return srv::kc::SetLongCard(n.c_str(), v) != 0; }
  bool setText(const std::string& n, const std::string& v) override { return srv::kc::SetText(n.c_str(), v.c_str()) != 0; }
  void sleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  bool getByte(const std::string& n, std::uint8_t& v) override { return srv::kc::GetByte(n.c_str(), v); }
  bool setInt(const std::string& n, std::int8_t v) override { return srv::kc::SetInt(n.c_str(), v) != 0; }
  bool queryText(const std::string& n, std::string& answer) override {
    char b[256];
    if (!srv::kc::Query(n.c_str(), b, sizeof b)) return false;
    answer = b;
    return true;
  }
};

} // namespace

ParamTransferPort& kcTransferPort() {
  static KcPort port;
  return port;
}

std::string prm_SlotName(int cls, int index) {
  char b[24];
  switch (cls) {
  case 8: std::snprintf(b, sizeof b, "PF%i", index); break;
  case 9: std::snprintf(b, sizeof b, "PW%i", index); break;
  case 10: std::snprintf(b, sizeof b, "B%i.%i", index / 8, index % 8); break;
  case 11: std::snprintf(b, sizeof b, "PL%i", index); break;
  default: std::snprintf(b, sizeof b, "PT%i", index); break;
  }
  return b;
}

int prm_ReadAllFromTarget(Vm& vm, ParamTransferPort& p, const ParamTransferHooks& hooks) {
  if (hooks.confirm && !hooks.confirm(40012)) return 0;
  const std::vector<Entry> all = slots();
  std::vector<Entry> batch;
  int read = 0;
  bool ok = true;
  for (const Entry& e : all) {
    p.query(prm_SlotName(e.cls, e.index));
    batch.push_back(e);
    if (batch.size() == kParamBatch) {
      ok = readBatch(vm, p, batch);
      if (!ok) break;
      read += int(batch.size());
      batch.clear();
    }
  }
  if (ok && readBatch(vm, p, batch)) read += int(batch.size());
  if (hooks.redrawAll) hooks.redrawAll();
  if (hooks.notifyActiveWindow) hooks.notifyActiveWindow();
  return read;
}

int prm_WriteAllToTarget(Vm& vm, ParamTransferPort& p, const ParamTransferHooks& hooks) {
  if (hooks.confirm && !hooks.confirm(40013)) return 0;
  p.commOff();
  int refused = 0;
  for (const Entry& e : slots()) {
    const std::string name = prm_SlotName(e.cls, e.index);
    double v = 0;
    bool ok = e.cls == 12 || loadReal(vm, e.addr, v);
    if (ok) {
      switch (e.cls) {
      case 8: ok = p.setReal(name, float(v)); break;
      case 9: ok = p.setCard(name, std::uint16_t(v)); break;
      case 10: ok = p.setBool(name, v != 0); break;
      case 11: ok = p.setLongCard(name, std::uint32_t(std::int64_t(v))); break;
      default: ok = p.setText(name, loadText(vm, e.addr)); break;
      }
    }
    if (!ok) {
      engineServices().showMessage(50021);
      ++refused;
    }
  }
  if (hooks.onlineDisplayOn) p.commOn();
  else p.commOff();
  return refused;
}

} // namespace engine
