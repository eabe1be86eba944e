// Feeds arbitrary bytes as the step code (and module code) of a block type to
// the linker and, when it is accepted, to the run loop.
#include "engine/services.h"
#include "engine/vm.h"
#include "zasm/zasm.h"

#include "model/document.h"
#include "model/memory.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
class Quiet : public engine::EngineServices {
public:
  void showMessage(int) override {}
  void notice(const std::string&, const std::string&) override {}
};
} // namespace

// A valid program that odd first bytes patch (offset, value pairs), so that
// the run loop is reached with code that is nearly right.
const std::vector<std::uint8_t>& baseProgram() {
  static std::vector<std::uint8_t> code = [] {
    std::vector<std::uint8_t> out;
    std::string err;
    zasm::assembleProcedure(
        "frame 8\naddr/2 in:0, const:0\nmovr out:0, stack:0\njf @x, in:0\ncall code:0\nstop\nx:\n"
        "intinit #2, in:0, state:0\ninteg #2, in:0, const:0, const:0, const:8, state:0\n"
        "ichk in:0, in:2, in:4, #0\ntop:\naddr out:0, const:0\nmovr out:0, stack:0\nfor @top, out:8, const:16\naidx out:0, in:0, const:0, const:2\n"
        "rtotext/12 in:0, state:0\ntexttor state:0\ntbit const:4, in:0\ncall x1:64\naddrof frame:0, in:0\n"
        "addrof frame:4, state:0\naddrof frame:8, const:0\nstop\nend",
        out, err);
    return out;
  }();
  return code;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Quiet quiet;
  engine::setEngineServices(&quiet);
  model::mm_UnitInit();
  engine::vm().reset();
  engine::vm().setBudget(20000);
  // First byte: where the module code starts in the input.
  const std::size_t split = size ? std::min<std::size_t>(size, 4u + data[0] * 4u) : 0;
  zasm::ModuleSource src;
  src.name = "FUZZ";
  src.code.assign(data + (split < size ? split : size), data + size);
  src.varsSize = 64;
  src.consts.assign(64, 1);
  zasm::TypeSource t;
  t.name = "T";
  t.inputs = {20};
  t.outputs = {20};
  t.extra = 2;
  t.state = 8;
  if (size && (data[0] & 1)) {
    std::vector<std::uint8_t> code = baseProgram();
    for (std::size_t k = 1; k + 1 < size; k += 2) code[data[k] * 7u % code.size()] = data[k + 1];
    t.procs[zasm::kStep] = code;
    std::string err;
    zasm::assembleProcedure("ret/1 frame:0\nend", src.code, err);
  } else if (split > 1) {
    t.procs[zasm::kStep].assign(data + 1, data + split);
  }
  src.types.push_back(t);
  model::DocumentRecord* doc = model::doc_New();
  model::ProjectModule* m = zasm::buildModule(*doc, src);
  model::ProjectModule* ext = model::doc_AddModule(*doc, "EXTERNAL", model::kModuleCompiled);
  model::LogicRecord logic{};
  logic.currentStep = 0.1;
  doc->SimLogic = &logic;
  engine::vm().attachDocument(doc);
  model::ProjectModule* table[2] = {m, ext};
  if (m && engine::vm().linkModule(m, nullptr, 0, table, 2)) {
    std::vector<double> in(4), out(4), extra(2), state(8);
    model::GateRecord gate{};
    gate.Kind = model::kKindCompiled;
    gate.Sub = model::firstTypeOf(m);
    model::GateInstance inst{};
    inst.InputValues = in.data();
    inst.InputSlotCount = 4;
    inst.OutputValues = out.data();
    inst.OutputSlotCount = 4;
    inst.ExtraValues = extra.data();
    inst.ExtraSlotCount = 2;
    inst.StateValues = state.data();
    inst.StateSlotCount = 8;
    engine::vm().run(&gate, &inst, model::firstTypeOf(m)->StepProc);
  }
  engine::vm().reset();
  doc->SimLogic = nullptr;
  if (m) zasm::releaseTypeCode(m);
  model::doc_Free(doc);
  return 0;
}
