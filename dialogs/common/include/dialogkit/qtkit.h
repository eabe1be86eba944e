#pragma once
// The Qt side of the dialog kit: the message box sink hosts install, owner
// windows as handle ids, window messages, modal runs from any thread, the
// placement at the cursor and the wait cursor. Libraries never install a sink.
#include "dialogkit/boxes.h"
#include "platform/handles.h"
#include "platform/uisink.h"
#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

class QWidget;

namespace kit {

// ---- The Qt message box sink (for hosts) ----
// Boxes with the buttons, icon, default button and topmost flag of the style,
// owned by the open modal dialog; callable from any thread (a worker waits for
// the GUI thread). Without a QApplication the default answer is given. Help
// opens the page of the index (resolveHelpPage) through the page opener.
class QtSink : public plat::ui::Sink {
public:
  using PageOpener = std::function<bool(const std::string& page)>;
  QtSink();
  explicit QtSink(PageOpener opener) : opener_(std::move(opener)) {}
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override;
  bool prompt(const std::string& question, const std::string& caption, std::string& inOut) override;
  bool help(const plat::ui::HelpRequest& request) override;
private:
  PageOpener opener_;
};

// ---- Owner windows ----
// Registers a window as a handle id (released when the widget is destroyed).
plat::handles::Id registerOwner(QWidget* w);
// Attaches a window to an endpoint id the host owns: widgetOf resolves it and
// messages to it arrive as events. Detached when the widget is destroyed.
bool attachOwner(plat::handles::Id endpointId, QWidget* w);
QWidget* widgetOf(plat::handles::Id id);
// A window message: to an in-process window as a WindowMessageEvent, else to
// the endpoint of that id.
bool postWindowMessage(plat::handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l);
std::int64_t sendWindowMessage(plat::handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l,
                               int timeoutMs = 5000);

// ---- Dialogs ----
// The base of the kit's dialogs: OK ends with 1, Cancel with 2 (the answers
// the exports return).
class Dialog : public QDialog {
public:
  explicit Dialog(QWidget* parent = nullptr) : QDialog(parent) {}
  void accept() override { done(1); }
  void reject() override { done(2); }
};

struct DialogId {
  const char* library = "";
  int resourceId = 0;
};

// Makes the dialog; the parent is the owner's widget (null without owner).
using DialogFactory = std::function<QDialog*(QWidget* parent)>;
// Runs a dialog modally and answers its result. On the GUI thread it runs in
// place; from another thread it is queued to the GUI thread, modal to its
// owner only, and the caller waits (so two such dialogs end in any order);
// queued runs are in the platform's list of modal runs. No QApplication or
// no dialog: -1. The observer of the platform UI sink sees the dialog once it
// shows.
int runModal(plat::handles::Id owner, const DialogFactory& make, DialogId id);
// Hooks a dialog to the observer (done by runModal; for boxes and windows
// shown another way).
void observeDialog(QDialog* d, DialogId id);
// Ends every dialog of this module that is open as Cancel (at the module's end).
void endOpenDialogs();

// ---- Placement and cursor ----
// Centres the window on the cursor, kept 10 pixels inside its screen, raises it and shows it.
void placeAtCursor(QWidget* w);

class WaitCursor {
public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
private:
  bool set_ = false;
};

// True on the thread of the QApplication (false without one).
bool onGuiThread();

} // namespace kit
