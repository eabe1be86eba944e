// The toolbox's rules without widgets.
#include "core.h"
#include "toolboxlogic.h"

#include "texts.h"

#include <algorithm>
#include <cctype>

namespace sw {

namespace {
} // namespace

StateRule stateRule(int state) {
  //                      known  window blocks text   conn   cursor atCursor
  static const StateRule rules[7] = {
      {true, false, false, false, false, 0, false},   {true, false, false, false, false, 199, false},
      {true, true, true, true, false, 199, false},    {true, true, true, true, true, 199, false},
      {true, false, false, false, false, 198, true},  {true, true, true, false, false, 198, true},
      {true, true, true, false, true, 198, true},
  };
  if (state < 0 || state > 6) return StateRule{};
  return rules[state];
}

ButtonSetup buttonSetup(int k) {
  return {150u + unsigned(k), kBlockNameBase + unsigned(k), k < 17 ? kLibBlocks : kLibStandard,
          kTooltipBase + unsigned(k)};
}

bool validPosition(const SwInsertBoxAttribs& a, int screenW, int screenH) {
  return a.x >= 0 && a.x < screenW - 20 && a.y >= 0 && a.y < screenH - 10 && a.width > 0 && a.height > 0;
}

Box minimumSize(int w, int h) { return {0, 0, std::max(w, kToolboxMinWidth), std::max(h, kToolboxMinHeight)}; }

Box buttonBox(int i, int W, int H) {
  int cw = (W - 12) / 4, ch = (H - 36) / 5;
  return {(cw + 1) * (i % 4) + 5, (ch + 1) * (i / 4) + 28, cw, ch};
}

Box listBox(int W, int H, int fh) { return {5, 28 + fh + 5, W - 10, H - (28 + fh) - 10}; }

PictureFit pictureFit(int cw, int ch, int w, int h) {
  PictureFit f;
  w += 10;
  h += 10;
  if (w <= 0 || h <= 0) return f;
  f.scale = std::min(double(cw - 4) / w, double(ch - 4) / h);
  f.x = (cw - int(w * f.scale)) >> 1;
  f.y = (ch - int(h * f.scale)) >> 1;
  return f;
}

Box dragBox(const Box& s, int w, int h, float zoom) {
  int W = int(float(w + 10) * zoom), H = int(float(h + 10) * zoom);
  int right = s.x + s.w, bottom = s.y + s.h;
  return {(s.x + right - W) >> 1, (s.y + bottom - H) >> 1, W, H};
}

void dropPosition(const Box& drag, int pressX, int pressY, int releaseX, int releaseY, float zoom, int& x, int& y) {
  int d = int(zoom * 4.0f);
  x = drag.x + d + (releaseX - pressX);
  y = drag.y + d + (releaseY - pressY);
}

int findPrefix(const std::vector<std::string>& names, const std::string& prefix, int from) {
  std::string p = upper(prefix);
  for (std::size_t i = std::size_t(std::max(from, 0)); i < names.size(); ++i)
    if (upper(names[i]).rfind(p, 0) == 0) return int(i);
  return -1;
}

std::size_t sortedPosition(const std::vector<std::string>& names, const std::string& name) {
  std::string u = upper(name);
  std::size_t i = 0;
  while (i < names.size() && upper(names[i]) <= u) ++i;
  return i;
}

bool renameEntry(std::vector<std::string>& names, int& selected, const std::string& oldName,
                 const std::string& newName) {
  std::string o = oldName.substr(0, kNameChars), n = newName.substr(0, kNameChars);
  if (o.empty() || n.empty()) return false;
  int first = findPrefix(names, o);
  if (first < 0) return false;
  int at = -1;
  for (std::size_t i = std::size_t(first); i < names.size(); ++i)
    if (names[i] == o) {
      at = int(i);
      break;
    }
  if (at < 0) return false;
  bool wasSelected = selected == at;
  names.erase(names.begin() + at);
  if (selected > at) --selected;
  std::size_t pos = sortedPosition(names, n);
  names.insert(names.begin() + std::ptrdiff_t(pos), n);
  if (wasSelected) selected = int(pos);
  else if (selected >= int(pos)) ++selected;
  return true;
}

bool measureBlock(const ServiceFunctionTable& t, const char* name, const char* library, int& w, int& h) {
  w = h = 0;
  if (!t.createPicture || !t.addBlock || !t.blockExtents) return false;
  void* pic = t.createPicture(2);
  if (!pic) return false;
  BlockDropRecord r{name, library, 0, 0};
  void* block = t.addBlock(pic, &r);
  bool ok = false;
  if (block) {
    ok = t.blockExtents(pic, block, &w, &h) != 0;
    if (t.removeBlock) t.removeBlock(pic, block);
  }
  if (t.freePicture) t.freePicture(pic);
  return ok;
}

} // namespace sw
