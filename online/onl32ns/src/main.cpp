// ONL32NS: the named server. Owns the one connection to a target under a
// server name and serves the server command protocol on its endpoint until the
// last client logs out. It has no window of its own; with a display it runs a
// QApplication on its main thread for the diagnosis window of the software PLC
// and shows its boxes through the dialog kit (headless they are logged).
#include "obeltool/obeltool.h"
#include "gui.h"
#include "onl32ns/bindings.h"
#include "onl32ns/cmdline.h"
#include "onl32ns/name_claim.h"
#include "onl32ns/server_core.h"
#include "platform/endpoint.h"
#include "platform/handles.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/uisink.h"
#include "srvclient/client.h"
#include "toolbind/toolbind.h"

#include <sys/resource.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The client list node the runtime walks to notify the logged-in clients.
struct ZrlClientNode {
  std::uint32_t id;
  ZrlClientNode* next;
};

namespace {

using namespace onl32ns;

const char* const kCaption = "ONL32NS";
// The server's timer message: look for clients that are gone.
constexpr std::uint32_t kWmTimer = 0x0113;

void fatal(const std::string& text) { plat::ui::messageBox(text, kCaption, plat::ui::MB_OK | plat::ui::MB_ICONHAND); }

std::string withArg(int id, const std::string& arg) {
  char buf[512];
  std::snprintf(buf, sizeof buf, serverText(id), arg.c_str());
  return buf;
}

// The server state reached from the online library's callbacks.
struct Server {
  std::string name;
  ServerCore* core = nullptr;
  std::mutex mu;
  std::condition_variable cv;
  bool closing = false;
  std::uint32_t windowId = 0;
  ZrlClientNode* clientHead = nullptr;
  std::deque<ZrlClientNode> nodes;  // stable storage; unlinked nodes stay until exit

  void syncClients() {
    // Rebuild the C list from the core's list in login order.
    ZrlClientNode* head = nullptr;
    ZrlClientNode** tail = &head;
    for (auto id : core->clients()) {
      ZrlClientNode* n = nullptr;
      for (auto& existing : nodes)
        if (existing.id == id) n = &existing;
      if (!n) n = &nodes.emplace_back(ZrlClientNode{id, nullptr});
      n->next = nullptr;
      *tail = n;
      tail = &n->next;
    }
    clientHead = head;
  }
  void close() {
    std::lock_guard<std::mutex> lock(mu);
    closing = true;
    cv.notify_all();
  }
};
Server g_server;

int messageCallback(const char* text) {
  // The server's message output discards the texts.
  (void)text;
  return 1;
}

void progressCallback(int percent) {
  if (g_server.core) g_server.core->reportProgress(percent);
}

bool bindConverter(toolbind::ToolBinding& tb, Mc01Converter& conv, std::uint8_t format) {
  auto getConv = tb.fn<int (*)(int, MStrBuf*)>("GetPathToMsgConvDLL");
  MStrBuf buf{};
  std::string path;
  if (getConv && getConv(format, &buf) && buf.text) path = buf.text;
  tb.deleteMStrBuf(&buf);
  if (path.empty()) {
    fatal(withArg(307, std::to_string(format)));
    return false;
  }
  if (!conv.bind(path)) {
    fatal(withArg(301, path));
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  const std::string programDir = plat::path::programDir();
  // The GUI thread first, so that anything opening a window finds it.
  onl32ns::startGui(argc, argv);
  struct GuiEnd {
    ~GuiEnd() { onl32ns::stopGui(); }
  } guiEnd;

  // 1. The settings library from the program's directory.
  auto& tb = toolbind::moduleBinding();
  toolbind::BindOptions opt;
  opt.anchor = toolbind::Anchor::HostProgram;
  opt.minVersion = 0.04;
  opt.names = {"AppendMsgLine", "SetBINPath", "GetDefaultTargetFormat", "SetDefaultTargetFormat",
               "GetPathToMsgConvDLL", "GetPathToOnlineDLL", "GetPathToDdfReaderDLL", "GetSoftResetTimeOut",
               "DeleteMStrBuf"};
  if (tb.bind(opt) != toolbind::BindStatus::Bound) {
    tb.unbind();
    fatal(serverText(300));
    return 1;
  }

  // 2. The message converter of the default target format.
  std::uint8_t format = 0;
  if (auto getFmt = tb.fn<int (*)(std::uint8_t*)>("GetDefaultTargetFormat")) getFmt(&format);
  if (format == 0) format = 2;
  Mc01Converter conv;
  if (!bindConverter(tb, conv, format)) {
    tb.unbind();
    return 1;
  }

  // 3. The command line.
  std::vector<std::string> args(argv + 1, argv + argc);
  auto cl = parseCommandLine(args, programDir);
  if (!cl) {
    fatal(serverText(311));
    conv.unbind();
    tb.unbind();
    return 1;
  }
  g_server.name = cl->name;
  const std::string endpoint = srv::serverEndpoint(srv::kServerClass, cl->name);

  // 4. A server of this name runs already, or another start claimed the name
  // first: hand over to it. Otherwise the name is ours until we exit.
  static NameClaim claim;
  const StartRole role = claimServerName(endpoint, claim, 15000);
  if (role == StartRole::Failed) {
    fatal(withArg(303, endpoint));
    conv.unbind();
    tb.unbind();
    return 1;
  }
  if (role == StartRole::HandOver) {
    srv::Client client(endpoint);
    auto comm = client.query("COMM");
    bool on = comm && srv::upperAscii(*comm) == "ON";
    client.command("MODE", on ? "TERMINAL" : "TEST");
    conv.unbind();
    tb.unbind();
    return 0;
  }

  // 5. The online server library.
  std::string driverKey;
  {
    // The driver library named in the section of this server.
    driverKey = plat::profile::getString(cl->configPath, cl->name, "driver", "");
  }
  std::string driverPath = driverKey.empty() ? std::string() : plat::path::join(programDir, driverKey);
  std::string ddfReaderPath;
  tb.getPath("GetPathToDdfReaderDLL", ddfReaderPath);
  std::uint32_t softReset = 15;
  if (auto f = tb.fn<int (*)(const char*)>("GetSoftResetTimeOut")) softReset = static_cast<std::uint32_t>(f("ONL32NS"));

  std::string onlinePath;
  {
    auto f = tb.fn<int (*)(const char*, MStrBuf*)>("GetPathToOnlineDLL");
    MStrBuf buf{};
    if (f && f("ONL32NS", &buf) && buf.text) onlinePath = buf.text;
    tb.deleteMStrBuf(&buf);
  }
  Od01Library online;
  std::string failed;
  if (onlinePath.empty() || !online.bind(onlinePath, failed)) {
    fatal(withArg(301, onlinePath.empty() ? std::string("ONL32.DLL") : onlinePath));
    conv.unbind();
    tb.unbind();
    return 1;
  }

  ServerHooks hooks;
  hooks.close = [] { g_server.close(); };
  hooks.progress = [](std::uint32_t window, std::uint32_t msg, int pct) {
    std::string target = plat::ipc::nameOfId(window);
    if (target.empty()) return;
    plat::ipc::Message m;
    m.msg = msg;
    m.wParam = pct;
    m.lParam = pct;
    plat::ipc::post(target, m);
  };
  hooks.selectConverter = [&](std::uint8_t f) {
    conv.unbind();
    if (!bindConverter(tb, conv, f)) return false;
    if (auto set = tb.fn<int (*)(unsigned)>("SetDefaultTargetFormat")) set(f);
    return true;
  };
  // A client id that lies in the endpoint range and whose endpoint no longer
  // exists (its process ended without LOGOUT) does not keep the server; other
  // ids cannot be checked and count as alive.
  hooks.clientGone = [](std::uint32_t id) {
    if (id < plat::handles::kClaimedBase || id > plat::handles::kClaimedLast) return false;
    return plat::ipc::nameOfId(id).empty();
  };
  hooks.sleep = [](int ms) {
    struct timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
  };
  ServerCore core(online, hooks);
  core.setConverter(&conv);
  core.setTargetFormat(format);
  g_server.core = &core;

  OnlineInitRecord rec{};
  rec.size = OD01_INIT_RECORD_SIZE;
  rec.driverPath = driverPath.c_str();
  rec.configPath = cl->configPath.c_str();
  rec.ddfReaderPath = ddfReaderPath.c_str();
  rec.message = messageCallback;
  rec.progress = progressCallback;
  rec.softResetTimeout = softReset;
  rec.serverWindow = &g_server.windowId;
  rec.clientList = &g_server.clientHead;

  bool missing = false;
  if (!online.init(rec, missing)) {
    fatal(withArg(missing ? 301 : 303, onlinePath));
    online.unbind();
    conv.unbind();
    tb.unbind();
    return 1;
  }
  // 6. The endpoint (the hidden window), created once the online library is
  // ready, so that no client reaches an operation before the channel is open.
  // The runtime reads the window's id through its address when it needs it.
  auto ep = plat::ipc::Endpoint::create(endpoint, [&](const plat::ipc::Message& m) {
    plat::ipc::Answer a;
    switch (m.msg) {
      case srv::WM_SRV_BUSY:
        a.result = core.busy() ? 1 : 0;
        break;
      case srv::WM_SRV_QUERY: {
        Reply r = core.query(m.text);
        a.result = r.number;
        if (r.hasText) a.text = r.text;
        break;
      }
      case srv::WM_SRV_SET: {
        Reply r = core.command(m.text);
        g_server.syncClients();
        a.result = r.number;
        if (r.hasText) a.text = r.text;
        break;
      }
      case srv::WM_CLOSE:
        g_server.close();
        break;
      case kWmTimer:
        core.checkClients();
        g_server.syncClients();
        break;
      default:
        break;
    }
    return a;
  });
  if (!ep) {
    fatal(withArg(303, onlinePath));
    online.deinit();
    online.unbind();
    conv.unbind();
    tb.unbind();
    return 1;
  }
  g_server.windowId = ep->id();

  // The high priority class where the system allows it.
  setpriority(PRIO_PROCESS, 0, -5);

  // 7. Started without a name or configuration: switch the target to TEST.
  if (cl->testStart) {
    plat::ipc::Message m;
    m.msg = srv::WM_SRV_SET;
    m.text = "MODE=TEST";
    plat::ipc::post(endpoint, m);
  }

  // Once a second the server looks for clients that ended without logging
  // out (a timer message to itself, handled between the commands).
  std::thread clientCheck([&] {
    std::unique_lock<std::mutex> lock(g_server.mu);
    while (!g_server.cv.wait_for(lock, std::chrono::seconds(1), [] { return g_server.closing; })) {
      lock.unlock();
      plat::ipc::Message m;
      m.msg = kWmTimer;
      plat::ipc::post(endpoint, m);
      lock.lock();
    }
  });

  // 8. Serve until closed.
  onl32ns::serveUntilClosed(
      [] {
        std::lock_guard<std::mutex> lock(g_server.mu);
        return g_server.closing;
      },
      [] {
        std::unique_lock<std::mutex> lock(g_server.mu);
        g_server.cv.wait(lock, [] { return g_server.closing; });
      });

  // 9. Release everything. The online library ends the runtime, whose
  // diagnosis window closes on the GUI thread: the event loop goes on while
  // another thread releases, and the GUI thread waits for nobody.
  clientCheck.join();
  ep->close();
  g_server.core = nullptr;
  {
    std::atomic<bool> released{false};
    std::thread releaser([&] {
      online.deinit();
      released = true;
    });
    onl32ns::serveUntilClosed([&] { return released.load(); }, [] {});
    releaser.join();
  }
  onl32ns::stopGui();
  online.unbind();
  conv.unbind();
  tb.unbind();
  return 0;
}
