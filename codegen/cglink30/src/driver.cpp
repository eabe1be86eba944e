#include "driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <mutex>
#include <utility>
#include <vector>

#include "dlf.h"
#include "emitter.h"
#include "listing.h"
#include "parser.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include "scanner.h"

namespace cg {
namespace {

std::mutex& runMutex() {
  static std::mutex m;
  return m;
}

// Opens an existing file for reading, matching the name ignoring case when
// the exact name does not exist.
std::FILE* openSource(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) return f;
  std::string found = plat::path::resolveExisting(path);
  if (found.empty()) return nullptr;
  return std::fopen(found.c_str(), "rb");
}

// Writes all of text to fd; false on any failure.
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The preliminary file's text as it is joined: grows without filling the
// room it takes beforehand (the sources are read straight into it).
class JoinedText {
public:
  std::string_view view() const { return {data_.get(), size_}; }
  size_t size() const { return size_; }
  void append(std::string_view s) {
    std::memcpy(room(s.size()), s.data(), s.size());
    size_ += s.size();
  }
  // At least n bytes of room behind the text.
  char* room(size_t n) {
    if (cap_ - size_ < n) {
      const size_t want = std::max(size_ + n, cap_ + cap_ / 2);
      std::unique_ptr<char[]> bigger(new char[want]);
      if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
      data_ = std::move(bigger);
      cap_ = want;
    }
    return data_.get() + size_;
  }
  size_t spare() const { return cap_ - size_; }
  void grew(size_t n) { size_ += n; }

private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, cap_ = 0;
};

// Appends one source to the preliminary text (the line that names it, then
// its bytes) and writes that piece to the preliminary file. 0 or the message
// number of the failure (openFail, 40 write, readFail).
int joinSource(JoinedText& text, int out, const std::string& src, int openFail, int readFail) {
  std::FILE* in = openSource(src);
  if (!in) return openFail;
  const int fd = ::fileno(in);
  const size_t begin = text.size();
  text.append(";#f='");
  text.append(src);
  text.append("'\n");
  struct stat st {};
  // Room for the whole source and the two line breaks behind it.
  text.room(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 3 : size_t(1) << 16);
  int failure = 0;
  for (;;) {
    if (text.spare() == 0) text.room(size_t(1) << 16);
    const ssize_t n = ::read(fd, text.room(0), text.spare());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failure = readFail;
    if (n <= 0) break;
    text.grew(static_cast<size_t>(n));
  }
  std::fclose(in);
  if (!failure && !writeAll(out, text.view().substr(begin))) failure = 40;
  return failure;
}

// The files of the sources (argv[1] and argv[6] on) as openSource finds
// them, by device and file number; sources that do not exist are left out.
std::vector<std::pair<dev_t, ino_t>> sourceFiles(int argc, char** argv) {
  std::vector<std::pair<dev_t, ino_t>> ids;
  for (int i = 1; i < argc; ++i) {
    if (i >= 2 && i <= 5) continue;
    const std::string src = plat::path::resolveExisting(argv[i]);
    struct stat st {};
    if (!src.empty() && ::stat(src.c_str(), &st) == 0) ids.emplace_back(st.st_dev, st.st_ino);
  }
  return ids;
}

// True when the file at path exists and is one of the sources.
bool isSourceFile(const std::string& path, const std::vector<std::pair<dev_t, ino_t>>& sources) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  for (const auto& [dev, ino] : sources)
    if (st.st_dev == dev && st.st_ino == ino) return true;
  return false;
}

}  // namespace

std::string preliminaryPath(const std::string& downloadPath) {
  size_t sep = downloadPath.find_last_of("\\/:");
  size_t dot = downloadPath.find_last_of('.');
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
    return downloadPath.substr(0, dot + 1) + "TZC";
  return downloadPath + ".TZC";
}

int runCompile(int argc, char** argv, CgAdvResult* result, const RunOptions& options) {
  std::lock_guard<std::mutex> lock(runMutex());
  Binder* binder = options.binder;
  TextSource texts;
  if (binder) texts.setOverride([binder](int id, std::string& out) { return binder->resourceText(id, out); });
  Messages::BoxFn box = options.box;
  if (!box)
    box = [](const std::string& text, const std::string& caption, unsigned style) {
      plat::ui::messageBox(text, caption, style);
    };
  Messages msgs(texts, box);

  // 1. Paths.
  std::string prelim, download, msgFile;
  if (argc > 4 && argv) {
    download = argv[4] ? argv[4] : "";
    prelim = preliminaryPath(download);
    if (argc > 5 && argv[5]) msgFile = argv[5];
  }
  bool argumentsComplete = argc > 4 && argv;
  for (int i = 0; argumentsComplete && i < argc; ++i) argumentsComplete = argv[i] != nullptr;
  // 2. A fresh message store; the message file of an earlier run goes, unless
  // it or another output is one of the sources: then nothing is touched.
  msgs.reset();
  if (argumentsComplete) {
    const std::pair<std::string, int> outputs[] = {{msgFile, 57}, {argv[2], 49}, {download, 57}, {prelim, 48}};
    const auto sources = sourceFiles(argc, argv);
    // Each output's path made whole (also when the file does not exist yet),
    // once; empty when it is not given or cannot be made.
    std::filesystem::path whole[std::size(outputs)];
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
      std::error_code ec;
      if (!outputs[i].first.empty()) whole[i] = std::filesystem::weakly_canonical(outputs[i].first, ec);
      if (ec) whole[i].clear();
    }
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
      const auto& [out, number] = outputs[i];
      if (out.empty()) continue;
      bool clash = isSourceFile(out, sources);
      // Two outputs on one file would overwrite or delete each other.
      for (std::size_t j = 0; j < i && !clash; ++j) clash = !whole[i].empty() && whole[i] == whole[j];
      if (clash) {
        msgs.report(number, kNoLine, out);
        return 0;
      }
    }
  }
  if (!msgFile.empty()) std::remove(msgFile.c_str());
  // 3. Arguments.
  if (!argumentsComplete) {
    msgs.report(47, kNoLine);
    return 0;
  }

  enum : unsigned { F_SETTINGS = 1, F_READER = 2, F_SCANNER = 4, F_LISTING = 8 };
  unsigned flags = 0;
  int ok = 0;
  bool downloadWritten = false;
  Listing listing(texts);
  JoinedText joined;  // the preliminary file's text, which the scanner reads
  Scanner scanner(msgs);
  std::string sourceName;

  do {
    if (!binder) {
      msgs.report(41, kNoLine, "OBELTOOL.DLL");
      break;
    }
    // 4. Settings library.
    int s = binder->bindSettings();
    if (s == 0) {
      flags |= F_SETTINGS;
    } else if (s != -1) {
      msgs.report(s == 1 ? 42 : s == 3 ? 59 : 41, kNoLine, "OBELTOOL.DLL");
      binder->releaseSettings();
      break;
    }
    // 5. Reader and device description.
    int r = binder->bindReader(argv[3]);
    if (r != 0 || !binder->reader()) {
      msgs.report(r == 3 ? 45 : r == 2 ? 43 : 44, kNoLine, "DDFREADER.DLL");
      binder->releaseReader();
      break;
    }
    flags |= F_READER;

    // 6. The preliminary file: every source joined, each behind a line that
    // names it. The joined text is kept: the scanner reads it from memory
    // rather than reading the file back.
    {
      const int out = ::open(prelim.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out < 0) {
        msgs.report(48, kNoLine, prelim);
        break;
      }
      int failure = joinSource(joined, out, argv[1], 31, 38);
      std::string failed = argv[1];
      if (!failure && !writeAll(out, "\n\n")) failure = 40;
      if (!failure) joined.append("\n\n");
      for (int i = 6; i < argc && !failure; ++i) {
        failure = joinSource(joined, out, argv[i], 32, 39);
        failed = argv[i];
        if (!failure && !writeAll(out, "\n\n")) failure = 40;
        if (!failure) joined.append("\n\n");
      }
      if (::close(out) != 0 && !failure) failure = 40;
      if (failure) {
        msgs.report(failure, kNoLine, failure == 40 ? prelim : failed);
        break;
      }
    }
    // 7. Scanner, on the preliminary file's text.
    scanner.openMemory(joined.view(), prelim);
    flags |= F_SCANNER;
    // 8. Listing.
    if (!listing.open(argv[2])) {
      msgs.report(49, kNoLine, argv[2]);
      break;
    }
    flags |= F_LISTING;
    {
      std::vector<std::string> args(argv, argv + argc);
      listing.writeHeader(args, prelim);
    }
    scanner.onSwitch([&](const std::string& previous, const std::string& next) {
      msgs.appendToFile(msgFile, previous);
      listing.sourceHeader(next);
    });
    // 9. Tables.
    Emitter em(*binder->reader(), msgs, listing);
    em.prepare();
    em.reserve(joined.size());
    // 10. Parse.
    Parser parser(scanner, em, msgs);
    parser.parse();
    sourceName = scanner.sourceName();
    // 11. Messages so far.
    msgs.appendToFile(msgFile, sourceName);
    // 12. Output pass.
    if (msgs.errors() == 0) downloadWritten = writeDownload(em, download);
    // 13. Messages of the output pass.
    msgs.appendToFile(msgFile, sourceName);
    // 14. Result record.
    if (result) {
      result->errors = msgs.errors();
      result->warnings = msgs.warnings();
      result->memoryUse = em.memoryShare();
    }
    ok = msgs.errors() == 0 ? 1 : 0;
  } while (false);

  // 16. Clean-up by the flags.
  if (flags & F_LISTING) listing.close();
  if (flags & F_SCANNER) scanner.close();
  if (flags & F_READER) binder->releaseReader();
  if (flags & F_SETTINGS) binder->releaseSettings();
  std::remove(prelim.c_str());
  // A run that failed leaves no download file behind (not even one of an
  // earlier run), so that no stale program can be downloaded.
  if (!ok || !downloadWritten) {
    std::remove(download.c_str());
    ok = 0;
  }
  msgs.reset();
  return ok;
}

}  // namespace cg
