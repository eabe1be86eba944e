#include "engine/vmcode.h"

#include <algorithm>

namespace engine {

namespace {
std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
unsigned lengthFor(unsigned k) { return 12 + (k / 2) * 12 + (k % 2) * 8; }
} // namespace

bool isOpcode(unsigned op) { return op <= 56 || (op >= 60 && op <= 135) || op == 210; }

bool instrShape(unsigned op, unsigned n, unsigned& operands, unsigned& length) {
  if (!isOpcode(op)) return false;
  switch (op) {
  case 91: case 116: case 117: case 119: case 120: operands = 0; length = 8; return true;
  case 118: operands = 0; length = 12; return true;
  case 69:
    operands = n;
    length = n == 0 ? 8 : (n / 2) * 12 + 12 + (n % 2) * 8;
    return true;
  case 121: case 122: case 129: case 131: case 133: operands = n == 0 ? 3 : 2; break;
  case 34: case 35: case 70: case 77: case 79: case 84: case 123: operands = 3; break;
  case 87: case 90: case 94: case 95: case 96: case 135: operands = 4; break;
  case 82: case 83: case 97: operands = 5; break;
  case 33: case 85: case 86: case 92: case 93: operands = 6; break;
  default:
    if (op == 2 || op == 6 || op == 8 || (op >= 36 && op <= 43) || (op >= 45 && op <= 49) ||
        (op >= 51 && op <= 56) || op == 60 || op == 61 || op == 66 || op == 80 || op == 81 ||
        op == 88 || op == 89 || (op >= 98 && op <= 101) || (op >= 103 && op <= 111) ||
        (op >= 124 && op <= 126) || op == 128 || op == 130 || op == 132 || op == 134 || op == 210)
      operands = 1;
    else
      operands = 2;
  }
  length = lengthFor(operands);
  return true;
}

int Procedure::indexAt(std::uint32_t pos) const {
  auto it = std::lower_bound(code.begin(), code.end(), pos,
                             [](const Instr& i, std::uint32_t p) { return i.pos < p; });
  if (it == code.end() || it->pos != pos) return -1;
  return int(it - code.begin());
}

bool decodeProcedure(const std::uint8_t* block, std::size_t size, std::uint32_t start, Procedure& out,
                     std::string& error) {
  out = Procedure{};
  out.start = start;
  if (!block || size < 4 || start > size - 4) {
    error = "code block too short";
    return false;
  }
  out.frameSize = le16(block + start);
  std::size_t pos = std::size_t(start) + 4;
  for (;;) {
    if (pos + 4 > size) {
      error = "code ends without an end instruction at byte " + std::to_string(pos);
      return false;
    }
    const std::uint32_t raw = le32(block + pos);
    if (raw > 255 || !isOpcode(raw)) {
      error = "unknown opcode " + std::to_string(raw) + " at byte " + std::to_string(pos);
      return false;
    }
    const unsigned op = raw;
    unsigned n = 0;
    if (pos + 10 <= size) n = le16(block + pos + 8);
    unsigned nops = 0, len = 0;
    instrShape(op, n, nops, len);
    if (len > 8 && pos + 10 > size) n = 0;
    if (pos + len > size) {
      error = "instruction " + std::to_string(op) + " at byte " + std::to_string(pos) + " runs past the block";
      return false;
    }
    Instr ins;
    ins.pos = std::uint32_t(pos);
    ins.len = std::uint16_t(len);
    ins.n = len > 8 ? std::uint16_t(n) : 0;
    ins.op = std::uint8_t(op);
    ins.first = std::uint32_t(out.operands.size());
    if (op == 69) ins.nMany = nops; else ins.nops = std::uint8_t(nops);
    for (unsigned k = 0; k < nops; ++k) {
      const std::uint8_t* g = block + pos + 12 + (k / 2) * 12;
      Operand o;
      if (k % 2 == 0) { o.offset = le32(g); o.tag = g[4]; }
      else { o.offset = le32(g + 8); o.tag = g[5]; }
      out.operands.push_back(o);
    }
    out.code.push_back(ins);
    pos += len;
    if (op == 119 || op == 120) break;
  }
  return true;
}

} // namespace engine
