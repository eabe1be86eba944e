// Loading project files into the current document: the sections go into
// the document's modules, references are resolved, library modules are read
// from their own files, instance records are built and filled from the value
// trees. A load that fails leaves the document as it was.
#include "internal.h"
#include "modelfiles/compiled.h"
#include "modelfiles/messages.h"
#include "modelfiles/project.h"

#include "model/document.h"
#include "model/editing.h"
#include "model/instances.h"
#include "model/memory.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <unordered_map>

namespace modelfiles {

using namespace model;
using namespace detail;

MdlLoadStatus LoadStatus;
std::uint32_t FileVersion = 0;
std::string ProjectPath;
std::string LibraryPath;
LoadedModuleTableT LoadedModuleTable;

namespace {

// Modules already tried in the running outer load (each is tried once).
std::set<const ProjectModule*>* g_tried = nullptr;

bool noMemory() {
  LoadStatus.outOfMemory = true;
  return true;
}

ProjectModule* findModule(DocumentRecord& d, const char* name, ProjectModule* from) {
  for (ProjectModule* m = from; m; m = m->Next)
    if (mdl_NamesEqual(m->Name, 12, name, 12, 12)) return m;
  (void)d;
  return nullptr;
}

LogicRecord* findLogic(ProjectModule* m, const char* name) {
  for (LogicRecord* l = firstLogicOf(m); l; l = l->Next)
    if (mdl_NamesEqual(l->Name, 16, name, 16, 16)) return l;
  return nullptr;
}

GateTypeRecord* findType(ProjectModule* m, const char* name) {
  for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next)
    if (mdl_NamesEqual(t->Name, 16, name, 16, 16)) return t;
  return nullptr;
}

void appendLogic(ProjectModule* m, LogicRecord* l) {
  l->Next = nullptr;
  LogicRecord* last = firstLogicOf(m);
  if (!last) { m->List = l; return; }
  while (last->Next) last = last->Next;
  last->Next = l;
}

// Takes a parsed record into an existing logic (a placeholder): its own next
// pointer stays, everything else is the record read.
void takeInto(LogicRecord* existing, LogicRecord*& staged) {
  inst_FreeList(existing->FirstInstance);
  while (GateRecord* g = existing->FirstGate) {
    existing->FirstGate = g->Next;
    freeGate(g);
  }
  if (existing->InputPorts) mm_Delete(existing->InputPorts, existing->InputPortCount);
  if (existing->OutputPorts) mm_Delete(existing->OutputPorts, existing->OutputPortCount);
  LogicRecord* next = existing->Next;
  *existing = *staged;
  existing->Next = next;
  mm_Delete(staged);   // the shell only: its contents moved
}

void setDocLogics(DocumentRecord& d) {
  d.FirstLogic = firstLogicOf(d.FirstModule);
  d.LastLogic = d.FirstLogic;
  while (d.LastLogic && d.LastLogic->Next) d.LastLogic = d.LastLogic->Next;
}

bool addLoadedRow(ProjectModule* m) {
  LoadedModuleTableT& t = LoadedModuleTable;
  if (t.count >= kLoadedModuleRows) return false;
  t.rows[t.count] = {m, m->VariableBlockSize, m->ConstantBlockSize, 1};
  ++t.count;
  t.rows[t.count].valid = 0;
  return true;
}

bool commitCompiled(DocumentRecord& d, StagedModule& sm) {
  ProjectModule* m = findModule(d, sm.header.Name, d.FirstModule);
  const bool existed = m != nullptr;
  if (existed) {
    if (!isCompiled(m)) { LoadStatus.nameConflict = true; return false; }
    if (m->Flags != sm.header.Flags) LoadStatus.changed = true;
  } else {
    if (!mm_New(m)) return !noMemory();
    mdl_InitCompiledModule(m);
    std::memcpy(m->Name, sm.header.Name, 12);
    m->VariableBlockSize = sm.header.VariableBlockSize;
    m->ConstantBlockSize = sm.header.ConstantBlockSize;
    if (m->VariableBlockSize) {
      mm_Allocate(m->VariableBlock, m->VariableBlockSize);
      if (!m->VariableBlock) { m->VariableBlockSize = 0; freeModule(m); return !noMemory(); }
      std::memcpy(m->VariableBlock, sm.variables, m->VariableBlockSize);
    }
    if (d.LastModule) d.LastModule->Next = m; else d.FirstModule = m;
    d.LastModule = m;
  }
  if (!addLoadedRow(m)) {
    // More compiled modules than the interpreter can number.
    LoadStatus.notLoaded = true;
    return false;
  }
  for (GateTypeRecord*& t : sm.types) {
    GateTypeRecord* known = existed ? findType(m, t->Name) : nullptr;
    if (known) {
      known->LinkId = t->LinkId;
      freeType(t);
      continue;
    }
    t->Module = m;
    t->Next = nullptr;
    GateTypeRecord* last = firstTypeOf(m);
    if (!last) m->List = t;
    else {
      while (last->Next) last = last->Next;
      last->Next = t;
    }
    t = nullptr;
  }
  return true;
}

bool commitPlainHeaders(DocumentRecord& d, StagedModule& sm) {
  ProjectModule* m = findModule(d, sm.header.Name, d.FirstModule);
  if (m) {
    if (isCompiled(m) || m == d.FirstModule) { LoadStatus.nameConflict = true; return false; }
    if (sm.header.Flags != kModuleCurrentSizes) LoadStatus.changed = true;
  } else {
    char name[13] = {};
    std::memcpy(name, sm.header.Name, 12);
    m = doc_AddModule(d, "", kModuleCurrentSizes);
    if (!m) return !noMemory();
    std::memcpy(m->Name, sm.header.Name, 12);
    m->AuxWord = sm.header.AuxWord;
  }
  for (StagedLogic& sl : sm.logics) {
    LogicRecord* existing = findLogic(m, sl.logic->Name);
    if (existing && existing->FirstGate) {
      existing->LinkId = sl.links.linkId;
      freeLogic(sl.logic);
      continue;
    }
    sl.logic->LinkId = sl.links.linkId;
    if (existing) takeInto(existing, sl.logic);
    else {
      appendLogic(m, sl.logic);
      sl.logic = nullptr;
    }
    sl.logic = nullptr;
  }
  return true;
}

// Looks up the target of a stored call or type reference among the link ids
// set by this read.
void* resolve(DocumentRecord& d, std::uint8_t kind, std::uint32_t id) {
  if (!id) return nullptr;
  for (ProjectModule* m = d.FirstModule; m; m = m->Next) {
    if (kind == kKindCall)
      for (LogicRecord* l = firstLogicOf(m); l; l = l->Next)
        if (l->LinkId == id) return l;
    if (kind != kKindCall)
      for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next)
        if (t->LinkId == id) return t;
  }
  return nullptr;
}

void clearLinkIds(DocumentRecord& d) {
  for (ProjectModule* m = d.FirstModule; m; m = m->Next) {
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) l->LinkId = 0;
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) t->LinkId = 0;
  }
}

// Bytes that the instance records of one logic take, calls included.
std::uint64_t instanceCost(const LogicRecord* l, std::unordered_map<const LogicRecord*, std::uint64_t>& memo,
                           int depth) {
  if (!l || depth > 64) return 0;
  auto it = memo.find(l);
  if (it != memo.end()) return it->second;
  std::uint64_t total = 0;
  for (const GateRecord* g = l->FirstGate; g; g = g->Next) {
    total += sizeof(GateInstance) + 8ull * (g->InputCount + inputElements(g) + outputElements(g) + g->ExtraCount +
                                            g->StateCount);
    if (g->Kind == kKindCall) total += instanceCost(subLogic(g), memo, depth + 1);
    if (total > (1ull << 50)) break;
  }
  memo[l] = total;
  return total;
}

bool lacksContents(const ProjectModule* m) {
  if (isCompiled(m)) {
    const GateTypeRecord* t = firstTypeOf(m);
    return !m->Loaded || (t && !t->StepProc);
  }
  const LogicRecord* l = firstLogicOf(m);
  return l && !l->FirstGate;
}

} // namespace

bool mdl_NamesEqual(const char* a, std::size_t la, const char* b, std::size_t lb, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char ca = i < la ? a[i] : '\0';
    const char cb = i < lb ? b[i] : '\0';
    if (std::toupper(static_cast<unsigned char>(ca)) != std::toupper(static_cast<unsigned char>(cb))) return false;
    if (ca == '\0') return true;
  }
  return true;
}

ModuleLinker g_moduleLinker = nullptr;
ModuleLinker setModuleLinker(ModuleLinker linker) {
  ModuleLinker prev = g_moduleLinker;
  g_moduleLinker = linker;
  return prev;
}

bool mdl_ReadProject(const std::uint8_t* data, std::size_t size, bool openProject) {
  DocumentRecord* dp = CurrentDocument;
  if (!dp) return true;
  DocumentRecord& d = *dp;
  const std::uint32_t savedVersion = FileVersion;
  struct RestoreVersion {
    std::uint32_t v;
    ~RestoreVersion() { FileVersion = v; }
  } restore{savedVersion};

  ByteReader r(data, size);
  StagedFile sf;
  if (!parseProject(r, sf)) return true;
  // Link ids live only while this file is read: on every way out they are
  // cleared, so that a later read (its ids are numbered alike) never matches
  // a stale one.
  struct ClearIds {
    DocumentRecord& d;
    ~ClearIds() { clearLinkIds(d); }
  } clearIds{d};
  FileVersion = sf.version;
  StagedModule& first = sf.modules[0];

  // The file's main section: full logics.
  ProjectModule* target = nullptr;
  if (openProject) {
    ProjectModule* found = findModule(d, first.header.Name, d.FirstModule);
    target = d.FirstModule;
    if (found && !(found == target && !target->List)) { LoadStatus.nameConflict = true; return true; }
    if (!target && !(target = doc_AddModule(d, "", kModuleCurrentSizes))) return noMemory();
    std::memcpy(target->Name, first.header.Name, 12);
    target->Flags = kModuleCurrentSizes;
  } else {
    target = findModule(d, first.header.Name, d.FirstModule);
    if (target && isCompiled(target)) { LoadStatus.nameConflict = true; return true; }
    if (!target) {
      if (!(target = doc_AddModule(d, "", kModuleCurrentSizes))) return noMemory();
      std::memcpy(target->Name, first.header.Name, 12);
    }
  }
  std::vector<LogicRecord*> full;
  {
    std::set<std::string> names;
    for (StagedLogic& sl : first.logics) {
      if (!names.insert(sl.logic->Name).second) { LoadStatus.nameConflict = true; return true; }
      LogicRecord* existing = findLogic(target, sl.logic->Name);
      if (existing && openProject) { LoadStatus.nameConflict = true; return true; }
      if (existing && existing->FirstGate) { LoadStatus.notLoaded = true; return true; }
    }
  }
  std::vector<std::pair<LogicRecord*, StagedLogic*>> placed;
  for (StagedLogic& sl : first.logics) {
    LogicRecord* existing = findLogic(target, sl.logic->Name);
    sl.logic->LinkId = sl.links.linkId;
    LogicRecord* at = existing;
    if (existing) takeInto(existing, sl.logic);
    else {
      at = sl.logic;
      appendLogic(target, sl.logic);
    }
    sl.logic = nullptr;
    placed.emplace_back(at, &sl);
  }
  if (target == d.FirstModule) setDocLogics(d);

  // Further sections: library headers and compiled placeholders.
  for (std::size_t i = 1; i < sf.modules.size(); ++i) {
    StagedModule& sm = sf.modules[i];
    const bool ok = sm.compiled ? commitCompiled(d, sm) : commitPlainHeaders(d, sm);
    if (!ok) return true;
  }

  // Calls and compiled gates find their logic or type by link id.
  for (auto& [logic, sl] : placed)
    for (StagedGate& sg : sl->gates) {
      GateRecord* g = sg.gate;
      if (g->Kind == kKindCall || g->Kind == kKindCompiled || g->Kind == kKindCompiledNative)
        g->Sub = resolve(d, g->Kind, sg.links.sub);
    }
  clearLinkIds(d);
  // A logic never calls itself, directly or through others.
  for (auto& [logic, sl] : placed)
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      if (LogicRecord* s = subLogic(g); s && (s == logic || ge_UsesLogic(logic, s))) {
        LoadStatus.fileError = true;
        return true;
      }

  // Library modules that still lack their contents are read from their files.
  std::set<const ProjectModule*> localTried;
  std::set<const ProjectModule*>* savedTried = g_tried;
  if (!g_tried) g_tried = &localTried;
  struct ResetTried {
    std::set<const ProjectModule*>* saved;
    std::set<const ProjectModule*>* local;
    ~ResetTried() { if (g_tried == local) g_tried = saved; }
  } resetTried{savedTried, &localTried};
  for (bool again = true; again;) {
    again = false;
    for (ProjectModule* m = d.FirstModule ? d.FirstModule->Next : nullptr; m; m = m->Next) {
      if (!lacksContents(m) || g_tried->count(m)) continue;
      g_tried->insert(m);
      if (mdl_LoadReferencedModule(m)) {
        // A library file that is damaged or of another name: the project
        // keeps the module's records as its own file held them, and its
        // gates and connections stay as they are.
        const bool kept = LoadStatus.nameConflict || LoadStatus.fileError;
        if (LoadStatus.nameConflict) { showMessage(50039); LoadStatus.nameConflict = false; }
        if (LoadStatus.fileError) { showMessage(50037); LoadStatus.fileError = false; }
        if (LoadStatus.anyFailure()) {
          LoadStatus.notLoaded = true;
          return true;
        }
        if (kept) mdl_MarkLibraryMissing(m);
      }
      again = true;
      break;
    }
  }

  // Instance records of every logic read in full, filled from the trees.
  std::unordered_map<const LogicRecord*, std::uint64_t> memo;
  std::uint64_t cost = 0;
  for (auto& pl : placed) cost += instanceCost(pl.first, memo, 0);
  if (cost > (64ull << 20) + 16ull * size) {
    LoadStatus.fileError = true;
    return true;
  }
  for (std::size_t i = 0; i < placed.size(); ++i) {
    LogicRecord* l = placed[i].first;
    inst_FreeList(l->FirstInstance);
    GateInstance* last = nullptr;
    for (GateRecord* g = l->FirstGate; g; g = g->Next) {
      GateInstance* gi = nullptr;
      if (!ge_RebuildInstance(l, g, gi) || !gi) return noMemory();
      if (last) last->Next = gi; else l->FirstInstance = gi;
      last = gi;
    }
    if (i < sf.trees.size() && !applyValueTree(sf.trees[i], l->FirstGate, l->FirstInstance, true)) {
      LoadStatus.fileError = true;
      return true;
    }
    ge_LinkInstanceInputs(l, l->FirstInstance);
  }
  // A library kept as placeholders that is now read has its contents.
  if (!openProject && !LoadStatus.anyFailure() && mdl_LibraryMissing(target)) target->Loaded = 0;
  return LoadStatus.anyFailure();
}

} // namespace modelfiles
