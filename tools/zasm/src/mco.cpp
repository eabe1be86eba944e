#include "zasm/mco.h"

#include "modelfiles/compiled.h"

namespace zasm {

std::vector<std::uint8_t> encodeMco(const ModuleSource& src) {
  modelfiles::McoModule m;
  m.name = src.name;
  m.code = src.code;
  m.variableSize = src.varsSize;
  m.constants = src.consts;
  m.references = src.uses;
  m.linkBlock = src.init;
  for (const TypeSource& s : src.types) {
    modelfiles::McoType t;
    t.name = s.name;
    t.extraCount = s.extra;
    t.stateCount = s.state;
    t.width = s.width;
    t.height = s.height;
    t.flags = s.flags;
    t.inputs = typeRows(s, true);
    t.outputs = typeRows(s, false);
    t.paramFields = s.fields;
    t.step = s.procs[kStep];
    for (int k = 0; k < 7; ++k) t.procs[k] = s.procs[k + 1];
    m.types.push_back(std::move(t));
  }
  return modelfiles::mdl_EncodeCompiledModule(m);
}

} // namespace zasm
