#pragma once
// The equivalence check of the standard block library: a diagram's target
// program text is written, compiled by the code generator against the
// software PLC's own description, downloaded into a PLC kernel of this
// process and run task cycle by task cycle beside the engine's time steps,
// both with the same inputs. After every cycle the outputs A1-13, the flags
// M1-15 (the sequence's step bits), the data words DW1-110 and the parameter
// words PW1-17 of the two are compared.
//
// The block library's tests drive the pieces with their own fixtures;
// "mdltool equiv" runs the whole road on a project file (runDocument).
// Every run keeps its files (text, download file, the formula parser's
// generator files, the sequence module files) in a directory of its own.
#include "model/records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plc {
class Kernel;
}

namespace equiv {

// ---- target text ----

// The writer's passes read the link values their predecessors published: a
// first text pass allocates, two time steps gather (a wire back to an earlier
// block delivers its value one step late), the second pass writes. write()
// runs one text pass and returns the text ("" when it failed).
std::string writeWithLinks(model::DocumentRecord& doc, model::LogicRecord* main,
                           const std::function<std::string()>& write);

// ---- the simulated image ----

// The standard block library simulates the target on an image in its
// module's variable block; the offsets come from the library's source.
class SimImage {
public:
  // False with the reason in why when the document has no ZRLFB02 module,
  // the source does not assemble or its variable block differs from the
  // module's.
  bool open(model::DocumentRecord& doc, const std::string& sourcePath, std::string* why = nullptr);
  std::int16_t word(int w) const { return cell16(wimg_, w, 1024); }
  std::int16_t param(int w) const { return cell16(pimg_, w, 64); }
  // E element.bit as the interface reports it for the next cycle.
  void setInput(int element, int bit, bool on);
  bool output(int element, int bit) const { return element >= 0 && element < 16 && cell8(aimg_, element, bit); }
  bool flag(int byte, int bit) const { return byte >= 0 && byte < 128 && cell8(mimg_, byte, bit); }

private:
  bool cell8(std::uint32_t base, int element, int bit) const;
  std::int16_t cell16(std::uint32_t base, int w, int count) const;
  std::uint8_t* vars_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t eraw_ = 0, aimg_ = 0, mimg_ = 0, wimg_ = 0, pimg_ = 0;
};

// ---- the formula blocks' libraries ----

// The formula parser (EXPRPARSER) and the simulation helper (ZRLFBSIM) come
// from the program directory. The parser's generators write their files into
// the temporary directory of the settings library (one instance in the
// process, shared with the code generator), and the writer reads them from
// there. Loading the parser binds the settings library and points its
// program directory at the parser's own folder, whose TEMP beside it every
// run of every process would share; so the parser is loaded here first and
// the settings' program directory is then set to runBin, whose TEMP beside it
// is the run's own. The writer's temporary directory follows the settings.
class FormulaLibraries {
public:
  // programDir: where ObelTool, EXPRPARSER and ZRLFBSIM are; runBin: a
  // directory of the run's own (made when missing).
  FormulaLibraries(const std::string& programDir, const std::string& runBin);
  ~FormulaLibraries();
  FormulaLibraries(const FormulaLibraries&) = delete;
  FormulaLibraries& operator=(const FormulaLibraries&) = delete;

  // "" when the settings' temporary directory lies in the run's directory.
  const std::string& error() const { return error_; }
  // Points the settings library at runBin again (the code generator's own
  // binding moves it while it compiles); false when that failed.
  bool apply();
  // The settings' temporary directory with a trailing "/" ("" when none).
  std::string tempDir() const;

private:
  std::string runBin_;
  std::string error_;
  void* tool_ = nullptr;
  void* parser_ = nullptr;
  std::function<std::string()> previousTemp_;
};

// ---- the software PLC ----

// A kernel with the built-in data areas and no interface; a tick of 2 ms, so
// that a task cycle (five ticks) is 10 ms.
void initKernel(plc::Kernel& k);
// One runtime tick n times: timer step, then run step.
void tick(plc::Kernel& k, int n = 1);

// The kernel's service channel driven by hand: a request in, its answer out;
// a download file sent as the online server library sends it.
class Channel {
public:
  explicit Channel(plc::Kernel& k);
  std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& request);
  // Load mode, then each block of the download file in memory-write pieces;
  // false with the reason when the file is short or malformed.
  bool download(const std::string& path, std::string* why = nullptr);

private:
  plc::Kernel& k_;
  std::uint8_t* buf_ = nullptr;
  std::uint32_t size_ = 0, *answer_ = nullptr;
  std::int32_t* request_ = nullptr;
};

// The code generator loaded from a program directory of the run's own (the
// built libraries linked into it, an OBEL.INI naming the message converters).
class CodeGenerator {
public:
  ~CodeGenerator();
  bool open(const std::filesystem::path& bin, const std::string& programDir, std::string& why);
  void close();
  void* handle() const { return h_; }
  struct Result {
    bool ok = false;           // the run ended without errors
    std::uint32_t errors = 0, warnings = 0;
    std::string messages;      // the message file
    std::string download;      // the download file's path
  };
  // Compiles a text file against the kernel's own description (asked over
  // the channel); the description, download, listing and message files go
  // into dir.
  Result compile(Channel& channel, const std::string& text, const std::filesystem::path& dir);

private:
  void* h_ = nullptr;
  bool setEnv_ = false;
};

// ---- the comparison ----

struct Mismatch {
  int cycle = 0;
  std::string operand;   // "A1.1", "M2.0", "DW1", "PW17", "run error"
  long target = 0;
  long simulated = 0;
};
// "cycle 12: A1.1 target 1, simulation 0"
std::string describe(const Mismatch& m);

// The run of both sides: the engine in the run window offline (the blocks
// simulate), one time step per task cycle of the kernel.
class Comparison {
public:
  // After the download and the start request: opens the image, sets the
  // engine's step to the task cycle and ticks the kernel once. False with the
  // reason when the image cannot be had or a sequence's bookkeeping words lie
  // in the compared data words.
  bool begin(plc::Kernel& k, model::DocumentRecord& doc, model::LogicRecord* main, const std::string& librarySource,
             std::string* why = nullptr);
  // One cycle: E1-E16 from the bits of inputs (bit 0: E1) on both sides, five
  // kernel ticks, one time step; returns where the two disagree.
  std::vector<Mismatch> cycle(int number, std::uint16_t inputs);
  // Leaves the run window state of the externs as it was.
  void end();
  ~Comparison() { end(); }
  const SimImage& sim() const { return sim_; }

private:
  plc::Kernel* k_ = nullptr;
  model::DocumentRecord* doc_ = nullptr;
  SimImage sim_;
  bool open_ = false;
};

// ---- the whole road for a loaded project ----

// E<element> set from cycle first to cycle last (both included; last 0: to
// the end of the run). Written "E3=10..20", "E3=10.." or "E3=7".
struct InputRange {
  int element = 1;
  int first = 1;
  int last = 0;
};
bool parseInputRange(const std::string& text, InputRange& out, std::string& why);
// The E1-E16 bits of a cycle.
std::uint16_t inputsAt(const std::vector<InputRange>& ranges, int cycle);

struct RunOptions {
  int cycles = 0;
  std::vector<InputRange> inputs;
  std::string programDir;      // the built libraries (code generator, settings, parser)
  std::string librarySource;   // the standard block library's source (zrlfb02.zas)
  std::string workDir;         // the run's own directory (made; kept)
};

struct RunResult {
  enum Status { Agree, Disagree, Failed } status = Failed;
  std::string error;                 // why it failed
  std::string messages;              // the code generator's messages
  std::uint32_t warnings = 0;
  std::vector<Mismatch> mismatches;  // in cycle order
  int cyclesRun = 0;
  int cyclesDisagreeing = 0;
};

// Runs a loaded document's level-1 logic (or its first logic) the given
// number of cycles on both sides. The document's compiled modules are
// linked; the writer's environment is set for the run and restored.
RunResult runDocument(model::DocumentRecord& doc, const RunOptions& options);

} // namespace equiv
