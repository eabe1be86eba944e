// The process-wide sink for message boxes and prompts.
#include "platform/uisink.h"

#include <cstdio>
#include <map>

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

bool Sink::help(const HelpRequest& r) {
  if (r.byKeyword)
    std::fprintf(stderr, "help: %s, key word %s (no help viewer)\n", r.file.c_str(), r.keyword.c_str());
  else
    std::fprintf(stderr, "help: %s, context %u (no help viewer)\n", r.file.c_str(), r.context);
  return false;
}

bool help(const HelpRequest& request) { return sink()->help(request); }

DialogObserver::~DialogObserver() = default;

namespace {
std::mutex gObsMu;
std::shared_ptr<DialogObserver>& currentObserver() {
  static std::shared_ptr<DialogObserver> o;
  return o;
}

struct ModalRuns {
  std::mutex mu;
  std::uint64_t next = 1;
  std::map<std::uint64_t, std::function<void()>> runs;
};
ModalRuns& modalRuns() {
  static ModalRuns* r = new ModalRuns;  // outlives static destructors of the libraries
  return *r;
}
} // namespace

std::shared_ptr<DialogObserver> setDialogObserver(std::shared_ptr<DialogObserver> observer) {
  std::lock_guard<std::mutex> lk(gObsMu);
  std::shared_ptr<DialogObserver> prev = std::move(currentObserver());
  currentObserver() = std::move(observer);
  return prev;
}

std::shared_ptr<DialogObserver> dialogObserver() {
  std::lock_guard<std::mutex> lk(gObsMu);
  return currentObserver();
}

std::uint64_t addModalRun(std::function<void()> cancel) {
  ModalRuns& r = modalRuns();
  std::lock_guard<std::mutex> lk(r.mu);
  std::uint64_t id = r.next++;
  r.runs.emplace(id, std::move(cancel));
  return id;
}

void removeModalRun(std::uint64_t run) {
  ModalRuns& r = modalRuns();
  std::lock_guard<std::mutex> lk(r.mu);
  r.runs.erase(run);
}

int cancelModalRuns() {
  ModalRuns& r = modalRuns();
  std::vector<std::function<void()>> todo;
  {
    std::lock_guard<std::mutex> lk(r.mu);
    for (auto& [id, fn] : r.runs) todo.push_back(fn);
  }
  // Called outside the lock: a cancel ends its run, which removes itself.
  for (auto& fn : todo)
    if (fn) fn();
  return int(todo.size());
}

std::size_t modalRunCount() {
  ModalRuns& r = modalRuns();
  std::lock_guard<std::mutex> lk(r.mu);
  return r.runs.size();
}

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

bool ScriptedSink::help(const HelpRequest& request) {
  std::lock_guard<std::mutex> lk(mu_);
  helps_.push_back(request);
  if (helpAnswers_.empty()) return true;
  bool a = helpAnswers_.front();
  helpAnswers_.pop_front();
  return a;
}

void ScriptedSink::answerHelp(bool opened) {
  std::lock_guard<std::mutex> lk(mu_);
  helpAnswers_.push_back(opened);
}

std::vector<HelpRequest> ScriptedSink::helps() const {
  std::lock_guard<std::mutex> lk(mu_);
  return helps_;
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
  helpAnswers_.clear();
  helps_.clear();
}

} // namespace plat::ui
