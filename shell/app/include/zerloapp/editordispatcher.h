#pragma once
// The worksheet editor behind the frame: every event goes to ui_Dispatch;
// the project commands the editor leaves to its callers (the file of the
// open buffer for 201, the saves of 203 and 207, the release of the project
// at 204) and the standard block library are done here.
#include "modelfiles/project.h"
#include "zerloapp/dispatcher.h"

#include <functional>
#include <string>
#include <vector>

namespace zapp {

// The name of the standard block library and its file.
inline constexpr const char* kStandardLibrary = "ZRLFB02";
inline constexpr const char* kStandardLibraryFile = "ZRLFB02.MCO";

class EditorDispatcher : public Dispatcher {
public:
  EditorDispatcher();
  ~EditorDispatcher() override;
  int dispatch(WorksheetWindowData* window, EngineEvent* event) override;
  int dispatchTemplate(WorksheetWindowData* record, EngineEvent* event) override;
  void attachWindow(WorksheetWindowData* window) override;
  void detachWindow(WorksheetWindowData* window) override;
  // ui_MainInit (once; again after a project was closed).
  void mainInit() override;
  void shutDown() override;
  void clipRegisterFormat() override;
  void clipReset() override;
  bool clipNothingToPaste() override;
  int pickAtPoint(int x, int y) override;
  int pickShapeAtPoint(WorksheetWindowData* window, int x, int y) override;
  bool renameModule(const std::string& from, const std::string& to) override;
  std::string projectPath() override;
  bool projectChanged() override;
  bool ensureStandardLibrary() override;
  bool busy() override;

  // The directories searched for the standard library, in order (the
  // settings' library list by default); the current directory comes last.
  std::function<std::vector<std::string>()> libraryDirs;
  // Whether the template's project holds a module of the name (ignoring case,
  // up to its extension).
  static bool projectHasModule(const std::string& name);

private:
  int command(EngineEvent* event);
  bool started_ = false;
  modelfiles::ModuleLinker previousLinker_ = nullptr;
  // Links the project's compiled modules for the interpreter.
  void linkProject();
};

// The settings' library directories (GetLIBRARYPaths), in order.
std::vector<std::string> app_LibraryDirs();

} // namespace zapp
