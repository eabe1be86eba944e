// Help contexts and requests.
#include "shell/help.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/names.h"
#include "shell/resources.h"
#include "shell/windowhost.h"
#include <string>

namespace shell {
namespace {
std::uint16_t g_current = 601;
std::uint16_t g_saved = 601;
std::string g_keyword;

std::string helpFile() {
  const char* f = bind_GetPathToLanguageHelpFile();
  return f ? std::string(f) : std::string();
}

int request(Hwnd owner, unsigned command, unsigned context, const std::string& keyword) {
  std::string file = helpFile();
  if (file.empty()) return 0;
  plat::ui::HelpRequest r;
  r.file = file;
  r.owner = owner;
  switch (command) {
  case HELP_KEY: r.byKeyword = true; r.keyword = keyword; break;
  case HELP_HELPONHELP: r.byKeyword = true; r.keyword = "index"; break;
  case HELP_FINDER: case HELP_INDEX: r.byKeyword = true; r.keyword = "contents"; break;
  default: r.context = context; break;
  }
  return plat::ui::help(r) ? 1 : 0;
}

void showStatusText(std::uint16_t id) {
  if (auto s = res_String(60000u + id)) bind_SB01_SetStatusBarText(0, s->c_str());
}
} // namespace

std::uint16_t help_SetContext(std::uint16_t id) {
  std::uint16_t previous = g_saved;
  g_current = g_saved = id;
  showStatusText(id);
  return previous;
}
std::uint16_t help_GetContext() { return g_current; }
void help_SetCurrentOnly(std::uint16_t id) { g_current = id; }
void help_ResetContext() { g_current = g_saved = 601; }

int help_ShowContext() {
  Hwnd frame = windowHost().frameWindow();
  unsigned id = g_current;
  if (bind_GetShowHelpNumber()) bind_SW50_CallMBWithIDAndUINT(frame, 102, id, 0x40);
  return request(frame, HELP_CONTEXT, id, "");
}

int help_Call(Hwnd owner, unsigned command, unsigned data) { return request(owner, command, data, ""); }

std::string help_BlockKeyword(const std::string& kindName) {
  std::string name = kindName;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "Output") {
    if (auto s = res_String(13)) name = *s;
  } else if (name == "Input") {
    if (auto s = res_String(14)) name = *s;
  }
  std::string prefix = res_String(12).value_or("");
  std::string keyword = prefix + name;
  while (!keyword.empty() && keyword.back() == ' ') keyword.pop_back();
  return keyword;
}

int help_ShowBlockHelp(Hwnd owner, const std::string& library, const std::string& kindName) {
  g_keyword = help_BlockKeyword(kindName);
  if (library == "Projekt" || mod_HasMdlExtension(library.c_str(), library.size())) return 0;
  std::string file = helpFile();
  if (file.empty()) return 0;
  if (bind_GetShowHelpNumber()) bind_SW50_CallMBWithIDAndString(owner, 101, g_keyword.c_str(), 0x40);
  return request(owner, HELP_KEY, 0, g_keyword);
}

void help_Quit(Hwnd) {}

} // namespace shell
