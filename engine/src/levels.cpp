#include "engine/levels.h"

#include "engine/services.h"
#include "engine/timestep.h"

#include "model/geometry.h"
#include "recorder/recorder.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {
void prepare(model::DocumentRecord& doc) {
  if (!doc.SimLogic) {
    doc.SimLogic = doc.LevelLogics[1];
    doc.SimInstances = doc.LevelInstances[1];
  }
}
void advance(model::DocumentRecord& doc) {
  if (sim_StepInProgress()) {   // a tick from a nested event loop: skipped whole
    sim_Step(doc);
    return;
  }
  prepare(doc);
  model::LogicRecord* top = doc.LevelLogics[1] ? doc.LevelLogics[1] : doc.SimLogic;
  if (doc.iterationCounter == 1 && top) {
    // Only the step width is added; the repeat path of the time step
    // subtracts exactly that width again.
    if (top->StepBlock.simTime < 0.0) top->StepBlock.simTime = 0.0;
    else top->StepBlock.simTime += top->currentStep;
  }
  doc.singleIteration = 0;
  sim_Step(doc);
  doc.iterationCounter = 1;
  // The trend window's recorder samples every step.
  rec::tr_OnAcceptedStep(doc);
}
} // namespace

void ss_StepLevelTo(model::DocumentRecord& doc) { advance(doc); }

void ss_StepLevel(model::DocumentRecord& doc) {
  advance(doc);
  if (!doc.holdDisplay && doc.followSequence) ss_FindSequenceGate(doc);
}

model::GateRecord* ss_FindSequenceGate(model::DocumentRecord& doc) {
  const unsigned level = doc.MacroLevel;
  if (level < 1 || level > model::kMaxMacroLevel) return nullptr;
  model::GateRecord* g = doc.LevelLogics[level] ? doc.LevelLogics[level]->FirstGate : nullptr;
  model::GateInstance* in = doc.LevelInstances[level];
  model::GateRecord* active = nullptr;
  for (; g && in && !active; g = g->Next, in = in->Next) {
    if (g->Kind < model::kKindStep || g->Kind > model::kKindBranch) continue;
    const double* slot = g->Kind == model::kKindStart ? in->StateValues : in->OutputValues;
    if (!slot) continue;
    std::uint16_t w;
    std::memcpy(&w, slot, 2);
    if (w & 1) active = g;
  }
  if (!active || active == doc.MarkedGate) {
    engineServices().redrawLevelGates();
    return active;
  }
  doc.MarkedGate = active;
  std::int16_t x, y, w, h;
  model::gg_GateBox(active, x, y, w, h, false);
  int sx = x - (doc.WorldW - w) / 2;
  int sy = y - (doc.WorldH - h) / 2;
  sx = std::max(0, std::min<int>(sx, std::max<int>(0, doc.MaxScrollX)));
  sy = std::max(0, std::min<int>(sy, std::max<int>(0, doc.MaxScrollY)));
  doc.ScrollX = std::int16_t(sx);
  doc.ScrollY = std::int16_t(sy);
  engineServices().viewScrolled();
  return active;
}

bool ss_EnterMacroLevel(model::DocumentRecord& doc, model::LogicRecord* logic) {
  const unsigned level = doc.MacroLevel;
  if (level < 1 || level > model::kMaxMacroLevel || !logic) return false;
  model::GateRecord* g = doc.LevelLogics[level] ? doc.LevelLogics[level]->FirstGate : nullptr;
  model::GateInstance* in = doc.LevelInstances[level];
  for (; g; g = g->Next, in = in ? in->Next : nullptr)
    if (g->Sub == logic) break;
  if (!g || !in || g->Kind != model::kKindCall || level >= model::kMaxMacroLevel) return false;
  doc.LevelScroll[level] = {doc.ScrollX, doc.ScrollY};
  const unsigned next = level + 1;
  doc.MacroLevel = std::uint16_t(next);
  doc.LevelInstances[next] = in->Children;
  if (doc.LevelLogics[next] != logic) {
    doc.LevelLogics[next] = logic;
    doc.LevelScroll[next] = {std::int16_t(-doc.WorldX), std::int16_t(-doc.WorldY)};
  }
  engineServices().rebuildView();
  return true;
}

} // namespace engine
