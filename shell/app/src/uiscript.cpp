// The UI script: its reading (words, quotes, comments), the scripted sink
// that also writes the log, and the start of the driver (uidriver.cpp).
#include "zerloapp/uiscript.h"

#include "uidriver.h"

#include <fstream>
#include <mutex>

namespace zapp {

namespace {

class LoggingSink : public plat::ui::ScriptedSink {
public:
  explicit LoggingSink(std::string log) : log_(std::move(log)) {}
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
    const int a = ScriptedSink::messageBox(text, caption, style);
    write("box " + std::to_string(style) + " " + std::to_string(a) + " [" + caption + "] " + text);
    return a;
  }
  bool prompt(const std::string& question, const std::string& caption, std::string& inOut) override {
    const bool ok = ScriptedSink::prompt(question, caption, inOut);
    write(std::string("prompt ") + (ok ? "ok" : "cancel") + " [" + caption + "] " + question);
    return ok;
  }
  void write(std::string line) {
    if (log_.empty()) return;
    for (char& c : line)
      if (c == '\n') c = '|';
    std::lock_guard<std::mutex> lock(mu_);
    std::ofstream out(log_, std::ios::app);
    out << line << "\n";
  }
private:
  std::string log_;
  std::mutex mu_;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

} // namespace

bool ui_SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    if (isBlank(line[i])) {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
          word += line[i++];
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          word += c;
        }
      }
      if (!closed) {
        error = "a quote is not closed";
        return false;
      }
    } else {
      while (i < line.size() && !isBlank(line[i])) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

bool ui_ReadScript(const std::string& path, UiScript& out, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "the UI script " + path + " cannot be read";
    return false;
  }
  out.sink = nullptr;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::vector<std::string> words;
    std::string why;
    if (!ui_SplitWords(line, words, why)) {
      error = "the UI script " + path + " line " + std::to_string(number) + ": " + why;
      return false;
    }
    if (words.empty()) continue;
    UiStep s;
    s.verb = words[0];
    s.line = number;
    s.args.assign(words.begin() + 1, words.end());
    if (s.verb == "prompt" || s.verb == "note") {
      // The rest of the line as it is, unless it is one quoted word.
      const std::size_t at = line.find(s.verb) + s.verb.size();
      std::string rest = at < line.size() ? line.substr(at + 1) : std::string();
      if (auto h = rest.find(" #"); h != std::string::npos) rest.erase(h);
      while (!rest.empty() && isBlank(rest.back())) rest.pop_back();
      const bool quoted = words.size() == 2 && !rest.empty() && rest.front() == '"';
      s.args = {quoted ? words[1] : rest};
    }
    if (s.verb == "log") out.logPath = s.args.empty() ? "" : s.args[0];
    else if (s.verb == "deadline") out.deadlineMs = s.args.empty() ? out.deadlineMs : std::atoi(s.args[0].c_str());
    else if (s.verb == "dialogwait") out.dialogWaitMs = s.args.empty() ? out.dialogWaitMs : std::atoi(s.args[0].c_str());
    else out.steps.push_back(s);
  }
  return true;
}

void ui_InstallScriptSink(UiScript& script) {
  auto sink = std::make_shared<LoggingSink>(script.logPath);
  for (const UiStep& s : script.steps) {
    if (s.verb == "box" && !s.args.empty()) sink->answerBox(std::atoi(s.args[0].c_str()));
    if (s.verb == "prompt") sink->answerPrompt(s.args.empty() ? std::string() : s.args[0]);
  }
  script.sink = sink;
  plat::ui::setSink(sink);
  // Dialogs are watched from the start on: one at start-up needs its answer too.
  UiDriver::start(script);
}

void ui_Log(const UiScript& script, std::string line) {
  if (auto* sink = dynamic_cast<LoggingSink*>(script.sink.get())) sink->write(std::move(line));
}

void ui_RunSteps(Frame& frame, const UiScript& script) {
  if (UiDriver* d = UiDriver::instance()) d->run(frame);
  (void)script;
}

} // namespace zapp
