// The insert box with a recording library, and the block-picture and drop
// callbacks with a recording editor.
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/prompts.h"
#include "shell/windowhost.h"
#include "../model/fixture.h"

#include "display/gdi.h"
#include "display/recording_device.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace shell;

namespace {

// Keeps the attributes a box would have (position, page and a name of its own).
class RecordingBoxLibrary : public InsertBoxLibrary {
public:
  std::vector<std::string> calls;
  std::vector<std::string> names;   // names handed to the last creation
  SwInsertBoxAttribs created{};     // the attributes the last creation got
  std::string createdName;
  SwInsertBoxAttribs boxAttribs{10, 20, 300, 400, 1, nullptr};
  std::string boxName = "PUMP";
  int boxes = 0;
  BoxHandle create(Hwnd, const SwInsertBoxAttribs* a, ::NameNode** list, int state) override {
    calls.push_back("create " + std::to_string(state));
    created = *a;
    createdName = a->name ? a->name : "";
    names.clear();
    for (::NameNode* n = list ? *list : nullptr; n; n = n->next) names.push_back(n->name);
    ++boxes;
    return reinterpret_cast<BoxHandle>(std::intptr_t(0x1000 + boxes));
  }
  void destroy(BoxHandle) override { calls.push_back("destroy"); }
  int getAttribs(BoxHandle, SwInsertBoxAttribs* a) override {
    calls.push_back("get");
    *a = boxAttribs;
    a->name = new char[boxName.size() + 1];
    std::strcpy(a->name, boxName.c_str());
    return 1;
  }
  void freeAttribs(SwInsertBoxAttribs* a) override {
    calls.push_back("free");
    delete[] a->name;
    *a = SwInsertBoxAttribs{};
  }
  void setState(BoxHandle, int state) override { calls.push_back("state " + std::to_string(state)); }
  void addName(BoxHandle, const char* n) override { calls.push_back(std::string("add ") + n); }
  int message(Hwnd, int number, unsigned) override {
    calls.push_back("message " + std::to_string(number));
    return 1;
  }
};

class InsertBox : public ::testing::Test {
protected:
  void SetUp() override {
    setInsertBoxLibrary(&lib);
    setBarMenus(&bars);
    ins_Reset();
    lib.calls.clear();
  }
  void TearDown() override {
    ins_Reset();
    setInsertBoxLibrary(nullptr);
    setBarMenus(nullptr);
  }
  RecordingBoxLibrary lib;
  RecordingBarMenus bars;
};

} // namespace

TEST_F(InsertBox, StatesModesAndClasses) {
  EXPECT_EQ(ins_BoxState(), 0);
  struct Case { int mode, cls, state; };
  for (const Case& c : {Case{1, 1, 1}, Case{1, 2, 2}, Case{1, 3, 3}, Case{2, 1, 4}, Case{2, 2, 5}, Case{2, 3, 6}, Case{0, 3, 0}}) {
    ins_SetMode(c.mode);
    ins_SetSheetClass(c.cls);
    EXPECT_EQ(ins_BoxState(), c.state);
  }
  ins_SetSheetClass(2);
  ins_SetSheetClass(0);
  ins_SetSheetClass(4);
  EXPECT_EQ(ins_GetSheetClass(), 2);
  ins_SetMode(3);
  EXPECT_EQ(ins_GetMode(), 0);
}

TEST_F(InsertBox, FollowsTheMenuStateAndKeepsItsAttributes) {
  InsertBoxAttribs stored{1, 5, 6, 7, 8, 0x101};
  ins_ReadSettings(&stored);
  lib.calls.clear();
  EXPECT_EQ(ins_Attribs().x, 5);
  EXPECT_EQ(ins_Attribs().page, 1);
  // Editing state in edit mode 3: the box exists in mode 2.
  ins_OnWorksheetActivated(1);
  ins_OnMenuState(3, 3);
  EXPECT_EQ(ins_GetMode(), 2);
  ASSERT_NE(ins_Handle(), nullptr);
  EXPECT_TRUE(bars.items()[324].enabled);
  EXPECT_EQ(lib.created.width, 7);
  EXPECT_EQ(lib.calls, (std::vector<std::string>{"create 5", "state 5"}));
  // Another state destroys it; its attributes survive.
  lib.calls.clear();
  ins_OnMenuState(5, 1);
  EXPECT_EQ(ins_Handle(), nullptr);
  EXPECT_EQ(ins_GetMode(), 0);
  EXPECT_FALSE(bars.items()[324].enabled);
  EXPECT_EQ(lib.calls, (std::vector<std::string>{"free", "get", "destroy"}));
  ins_OnMenuState(3, 4);   // edit mode 4: no box
  EXPECT_EQ(ins_Handle(), nullptr);
  ins_OnMenuState(3, 1);
  EXPECT_EQ(lib.created.x, 10);
  EXPECT_EQ(lib.created.page, 1);
  EXPECT_EQ(lib.createdName, "PUMP");
  // The settings of a restart.
  InsertBoxAttribs out{};
  ins_WriteSettings(&out);
  EXPECT_EQ(out.a0, 1u);
  EXPECT_EQ(out.a1, 10);
  EXPECT_EQ(out.a4, 400);
  EXPECT_EQ(out.a5, 1u);
  ins_Reset();
  ins_ReadSettings(&out);
  EXPECT_EQ(ins_Attribs().width, 300);
}

TEST_F(InsertBox, ClosedByTheUserAndToggled) {
  ins_OnMenuState(3, 1);
  ASSERT_NE(ins_Handle(), nullptr);
  bars.check(324, true);
  ins_OnBoxClosed(2);
  EXPECT_EQ(ins_Handle(), nullptr);
  EXPECT_EQ(ins_IsInsertBoxShown(), 0);
  EXPECT_FALSE(bars.items()[324].checked);
  // Later states do not bring it back; the command does.
  ins_OnMenuState(3, 1);
  EXPECT_EQ(ins_Handle(), nullptr);
  ins_ToggleCommand();
  EXPECT_NE(ins_Handle(), nullptr);
  EXPECT_TRUE(bars.items()[324].checked);
  // Without a box the scratch records are discarded; with one not.
  EXPECT_EQ(ins_DiscardScratchRecords(), 0);
  ins_ToggleCommand();
  EXPECT_EQ(ins_DiscardScratchRecords(), 1);
}

// ---- callbacks ----
namespace {

struct RecordingEditor : BlockEditorSeam {
  std::vector<std::string> calls;
  WorksheetWindowData sheet{};
  bool haveSheet = true;
  int refuseWith = 0;
  int offsetX = 0, offsetY = 0;
  void frameCommand(int id) override { calls.push_back("command " + std::to_string(id)); }
  void newScratchDocument(WorksheetWindowData& r) override {
    r.kind = 2;
    calls.push_back("new document " + selectionState().lastName);
  }
  void freeScratchDocument(WorksheetWindowData&) override { calls.push_back("free document"); }
  void drawRecord(WorksheetWindowData&) override {
    calls.push_back("draw");
    disp::gdi_Bar({0, 0}, {10, 10});
  }
  std::string place(const char* what, const std::string& m, const std::string& n, int p, int x, int y) {
    return std::string(what) + " " + m + " " + n + " " + std::to_string(p) + " " + std::to_string(x) + "," + std::to_string(y);
  }
  void* insertGate(WorksheetWindowData&, const std::string& m, const std::string& n, int p, std::int16_t x, std::int16_t y) override {
    calls.push_back(place("insert", m, n, p, x, y));
    return this;
  }
  int dropNew(WorksheetWindowData&, const std::string& m, const std::string& n, int p, std::int16_t x, std::int16_t y) override {
    calls.push_back(place("drop", m, n, p, x, y));
    if (refuseWith) app_SetDropFlag(refuseWith);
    return refuseWith ? 0 : 1;
  }
  int dropReplace(WorksheetWindowData&, const std::string& m, const std::string& n, int p, std::int16_t x, std::int16_t y) override {
    calls.push_back(place("replace", m, n, p, x, y));
    return 1;
  }
  bool gateSize(WorksheetWindowData&, void*, int& w, int& h) override {
    w = 40;
    h = 30;
    return true;
  }
  void deleteGate(WorksheetWindowData&, void*) override { calls.push_back("delete gate"); }
  WorksheetWindowData* worksheetUnderCursor() override { return haveSheet ? &sheet : nullptr; }
  void screenToClient(WorksheetWindowData&, int& x, int& y) override {
    x -= offsetX;
    y -= offsetY;
  }
  void unlock(WorksheetWindowData&) override { calls.push_back("unlock"); }
  void activate(WorksheetWindowData&) override { calls.push_back("activate"); }
};

class Services : public model::test::ModelFixture {
protected:
  void SetUp() override {
    ModelFixture::SetUp();
    setBlockEditor(&ed);
    setInsertBoxLibrary(&lib);
    setWindowHost(&host);
    ins_Reset();
    const float one = 1.0f;
    disp::gdi_SetZoom(&one);
  }
  void TearDown() override {
    setBlockEditor(nullptr);
    ins_Reset();   // the attributes go back to the library that made them
    setInsertBoxLibrary(nullptr);
    setWindowHost(nullptr);
    const float one = 1.0f;
    disp::gdi_SetZoom(&one);
    ModelFixture::TearDown();
  }
  void nameProject(const char* name) {
    model::ProjectModule* m = model::doc_MainModule(*doc);
    std::memset(m->Name, ' ', sizeof m->Name);
    std::memcpy(m->Name, name, std::strlen(name));
  }
  RecordingEditor ed;
  RecordingBoxLibrary lib;
  RecordingWindowHost host;
};

} // namespace

TEST_F(Services, ScratchRecordsAndPictures) {
  const ServiceFunctionTable& t = svc_Table();
  EXPECT_EQ(t.size, sizeof(ServiceFunctionTable));
  void* rec = t.createPicture(1);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(ed.calls, (std::vector<std::string>{"command 371", "new document 999FBINSW"}));
  EXPECT_EQ(static_cast<WorksheetWindowData*>(rec)->kind, 2);
  // Drawing through the layer restores its device and zoom.
  disp::RecordingDevice screen, picture;
  disp::gdi_SetCurrent(&screen, nullptr);
  const float z = 2.0f;
  disp::gdi_SetZoom(&z);
  PictureDrawParams target{5, &picture, 0.5f};
  EXPECT_EQ(t.drawPicture(rec, &target), 1);
  EXPECT_EQ(t.drawPicture(nullptr, &target), 0);
  EXPECT_EQ(disp::gdi_CurrentDevice(), &screen);
  EXPECT_FLOAT_EQ(disp::gdi_GetZoom(), 2.0f);
  // The bar went to the picture at the picture's scale, nothing to the screen.
  auto shapes = [](const disp::RecordingDevice& d) {
    return d.withPrefix("rectangle").size() + d.withPrefix("fillrect").size() + d.withPrefix("polygon").size();
  };
  EXPECT_EQ(shapes(picture), 1u);
  EXPECT_EQ(shapes(screen), 0u);
  disp::gdi_SetCurrent(nullptr, nullptr);
  // Fill, measure, remove, free.
  BlockDropRecord text{"Text", "Standard", 0, 0};
  void* gate = t.addBlock(rec, &text);
  EXPECT_NE(gate, nullptr);
  int w = 0, h = 0;
  EXPECT_EQ(t.blockExtents(rec, gate, &w, &h), 1);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(t.blockExtents(rec, nullptr, &w, &h), 0);
  EXPECT_EQ(t.removeBlock(rec, gate), 1);
  EXPECT_EQ(t.removeBlock(nullptr, gate), 0);
  EXPECT_EQ(t.freePicture(rec), 1);
  EXPECT_EQ(t.freePicture(nullptr), 0);
  EXPECT_EQ(ed.calls.back(), "free document");
}

TEST_F(Services, PlacementByLibrary) {
  WorksheetWindowData main{}, sub{};
  sub.kind = 2;
  struct Case { const char* name; const char* library; WorksheetWindowData* window; const char* placed; };
  nameProject("plant.mdl");
  const Case cases[] = {
      {"Text", "Standard", &main, "insert %STD Text 0 7,9"},
      {"Input", "Standard", &main, nullptr},
      {"Input", "Standard", &sub, "insert %STD Output 1 7,9"},
      {"Output", "Standard", &sub, "insert %STD Input 1 7,9"},
      {"Pump", "Standard", &sub, nullptr},
      {"AND", "LOGIC", &main, "insert LOGIC AND 0 7,9"},
      {"PUMP", "Projekt", &main, "insert plant.mdl PUMP 0 7,9"},
  };
  for (const auto& c : cases) {
    ed.calls.clear();
    BlockDropRecord d{c.name, c.library, 7 + 65536, 9};
    const auto r = svc_PlaceItem(*c.window, d, Placement::Insert);
    if (c.placed) {
      EXPECT_NE(r, 0) << c.name;
      EXPECT_EQ(ed.calls, std::vector<std::string>{c.placed});
    } else {
      EXPECT_EQ(r, 0) << c.name;
      EXPECT_TRUE(ed.calls.empty()) << c.name;
    }
  }
  // A project without a ".MDL" module takes nothing from "Projekt".
  nameProject("plant");
  BlockDropRecord d{"PUMP", "Projekt", 0, 0};
  EXPECT_EQ(svc_PlaceItem(main, d, Placement::Insert), 0);
  BlockDropRecord noLibrary{"PUMP", nullptr, 0, 0};
  EXPECT_EQ(svc_PlaceItem(main, noLibrary, Placement::Insert), 0);
}

TEST_F(Services, DropsSnapAndRefuse) {
  EXPECT_EQ(svc_Snap(-3), 0);
  EXPECT_EQ(svc_Snap(-8), -5);
  EXPECT_EQ(svc_Snap(2), 0);
  EXPECT_EQ(svc_Snap(3), 5);
  ed.sheet.kind = 0;
  ed.offsetX = 100;
  ed.offsetY = 50;
  const float two = 2.0f;
  disp::gdi_SetZoom(&two);
  // (127 - 100) / 2 = 13 -> 15; (50 - 50) / 2 = 0.
  BlockDropRecord d{"Text", "Standard", 127, 50};
  EXPECT_EQ(svc_DropAtCursor(&d), 1);
  EXPECT_EQ(ed.calls, (std::vector<std::string>{"drop %STD Text 0 15,0", "activate", "unlock"}));
  ed.calls.clear();
  EXPECT_EQ(svc_DropAtCursorB(&d), 1);
  EXPECT_EQ(ed.calls.front(), "replace %STD Text 0 15,0");
  // -6 / 2 = -3 snaps to 0: accepted; -16 / 2 = -8 snaps to -5: refused.
  ed.calls.clear();
  d.x = 94;
  EXPECT_EQ(svc_DropAtCursor(&d), 1);
  d.x = 84;
  ed.calls.clear();
  EXPECT_EQ(svc_DropAtCursor(&d), 0);
  EXPECT_EQ(ed.calls, std::vector<std::string>{"unlock"});
  // Other window kinds and no window.
  d.x = 127;
  ed.sheet.kind = 3;
  EXPECT_EQ(svc_DropAtCursor(&d), 0);
  ed.haveSheet = false;
  EXPECT_EQ(svc_DropAtCursor(&d), 0);
  EXPECT_EQ(svc_DropAtCursor(nullptr), 0);
  // A refusal shows the pending message.
  ed.haveSheet = true;
  ed.sheet.kind = 1;
  ed.refuseWith = 50050;
  lib.calls.clear();
  EXPECT_EQ(svc_DropAtCursor(&d), 0);
  EXPECT_EQ(lib.calls, std::vector<std::string>{"message 50050"});
  // Without a pending message a refusal is silent.
  ed.refuseWith = 0;
  lib.calls.clear();
  BlockDropRecord other{"Pump", "Standard", 127, 50};
  EXPECT_EQ(svc_DropAtCursor(&other), 0);
  EXPECT_TRUE(lib.calls.empty());
}

TEST_F(Services, BoxGetsTheSubprogramNames) {
  nameProject("plant.mdl");
  model::ge_NewLogic("$MAIN");
  model::LogicRecord* pump = model::ge_NewLogic("pump");
  model::ge_NewLogic("999FBTMPW");
  RecordingBarMenus bars;
  setBarMenus(&bars);
  ins_OnMenuState(3, 1);
  EXPECT_EQ(lib.names, std::vector<std::string>{"PUMP"});
  // A deleted subprogram leaves the box: it is made anew with the names left,
  // its attributes and its state.
  model::ge_NewLogic("valve");
  ins_AddSubprogramName("VALVE");
  ASSERT_TRUE(model::ge_DeleteLogic(pump));
  lib.calls.clear();
  ins_RemoveSubprogramName("PUMP");
  EXPECT_EQ(lib.names, std::vector<std::string>{"VALVE"});
  EXPECT_EQ(lib.calls, (std::vector<std::string>{"free", "get", "destroy", "create 1", "state 1"}));
  EXPECT_EQ(lib.created.x, 10);   // the box's own attributes came back
  setBarMenus(nullptr);
}
