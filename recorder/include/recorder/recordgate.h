#pragma once
// Record gate files: a Read-Record gate (kind 88) reads one record of a
// ".VDB", ".VAT" or ".VAL" file per step into its outputs; a Write-Record gate
// (kind 89) writes its state values to a ".VDB" or ".VAT" file or to the
// printer. The file state lives in the gate instance's extra values (the
// gate's own extra values when its instances share them); the record status
// (the first value of the record read next, -10.0 at the end, 1e32 without a
// file) in its first state value.
//
// Open files are kept in a table of this process, keyed by the storage of
// the file state. The handle slot of the extra values only carries a ticket of
// that table: a number read from a project file (or left by another process)
// never names an open file, so such a state counts as closed.
#include "model/records.h"
#include "recorder/recfiles.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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

// The file state of a gate's instance (false when there is no room). The
// handle is the open file of this process for that state, -1 when none.
bool vdb_LoadState(const model::GateRecord* gate, const model::GateInstance* inst, RecordFileState& st);
bool vdb_StoreState(const model::GateRecord* gate, model::GateInstance* inst, const RecordFileState& st);
// Closes every record file this process holds (a project that goes away):
// a Write-Record gate's last record is written, its file takes its own name.
// Call while the gates' storage is still there.
void vdb_CloseAllRecordFiles();
// Number of record files this process holds open (tests, diagnostics).
std::size_t vdb_OpenRecordFileCount();

// How the form chooses a record file: the pattern (directory, "*.V*"), the
// name offered, whether the file is written (a save dialog); true with the
// chosen name (bare or a full path). The default asks the file layer's open
// dialog; the program installs its own file dialogs.
using RecordFileChooser =
    std::function<bool(const std::string& pattern, const std::string& offered, bool saving, std::string& chosen)>;
RecordFileChooser& vdb_FileChooser();

// The directory of record files (the selector's path buffer).
std::string& vdb_RecordPath();
void vdb_UnitInit(const std::string& currentDir);

// Chooses (the file selector when chosen is empty) and opens the file.
bool vdb_OpenRecordFile(model::GateRecord* gate, model::GateInstance* inst, const std::string& chosen = {});
void vdb_ReopenRecordFile(model::GateRecord* gate, model::GateInstance* inst);
bool vdb_CheckHeader(RecStream& s, model::GateInstance* inst, RecordFileState& st);
void vdb_RewindRecordFile(model::GateRecord* gate, model::GateInstance* inst);
// Closes the file (the printer stays with the gate unless includePrinter);
// a Write-Record file written under its work name takes its own name.
void vdb_CloseRecordFile(model::GateRecord* gate, model::GateInstance* inst, bool includePrinter = true);
void vdb_ReadRecord(model::GateRecord* gate, model::GateInstance* inst);
void vdb_WriteRecord(model::GateRecord* gate, model::GateInstance* inst);
// One simulation step at time t: a Read-Record gate reads every record whose
// time has come (its outputs then hold the newest of them); a Write-Record
// gate takes the time and its inputs into its state values and writes the
// values it held for an earlier time first, so that each time step leaves one
// record with the values it settled on. Closing writes the last one.
void vdb_StepRecordGate(model::GateRecord* gate, model::GateInstance* inst, double t);

// Text readers (the byte that ends the text is consumed).
bool vdb_ReadCountText(RecStream& s, std::uint16_t& count);
bool vdb_ReadNumberText(RecStream& s, double& value);

// What went to the printer from Write-Record gates.
std::string& vdb_PrinterText();

} // namespace rec
