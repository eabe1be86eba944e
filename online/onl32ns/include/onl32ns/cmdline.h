#pragma once
// The named server's command line: "/n<name>" and "/c<configuration path>",
// the letter in either case, each at most once, a token possibly in double
// quotes. Anything else is an error (message 311).
#include <optional>
#include <string>
#include <vector>

namespace onl32ns {

struct CommandLine {
  std::string name;            // "ZerloRuntime" when not given
  std::string configPath;      // program directory + "interface.ini" when not given
  bool testStart = false;      // the name or the configuration was not given
};

// args are the tokens after the program name. nullopt on a format error.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args,
                                            const std::string& programDir);

} // namespace onl32ns
