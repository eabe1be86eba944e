#pragma once
// The client of the message window program: finds its endpoint (it must
// identify itself as "MESSAGES"), starts the program when none answers, and
// sends lines, files, the clear command, progress-bar commands and the close
// request. Every send makes at most two attempts; a peer that does not answer
// within the time-out counts as no window, never as a hang. One lock guards
// the held window and every exchange, so several threads may send.
#include "obeltool/msgwnd_protocol.h"
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace obel {

class MsgWndClient {
public:
  struct Config {
    std::string endpoint;                       // "" -> msgwnd::endpoint() at each use
    std::function<std::string()> programPath;   // the program to start ("" -> none)
    std::vector<std::string> extraArgs;         // after the program's path
    int startWaitMs = 5500;                     // how long a start waits for the window
    int closePolls = 51;                        // close: looks, 100 ms apart
    int closePollMs = 100;
    int sendTimeoutMs = 5000;                   // per exchange
  };

  explicit MsgWndClient(Config config);

  int appendLine(const char* text);
  int appendFile(const char* path);
  int empty();
  int showProgBar(int show);
  int initProgBar(std::int32_t first, std::int32_t second);
  int setProgBar(int position);
  int close();          // 1 when no message window exists afterwards
  bool holdsWindow() const;

private:
  std::string name() const;
  bool findLocked();
  bool startLocked();
  int sendLocked(const plat::ipc::Message& m, bool isText);
  int sendOne(const plat::ipc::Message& m, bool isText);

  Config cfg_;
  mutable std::mutex mu_;
  bool held_ = false;
};

// Starts a program detached from this process (it outlives the caller and
// leaves no zombie). False when it could not be started.
bool startDetached(const std::string& program, const std::vector<std::string>& args);

// The client the library's exports use: the program named by [PROGRAMS]
// MSGWND, mapped to the Linux program.
MsgWndClient& libraryMsgWndClient();

} // namespace obel
