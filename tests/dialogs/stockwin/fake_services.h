#pragma once
// A recording stand-in for the main program's service table: every call is
// noted by its service number (1 zoom ... 9 drop at cursor); blocks are 40 x 20
// units unless the name is "MISSING" (not found); drops keep their record.
#include "stockwin/stockwin.h"

#include "display/device.h"

#include <cstdint>

#include <algorithm>
#include <string>
#include <vector>

namespace swtest {

struct FakeServices {
  struct Drop {
    int service;
    std::string name, library;
    int x, y;
  };
  static inline std::vector<int> calls;
  static inline std::vector<Drop> drops;
  static inline float zoomValue = 2.0f;
  static inline int pictures = 0, drawn = 0;
  static void reset() {
    calls.clear();
    drops.clear();
    pictures = drawn = 0;
  }
  static float zoom() {
    calls.push_back(1);
    return zoomValue;
  }
  static void* create(int) {
    calls.push_back(2);
    ++pictures;
    return reinterpret_cast<void*>(std::intptr_t(0x1000 + pictures));
  }
  // Draws the block as a labelled box of 40 x 20 units at (4, 4), scaled.
  static int draw(void*, const PictureDrawParams* p) {
    calls.push_back(3);
    ++drawn;
    if (p && p->device) {
      auto* d = static_cast<disp::Device*>(p->device);
      auto s = [p](int v) { return int(float(v) * p->scale); };
      d->setPen({disp::PenStyle::Solid, 1, {0, 0, 160}});
      d->setBrush({220, 230, 255});
      d->rectangle(s(4), s(4), s(44), s(24));
      disp::FontSpec f;
      f.height = std::max(1, s(8));
      d->setFont(f);
      d->setOpaqueText(false);
      d->textOut(s(8), s(9), "BLOCK");
    }
    return 1;
  }
  static int free(void*) {
    calls.push_back(4);
    return 1;
  }
  static void* add(void*, const BlockDropRecord* r) {
    calls.push_back(5);
    return r && r->name && std::string(r->name) == "MISSING" ? nullptr : reinterpret_cast<void*>(std::intptr_t(0x2000));
  }
  static int extents(void*, void*, int* w, int* h) {
    calls.push_back(6);
    *w = 40;
    *h = 20;
    return 1;
  }
  static int remove(void*, void*) {
    calls.push_back(7);
    return 1;
  }
  static int placed(const BlockDropRecord* r) {
    calls.push_back(8);
    drops.push_back({8, r->name, r->library, r->x, r->y});
    return 1;
  }
  static int atCursor(const BlockDropRecord* r) {
    calls.push_back(9);
    drops.push_back({9, r->name, r->library, r->x, r->y});
    return 1;
  }
  static ServiceFunctionTable table() {
    return ServiceFunctionTable{sizeof(ServiceFunctionTable), zoom, create, draw, free, add, extents, remove,
                                placed, atCursor};
  }
};

} // namespace swtest
