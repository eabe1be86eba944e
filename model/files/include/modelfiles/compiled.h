#pragma once
// Block libraries (".MCO"): compiled modules of gate types with interpreter
// code. The reader fills a module (a new one, or the placeholder a project
// file left) and hands the module's link block to the interpreter's linker;
// the writer builds library files from code (fixtures, tools).
#include "model/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modelfiles {

// Flags 1, everything else empty.
void mdl_InitCompiledModule(model::ProjectModule* m);
// Reads block library bytes into the module the slot names; an empty slot
// creates the module (appended to the current document) and stores it there.
// Result through LoadStatus; true when a flag stands. A module whose code the
// linker refuses is no failure of the read: its types become placeholders
// (no code; names, counts and pins kept) and 50041 is shown once per load.
bool mdl_ReadCompiledModule(model::ProjectModule*& slot, const std::uint8_t* data, std::size_t size);
// Native step procedures: none in this system.
void* mdl_NativeProcedure(const char* moduleName, const char* typeName, int selector);

// What a block library holds, for the writer.
struct McoType {
  std::string name;                       // at most 16 characters
  std::uint16_t extraCount = 0, stateCount = 0;
  std::int16_t height = 40, width = 40;
  std::uint16_t variableCount = 0;
  std::uint8_t auxType[2] = {0, 0};
  std::uint16_t flags = 0;
  std::vector<model::TypePinRow> inputs, outputs;
  std::vector<std::uint8_t> paramFields;  // 48 bytes a field
  std::vector<std::uint8_t> variableTable;
  std::vector<std::uint8_t> step;         // step code (must not be empty to load)
  std::vector<std::uint8_t> procs[7];     // first and second code, allocation, end of run, parameters, two drawing
};
struct McoModule {
  std::string name;                       // base name, at most 8 characters
  std::uint32_t loaded = 1;
  std::vector<McoType> types;
  std::vector<std::uint8_t> code;
  std::uint32_t variableSize = 0;
  std::vector<std::uint8_t> constants;
  std::vector<std::string> references;    // names of compiled modules it uses
  std::vector<std::uint8_t> linkBlock;
};
std::vector<std::uint8_t> mdl_EncodeCompiledModule(const McoModule& m);

} // namespace modelfiles
