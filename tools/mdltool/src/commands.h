#pragma once
// The command table of mdltool. A command gets its arguments (after its
// name) and the output stream; it returns the exit code. New commands (step,
// render, ...) add a row to the table in commands.cpp.
#include <ostream>
#include <string>
#include <vector>

namespace mdltool {

struct Command {
  const char* name;
  const char* usage;      // arguments, e.g. "FILE"
  const char* summary;
  int minArgs;
  int maxArgs;
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

const std::vector<Command>& commands();
// Runs argv (without the program name); prints the usage on a bad call.
int runCommandLine(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

} // namespace mdltool
