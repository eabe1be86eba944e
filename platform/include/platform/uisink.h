#pragma once
// Message boxes and prompts raised by code without windows go through one sink
// per process. The GUI program installs a Qt sink; headless programs use the
// default sink (logs the text to stderr and takes the default answer); tests
// install a ScriptedSink. Nothing here may block on a modal box in a test.
#include "platform/export.h"
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::ui {

// Box styles and answers with the values of the Windows message box API, since
// callers pass and compare them as numbers.
enum : unsigned { MB_OK = 0, MB_OKCANCEL = 1, MB_ABORTRETRYIGNORE = 2, MB_YESNOCANCEL = 3,
                  MB_YESNO = 4, MB_RETRYCANCEL = 5, MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20,
                  MB_ICONEXCLAMATION = 0x30, MB_ICONINFORMATION = 0x40,
                  MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200 };
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

class PLATFORM_API Sink {
public:
  virtual ~Sink();
  // Returns one of the ID answers.
  virtual int messageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  // Asks for a line of text; false when cancelled.
  virtual bool prompt(const std::string& question, const std::string& caption, std::string& inOut) = 0;
};

// The answer a box gives without a user: its default button.
PLATFORM_API int defaultAnswer(unsigned style);

// Installs a sink (null restores the default); returns the previous one.
PLATFORM_API std::shared_ptr<Sink> setSink(std::shared_ptr<Sink> sink);
PLATFORM_API std::shared_ptr<Sink> sink();
PLATFORM_API int messageBox(const std::string& text, const std::string& caption, unsigned style = MB_OK);
PLATFORM_API bool prompt(const std::string& question, const std::string& caption, std::string& inOut);

// For tests: records every box and prompt and answers from a script; when the
// script is empty the default answer is given (prompts: cancelled).
class PLATFORM_API ScriptedSink : public Sink {
public:
  struct Shown { std::string text, caption; unsigned style; };
  // The style a prompt is recorded with in shown() (its text is the question).
  static constexpr unsigned kPromptStyle = 0xFFFFFFFFu;
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override;
  bool prompt(const std::string& question, const std::string& caption, std::string& inOut) override;
  void answerBox(int id);
  void answerPrompt(std::string text);   // a prompt answered with this text
  void cancelPrompt();
  std::vector<Shown> shown() const;       // boxes and prompts in order
  void clear();
private:
  mutable std::mutex mu_;
  std::deque<int> boxes_;
  std::deque<std::pair<bool, std::string>> prompts_;
  std::vector<Shown> shown_;
};

// Installs a sink for the life of a scope (tests).
class PLATFORM_API ScopedSink {
public:
  explicit ScopedSink(std::shared_ptr<Sink> s) : prev_(setSink(std::move(s))) {}
  ~ScopedSink() { setSink(prev_); }
  ScopedSink(const ScopedSink&) = delete;
  ScopedSink& operator=(const ScopedSink&) = delete;
private:
  std::shared_ptr<Sink> prev_;
};

} // namespace plat::ui
