#include "equiv/equiv.h"

#include "cglink30/cglink30.h"
#include "engine/externs.h"
#include "engine/levels.h"
#include "engine/workers.h"
#include "kernel.h"
#include "model/instances.h"
#include "obeltool/obeltool.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "protocol/requests.h"
#include "zasm/zasm.h"
#include "zcdwriter/zcdwriter.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace equiv {

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path) {
  std::string s;
  plat::path::readFile(path, s);
  return s;
}

} // namespace

// ---- target text ----

std::string writeWithLinks(model::DocumentRecord& doc, model::LogicRecord* l,
                           const std::function<std::string()>& write) {
  if (!l || write().empty()) return "";
  l->StepBlock.simTime = -1.0;
  l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
  l->StepBlock.maxIterations = 1;
  l->currentStep = l->previousStep = 0.01;
  doc.SimLogic = l;
  doc.SimInstances = l->FirstInstance;
  doc.iterationCounter = 1;
  engine::ss_StepLevel(doc);
  engine::ss_StepLevel(doc);
  return write();
}

// ---- the simulated image ----

bool SimImage::open(model::DocumentRecord& doc, const std::string& sourcePath, std::string* why) {
  auto fail = [&](const std::string& what) {
    vars_ = nullptr;
    size_ = 0;
    if (why) *why = what;
    return false;
  };
  vars_ = nullptr;
  size_ = 0;
  model::ProjectModule* lib = nullptr;
  for (model::ProjectModule* m = doc.FirstModule; m && !lib; m = m->Next)
    if (std::strncmp(m->Name, "ZRLFB02", 12) == 0) lib = m;
  if (!lib || !lib->VariableBlock) return fail("the project holds no standard block library (ZRLFB02)");
  zasm::ModuleSource src;
  std::string err;
  if (!zasm::assembleLibraryFile(sourcePath, src, err)) return fail(sourcePath + ": " + err);
  if (src.varsSize != lib->VariableBlockSize)
    return fail("the project's ZRLFB02 has a variable block of " + std::to_string(lib->VariableBlockSize) +
                " bytes, its source " + sourcePath + " one of " + std::to_string(src.varsSize));
  // Each image with its extent in bytes.
  const std::pair<const char*, std::uint32_t> images[] = {
      {"eraw", 1024}, {"aimg", 256}, {"mimg", 2048}, {"wimg", 2048}, {"pimg", 128}};
  std::uint32_t* at[] = {&eraw_, &aimg_, &mimg_, &wimg_, &pimg_};
  for (std::size_t i = 0; i < std::size(images); ++i) {
    auto it = src.varLabels.find(images[i].first);
    if (it == src.varLabels.end() || it->second > src.varsSize || src.varsSize - it->second < images[i].second)
      return fail(sourcePath + ": no image \"" + images[i].first + "\" in the variable block");
    *at[i] = it->second;
  }
  vars_ = static_cast<std::uint8_t*>(lib->VariableBlock);
  size_ = lib->VariableBlockSize;
  return true;
}

void SimImage::setInput(int element, int bit, bool on) {
  if (!vars_ || element < 0 || element >= 64 || bit < 0 || bit > 7) return;
  vars_[eraw_ + 2 * (element * 8 + bit)] = on ? 1 : 0;
}

bool SimImage::cell8(std::uint32_t base, int element, int bit) const {
  if (!vars_ || bit < 0 || bit > 7) return false;
  const std::uint32_t at = base + 2 * std::uint32_t(element * 8 + bit);
  return at < size_ && vars_[at] != 0;
}

std::int16_t SimImage::cell16(std::uint32_t base, int w, int count) const {
  std::int16_t v = 0;
  if (vars_ && w >= 0 && w < count) std::memcpy(&v, vars_ + base + 2 * w, 2);
  return v;
}

// ---- the formula blocks' libraries ----

FormulaLibraries::FormulaLibraries(const std::string& programDir, const std::string& runBin) : runBin_(runBin) {
  engine::WorkerHooks h;
  h.programDir = programDir;
  engine::th_SetHooks(h);
  engine::xt_EnableThreads();
  tool_ = plat::lib::load("OBELTOOL.DLL", programDir);
  // Loaded before the program directory is set: its binding points the
  // settings at its own folder; the block code's later loads only count up.
  parser_ = plat::lib::load("EXPRPARSER.DLL", programDir);
  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  previousTemp_ = env.tempDir;
  env.tempDir = [this] { return tempDir(); };
  if (!tool_) error_ = "OBELTOOL.DLL: " + plat::lib::lastError();
  else apply();
}

FormulaLibraries::~FormulaLibraries() {
  zcd::writerEnvironment().tempDir = previousTemp_;
  engine::xt_DisableThreads();
  engine::th_SetHooks({});
  if (parser_) plat::lib::unload(parser_);
  if (tool_) plat::lib::unload(tool_);
}

bool FormulaLibraries::apply() {
  auto setBin = plat::lib::symbolAs<SetBINPathByStringFn>(tool_, "SetBINPathByString");
  if (!setBin) {
    error_ = "OBELTOOL.DLL has no SetBINPathByString";
    return false;
  }
  std::error_code ec;
  fs::create_directories(runBin_, ec);
  const fs::path bin = fs::absolute(runBin_, ec).lexically_normal();
  setBin((bin / "OBEL.INI").string().c_str());
  // The temporary directory lies beside the program directory (TEMP of the
  // settings, "..\TEMP" when OBEL.INI does not say otherwise).
  const std::string temp = tempDir();
  const std::string root = bin.parent_path().string() + "/";
  if (temp.rfind(root, 0) != 0) {
    error_ = "the temporary directory of the settings (" + temp + ") is not in the run's directory " + root;
    return false;
  }
  error_.clear();
  return true;
}

std::string FormulaLibraries::tempDir() const {
  auto get = plat::lib::symbolAs<PathGetterFn>(tool_, "GetTEMPPath");
  auto del = plat::lib::symbolAs<DeleteMStrBufFn>(tool_, "DeleteMStrBuf");
  MStrBuf b{};
  std::string dir;
  if (get && get(&b) == 1 && b.text) dir = b.text;
  if (del) del(&b);
  if (dir.empty()) return previousTemp_ ? previousTemp_() : std::string();
  std::error_code ec;
  fs::create_directories(dir, ec);
  return fs::absolute(dir, ec).lexically_normal().string() + "/";
}

// ---- the software PLC ----

void initKernel(plc::Kernel& k) {
  k.hooksFromRuntime = false;
  DspsInitRecord rec{"plc/TESK.INI", "10"};
  k.dspsInit(2, &rec);
  k.setMode(protocol::kModeCheck);   // opens the (absent) interface: built-in areas
}

void tick(plc::Kernel& k, int n) {
  for (int i = 0; i < n; ++i) {
    k.dspsTimer();
    k.dspsRun();
  }
}

Channel::Channel(plc::Kernel& k) : k_(k) { k_.initSoftComm(&buf_, &size_, &answer_, &request_); }

std::vector<std::uint8_t> Channel::exchange(const std::vector<std::uint8_t>& r) {
  if (!buf_ || r.size() > size_) return {};
  std::memcpy(buf_, r.data(), r.size());
  *request_ = static_cast<std::int32_t>(r.size());
  k_.commMultiPlex();
  k_.commMultiPlex();
  std::vector<std::uint8_t> out(buf_, buf_ + std::min<std::uint32_t>(*answer_, size_));
  *answer_ = 0;
  return out;
}

bool Channel::download(const std::string& path, std::string* why) {
  using namespace protocol;
  auto fail = [&](const std::string& what) {
    if (why) *why = path + ": " + what;
    return false;
  };
  std::ifstream f(path, std::ios::binary);
  const std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(f)), {});
  if (d.size() < 14) return fail("too short for a download file");
  const std::size_t count = getU16(&d[12]);
  std::size_t at = 14;
  exchange({kReqSetState, kModeLoad, 0});
  for (std::size_t b = 0; b < count; ++b) {
    if (at + 6 > d.size()) return fail("block " + std::to_string(b) + " is cut off");
    const std::uint32_t addr = getU32(&d[at]);
    const std::size_t len = getU16(&d[at + 4]);
    at += 6;
    if (at + len + 4 > d.size()) return fail("block " + std::to_string(b) + " is cut off");
    for (std::size_t sent = 0; sent < len;) {
      const std::size_t piece = std::min<std::size_t>(len - sent, kSoftChannelSize - kPieceReserve);
      std::vector<std::uint8_t> r(5 + piece);
      r[0] = kReqWriteMemory;
      putU32(&r[1], addr + static_cast<std::uint32_t>(sent));
      std::memcpy(r.data() + 5, d.data() + at + sent, piece);
      exchange(r);
      sent += piece;
    }
    at += len + 4;
  }
  return true;
}

CodeGenerator::~CodeGenerator() { close(); }

bool CodeGenerator::open(const fs::path& bin, const std::string& programDir, std::string& why) {
  close();
  std::error_code ec;
  fs::create_directories(bin, ec);
  for (const char* f : {"ObelTool.so", "DdfReader.so", "MSGCONVLE.so", "MSGCONVBE.so", "cglink30.so",
                        "libzplatform.so"}) {
    const fs::path src = fs::path(programDir) / f;
    if (!fs::exists(src, ec)) {
      why = std::string(f) + " not built";
      return false;
    }
    fs::remove(bin / f, ec);
    fs::create_symlink(src, bin / f, ec);
    if (ec) {
      why = (bin / f).string() + ": " + ec.message();
      return false;
    }
  }
  std::ofstream(bin / "OBEL.INI") << "[SYSTEM]\nLANGUAGE=2\n[LANGUAGES]\n2=ENGLISH\n[msgconv]\ndefault=2\n"
                                     "1=MSGCONVBE.DLL\n2=MSGCONVLE.DLL\n6=MSGCONVLE.DLL\n";
  ::setenv("ZERLO_DDFREADER_BINDIR", bin.c_str(), 1);
  setEnv_ = true;
  h_ = plat::lib::load("CGLINK30.DLL", bin.string());
  if (!h_) why = plat::lib::lastError();
  return h_ != nullptr;
}

void CodeGenerator::close() {
  if (h_) plat::lib::unload(h_);
  h_ = nullptr;
  if (setEnv_) ::unsetenv("ZERLO_DDFREADER_BINDIR");
  setEnv_ = false;
}

CodeGenerator::Result CodeGenerator::compile(Channel& channel, const std::string& text, const fs::path& dir) {
  Result res;
  const auto info = channel.exchange({protocol::kReqFullInfo});
  const std::string ddf = (dir / "TMP.ATT").string();
  if (!plat::path::writeFileAtomic(ddf, std::string(info.begin(), info.end()))) {
    res.messages = ddf + " could not be written";
    return res;
  }
  res.download = (dir / "TMP.MVL").string();
  const std::string errFile = (dir / "TMP.ERR").string();
  std::vector<std::string> args = {(dir / "bin" / "cglink30.so").string(), text, (dir / "TMP.LST").string(), ddf,
                                   res.download, errFile};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  auto linkMain = plat::lib::symbolAs<link_advmain_t>(h_, "link_advmain");
  if (!linkMain) {
    res.messages = "the code generator is not loaded";
    return res;
  }
  CgAdvResult r{};
  const int ok = linkMain(static_cast<int>(argv.size()), argv.data(), &r);
  res.ok = ok == 1;
  res.errors = r.errors;
  res.warnings = r.warnings;
  res.messages = readText(errFile);
  return res;
}

// ---- the comparison ----

std::string describe(const Mismatch& m) {
  return "cycle " + std::to_string(m.cycle) + ": " + m.operand + " target " + std::to_string(m.target) +
         ", simulation " + std::to_string(m.simulated);
}

namespace {

// Operand addresses of the kernel's areas.
plc::Addr areaAddr(plc::Kernel& k, const char* name, int index) {
  const plc::Area* a = k.findArea(name);
  return a ? a->blocks[0].addr + static_cast<plc::Addr>(index) * a->size : 0;
}
template <class T> T read(plc::Kernel& k, plc::Addr a) {
  T v{};
  k.mem.read(a, &v, sizeof v);
  return v;
}

// The sequencer's own words (fired list, error word, count arrays) are the
// target's bookkeeping, which the simulation keeps in its image instead.
bool bookkeeping(int w) {
  for (int n = 0; n <= 4; ++n) {
    const zcd::TargetModuleRecord* r = zcd::moduleRecord(n);
    if (!r || (!r->bitCount && !r->wordCount)) continue;
    if ((w >= r->trBase && w < r->trBase + r->wordCount) || w == r->errWord ||
        (w >= r->cpsBase && w < r->cpsBase + r->bitCount) || (w >= r->cmsBase && w < r->cmsBase + r->bitCount))
      return true;
  }
  return false;
}

} // namespace

bool Comparison::begin(plc::Kernel& k, model::DocumentRecord& doc, model::LogicRecord* l,
                       const std::string& librarySource, std::string* why) {
  end();
  if (!l) {
    if (why) *why = "no logic to run";
    return false;
  }
  if (!sim_.open(doc, librarySource, why)) return false;
  // The sequencer's words lie beyond the reserved DW1-110, so every one of
  // the compared words is the flow's.
  for (int w = 1; w <= 110; ++w)
    if (bookkeeping(w)) {
      if (why) *why = "the sequencer's bookkeeping word DW" + std::to_string(w) + " lies in DW1-110";
      return false;
    }
  k_ = &k;
  doc_ = &doc;
  engine::ExternProgramState& st = engine::externState();
  st.kind3Window = true;   // the run window, offline: the blocks simulate
  st.onlineMode = false;
  open_ = true;
  // One time step is one task cycle: five kernel ticks.
  l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 5 * k.tick() / 1000.0;
  l->currentStep = l->previousStep = l->StepBlock.interval;
  l->StepBlock.simTime = 0.0;
  doc.SimLogic = l;
  doc.SimInstances = l->FirstInstance;
  doc.iterationCounter = 1;
  tick(k, 1);
  return true;
}

std::vector<Mismatch> Comparison::cycle(int number, std::uint16_t inputs) {
  std::vector<Mismatch> out;
  if (!open_) return out;
  plc::Kernel& k = *k_;
  k.inImage[0] = inputs;
  for (int e = 1; e <= 16; ++e) sim_.setInput(e, 0, (inputs >> (e - 1)) & 1u);
  tick(k, 5);
  engine::ss_StepLevel(*doc_);
  auto note = [&](std::string operand, long target, long simulated) {
    if (target != simulated) out.push_back({number, std::move(operand), target, simulated});
  };
  note("run error", 0, doc_->runError);
  for (int e = 1; e <= 13; ++e)
    for (int b = 0; b < 8; ++b)
      note("A" + std::to_string(e) + "." + std::to_string(b), read<std::uint8_t>(k, areaAddr(k, "A", e) + b) != 0,
           sim_.output(e, b));
  for (int m = 1; m < 16; ++m)
    for (int b = 0; b < 8; ++b)
      note("M" + std::to_string(m) + "." + std::to_string(b), read<std::uint8_t>(k, areaAddr(k, "M", m) + b) != 0,
           sim_.flag(m, b));
  for (int w = 1; w <= 110; ++w)
    note("DW" + std::to_string(w), read<std::int16_t>(k, areaAddr(k, "DW", w)), sim_.word(w));
  for (int w = 1; w <= 17; ++w)
    note("PW" + std::to_string(w), read<std::int16_t>(k, areaAddr(k, "PW", w)), sim_.param(w));
  return out;
}

void Comparison::end() {
  if (!open_) return;
  engine::externState().kind3Window = false;
  open_ = false;
}

// ---- the whole road ----

bool parseInputRange(const std::string& text, InputRange& out, std::string& why) {
  auto bad = [&](const std::string& what) {
    why = "bad input range \"" + text + "\": " + what + " (expected E<1-16>=FIRST..LAST, FIRST.. or CYCLE)";
    return false;
  };
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) return bad("no '='");
  std::string name = text.substr(0, eq);
  if (name.size() > 2 && name.compare(name.size() - 2, 2, ".0") == 0) name.resize(name.size() - 2);
  if (name.size() < 2 || (name[0] != 'E' && name[0] != 'e')) return bad("the input is named E1 to E16");
  int element = 0;
  {
    const char* b = name.data() + 1;
    const char* e = name.data() + name.size();
    auto r = std::from_chars(b, e, element);
    if (r.ec != std::errc() || r.ptr != e || element < 1 || element > 16) return bad("the input is named E1 to E16");
  }
  const std::string range = text.substr(eq + 1);
  auto number = [](const std::string& s, int& v) {
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && v >= 1;
  };
  InputRange ir;
  ir.element = element;
  const std::size_t dots = range.find("..");
  if (dots == std::string::npos) {
    if (!number(range, ir.first)) return bad("a cycle is a number from 1");
    ir.last = ir.first;
  } else {
    if (!number(range.substr(0, dots), ir.first)) return bad("a cycle is a number from 1");
    const std::string last = range.substr(dots + 2);
    if (!last.empty() && !number(last, ir.last)) return bad("a cycle is a number from 1");
    if (!last.empty() && ir.last < ir.first) return bad("the last cycle comes before the first");
  }
  out = ir;
  return true;
}

std::uint16_t inputsAt(const std::vector<InputRange>& ranges, int cycle) {
  std::uint16_t bits = 0;
  for (const InputRange& r : ranges)
    if (cycle >= r.first && (r.last == 0 || cycle <= r.last)) bits |= std::uint16_t(1u << (r.element - 1));
  return bits;
}

RunResult runDocument(model::DocumentRecord& doc, const RunOptions& o) {
  RunResult res;
  const fs::path dir = fs::absolute(o.workDir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    res.error = dir.string() + ": " + ec.message();
    return res;
  }
  // The logic the main program runs: level 1, else the first.
  if (!doc.LevelLogics[1]) {
    model::LogicRecord* first = doc.FirstLogic;
    for (model::ProjectModule* m = doc.FirstModule; m && !first; m = m->Next) first = model::firstLogicOf(m);
    if (!first) {
      res.error = "the project has no logic";
      return res;
    }
    doc.LevelLogics[1] = first;
    doc.LevelInstances[1] = first->FirstInstance;
    if (doc.MacroLevel == 0) doc.MacroLevel = 1;
  }
  model::LogicRecord* main = doc.LevelLogics[1];

  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  const zcd::WriterEnvironment previousEnv = env;
  struct Restore {
    zcd::WriterEnvironment& env;
    const zcd::WriterEnvironment& previous;
    ~Restore() { env = previous; }
  } restore{env, previousEnv};
  const std::string zcdPath = (dir / "PROJ.ZCD").string();
  env.mainPath = [zcdPath] { return zcdPath; };

  plc::Kernel k;
  initKernel(k);
  Channel channel(k);
  CodeGenerator codegen;
  std::string why;
  if (!codegen.open(dir / "bin", o.programDir, why)) {
    res.error = "the code generator: " + why;
    return res;
  }
  FormulaLibraries formulas(o.programDir, (dir / "bin").string());
  if (!formulas.error().empty()) {
    res.error = formulas.error();
    return res;
  }
  if (!formulas.apply()) {
    res.error = formulas.error();
    return res;
  }
  const std::string text = writeWithLinks(doc, main, [&] {
    doc.LevelInstances[1] = main->FirstInstance;
    if (!zcd::zcd_WriteProgram(doc, &why)) return std::string();
    return readText(zcdPath);
  });
  if (text.empty()) {
    res.error = "the target program text could not be written" + (why.empty() ? std::string() : ": " + why);
    return res;
  }
  const CodeGenerator::Result compiled = codegen.compile(channel, zcdPath, dir);
  res.messages = compiled.messages;
  res.warnings = compiled.warnings;
  if (!compiled.ok || compiled.errors) {
    res.error = "the code generator found " + std::to_string(compiled.errors) + " error(s) in " + zcdPath;
    return res;
  }
  if (!channel.download(compiled.download, &why)) {
    res.error = why;
    return res;
  }
  channel.exchange({protocol::kReqStart});

  Comparison cmp;
  if (!cmp.begin(k, doc, main, o.librarySource, &why)) {
    res.error = why;
    return res;
  }
  for (int c = 1; c <= o.cycles; ++c) {
    std::vector<Mismatch> m = cmp.cycle(c, inputsAt(o.inputs, c));
    res.cyclesDisagreeing += !m.empty();
    res.mismatches.insert(res.mismatches.end(), m.begin(), m.end());
    res.cyclesRun = c;
  }
  cmp.end();
  res.status = res.mismatches.empty() ? RunResult::Agree : RunResult::Disagree;
  return res;
}

} // namespace equiv
