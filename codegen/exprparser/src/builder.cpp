#include "builder.h"

#include "grammar.h"

namespace exprparser {
namespace {

Operand textOperand(const std::string& label, const char* area, uint32_t n) {
  Operand o;
  o.kind = OperandKind::Text;
  o.label = label;
  o.area = area;
  o.n = n;
  return o;
}

Operand reg(OperandKind k, uint32_t n) {
  Operand o;
  o.kind = k;
  o.n = n;
  return o;
}

void appendBlocks(std::list<Node>& to, std::list<Node>&& from) { to.splice(to.end(), from); }

void appendBlocks(std::vector<Node>& to, std::list<Node>&& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  from.clear();
}

// 16-bit signed arithmetic: the result wraps around.
int16_t wrap(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }

}  // namespace

Value Builder::var(const Token& t) const {
  Value v;
  switch (t.cls) {
    case kVariable: v.op = textOperand(t.text, "DW", t.index); break;
    case kCounter: v.op = textOperand(t.text, "PW", t.index); break;
    case kAnalogue: v.op = textOperand(t.text, "DW", 100 + t.index); break;
    case kAnalogueXY: v.op = textOperand(t.text, "DW", 104 + t.index); break;
    case kDigitalInput:
      v.isBool = true;
      v.op = textOperand(t.text, "E", t.index);
      break;
    default: v.op = textOperand(t.text, "DW", 0); break;  // unreadable, already reported
  }
  return v;
}

Value Builder::intConst(int16_t c) {
  Value v;
  v.isConst = true;
  v.c = c;
  return v;
}

Value Builder::boolConstant(bool b) {
  Value v = intConst(b ? 1 : 0);
  v.isBool = true;
  return v;
}

Operand Builder::operandOf(const Value& v) {
  if (!v.isConst) return v.op;
  if (v.isBool) return boolConst(v.c != 0);
  Operand o;
  o.kind = OperandKind::PoolWord;
  o.n = pool_.ref(v.c);
  return o;
}

Value Builder::block(int kind, Value a, Value b, Operand result) {
  Value r;
  r.isBool = kind == kAND || kind == kOR;
  appendBlocks(r.blocks, std::move(a.blocks));
  appendBlocks(r.blocks, std::move(b.blocks));
  Operand oa = operandOf(a);
  Operand ob = operandOf(b);
  r.blocks.push_back(Node{kind, {}, {oa, ob, result}});
  regs_.release(oa);
  regs_.release(ob);
  r.op = result;
  r.fromLastBlock = true;
  return r;
}

Value Builder::arith(int rule, Value a, Value b) {
  if (a.isBool || b.isBool) {
    errors_.error(kIntegerOperands);
    release(a);
    release(b);
    return intConst(1);
  }
  if (rule == R_DIV && b.isConst && b.c == 0) {
    errors_.error(kDivisionByZero);
    release(a);
    return intConst(1);
  }
  if (a.isConst && b.isConst) {
    int32_t x = a.c, y = b.c;
    switch (rule) {
      case R_ADD: return intConst(wrap(x + y));
      case R_SUB: return intConst(wrap(x - y));
      case R_MUL: return intConst(wrap(x * y));
      default: return intConst(wrap(x / y));  // truncates towards zero
    }
  }
  int kind = rule == R_ADD ? kADDW : rule == R_SUB ? kSUBW : rule == R_MUL ? kMULW : kDIVW;
  // The result register is taken before the operands' registers are freed.
  Operand result = reg(OperandKind::WordReg, regs_.newWord());
  return block(kind, std::move(a), std::move(b), result);
}

Value Builder::negate(Value a) {
  if (a.isBool) {
    errors_.error(kIntegerOperands);
    release(a);
    return intConst(1);
  }
  if (a.isConst) return intConst(wrap(-int32_t(a.c)));
  Operand result = reg(OperandKind::WordReg, regs_.newWord());
  return block(kSUBW, intConst(0), std::move(a), result);
}

Value Builder::compare(int rule, Value a, Value b) {
  if (a.isBool || b.isBool) {
    errors_.error(kIntegerOperands);
    release(a);
    release(b);
    return boolConstant(false);
  }
  if (a.isConst && b.isConst) {
    switch (rule) {
      case R_EQUAL: return boolConstant(a.c == b.c);
      case R_GREATER: return boolConstant(a.c > b.c);
      case R_LOWER: return boolConstant(a.c < b.c);
      case R_GREQUAL: return boolConstant(a.c >= b.c);
      default: return boolConstant(a.c <= b.c);
    }
  }
  // CMPW leaves its status in a byte register: bit 0 equal, bit 2 greater, bit 3 lower.
  uint32_t byte = regs_.newByte();
  Value r = block(kCMPW, std::move(a), std::move(b), reg(OperandKind::ByteReg, byte));
  r.isBool = true;
  r.fromLastBlock = false;
  const uint32_t eq = byte * 8, gt = byte * 8 + 2, lt = byte * 8 + 3;
  if (rule == R_EQUAL || rule == R_GREATER || rule == R_LOWER) {
    uint32_t keep = rule == R_EQUAL ? eq : rule == R_GREATER ? gt : lt;
    regs_.freeBitsOfByteExcept(byte, keep);
    r.op = reg(OperandKind::FlagReg, keep);
    return r;
  }
  Operand joined = reg(OperandKind::FlagReg, regs_.newFlag());
  r.blocks.push_back(Node{kOR, {}, {reg(OperandKind::FlagReg, eq),
                                    reg(OperandKind::FlagReg, rule == R_GREQUAL ? gt : lt), joined}});
  regs_.freeByte(byte);
  r.op = joined;
  r.fromLastBlock = true;
  return r;
}

Value Builder::logicalNot(Value a) {
  if (!a.isBool) {
    errors_.error(kBooleanOperands);
    release(a);
    return boolConstant(false);
  }
  if (a.isConst) return boolConstant(a.c == 0);
  Value r;
  r.isBool = true;
  r.blocks = std::move(a.blocks);
  Operand result = reg(OperandKind::FlagReg, regs_.newFlag());
  Operand oa = operandOf(a);
  r.blocks.push_back(Node{kNot, {}, {oa, result}});
  regs_.release(oa);
  r.op = result;
  r.fromLastBlock = true;
  return r;
}

Value Builder::logic(int rule, Value a, Value b) {
  if (!a.isBool || !b.isBool) {
    errors_.error(kBooleanOperands);
    release(a);
    release(b);
    return boolConstant(false);
  }
  if (a.isConst && b.isConst)
    return boolConstant(rule == R_AND ? (a.c && b.c) : (a.c || b.c));
  Operand result = reg(OperandKind::FlagReg, regs_.newFlag());
  return block(rule == R_AND ? kAND : kOR, std::move(a), std::move(b), result);
}

// The part of a frame that reads EX (code 4) or EY (code 5) when the text uses it.
void Builder::xyFrame(int code, bool ex, uint32_t xyFlag, std::vector<uint32_t>& marks) {
  uint32_t t = regs_.newFlag();
  add(kNot, {flag(xyFlag), reg(OperandKind::FlagReg, t)});
  uint32_t w = regs_.newWord();
  regs_.freeWord(w);
  add(kSVAR, {literal(code), literal(0), word107(), reg(OperandKind::FlagReg, t), reg(OperandKind::WordReg, w),
              ex ? textOperand("EX", "DW", 105) : textOperand("EY", "DW", 106), flag(xyFlag), flag(s_.f2)});
  uint32_t m = nextMark_++;
  add(kJPZ, {markRef(m), flag(xyFlag)});
  marks.push_back(m);
  regs_.freeFlag(t);
}

void Builder::xyFrames(bool ex, bool ey, std::vector<uint32_t>& marks) {
  if (ex) xyFrame(4, true, s_.f4, marks);
  if (ey) xyFrame(5, false, s_.f5, marks);
}

void Builder::clearXYFlags(bool ex, bool ey) {
  if (ex) add(kABB, {boolConst(false), flag(s_.f4)});
  if (ey) add(kABB, {boolConst(false), flag(s_.f5)});
}

void Builder::marksNode(const std::vector<uint32_t>& marks) {
  Node n;
  n.marks.assign(marks.rbegin(), marks.rend());  // the most recent first
  program_.push_back(std::move(n));
}

void Builder::assignment(const Token& target, Value x, bool ex, bool ey) {
  if (target.cls != kVariable && target.cls != kCounter && target.cls != kNoClass) {
    errors_.error(kAssignTarget);
    release(x);
    return;
  }
  if (x.isBool) {  // no Boolean operand exists in formulas; kept for safety
    errors_.error(kIntegerOperands);
    release(x);
    return;
  }
  program_.clear();
  std::vector<uint32_t> marks;
  uint32_t m1 = nextMark_++;
  marks.push_back(m1);
  add(kJPZ, {markRef(m1), flag(s_.f1)});
  if (ex || ey) add(kABB, {boolConst(false), flag(s_.f3)});
  xyFrames(ex, ey, marks);
  appendBlocks(program_, std::move(x.blocks));
  Operand xo = operandOf(x);
  add(kSVAR, {literal(2), literal(0), word107(), flag(s_.f1), var(target).op, xo, flag(s_.f3), flag(s_.f2)});
  regs_.release(xo);
  clearXYFlags(ex, ey);
  marksNode(marks);
}

void Builder::condition(Value r, bool ex, bool ey) {
  if (!r.isBool) {
    errors_.error(kNotBoolean);
    release(r);
    return;
  }
  program_.clear();
  std::vector<uint32_t> marks;
  if (s_.variant == 0) {
    uint32_t m1 = nextMark_++;
    marks.push_back(m1);
    add(kJPZ, {markRef(m1), flag(s_.f1)});
    if (ex || ey) {
      add(kABB, {boolConst(false), flag(s_.f3)});
      add(kABB, {boolConst(false), flag(s_.f6)});
    }
    xyFrames(ex, ey, marks);
    appendBlocks(program_, std::move(r.blocks));
    Operand ro = operandOf(r);
    add(kNot, {ro, flag(s_.f3)});
    regs_.release(ro);
    add(kNot, {flag(s_.f3), flag(s_.f6)});
    clearXYFlags(ex, ey);
    marksNode(marks);
    return;
  }
  xyFrames(ex, ey, marks);
  clearXYFlags(ex, ey);
  marksNode(marks);
  bool replace = r.fromLastBlock && !r.blocks.empty();
  appendBlocks(program_, std::move(r.blocks));
  if (replace) {
    program_.back().operands.back() = flag(s_.f3);
    regs_.release(r.op);
  } else {
    Operand ro = operandOf(r);
    add(kABB, {ro, flag(s_.f3)});
    regs_.release(ro);
  }
  add(kABB, {flag(s_.f3), output(s_.variant == 2 ? 12 * 8 : 13 * 8)});
}

}  // namespace exprparser
