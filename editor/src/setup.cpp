// Worksheet setup records and the small helpers of the shell's services.
#include "editor/setup.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "display/gdi.h"
#include "display/sheet.h"
#include "editor/titles.h"

#include <algorithm>
#include <cstring>

namespace editor {

using model::GateRecord;
using model::LogicRecord;

namespace {

PictureSizer gPictureSizer = nullptr;

void useWindowDocument(WorksheetWindowData* window) {
  if (window && window->document) model::CurrentDocument = window->document;
}

char* pictureName(LogicRecord* l) { return l->Text2; }
char* secondName(LogicRecord* l) { return l->Text3; }

void putI16(std::uint8_t* p, int v) {
  p[0] = std::uint8_t(v & 0xFF);
  p[1] = std::uint8_t((v >> 8) & 0xFF);
}
int getI16(const std::uint8_t* p) { return std::int16_t(std::uint16_t(p[0] | (p[1] << 8))); }

// A blank-padded text of up to 9 bytes (eight blanks and a NUL) that stops
// at the end of its record.
void blankText(std::uint8_t* p, std::size_t room) {
  std::size_t n = std::min<std::size_t>(9, room);
  if (n == 0) return;
  std::memset(p, ' ', n - 1);
  p[n - 1] = 0;
}

void dirtySheet(const LogicRecord* l) {
  ws_DirtyAddPoint(0, 0);
  ws_DirtyAddPoint(l->Width + 350, l->Height + 140);
}

} // namespace

void txt_SetPictureSizer(PictureSizer sizer) { gPictureSizer = sizer; }

std::uint16_t mod_LogicValue(const LogicRecord* l) {
  return l ? std::uint16_t(l->Further[0] | (l->Further[1] << 8)) : 0;
}

void txt_InitFieldTable(WorksheetWindowData* window, SetupRecordA& a, SetupRecordB& b, SetupRecordC& c) {
  useWindowDocument(window);
  LogicRecord* l = currentLevelLogic();
  b.fill(0);
  b[1] = 1;
  putI16(&b[4], 640);
  putI16(&b[6], 480);
  blankText(&b[10], b.size() - 10);
  blankText(&b[19], b.size() - 19);   // record B ends 4 bytes into its second text
  c.fill(0);
  if (!l || l->Flags == 0) {
    if (l) {
      std::memset(pictureName(l), 0, 16);
      std::memset(secondName(l), 0, 16);
    }
    a.fill(0);
    a[0] = 1;
    a[22] = 8;
    return;
  }
  const std::uint16_t f = l->Flags;
  a[1] = (f & 0x0800) != 0;
  a[2] = (f & 0x2000) != 0;
  putI16(&a[4], f & 0x000F);
  a[6] = (f & 0x1000) != 0;
  a[7] = (f & 0x0400) != 0;
  a[8] = (f & 0x4000) != 0;
  std::memcpy(&a[9], pictureName(l), 12);
  a[21] = 0;
  a[24] = (f & 0x0080) != 0;
  c[0] = (f & 0x8000) != 0;
  c[1] = (f & 0x0200) != 0;
  c[2] = (f & 0x0100) != 0;
  std::memcpy(&c[4], secondName(l), 12);
  c[16] = 0;
  putI16(&c[18], mod_LogicValue(l));
}

void txt_FillFieldTable(WorksheetWindowData* window, const SetupRecordA& a, const SetupRecordB& b,
                        const SetupRecordC& c) {
  useWindowDocument(window);
  LogicRecord* l = currentLevelLogic();
  if (!l) return;
  ws_DirtyReset();
  dirtySheet(l);
  int top = -30;
  for (unsigned i = 0; i < unsigned(l->InputPortCount) + l->OutputPortCount; ++i) {
    int x = i < l->InputPortCount ? -170 : -110;
    ws_DirtyAddPoint(x, top);
    ws_DirtyAddPoint(x + 20, top + 50);
    top += 10 + (model::CurrentDocument ? model::CurrentDocument->LineHeight : 10);
  }
  const std::uint16_t old = l->Flags;
  // The names are 12 characters, kept without a terminator when full.
  std::memset(pictureName(l), 0, 16);
  std::memcpy(pictureName(l), &a[9], strnlen(reinterpret_cast<const char*>(&a[9]), 12));
  std::memset(secondName(l), 0, 16);
  std::memcpy(secondName(l), &c[4], strnlen(reinterpret_cast<const char*>(&c[4]), 12));
  std::uint16_t f = std::uint16_t(getI16(&a[4]));
  f |= 0x10;
  if (a[1]) f |= 0x0800;
  if (a[6]) f |= 0x1000;
  if (a[2]) f |= 0x2000;
  if (a[7]) f |= 0x0400;
  if (a[24]) f |= 0x0080;
  if (a[8]) {
    int w = 0, h = 0;
    std::string name(pictureName(l), strnlen(pictureName(l), 12));
    if (gPictureSizer && gPictureSizer(name, w, h)) {
      std::int16_t rw = model::clamp16(w), rh = model::clamp16(h);
      ws_RoundTo10(rw, rh);
      ws_DirtyAddPoint(rw + 350, rh + 140);
      if ((rw != l->Width || rh != l->Height) && b[3] == 1 && !model::ge_FindMacroUser(l)) {
        l->Width = rw;
        l->Height = model::clamp16(rh + ((old & 0x0400) ? 0 : 20));
      }
    }
    f |= 0x4000;
  }
  if (c[0]) f |= 0x8000;
  if (c[1]) f |= 0x0200;
  if (c[2]) f |= 0x0100;
  l->Flags = f;
  l->Further[0] = c[18];
  l->Further[1] = c[19];
  dirtySheet(l);
  ws_DirtyFlush();
  host().requestRedraw();
}

void ws_RoundTo10(std::int16_t& x, std::int16_t& y) {
  auto round = [](std::int16_t& v) {
    int r = v % 10;
    v = model::clamp16(r < 6 ? v - r : v - r + 10);
  };
  round(x);
  round(y);
}

bool scr_IsLogicModified(WorksheetWindowData* window) {
  useWindowDocument(window);
  LogicRecord* l = currentLevelLogic();
  return l && model::ge_FindMacroUser(l);
}

void mod_ClearLogicValues(WorksheetWindowData* window) {
  useWindowDocument(window);
  model::DocumentRecord* d = model::CurrentDocument;
  for (LogicRecord* l = model::firstLogicOf(d ? d->FirstModule : nullptr); l; l = l->Next)
    l->Further[0] = l->Further[1] = 0;
}

int mod_RenameLogic(WorksheetWindowData* window, const char* oldName, const char* newName) {
  useWindowDocument(window);
  model::DocumentRecord* d = model::CurrentDocument;
  if (!oldName || !newName) return 9;
  for (LogicRecord* l = model::firstLogicOf(d ? d->FirstModule : nullptr); l; l = l->Next) {
    std::size_t n = 0;
    while (n < 16 && l->Name[n] && l->Name[n] != ' ') ++n;
    if (std::string(l->Name, n) != oldName) continue;
    std::size_t m = strnlen(newName, 16);
    std::memset(l->Name, ' ', 16);
    std::memcpy(l->Name, newName, m);
    l->Name[16] = 0;
    return 0;
  }
  return 9;
}

void mod_DeleteGate(WorksheetWindowData* window, GateRecord* gate) {
  useWindowDocument(window);
  LogicRecord* l = currentLevelLogic();
  if (!l || !gate) return;
  model::ge_DeleteGate(l, gate);
  model::DocumentRecord* d = model::CurrentDocument;
  d->LevelInstances[d->MacroLevel] = l->FirstInstance;
}

int mod_GetExtent1(WorksheetWindowData* window, const GateRecord* gate) {
  useWindowDocument(window);
  std::int16_t x, y, w, h;
  if (!gate) return 0;
  model::gg_GateRect(gate, x, y, w, h, false);
  return w;
}

int mod_GetExtent2(WorksheetWindowData* window, const GateRecord* gate) {
  useWindowDocument(window);
  std::int16_t x, y, w, h;
  if (!gate) return 0;
  model::gg_GateRect(gate, x, y, w, h, false);
  return h;
}

void mod_MakeCurrent(WorksheetWindowData* window) {
  useWindowDocument(window);
  de_RefreshAllLevels(window);
}

void mod_DrawLevelSheet(WorksheetWindowData* window) {
  useWindowDocument(window);
  LogicRecord* l = currentLevelLogic();
  if (!l || !disp::gdi_CurrentDevice()) return;
  model::DocumentRecord* d = model::CurrentDocument;
  disp::ws_DrawSheet(l->FirstGate, d->LevelInstances[d->MacroLevel]);
}

void mod_DropLevelInstances(WorksheetWindowData* window) {
  useWindowDocument(window);
  model::DocumentRecord* d = model::CurrentDocument;
  if (!d) return;
  model::RunDocument = d;
  if (d->MacroLevel == 1)
    if (LogicRecord* l = d->LevelLogics[1]) {
      for (bool again = true; again;) {
        again = false;
        for (GateRecord* g = l->FirstGate; g; g = g->Next)
          if (g->Kind == model::kKindCall) {
            model::ge_DeleteGate(l, g);
            again = true;
            break;
          }
      }
      d->LevelInstances[1] = l->FirstInstance;
    }
  d->MacroLevel = 0;
}

namespace {

// The instance name of the call that shows level `level` (its name block
// begins with "_I"); empty when it has none.
std::string instanceNameOf(const model::DocumentRecord& d, int level) {
  const LogicRecord* parent = d.LevelLogics[level - 1];
  const LogicRecord* shown = d.LevelLogics[level];
  const model::GateInstance* gi = d.LevelInstances[level - 1];
  for (const GateRecord* g = parent ? parent->FirstGate : nullptr; g; g = g->Next, gi = gi ? gi->Next : nullptr) {
    if (model::subLogic(g) != shown || !gi) continue;
    if (d.LevelInstances[level] && gi->Children != d.LevelInstances[level]) continue;
    const double* block = gi->ExtraValues ? gi->ExtraValues : g->Extra;
    std::size_t bytes = std::size_t(gi->ExtraValues && gi->ExtraSlotCount ? gi->ExtraSlotCount : g->ExtraCount) * 8;
    if (!block || bytes < 3) return {};
    const char* p = reinterpret_cast<const char*>(block);
    if (p[0] != '_' || p[1] != 'I') return {};
    std::size_t n = 0;
    while (2 + n < bytes && n < 58 && p[2 + n] && p[2 + n] != ' ') ++n;
    return std::string(p + 2, n);
  }
  return {};
}

} // namespace

void mod_QualifiedName(char* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  std::string path;
  if (const model::DocumentRecord* d = model::CurrentDocument) {
    int levels = std::min<int>(d->MacroLevel, model::kMaxMacroLevel);
    for (int level = 1; level <= levels; ++level) {
      const LogicRecord* l = d->LevelLogics[level];
      if (level > 1) path += '\\';
      if (l) {
        std::size_t n = 0;
        while (n < 16 && l->Name[n] && l->Name[n] != ' ') ++n;
        path.append(l->Name, n);
      }
      if (level > 1) {
        std::string inst = instanceNameOf(*d, level);
        if (!inst.empty()) path += "::" + inst;
      }
    }
  }
  std::size_t n = std::min(path.size(), size - 1);
  std::memcpy(buffer, path.data(), n);
  buffer[n] = 0;
}

int it_FirstModule(ModuleIterator& it) {
  model::DocumentRecord* d = model::CurrentDocument;
  model::ProjectModule* m = d ? d->FirstModule : nullptr;
  if (!m) return -1;
  it.name.assign(m->Name, strnlen(m->Name, 12));
  it.next = m->Next;
  return 3;
}

int it_NextModule(ModuleIterator& it) {
  model::ProjectModule* m = it.next;
  if (!m) return -1;
  it.name.assign(m->Name, strnlen(m->Name, 12));
  it.next = m->Next;
  return model::isCompiled(m) ? 1 : 2;
}

} // namespace editor
