#pragma once
// The semantic actions of the target program text and the tables they fill:
// code entries placed in the target's program memory, tasks, scripts, marks
// with their references, and variable definitions with initial values.
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ddf_api.h"
#include "listing.h"
#include "messages.h"

namespace cg {

// Operand kinds; they decide the descriptor character of a parameter word.
enum OperandKind : uint16_t {
  K_MARK = 301,
  K_VAR = 302,
  K_INT = 303,
  K_BIN = 304,
  K_FLOAT = 305,
  K_HEX = 306,  // also the words of a file read by the file command
};

struct Operand {
  uint16_t kind;
  uint32_t slot;  // the word in target format: its first W bytes are written
};

struct CodeEntry {
  uint64_t address;  // where the entry lies in program memory
  uint32_t module;   // module address, target format
  uint32_t next;     // next address, target format
  uint32_t opBegin;  // index of the first operand in Emitter::operands()
  uint32_t opCount;
  uint32_t line;
};

struct Task {
  uint64_t start = 0;
  uint32_t cycle = 0;
  uint32_t number = 0;
  uint32_t line = 0;
  uint32_t firstEntry = 0, entryEnd = 0;  // range in Emitter::entries()
};

struct Script {
  uint32_t number;
  uint64_t start;
};

struct Mark {
  uint64_t address;
  uint32_t target;  // the address in target format
};

struct MarkRef {
  std::string name;
  uint32_t operand;  // index in Emitter::operands()
  uint32_t line;
};

struct Definition {
  uint32_t address = 0;
  std::string text;           // "DW5" or "B1.0"
  std::vector<uint8_t> data;  // converted value (when no file)
  std::string file;           // data file path ("" when none)
  uint32_t count = 0;         // bytes to load
  uint32_t line = 0;
};

// A value as the parser hands it over.
struct Value {
  enum Kind { None, Int, Float, Bin, Hex, String, File, FileSplit } kind = None;
  bool negative = false;
  uint32_t num = 0;     // Int
  double dbl = 0;       // Float
  std::string text;     // Bin/Hex digits, String text, File path
  uint32_t a = 0, b = 0;  // FileSplit numbers
};

class Emitter {
public:
  Emitter(DdfApi& ddf, Messages& msgs, Listing& listing) : ddf_(ddf), msgs_(msgs), lst_(listing) {}

  // Reads the target's layout and empties every table.
  void prepare();
  // Reserves the tables for a program text of about this many bytes, so that
  // they do not grow step by step while the text is parsed.
  void reserve(uint64_t textBytes);

  // ---- actions of the grammar ----
  void taskBegin(uint32_t line, uint32_t cycle, uint32_t number);
  void taskEnd(uint32_t line, uint32_t number);
  void enterTask();
  void opVariable(uint32_t line, const std::string& base, long index, int bit);
  void opInteger(uint32_t line, uint32_t value, bool negative);
  void opFloat(uint32_t line, double value, bool negative);
  void opBinary(uint32_t line, const std::string& digits);
  void opHex(uint32_t line, const std::string& digits);
  void opMark(uint32_t line, const std::string& name);
  void opFile(uint32_t line, const std::string& path);
  void call(uint32_t line, const std::string& name);
  void dropPending();  // a call that a syntax error cut off
  void script(uint32_t line, uint32_t number);
  void mark(uint32_t line, const std::string& name);
  void definition(uint32_t line, const std::string& base, long index, int bit, const Value& v);

  // ---- for the output pass ----
  int width() const { return width_; }
  uint32_t codeStart() const { return start_; }
  uint32_t codeSize() const { return size_; }
  uint64_t counter() const { return counter_; }
  uint32_t taskTableAddress() const { return tableAddr_; }
  uint16_t taskCount() const { return tableCount_; }
  uint32_t structInfoAddress() const { return structAddr_; }
  uint32_t structInfoSize() const { return structSize_; }
  const std::vector<CodeEntry>& entries() const { return entries_; }
  std::vector<Operand>& operands() { return operands_; }
  const std::vector<Task>& tasks() const { return tasks_; }          // every task, source order
  const std::vector<size_t>& entered() const { return enteredSource_; }  // entered, source order
  const std::vector<size_t>& byNumber() const { return enteredByNumber_; }
  const std::vector<Script>& scripts() const { return scripts_; }
  const std::unordered_map<std::string, Mark>& marks() const { return marks_; }
  const std::vector<MarkRef>& markRefs() const { return markRefs_; }
  const std::vector<Definition>& definitions() const { return definitions_; }
  double memoryShare() const;

  // Conversions into a 4-byte slot (bytes beyond the written ones stay 0).
  bool convAddress(uint64_t value, uint32_t& slot);
  bool convInteger(uint32_t value, uint32_t& slot);

  DdfApi& ddf() { return ddf_; }
  Messages& messages() { return msgs_; }
  Listing& listing() { return lst_; }

private:
  enum class BlockKind { Func, Beg, End };
  // Makes a code entry of the pending operands; -1 when the block is unknown.
  long makeEntry(uint32_t line, const std::string& name, BlockKind kind, bool dumpNow);
  void dump(const CodeEntry& e);
  void actionMessage(int number, uint32_t line, const std::string& arg);
  void addOperand(uint16_t kind, uint32_t slot);
  // Asks the reader for a variable's address and size; a variable found
  // before is answered from a small table.
  int varQuery(DdfVarQuery& q);

  DdfApi& ddf_;
  Messages& msgs_;
  Listing& lst_;
  int width_ = 4;
  uint32_t start_ = 0, size_ = 0;
  uint64_t counter_ = 0;
  uint32_t tableAddr_ = 0;
  uint16_t tableCount_ = 0;
  uint32_t structAddr_ = 0, structSize_ = 0;

  std::vector<CodeEntry> entries_;
  std::vector<Operand> operands_;
  std::vector<Operand> pending_;
  std::vector<MarkRef> pendingRefs_;  // operand index relative to pending_
  std::vector<Task> tasks_;
  bool inTask_ = false;
  uint32_t endNumber_ = 0;
  std::vector<size_t> enteredSource_, enteredByNumber_;
  std::vector<Script> scripts_;
  std::set<uint32_t> scriptNumbers_;
  std::unordered_map<std::string, Mark> marks_;  // looked up by name only
  std::vector<MarkRef> markRefs_;
  std::vector<Definition> definitions_;
  std::vector<uint32_t> dumpWords_;  // scratch of dump()
  // The reader's answer for each block name asked so far, with the address
  // converted: the description does not change while it is read, and a
  // program calls few block types many times.
  struct ModuleAnswer {
    int result;
    uint32_t address;
    uint32_t slot;  // the address in target format
  };
  std::unordered_map<std::string, ModuleAnswer> modules_;
  // Addresses converted so far, by a hash of the address (one entry each).
  struct ConvertedAddress {
    uint32_t value = 0;
    uint32_t slot = 0;
    bool valid = false;
  };
  static constexpr unsigned kAddressCacheBits = 12;
  // The value's conversion from the table, else by convert (which fills four
  // bytes and answers the reader's result), kept in the table when it worked.
  template <typename Convert>
  bool convCached(std::vector<ConvertedAddress>& table, uint32_t value, uint32_t& slot, Convert convert);
  // Variables found so far (name of at most 15 characters, index, bit), by a
  // hash of the three (one entry each, a later variable of the same hash
  // takes the place), with the address converted once found. A small table:
  // it stays in the processor's cache, where a table of every variable of a
  // large program would not.
  struct FoundVariable {
    char area[16] = {};
    int32_t index = 0;
    int32_t element = 0;
    uint32_t address = 0, size = 0;
    uint32_t slot = 0;  // the address in target format, when converted
    bool valid = false, converted = false;
  };
  static constexpr unsigned kVariableCacheBits = 12;
  // The entry of a variable found by the last varQuery() (null otherwise).
  FoundVariable* found_ = nullptr;
  std::vector<FoundVariable> variables_ = std::vector<FoundVariable>(size_t(1) << kVariableCacheBits);
  std::vector<ConvertedAddress> addresses_ = std::vector<ConvertedAddress>(size_t(1) << kAddressCacheBits);
  // Integers converted so far, the same way.
  std::vector<ConvertedAddress> integers_ = std::vector<ConvertedAddress>(size_t(1) << kAddressCacheBits);
};

}  // namespace cg
