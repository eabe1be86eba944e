#pragma once
// The message window program MESSAGES: the logic without windows. It owns the
// endpoint that the message window client of ObelTool looks for, answers the
// protocol of obeltool/msgwnd_protocol.h, and hands what it receives to a view
// (the Qt window, or nothing when headless) and to an optional event log.
//
// Event log: one line per event, appended and flushed at once:
//   LINE <text>            a line (line breaks inside it become blanks)
//   FILE <path>            a file, followed by its lines:
//   FILELINE <text>
//   FILE <path> UNREADABLE a file that cannot be read
//   EMPTY                  the window was cleared
//   PROGBAR SHOW <0|1>     PROGBAR INIT <first> <second>     PROGBAR POS <position>
//   CLOSE                  the close request
#include "platform/endpoint.h"
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace messages {

struct Options {
  bool headless = false;
  bool window = false;    // --window: show the window even on an offscreen platform (tests)
  std::string logFile;    // --log FILE, else $ZERLO_MESSAGES_LOG
  std::string endpoint;   // --endpoint NAME, else the message window's own name
  long owner = 0;         // --owner PID, else $ZERLO_MESSAGES_OWNER: the program whose end ends this one
  bool help = false;
  std::string error;      // a bad command line
};
inline constexpr const char* kLogEnv = "ZERLO_MESSAGES_LOG";
// The main program puts its process id here for the programs it starts, so
// that a message window it started does not outlive it, however it ends.
inline constexpr const char* kOwnerEnv = "ZERLO_MESSAGES_OWNER";

// Watches the owner process: alive() is false once it has ended (a zombie
// counts as ended, and so does another process that took over the number).
// An owner that is not running when the watch starts is not watched: the
// window then runs until it is closed.
class OwnerWatch {
public:
  explicit OwnerWatch(long pid);
  bool watching() const { return pid_ > 0; }
  bool alive() const;
private:
  long pid_ = 0;
  unsigned long long start_ = 0;
};

Options parseArgs(int argc, char** argv);
const char* usage();
// False when there is no display to show a window on (or Qt is told to draw offscreen).
bool displayAvailable();

class View {
public:
  virtual ~View();
  virtual void appendLine(const std::string& text) = 0;
  virtual void clear() = 0;
  virtual void showProgress(bool show) = 0;
  virtual void initProgress(std::int64_t first, std::int64_t second) = 0;
  virtual void setProgress(std::int64_t position) = 0;
  virtual void closeRequested() = 0;
};

class EventLog {
public:
  // Appends to path; "" keeps no log. False when the file cannot be opened.
  bool open(const std::string& path);
  ~EventLog();
  void write(const std::string& event);
private:
  std::mutex mu_;
  std::FILE* f_ = nullptr;
};

// The lines of a text file ("\n" or "\r\n"); false when it cannot be read.
// At most maxLines lines of a file of at most maxBytes are taken.
bool readFileLines(const std::string& path, std::vector<std::string>& lines,
                   std::size_t maxBytes = 4u << 20, std::size_t maxLines = 100000);

class Handler {
public:
  Handler(View* view, EventLog* log) : view_(view), log_(log) {}
  plat::ipc::Answer handle(const plat::ipc::Message& m);
private:
  void event(const std::string& e);
  View* view_;
  EventLog* log_;
};

// Runs without a window until the close request (or SIGINT/SIGTERM, or the
// owner's end); the exit code.
int runHeadless(const Options& o);

} // namespace messages
