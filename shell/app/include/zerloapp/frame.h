#pragma once
// The frame window (a QMainWindow around a QMdiArea) and the worksheet
// windows (QMdiSubWindows around a worksheet canvas with the shell's own
// scroll bars). The frame's and the worksheets' window procedures stay
// functions over {message, wParam, lParam}; thin Qt glue turns Qt events and
// the window messages of other code into calls of them.
#include "display/canvas.h"
#include "platform/handles.h"
#include "shell/menustate.h"
#include "zerloapp/dispatcher.h"

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QMdiArea;
struct WorkSheetSetup;
class QScrollBar;
namespace engine { class ParamTransferPort; }

namespace zapp {

inline constexpr std::uint32_t kWmCommand = 273;
inline constexpr std::uint32_t kWmClose = 16;
inline constexpr std::uint32_t kWmUser0 = 0x400;
inline constexpr std::uint32_t kWmMenuSelect = 0x11F;
inline constexpr std::uint32_t kWmHelp = 0x53;
inline constexpr std::uint32_t kMacroBarMessage = kWmUser0 + 44;     // lParam 0: bar off
inline constexpr std::uint32_t kBlockDialogReport = kWmUser0 + 200;  // lParam: the call reason
inline constexpr std::uint32_t kWriteTargetCopy = kWmUser0 + 250;

// The frame's help-context field is the shell's current help context: what
// the frame sets here is the topic F1 and the help command open.
struct HelpContextField {
  HelpContextField& operator=(int id);
  operator int() const;
};
inline constexpr int kOpenWindowSlots = 20;
inline constexpr int kScrollStep = 50;

class Frame;

// The index 0..5 of a sheet size in the worksheet setup (0 when none matches).
int sheetSizeIndex(int width, int height);

// The canvas of a worksheet: it redraws its image through the dispatcher when
// it was marked dirty, then shows it.
class SheetCanvas : public disp::WorksheetCanvas {
public:
  std::function<void()> redraw;
  bool dirty = true;
protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
};

class Worksheet : public QMdiSubWindow {
public:
  Worksheet(Frame& frame, int kind);
  ~Worksheet() override;
  WorksheetWindowData data;
  SheetCanvas* canvas = nullptr;
  QScrollBar* hbar = nullptr;
  QScrollBar* vbar = nullptr;
  std::string title;
  // ws_WndProc for the messages the shell sends.
  std::int64_t wndProc(std::uint32_t msg, std::int64_t w, std::int64_t l);
  // Scroll by the Windows scroll codes (0 line up, 1 line down, 2 page up,
  // 3 page down, 6 top, 7 bottom, 4 thumb with the position).
  void scroll(bool vertical, int code, int pos = 0);
  void updateVisibleSize();
  void invalidate();
  // Zoom keys: +1 plus, -1 minus, 0 the slash key.
  void zoomKey(int step);
  // The editor's mouse shape for the canvas, and the shape shown now.
  void setShape(int shape);
  int shape() const { return shape_; }
  // Ctrl pressed (true) or let go over the canvas.
  void controlKey(bool down);
  // A mouse event of the canvas: to the editor, or to the stored drag
  // callback while a drag that the editor began (answers 3 and 4) goes on.
  // Answers the editor's answer.
  int mouse(QMouseEvent* event);
  bool dragging = false;   // the window holds the capture
  // The window's picture beside what the clipboard holds.
  void copyPicture();
  Frame& frame() { return frame_; }
  // The last mouse position over the canvas, in sheet units of the window.
  int lastX() const { return lastX_; }
  int lastY() const { return lastY_; }
protected:
  void closeEvent(QCloseEvent* event) override;
private:
  void paintSheet();
  Frame& frame_;
  std::int16_t lastX_ = -100, lastY_ = -100;   // the last mouse position
  bool marker_ = false;                        // a gesture's pointer is shown
  int shape_ = 2;                              // the editor's mouse shape shown
};

struct OpenWindow {
  Worksheet* window = nullptr;
  std::string title;
  int sameTitle = 0;
};

class Frame : public QMainWindow {
public:
  explicit Frame(Dispatcher& dispatcher);
  ~Frame() override;

  Dispatcher& dispatcher;
  plat::handles::Id id = 0;   // the frame's handle (its endpoint id)
  QMdiArea* mdi = nullptr;
  int pendingKind = 0;        // 500..507 while a worksheet is being made
  int templateKind = 3;       // window kind of the template context
  bool maximise = false;
  std::array<OpenWindow, kOpenWindowSlots> openWindows{};
  std::string openBuffer;
  bool openPending = false, openedByName = false;
  bool closeRefused = false;
  bool firstPaint = true;
  bool enabledOnce = false;
  HelpContextField helpContext;
  // Set while F1 shows the context help: a command then shows its own help
  // instead of running.
  bool contextHelp = false;
  void showContextHelp();                    // WM_HELP (F1, 330)
  // Ctrl+F1 over a worksheet of kind 0..3: the help of the gate under the point.
  void showGateHelp(Worksheet* w, int x, int y);
  void writeTargetTextCopy();                // WM_USER+250
  // 268 / 269: every parameter read from / written to the target, after the
  // questions 40012 / 40013. The display timer does not step meanwhile.
  void transferParameters(bool read);
  // 287: the parameter lists of the active sheet's level with their heading;
  // 288: the plain lists, into an ".LPA" file. Neither reads a list back.
  void writeParamLists(bool withHead);
  // 208: a library (".M*") into the project through the project loader; the
  // project counts as changed only when the loader answered non-zero.
  void loadLibrary();
  bool transferringParameters = false;
  // The target's side of the transfer (null: the server client's).
  engine::ParamTransferPort* paramPort = nullptr;
  bool menuHelp = false;        // a menu is open: the context before it is kept
  int savedHelpContext = 0;
  int menuState = 1;
  // Stores the program state and applies it to menus, bars and the insert box.
  void setMenuState(int state);
  std::function<void()> onStarted;  // once the start screen is over
  std::function<void(const std::string&)> messageLine;  // a line for the message window
  // The template context's record: sheet-opening commands go to the editor
  // on it, and the window they open takes its document.
  WorksheetWindowData templateRecord;
  // Timer 998 of the simulation and online display: on the worksheet that
  // started it, re-armed with the online cycle time until stopped.
  QTimer sheetTimer;
  Worksheet* timerWindow = nullptr;
  int timerTicks = 0;
  bool quitQuestionOpen = false;
  bool startSheetTimer(int ms);
  void stopSheetTimer();
  void onSheetTimer();
  Worksheet* worksheetOf(const WorksheetWindowData* data) const;
  // The modifier keys of the mouse event being handled.
  Qt::KeyboardModifiers eventModifiers;

  // frm_WndProc / frm_OnCommand / frm_OnClose
  std::int64_t wndProc(std::uint32_t msg, std::int64_t w, std::int64_t l);
  void onCommand(int id);
  int onClose();
  // Sends an engine event: without a window on the template context.
  int sendEngineEvent(Worksheet* w, int type, int code, int x = 0, int y = 0);
  Worksheet* active() const;
  std::vector<Worksheet*> worksheets() const;
  Worksheet* createWorksheet();        // WM_USER+0
  void destroyKinds(std::initializer_list<int> kinds);
  void redrawAll();
  bool checkFreeSlot(bool running);     // wnd_CheckFreeSlot
  void openSheet(int id, int kind, int pending, bool running);
  void loadProject();                  // 201
  // 222: the new-project dialog (a project made from a template); a name
  // that does not exist is offered to be created, then it is opened.
  void newProject();
  // The new-project dialog into the path (1 on OK; tests answer themselves).
  std::function<int(std::string&)> newProjectDialog;
  // The program's empty project a new file is made from ("": DEFAULT.MDN of
  // the BIN directory).
  std::string emptyProjectFile;
  // Once, when the frame first shows: 273 leaves the menus and the menus
  // and bars take program state 1 (no project).
  void applyStartMenus();
  bool startMenusApplied = false;
  // 362: the minimised worksheets in a row along the bottom.
  void arrangeIcons();
  bool closeProject();                 // 204: false when refused
  // 203 / 207: false when nothing was saved (cancelled or failed).
  bool saveProject(bool saveAs);
  // The recent files of the File menu (224..228).
  shell::RecentFileList recent;
  void openRecent(int n);
  // 261: target program, compile, download, online; 262: the online mode on/off.
  void startTarget();
  // ws_SetEditMode: modes 1..5 (others 1) with their table, bars, pointer and
  // menu state 3; the default tool of a new worksheet.
  int editMode = 1;   // the remembered edit mode
  void setEditMode(Worksheet* w, int mode);
  void selectDefaultTool(Worksheet* w);
  void toggleOnline();
  // The save question 40008 while the project has changed; false when the
  // user keeps it (Cancel, or a save that did not happen).
  bool askSaveChanges();
  // 40001 while function blocks' worker threads run; false when the user keeps them.
  bool askThreads();
  // Whether a project path is still the new-file suggestion (the standard
  // dialogs library's answer; tests answer themselves).
  std::function<bool(const std::string&)> isNewFileSuggestion;
  // The save-as selector on a path (the standard dialogs library's); false when cancelled.
  std::function<bool(std::string&)> saveAsDialog;
  // Worksheet setup (300): the dialog over the record (1 OK), then the sheet
  // size by index, auto-routing, zoom and the cycle time (50..59999 ms) taken.
  std::function<int(WorkSheetSetup&)> worksheetSetupDialog;
  // The subprogram dialogs over the project's subprogram names (1 on OK).
  // Copy (250) and rename (259): the chosen existing name and the new one;
  // design or delete (251 mode 0, 252 mode 1): the chosen name. Tests answer
  // them themselves.
  std::function<int(std::string& from, std::string& to)> copyMacroDialog;
  std::function<int(int mode, std::string& name)> designOrDeleteDialog;
  std::function<int(std::string& from, std::string& to)> renameMacroDialog;
  void copySubprogram();       // 250
  void designSubprogram();     // 251
  void deleteSubprogram();     // 252
  void renameSubprogram();     // 259
  // The template command event id of kind 3 to the editor; its answer.
  int templateCommand(int id);
  void worksheetSetup();
  // After a sheet size change: scroll ranges (size - 100), positions clamped, redrawn.
  void applySheetSize();
  // The auto-route options of the settings to the router (through the shell).
  void applyRouteOptions();
  // The browser command of 40030 ("" when there is none: nothing happens).
  std::function<std::string()> browserCommand;
  void dropFile(const std::string& name);
  void setTitleFromProject();
  void shutDown();                     // the steps after a close that goes on
  // WM_MENUSELECT's status-line help context: item, flags (0x10 popup,
  // 0x2000 system menu; 0xFFFF with menu 0: closed).
  void menuSelect(int item, int flags, std::int64_t menu);
  // Feeds the menu bar's hovering and closing to WM_MENUSELECT.
  void connectMenuHelp();
  void removeFromTable(Worksheet* w);
  bool addToTable(Worksheet* w);
  bool closing = false;
  bool shutDownDone = false;
  QPointer<Worksheet> lastActive;   // the worksheet that was activated last

protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

private:
  void installAccelerators();
};

} // namespace zapp
