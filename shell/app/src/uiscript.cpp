// The UI script: a scripted sink that also writes a box log, and the steps
// run on the frame through its window procedure.
#include "zerloapp/uiscript.h"

#include "display/gdi.h"
#include "zerloapp/frame.h"
#include "zerloapp/startup.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <fstream>
#include <sstream>

namespace zapp {

namespace {

class LoggingSink : public plat::ui::ScriptedSink {
public:
  explicit LoggingSink(std::string log) : log_(std::move(log)) {}
  int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
    const int a = ScriptedSink::messageBox(text, caption, style);
    write("box " + std::to_string(style) + " " + std::to_string(a) + " [" + caption + "] " + text);
    return a;
  }
  bool prompt(const std::string& question, const std::string& caption, std::string& inOut) override {
    const bool ok = ScriptedSink::prompt(question, caption, inOut);
    write(std::string("prompt ") + (ok ? "ok" : "cancel") + " [" + caption + "] " + question);
    return ok;
  }
  void write(std::string line) {
    if (log_.empty()) return;
    for (char& c : line)
      if (c == '\n') c = '|';
    std::ofstream out(log_, std::ios::app);
    out << line << "\n";
  }
private:
  std::string log_;
};

// The editor's event verbs on the active worksheet: a mouse event at a sheet
// point (with "shift", "ctrl", "right"), or a key.
void worksheetEvent(Frame* frame, const UiStep& s) {
  Worksheet* w = frame->active();
  if (!w) return;
  if (s.verb == "key") {
    const std::string k = s.args.empty() ? std::string() : s.args[0];
    const int key = k == "esc" ? Qt::Key_Escape : k == "del" ? Qt::Key_Delete : k == "enter" ? Qt::Key_Return : 0;
    if (!key) return;
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w->canvas, &e);
    return;
  }
  const int x = s.args.size() > 0 ? std::atoi(s.args[0].c_str()) : 0;
  const int y = s.args.size() > 1 ? std::atoi(s.args[1].c_str()) : 0;
  Qt::KeyboardModifiers mods;
  Qt::MouseButton button = Qt::LeftButton;
  for (std::size_t i = 2; i < s.args.size(); ++i) {
    if (s.args[i] == "shift") mods |= Qt::ShiftModifier;
    else if (s.args[i] == "ctrl") mods |= Qt::ControlModifier;
    else if (s.args[i] == "right") button = Qt::RightButton;
  }
  const float z = app().settings.zoom;
  const QPointF at((x - w->data.scrollX) * z, (y - w->data.scrollY) * z);
  const QEvent::Type type = s.verb == "down" ? QEvent::MouseButtonPress
                            : s.verb == "up" ? QEvent::MouseButtonRelease
                                             : QEvent::MouseMove;
  const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
  const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
  QMouseEvent e(type, at, w->canvas->mapToGlobal(at), which, held, mods);
  QApplication::sendEvent(w->canvas, &e);
}

void runFrom(Frame* frame, std::shared_ptr<std::vector<UiStep>> steps, std::size_t at) {
  while (at < steps->size()) {
    const UiStep& s = (*steps)[at++];
    auto arg = [&](std::size_t i) { return i < s.args.size() ? s.args[i] : std::string(); };
    if (s.verb == "wait") {
      QTimer::singleShot(std::max(0, std::atoi(arg(0).c_str())), frame, [frame, steps, at] { runFrom(frame, steps, at); });
      return;
    }
    if (s.verb == "open") {
      frame->dropFile(arg(0));
    } else if (s.verb == "cmd") {
      frame->onCommand(std::atoi(arg(0).c_str()));
    } else if (s.verb == "msg") {
      frame->wndProc(std::uint32_t(std::atoi(arg(0).c_str())), std::atoll(arg(1).c_str()), std::atoll(arg(2).c_str()));
    } else if (s.verb == "down" || s.verb == "up" || s.verb == "move" || s.verb == "key") {
      worksheetEvent(frame, s);
    } else if (s.verb == "zoom") {
      app().settings.zoom = std::clamp(std::strtof(arg(0).c_str(), nullptr), 0.3f, 10.0f);
      frame->redrawAll();
    } else if (s.verb == "shot") {
      QApplication::processEvents();
      frame->grab().save(QString::fromStdString(arg(0)), "PNG");
    } else if (s.verb == "close") {
      frame->close();
      return;
    }
    // Let the windows paint before the next step.
    QTimer::singleShot(0, frame, [frame, steps, at] { runFrom(frame, steps, at); });
    return;
  }
}

} // namespace

bool ui_ReadScript(const std::string& path, UiScript& out, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "the UI script " + path + " cannot be read";
    return false;
  }
  out.sink = nullptr;
  std::vector<int> boxes;
  std::vector<std::string> prompts;
  std::string line;
  while (std::getline(in, line)) {
    if (auto h = line.find('#'); h != std::string::npos) line.erase(h);
    std::istringstream words(line);
    UiStep s;
    if (!(words >> s.verb)) continue;
    if (s.verb == "prompt") {
      std::string rest;
      std::getline(words, rest);
      s.args.push_back(rest.empty() ? rest : rest.substr(1));
    } else {
      for (std::string w; words >> w;) s.args.push_back(w);
    }
    if (s.verb == "log") out.logPath = s.args.empty() ? "" : s.args[0];
    else if (s.verb == "deadline") out.deadlineMs = s.args.empty() ? out.deadlineMs : std::atoi(s.args[0].c_str());
    else out.steps.push_back(s);
  }
  return true;
}

void ui_InstallScriptSink(UiScript& script) {
  auto sink = std::make_shared<LoggingSink>(script.logPath);
  for (const UiStep& s : script.steps) {
    if (s.verb == "box" && !s.args.empty()) sink->answerBox(std::atoi(s.args[0].c_str()));
    if (s.verb == "prompt") sink->answerPrompt(s.args.empty() ? std::string() : s.args[0]);
  }
  script.sink = sink;
  plat::ui::setSink(sink);
}

void ui_Log(const UiScript& script, std::string line) {
  if (auto* sink = dynamic_cast<LoggingSink*>(script.sink.get())) sink->write(std::move(line));
}

void ui_RunSteps(Frame& frame, const UiScript& script) {
  auto steps = std::make_shared<std::vector<UiStep>>();
  for (const UiStep& s : script.steps)
    if (s.verb != "box" && s.verb != "prompt") steps->push_back(s);
  QTimer::singleShot(0, &frame, [f = &frame, steps] { runFrom(f, steps, 0); });
}

} // namespace zapp
