// Speed of the target text writer: the whole text of a 5,000-gate project
// (word blocks in 50 macros, every fifth a "$" task, every tenth a parallel
// sequence) beside a plain formatted write of the same number of lines, and
// the ratio. Prints figures; never fails.
#include "fixture_document.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

std::size_t lines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

} // namespace

int main() {
  const std::string dir =
      (std::filesystem::temp_directory_path() / ("zcd_bench_" + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(dir);
  double writer = 0, plain = 0;
  std::size_t n = 0;
  int gates = 0;
  {
    zcdtest::FixtureDocument d(ZCD_FIXTURE_DIR);
    if (!d.ok) {
      std::printf("zcdwriter_bench: fixture libraries: %s\n", d.error.c_str());
      return 0;
    }
    zcd::writerEnvironment().mainPath = [&] { return dir + "/BENCH.ZCD"; };
    zcd::writerEnvironment().tempDir = [&] { return dir + "/"; };
    static const char* kTypes[] = {"CNT", "GAIN", "ADD"};
    for (int m = 0; m < 50; ++m) {
      char name[17];
      std::snprintf(name, sizeof name, "%sM%d", m % 5 == 0 ? "$" : "", m);
      model::LogicRecord* sub = model::ge_NewLogic(name);
      if (m % 10 == 1) d.block(sub, "STEP"), ++gates;
      for (int k = 0; k < 99 - (m % 10 == 1); ++k, ++gates)
        d.block(sub, kTypes[k % 3], {double(20 + k), 1, double(150 + k), double(150 + k)});
      d.macro(d.main, sub, 10);
      ++gates;
    }
    d.doc->LevelInstances[1] = d.main->FirstInstance;
    std::string why;
    const auto t0 = Clock::now();
    const int runs = 5;
    for (int r = 0; r < runs; ++r) zcd::zcd_WriteProgram(*d.doc, &why);
    writer = seconds(t0) / runs;
    n = lines(zcdtest::readFile(dir + "/BENCH.ZCD"));
  }
  // The same number of lines, formatted and written plainly.
  const auto t1 = Clock::now();
  const int runs = 5;
  for (int r = 0; r < runs; ++r) {
    std::FILE* f = std::fopen((dir + "/PLAIN.ZCD").c_str(), "w");
    if (!f) break;
    for (std::size_t k = 0; k < n; ++k) std::fprintf(f, "  %-6s : DW%zu\n", "", k);
    std::fclose(f);
  }
  plain = seconds(t1) / runs;
  std::filesystem::remove_all(dir);
  std::printf("zcdwriter: %d gates, %zu lines: writer %.3f ms, plain write %.3f ms, ratio %.1f\n", gates, n,
              writer * 1e3, plain * 1e3, plain > 0 ? writer / plain : 0.0);
  return 0;
}
