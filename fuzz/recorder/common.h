#pragma once
// One logic with two connected gates for the fuzz targets, built once.
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "model/wires.h"
#include "platform/uisink.h"
#include "recorder/recfiles.h"
#include "recorder/recorder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace rec::fuzz {

inline model::LogicRecord* fuzzLogic() {
  static model::LogicRecord* logic = [] {
    static model::FakeShell shell;
    static model::FakeEditor editor;
    plat::ui::setSink(std::make_shared<plat::ui::ScriptedSink>());
    model::setShell(&shell);
    model::setEditor(&editor);
    model::mm_UnitInit();
    model::KeepInstances = 1;
    model::doc_StartUp();
    model::CurrentDocument = model::doc_New();
    model::LogicRecord* l = model::ge_NewLogic("FUZZ");
    model::GateRecord* g[2] = {};
    for (int i = 0; i < 2; ++i) {
      model::GateSpec s;
      s.kind = 2;
      s.inputCount = 2;
      s.outputCount = 1;
      s.inputType = s.outputType = model::kTypeReal;
      s.x = std::int16_t(100 + 200 * i);
      s.y = 100;
      std::uint16_t seq = 0;
      model::GateInstance* in = nullptr;
      model::ge_CreateGate(l, s, seq, g[i], in);
    }
    model::WirePoint* w = nullptr;
    model::ge_MoveWireEnd(140, 120, w, true);
    model::ge_MoveWireEnd(300, 120, w, false);
    model::ge_ConnectGates(l, g[1], 1, g[0], 1, nullptr, w);
    return l;
  }();
  return logic;
}

// The header the recorder writes for 3 channels (the first bound to the fuzz
// logic's connection) and the gate channel.
inline const std::vector<std::uint8_t>& soundHeader() {
  static const std::vector<std::uint8_t> bytes = [] {
    model::LogicRecord* logic = fuzzLogic();
    rec::Recorder r;
    rec::tr_SetChannelCount(r, 1, 3);
    rec::tr_BindChannel(r, logic, logic->FirstInstance, 200, 120);
    rec::tr_SetGateChannel(r, true);
    rec::MemStream m;
    rec::vf_WriteHeader(m, r, logic);
    return m.data;
  }();
  return bytes;
}

} // namespace rec::fuzz
