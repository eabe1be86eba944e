#pragma once
// Assembler of the interpreter's instruction set (the text format is in
// tools/zasm/README.md) and the writer of assembled code into the records of
// a compiled module: ProjectModule with its GateTypeRecords, code, variable
// and constant blocks, allocated through the model's memory manager.
#include "model/records.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zasm {

// Opcode of a mnemonic (or "opNNN"); -1 when unknown.
int opcodeOf(const std::string& mnemonic);
const char* mnemonicOf(unsigned opcode);

// Procedure slots of a type: 0 step, 1 first code, 2 second code, 3 allocation,
// 4 end of run, 5 parameters, 6 first drawing, 7 second drawing.
enum ProcSlot { kStep, kCode1, kCode2, kAlloc, kEndRun, kParam, kDraw1, kDraw2, kProcSlots };

struct TypeSource {
  std::string name;
  std::vector<model::PinSignalType> inputs, outputs;
  // The pin rows (position, side, signal type, 8-character name), parallel to
  // inputs / outputs; typeRows fills what a source leaves out.
  std::vector<model::TypePinRow> inputRows, outputRows;
  // Described parameter fields: 48 bytes a field.
  std::vector<std::uint8_t> fields;
  std::uint16_t extra = 0, state = 0;
  std::int16_t width = 40, height = 30;
  std::uint16_t flags = 0;
  std::vector<std::uint8_t> procs[kProcSlots];
};

struct ModuleSource {
  std::string name;
  std::vector<std::uint8_t> code;    // the module's code block
  std::uint32_t varsSize = 0;
  std::vector<std::uint8_t> consts;
  std::vector<TypeSource> types;
  // Symbols of the blocks: offsets of const labels, variables and functions.
  std::map<std::string, std::uint32_t> constLabels, varLabels, codeLabels;
  // The modules it uses ("uses NAME" lines): the link table, in order; the
  // position is the module number of 'mK.' and 'xK:' operands.
  std::vector<std::string> uses;
  std::vector<std::uint32_t> functions;   // offsets of the "func" headers in the code block
  // The initialisation (link) block: code the linker runs once after linking
  // the module (empty when none).
  std::vector<std::uint8_t> init;
};

// The pin rows of a type: the placed rows of its source, default places
// (inputs down the left side, outputs down the right) for the others.
std::vector<model::TypePinRow> typeRows(const TypeSource& t, bool inputs);

// Extern numbers a library may not call (no function behind them, or the
// engine's own).
bool isForbiddenExtern(unsigned number);

// Assembles a library text. On error: false with "line N: message" ("FILE
// line N: message" for a line of an included file).
bool assembleLibrary(const std::string& text, ModuleSource& out, std::string& error);
// The same for a library file, whose "include FILE" lines (top level) take in
// files beside it.
bool assembleLibraryFile(const std::string& path, ModuleSource& out, std::string& error);
// Assembles the body of one procedure (a "frame" line and instructions);
// labels refer to the procedure itself. Module symbols come from 'module'
// (may be null).
bool assembleProcedure(const std::string& text, std::vector<std::uint8_t>& out, std::string& error,
                       const ModuleSource* module = nullptr);

// The checks of the linker that need no other module, on every block of an
// assembled library: each procedure, function and the initialisation block
// decodes (known opcodes, inside the block, ends with an end instruction);
// every operand has a known tag; offsets into the module's own code, constant
// and variable blocks, the procedure itself and the linker's frame lie inside
// them; module numbers lie inside the "uses" table and 'xK:' names a module
// whose name begins with "Extern". False with "BLOCK: message" at the first
// failure.
bool checkLibrary(const ModuleSource& src, std::string& error);

// Builds the compiled module in the document (appended to its module list,
// flags 1, loaded 1). An existing compiled module of that name is refilled
// by type name. Null when memory fails.
model::ProjectModule* buildModule(model::DocumentRecord& doc, const ModuleSource& src);
// Releases the blocks of the module's types that the document release does
// not cover (procedure code, described fields), so that the document can then
// be freed.
void releaseTypeCode(model::ProjectModule* module);

// Text listing of assembled code, one instruction a line (for the tool).
std::string disassemble(const std::vector<std::uint8_t>& code, std::uint32_t start = 0);

} // namespace zasm
