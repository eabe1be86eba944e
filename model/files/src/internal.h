#pragma once
// Shared between the readers and writers of this library.
#include "model/records.h"
#include "modelfiles/bytes.h"
#include "modelfiles/recordio.h"

#include <memory>
#include <string>
#include <vector>

namespace modelfiles::detail {

// One record of a value tree as found in a file; the arrays point into the
// file's bytes, which outlive the tree.
struct TreeRecord;
struct ValueTree {
  std::vector<TreeRecord> records;
};
struct TreeRecord {
  std::uint16_t gateNumber = 0;
  std::uint32_t inputLength = 0, outputLength = 0, extraLength = 0, stateLength = 0;
  const std::uint8_t* inputs = nullptr;
  const std::uint8_t* outputs = nullptr;
  const std::uint8_t* block = nullptr;   // 65 bytes, null in version-0 trees
  const std::uint8_t* extras = nullptr;
  const std::uint8_t* states = nullptr;
  std::unique_ptr<ValueTree> nested;    // after a state length of 0xFFFFFFFF
};
constexpr std::uint32_t kNestedTree = 0xFFFFFFFFu;
constexpr int kMaxTreeDepth = 64;

// Parses one value tree; false when the bytes do not form one.
bool parseValueTree(ByteReader& r, bool withBlocks, ValueTree& tree, int depth = 0);
// Writes the tree of a gate list paired with its instance list.
void writeValueTree(ByteWriter& w, const model::GateRecord* gates, const model::GateInstance* instances,
                    int depth = 0);
// Fills existing instances from a tree. loading: the rules of a project load
// (mismatching arrays keep their fresh values); else the rules of a state
// file (a shorter input array fills the start). False when the tree does not
// fit the logic (a nested tree on a gate that is no call).
bool applyValueTree(const ValueTree& tree, model::GateRecord* gates, model::GateInstance* instances, bool loading,
                    int depth = 0);

// Records parsed from a project file before they go into the document.
struct StagedGate {
  model::GateRecord* gate = nullptr;
  GateLinks links;
  std::size_t firstPin = 0;             // its inputs' links in the logic's pins
};
struct StagedLogic {
  model::LogicRecord* logic = nullptr;  // owned until committed
  LogicLinks links;
  bool full = false;                    // with port tables and gates
  std::vector<StagedGate> gates;        // sub links of calls and compiled gates
  std::vector<PinLinks> pins;           // the input links of every gate, in gate order
};
struct StagedModule {
  model::ProjectModule header{};        // name, flags, aux word, sizes, loaded
  ModuleLinks links;
  bool compiled = false;
  const std::uint8_t* variables = nullptr;
  std::vector<StagedLogic> logics;
  std::vector<model::GateTypeRecord*> types;   // owned until committed
};
struct StagedFile {
  std::uint32_t version = 0;
  std::vector<StagedModule> modules;
  std::vector<ValueTree> trees;
  ~StagedFile();
};
// Parses a whole project stream; on failure sets the file-error or
// out-of-memory flag of LoadStatus and returns false.
bool parseProject(ByteReader& r, StagedFile& out);

// Releases records that are not (or no longer) part of a document.
void freeGate(model::GateRecord*& g);
void freeLogic(model::LogicRecord*& l);   // with its gates, instances and ports
void freeType(model::GateTypeRecord*& t); // with its code and tables
void freeModule(model::ProjectModule*& m);

// Copies a zero-terminated or full-width field, upper-cased where asked.
void upperName(char* s, std::size_t n);
std::string fieldText(const char* s, std::size_t n);

// Registers the byte size of a type's variable table.
void setVariableTableSize(const model::GateTypeRecord* t, std::size_t n);

} // namespace modelfiles::detail
