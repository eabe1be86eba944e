// The message window program's logic.
#include "messages/messages.h"
#include "obeltool/msgwnd_protocol.h"
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace messages {

View::~View() = default;

const char* usage() {
  return "usage: MESSAGES [--headless | --window] [--log FILE] [--endpoint NAME] [--owner PID]\n";
}

Options parseArgs(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--headless") o.headless = true;
    else if (a == "--window") o.window = true;
    else if (a == "--log" && i + 1 < argc) o.logFile = argv[++i];
    else if (a == "--endpoint" && i + 1 < argc) o.endpoint = argv[++i];
    else if (a == "--owner" && i + 1 < argc) o.owner = std::atol(argv[++i]);
    else if (a == "--help" || a == "-h") o.help = true;
    else o.error = "unknown argument: " + a;
  }
  if (o.headless && o.window) o.error = "--headless and --window exclude each other";
  if (o.logFile.empty())
    if (const char* e = std::getenv(kLogEnv); e && *e) o.logFile = e;
  if (o.endpoint.empty()) o.endpoint = msgwnd::endpoint();
  if (o.owner == 0)
    if (const char* e = std::getenv(kOwnerEnv); e && *e) o.owner = std::atol(e);
  if (o.owner < 0) o.owner = 0;
  return o;
}

namespace {
// The state letter and start time of a process from /proc/<pid>/stat; false
// when there is no such process.
bool processStat(long pid, char& state, unsigned long long& start) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!in || !std::getline(in, line)) return false;
  // The name in parentheses may hold blanks: fields are counted after it.
  const auto close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return false;
  state = line[close + 2];
  std::size_t at = close + 2;
  // Field 22 (start time) is the 20th after the state (field 3).
  for (int field = 3; field < 22; ++field) {
    at = line.find(' ', at);
    if (at == std::string::npos) return false;
    ++at;
  }
  start = std::strtoull(line.c_str() + at, nullptr, 10);
  return true;
}
} // namespace

OwnerWatch::OwnerWatch(long pid) {
  char state = 0;
  if (pid > 0 && processStat(pid, state, start_) && state != 'Z') pid_ = pid;
}

bool OwnerWatch::alive() const {
  if (pid_ <= 0) return true;
  char state = 0;
  unsigned long long start = 0;
  return processStat(pid_, state, start) && state != 'Z' && start == start_;
}

bool displayAvailable() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && (std::strncmp(qpa, "offscreen", 9) == 0 || std::strncmp(qpa, "minimal", 7) == 0)) return false;
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}

bool EventLog::open(const std::string& path) {
  std::lock_guard<std::mutex> l(mu_);
  if (f_) std::fclose(f_);
  f_ = nullptr;
  if (path.empty()) return true;
  f_ = std::fopen(path.c_str(), "a");
  return f_ != nullptr;
}

EventLog::~EventLog() {
  if (f_) std::fclose(f_);
}

void EventLog::write(const std::string& event) {
  std::lock_guard<std::mutex> l(mu_);
  if (!f_) return;
  std::string line = event;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), f_);
  std::fflush(f_);
}

bool readFileLines(const std::string& path, std::vector<std::string>& lines, std::size_t maxBytes,
                   std::size_t maxLines) {
  lines.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string data;
  data.resize(maxBytes);
  in.read(data.data(), static_cast<std::streamsize>(maxBytes));
  data.resize(static_cast<std::size_t>(in.gcount()));
  std::size_t i = 0;
  while (i < data.size() && lines.size() < maxLines) {
    std::size_t j = data.find('\n', i);
    if (j == std::string::npos) j = data.size();
    std::string l = data.substr(i, j - i);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(std::move(l));
    i = j + 1;
  }
  return true;
}

void Handler::event(const std::string& e) {
  if (log_) log_->write(e);
}

plat::ipc::Answer Handler::handle(const plat::ipc::Message& m) {
  plat::ipc::Answer a;
  switch (m.msg) {
  case msgwnd::kIdentify:
    a.result = 1;
    a.text = msgwnd::kIdentity;
    break;
  case msgwnd::kAppendLine:
    event("LINE " + m.text);
    if (view_) view_->appendLine(m.text);
    a.result = 1;
    break;
  case msgwnd::kAppendFile: {
    std::vector<std::string> lines;
    if (m.text.empty() || !readFileLines(m.text, lines)) {
      event("FILE " + m.text + " UNREADABLE");
      a.result = 0;
      break;
    }
    event("FILE " + m.text);
    for (const auto& l : lines) {
      event("FILELINE " + l);
      if (view_) view_->appendLine(l);
    }
    a.result = 1;
    break;
  }
  case msgwnd::kEmpty:
    event("EMPTY");
    if (view_) view_->clear();
    a.result = 1;
    break;
  case msgwnd::kShowProgBar:
    event(std::string("PROGBAR SHOW ") + (m.wParam ? "1" : "0"));
    if (view_) view_->showProgress(m.wParam != 0);
    a.result = 1;
    break;
  case msgwnd::kInitProgBar:
    event("PROGBAR INIT " + std::to_string(m.wParam) + " " + std::to_string(m.lParam));
    if (view_) view_->initProgress(m.wParam, m.lParam);
    a.result = 1;
    break;
  case msgwnd::kSetProgBar:
    event("PROGBAR POS " + std::to_string(m.wParam));
    if (view_) view_->setProgress(m.wParam);
    a.result = 1;
    break;
  case msgwnd::kClose:
    event("CLOSE");
    if (view_) view_->closeRequested();
    a.result = 1;
    break;
  default:
    a.result = 0;
    break;
  }
  return a;
}

namespace {
class HeadlessView : public View {
public:
  std::atomic<bool> closed{false};
  void appendLine(const std::string&) override {}
  void clear() override {}
  void showProgress(bool) override {}
  void initProgress(std::int64_t, std::int64_t) override {}
  void setProgress(std::int64_t) override {}
  void closeRequested() override { closed = true; }
};
} // namespace

int runHeadless(const Options& o) {
  // SIGINT and SIGTERM end the program in order; they are taken here, not by
  // the endpoint's thread (created below with the mask inherited).
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  EventLog log;
  if (!log.open(o.logFile)) {
    std::fprintf(stderr, "MESSAGES: cannot open the log file %s\n", o.logFile.c_str());
    return 1;
  }
  HeadlessView view;
  Handler handler(&view, &log);
  auto ep = plat::ipc::Endpoint::create(o.endpoint, [&](const plat::ipc::Message& m) { return handler.handle(m); });
  if (!ep) {
    std::fprintf(stderr, "MESSAGES: a message window is already running\n");
    return 1;
  }
  const OwnerWatch owner(o.owner);
  timespec tick{0, 100 * 1000 * 1000};
  while (!view.closed && owner.alive()) {
    int s = sigtimedwait(&set, nullptr, &tick);
    if (s == SIGINT || s == SIGTERM) break;
  }
  ep->close();
  return 0;
}

} // namespace messages
