#include "emit.h"

#include <cstdio>

namespace exprparser {
namespace {

const char* blockName(int kind) {
  switch (kind) {
    case kSVAR: return "SVAR";
    case kJPZ: return "JPZ";
    case kADDW: return "ADDW";
    case kSUBW: return "SUBW";
    case kMULW: return "MULW";
    case kDIVW: return "DIVW";
    case kNot: return "Not";
    case kAND: return "AND";
    case kOR: return "OR";
    case kCMPW: return "CMPW";
    case kABB: return "ABB";
    default: return nullptr;
  }
}

template <class... A>
void append(std::string& out, const char* fmt, A... args) {
  char buf[256];
  int n = std::snprintf(buf, sizeof buf, fmt, args...);
  if (n < 0) return;
  if (size_t(n) < sizeof buf) {
    out.append(buf, size_t(n));
    return;
  }
  std::string big(size_t(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), fmt, args...);
  big.resize(size_t(n));
  out += big;
}

void renderOperand(std::string& out, const Operand& op) {
  using K = OperandKind;
  const unsigned long n = op.n;
  switch (op.kind) {
    case K::Literal: append(out, "             : %d\n", int(op.literal)); break;
    case K::Mark: append(out, "             : %%M%lu\n", n); break;
    case K::PoolWord: append(out, "             : %s%lu\n", "PW", n); break;
    case K::BoolConst: append(out, "             : %s%lu.%lu\n", "B", n / 8, n % 8); break;
    case K::Flag: append(out, "             : M%lu.%lu\n", n / 8, n % 8); break;
    case K::Output: append(out, "             : A%lu.%lu\n", n / 8, n % 8); break;
    case K::Word107: append(out, "             : DW%lu\n", n); break;
    case K::Text:
      append(out, "  %5s", op.label.c_str());
      if (op.area == "E") append(out, "      : %s%lu.0\n", op.area.c_str(), n);
      else append(out, "      : %s%lu\n", op.area.c_str(), n);
      break;
    case K::WordReg: append(out, "  REGVAR%lu    : %s%lu\n", n - 17, "PW", n); break;
    case K::FlagReg: append(out, "  REGFLAG%lu   : %s%lu.%lu\n", n - 9, "B", n / 8, n % 8); break;
    case K::ByteReg: append(out, "  REGBYTE%lu   : %s%lu\n", n, "B", n); break;
  }
}

}  // namespace

uint32_t Registers::newWord() {
  uint32_t n = 18;
  while (words_.count(n)) ++n;
  words_.insert(n);
  return n;
}

uint32_t Registers::newFlag() {
  uint32_t b = 10;
  while (bits_.count(b)) ++b;
  bits_.insert(b);
  return b;
}

uint32_t Registers::newByte() {
  for (uint32_t byte = 2;; ++byte) {
    bool free = true;
    for (uint32_t b = byte * 8; b < byte * 8 + 8 && free; ++b) free = !bits_.count(b);
    if (!free) continue;
    for (uint32_t b = byte * 8; b < byte * 8 + 8; ++b) bits_.insert(b);
    return byte;
  }
}

void Registers::freeByte(uint32_t byte) {
  for (uint32_t b = byte * 8; b < byte * 8 + 8; ++b) bits_.erase(b);
}

void Registers::freeBitsOfByteExcept(uint32_t byte, uint32_t keepBit) {
  for (uint32_t b = byte * 8; b < byte * 8 + 8; ++b)
    if (b != keepBit) bits_.erase(b);
}

void Registers::release(const Operand& op) {
  switch (op.kind) {
    case OperandKind::WordReg: freeWord(op.n); break;
    case OperandKind::FlagReg: freeFlag(op.n); break;
    case OperandKind::ByteReg: freeByte(op.n); break;
    default: break;
  }
}

uint32_t ConstantPool::ref(int16_t value) {
  if (value == 0) return 50;
  for (size_t i = 0; i < values_.size(); ++i)
    if (values_[i] == value) return base_ + uint32_t(i);
  values_.push_back(value);
  return base_ + uint32_t(values_.size() - 1);
}

Operand literal(int32_t v) {
  Operand o;
  o.kind = OperandKind::Literal;
  o.literal = v;
  return o;
}
Operand markRef(uint32_t mark) {
  Operand o;
  o.kind = OperandKind::Mark;
  o.n = mark;
  return o;
}
Operand flag(uint32_t address) {
  Operand o;
  o.kind = OperandKind::Flag;
  o.n = address;
  return o;
}
Operand output(uint32_t address) {
  Operand o;
  o.kind = OperandKind::Output;
  o.n = address;
  return o;
}
Operand word107() {
  Operand o;
  o.kind = OperandKind::Word107;
  o.n = 107;
  return o;
}
Operand boolConst(bool v) {
  Operand o;
  o.kind = OperandKind::BoolConst;
  o.n = v ? 9 : 8;
  return o;
}

std::string renderNode(const Node& node) {
  std::string out;
  for (uint32_t m : node.marks) append(out, "%%M%lu\n", static_cast<unsigned long>(m));
  if (const char* name = blockName(node.kind)) {
    append(out, "          &%s\n", name);
    if (node.kind == kAND || node.kind == kOR) {
      out += "        Maske1 : $0002\n";
      out += "        Maske2 : %00000000\n";
    }
    for (const auto& op : node.operands) renderOperand(out, op);
  }
  return out;
}

std::string renderText(const std::string& generatorText, const std::vector<Node>& nodes,
                       const ConstantPool& pool) {
  std::string out = "\n;\n;Function Code Generator : " + generatorText + "\n;BEGIN\n";
  for (const auto& node : nodes) out += renderNode(node);
  for (size_t i = 0; i < pool.values().size(); ++i)
    append(out, "#%s%lu = %d\n", "PW", static_cast<unsigned long>(pool.base() + i), int(pool.values()[i]));
  out += ";Function Code Generator : " + generatorText + "\n;END\n;\n";
  return out;
}

}  // namespace exprparser
