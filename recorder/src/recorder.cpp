#include "recorder/recorder.h"

#include "model/geometry.h"
#include "model/real.h"
#include "recorder/recfiles.h"
#include "recorder/trend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rec {

Recorder::Recorder() { tr_SetupDefaults(*this); }
Recorder::~Recorder() = default;

std::size_t Recorder::ringSlots() const {
  // The ring index runs over the columns 0..recWidth: width + 1 slots.
  const std::size_t need = recWidth >= 0 ? std::size_t(recWidth) + 1 : 0;
  return std::max<std::size_t>(kMinRingSlots, need);
}

ChannelRecord* Recorder::channel(int number) const {
  if (number < 1 || number > int(channels.size())) return nullptr;
  return channels[std::size_t(number) - 1].get();
}

int Recorder::numberOf(const ChannelRecord* c) const {
  for (std::size_t i = 0; i < channels.size(); ++i)
    if (channels[i].get() == c) return int(i) + 1;
  return 0;
}

namespace {

void clearSamples(const Recorder& r, ChannelRecord& c) {
  c.samples.assign(r.ringSlots(), kNoValue);
}

void resolveSpecialChannels(Recorder& r) {
  r.triggerChannel = r.channel(r.recTriggerChannel);
  r.xChannel = r.recXY ? r.channel(r.recXChannel) : nullptr;
}

} // namespace

// ---- channels ----

bool tr_AddChannel(Recorder& r) {
  if (r.channels.size() >= std::size_t(kMaxChannels)) return true;
  auto c = std::make_unique<ChannelRecord>();
  clearSamples(r, *c);
  r.channels.push_back(std::move(c));
  r.recChannelCount = std::uint16_t(r.channels.size());
  resolveSpecialChannels(r);
  return true;
}

void tr_RemoveChannel(Recorder& r) {
  if (r.channels.empty()) return;
  if (r.xChannel == r.channels.back().get()) {
    r.recXY = 0;
    r.xChannel = nullptr;
  }
  if (r.triggerChannel == r.channels.back().get()) r.triggerChannel = nullptr;
  r.channels.pop_back();
  r.recChannelCount = std::uint16_t(r.channels.size());
}

void tr_RemoveAllChannels(Recorder& r) {
  while (!r.channels.empty()) tr_RemoveChannel(r);
}

ChannelRecord* tr_SetChannelCount(Recorder& r, int select, int count) {
  count = std::clamp(count, 0, kMaxChannels);
  while (int(r.channels.size()) < count)
    if (!tr_AddChannel(r)) break;
  while (int(r.channels.size()) > count) tr_RemoveChannel(r);
  if (r.channels.empty()) return nullptr;
  return r.channel(std::clamp(select, 1, int(r.channels.size())));
}

bool tr_SetGateChannel(Recorder& r, bool on) {
  if (on) {
    if (!r.gateChannel) r.gateChannel = std::make_unique<ChannelRecord>();
    r.recHasGateChannel = 1;
  } else {
    r.gateChannel.reset();
    r.recHasGateChannel = 0;
  }
  return true;
}

double* tr_ValueSlot(model::GateRecord* gate, model::GateInstance* instance, unsigned pin, unsigned element) {
  if (!gate || !instance || !instance->OutputValues || pin < 1 || pin > gate->OutputCount || !gate->Outputs)
    return nullptr;
  unsigned s = 0;
  for (unsigned i = 1; i < pin; ++i) s += model::elementCount(gate->Outputs[i - 1].Type);
  const unsigned n = model::elementCount(gate->Outputs[pin - 1].Type);
  if (element < 1 || element > n) return nullptr;
  s += element;
  if (instance->OutputSlotCount && s > instance->OutputSlotCount) return nullptr;
  return instance->OutputValues + (s - 1);
}

bool tr_BindChannelTo(Recorder& r, ChannelRecord& c, model::LogicRecord* logic, model::GateRecord* gate,
                      model::GateInstance* instance, unsigned pin, unsigned element) {
  double* slot = tr_ValueSlot(gate, instance, pin, element);
  if (!slot) return false;
  c.logic = logic;
  c.gate = gate;
  c.instance = instance;
  c.pin = std::uint16_t(pin);
  c.element = std::uint16_t(element);
  c.valuePtr = slot;
  c.hidden = 0;
  c.lastValue = kNoValue;
  c.lastRow = -2;
  clearSamples(r, c);
  return true;
}

namespace {

model::GateInstance* instanceOf(model::LogicRecord* logic, model::GateInstance* instances, const model::GateRecord* g) {
  model::GateInstance* in = instances;
  for (model::GateRecord* x = logic ? logic->FirstGate : nullptr; x && in; x = x->Next, in = in->Next)
    if (x == g) return in;
  return nullptr;
}

} // namespace

bool tr_BindChannel(Recorder& r, model::LogicRecord* logic, model::GateInstance* instances, int x, int y) {
  std::int16_t px = model::clamp16(x), py = model::clamp16(y);
  model::gg_SnapToGrid(px, py);
  const std::int16_t pickX = px, pickY = py;
  model::ConnectionHit hit;
  model::gg_NearestConnection(logic, px, py, hit);
  model::GateRecord* g = hit.sourceGate;
  if (!g || hit.sourcePin < 1 || hit.sourcePin > g->OutputCount || r.channels.empty()) return false;
  const model::PinSignalType type = g->Outputs[hit.sourcePin - 1].Type;
  if (type >= 17 && type <= 19) return false;
  // The element of a vector pin: the one picked, here the first.
  const unsigned element = 1;
  int n = 0;
  for (std::size_t i = 0; i < r.channels.size(); ++i)
    if (!r.channels[i]->logic) {
      n = int(i) + 1;
      break;
    }
  if (n == 0) n = int(r.channels.size());
  if (r.recXY && n == int(r.recXChannel)) n = n == int(r.channels.size()) ? n - 1 : n + 1;
  if (n > 8 || n < 1) n = 1;
  r.recXY = 0;
  r.xChannel = nullptr;
  ChannelRecord& c = *r.channel(n);
  if (!tr_BindChannelTo(r, c, logic, g, instanceOf(logic, instances, g), hit.sourcePin, element)) return false;
  c.pickX = pickX;
  c.pickY = pickY;
  return true;
}

bool tr_UnbindChannel(Recorder& r, int number) {
  ChannelRecord* c = r.channel(number);
  if (!c) return false;
  c->logic = nullptr;
  c->gate = nullptr;
  c->instance = nullptr;
  c->valuePtr = nullptr;
  c->pickX = c->pickY = -1;
  c->hidden = 1;
  return true;
}

namespace {

bool stillBound(ChannelRecord& c) {
  if (!c.logic || !c.gate) return false;
  std::int16_t x = c.pickX, y = c.pickY;
  model::ConnectionHit hit;
  model::gg_NearestConnection(c.logic, x, y, hit);
  return hit.sourceGate == c.gate && hit.sourcePin == c.pin;
}

void clearBinding(ChannelRecord& c) {
  c.logic = nullptr;
  c.gate = nullptr;
  c.instance = nullptr;
  c.valuePtr = nullptr;
  c.hidden = 1;
}

} // namespace

void tr_CheckBindings(Recorder& r) {
  for (auto& c : r.channels)
    if (c->logic && !stillBound(*c)) clearBinding(*c);
  if (r.gateChannel && !stillBound(*r.gateChannel)) tr_SetGateChannel(r, false);
}

// ---- settings ----

void tr_SetupDefaults(Recorder& r) {
  r.recPaused = 0;
  r.recRoll = 0;
  r.recXY = 0;
  r.recXChannel = 0;
  r.recTimePerDivision = 1.0;
  r.recTrigger = 0;
  r.recTriggerChannel = 0;
  r.recTriggerLevel = 0.0;
  r.recDefaultChannelCount = 16;
  for (auto& e : r.recChannelTable) e = ChannelSettings{};
  for (int i = 0; i < 5; ++i) r.recMarkers[std::size_t(i)] = TimeMarker{1, std::uint16_t(2 + i), 50.0 + 100.0 * i};
  r.recAxesShown = 2;
  r.recAxesWordB = 2;
  for (auto& a : r.recAxes) a = AxisRecord{};
  r.recGrid = 1;
  r.recRowMax = 2000.0;
  r.recRowMin = -1.0;
  r.recNoValue = kNoValue;
  tr_SetChannelCount(r, 1, 16);
}

void vf_UnitInit(Recorder& r, const std::string& tempDir) {
  model::rl_UnitInit();
  r.recRowMax = 2000.0;
  r.recRowMin = -1.0;
  r.recNoValue = kNoValue;
  r.tempDir = tempDir;
  r.outputName = vf_TempValName(r);
  r.recLabelPhase = 0;
}

// ---- sampling ----

double tr_SampleValue(const ChannelRecord& c) {
  if (!c.logic || !c.valuePtr) return kNoValue;
  const model::PinSignalType type =
      c.gate && c.pin >= 1 && c.pin <= c.gate->OutputCount ? c.gate->Outputs[c.pin - 1].Type : model::PinSignalType(model::kTypeReal);
  std::uint16_t v = 0;
  std::memcpy(&v, c.valuePtr, sizeof v);
  if (type >= 1 && type <= 15) {
    const unsigned full = (1u << type) - 1u;
    return double(v & full) / double(full);
  }
  if (type == 16 || type == 17) return double(v) / 65536.0;
  if (type >= 20 && type <= 35) return *c.valuePtr;
  return kNoValue;
}

void tr_TakeSample(Recorder& r, bool draw, double time) {
  const std::size_t n = r.channels.size();
  bool paused = false;
  if (r.gateChannel && r.gateChannel->logic && r.gateChannel->valuePtr) {
    std::uint16_t v = 0;
    std::memcpy(&v, r.gateChannel->valuePtr, sizeof v);
    paused = (v & 1) != 0;
  }
  r.writeTime = time;
  if (paused) {
    for (std::size_t i = 0; i < n; ++i) r.writeValues[i] = kNoValue;
    if (r.gateChannel->lastRow == 0) {
      tr_WriteSample(r);   // one gap record per pause
      r.gateChannel->lastRow = 1;
    }
  } else {
    if (r.gateChannel) r.gateChannel->lastRow = 0;
    for (std::size_t i = 0; i < n; ++i) r.writeValues[i] = tr_SampleValue(*r.channels[i]);
    tr_WriteSample(r);
  }
  if (draw) tr_DrawSample(r, true, time, r.writeValues.data());
  for (std::size_t i = 0; i < n; ++i) r.channels[i]->lastValue = r.writeValues[i];
  r.recLastTime = time;
  r.recSampleTime = time;
  if (r.recFirstTime < 0) r.recFirstTime = time;
  r.recLastDrawnTime = time;
}

void tr_AfterAcceptedStep(Recorder& r, double simTime) {
  if (r.channels.empty()) return;
  tr_TakeSample(r, r.layoutValid && r.drawingOn, simTime);
}

namespace {
Recorder* gActive = nullptr;
std::function<void(double)> gSampler;
} // namespace

void tr_SetActiveRecorder(Recorder* r, std::function<void(double)> sampler) {
  gActive = r;
  gSampler = r ? std::move(sampler) : std::function<void(double)>();
}

Recorder* tr_ActiveRecorder() { return gActive; }

void tr_OnAcceptedStep(model::DocumentRecord& doc) {
  if (!gActive || !doc.SimLogic) return;
  const double t = doc.SimLogic->StepBlock.simTime;
  if (gSampler) gSampler(t);
  else tr_AfterAcceptedStep(*gActive, t);
}

void tr_ResetWindow(Recorder& r) {
  for (auto& c : r.channels) {
    clearSamples(r, *c);
    c->lastValue = kNoValue;
    c->lastRow = -2;
  }
  r.recLastRows.fill(-999);
  if (r.gateChannel) r.gateChannel->lastRow = 0;
  r.recColumn = r.recRingIndex = r.recRingStart = 0;
  r.recPhase = 1;
  r.recTime = 0.0;
  r.recColumnTime = r.recSampleTime = r.recLastDrawnTime = r.recFirstTime = r.recLastTime = -1.0;
  r.recTriggered = r.recArmed = 0;
  r.pageDone = false;
}

void tr_StartPageAt(Recorder& r, int division) {
  r.recColumn = r.recRingIndex = r.recRingStart = 0;
  if (division % 2 == 0) r.recPhase = 1;
  r.recColumnTime = r.recTime + r.recFirstTime;
  for (auto& c : r.channels) c->lastRow = -2;
}

namespace {

bool triggerFires(Recorder& r, double t, const double* values) {
  if (r.recTrigger == 0) {
    r.recTriggered = 1;
    return true;
  }
  ChannelRecord* tc = r.triggerChannel;
  if (!tc || !tc->logic) return false;
  const int n = r.numberOf(tc);
  if (n < 1) return false;
  const double y = values[n - 1] * tc->factor + tc->offset;
  const double level = r.recTriggerLevel;
  if (r.recArmed) {
    const bool fire = r.recTrigger < 0 ? y < level : y > level;
    if (fire) {
      r.recTriggered = 1;
      r.recColumnTime = t;
      r.recLastDrawnTime = t;
      r.recColumn = 0;
      r.recRingIndex = 0;
    }
  } else {
    const bool arm = r.recTrigger < 0 ? y > level : y < level;
    if (arm) r.recArmed = 1;
  }
  return r.recTriggered != 0;
}

} // namespace

void tr_DrawSample(Recorder& r, bool draw, double t, const double* values) {
  if (!r.layoutValid) return;
  if (r.recXY) {
    ChannelRecord* xc = r.xChannel;
    const int xn = r.numberOf(xc);
    if (!xc || xn < 1) return;
    const int c = tr_ValueToRow(r, values[xn - 1], *xc);
    int last = xc->lastRow;
    if (last < 0) last = c;
    const int step = c >= last ? 1 : -1;
    for (int col = last;; col += step) {
      const double fraction = c == last ? 1.0 : double(c - col) / double(c - last);
      tr_DrawXYColumn(r, draw, col, fraction, values);
      if (col == c) break;
    }
    xc->lastRow = std::int16_t(c);
    r.redrawRequest = true;
    return;
  }
  if (t < r.recLastDrawnTime) {
    tr_ResetWindow(r);
    if (r.recRoll && draw) tr_DrawTimeAxis(r);
    if (r.recSeekable) {
      r.recScrollPage = r.recScrollPos = 0;
      tr_ComputeScroll(r);
    }
  }
  if (r.pageDone) return;
  if (r.recColumnTime < 0) {
    r.recColumnTime = t;
    r.recLastDrawnTime = t;
  }
  if (!r.recTriggered && !triggerFires(r, t, values)) {
    r.redrawRequest = true;
    return;
  }
  if (r.recTimePerColumn <= 0) return;
  while (r.recColumnTime + r.recTimePerColumn * 0.005 <= t && r.recColumnTime <= t) {
    if (r.recColumn > r.recWidth) {
      if (r.recReplaying) break;
      if (r.recRoll) tr_RollDivision(r, draw);
      else r.recColumn = 0;
    }
    tr_DrawColumn(r, draw, t, values);
    r.recColumnTime += r.recTimePerColumn;
    ++r.recColumn;
    ++r.recRingIndex;
    if (r.recRingIndex > r.recWidth) r.recRingIndex = 0;
    if (!r.recRoll && r.recColumn > r.recWidth) {
      r.recTriggered = 0;
      r.recArmed = 0;
      if (r.recPaused) {
        // The page is full: nothing more is drawn until the next restart.
        r.pageDone = true;
        break;
      }
      if (r.recTrigger != 0) break;
    }
  }
  r.redrawRequest = true;
}

// ---- positioning ----

namespace {

void drawRead(Recorder& r) {
  const std::size_t n = r.channels.size();
  // A sample before the last drawn one (met again after a step back) is in
  // the picture already; drawing it would restart the picture and forget
  // the recorded range.
  if (!(r.recSampleTime < r.recLastDrawnTime)) tr_DrawSample(r, r.drawingOn, r.recSampleTime, r.readValues.data());
  r.recLastDrawnTime = r.recSampleTime;
  if (r.recSampleTime > r.recLastTime) r.recLastTime = r.recSampleTime;
  if (r.recFirstTime < 0) r.recFirstTime = r.recSampleTime;
  for (std::size_t i = 0; i < n; ++i) r.channels[i]->lastValue = r.readValues[i];
}

bool readKeep(Recorder& r) { return tr_ReadSample(r); }

void stepBack(Recorder& r) {
  if (!r.out) return;
  const long target = r.out->tell() - 2L * r.recRecordSize;
  if (target < long(r.recFirstSamplePos)) {
    r.out->seek(long(r.recFirstSamplePos));
    r.recSampleTime = 0.0;
    return;
  }
  r.out->seek(target);
  r.recSampleTime = r.keptSampleTime;
  readKeep(r);
}

} // namespace

void tr_RecorderAccess(Recorder& r, bool update, int mode, double T) {
  if (r.channels.empty() || !r.out || !r.recSeekable) return;
  RecStream& s = *r.out;
  if (mode == 0) {
    s.seek(long(r.recFirstSamplePos));
    tr_ComputeScroll(r);
    return;
  }
  const double tpd = r.recTimePerDivision;
  const double tpc = r.recTimePerColumn;
  if (mode == 1) {
    if (T - r.recWindowLength < r.recFirstTime) T = r.recFirstTime + r.recWindowLength - tpc;
    else if (T >= r.recLastTime) T = r.recLastTime + tpd;
    int k = model::rl_Round((T - r.recWindowLength - r.recFirstTime) / tpd) - 1;
    if (k < 0) k = 0;
    T = k * tpd + r.recFirstTime + r.recWindowLength - tpc;
    if (std::fabs(T - r.recSampleTime) <= tpc) T = r.recSampleTime + tpc;
    const bool draw = r.drawingOn;
    if (T <= r.recSampleTime / 2) {
      r.recTime = k * tpd;
      s.seek(long(r.recFirstSamplePos));
      r.recSampleTime = -1.0;
      tr_StartPageAt(r, k);
      if (draw) tr_DrawTimeAxis(r);
      while (r.recTime + r.recFirstTime > r.recSampleTime)
        if (!readKeep(r)) break;
    } else {
      r.recTime = k * tpd;
      tr_StartPageAt(r, k);
      if (draw) tr_DrawTimeAxis(r);
      int guard = 0;
      while (r.recTime + r.recFirstTime < r.recSampleTime && s.tell() > long(r.recFirstSamplePos) && ++guard < 1000000)
        stepBack(r);
      while (r.recTime + r.recFirstTime > r.recSampleTime)
        if (!readKeep(r)) break;
    }
    if (r.recSampleTime > 1e-10) {
      stepBack(r);
      stepBack(r);
    }
    r.recLastDrawnTime = r.recSampleTime;
    drawRead(r);
    r.recReplaying = 1;
    while (2 * tpd + T > r.recSampleTime) {
      if (!readKeep(r)) break;
      drawRead(r);
    }
    stepBack(r);
    drawRead(r);
    r.recReplaying = 0;
    const std::int16_t keep = r.recColumn;
    if (draw)
      for (int c = r.recColumn; c <= r.recWidth; ++c) tr_DrawGridColumn(r, c);
    r.recColumn = keep;
    if (update) tr_ComputeScroll(r);
    return;
  }
  if (mode == 4) {
    if (readKeep(r)) {
      // The first sample gives the start of the recording.
      if (r.recFirstTime < 0) r.recFirstTime = r.recSampleTime;
      // The end of the samples: before the end marker of a closed value file.
      long end = s.size();
      double probe = 0.0;
      if (end - 8 >= long(r.recFirstSamplePos) && s.seek(end - 8) && getF64(s, probe) && probe == kEndMarker) end -= 8;
      s.seek(end);
      stepBack(r);
      while (readKeep(r)) {}
      r.recColumnTime = r.recSampleTime;
      r.recLastDrawnTime = r.recSampleTime;
      r.recColumn = 0;
      stepBack(r);
      drawRead(r);
      while (readKeep(r)) drawRead(r);
    }
    tr_ComputeScroll(r);
  }
}

void tr_ComputeScroll(Recorder& r) {
  const double range = r.recLastTime - r.recFirstTime;
  std::uint16_t page = 1000;
  if (r.recLastTime > 0 && range > r.recWindowLength && r.recSeekable && !r.recXY && r.recRoll)
    page = std::uint16_t(std::trunc(1000.0 * r.recWindowLength / range));
  std::uint16_t pos = 1000;
  if (!(r.recXY || !r.recRoll || !r.recSeekable || range <= r.recWindowLength)) {
    double p = std::trunc(1000.0 * (r.recSampleTime - r.recFirstTime - r.recWindowLength) / (range - r.recWindowLength));
    if (p < 0) p = 0;
    if (p > 1000) p = 1000;
    pos = std::uint16_t(p);
  }
  if (page != r.recScrollPage) r.recScrollPage = page;
  if (pos != r.recScrollPos) r.recScrollPos = pos;
}

void tr_ScrollTo(Recorder& r, int code) {
  if (r.recXY || !r.recRoll || !r.recSeekable || code == int(r.recScrollPos)) return;
  double T = 0.0;
  switch (code) {
  case -9: T = r.recLastTime; break;
  case -8: T = 0.0; break;
  case -7: T = r.recSampleTime + 2 * r.recTimePerDivision; break;
  case -6: T = r.recSampleTime - 2 * r.recTimePerDivision; break;
  case -5: T = r.recSampleTime + r.recWindowLength; break;
  case -4: T = r.recSampleTime - r.recWindowLength; break;
  default:
    if (code < 0 || code > 1000) return;
    T = code * (r.recLastTime - r.recFirstTime - r.recWindowLength) / 1000.0 + r.recFirstTime + r.recWindowLength;
  }
  tr_RecorderAccess(r, true, 1, T);
}

} // namespace rec
