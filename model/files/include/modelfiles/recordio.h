#pragma once
// Serializers of the records of project files and block libraries, at the
// formats' offsets. Pointer fields are not part of the in-memory records'
// images here: they travel beside them as the stored 32-bit values (presence
// flags or link ids) that the loaders interpret.
#include "model/records.h"
#include "modelfiles/bytes.h"

#include <cstdint>

namespace modelfiles {

constexpr std::size_t kLogicRecordSize = 236;
constexpr std::size_t kOldLogicRecordSize = 216;
constexpr std::size_t kGateRecordSize = 68;
constexpr std::size_t kOldGateRecordSize = 64;
constexpr std::size_t kInputPinSize = 20;
constexpr std::size_t kOutputPinSize = 6;
constexpr std::size_t kExtraRowSize = 8;
constexpr std::size_t kWirePointSize = 8;
constexpr std::size_t kPortRowSize = 6;
constexpr std::size_t kModuleHeaderSize = 24;
constexpr std::size_t kModuleRecordSize = 52;
constexpr std::size_t kTypeRecordSize = 112;
constexpr std::size_t kTypePinRowSize = 16;
constexpr std::size_t kParamFieldSize = 48;
constexpr std::size_t kStepBlockSize = 44;
constexpr std::size_t kInstanceBlockSize = 65;
constexpr std::uint32_t kMagic1 = 7777777;
constexpr std::uint32_t kMagic2 = 3333333;

// The stored pointer fields of a logic record.
struct LogicLinks {
  std::uint32_t next = 0, firstGate = 0, linkId = 0, inputPorts = 0, outputPorts = 0;
};
void writeLogicRecord(ByteWriter& w, const model::LogicRecord& l, const LogicLinks& links);
// Reads a 236-byte record (216 when old, completed as the format says) into
// the non-pointer fields of l; the pointer fields of l are left alone.
bool readLogicRecord(ByteReader& r, model::LogicRecord& l, LogicLinks& links, bool old);

struct GateLinks {
  std::uint32_t next = 0, inputs = 0, outputs = 0, extra = 0, sub = 0, linkId = 0;
};
void writeGateRecord(ByteWriter& w, const model::GateRecord& g, const GateLinks& links);
bool readGateRecord(ByteReader& r, model::GateRecord& g, GateLinks& links, bool old);

struct PinLinks {
  std::uint32_t source = 0, wire = 0, branchOf = 0;
};
void writeInputPin(ByteWriter& w, const model::InputPin& p, const PinLinks& links);
void readInputPin(ByteReader& r, model::InputPin& p, PinLinks& links);
void writeOutputPin(ByteWriter& w, const model::OutputPin& p);
void readOutputPin(ByteReader& r, model::OutputPin& p);
void writeWirePoint(ByteWriter& w, const model::WirePoint& p, std::uint32_t next);
void readWirePoint(ByteReader& r, model::WirePoint& p, std::uint32_t& next);
void writePortRow(ByteWriter& w, const model::PortRow& p);
void readPortRow(ByteReader& r, model::PortRow& p);
void writeStepBlock(ByteWriter& w, const model::StepBlock& s);
void readStepBlock(ByteReader& r, model::StepBlock& s);

struct ModuleLinks {
  std::uint32_t next = 0, list = 0, code = 0, variables = 0, constants = 0;
};
// The first 24 bytes of a module record.
void writeModuleHeader(ByteWriter& w, const model::ProjectModule& m, const ModuleLinks& links);
void readModuleHeader(ByteReader& r, model::ProjectModule& m, ModuleLinks& links);
// Bytes 24..51 of a compiled module's record.
void writeModuleTail(ByteWriter& w, const model::ProjectModule& m, const ModuleLinks& links);
void readModuleTail(ByteReader& r, model::ProjectModule& m, ModuleLinks& links);

// A gate type's 112-byte image. Pointer fields are written as presence
// flags (1 when set), the link id at 108 as given; on reading the pointers
// stay null and the link id is returned in the record.
void writeTypeRecord(ByteWriter& w, const model::GateTypeRecord& t, std::uint32_t next, std::uint32_t linkId);
void readTypeRecord(ByteReader& r, model::GateTypeRecord& t, std::uint32_t& next);
void writeTypePinRow(ByteWriter& w, const model::TypePinRow& p);
void readTypePinRow(ByteReader& r, model::TypePinRow& p);

} // namespace modelfiles
