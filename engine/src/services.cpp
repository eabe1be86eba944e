#include "engine/services.h"

#include "platform/uisink.h"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>
#include <vector>

extern char** environ;

namespace engine {

const char* engineMessageText(int number) {
  switch (number) {
  case 50031: return "Error!   Invalid version of file EXTERNAL.MCO.";
  case 50034: return "Serious project error! Please close Zerlo.";
  case 50028: return "Error !   Memory for standard variables has been exceeded.";
  case 50030: return "Error!   Invalid parameter vector.";
  case 50049: return "Error!   There are too many parallel sequences in the project.";
  case 50057: return "Error!   Cannot create file.";
  case 50046: return "Error!   Library function %s cannot be found.";
  case 50047: return "Error!   Function block DLL %s cannot be loaded.";
  case 50059: return "Error!   Application %s cannot be started.";
  case 50042: return "File %s could not be found.\nEnter new path?";
  case 50016: return "Error!   Printing cannot be executed.";
  case 50048: return "Parameter error!   Invalid parameter values.";
  case 40017: return "Undefined signal type !";
  case 50018: return "Error!   Parameters cannot be read by the software PLC or the interface.";
  case 50021: return "Error!   Parameters cannot be written into the software PLC or the interface.";
  default: return "";
  }
}

void EngineServices::showMessage(int number) { plat::ui::messageBox(engineMessageText(number), "Zerlo"); }
void EngineServices::showMessageWith(int number, const std::string& insert) {
  std::string t = engineMessageText(number);
  if (auto p = t.find("%s"); p != std::string::npos) t.replace(p, 2, insert);
  plat::ui::messageBox(t, "Zerlo");
}
void EngineServices::notice(const std::string& text, const std::string& caption) {
  plat::ui::messageBox(text, caption);
}

int EngineServices::messageBox(const std::string& text, const std::string& caption) {
  return plat::ui::messageBox(text, caption, plat::ui::MB_OK);
}

namespace {
// Words of a command line: blanks separate, double quotes group.
std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string w;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') { quoted = !quoted; any = true; continue; }
    if ((c == ' ' || c == '\t') && !quoted) {
      if (any) words.push_back(w);
      w.clear();
      any = false;
      continue;
    }
    w.push_back(c);
    any = true;
  }
  if (any) words.push_back(w);
  return words;
}

} // namespace

bool EngineServices::startProgram(const std::string& commandLine) {
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) return false;
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  // Not waited for by the caller: its end is reaped so that it leaves no zombie.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

std::string EngineServices::languageString(int id) {
  return id == 101 ? "Bitmap not found" : "";
}

namespace {
EngineServices gDefault;
EngineServices* gCurrent = &gDefault;
} // namespace

EngineServices& engineServices() { return *gCurrent; }
EngineServices* setEngineServices(EngineServices* s) {
  EngineServices* old = gCurrent;
  gCurrent = s ? s : &gDefault;
  return old;
}

} // namespace engine
