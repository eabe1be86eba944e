// Loads and saves a generated project of 50,000 gates and prints MB/s beside
// a raw read and write of the same bytes measured in the same run, and the
// ratios. A save flushes its file and renames it into place: its first
// baseline is a raw write done the same way (temporary file beside the
// target, fsync, rename, directory fsync), its second a plain write with
// fsync. Rounds alternate the jobs so that a busy machine slows them alike.
// An optional argument sets the number of rounds. Never fails.
#include "model/document.h"
#include "model/instances.h"
#include "model/memory.h"
#include "modelfiles/project.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace model;
using namespace modelfiles;

namespace {

constexpr int kLogics = 10;
constexpr int kGatesPerLogic = 5000;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

GateRecord* andGate(int number, int x, int y) {
  GateRecord* g = nullptr;
  mm_New(g);
  g->Kind = 1;
  g->X = std::int16_t(x);
  g->Y = std::int16_t(y);
  g->InputCount = 2;
  g->OutputCount = 1;
  g->VectorDimension = 1;
  g->UseCount = 1;
  g->AuxLong = 100;
  g->GateNumber = std::uint16_t(number);
  mm_New(g->Inputs, 2);
  mm_New(g->Outputs, 1);
  g->Inputs[0].Type = g->Inputs[1].Type = 1;
  g->Outputs[0] = OutputPin{1, 1, 0};
  return g;
}

void build(DocumentRecord& d) {
  ProjectModule* m = doc_MainModule(d);
  std::memcpy(m->Name, "BENCH.MDL", 9);
  LogicRecord* lastLogic = nullptr;
  for (int li = 0; li < kLogics; ++li) {
    LogicRecord* l = nullptr;
    mm_New(l);
    std::snprintf(l->Name, sizeof l->Name, "L%d", li);
    l->StepBlock = defaultStepBlock();
    l->Flags = kLogicCreationFlags;
    GateRecord* prev = nullptr;
    for (int i = 1; i <= kGatesPerLogic; ++i) {
      GateRecord* g = andGate(i, (i % 100) * 50, (i / 100) * 50);
      if (prev) {
        g->Inputs[0].Source = prev;
        g->Inputs[0].SourcePin = 1;
        WirePoint* a = nullptr;
        WirePoint* b = nullptr;
        mm_New(a);
        mm_New(b);
        a->X = prev->X;
        a->Y = prev->Y;
        b->X = g->X;
        b->Y = prev->Y;
        a->Next = b;
        g->Inputs[0].Wire = a;
        prev->Next = g;
      } else {
        l->FirstGate = g;
      }
      prev = g;
    }
    l->GateCounter = kGatesPerLogic;
    GateInstance* last = nullptr;
    for (GateRecord* g = l->FirstGate; g; g = g->Next) {
      GateInstance* gi = nullptr;
      ge_RebuildInstance(l, g, gi);
      if (last) last->Next = gi; else l->FirstInstance = gi;
      last = gi;
    }
    ge_LinkInstanceInputs(l, l->FirstInstance);
    if (lastLogic) lastLogic->Next = l; else m->List = l;
    lastLogic = l;
  }
  d.FirstLogic = firstLogicOf(m);
  d.LastLogic = lastLogic;
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += std::size_t(n);
  }
  return true;
}

bool rawWrite(const std::string& p, const std::string& bytes) {
  const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// What any loader has to do first: one read of the whole file into a buffer
// of its size.
bool rawRead(const std::string& p, std::vector<std::uint8_t>& out) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok) {
    out.resize(std::size_t(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
      if (n <= 0) break;
      done += std::size_t(n);
    }
    ok = done == out.size();
  }
  ::close(fd);
  return ok;
}

// The durability a save gives: a hidden temporary file beside the target,
// written whole and flushed, renamed over the target, the directory flushed.
bool durableWrite(const std::string& dir, const std::string& p, const std::string& bytes) {
  const std::string temp = dir + "/.RAWSAVE.BIN.new" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(temp.c_str(), p.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  plat::ui::setSink(std::make_shared<plat::ui::ScriptedSink>());
  mm_UnitInit();
  doc_StartUp();
  const std::string dir = (std::filesystem::temp_directory_path() / ("zerlo_bench_files_" + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(dir);
  const std::string project = dir + "/BENCH.MDL";
  const std::string raw = dir + "/RAW.BIN";
  const std::string rawSave = dir + "/RAWSAVE.BIN";

  DocumentRecord* d = doc_New();
  CurrentDocument = d;
  build(*d);
  double bestSave = 1e9, bestLoad = 1e9, bestRawWrite = 1e9, bestDurableWrite = 1e9, bestRawRead = 1e9;
  std::size_t size = 0;
  for (int round = 0; round < rounds; ++round) {
    CurrentDocument = d;
    double t = now();
    if (mdl_SaveProjectAs(project) != 1) { std::printf("save failed\n"); return 0; }
    bestSave = std::min(bestSave, now() - t);
    std::string bytes;
    plat::path::readFile(project, bytes);
    size = bytes.size();
    t = now();
    rawWrite(raw, bytes);
    bestRawWrite = std::min(bestRawWrite, now() - t);
    t = now();
    durableWrite(dir, rawSave, bytes);
    bestDurableWrite = std::min(bestDurableWrite, now() - t);
    t = now();
    std::vector<std::uint8_t> back;
    rawRead(raw, back);
    bestRawRead = std::min(bestRawRead, now() - t);
    DocumentRecord* loaded = doc_New();
    CurrentDocument = loaded;
    t = now();
    const int result = mdl_LoadProjectPath(project, 1);
    bestLoad = std::min(bestLoad, now() - t);
    if (result != 1) std::printf("load failed (%d)\n", result);
    CurrentDocument = nullptr;
    mdl_FreeDocument(loaded);
  }
  const double mb = double(size) / 1e6;
  std::printf("project of %d gates, %.2f MB\n", kLogics * kGatesPerLogic, mb);
  std::printf("save      %8.1f MB/s   durable raw write %8.1f MB/s   ratio %.3f   (goal >= 0.8)\n", mb / bestSave,
              mb / bestDurableWrite, bestDurableWrite / bestSave);
  std::printf("save      %8.1f MB/s   plain raw write   %8.1f MB/s   ratio %.3f\n", mb / bestSave, mb / bestRawWrite,
              bestRawWrite / bestSave);
  std::printf("load      %8.1f MB/s   raw read          %8.1f MB/s   ratio %.3f   (goal >= 0.8)\n", mb / bestLoad,
              mb / bestRawRead, bestRawRead / bestLoad);
  CurrentDocument = nullptr;
  mdl_FreeDocument(d);
  doc_ShutDown();
  std::filesystem::remove_all(dir);
  return 0;
}
