#include "recorder/recfiles.h"

#include "model/geometry.h"
#include "model/numbers.h"
#include "modelfiles/messages.h"
#include "modelfiles/state.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include "recorder/trend.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace rec {

using modelfiles::FileHandle;

// ---- streams ----

bool MemStream::read(void* out, std::size_t n) {
  if (n > data.size() - pos_) return false;
  if (n) std::memcpy(out, data.data() + pos_, n);
  pos_ += n;
  return true;
}

bool MemStream::write(const void* p, std::size_t n) {
  if (pos_ + n > data.size()) data.resize(pos_ + n);
  if (n) std::memcpy(data.data() + pos_, p, n);
  pos_ += n;
  return true;
}

bool MemStream::seek(long pos) {
  if (pos < 0 || std::size_t(pos) > data.size()) return false;
  pos_ = std::size_t(pos);
  return true;
}

FileStream::~FileStream() {
  flush();
  if (owns_) modelfiles::gem_Fclose(h_);
}

bool FileStream::flush() {
  if (pending_.empty()) return !failed_;
  const bool ok = modelfiles::gem_WriteChecked(h_, pending_.data(), long(pending_.size()));
  pending_.clear();
  if (!ok) failed_ = true;
  return ok;
}

bool FileStream::read(void* out, std::size_t n) {
  if (!flush()) return false;
  long count = long(n);
  modelfiles::gem_Fread(h_, count, out);
  return count == long(n);
}

bool FileStream::write(const void* p, std::size_t n) {
  if (failed_) return false;
  const auto* b = static_cast<const std::uint8_t*>(p);
  pending_.insert(pending_.end(), b, b + n);
  return pending_.size() < 65536 || flush();
}

long FileStream::tell() {
  if (!flush()) return -1;
  long pos = -1;
  modelfiles::gem_Fseek(0, h_, 1, pos);
  return pos;
}

bool FileStream::seek(long pos) {
  if (pos < 0 || pos > size()) return false;
  long at = -1;
  modelfiles::gem_Fseek(pos, h_, 0, at);
  return at == pos;
}

long FileStream::size() {
  if (!flush()) return -1;
  long here = -1, end = -1, back = -1;
  modelfiles::gem_Fseek(0, h_, 1, here);
  modelfiles::gem_Fseek(0, h_, 2, end);
  modelfiles::gem_Fseek(here, h_, 0, back);
  return end;
}

bool putU8(RecStream& s, std::uint8_t v) { return s.write(&v, 1); }
bool putU16(RecStream& s, std::uint16_t v) {
  const std::uint8_t b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
  return s.write(b, 2);
}
bool putI16(RecStream& s, std::int16_t v) { return putU16(s, std::uint16_t(v)); }
bool putF64(RecStream& s, double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, 8);
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = std::uint8_t(u >> (8 * i));
  return s.write(b, 8);
}
bool getU8(RecStream& s, std::uint8_t& v) { return s.read(&v, 1); }
bool getU16(RecStream& s, std::uint16_t& v) {
  std::uint8_t b[2];
  if (!s.read(b, 2)) return false;
  v = std::uint16_t(b[0] | (b[1] << 8));
  return true;
}
bool getI16(RecStream& s, std::int16_t& v) {
  std::uint16_t u = 0;
  if (!getU16(s, u)) return false;
  v = std::int16_t(u);
  return true;
}
bool getF64(RecStream& s, double& v) {
  std::uint8_t b[8];
  if (!s.read(b, 8)) return false;
  std::uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  std::memcpy(&v, &u, 8);
  return true;
}

// ---- messages ----

const char* recMessageText(int number) {
  switch (number) {
  case 50016: return "Error!   Printing cannot be executed.";
  case 40020: return "All subprogram call-ups are being deleted!";
  case 40021: return "The subprogram is being used! Change anyway?";
  default: return modelfiles::messageText(number);
  }
}

int recShowMessage(int number, unsigned style) {
  return plat::ui::messageBox(recMessageText(number), "Zerlo", style);
}

// ---- names ----

namespace {
bool gPrinterReady = false;
}

void vf_SetPrinterReady(bool ready) { gPrinterReady = ready; }
bool vf_PrinterReady() { return gPrinterReady; }

std::string_view vf_BaseName(std::string_view path) {
  const auto at = path.find_last_of("/\\");
  return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::uint16_t vf_OutputKindOf(std::string_view fullName) {
  const std::string_view name = vf_BaseName(fullName);
  std::size_t dot = name.size() < 13 ? name.size() : 12;
  for (std::size_t i = 0; i < name.size() && i < 13; ++i)
    if (name[i] == '.') {
      dot = i;
      break;
    }
  const std::string_view ext = name.substr(std::min(dot, name.size()), 4);
  if (ext == ".VAL") return kKindVal;
  if (ext == ".VDB") return kKindVdb;
  if (ext == ".VAT") return kKindVat;
  if (name.substr(0, 7) == "PRINTER") {
    if (vf_PrinterReady()) return kKindPrinter;
    recShowMessage(50016);
    return kKindNone;
  }
  recShowMessage(50044);
  return kKindNone;
}

std::string vf_TempValName(const Recorder& r) {
  return plat::path::join(r.tempDir.empty() ? modelfiles::fileServices().tempDir() : r.tempDir, "TEMP.VAL");
}

// ---- text forms ----

std::string vf_NumberField(double v, int width) {
  char b[64];
  model::nc_FormatRealRange(v, b, sizeof b, width);
  std::string s(b);
  s.resize(std::size_t(width), ' ');
  return s;
}

std::string vf_VatHead(unsigned count) {
  if (count > 999) count = 999;
  char digits[4] = {0, 0, 0, 0};
  std::snprintf(digits, sizeof digits, "%u", count);
  std::string head(digits, 3);
  head += "\r\n";
  return head;
}

std::string vf_VatRecord(const double* values, std::size_t n, int blanks) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    std::string f = vf_NumberField(values[i], 15);
    // The readers of these files want a sign after the exponent letter; the
    // REAL field leaves it out for positive exponents ("1.0D20"), which could
    // not be read back. The field keeps its width: a trailing blank goes.
    const auto d = f.find('D');
    if (d != std::string::npos && d + 1 < f.size() && f[d + 1] >= '0' && f[d + 1] <= '9' && f.back() == ' ') {
      f.insert(d + 1, 1, '+');
      f.pop_back();
    }
    s += f;
    s += i + 1 < n ? std::string(std::size_t(blanks), ' ') : std::string("\r\n");
  }
  return s;
}

std::string vf_PrinterRecord(const double* values, std::size_t n, int blanks) {
  std::string s;
  const std::string sep(std::size_t(blanks), ' ');
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (i - 1) % 10 == 0 && i > 1) s += std::string(10, ' ');
    s += vf_NumberField(values[i], i == 0 ? 9 : 11);
    s += sep;
    if (i + 1 == n || (i % 10 == 0 && i > 0)) s += "\r\n";
  }
  return s;
}

// ---- header ----

namespace {

bool writeChannel(RecStream& s, const ChannelRecord& c) {
  std::uint8_t zero[16] = {};
  return s.write(zero, 16) && putU16(s, c.pin) && putU16(s, c.element) && s.write(zero, 8) &&
         putI16(s, c.pickX) && putI16(s, c.pickY) && putF64(s, c.offset) && putF64(s, c.factor) &&
         putF64(s, c.lastValue) && putI16(s, c.lastRow) && putU16(s, c.axis) && putU8(s, c.hidden) &&
         putU8(s, c.interpolate) && s.write(zero, 2);
}

bool readChannel(RecStream& s, ChannelRecord& c) {
  std::uint8_t skip[16];
  return s.read(skip, 16) && getU16(s, c.pin) && getU16(s, c.element) && s.read(skip, 8) && getI16(s, c.pickX) &&
         getI16(s, c.pickY) && getF64(s, c.offset) && getF64(s, c.factor) && getF64(s, c.lastValue) &&
         getI16(s, c.lastRow) && getU16(s, c.axis) && getU8(s, c.hidden) && getU8(s, c.interpolate) &&
         s.read(skip, 2);
}

bool writeAxis(RecStream& s, const AxisRecord& a) {
  return s.write(a.lead, 8) && putF64(s, a.offset) && putF64(s, a.scale) && s.write(a.name, 39) &&
         s.write(a.unit, 17);
}

bool readAxis(RecStream& s, AxisRecord& a) {
  const bool ok = s.read(a.lead, 8) && getF64(s, a.offset) && getF64(s, a.scale) && s.read(a.name, 39) &&
                  s.read(a.unit, 17);
  a.name[38] = 0;
  a.unit[16] = 0;
  return ok;
}

bool findPath(const model::LogicRecord* logic, const model::GateInstance* instances, const ChannelRecord& c,
              int depth, std::vector<std::uint16_t>& path) {
  if (!logic || depth > 100) return false;
  const model::GateInstance* in = instances;
  for (const model::GateRecord* g = logic->FirstGate; g; g = g->Next, in = in ? in->Next : nullptr) {
    if (g == c.gate && (!c.instance || in == c.instance)) {
      path.push_back(g->GateNumber);
      return true;
    }
    if (g->Kind == model::kKindCall && in) {
      path.push_back(g->GateNumber);
      if (findPath(model::subLogic(g), in->Children, c, depth + 1, path)) return true;
      path.pop_back();
    }
  }
  return false;
}

// The header of a file before anything of it is taken over.
struct StagedHeader {
  std::uint8_t grid = 0, xy = 0, gateFlag = 0, paused = 0, roll = 0;
  std::uint16_t xChannel = 0, triggerChannel = 0, count = 0, axesShown = 0;
  std::int16_t trigger = 0;
  double timePerDivision = 1.0, triggerLevel = 0.0;
  std::vector<ChannelRecord> channels;
  ChannelRecord gateChannel;
  std::array<AxisRecord, 5> axes{};
  std::vector<std::vector<std::uint16_t>> paths;
};

bool readStaged(RecStream& s, StagedHeader& h) {
  if (!(getU8(s, h.grid) && getU8(s, h.xy) && getU8(s, h.gateFlag) && getU16(s, h.xChannel) && getU8(s, h.paused) &&
        getU8(s, h.roll) && getI16(s, h.trigger) && getF64(s, h.timePerDivision) && getF64(s, h.triggerLevel) &&
        getU16(s, h.triggerChannel) && getU16(s, h.count)))
    return false;
  // A header that would load only in part is refused whole.
  if (!(h.timePerDivision > 0.0) || !std::isfinite(h.timePerDivision) || h.count > kMaxChannels || h.gateFlag > 1)
    return false;
  h.channels.resize(h.count);
  for (auto& c : h.channels)
    if (!readChannel(s, c) || c.axis >= 5) return false;
  if (h.gateFlag == 1 && (!readChannel(s, h.gateChannel) || h.gateChannel.axis >= 5)) return false;
  if (!getU16(s, h.axesShown)) return false;
  for (auto& a : h.axes)
    if (!readAxis(s, a)) return false;
  const int paths = h.count + (h.gateFlag == 1 ? 1 : 0);
  h.paths.resize(std::size_t(paths));
  for (auto& p : h.paths) {
    for (;;) {
      std::uint16_t w = 0;
      if (!getU16(s, w)) return false;
      p.push_back(w);
      if (w == 0) break;
      if (p.size() >= std::size_t(kMaxPathWords)) return false;
    }
  }
  return true;
}

// Follows a gate path from the owner; binds the channel or clears it.
bool bindPath(Recorder& r, ChannelRecord& c, model::LogicRecord* owner, const std::vector<std::uint16_t>& path) {
  c.logic = nullptr;
  c.gate = nullptr;
  c.instance = nullptr;
  c.valuePtr = nullptr;
  if (path.size() < 2) return true;   // no binding stored
  model::LogicRecord* logic = owner;
  model::GateInstance* instances = owner ? owner->FirstInstance : nullptr;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    model::GateRecord* g = logic ? logic->FirstGate : nullptr;
    model::GateInstance* in = instances;
    for (; g && g->GateNumber != path[i]; g = g->Next) in = in ? in->Next : nullptr;
    if (!g) return false;
    if (i + 2 == path.size()) {
      std::int16_t x = c.pickX, y = c.pickY;
      model::ConnectionHit hit;
      model::gg_NearestConnection(logic, x, y, hit);
      if (hit.sourceGate != g || hit.sourcePin != c.pin) return false;
      double* slot = tr_ValueSlot(g, in, c.pin, c.element);
      if (!slot) return false;
      c.logic = logic;
      c.gate = g;
      c.instance = in;
      c.valuePtr = slot;
      return true;
    }
    if (g->Kind != model::kKindCall || !in) return false;
    logic = model::subLogic(g);
    instances = in->Children;
  }
  return false;
}

void copyChannel(ChannelRecord& to, const ChannelRecord& from) {
  to.pin = from.pin;
  to.element = from.element;
  to.pickX = from.pickX;
  to.pickY = from.pickY;
  to.offset = from.offset;
  to.factor = from.factor;
  to.lastValue = from.lastValue;
  to.lastRow = from.lastRow;
  to.axis = from.axis;
  to.hidden = from.hidden;
  to.interpolate = from.interpolate;
}

} // namespace

std::vector<std::uint16_t> vf_GatePath(const model::LogicRecord* owner, const ChannelRecord& c) {
  std::vector<std::uint16_t> path;
  if (c.logic && c.gate && owner && findPath(owner, owner->FirstInstance, c, 0, path)) {
    path.push_back(0);
    return path;
  }
  return {0};
}

bool vf_WriteHeader(RecStream& s, const Recorder& r, const model::LogicRecord* owner) {
  const bool gate = r.recHasGateChannel && r.gateChannel;
  const std::uint16_t n = std::uint16_t(r.channels.size());
  if (!(putU8(s, r.recGrid) && putU8(s, r.recXY) && putU8(s, gate ? 1 : 0) && putU16(s, r.recXChannel) &&
        putU8(s, r.recPaused) && putU8(s, r.recRoll) && putI16(s, r.recTrigger) && putF64(s, r.recTimePerDivision) &&
        putF64(s, r.recTriggerLevel) && putU16(s, r.recTriggerChannel) && putU16(s, n)))
    return false;
  for (const auto& c : r.channels)
    if (!writeChannel(s, *c)) return false;
  if (gate && !writeChannel(s, *r.gateChannel)) return false;
  if (!putU16(s, r.recAxesShown)) return false;
  for (const auto& a : r.recAxes)
    if (!writeAxis(s, a)) return false;
  auto writePath = [&](const ChannelRecord& c) {
    for (std::uint16_t w : vf_GatePath(owner, c))
      if (!putU16(s, w)) return false;
    return true;
  };
  for (const auto& c : r.channels)
    if (!writePath(*c)) return false;
  if (gate && !writePath(*r.gateChannel)) return false;
  return true;
}

int vf_ReadHeader(RecStream& s, Recorder& r, model::LogicRecord* owner) {
  StagedHeader h;
  if (!readStaged(s, h)) return -1;
  r.recGrid = h.grid;
  r.recXY = h.xy;
  r.recXChannel = h.xChannel;
  r.recPaused = h.paused;
  r.recRoll = h.roll;
  r.recTrigger = h.trigger < 0 ? -1 : h.trigger > 0 ? 1 : 0;
  r.recTimePerDivision = h.timePerDivision;
  r.recTriggerLevel = h.triggerLevel;
  r.recTriggerChannel = h.triggerChannel;
  tr_SetChannelCount(r, 1, h.count);
  r.recDefaultChannelCount = std::uint16_t(r.channels.size());
  for (std::size_t i = 0; i < r.channels.size(); ++i) copyChannel(*r.channels[i], h.channels[i]);
  tr_SetGateChannel(r, h.gateFlag == 1);
  if (r.gateChannel) copyChannel(*r.gateChannel, h.gateChannel);
  r.recAxesShown = std::min<std::uint16_t>(h.axesShown, 4);
  r.recAxes = h.axes;
  int result = 0;
  for (std::size_t i = 0; i < r.channels.size(); ++i)
    if (!bindPath(r, *r.channels[i], owner, h.paths[i])) result = 1;
  if (r.gateChannel) {
    if (!bindPath(r, *r.gateChannel, owner, h.paths.back())) result = 1;
    if (!r.gateChannel->logic) tr_SetGateChannel(r, false);
  }
  r.triggerChannel = r.channel(r.recTriggerChannel);
  r.xChannel = r.recXY ? r.channel(r.recXChannel) : nullptr;
  for (std::size_t i = 0; i < r.channels.size(); ++i) {
    const ChannelRecord& c = *r.channels[i];
    r.recChannelTable[i + 1] = ChannelSettings{c.offset, c.factor, c.axis, c.interpolate, std::uint8_t(c.hidden ? 0 : 1)};
  }
  if (r.hasWindow) tr_SetLayout(r, r.winLeft, r.winTop, r.winWidth, r.winHeight);
  return result;
}

// ---- set-up files ----

bool vf_WriteParFile(Recorder& r, model::LogicRecord* owner, const std::string& chosen) {
  std::string path = chosen;
  if (path.empty()) {
    path = ".PAR";
    if (!modelfiles::gem_FileSelect(path, ".PAR")) return false;
  }
  MemStream m;
  if (!vf_WriteHeader(m, r, owner)) return false;
  if (!plat::path::writeFileAtomic(plat::path::resolveForWrite(plat::path::normalize(path)),
                                   std::string_view(reinterpret_cast<const char*>(m.data.data()), m.data.size()))) {
    recShowMessage(50037);
    return false;
  }
  return true;
}

bool vf_ReadParFile(Recorder& r, model::LogicRecord* owner, const std::string& chosen) {
  std::string path = chosen;
  if (path.empty()) {
    path = ".PAR";
    if (!modelfiles::gem_FileSelect(path, ".PAR")) return false;
  }
  FileHandle h = -1;
  if (modelfiles::gem_OpenExisting(path, h) < 1) {
    recShowMessage(50037);
    return false;
  }
  FileStream f(h);
  const int result = vf_ReadHeader(f, r, owner);
  if (result == -1) {
    tr_RemoveAllChannels(r);
    recShowMessage(50037);
  }
  tr_ResetWindow(r);
  return result != -1;
}

// ---- the output ----

namespace {

bool writeHead(Recorder& r, model::LogicRecord* owner) {
  RecStream& s = *r.out;
  const std::uint16_t n = std::uint16_t(r.channels.size());
  switch (r.recOutputKind) {
  case kKindVal: return vf_WriteHeader(s, r, owner);
  case kKindVat: {
    const std::string head = vf_VatHead(n);
    return s.write(head.data(), head.size());
  }
  case kKindVdb: return putU16(s, n);
  default: return false;
  }
}

void afterOpen(Recorder& r) {
  r.recFirstSamplePos = std::uint32_t(r.out ? r.out->tell() : 0);
  r.recScrollPos = r.recScrollPage = 0;
  r.recRecordSize = std::uint16_t(8 * r.channels.size() + 8);
  r.recSeekable = r.recOutputKind < 3 ? 1 : 0;
  r.recLastTime = -1.0;
}

} // namespace

bool vf_OpenOutputAs(Recorder& r, model::LogicRecord* owner, const std::string& chosen) {
  std::string name = chosen;
  if (name.empty()) {
    name = r.outputName.empty() ? std::string(".VAL") : r.outputName;
    if (!modelfiles::gem_FileSelect(name, ".V*")) return false;
  }
  const std::uint16_t kind = vf_OutputKindOf(name);
  r.recSeekable = 0;
  if (kind == kKindNone) return false;
  vf_CloseOutput(r, false);
  r.recOutputKind = kind;
  r.recordedLogic = owner;
  r.outputReplay = false;
  if (kind == kKindPrinter) {
    r.outputOpen = true;
    r.printerText.clear();
    afterOpen(r);
    r.recWritten = 1;
    return true;
  }
  std::string work = name + "~";
  modelfiles::gem_Fdelete(work);
  FileHandle h = -1;
  if (modelfiles::gem_OpenOrCreate(work, h) < 1) return false;
  r.out = std::make_unique<FileStream>(h);
  r.workPath = work;
  r.outputName = work.substr(0, work.size() - 1);
  r.outputOpen = true;
  r.recFile = h;
  if (!writeHead(r, owner)) {
    vf_CloseOutput(r, false);
    return false;
  }
  afterOpen(r);
  r.recWritten = 1;
  return true;
}

bool vf_OpenOutputVal(Recorder& r, model::LogicRecord* owner) {
  std::string name = r.outputName.empty() ? vf_TempValName(r) : r.outputName;
  if (vf_OutputKindOf(name) != kKindVal) return false;
  return vf_OpenOutputAs(r, owner, name);
}

bool vf_OpenValForReplay(Recorder& r, model::LogicRecord* owner, const std::string& chosen) {
  std::string name = chosen;
  if (name.empty()) {
    name = ".VAL";
    if (!modelfiles::gem_FileSelect(name, ".VAL")) return false;
  }
  const std::uint16_t kind = vf_OutputKindOf(name);
  if (kind == kKindNone) return false;
  if (kind != kKindVal) {
    recShowMessage(50044);
    return false;
  }
  vf_CloseOutput(r, false);
  FileHandle h = -1;
  if (modelfiles::gem_OpenExisting(name, h) < 1) {
    recShowMessage(50037);
    return false;
  }
  r.out = std::make_unique<FileStream>(h);
  r.outputOpen = true;
  r.outputReplay = true;
  r.outputName = name;
  r.recOutputKind = kKindVal;
  r.recSeekable = 1;
  r.recordedLogic = owner;
  const int result = vf_ReadHeader(*r.out, r, owner);
  if (result != 0) {
    tr_RemoveAllChannels(r);
    vf_CloseOutput(r, false);
    recShowMessage(result == 1 ? 50040 : 50037);
    return false;
  }
  tr_ResetWindow(r);
  afterOpen(r);
  r.recSeekable = 1;
  r.recWritten = 0;
  return true;
}

void vf_CloseOutput(Recorder& r, bool final) {
  if (r.outputOpen && r.recOutputKind != kKindPrinter && r.out) {
    bool complete = true;
    if (!r.outputReplay && final && r.recWritten && r.recOutputKind == kKindVal) {
      r.out->seek(r.out->size());
      if (putF64(*r.out, kEndMarker) && r.recordedLogic) {
        const auto state = modelfiles::mdl_EncodeLogicState(*r.recordedLogic);
        complete = r.out->write(state.data(), state.size());
      }
    }
    if (auto* f = dynamic_cast<FileStream*>(r.out.get())) complete = f->flush() && complete;
    r.out.reset();
    if (!r.outputReplay && !r.workPath.empty()) {
      // The finished file takes its name; a failed write leaves the work file aside.
      if (complete) std::rename(r.workPath.c_str(), r.outputName.c_str());
    }
  }
  r.out.reset();
  r.workPath.clear();
  r.recFile = -1;
  r.outputOpen = false;
  r.outputReplay = false;
  r.recSeekable = 0;
  r.recLastTime = -1.0;
  r.outputName = vf_TempValName(r);
}

bool tr_WriteSample(Recorder& r) {
  if (!r.outputOpen) return true;
  r.recWritten = 1;
  const std::size_t n = r.channels.size();
  double rec[kMaxChannels + 1];
  rec[0] = r.writeTime;
  for (std::size_t i = 0; i < n; ++i) rec[i + 1] = r.writeValues[i];
  bool ok = true;
  switch (r.recOutputKind) {
  case kKindVal:
  case kKindVdb:
    for (std::size_t i = 0; ok && i <= n; ++i) ok = putF64(*r.out, rec[i]);
    break;
  case kKindVat: {
    const std::string t = vf_VatRecord(rec, n + 1, 1);
    ok = r.out->write(t.data(), t.size());
    break;
  }
  case kKindPrinter: r.printerText += vf_PrinterRecord(rec, n + 1, 1); break;
  default: ok = false;
  }
  if (!ok) vf_CloseOutput(r, false);
  return ok;
}

bool tr_ReadSample(Recorder& r) {
  if (!r.out) return false;
  r.keptSampleTime = r.recSampleTime;
  double t = 0.0;
  if (!getF64(*r.out, t)) return false;
  if (t != kEndMarker) {
    r.recSampleTime = t;
    for (std::size_t i = 0; i < r.channels.size(); ++i)
      if (!getF64(*r.out, r.readValues[i])) return false;
    return true;
  }
  r.out->seek(r.out->tell() - 8);
  r.recSampleTime = r.keptSampleTime;
  return false;
}

void tr_RestartOutput(Recorder& r, model::LogicRecord* owner) {
  const std::string name = r.outputOpen ? r.outputName : (r.outputName.empty() ? vf_TempValName(r) : r.outputName);
  vf_CloseOutput(r, true);
  tr_ComputeScroll(r);
  tr_ResetWindow(r);
  r.outputName = name;
  vf_OpenOutputVal(r, owner);
  tr_ComputeScroll(r);
}

} // namespace rec
