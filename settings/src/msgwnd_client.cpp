// The message window client.
#include "obeltool/msgwnd_client.h"
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include <cerrno>
#include <csignal>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace obel {

using plat::ipc::Message;

MsgWndClient::MsgWndClient(Config config) : cfg_(std::move(config)) {}

std::string MsgWndClient::name() const { return cfg_.endpoint.empty() ? msgwnd::endpoint() : cfg_.endpoint; }

bool MsgWndClient::holdsWindow() const {
  std::lock_guard<std::mutex> l(mu_);
  return held_;
}

// A window is the message window only when it says it is "MESSAGES".
bool MsgWndClient::findLocked() {
  held_ = false;
  std::string n = name();
  if (!plat::ipc::exists(n)) return false;
  Message m;
  m.msg = msgwnd::kIdentify;
  auto a = plat::ipc::send(n, m, cfg_.sendTimeoutMs);
  held_ = a && (a->result & 0xFFFF) != 0 && a->text.substr(0, 100) == msgwnd::kIdentity;
  return held_;
}

bool MsgWndClient::startLocked() {
  held_ = false;
  std::string program = cfg_.programPath ? cfg_.programPath() : std::string();
  if (program.empty() || !startDetached(program, cfg_.extraArgs)) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(cfg_.startWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (findLocked()) return true;
  }
  return false;
}

int MsgWndClient::sendLocked(const Message& m, bool isText) {
  bool ok = false;
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
    if (held_ && (!isText || !m.text.empty())) {
      auto a = plat::ipc::send(name(), m, cfg_.sendTimeoutMs);
      ok = a && a->result != 0;
      if (ok) break;
    }
    if (attempt == 1) break;  // no use looking again after the last attempt
    if (!findLocked()) startLocked();
  }
  return ok ? 1 : 0;
}

int MsgWndClient::sendOne(const Message& m, bool isText) {
  std::lock_guard<std::mutex> l(mu_);
  return sendLocked(m, isText);
}

// A line longer than one message can carry is sent in pieces, each shown as a
// line of its own, so that nothing is lost. Pieces do not split a UTF-8
// character.
int MsgWndClient::appendLine(const char* text) {
  std::string t = text ? text : "";
  Message m;
  m.msg = msgwnd::kAppendLine;
  if (t.size() <= plat::ipc::kMaxText) {
    m.text = t;
    m.lParam = static_cast<std::int64_t>(t.size()) + 1;
    return sendOne(m, true);
  }
  std::lock_guard<std::mutex> l(mu_);
  std::size_t i = 0;
  int ok = 1;
  while (i < t.size()) {
    std::size_t n = std::min(plat::ipc::kMaxText, t.size() - i);
    while (n > 1 && i + n < t.size() && (static_cast<unsigned char>(t[i + n]) & 0xC0) == 0x80) --n;
    m.text = t.substr(i, n);
    m.lParam = static_cast<std::int64_t>(n) + 1;
    if (!sendLocked(m, true)) ok = 0;
    i += n;
  }
  return ok;
}

// A path longer than a message can carry cannot be shown: refused.
int MsgWndClient::appendFile(const char* path) {
  std::string t = path ? path : "";
  if (t.size() > plat::ipc::kMaxText) return 0;
  Message m;
  m.msg = msgwnd::kAppendFile;
  m.text = t;
  m.lParam = static_cast<std::int64_t>(t.size()) + 1;
  return sendOne(m, true);
}

int MsgWndClient::empty() {
  Message m;
  m.msg = msgwnd::kEmpty;
  return sendOne(m, false);
}

int MsgWndClient::showProgBar(int show) {
  Message m;
  m.msg = msgwnd::kShowProgBar;
  m.wParam = show;
  return sendOne(m, false);
}

int MsgWndClient::initProgBar(std::int32_t first, std::int32_t second) {
  Message m;
  m.msg = msgwnd::kInitProgBar;
  m.wParam = first;
  m.lParam = second;
  return sendOne(m, false);
}

int MsgWndClient::setProgBar(int position) {
  Message m;
  m.msg = msgwnd::kSetProgBar;
  m.wParam = position;
  return sendOne(m, false);
}

int MsgWndClient::close() {
  std::lock_guard<std::mutex> l(mu_);
  if (!findLocked()) return 1;
  Message m;
  m.msg = msgwnd::kClose;
  plat::ipc::post(name(), m);
  for (int i = 0; i < cfg_.closePolls; ++i) {
    if (!findLocked()) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(cfg_.closePollMs));
  }
  return findLocked() ? 0 : 1;
}

bool startDetached(const std::string& program, const std::vector<std::string>& args) {
  // Everything the children need is prepared before fork: after it only
  // async-signal-safe calls are made.
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipefd[2];
  if (::pipe2(pipefd, O_CLOEXEC) != 0) return false;
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(pipefd[0]);
    ::close(pipefd[1]);
    return false;
  }
  if (pid == 0) {
    // The middle child: a new session, the program's process, then gone, so
    // that the program is nobody's child here and leaves no zombie.
    ::setsid();
    pid_t g = ::fork();
    if (g == 0) {
      // Descriptors of this process (sockets, files) are not passed on.
#ifdef SYS_close_range
      ::syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
      // The program starts with no signal blocked, whatever the caller's thread had.
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      int devnull = ::open("/dev/null", O_RDONLY);
      if (devnull >= 0) { ::dup2(devnull, 0); if (devnull != 0) ::close(devnull); }
      ::execv(argv[0], argv.data());
      int e = errno;
      ssize_t w = ::write(pipefd[1], &e, sizeof e);
      (void)w;
      ::_exit(127);
    }
    ::_exit(g < 0 ? 1 : 0);
  }
  ::close(pipefd[1]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  int e = 0;
  ssize_t r;
  do {
    r = ::read(pipefd[0], &e, sizeof e);
  } while (r < 0 && errno == EINTR);
  ::close(pipefd[0]);
  bool middleOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return middleOk && r == 0;  // end of file: the program's exec succeeded
}

MsgWndClient& libraryMsgWndClient() {
  static MsgWndClient client(MsgWndClient::Config{
      "",
      [] {
        MStrBuf b{};
        obel::GetPathToMsgWnd(&b);
        std::string p = msb::ToString(&b);
        msb::Free(&b);
        return rules::programFileFor(p);
      },
      {}, 5500, 51, 100, 5000});
  return client;
}

int AppendMsgLine(const char* text) { return libraryMsgWndClient().appendLine(text); }
int AppendMsgFile(const char* path) { return libraryMsgWndClient().appendFile(path); }
int EmptyMsgWnd() { return libraryMsgWndClient().empty(); }
int ShowMsgProgBar(int show) { return libraryMsgWndClient().showProgBar(show); }
int InitMsgProgBar(std::int32_t a, std::int32_t b) { return libraryMsgWndClient().initProgBar(a, b); }
int SetMsgProgBar(int position) { return libraryMsgWndClient().setProgBar(position); }
int CloseMsgWnd() { return libraryMsgWndClient().close(); }

} // namespace obel
