// Reading and writing block libraries.
#include "internal.h"
#include "modelfiles/compiled.h"
#include "modelfiles/messages.h"
#include "modelfiles/project.h"

#include "model/document.h"
#include "model/memory.h"

#include <cstring>
#include <string>
#include <vector>

namespace modelfiles {

using namespace model;
using namespace detail;

extern ModuleLinker g_moduleLinker;

namespace {

constexpr int kMaxReferences = 50;

bool fileError() {
  LoadStatus.fileError = true;
  return true;
}
bool noMemory() {
  LoadStatus.outOfMemory = true;
  return true;
}

// Reads a block of n bytes into a new zero-filled allocation (null for 0).
bool readBlock(ByteReader& r, void*& out, std::size_t n) {
  out = nullptr;
  if (!n) return true;
  if (!r.has(n)) return !fileError();
  mm_Allocate(out, n);
  if (!out) return !noMemory();
  r.raw(out, n);
  return true;
}

template <class T> bool readRows(ByteReader& r, T*& out, unsigned count, std::size_t rowSize) {
  out = nullptr;
  if (!count) return true;
  if (!r.has(std::size_t(count) * rowSize)) return !fileError();
  if (!mm_New(out, count)) return !noMemory();
  return true;
}

// The pin tables, descriptor list, variable table and procedures of a type.
bool readTypeData(ByteReader& r, GateTypeRecord* t) {
  std::uint32_t n = r.u32();
  if (r.failed() || n != std::uint32_t(t->InputCount) * kTypePinRowSize) return !fileError();
  if (!readRows(r, t->InputPins, t->InputCount, kTypePinRowSize)) return false;
  for (unsigned i = 0; i < t->InputCount; ++i) readTypePinRow(r, t->InputPins[i]);
  n = r.u32();
  if (r.failed() || n != std::uint32_t(t->OutputCount) * kTypePinRowSize) return !fileError();
  if (!readRows(r, t->OutputPins, t->OutputCount, kTypePinRowSize)) return false;
  for (unsigned i = 0; i < t->OutputCount; ++i) readTypePinRow(r, t->OutputPins[i]);
  n = r.u32();
  if (r.failed() || n != std::uint32_t(t->ParamFieldCount) * kParamFieldSize) return !fileError();
  if (!readBlock(r, t->ParamFields, n)) return false;
  n = r.u32();
  if (r.failed() || !r.has(n)) return !fileError();
  if (!readBlock(r, t->VariableTable, n)) return false;
  setVariableTableSize(t, n);
  if (t->StepLength == 0) {
    // A native step procedure: none is known here.
    t->StepProc = mdl_NativeProcedure(t->Module ? t->Module->Name : "", t->Name, 0);
    if (!t->StepProc) {
      LoadStatus.versionConflict = true;
      return false;
    }
  }
  if (!readBlock(r, t->StepProc, t->StepLength)) return false;
  for (int i = 0; i < 7; ++i)
    if (!readBlock(r, t->Procs[i], t->ProcLength[i])) return false;
  return true;
}

// A type read over a known one releases the known one's code first.
void clearTypeData(GateTypeRecord* t) {
  mdl_FreeTypeCode(t);
  if (t->InputPins) mm_Delete(t->InputPins, t->InputCount);
  if (t->OutputPins) mm_Delete(t->OutputPins, t->OutputCount);
  t->StepProc = nullptr;
  for (void*& p : t->Procs) p = nullptr;
  t->VariableTable = nullptr;
  t->ParamFields = nullptr;
}

ProjectModule* findCompiled(const char* name) {
  DocumentRecord* d = CurrentDocument;
  for (ProjectModule* m = d && d->FirstModule ? d->FirstModule->Next : nullptr; m; m = m->Next)
    if (isCompiled(m) && mdl_NamesEqual(m->Name, 12, name, 12, 12)) return m;
  return nullptr;
}

// Drops the code of every type of a module: the names, counts, lengths, pin
// tables and descriptor lists stay, the procedures go and the flags word is
// cleared, as in a placeholder.
void makePlaceholders(ProjectModule* m) {
  for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) {
    if (t->StepProc) mm_Deallocate(t->StepProc, t->StepLength);
    t->StepProc = nullptr;
    for (int i = 0; i < 7; ++i) {
      if (t->Procs[i]) mm_Deallocate(t->Procs[i], t->ProcLength[i]);
      t->Procs[i] = nullptr;
    }
    t->Flags = 0;
  }
}

void appendModule(ProjectModule* m) {
  DocumentRecord& d = *CurrentDocument;
  if (d.LastModule) d.LastModule->Next = m; else d.FirstModule = m;
  d.LastModule = m;
}

} // namespace

void mdl_MarkLibraryMissing(ProjectModule* m) {
  if (!m) return;
  // A block library read part way keeps no code: its gates run nothing.
  if (isCompiled(m)) makePlaceholders(m);
  m->Loaded = kLibraryMissing;
}

bool mdl_LibraryMissing(const ProjectModule* m) { return m && m->Loaded == kLibraryMissing; }

std::vector<std::string> mdl_MissingLibraries(const DocumentRecord& doc) {
  std::vector<std::string> names;
  for (const ProjectModule* m = doc.FirstModule ? doc.FirstModule->Next : nullptr; m; m = m->Next) {
    if (!mdl_LibraryMissing(m)) continue;
    std::string name = fieldText(m->Name, 12);
    if (isCompiled(m)) {
      const std::size_t end = name.find_first_of(" .");
      name = name.substr(0, end) + ".MCO";
    }
    names.push_back(name);
  }
  return names;
}

std::string mdl_MissingLibrariesText(const DocumentRecord& doc) {
  const std::vector<std::string> names = mdl_MissingLibraries(doc);
  if (names.empty()) return {};
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  const bool one = names.size() == 1;
  return std::string(one ? "The library " : "The libraries ") + list + (one ? " was" : " were") +
         " not loaded: " + (one ? "its" : "their") +
         " blocks and their connections are kept as placeholders without their code.";
}

void mdl_InitCompiledModule(ProjectModule* m) {
  if (!m) return;
  std::memset(static_cast<void*>(m), 0, sizeof *m);
  m->Flags = kModuleCompiled;
}

void* mdl_NativeProcedure(const char*, const char*, int) { return nullptr; }

bool mdl_ReadCompiledModule(ProjectModule*& slot, const std::uint8_t* data, std::size_t size) {
  if (!CurrentDocument) return true;
  ByteReader r(data, size);
  char name[12];
  if (!r.raw(name, 12)) return fileError();
  if (slot) {
    if (!mdl_NamesEqual(slot->Name, 12, name, 12, 12)) {
      LoadStatus.nameConflict = true;
      return true;
    }
  } else {
    ProjectModule* m = nullptr;
    if (!mm_New(m)) return noMemory();
    mdl_InitCompiledModule(m);
    std::memcpy(m->Name, name, 12);
    appendModule(m);
    slot = m;
  }
  ProjectModule* m = slot;
  const std::uint32_t loaded = r.u32();
  m->Loaded = m->Loaded == 0 && loaded != kLibraryMissing ? (loaded ? loaded : 1) : 1;
  std::uint8_t end = r.u8();
  if (r.failed()) return fileError();
  while (end == 0) {
    if (!r.has(kTypeRecordSize)) return fileError();
    GateTypeRecord image{};
    std::uint32_t next = 0;
    readTypeRecord(r, image, next);
    GateTypeRecord* t = nullptr;
    for (GateTypeRecord* k = firstTypeOf(m); k; k = k->Next)
      if (mdl_NamesEqual(k->Name, 16, image.Name, 16, 16)) { t = k; break; }
    if (t) {
      clearTypeData(t);
      GateTypeRecord* keepNext = t->Next;
      const std::uint32_t keepId = t->LinkId;
      *t = image;
      t->Next = keepNext;
      t->LinkId = keepId;
    } else {
      if (!mm_New(t)) return noMemory();
      *t = image;
      t->Next = nullptr;
      t->LinkId = 0;
      GateTypeRecord* last = firstTypeOf(m);
      if (!last) m->List = t;
      else {
        while (last->Next) last = last->Next;
        last->Next = t;
      }
    }
    t->Module = m;
    if (!readTypeData(r, t)) return true;
    end = r.u8();
    if (r.failed()) return fileError();
  }
  // The module's code, variable and constant blocks.
  std::uint32_t n = r.u32();
  if (r.failed() || !r.has(n)) return fileError();
  if (m->CodeBlock) mm_Deallocate(m->CodeBlock, m->CodeBlockSize);
  m->CodeBlockSize = 0;
  if (!readBlock(r, m->CodeBlock, n)) return true;
  m->CodeBlockSize = n;
  const std::uint32_t vars = r.u32();
  if (r.failed()) return fileError();
  if (vars > kMaxVariableBlock) return fileError();
  if (vars != m->VariableBlockSize || (!m->VariableBlock && vars)) {
    if (m->VariableBlock) mm_Deallocate(m->VariableBlock, m->VariableBlockSize);
    m->VariableBlockSize = 0;
    if (vars) {
      mm_Allocate(m->VariableBlock, vars);
      if (!m->VariableBlock) return noMemory();
    }
    m->VariableBlockSize = vars;
  }
  n = r.u32();
  if (r.failed() || !r.has(n)) return fileError();
  if (m->ConstantBlock) mm_Deallocate(m->ConstantBlock, m->ConstantBlockSize);
  m->ConstantBlockSize = 0;
  if (!readBlock(r, m->ConstantBlock, n)) return true;
  m->ConstantBlockSize = n;
  // Referenced modules.
  const std::uint16_t count = r.u16();
  r.u16();
  if (r.failed()) return fileError();
  if (count > kMaxReferences || !r.has(std::size_t(count) * 16)) return fileError();
  ProjectModule* refs[kMaxReferences] = {};
  for (unsigned i = 0; i < count; ++i) {
    r.u32();
    char refName[12];
    r.raw(refName, 12);
    ProjectModule* ref = findCompiled(refName);
    if (!ref) {
      if (!mm_New(ref)) return noMemory();
      mdl_InitCompiledModule(ref);
      std::memcpy(ref->Name, refName, 12);
      appendModule(ref);
    }
    if (!ref->Loaded && ref != m && mdl_LoadReferencedModule(ref)) return true;
    refs[i] = ref;
  }
  n = r.u32();
  if (r.failed() || !r.has(n)) return fileError();
  const std::uint8_t* link = r.take(n);
  if (g_moduleLinker && !g_moduleLinker(m, link, n, refs, count)) {
    // A library whose code cannot link must not make the project that uses
    // it unopenable: its types become placeholders (as before the library is
    // read) and its gates run nothing; 50041 says so once per load.
    makePlaceholders(m);
    if (!LoadStatus.linkFailureShown) {
      LoadStatus.linkFailureShown = true;
      showMessage(50041);
    }
  }
  return LoadStatus.anyFailure();
}

std::vector<std::uint8_t> mdl_EncodeCompiledModule(const McoModule& mod) {
  ByteWriter w;
  char name[12] = {};
  std::memcpy(name, mod.name.data(), std::min<std::size_t>(mod.name.size(), 12));
  w.raw(name, 12);
  w.u32(mod.loaded);
  w.u8(mod.types.empty() ? 1 : 0);
  for (std::size_t i = 0; i < mod.types.size(); ++i) {
    const McoType& s = mod.types[i];
    GateTypeRecord t{};
    std::memcpy(t.Name, s.name.data(), std::min<std::size_t>(s.name.size(), 16));
    t.ExtraCount = s.extraCount;
    t.StateCount = s.stateCount;
    t.InputCount = std::uint16_t(s.inputs.size());
    t.OutputCount = std::uint16_t(s.outputs.size());
    t.Height = s.height;
    t.Width = s.width;
    t.VariableCount = s.variableCount;
    t.ParamFieldCount = std::uint16_t(s.paramFields.size() / kParamFieldSize);
    std::memcpy(t.AuxType, s.auxType, 2);
    t.Flags = s.flags;
    t.StepLength = std::uint16_t(s.step.size());
    for (int k = 0; k < 7; ++k) t.ProcLength[k] = std::uint16_t(s.procs[k].size());
    writeTypeRecord(w, t, 0, 0);
    w.u32(std::uint32_t(s.inputs.size() * kTypePinRowSize));
    for (const TypePinRow& p : s.inputs) writeTypePinRow(w, p);
    w.u32(std::uint32_t(s.outputs.size() * kTypePinRowSize));
    for (const TypePinRow& p : s.outputs) writeTypePinRow(w, p);
    w.u32(std::uint32_t(s.paramFields.size()));
    w.raw(s.paramFields.data(), s.paramFields.size());
    w.u32(std::uint32_t(s.variableTable.size()));
    w.raw(s.variableTable.data(), s.variableTable.size());
    w.raw(s.step.data(), s.step.size());
    for (const auto& p : s.procs) w.raw(p.data(), p.size());
    w.u8(i + 1 == mod.types.size() ? 1 : 0);
  }
  w.u32(std::uint32_t(mod.code.size()));
  w.raw(mod.code.data(), mod.code.size());
  w.u32(mod.variableSize);
  w.u32(std::uint32_t(mod.constants.size()));
  w.raw(mod.constants.data(), mod.constants.size());
  w.u16(std::uint16_t(mod.references.size()));
  w.u16(0);
  for (const std::string& ref : mod.references) {
    w.u32(0);
    char rn[12] = {};
    std::memcpy(rn, ref.data(), std::min<std::size_t>(ref.size(), 12));
    w.raw(rn, 12);
  }
  w.u32(std::uint32_t(mod.linkBlock.size()));
  w.raw(mod.linkBlock.data(), mod.linkBlock.size());
  return std::move(w.bytes);
}

} // namespace modelfiles
