// The bar and menu library: the frame's menu bar, tool bar, status bar and
// macro bar over the frame's QMainWindow (found by its window handle id).
// Menu commands reach the frame as WM_COMMAND (273) with the command id.
// Every call runs on the user-interface thread.
#include "menus.h"
#include "platform/export.h"
#include "platform/handles.h"
#include "platform/windows.h"
#include "shell/libapi.h"
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>

using shell::BarRect;
using shell::Hwnd;

namespace {

constexpr int kMenuHandleKind = 0x4D454E55;  // "MENU"
constexpr std::uint32_t kWmCommand = 273;

struct Bars {
  QPointer<QMainWindow> frame;
  Hwnd frameId = 0;
  QPointer<QMenuBar> menuBar;
  plat::handles::Id menuId = 0, windowMenuId = 0, fileMenuId = 0;
  QPointer<QMenu> windowMenu, fileMenu;
  std::map<int, QAction*> items;     // menu items by command id
  QPointer<QStatusBar> status;
  QPointer<QToolBar> tool, tool2, macro;   // tool2: the tool bar's second row
  std::map<int, QAction*> toolItems, macroItems;
  int statusFlag = 1, toolFlag = 1;
  int mode = 1, editMode = 0;
  bool tips = true;
} g;

QMainWindow* frameOf(Hwnd id) {
  auto t = plat::win::target(id);
  return t ? qobject_cast<QMainWindow*>(static_cast<QObject*>(t->widget())) : nullptr;
}

void sendCommand(int id) {
  if (g.frameId) plat::win::postMessage(g.frameId, kWmCommand, id, 0);
}

QAction* makeAction(QObject* parent, const stockbars::MenuItem& item) {
  auto* a = new QAction(QString::fromUtf8(item.text), parent);
  if (item.shortcut && *item.shortcut) {
    // Shown beside the text; the frame runs its accelerators itself.
    a->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut)));
    a->setShortcutContext(Qt::WidgetShortcut);
  }
  int id = item.id;
  QObject::connect(a, &QAction::triggered, [id] { sendCommand(id); });
  a->setData(id);
  return a;
}

// Attaches what was created before the frame was known.
bool adoptFrame(Hwnd id) {
  QMainWindow* f = frameOf(id);
  if (!f) return false;
  g.frame = f;
  g.frameId = id;
  if (g.menuBar && f->menuBar() != g.menuBar) f->setMenuBar(g.menuBar);
  return true;
}

void fillRect(QWidget* w, BarRect* r) {
  if (!r) return;
  if (!w || !w->isVisible()) {
    *r = BarRect{0, 0, 0, 0};
    return;
  }
  QRect q = w->geometry();
  *r = BarRect{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
}

QToolBar* makeBar(const char* title, const std::vector<stockbars::MenuItem>& buttons, std::map<int, QAction*>& into,
                  bool checkable) {
  auto* bar = new QToolBar(QString::fromUtf8(title));
  bar->setObjectName(QString::fromUtf8(title));
  bar->setMovable(false);
  for (const auto& b : buttons) {
    if (!b.id) {
      bar->addSeparator();
      continue;
    }
    QAction* a = makeAction(bar, b);
    a->setCheckable(checkable);
    a->setToolTip(QString::fromUtf8(b.text));
    bar->addAction(a);
    into[b.id] = a;
  }
  return bar;
}

} // namespace

// ---- version and start flags ----
ZERLO_EXPORT double SB00_GetDLLVersion(void) { return 1.002; }
ZERLO_EXPORT int SB00_GetStartFlags(int32_t* status, int32_t* tool) {
  if (status) *status = g.status ? (g.status->isVisibleTo(g.frame) ? 1 : 0) : g.statusFlag;
  if (tool) *tool = g.tool ? (g.tool->isVisibleTo(g.frame) ? 1 : 0) : g.toolFlag;
  return 1;
}
ZERLO_EXPORT int SB00_SetStartFlags(int32_t status, int32_t tool) {
  g.statusFlag = status ? 1 : 0;
  g.toolFlag = tool ? 1 : 0;
  return 1;
}

// ---- status bar ----
ZERLO_EXPORT int SB01_CreateStatusBar(Hwnd frame) {
  if (!adoptFrame(frame)) return 0;
  if (!g.status) {
    g.status = new QStatusBar;
    g.frame->setStatusBar(g.status);
  }
  g.status->setVisible(g.statusFlag != 0);
  return 1;
}
ZERLO_EXPORT int SB01_DestroyStatusBar(void) {
  // The frame releases the bar it holds itself.
  if (g.frame && g.status && g.frame->statusBar() == g.status) g.frame->setStatusBar(nullptr);
  else delete g.status.data();
  g.status = nullptr;
  return 1;
}
ZERLO_EXPORT int SB01_SizeStatusBar(int32_t, int32_t, BarRect* r) {
  fillRect(g.status, r);
  return 1;
}
ZERLO_EXPORT int SB01_GetStatusBarHeight(void) { return g.status && g.status->isVisible() ? g.status->height() : 0; }
ZERLO_EXPORT int SB01_EnableStatusBar(int32_t on) {
  g.statusFlag = on ? 1 : 0;
  if (g.status) g.status->setVisible(on != 0);
  return 1;
}
ZERLO_EXPORT int SB01_IsStatusBarEnabled(void) { return g.status ? (g.status->isVisibleTo(g.frame) ? 1 : 0) : g.statusFlag; }
ZERLO_EXPORT int SB01_SetSimpleStatusBar(int32_t) { return 1; }
ZERLO_EXPORT int SB01_MenuHelpStatusBar(uint32_t, int32_t) { return 1; }
ZERLO_EXPORT int SB01_SetStatusBarText(int32_t, const char* text) {
  if (g.status) g.status->showMessage(QString::fromUtf8(text ? text : ""));
  return 1;
}
ZERLO_EXPORT int SB01_SetStatusBarString(int32_t part, const char* text) { return SB01_SetStatusBarText(part, text); }

// ---- tool bar ----
// The tool bar is two rows: the buttons up to the row break, then the rest.
ZERLO_EXPORT int SB02_CreateToolBar(Hwnd frame) {
  if (!adoptFrame(frame)) return 0;
  if (!g.tool) {
    const auto& all = stockbars::toolButtons();
    auto cut = std::find_if(all.begin(), all.end(), [](const stockbars::MenuItem& b) { return b.id < 0; });
    g.tool = makeBar("Tools", {all.begin(), cut}, g.toolItems, false);
    for (int id : {246, 247, 248, 244, 245})
      if (auto it = g.toolItems.find(id); it != g.toolItems.end()) it->second->setCheckable(true);
    g.frame->addToolBar(Qt::TopToolBarArea, g.tool);
    if (cut != all.end()) {
      g.tool2 = makeBar("Run", {cut + 1, all.end()}, g.toolItems, false);
      g.frame->addToolBarBreak(Qt::TopToolBarArea);
      g.frame->addToolBar(Qt::TopToolBarArea, g.tool2);
    }
  }
  for (QToolBar* bar : {g.tool.data(), g.tool2.data()})
    if (bar) bar->setVisible(g.toolFlag != 0);
  return 1;
}
ZERLO_EXPORT int SB02_DestroyToolBar(void) {
  for (QToolBar* bar : {g.tool.data(), g.tool2.data()}) {
    if (g.frame && bar) g.frame->removeToolBar(bar);
    delete bar;
  }
  g.toolItems.clear();
  return 1;
}
ZERLO_EXPORT int SB02_SizeToolBar(int32_t, int32_t, BarRect* r) {
  fillRect(g.tool, r);
  if (r && g.tool2 && g.tool2->isVisible()) {
    BarRect second{};
    fillRect(g.tool2, &second);
    if (r->bottom == r->top) *r = second;
    else r->bottom = std::max(r->bottom, second.bottom);
  }
  return 1;
}
ZERLO_EXPORT int SB02_GetToolBarHeight(void) {
  int h = 0;
  for (QToolBar* bar : {g.tool.data(), g.tool2.data()})
    if (bar && bar->isVisible()) h += bar->height();
  return h;
}
ZERLO_EXPORT int SB02_EnableToolBar(int32_t on) {
  g.toolFlag = on ? 1 : 0;
  for (QToolBar* bar : {g.tool.data(), g.tool2.data()})
    if (bar) bar->setVisible(on != 0);
  return 1;
}
ZERLO_EXPORT int SB02_IsToolBarEnabled(void) { return g.tool ? (g.tool->isVisibleTo(g.frame) ? 1 : 0) : g.toolFlag; }
ZERLO_EXPORT int SB02_ShowToolBarTips(uint32_t, int32_t) { return 1; }
ZERLO_EXPORT int SB02_EnableToolBarButton(int32_t id, int32_t on) {
  auto it = g.toolItems.find(id);
  if (it != g.toolItems.end()) it->second->setEnabled(on != 0);
  return 1;
}

// ---- modes ----
ZERLO_EXPORT int SB00_EnableBarItem(int32_t id, int32_t on) {
  for (auto* m : {&g.items, &g.toolItems, &g.macroItems}) {
    auto it = m->find(id);
    if (it != m->end()) it->second->setEnabled(on != 0);
  }
  return 1;
}
ZERLO_EXPORT int SB00_ChangeBarsForMode(int32_t state) {
  g.mode = state;
  // The macro bar belongs to the editing states.
  for (auto& [id, a] : g.macroItems) a->setEnabled(state == 3 || state == 4);
  return 1;
}
ZERLO_EXPORT int SB00_GetEditMode(void) { return g.editMode; }
ZERLO_EXPORT int SB00_ChangeBarsForEditMode(int32_t mode) {
  g.editMode = mode;
  // Edit modes 1..5 are the commands 246, 247, 248, 244, 245.
  static const std::map<int, int> byMode = {{1, 246}, {2, 247}, {3, 248}, {4, 244}, {5, 245}};
  for (auto& [m, id] : byMode) {
    if (auto it = g.toolItems.find(id); it != g.toolItems.end()) it->second->setChecked(m == mode);
    if (auto it = g.items.find(id); it != g.items.end()) {
      it->second->setCheckable(true);
      it->second->setChecked(m == mode);
    }
  }
  return 1;
}

// ---- macro bar ----
ZERLO_EXPORT int SB05_CreateMacroBar(Hwnd frame) {
  if (!adoptFrame(frame)) return 0;
  if (!g.macro) {
    g.macro = makeBar("Sheet", stockbars::macroButtons(), g.macroItems, true);
    g.frame->addToolBar(Qt::LeftToolBarArea, g.macro);
  }
  if (g.macroItems.empty()) g.macro->setVisible(false);
  return 1;
}
ZERLO_EXPORT int SB05_DestroyMacroBar(void) {
  if (g.frame && g.macro) g.frame->removeToolBar(g.macro);
  delete g.macro.data();
  g.macroItems.clear();
  return 1;
}
ZERLO_EXPORT int SB05_SizeMacroBar(int32_t, int32_t, BarRect* r) {
  fillRect(g.macro, r);
  return 1;
}
ZERLO_EXPORT int SB05_GetMacroBarWidth(void) { return g.macro && g.macro->isVisible() ? g.macro->width() : 0; }
ZERLO_EXPORT int SB05_EnableMacroBar(int32_t on) {
  // A bar without buttons stays hidden.
  if (g.macro) g.macro->setVisible(on != 0 && !g.macroItems.empty());
  return 1;
}
ZERLO_EXPORT int SB05_IsMacroBarEnabled(void) { return g.macro && g.macro->isVisibleTo(g.frame) ? 1 : 0; }
ZERLO_EXPORT int SB05_ShowMacroBarTips(uint32_t, int32_t) { return 1; }
ZERLO_EXPORT int SB05_EnableMacroBarButton(int32_t id, int32_t on) {
  if (auto it = g.macroItems.find(id); it != g.macroItems.end()) it->second->setEnabled(on != 0);
  return 1;
}
ZERLO_EXPORT int SB05_CheckMacroBarButton(int32_t id, int32_t on) {
  if (auto it = g.macroItems.find(id); it != g.macroItems.end()) it->second->setChecked(on != 0);
  return 1;
}
// The macro-bar record's layout belongs to the frame; the bar shows its
// buttons enabled while a record is given.
ZERLO_EXPORT int SB05_SetMacroBarMode(void* record) {
  for (auto& [id, a] : g.macroItems) a->setEnabled(record != nullptr);
  return 1;
}

// ---- menus ----
ZERLO_EXPORT uint32_t SB06_CreateMenu(void) {
  if (g.menuBar) return g.menuId;
  g.menuBar = new QMenuBar;
  g.items.clear();
  for (const auto& sub : stockbars::menuLayout()) {
    QMenu* m = g.menuBar->addMenu(QString::fromUtf8(sub.title));
    for (const auto& item : sub.items) {
      if (!item.id) {
        m->addSeparator();
        continue;
      }
      QAction* a = makeAction(m, item);
      m->addAction(a);
      g.items[item.id] = a;
    }
    if (std::strcmp(sub.title, "&Window") == 0) g.windowMenu = m;
    if (std::strcmp(sub.title, "&File") == 0) g.fileMenu = m;
  }
  for (int id : {318, 319, 324, 304, 305, 382, 321, 40021, 40022})
    if (auto it = g.items.find(id); it != g.items.end()) it->second->setCheckable(true);
  g.menuId = plat::handles::allocate(g.menuBar.data(), kMenuHandleKind);
  g.windowMenuId = plat::handles::allocate(g.windowMenu.data(), kMenuHandleKind);
  g.fileMenuId = plat::handles::allocate(g.fileMenu.data(), kMenuHandleKind);
  if (g.frame) g.frame->setMenuBar(g.menuBar);
  return g.menuId;
}
ZERLO_EXPORT int SB06_DestroyMenu(void) {
  for (plat::handles::Id id : {g.menuId, g.windowMenuId, g.fileMenuId})
    if (id) plat::handles::release(id);
  g.menuId = g.windowMenuId = g.fileMenuId = 0;
  g.items.clear();
  if (g.frame && g.menuBar && g.frame->menuBar() == g.menuBar) g.frame->setMenuBar(nullptr);   // releases it
  else delete g.menuBar.data();
  g.menuBar = nullptr;
  return 1;
}
ZERLO_EXPORT uint32_t SB06_GetMenuForWindows(void) { return g.windowMenuId; }
ZERLO_EXPORT uint32_t SB06_GetMenuForFiles(void) { return g.fileMenuId; }
ZERLO_EXPORT int SB06_EnableMenuItem(int32_t id, int32_t on) {
  if (auto it = g.items.find(id); it != g.items.end()) it->second->setEnabled(on != 0);
  return 1;
}
ZERLO_EXPORT int SB06_CheckMenuItem(int32_t id, int32_t on) {
  if (auto it = g.items.find(id); it != g.items.end()) {
    it->second->setCheckable(true);
    it->second->setChecked(on != 0);
  }
  for (auto* m : {&g.toolItems, &g.macroItems})
    if (auto it = m->find(id); it != m->end() && it->second->isCheckable()) it->second->setChecked(on != 0);
  return 1;
}
ZERLO_EXPORT int SB06_IsMenuItemChecked(int32_t id) {
  auto it = g.items.find(id);
  return it != g.items.end() && it->second->isChecked() ? 1 : 0;
}
// The text of a menu item, and of the tool-bar button of the same command
// (the simulation switch reads "Simulation ein" or "Simulation aus" on both).
ZERLO_EXPORT int SB06_SetMenuItemText(int32_t id, const char* text) {
  const QString t = QString::fromUtf8(text ? text : "");
  if (auto it = g.items.find(id); it != g.items.end()) it->second->setText(t);
  if (auto it = g.toolItems.find(id); it != g.toolItems.end()) {
    QString plain = t;
    plain.remove(QLatin1Char('&'));
    it->second->setText(plain);
    it->second->setToolTip(plain);
  }
  return 1;
}
// Inserts a new item before the item `before` (at the end of before's menu
// when before is the last; into the Window menu after 242 when before is 0).
ZERLO_EXPORT int SB06_InsertMenuItem(int32_t before, int32_t id, const char* text) {
  if (g.items.count(id)) return 0;
  QAction* at = nullptr;
  QMenu* menu = nullptr;
  if (auto it = g.items.find(before); it != g.items.end()) {
    at = it->second;
    menu = qobject_cast<QMenu*>(at->parent());
  }
  if (!menu) menu = g.windowMenu;
  if (!menu) return 0;
  QAction* a = makeAction(menu, stockbars::MenuItem{id, text ? text : "", ""});
  a->setText(QString::fromUtf8(text ? text : ""));
  if (at) menu->insertAction(at, a);
  else menu->addAction(a);
  g.items[id] = a;
  return 1;
}
ZERLO_EXPORT int SB06_DeleteMenuItem(int32_t id) {
  auto it = g.items.find(id);
  if (it == g.items.end()) return 0;
  delete it->second;
  g.items.erase(it);
  return 1;
}

// For tests: every command id of the menus and bars with its state, a line
// each: "<where> <id> e|d [c] <text>".
ZERLO_EXPORT int SB99_DumpState(char* buffer, int size) {
  std::string out;
  auto dump = [&](const char* where, const std::map<int, QAction*>& m) {
    for (const auto& [id, a] : m) {
      out += std::string(where) + " " + std::to_string(id) + (a->isEnabled() ? " e" : " d") +
             (a->isChecked() ? " c " : " ") + a->text().toStdString() + "\n";
    }
  };
  if (g.menuBar) {
    for (QAction* top : g.menuBar->actions()) {
      out += "menu " + top->text().toStdString() + ":";
      if (QMenu* m = top->menu())
        for (QAction* a : m->actions())
          out += a->isSeparator() ? std::string(" -") : " " + std::to_string(a->data().toInt());
      out += "\n";
    }
  }
  dump("item", g.items);
  dump("tool", g.toolItems);
  dump("macro", g.macroItems);
  out += "mode " + std::to_string(g.mode) + " edit " + std::to_string(g.editMode) + "\n";
  if (buffer && size > 0) {
    std::size_t n = std::min(out.size(), std::size_t(size - 1));
    std::memcpy(buffer, out.data(), n);
    buffer[n] = 0;
  }
  return int(out.size());
}

// Every bound name has the shell's signature.
#define STOCKBARS_CHECK(ret, name, params, args, unbound) \
  static_assert(std::is_same_v<decltype(&name), ret(*) params>, #name);
SHELL_STOCKBAR_NAMES(STOCKBARS_CHECK)
