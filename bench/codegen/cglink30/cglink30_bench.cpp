// Compiles a generated target program text of 200,000 lines and prints the
// lines per second of the whole run beside the scanner-only pass and a raw
// read of the same file, measured in the same run, with the ratios (medians of
// several runs after a warm-up). The whole run goes the shipped road: the
// description reader library and the message-conversion library loaded by
// name, a description file written for the run, the listing and the download
// file written; the settings library held by the bench as the code
// generator's caller holds it. The same run over an in-process fake reader is
// printed too, to tell the reader's share, and the cost of binding and
// releasing the libraries alone. Each pass finds the listing of an earlier pass
// on the disk, as a compile finds that of the one before. Never fails.
//
//   cglink30_bench [runs] [lines]   (default 5 runs of 200,000 lines; fewer
//                                    lines for a run under a profiler)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <algorithm>
#include <cstdlib>

#include "driver.h"
#include "scanner.h"
#ifdef ZERLO_BIN_DIR
#include "ddfreader/ddf_writer.h"
#include "library_binder.h"
#include "platform/library.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A large Intel target: 16 MiB of program memory, 15 tasks.
class BenchTarget : public cg::DdfApi {
public:
  int getTargetAddressFormat(uint8_t* f) override {
    *f = 4;
    return 1;
  }
  int getMVLAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = 0x100000;
    *s = 0x1000000;
    return 1;
  }
  int getMVLTableAddressAndSize(uint32_t* a, uint16_t* c) override {
    *a = 0x200;
    *c = 15;
    return 1;
  }
  int getMVLStructInfoAddressAndSize(uint32_t* a, uint32_t* s) override {
    *a = 0x2000000;
    *s = 0x1000000;
    return 1;
  }
  int getModulAddress(const char* name, uint32_t* a) override {
    *a = 0x10 + static_cast<uint32_t>(static_cast<unsigned char>(name[0]));
    return 0;
  }
  int getVarSizeAndAddress(cg::DdfVarQuery* q) override {
    uint32_t base = q->area[0] == 'P' ? 0x50000 : 0x40000;
    if (static_cast<uint32_t>(q->index) >= 10000) return 0;
    q->address = base + static_cast<uint32_t>(q->index) * 2;
    q->size = 2;
    return 1;
  }
  int convertStringToBin(MC01_VariableRef* ref, const char* value) override {
    long v = std::strtol(value, nullptr, 10);
    std::memcpy(ref->buffer, &v, ref->size < sizeof v ? ref->size : sizeof v);
    return 1;
  }
  int convertLongToBin(uint32_t v, unsigned char* o, int) override { return put(&v, o); }
  int convertWordToBin(uint16_t v, unsigned char* o, int) override {
    std::memcpy(o, &v, 2);
    return 1;
  }
  int convertFloatToBin(float v, unsigned char* o, int) override { return put(&v, o); }
  int convertAddressToBin(uint32_t v, unsigned char* o, int) override { return put(&v, o); }

private:
  static int put(const void* v, unsigned char* o) {
    std::memcpy(o, v, 4);
    return 1;
  }
};

class BenchBinder : public cg::Binder {
public:
  int bindSettings() override { return 0; }
  int bindReader(const std::string&) override { return 0; }
  cg::DdfApi* reader() override { return &target_; }
  void releaseReader() override {}
  void releaseSettings() override {}

private:
  BenchTarget target_;
};

// About 200,000 lines in the main program's style: 15 tasks of calls with
// labelled operands, marks, jumps and definitions.
std::string generate(size_t wantLines, size_t& lines) {
  std::string s;
  lines = 0;
  auto line = [&](const std::string& l) {
    s += l;
    s += '\n';
    ++lines;
  };
  const size_t perTask = wantLines / 15;
  int label = 0;
  for (int task = 1; task <= 15; ++task) {
    size_t start = lines;
    line(";");
    line("&BEG");
    line(" T_ms  : " + std::to_string(10 * task));
    line(" Li_Nr : " + std::to_string(task) + " ;$Sequence" + std::to_string(task));
    while (lines - start < perTask - 3) {
      ++label;
      line("          &JPZ");
      line("             : %LAB" + std::to_string(label));
      line("             : PW" + std::to_string(label % 5000));
      for (int n = 1; n <= 4; ++n) {
        line("          &AWW");
        line("             : PW50");
        line("        Z" + std::to_string(n) + "   : DW" + std::to_string((label * 4 + n) % 9000));
        line("        K" + std::to_string(n) + "   : " + std::to_string(label * n) + " ;constant");
      }
      line("%LAB" + std::to_string(label));
      line("#DW" + std::to_string(label % 9000) + " = " + std::to_string(label));
    }
    line(";");
    line("&END");
    line(" Li_Nr : " + std::to_string(task) + " ;$Sequence" + std::to_string(task));
  }
  return s;
}

template <class F> double seconds(F f) {
  auto t0 = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void writeText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// Writes a pass's listing to the disk, untimed: otherwise the next pass's
// flush of its download file may wait for another pass's 22 MB.
void settle(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  (void)::fdatasync(fd);
  ::close(fd);
}

#ifdef ZERLO_BIN_DIR
// The description of the generated program's target for the real reader: the
// layout of BenchTarget (16 MiB of program memory, 15 tasks, DW and PW).
ddfw::Description benchDescription() {
  ddfw::Description d = ddfw::fixture4Byte(2);
  d.progMemAddr = 0x100000;
  d.progMemSize = 0x1000000 / 4;  // the reader reports size x address format
  d.progTableAddr = 0x200;
  d.progTableCount = 15;
  d.structInfoAddr = 0x2000000;
  d.structInfoSize = 0x1000000;
  d.modules = {{"BEG", 0x10}, {"END", 0x14}, {"AWW", 0x20}, {"JPZ", 0x24}};
  d.areas = {{"DW", 0x40000, 0x40000, 10000, 2, 0}, {"PW", 0x50000, 0x50000, 10000, 2, 0}};
  d.segmented.clear();
  return d;
}

// A program directory of the run's own: links to the built settings, reader
// and converter libraries and an OBEL.INI naming the converter. False when
// the libraries are not built.
bool shippedLibraries(const std::string& bin) {
  namespace fs = std::filesystem;
  fs::create_directories(bin);
  for (const char* f : {"ObelTool.so", "DdfReader.so", "MSGCONVLE.so"}) {
    std::string from = std::string(ZERLO_BIN_DIR) + "/" + f;
    if (!fs::exists(from)) return false;
    std::error_code ec;
    fs::create_symlink(from, bin + "/" + f, ec);
  }
  writeText(bin + "/OBEL.INI", "[SYSTEM]\nLANGUAGE=2\n[LANGUAGES]\n2=ENGLISH\n[msgconv]\ndefault=2\n2=MSGCONVLE.DLL\n");
  // The reader binds the settings library on its own and takes the program
  // directory from this variable.
  ::setenv("ZERLO_DDFREADER_BINDIR", bin.c_str(), 1);
  return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 5);
  std::string dir = (fs::temp_directory_path() / ("cglink30_bench-" + std::to_string(::getpid()))).string();
  fs::create_directories(dir);
  size_t lines = 0;
  const size_t wantLines = argc > 2 ? static_cast<size_t>(std::max(1000, std::atoi(argv[2]))) : 200000;
  std::string text = generate(wantLines, lines);
  std::string src = dir + "/prog.zcd";
  writeText(src, text);
#ifdef ZERLO_BIN_DIR
  const bool shipped = shippedLibraries(dir + "/bin") && ddfw::writeFile(dir + "/t.ddf", benchDescription());
  // The caller of the code generator (the target dialogs library) keeps its
  // own binding of the settings library while it lives: a compile finds that
  // library loaded. The bench holds it the same way.
  plat::lib::Handle host = shipped ? plat::lib::load(dir + "/bin/ObelTool.so") : nullptr;
#else
  const bool shipped = false;
#endif

  size_t bytes = 0, tokens = 0;
  auto rawRead = [&] {
    bytes = 0;
    std::FILE* f = std::fopen(src.c_str(), "rb");
    std::vector<char> buf(1 << 16);
    size_t n;
    while (f && (n = std::fread(buf.data(), 1, buf.size(), f)) > 0) bytes += n;
    if (f) std::fclose(f);
  };
  auto scannerOnly = [&] {
    tokens = 0;
    cg::TextSource texts;
    cg::Messages msgs(texts, nullptr);
    cg::Scanner sc(msgs);
    sc.open(src);
    cg::Token t;
    while (sc.next(t) != cg::T_EOF) ++tokens;
  };
  // The scanner-only pass with a listing of the shipped road's size written
  // through one buffered stream: the peer the goal names.
  size_t listingSize = 0;
  auto scannerAndListing = [&] {
    scannerOnly();
    // Written over the earlier pass's file in place and cut to length, as
    // the listing is.
    const int fd = ::open((dir + "/peer.lst").c_str(), O_WRONLY | O_CREAT, 0666);
    std::FILE* f = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!f) {
      if (fd >= 0) ::close(fd);
      return;
    }
    std::vector<char> chunk(1 << 16);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = text[i % text.size()];
    for (size_t left = listingSize; left > 0;) {
      const size_t n = std::min(left, chunk.size());
      std::fwrite(chunk.data(), 1, n, f);
      left -= n;
    }
    std::fflush(f);
    (void)::ftruncate(fd, static_cast<off_t>(listingSize));
    std::fclose(f);
  };
  std::vector<std::string> args = {"cglink30.so", src, dir + "/prog.lst", dir + "/t.ddf", dir + "/prog.mvl",
                                   dir + "/prog.err"};
  std::vector<char*> cargv;
  for (auto& a : args) cargv.push_back(a.data());
  CgAdvResult res{}, fakeRes{};
  int ok = 0, fakeOk = 0;
  auto compile = [&](cg::Binder& binder, CgAdvResult& r, int& result) {
    cg::RunOptions o;
    o.binder = &binder;
    o.box = [](const std::string& t, const std::string&, unsigned) { std::fprintf(stderr, "%s\n", t.c_str()); };
    result = cg::runCompile(static_cast<int>(cargv.size()), cargv.data(), &r, o);
  };
  auto shippedRun = [&] {
#ifdef ZERLO_BIN_DIR
    auto binder = cg::makeLibraryBinder({dir + "/bin", dir + "/bin"});
    compile(*binder, res, ok);
#endif
  };
  // The libraries alone: bound (with the description opened) and released.
  std::vector<double> bindTimes, releaseTimes;
  auto bindAndRelease = [&] {
#ifdef ZERLO_BIN_DIR
    auto binder = cg::makeLibraryBinder({dir + "/bin", dir + "/bin"});
    const auto t0 = Clock::now();
    binder->bindSettings();
    binder->bindReader(args[3]);
    const auto t1 = Clock::now();
    binder->releaseReader();
    binder->releaseSettings();
    bindTimes.push_back(std::chrono::duration<double>(t1 - t0).count());
    releaseTimes.push_back(std::chrono::duration<double>(Clock::now() - t1).count());
#endif
  };
  auto fakeRun = [&] {
    BenchBinder binder;
    compile(binder, fakeRes, fakeOk);
  };

  // Warm-up, then the runs.
  rawRead();
  scannerOnly();
  if (shipped) {
    shippedRun();
    std::error_code ec;
    listingSize = static_cast<size_t>(fs::file_size(args[2], ec));
    scannerAndListing();
  }
  fakeRun();
  std::vector<double> raw, scan, full, fake, peer;
  size_t listingBytes = 0;
  for (int r = 0; r < runs; ++r) {
    raw.push_back(seconds(rawRead));
    scan.push_back(seconds(scannerOnly));
    if (shipped) {
      peer.push_back(seconds(scannerAndListing));
      settle(dir + "/peer.lst");
      full.push_back(seconds(shippedRun));
      settle(args[2]);
      std::error_code ec;
      listingBytes = static_cast<size_t>(fs::file_size(args[2], ec));
      if (std::getenv("CGLINK30_BENCH_KEEP")) {
        fs::copy_file(args[2], dir + "/shipped.lst", fs::copy_options::overwrite_existing, ec);
        fs::copy_file(args[4], dir + "/shipped.mvl", fs::copy_options::overwrite_existing, ec);
      }
    }
    fake.push_back(seconds(fakeRun));
    settle(args[2]);
    if (shipped) bindAndRelease();
  }
  const double n = static_cast<double>(lines);
  std::printf("cglink30 benchmark: %zu lines, %zu bytes, %zu tokens; medians of %d runs after a warm-up\n", lines,
              bytes, tokens, runs);
  std::printf("  raw read              %8.2f M lines/s  (%.4f s)\n", n / median(raw) / 1e6, median(raw));
  std::printf("  scanner only          %8.2f M lines/s  (%.4f s)\n", n / median(scan) / 1e6, median(scan));
  if (shipped) {
    std::printf("  shipped road          %8.2f M lines/s  (%.4f s)  result %d, %u errors, %u warnings, memory %.1f%%, "
                "listing %.1f MB\n",
                n / median(full) / 1e6, median(full), ok, res.errors, res.warnings, res.memoryUse, listingBytes / 1e6);
  } else {
    std::printf("  shipped road: the reader, settings or converter library is not built; skipped\n");
  }
  std::printf("  fake reader           %8.2f M lines/s  (%.4f s)  result %d\n", n / median(fake) / 1e6, median(fake),
              fakeOk);
  if (shipped) {
    std::printf("  scanner + listing     %8.2f M lines/s  (%.4f s)  listing %.1f MB written\n", n / median(peer) / 1e6,
                median(peer), listingSize / 1e6);
    std::printf("  shipped road / (scanner + listing written) %.3f (goal >= 0.3), %.2f M lines/s (goal >= 3)\n",
                median(peer) / median(full), n / median(full) / 1e6);
    std::printf("  shipped road / scanner only %.3f\n", median(scan) / median(full));
    std::printf("  libraries of the shipped road: bound %.2f ms, released %.2f ms\n", median(bindTimes) * 1e3,
                median(releaseTimes) * 1e3);
  }
  std::printf("  fake reader / scanner only %.3f; scanner / raw read %.3f\n", median(scan) / median(fake),
              median(raw) / median(scan));
  // CGLINK30_BENCH_KEEP=<dir>: the run's files are left there (to compare
  // the outputs of two builds).
  if (const char* keep = std::getenv("CGLINK30_BENCH_KEEP"); keep && *keep) {
    std::error_code ec;
    fs::remove_all(keep, ec);
    fs::rename(dir, keep, ec);
  }
#ifdef ZERLO_BIN_DIR
  if (host) plat::lib::unload(host);
#endif
  fs::remove_all(dir);
  return 0;
}
