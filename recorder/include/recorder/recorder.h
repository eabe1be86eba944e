#pragma once
// The value recorder: up to 36 channels, each bound to one element of one
// output pin of a simulated gate, sampled after every accepted time step,
// drawn as curves in a trend window and written to a recorder output. This
// header holds the recorder's model (channels, settings, picture state) and
// the sampling, trigger, paging and scrolling operations. No windows: the
// picture goes through the drawing layer (trend.h), files through recfiles.h.
#include "model/records.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rec {

class RecStream;

inline constexpr int kMaxChannels = 36;
inline constexpr double kNoValue = -1e38;       // a sample without value
inline constexpr double kEndMarker = -10.0;     // end of the samples in a value file
inline constexpr double kNoRecordFile = 1e32;   // status of a record gate without a file
inline constexpr int kMinRingSlots = 1025;

struct ChannelRecord {
  std::vector<double> samples;            // one slot per ring index of the window
  model::LogicRecord* logic = nullptr;    // null: unbound
  model::GateRecord* gate = nullptr;
  std::uint16_t pin = 0;
  std::uint16_t element = 1;
  model::GateInstance* instance = nullptr;
  double* valuePtr = nullptr;
  std::int16_t pickX = -1, pickY = -1;
  double offset = 0.0;
  double factor = 1.0;
  double lastValue = kNoValue;
  std::int16_t lastRow = -2;   // gate channel: 1 while a pause gap has been written
  std::uint16_t axis = 1;
  std::uint8_t hidden = 1;
  std::uint8_t interpolate = 0;
};

// Display settings of a channel number kept while the list is rebuilt.
struct ChannelSettings {
  double offset = 0.0;
  double factor = 1.0;
  std::uint16_t axis = 1;
  std::uint8_t interpolate = 0;
  std::uint8_t shown = 1;
};

struct TimeMarker {
  std::uint8_t shown = 1;
  std::uint16_t colour = 2;
  double time = 0.0;
};

struct AxisRecord {
  std::uint8_t lead[8] = {};   // axis 0: the plot frame as four i16 while painted
  double offset = 0.0;
  double scale = 1.0;
  char name[39] = "Noname";
  char unit[17] = "[--------]";
};

// Output kinds of a recorder name.
enum OutputKind : std::uint16_t { kKindNone = 0, kKindVal = 1, kKindVdb = 2, kKindVat = 4, kKindPrinter = 5 };

// The recorder of one trend window: its settings, picture state and channels.
struct Recorder {
  Recorder();
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Settings.
  std::uint8_t recPaused = 0;
  std::uint8_t recRoll = 0;
  std::uint8_t recXY = 0;
  std::uint16_t recXChannel = 0;
  double recTimePerDivision = 1.0;
  std::int16_t recTrigger = 0;     // -1 "Fall", 0 "Cont", 1 "Rise"
  std::uint16_t recTriggerChannel = 0;
  double recTriggerLevel = 0.0;
  std::uint16_t recChannelCount = 0;
  std::uint16_t recDefaultChannelCount = 16;
  std::array<ChannelSettings, kMaxChannels + 1> recChannelTable{};
  std::array<TimeMarker, 5> recMarkers{};
  std::uint16_t recAxesShown = 2;
  std::uint16_t recAxesWordB = 2;
  std::array<AxisRecord, 5> recAxes{};
  std::uint8_t recGrid = 1;
  // Read-out.
  std::uint16_t recReadoutChannel = 0;
  double recReadoutX = 0.0, recReadoutY = 0.0;
  // Picture geometry (pixels).
  std::int16_t recRingIndex = 0, recRingStart = 0, recColumn = 0, recColumnsPerPage = 0;
  std::int16_t recX0 = 0, recBottom = 0, recTop = 0, recWidth = 0;
  std::int16_t recPxPerDivisionX = 0, recPxPerDivisionY = 0;
  std::int16_t recDivisionsShown = 0, recDivisions = 0, recDivisionsY = 0;
  // Output.
  std::int16_t recFile = -1;
  std::uint16_t recScrollPage = 1000, recScrollPos = 1000, recRecordSize = 8;
  // Flags.
  std::uint8_t recTriggered = 0, recArmed = 0, recPhase = 1, recWritten = 0, recSeekable = 0;
  std::uint8_t recReplaying = 0, recHasGateChannel = 0;
  // Values.
  double recRowMax = 2000.0, recRowMin = -1.0, recNoValue = kNoValue;
  double recTime = 0.0, recColumnTime = -1.0, recTimePerColumn = 0.025, recLastDrawnTime = -1.0;
  double recWindowLength = 0.0, recSampleTime = -1.0, recFirstTime = -1.0, recLastTime = -1.0;
  std::uint32_t recFirstSamplePos = 0;
  std::uint16_t recOutputKind = kKindNone;
  std::uint16_t recLabelPhase = 0;
  std::array<std::int16_t, kMaxChannels> recLastRows{};

  // The window the picture lies in (pixels of the trend window's client);
  // the plot takes its right part, the side panel and axis scales lie left of
  // it. layoutValid is false until a layout of at least 150 pixels height.
  int winLeft = 0, winTop = 0, winWidth = 0, winHeight = 0;
  bool hasWindow = false;
  bool layoutValid = false;
  bool deviceFlag = false;        // the drawing layer's device flag: no white clearing
  bool redrawRequest = false;
  bool drawingOn = true;          // a device is there to draw on
  std::string statusText;         // the read-out line
  int readoutColumn = -1;         // the plot column of the read-out

  // Channels in channel order (channel n is channels[n - 1]).
  std::vector<std::unique_ptr<ChannelRecord>> channels;
  std::unique_ptr<ChannelRecord> gateChannel;
  ChannelRecord* triggerChannel = nullptr;
  ChannelRecord* xChannel = nullptr;

  // Sample buffers.
  double writeTime = 0.0;
  std::array<double, kMaxChannels> writeValues{};
  std::array<double, kMaxChannels> readValues{};
  double keptSampleTime = -1.0;    // the sample time before the last read
  bool pageDone = false;           // page mode with recPaused: the page is full

  // Output.
  std::string outputName;          // the file the output is (or was last) written to
  std::string workPath;            // the file written while the output is open
  std::string tempDir;             // the instance's temporary directory
  bool outputOpen = false;
  bool outputReplay = false;       // opened for replay: nothing written, renamed nothing
  std::unique_ptr<RecStream> out;
  model::LogicRecord* recordedLogic = nullptr;
  std::string printerText;         // what went to the printer (kind 5)

  // Sample slots of a channel: the ring runs over the window's columns 0..recWidth.
  std::size_t ringSlots() const;
  ChannelRecord* channel(int number) const;   // 1-based; null outside
  int numberOf(const ChannelRecord* c) const;  // 0 when not in the list
};

// ---- channels ----
// Makes the list count long (0..36) and returns channel select (1..count).
ChannelRecord* tr_SetChannelCount(Recorder& r, int select, int count);
bool tr_AddChannel(Recorder& r);
void tr_RemoveChannel(Recorder& r);
void tr_RemoveAllChannels(Recorder& r);
bool tr_SetGateChannel(Recorder& r, bool on);
// Binds the first free channel to the connection at a worksheet point of the
// logic (instances: its instance list). False for a miss or an open type.
bool tr_BindChannel(Recorder& r, model::LogicRecord* logic, model::GateInstance* instances, int x, int y);
// Binds a channel directly to a gate's output pin element (tests, set-up).
bool tr_BindChannelTo(Recorder& r, ChannelRecord& c, model::LogicRecord* logic, model::GateRecord* gate,
                      model::GateInstance* instance, unsigned pin, unsigned element);
bool tr_UnbindChannel(Recorder& r, int number);
void tr_CheckBindings(Recorder& r);
// The 8-byte value slot of a gate's output pin element; null when outside.
double* tr_ValueSlot(model::GateRecord* gate, model::GateInstance* instance, unsigned pin, unsigned element);

// ---- settings ----
void tr_SetupDefaults(Recorder& r);
void vf_UnitInit(Recorder& r, const std::string& tempDir);

// ---- sampling and picture ----
double tr_SampleValue(const ChannelRecord& c);
void tr_TakeSample(Recorder& r, bool draw, double time);
void tr_DrawSample(Recorder& r, bool draw, double time, const double* values);
void tr_ResetWindow(Recorder& r);
void tr_StartPageAt(Recorder& r, int division);
// The hook the time step calls after each accepted step: one sample at the
// logic's simulated time, drawn when the window can draw.
void tr_AfterAcceptedStep(Recorder& r, double simTime);

// The recorder the simulation feeds. The time step (or the shell around it)
// calls tr_OnAcceptedStep after every accepted step; it samples the active
// recorder at the simulated logic's time, through the sampler when one is
// given (a trend window draws the sample into itself), else without drawing.
void tr_SetActiveRecorder(Recorder* r, std::function<void(double)> sampler = {});
Recorder* tr_ActiveRecorder();
void tr_OnAcceptedStep(model::DocumentRecord& doc);

// ---- positioning and scrolling ----
void tr_RecorderAccess(Recorder& r, bool update, int mode, double time);
void tr_ComputeScroll(Recorder& r);
void tr_ScrollTo(Recorder& r, int code);

} // namespace rec
