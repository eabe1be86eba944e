// Speed of the simulation engine: gate evaluations per second of the time
// step on generated logics (1,000 and 10,000 gates) beside a native loop over
// a flat array, and interpreter instructions per second beside the same loop
// compiled natively. Prints figures and ratios; never fails.
#include "engine/services.h"
#include "engine/timestep.h"
#include "engine/vm.h"
#include "zasm/zasm.h"

#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/memory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

volatile double gSink = 0;

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

model::GateRecord* builtIn(model::LogicRecord* l) {
  model::GateSpec s;
  s.kind = model::kKindAnd;
  s.inputCount = 2;
  s.outputCount = 1;
  s.inputType = s.outputType = 1;
  std::uint16_t seq = 0;
  model::GateRecord* g = nullptr;
  model::GateInstance* in = nullptr;
  return model::ge_CreateGate(l, s, seq, g, in) ? g : nullptr;
}

// Time step over a chain of compiled gates (CONST, then GAIN after GAIN),
// every second gate a built-in And gate beside the chain when mixed.
double timeStepBench(model::DocumentRecord& doc, model::ProjectModule* lib, int gates, bool mixed) {
  model::GateTypeRecord* cst = nullptr;
  model::GateTypeRecord* gain = nullptr;
  for (model::GateTypeRecord* t = model::firstTypeOf(lib); t; t = t->Next) {
    if (std::string(t->Name, strnlen(t->Name, 16)) == "CONST") cst = t;
    if (std::string(t->Name, strnlen(t->Name, 16)) == "GAIN") gain = t;
  }
  char name[17];
  std::snprintf(name, sizeof name, "BENCH%d%s", gates, mixed ? "M" : "");
  model::LogicRecord* l = model::ge_NewLogic(name);
  model::GateRecord* prev = block(l, cst, 1.0);
  int compiled = 1;
  for (int k = 1; k < gates; ++k) {
    if (mixed && k % 2) {
      builtIn(l);
      continue;
    }
    model::GateRecord* g = block(l, gain, 1.0);
    model::ge_ConnectGates(l, g, 1, prev, 1, nullptr, nullptr);
    prev = g;
    ++compiled;
  }
  l->StepBlock.maxIterations = 10;
  l->StepBlock.interval = l->currentStep = l->previousStep = 0.1;
  doc.SimLogic = l;
  doc.SimInstances = l->FirstInstance;
  const int steps = gates >= 10000 ? 50 : 500;
  doc.iterationCounter = 1;
  engine::sim_Step(doc);   // settle
  // Each side is timed in several rounds and the fastest round counts: a
  // round of the native loop takes well under a millisecond, where one
  // interruption on a shared machine would decide the ratio.
  constexpr int kRounds = 5;
  long evaluations = 0;
  double tStep = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    evaluations = 0;
    for (int s = 0; s < steps; ++s) {
      doc.iterationCounter = 1;
      engine::sim_Step(doc);
      evaluations += long(doc.iterationCounter - 1) * gates;
    }
    tStep = std::min(tStep, seconds(t0));
  }

  // The flat native loop over the same gates: the compiled ones multiply
  // along the chain, the built-in ones combine two words.
  std::vector<double> v(std::size_t(gates), 0.0), k(std::size_t(gates), 1.0);
  std::vector<std::uint16_t> w(std::size_t(gates), 0xFFFF);
  const long iterationsPerStep = steps ? evaluations / (long(steps) * gates) : 1;
  double tNative = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    for (long s = 0; s < long(steps) * iterationsPerStep; ++s) {
      double last = k[0];
      for (int i = 1; i < gates; ++i) {
        const std::size_t u = std::size_t(i);
        if (mixed && i % 2) w[u] = std::uint16_t(w[u - 1] & w[u]);
        else v[u] = last = last * k[u];
      }
      gSink = gSink + last + w[std::size_t(gates) - 1];
    }
    tNative = std::min(tNative, seconds(t0));
  }
  const double rateStep = double(evaluations) / tStep;
  const double rateNative = double(steps) * iterationsPerStep * gates / (tNative > 0 ? tNative : 1e-9);
  const double ratio = rateNative / rateStep;
  std::printf("time step, %5d gates (%s): %12.0f gate evaluations/s   native flat loop: %14.0f/s   ratio %.1f\n",
              gates, mixed ? "built-in and compiled" : "compiled", rateStep, rateNative, ratio);
  (void)compiled;
  doc.SimLogic = nullptr;
  doc.SimInstances = nullptr;
  return ratio;
}

double interpreterBench(model::DocumentRecord& doc) {
  const char* text =
      "module LOOP\nconst\none: real 1.0\nzero: real 0\nlim: int 30000 1\nendconst\n"
      "type L\noutputs 20\nstep\n"
      "movr out:0, const:zero\nmovi out:8, const:zero\n"
      "top:\naddr out:0, const:one\nmovr out:0, stack:0\nfor @top, out:8, const:lim\nend\nendproc\nendtype\n";
  zasm::ModuleSource src;
  std::string err;
  if (!zasm::assembleLibrary(text, src, err)) {
    std::printf("assembler: %s\n", err.c_str());
    return 0;
  }
  model::ProjectModule* m = zasm::buildModule(doc, src);
  model::ProjectModule* table[1] = {m};
  if (!engine::vm().linkModule(m, nullptr, 0, table, 1, &err)) {
    std::printf("link: %s\n", err.c_str());
    return 0;
  }
  model::GateTypeRecord* t = model::firstTypeOf(m);
  std::vector<double> out(4);
  model::GateRecord gate{};
  gate.Kind = model::kKindCompiled;
  gate.Sub = t;
  model::GateInstance inst{};
  inst.OutputValues = out.data();
  inst.OutputSlotCount = 4;
  // Each side is timed in several rounds of the same work and the fastest
  // round of each counts (symmetric for both): one interruption on a shared
  // machine must not decide the ratio.
  const int runs = 100;
  constexpr int kRounds = 5;
  double tVm = 1e30, instructions = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::uint64_t before = engine::vm().instructionsExecuted();
    auto t0 = Clock::now();
    for (int r = 0; r < runs; ++r) engine::vm().run(&gate, &inst, t->StepProc);
    tVm = std::min(tVm, seconds(t0));
    instructions = double(engine::vm().instructionsExecuted() - before);
  }

  double tNative = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    volatile double one = 1.0;
    for (int r = 0; r < runs; ++r) {
      double x = 0;
      for (std::int16_t i = 0; i < 30000; ++i) x += one;
      gSink = gSink + x;
    }
    tNative = std::min(tNative, seconds(t0));
  }
  const double ratio = tVm / (tNative > 0 ? tNative : 1e-9);
  std::printf("interpreter: %14.0f instructions/s (result %.0f)   native loop: same work %.1f times faster\n",
              instructions / tVm, out[0], ratio);
  engine::vm().forgetModule(m);
  zasm::releaseTypeCode(m);
  return ratio;
}

} // namespace

// With an argument N, only the mixed time step of N gates and the
// interpreter run (for a profiler: engine_bench 2000).
int main(int argc, char** argv) {
  const int only = argc > 1 ? std::atoi(argv[1]) : 0;
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
  if (!only) {
    timeStepBench(*doc, lib, 1000, false);
    timeStepBench(*doc, lib, 10000, false);
  }
  const double stepRatio = timeStepBench(*doc, lib, only > 0 ? only : 10000, true);
  const double vmRatio = interpreterBench(*doc);
  std::printf("ratio interpreter / native loop:                          %6.1f (goal <= 10)\n", vmRatio);
  std::printf("ratio time step of 10,000 built-in and compiled gates / flat native loop: %6.1f (goal <= 10)\n",
              stepRatio);
  engine::vm().reset();
  zasm::releaseTypeCode(lib);
  model::CurrentDocument = nullptr;
  model::doc_Free(doc);
  return 0;
}
