// Cost of recording: 36 channels sampled, written to a value file and laid
// into the picture after each accepted step, against one time step of a
// diagram of 1,000 compiled gates, measured in the same run. Prints the ratio
// beside its limit of 5 %; never fails.
#include "engine/services.h"
#include "engine/timestep.h"
#include "engine/vm.h"
#include "zasm/zasm.h"

#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/instances.h"
#include "model/memory.h"
#include "recorder/recfiles.h"
#include "recorder/recorder.h"
#include "recorder/trend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

model::GateRecord* block(model::LogicRecord* l, model::GateTypeRecord* t, double extra) {
  model::GateSpec s;
  s.kind = model::kKindCompiled;
  s.sub = t;
  s.inputCount = t->InputCount;
  s.outputCount = t->OutputCount;
  s.extraCount = t->ExtraCount;
  s.inputType = s.outputType = model::kTypeReal;
  std::uint16_t seq = 0;
  model::GateRecord* g = nullptr;
  model::GateInstance* in = nullptr;
  if (!model::ge_CreateGate(l, s, seq, g, in)) return nullptr;
  if (g->ExtraCount) {
    g->Extra[0] = extra;
    if (in && in->ExtraValues) in->ExtraValues[0] = extra;
  }
  return g;
}

} // namespace

int main() {
  model::FakeShell shell;
  model::FakeEditor editor;
  model::setShell(&shell);
  model::setEditor(&editor);
  engine::RecordingEngineServices services;
  engine::setEngineServices(&services);
  model::mm_UnitInit();
  model::KeepInstances = 1;
  model::AttachPlacement = 1;
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  std::ifstream in(std::string(ZERLO_TEST_DATA) + "/engine/fixlib.zas");
  std::stringstream ss;
  ss << in.rdbuf();
  zasm::ModuleSource src;
  std::string err;
  if (!zasm::assembleLibrary(ss.str(), src, err)) {
    std::printf("fixture library: %s\n", err.c_str());
    return 0;
  }
  model::doc_MainModule(*doc);
  model::ProjectModule* lib = zasm::buildModule(*doc, src);
  model::ProjectModule* table[1] = {lib};
  engine::vm().attachDocument(doc);
  if (!engine::vm().linkModule(lib, nullptr, 0, table, 1, &err)) {
    std::printf("link: %s\n", err.c_str());
    return 0;
  }
  model::GateTypeRecord* cst = nullptr;
  model::GateTypeRecord* gain = nullptr;
  for (model::GateTypeRecord* t = model::firstTypeOf(lib); t; t = t->Next) {
    if (std::string(t->Name, strnlen(t->Name, 16)) == "CONST") cst = t;
    if (std::string(t->Name, strnlen(t->Name, 16)) == "GAIN") gain = t;
  }
  model::LogicRecord* l = model::ge_NewLogic("BENCH");
  std::vector<model::GateRecord*> gates{block(l, cst, 1.0)};
  for (int k = 1; k < 1000; ++k) {
    model::GateRecord* g = block(l, gain, 1.0);
    model::ge_ConnectGates(l, g, 1, gates.back(), 1, nullptr, nullptr);
    gates.push_back(g);
  }
  l->StepBlock.maxIterations = 10;
  l->StepBlock.interval = l->currentStep = l->previousStep = 0.1;
  doc->SimLogic = l;
  doc->SimInstances = l->FirstInstance;

  // The recorder: 36 channels on every 27th gate, a value file, a window layout.
  rec::Recorder r;
  const std::string dir = "/tmp";
  rec::vf_UnitInit(r, dir);
  rec::tr_SetChannelCount(r, 1, 36);
  for (int c = 0; c < 36; ++c) {
    model::GateRecord* g = gates[std::size_t(c) * 27];
    rec::tr_BindChannelTo(r, *r.channel(c + 1), l, g, model::inst_Parallel(l, l->FirstInstance, g), 1, 1);
  }
  rec::tr_SetLayout(r, 0, 0, 800, 450);
  r.recRoll = 1;
  const std::string out = dir + "/ZB" + std::to_string(::getpid() % 100000) + ".VAL";
  if (!rec::vf_OpenOutputAs(r, l, out)) std::printf("the value file could not be opened\n");

  // Per step: the engine's time step, then the recorder's sample. Medians, so
  // that other work on the machine does not decide the figures.
  const int steps = 1000;
  doc->iterationCounter = 1;
  engine::sim_Step(*doc);
  std::vector<double> tStep, tRec;
  double simTime = 0.0;
  for (int s = 0; s < steps; ++s) {
    doc->iterationCounter = 1;
    auto t0 = Clock::now();
    engine::sim_Step(*doc);
    tStep.push_back(seconds(t0));
    simTime += 0.1;
    t0 = Clock::now();
    rec::tr_AfterAcceptedStep(r, simTime);
    tRec.push_back(seconds(t0));
  }
  rec::vf_CloseOutput(r, true);
  std::remove(out.c_str());
  auto median = [](std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double step = median(tStep), record = median(tRec);
  std::printf("time step of 1,000 gates: %.1f us   recording 36 channels (value file, 4 columns a step): %.2f us   "
              "ratio %.2f %% (limit 5 %%)\n",
              1e6 * step, 1e6 * record, 100.0 * record / step);
  engine::vm().reset();
  zasm::releaseTypeCode(lib);
  model::CurrentDocument = nullptr;
  model::doc_Free(doc);
  return 0;
}
