// Stand-in libraries for the main program's binding: one source built as the
// settings library, the standard dialogs library, the bar library or the
// target dialogs library (FIXTURE_OBELTOOL, FIXTURE_STOCKWIN, FIXTURE_STOCKBAR,
// FIXTURE_ZRLTGTWIN), each exporting every name the shell binds with its
// version (FIXTURE_VERSION). Every call is logged; answers are the unbound
// answers unless a test scripts them (FixtureSet). Message boxes and prompts
// go through plat::ui (caption "Zerlo").
#include "model/services.h"
#include "platform/export.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include "platform/windows.h"
#include "shell/libapi.h"
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <thread>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fx {
namespace {
std::mutex mu;
std::vector<std::string> calls;
std::map<std::string, long> answers;
std::map<std::string, std::string> texts;
thread_local const char* current = "";
thread_local long fallback = 0;

void setDefaults() {
#ifdef FIXTURE_LANGUAGE
    answers["GetObelLanguage"] = FIXTURE_LANGUAGE;
#else
    answers["GetObelLanguage"] = 2;
#endif
    answers["InitObelCtrl"] = 1;
}
struct Defaults {
  Defaults() { setDefaults(); }
} defaults;

struct Name {
  Name(const char* n, long unbound) { current = n; fallback = unbound; }
};

void logCall(const std::string& detail = "") {
  std::lock_guard<std::mutex> lock(mu);
  calls.push_back(detail.empty() ? std::string(current) : std::string(current) + " " + detail);
}

long answer() {
  std::lock_guard<std::mutex> lock(mu);
  auto it = answers.find(current);
  return it == answers.end() ? fallback : it->second;
}

// Texts of the numbered messages: the model's, and the few of the shell.
std::string messageText(int number) {
  switch (number) {
  case 101: return "Help key word: %s";
  case 102: return "Help context: %u";
  case 50011: return "Error!   Source file cannot be opened.";
  case 50012: return "Error!   Destination file cannot be opened.";
  case 50043: return "File %s could not be found.\nCreate new file?";
  default: return model::messageText(number);
  }
}

std::string myDir() { return plat::path::moduleDirOf(reinterpret_cast<const void*>(&answer)); }

int fill(MStrBuf* b, const std::string& s) {
  if (!b) return 0;
  b->text = static_cast<char*>(std::malloc(s.size() + 1));
  std::memcpy(b->text, s.c_str(), s.size() + 1);
  b->length = std::int32_t(s.size());
  b->capacity = std::int32_t(s.size() + 1);
  return 1;
}

// The text a getter answers: scripted, else a file of this directory.
std::string textFor(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(mu);
    auto it = texts.find(name);
    if (it != texts.end()) return it->second;
  }
  static const std::map<std::string, std::string> files = {
      {"GetPathToStockWinDLL", "STOCKWIN.DLL"}, {"GetPathToStockBarDLL", "STOCKBARS.DLL"},
      {"GetPathToZrlTgtWinDLL", "ZRLTGTWIN.DLL"}, {"GetPathToObelIni", "OBEL.INI"},
      {"GetPathToOMeExtraDLL", "OMEXTRA.DLL"}, {"GetPathToLanguageHelpFile", "ENGLISH/ZERLO.HLP"},
      {"GetBINPath", ""}, {"GetPROJECTPath", "PROJECT"}, {"GetTEMPPath", "TEMP"},
      {"GetObelLanguagePath", "ENGLISH"}};
  auto f = files.find(name);
  if (f == files.end()) return {};
  return f->second.empty() ? myDir() : myDir() + "/" + f->second;
}

// ---- the answers by argument shape ----
int call() {
  logCall();
  return int(answer());
}
int call(int v) {
  logCall(std::to_string(v));
  std::string n = current;
  if (n.rfind("Set", 0) == 0) {
    std::lock_guard<std::mutex> lock(mu);
    answers["Get" + n.substr(3)] = v;
    return 1;
  }
  return int(answer());
}
int call(MStrBuf* b) {
  std::string n = current;
  if (n == "DeleteMStrBuf") {
    if (b) {
      std::free(b->text);
      *b = MStrBuf{nullptr, 0, 0};
    }
    return 0;
  }
  logCall();
  std::string t = textFor(n);
  return t.empty() ? 0 : fill(b, t);
}
int call(MStrBuf* b, int i) {
  logCall(std::to_string(i));
  std::string t = textFor(current);
  return t.empty() ? 0 : fill(b, t);
}
int call(int mode, MStrBuf* b) {   // GetLIBRARYPaths
  logCall(std::to_string(mode));
  static int next = 0;
  if (mode == 0) next = 0;
  if (mode == 2 || !b) return 1;
  std::string list;
  {
    std::lock_guard<std::mutex> lock(mu);
    list = texts["GetLIBRARYPaths"];
  }
  // Entries separated by ";".
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  if (next >= int(entries.size())) return 0;
  return fill(b, entries[std::size_t(next++)]);
}
int call(const void* module) {   // SetBINPath
  logCall();
  return 1;
}
int call(shell::Hwnd owner, std::int32_t number, std::uint32_t style) {   // SW50_CallMBWithID
  logCall(std::to_string(number));
  return plat::ui::messageBox(messageText(int(number)), "Zerlo", style);
}
int call(shell::Hwnd owner, std::int32_t number, const char* s, std::uint32_t style) {
  logCall(std::to_string(number) + " " + (s ? s : ""));
  std::string text = messageText(int(number));
  std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, s ? s : "");
  return plat::ui::messageBox(text, "Zerlo", style);
}
int call(shell::Hwnd owner, std::int32_t number, const char* a, const char* b, const char* c, std::uint32_t style) {
  logCall(std::to_string(number));
  std::string text = messageText(int(number));
  for (const char* part : {a, b, c}) {
    std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, part ? part : "");
  }
  return plat::ui::messageBox(text, "Zerlo", style);
}
int call(shell::Hwnd owner, std::int32_t number, std::uint32_t value, std::uint32_t style) {
  logCall(std::to_string(number) + " " + std::to_string(value));
  std::string text = messageText(int(number));
  std::size_t at = text.find("%u");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(value));
  return plat::ui::messageBox(text, "Zerlo", style);
}
int call(shell::FileDlgParams* p) {   // the file dialogs: a prompt for the path
  logCall();
  if (!p || !p->path || p->size < 1) return 0;
  std::string text = p->path;
  if (!plat::ui::prompt("File name", "Zerlo", text)) return 0;
  if (text.size() >= std::size_t(p->size)) return 0;
  std::memcpy(p->path, text.c_str(), text.size() + 1);
  return 1;
}
// The name dialogs: a prompt for the name (buffers of 17 bytes, names of at
// most 16 characters); 1 on OK, 2 on Cancel.
int askName(const char* question, char* name) {
  if (!name) return 2;
  std::string text = name;
  if (!plat::ui::prompt(question, "Zerlo", text)) return 2;
  text = text.substr(0, 16);
  std::memcpy(name, text.c_str(), text.size() + 1);
  return 1;
}
int call(shell::Hwnd, void*, char* name) {   // SW07 select
  logCall();
  return askName("Subprogram", name);
}
int call(shell::Hwnd, void*, char* from, char* to) {   // SW08 copy, SW10 rename
  logCall(from ? from : "");
  return askName("New name", to);
}
int call(shell::Hwnd, std::int32_t mode, void*, char* name) {   // SW09 design or delete
  logCall(std::to_string(mode));
  return askName(mode ? "Delete subprogram" : "Design subprogram", name);
}
int call(shell::Hwnd, char* path, std::int32_t size) {   // SW05 new project
  logCall();
  if (!path || size < 1) return 2;
  std::string text = path;
  if (!plat::ui::prompt("Project", "Zerlo", text) || text.size() >= std::size_t(size)) return 2;
  std::memcpy(path, text.c_str(), text.size() + 1);
  return 1;
}

// The start screen: once the time is up and the frame's handle slot is
// filled, the frame gets WM_USER+41; destroying it before cancels that.
struct StartScreen {
  std::mutex m;
  std::condition_variable cv;
  int generation = 0;
  std::thread t;
  void stop() {
    {
      std::lock_guard<std::mutex> lock(m);
      ++generation;
    }
    cv.notify_all();
    if (t.joinable()) t.join();
  }
  ~StartScreen() { stop(); }
} startScreen;

std::uint32_t call(shell::Hwnd* slot, std::uint32_t ms) {
  logCall(std::to_string(ms));
  startScreen.stop();
  int gen = 0;
  {
    std::lock_guard<std::mutex> lock(startScreen.m);
    gen = startScreen.generation;
  }
  startScreen.t = std::thread([slot, ms, gen] {
    std::unique_lock<std::mutex> lock(startScreen.m);
    auto cancelled = [&] { return startScreen.generation != gen; };
    if (startScreen.cv.wait_for(lock, std::chrono::milliseconds(ms), cancelled)) return;
    // At most ten seconds for the frame to fill its slot.
    for (int i = 0; i < 200; ++i) {
      std::uint32_t frame = slot ? std::atomic_ref<std::uint32_t>(*slot).load() : 0;
      if (frame) {
        lock.unlock();
        plat::win::postMessage(frame, 0x400 + 41, 0, 0);
        return;
      }
      if (startScreen.cv.wait_for(lock, std::chrono::milliseconds(50), cancelled)) return;
    }
  });
  return 1;
}
int call(std::uint32_t* slot) {   // SW22_DestroyStartBitmapDlg
  logCall();
  startScreen.stop();
  return 1;
}

template <class... A> int call(A...) {
  logCall();
  return int(answer());
}
} // namespace
} // namespace fx

#define FIXTURE_STUB(ret, name, params, args, unbound) \
  ZERLO_EXPORT ret name params {                       \
    fx::Name fixtureName(#name, unbound);              \
    return ret(fx::call args);                         \
  }

#if defined(FIXTURE_OBELTOOL)
ZERLO_EXPORT double GetDLLVersion(void) { return FIXTURE_VERSION; }
SHELL_OBELTOOL_NAMES(FIXTURE_STUB)
#elif defined(FIXTURE_STOCKWIN)
ZERLO_EXPORT double SW00_GetDLLVersion(void) { return FIXTURE_VERSION; }
SHELL_STOCKWIN_NAMES(FIXTURE_STUB)
#elif defined(FIXTURE_STOCKBAR)
ZERLO_EXPORT double SB00_GetDLLVersion(void) { return FIXTURE_VERSION; }
SHELL_STOCKBAR_NAMES(FIXTURE_STUB)
#elif defined(FIXTURE_ZRLTGTWIN)
ZERLO_EXPORT double ZRTA00_GetDLLVersion(void) { return FIXTURE_VERSION; }
SHELL_ZRLTGTWIN_NAMES(FIXTURE_STUB)
#elif defined(FIXTURE_OBELCTRL)
SHELL_OBELCTRL_NAMES(FIXTURE_STUB)
#elif defined(FIXTURE_PAGEFRAME)
SHELL_PAGEFRAME_NAMES(FIXTURE_STUB)
#endif

// ---- for tests ----
// The calls so far, one per line.
ZERLO_EXPORT int FixtureCalls(char* buffer, int size) {
  std::lock_guard<std::mutex> lock(fx::mu);
  std::string all;
  for (const std::string& c : fx::calls) all += c + "\n";
  if (buffer && size > 0) {
    std::size_t n = std::min(all.size(), std::size_t(size - 1));
    std::memcpy(buffer, all.data(), n);
    buffer[n] = 0;
  }
  return int(all.size());
}
ZERLO_EXPORT void FixtureClear() {
  std::lock_guard<std::mutex> lock(fx::mu);
  fx::calls.clear();
  fx::answers.clear();
  fx::texts.clear();
  fx::setDefaults();
}
// Scripts the answer of a name (numbers), or its text (getters).
ZERLO_EXPORT void FixtureSet(const char* name, long value) {
  std::lock_guard<std::mutex> lock(fx::mu);
  fx::answers[name] = value;
}
ZERLO_EXPORT void FixtureSetText(const char* name, const char* text) {
  std::lock_guard<std::mutex> lock(fx::mu);
  fx::texts[name] = text ? text : "";
}
ZERLO_EXPORT long FixtureGet(const char* name) {
  std::lock_guard<std::mutex> lock(fx::mu);
  auto it = fx::answers.find(name);
  return it == fx::answers.end() ? -1 : it->second;
}
