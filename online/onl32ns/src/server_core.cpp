#include "onl32ns/server_core.h"

#include "srvclient/protocol.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace onl32ns {

namespace {

Reply text(std::string s) {
  Reply r;
  // An empty text cannot travel as an answer: it is no answer.
  r.hasText = !s.empty();
  r.text = std::move(s);
  r.number = r.hasText ? 1 : 0;
  return r;
}
Reply none() { return Reply{}; }
Reply number(std::int64_t n) {
  Reply r;
  r.number = n;
  return r;
}

template <class... A> std::string format(const char* fmt, A... a) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, a...);
  return buf;
}

bool isDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A whole unsigned decimal number that fits in 32 bits.
bool parseU32(std::string_view s, std::uint32_t& v) {
  if (!isDigits(s)) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  return ec == std::errc() && p == s.data() + s.size();
}

std::string trim(std::string_view s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> splitAll(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    auto at = s.find(sep, start);
    out.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return out;
}

} // namespace

ServerCore::ServerCore(OnlineApi& online, ServerHooks hooks) : online_(online), hooks_(std::move(hooks)) {
  if (!hooks_.sleep) hooks_.sleep = [](int) {};
}

void ServerCore::split(const std::string& t, std::string& keyword, std::string& arg) {
  auto eq = t.find('=');
  keyword = srv::upperAscii(t.substr(0, eq));
  arg = eq == std::string::npos ? std::string() : t.substr(eq + 1);
}

bool ServerCore::parseVariable(const std::string& name, VariableRef& ref) {
  ref = VariableRef{};
  std::size_t end = name.size();
  std::size_t p = end;
  while (p > 0 && std::isdigit(static_cast<unsigned char>(name[p - 1]))) --p;
  if (p == end) return false;
  std::uint32_t first = 0;
  if (!parseU32(std::string_view(name).substr(p, end - p), first) || first > INT32_MAX) return false;
  if (p > 0 && name[p - 1] == '.') {
    std::size_t dot = p - 1;
    std::size_t q = dot;
    while (q > 0 && std::isdigit(static_cast<unsigned char>(name[q - 1]))) --q;
    std::uint32_t idx = 0;
    if (q == dot || !parseU32(std::string_view(name).substr(q, dot - q), idx) || idx > INT32_MAX)
      return false;
    ref.element = static_cast<std::int32_t>(first);
    ref.index = static_cast<std::int32_t>(idx);
    ref.area = name.substr(0, q);
  } else {
    ref.index = static_cast<std::int32_t>(first);
    ref.area = name.substr(0, p);
  }
  return true;
}

bool ServerCore::parseIdent(const std::string& ident, ProgInfo& info) {
  info = ProgInfo{};
  // Cut apart from the end: check byte, size, time, date; the rest is the name.
  std::string s = trim(ident);
  std::string fields[4];
  for (int i = 0; i < 4; ++i) {
    auto at = s.find_last_of(" \t");
    if (at == std::string::npos) {
      if (i < 3) return false;
      fields[i] = s;
      s.clear();
    } else {
      fields[i] = s.substr(at + 1);
      s = trim(s.substr(0, at));
    }
  }
  const std::string& check = fields[0];
  const std::string& size = fields[1];
  const std::string& time = fields[2];
  const std::string& date = fields[3];
  std::uint32_t sz = 0;
  if (!parseU32(size, sz)) return false;
  unsigned ck = 0;
  if (check.empty() || check.size() > 2) return false;
  auto [cp, cec] = std::from_chars(check.data(), check.data() + check.size(), ck, 16);
  if (cec != std::errc() || cp != check.data() + check.size()) return false;
  auto three = [](const std::string& f, char sep, std::uint8_t out[3]) {
    auto parts = splitAll(f, sep);
    if (parts.size() != 3) return false;
    for (int i = 0; i < 3; ++i) {
      std::uint32_t v;
      if (!parseU32(parts[i], v) || v > 255) return false;
      out[i] = static_cast<std::uint8_t>(v);
    }
    return true;
  };
  std::uint8_t d[3], t[3];
  if (!three(date, '.', d) || !three(time, ':', t)) return false;
  std::string name = s.substr(0, 8);
  name.resize(8, ' ');
  std::memcpy(info.name, name.data(), 8);
  info.name[8] = 0;
  info.day = d[0];
  info.month = d[1];
  info.year = d[2];
  info.hour = t[0];
  info.minute = t[1];
  info.second = t[2];
  info.size = sz;
  info.check = static_cast<std::uint8_t>(ck);
  return true;
}

int ServerCore::runOperation(const std::function<int(int)>& op) {
  int r = op(kStart) & 0xFFFF;
  while (r == kRunning) {
    hooks_.sleep(100);
    r = op(kQuery) & 0xFFFF;
  }
  return r;
}

bool ServerCore::removeGoneClients() {
  if (!hooks_.clientGone) return false;
  const auto before = clients_.size();
  clients_.remove_if([this](std::uint32_t id) { return hooks_.clientGone(id); });
  return clients_.size() != before;
}

void ServerCore::checkClients() {
  if (clients_.empty()) return;
  if (removeGoneClients() && clients_.empty() && hooks_.close) hooks_.close();
}

void ServerCore::reportProgress(int percent) {
  percent = std::clamp(percent, 0, 99);
  std::uint32_t w = progressWindow_.load(), m = progressMessage_.load();
  if (w != 0 && m != 0 && hooks_.progress) hooks_.progress(w, m, percent);
}

Reply ServerCore::query(const std::string& t) {
  busy_ = true;
  std::string key, arg;
  split(t, key, arg);
  bool found = false;
  Reply r = queryKeyword(key, arg, found);
  if (!found) {
    if (key.compare(0, 5, "SIZE_") == 0) {
      std::uint32_t n = 0;
      if (!online_.getMemoryElementNumber(key.substr(5), n)) n = 0;
      r = text(format("%lu", static_cast<unsigned long>(n)));
    } else {
      r = readVariable(key);
    }
  }
  busy_ = false;
  return r;
}

Reply ServerCore::command(const std::string& t) {
  busy_ = true;
  std::string key, arg;
  split(t, key, arg);
  bool found = false;
  Reply r = commandKeyword(key, arg, found);
  if (!found) r = writeVariable(key, arg);
  busy_ = false;
  return r;
}

Reply ServerCore::queryKeyword(const std::string& key, const std::string& arg, bool& found) {
  found = true;
  if (key == "COMM") return text(serverText(online_.getComm() ? 641 : 640));
  if (key == "COMMAND") {
    TextRecord rec;
    rec.text = arg;
    runOperation([&](int k) { return online_.getCommandResponse(rec, k); });
    return text(rec.answer);
  }
  if (key == "DEV") {
    std::string dev;
    if (!online_.getDevice(dev) || dev.empty()) return text("???");
    return text(dev.substr(0, 12));
  }
  if (key == "ERROR") {
    std::uint8_t e = 0;
    if (runOperation([&](int k) { return online_.getError(e, k); }) != kDone) return text(serverText(625));
    switch (e) {
      case 0: return text(serverText(620));
      case 1: return text(serverText(621));
      case 2: return text(serverText(622));
      case 4: return text(serverText(623));
      case 64: return text(serverText(624));
      default: return none();
    }
  }
  if (key == "FTP<") {
    TextRecord rec;
    rec.text = arg;
    runOperation([&](int k) { return online_.ftpReadFile(rec, k); });
    return text(rec.answer);
  }
  if (key == "GETMEM") {
    auto parts = splitAll(arg, ',');
    std::uint32_t addr = 0, count = 0;
    if (parts.size() < 3 || !parseU32(trim(parts[0]), addr) || !parseU32(trim(parts[1]), count) ||
        addr == 0 || count == 0 || count > 0xFFFF)
      return number(0);
    MemoryRecord rec;
    rec.address = addr;
    rec.count = static_cast<std::uint16_t>(count);
    // The path is the rest of the value; it may itself hold commas.
    auto second = arg.find(',', arg.find(',') + 1);
    rec.filePath = trim(arg.substr(second + 1));
    if (rec.filePath.empty()) return number(0);
    int r = runOperation([&](int k) { return online_.getMemory(rec, k); });
    Reply rep = number(r == kDone ? 1 : 0);
    // The number also travels as text, so that a client reading text sees it.
    rep.text = rep.number ? "1" : "0";
    rep.hasText = true;
    return rep;
  }
  if (key == "LOADOK") return text(format("%u", loadState_));
  if (key == "MINCYCLETIME") {
    std::uint32_t ms = 0;
    if (!online_.getMinCycleTime(ms)) return none();
    return text(format("%lu", static_cast<unsigned long>(ms)));
  }
  if (key == "MODE") {
    std::uint8_t m = 0;
    if (runOperation([&](int k) { return online_.getMode(m, k); }) != kDone) return text(serverText(600));
    if (m > 11) return none();
    return text(serverText(600 + m));
  }
  if (key == "OBELKERNEL") {
    std::string v;
    if (runOperation([&](int k) { return online_.getKernelVersion(v, 50, k); }) != kDone) return text("???");
    std::string out = conv_ ? conv_->binToText(reinterpret_cast<const std::uint8_t*>(v.data()), v.size(), 50) : v;
    if (out.empty()) out = " ";
    return text(out);
  }
  if (key == "PARAMODE") {
    std::uint8_t f = 0;
    if (runOperation([&](int k) { return online_.getParaMode(f, k); }) != kDone) return text("0");
    return text(std::string(1, static_cast<char>('0' + f)));
  }
  if (key == "PROGINFO") {
    ProgInfo pi;
    if (runOperation([&](int k) { return online_.getProgInfo(pi, k); }) != kDone) return text("???");
    pi.name[sizeof pi.name - 1] = 0;
    if (pi.name[0] == 0) return none();
    return text(format("%s %02i.%02i.%02i %02i:%02i:%02i %lu %02xh", pi.name, pi.day, pi.month, pi.year,
                       pi.hour, pi.minute, pi.second, static_cast<unsigned long>(pi.size),
                       static_cast<unsigned>(pi.check)));
  }
  if (key == "PTYP") {
    std::string p;
    if (!online_.getProcessor(p) || p.empty()) return text("???");
    return text(p.substr(0, 12));
  }
  if (key == "REALTIME") {
    std::array<std::uint8_t, 2> w{};
    if (runOperation([&](int k) { return online_.getRealTimeErrorWord(w, k); }) != kDone) return text("0");
    std::uint16_t v = 0;
    if (!conv_ || !conv_->binToWord(w.data(), 2, v)) v = 0;
    return text(format("%u", static_cast<unsigned>(v)));
  }
  if (key == "TIME") {
    std::array<std::uint8_t, 4> t{};
    if (!online_.getSysTime(t)) return none();
    std::uint32_t v = 0;
    if (!conv_ || !conv_->binToLong(t.data(), 4, v)) return text("0");
    return text(format("%lu", static_cast<unsigned long>(v)));
  }
  if (key == "VERS") return text(format("%4.3lf", online_.version()));
  found = false;
  return none();
}

Reply ServerCore::readVariable(const std::string& key) {
  VariableRef ref;
  if (!parseVariable(key, ref)) return none();
  if (!online_.getSizeAndAddressOfVarValue(ref) || ref.size == 0 || ref.size >= 256) return none();
  ref.value.assign(ref.size, 0);
  if (online_.readValue(ref) != 1) return text("???");
  std::string out;
  if (!conv_ || !conv_->binToString(ref, out) || out.empty()) return text("???");
  return text(out);
}

Reply ServerCore::writeVariable(const std::string& key, const std::string& value) {
  VariableRef ref;
  if (!parseVariable(key, ref)) return number(0);
  if (!online_.getSizeAndAddressOfVarValue(ref) || ref.size == 0 || ref.size >= 65536) return number(0);
  ref.value.assign(ref.size, 0);
  if (!conv_ || !conv_->stringToBin(ref, value)) return number(0);
  MemoryRecord rec;
  rec.address = ref.address;
  rec.count = static_cast<std::uint16_t>(ref.size);
  rec.data = ref.value;
  return number(runOperation([&](int k) { return online_.setMemory(rec, k); }) == kDone ? 1 : 0);
}

bool ServerCore::afterIdent() {
  std::uint8_t f = 0;
  if (!online_.getTargetFormat(f)) return false;
  if (f == format_) return true;
  if (!hooks_.selectConverter || !hooks_.selectConverter(f)) return false;
  format_ = f;
  return true;
}

Reply ServerCore::modeCommand(const std::string& value) {
  int mode = srv::modeOfKeyword(srv::upperAscii(value));
  if (mode == 0) return number(0);
  auto m8 = static_cast<std::uint8_t>(mode);
  if (runOperation([&](int k) { return online_.setMode(m8, k); }) != kDone) return number(0);
  if (mode != 7 && mode != 9) return number(1);
  // TEST and CHECK end in STOP when the target accepted them. The target
  // changes mode in its own cycle (opening its interface first), so the six
  // reads are spaced rather than sent back to back.
  std::uint8_t now = m8;
  for (int i = 0; i < 6 && (now == 7 || now == 9); ++i) {
    if (i > 0) hooks_.sleep(kModeReadPauseMs);
    if (runOperation([&](int k) { return online_.getMode(now, k); }) != kDone) return number(0);
  }
  return number(now == 4 ? 1 : 0);
}

Reply ServerCore::loadCommand(const std::string& value) {
  loadState_ = 0;
  std::size_t c1 = value.find(',');
  std::size_t c2 = c1 == std::string::npos ? c1 : value.find(',', c1 + 1);
  std::size_t c3 = c2 == std::string::npos ? c2 : value.find(',', c2 + 1);
  DownloadRecord rec;
  rec.path = value.substr(0, c1);
  std::uint32_t window = 0, message = 0;
  auto field = [&](std::size_t from, std::size_t to) {
    if (from == std::string::npos) return std::string();
    return trim(value.substr(from + 1, to == std::string::npos ? std::string::npos : to - from - 1));
  };
  std::string w = field(c1, c2), m = field(c2, c3);
  if ((!w.empty() && !parseU32(w, window)) || (!m.empty() && !parseU32(m, message))) {
    loadState_ = 2;
    return number(0);
  }
  if (c3 != std::string::npos) {
    if (!parseIdent(value.substr(c3 + 1), rec.info)) {
      loadState_ = 2;
      return number(0);
    }
    rec.hasIdent = true;
  }
  progressWindow_ = window;
  progressMessage_ = message;
  int r = runOperation([&](int k) { return online_.loadDLF(rec, k); });
  progressWindow_ = 0;
  progressMessage_ = 0;
  loadState_ = r == kDone ? 1 : 2;
  return number(r == kDone ? 1 : 0);
}

Reply ServerCore::ftpCommand(const std::string& value) {
  int kind = 0;
  std::size_t i = 0;
  while (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
    kind = kind * 10 + (value[i] - '0');
    if (kind > 1000) break;
    ++i;
  }
  std::string answer;
  int last = kFailed;
  if (kind == kStart) {
    if (transfer_) {
      transfer_->rec.setAnswer(serverText(645));
      answer = transfer_->rec.answer;
      last = kRunning;
    } else {
      transfer_ = std::make_unique<Transfer>();
      transfer_->rec.text = value;
      last = online_.ftpWriteFile(transfer_->rec, kStart) & 0xFFFF;
      transfer_->rec.setAnswer(serverText(last == kRunning ? 643 : 642));
      answer = transfer_->rec.answer;
    }
  } else if (kind == kCancel && transfer_) {
    last = online_.ftpWriteFile(transfer_->rec, kCancel) & 0xFFFF;
    answer = "ESC";
  } else if (kind == kQuery && transfer_) {
    last = online_.ftpWriteFile(transfer_->rec, kQuery) & 0xFFFF;
    answer = transfer_->rec.answer;
  } else {
    answer = serverText(644);
    Reply r = text(answer);
    return r;
  }
  // The record lives while the operation runs, since it writes its status there.
  if (last != kRunning) transfer_.reset();
  return text(answer);
}

Reply ServerCore::commandKeyword(const std::string& key, const std::string& arg, bool& found) {
  found = true;
  if (key == "CLOSE" || key == "FILE_S") return number(0);
  if (key == "COMM") {
    std::string v = srv::upperAscii(arg);
    if (v == "ON") return number(online_.setComm(1) ? 1 : 0);
    if (v == "OFF") return number(online_.setComm(0) ? 1 : 0);
    return number(0);
  }
  if (key == "ERROR") {
    unsigned n = 0;
    for (char c : arg) {
      if (!std::isdigit(static_cast<unsigned char>(c))) break;
      n = (n * 10 + static_cast<unsigned>(c - '0')) & 0xFFFFFF;
    }
    auto e = static_cast<std::uint8_t>(n & 0xFF);
    return number(runOperation([&](int k) { return online_.setError(e, k); }) == kDone ? 1 : 0);
  }
  if (key == "FTP>") return ftpCommand(arg);
  if (key == "IDENT") {
    if (arg.empty()) return number(0);
    if (runOperation([&](int k) { return online_.loadDDF(arg, k); }) != kDone) return number(0);
    return number(afterIdent() ? 1 : 0);
  }
  if (key == "INSTALL") return number(online_.setDrvOptions() == 0 ? 1 : 0);
  if (key == "LOAD") return loadCommand(arg);
  if (key == "LOGIN" || key == "LOGOUT") {
    std::uint32_t id = 0;
    if (!parseU32(arg, id) || id == 0) return number(0);
    auto it = std::find(clients_.begin(), clients_.end(), id);
    if (key == "LOGIN") {
      if (it == clients_.end()) clients_.push_back(id);
      return number(1);
    }
    if (it != clients_.end()) clients_.erase(it);
    removeGoneClients();
    if (clients_.empty() && hooks_.close) hooks_.close();
    return number(1);
  }
  if (key == "MODE") return modeCommand(arg);
  if (key == "RESOURCES") {
    auto comma = arg.find(',');
    if (comma == std::string::npos) return number(0);
    std::string res = arg.substr(0, comma), ddf = arg.substr(comma + 1);
    if (runOperation([&](int k) { return online_.setResourceAndLoadDDF(res, ddf, k); }) != kDone) return number(0);
    return number(afterIdent() ? 1 : 0);
  }
  if (key == "SAVEPARA") return number(runOperation([&](int k) { return online_.savePara(k); }) == kDone ? 1 : 0);
  if (key == "SETMEM") {
    auto parts = splitAll(arg, ',');
    std::uint32_t addr = 0;
    if (parts.size() < 2 || !parseU32(trim(parts[0]), addr)) return number(0);
    MemoryRecord rec;
    rec.address = addr;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      std::uint32_t b = 0;
      if (!parseU32(trim(parts[i]), b) || b > 255) return number(0);
      rec.data.push_back(static_cast<std::uint8_t>(b));
    }
    if (rec.data.size() > 0xFFFF) return number(0);
    rec.count = static_cast<std::uint16_t>(rec.data.size());
    return number(runOperation([&](int k) { return online_.setMemory(rec, k); }) == kDone ? 1 : 0);
  }
  found = false;
  return none();
}

} // namespace onl32ns
