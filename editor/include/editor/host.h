#pragma once
// The seam between the worksheet editor and the windows that show it. The
// editor sees a window only as its WorksheetWindowData record and reaches the
// shell only through the Host below; the shell's worksheet windows implement
// Host, and tests install a headless one. Every message number is the
// window-message number the events carry.
#include <cstdint>
#include <string>
#include <vector>

namespace model { struct DocumentRecord; }
namespace disp { class DrawWindow; }

namespace editor {

// Message numbers of EngineEvent::type.
enum : std::uint16_t {
  kMsgPaint = 15,
  kMsgKeyDown = 256,
  kMsgChar = 258,
  kMsgSysKeyDown = 260,
  kMsgCommand = 273,
  kMsgTimer = 275,
  kMsgMouseMove = 512,
  kMsgLButtonDown = 513,
  kMsgLButtonUp = 514,
  kMsgLButtonDblClk = 515,
  kMsgRButtonDown = 516,
  kMsgRButtonUp = 517,
  kMsgUser = 1024,
  kMsgActivate = 1027,    // the window became the active worksheet
  kMsgDeactivate = 1028,  // the window lost the activation
  kMsgDestroy = 1044,     // the window goes away (frees its document)
  kMsgSimTick = 1043,     // one display step of the simulation
};

// Mouse-key flags of EngineEvent::code for mouse messages.
enum : std::uint16_t { kKeyLeft = 1, kKeyRight = 2, kKeyShift = 4, kKeyCtrl = 8 };

// Key codes of EngineEvent::code for kMsgKeyDown.
enum : std::uint16_t {
  kVkBack = 8, kVkTab = 9, kVkReturn = 13, kVkEscape = 27, kVkPrior = 33, kVkNext = 34,
  kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40,
  kVkInsert = 45, kVkDelete = 46, kVkF1 = 112, kVkF12 = 123,
};

// The one event record: a position in sheet units (or the paint rectangle),
// the message number and the command id, key code or mouse-key flags.
struct EngineEvent {
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t right = 0;
  std::int16_t bottom = 0;
  std::uint16_t type = 0;
  std::uint16_t code = 0;
};

struct WorksheetWindowData;

// While a handler answers 3 or 4 the window calls the stored callback with
// every mouse move and with the release, until the release.
using DragCallback = int (*)(WorksheetWindowData* window, EngineEvent* event);

// Window kinds.
enum : int {
  kKindMainSheet = 0, kKindSubByName = 1, kKindSubFromList = 2, kKindRunSheet = 3,
  kKindRunSheet2 = 4, kKindTrend = 5, kKindFaceEditor = 6, kKindValueSheet = 7,
};

// The per-worksheet record: what the editor reads and writes of a window.
struct WorksheetWindowData {
  int kind = 0;                              // 0..7
  model::DocumentRecord* document = nullptr; // the document shown; null in the template context
  std::int16_t scrollX = 0, scrollY = 0;     // sheet units
  std::int16_t rangeX = 0, rangeY = 0;       // largest scroll positions
  std::int16_t clientW = 0, clientH = 0;     // visible size in sheet units
  std::int16_t sheetAreaX = 0, sheetAreaY = 0, sheetAreaW = 0, sheetAreaH = 0;  // drag outline
  DragCallback drag = nullptr;               // the window follows the mouse with it
  std::int16_t dragOffsetX = 0, dragOffsetY = 0;
  int answer = 0;                            // the editor's last answer to the window
  int editMode = 1;                          // remembered edit mode 1..5
  int id = 0;                                // the host's handle of the window
};

// What the editor needs of the shell. Every operation has a harmless default
// so that a host overrides only what it offers.
// The Caps Lock state as the window layer last saw it (the key events carry
// it); a host without a direct query answers with this.
void ui_NoteCapsLock(bool on);
bool ui_NotedCapsLock();

class Host {
public:
  virtual ~Host() = default;
  // Repaints.
  virtual void invalidate(WorksheetWindowData* /*window*/, int /*l*/, int /*t*/, int /*r*/, int /*b*/) {}
  virtual void invalidateAll(WorksheetWindowData* /*window*/) {}
  virtual void requestRedraw() {}
  // Posts a message to every worksheet window.
  virtual void postToAll(std::uint16_t /*message*/, std::uint16_t /*code*/) {}
  virtual void setTitle(WorksheetWindowData* /*window*/, const std::string& /*title*/) {}
  virtual void setScrollPos(WorksheetWindowData* /*window*/, int /*x*/, int /*y*/) {}
  // The sheet timer of the simulation display; true when it runs.
  virtual bool startSheetTimer(int /*milliseconds*/) { return true; }
  virtual void stopSheetTimer() {}
  // Menu items by command id.
  virtual void menuEnable(int /*command*/) {}
  virtual void menuDisable(int /*command*/) {}
  virtual void menuText(int /*command*/, const std::string& /*text*/) {}
  virtual void menuChecked(int /*command*/, bool /*checked*/) {}
  virtual bool menuIsChecked(int /*command*/) { return false; }
  // Mouse cursor by shape number; the wait cursor around long work.
  virtual void setCursor(int /*shape*/) {}
  virtual void beginWaitCursor() {}
  virtual void endWaitCursor() {}
  virtual bool editCursorOption() { return true; }
  // The keyboard as it is now.
  virtual bool ctrlDown() { return false; }
  virtual bool shiftDown() { return false; }
  // Caps Lock toggled on: letters keep their upper case.
  virtual bool capsLockOn() { return ui_NotedCapsLock(); }
  // A text of the language library by number.
  virtual std::string languageText(int /*number*/) { return {}; }
  // Prompts; false when cancelled (the value is then unchanged).
  virtual bool promptText(const std::string& /*title*/, std::string& /*text*/, std::size_t /*maxLength*/) { return false; }
  // A text prompt that carries a text height in and out.
  virtual bool promptTextWithHeight(const std::string& /*title*/, std::string& /*text*/, int& /*height*/,
                                    std::size_t /*maxLength*/) { return false; }
  virtual bool promptInt(const std::string& /*title*/, int& /*value*/) { return false; }
  // A choice from a list: the index, or -1 when cancelled.
  virtual int chooseFromList(const std::string& /*title*/, const std::vector<std::string>& /*items*/) { return -1; }
  // The file selector: a filter such as "*.LPA" and a start path (a folder,
  // or a file whose name is offered) in, the chosen path out; false when
  // cancelled. For saving, a name that does not exist yet can be given.
  virtual bool chooseFile(const std::string& /*filter*/, std::string& /*path*/, bool /*forSaving*/) { return false; }
  // Opens a file in the desktop's text viewer (the path is one argument).
  virtual bool openTextViewer(const std::string& /*path*/) { return false; }
  // Opens a worksheet window of the kind on the document; null when refused.
  virtual WorksheetWindowData* openWorksheet(int /*kind*/, model::DocumentRecord* /*doc*/, const std::string& /*title*/) {
    return nullptr;
  }
  virtual void closeWorksheet(WorksheetWindowData* /*window*/) {}
  // The live worksheet windows.
  virtual std::vector<WorksheetWindowData*> worksheets() { return {}; }
  // The drawing window of a worksheet (null when it has none).
  virtual disp::DrawWindow* drawWindow(WorksheetWindowData* /*window*/) { return nullptr; }
  virtual void refreshInsertBox() {}
};

// Installs the host (null restores the default that does nothing); returns the previous one.
Host* setHost(Host* host);
Host& host();

} // namespace editor
