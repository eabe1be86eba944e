#pragma once
// The program state (1..12) and what follows from it: after every change the
// menus and bars get the state's table of enabled and disabled commands, the
// check marks of the view options, the Window list and the bar library's
// mode. Also the recent-file list of the File menu and its [FileList] keys.
#include "shell/binding.h"
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace shell {

// The menus and bars as the shell drives them. The default implementation
// goes through the bar library's wrappers; tests install a recording one.
class BarMenus {
public:
  virtual ~BarMenus() = default;
  virtual void enable(int id, bool on) { bind_SB00_EnableBarItem(id, on ? 1 : 0); }
  virtual void check(int id, bool on) { bind_SB06_CheckMenuItem(id, on ? 1 : 0); }
  virtual bool isChecked(int id) { return bind_SB06_IsMenuItemChecked(id) != 0; }
  virtual void setText(int id, const std::string& text) { bind_SB06_SetMenuItemText(id, text.c_str()); }
  // Inserts an item before the item `before`; 0 appends it to the Window menu.
  virtual void insertItem(int before, int id, const std::string& text) { bind_SB06_InsertMenuItem(before, id, text.c_str()); }
  virtual void deleteItem(int id) { bind_SB06_DeleteMenuItem(id); }
  virtual void changeBarsForMode(int state) { bind_SB00_ChangeBarsForMode(state); }
  virtual void changeBarsForEditMode(int mode) { bind_SB00_ChangeBarsForEditMode(mode); }
  virtual int editMode() { return bind_SB00_GetEditMode(); }
  virtual bool statusBarEnabled() { return bind_SB01_IsStatusBarEnabled() != 0; }
  virtual bool toolBarEnabled() { return bind_SB02_IsToolBarEnabled() != 0; }
};
BarMenus& barMenus();
// Installs the menus (null restores the default); returns the previous one.
BarMenus* setBarMenus(BarMenus* menus);

// Records the state of every command it was told about, for tests.
class RecordingBarMenus : public BarMenus {
public:
  struct Item { bool enabled = false, checked = false, known = false; std::string text; };
  std::map<int, Item>& items() { return items_; }
  std::vector<std::string> calls;   // insert/delete/mode lines in order
  int edit = 0;
  bool status = true, tool = true;
  void enable(int id, bool on) override { auto& i = items_[id]; i.enabled = on; i.known = true; }
  void check(int id, bool on) override { items_[id].checked = on; }
  bool isChecked(int id) override { return items_[id].checked; }
  void setText(int id, const std::string& t) override { items_[id].text = t; }
  void insertItem(int before, int id, const std::string& t) override {
    calls.push_back("insert " + std::to_string(before) + " " + std::to_string(id) + " " + t);
    items_[id].text = t;
  }
  void deleteItem(int id) override { calls.push_back("delete " + std::to_string(id)); items_.erase(id); }
  void changeBarsForMode(int s) override { calls.push_back("mode " + std::to_string(s)); }
  void changeBarsForEditMode(int m) override { calls.push_back("edit " + std::to_string(m)); }
  int editMode() override { return edit; }
  bool statusBarEnabled() override { return status; }
  bool toolBarEnabled() override { return tool; }
private:
  std::map<int, Item> items_;
};

// ---- program state ----
// The flags the state table reads. The main program keeps them current.
struct ProgramFlags {
  bool online = false;        // the online mode
  bool simulation = false;    // the simulation flag
  bool chain1 = false;        // target chain: translated
  bool chain2 = false;        // target chain: translated and checked
  bool downloaded = false;    // set after a successful download
  bool startOnline = false;   // after a download the start command also switches the online display on
  bool trendSheet = false;    // a trend worksheet exists
  bool clipboard = false;     // the private clipboard has something to paste
};
ProgramFlags& programFlags();

// What the state computation asks of the rest of the program; each hook has
// a default (over the settings library, the open-window table and the insert box).
struct MenuHooks {
  std::function<bool()> worksheetExists;          // default: open-window table not empty
  std::function<bool()> interfaceActive;          // default: IsKXIFActive
  std::function<bool()> offProgram;               // default: GetOffProg
  std::function<int()> language;                  // default: GetObelLanguage
  std::function<bool()> quickStart, editCursor, ioLabels, autoRoute;
  std::function<void(bool editorMode)> postEditorMode;  // WM_USER+44 to the frame
};
MenuHooks& menuHooks();

inline constexpr int kProgramStates = 12;

// A cell of the state table.
enum class Cell : char {
  Enabled = 'E', Disabled = 'D', Unchanged = '=',
  UnlessOnline = 'U',      // enabled unless the online mode is on
  IfOnline = 'O',          // enabled if the online mode is on
  IfChain1 = 'C',          // enabled if chain flag 1 is set
  IfTrendSheet = 'T',      // enabled if a trend worksheet exists
  IfInterface = 'I',       // enabled if the interface is active
  IfEditMode1 = 'M',       // enabled in edit mode 1
  IfEditMode1Paste = 'P',  // enabled in edit mode 1 with something to paste
};
struct StateRow {
  int id;
  const char* cells;   // 12 cells, states 1..12
};
const std::vector<StateRow>& menuStateTable();
// The cell of a command in a state (Unchanged for ids outside the table).
Cell menu_Cell(int id, int state);

int menu_ResolveState(int requested);
void menu_UpdateState(int requested);
void menu_UpdateReduced();
bool menu_IsLocked();
// The stored program state (1 at start).
int menu_State();
// Clears the lock and sets state 1 (start-up and tests).
void menu_Reset();
void menu_EnableCommand(int id);
void menu_DisableCommand(int id);
bool menu_IsChecked(int id);
void menu_SetText(int id, const std::string& text);

// ---- recent files ----
inline constexpr int kRecentFiles = 5;
inline constexpr int kFirstRecentId = 224;
inline constexpr std::size_t kRecentPathMax = 255;
struct RecentFileList {
  std::vector<std::string> paths;   // most recent first, no gaps
  int anchor = -1;                  // the command the items are inserted before; -1 until loaded
  int shown = 0;                    // items in the menu now
};
void mru_Init(RecentFileList& list);
// Reads "File00".."File04" of [FileList] (empty keys leave no gap) and puts
// the list into the File menu before the command anchor.
void mru_LoadFromIni(RecentFileList& list, const std::string& iniPath, int anchor);
// Writes all five keys (a missing entry as an empty value); false when the
// file cannot be written.
bool mru_SaveToIni(const RecentFileList& list, const std::string& iniPath);
void mru_Free(RecentFileList& list);
void mru_Add(RecentFileList& list, const std::string& path);
// Copies entry n into the buffer, cut to its size; false when there is none.
bool mru_GetEntry(const RecentFileList& list, char* buffer, std::size_t size, int n);
void mru_EnableEntries(const RecentFileList& list, bool on);
// The menu text of a path: longer than 30 characters, shortened with "...".
std::string mru_ShortenPath(const std::string& path);

} // namespace shell
