// The main program Zerlo: the start checks, the frame with its bars and
// menus, the message loop and the shut-down.
#include "dialogkit/qtkit.h"
#include "display/gdi.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "editor/qtclipboard.h"
#include "engine/externs.h"
#include "engine/workers.h"
#include "platform/ports.h"
#include "platform/windows.h"
#include "shell/binding.h"
#include "shell/dialogs.h"
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/services.h"
#include "zerloapp/blockseam.h"
#include "zerloapp/cmdline.h"
#include "zerloapp/editordispatcher.h"
#include "zerloapp/frame.h"
#include "zerloapp/instances.h"
#include "zerloapp/startup.h"
#include "zerloapp/uiscript.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::unique_ptr<plat::ipc::Endpoint> g_endpoint;
std::atomic<std::uint32_t> g_frameId{0};

plat::ipc::Answer onInstanceMessage(const plat::ipc::Message& m) {
  plat::ipc::Answer a;
  if (m.msg == zapp::kInstanceQuery && m.wParam == 0) {
    a.result = zapp::app().instance;
    return a;
  }
  if (m.msg == zapp::kInstanceQuery && m.wParam == 1) {
    a.text = zapp::inst_ProjectPath();
    a.result = a.text.empty() ? 0 : 1;
    return a;
  }
  const std::uint32_t frame = g_frameId.load();
  if (!frame) return a;
  // Handled on the GUI thread; this thread waits for the answer.
  if (auto r = plat::win::sendMessage(frame, m.msg, m.wParam, m.lParam)) a.result = *r;
  return a;
}

int claimInstance() {
  int n = 0;
  g_endpoint = zapp::app_AssignInstanceNumber(n, onInstanceMessage);
  return n;
}

zapp::Dispatcher* g_dispatcher = nullptr;
QPointer<zapp::Frame> g_frame;
void registerClipboard() {
  if (g_dispatcher) g_dispatcher->clipRegisterFormat();
}

int screenSize(int* w, int* h) {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s || !w || !h) return 0;
  *w = s->geometry().width();
  *h = s->geometry().height();
  return 1;
}

// SIGTERM, SIGHUP and SIGINT end the program as a close does, without its
// questions: the handler only writes to a pipe that the GUI thread watches.
int g_signalPipe[2] = {-1, -1};
void onEndSignal(int) {
  const char c = 1;
  const ssize_t n = write(g_signalPipe[1], &c, 1);
  (void)n;
}
void watchEndSignals(zapp::Frame& frame) {
  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &frame);
  QObject::connect(notifier, &QSocketNotifier::activated, &frame, [&frame] {
    char buf[16];
    while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
    }
    std::fprintf(stderr, "Zerlo: ended by a signal\n");
    frame.shutDown();
  });
  struct sigaction sa {};
  sa.sa_handler = onEndSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
  // The programs started from here (the message window among them) learn
  // whose end is theirs.
  setenv("ZERLO_MESSAGES_OWNER", std::to_string(getpid()).c_str(), 1);
  QApplication qa(argc, argv);
  zapp::UiScript script;
  const char* scriptPath = std::getenv("ZERLO_UI_SCRIPT");
  if (scriptPath && *scriptPath) {
    std::string error;
    if (!zapp::ui_ReadScript(scriptPath, script, error)) {
      std::fprintf(stderr, "Zerlo: %s\n", error.c_str());
      return 2;
    }
    zapp::ui_InstallScriptSink(script);
    zapp::app_SetStepLog([&script](const std::string& line) { zapp::ui_Log(script, line); });
    QTimer::singleShot(script.deadlineMs, [] {
      std::fprintf(stderr, "Zerlo: the UI script ran past its deadline\n");
      std::_Exit(3);
    });
  } else {
    plat::ui::setSink(std::make_shared<kit::QtSink>());
  }
  // The settings and libraries belong to the directory of this program file.
  shell::setProgramDir(shell::programDir());
  shell::setScreenSizeProvider(screenSize);
  shell::installDialogServices();

  // The editor: the system clipboard for its scripts, its start-up, and the
  // engine's extern threads switched on through its hooks.
  editor::QtClipboard clipboard;
  editor::clip_SetPort(&clipboard);
  zapp::EditorDispatcher dispatcher;
  g_dispatcher = &dispatcher;
  if (int rc = zapp::app_StartChecks(claimInstance, registerClipboard)) {
    g_endpoint.reset();
    editor::clip_SetPort(nullptr);
    return rc;
  }
  plat::io::setToneOut(plat::io::makeSpeakerTone());
  // Worker threads of block code: the library paths, and their redraws
  // posted to the windows.
  engine::WorkerHooks workerHooks;
  workerHooks.libraryPaths = zapp::app_LibraryDirs;
  workerHooks.programDir = shell::programDir();
  workerHooks.postRedraw = [] {
    if (g_frame) QMetaObject::invokeMethod(g_frame, [] {
      if (g_frame) for (zapp::Worksheet* w : g_frame->worksheets()) g_frame->sendEngineEvent(w, editor::kMsgSimTick, 0);
    }, Qt::QueuedConnection);
  };
  workerHooks.beep = [] { QApplication::beep(); };
  engine::th_SetHooks(workerHooks);
  engine::dl_PreloadBlockDialogs();
  dispatcher.mainInit();
  engine::xt_EnableThreads();
  zapp::AppState& st = zapp::app();
  disp::gdi_SetZoom(&st.settings.zoom);

  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  const zapp::CommandLine cl = zapp::app_ParseCommandLine(commandLine);

  // The start screen; the frame fills its slot once it exists.
  static std::uint32_t slotStorage = 0;
  std::uint32_t* slot = &slotStorage;
  const bool startScreen = zapp::app_ShowStartBitmap(2000, slot);

  shell::bind_SB06_CreateMenu();
  zapp::Frame frame(dispatcher);
  g_frame = &frame;
  zapp::FrameBlockEditor blockEditor(frame);
  shell::setBlockEditor(&blockEditor);
  frame.id = g_endpoint->id();
  kit::attachOwner(frame.id, &frame);
  frame.messageLine = [](const std::string& line) {
    shell::bind_AppendMsgLine(line.c_str());
    std::fprintf(stderr, "Zerlo: %s\n", line.c_str());
  };
  if (cl.tooLong) frame.messageLine("The name on the command line is too long: " + cl.name);
  frame.openBuffer = cl.name;
  frame.openPending = cl.openPending;
  frame.openedByName = cl.openPending;

  ObelRect r{};
  std::int32_t show = 1;
  if (shell::bind_GetObelStartPosition(&r, &show) && r.width > 100 && r.height > 100)
    frame.setGeometry(r.left, r.top, r.width, r.height);
  else
    frame.resize(1024, 720);
  shell::bind_SB01_CreateStatusBar(frame.id);
  shell::bind_SB02_CreateToolBar(frame.id);
  shell::bind_SB05_CreateMacroBar(frame.id);
  frame.connectMenuHelp();
  frame.applyRouteOptions();
  // The recent files go into the File menu before Exit.
  shell::mru_Init(frame.recent);
  shell::mru_LoadFromIni(frame.recent, st.settingsPath, 216);
  shell::ins_ReadSettings(&st.settings.insertBox);
  // Without a browser the web-site command leaves the menus.
  if (zapp::app_BrowserCommand().empty()) shell::bind_SB06_DeleteMenuItem(40030);
  frame.setTitleFromProject();
  if (scriptPath && *scriptPath) frame.onStarted = [&frame, &script] { zapp::ui_RunSteps(frame, script); };
  g_frameId = frame.id;
  if (startScreen) {
    frame.setEnabled(false);
    std::atomic_ref<std::uint32_t>(*slot).store(frame.id);
  } else {
    // A start screen that cannot show would never enable the frame.
    QTimer::singleShot(0, &frame, [&frame] { frame.wndProc(zapp::kWmUser0 + 41, 0, 0); });
  }
  if (show == 3) frame.showMaximized();
  else frame.show();
  watchEndSignals(frame);

  const int rc = qa.exec();
  frame.shutDown();
  g_frame = nullptr;
  shell::setBlockEditor(nullptr);
  // The bars and menus the bar library made go before it is unloaded.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  zapp::app_ShutDownUnload();
  dispatcher.clipReset();
  engine::xt_FreeExternBitmaps();
  engine::th_KillAll();
  engine::dl_FreeCache();
  engine::th_SetHooks({});
  dispatcher.shutDown();
  editor::clip_SetPort(nullptr);
  plat::io::setToneOut(nullptr);
  g_frameId = 0;
  g_endpoint.reset();
  shell::uninstallServices();
  g_dispatcher = nullptr;
  return rc;
}
