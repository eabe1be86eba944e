// The program state, its table of menu and bar commands, and the recent-file
// list of the File menu.
#include "shell/menustate.h"
#include "platform/profile.h"
#include "shell/binding.h"
#include "shell/insertbox.h"
#include "shell/prompts.h"
#include "shell/resources.h"
#include "shell/utilities.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace shell {

namespace {
BarMenus g_defaultBars;
BarMenus* g_bars = &g_defaultBars;
ProgramFlags g_flags;
MenuHooks g_hooks;
int g_state = 1;
bool g_locked = false;
int g_windowItems = 0;   // Window-list items in the menu now

// States 1..12 left to right. E enabled, D disabled, = unchanged; the
// conditional cells are named in Cell.
const std::vector<StateRow> kTable = {
    {201, "EEEEEEEEDDDD"}, {203, "DEEEEEEEDDDU"}, {204, "DEEEEEEEDDDD"}, {207, "DEEEEEEEDDDD"},
    {208, "DEDDDDDDDDDD"}, {211, "DEDDDDDDDDDD"}, {212, "DDEEEEEEDDDD"}, {213, "DEEEEEEEDDDD"},
    {215, "DEEEEEEEDDDD"}, {216, "EEEEEEEEEEEE"}, {222, "EEEEEEEEDDDD"}, {224, "EEEEEEEEDDDD"},
    {225, "EEEEEEEEDDDD"}, {226, "EEEEEEEEDDDD"}, {227, "EEEEEEEEDDDD"}, {228, "EEEEEEEEDDDD"},
    {229, "DEEEEEEEDDDD"}, {230, "DEEEEEEEDUDU"}, {231, "DEEEEEEEDUDU"}, {232, "DEEEEEEEDUDU"},
    {233, "DEEEEEEEDUDU"}, {234, "DEEEEEEEDUDU"}, {235, "DDDDEEEEDUDU"}, {236, "DDEEEEEEDEDU"},
    {237, "DDEDDDDDDDDD"}, {238, "DDEDDDDDDDDD"}, {239, "DDEDDDDDDDDD"}, {240, "DDEDDDDD==DD"},
    {242, "DDEEEEEEEEED"}, {243, "DDE=DDDD==DD"}, {244, "DDEDDDDDDDDD"}, {245, "DDEDDDDDDDDD"},
    {246, "DDEDDDDDDDDD"}, {247, "DDEDDDDDDDDD"}, {248, "DDEDDDDDDDDD"}, {250, "DEEEEEEEDDDD"},
    {251, "DEEEEEEEDDDD"}, {252, "DEDDDDDDDDDD"}, {257, "DDDEDDDDDDDD"}, {258, "DDEEEEEEDDDD"},
    {259, "DEEEDDDDDDDU"}, {260, "DDDDEEEEDDDD"}, {261, "DEEEEEEEDDDD"}, {262, "DDDDDDDDECDD"},
    {264, "DDDDTTTTDDDD"}, {266, "DDDDEEEEDDDD"}, {267, "DDDDEEEEDDDD"}, {268, "DDDDDDDDEDEO"},
    {269, "DDDDDDDDEDEO"}, {270, "DDDDEEEEDDDU"}, {271, "DDDDEEEEDDDU"}, {275, "DIIIIIIIDDDD"},
    {282, "DD=DEEEEEEEE"}, {287, "DDDDEEEEDDDD"}, {288, "DDDDEEEEDDDD"}, {300, "DEEEEEEEDDDD"},
    {301, "DDEDEEEEDDDD"}, {302, "DDEEDDDDDDDD"}, {304, "DDEDEEEEDDDD"}, {305, "DEEDDDDDDDDD"},
    {331, "EEEEEEEEEEEE"}, {360, "DDEEEEEEEEEE"}, {361, "DDEEEEEEEEEE"}, {362, "DDEEEEEEEEEE"},
    {363, "DDEEEEEEEEDE"}, {370, "DDMDDDDDDDDD"}, {371, "DDDDDDDDDDDD"}, {372, "DDDDDDDDDDDD"},
    {373, "DDDDDDDDDDDD"}, {374, "DDPDDDDDDDDD"}, {375, "DDDDDDDDDDDD"}, {383, "DDDDEEEEEDED"},
    // The simulation's steps, from the run sheet only: from time zero and the
    // next step (which change the simulated values) while the simulation
    // sheet is active and not online; the next subprogram (a walk over the
    // levels) also online, as the level change 383.
    {320, "DDDDEEEEDDED"}, {512, "DDDDEEEEDDED"}, {513, "DDDDEEEEEDED"},
};

// Commands that the running simulation or online mode disables and enables.
constexpr int kRunDisabled[] = {230, 231, 232, 234, 235, 236, 267, 270, 271, 363};
constexpr int kRunEnabled[] = {268, 269};

bool hook(const std::function<bool()>& f, bool def) { return f ? f() : def; }

bool worksheetExists() { return hook(g_hooks.worksheetExists, wnd_CountOpenWorksheets() > 0); }

// Whether a cell enables its command (false for Unchanged, which the caller skips).
bool cellEnables(Cell c, int editMode) {
  switch (c) {
  case Cell::Enabled: return true;
  case Cell::UnlessOnline: return !g_flags.online;
  case Cell::IfOnline: return g_flags.online;
  case Cell::IfChain1: return g_flags.chain1;
  case Cell::IfTrendSheet: return g_flags.trendSheet;
  case Cell::IfInterface: return hook(g_hooks.interfaceActive, bind_IsKXIFActive() != 0);
  case Cell::IfEditMode1: return editMode == 1;
  case Cell::IfEditMode1Paste: return editMode == 1 && g_flags.clipboard;
  default: return false;
  }
}

void rebuildWindowList() {
  for (int n = 0; n < g_windowItems; ++n) g_bars->deleteItem(kFirstWindowMenuId + n);
  g_windowItems = 0;
  for (int n = 0; n < kWindowTableSize; ++n) {
    const OpenWindow* w = wnd_Entry(n);
    if (!w || !w->window) continue;
    std::string title;
    for (char c : w->title) {
      title += c;
      if (c == '&') title += '&';
    }
    g_bars->insertItem(0, kFirstWindowMenuId + n, "&" + std::to_string(n + 1) + ": " + title);
    g_windowItems = n + 1;
  }
}
} // namespace

BarMenus& barMenus() { return *g_bars; }
BarMenus* setBarMenus(BarMenus* menus) {
  BarMenus* prev = g_bars;
  g_bars = menus ? menus : &g_defaultBars;
  return prev == &g_defaultBars ? nullptr : prev;
}
ProgramFlags& programFlags() { return g_flags; }
MenuHooks& menuHooks() { return g_hooks; }
const std::vector<StateRow>& menuStateTable() { return kTable; }

Cell menu_Cell(int id, int state) {
  if (state < 1 || state > kProgramStates) return Cell::Unchanged;
  for (const auto& r : kTable)
    if (r.id == id) return Cell(r.cells[state - 1]);
  return Cell::Unchanged;
}

int menu_ResolveState(int requested) {
  int s = requested;
  if (s >= 5 && s <= 8) {
    s = 5;
    if (g_flags.chain1) {
      s = 6;
      if (g_flags.chain2) {
        s = 7;
        if (g_flags.downloaded) s = 8;
      }
    }
    if (g_flags.online) s = 9;
  }
  if (s >= 3 && s <= 12 && !worksheetExists()) s = 2;
  return s;
}

void menu_UpdateState(int requested) {
  if (g_locked) return;
  BarMenus& b = *g_bars;
  // 1. The Window list.
  rebuildWindowList();
  // 2. Check marks of the view options.
  b.check(318, b.statusBarEnabled());
  b.check(319, b.toolBarEnabled());
  b.check(324, ins_IsInsertBoxShown() != 0);
  b.check(382, hook(g_hooks.quickStart, bind_GetQuickStartStatus() != 0));
  b.check(305, hook(g_hooks.editCursor, bind_GetEditCursor() != 0));
  b.check(304, hook(g_hooks.ioLabels, bind_GetIOLabelStatus() != 0));
  b.check(321, hook(g_hooks.autoRoute, blk_GetRouteFlag() != 0));
  // 3. The state.
  const int state = menu_ResolveState(requested);
  g_state = state;
  const int editMode = b.editMode();
  // 4. The insert box.
  ins_OnMenuState(state, editMode);
  // 5. Languages.
  int lang = g_hooks.language ? g_hooks.language() : bind_GetObelLanguage();
  if (lang == 0) lang = 2;
  for (int n = 1; n <= 7; ++n) {
    b.check(40020 + n, n == lang);
    b.enable(40020 + n, state != 9 && state != 11);
  }
  // 6. Bars.
  b.changeBarsForMode(state);
  b.changeBarsForEditMode(editMode == 0 ? 1 : editMode);
  if (g_hooks.postEditorMode) g_hooks.postEditorMode(state == 4);
  // 7. Interface commands.
  b.enable(323, true);
  if (auto t = res_String(state == 9 ? 4 : 3)) b.setText(323, *t);
  b.enable(322, state != 9);
  // 8. The table.
  for (const auto& r : kTable) {
    const Cell c = Cell(r.cells[state - 1]);
    if (c != Cell::Unchanged) b.enable(r.id, cellEnables(c, editMode));
  }
  // Without a worksheet there is nothing to undo; on a sheet the editor
  // keeps Undo enabled while it holds an undo copy.
  if (state <= 2) b.enable(256, false);
  if (state >= 5 && state <= 8) b.enable(273, true);
  else if (hook(g_hooks.offProgram, bind_GetOffProg() != 0)) b.enable(273, false);
  // 9. The running simulation or online mode.
  if (g_flags.online || g_flags.simulation) {
    for (int id : kRunDisabled) b.enable(id, false);
    for (int id : kRunEnabled) b.enable(id, true);
  }
}

void menu_UpdateReduced() {
  g_locked = true;
  BarMenus& b = *g_bars;
  for (const auto& r : kTable) b.enable(r.id, false);
  for (int id : {207, 229, 216}) b.enable(id, true);
}

bool menu_IsLocked() { return g_locked; }
int menu_State() { return g_state; }
void menu_Reset() {
  g_locked = false;
  g_state = 1;
  g_windowItems = 0;
}
void menu_EnableCommand(int id) { g_bars->enable(id, true); }
void menu_DisableCommand(int id) { g_bars->enable(id, false); }
bool menu_IsChecked(int id) { return g_bars->isChecked(id); }
void menu_SetText(int id, const std::string& text) { g_bars->setText(id, text); }

// ---- recent files ----
namespace {
bool sameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}
bool isSeparator(char c) { return c == '\\' || c == '/'; }
std::string keyOf(int n) {
  char key[8];
  std::snprintf(key, sizeof key, "File%02d", n);
  return key;
}
void rebuildRecent(RecentFileList& list) {
  if (list.anchor < 0) return;
  for (int n = 0; n < list.shown; ++n) g_bars->deleteItem(kFirstRecentId + n);
  list.shown = 0;
  for (std::size_t n = 0; n < list.paths.size(); ++n) {
    g_bars->insertItem(list.anchor, kFirstRecentId + int(n),
                       "&" + std::to_string(n + 1) + " " + mru_ShortenPath(list.paths[n]));
    list.shown = int(n) + 1;
  }
}
} // namespace

std::string mru_ShortenPath(const std::string& path) {
  const std::size_t len = path.size();
  if (len <= 30) return path;
  std::size_t cut = 0;
  if (path[1] == ':') {
    for (std::size_t i = 0; i < len && i < 20; ++i)
      if (isSeparator(path[i])) {
        cut = i + 1;
        break;
      }
  }
  std::size_t from = cut + 3 + len - 30;
  std::size_t next = from;
  while (next < len && !isSeparator(path[next])) ++next;
  if (next < len) from = next;
  return path.substr(0, cut) + "..." + (from < len ? path.substr(from) : std::string());
}

void mru_Init(RecentFileList& list) {
  list.paths.clear();
  list.anchor = -1;
  list.shown = 0;
}

void mru_LoadFromIni(RecentFileList& list, const std::string& iniPath, int anchor) {
  list.paths.clear();
  for (int n = 0; n < kRecentFiles; ++n) {
    std::string v = plat::profile::getString(iniPath, "FileList", keyOf(n), "");
    if (v.size() > kRecentPathMax) v.resize(kRecentPathMax);
    if (!v.empty()) list.paths.push_back(v);
  }
  list.anchor = anchor;
  rebuildRecent(list);
}

bool mru_SaveToIni(const RecentFileList& list, const std::string& iniPath) {
  bool ok = true;
  for (int n = 0; n < kRecentFiles; ++n) {
    const std::string v = std::size_t(n) < list.paths.size() ? list.paths[std::size_t(n)] : std::string();
    ok = plat::profile::writeString(iniPath, "FileList", keyOf(n), v.c_str()) && ok;
  }
  return ok;
}

void mru_Free(RecentFileList& list) { list.paths.clear(); }

void mru_Add(RecentFileList& list, const std::string& path) {
  if (path.empty()) return;
  std::string p = path.substr(0, kRecentPathMax);
  auto it = std::find_if(list.paths.begin(), list.paths.end(),
                         [&](const std::string& e) { return sameIgnoringCase(e, p); });
  if (it != list.paths.end()) list.paths.erase(it);
  list.paths.insert(list.paths.begin(), p);
  if (list.paths.size() > std::size_t(kRecentFiles)) list.paths.resize(kRecentFiles);
  rebuildRecent(list);
}

bool mru_GetEntry(const RecentFileList& list, char* buffer, std::size_t size, int n) {
  if (!buffer || size == 0) return false;
  buffer[0] = 0;
  if (n < 0 || std::size_t(n) >= list.paths.size()) return false;
  const std::string& p = list.paths[std::size_t(n)];
  const std::size_t k = std::min(p.size(), size - 1);
  std::memcpy(buffer, p.data(), k);
  buffer[k] = 0;
  return true;
}

void mru_EnableEntries(const RecentFileList& list, bool on) {
  (void)list;
  for (int n = 0; n < kRecentFiles; ++n) g_bars->enable(kFirstRecentId + n, on);
}

} // namespace shell
