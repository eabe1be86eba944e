#pragma once
// The extern function library: native functions 0..122 that block code calls
// through opcode 210. Arguments come as the ExternArgBlock, a row of 32-bit
// slots each holding the (virtual) address of the argument's storage; results
// go back through those addresses. Every access is checked through the
// interpreter's address space: a bad argument address stops the run.
#include <cstddef>
#include <cstdint>
#include <string>

namespace model {
struct GateTypeRecord;
}

namespace engine {

class Vm;
class ParamTransferPort;

// True for a number with an entry. Numbers without one (11, 77, 107, 113,
// 119, above 122, negative) get the no-op entry; the first such lookup shows
// message 50031 (once per program run).
bool xt_IsValid(std::int32_t number);
// Calls extern 'number' (-1: the no-op entry) with the argument block at argBlock.
void xt_Call(std::int32_t number, Vm& vm, std::uint32_t argBlock);
// Call reason handed to extern 106 (1 normally, 2 while a gate is inserted).
void xt_SetCallReason(std::uint16_t value);
// Tests: forget that message 50031 was shown.
void xt_ResetInvalidFlag();

// Where the target program text lines of the externs go. The target text
// writer installs its streams here; while none is open the lines are dropped.
class TargetTextSink {
public:
  virtual ~TargetTextSink() = default;
  virtual bool mainOpen() const { return false; }
  virtual void writeMain(const std::string& line) {}
  // Completes a file name of an include line (the writer's path completion).
  virtual std::string completePath(const std::string& name) { return name; }
  // Language strings 102..105 of the include lines ("%s" takes the path).
  virtual std::string languageString(int id);
  // The current parallel sequence: its number and word or bit count; false at top level.
  virtual bool nextSequenceItem(bool bit, std::uint16_t& sequence, std::uint16_t& count) { return false; }
  // Bit base and TR base of sequence 0..200; false when unknown.
  virtual bool sequenceBases(int sequence, int& bitBase, double& trBase) { return false; }
  // Makes the sequence current and writes a line to its stream.
  virtual void writeSequence(int sequence, const std::string& line) {}
};
// A sink that keeps the text, for tests.
class StringTextSink : public TargetTextSink {
public:
  std::string text;
  bool open = true;
  bool mainOpen() const override { return open; }
  void writeMain(const std::string& line) override { text += line; }
};
TargetTextSink* setTargetTextSink(TargetTextSink* sink);   // null: none; returns the previous one

// The variable table of a compiled gate type (GateTypeRecord::VariableTable,
// VariableCount entries): each entry 8 bytes, little-endian: u16 kind, u16
// count, u32 byte offset of the variable in the gate's state values. The size
// of a variable by kind: 0, 2 and 5 one 8-byte slot; 1 count 8-byte slots;
// 3 count bytes, at most 40; 4 134 bytes; other kinds have no known size.
constexpr std::size_t kVariableEntrySize = 8;
// End of the last variable (its offset plus its size), the byte count that
// extern 108 restores; 0 when the type has no table, the table is shorter
// than its count says, or the last kind is unknown.
std::size_t xt_VariableTableEnd(const model::GateTypeRecord* type);

// Closes and forgets the extra files of extern 76 (with the main output).
void xt_CloseExtraFiles();

// Program state the externs report (set by the shell).
struct ExternProgramState {
  std::uint8_t interfaceDisplay = 0;   // extern 62
  std::string projectDir;              // extern 78
  std::string projectName;
  std::uint16_t openWorksheets = 0;    // extern 120
  bool multipleUseWindow = false;      // extern 94
  bool onlineMode = false;             // extern 75
  bool kind3Window = false;
  std::int16_t originX = 0, originY = 0;   // extern 91
  bool repaintPending = false, printing = false, offscreenRedraw = false;   // extern 92
  double targetWindow = 0, frameWindow = 0, clientWindow = 0, activeWorksheet = 0;   // externs 109..112
  std::uint16_t clipFlag = 0;              // extern 118
  bool goOnlineAfterDownload = false;      // cleared by a target write while offline
};
ExternProgramState& externState();

// ---- the externs that reach outside the diagram ----
// Target values (9..22, 34, 45, 46, 52..55, 63, 65, 66, 80) go through this
// port (default: the server client's); null restores the default.
ParamTransferPort* xt_SetTargetPort(ParamTransferPort* port);
// The flat address text of a class (rounded) and index: "M%i", "E%i" (index
// - 1), "A%i" (index - 1), "DF%i" ... "PT%i"; "" for other classes and
// negative indexes.
std::string va_AddressText0(double cls, double index);
// Dialogs, message boxes and programs (29..32, 44, 49, 50, 61, 79, 82, 88)
// are queued through EngineServices::queueDeferred and run later on the UI
// thread. The argument addresses they write back through are checked again
// when they run: a region that was unmapped or remapped meanwhile is not
// written. Window messages (37, 85..87, 100) go to the platform's endpoints:
// a window class is the part of an endpoint name before "|", the title the
// part after it; an atom's text travels as the message text and the answer
// text (87, 100).
constexpr std::uint32_t kHelperRequestMessage = 0x400 + 2000;   // 3024, extern 82
// Bitmaps (8, 116, 121, 122): files searched along the library paths; the
// ones 116/121/122 keep are listed (their handles are small numbers) until
// the project closes.
void xt_FreeExternBitmaps();
std::size_t xt_ExternBitmapCount();
// A raster operation of extern 116 (0 BLACKNESS .. 14 WHITENESS; others
// SRCCOPY) on one pixel (0xRRGGBB): pattern (the fill colour), source, destination.
std::uint32_t xt_RasterOp(int op, std::uint32_t pattern, std::uint32_t src, std::uint32_t dst);

} // namespace engine
