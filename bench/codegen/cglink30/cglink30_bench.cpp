// Compiles a generated target program text of 200,000 lines and prints the
// lines per second of the whole run beside a lexer-only pass and a raw read
// of the same file, measured in the same run, with the ratios. Never fails.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "driver.h"
#include "scanner.h"

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

}  // namespace

int main() {
  namespace fs = std::filesystem;
  std::string dir = (fs::temp_directory_path() / ("cglink30_bench-" + std::to_string(::getpid()))).string();
  fs::create_directories(dir);
  size_t lines = 0;
  std::string text = generate(200000, lines);
  std::string src = dir + "/prog.zcd";
  {
    std::FILE* f = std::fopen(src.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }

  // Raw read of the same file.
  size_t bytes = 0;
  double raw = seconds([&] {
    std::FILE* f = std::fopen(src.c_str(), "rb");
    std::vector<char> buf(1 << 16);
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) bytes += n;
    std::fclose(f);
  });

  // Lexer only.
  size_t tokens = 0;
  double lex = seconds([&] {
    cg::TextSource texts;
    cg::Messages msgs(texts, nullptr);
    cg::Scanner sc(msgs);
    sc.open(src);
    cg::Token t;
    while (sc.next(t) != cg::T_EOF) ++tokens;
  });

  // The whole run: preliminary file, parse, placement, listing, download file.
  BenchBinder binder;
  CgAdvResult res{};
  int ok = 0;
  std::vector<std::string> args = {"cglink30.so", src, dir + "/prog.lst", dir + "/t.ddf", dir + "/prog.mvl",
                                   dir + "/prog.err"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  double full = seconds([&] {
    cg::RunOptions o;
    o.binder = &binder;
    o.box = [](const std::string& t, const std::string&, unsigned) { std::fprintf(stderr, "%s\n", t.c_str()); };
    ok = cg::runCompile(static_cast<int>(argv.size()), argv.data(), &res, o);
  });

  std::printf("cglink30 benchmark: %zu lines, %zu bytes, %zu tokens\n", lines, bytes, tokens);
  std::printf("  raw read     %12.0f lines/s  (%.4f s)\n", lines / raw, raw);
  std::printf("  lexer only   %12.0f lines/s  (%.4f s)\n", lines / lex, lex);
  std::printf("  full compile %12.0f lines/s  (%.4f s)  result %d, %u errors, %u warnings, memory %.1f%%\n",
              lines / full, full, ok, res.errors, res.warnings, res.memoryUse);
  std::printf("  ratio compile/lexer %.2f, compile/raw read %.2f, lexer/raw read %.2f (time ratios)\n",
              full / lex, full / raw, lex / raw);
  fs::remove_all(dir);
  return 0;
}
