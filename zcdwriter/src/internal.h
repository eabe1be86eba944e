#pragma once
// State shared by the writer's output and pass units.
#include "zcdwriter/zcdwriter.h"

#include <string>
#include <vector>

namespace zcd::detail {

// A "$" macro's task: its lines, and the tasks that closed inside it, which
// follow its "&END" (a task never nests inside another in the text).
struct TaskFrame {
  std::string text;
  std::string deferred;
};

struct WriterState {
  std::FILE* main = nullptr;
  std::string mainPath;           // where the text goes when it is closed
  bool lastCloseOk = false;       // the last closed text reached its place
  TargetModuleRecord records[kModuleRecords];
  std::vector<TaskFrame> tasks;    // open "$" tasks, innermost last
  std::string deferredTop;         // tasks that follow the top frame's "&END"
  model::GateRecord* sequenceGate = nullptr;
  std::uint16_t sequence = 0;
  std::uint16_t counter = 0;
  std::uint16_t labels = 0;
  bool tooManyShown = false;
};
WriterState& state();

// Raw text (no line end added) to the current task, or to the file.
void writeMain(const std::string& text);
// Opens a "$" task frame; closing it moves its text behind its parent's end.
void beginTask();
void endTask();
// Writes the deferred tasks of the top frame after its end.
void flushTopTasks();

// Module files of the parallel sequences.
void mf_OpenModule(int n);
void mf_CloseModule(int n);
std::string moduleFilePath(int n);
// Makes the writer the extern functions' target text sink.
void installSink();

std::string format(const char* f, ...) __attribute__((format(printf, 1, 2)));

} // namespace zcd::detail
