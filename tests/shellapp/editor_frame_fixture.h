#pragma once
// The editor frame over the real worksheet editor, offscreen: the fixture of
// the frame tests (a private temp directory with the sample project and the
// standard library beside it; scripted message answers).
#include "display/gdi.h"
#include "display/recording_device.h"
#include "display/view.h"
#include "editor/context.h"
#include "editor/dragmarker.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "engine/vm.h"
#include "editor/host.h"
#include "engine/workers.h"
#include "model/document.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "model/records.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/selection.h"
#include "shell/fileselect.h"
#include "shell/names.h"
#include "shell/prompts.h"
#include "shell/resources.h"
#include "zerloapp/blockseam.h"
#include "zerloapp/editordispatcher.h"
#include "zerloapp/frame.h"
#include "zerloapp/startup.h"
#include "message_hook.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace zapp {
namespace {

namespace fs = std::filesystem;

void application() {
  static int argc = 1;
  static char name[] = "editor_frame_test";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

// The editor's dispatcher with a module rename a test may stand in for.
struct TestDispatcher : EditorDispatcher {
  std::function<bool(const std::string&, const std::string&)> rename;
  bool renameModule(const std::string& from, const std::string& to) override {
    return rename ? rename(from, to) : EditorDispatcher::renameModule(from, to);
  }
};

class EditorFrameTest : public ::testing::Test {
protected:
  model::FakeShell shellFake;
  model::ShellServices* previousShell = nullptr;
  shell::ShellFileServices files;   // the open buffer answers the editor's file selector
  TestDispatcher dispatcher;
  std::unique_ptr<Frame> frame;
  std::vector<int> messages;
  std::deque<int> answers;
  fs::path dir;
  std::size_t bytesAtStart = 0;
  std::string project;

  void SetUp() override {
    application();
    app() = AppState{};
    app().instance = 1;
    previousShell = model::setShell(&shellFake);
    modelfiles::setFileServices(&files);
    recordMessages(messages, answers);
    char tmpl[] = "/tmp/zerlo-editor-frame-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    project = (dir / "SAMPLE.MDL").string();
    fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
    // The standard library and the module it refers to, beside the project.
    for (const char* f : {"ZRLFB02.MCO", "EXTERNAL.MCO"}) fs::copy_file(fs::path(ZERLO_LIB_DIR) / f, dir / f);
    dispatcher.libraryDirs = [this] { return std::vector<std::string>{dir.string()}; };
    dispatcher.mainInit();
    bytesAtStart = model::mm_BytesInUse();
    frame = std::make_unique<Frame>(dispatcher);
    frame->isNewFileSuggestion = [](const std::string&) { return false; };
    frame->resize(900, 700);
    frame->show();
  }
  void TearDown() override {
    for (Worksheet* w : frame->worksheets()) delete w;
    frame.reset();
    dispatcher.shutDown();
    app_SetMessageHook({});
    model::setShell(previousShell);
    modelfiles::setFileServices(nullptr);
    app() = AppState{};
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void open(const std::string& path) {
    frame->openBuffer = path;
    frame->openPending = frame->openedByName = true;
    frame->onCommand(201);
  }
  // The project of all seventeen standard blocks (its flow is the subprogram
  // ALL under the main sheet's one call gate), at zoom 1 in a large frame,
  // with nothing chosen by an earlier test of this process.
  void openDemo() {
    shell::dlg_ResetSelectionState();
    modelfiles::SelectFlags = modelfiles::SelectionFlags{};
    const fs::path demo = dir / "DEMOALL.MDL";
    fs::copy_file(fs::path(ZERLO_TEST_DATA) / "blocklib" / "demoall.mdl", demo);
    app().settings.zoom = 1.0f;
    frame->resize(1000, 800);
    open(demo.string());
  }
  model::LogicRecord* shownLogic() {
    Worksheet* w = frame->active();
    if (!w || !w->data.document) return nullptr;
    model::DocumentRecord* d = w->data.document;
    return d->MacroLevel >= 1 ? d->LevelLogics[d->MacroLevel] : nullptr;
  }
  int countKind(int kind) const {
    int n = 0;
    for (Worksheet* w : frame->worksheets()) n += w->data.kind == kind;
    return n;
  }
  int gateCount() {
    int n = 0;
    if (model::LogicRecord* l = shownLogic())
      for (model::GateRecord* g = l->FirstGate; g; g = g->Next) ++n;
    return n;
  }
  // A mouse event on the active worksheet's canvas at a sheet point.
  void mouse(QEvent::Type type, int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Worksheet* w = frame->active();
    ASSERT_NE(w, nullptr);
    const float z = app().settings.zoom;
    const QPointF at((x - w->data.scrollX) * z, (y - w->data.scrollY) * z);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->canvas->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(w->canvas, &e);
  }
};

} // namespace
} // namespace zapp
