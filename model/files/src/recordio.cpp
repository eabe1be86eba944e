#include "modelfiles/recordio.h"

#include <cstring>

namespace modelfiles {

using namespace model;

void writeStepBlock(ByteWriter& w, const StepBlock& s) {
  w.f64(s.simTime);
  w.f64(s.interval);
  w.f64(s.minInterval);
  w.f64(s.maxInterval);
  w.f64(s.incrInterval);
  w.u16(s.maxIterations);
  w.u16(s.stepFlags);
}

void readStepBlock(ByteReader& r, StepBlock& s) {
  s.simTime = r.f64();
  s.interval = r.f64();
  s.minInterval = r.f64();
  s.maxInterval = r.f64();
  s.incrInterval = r.f64();
  s.maxIterations = r.u16();
  s.stepFlags = r.u16();
}

void writeLogicRecord(ByteWriter& w, const LogicRecord& l, const LogicLinks& k) {
  const std::size_t start = w.size();
  w.u32(k.next);
  w.raw(l.Name, 17);
  w.u8(0);                      // 21: alignment
  w.u16(l.AuxWord);             // 22
  w.u16(l.InputPortCount);      // 24
  w.u16(l.OutputPortCount);     // 26
  w.u32(k.firstGate);           // 28
  w.u32(k.linkId);              // 32
  w.u32(l.AuxLong);             // 36
  w.u16(l.Flags);               // 40
  w.u16(l.FlagsAux);            // 42
  w.i16(l.Height);              // 44
  w.i16(l.Width);               // 46
  w.u32(k.inputPorts);          // 48
  w.u32(k.outputPorts);         // 52
  w.u16(l.GateCounter);         // 56
  w.u16(0);                     // 58: alignment
  writeStepBlock(w, l.StepBlock);  // 60
  w.f64(l.currentStep);         // 104
  w.f64(l.previousStep);        // 112
  w.raw(l.Text1, 16);           // 120
  w.raw(l.Text2, 16);           // 136
  w.raw(l.Text3, 16);           // 152
  w.raw(l.Further, 68);         // 168
  (void)start;
}

bool readLogicRecord(ByteReader& r, LogicRecord& l, LogicLinks& k, bool old) {
  const std::size_t n = old ? kOldLogicRecordSize : kLogicRecordSize;
  const std::uint8_t* p = r.take(n);
  if (!p) return false;
  std::uint8_t img[kLogicRecordSize] = {};
  std::memcpy(img, p, n);
  if (old) {
    std::memcpy(img + 112, img + 104, 8);
    img[120] = 0;
  }
  ByteReader b(img, sizeof img);
  k.next = b.u32();
  b.raw(l.Name, 17);
  b.u8();
  l.AuxWord = b.u16();
  l.InputPortCount = b.u16();
  l.OutputPortCount = b.u16();
  k.firstGate = b.u32();
  k.linkId = b.u32();
  l.AuxLong = b.u32();
  l.Flags = b.u16();
  l.FlagsAux = b.u16();
  l.Height = b.i16();
  l.Width = b.i16();
  k.inputPorts = b.u32();
  k.outputPorts = b.u32();
  l.GateCounter = b.u16();
  b.u16();
  readStepBlock(b, l.StepBlock);
  l.currentStep = b.f64();
  l.previousStep = b.f64();
  b.raw(l.Text1, 16);
  b.raw(l.Text2, 16);
  b.raw(l.Text3, 16);
  b.raw(l.Further, 68);
  return true;
}

namespace {

// The records written for every gate are composed in place and appended in
// one piece.
template <std::size_t N, class Fields> void appendRecord(ByteWriter& w, Fields fields) {
  RecordImage<N> img;
  fields(img);
  w.raw(img.data(), img.size());
}

} // namespace

void writeGateRecord(ByteWriter& out, const GateRecord& g, const GateLinks& k) {
  appendRecord<kGateRecordSize>(out, [&](auto& w) {
    w.u32(k.next);             // 0
    w.u8(g.Kind);              // 4
    w.u8(0);                   // 5
    w.i16(g.X);                // 6
    w.i16(g.Y);                // 8
    w.u16(g.InputCount);       // 10
    w.u16(g.OutputCount);      // 12
    w.u16(g.ExtraCount);       // 14
    w.u16(g.StateCount);       // 16
    w.u16(g.VectorDimension);  // 18
    w.u32(k.inputs);           // 20
    w.u32(k.outputs);          // 24
    w.u32(k.extra);            // 28
    w.u32(k.sub);              // 32
    w.u16(g.Flags);            // 36
    w.u16(g.UseCount);         // 38
    w.u16(g.GateNumber);       // 40
    w.u16(0);                  // 42
    w.u32(k.linkId);           // 44
    w.u32(g.AuxLong);          // 48
    w.u8(g.AuxByte);           // 52
    w.u8(g.AuxByte2);          // 53
    w.u16(g.AuxWord54);        // 54
    w.u16(g.Selected);         // 56
    w.u16(g.HeldSelected);     // 58
    w.u16(g.BitCount);         // 60
    w.u16(g.WordCount);        // 62
    w.u16(g.SequenceNumber);   // 64
    w.u16(g.AuxWord66);        // 66
  });
}

bool readGateRecord(ByteReader& r, GateRecord& g, GateLinks& k, bool old) {
  const std::size_t n = old ? kOldGateRecordSize : kGateRecordSize;
  const std::uint8_t* p = r.take(n);
  if (!p) return false;
  std::uint8_t img[kGateRecordSize] = {};
  std::memcpy(img, p, n);
  if (old) img[52] = 0;
  ByteReader b(img, sizeof img);
  k.next = b.u32();
  g.Kind = b.u8();
  b.u8();
  g.X = b.i16();
  g.Y = b.i16();
  g.InputCount = b.u16();
  g.OutputCount = b.u16();
  g.ExtraCount = b.u16();
  g.StateCount = b.u16();
  g.VectorDimension = b.u16();
  k.inputs = b.u32();
  k.outputs = b.u32();
  k.extra = b.u32();
  k.sub = b.u32();
  g.Flags = b.u16();
  g.UseCount = b.u16();
  g.GateNumber = b.u16();
  b.u16();
  k.linkId = b.u32();
  g.AuxLong = b.u32();
  g.AuxByte = b.u8();
  g.AuxByte2 = b.u8();
  g.AuxWord54 = b.u16();
  g.Selected = b.u16();
  g.HeldSelected = b.u16();
  g.BitCount = b.u16();
  g.WordCount = b.u16();
  g.SequenceNumber = b.u16();
  g.AuxWord66 = b.u16();
  return true;
}

void writeInputPin(ByteWriter& out, const InputPin& p, const PinLinks& k) {
  appendRecord<kInputPinSize>(out, [&](auto& w) {
    w.u32(k.source);
    w.u16(p.SourcePin);
    w.u16(p.Type);
    w.u16(p.Flags);
    w.u16(0);
    w.u32(k.wire);
    w.u32(k.branchOf);
  });
}

void readInputPin(ByteReader& r, InputPin& p, PinLinks& k) {
  k.source = r.u32();
  p.SourcePin = r.u16();
  p.Type = r.u16();
  p.Flags = r.u16();
  r.u16();
  k.wire = r.u32();
  k.branchOf = r.u32();
}

void writeOutputPin(ByteWriter& out, const OutputPin& p) {
  appendRecord<kOutputPinSize>(out, [&](auto& w) {
    w.u16(p.FirstElement);
    w.u16(p.Type);
    w.u16(p.Flags);
  });
}

void readOutputPin(ByteReader& r, OutputPin& p) {
  p.FirstElement = r.u16();
  p.Type = r.u16();
  p.Flags = r.u16();
}

void writeWirePoint(ByteWriter& out, const WirePoint& p, std::uint32_t next) {
  appendRecord<kWirePointSize>(out, [&](auto& w) {
    w.u32(next);
    w.i16(p.X);
    w.i16(p.Y);
  });
}

void readWirePoint(ByteReader& r, WirePoint& p, std::uint32_t& next) {
  next = r.u32();
  p.X = r.i16();
  p.Y = r.i16();
}

void writePortRow(ByteWriter& w, const PortRow& p) {
  w.i16(p.X);
  w.i16(p.Y);
  w.u16(p.Slot);
}

void readPortRow(ByteReader& r, PortRow& p) {
  p.X = r.i16();
  p.Y = r.i16();
  p.Slot = r.u16();
}

void writeModuleHeader(ByteWriter& w, const ProjectModule& m, const ModuleLinks& k) {
  w.u32(k.next);
  w.raw(m.Name, 12);
  w.u16(m.Flags);
  w.u16(m.AuxWord);
  w.u32(k.list);
}

void readModuleHeader(ByteReader& r, ProjectModule& m, ModuleLinks& k) {
  k.next = r.u32();
  r.raw(m.Name, 12);
  m.Flags = r.u16();
  m.AuxWord = r.u16();
  k.list = r.u32();
}

void writeModuleTail(ByteWriter& w, const ProjectModule& m, const ModuleLinks& k) {
  w.u32(k.code);
  w.u32(m.CodeBlockSize);
  w.u32(k.variables);
  w.u32(m.VariableBlockSize);
  w.u32(k.constants);
  w.u32(m.ConstantBlockSize);
  w.u32(m.Loaded);
}

void readModuleTail(ByteReader& r, ProjectModule& m, ModuleLinks& k) {
  k.code = r.u32();
  m.CodeBlockSize = r.u32();
  k.variables = r.u32();
  m.VariableBlockSize = r.u32();
  k.constants = r.u32();
  m.ConstantBlockSize = r.u32();
  m.Loaded = r.u32();
}

static std::uint32_t present(const void* p) { return p ? 1u : 0u; }

void writeTypeRecord(ByteWriter& w, const GateTypeRecord& t, std::uint32_t next, std::uint32_t linkId) {
  w.u32(next);
  w.raw(t.Name, 16);
  w.u16(t.ExtraCount);
  w.u16(t.StateCount);
  w.u16(t.InputCount);
  w.u16(t.OutputCount);
  w.u32(present(t.StepProc));
  w.u32(present(t.Module));
  w.u32(present(t.InputPins));
  w.u32(present(t.OutputPins));
  w.i16(t.Height);
  w.i16(t.Width);
  w.u16(t.VariableCount);
  w.u16(t.ParamFieldCount);
  w.raw(t.AuxType, 2);
  w.u16(t.Flags);
  w.u16(t.StepLength);
  for (std::uint16_t v : t.ProcLength) w.u16(v);
  for (void* p : t.Procs) w.u32(present(p));
  w.u32(present(t.VariableTable));
  w.u32(present(t.ParamFields));
  w.u32(linkId);
}

void readTypeRecord(ByteReader& r, GateTypeRecord& t, std::uint32_t& next) {
  next = r.u32();
  r.raw(t.Name, 16);
  t.ExtraCount = r.u16();
  t.StateCount = r.u16();
  t.InputCount = r.u16();
  t.OutputCount = r.u16();
  r.skip(16);   // step procedure, module, pin tables: pointers as stored
  t.Height = r.i16();
  t.Width = r.i16();
  t.VariableCount = r.u16();
  t.ParamFieldCount = r.u16();
  r.raw(t.AuxType, 2);
  t.Flags = r.u16();
  t.StepLength = r.u16();
  for (std::uint16_t& v : t.ProcLength) v = r.u16();
  r.skip(36);   // seven procedures, variable table, parameter fields
  t.LinkId = r.u32();
}

void writeTypePinRow(ByteWriter& w, const TypePinRow& p) {
  w.i16(p.X);
  w.i16(p.Y);
  w.u16(p.Side);
  w.u16(p.Type);
  w.raw(p.Carried, 8);
}

void readTypePinRow(ByteReader& r, TypePinRow& p) {
  p.X = r.i16();
  p.Y = r.i16();
  p.Side = r.u16();
  p.Type = r.u16();
  r.raw(p.Carried, 8);
}

} // namespace modelfiles
