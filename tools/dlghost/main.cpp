// dlghost: runs one export of a dialog library without the main program.
//
//   dlghost [--shot DIR] [--press ID] [--sink qt|scripted] [--answer N]... LIBRARY EXPORT [ARG...]
//
// Loads LIBRARY by name (as "ZRLTGTWIN.DLL"), registers an owner window,
// calls EXPORT with the arguments from the command line and prints what it
// answered and wrote. Arguments by the export's signature (see kExports):
// "owner" is filled in by the host; numbers and texts are taken in order.
// The block parameter exports (FB..., signature 'F') take TEXT AUX VECTOR
// [MODE]: TEXT goes into a 128-byte buffer ("a|b" puts b at offset 10, the
// second field of the assignment and position layouts; "-" no text), AUX and
// VECTOR are comma-separated numbers ("-" null; vector[0] becomes the owner);
// text, aux, vector and changed are printed after the call.
// With --shot every dialog that shows (message boxes too) is saved at the
// size it shows as DIR/<library>-<id>.png, then ended as the user would:
// by a click on its control ID with --press ID when it has one, else by its
// own Cancel (Escape), so the result line names what the dialog answers.
// --sink scripted answers message boxes without showing them (the default
// answer, or the next --answer N) and prints each box and help request;
// --sink qt (the default) shows them.
// Without a display (no DISPLAY or WAYLAND_DISPLAY and no QT_QPA_PLATFORM)
// it runs on Qt's offscreen platform.
#include "dialogkit/qtkit.h"
#include "stockwin_calls.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Signatures: the result ('i' int, 'd' double, 'u' handle id, 'v' nothing),
// then the arguments: 'O' the owner window, 'i' an int, 'u' a handle id,
// 's' a text, 'R' a compile result record (printed after the call).
struct ExportSig {
  const char* name;
  const char* sig;
};
const ExportSig kExports[] = {
    {"ZRTA00_GetDLLVersion", "d"},
    {"ZRTA00_SetInstanceNumber", "ii"},
    {"ZRTA00_GetCurrentServer", "u"},
    {"ZRTA00_SetCurrentServer", "uu"},
    {"ZRTA00_SetProjectFilePath", "vs"},
    {"ZRTA01_CallCompileProgressDlg", "iOR"},
    {"ZRTA02_CallCompileResultDlg", "iO"},
    {"ZRTA03_CallDownloadProgressDlg", "iO"},
    {"ZRTA04_CallChangeInterfaceModeDlg", "iO"},
    {"ZRTA04_ResetInterfaceMode", "i"},
    {"ZRTA05_CallInterfaceSettigsDlg", "iOi"},
    {"TA01_LoginByServer", "iiO"},
    {"TA01_LogoutByServer", "iiO"},
    {"TA01_TestIFConnection", "iu"},
    {"TA01_GetDFF", "iu"},
    {"TA01_CallInterfaceDiagnose", "iO"},
    {"TA01_CallInterfaceTerminal", "iO"},
    {"FB01_CallParaAssignDlg", "vF"},
    {"FB02_CallParaCompareDlg", "vF"},
    {"FB03_CallParaRSNADlg", "vF"},
    {"FB04_CallParaVisualDlg", "vF"},
    {"FB05_CallBuildHandle", "vF"},
    {"FB05_CallLoadTermText", "vF"},
    {"FB05_CallOnMessage", "vF"},
    {"FB05_CallRefreshView", "iF"},
    {"FB05_GetMouseKeyState", "vF"},
    {"FB06_CallParaMOutputDlg", "vF"},
    {"FB07_CallParaSigBeepDlg", "vF"},
    {"FB08_CallParaWaitDlg", "vF"},
    {"FB09_CallParaDIVarDlg", "vF"},
    {"FB10_CallParaBInputDlg", "vF"},
    {"FB11_CallParaBEdgeDlg", "vF"},
    {"FB12_CallParaPositionDlg", "vF"},
    {"FB13_CallParaDisplayDlg", "vF"},
    {"FB14_CallParaMessageDlg", "vF"},
    {"FB15_CallTermParaDlg", "vF"},
};

// The six arguments of a block parameter export, from the command line.
struct FbCall {
  char text[128] = {};
  std::int16_t aux[16] = {};
  double vector[16] = {};
  std::int16_t mode = 0, changed = 0;
  bool hasText = false, hasAux = false, hasVector = false;
  int auxCount = 0, vectorCount = 0;
};

void splitNumbers(const std::string& list, std::vector<double>& out) {
  std::size_t start = 0;
  while (start <= list.size() && out.size() < 16) {
    std::size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    out.push_back(std::strtod(item.c_str(), nullptr));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
}

void fillFbCall(FbCall& c, const std::vector<std::string>& args, std::size_t next, std::uint32_t owner) {
  auto take = [&]() -> std::string { return next < args.size() ? args[next++] : std::string("-"); };
  std::string text = take(), aux = take(), vec = take(), mode = take();
  if (text != "-") {
    c.hasText = true;
    std::size_t bar = text.find('|');
    std::string first = text.substr(0, bar), second = bar == std::string::npos ? "" : text.substr(bar + 1);
    std::strncpy(c.text, first.c_str(), 63);
    if (bar != std::string::npos) std::strncpy(c.text + 10, second.c_str(), 100);
  }
  if (aux != "-") {
    std::vector<double> v;
    splitNumbers(aux, v);
    c.hasAux = true;
    c.auxCount = int(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) c.aux[i] = std::int16_t(v[i]);
  }
  if (vec != "-") {
    std::vector<double> v;
    splitNumbers(vec, v);
    c.hasVector = true;
    c.vectorCount = int(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) c.vector[i] = v[i];
  }
  c.vector[0] = owner;
  if (c.vectorCount < 1) c.vectorCount = 1;
  c.hasVector = true;
  if (mode != "-") c.mode = std::int16_t(std::atoi(mode.c_str()));
}

void printFbCall(const FbCall& c) {
  if (c.hasText) {
    std::printf("text: \"%s\"", c.text);
    if (c.text[10]) std::printf(" \"%s\"", c.text + 10);
    std::printf("\n");
  }
  if (c.hasAux) {
    std::printf("aux:");
    for (int i = 0; i < c.auxCount; ++i) std::printf(" %d", c.aux[i]);
    std::printf("\n");
  }
  std::printf("vector:");
  for (int i = 1; i < c.vectorCount; ++i) std::printf(" %g", c.vector[i]);
  std::printf("\nchanged: %d\n", c.changed);
}

struct CompileResult {
  std::uint32_t errors, warnings;
  double memoryUse;
};

// Saves each dialog that shows at the size it shows, then ends it as the
// user would: a click on control "c<press>" when the dialog has it, else its
// own Cancel (a dialog that refuses Cancel ends by itself or at the deadline).
struct Shooter : plat::ui::DialogObserver {
  QString dir;
  int press = 0;
  int count = 0;
  void shown(const plat::ui::DialogShown& d) override {
    auto* w = static_cast<QDialog*>(d.widget);
    QString name = QStringLiteral("%1/%2-%3.png").arg(dir, QString::fromStdString(d.library)).arg(d.resourceId);
    if (QFile::exists(name)) name = QStringLiteral("%1/%2-%3-%4.png").arg(dir, QString::fromStdString(d.library)).arg(d.resourceId).arg(++count);
    QPixmap picture = w->grab();
    if (picture.save(name))
      std::printf("shot: %s %dx%d\n", name.toLocal8Bit().constData(), picture.width(), picture.height());
    std::fflush(stdout);
    auto* button = press ? w->findChild<QAbstractButton*>(QStringLiteral("c%1").arg(press)) : nullptr;
    if (button && button->isEnabled()) button->click();
    else w->reject();
  }
  void timedOut(const plat::ui::DialogShown& d) override {
    std::fprintf(stderr, "dialog %s %d did not end\n", d.library.c_str(), d.resourceId);
  }
  int deadlineMs() const override { return 20000; }
};

// One line per box and help request the scripted sink saw (line breaks as \n).
void printScripted(const plat::ui::ScriptedSink& sink) {
  auto oneLine = [](const std::string& t) {
    std::string out;
    for (char c : t) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
  };
  for (const auto& b : sink.shown())
    std::printf("box: [%s] %s (style 0x%X)\n", oneLine(b.caption).c_str(), oneLine(b.text).c_str(), b.style);
  for (const auto& h : sink.helps())
    std::printf("help: %s %s\n", h.file.c_str(),
                h.byKeyword ? ("keyword " + h.keyword).c_str() : ("context " + std::to_string(h.context)).c_str());
}

int usage() {
  std::fprintf(stderr,
               "usage: dlghost [--shot DIR] [--press ID] [--sink qt|scripted] [--answer N]... LIBRARY EXPORT [ARG...]\n");
  return 2;
}

// Qt's platform plugin aborts the program without a display: take the
// offscreen platform instead (pictures and scripted runs need no screen).
void chooseOffscreenWithoutDisplay() {
  auto unset = [](const char* v) { return !std::getenv(v) || !*std::getenv(v); };
  if (unset("QT_QPA_PLATFORM") && unset("DISPLAY") && unset("WAYLAND_DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr, "dlghost: no display, running offscreen\n");
  }
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string shotDir, sinkKind = "qt";
  int press = 0;
  std::vector<int> answers;
  auto number = [](const std::string& t, int& out) {
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end) return false;
    out = int(v);
    return true;
  };
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    if (args.size() < 2) return usage();
    const std::string opt = args[0], value = args[1];
    int n = 0;
    if (opt == "--shot") shotDir = value;
    else if (opt == "--sink" && (value == "qt" || value == "scripted")) sinkKind = value;
    else if (opt == "--press" && number(value, n)) press = n;
    else if (opt == "--answer" && number(value, n)) answers.push_back(n);
    else return usage();
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2) return usage();
  if (!answers.empty() && sinkKind != "scripted") return usage();
  chooseOffscreenWithoutDisplay();
  QApplication app(argc, argv);
  std::shared_ptr<plat::ui::ScriptedSink> scripted;
  if (sinkKind == "scripted") {
    scripted = std::make_shared<plat::ui::ScriptedSink>();
    for (int a : answers) scripted->answerBox(a);
    plat::ui::setSink(scripted);
  } else {
    plat::ui::setSink(std::make_shared<kit::QtSink>());
  }
  if (!shotDir.empty()) {
    QDir().mkpath(QString::fromStdString(shotDir));
    auto s = std::make_shared<Shooter>();
    s->dir = QString::fromStdString(shotDir);
    s->press = press;
    plat::ui::setDialogObserver(s);
  }
  const ExportSig* sig = nullptr;
  for (const auto& e : kExports)
    if (args[1] == e.name) sig = &e;
  if (!sig && args[1].rfind("SW", 0) == 0) {
    // The standard dialogs library: its own records (stockwin_calls).
    plat::lib::Handle h = plat::lib::load(args[0]);
    void* fn = h ? plat::lib::symbol(h, args[1].c_str()) : nullptr;
    if (!fn) {
      std::fprintf(stderr, "dlghost: %s\n", plat::lib::lastError().c_str());
      return 1;
    }
    dlghost::installFakeServices(plat::lib::symbol(h, "SW13_SetObelServiceFctns"));
    QWidget owner;
    owner.setWindowTitle("dlghost");
    owner.resize(640, 480);
    owner.show();
    bool known = dlghost::callStockwin(args[1], fn, kit::registerOwner(&owner),
                                       std::vector<std::string>(args.begin() + 2, args.end()));
    plat::ui::setDialogObserver(nullptr);
    plat::lib::unload(h);
    if (scripted) printScripted(*scripted);
    plat::ui::setSink(nullptr);
    if (!known) std::fprintf(stderr, "dlghost: unknown export %s\n", args[1].c_str());
    return known ? 0 : 2;
  }
  if (!sig) {
    std::fprintf(stderr, "dlghost: unknown export %s\n", args[1].c_str());
    return 2;
  }
  plat::lib::Handle h = plat::lib::load(args[0]);
  if (!h) {
    std::fprintf(stderr, "dlghost: %s\n", plat::lib::lastError().c_str());
    return 1;
  }
  void* fn = plat::lib::symbol(h, sig->name);
  if (!fn) {
    std::fprintf(stderr, "dlghost: %s\n", plat::lib::lastError().c_str());
    return 1;
  }
  QWidget owner;
  owner.setWindowTitle("dlghost");
  owner.resize(640, 480);
  owner.show();
  std::uint32_t ownerId = kit::registerOwner(&owner);

  // Gather the arguments as 64-bit argSlots (ints, ids and pointers).
  std::vector<std::intptr_t> argSlots;
  CompileResult record{};
  std::size_t next = 2;
  auto take = [&]() -> std::string { return next < args.size() ? args[next++] : std::string(); };
  std::vector<std::string> texts;
  texts.reserve(8);
  for (const char* p = sig->sig + 1; *p; ++p) {
    switch (*p) {
      case 'O': argSlots.push_back(std::intptr_t(ownerId)); break;
      case 'i': argSlots.push_back(std::intptr_t(std::atoi(take().c_str()))); break;
      case 'u': argSlots.push_back(std::intptr_t(std::strtoul(take().c_str(), nullptr, 10))); break;
      case 's':
        texts.push_back(take());
        argSlots.push_back(reinterpret_cast<std::intptr_t>(texts.back().c_str()));
        break;
      case 'R': argSlots.push_back(reinterpret_cast<std::intptr_t>(&record)); break;
    }
  }
  std::string rsig = sig->sig + 1;
  if (rsig == "F") {
    FbCall c;
    fillFbCall(c, args, 2, ownerId);
    using FbFn = int (*)(char*, std::int16_t*, double*, void*, std::int16_t*, std::int16_t*);
    int r = reinterpret_cast<FbFn>(fn)(c.hasText ? c.text : nullptr, c.hasAux ? c.aux : nullptr, c.vector, nullptr,
                                       &c.mode, &c.changed);
    if (sig->sig[0] == 'i') std::printf("result: %d\n", r);
    printFbCall(c);
    plat::ui::setDialogObserver(nullptr);
    plat::lib::unload(h);
    if (scripted) printScripted(*scripted);
    plat::ui::setSink(nullptr);
    return 0;
  }
  char kind = sig->sig[0];
  // The exports take at most three arguments; each slot is passed as the type the signature names.
  auto call = [&]() -> double {
    using A = std::intptr_t;
    auto arg = [&](std::size_t i) { return i < argSlots.size() ? argSlots[i] : A(0); };
    if (kind == 'd') return reinterpret_cast<double (*)()>(fn)();
    if (kind == 'u' && rsig.empty()) return reinterpret_cast<std::uint32_t (*)()>(fn)();
    if (kind == 'u') return reinterpret_cast<std::uint32_t (*)(std::uint32_t)>(fn)(std::uint32_t(arg(0)));
    if (rsig.empty()) return reinterpret_cast<int (*)()>(fn)();
    if (rsig == "s") {
      reinterpret_cast<void (*)(const char*)>(fn)(reinterpret_cast<const char*>(arg(0)));
      return 0;
    }
    if (rsig == "OR")
      return reinterpret_cast<int (*)(std::uint32_t, CompileResult*)>(fn)(std::uint32_t(arg(0)),
                                                                        reinterpret_cast<CompileResult*>(arg(1)));
    if (rsig.size() == 1) return reinterpret_cast<int (*)(std::uint32_t)>(fn)(std::uint32_t(arg(0)));
    return reinterpret_cast<int (*)(int, int)>(fn)(int(arg(0)), int(arg(1)));
  };
  double result = call();
  if (kind == 'd') std::printf("result: %g\n", result);
  else if (kind != 'v') std::printf("result: %lld\n", (long long)result);
  if (rsig.find('R') != std::string::npos)
    std::printf("record: errors=%u warnings=%u memory=%.2f\n", record.errors, record.warnings, record.memoryUse);
  plat::ui::setDialogObserver(nullptr);
  // Objects the library left for deferred deletion (closed dialogs, their
  // helpers) go while its code is still mapped.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  plat::lib::unload(h);
  if (scripted) printScripted(*scripted);
  plat::ui::setSink(nullptr);
  return 0;
}
