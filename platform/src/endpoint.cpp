// Named endpoints over Unix domain sockets. See platform/endpoint.h for the
// naming, the ids and the runtime directory; the frames are in endpoint_wire.h.
#include "platform/endpoint.h"
#include "endpoint_wire.h"
#include "platform/handles.h"
#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace plat::ipc {

namespace {

using SteadyClock = std::chrono::steady_clock;

// How long the endpoint waits for a request frame after accepting its
// connection. A sender writes the whole frame right after connecting. Frames
// are gathered from all connections at once and a request reaches the handler
// only when it is whole, so a peer that stalls costs only its own connection,
// which is dropped after this.
constexpr int kRequestMs = 2000;
// Connections whose frame is still being read; more are refused (closed at
// once) until some end.
constexpr std::size_t kMaxPendingConnections = 256;
// How long the endpoint waits for the sender to take its answer; a sender
// that stalls cannot block the endpoint longer.
constexpr int kPeerIoMs = 2000;
// How long post() may take to hand over its frame.
constexpr int kPostMs = 2000;

// ---------------------------------------------------------------- directory

bool ensurePrivateDir(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      std::fprintf(stderr, "%s: not a private directory of this user; messages between programs are off\n",
                   dir.c_str());
    return false;
  }
  return true;
}

// An exclusive lock over the runtime directory while creating, taking over
// and removing sockets and id files, so that two processes never remove what
// the other has just made.
class DirLock {
public:
  explicit DirLock(const std::string& dir) {
    fd_ = ::open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {}
  }
  ~DirLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  DirLock(const DirLock&) = delete;
  DirLock& operator=(const DirLock&) = delete;
private:
  int fd_ = -1;
};

std::uint64_t fnv1a(const std::string& s) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string socketFileName(const std::string& dir, const std::string& name) {
  std::string folded = path::toUpper(name);
  std::string safe;
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : folded) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-') {
      safe.push_back(char(c));
    } else {
      safe.push_back('%');
      safe.push_back(hex[c >> 4]);
      safe.push_back(hex[c & 15]);
    }
  }
  if (safe.empty() || safe[0] == '.') safe.insert(0, "n");
  std::string file = safe + ".sock";
  if (dir.size() + 1 + file.size() + 1 > sizeof(sockaddr_un{}.sun_path) || file.size() > 200) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "h%016llx.sock", static_cast<unsigned long long>(fnv1a(folded)));
    file = buf;
  }
  return file;
}

std::string idFilePath(const std::string& dir, std::uint32_t id) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "/%08x.id", id);
  return dir + buf;
}

// ---------------------------------------------------------------- sockets

int remainingMs(SteadyClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left < 0 ? 0 : int(left);
}

bool waitFd(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, remainingMs(deadline));
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool writeAll(int fd, const std::string& data, SteadyClock::time_point deadline) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += std::size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitFd(fd, POLLOUT, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool readAll(int fd, void* buf, std::size_t size, SteadyClock::time_point deadline) {
  auto* p = static_cast<char*>(buf);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::recv(fd, p + done, size - done, MSG_DONTWAIT);
    if (n > 0) {
      done += std::size_t(n);
      continue;
    }
    if (n == 0) return false;  // closed early
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!waitFd(fd, POLLIN, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool fillAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() + 1 > sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

enum class Reach { Connected, NoFile, Refused, Busy, Failed };

// Connects without blocking past the deadline. A full backlog is retried
// until the deadline (the peer lives but is slow).
Reach connectTo(const std::string& path, SteadyClock::time_point deadline, int& fdOut) {
  fdOut = -1;
  sockaddr_un addr;
  if (!fillAddress(path, addr)) return Reach::Failed;
  for (;;) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Reach::Failed;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      fdOut = fd;
      return Reach::Connected;
    }
    int e = errno;
    ::close(fd);
    if (e == ENOENT) return Reach::NoFile;
    if (e == ECONNREFUSED) return Reach::Refused;
    if (e == EAGAIN || e == EINTR) {
      if (remainingMs(deadline) <= 0) return Reach::Busy;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    return Reach::Failed;
  }
}

// Is a listener at path? Removes the socket file when nobody listens.
// Call with the directory lock held.
Reach probeAndClean(const std::string& path) {
  int fd = -1;
  Reach r = connectTo(path, SteadyClock::now(), fd);
  if (fd >= 0) ::close(fd);
  if (r == Reach::Refused) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
  }
  return r;
}

void removeStaleSocket(const std::string& dir, const std::string& path) {
  DirLock lock(dir);
  probeAndClean(path);
}

// ---------------------------------------------------------------- id files

bool processAlive(long pid) {
  if (pid <= 0) return false;
  return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Reads "<pid>\n<name>" from an id file.
bool readIdFile(const std::string& file, long& pid, std::string& name) {
  std::string data;
  if (!path::readFile(file, data)) return false;
  std::size_t nl = data.find('\n');
  if (nl == std::string::npos || nl == 0 || nl > 12) return false;
  char* end = nullptr;
  std::string pidText = data.substr(0, nl);
  pid = std::strtol(pidText.c_str(), &end, 10);
  if (!end || *end != '\0') return false;
  name = data.substr(nl + 1);
  return true;
}

// Creates the id file exclusively (the content is complete before the file
// appears under its name). Call with the directory lock held.
bool claimIdFile(const std::string& dir, std::uint32_t id, const std::string& name) {
  std::string file = idFilePath(dir, id);
  long pid = 0;
  std::string owner;
  if (::access(file.c_str(), F_OK) == 0) {
    if (readIdFile(file, pid, owner) && processAlive(pid)) return false;
    ::unlink(file.c_str());  // its process is gone
  }
  std::string tmp = file + ".new" + std::to_string(::getpid());
  std::string content = std::to_string(::getpid()) + "\n" + name;
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::write(fd, content.data(), content.size()) == ssize_t(content.size());
  ::close(fd);
  ok = ok && ::link(tmp.c_str(), file.c_str()) == 0;
  ::unlink(tmp.c_str());
  return ok;
}

std::uint32_t randomClaimedId() {
  static std::mutex mu;
  static std::mt19937 gen{[] {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), unsigned(::getpid()),
                      unsigned(SteadyClock::now().time_since_epoch().count())};
    return std::mt19937(seq);
  }()};
  std::lock_guard<std::mutex> lk(mu);
  return handles::kClaimedBase + (gen() % (handles::kClaimedLast - handles::kClaimedBase + 1));
}

// ---------------------------------------------------------------- endpoint

// A connection whose request frame is still arriving.
struct PendingConnection {
  int fd = -1;
  std::string data;
  SteadyClock::time_point deadline;
};

// What the endpoint's thread needs; shared with the thread so that it stays
// valid until the thread has finished, whatever happens to the Endpoint.
struct State {
  int listenFd = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  Endpoint::Handler handler;
  std::string name;
  std::atomic<bool> stop{false};
  // Touched only by the serving thread (also inside nested serving).
  std::vector<PendingConnection> pending;
  ~State() {
    for (int fd : {listenFd, wakeRead, wakeWrite})
      if (fd >= 0) ::close(fd);
    for (auto& c : pending) ::close(c.fd);
  }
};

// Reads what a connection has sent so far. Gives true when its frame is
// whole (`done`) or the connection is to be dropped (`done` false).
bool readPending(PendingConnection& c, bool& done) {
  done = false;
  char chunk[512];
  for (;;) {
    std::size_t want = wire::kRequestHeader;
    if (c.data.size() >= wire::kRequestHeader) {
      auto h = wire::decodeRequestHeader(reinterpret_cast<const unsigned char*>(c.data.data()));
      if (!h) return true;  // not one of ours, or a text that is too long: dropped whole
      want = wire::kRequestHeader + h->textLength;
    }
    if (c.data.size() >= want) {
      done = true;
      return true;
    }
    std::size_t n = std::min(sizeof chunk, want - c.data.size());
    ssize_t got = ::recv(c.fd, chunk, n, MSG_DONTWAIT);
    if (got > 0) {
      c.data.append(chunk, std::size_t(got));
      continue;
    }
    if (got == 0) return true;  // closed early
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return false;  // more later
    return true;
  }
}

// Runs the handler on a whole request frame and answers a send.
void handleRequest(State& s, int fd, const std::string& frame) {
  auto h = wire::decodeRequestHeader(reinterpret_cast<const unsigned char*>(frame.data()));
  if (!h) return;
  Message m = h->msg;
  m.text.assign(frame, wire::kRequestHeader, h->textLength);
  Answer a;
  if (s.handler) {
    try {
      a = s.handler(m);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: message %u failed: %s\n", s.name.c_str(), m.msg, e.what());
      a = Answer{};
    } catch (...) {
      std::fprintf(stderr, "%s: message %u failed\n", s.name.c_str(), m.msg);
      a = Answer{};
    }
  }
  if (h->kind != wire::kSend) return;
  if (a.text.size() > wire::kMaxAnswerText) {
    std::fprintf(stderr, "%s: answer text of message %u too long; answered without text\n", s.name.c_str(), m.msg);
    a.text.clear();
  }
  writeAll(fd, wire::encodeAnswer(a), SteadyClock::now() + std::chrono::milliseconds(kPeerIoMs));
}

// One round of serving: waits (until `until`, or for ever when it is max())
// for new connections, for more of the frames being read, for `extraFd` (-1
// for none) and for the wake pipe; takes what arrived, and runs the handler
// for every request that is now whole, one after the other. The handler may
// serve nested rounds (a handler that sends). Returns how the round ended.
enum class Round { Served, ExtraReady, WakeUp, TimedOut, ListenerGone };

Round serveRound(State& s, int extraFd, SteadyClock::time_point until) {
  std::vector<pollfd> p;
  p.reserve(3 + s.pending.size());
  p.push_back({s.listenFd, POLLIN, 0});
  p.push_back({s.wakeRead, POLLIN, 0});
  p.push_back({extraFd, POLLIN, 0});
  auto wait = until;
  for (const auto& c : s.pending) {
    p.push_back({c.fd, POLLIN, 0});
    wait = std::min(wait, c.deadline);
  }
  int timeout = wait == SteadyClock::time_point::max() ? -1 : remainingMs(wait);
  if (wait != SteadyClock::time_point::max() && timeout == 0 && wait > SteadyClock::now()) timeout = 1;
  int r = ::poll(p.data(), nfds_t(p.size()), timeout);
  if (r < 0 && errno != EINTR) return Round::ListenerGone;
  if (r < 0) return Round::Served;
  if (s.stop.load() || (p[1].revents & POLLIN)) return Round::WakeUp;

  // Take what the pending connections sent; the whole frames leave the list
  // before any handler runs (a nested round changes the list).
  std::vector<std::pair<int, std::string>> ready;
  const auto now = SteadyClock::now();
  std::size_t keep = 0;
  for (std::size_t i = 0; i < s.pending.size(); ++i) {
    PendingConnection& c = s.pending[i];
    bool drop = false, done = false;
    if (p[3 + i].revents) drop = readPending(c, done);
    if (!drop && now >= c.deadline) drop = true;  // stalled: only its own connection goes
    if (done) {
      ready.emplace_back(c.fd, std::move(c.data));
    } else if (drop) {
      ::close(c.fd);
    } else {
      if (keep != i) s.pending[keep] = std::move(c);
      ++keep;
    }
  }
  s.pending.resize(keep);

  if (p[0].revents & POLLIN) {
    for (;;) {
      int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) break;
      PendingConnection c;
      c.fd = fd;
      c.deadline = SteadyClock::now() + std::chrono::milliseconds(kRequestMs);
      bool done = false;
      bool drop = readPending(c, done);  // a sender usually wrote its frame already
      if (done) {
        ready.emplace_back(fd, std::move(c.data));
      } else if (drop || s.pending.size() >= kMaxPendingConnections) {
        ::close(fd);
      } else {
        s.pending.push_back(std::move(c));
      }
    }
  } else if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
    for (auto& [fd, frame] : ready) ::close(fd);
    return Round::ListenerGone;
  }

  for (auto& [fd, frame] : ready) {
    handleRequest(s, fd, frame);
    ::close(fd);
  }
  if (extraFd >= 0 && p[2].revents) return Round::ExtraReady;
  if (until != SteadyClock::time_point::max() && SteadyClock::now() >= until) return Round::TimedOut;
  return Round::Served;
}

// The endpoint whose handler runs on this thread, if any.
thread_local State* tServing = nullptr;

void serve(std::shared_ptr<State> s) {
  tServing = s.get();
  while (!s->stop.load()) {
    Round r = serveRound(*s, -1, SteadyClock::time_point::max());
    if (r == Round::WakeUp || r == Round::ListenerGone) break;
  }
}

class SocketEndpoint : public Endpoint {
public:
  SocketEndpoint(std::shared_ptr<State> s, std::string dir, std::string sockPath, dev_t dev, ino_t ino)
      : state_(std::move(s)), dir_(std::move(dir)), path_(std::move(sockPath)), dev_(dev), ino_(ino) {}
  ~SocketEndpoint() override {
    close();
    if (thread_.joinable()) {
      if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();  // destroyed by its own handler: the thread ends by itself
      else
        thread_.join();
    }
  }

  bool registerId() {
    DirLock lock(dir_);
    for (int attempt = 0; attempt < 64; ++attempt) {
      std::uint32_t id = randomClaimedId();
      if (!handles::claim(id, this, kEndpointHandleKind)) continue;
      if (claimIdFile(dir_, id, state_->name)) {
        id_ = id;
        return true;
      }
      handles::release(id);
    }
    return false;
  }

  void startThread() { thread_ = std::thread(serve, state_); }

  std::uint32_t id() const override { return id_; }
  const std::string& name() const override { return state_->name; }

  void close() override {
    if (closed_.exchange(true)) return;
    state_->stop = true;
    if (state_->wakeWrite >= 0) {
      char c = 1;
      (void)!::write(state_->wakeWrite, &c, 1);
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
      thread_.join();
      // Senders still waiting in the backlog, or still sending, get a closed
      // connection at once.
      ::close(state_->listenFd);
      state_->listenFd = -1;
      for (auto& c : state_->pending) ::close(c.fd);
      state_->pending.clear();
    }
    {
      DirLock lock(dir_);
      struct stat st;
      // Only the socket this endpoint made; never one that replaced it.
      if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_) ::unlink(path_.c_str());
      if (id_) ::unlink(idFilePath(dir_, id_).c_str());
    }
    if (id_) handles::release(id_);
  }

private:
  std::shared_ptr<State> state_;
  std::string dir_;
  std::string path_;
  dev_t dev_;
  ino_t ino_;
  std::uint32_t id_ = 0;
  std::thread thread_;
  std::atomic<bool> closed_{false};
};

// Waits until the answer starts to arrive. A handler that sends keeps its own
// endpoint answering meanwhile (as a thread waiting in a sent window message
// still handles messages sent to its windows), so that a handler may send to
// its own endpoint or to a peer that sends back without a deadlock.
bool waitForAnswer(int fd, SteadyClock::time_point deadline) {
  State* own = tServing;
  if (!own) return true;
  for (;;) {
    switch (serveRound(*own, fd, deadline)) {
      case Round::ExtraReady: return true;
      case Round::TimedOut: return false;
      case Round::Served: break;
      case Round::WakeUp:
      case Round::ListenerGone: return waitFd(fd, POLLIN, deadline);  // only wait for the answer
    }
    if (SteadyClock::now() >= deadline) return waitFd(fd, POLLIN, deadline);
  }
}

std::optional<Answer> exchange(const std::string& name, wire::Kind kind, const Message& m, int timeoutMs) {
  if (m.text.size() > kMaxText) return std::nullopt;  // refused, never cut
  std::string dir = runtimeDir();
  if (dir.empty()) return std::nullopt;
  std::string sock = dir + "/" + socketFileName(dir, name);
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  int fd = -1;
  Reach r = connectTo(sock, deadline, fd);
  if (r == Reach::Refused) removeStaleSocket(dir, sock);  // a dead peer
  if (r != Reach::Connected) return std::nullopt;
  std::optional<Answer> result;
  if (writeAll(fd, wire::encodeRequest(kind, m), deadline)) {
    if (kind == wire::kPost) {
      result = Answer{};
    } else {
      unsigned char head[wire::kAnswerHeader];
      std::uint32_t len = 0;
      if (waitForAnswer(fd, deadline) && readAll(fd, head, sizeof head, deadline)) {
        std::optional<Answer> a = wire::decodeAnswerHeader(head, len);
        if (a) {
          a->text.resize(len);
          if (len == 0 || readAll(fd, a->text.data(), len, deadline)) result = std::move(a);
        }
      }
    }
  }
  ::close(fd);
  return result;
}

} // namespace

Endpoint::~Endpoint() = default;

std::string runtimeDir() {
  std::string dir;
  if (const char* own = std::getenv("ZERLO_RUNTIME_DIR"); own && *own) {
    dir = path::normalize(own);
  } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg && path::isAbsolute(xdg)) {
    dir = path::join(xdg, "zerlo");
  } else {
    dir = "/tmp/zerlo-" + std::to_string(::geteuid());
  }
  return ensurePrivateDir(dir) ? dir : std::string();
}

std::string socketPath(const std::string& name) {
  std::string dir = runtimeDir();
  if (dir.empty()) return {};
  return dir + "/" + socketFileName(dir, name);
}

std::string endpointName(const std::string& windowClass, const std::string& title) {
  return windowClass + "|" + title;
}

std::unique_ptr<Endpoint> Endpoint::create(const std::string& name, Handler handler) {
  std::string dir = runtimeDir();
  if (dir.empty()) return nullptr;
  std::string sock = dir + "/" + socketFileName(dir, name);
  sockaddr_un addr;
  if (!fillAddress(sock, addr)) return nullptr;

  auto state = std::make_shared<State>();
  state->handler = std::move(handler);
  state->name = name;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  state->wakeRead = pipeFds[0];
  state->wakeWrite = pipeFds[1];

  struct stat st {};
  {
    DirLock lock(dir);
    Reach r = probeAndClean(sock);  // takes over a stale socket
    if (r == Reach::Connected || r == Reach::Busy) return nullptr;  // a live endpoint has the name
    struct stat old;
    if (::lstat(sock.c_str(), &old) == 0) return nullptr;  // something else sits there
    state->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (state->listenFd < 0) return nullptr;
    if (::bind(state->listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return nullptr;
    if (::listen(state->listenFd, 64) != 0 || ::lstat(sock.c_str(), &st) != 0) {
      ::unlink(sock.c_str());
      return nullptr;
    }
  }
  auto ep = std::make_unique<SocketEndpoint>(state, dir, sock, st.st_dev, st.st_ino);
  if (!ep->registerId()) return nullptr;  // the destructor removes the socket
  ep->startThread();
  return ep;
}

bool exists(const std::string& name) {
  std::string dir = runtimeDir();
  if (dir.empty()) return false;
  std::string sock = dir + "/" + socketFileName(dir, name);
  int fd = -1;
  Reach r = connectTo(sock, SteadyClock::now(), fd);
  if (fd >= 0) ::close(fd);
  if (r == Reach::Refused) removeStaleSocket(dir, sock);
  return r == Reach::Connected || r == Reach::Busy;
}

std::optional<Answer> send(const std::string& name, const Message& m, int timeoutMs) {
  return exchange(name, wire::kSend, m, timeoutMs);
}

bool post(const std::string& name, const Message& m) {
  return exchange(name, wire::kPost, m, kPostMs).has_value();
}

std::string nameOfId(std::uint32_t id) {
  if (id == 0) return {};
  if (void* local = handles::lookup(id, kEndpointHandleKind))
    return static_cast<Endpoint*>(local)->name();
  if (id < handles::kClaimedBase || id > handles::kClaimedLast) return {};
  std::string dir = runtimeDir();
  if (dir.empty()) return {};
  std::string file = idFilePath(dir, id);
  long pid = 0;
  std::string name;
  if (!readIdFile(file, pid, name)) return {};
  if (processAlive(pid)) return name;
  DirLock lock(dir);
  if (readIdFile(file, pid, name) && !processAlive(pid)) ::unlink(file.c_str());
  return {};
}

std::vector<std::pair<std::uint32_t, std::string>> liveEndpoints() {
  std::vector<std::pair<std::uint32_t, std::string>> out;
  std::string dir = runtimeDir();
  if (dir.empty()) return out;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return out;
  std::vector<std::uint32_t> ids;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n.size() != 11 || n.compare(8, 3, ".id") != 0) continue;
    std::string hexId = n.substr(0, 8);
    char* end = nullptr;
    unsigned long v = std::strtoul(hexId.c_str(), &end, 16);
    if (end && *end == '\0') ids.push_back(std::uint32_t(v));
  }
  ::closedir(d);
  for (std::uint32_t id : ids) {
    std::string name = nameOfId(id);
    if (!name.empty()) out.emplace_back(id, std::move(name));
  }
  return out;
}

} // namespace plat::ipc
