#include "stockwin_calls.h"

#include "stockwin/stockwin.h"

#include "display/device.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dlghost {

namespace {

int gCalls = 0;
float zoom() { return 1.0f; }
void* createPicture(int) { return &gCalls; }
// A placeholder block: a labelled box of 60 x 40 units at (4, 4), scaled.
int drawPicture(void*, const PictureDrawParams* p) {
  ++gCalls;
  if (!p || !p->device) return 1;
  auto* d = static_cast<disp::Device*>(p->device);
  auto s = [p](int v) { return int(float(v) * p->scale); };
  d->setPen({disp::PenStyle::Solid, 1, {0, 0, 0}});
  d->setBrush({255, 255, 255});
  d->rectangle(s(4), s(4), s(64), s(44));
  d->setOpaqueText(false);
  d->textOut(s(10), s(18), "BLOCK");
  return 1;
}
int freePicture(void*) { return 1; }
void* addBlock(void*, const BlockDropRecord*) { return &gCalls; }
int extents(void*, void*, int* w, int* h) {
  if (w) *w = 60;
  if (h) *h = 40;
  return 1;
}
int removeBlock(void*, void*) { return 1; }
int drop(const BlockDropRecord* r) {
  std::printf("drop: %s/%s at %d,%d\n", r->library, r->name, r->x, r->y);
  return 1;
}

struct Names {
  NameNode nodes[3] = {{"MOTOR", &nodes[1]}, {"PUMP", &nodes[2]}, {"VALVE", nullptr}};
  NameNode* head = &nodes[0];
};

std::string arg(const std::vector<std::string>& a, std::size_t i, const char* d = "") {
  return i < a.size() ? a[i] : std::string(d);
}

} // namespace

void installFakeServices(void* setServices) {
  if (!setServices) return;
  static ServiceFunctionTable t{sizeof(ServiceFunctionTable), zoom, createPicture, drawPicture, freePicture,
                                addBlock, extents, removeBlock, drop, drop};
  reinterpret_cast<SW13_SetObelServiceFctnsFn>(setServices)(&t);
}

bool callStockwin(const std::string& name, void* fn, std::uint32_t owner, const std::vector<std::string>& a) {
  Names names;
  char b1[256] = "", b2[256] = "";
  std::snprintf(b1, sizeof b1, "%s", arg(a, 0).c_str());
  std::snprintf(b2, sizeof b2, "%s", arg(a, 1).c_str());
  int r = 0;
  if (name == "SW00_GetDLLVersion") {
    std::printf("result: %g\n", reinterpret_cast<SW00_GetDLLVersionFn>(fn)());
    return true;
  } else if (name == "SW04_CallStartAuswahlDlg") {
    int flag = 1;
    r = reinterpret_cast<SW04_CallStartAuswahlDlgFn>(fn)(owner, &flag);
    std::printf("flag: %d\n", flag);
  } else if (name == "SW07_CallSelectMacroDlg") {
    r = reinterpret_cast<SW07_CallSelectMacroDlgFn>(fn)(owner, &names.head, b1);
    std::printf("name: %s\n", b1);
  } else if (name == "SW08_CallCopyMacroDlg" || name == "SW10_CallRenameMacroDlg") {
    r = reinterpret_cast<SW08_CallCopyMacroDlgFn>(fn)(owner, &names.head, b1, b2);
    std::printf("names: %s %s\n", b1, b2);
  } else if (name == "SW09_CallDesignOrDeleteMacroDlg") {
    std::snprintf(b1, sizeof b1, "%s", arg(a, 1).c_str());
    r = reinterpret_cast<SW09_CallDesignOrDeleteMacroDlgFn>(fn)(owner, std::atoi(arg(a, 0, "0").c_str()),
                                                                &names.head, b1);
    std::printf("name: %s\n", b1);
  } else if (name == "SW20_CallWorkSheetSetupDlg") {
    WorkSheetSetup w{0, 1.0f, 0, 300};
    r = reinterpret_cast<SW20_CallWorkSheetSetupDlgFn>(fn)(owner, &w);
    std::printf("setup: format=%d zoom=%.1f cross=%d period=%d\n", w.format, double(w.zoom), w.crossText, w.refreshMs);
  } else if (name == "SW21_CallAboutDlg") {
    r = reinterpret_cast<SW21_CallAboutDlgFn>(fn)(owner);
  } else if (name == "SW30_CallInsertConnectorDlg") {
    std::snprintf(b2, 8, "%s", arg(a, 1, "IN1").c_str());
    ConnectorParams p{arg(a, 0, "Input") == "Output" ? "Output" : "Input", b2, 0, 0, 0, &names.head};
    r = reinterpret_cast<SW30_CallInsertConnectorDlgFn>(fn)(owner, &p);
    std::printf("name: %s\n", b2);
  } else if (name == "SW31_CallInsertTextDlg") {
    TextParams p{b1, 256, 16, 1.0f};
    r = reinterpret_cast<SW31_CallInsertTextDlgFn>(fn)(owner, &p);
    std::printf("text: %s size %d\n", b1, p.fontSize);
  } else if (name == "SW50_CallMBWithID") {
    r = reinterpret_cast<SW50_CallMBWithIDFn>(fn)(owner, unsigned(std::atoi(arg(a, 0).c_str())), 0);
  } else if (name == "SW50_CallMBWithIDAndString") {
    r = reinterpret_cast<SW50_CallMBWithIDAndStringFn>(fn)(owner, unsigned(std::atoi(arg(a, 0).c_str())),
                                                           arg(a, 1).c_str(), 0);
  } else if (name == "SW01_CallMacroBmpDlg" || name == "SW03_CallMacroBGBmpDlg") {
    // ARG0: the bitmap directory.
    MacroBmpParams p{};
    std::string dir = arg(a, 0, ".");
    p.directory = dir.c_str();
    r = reinterpret_cast<SW01_CallMacroBmpDlgFn>(fn)(owner, &p);
    std::printf("symbol: %s resize=%d background: %s\n", p.symbol, p.resize, p.background);
  } else if (name == "SW05_CallNewProjectDlg") {
    r = reinterpret_cast<SW05_CallNewProjectDlgFn>(fn)(owner, b1, int(sizeof b1));
    std::printf("project: %s\n", b1);
  } else if (name == "SW52_PrintSetup") {
    PrintSetupParams p{owner, std::atoi(arg(a, 0, "1").c_str())};
    std::printf("printer: %u\n", reinterpret_cast<SW52_PrintSetupFn>(fn)(&p));
    return true;
  } else if (name == "SW51_OpenMDLProject" || name == "SW51_SaveAsMDLProject" || name == "SW51_OpenLibrary") {
    FileDlgParams p{owner, b1, sizeof b1};
    r = reinterpret_cast<SW51_OpenMDLProjectFn>(fn)(&p);
    std::printf("path: %s\n", b1);
  } else {
    return false;
  }
  std::printf("result: %d\n", r);
  return true;
}

} // namespace dlghost
