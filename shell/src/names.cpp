// Name lists, module queries, default connector names, accelerators, cursors
// and worksheet points.
#include "shell/names.h"
#include "model/gatekinds.h"
#include "dialogkit/format.h"
#include "shell/resources.h"
#include "srvclient/kc.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

namespace shell {

// ---- name lists ----
NameList nl_Empty() { return NameList{nullptr, nullptr}; }

void nl_Append(NameList* list, const char* name) {
  if (!list || !name) return;
  auto* node = new (std::nothrow) NameNode{nullptr, nullptr};
  if (!node) return;
  std::size_t n = std::strlen(name);
  node->name = new (std::nothrow) char[n + 1];
  if (!node->name) {
    delete node;
    return;
  }
  std::memcpy(node->name, name, n + 1);
  if (list->last) list->last->next = node;
  else list->first = node;
  list->last = node;
}

void nl_FreeNode(NameNode** node) {
  if (!node || !*node) return;
  delete[] (*node)->name;
  delete *node;
  *node = nullptr;
}

void nl_FreeAll(NameList* list) {
  if (!list) return;
  NameNode* n = list->first;
  while (n) {
    NameNode* next = n->next;
    nl_FreeNode(&n);
    n = next;
  }
  *list = nl_Empty();
}

NameNode* nl_Find(const NameList* list, const char* name) {
  if (!list || !name) return nullptr;
  for (NameNode* n = list->first; n; n = n->next)
    if (n->name && std::strcmp(n->name, name) == 0) return n;
  return nullptr;
}

std::vector<std::string> nl_Names(const NameList* list) {
  std::vector<std::string> out;
  for (NameNode* n = list ? list->first : nullptr; n; n = n->next) out.emplace_back(n->name ? n->name : "");
  return out;
}

// ---- modules ----
int mod_HasMdlExtension(const char* name, std::size_t n) {
  if (!name) return 0;
  static const char kExt[] = ".MDL";
  std::size_t len = 0;
  while (len < n && name[len]) ++len;
  for (std::size_t i = 0; i + 4 <= len; ++i) {
    std::size_t k = 0;
    while (k < 4 && std::toupper(static_cast<unsigned char>(name[i + k])) == kExt[k]) ++k;
    if (k == 4) return 1;
  }
  return 0;
}

int mod_IsOrdinaryName(const char* name) {
  if (!name || !*name || name[0] == '&') return 0;
  for (const char* r : {"999FBPICW", "999FBINSW", "999FBTMPW"})
    if (std::strcmp(name, r) == 0) return 0;
  return 1;
}

model::ProjectModule* mod_ProjectModule() {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return nullptr;
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (mod_HasMdlExtension(m->Name, sizeof m->Name)) return m;
  return nullptr;
}

// A name field up to n characters or the first blank, upper-cased.
static std::string fieldName(const char* field, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n && field[i] && field[i] != ' '; ++i)
    s += char(std::toupper(static_cast<unsigned char>(field[i])));
  return s;
}

NameList mod_ListSubprograms(bool withoutMain) {
  NameList list = nl_Empty();
  model::ProjectModule* m = mod_ProjectModule();
  for (model::LogicRecord* l = model::firstLogicOf(m); l; l = l->Next) {
    std::string name = fieldName(l->Name, 14);
    if (!mod_IsOrdinaryName(name.c_str())) continue;
    if (withoutMain && name == "$MAIN") continue;
    nl_Append(&list, name.c_str());
  }
  return list;
}

namespace {
std::function<model::LogicRecord*()> g_activeSubprogram;

std::vector<std::string> portNames(model::LogicRecord* logic, std::uint8_t kind) {
  std::vector<std::string> names;
  for (model::GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    if (g->Kind != kind) continue;
    std::string n = model::gt_PortName(g);
    if (!n.empty()) names.push_back(n);
  }
  return names;
}
} // namespace

void setActiveSubprogramLogic(std::function<model::LogicRecord*()> fn) { g_activeSubprogram = std::move(fn); }

NameList mod_ListConnectorNames(int which, model::LogicRecord* logic) {
  NameList list = nl_Empty();
  if (!logic && g_activeSubprogram) logic = g_activeSubprogram();
  if (!logic) return list;
  for (const std::string& n : portNames(logic, which == 1 ? model::kKindInput : model::kKindOutput))
    nl_Append(&list, n.c_str());
  return list;
}

int mod_FindModule(int kind, char** out) {
  if (!out) return 0;
  *out = nullptr;
  if (kind != 1 && kind != 2) return 0;
  char* buf = new char[13]();
  *out = buf;
  if (kind == 2) {
    std::strcpy(buf, "%STD");
    return 1;
  }
  model::ProjectModule* m = mod_ProjectModule();
  if (!m) return 0;
  std::size_t n = 0;
  while (n < 12 && m->Name[n]) ++n;
  std::memcpy(buf, m->Name, n);
  return 1;
}

int mod_ModuleExists(const char* name) {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !name) return 0;
  std::string want = fieldName(name, 12);
  for (model::ProjectModule* m = doc->FirstModule; m; m = m->Next)
    if (fieldName(m->Name, 12) == want) return 1;
  return 0;
}

// ---- default connector names ----
static void defaultName(char* out, model::LogicRecord* logic, const char* proposal, std::uint8_t takenKind,
                        unsigned stringId, const char* fallback) {
  if (!out) return;
  std::vector<std::string> taken = portNames(logic, takenKind);
  auto isTaken = [&](const std::string& n) { return std::find(taken.begin(), taken.end(), n) != taken.end(); };
  auto cut = [](std::string s) {
    if (s.size() > 7) s.resize(7);
    return s;
  };
  std::string result;
  if (proposal && *proposal && !isTaken(cut(proposal))) {
    result = cut(proposal);
  } else {
    auto s = res_String(stringId);
    std::string format = s && !s->empty() ? *s : fallback;
    for (long n = 1; n < 100000; ++n) {
      std::string candidate = cut(kit::formatChecked(format, {int(n)}));
      if (!isTaken(candidate)) {
        result = candidate;
        break;
      }
    }
  }
  std::memcpy(out, result.c_str(), result.size() + 1);
}

void blk_DefaultInputName(char* out, model::LogicRecord* logic, const char* proposal) {
  defaultName(out, logic, proposal, model::kKindOutput, 20, "In%d");
}
void blk_DefaultOutputName(char* out, model::LogicRecord* logic, const char* proposal) {
  defaultName(out, logic, proposal, model::kKindInput, 21, "Out%d");
}

void path_CutExtension(std::string& name) {
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
}

// ---- accelerators ----
const std::vector<Accelerator>& app_LoadAccelerators() {
  // The program's table 1 (the language library carries no accelerator table).
  constexpr std::uint8_t V = kAccelVirtKey, C = kAccelControl, S = kAccelShift;
  static const std::vector<Accelerator> table = {
      {V, '1', 246}, {V, '2', 247}, {V, '3', 248}, {V, '4', 244}, {V, '5', 245},
      {V, 0x61, 246}, {V, 0x62, 247}, {V, 0x63, 248}, {V, 0x64, 244}, {V, 0x65, 245},
      {V | C, 'A', 370}, {V | C, 'C', 373}, {V | C, 0x2D, 373}, {V | C, 'U', 371},
      {V | C, 'V', 374}, {V | S, 0x2D, 374}, {V | C, 'X', 372}, {V | C, 0x2E, 372},
      {V, 0x2E, 239}, {V, 0x2D, 237}, {V, 0x71, 237}, {V, 0x70, 330}, {V, 0x72, 243},
      {V | S, 0x73, 360}, {V, 0x74, 261}, {V | S, 0x74, 361}, {V, 0x75, 231}, {V, 0x76, 232},
      {V, 0x77, 233}, {V, 0x78, 262}, {V, 0x79, 203},
  };
  return table;
}

// ---- cursors ----
namespace {
// Draws a cursor from a few strokes on a 32 x 32 grid.
struct Canvas {
  std::vector<std::string> rows = std::vector<std::string>(32, std::string(32, ' '));
  void dot(int x, int y, char c = '#') {
    if (x >= 0 && x < 32 && y >= 0 && y < 32) rows[std::size_t(y)][std::size_t(x)] = c;
  }
  void line(int x0, int y0, int x1, int y1) {
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0), n = std::max(dx, dy);
    for (int i = 0; i <= n; ++i) dot(x0 + (n ? (x1 - x0) * i / n : 0), y0 + (n ? (y1 - y0) * i / n : 0));
  }
  void box(int x0, int y0, int x1, int y1) {
    line(x0, y0, x1, y0); line(x1, y0, x1, y1); line(x1, y1, x0, y1); line(x0, y1, x0, y0);
  }
  void arrow(int x, int y) {  // a pointer with its tip at (x, y)
    for (int i = 0; i < 12; ++i) line(x, y + i, x + i / 2 + 1, y + i);
    line(x, y, x + 8, y + 8);
  }
};

CursorPicture make(int id, const char* name, int hx, int hy, const std::function<void(Canvas&)>& draw) {
  Canvas c;
  draw(c);
  CursorPicture p;
  p.id = id; p.name = name; p.hotX = hx; p.hotY = hy; p.rows = c.rows;
  return p;
}

const std::vector<CursorPicture>& cursors() {
  static const std::vector<CursorPicture> all = {
      make(103, "CUR_ERASOR", 4, 27, [](Canvas& c) { c.box(4, 16, 20, 27); c.line(4, 16, 14, 6); c.line(20, 16, 28, 8); c.line(14, 6, 28, 8); }),
      make(104, "MARKER", 16, 16, [](Canvas& c) { c.line(16, 4, 16, 28); c.line(4, 16, 28, 16); }),
      make(105, "HAMMERMARKER", 16, 16, [](Canvas& c) { c.line(16, 4, 16, 28); c.line(4, 16, 28, 16); c.box(20, 2, 30, 8); }),
      make(106, "CHANGEMARKER", 16, 16, [](Canvas& c) { c.line(16, 4, 16, 28); c.line(4, 16, 28, 16); c.line(22, 4, 30, 12); }),
      make(107, "ARROW", 1, 1, [](Canvas& c) { c.arrow(1, 1); }),
      make(108, "CIRCLEARROW", 1, 1, [](Canvas& c) { c.arrow(1, 1); c.box(16, 16, 26, 26); }),
      make(109, "CUR_MOVEXY", 16, 16, [](Canvas& c) { c.line(16, 2, 16, 30); c.line(2, 16, 30, 16); c.line(16, 2, 12, 6); c.line(16, 2, 20, 6); c.line(2, 16, 6, 12); c.line(2, 16, 6, 20); }),
      make(110, "CUR_MOVEY", 16, 16, [](Canvas& c) { c.line(16, 2, 16, 30); c.line(16, 2, 12, 6); c.line(16, 2, 20, 6); c.line(16, 30, 12, 26); c.line(16, 30, 20, 26); }),
      make(111, "CUR_MOVEX", 16, 16, [](Canvas& c) { c.line(2, 16, 30, 16); c.line(2, 16, 6, 12); c.line(2, 16, 6, 20); c.line(30, 16, 26, 12); c.line(30, 16, 26, 20); }),
      make(112, "CUR_HAND", 10, 2, [](Canvas& c) { c.box(10, 2, 14, 16); c.box(6, 14, 24, 28); }),
      make(113, "CUR_REPLACE", 1, 1, [](Canvas& c) { c.arrow(1, 1); c.line(16, 20, 28, 20); c.line(16, 24, 28, 24); }),
      make(114, "CUR_MOVEWORKSHEET", 16, 16, [](Canvas& c) { c.box(4, 4, 28, 28); c.line(16, 8, 16, 24); c.line(8, 16, 24, 16); }),
      make(115, "CUR_COPY", 1, 1, [](Canvas& c) { c.arrow(1, 1); c.box(16, 16, 24, 24); c.box(20, 20, 28, 28); }),
      make(116, "CUR_VERTLINE_LEFT", 16, 16, [](Canvas& c) { c.line(16, 2, 16, 30); c.line(4, 16, 14, 16); }),
      make(117, "CUR_VERTLINE_RIGHT", 16, 16, [](Canvas& c) { c.line(16, 2, 16, 30); c.line(18, 16, 28, 16); }),
      make(118, "CUR_HORZLINE_UP", 16, 16, [](Canvas& c) { c.line(2, 16, 30, 16); c.line(16, 4, 16, 14); }),
      make(119, "CUR_HORZLINE_DOWN", 16, 16, [](Canvas& c) { c.line(2, 16, 30, 16); c.line(16, 18, 16, 28); }),
      make(120, "CUR_HORZVERT_RIGHTDOWN", 16, 16, [](Canvas& c) { c.line(16, 16, 30, 16); c.line(16, 16, 16, 30); }),
      make(121, "CUR_PEN", 2, 29, [](Canvas& c) { c.line(2, 29, 26, 5); c.line(5, 30, 29, 6); c.line(26, 5, 29, 6); }),
  };
  return all;
}
} // namespace

const CursorPicture* app_LoadCursor(int id) {
  for (const CursorPicture& c : cursors())
    if (c.id == id) return &c;
  return nullptr;
}

// ---- points ----
void ws_SnapPoint(Point& p) {
  p.x = ((p.x + 2) / 5) * 5;
  p.y = ((p.y + 2) / 5) * 5;
}

static int mulDivRound(int a, int b, int c) {
  if (c == 0) return a;
  long long prod = static_cast<long long>(a) * b;
  long long q = (prod >= 0 ? prod + c / 2 : prod - c / 2) / c;
  return int(q);
}

void ws_PrepareMousePoint(Point& p, MousePointContext& c) {
  if (c.frameOffset) p.y += c.captionHeight + c.menuHeight;
  c.lastMouse = p;
  if (!c.hasWorksheet) return;
  float zoom = c.windowKind == 4 ? 0.8f : c.zoomSetting;
  if (zoom <= 0.98f || zoom >= 1.02f) {
    c.printerScaling = true;
    p.x = mulDivRound(p.x, c.xNum, c.xDen);
    p.y = mulDivRound(p.y, c.yNum, c.yDen);
  } else {
    c.printerScaling = false;
    zoom = 1.0f;
  }
  if (zoom != c.lastZoom && c.deleteFonts) c.deleteFonts();
  c.lastZoom = zoom;
  c.zoom = zoom;
  if (c.setZoom) c.setZoom(zoom);
}

void ws_RestartOnlineDisplay(bool onlineDisplayRuns) {
  if (!onlineDisplayRuns) return;
  srv::kc::CommOff();
  srv::kc::CommOn();
}

} // namespace shell
