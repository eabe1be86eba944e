#include "driver.h"

#include <cstdio>
#include <filesystem>
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

// Copies one source into the preliminary file. 0 or the message number of
// the failure (openFail, 40 write, readFail).
int copySource(std::FILE* out, const std::string& src, int openFail, int readFail) {
  std::FILE* in = openSource(src);
  if (!in) return openFail;
  std::string head = ";#f='" + src + "'\n";
  if (std::fwrite(head.data(), 1, head.size(), out) != head.size()) {
    std::fclose(in);
    return 40;
  }
  // Large pieces: the streams pass them to the system without copying.
  std::vector<char> buf(1 << 16);
  int failure = 0;
  for (;;) {
    size_t n = std::fread(buf.data(), 1, buf.size(), in);
    if (n > 0 && std::fwrite(buf.data(), 1, n, out) != n) {
      failure = 40;
      break;
    }
    if (n < buf.size()) {
      if (std::ferror(in)) failure = readFail;
      break;
    }
  }
  std::fclose(in);
  return failure;
}

// True when the file at path exists and is one of the sources (argv[1] and
// argv[6] on), matched as openSource finds them.
bool isSourceFile(const std::string& path, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (i >= 2 && i <= 5) continue;
    std::string src = plat::path::resolveExisting(argv[i]);
    if (src.empty()) continue;
    std::error_code ec;
    if (std::filesystem::equivalent(path, src, ec)) return true;
  }
  return false;
}

// True when two output paths name one file (also when neither exists yet).
bool sameOutput(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec1, ec2;
  const auto ca = std::filesystem::weakly_canonical(a, ec1);
  const auto cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && ca == cb;
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
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
      const auto& [out, number] = outputs[i];
      if (out.empty()) continue;
      bool clash = isSourceFile(out, argc, argv);
      // Two outputs on one file would overwrite or delete each other.
      for (std::size_t j = 0; j < i && !clash; ++j) clash = sameOutput(out, outputs[j].first);
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
    // names it.
    {
      std::FILE* out = std::fopen(prelim.c_str(), "wb");
      if (!out) {
        msgs.report(48, kNoLine, prelim);
        break;
      }
      int failure = copySource(out, argv[1], 31, 38);
      std::string failed = argv[1];
      if (!failure && std::fwrite("\n\n", 1, 2, out) != 2) failure = 40;
      for (int i = 6; i < argc && !failure; ++i) {
        failure = copySource(out, argv[i], 32, 39);
        failed = argv[i];
        if (!failure && std::fwrite("\n\n", 1, 2, out) != 2) failure = 40;
      }
      if (std::fclose(out) != 0 && !failure) failure = 40;
      if (failure) {
        msgs.report(failure, kNoLine, failure == 40 ? prelim : failed);
        break;
      }
    }
    // 7. Scanner.
    if (scanner.open(prelim) != 0) {
      msgs.report(34, kNoLine, prelim);
      break;
    }
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
    {
      std::error_code ec;
      const auto bytes = std::filesystem::file_size(prelim, ec);
      if (!ec) em.reserve(bytes);
    }
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
