#pragma once
// The diagnosis window "Check Interface": the interface test layout (inputs
// as lamps, motors as three-position rotary switches, EX and EY as pointer
// instruments) while the program does not run, and the terminal layout
// (seven-segment displays, parameter fields, message text, keys and switches
// bound to inputs and outputs) while it runs. It watches the process image
// through the runtime's function table every 75 ms and updates an element
// only when its value changed.
#include "trmd001/diag_state.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QTabBar;
class QTimer;

namespace trmd {

class Lamp;
class Rotary;
class Instrument;
class TextDisplay;
class SevenSegment;
class OutputDisplay;
class Key;

// The colour (0xRRGGBB) of a message colour code; unknown codes are black.
std::uint32_t messageColour(int code);
// The number of interfaces: IFACENUM of [SETTINGS] in the file, 1 when missing or outside 1..2.
int interfaceCount(const std::string& interfaceIni);
// Whether the port set in [SETTINGS] PORT has a DRIVER library.
bool portHasDriver(const std::string& interfaceIni);

class DiagWindow : public QWidget {
public:
  // interfaceIni: the host's INTERFACE.INI (for the number of tabs);
  // profileIni: the library's own profile (TOPMOST, XPOS, YPOS of [OPTIONS]);
  // binDir: the program directory, where "zrltgtwin.dll" is looked for.
  DiagWindow(DiagState& state, std::string interfaceIni, std::string profileIni = "", std::string binDir = "",
             QWidget* parent = nullptr);
  ~DiagWindow() override;

  // Called once when the window ends, with the dialog result (100 or 300).
  std::function<void(int)> onFinished;

  // One timer tick (the 75 ms timer calls it; tests may call it directly).
  void tick();

  // The menu commands.
  void toggleTopmost();
  void setupInterface();
  bool settingsRunning() const { return settingsRunning_; }
  bool topmost() const { return topmost_; }

  // F1: the help page of the layout (context 1 test, 100 terminal), with
  // help numbers on first the box with the number. True when a page opened.
  bool requestHelp();

  // WM_USER+47 to every main-program window ("Obel-L" endpoint) that answers
  // its instance query with 1..10; the number of windows told.
  static int tellMainWindows();

  int layout() const { return layout_; }
  int tabCount() const;
  QString statusText() const;
  std::uint32_t messageTextColour() const;
  bool isShownFlag() const { return shown_; }
  Rotary* rotary(int i) const;          // 0..3 on the current tab
  Lamp* lamp(int i) const;              // 0..7
  Key* terminalKey(int i) const;        // 0..4: E17..E21
  QWidget* terminalSwitch(int i) const; // 0..4: E22..E26

protected:
  void closeEvent(QCloseEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  void buildTest();
  void buildTerminal();
  void showLayout();
  void resetCaches();
  void showStatus();
  void updateTest();
  void updateTerminal();
  void bind(const char* area, int index, bool isSwitch, std::uint8_t& cache, QWidget* element);

  void finishSetup();
  void adjustTabs();

  DiagState& st_;
  std::string ini_, profile_, binDir_;
  bool topmost_ = false, settingsRunning_ = false;
  int pollCount_ = 0;
  QTimer* poll_ = nullptr;
  class QAction* topAction_ = nullptr;
  class QAction* setupAction_ = nullptr;
  int tab_ = 0, layout_ = 0;
  bool shown_ = true, finished_ = false;
  QTimer* timer_ = nullptr;
  QTabBar* tabs_ = nullptr;
  QWidget* testPage_ = nullptr;
  QWidget* termPage_ = nullptr;
  std::array<Lamp*, 8> lamps_{};
  std::array<QLabel*, 8> lampNames_{};
  std::array<Rotary*, 4> rotaries_{};
  std::array<QLabel*, 4> motorNames_{};
  Instrument* ex_ = nullptr;
  Instrument* ey_ = nullptr;
  TextDisplay* status_ = nullptr;
  SevenSegment* seg_[2] = {};
  std::array<OutputDisplay*, 8> outs_{};
  std::array<QWidget*, 4> params_{};
  TextDisplay* message_ = nullptr;
  std::array<Key*, 5> keys_{};
  std::array<QWidget*, 5> switches_{};
  Key* stop_ = nullptr;
  Key* reset_ = nullptr;
  Key* offline_ = nullptr;

  // Change caches.
  std::array<std::array<std::uint8_t, 2>, 8> motorCache_{};
  std::array<std::uint8_t, 16> lampCache_{};
  std::array<std::uint8_t, 5> keyCache_{}, switchCache_{};
  std::uint8_t stopCache_ = 0x0F, resetCache_ = 0x0F;
  std::array<int, 8> outCache_{};
  int dwCache_[4] = {-1, -1, -1, -1};   // DW 105, 106, 109, 110
  std::string textCache_;
  int colourCache_ = -1;
  int lastMode_ = -1;
  bool inParamUpdate_ = false;
};

} // namespace trmd
