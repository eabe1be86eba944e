#pragma once
// Record gate files: a Read-Record gate (kind 88) reads one record of a
// ".VDB", ".VAT" or ".VAL" file per step into its outputs; a Write-Record gate
// (kind 89) writes its state values to a ".VDB" or ".VAT" file or to the
// printer. The file state lives in the gate instance's extra values; the
// record status (the first value of the record read next, -10.0 at the end,
// 1e32 without a file) in its first state value.
#include "model/records.h"
#include "recorder/recfiles.h"

#include <cstdint>
#include <string>

namespace rec {

inline constexpr std::uint8_t kKindReadRecord = 88;
inline constexpr std::uint8_t kKindWriteRecord = 89;
// Bytes of the file state at the head of the extra values (4 slots).
inline constexpr std::size_t kRecordStateBytes = 28;

struct RecordFileState {
  std::int16_t handle = -1;       // -1 no file, 0 the printer, else a file-layer handle
  std::uint16_t valueCount = 0;   // values per record after its first
  std::uint16_t kind = 0;         // output kind of the name
  std::uint16_t skip = 0;         // values passed over at the start of each record
  std::uint32_t position = 0;     // position of the first record
  char name[17] = ".VDB";         // 16 characters
};

// The file state in an instance's extra values (false when there is no room).
bool vdb_LoadState(const model::GateInstance* inst, RecordFileState& st);
bool vdb_StoreState(model::GateInstance* inst, const RecordFileState& st);

// The directory of record files (the selector's path buffer).
std::string& vdb_RecordPath();
void vdb_UnitInit(const std::string& currentDir);

// Chooses (the file selector when chosen is empty) and opens the file.
bool vdb_OpenRecordFile(model::GateRecord* gate, model::GateInstance* inst, const std::string& chosen = {});
void vdb_ReopenRecordFile(model::GateInstance* inst);
bool vdb_CheckHeader(RecStream& s, model::GateInstance* inst, RecordFileState& st);
void vdb_RewindRecordFile(model::GateRecord* gate, model::GateInstance* inst);
void vdb_CloseRecordFile(model::GateInstance* inst);
void vdb_ReadRecord(model::GateRecord* gate, model::GateInstance* inst);
void vdb_WriteRecord(model::GateRecord* gate, model::GateInstance* inst);

// Text readers (the byte that ends the text is consumed).
bool vdb_ReadCountText(RecStream& s, std::uint16_t& count);
bool vdb_ReadNumberText(RecStream& s, double& value);

// What went to the printer from Write-Record gates.
std::string& vdb_PrinterText();

} // namespace rec
