// Random diagrams from the model's edit operations, written by the target
// text writer: no crash, and a text whose tasks never nest (every "&BEG" is
// closed by an "&END" before the next one), as the code generator's grammar
// demands.
#include "fixture_document.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

bool tasksWellFormed(const std::string& text) {
  bool open = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (line == "&BEG") {
      if (open) return false;
      open = true;
    } else if (line == "&END") {
      if (!open) return false;
      open = false;
    }
    at = end + 1;
  }
  return !open;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string dir =
      (std::filesystem::temp_directory_path() / ("zcd_fuzz_" + std::to_string(::getpid()))).string();
  static bool made = std::filesystem::create_directories(dir) || true;
  (void)made;
  // One document for the whole run (assembling and linking the libraries
  // costs more than a diagram); every input's logics are deleted afterwards.
  static zcdtest::FixtureDocument& d = *new zcdtest::FixtureDocument(ZCD_FIXTURE_DIR);
  if (!d.ok) __builtin_trap();
  model::CurrentDocument = d.doc;
  model::ge_DeleteLogic(d.main);
  d.main = model::ge_NewLogic("MAIN");
  d.doc->LevelLogics[1] = d.main;
  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  env.mainPath = [] { return dir + "/FUZZ.ZCD"; };
  env.tempDir = [] { return dir + "/"; };

  std::vector<model::LogicRecord*> logics{d.main};
  std::vector<model::GateRecord*> gates;
  model::LogicRecord* at = d.main;
  static const char* kTypes[] = {"CNT", "GAIN", "ADD", "STEP"};
  for (std::size_t i = 0; i + 1 < size && i < 400; i += 2) {
    const std::uint8_t op = data[i], arg = data[i + 1];
    switch (op % 7) {
    case 0: case 1:
      if (model::GateRecord* g = d.block(at, kTypes[arg % 4], {double(20 + arg % 50), 1, double(150 + arg % 50)}))
        gates.push_back(g);
      break;
    case 2: {   // a new logic called from the current one ("$" by the argument)
      if (logics.size() > 40) break;
      char name[17];
      std::snprintf(name, sizeof name, "%sL%zu", (arg & 1) ? "$" : "", logics.size());
      model::LogicRecord* sub = model::ge_NewLogic(name);
      if (!sub) break;
      logics.push_back(sub);
      if (model::GateRecord* m = d.macro(at, sub, 10 + arg)) gates.push_back(m);
      if (arg & 2) at = sub;
      break;
    }
    case 3:   // a call of an existing logic that does not use the current one
      if (model::LogicRecord* sub = logics[arg % logics.size()]; sub != at && !model::ge_UsesLogic(at, sub))
        if (model::GateRecord* m = d.macro(at, sub, arg)) gates.push_back(m);
      break;
    case 4:   // Disable-Logic before a gate of the current logic
      for (model::GateRecord* g = at->FirstGate; g; g = g->Next)
        if (arg % 3 == 0 || g->Kind == model::kKindCall) {
          d.disableLogic(at, g, {double(arg % 13), double(arg), 0, double(arg % 9), 0});
          break;
        }
      break;
    case 5: {   // a wire between two gates of the current logic
      std::vector<model::GateRecord*> here;
      for (model::GateRecord* g = at->FirstGate; g; g = g->Next) here.push_back(g);
      if (here.size() < 2) break;
      model::GateRecord* from = here[arg % here.size()];
      model::GateRecord* to = here[(arg / 7) % here.size()];
      if (from != to && from->OutputCount && to->InputCount) d.wire(at, from, 1, to, 1 + arg % to->InputCount);
      break;
    }
    case 6:
      at = logics[arg % logics.size()];
      break;
    }
  }
  d.doc->LevelInstances[1] = d.main->FirstInstance;
  std::string why;
  if (zcd::zcd_WriteProgram(*d.doc, &why) && !tasksWellFormed(zcdtest::readFile(dir + "/FUZZ.ZCD")))
    __builtin_trap();
  for (model::LogicRecord* l : logics)
    if (l != d.main) model::ge_DeleteLogic(l);
  return 0;
}
