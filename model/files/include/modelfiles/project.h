#pragma once
// Project files (".MDL"): the whole document with its module list, the main
// module's logics, gates, pins and wires, the headers of the library modules
// and the compiled modules it uses, and the value tree of every main logic.
// Loading also loads every library module the project refers to (".MDL" or
// ".MCO") along the library paths and checks every gate against the current
// version of its subprogram or gate type.
//
// All operations work on model::CurrentDocument.
#include "model/records.h"
#include "modelfiles/filelayer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modelfiles {

// Status flags of one load; cleared at its start.
struct MdlLoadStatus {
  bool fileError = false;       // a read came short or the data is not valid
  bool outOfMemory = false;
  bool notLoaded = false;       // a referenced module could not be loaded, or a logic clash
  bool nameConflict = false;
  bool versionConflict = false; // fatal
  bool changed = false;         // the project was adapted to changed libraries
  bool lastModule = false;      // the section just read was the last one
  bool linkFailureShown = false; // 50041 was shown for a library that failed to link (once a load)
  bool anyFailure() const { return fileError || outOfMemory || notLoaded || nameConflict || versionConflict; }
  void clear() { *this = MdlLoadStatus{}; }
};
extern MdlLoadStatus LoadStatus;
// Version of the file being read (0 for a headerless file).
extern std::uint32_t FileVersion;
// The project path (a project file) and the library path (the last library
// file chosen); the project's directory is searched first for library modules.
extern std::string ProjectPath;
extern std::string LibraryPath;

// Compiled module sections read from project files since the last project open.
struct LoadedModuleRow {
  model::ProjectModule* module = nullptr;
  std::uint32_t variableSize = 0;
  std::uint32_t constantSize = 0;
  std::uint8_t valid = 0;
};
constexpr int kLoadedModuleRows = 21;
struct LoadedModuleTableT {
  LoadedModuleRow rows[kLoadedModuleRows + 1];
  int count = 0;
};
extern LoadedModuleTableT LoadedModuleTable;

// Largest module variable block accepted from a block library (its bytes are
// not in the file).
constexpr std::uint32_t kMaxVariableBlock = 16u << 20;

// Compares at most n characters of two names ignoring case, stopping at the
// end of the shorter one or at a zero.
bool mdl_NamesEqual(const char* a, std::size_t la, const char* b, std::size_t lb, std::size_t n);

// Encodes a document as the bytes of a project file. Link ids are numbered
// deterministically, so equal documents give equal bytes.
std::vector<std::uint8_t> mdl_EncodeProject(const model::DocumentRecord& doc);
// Writes the current document to an open file; true on success.
bool mdl_WriteProject(FileHandle file);
// 0: save under the project path; 1: ask for a new name. 1 saved, 0 failed.
// The new file is written beside the old one; the old one then becomes the
// ".MD~" backup and the new one takes its place. On failure the original
// stays and 50037 is shown.
int mdl_SaveProjectFile(int saveAs);
// Saves to a given path (save without selector). A document with libraries
// kept as placeholders is saved only after the user agrees (default No),
// unless placeholdersAgreed.
int mdl_SaveProjectAs(const std::string& path, bool placeholdersAgreed = false);

// Reads one project stream (already in memory) into the current document:
// openProject true opens it as the project, false loads it as a library.
// Status goes to LoadStatus; true when a flag stands.
bool mdl_ReadProject(const std::uint8_t* data, std::size_t size, bool openProject);
// Finds and reads the file of one library module; true on failure.
bool mdl_LoadReferencedModule(model::ProjectModule* module);
// Lets the user choose a file (1 open a project, 0 load a library).
// 1 loaded, 0 nothing loaded (document as before), -1 loaded and found
// inconsistent, or a failed open into an empty document.
int mdl_LoadProjectFile(int openProject);
// The same for a given path, without selector, already-loaded test or retry.
int mdl_LoadProjectPath(const std::string& path, int openProject);
// Gate check after loading; false when it fails. Gates of a library that
// failed to load are left as they are.
bool mdl_CheckGates();

// A library module whose file could not be read (damaged, or of another
// name) while a project was opened: the project keeps its calls, their
// connections and values as placeholders (the module's records as the project
// file held them, without code), and saving such a project asks first.
// The mark lives in the module's Loaded word (not read back from files).
constexpr std::uint32_t kLibraryMissing = 0xFFFFFFFFu;
void mdl_MarkLibraryMissing(model::ProjectModule* m);
bool mdl_LibraryMissing(const model::ProjectModule* m);
// File names of the document's libraries so marked, in list order.
std::vector<std::string> mdl_MissingLibraries(const model::DocumentRecord& doc);
// The text that tells the user which libraries are kept as placeholders
// ("" when none).
std::string mdl_MissingLibrariesText(const model::DocumentRecord& doc);
// Move n bytes (n = 0 moves nothing); true when fewer bytes moved than
// asked, which also sets the file-error flag.
bool mdl_ReadBytes(FileHandle file, long n, void* buffer);
bool mdl_WriteBytes(FileHandle file, long n, const void* buffer);
// Allocates n zero-filled bytes through the memory manager and reads them;
// n = 0 leaves the block null. True on failure (short read: file error, no
// memory: out-of-memory flag), with the block released.
bool mdl_ReadAlloc(FileHandle file, std::size_t n, void*& block);
// Whether the file at the project path exists: 0 when it does, negative when not.
int gem_FileExists();

// Releases the code, pin tables and descriptor lists of a compiled type that
// the block library reader allocated, and of every type of a document.
void mdl_FreeTypeCode(model::GateTypeRecord* type);
void mdl_FreeDocumentCode(model::DocumentRecord* doc);
// mdl_FreeDocumentCode and model::doc_Free.
void mdl_FreeDocument(model::DocumentRecord*& doc);
// Byte size of a type's variable table as read ("" 0 when none).
std::size_t mdl_VariableTableSize(const model::GateTypeRecord* type);

// Hands a compiled module's link block, with the table of modules it refers
// to, to the interpreter's linker. Until the engine installs one nothing is
// linked and the result is true.
using ModuleLinker = bool (*)(model::ProjectModule* module, const std::uint8_t* linkBlock, std::size_t size,
                              model::ProjectModule* const* referenced, int count);
ModuleLinker setModuleLinker(ModuleLinker linker);

} // namespace modelfiles
