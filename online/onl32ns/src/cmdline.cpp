#include "onl32ns/cmdline.h"

#include "platform/paths.h"

namespace onl32ns {

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& args,
                                            const std::string& programDir) {
  std::optional<std::string> name, config;
  for (std::string tok : args) {
    if (tok.size() >= 2 && tok.front() == '"') {
      if (tok.back() != '"') return std::nullopt;
      tok = tok.substr(1, tok.size() - 2);
    }
    if (tok.size() < 3 || tok[0] != '/') return std::nullopt;
    char letter = tok[1];
    std::string value = tok.substr(2);
    if (letter == 'n' || letter == 'N') {
      if (name) return std::nullopt;
      name = value;
    } else if (letter == 'c' || letter == 'C') {
      if (config) return std::nullopt;
      config = value;
    } else {
      return std::nullopt;
    }
  }
  CommandLine cl;
  cl.testStart = !name || !config;
  cl.name = name ? *name : "ZerloRuntime";
  cl.configPath = config ? *config : plat::path::join(programDir, "interface.ini");
  return cl;
}

} // namespace onl32ns
