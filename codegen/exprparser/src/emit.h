#pragma once
// What a parsed formula or condition becomes: operand objects, target blocks
// collected in evaluation order, temporary registers, the constant pool and
// the marks, and the target program text written from them.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace exprparser {

enum class OperandKind {
  Literal,    // a number written as it is
  Mark,       // a reference to a mark: %M<n>
  PoolWord,   // an integer constant of the pool: PW<n> (the constant 0 is PW50)
  BoolConst,  // FALSE B1.0, TRUE B1.1 (bit address in n)
  Flag,       // a flag of the block: M<n/8>.<n%8>
  Output,     // an output bit: A<n/8>.<n%8>
  Word107,    // DW107
  Text,       // an operand of the text with its label: area + n (bit 0 for E)
  WordReg,    // PW<n>, n from 18
  FlagReg,    // B<n/8>.<n%8>, bit n from 10
  ByteReg,    // B<n>, byte n
};

struct Operand {
  OperandKind kind = OperandKind::Literal;
  uint32_t n = 0;
  int32_t literal = 0;
  std::string label;  // Text: the operand as typed
  std::string area;   // Text: "DW", "PW" or "E"
  bool isRegister() const {
    return kind == OperandKind::WordReg || kind == OperandKind::FlagReg || kind == OperandKind::ByteReg;
  }
};

// Block kinds of the target block library used by the generated text.
enum BlockKind : int {
  kMarksOnly = 0, kSVAR = 1, kJPZ = 2, kADDW = 3, kSUBW = 4, kMULW = 5, kDIVW = 6,
  kNot = 7, kAND = 8, kOR = 9, kCMPW = 10, kABB = 11,
};

struct Node {
  int kind = kMarksOnly;
  std::vector<uint32_t> marks;  // written before the block line
  std::vector<Operand> operands;
};

// The registers of one operation: word registers from 18, flag bits from 10,
// byte registers as runs of 8 free bits on a multiple of 8 (from byte 2).
class Registers {
public:
  uint32_t newWord();
  uint32_t newFlag();
  uint32_t newByte();  // the byte number
  void freeWord(uint32_t n) { words_.erase(n); }
  void freeFlag(uint32_t bit) { bits_.erase(bit); }
  void freeByte(uint32_t byte);
  void freeBitsOfByteExcept(uint32_t byte, uint32_t keepBit);
  void release(const Operand& op);  // frees the register an operand holds
  bool wordUsed(uint32_t n) const { return words_.count(n) != 0; }
  bool bitUsed(uint32_t bit) const { return bits_.count(bit) != 0; }

private:
  std::set<uint32_t> words_, bits_;
};

// The integer constants that reach an operand, in order of first use.
class ConstantPool {
public:
  void setBase(uint32_t base) { base_ = base; }
  uint32_t ref(int16_t value);  // the PW number (50 for 0)
  const std::vector<int16_t>& values() const { return values_; }
  uint32_t base() const { return base_; }

private:
  uint32_t base_ = 51;
  std::vector<int16_t> values_;
};

// Operand constructors.
Operand literal(int32_t v);
Operand markRef(uint32_t mark);
Operand flag(uint32_t address);
Operand output(uint32_t address);
Operand word107();
Operand boolConst(bool v);

// The target program text: header, the nodes, the constant definitions and
// the footer, with generatorText in header and footer.
std::string renderText(const std::string& generatorText, const std::vector<Node>& nodes,
                       const ConstantPool& pool);
std::string renderNode(const Node& node);

}  // namespace exprparser
