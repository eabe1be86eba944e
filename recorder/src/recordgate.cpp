#include "recorder/recordgate.h"

#include "model/numbers.h"
#include "platform/paths.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>

#include <unistd.h>

namespace rec {

using modelfiles::FileHandle;

namespace {

std::string gPath;
std::string gPrinter;

// An open record file of this process. The handle slot of the file state
// holds the ticket; pending marks a Write-Record gate whose state values hold
// a record not yet written.
struct OpenFile {
  std::int16_t ticket = 0;
  std::int16_t handle = -1;
  bool pending = false;
  // The Write-Record gate and instance whose step left the pending record.
  model::GateRecord* gate = nullptr;
  model::GateInstance* instance = nullptr;
};
std::map<const double*, OpenFile> gOpen;
std::int16_t gLastTicket = 0;

std::int16_t nextTicket() {
  for (;;) {
    gLastTicket = gLastTicket >= 32767 ? std::int16_t(1) : std::int16_t(gLastTicket + 1);
    bool used = false;
    for (const auto& [store, open] : gOpen) used = used || open.ticket == gLastTicket;
    if (!used) return gLastTicket;
  }
}

const OpenFile* openFileOf(const double* store) {
  auto it = gOpen.find(store);
  return it == gOpen.end() ? nullptr : &it->second;
}

// Where a gate's file state lies: the instance's own extra values, or the
// gate's when the instance shares them.
double* storageOf(const model::GateRecord* gate, const model::GateInstance* inst, std::size_t& slots) {
  if (inst && inst->ExtraValues && inst->ExtraSlotCount) {
    slots = inst->ExtraSlotCount;
    return inst->ExtraValues;
  }
  if (gate && gate->Extra && (!inst || !inst->ExtraValues || inst->ExtraValues == gate->Extra)) {
    slots = gate->ExtraCount;
    return gate->Extra;
  }
  slots = 0;
  return nullptr;
}

OpenFile* openFileFor(const model::GateRecord* gate, const model::GateInstance* inst) {
  std::size_t slots = 0;
  auto it = gOpen.find(storageOf(gate, inst, slots));
  return it == gOpen.end() ? nullptr : &it->second;
}

double* statusSlot(model::GateInstance* inst) {
  return inst && inst->StateValues && inst->StateSlotCount ? inst->StateValues : nullptr;
}

void setStatus(model::GateInstance* inst, double v) {
  if (double* s = statusSlot(inst)) *s = v;
}

std::string fullPath(const RecordFileState& st) { return modelfiles::gem_JoinPath(gPath, st.name); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool readFirst(RecStream& s, const RecordFileState& st, double& v) {
  return st.kind == kKindVat ? vdb_ReadNumberText(s, v) : getF64(s, v);
}

bool skipValues(RecStream& s, const RecordFileState& st, long k) {
  if (k <= 0) return true;
  if (st.kind == kKindVat) {
    double v = 0;
    for (long i = 0; i < k; ++i)
      if (!vdb_ReadNumberText(s, v)) return false;
    return true;
  }
  return s.skip(8 * k);
}

} // namespace

std::string& vdb_RecordPath() { return gPath; }

RecordFileChooser& vdb_FileChooser() {
  static RecordFileChooser chooser = [](const std::string& pattern, const std::string&, bool, std::string& chosen) {
    return modelfiles::fileServices().fileDialog(modelfiles::FileDialog::OpenWithDirList, pattern, chosen);
  };
  return chooser;
}
std::string& vdb_PrinterText() { return gPrinter; }

void vdb_UnitInit(const std::string& currentDir) { gPath = modelfiles::gem_CurrentDir(currentDir); }

bool vdb_LoadState(const model::GateRecord* gate, const model::GateInstance* inst, RecordFileState& st) {
  std::size_t slots = 0;
  const double* store = storageOf(gate, inst, slots);
  if (!store || slots * 8u < kRecordStateBytes) return false;
  const auto* b = reinterpret_cast<const std::uint8_t*>(store);
  std::int16_t ticket = -1;
  std::memcpy(&ticket, b, 2);
  std::memcpy(&st.valueCount, b + 2, 2);
  std::memcpy(&st.kind, b + 4, 2);
  std::memcpy(&st.skip, b + 6, 2);
  std::memcpy(&st.position, b + 8, 4);
  std::memcpy(st.name, b + 12, 16);
  st.name[16] = 0;
  // Only a ticket this process gave out for this very storage names a file.
  const OpenFile* open = openFileOf(store);
  st.handle = open && open->ticket == ticket ? open->handle : std::int16_t(-1);
  return true;
}

bool vdb_StoreState(const model::GateRecord* gate, model::GateInstance* inst, const RecordFileState& st) {
  std::size_t slots = 0;
  double* store = storageOf(gate, inst, slots);
  if (!store || slots * 8u < kRecordStateBytes) return false;
  auto* b = reinterpret_cast<std::uint8_t*>(store);
  std::int16_t ticket = -1;
  if (st.handle >= 0) {
    OpenFile& open = gOpen[store];
    if (open.ticket <= 0 || open.handle != st.handle) {
      open = OpenFile{};
      open.ticket = nextTicket();
      open.handle = st.handle;
    }
    ticket = open.ticket;
  } else {
    gOpen.erase(store);
  }
  std::memcpy(b, &ticket, 2);
  std::memcpy(b + 2, &st.valueCount, 2);
  std::memcpy(b + 4, &st.kind, 2);
  std::memcpy(b + 6, &st.skip, 2);
  std::memcpy(b + 8, &st.position, 4);
  std::memset(b + 12, 0, 16);
  std::memcpy(b + 12, st.name, std::min<std::size_t>(16, std::strlen(st.name)));
  return true;
}

std::size_t vdb_OpenRecordFileCount() { return gOpen.size(); }

bool vdb_ReadCountText(RecStream& s, std::uint16_t& count) {
  char c = 0;
  do {
    if (!s.read(&c, 1)) return false;
  } while (!isDigit(c));
  std::string t;
  while (isDigit(c)) {
    t += c;
    if (t.size() > 40) return false;
    if (!s.read(&c, 1)) break;
  }
  unsigned long v = 0;
  for (char d : t) {
    v = v * 10 + unsigned(d - '0');
    if (v > 65535) return false;
  }
  count = std::uint16_t(v);
  return true;
}

bool vdb_ReadNumberText(RecStream& s, double& value) {
  char c = 0;
  do {
    if (!s.read(&c, 1)) return false;
  } while (!(isDigit(c) || c == '-' || c == '+'));
  std::string t;
  bool more = true;
  auto take = [&]() {
    t += c;
    more = s.read(&c, 1);
    return t.size() <= 40;
  };
  if (!take()) return false;
  while (more && isDigit(c))
    if (!take()) return false;
  if (more && (c == '.' || c == ',')) {
    if (!take()) return false;
    while (more && isDigit(c))
      if (!take()) return false;
  }
  if (more && (c == 'E' || c == 'D')) {
    if (!take()) return false;
    if (!more || (c != '+' && c != '-')) return false;
    while (more && (isDigit(c) || std::strchr("deED+-.,", c)))
      if (!take()) return false;
  }
  if (t.size() > 40) return false;
  value = model::nc_ParseReal(t.c_str());
  return true;
}

bool vdb_CheckHeader(RecStream& s, model::GateInstance* inst, RecordFileState& st) {
  double first = 0.0;
  switch (st.kind) {
  case kKindVdb:
    if (!getU16(s, st.valueCount)) return false;
    break;
  case kKindVat:
    if (!vdb_ReadCountText(s, st.valueCount)) return false;
    break;
  case kKindVal: {
    // The set-up before the samples: settings, channel records, the gate
    // channel's record, the axes, then the gate paths.
    std::uint8_t f = 0;
    std::uint16_t c = 0;
    if (!s.seek(2) || !getU8(s, f) || !s.skip(24) || !getU16(s, c) || c > kMaxChannels) return false;
    if (!s.skip(long(kChannelRecordSize) * (c + (f ? 1 : 0)) + 2 + 5 * long(kAxisRecordSize))) return false;
    st.valueCount = c;
    for (int p = 0; p < c + (f ? 1 : 0); ++p) {
      std::uint16_t w = 1;
      int words = 0;
      while (w != 0) {
        if (!getU16(s, w) || ++words > kMaxPathWords) return false;
      }
    }
    break;
  }
  default: return false;
  }
  st.position = std::uint32_t(s.tell());
  if (!readFirst(s, st, first)) return false;
  setStatus(inst, first);
  return true;
}

bool vdb_OpenRecordFile(model::GateRecord* gate, model::GateInstance* inst, const std::string& chosen) {
  RecordFileState st;
  if (!gate || !vdb_LoadState(gate, inst, st)) return false;
  if (st.handle > 0) vdb_CloseRecordFile(gate, inst, false);
  vdb_LoadState(gate, inst, st);
  st.handle = -1;
  if (!st.name[0]) std::strcpy(st.name, ".VDB");
  std::string path = chosen;
  if (path.empty()) {
    // The open dialog on the record directory (the file layer's own rule
    // for a ".V" kind answers no file, so a record gate could never get one).
    const std::string dir = gPath.substr(0, modelfiles::gem_LastSlash(gPath, 251));
    std::string chosenPath;
    const auto& choose = vdb_FileChooser();
    if (!choose || !choose(dir + "*.V*", st.name, gate->Kind == kKindWriteRecord, chosenPath) || chosenPath.empty()) {
      vdb_StoreState(gate, inst, st);
      return false;
    }
    path = chosenPath.find_first_of("/\\") == std::string::npos ? modelfiles::gem_JoinPath(gPath, chosenPath)
                                                                : chosenPath;
  }
  const std::uint16_t kind = vf_OutputKindOf(path);
  if (kind == kKindNone) {
    vdb_StoreState(gate, inst, st);
    return false;
  }
  const std::size_t cut = modelfiles::gem_LastSlash(path, 251);
  gPath = path.substr(0, cut);
  const std::string base(vf_BaseName(path));
  std::memset(st.name, 0, sizeof st.name);
  std::memcpy(st.name, base.data(), std::min<std::size_t>(16, base.size()));
  st.kind = kind;
  if (gate->Kind == kKindReadRecord) {
    if (kind == kKindPrinter) {
      recShowMessage(50044);
      vdb_StoreState(gate, inst, st);
      return false;
    }
    FileHandle h = -1;
    std::string name = path;
    if (modelfiles::gem_OpenExisting(name, h) >= 1) {
      FileStream f(h, false);
      if (vdb_CheckHeader(f, inst, st)) {
        st.handle = h;
      } else {
        modelfiles::gem_Fclose(h);
        recShowMessage(50037);
      }
    }
  } else {
    if (kind < kKindVdb) {
      recShowMessage(50044);
      vdb_StoreState(gate, inst, st);
      return false;
    }
    st.valueCount = gate->InputCount;
    if (kind == kKindPrinter) {
      st.handle = 0;
    } else {
      // Written under a work name; the file takes its name when closed.
      std::string work = path + "~";
      modelfiles::gem_Fdelete(work);
      FileHandle h = -1;
      if (modelfiles::gem_OpenOrCreate(work, h) >= 1) {
        FileStream f(h, false);
        bool ok = false;
        if (kind == kKindVat) {
          const std::string head = vf_VatHead(gate->InputCount);
          ok = f.write(head.data(), head.size());
        } else {
          ok = putU16(f, gate->InputCount);
        }
        if (ok) {
          st.handle = h;
          st.position = std::uint32_t(f.tell());
        } else {
          modelfiles::gem_Fclose(h);
          modelfiles::gem_Fdelete(work);
          recShowMessage(50037);
        }
      }
    }
  }
  vdb_StoreState(gate, inst, st);
  return st.handle >= 0;
}

void vdb_ReopenRecordFile(model::GateRecord* gate, model::GateInstance* inst) {
  RecordFileState st;
  if (!vdb_LoadState(gate, inst, st) || !st.name[0]) return;
  if (st.handle >= 1) return;   // already open in this process: kept as it is
  std::string name = fullPath(st);
  FileHandle h = -1;
  if (modelfiles::gem_OpenExisting(name, h) < 1) return;
  const std::uint16_t kind = st.kind;
  FileStream f(h, false);
  if (kind != kKindPrinter && vdb_CheckHeader(f, inst, st)) {
    st.handle = h;
  } else {
    modelfiles::gem_Fclose(h);
    st.handle = -1;
  }
  vdb_StoreState(gate, inst, st);
}

void vdb_RewindRecordFile(model::GateRecord* gate, model::GateInstance* inst) {
  RecordFileState st;
  if (!gate || !vdb_LoadState(gate, inst, st) || st.handle < 1) return;
  FileStream f(st.handle, false);
  if (!f.seek(long(st.position))) {
    if (gate->Kind == kKindReadRecord) setStatus(inst, kEndMarker);
    return;
  }
  if (gate->Kind == kKindReadRecord) {
    double v = 0.0;
    setStatus(inst, readFirst(f, st, v) ? v : kEndMarker);
  } else if (gate->Kind == kKindWriteRecord) {
    // A new run writes its records from the first on; nothing of an earlier
    // run is left behind them.
    if (OpenFile* open = openFileFor(gate, inst)) open->pending = false;
    if (::ftruncate(st.handle, off_t(st.position)) != 0) recShowMessage(50037);
  }
}

void vdb_CloseRecordFile(model::GateRecord* gate, model::GateInstance* inst, bool includePrinter) {
  RecordFileState st;
  if (!vdb_LoadState(gate, inst, st) || st.handle < 0) return;
  if (st.handle == 0 && !includePrinter) return;
  // A Write-Record gate's last record is still in its state values.
  if (OpenFile* open = openFileFor(gate, inst); open && open->pending) {
    open->pending = false;
    vdb_WriteRecord(gate, inst);
  }
  if (st.handle > 0) {
    modelfiles::gem_Fclose(st.handle);
    // A written file (under its work name) takes its own name.
    const std::string full = fullPath(st);
    const std::string work = plat::path::resolveExisting(full + "~");
    if (!work.empty()) std::rename(work.c_str(), plat::path::resolveForWrite(full).c_str());
  }
  st.handle = -1;
  vdb_StoreState(gate, inst, st);
}

void vdb_ReadRecord(model::GateRecord* gate, model::GateInstance* inst) {
  RecordFileState st;
  if (!gate || !vdb_LoadState(gate, inst, st)) return;
  double* status = statusSlot(inst);
  if (st.handle < 1 || (status && *status == kEndMarker)) {
    setStatus(inst, kNoRecordFile);
    return;
  }
  FileStream f(st.handle, false);
  if (!skipValues(f, st, st.skip)) {
    setStatus(inst, kEndMarker);
    return;
  }
  const unsigned m = std::min<unsigned>(st.valueCount, gate->OutputCount);
  for (unsigned k = 0; k < m; ++k) {
    double v = 0.0;
    if (!readFirst(f, st, v)) {
      setStatus(inst, kEndMarker);
      return;
    }
    if (inst->OutputValues && (!inst->OutputSlotCount || k < inst->OutputSlotCount)) inst->OutputValues[k] = v;
  }
  if (st.valueCount > st.skip + m) skipValues(f, st, long(st.valueCount) - long(m) - long(st.skip));
  double next = 0.0;
  setStatus(inst, readFirst(f, st, next) ? next : kEndMarker);
}

void vdb_WriteRecord(model::GateRecord* gate, model::GateInstance* inst) {
  RecordFileState st;
  if (!gate || !vdb_LoadState(gate, inst, st) || st.handle < 0 || !inst->StateValues) return;
  const std::size_t n = inst->StateSlotCount ? std::min<std::size_t>(gate->StateCount, inst->StateSlotCount)
                                             : gate->StateCount;
  const double* v = inst->StateValues;
  if (st.handle == 0) {
    gPrinter += vf_PrinterRecord(v, n, 2);
    return;
  }
  FileStream f(st.handle, false);
  if (st.kind == kKindVat) {
    const std::string t = vf_VatRecord(v, n, 2);
    f.write(t.data(), t.size());
  } else {
    for (std::size_t i = 0; i < n; ++i)
      if (!putF64(f, v[i])) break;
  }
}

void vdb_StepRecordGate(model::GateRecord* gate, model::GateInstance* inst, double t) {
  if (!gate || !inst) return;
  if (gate->Kind == kKindReadRecord) {
    double* status = statusSlot(inst);
    if (!status) return;
    // Every record whose time has come; a tiny margin keeps a record stamped
    // with the step's own time from waiting a step because of rounding.
    const double due = t + 1e-9 * std::max(1.0, std::fabs(t));
    for (int guard = 0; guard < 1000000; ++guard) {
      const double next = *status;
      if (next == kNoRecordFile || next == kEndMarker || !(next <= due)) break;
      vdb_ReadRecord(gate, inst);
    }
    if (*status == kEndMarker) vdb_ReadRecord(gate, inst);   // end reached: no file any more
    return;
  }
  if (gate->Kind != kKindWriteRecord || !inst->StateValues) return;
  OpenFile* open = openFileFor(gate, inst);
  if (!open) return;
  const unsigned n = std::min<unsigned>(gate->StateCount, inst->StateSlotCount ? inst->StateSlotCount : gate->StateCount);
  if (n == 0) return;
  double* st = inst->StateValues;
  if (open->pending && st[0] != t) {
    open->pending = false;
    vdb_WriteRecord(gate, inst);
    open = openFileFor(gate, inst);
    if (!open) return;
  }
  st[0] = t;
  for (unsigned k = 1; k < n && k <= gate->InputCount; ++k) {
    const unsigned p = k - 1;
    double v = 0.0;
    if (inst->InputRefs && p < inst->InputRefCount && inst->InputRefs[p]) v = *inst->InputRefs[p];
    else if (inst->InputValues && p < inst->InputSlotCount) v = inst->InputValues[p];
    // Word inputs carry their value in the slot's first 16 bits.
    if (gate->Inputs && gate->Inputs[p].Type >= model::kTypeBinary && gate->Inputs[p].Type < model::kTypeOpenWord) {
      std::uint16_t w = 0;
      std::memcpy(&w, &v, 2);
      v = double(w);
    }
    st[k] = v;
  }
  open->pending = true;
  open->gate = gate;
  open->instance = inst;
}

void vdb_CloseAllRecordFiles() {
  while (!gOpen.empty()) {
    auto it = gOpen.begin();
    OpenFile open = it->second;
    double* store = const_cast<double*>(it->first);
    if (open.pending && open.gate && open.instance) {
      // Closing through the gate writes its last record and renames the file.
      vdb_CloseRecordFile(open.gate, open.instance);
      if (gOpen.count(store) == 0) continue;
      it = gOpen.find(store);
    }
    // The state's own name (the storage is still the gate's).
    RecordFileState st;
    const auto* b = reinterpret_cast<const std::uint8_t*>(store);
    std::memcpy(st.name, b + 12, 16);
    st.name[16] = 0;
    if (open.handle > 0) {
      modelfiles::gem_Fclose(open.handle);
      const std::string full = fullPath(st);
      const std::string work = plat::path::resolveExisting(full + "~");
      if (!work.empty()) std::rename(work.c_str(), plat::path::resolveForWrite(full).c_str());
    }
    std::int16_t closed = -1;
    std::memcpy(store, &closed, 2);
    gOpen.erase(it);
  }
}

} // namespace rec
