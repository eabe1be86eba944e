// The insert box and the block-picture services of the standard dialogs library.
#include "shell/insertbox.h"
#include "display/gdi.h"
#include "editor/editor.h"
#include "editor/gatescript.h"
#include "model/records.h"
#include "shell/binding.h"
#include "shell/menustate.h"
#include "shell/names.h"
#include "shell/prompts.h"
#include "shell/utilities.h"

#include <cstring>
#include <memory>

namespace shell {

// ---- the library's operations ----
BoxHandle InsertBoxLibrary::create(Hwnd owner, const SwInsertBoxAttribs* a, ::NameNode** names, int state) {
  return bind_SW10_CreateInsertBoxDlg(owner, a, names, state);
}
void InsertBoxLibrary::destroy(BoxHandle box) { bind_SW10_DestroyInsertBoxDlg(box); }
int InsertBoxLibrary::getAttribs(BoxHandle box, SwInsertBoxAttribs* a) { return bind_SW10_GetInsertBoxDlgAttribs(box, a); }
int InsertBoxLibrary::setAttribs(BoxHandle box, const SwInsertBoxAttribs* a) { return bind_SW10_SetInsertBoxDlgAttribs(box, a); }
void InsertBoxLibrary::freeAttribs(SwInsertBoxAttribs* a) {
  if (isBound(Lib::StockWin)) bind_SW10_FreeInsertBoxDlgAttribs(a);
  else if (a) *a = SwInsertBoxAttribs{};   // nothing of the library's to free
}
void InsertBoxLibrary::addName(BoxHandle box, const char* name) { bind_SW10_AddInsertBoxUPName(box, name); }
void InsertBoxLibrary::renameName(BoxHandle box, const char* f, const char* t) { bind_SW10_RenameInsertBoxUPName(box, f, t); }
int InsertBoxLibrary::selectName(BoxHandle box, const char* name) { return bind_SW10_SelectInsertBoxUPName(box, name); }
void InsertBoxLibrary::updateSelection(BoxHandle box) { bind_SW10_UpdateInsertBoxUPSelection(box); }
void InsertBoxLibrary::setState(BoxHandle box, int state) { bind_SW10_SetInsertBoxState(box, state); }
int InsertBoxLibrary::message(Hwnd owner, int number, unsigned style) { return bind_SW50_CallMBWithID(owner, number, style); }

namespace {
InsertBoxLibrary g_defaultLib;
InsertBoxLibrary* g_lib = &g_defaultLib;
BlockEditorSeam g_defaultSeam;
BlockEditorSeam* g_seam = &g_defaultSeam;

struct InsertBoxState {
  bool shown = true;
  BoxHandle box = nullptr;
  int mode = 0;
  int sheetClass = 1;
  SwInsertBoxAttribs attribs{};
} g;
int g_dropFlag = 0;

// The picture's device as a window of the drawing layer.
class DeviceWindow : public disp::DrawWindow {
public:
  explicit DeviceWindow(disp::Device* d) : d_(d) {}
  disp::Device* beginPaint() override { return d_; }
  void endPaint() override {}
  disp::Device* getDc() override { return d_; }
  void releaseDc() override {}
  int windowKind() const override { return 2; }
private:
  disp::Device* d_;
};

const char* const kScratchNames[3] = {"999FBPICW", "999FBINSW", "999FBTMPW"};

// The subprogram names as the library's node list (the names stay in `owned`).
struct LibraryNames {
  NameList owned = nl_Empty();
  std::vector<::NameNode> nodes;
  ::NameNode* head = nullptr;
  LibraryNames() {
    owned = mod_ListSubprograms(true);
    for (NameNode* n = owned.first; n; n = n->next) nodes.push_back(::NameNode{n->name, nullptr});
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
    head = nodes.empty() ? nullptr : &nodes[0];
  }
  ~LibraryNames() { nl_FreeAll(&owned); }
  LibraryNames(const LibraryNames&) = delete;
  LibraryNames& operator=(const LibraryNames&) = delete;
};
} // namespace

InsertBoxLibrary& insertBoxLibrary() { return *g_lib; }
InsertBoxLibrary* setInsertBoxLibrary(InsertBoxLibrary* lib) {
  InsertBoxLibrary* prev = g_lib;
  g_lib = lib ? lib : &g_defaultLib;
  return prev == &g_defaultLib ? nullptr : prev;
}
namespace {
// Runs a drop service on the window's document and puts the current document back.
template <typename Drop>
int dropWith(WorksheetWindowData& window, Drop drop) {
  if (!window.document) return 0;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = window.document;
  window.document->ScrollX = window.scrollX;
  window.document->ScrollY = window.scrollY;
  const bool placed = drop() != nullptr;
  if (placed) editor::ui_SetProjectChanged(1);
  if (previous) model::CurrentDocument = previous;
  return placed ? 1 : 0;
}
} // namespace

int BlockEditorSeam::dropNew(WorksheetWindowData& window, const std::string& module, const std::string& name,
                             int parameter, std::int16_t x, std::int16_t y) {
  return dropWith(window, [&] { return editor::scr_DropService(&window, module, name, x, y, parameter); });
}

int BlockEditorSeam::dropReplace(WorksheetWindowData& window, const std::string& module, const std::string& name,
                                 int, std::int16_t x, std::int16_t y) {
  return dropWith(window, [&] { return editor::scr_DropItemAt(&window, module, name, x, y); });
}

BlockEditorSeam& blockEditor() { return *g_seam; }
BlockEditorSeam* setBlockEditor(BlockEditorSeam* seam) {
  BlockEditorSeam* prev = g_seam;
  g_seam = seam ? seam : &g_defaultSeam;
  return prev == &g_defaultSeam ? nullptr : prev;
}

void ins_ReadSettings(const InsertBoxAttribs* s) {
  g.shown = true;
  g_lib->freeAttribs(&g.attribs);
  g.attribs = SwInsertBoxAttribs{};
  if (!s) return;
  g.shown = (s->a0 & 0xFF) != 0;
  g.attribs.x = s->a1;
  g.attribs.y = s->a2;
  g.attribs.width = s->a3;
  g.attribs.height = s->a4;
  g.attribs.page = std::int32_t(s->a5 & 0xFF);
}

void ins_WriteSettings(InsertBoxAttribs* s) {
  if (!s) return;
  // A box that still exists has the newest position.
  if (g.box) {
    g_lib->freeAttribs(&g.attribs);
    g_lib->getAttribs(g.box, &g.attribs);
  }
  s->a0 = g.shown ? 1u : 0u;
  s->a1 = g.attribs.x;
  s->a2 = g.attribs.y;
  s->a3 = g.attribs.width;
  s->a4 = g.attribs.height;
  s->a5 = std::uint32_t(g.attribs.page) & 0xFF;
}

void ins_FreeAttribs() { g_lib->freeAttribs(&g.attribs); }
int ins_IsInsertBoxShown() { return g.shown ? 1 : 0; }

void ins_ShowInsertBox(bool on) {
  if (on == g.shown) return;
  g.shown = on;
  ins_CreateOrDestroy(on);
}

void ins_CreateOrDestroy(bool on) {
  if (on) {
    if (g.box) return;
    LibraryNames names;
    g.box = g_lib->create(windowHost().frameWindow(), &g.attribs, &names.head, ins_BoxState());
  } else if (g.box) {
    // The attributes outlive the box.
    g_lib->freeAttribs(&g.attribs);
    g_lib->getAttribs(g.box, &g.attribs);
    g_lib->destroy(g.box);
    g.box = nullptr;
  }
}

void ins_SetSheetClass(int c) {
  if (c >= 1 && c <= 3) g.sheetClass = c;
}
int ins_GetSheetClass() { return g.sheetClass; }
void ins_SetMode(int mode) { g.mode = mode >= 1 && mode <= 2 ? mode : 0; }
int ins_GetMode() { return g.mode; }
int ins_BoxState() { return g.mode == 0 ? 0 : (g.mode - 1) * 3 + g.sheetClass; }
void ins_PushState() {
  if (g.box) g_lib->setState(g.box, ins_BoxState());
}
void ins_AddSubprogramName(const char* name) {
  if (g.box) g_lib->addName(g.box, name);
}
void ins_RenameSubprogramName(const char* from, const char* to) {
  if (g.box) g_lib->renameName(g.box, from, to);
}
void ins_RemoveSubprogramName(const char* name) {
  if (!g.box || !name || !*name) return;
  ins_CreateOrDestroy(false);
  ins_CreateOrDestroy(true);
  ins_PushState();
}
void ins_SelectSubprogramName(const char* name) {
  if (g.box) g_lib->selectName(g.box, name);
}
void ins_UpdateInsertBoxSelection() {
  if (g.box) g_lib->updateSelection(g.box);
}

int ins_DiscardScratchRecords() {
  if (g.box) return 0;
  for (int kind = 0; kind < 3; ++kind) svc_FreeBlockRecord(svc_CreateBlockRecord(kind));
  return 1;
}

BoxHandle ins_Handle() { return g.box; }
const SwInsertBoxAttribs& ins_Attribs() { return g.attribs; }

void ins_OnMenuState(int state, int editMode) {
  if (state == 3 && editMode != 2 && editMode != 4 && editMode != 5) {
    barMenus().enable(324, true);
    ins_SetMode(editMode == 3 ? 2 : 1);
    if (g.shown) ins_CreateOrDestroy(true);
    ins_PushState();
  } else {
    barMenus().enable(324, false);
    ins_CreateOrDestroy(false);
    ins_SetMode(0);
  }
}

void ins_ToggleCommand() {
  const bool on = !g.shown;
  g.shown = on;
  if (on) {
    if (g.mode != 0) ins_CreateOrDestroy(true);
  } else {
    ins_CreateOrDestroy(false);
  }
  barMenus().check(324, on);
}

void ins_OnBoxClosed(long wParam) {
  if (wParam != 2) return;
  ins_ShowInsertBox(false);
  barMenus().check(324, false);
}

void ins_OnWorksheetActivated(int kind) {
  if (kind < 0 || kind > 2) return;
  ins_SetSheetClass(kind + 1);
  ins_PushState();
}

void ins_Reset() {
  g_lib->freeAttribs(&g.attribs);
  g = InsertBoxState{};
  g_dropFlag = 0;
}

// ---- the callbacks ----
void app_SetDropFlag(int number) { g_dropFlag = number; }
int app_DropFlag() { return g_dropFlag; }

const char* svc_ScratchName(int kind) { return kind >= 0 && kind < 3 ? kScratchNames[kind] : nullptr; }
int svc_Snap(int v) { return ((v + 2) / 5) * 5; }

float svc_GetZoom() { return disp::gdi_GetZoom(); }

void* svc_CreateBlockRecord(int kind) {
  if (windowHost().frameWindow()) g_seam->frameCommand(371);
  auto* rec = new (std::nothrow) WorksheetWindowData{};
  if (!rec) return nullptr;
  if (const char* name = svc_ScratchName(kind)) dlg_SetLastChosen(name);
  g_seam->newScratchDocument(*rec);
  return rec;
}

int svc_FreeBlockRecord(void* record) {
  if (!record) return 0;
  auto* rec = static_cast<WorksheetWindowData*>(record);
  g_seam->freeScratchDocument(*rec);
  delete rec;
  return 1;
}

int svc_DrawBlockRecord(void* record, const PictureDrawParams* target) {
  if (!record || !target) return 0;
  disp::Device* prevDevice = disp::gdi_CurrentDevice();
  disp::DrawWindow* prevWindow = disp::gdi_CurrentWindow();
  const float prevZoom = disp::gdi_GetZoom();
  DeviceWindow window(static_cast<disp::Device*>(target->device));
  disp::gdi_SetCurrent(window.getDc(), window.getDc() ? &window : nullptr);
  const float zoom = target->scale;
  disp::gdi_SetZoom(&zoom);
  disp::gdi_DeleteFonts();
  disp::gdi_ResetAttributes();
  g_seam->drawRecord(*static_cast<WorksheetWindowData*>(record));
  disp::gdi_SetCurrent(prevDevice, prevWindow);
  disp::gdi_SetZoom(&prevZoom);
  disp::gdi_DeleteFonts();
  disp::gdi_ResetAttributes();
  return 1;
}

std::intptr_t svc_PlaceItem(WorksheetWindowData& window, const BlockDropRecord& drop, Placement how) {
  if (!drop.name || !drop.library) return 0;
  std::string module, name = drop.name;
  int parameter = 0;
  const std::string library = drop.library;
  auto findModule = [&](int kind) {
    char* m = nullptr;
    const bool found = mod_FindModule(kind, &m) && m;
    if (found) {
      module = m;
      while (!module.empty() && module.back() == ' ') module.pop_back();
    }
    delete[] m;
    return found;
  };
  if (library == "Projekt") {
    if (!findModule(1)) return 0;
  } else if (library != "Standard") {
    module = library;
  } else {
    if (!findModule(2)) module = "%STD";
    if (name == "Text") {
    } else if (name == "Input" && window.kind == 2) {
      name = "Output";
      parameter = 1;
    } else if (name == "Output" && window.kind == 2) {
      name = "Input";
      parameter = 1;
    } else {
      return 0;
    }
  }
  const auto x = std::int16_t(drop.x), y = std::int16_t(drop.y);
  switch (how) {
  case Placement::Insert: return reinterpret_cast<std::intptr_t>(g_seam->insertGate(window, module, name, parameter, x, y));
  case Placement::DropNew: return g_seam->dropNew(window, module, name, parameter, x, y) ? 1 : 0;
  case Placement::DropReplace: return g_seam->dropReplace(window, module, name, parameter, x, y) ? 1 : 0;
  }
  return 0;
}

void* svc_FillBlockRecord(void* record, const BlockDropRecord* drop) {
  if (!record || !drop) return nullptr;
  return reinterpret_cast<void*>(svc_PlaceItem(*static_cast<WorksheetWindowData*>(record), *drop, Placement::Insert));
}

int svc_GetBlockRecordSize(void* record, void* gate, int* width, int* height) {
  if (!record || !gate) return 0;
  int w = 0, h = 0;
  g_seam->gateSize(*static_cast<WorksheetWindowData*>(record), gate, w, h);
  if (width) *width = w;
  if (height) *height = h;
  return 1;
}

int svc_DeleteBlockGate(void* record, void* gate) {
  if (!record || !gate) return 0;
  g_seam->deleteGate(*static_cast<WorksheetWindowData*>(record), gate);
  return 1;
}

namespace {
int dropAt(const BlockDropRecord* drop, Placement how) {
  g_dropFlag = 0;
  bool placed = false;
  if (drop) {
    if (WorksheetWindowData* w = g_seam->worksheetUnderCursor()) {
      if (w->kind >= 0 && w->kind <= 2) {
        int x = drop->x, y = drop->y;
        g_seam->screenToClient(*w, x, y);
        const float zoom = disp::gdi_GetZoom();
        if (zoom > 0) {
          x = int(float(x) / zoom);
          y = int(float(y) / zoom);
        }
        x = svc_Snap(x);
        y = svc_Snap(y);
        if (x >= 0 && y >= 0) {
          BlockDropRecord at = *drop;
          at.x = x;
          at.y = y;
          placed = svc_PlaceItem(*w, at, how) != 0;
          if (placed) g_seam->activate(*w);
        }
      }
      g_seam->unlock(*w);
    }
  }
  if (!placed && g_dropFlag) g_lib->message(windowHost().frameWindow(), g_dropFlag, 0);
  return placed ? 1 : 0;
}
} // namespace

int svc_DropAtCursor(const BlockDropRecord* drop) { return dropAt(drop, Placement::DropNew); }
int svc_DropAtCursorB(const BlockDropRecord* drop) { return dropAt(drop, Placement::DropReplace); }

const ServiceFunctionTable& svc_Table() {
  static const ServiceFunctionTable table = {
      sizeof(ServiceFunctionTable), svc_GetZoom,          svc_CreateBlockRecord, svc_DrawBlockRecord,
      svc_FreeBlockRecord,          svc_FillBlockRecord,  svc_GetBlockRecordSize, svc_DeleteBlockGate,
      svc_DropAtCursor,             svc_DropAtCursorB};
  return table;
}

} // namespace shell
