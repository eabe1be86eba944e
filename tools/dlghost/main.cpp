// dlghost: runs one export of a dialog library without the main program.
//
//   dlghost [--shot DIR] [--sink scripted] LIBRARY EXPORT [ARG...]
//
// Loads LIBRARY by name (as "ZRLTGTWIN.DLL"), registers an owner window,
// calls EXPORT with the arguments from the command line and prints what it
// answered and wrote. Arguments by the export's signature (see kExports):
// "owner" is filled in by the host; numbers and texts are taken in order.
// With --shot every dialog that shows (message boxes too) is saved as
// DIR/<library>-<id>.png and then closed as Cancel, so the run ends by itself.
#include "dialogkit/qtkit.h"
#include "stockwin_calls.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
};

struct CompileResult {
  std::uint32_t errors, warnings;
  double memoryUse;
};

// Saves each dialog that shows and closes it.
struct Shooter : plat::ui::DialogObserver {
  QString dir;
  int count = 0;
  void shown(const plat::ui::DialogShown& d) override {
    auto* w = static_cast<QDialog*>(d.widget);
    QString name = QStringLiteral("%1/%2-%3.png").arg(dir, QString::fromStdString(d.library)).arg(d.resourceId);
    if (QFile::exists(name)) name = QStringLiteral("%1/%2-%3-%4.png").arg(dir, QString::fromStdString(d.library)).arg(d.resourceId).arg(++count);
    w->adjustSize();
    if (w->grab().save(name)) std::printf("shot: %s\n", name.toLocal8Bit().constData());
    w->QDialog::done(2);
  }
  void timedOut(const plat::ui::DialogShown& d) override {
    std::fprintf(stderr, "dialog %s %d did not end\n", d.library.c_str(), d.resourceId);
  }
  int deadlineMs() const override { return 20000; }
};

int usage() {
  std::fprintf(stderr, "usage: dlghost [--shot DIR] LIBRARY EXPORT [ARG...]\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string shotDir;
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--shot" && args.size() > 1) {
      shotDir = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else {
      return usage();
    }
  }
  if (args.size() < 2) return usage();
  plat::ui::setSink(std::make_shared<kit::QtSink>());
  if (!shotDir.empty()) {
    QDir().mkpath(QString::fromStdString(shotDir));
    auto s = std::make_shared<Shooter>();
    s->dir = QString::fromStdString(shotDir);
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
  plat::lib::unload(h);
  plat::ui::setSink(nullptr);
  return 0;
}
