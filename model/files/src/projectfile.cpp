// Opening, loading and saving project files with the file selector, the
// library search, the post-load checks, the load messages and the backup.
#include "internal.h"
#include "modelfiles/compiled.h"
#include "modelfiles/messages.h"
#include "modelfiles/project.h"

#include "model/document.h"
#include "model/editing.h"
#include "model/instances.h"
#include "model/memory.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <cerrno>
#include <cstring>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modelfiles {

using namespace model;
using namespace detail;

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t(1) << 30;

// Restores release mode 1 of the memory manager on every path.
struct ReleaseModeGuard {
  ReleaseModeGuard() { mm_SetReleaseMode(0); }
  ~ReleaseModeGuard() { mm_SetReleaseMode(1); }
};

struct WaitCursor {
  WaitCursor() { fileServices().waitCursor(true); }
  ~WaitCursor() { fileServices().waitCursor(false); }
};

// What the document held before a load, to take back what the load added.
struct Snapshot {
  bool hadModule = false;
  ProjectModule* lastModule = nullptr;
  std::vector<std::pair<ProjectModule*, LogicRecord*>> lastLogic;   // per module: last logic (or null)
  std::vector<std::pair<LogicRecord*, bool>> hadGates;
  std::vector<std::pair<ProjectModule*, GateTypeRecord*>> lastType;
  int loadedRows = 0;
};

Snapshot takeSnapshot(DocumentRecord& d) {
  Snapshot s;
  s.hadModule = d.FirstModule != nullptr;
  s.lastModule = d.LastModule;
  for (ProjectModule* m = d.FirstModule; m; m = m->Next) {
    LogicRecord* last = nullptr;
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      last = l;
      s.hadGates.emplace_back(l, l->FirstGate != nullptr);
    }
    s.lastLogic.emplace_back(m, last);
    GateTypeRecord* lt = nullptr;
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) lt = t;
    s.lastType.emplace_back(m, lt);
  }
  s.loadedRows = LoadedModuleTable.count;
  return s;
}

void resetLevels(DocumentRecord& d) {
  for (auto& l : d.LevelLogics) l = nullptr;
  for (auto& i : d.LevelInstances) i = nullptr;
  d.SimLogic = nullptr;
  d.SimInstances = nullptr;
}

void freeAllModules(DocumentRecord& d) {
  ProjectModule* m = d.FirstModule;
  d.FirstModule = d.LastModule = nullptr;
  while (m) {
    ProjectModule* next = m->Next;
    freeModule(m);
    m = next;
  }
  d.FirstLogic = d.LastLogic = nullptr;
}

// Takes back everything a failed load added to a document that had modules.
void rollBack(DocumentRecord& d, const Snapshot& s) {
  // Modules appended by the load.
  ProjectModule* extra = s.lastModule ? s.lastModule->Next : d.FirstModule;
  if (s.lastModule) s.lastModule->Next = nullptr; else d.FirstModule = nullptr;
  d.LastModule = s.lastModule;
  while (extra) {
    ProjectModule* next = extra->Next;
    freeModule(extra);
    extra = next;
  }
  // Logics and types appended to modules that were there; placeholders that
  // were filled become placeholders again.
  for (auto& [m, last] : s.lastLogic) {
    LogicRecord* tail = last ? last->Next : firstLogicOf(m);
    if (!isCompiled(m)) {
      if (last) last->Next = nullptr; else m->List = nullptr;
      while (tail) {
        LogicRecord* next = tail->Next;
        freeLogic(tail);
        tail = next;
      }
    }
  }
  for (auto& [m, last] : s.lastType) {
    if (!isCompiled(m)) continue;
    GateTypeRecord* tail = last ? last->Next : firstTypeOf(m);
    if (last) last->Next = nullptr; else m->List = nullptr;
    while (tail) {
      GateTypeRecord* next = tail->Next;
      freeType(tail);
      tail = next;
    }
  }
  for (auto& [l, had] : s.hadGates) {
    if (had) continue;
    inst_FreeList(l->FirstInstance);
    while (GateRecord* g = l->FirstGate) {
      l->FirstGate = g->Next;
      freeGate(g);
    }
  }
  LoadedModuleTable.count = s.loadedRows;
  LoadedModuleTable.rows[s.loadedRows].valid = 0;
  for (ProjectModule* m = d.FirstModule; m; m = m->Next) {
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) l->LinkId = 0;
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) t->LinkId = 0;
  }
  d.FirstLogic = firstLogicOf(d.FirstModule);
  d.LastLogic = d.FirstLogic;
  while (d.LastLogic && d.LastLogic->Next) d.LastLogic = d.LastLogic->Next;
}

std::string upper(std::string s) { return plat::path::toUpper(s); }

std::string fileNameOf(const std::string& path) { return plat::path::baseName(plat::path::normalize(path)); }

// A library module's name must fit its 12-byte field (8.3); longer names are
// refused, never cut.
bool libraryNameFits(const std::string& path, bool compiled) {
  const std::string name = fileNameOf(path);
  const std::string ext = plat::path::extension(name);
  const std::string base = name.substr(0, name.size() - (ext.empty() ? 0 : ext.size() + 1));
  if (compiled ? base.size() <= 8 : name.size() <= 12) return true;
  plat::ui::messageBox("The library file name \"" + name +
                           "\" is longer than 8 characters and its extension; it cannot be used as a library.",
                       "Zerlo", plat::ui::MB_OK | plat::ui::MB_ICONHAND);
  return false;
}

// The name of a compiled module up to its first blank, point or zero.
std::string compiledBaseName(const char* name) {
  std::string s;
  for (int i = 0; i < 8 && name[i] && name[i] != ' ' && name[i] != '.'; ++i) s += name[i];
  return s;
}

bool alreadyLoaded(DocumentRecord& d, const std::string& path) {
  const std::string file = upper(fileNameOf(path));
  for (ProjectModule* m = d.FirstModule; m; m = m->Next) {
    std::string n = upper(fieldText(m->Name, 12));
    if (n.empty()) continue;
    if (plat::path::extension(n).empty()) n += ".MCO";
    if (n == file) return true;
  }
  return false;
}

bool readAll(const std::string& path, std::vector<std::uint8_t>& out) {
  return gem_ReadFile(path, out, kMaxFileBytes);
}

// The main module carries the file's name, or its alias when the name does
// not fit the 12-byte field (the file keeps its long name).
void setMainModuleName(ProjectModule* m, const std::string& path) {
  const std::string name = plat::path::shortAlias(fileNameOf(path));
  std::memset(m->Name, 0, 12);
  std::memcpy(m->Name, name.data(), std::min<std::size_t>(name.size(), 12));
}

// After a complete read: library logics that never got their gates go, the
// gates are checked against their libraries.
int finishLoad(DocumentRecord& d) {
  WaitCursor wait;
  bool callsDeleted = false;
  for (ProjectModule* m = d.FirstModule ? d.FirstModule->Next : nullptr; m;) {
    ProjectModule* nextModule = m->Next;
    // A library that failed to load keeps its logics as placeholders.
    if (!isCompiled(m) && !mdl_LibraryMissing(m)) {
      for (LogicRecord* l = firstLogicOf(m); l;) {
        LogicRecord* next = l->Next;
        if (!l->FirstGate) {
          // Still used by a gate of another library: the libraries no longer fit.
          for (ProjectModule* o = d.FirstModule->Next; o; o = o->Next)
            for (LogicRecord* ol = firstLogicOf(o); ol; ol = ol->Next)
              for (GateRecord* g = ol->FirstGate; g; g = g->Next)
                if (subLogic(g) == l) {
                  showMessage(50041);
                  return -1;
                }
          callsDeleted |= ge_DeleteLogicCalls(l);
          ge_DeleteLogic(l);
          LoadStatus.changed = true;
        }
        l = next;
      }
      if (!firstLogicOf(m)) ge_DeleteModule(m);
    }
    m = nextModule;
  }
  if (callsDeleted) showMessage(40015);
  if (!mdl_CheckGates()) {
    if (LoadStatus.versionConflict) showMessage(50041);
    return -1;
  }
  d.FirstLogic = firstLogicOf(d.FirstModule);
  d.LastLogic = d.FirstLogic;
  while (d.LastLogic && d.LastLogic->Next) d.LastLogic = d.LastLogic->Next;
  if (LoadStatus.changed) showMessage(50040);
  if (const std::string kept = mdl_MissingLibrariesText(d); !kept.empty())
    plat::ui::messageBox(kept + "\nSaving the project keeps them as they are; it asks first.", "Zerlo",
                         plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
  return 1;
}

int failLoad(DocumentRecord& d, const Snapshot& s, const std::string& path) {
  if (LoadStatus.notLoaded) showFileMessage(50038, path, "the project could not be read");
  if (LoadStatus.fileError) showFileMessage(50037, path, "its contents are damaged or incomplete");
  if (LoadStatus.nameConflict) showMessage(50039);
  if (LoadStatus.versionConflict) showMessage(50041);
  if (!s.hadModule) {
    // Nothing of a half-read project stays: an empty main module named after
    // the file.
    resetLevels(d);
    freeAllModules(d);
    LoadedModuleTable.count = 0;
    LoadedModuleTable.rows[0].valid = 0;
    if (ProjectModule* m = doc_AddModule(d, "", kModuleCurrentSizes)) setMainModuleName(m, path);
    return -1;
  }
  rollBack(d, s);
  return 0;
}

int loadFile(std::string path, int openProject, bool withSelector) {
  DocumentRecord* dp = CurrentDocument;
  if (!dp) return 0;
  DocumentRecord& d = *dp;
  LoadStatus.clear();
  ReleaseModeGuard releaseMode;
  const Snapshot snap = takeSnapshot(d);
  if (openProject) {
    LoadedModuleTable.count = 0;
    LoadedModuleTable.rows[0].valid = 0;
  }
  std::vector<std::uint8_t> bytes;
  bool compiledFile = false;
  for (;;) {
    if (withSelector) {
      path = openProject ? ProjectPath : (LibraryPath.empty() ? ProjectPath : LibraryPath);
      if (!gem_FileSelect(path, openProject ? ".MDL" : ".M*")) return 0;
    }
    const std::string ext = upper(plat::path::extension(path));
    compiledFile = !openProject && ext == "MCO";
    if (!compiledFile && ext != "MDL" && !(ext == "MDN" && !withSelector)) {
      showMessage(50044);
      return 0;
    }
    if (!openProject && !libraryNameFits(path, compiledFile)) return 0;
    if (!d.FirstModule) ProjectPath = path;
    if (!openProject) LibraryPath = path;
    if (withSelector && alreadyLoaded(d, path)) {
      showMessage(40016);
      return 0;
    }
    errno = 0;
    if (readAll(path, bytes)) break;
    const int readError = errno;
    if (!d.FirstModule) {
      ProjectModule* m = doc_AddModule(d, "", kModuleCurrentSizes);
      if (m) setMainModuleName(m, path);
      LoadStatus.notLoaded = true;
      showFileMessage(50038, path, reasonText(readError, "the file cannot be read"));
      return -1;
    }
    if (!withSelector || !askYesNo(50042, path)) return 0;
  }
  {
    WaitCursor wait;
    if (compiledFile) {
      ProjectModule* slot = nullptr;
      mdl_ReadCompiledModule(slot, bytes.data(), bytes.size());
    } else {
      mdl_ReadProject(bytes.data(), bytes.size(), openProject != 0);
    }
  }
  if (LoadStatus.anyFailure()) return failLoad(d, snap, path);
  return finishLoad(d);
}

// Flushes a directory so that a rename in it survives a crash.
void syncDir(const std::string& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

// Removes the hidden temporary files ".NAME.new<pid>" and ".NAME.bak<pid>"
// that a save of a process no longer running left beside the file (a save
// killed mid-write).
void removeStaleTemporaries(const std::string& place, const std::string& base) {
  DIR* d = ::opendir(place.c_str());
  if (!d) return;
  const std::string prefix = "." + base + ".";
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() <= prefix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string kind = name.substr(prefix.size(), 3);
    const std::string digits = name.substr(prefix.size() + 3);
    if ((kind != "new" && kind != "bak") || digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const pid_t pid = pid_t(std::stol(digits));
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;   // still running (or not ours to ask)
    (void)::unlinkat(::dirfd(d), name.c_str(), 0);
  }
  ::closedir(d);
}

// While a save writes, a file-size limit makes the write fail with EFBIG
// instead of ending the program with SIGXFSZ. The signal is blocked for this
// thread only, and one raised meanwhile is taken off before it is unblocked.
class FileSizeSignalBlock {
public:
  FileSizeSignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGXFSZ);
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &set, &previous_) == 0 && !sigismember(&previous_, SIGXFSZ);
  }
  ~FileSizeSignalBlock() {
    if (!blocked_) return;
    sigset_t set, pending;
    sigemptyset(&set);
    sigaddset(&set, SIGXFSZ);
    const timespec now{0, 0};
    while (::sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ))
      if (::sigtimedwait(&set, nullptr, &now) < 0 && errno != EINTR) break;
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  FileSizeSignalBlock(const FileSizeSignalBlock&) = delete;
  FileSizeSignalBlock& operator=(const FileSizeSignalBlock&) = delete;
private:
  sigset_t previous_{};
  bool blocked_ = false;
};

// Writes bytes beside path, then moves the new file into place; the old file
// becomes the ".MD~" backup. The new file keeps the old one's mode (and owner
// where allowed). An old file the user may not write is refused. The previous
// backup stays until the new file is in place. The original stays intact on
// any failure.
bool writeWithBackup(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string target = plat::path::resolveForWrite(plat::path::normalize(path));
  // A symbolic link stays a link: the file it points to is replaced.
  struct stat lst {};
  if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    char real[PATH_MAX];
    if (!::realpath(target.c_str(), real)) return false;
    target = real;
  }
  struct stat old {};
  const bool hasOld = ::stat(target.c_str(), &old) == 0;
  if (hasOld) {
    if (!S_ISREG(old.st_mode)) return false;
    // Read-only for this user (or for everyone, which also binds root).
    if (::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0) return false;
  }
  const std::string dir = plat::path::dirName(target);
  const std::string place = dir.empty() ? "." : dir;
  const std::string base = plat::path::baseName(target);
  const std::string pid = std::to_string(::getpid());
  const std::string temp = plat::path::join(place, "." + base + ".new" + pid);
  removeStaleTemporaries(place, base);
  FileSizeSignalBlock noSizeSignal;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  if (hasOld) {
    (void)::fchown(fd, old.st_uid, old.st_gid);  // fails for other owners: the mode still holds
    (void)::fchmod(fd, old.st_mode & 07777);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += std::size_t(n);
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written) {
    ::unlink(temp.c_str());
    return false;
  }
  // The backup is prepared under a temporary name; the previous ".MD~" is
  // replaced only once the new file is in place.
  const std::string backup = plat::path::withExtension(target, "MD~");
  const std::string backupTemp = plat::path::join(place, "." + base + ".bak" + pid);
  bool haveBackup = false;
  if (hasOld) {
    ::unlink(backupTemp.c_str());
    haveBackup = ::link(target.c_str(), backupTemp.c_str()) == 0;
    if (!haveBackup) {
      std::string content;
      haveBackup = plat::path::readFile(target, content) && plat::path::writeFileAtomic(backupTemp, content);
    }
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    if (haveBackup) ::unlink(backupTemp.c_str());
    return false;
  }
  if (haveBackup && ::rename(backupTemp.c_str(), backup.c_str()) != 0) ::unlink(backupTemp.c_str());
  syncDir(dir);
  return true;
}

} // namespace

bool mdl_ReadBytes(FileHandle file, long n, void* buffer) {
  if (n <= 0) return false;
  long got = n;
  gem_Fread(file, got, buffer);
  if (got == n) return false;
  LoadStatus.fileError = true;
  return true;
}

bool mdl_WriteBytes(FileHandle file, long n, const void* buffer) {
  if (n <= 0) return false;
  long put = n;
  gem_Fwrite(file, put, buffer);
  if (put == n) return false;
  LoadStatus.fileError = true;
  return true;
}

bool mdl_ReadAlloc(FileHandle file, std::size_t n, void*& block) {
  block = nullptr;
  if (n == 0) return false;
  // Never more than the file still holds.
  long here = 0, end = 0;
  gem_Fseek(0, file, 1, here);
  gem_Fseek(0, file, 2, end);
  gem_Fseek(here, file, 0, here);
  if (here < 0 || end < here || std::size_t(end - here) < n) {
    LoadStatus.fileError = true;
    return true;
  }
  mm_Allocate(block, n);
  if (!block) {
    LoadStatus.outOfMemory = true;
    return true;
  }
  if (mdl_ReadBytes(file, long(n), block)) {
    mm_Deallocate(block, n);
    return true;
  }
  return false;
}

int gem_FileExists() {
  std::string p = ProjectPath;
  FileHandle h = 0;
  if (gem_OpenExisting(p, h) < 1) return -1;
  gem_Fclose(h);
  return 0;
}

int mdl_LoadProjectFile(int openProject) { return loadFile(std::string(), openProject, true); }
int mdl_LoadProjectPath(const std::string& path, int openProject) { return loadFile(path, openProject, false); }

bool mdl_LoadReferencedModule(ProjectModule* module) {
  if (!module) return true;
  const bool compiled = isCompiled(module);
  const std::string fileName = compiled ? compiledBaseName(module->Name) + ".MCO" : fieldText(module->Name, 12);
  const std::string ext = upper(plat::path::extension(fileName));
  if (ext != (compiled ? "MCO" : "MDL") && ext != "MDL") {
    showMessage(50044);
    LoadStatus.notLoaded = true;
    return true;
  }
  std::string found;
  {
    const std::string dir = plat::path::dirName(plat::path::normalize(ProjectPath));
    found = plat::path::resolveExisting(plat::path::join(dir.empty() ? "." : dir, fileName));
    for (int mode = 0; found.empty(); mode = 1) {
      const std::string lib = fileServices().libraryDir(mode);
      if (lib.empty()) break;
      found = plat::path::resolveExisting(plat::path::join(lib, fileName));
    }
    fileServices().libraryDir(2);
  }
  for (int attempts = 0; attempts < 100; ++attempts) {
    if (found.empty()) {
      if (!askYesNo(50042, fileName)) {
        LoadStatus.notLoaded = true;
        return true;
      }
      std::string p = LibraryPath.empty() ? ProjectPath : LibraryPath;
      if (!gem_FileSelect(p, compiled ? ".MCO" : ".MDL")) {
        LoadStatus.notLoaded = true;
        return true;
      }
      found = p;
    }
    std::vector<std::uint8_t> bytes;
    if (!readAll(found, bytes)) {
      found.clear();
      continue;
    }
    if (compiled) {
      ProjectModule* slot = module;
      mdl_ReadCompiledModule(slot, bytes.data(), bytes.size());
      if (LoadStatus.nameConflict && !LoadStatus.fileError) {
        LoadStatus.nameConflict = false;
        found.clear();
        continue;
      }
    } else {
      mdl_ReadProject(bytes.data(), bytes.size(), false);
    }
    return LoadStatus.anyFailure();
  }
  LoadStatus.notLoaded = true;
  return true;
}

int mdl_SaveProjectAs(const std::string& path, bool placeholdersAgreed) {
  DocumentRecord* d = CurrentDocument;
  if (!d || !d->FirstModule || !firstLogicOf(d->FirstModule)) return 1;
  if (!placeholdersAgreed) {
    if (const std::string kept = mdl_MissingLibrariesText(*d); !kept.empty() &&
        plat::ui::messageBox(kept + "\nSave the project anyway?", "Zerlo",
                             plat::ui::MB_YESNO | plat::ui::MB_ICONQUESTION | plat::ui::MB_DEFBUTTON2) !=
            plat::ui::IDYES)
      return 0;
  }
  // The main module carries the file's name; a failed save keeps the old one.
  char oldName[12];
  std::memcpy(oldName, d->FirstModule->Name, 12);
  setMainModuleName(d->FirstModule, path);
  WaitCursor wait;
  errno = 0;
  if (!writeWithBackup(path, mdl_EncodeProject(*d))) {
    const int writeError = errno;
    std::memcpy(d->FirstModule->Name, oldName, 12);
    showFileMessage(50037, path, reasonText(writeError, "the file is read-only or not a plain file"));
    return 0;
  }
  ProjectPath = path;
  return 1;
}

int mdl_SaveProjectFile(int saveAs) {
  DocumentRecord* d = CurrentDocument;
  if (!d || !d->FirstModule || !firstLogicOf(d->FirstModule)) return 1;
  if (saveAs) {
    std::string path = ProjectPath;
    const std::uint16_t savedCommand = FileCommandCode;
    FileCommandCode = 207;
    const bool chosen = gem_FileSelect(path, ".MDL");
    FileCommandCode = savedCommand;
    if (!chosen) return 0;
    return mdl_SaveProjectAs(path);
  }
  std::string path = ProjectPath;
  if (path.empty()) path = fieldText(d->FirstModule->Name, 12);
  if (path.empty()) return mdl_SaveProjectFile(1);
  if (plat::path::extension(path).empty()) path += ".MDL";
  return mdl_SaveProjectAs(path);
}

} // namespace modelfiles
