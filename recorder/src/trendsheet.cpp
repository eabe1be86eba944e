#include "recorder/trendsheet.h"

#include "recorder/recfiles.h"
#include "recorder/trend.h"

#include <cstdio>

namespace rec {

TrendSheet::TrendSheet(std::string workFile) : workFile_(std::move(workFile)) {
  const std::size_t cut = workFile_.find_last_of('/');
  vf_UnitInit(r_, cut == std::string::npos ? std::string() : workFile_.substr(0, cut + 1));
  tr_SetupDefaults(r_);
  // The curve moves left as the simulation goes on.
  r_.recRoll = 1;
}

TrendSheet::~TrendSheet() {
  if (tr_ActiveRecorder() == &r_) tr_SetActiveRecorder(nullptr);
  vf_CloseOutput(r_, true);
  if (!workFile_.empty()) {
    std::remove(workFile_.c_str());
    std::remove((workFile_ + "~").c_str());
  }
}

void TrendSheet::activate() {
  tr_SetActiveRecorder(&r_, [this](double t) { sample(t); });
}

int TrendSheet::boundChannels() const {
  int n = 0;
  for (const auto& c : r_.channels) n += c->logic != nullptr;
  return n;
}

void TrendSheet::follow(model::DocumentRecord* doc) {
  model::LogicRecord* logic = nullptr;
  model::GateInstance* instances = nullptr;
  if (doc) {
    logic = doc->SimLogic ? doc->SimLogic : doc->LevelLogics[1];
    instances = doc->SimLogic ? doc->SimInstances : doc->LevelInstances[1];
  }
  // Window documents are copies of the same record: what counts is the
  // logic and the instances the channels read.
  doc_ = doc;
  if (logic == logic_ && instances == instances_) return;
  doc_ = doc;
  logic_ = logic;
  instances_ = instances;
  pending_.clear();
  bind();
}

// The first output (element 1) of each gate of the logic that has one of a
// recordable type, in list order, up to kAutoChannels; the others unbound.
void TrendSheet::bind() {
  vf_CloseOutput(r_, true);
  for (auto& c : r_.channels) {
    c->logic = nullptr;
    c->gate = nullptr;
    c->instance = nullptr;
    c->valuePtr = nullptr;
    c->hidden = 1;
  }
  int next = 1;
  model::GateInstance* in = instances_;
  for (model::GateRecord* g = logic_ ? logic_->FirstGate : nullptr; g && in && next <= kAutoChannels;
       g = g->Next, in = in->Next) {
    if (!g->OutputCount || !g->Outputs) continue;
    const model::PinSignalType t = g->Outputs[0].Type;
    if (t == model::kTypeSequence || (t >= model::kTypeOpenWord && t < model::kTypeReal)) continue;
    ChannelRecord* c = r_.channel(next);
    if (c && tr_BindChannelTo(r_, *c, logic_, g, in, 1, 1)) {
      c->pickX = g->X;
      c->pickY = g->Y;
      ++next;
    }
  }
  tr_ResetWindow(r_);
  r_.recFirstTime = r_.recLastTime = -1.0;
  if (logic_ && !workFile_.empty()) vf_OpenOutputAs(r_, logic_, workFile_);
}

void TrendSheet::sample(double t) {
  if (r_.channels.empty()) return;
  Sample s{t, {}};
  for (std::size_t i = 0; i < r_.channels.size() && i < s.values.size(); ++i)
    s.values[i] = tr_SampleValue(*r_.channels[i]);
  // A bounded queue: a window that shows nothing for long keeps the newest.
  if (pending_.size() >= 100000) pending_.erase(pending_.begin(), pending_.begin() + 50000);
  pending_.push_back(s);
}

void TrendSheet::take(const Sample& s, bool draw) {
  const std::size_t n = r_.channels.size();
  r_.writeTime = s.time;
  for (std::size_t i = 0; i < n; ++i) r_.writeValues[i] = s.values[i];
  if (r_.outputOpen) tr_WriteSample(r_);
  if (draw) tr_DrawSample(r_, true, s.time, r_.writeValues.data());
  for (std::size_t i = 0; i < n; ++i) r_.channels[i]->lastValue = s.values[i];
  r_.recLastTime = s.time;
  r_.recSampleTime = s.time;
  if (r_.recFirstTime < 0) r_.recFirstTime = s.time;
  r_.recLastDrawnTime = s.time;
}

void TrendSheet::paint(int clientWidth, int clientHeight) {
  tr_SetClientSize(r_, clientWidth, clientHeight);
  tr_PaintTrend(r_);
  r_.recSampleTime = -1.0;
  tr_RecorderAccess(r_, false, 4, 0.0);
  tr_RecorderAccess(r_, true, 1, r_.recLastTime);
  r_.redrawRequest = false;
  painted_ = true;
  drawPending();
}

void TrendSheet::drawPending() {
  for (const Sample& s : pending_) take(s, painted_ && r_.layoutValid);
  pending_.clear();
}

} // namespace rec
