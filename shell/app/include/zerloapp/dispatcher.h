#pragma once
// What the worksheet windows and the frame ask of the editor, through one
// interface: the event dispatcher, start-up, the private clipboard, the pick
// at a point, the module rename and the active logic's sheet options. The
// view-only dispatcher shows projects read-only until the editor takes over;
// tests use the recording one.
#include "editor/host.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace model { struct LogicRecord; struct DocumentRecord; }

namespace zapp {

using editor::EngineEvent;
using editor::WorksheetWindowData;

// Answers of the dispatcher.
inline constexpr int kAnswerDone = 0;
inline constexpr int kAnswerRefused = 9;
inline constexpr int kAnswerNotHandled = 11;

class Dispatcher {
public:
  virtual ~Dispatcher() = default;
  virtual int dispatch(WorksheetWindowData* window, EngineEvent* event) = 0;
  // A template command event that opens a worksheet: the editor may put the
  // new document into the template record, which the new window then copies.
  // Dispatchers without that notion take it as a template event.
  virtual int dispatchTemplate(WorksheetWindowData* record, EngineEvent* event) {
    (void)record;
    return dispatch(nullptr, event);
  }
  // A worksheet came into being (its record lives until the destroy event).
  virtual void attachWindow(WorksheetWindowData* /*window*/) {}
  // The record no longer stands for a window (the template after its
  // document went to a new window).
  virtual void detachWindow(WorksheetWindowData* /*window*/) {}
  // After a project was loaded: the standard block library is loaded into it
  // unless it holds it already; false when it is still missing.
  virtual bool ensureStandardLibrary() { return true; }
  // True while a handler waits for a prompt (events are not taken then).
  virtual bool busy() { return false; }
  virtual void mainInit() {}
  virtual void shutDown() {}
  virtual void clipRegisterFormat() {}
  virtual void clipReset() {}
  virtual bool clipNothingToPaste() { return true; }
  virtual int pickAtPoint(int /*x*/, int /*y*/) { return 0; }
  // The pointer shape over the sheet point of the window's document: 17 on a
  // vertical connection segment, 18 on any other, 2 off connections.
  virtual int pickShapeAtPoint(WorksheetWindowData* /*window*/, int /*x*/, int /*y*/) { return 2; }
  virtual bool renameModule(const std::string& /*from*/, const std::string& /*to*/) { return false; }
  // The project the dispatcher holds ("" when none) and its changed flag.
  virtual std::string projectPath() { return {}; }
  virtual bool projectChanged() { return false; }
  // The open buffer the load command reads its name from.
  std::string openName;
};

// Shows projects read-only: 201 loads the open buffer's file, 203/207 save
// it, 204 closes it (through the project file layer); 230-235 open their
// sheets; paint draws the sheet's logic; 213 refused; all else not handled.
class ViewDispatcher : public Dispatcher {
public:
  ViewDispatcher();
  ~ViewDispatcher() override;
  int dispatch(WorksheetWindowData* window, EngineEvent* event) override;
  void shutDown() override;
  std::string projectPath() override { return path_; }
  // The logic a window shows (the main logic).
  model::LogicRecord* logicOf(WorksheetWindowData* window);

private:
  int command(WorksheetWindowData* window, int id);
  void paint(WorksheetWindowData* window, const EngineEvent& e);
  std::string path_;
  model::DocumentRecord* doc_ = nullptr;
  bool started_ = false;
};

// Records every event as a line and answers from a script (for tests).
class RecordingDispatcher : public Dispatcher {
public:
  std::vector<std::string> log;
  // Answers by command id (type 273) or message number; otherwise 0.
  std::map<int, std::deque<int>> commandAnswers;
  std::map<int, int> messageAnswers;
  // The project it reports.
  std::string path;
  bool changed = false;
  int dispatch(WorksheetWindowData* window, EngineEvent* event) override;
  std::string projectPath() override { return path; }
  bool projectChanged() override { return changed; }
};

} // namespace zapp
