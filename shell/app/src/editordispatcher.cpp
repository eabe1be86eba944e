// The worksheet editor behind the frame.
#include "zerloapp/editordispatcher.h"

#include "editor/context.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "display/gdi.h"
#include "display/view.h"
#include "engine/externs.h"
#include "engine/stepcmd.h"
#include "engine/vm.h"
#include "engine/workers.h"
#include "model/document.h"
#include "model/records.h"
#include "modelfiles/project.h"
#include "platform/paths.h"
#include "recorder/recordgate.h"
#include "recorder/trend.h"
#include "recorder/trendsheet.h"
#include "shell/fileselect.h"
#include "shell/utilities.h"
#include "zerloapp/enginehooks.h"
#include "zerloapp/startup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace zapp {

namespace {

std::string upperCase(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A module's name up to its extension, upper-cased.
std::string moduleBaseName(const model::ProjectModule& m) {
  std::string n;
  for (std::size_t i = 0; i < sizeof m.Name && m.Name[i] && m.Name[i] != '.' && m.Name[i] != ' '; ++i)
    n += m.Name[i];
  return upperCase(n);
}

bool readable(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// Runs f with the template as the current document and puts the previous one back.
template <class F> auto onTemplate(F f) {
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = model::TemplateDocument;
  auto r = f();
  if (previous && previous != model::TemplateDocument) model::CurrentDocument = previous;
  return r;
}

// The dispatcher whose editor is running: the editor's save hook is a plain
// function and reaches the open buffer through it.
EditorDispatcher* g_running = nullptr;

// The editor's save of 203 and 207: 203 under the project path, 207 under the
// name the frame's save-as dialog put into the open buffer (the file layer's
// selector would only answer a placeholder name).
// Whether the last save the editor asked for was written.
bool g_lastSaveWritten = false;

bool saveProject(bool saveAs) {
  g_lastSaveWritten = false;
  if (!g_running) return false;
  if (!saveAs) g_lastSaveWritten = onTemplate([] { return modelfiles::mdl_SaveProjectFile(0); }) == 1;
  else {
    const std::string name = g_running->openName;
    g_lastSaveWritten = !name.empty() && onTemplate([&] { return modelfiles::mdl_SaveProjectAs(name); }) == 1;
  }
  return g_lastSaveWritten;
}

// The trend windows (kind 5): each draws the curves of its own recorder, not
// the worksheet. The recorder follows the simulated document; the time step
// samples it, and every display step and repaint draws on the window.
std::map<const WorksheetWindowData*, std::unique_ptr<rec::TrendSheet>> g_trends;

// The value files of the trend windows lie in a folder of this process in
// the temporary directory (their names stay short: the file layer reads an
// 8.3 name).
std::string trendFolder() {
  static std::string folder;
  std::error_code exists;
  if (folder.empty() || !std::filesystem::is_directory(folder, exists)) {
    folder.clear();
    // The program's temporary directory, else the system's.
    const char* temp = shell::path_GetTempDir();
    std::error_code ec;
    for (std::string dir : {std::string(temp ? temp : ""), std::filesystem::temp_directory_path(ec).string()}) {
      if (dir.empty()) continue;
      dir = std::filesystem::absolute(dir, ec).string();
      if (dir.back() != '/') dir += '/';
      std::string tmpl = dir + "ztrend-XXXXXX";
      if (::mkdtemp(tmpl.data())) {
        folder = tmpl + "/";
        break;
      }
    }
  }
  return folder;
}

rec::TrendSheet& trendOf(const WorksheetWindowData* window) {
  auto& sheet = g_trends[window];
  if (!sheet) {
    static int serial = 0;
    serial = serial % 9999 + 1;
    sheet = std::make_unique<rec::TrendSheet>(trendFolder() + "TREND" + std::to_string(serial) + ".VAL");
  }
  return *sheet;
}

// Answers the events of a trend window; false leaves the event to the editor.
bool trendEvent(WorksheetWindowData* window, EngineEvent* event, int& answer) {
  answer = 0;
  switch (event->type) {
  case editor::kMsgPaint: {
    rec::TrendSheet& t = trendOf(window);
    t.follow(model::RunDocument ? model::RunDocument : window->document);
    t.activate();
    if (disp::gdi_CurrentDevice()) t.paint(window->clientW, window->clientH);
    return true;
  }
  case editor::kMsgSimTick: {
    rec::TrendSheet& t = trendOf(window);
    t.follow(model::RunDocument ? model::RunDocument : window->document);
    if (disp::gdi_CurrentDevice()) t.drawPending();
    return true;
  }
  case editor::kMsgDestroy:
    g_trends.erase(window);
    return false;   // the editor frees the window's document
  default:
    return false;
  }
}

} // namespace

std::vector<std::string> app_LibraryDirs() {
  std::vector<std::string> dirs;
  for (const char* d = shell::path_GetLibraryDir(0); d && dirs.size() < 64; d = shell::path_GetLibraryDir(1))
    dirs.emplace_back(d);
  shell::path_GetLibraryDir(2);
  return dirs;
}

EditorDispatcher::EditorDispatcher() : libraryDirs(app_LibraryDirs) {}
EditorDispatcher::~EditorDispatcher() { shutDown(); }

void EditorDispatcher::mainInit() {
  if (started_) return;
  editor::ui_MainInit();
  // The version title the status line begins with.
  rec::rs_UnitInitTitle();
  // Record gates choose their files in the program's file dialog.
  rec::vdb_FileChooser() = shell::fsel_ChooseFile;
  // The engine's extern threads behind the editor's thread hooks (the editor
  // resets its hooks at every start).
  editor::engineHooks().xt_EnableThreads = engine::xt_EnableThreads;
  editor::engineHooks().xt_DisableThreads = engine::xt_DisableThreads;
  editor::engineHooks().fn_SaveProject = saveProject;
  // The target text writer, the run's end, the parameter forms and lists.
  app_InstallEngineHooks();
  // Block libraries are linked for the interpreter as they are read, so that
  // their blocks run in the simulation and draw their faces and displays.
  previousLinker_ = modelfiles::setModuleLinker(engine::vm_LinkCode);
  disp::currentView().runModuleCode = [](model::GateRecord* g, model::GateInstance* inst, int which) {
    const disp::DrawView& v = disp::currentView();
    return engine::drawGateFace(g, inst, which, v.scrollX, v.scrollY);
  };
  g_running = this;
  started_ = true;
}

void EditorDispatcher::shutDown() {
  if (!started_) return;
  // The interpreter forgets the project's modules, then the code of their
  // compiled block types goes: releasing a document frees only its records.
  engine::vm_ForgetDocument(model::TemplateDocument);
  modelfiles::mdl_FreeDocumentCode(model::TemplateDocument);
  disp::currentView().runModuleCode = nullptr;
  modelfiles::setModuleLinker(previousLinker_);
  previousLinker_ = nullptr;
  g_trends.clear();
  {
    std::error_code ec;
    std::filesystem::remove(trendFolder(), ec);   // only when empty
  }
  rec::vdb_CloseAllRecordFiles();
  editor::ui_MainShutDown();
  app_RemoveEngineHooks();
  if (g_running == this) g_running = nullptr;
  modelfiles::ProjectPath.clear();
  modelfiles::LibraryPath.clear();
  started_ = false;
}

void EditorDispatcher::clipRegisterFormat() { editor::clip_RegisterFormat(); }
void EditorDispatcher::clipReset() { editor::clip_Reset(); }
bool EditorDispatcher::clipNothingToPaste() { return editor::clip_NothingToPaste(); }
int EditorDispatcher::pickAtPoint(int x, int y) { return editor::ui_PickAtPoint(x, y); }
int EditorDispatcher::pickShapeAtPoint(WorksheetWindowData* window, int x, int y) {
  if (!started_ || !window || !window->document) return 2;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = window->document;
  const int shape = editor::ui_PickShapeAtPoint(x + window->scrollX, y + window->scrollY);
  model::CurrentDocument = previous;
  return shape;
}
bool EditorDispatcher::renameModule(const std::string& from, const std::string& to) {
  return started_ && editor::ui_RenameModule(from, to);
}

std::string EditorDispatcher::projectPath() {
  const model::DocumentRecord* t = model::TemplateDocument;
  return t && t->ProjectLoaded ? modelfiles::ProjectPath : std::string();
}

bool EditorDispatcher::projectChanged() { return started_ && editor::ui_ProjectChanged() != 0; }

bool EditorDispatcher::projectHasModule(const std::string& name) {
  const model::DocumentRecord* t = model::TemplateDocument;
  if (!t) return false;
  const std::string want = upperCase(name);
  for (const model::ProjectModule* m = t->FirstModule; m; m = m->Next)
    if (moduleBaseName(*m) == want) return true;
  return false;
}

bool EditorDispatcher::ensureStandardLibrary() {
  if (!started_ || !model::TemplateDocument) return false;
  if (projectHasModule(kStandardLibrary)) return true;
  std::string found;
  for (const std::string& dir : libraryDirs ? libraryDirs() : std::vector<std::string>{}) {
    const std::string p = plat::path::resolveExisting(plat::path::join(dir, kStandardLibraryFile));
    if (!p.empty() && readable(p)) {
      found = p;
      break;
    }
  }
  if (found.empty()) found = std::string("./") + kStandardLibraryFile;
  const int loaded = onTemplate([&] { return modelfiles::mdl_LoadProjectPath(found, 0); });
  if (loaded != 0) {
    // The project took the library: the editor learns it as a loaded file.
    EngineEvent e;
    e.type = editor::kMsgCommand;
    e.code = 208;
    editor::ui_Dispatch(nullptr, &e);
  }
  linkProject();
  return projectHasModule(kStandardLibrary);
}

void EditorDispatcher::linkProject() {
  model::DocumentRecord* t = model::TemplateDocument;
  if (!t || !t->ProjectLoaded) return;
  std::string why;
  // A module the linker refuses runs nothing; the project stays usable.
  if (!engine::linkDocument(*t, &why)) std::fprintf(stderr, "Zerlo: %s\n", why.c_str());
}

int EditorDispatcher::command(EngineEvent* event) {
  switch (event->code) {
  case 201: {
    // The editor asks the file layer for the project; the open buffer answers.
    shell::fsel_SetPendingOpen(openName);
    const int answer = editor::ui_Dispatch(nullptr, event);
    // The file layer knows the file by the selector's placeholder name; the
    // project is the file of the open buffer.
    if (answer == 0) linkProject();
    if (answer == 0 && !openName.empty()) {
      std::error_code ec;
      const std::filesystem::path full = std::filesystem::absolute(openName, ec);
      modelfiles::ProjectPath = ec ? openName : full.lexically_normal().string();
    }
    return answer;
  }
  case 203: {
    // The editor saves through saveProject and keeps the project marked as
    // changed when the save fails.
    editor::ui_Dispatch(nullptr, event);
    return editor::ui_ProjectChanged() ? kAnswerRefused : 0;
  }
  case 207: {
    // The editor saves through saveProject and clears the changed mark only
    // when the file was written.
    g_lastSaveWritten = false;
    editor::ui_Dispatch(nullptr, event);
    return g_lastSaveWritten ? 0 : kAnswerRefused;
  }
  case 204: {
    // The record files of the project's gates close before their gates go.
    rec::vdb_CloseAllRecordFiles();
    const int answer = editor::ui_Dispatch(nullptr, event);
    // The project goes with the editor's documents; the editor starts afresh,
    // keeping the options read from the directory that was current at start-up.
    const auto options = editor::ctx().options;
    const std::string optionDirectory = editor::ctx().optionDirectory;
    shutDown();
    mainInit();
    editor::ctx().options = options;
    editor::ctx().optionDirectory = optionDirectory;
    return answer;
  }
  default:
    return editor::ui_Dispatch(nullptr, event);
  }
}

int EditorDispatcher::dispatch(WorksheetWindowData* window, EngineEvent* event) {
  if (!event || !started_) return 0;
  if (!window && event->type == editor::kMsgCommand) return command(event);
  if (window && window->kind == 5) {
    int answer = 0;
    if (trendEvent(window, event, answer)) return answer;
  }
  // Block code asks (extern 75) whether it runs for a run window and whether
  // online: the blocks simulate and mark their steps only there. Set for the
  // window of this event, and as it was afterwards.
  engine::ExternProgramState& st = engine::externState();
  const bool runWindow = st.kind3Window, online = st.onlineMode;
  st.kind3Window = window && window->kind == 3;
  st.onlineMode = app().online;
  const int answer = editor::ui_Dispatch(window, event);
  st.kind3Window = runWindow;
  st.onlineMode = online;
  return answer;
}

int EditorDispatcher::dispatchTemplate(WorksheetWindowData* record, EngineEvent* event) {
  if (!event || !started_) return 0;
  if (!record) return dispatch(nullptr, event);
  return editor::ui_Dispatch(record, event);
}

void EditorDispatcher::attachWindow(WorksheetWindowData* window) {
  if (!started_ || !window) return;
  editor::ui_AttachWindow(window);
}

bool EditorDispatcher::busy() { return started_ && editor::ctx().handlerDepth > 0; }

void EditorDispatcher::detachWindow(WorksheetWindowData* window) {
  g_trends.erase(window);
  if (window) std::erase(editor::ctx().liveWindows, window);
}

} // namespace zapp
