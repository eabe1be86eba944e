#include "modelfiles/filelayer.h"

#include "modelfiles/messages.h"
#include "platform/paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modelfiles {

namespace {
FileServices g_defaultServices;
FileServices* g_services = nullptr;
std::atomic<int> g_open{0};

bool isSep(char c) { return c == '/' || c == '\\'; }

// Replaces the chosen-name placeholder "$$$$$$$$." (to the end) by the name
// the dialog remembered, when it fits.
std::string replacePlaceholder(std::string name) {
  const auto at = name.find("$$$$$$$$.");
  if (at == std::string::npos) return name;
  const std::string real = fileServices().rememberedName();
  if (real.empty() || real.size() >= 261 - at) return name;
  return name.substr(0, at) + real;
}

FileHandle toHandle(int fd) {
  if (fd < 0) return -1;
  if (fd > 32767 || fd < 1) { ::close(fd); return -1; }
  ++g_open;
  return FileHandle(fd);
}

int openRw(const std::string& p, bool create) {
  int fd = ::open(p.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  if (fd < 0 && !create) fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}
} // namespace

std::uint16_t FileCommandCode = 0;

bool FileServices::fileDialog(FileDialog, const std::string&, std::string&) { return false; }
std::string FileServices::tempDir() {
  const char* t = std::getenv("TMPDIR");
  return t && *t ? std::string(t) : std::string("/tmp");
}

FileServices& fileServices() { return g_services ? *g_services : g_defaultServices; }
FileServices* setFileServices(FileServices* s) {
  FileServices* prev = g_services;
  g_services = s;
  return prev;
}

std::size_t gem_LastSlash(std::string_view path, std::size_t size) {
  std::size_t after = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (isSep(path[i])) after = i + 1;
  if (after == 0 || size < after + 17) return 0;
  return after;
}

std::string gem_JoinPath(std::string_view path, std::string_view name) {
  std::size_t after = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (isSep(path[i])) after = i + 1;
  std::string out(path.substr(0, after));
  out += name.substr(0, 16);
  return out;
}

std::string gem_CurrentDir(std::string_view path) {
  std::string out(path);
  if (out.empty() || !isSep(out.back())) out += '/';
  return out;
}

FileDialog gem_DialogFor(std::string_view kind, std::uint16_t command) {
  auto at = [&](std::size_t i) { return i < kind.size() ? kind[i] : '\0'; };
  if (command == 207) return FileDialog::AnswerPendingOpenB;
  if (command == 288) return FileDialog::AnswerNoneC;
  if (command == 287) return FileDialog::AnswerNoneD;
  if (at(1) == 'P') return FileDialog::AnswerNoneA;
  if (at(1) == 'V') return FileDialog::AnswerNoneB;
  if (at(2) == 'P') return FileDialog::AnswerNoneC;
  if (at(3) == 'L') return FileDialog::AnswerPendingOpen;
  if (at(1) == 'M') return FileDialog::AskOpenPreset;
  return FileDialog::OpenWithDirList;
}

bool gem_FileSelect(std::string& path, std::string_view kind) {
  std::size_t after = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (isSep(path[i])) after = i + 1;
  const std::string dir = path.substr(0, after);
  const std::string pattern = dir + "*" + std::string(kind);
  const FileDialog service = gem_DialogFor(kind, FileCommandCode);
  std::string chosen;
  bool answered = false;
  switch (service) {
  case FileDialog::AnswerNoneA: case FileDialog::AnswerNoneB:
  case FileDialog::AnswerNoneC: case FileDialog::AnswerNoneD:
    answered = false;
    break;
  default:
    answered = fileServices().fileDialog(service, pattern, chosen);
  }
  if (!answered || chosen.empty()) {
    path = pattern;
    return false;
  }
  bool full = plat::path::isAbsolute(chosen);
  for (char c : chosen) full |= isSep(c);
  path = full ? chosen : dir + chosen;
  return true;
}

FileHandle gem_OpenSelected(std::string& path, std::string_view kind) {
  if (!gem_FileSelect(path, kind)) return -1;
  gem_Fdelete(path);
  FileHandle h = 0;
  return gem_OpenOrCreate(path, h);
}

static std::string placeTemp(const std::string& name, bool anySeparator) {
  std::string n = plat::path::normalize(name);
  if (n.empty()) return n;
  bool sep = false;
  for (char c : name) sep |= isSep(c);
  if (plat::path::isAbsolute(n) || n[0] == '.') return n;
  if (anySeparator && sep) return n;
  return plat::path::join(fileServices().tempDir(), n);
}

FileHandle gem_OpenOrCreate(std::string& name, FileHandle& handle) {
  if (handle >= 1) gem_Fclose(handle);
  handle = -1;
  std::string p = replacePlaceholder(placeTemp(name, true));
  p = plat::path::resolveForWrite(p);
  handle = toHandle(openRw(p, true));
  if (handle >= 1) name = p.substr(0, 250);
  return handle;
}

static FileHandle openExisting(std::string& name, FileHandle& handle, bool mark) {
  if (handle >= 1) gem_Fclose(handle);
  handle = -1;
  std::string p = replacePlaceholder(placeTemp(name, true));
  std::string found = plat::path::resolveExisting(p);
  struct stat st {};
  if (found.empty() || ::stat(found.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 1) {
    if (mark) {
      FileHandle h = 0;
      std::string q = p;
      gem_OpenOrCreate(q, h);
      gem_Fclose(h);
    }
    return -1;
  }
  handle = toHandle(openRw(found, false));
  if (handle >= 1) name = found.substr(0, 250);
  return handle;
}

FileHandle gem_OpenExisting(std::string& name, FileHandle& handle) { return openExisting(name, handle, false); }
FileHandle gem_OpenExistingOrMark(std::string& name, FileHandle& handle) { return openExisting(name, handle, true); }

FileHandle gem_Create(const std::string& path) {
  const std::string p = plat::path::resolveForWrite(plat::path::normalize(path));
  return toHandle(::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
}

void gem_Fclose(FileHandle handle) {
  if (handle < 1) return;
  if (::close(handle) == 0) --g_open;
}

void gem_Fread(FileHandle handle, long& count, void* buffer) {
  long done = 0;
  auto* p = static_cast<char*>(buffer);
  while (handle >= 1 && done < count) {
    const ssize_t n = ::read(handle, p + done, std::size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += long(n);
  }
  count = done;
}

void gem_Fwrite(FileHandle handle, long& count, const void* buffer) {
  long done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (handle >= 1 && done < count) {
    const ssize_t n = ::write(handle, p + done, std::size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += long(n);
  }
  count = done;
}

void gem_Fdelete(std::string_view name) {
  const std::string p = plat::path::resolveExisting(plat::path::normalize(name));
  if (!p.empty()) ::unlink(p.c_str());
}

void gem_Fseek(long offset, FileHandle handle, int origin, long& position) {
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  const off_t r = handle >= 1 ? ::lseek(handle, offset, whence) : off_t(-1);
  position = long(r);
}

bool gem_SkipForward(FileHandle handle, long offset) {
  long pos = 0;
  gem_Fseek(offset, handle, 1, pos);
  return pos >= 0;
}

bool gem_ReadChecked(FileHandle handle, void* buffer, long count) {
  long n = count;
  gem_Fread(handle, n, buffer);
  return n == count;
}

bool gem_WriteChecked(FileHandle handle, const void* buffer, long count) {
  long n = count;
  gem_Fwrite(handle, n, buffer);
  if (n == count) return true;
  showMessage(50037);
  return false;
}

bool gem_Frename(std::string_view name) {
  const std::string p = plat::path::resolveExisting(plat::path::normalize(name));
  if (p.empty()) return false;
  const std::string backup = plat::path::withExtension(p, "MD~");
  ::unlink(backup.c_str());
  ::rename(p.c_str(), backup.c_str());
  return false;
}

bool gem_ReadRest(FileHandle handle, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
  out.clear();
  if (handle < 1) return false;
  struct stat st {};
  if (::fstat(handle, &st) == 0 && S_ISREG(st.st_mode)) {
    const off_t here = ::lseek(handle, 0, SEEK_CUR);
    if (here >= 0 && st.st_size >= here) {
      const std::size_t n = std::size_t(st.st_size - here);
      if (n > maxBytes) return false;
      out.resize(n);
      long got = long(n);
      gem_Fread(handle, got, out.data());
      out.resize(std::size_t(got));
      return std::size_t(got) == n;
    }
  }
  char buf[65536];
  for (;;) {
    long got = sizeof buf;
    gem_Fread(handle, got, buf);
    if (got <= 0) return true;
    if (out.size() + std::size_t(got) > maxBytes) return false;
    out.insert(out.end(), buf, buf + got);
  }
}

bool gem_ReadFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
  out.clear();
  std::string p = path;
  FileHandle h = 0;
  if (gem_OpenExisting(p, h) < 1) return false;
  const bool ok = gem_ReadRest(h, out, maxBytes);
  gem_Fclose(h);
  if (!ok) out.clear();
  return ok;
}

int gem_OpenCount() { return g_open.load(); }

} // namespace modelfiles
