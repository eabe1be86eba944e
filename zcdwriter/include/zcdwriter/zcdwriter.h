#pragma once
// The target program text writer: turns the simulated logic of a project into
// the line-oriented target program text that the code generator compiles.
// It is a setup pass over the diagram: gate by gate it resets the run-time
// values, runs the setup procedures of compiled gate types (which write their
// block lines through the extern functions) and writes the program frames,
// the parallel-sequence modules and the jump frames around them.
//
// Three passes:
//  - pc_AllocateSheet numbers the parallel sequences and reserves their
//    operand ranges (M bits, DW words) in the operand address table;
//  - co_OpenOutput / pc_EmitProgramFrame / co_CloseOutput write the text;
//  - sim_EndGatesDeep runs the end procedures when a run ends.
// zcd_WriteProgram runs the whole road for a document.
#include "model/records.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

namespace zcd {

constexpr int kModuleRecords = 201;   // record 0: main text; 1..200: parallel sequences
constexpr int kMaxSequences = 200;
constexpr int kTopCycleTime = 10;     // cycle time of the top frame's task, ms

// One parallel sequence's module: its stream while its module file is being
// written, and the operand ranges the allocation pass reserved for it.
struct TargetModuleRecord {
  std::FILE* stream = nullptr;
  std::uint16_t bitCount = 0;
  std::uint16_t wordCount = 0;
  std::int16_t bitBase = 0;   // first M bit index
  std::int16_t trBase = 0;    // first DW of the word range
  std::int16_t errWord = 0;   // one DW
  std::int16_t cpsBase = 0;   // first DW of a range of bit-count words
  std::int16_t cmsBase = 0;   // first DW of a second such range
};

// Where the writer's files go and what its header says. The program installs
// paths from the settings library; tools and tests give their own.
struct WriterEnvironment {
  // The main text's path for the program instance; "" when it cannot be had.
  std::function<std::string()> mainPath;
  // The per-instance temporary directory, with its trailing separator.
  std::function<std::string()> tempDir;
  // The header's first line (the language library's heading string).
  std::string heading = "; Zerlo target program";
  // The clock of the header's date line (tests fix it).
  std::function<std::time_t()> now = [] { return std::time(nullptr); };
};
WriterEnvironment& writerEnvironment();

// ---- Output ----
// Creates (truncates) the main text and writes the header; clears the
// sequence state. Without a path the stream stays closed: no text is
// written, the passes still reset values and run the type procedures.
void co_OpenOutput();
// Closes the main text and the extra files of the extern library.
void co_CloseOutput();
bool co_IsOpen();
// True when the text last closed was written whole and took its place.
bool co_LastCloseOk();
// One line (a line end is added) to the current task of the main text.
void co_WriteLine(const std::string& text);
// One symbol line named "P" for a REAL operand vector (class, index, bit).
void co_SymbolLine(double cls, double index, double bit);
// Address texts: with bit for the bit classes (co_AddressText), and the flat
// form without bit (va_AddressText0). An unknown class gives "M0.0" / "".
std::string co_AddressText(int cls, int index, int bit);
std::string va_AddressText0(double cls, double index);

// ---- Passes ----
// The allocation pass over one gate list (recursive).
void pc_AllocateSheet(model::GateRecord* first, model::GateInstance* instances);
// The whole text pass over one gate list: top frame, sheet code, reset blocks.
void pc_EmitProgramFrame(model::GateRecord* first, model::GateInstance* instances, std::uint8_t setupFlag);
// The per-gate pass over one list; pendingLabel -1 = none.
void pc_EmitSheetCode(model::GateRecord* first, model::GateInstance* instances, int pendingLabel);
// The end pass: record files and end procedures of compiled types.
void sim_EndGatesDeep(model::GateRecord* first, model::GateInstance* instances);
void sim_EndGates(model::GateRecord* first, model::GateInstance* instances);
void sim_EndGate(model::GateRecord* gate, model::GateInstance* instance);

// ---- Parallel sequences ----
// True when a gate list forms a parallel sequence: a compiled gate whose type
// has the parallel-sequence flag, and no Input or Output port of REAL type.
bool pc_IsSequenceList(const model::GateRecord* first);
// Module records (index 0..200; null outside).
TargetModuleRecord* moduleRecord(int n);
// Clears the 201 module records and the sequence state (installed into the
// operand address table's resets).
void pc_ClearModuleRecords();
// The current sequence number (0: main text) and the last number given.
std::uint16_t pc_CurrentSequence();
std::uint16_t pc_SequenceCounter();
// Message 50049 is shown once until this clears its flag.
void pc_ClearTooManyFlag();
// The next label number of the Disable-Logic frames (never reset by the passes).
std::uint16_t& pc_LabelCounter();

// ---- The whole road ----
// Writes the target program text of a document's current level logic (the
// level-1 logic when no level is open, else its first logic) to the
// environment's main path: resets the operand table's sequence state, runs the
// allocation pass, opens the output, runs the text pass with setup flag 0 and
// closes it. The document's compiled modules must be linked. False with the
// reason when there is nothing to write or the file cannot be created.
bool zcd_WriteProgram(model::DocumentRecord& doc, std::string* error = nullptr);

// ---- The editor's engine hooks ----
// The writer's setup-time services in the form the editor's hooks take, so
// that the editor can install them: the allocation pass over the document's
// level-1 logic; the text pass over a logic with its instances of the current
// level (argument: the setup flag); the output opened at a path ("" : the
// environment's main path), true when open; the output closed.
bool zcd_HookAllocateSheet(model::DocumentRecord* doc);
void zcd_HookEmitProgramFrame(model::LogicRecord* logic, std::uint16_t argument);
bool zcd_HookOpenOutput(const std::string& path);
void zcd_HookCloseOutput();

// Tests: the state of the writer back to program start (labels, flags, records).
void zcd_ResetForTests();

} // namespace zcd
