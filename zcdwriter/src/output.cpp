// The main text, its task frames, the module files of the parallel sequences,
// and the seam through which the extern functions write into them.
#include "internal.h"

#include "engine/externs.h"
#include "engine/services.h"
#include "modelfiles/operands.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zcd {
namespace detail {

WriterState& state() {
  static WriterState s;
  return s;
}

std::string format(const char* f, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, f);
  std::vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}

void writeMain(const std::string& text) {
  WriterState& s = state();
  if (!s.main) return;
  if (!s.tasks.empty()) s.tasks.back().text += text;
  else std::fputs(text.c_str(), s.main);
}

void beginTask() {
  if (state().main) state().tasks.emplace_back();
}

void endTask() {
  WriterState& s = state();
  if (s.tasks.empty()) return;
  TaskFrame done = std::move(s.tasks.back());
  s.tasks.pop_back();
  std::string text = done.text + done.deferred;
  if (!s.tasks.empty()) s.tasks.back().deferred += text;
  else s.deferredTop += text;
}

void flushTopTasks() {
  WriterState& s = state();
  // Frames left open by a broken pass still end up in the text.
  while (!s.tasks.empty()) endTask();
  if (s.main) std::fputs(s.deferredTop.c_str(), s.main);
  s.deferredTop.clear();
}

std::string moduleFilePath(int n) {
  const WriterEnvironment& env = writerEnvironment();
  std::string dir = env.tempDir ? env.tempDir() : std::string();
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  return format("%sMODULE%d.DAT", dir.c_str(), n);
}

void mf_OpenModule(int n) {
  TargetModuleRecord* r = moduleRecord(n);
  if (!r) return;
  WriterState& s = state();
  s.sequence = std::uint16_t(n);
  if (r->stream) std::fclose(r->stream);
  r->stream = std::fopen(moduleFilePath(n).c_str(), "w+");
  if (!r->stream) {
    engine::engineServices().showMessage(50057);
    return;
  }
  auto byteBit = [](int b) { return format("%d.%d", b / 8, b % 8); };
  std::string head;
  head += "#M" + byteBit(r->bitBase + r->bitCount - 1) + "\n";
  head += format("#DW%d\n", r->trBase + r->wordCount - 1);
  head += format("#DW%d\n", r->cpsBase + r->bitCount - 1);
  head += format("#DW%d\n", r->cmsBase + r->bitCount - 1);
  head += "&ABS\n";
  head += format(":%d\n", r->wordCount);
  head += format(":%d\n", r->bitCount);
  head += "ST:M" + byteBit(r->bitBase) + "\n";
  head += format("TR:DW%d\nErr:DW%d\nCps:DW%d\nCms:DW%d\n", r->trBase, r->errWord, r->cpsBase, r->cmsBase);
  head += "Rev:M0.0\n";
  std::fputs(head.c_str(), r->stream);
}

void mf_CloseModule(int n) {
  TargetModuleRecord* r = moduleRecord(n);
  WriterState& s = state();
  if (r && r->stream) {
    std::fclose(r->stream);
    r->stream = nullptr;
    const std::string path = moduleFilePath(n);
    if (std::FILE* f = std::fopen(path.c_str(), "r")) {
      std::string text;
      char buf[4096];
      std::size_t got;
      while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
      std::fclose(f);
      writeMain(text);
    }
    std::remove(path.c_str());
  }
  s.sequence = s.sequenceGate && s.sequenceGate->SequenceLink ? s.sequenceGate->SequenceLink->SequenceNumber : 0;
}

// The writer as the extern functions see it.
class WriterSink : public engine::TargetTextSink {
public:
  bool mainOpen() const override { return state().main != nullptr; }
  void writeMain(const std::string& line) override { detail::writeMain(line); }
  std::string completePath(const std::string& name) override {
    if (!name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':'))) return name;
    const WriterEnvironment& env = writerEnvironment();
    std::string dir = env.tempDir ? env.tempDir() : std::string();
    if (!dir.empty() && dir.back() != '/') dir.push_back('/');
    return dir + name;
  }
  bool nextSequenceItem(bool bit, std::uint16_t& sequence, std::uint16_t& count) override {
    model::GateRecord* g = state().sequenceGate;
    if (!g) return false;   // top level: nothing counted
    std::uint16_t& c = bit ? g->BitCount : g->WordCount;
    ++c;
    sequence = g->SequenceNumber;
    count = c;
    return true;
  }
  bool sequenceBases(int sequence, int& bitBase, double& trBase) override {
    TargetModuleRecord* r = moduleRecord(sequence);
    if (!r) return false;
    bitBase = r->bitBase;
    trBase = r->trBase;
    return true;
  }
  void writeSequence(int sequence, const std::string& line) override {
    TargetModuleRecord* r = moduleRecord(sequence);
    if (!r) return;   // numbers outside 0..200 are ignored
    state().sequence = std::uint16_t(sequence);
    if (sequence == 0) detail::writeMain(line);
    else if (r->stream) std::fputs(line.c_str(), r->stream);
  }
};

WriterSink& sink() {
  static WriterSink s;
  return s;
}

void installSink() {
  modelfiles::ClearTargetModuleRecords = &pc_ClearModuleRecords;
  engine::setTargetTextSink(&sink());
}

} // namespace detail

using namespace detail;

WriterEnvironment& writerEnvironment() {
  static WriterEnvironment e;
  return e;
}

TargetModuleRecord* moduleRecord(int n) {
  return n >= 0 && n < kModuleRecords ? &state().records[n] : nullptr;
}

void pc_ClearModuleRecords() {
  WriterState& s = state();
  for (TargetModuleRecord& r : s.records) {
    if (r.stream && &r != &s.records[0]) std::fclose(r.stream);
    r = TargetModuleRecord{};
  }
  s.records[0].stream = s.main;
  s.sequenceGate = nullptr;
  s.sequence = 0;
  s.counter = 0;
}

std::uint16_t pc_CurrentSequence() { return state().sequence; }
std::uint16_t pc_SequenceCounter() { return state().counter; }
void pc_ClearTooManyFlag() { state().tooManyShown = false; }
std::uint16_t& pc_LabelCounter() { return state().labels; }

void co_OpenOutput() {
  WriterState& s = state();
  if (s.main) co_CloseOutput();
  s.sequenceGate = nullptr;
  s.sequence = 0;
  s.counter = 0;
  s.tasks.clear();
  s.deferredTop.clear();
  installSink();
  const WriterEnvironment& env = writerEnvironment();
  const std::string path = env.mainPath ? env.mainPath() : std::string();
  if (path.empty()) return;
  // Written beside its place and renamed into it when closed, so that a
  // broken run never leaves half a text under the real name.
  s.main = std::fopen((path + ".tmp").c_str(), "w+");
  s.records[0].stream = s.main;
  if (!s.main) return;
  s.mainPath = path;
  // The date in the "C" locale's form ("Thu Dec 10 17:17:31 2026").
  const std::time_t t = env.now ? env.now() : std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::string date = format("%s %s %2d %02d:%02d:%02d %d", days[tm.tm_wday % 7], months[tm.tm_mon % 12],
                                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
  // Both header lines are comments, so that the code generator accepts them.
  std::string heading = env.heading;
  if (!heading.empty() && heading[0] != ';') heading = ";" + heading;
  if (!heading.empty()) writeMain(heading + "\n");
  writeMain("; " + date + "\n\n\n");
}

void co_CloseOutput() {
  WriterState& s = state();
  flushTopTasks();
  if (s.main) {
    const bool written = std::fflush(s.main) == 0 && !std::ferror(s.main);
    std::fclose(s.main);
    const std::string temp = s.mainPath + ".tmp";
    s.lastCloseOk = written && std::rename(temp.c_str(), s.mainPath.c_str()) == 0;
    if (!s.lastCloseOk) std::remove(temp.c_str());
  }
  s.main = nullptr;
  s.records[0].stream = nullptr;
  engine::xt_CloseExtraFiles();
  // Someone else's sink installed meanwhile stays in place.
  if (engine::TargetTextSink* old = engine::setTargetTextSink(nullptr); old != &sink()) engine::setTargetTextSink(old);
}

bool co_IsOpen() { return state().main != nullptr; }
bool co_LastCloseOk() { return state().lastCloseOk; }

void co_WriteLine(const std::string& text) { writeMain(text + "\n"); }

std::string co_AddressText(int cls, int index, int bit) {
  switch (cls) {
  case 1: return format("M%i.%i", index, bit);
  case 2: return format("E%i.%i", index - 1, bit);
  case 3: return format("A%i.%i", index - 1, bit);
  case 4: return format("DF%i", index);
  case 5: return format("DW%i", index);
  case 6: return format("DL%i", index);
  case 7: return format("DT%i", index);
  case 8: return format("PF%i", index);
  case 9: return format("PW%i", index);
  case 10: return format("B%i.%i", index, bit);
  case 11: return format("PL%i", index);
  case 12: return format("PT%i", index);
  default: return "M0.0";
  }
}

std::string va_AddressText0(double cls, double index) {
  static const char* names[13] = {"", "M", "E", "A", "DF", "DW", "DL", "DT", "PF", "PW", "B", "PL", "PT"};
  if (!std::isfinite(cls) || !std::isfinite(index) || std::fabs(index) > 1e9) return "";
  const int c = int(cls + 0.5);
  if (c < 1 || c > 12) return "";
  const long i = long(index) - ((c == 2 || c == 3) ? 1 : 0);
  return format("%s%li", names[c], i);
}

void co_SymbolLine(double cls, double index, double bit) {
  static const char* names[13] = {"", "M", "E", "A", "DF", "DW", "DL", "", "PF", "PW", "B", "PL", ""};
  const bool finite = std::isfinite(cls) && std::isfinite(index) && std::isfinite(bit) &&
                      std::fabs(cls) < 1e6 && std::fabs(index) < 1e9 && std::fabs(bit) < 1e6;
  const int c = finite ? int(cls + 0.5) : 0;
  if (c < 1 || c > 12 || c == 7 || c == 12) {
    co_WriteLine(format("  %-6s : M0.0", " "));
    return;
  }
  int b = int(bit);
  if (b < 0 || b > 7) b = 0;
  const long i = long(index) - ((c == 2 || c == 3) ? 1 : 0);
  co_WriteLine(format("  %-6s : %s%li.%i", "P", names[c], i, b));
}

void zcd_ResetForTests() {
  WriterState& s = state();
  if (s.main) co_CloseOutput();
  pc_ClearModuleRecords();
  s.tasks.clear();
  s.deferredTop.clear();
  s.labels = 0;
  s.tooManyShown = false;
}

} // namespace zcd
