// The opcode table: the 103 blocks by name, in the order the kernel announces
// them. NOP and BEG share a handler, so do MUXF and MUXL, and ALW and AWW.
#include "handlers.h"

#include <cstring>

namespace plc {

const std::array<OpcodeRow, kOpcodeCount>& opcodeTable() {
  using namespace h;
  static const std::array<OpcodeRow, kOpcodeCount> table = {{
      {"JPZ", JPZ},   {"NOP", NOP},   {"BEG", NOP},   {"END", END},   {"Init", Init},
      {"Abs", Abs},   {"ADDF", ADDF}, {"ADDL", ADDL}, {"ADDW", ADDW}, {"ADDT", ADDT},
      {"AND", AND},   {"AV", AV},     {"BGF", BGF},   {"BGL", BGL},   {"BGW", BGW},
      {"CMPW", CMPW}, {"CMPF", CMPF}, {"CMPL", CMPL}, {"CMPT", CMPT}, {"Cos", Cos},
      {"DIVF", DIVF}, {"DIVL", DIVL}, {"DIVW", DIVW}, {"EV", EV},     {"Exp", Exp},
      {"FD01", FD01}, {"FD10", FD10}, {"FFR", FFR},   {"FFS", FFS},   {"GMF", GMF},
      {"IG", IG},     {"Ln", Ln},     {"Log", Log},   {"MULF", MULF}, {"MULL", MULL},
      {"MULW", MULW}, {"MUXF", MUX4}, {"MUXL", MUX4}, {"MUXW", MUXW}, {"MUXT", MUXT},
      {"PLG", PLG},   {"Not", Not},   {"OR", OR},     {"PG", PG},     {"PID", PID},
      {"PT1", PT1},   {"Pow", Pow},   {"SCHF", SCHF}, {"SCHL", SCHL}, {"SCHW", SCHW},
      {"SCHB", SCHB}, {"SCHT", SCHT}, {"Sgn", Sgn},   {"Sin", Sin},   {"Sqrt", Sqrt},
      {"SUBF", SUBF}, {"SUBL", SUBL}, {"SUBW", SUBW}, {"SZG", SZG},   {"TG", TG},
      {"VRZ", VRZ},   {"Tan", Tan},   {"ABB", ABB},   {"ABW", ABW},   {"ABY", ABY},
      {"AFF", AFF},   {"AFL", AFL},   {"AFW", AFW},   {"AFY", AFY},   {"ALF", ALF},
      {"ALL", ALL},   {"ALW", AWW},   {"AWB", AWB},   {"AWF", AWF},   {"AWL", AWL},
      {"AWW", AWW},   {"AWY", AWY},   {"AYB", AYB},   {"AYF", AYF},   {"AYW", AYW},
      {"AYY", AYY},   {"AW8V", AW8V}, {"AW16", AW16}, {"AL8V", AL8V}, {"AF8V", AF8V},
      {"AT8V", AT8V}, {"AT16", AT16}, {"AB8V", AB8V}, {"AB16", AB16}, {"AW2L", AW2L},
      {"ALW2", ALW2}, {"ABS", ABS},   {"APR8", APR8}, {"VRZF", VRZF}, {"SMOT", SMOT},
      {"SVAR", SVAR}, {"IVAR", IVAR}, {"CMW", CMW},   {"CMWV", CMWV}, {"EVF", EVF},
      {"T2D", T2D},   {"Inif", Inif}, {"TON", TON},
  }};
  return table;
}

int opcodeRow(const char* name) {
  if (!name) return -1;
  const auto& t = opcodeTable();
  for (int i = 0; i < kOpcodeCount; ++i)
    if (std::strcmp(t[i].name, name) == 0) return i;
  return -1;
}

} // namespace plc
