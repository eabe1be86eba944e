#pragma once
// Message boxes and prompts raised by code without windows go through one sink
// per process. The GUI program installs a Qt sink; headless programs use the
// default sink (logs the text to stderr and takes the default answer); tests
// install a ScriptedSink. Nothing here may block on a modal box in a test.
#include "platform/export.h"
#include <cstdint>
#include <deque>
#include <functional>
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
                  MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
                  MB_ICONMASK = 0xF0, MB_DEFMASK = 0xF00, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
                  MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000 };
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// A request for the help page of a dialog: by context number or by key word,
// in the language help file. owner is the window handle id of the asking
// dialog's owner (0 when none).
struct HelpRequest {
  std::string file;
  bool byKeyword = false;
  unsigned context = 0;
  std::string keyword;
  std::uint32_t owner = 0;
};

class PLATFORM_API Sink {
public:
  virtual ~Sink();
  // Returns one of the ID answers.
  virtual int messageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  // Asks for a line of text; false when cancelled.
  virtual bool prompt(const std::string& question, const std::string& caption, std::string& inOut) = 0;
  // Opens a help page; false when the file or its entry is missing. The
  // default logs the request and answers false.
  virtual bool help(const HelpRequest& request);
};

// The answer a box gives without a user: its default button.
PLATFORM_API int defaultAnswer(unsigned style);

// Installs a sink (null restores the default); returns the previous one.
PLATFORM_API std::shared_ptr<Sink> setSink(std::shared_ptr<Sink> sink);
PLATFORM_API std::shared_ptr<Sink> sink();
PLATFORM_API int messageBox(const std::string& text, const std::string& caption, unsigned style = MB_OK);
PLATFORM_API bool prompt(const std::string& question, const std::string& caption, std::string& inOut);
PLATFORM_API bool help(const HelpRequest& request);

// ---- Test driving of dialogs ----
// A dialog that has just shown: its widget (a QDialog* in the Qt programs),
// the library whose resources it comes from and its resource id. Its controls
// are named "c<id>" after their control ids.
struct DialogShown {
  void* widget = nullptr;
  std::string library;
  int resourceId = 0;
};
// One observer per process; the dialog kit calls it on the GUI thread with
// each dialog once it shows. A dialog still open deadlineMs() after it showed
// is rejected (ended as Cancel) and timedOut() is called, so no test hangs.
class PLATFORM_API DialogObserver {
public:
  virtual ~DialogObserver();
  virtual void shown(const DialogShown& dialog) = 0;
  virtual void timedOut(const DialogShown& dialog) {}
  virtual int deadlineMs() const { return 10000; }
};
// Installs an observer (null removes it); returns the previous one.
PLATFORM_API std::shared_ptr<DialogObserver> setDialogObserver(std::shared_ptr<DialogObserver> observer);
PLATFORM_API std::shared_ptr<DialogObserver> dialogObserver();

// ---- Modal runs queued from other threads ----
// A dialog that a worker thread asked the GUI thread to run registers itself
// here with the operation that ends it as Cancel. The list is process-wide
// (the dialog kit is linked into several libraries).
PLATFORM_API std::uint64_t addModalRun(std::function<void()> cancel);
PLATFORM_API void removeModalRun(std::uint64_t run);
// Ends every registered run as Cancel (call on the GUI thread; waits for no
// worker). Returns how many were asked to end.
PLATFORM_API int cancelModalRuns();
PLATFORM_API std::size_t modalRunCount();

// For tests: records every box and prompt and answers from a script; when the
// script is empty the default answer is given (prompts: cancelled).
class PLATFORM_API ScriptedSink : public Sink {
public:
  struct Shown { std::string text, caption; unsigned style; };
  // The style a prompt is recorded with in shown() (its text is the question).
  static constexpr unsigned kPromptStyle = 0xFFFFFFFFu;
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override;
  bool prompt(const std::string& question, const std::string& caption, std::string& inOut) override;
  bool help(const HelpRequest& request) override;
  void answerBox(int id);
  void answerHelp(bool opened);           // the next help request's answer (default: true)
  std::vector<HelpRequest> helps() const; // help requests in order
  void answerPrompt(std::string text);   // a prompt answered with this text
  void cancelPrompt();
  std::vector<Shown> shown() const;       // boxes and prompts in order
  void clear();
private:
  mutable std::mutex mu_;
  std::deque<int> boxes_;
  std::deque<std::pair<bool, std::string>> prompts_;
  std::vector<Shown> shown_;
  std::deque<bool> helpAnswers_;
  std::vector<HelpRequest> helps_;
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
