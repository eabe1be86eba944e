#pragma once
// The program's trend window (a worksheet of kind 5) over a recorder of its
// own: it follows the simulated document, binds its channels to the first
// outputs of the simulated logic's gates, takes one sample after every
// accepted time step (queued while no window device is at hand), writes the
// samples to a value file in the temporary directory and draws them on the
// next display step; a full redraw paints the window and replays that file,
// so the picture survives repaints and resizes.
#include "recorder/recorder.h"

#include <array>
#include <string>
#include <vector>

namespace rec {

class TrendSheet {
public:
  // workFile: the value file the samples go to (deleted when the sheet goes).
  explicit TrendSheet(std::string workFile);
  ~TrendSheet();
  TrendSheet(const TrendSheet&) = delete;
  TrendSheet& operator=(const TrendSheet&) = delete;

  Recorder& recorder() { return r_; }
  // Binds to the document's simulated logic (its level-1 logic when none is
  // simulated yet) when that differs from the one bound; null unbinds.
  void follow(model::DocumentRecord* doc);
  // Makes this sheet's recorder the one the time step samples.
  void activate();
  // Paints the whole window on the current device and replays the samples.
  void paint(int clientWidth, int clientHeight);
  // Draws the samples taken since the last call on the current device.
  void drawPending();
  // One sample of every channel at time t (the step's hook calls it).
  void sample(double t);
  std::size_t pendingSamples() const { return pending_.size(); }
  int boundChannels() const;

  // At most this many channels are bound.
  static constexpr int kAutoChannels = 8;

private:
  struct Sample {
    double time;
    std::array<double, kMaxChannels> values;
  };
  void bind();
  void take(const Sample& s, bool draw);
  Recorder r_;
  std::string workFile_;
  model::DocumentRecord* doc_ = nullptr;
  model::LogicRecord* logic_ = nullptr;
  model::GateInstance* instances_ = nullptr;
  std::vector<Sample> pending_;
  bool painted_ = false;
};

} // namespace rec
