// The process-wide sink for message boxes and prompts.
#include "platform/uisink.h"

#include <cstdio>

namespace plat::ui {

namespace {

// Logs the text and takes the default answer; used by programs without windows.
class LogSink : public Sink {
public:
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return defaultAnswer(style);
  }
  bool prompt(const std::string& question, const std::string& caption, std::string&) override {
    std::fprintf(stderr, "%s: %s (no answer: cancelled)\n", caption.c_str(), question.c_str());
    return false;
  }
};

std::mutex gMu;
std::shared_ptr<Sink>& current() {
  static std::shared_ptr<Sink> s = std::make_shared<LogSink>();
  return s;
}

} // namespace

Sink::~Sink() = default;

int defaultAnswer(unsigned style) {
  static const int kButtons[6][3] = {
      {IDOK, 0, 0},                  // MB_OK
      {IDOK, IDCANCEL, 0},           // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},       // MB_YESNOCANCEL
      {IDYES, IDNO, 0},              // MB_YESNO
      {IDRETRY, IDCANCEL, 0},        // MB_RETRYCANCEL
  };
  unsigned type = style & 0xF;
  if (type > 5) return IDOK;
  unsigned def = (style >> 8) & 0xF;  // 0: first button, 1: second, 2: third
  if (def > 2 || kButtons[type][def] == 0) def = 0;  // no such button: the first
  return kButtons[type][def];
}

std::shared_ptr<Sink> setSink(std::shared_ptr<Sink> s) {
  if (!s) s = std::make_shared<LogSink>();
  std::lock_guard<std::mutex> lk(gMu);
  std::shared_ptr<Sink> prev = current();
  current() = std::move(s);
  return prev;
}

std::shared_ptr<Sink> sink() {
  std::lock_guard<std::mutex> lk(gMu);
  return current();
}

int messageBox(const std::string& text, const std::string& caption, unsigned style) {
  return sink()->messageBox(text, caption, style);
}

bool prompt(const std::string& question, const std::string& caption, std::string& inOut) {
  return sink()->prompt(question, caption, inOut);
}

int ScriptedSink::messageBox(const std::string& text, const std::string& caption, unsigned style) {
  std::lock_guard<std::mutex> lk(mu_);
  shown_.push_back({text, caption, style});
  if (boxes_.empty()) return defaultAnswer(style);
  int a = boxes_.front();
  boxes_.pop_front();
  return a;
}

bool ScriptedSink::prompt(const std::string& question, const std::string& caption, std::string& inOut) {
  std::lock_guard<std::mutex> lk(mu_);
  shown_.push_back({question, caption, kPromptStyle});
  if (prompts_.empty()) return false;
  auto [ok, text] = std::move(prompts_.front());
  prompts_.pop_front();
  if (ok) inOut = std::move(text);
  return ok;
}

void ScriptedSink::answerBox(int id) {
  std::lock_guard<std::mutex> lk(mu_);
  boxes_.push_back(id);
}

void ScriptedSink::answerPrompt(std::string text) {
  std::lock_guard<std::mutex> lk(mu_);
  prompts_.emplace_back(true, std::move(text));
}

void ScriptedSink::cancelPrompt() {
  std::lock_guard<std::mutex> lk(mu_);
  prompts_.emplace_back(false, std::string());
}

std::vector<ScriptedSink::Shown> ScriptedSink::shown() const {
  std::lock_guard<std::mutex> lk(mu_);
  return shown_;
}

void ScriptedSink::clear() {
  std::lock_guard<std::mutex> lk(mu_);
  boxes_.clear();
  prompts_.clear();
  shown_.clear();
}

} // namespace plat::ui
