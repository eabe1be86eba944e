// Reads arbitrary bytes as a parameter list into a small gate list: a macro
// holding a vector gate, a compiled type with described fields and a few
// built-in kinds.
#include "engine/paramlist.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using model::GateInstance;
  using model::GateRecord;
  static const unsigned kKinds[] = {57, 7, 28, 49, 53, 55, 133, 0};
  constexpr std::size_t kN = sizeof kKinds / sizeof kKinds[0];
  GateRecord g[kN + 1]{};
  GateInstance in[kN + 1]{};
  std::vector<double> extra((kN + 1) * 8, 0.0), state((kN + 1) * 2, 0.0);
  model::OutputPin out{1, 20, 0};
  std::uint8_t fields[3 * 48]{};
  const char* prompts[] = {"Gain", "%2 0%10%", "Label"};
  const std::uint8_t types[] = {1, 1, 3};
  const std::uint16_t offsets[] = {0, 8, 16};
  for (int i = 0; i < 3; ++i) {
    std::uint8_t* f = fields + i * 48;
    f[0] = types[i]; f[1] = i == 2 ? 40 : 1;
    std::memcpy(f + 3, prompts[i], std::strlen(prompts[i]));
    f[44] = std::uint8_t(offsets[i]);
  }
  model::GateTypeRecord type{};
  std::memcpy(type.Name, "FUZZ", 5);
  type.ParamFields = fields;
  type.ParamFieldCount = 3;
  model::LogicRecord sub{};
  std::memcpy(sub.Name, "SUB", 4);
  for (std::size_t i = 0; i <= kN; ++i) {
    g[i].Kind = std::uint8_t(i < kN ? kKinds[i] : 55);
    g[i].ExtraCount = 8;
    g[i].OutputCount = 1;
    g[i].Outputs = &out;
    in[i].ExtraValues = &extra[i * 8];
    in[i].ExtraSlotCount = 8;
    in[i].StateValues = &state[i * 2];
    in[i].StateSlotCount = 2;
    if (i + 1 < kN) { g[i].Next = &g[i + 1]; in[i].Next = &in[i + 1]; }
  }
  g[6].Sub = &type;
  g[7].Sub = &sub;
  sub.FirstGate = &g[kN];
  in[7].Children = &in[kN];
  engine::ParamText text{std::string(reinterpret_cast<const char*>(data), size)};
  engine::lst_WalkList(&g[0], &in[0], text, engine::ParamMode::Read, nullptr);
  return 0;
}
