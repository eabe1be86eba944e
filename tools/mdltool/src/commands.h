#pragma once
// The command table of mdltool. A command gets its arguments (after its
// name) and the output stream; it returns the exit code. New commands (step,
// render, ...) add a row to the table in commands.cpp.
#include <ostream>
#include <string>
#include <vector>

namespace model {
struct DocumentRecord;
}
namespace modelfiles {
class FileServices;
}

namespace mdltool {

// A document of its own for the tool's work, released on every path.
struct ToolDocument {
  model::DocumentRecord* doc = nullptr;
  ToolDocument();
  ~ToolDocument();
  ToolDocument(const ToolDocument&) = delete;
  ToolDocument& operator=(const ToolDocument&) = delete;
};

struct Command {
  const char* name;
  const char* usage;      // arguments, e.g. "FILE"
  const char* summary;
  int minArgs;
  int maxArgs;
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

const std::vector<Command>& commands();
// Adds a command to the table (commands that need more than the model, such
// as render with its drawing backend, register themselves from the program).
void addCommand(const Command& c);
// Loads a project file, or a block library into an empty project, into the
// current document; false with a message on err.
bool loadAny(const std::string& file, std::ostream& err);
// File services that search block libraries beside the project, then in
// the program's library directory.
modelfiles::FileServices& libraryFileServices();
// Runs argv (without the program name); prints the usage on a bad call.
int runCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

} // namespace mdltool
