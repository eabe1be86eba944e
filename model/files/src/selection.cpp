#include "modelfiles/selection.h"

#include "modelfiles/filelayer.h"
#include "modelfiles/project.h"

#include "model/gatekinds.h"

#include <cstring>

namespace modelfiles {

using namespace model;

SelectionFlags SelectFlags;

namespace {

constexpr std::uint16_t kRemoveLibraryCommand = 211;
SelectionDialogs g_defaultDialogs;
SelectionDialogs* g_dialogs = nullptr;
SelectionDialogs& dialogs() { return g_dialogs ? *g_dialogs : g_defaultDialogs; }

enum class Context { Open, Dollar, Amp, Plain };

struct State {
  bool standard = true;             // the source is "Standard"
  ProjectModule* source = nullptr;  // else this module
  int paletteIndex = 0;
  LogicRecord* logicPos = nullptr;
  GateTypeRecord* typePos = nullptr;
  LogicRecord* logicWalk = nullptr;
  std::string last, lastSecond;
  bool guard = false;
  Context context = Context::Open;
  char prefix = 0;
  bool initialised = false;
} g;

DocumentRecord* doc() { return CurrentDocument; }
ProjectModule* mainModule() { return doc() ? doc()->FirstModule : nullptr; }
bool removing() { return FileCommandCode == kRemoveLibraryCommand; }

bool neverListed(const std::string& n) { return n.empty() || n[0] == '%' || n[0] == ' '; }

std::string nameOf(const char* field, std::size_t n) {
  std::size_t k = 0;
  while (k < n && field[k]) ++k;
  while (k > 0 && field[k - 1] == ' ') --k;
  return std::string(field, k);
}

void deriveContext() {
  const SelectionFlags& f = SelectFlags;
  g.prefix = 0;
  if (f.flag1) { g.context = Context::Open; g.prefix = '&'; }
  else if (f.flag2) { g.context = Context::Dollar; g.prefix = '$'; }
  else if (f.flag3) { g.context = Context::Amp; g.prefix = '&'; }
  else if (f.flag4) g.context = Context::Plain;
  else if (f.flag5) { g.context = Context::Amp; g.prefix = '&'; }
  else g.context = Context::Open;
}

// A logic name as the logic lists show it, or false when it is not listed.
bool logicListed(const std::string& n, std::string& shown) {
  if (neverListed(n)) return false;
  switch (g.context) {
  case Context::Open: shown = n; return true;
  case Context::Dollar: if (n[0] != '$') return false; shown = n.substr(1); return true;
  case Context::Amp: if (n[0] != '&') return false; shown = n.substr(1); return true;
  case Context::Plain: if (n[0] == '$' || n[0] == '&') return false; shown = n; return true;
  }
  return false;
}

// An entry name of a module source as listed.
bool entryListed(const ProjectModule* m, const std::string& n, std::string& shown) {
  if (neverListed(n)) return false;
  const SelectionFlags& f = SelectFlags;
  if (f.flag3 && !f.flag2) {
    const GateTypeRecord* t = firstTypeOf(m);
    if (isCompiled(m) && t && (t->Flags & 2)) { shown = n; return true; }
    if (n[0] != '$') return false;
    shown = n.substr(1);
    return true;
  }
  if (n[0] == '$' || n[0] == '&') {
    if (!f.flag1) return false;
    shown = n.substr(1);
    return true;
  }
  shown = n;
  return true;
}

bool hasEntries(const ProjectModule* m) { return m && m->List; }

bool standardEntry(int index, std::string& name) {
  const std::uint8_t kind = gt_PaletteEntry(index);
  if (!kind) return false;
  name = gt_KindName(kind);
  if (neverListed(name)) return false;
  if (SelectFlags.flag2 && (name[0] == 'I' || name[0] == 'O')) return false;
  return true;
}

std::string sourceName() {
  if (g.standard) return "Standard";
  if (g.source == mainModule()) return "Projekt";
  return nameOf(g.source->Name, 12);
}

// Positions on the source after the current one.
bool stepSource() {
  ProjectModule* m = g.standard ? mainModule() : g.source->Next;
  for (; m; m = m->Next) {
    if (m == mainModule() && removing()) continue;
    if (!hasEntries(m) && !fileServices().getRemoveSysLib()) continue;
    g.standard = false;
    g.source = m;
    return true;
  }
  return false;
}

bool nextEntryFrom(std::string& name, bool first) {
  if (g.standard) {
    // The first entry may come from any of the positions, the following
    // ones from the first 89 only.
    const int limit = first ? kKindCount : kKindCount - 1;
    for (int i = first ? 0 : g.paletteIndex + 1; i < limit; ++i)
      if (standardEntry(i, name)) {
        g.paletteIndex = i;
        return true;
      }
    return false;
  }
  if (isCompiled(g.source)) {
    for (GateTypeRecord* t = first ? firstTypeOf(g.source) : (g.typePos ? g.typePos->Next : nullptr); t; t = t->Next)
      if (entryListed(g.source, nameOf(t->Name, 16), name)) {
        g.typePos = t;
        return true;
      }
    return false;
  }
  for (LogicRecord* l = first ? firstLogicOf(g.source) : (g.logicPos ? g.logicPos->Next : nullptr); l; l = l->Next)
    if (entryListed(g.source, nameOf(l->Name, 16), name)) {
      g.logicPos = l;
      return true;
    }
  return false;
}

bool logicFrom(LogicRecord* l, std::string& name) {
  for (; l; l = l->Next)
    if (logicListed(nameOf(l->Name, 16), name)) {
      g.logicWalk = l;
      return true;
    }
  return false;
}

std::string firstListedLogic() {
  std::string n;
  if (logicFrom(firstLogicOf(mainModule()), n)) return n;
  return "MAIN";
}

LogicRecord* findLogic(const std::string& name) {
  for (LogicRecord* l = firstLogicOf(mainModule()); l; l = l->Next)
    if (gt_FieldEquals(l->Name, name.c_str(), 16)) return l;
  return nullptr;
}

void padField(char* field, std::size_t length, const std::string& name) {
  std::memset(field, ' ', length);
  std::memcpy(field, name.data(), std::min(length, name.size()));
}

} // namespace

SelectionDialogs* setSelectionDialogs(SelectionDialogs* d) {
  SelectionDialogs* prev = g_dialogs;
  g_dialogs = d;
  return prev;
}

bool ls_FirstModule(std::string& name) {
  g.standard = true;
  g.source = nullptr;
  if (removing() && !stepSource()) return false;
  name = sourceName();
  return true;
}

bool ls_NextModule(std::string& name) {
  if (!stepSource()) return false;
  name = sourceName();
  return true;
}

bool ls_PrevModule(std::string& name) {
  if (g.standard) return false;
  ProjectModule* prev = nullptr;
  for (ProjectModule* m = mainModule(); m && m != g.source; m = m->Next) {
    if (m == mainModule() && removing()) continue;
    if (!hasEntries(m) && !fileServices().getRemoveSysLib()) continue;
    prev = m;
  }
  if (prev) g.source = prev;
  else {
    g.standard = true;
    g.source = nullptr;
  }
  name = sourceName();
  return true;
}

bool ls_FirstEntry(std::string& name) { return nextEntryFrom(name, true); }
bool ls_NextEntry(std::string& name) { return nextEntryFrom(name, false); }
bool ls_FirstLogic(std::string& name) { return logicFrom(firstLogicOf(mainModule()), name); }
bool ls_NextLogic(std::string& name) { return g.logicWalk && logicFrom(g.logicWalk->Next, name); }
bool ls_NoSecondList(std::string& name) {
  name.clear();
  return true;
}

void ls_PreviewBlock(int& width, int& height) {
  // The preview gate is drawn by the dialog; its area holds a gate box.
  width = 50 + 15;
  height = 50 + 10;
}
void ls_ClearPreview() {}
void ls_NoPreviewSize(int& width, int& height) {
  width = 50;
  height = 50;
}
void ls_NoPreview() {}

ProjectModule* ls_CurrentSource() { return g.standard ? nullptr : g.source; }

void ls_SetLastChosen(const std::string& name, const std::string& second) {
  g.last = name.substr(0, 16);
  g.lastSecond = second.substr(0, 16);
}
std::string ls_LastChosen() { return g.last; }
std::string ls_LastChosenSecond() { return g.lastSecond; }

bool ls_SelectList(int kind, std::string& name, std::string& second, ProjectModule*& module) {
  if (g.guard) {
    name = g.last;
    module = ls_CurrentSource();
    return true;
  }
  g.guard = true;
  // Kinds 3 and 4 select in the open context for this call only: the first
  // flag belongs to the editor's states and must not outlive the call (left
  // set, later selections of kind 1 would answer the last chosen name without
  // a dialog and the block lists would change their context).
  struct Guard {
    std::uint8_t flag1 = SelectFlags.flag1;
    ~Guard() {
      g.guard = false;
      SelectFlags.flag1 = flag1;
    }
  } guard;
  if (kind == 3 || kind == 4) SelectFlags.flag1 = 1;
  deriveContext();
  module = nullptr;
  if (kind == 1 || kind == 3 || kind == 4) {
    if (kind == 3 || (kind == 1 && SelectFlags.flag1)) {
      name = g.last;
      return true;
    }
    if (kind == 4) {
      name = g.last;
      second = g.lastSecond;
      return true;
    }
    std::string answer;
    if (SelectFlags.flag5 || SelectFlags.flag2) {
      answer = firstListedLogic();
      g.last = answer;
      if (g.prefix) answer = std::string(1, g.prefix) + answer;
    } else if (SelectFlags.flag3) {
      answer = firstListedLogic();
      g.last = answer;
      answer = "$" + answer;
    } else if (SelectFlags.flag4) {
      answer = g.last;
    } else {
      answer = firstListedLogic();
      g.last = answer;
    }
    name = answer;
    return !answer.empty();
  }
  const std::string before = g.last;
  bool chosen = false;
  if (removing()) chosen = dialogs().removeLibraryDialog();
  else chosen = dialogs().blockDialog(SelectFlags.preview != 0);
  if (!chosen) {
    g.last = before;
    return false;
  }
  module = ls_CurrentSource();
  name = g.last;
  return true;
}

int ls_FindLogicDirect(const std::string& chosen, char* field, std::size_t length, LogicRecord*& logic, int kind) {
  logic = nullptr;
  padField(field, length, chosen);
  if (nameOf(field, length).empty()) return 0;
  if ((logic = findLogic(chosen))) return 1;
  if (kind == 4) {
    logic = findLogic(g.lastSecond);
    return logic ? 2 : 0;
  }
  return 2;
}

int ls_FindLogicByName(char* field, std::size_t length, LogicRecord*& logic, int kind) {
  std::string name, second;
  ProjectModule* module = nullptr;
  logic = nullptr;
  if (!ls_SelectList(kind, name, second, module)) return 0;
  return ls_FindLogicDirect(name, field, length, logic, kind);
}

bool ls_SelectLogic(ProjectModule*& module) {
  std::string name, second;
  return ls_SelectList(0, name, second, module);
}

bool ls_ReplaceLibrary(ProjectModule*& module) {
  module = nullptr;
  const std::uint16_t savedCommand = FileCommandCode;
  FileCommandCode = kRemoveLibraryCommand;
  const std::string before = g.last;
  const bool chosen = dialogs().replaceLibraryDialog();
  FileCommandCode = savedCommand;
  if (!chosen) {
    g.last = before;
    return false;
  }
  if (!TemplateDocument) return false;
  CurrentDocument = TemplateDocument;
  ProjectModule* lastBefore = TemplateDocument->LastModule;
  if (mdl_LoadProjectFile(0) != 1) return false;
  module = TemplateDocument->LastModule != lastBefore ? TemplateDocument->LastModule : nullptr;
  return true;
}

bool ls_SelectAndLoad(ProjectModule*& module) { return ls_ReplaceLibrary(module); }

void ls_UnitInit() {
  if (g.initialised) return;
  g.initialised = true;
  g.last = std::string(16, ' ');
  g.lastSecond.clear();
}

} // namespace modelfiles
