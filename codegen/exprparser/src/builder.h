#pragma once
// The values a parse builds and the operations of the grammar's rules on
// them: typing, constant folding in 16-bit signed arithmetic, target blocks
// with temporary registers, and the frames that tie a formula's or a
// condition's result to the flags of the block that owns it.
#include "emit.h"
#include "messages.h"
#include "tokens.h"

#include <cstdint>
#include <list>
#include <vector>

namespace exprparser {

// Per-operation settings taken from the block's parameters.
struct GenSettings {
  uint32_t f1 = 0, f2 = 0, f3 = 0, f4 = 0, f5 = 0, f6 = 0;  // flag bit addresses
  uint32_t poolBase = 51;
  uint32_t markBase = 0;
  int variant = 0;  // conditions: 0, or the variant of the result output (2: A12.0, else A13.0)
};

struct Value {
  bool isBool = false;
  bool isConst = false;
  int16_t c = 0;
  Operand op;                  // when not constant
  std::list<Node> blocks;      // the blocks that compute it, in order (joined in O(1))
  bool fromLastBlock = false;  // op is the result operand of the last block
};

class Builder {
public:
  Builder(const GenSettings& settings, ErrorList& errors) : s_(settings), errors_(errors) {
    pool_.setBase(settings.poolBase);
    nextMark_ = settings.markBase;
  }

  // Operands.
  Value var(const Token& t) const;
  static Value intConst(int16_t v);
  static Value boolConstant(bool v);

  // Operations (rule numbers of the grammar).
  Value arith(int rule, Value a, Value b);    // R_ADD .. R_DIV
  Value negate(Value a);
  Value compare(int rule, Value a, Value b);  // R_EQUAL .. R_LWEQUAL
  Value logicalNot(Value a);
  Value logic(int rule, Value a, Value b);    // R_AND, R_OR
  void discard(Value& v) { release(v); }

  // The whole text: an assignment or a condition. They leave the frame in program().
  void assignment(const Token& target, Value x, bool usesEX, bool usesEY);
  void condition(Value r, bool usesEX, bool usesEY);

  const std::vector<Node>& program() const { return program_; }
  const ConstantPool& pool() const { return pool_; }
  const Registers& registers() const { return regs_; }

private:
  Operand operandOf(const Value& v);
  void release(const Value& v) {
    if (!v.isConst) regs_.release(v.op);
  }
  Value block(int kind, Value a, Value b, Operand result);
  void xyFrame(int code, bool ex, uint32_t xyFlag, std::vector<uint32_t>& marks);
  void xyFrames(bool ex, bool ey, std::vector<uint32_t>& marks);
  void clearXYFlags(bool ex, bool ey);
  void marksNode(const std::vector<uint32_t>& marks);
  void add(int kind, std::vector<Operand> ops) { program_.push_back(Node{kind, {}, std::move(ops)}); }

  GenSettings s_;
  ErrorList& errors_;
  Registers regs_;
  ConstantPool pool_;
  uint32_t nextMark_ = 0;
  std::vector<Node> program_;
};

}  // namespace exprparser
