#include "emitter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace cg {
namespace {

uint32_t packSlot(const unsigned char b[4]) {
  uint32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

}  // namespace

// The decimal digits of v (locale-free) appended to out.
static void appendDecimal(std::string& out, long long v) {
  char digits[24];
  const auto r = std::to_chars(digits, digits + sizeof digits, v);
  out.append(digits, r.ptr);
}

static std::string decimalText(long long v) {
  std::string s;
  appendDecimal(s, v);
  return s;
}

static uint32_t hexValue(const std::string& digits) {
  uint32_t v = 0;
  for (char c : digits) {
    uint32_t d = (c >= '0' && c <= '9') ? static_cast<uint32_t>(c - '0')
                 : (c >= 'a' && c <= 'f') ? static_cast<uint32_t>(c - 'a' + 10)
                                          : static_cast<uint32_t>(c - 'A' + 10);
    v = (v << 4) | d;
  }
  return v;
}

static uint32_t binValue(const std::string& digits) {
  uint32_t v = 0;
  for (char c : digits) v = (v << 1) | (c == '1' ? 1u : 0u);
  return v;
}

void Emitter::prepare() {
  uint8_t w = 0;
  // Addresses are words for format 2 and longs for every other value, as the
  // description reader converts them.
  if (!ddf_.getTargetAddressFormat(&w)) w = 4;
  width_ = w == 2 ? 2 : 4;
  uint32_t a = 0, s = 0;
  if (!ddf_.getMVLAddressAndSize(&a, &s)) a = s = 0;
  start_ = a;
  size_ = s;
  counter_ = a;
  uint32_t ta = 0;
  uint16_t tc = 0;
  if (!ddf_.getMVLTableAddressAndSize(&ta, &tc)) ta = tc = 0;
  tableAddr_ = ta;
  tableCount_ = tc;
  uint32_t sa = 0, ss = 0;
  if (!ddf_.getMVLStructInfoAddressAndSize(&sa, &ss)) sa = ss = 0;
  structAddr_ = sa;
  structSize_ = ss;
  entries_.clear();
  operands_.clear();
  pending_.clear();
  pendingRefs_.clear();
  tasks_.clear();
  inTask_ = false;
  enteredSource_.clear();
  enteredByNumber_.clear();
  scripts_.clear();
  scriptNumbers_.clear();
  marks_.clear();
  markRefs_.clear();
  definitions_.clear();
  modules_.clear();
  addresses_.assign(size_t(1) << kAddressCacheBits, ConvertedAddress{});
  integers_.assign(size_t(1) << kAddressCacheBits, ConvertedAddress{});
  variables_.assign(size_t(1) << kVariableCacheBits, FoundVariable{});
  found_ = nullptr;
  lst_.setWidth(width_ == 2 ? 2 : 4);
  lst_.setCodeStart(start_);
}

void Emitter::reserve(uint64_t textBytes) {
  // A code entry takes at least a name line ("&AWW", 5 bytes and more) and an
  // operand at least a line of a few bytes; definitions are rarer. The
  // estimates are bounded so that a large text of comments costs little.
  const uint64_t capped = std::min<uint64_t>(textBytes, uint64_t(64) << 20);
  entries_.reserve(static_cast<size_t>(capped / 48));
  operands_.reserve(static_cast<size_t>(capped / 16));
  definitions_.reserve(static_cast<size_t>(capped / 128));
  markRefs_.reserve(static_cast<size_t>(capped / 256));
  marks_.reserve(static_cast<size_t>(capped / 256));
}

double Emitter::memoryShare() const {
  if (size_ == 0) return 0.0;
  return static_cast<double>(counter_ - start_) / static_cast<double>(size_) * 100.0;
}

// A conversion by the reader depends on the value alone, and values recur in
// a program (variables' addresses, constants): a converted value is looked up
// in a small table by value before the reader is asked; failed conversions
// are not kept.
template <typename Convert>
bool Emitter::convCached(std::vector<ConvertedAddress>& table, uint32_t value, uint32_t& slot, Convert convert) {
  ConvertedAddress& known = table[(value * 2654435761u) >> (32 - kAddressCacheBits)];
  if (known.valid && known.value == value) {
    slot = known.slot;
    return true;
  }
  unsigned char b[4] = {0, 0, 0, 0};
  const int r = convert(b);
  slot = packSlot(b);
  if (r != 0) known = ConvertedAddress{value, slot, true};
  return r != 0;
}

bool Emitter::convAddress(uint64_t value, uint32_t& slot) {
  const uint32_t v = static_cast<uint32_t>(value);
  return convCached(addresses_, v, slot, [&](unsigned char* b) { return ddf_.convertAddressToBin(v, b, 4); });
}

bool Emitter::convInteger(uint32_t value, uint32_t& slot) {
  // The width of the conversion is that of the whole run.
  return convCached(integers_, value, slot, [&](unsigned char* b) {
    return width_ == 2 ? ddf_.convertWordToBin(static_cast<uint16_t>(value), b, 2)
                       : ddf_.convertLongToBin(value, b, 4);
  });
}

void Emitter::actionMessage(int number, uint32_t line, const std::string& arg) {
  msgs_.report(number, line, arg);
  // Listing line 308: the line (when there is one), then the message text.
  std::string text;
  if (!lst_.texts().get(number, text)) return;
  if (line != kNoLine) lst_.text(308, static_cast<long>(line));
  lst_.put(vformat(text, arg.c_str()) + "\n");
}

int Emitter::varQuery(DdfVarQuery& q) {
  // A found variable's address and size depend on the description alone,
  // which does not change while it is read; other answers (which may come
  // with a message of the reader's) are asked each time.
  found_ = nullptr;
  const size_t len = q.area ? std::strlen(q.area) : sizeof(FoundVariable::area);
  if (len >= sizeof(FoundVariable::area)) return ddf_.getVarSizeAndAddress(&q);
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < len; ++i) h = (h ^ static_cast<unsigned char>(q.area[i])) * 16777619u;
  h = (h ^ static_cast<uint32_t>(q.index)) * 2654435761u;
  h = (h ^ static_cast<uint32_t>(q.element)) * 2654435761u;
  FoundVariable& known = variables_[h >> (32 - kVariableCacheBits)];
  if (known.valid && known.index == q.index && known.element == q.element &&
      std::memcmp(known.area, q.area, len + 1) == 0) {
    q.address = known.address;
    q.size = known.size;
    found_ = &known;
    return 1;
  }
  const int r = ddf_.getVarSizeAndAddress(&q);
  if (r == 1) {
    known = FoundVariable{};
    std::memcpy(known.area, q.area, len + 1);
    known.index = q.index;
    known.element = q.element;
    known.address = q.address;
    known.size = q.size;
    known.valid = true;
    found_ = &known;
  }
  return r;
}

void Emitter::addOperand(uint16_t kind, uint32_t slot) { pending_.push_back(Operand{kind, slot}); }

void Emitter::opVariable(uint32_t line, const std::string& base, long index, int bit) {
  DdfVarQuery q{base.c_str(), static_cast<int32_t>(index), bit, 0, 0};
  int r = varQuery(q);
  lst_.beforeOperand();
  if (r == 0) {
    actionMessage(27, line, base);
    return;
  }
  if (r != 1) actionMessage(201, line, base);
  if (bit < 0)
    lst_.line(302, static_cast<long>(line), base, index, q.address);
  else
    lst_.line(307, static_cast<long>(line), base, index, bit, q.address);
  uint32_t slot;
  if (FoundVariable* v = found_; v && v->converted) {
    slot = v->slot;
  } else if (convAddress(q.address, slot) && v) {
    v->slot = slot;
    v->converted = true;
  }
  addOperand(K_VAR, slot);
}

void Emitter::opInteger(uint32_t line, uint32_t value, bool negative) {
  uint32_t v = negative ? 0u - value : value;
  lst_.beforeOperand();
  lst_.line(303, static_cast<long>(line), static_cast<int>(v), v);
  uint32_t slot;
  if (!convInteger(v, slot)) {
    msgs_.report(62, line);
    return;
  }
  addOperand(K_INT, slot);
}

void Emitter::opFloat(uint32_t line, double value, bool negative) {
  // A value beyond the float range would become infinity: refused.
  if (std::isfinite(value) && std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    lst_.beforeOperand();
    msgs_.report(62, line);
    return;
  }
  float f = static_cast<float>(negative ? -value : value);
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  lst_.beforeOperand();
  lst_.line(305, static_cast<long>(line), static_cast<double>(f), bits);
  unsigned char b[4] = {0, 0, 0, 0};
  if (!ddf_.convertFloatToBin(f, b, 4)) {
    msgs_.report(62, line);
    return;
  }
  addOperand(K_FLOAT, packSlot(b));
}

void Emitter::opBinary(uint32_t line, const std::string& digits) {
  uint32_t v = binValue(digits);
  lst_.beforeOperand();
  lst_.line(304, static_cast<long>(line), digits.c_str(), v);
  uint32_t slot;
  if (!convInteger(v, slot)) {
    msgs_.report(62, line);
    return;
  }
  addOperand(K_BIN, slot);
}

void Emitter::opHex(uint32_t line, const std::string& digits) {
  uint32_t v = hexValue(digits);
  lst_.beforeOperand();
  lst_.line(306, static_cast<long>(line), digits.c_str(), v);
  uint32_t slot;
  if (!convInteger(v, slot)) {
    msgs_.report(62, line);
    return;
  }
  addOperand(K_HEX, slot);
}

void Emitter::opMark(uint32_t line, const std::string& name) {
  lst_.beforeOperand();
  lst_.line(301, static_cast<long>(line), name);
  pendingRefs_.push_back(MarkRef{name, static_cast<uint32_t>(pending_.size()), line});
  addOperand(K_MARK, 0);
}

void Emitter::opFile(uint32_t line, const std::string& path) {
  // Only a regular file: a device or a pipe could be read without end.
  std::error_code ec;
  std::ifstream in;
  if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    msgs_.report(35, line, path);
    return;
  }
  const unsigned w = width_ == 2 ? 2 : 4;
  const unsigned topShift = 8 * (w - 1);
  uint32_t word = 0;
  unsigned have = 0;
  char piece[100];
  for (;;) {
    in.read(piece, sizeof piece);
    std::streamsize n = in.gcount();
    for (std::streamsize i = 0; i < n; ++i) {
      // Each byte enters at the top of the word and the earlier bytes move
      // down, so the word's bytes in memory keep the file's order.
      word = (word >> 8) | (static_cast<uint32_t>(static_cast<unsigned char>(piece[i])) << topShift);
      if (++have == w) {
        addOperand(K_HEX, word);
        word = 0;
        have = 0;
      }
    }
    if (n < static_cast<std::streamsize>(sizeof piece)) break;
  }
  if (in.bad()) {
    msgs_.report(35, line, path);
    return;
  }
  if (have) addOperand(K_HEX, word);
  addOperand(K_HEX, 0);
}

void Emitter::dropPending() {
  pending_.clear();
  pendingRefs_.clear();
}

long Emitter::makeEntry(uint32_t line, const std::string& name, BlockKind kind, bool dumpNow) {
  auto known = modules_.find(name);
  if (known == modules_.end()) {
    ModuleAnswer a{0, 0, 0};
    a.result = ddf_.getModulAddress(name.c_str(), &a.address);
    if (a.result == 0 || a.result == 3) convAddress(a.address, a.slot);
    known = modules_.emplace(name, a).first;
  }
  const uint32_t addr = known->second.address;
  const int r = known->second.result;
  const char* shown = name.c_str();
  if (r == 3) {
    actionMessage(200, line, name);
    shown = "NOP";
  } else if (r != 0) {
    actionMessage(60, line, name);
    dropPending();
    lst_.afterBlockLine(kind == BlockKind::End);
    return -1;
  }
  int id = kind == BlockKind::Func ? 300 : kind == BlockKind::Beg ? 309 : 310;
  lst_.line(id, static_cast<long>(line), shown, addr);
  lst_.afterBlockLine(kind == BlockKind::End);

  CodeEntry e{};
  e.address = counter_;
  e.line = line;
  e.module = known->second.slot;
  e.opBegin = static_cast<uint32_t>(operands_.size());
  e.opCount = static_cast<uint32_t>(pending_.size());
  for (auto& ref : pendingRefs_) {
    ref.operand += e.opBegin;
    markRefs_.push_back(std::move(ref));
  }
  operands_.insert(operands_.end(), pending_.begin(), pending_.end());
  pending_.clear();
  pendingRefs_.clear();
  counter_ += static_cast<uint64_t>(e.opCount + 2) * static_cast<uint64_t>(width_);
  convAddress(counter_, e.next);
  entries_.push_back(e);
  if (dumpNow) dump(e);
  return static_cast<long>(entries_.size() - 1);
}

void Emitter::dump(const CodeEntry& e) {
  std::vector<uint32_t>& words = dumpWords_;
  words.clear();
  words.push_back(e.module);
  words.push_back(e.next);
  for (uint32_t i = 0; i < e.opCount; ++i) words.push_back(operands_[e.opBegin + i].slot);
  lst_.codeDump(words);
}

void Emitter::call(uint32_t line, const std::string& name) { makeEntry(line, name, BlockKind::Func, true); }

void Emitter::taskBegin(uint32_t line, uint32_t cycle, uint32_t number) {
  Task t;
  t.start = counter_;
  t.cycle = cycle;
  t.number = number;
  t.line = line;
  t.firstEntry = static_cast<uint32_t>(entries_.size());
  tasks_.push_back(t);
  inTask_ = true;
  dropPending();
  opInteger(line + 1, cycle, false);
  opInteger(line + 2, number, false);
  makeEntry(line, "BEG", BlockKind::Beg, true);
}

void Emitter::taskEnd(uint32_t line, uint32_t number) {
  if (!inTask_) return;
  Task& t = tasks_.back();
  endNumber_ = number;
  dropPending();
  opInteger(line + 1, number, false);
  long idx = makeEntry(line, "END", BlockKind::End, false);
  if (idx >= 0) {
    // The task's chain ends by jumping back to its "&BEG" entry.
    convAddress(t.start, entries_[static_cast<size_t>(idx)].next);
  }
  if (t.number != 0 && number != 0 && t.number != number) msgs_.report(54, t.line);
  t.entryEnd = static_cast<uint32_t>(entries_.size());
  if (idx >= 0) dump(entries_[static_cast<size_t>(idx)]);
}

void Emitter::enterTask() {
  if (!inTask_) return;
  inTask_ = false;
  size_t idx = tasks_.size() - 1;
  const Task& t = tasks_[idx];
  uint32_t highest = tableCount_;
  if (t.number == 0 || t.number > highest) {
    if (t.cycle != 0) msgs_.report(52, t.line);
    return;
  }
  for (size_t i : enteredByNumber_)
    if (tasks_[i].number == t.number) {
      if (t.cycle != 0) msgs_.report(51, t.line);
      return;
    }
  auto pos = std::find_if(enteredByNumber_.begin(), enteredByNumber_.end(),
                          [&](size_t i) { return tasks_[i].number > t.number; });
  enteredByNumber_.insert(pos, idx);
  enteredSource_.push_back(idx);
}

void Emitter::script(uint32_t line, uint32_t number) {
  if (!scriptNumbers_.insert(number).second) msgs_.report(203, line);
  scripts_.push_back(Script{number, counter_});
  lst_.line(317, static_cast<long>(line), format("S%u", number).c_str(), static_cast<uint32_t>(counter_));
}

void Emitter::mark(uint32_t line, const std::string& name) {
  Mark m{counter_, 0};
  auto [it, added] = marks_.try_emplace(name, m);
  if (!added) {
    msgs_.report(61, line, name);
    return;
  }
  convAddress(counter_, it->second.target);
  lst_.line(316, static_cast<long>(line), name.c_str(), static_cast<uint32_t>(counter_));
}

void Emitter::definition(uint32_t line, const std::string& base, long index, int bit, const Value& v) {
  DdfVarQuery q{base.c_str(), static_cast<int32_t>(index), bit, 0, 0};
  int r = varQuery(q);
  if (r == 0) {
    actionMessage(27, line, base);
    return;
  }
  if (r != 1) actionMessage(201, line, base);
  const long ln = static_cast<long>(line);
  const char* b = base.c_str();
  const bool hasBit = bit >= 0;
  switch (v.kind) {
    case Value::None:
      hasBit ? lst_.line(326, ln, b, index, bit) : lst_.line(325, ln, b, index);
      break;
    case Value::Int: {
      long val = v.negative ? -static_cast<long>(v.num) : static_cast<long>(v.num);
      hasBit ? lst_.line(321, ln, b, index, bit, static_cast<int>(val)) : lst_.line(319, ln, b, index, static_cast<int>(val));
      break;
    }
    case Value::Float: {
      double d = v.negative ? -v.dbl : v.dbl;
      hasBit ? lst_.line(322, ln, b, index, bit, d) : lst_.line(320, ln, b, index, d);
      break;
    }
    case Value::FileSplit:
      hasBit ? lst_.line(329, ln, b, index, bit, v.text.c_str(), v.a, v.b)
             : lst_.line(330, ln, b, index, v.text.c_str(), v.a, v.b);
      break;
    default:
      hasBit ? lst_.line(315, ln, b, index, bit, v.text.c_str()) : lst_.line(314, ln, b, index, v.text.c_str());
      break;
  }
  if (v.kind == Value::None) return;

  Definition d;
  d.address = q.address;
  d.line = line;
  d.text = base;
  appendDecimal(d.text, index);
  if (hasBit) {
    d.text += '.';
    appendDecimal(d.text, bit);
  }
  // The element size: asked once more of the reader.
  DdfVarQuery q2{base.c_str(), static_cast<int32_t>(index), bit, 0, 0};
  varQuery(q2);
  const uint32_t elem = q2.size;

  if (v.kind == Value::File || v.kind == Value::FileSplit) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(v.text, ec)) {
      msgs_.report(35, line, v.text);
      return;
    }
    std::ifstream in(v.text, std::ios::binary);
    if (!in) {
      msgs_.report(35, line, v.text);
      return;
    }
    uint64_t fsize = std::filesystem::file_size(v.text, ec);
    if (ec) {
      msgs_.report(36, line, v.text);
      return;
    }
    uint64_t count = v.kind == Value::File ? fsize : v.b;
    if (count > elem) {
      msgs_.report(202, line);
      count = elem;
    }
    d.file = v.text;
    d.count = static_cast<uint32_t>(count);
    definitions_.push_back(std::move(d));
    return;
  }

  std::string text;
  switch (v.kind) {
    case Value::Int:
      text = decimalText(v.negative ? -static_cast<long>(v.num) : static_cast<long>(v.num));
      break;
    case Value::Float: {
      text = format("%g", v.negative ? -v.dbl : v.dbl);  // locale-free, as every format()
      break;
    }
    case Value::Bin:
      text = decimalText(binValue(v.text));
      break;
    case Value::Hex:
      text = decimalText(hexValue(v.text));
      break;
    default:
      text = v.text;
      break;
  }
  d.data.assign(elem, 0);
  MC01_VariableRef ref{base.c_str(), static_cast<int32_t>(index), bit, 0, elem, d.data.data()};
  if (elem == 0 || !ddf_.convertStringToBin(&ref, text.c_str())) {
    msgs_.report(62, line);
    return;
  }
  d.count = elem;
  definitions_.push_back(std::move(d));
}

}  // namespace cg
