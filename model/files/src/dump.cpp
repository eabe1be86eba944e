#include "modelfiles/dump.h"

#include "model/instances.h"
#include "platform/numtext.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace modelfiles {

using namespace model;

namespace {

std::string num(double v) { return plat::num::formatDouble("%.17g", v); }

std::string hex(const void* p, std::size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  const auto* c = static_cast<const std::uint8_t*>(p);
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[c[i] >> 4];
    s += digits[c[i] & 15];
  }
  return s;
}

std::string text(const char* s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n && s[i]; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 32 && c < 127 && c != '"' && c != '\\') out += char(c);
    else {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02x", c);
      out += b;
    }
  }
  return "\"" + out + "\"";
}

int indexOf(const LogicRecord* l, const GateRecord* g) {
  int i = 1;
  for (const GateRecord* x = l->FirstGate; x; x = x->Next, ++i)
    if (x == g) return i;
  return 0;
}

std::string logicRef(const DocumentRecord& d, const LogicRecord* target) {
  if (!target) return "none";
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next)
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next)
      if (l == target) return text(m->Name, 12) + "/" + text(l->Name, 17);
  return "unknown";
}

std::string typeRef(const DocumentRecord& d, const GateTypeRecord* target) {
  if (!target) return "none";
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next)
    for (const GateTypeRecord* t = firstTypeOf(m); t; t = t->Next)
      if (t == target) return text(m->Name, 12) + "/" + text(t->Name, 16);
  return "unknown";
}

void values(std::string& out, const char* what, const double* v, unsigned n) {
  out += std::string(" ") + what + "[";
  for (unsigned i = 0; i < n && v; ++i) out += (i ? " " : "") + num(v[i]);
  out += "]";
}

void dumpInstances(std::string& out, const LogicRecord* l, const GateInstance* head, const DumpOptions& o,
                   int depth) {
  const std::string pad(std::size_t(4 + 2 * depth), ' ');
  const GateRecord* g = l ? l->FirstGate : nullptr;
  for (const GateInstance* gi = head; gi; gi = gi->Next) {
    while (g && g->GateNumber != gi->GateNumber) g = g->Next;
    out += pad + "instance " + std::to_string(gi->GateNumber);
    values(out, "in", gi->InputValues, gi->InputSlotCount);
    values(out, "out", gi->OutputValues, gi->OutputSlotCount);
    values(out, "extra", gi->ExtraValues, gi->ExtraSlotCount ? gi->ExtraSlotCount : (g ? g->ExtraCount : 0));
    if (gi->StateSlotCount) values(out, "state", gi->StateValues, gi->StateSlotCount);
    if (o.runFields) out += " run " + hex(gi->RunFields, sizeof gi->RunFields);
    out += "\n";
    if (gi->Children && depth < 32) dumpInstances(out, g ? subLogic(g) : nullptr, gi->Children, o, depth + 1);
    if (g) g = g->Next;
  }
}

} // namespace

std::string mdl_DumpDocument(const DocumentRecord& d, const DumpOptions& o) {
  std::string out;
  int mi = 0;
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next, ++mi) {
    out += "module " + std::to_string(mi) + " " + text(m->Name, 12) + " flags " + std::to_string(m->Flags) +
           " aux " + std::to_string(m->AuxWord);
    if (isCompiled(m)) {
      out += " code " + std::to_string(m->CodeBlockSize) + " variables " + std::to_string(m->VariableBlockSize) +
             " " + (m->VariableBlock ? hex(m->VariableBlock, m->VariableBlockSize) : std::string("-")) +
             " constants " + std::to_string(m->ConstantBlockSize) + " loaded " + std::to_string(m->Loaded) + "\n";
      for (const GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) {
        out += "  type " + text(t->Name, 16) + " extra " + std::to_string(t->ExtraCount) + " state " +
               std::to_string(t->StateCount) + " in " + std::to_string(t->InputCount) + " out " +
               std::to_string(t->OutputCount) + " size " + std::to_string(t->Width) + "x" + std::to_string(t->Height) +
               " vars " + std::to_string(t->VariableCount) + " params " + std::to_string(t->ParamFieldCount) +
               " flags " + std::to_string(t->Flags) + " step " + std::to_string(t->StepLength) + " procs";
        for (std::uint16_t n : t->ProcLength) out += " " + std::to_string(n);
        out += std::string(" code ") + (t->StepProc ? "yes" : "no") + "\n";
        for (unsigned i = 0; t->InputPins && i < t->InputCount; ++i)
          out += "    in " + std::to_string(i + 1) + " " + std::to_string(t->InputPins[i].X) + "," +
                 std::to_string(t->InputPins[i].Y) + " side " + std::to_string(t->InputPins[i].Side) + " type " +
                 std::to_string(t->InputPins[i].Type) + "\n";
        for (unsigned i = 0; t->OutputPins && i < t->OutputCount; ++i)
          out += "    out " + std::to_string(i + 1) + " " + std::to_string(t->OutputPins[i].X) + "," +
                 std::to_string(t->OutputPins[i].Y) + " side " + std::to_string(t->OutputPins[i].Side) + " type " +
                 std::to_string(t->OutputPins[i].Type) + "\n";
      }
      continue;
    }
    out += "\n";
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      out += "  logic " + text(l->Name, 17) + " aux " + std::to_string(l->AuxWord) + " ports " +
             std::to_string(l->InputPortCount) + "/" + std::to_string(l->OutputPortCount) + " auxlong " +
             std::to_string(l->AuxLong) + " flags " + std::to_string(l->Flags) + "/" + std::to_string(l->FlagsAux) +
             " size " + std::to_string(l->Width) + "x" + std::to_string(l->Height) + " counter " +
             std::to_string(l->GateCounter) + "\n";
      const StepBlock& s = l->StepBlock;
      out += "    step " + num(s.simTime) + " " + num(s.interval) + " " + num(s.minInterval) + " " +
             num(s.maxInterval) + " " + num(s.incrInterval) + " " + std::to_string(s.maxIterations) + " " +
             std::to_string(s.stepFlags) + " current " + num(l->currentStep) + " previous " + num(l->previousStep) +
             "\n";
      out += "    texts " + text(l->Text1, 16) + " " + text(l->Text2, 16) + " " + text(l->Text3, 16) + " further " +
             hex(l->Further, sizeof l->Further) + "\n";
      for (unsigned i = 0; l->InputPorts && i < l->InputPortCount; ++i)
        out += "    inport " + std::to_string(l->InputPorts[i].X) + "," + std::to_string(l->InputPorts[i].Y) +
               " slot " + std::to_string(l->InputPorts[i].Slot) + "\n";
      for (unsigned i = 0; l->OutputPorts && i < l->OutputPortCount; ++i)
        out += "    outport " + std::to_string(l->OutputPorts[i].X) + "," + std::to_string(l->OutputPorts[i].Y) +
               " slot " + std::to_string(l->OutputPorts[i].Slot) + "\n";
      for (const GateRecord* g = l->FirstGate; g; g = g->Next) {
        out += "    gate " + std::to_string(g->GateNumber) + " kind " + std::to_string(g->Kind) + " at " +
               std::to_string(g->X) + "," + std::to_string(g->Y) + " counts " + std::to_string(g->InputCount) + "/" +
               std::to_string(g->OutputCount) + "/" + std::to_string(g->ExtraCount) + "/" +
               std::to_string(g->StateCount) + " dim " + std::to_string(g->VectorDimension) + " flags " +
               std::to_string(g->Flags) + " use " + std::to_string(g->UseCount) + " aux " +
               std::to_string(g->AuxLong) + " " + std::to_string(g->AuxByte) + " " + std::to_string(g->AuxByte2) +
               " " + std::to_string(g->AuxWord54) + " sel " + std::to_string(g->Selected) + " " +
               std::to_string(g->HeldSelected) + " seq " + std::to_string(g->BitCount) + " " +
               std::to_string(g->WordCount) + " " + std::to_string(g->SequenceNumber) + " " +
               std::to_string(g->AuxWord66);
        if (g->Kind == kKindCall) out += " calls " + logicRef(d, subLogic(g));
        else if (g->Kind >= kKindCompiled) out += " type " + typeRef(d, subType(g));
        else if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker)
          out += " marker " + std::to_string(subMarker(g) ? subMarker(g)->GateNumber : 0);
        out += "\n";
        for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
          const InputPin& p = g->Inputs[i];
          out += "      in " + std::to_string(i + 1) + " type " + std::to_string(p.Type) + " flags " +
                 std::to_string(p.Flags);
          if (p.Source)
            out += " from gate " + std::to_string(p.Source->GateNumber) + "#" + std::to_string(indexOf(l, p.Source)) +
                   " pin " + std::to_string(p.SourcePin);
          else if (p.SourcePin)
            out += " pin " + std::to_string(p.SourcePin);
          if (p.BranchOf) out += " branch of " + std::to_string(p.BranchOf->GateNumber);
          if (p.Wire) {
            out += " wire";
            for (const WirePoint* w = p.Wire; w; w = w->Next)
              out += " " + std::to_string(w->X) + "," + std::to_string(w->Y);
          }
          out += "\n";
        }
        for (unsigned i = 0; g->Outputs && i < g->OutputCount; ++i)
          out += "      out " + std::to_string(i + 1) + " first " + std::to_string(g->Outputs[i].FirstElement) +
                 " type " + std::to_string(g->Outputs[i].Type) + " flags " + std::to_string(g->Outputs[i].Flags) +
                 "\n";
        if (g->Extra && g->ExtraCount) out += "      extra " + hex(g->Extra, std::size_t(g->ExtraCount) * 8) + "\n";
      }
      if (o.values) dumpInstances(out, l, l->FirstInstance, o, 0);
    }
  }
  return out;
}

} // namespace modelfiles
