// The externs that reach outside the diagram: values of the running target
// through the server client, dialogs, message boxes and programs queued for
// the UI thread, window messages to other programs' endpoints, and bitmaps
// drawn into the worksheet.
#include "engine/externs.h"
#include "engine/paramxfer.h"
#include "engine/services.h"
#include "engine/vm.h"
#include "engine/workers.h"

#include "display/dib.h"
#include "display/gdi.h"
#include "platform/endpoint.h"
#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace engine {

namespace {

ParamTransferPort* gPort = nullptr;
ParamTransferPort& port() { return gPort ? *gPort : kcTransferPort(); }

// Longest text the deferred externs copy (the auxiliary program's buffers
// hold 128 characters with the terminator).
constexpr std::size_t kHelperText = 127;
// Text parameters and the "Eingabe" text hold at most this many characters.
constexpr std::size_t kParamText = 40, kInputText = 47;
// Most values a vector or matrix dialog edits.
constexpr std::int16_t kMaxVector = 4096;
// How long a sent window message may take.
constexpr int kSendTimeoutMs = 2000;

struct X {
  Vm& vm;
  std::uint32_t block;
  std::uint32_t slot(unsigned k) {
    std::uint32_t a = 0;
    vm.rd(block + 4 * k, &a, 4);
    return a;
  }
  double real(unsigned k, unsigned e = 0) { return vm.rdReal(slot(k) + 8 * e); }
  std::int16_t integer(unsigned k) { return vm.rdInt(slot(k)); }
  std::uint16_t word(unsigned k) { return vm.rdWord(slot(k)); }
  std::int32_t longValue(unsigned k) {
    std::int32_t v = 0;
    vm.rd(slot(k), &v, 4);
    return v;
  }
  void setReal(unsigned k, double v) { vm.wr(slot(k), &v, 8); }
  void setInt(unsigned k, std::int16_t v) { vm.wr(slot(k), &v, 2); }
  void setWord(unsigned k, std::uint16_t v) { vm.wr(slot(k), &v, 2); }
  void setLong(unsigned k, std::int32_t v) { vm.wr(slot(k), &v, 4); }
  // A text argument: at most max characters, never past its region.
  std::string text(unsigned k, std::size_t max = 255) {
    std::string s;
    const std::uint32_t a = slot(k);
    if (!vm.space().translate(a, 1, false)) {
      vm.fail("extern text argument outside the mapped memory");
      return s;
    }
    for (std::size_t i = 0; i < max; ++i) {
      char c = 0;
      if (!vm.space().read(a + std::uint32_t(i), &c, 1) || c == 0) break;
      s.push_back(c);
    }
    return s;
  }
  // Writes a text into a buffer of 'size' bytes, cut to the region the
  // address lies in; always terminated, nothing when size < 1.
  void setText(unsigned k, const std::string& s, std::int32_t size) {
    if (size < 1) return;
    const std::uint32_t a = slot(k);
    const std::uint32_t base = vm.space().regionBase(a), len = vm.space().regionSize(a);
    if (len == 0) {
      vm.fail("extern text argument outside the mapped memory");
      return;
    }
    const std::size_t room = std::min<std::size_t>(std::size_t(size), std::size_t(base) + len - a);
    std::string t = s.substr(0, room - 1);
    t.push_back('\0');
    vm.wr(a, t.data(), std::uint32_t(t.size()));
  }
  bool ok() const { return !vm.stopped(); }
};

// A whole number from a REAL; false when not finite or far out of range.
bool whole(double v, long& out) {
  if (!std::isfinite(v) || std::fabs(v) > 2e9) return false;
  out = long(v);
  return true;
}

std::string addressOf(X& x, unsigned k) {
  const double c = x.real(k, 0), i = x.real(k, 1);
  return x.ok() ? va_AddressText0(c, i) : std::string();
}

// The operand of a parameter dialog: the address text and the address's
// class and index (whole numbers; anything else gives class 0, which has no
// name record).
DialogOperand operandOf(X& x, unsigned k) {
  DialogOperand op;
  op.title = addressOf(x, k);
  long c = 0, i = 0;
  if (x.ok() && whole(x.real(k, 0) + 0.5, c) && whole(x.real(k, 1), i) && c >= 0 && c <= 12 && i >= 0) {
    op.cls = int(c);
    op.index = i;
  }
  return op;
}

// ---- target values ----

void targetValue(X& x, int number) {
  ExternProgramState& st = externState();
  ParamTransferPort& p = port();
  if (number == 34) {
    std::uint32_t t = 0;
    const bool ok = p.getTime(t);
    if (ok) {
      x.setWord(0, std::uint16_t(t >> 16));
      x.setWord(1, std::uint16_t(t & 0xFFFF));
    }
    x.setInt(2, ok ? 1 : 0);
    return;
  }
  if (number >= 52 && number <= 55) {   // arrays: s0 class, s1 first index, s2 array, s3 count, s4 status
    const double cls = x.real(0), first = x.real(1);
    const std::int16_t count = x.integer(3);
    if (!x.ok() || count < 1) return;   // nothing sent, status unchanged
    if (!st.onlineMode) {
      st.goOnlineAfterDownload = false;
      x.setInt(4, 0);
      return;
    }
    long firstIndex = 0;
    if (!whole(first, firstIndex) || firstIndex < 0) {
      x.setInt(4, 0);
      return;
    }
    const std::uint32_t array = x.slot(2);
    // The first refused write ends the run of writes: a server that no
    // longer answers would otherwise be waited for once per element.
    bool ok = true;
    for (std::int16_t i = 0; i < count && x.ok() && ok; ++i) {
      const double v = x.vm.rdReal(array + 8u * std::uint32_t(i));
      if (!x.ok()) return;
      const std::string name = va_AddressText0(cls, double(firstIndex + i));
      long n = 0;
      if (name.empty()) ok = false;
      else if (number == 52) ok = p.setReal(name, float(v));
      else if (number == 55) ok = whole(v, n) && p.setCard(name, std::uint16_t(n));
      else ok = whole(v, n) && p.setLongCard(name, std::uint32_t(n));
    }
    if (x.ok()) x.setInt(4, ok ? 1 : 0);
    return;
  }

  const std::string name = addressOf(x, 0);
  if (!x.ok()) return;
  const bool writer = (number >= 17 && number <= 22) || number == 46 || number == 65 || number == 66;
  // The status slot of each number.
  unsigned statusSlot = 2;
  if (number == 9) statusSlot = 1;
  else if (number == 12 || number == 80) statusSlot = 3;
  if (!st.onlineMode || name.empty()) {
    if (writer && !st.onlineMode) st.goOnlineAfterDownload = false;
    x.setInt(statusSlot, 0);
    return;
  }
  bool ok = false;
  switch (number) {
  case 9: ok = st.kind3Window; break;
  case 10: {
    std::uint16_t v = 0;
    if ((ok = p.getCard(name, v))) x.setWord(1, v);
    break;
  }
  case 12: {
    long bit = 0;
    bool v = false;
    const double b = x.real(2);
    if (!x.ok() || !whole(b, bit) || bit < 0 || bit > 7) break;   // bits outside 0..7 are refused
    if ((ok = p.getBit(name, v, int(bit)))) x.setWord(1, v ? 1 : 0);
    break;
  }
  case 13: {
    float v = 0;
    if ((ok = p.getReal(name, v))) x.setReal(1, double(v));
    break;
  }
  case 14: case 63: {
    std::int32_t v = 0;
    if ((ok = p.getLong(name, v))) x.setLong(1, v);
    break;
  }
  case 15: {
    std::uint8_t v = 0;
    if ((ok = p.getByte(name, v))) x.setWord(1, v);   // stored zero-extended
    break;
  }
  case 17: case 18: ok = p.setCard(name, x.word(1)); break;
  case 19: {
    long bit = 0;
    const double b = x.real(0, 3);
    const std::int16_t v = x.integer(1);
    if (!x.ok() || !whole(b, bit) || bit < 0 || bit > 7) break;
    ok = p.setBool(name + "." + std::to_string(bit), v != 0);
    break;
  }
  case 20: ok = p.setReal(name, float(x.real(1))); break;
  case 21: ok = p.setLongCard(name, std::uint32_t(std::int32_t(x.integer(1)))); break;
  case 22: {
    std::int8_t b = 0;
    x.vm.rd(x.slot(1), &b, 1);
    ok = x.ok() && p.setInt(name, b);
    break;
  }
  case 45: {
    std::string v;
    if ((ok = p.getName(name, v))) x.setText(1, v, 18);   // 17 characters and the terminator
    break;
  }
  case 46: {
    const std::string v = x.text(1);
    ok = x.ok() && p.setText(name, v);
    break;
  }
  case 65: case 66: {
    long n = 0;
    ok = whole(x.real(1), n) && p.setLongCard(name, std::uint32_t(n));
    break;
  }
  case 80: {
    const std::int16_t size = x.integer(2);
    std::string answer;
    if ((ok = p.queryText(name, answer)) && x.ok()) x.setText(1, answer, size);
    break;
  }
  default: return;
  }
  if (x.ok()) x.setInt(statusSlot, ok ? 1 : 0);
}

// ---- deferred dialogs and programs ----

// An argument address kept for a later write: valid when it still lies in
// the same host memory when the call runs.
struct Kept {
  std::uint32_t addr = 0;
  std::uint32_t len = 0;
  const std::uint8_t* host = nullptr;
  static Kept of(Vm& vm, std::uint32_t a, std::uint32_t len) {
    Kept k;
    k.addr = a;
    k.len = len;
    k.host = vm.space().translate(a, len, true);
    return k;
  }
  bool valid() const { return host && vm().space().translate(addr, len, true) == host; }
  bool write(const void* p, std::uint32_t n) const { return valid() && n <= len && vm().space().write(addr, p, n); }
  bool read(void* p, std::uint32_t n) const { return valid() && n <= len && vm().space().read(addr, p, n); }
};

// A text kept by address (79): read when the call runs, never past its region.
struct KeptText {
  std::uint32_t addr = 0;
  const std::uint8_t* host = nullptr;
  static KeptText of(Vm& vm, std::uint32_t a) { return {a, vm.space().translate(a, 1, false)}; }
  std::string read() const {
    std::string s;
    if (!host || vm().space().translate(addr, 1, false) != host) return s;
    for (std::uint32_t i = 0; i < 4096; ++i) {
      char c = 0;
      if (!vm().space().read(addr + i, &c, 1) || c == 0) break;
      s.push_back(c);
    }
    return s;
  }
};

// The room of a text buffer at a: at most max characters and the terminator, inside its region.
std::uint32_t textRoom(Vm& vm, std::uint32_t a, std::size_t max) {
  const std::uint32_t base = vm.space().regionBase(a), len = vm.space().regionSize(a);
  if (len == 0) return 0;
  return std::uint32_t(std::min<std::size_t>(max + 1, std::size_t(base) + len - a));
}

void writeText(const Kept& k, const std::string& s) {
  if (k.len < 1) return;
  std::string t = s.substr(0, k.len - 1);
  t.push_back('\0');
  k.write(t.data(), std::uint32_t(t.size()));
}

void setStatus(const Kept& status, bool ok) {
  const std::int16_t v = ok ? 1 : 0;
  status.write(&v, 2);
}

bool queue(std::function<void()> call) { return engineServices().queueDeferred(std::move(call)); }

bool endpointClassMatches(const std::string& name, const std::string& cls, bool byTitle) {
  auto lower = [](std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string n = lower(name), want = lower(cls);
  const std::size_t bar = n.find('|');
  if (byTitle) return bar != std::string::npos && n.substr(bar + 1) == want;
  return (bar == std::string::npos ? n : n.substr(0, bar)) == want;
}

// The endpoint of a window found by class (or by title); "" when none.
std::string findWindow(const std::string& key, bool byTitle) {
  if (key.empty()) return {};
  for (const auto& [id, name] : plat::ipc::liveEndpoints())
    if (endpointClassMatches(name, key, byTitle)) return name;
  return {};
}

// The auxiliary program (extern 82, run on the UI thread).
void startHelper(const std::string& cls, const std::string& request, const std::string& commandLine) {
  EngineServices& s = engineServices();
  const std::string found = findWindow(cls, false);
  if (!found.empty()) {
    plat::ipc::Message m;
    m.msg = kHelperRequestMessage;
    m.text = request.substr(0, plat::ipc::kMaxText);
    plat::ipc::send(found, m, kSendTimeoutMs);
    return;
  }
  if (!s.startProgram(commandLine + " " + request)) {
    s.showMessageWith(50059, commandLine);
    return;
  }
  s.setHelperWindow(findWindow(cls, false));
}

void deferred(X& x, int number) {
  ExternProgramState& st = externState();
  if (!xt_ThreadsEnabled()) return;              // the extern actions flag
  if (st.onlineMode && number != 79) return;     // only the message box runs while online
  Vm& vm = x.vm;
  switch (number) {
  case 29: case 30: case 31: case 32: case 44: {
    const DialogOperand title = operandOf(x, 0);
    const std::uint32_t valueAddr = x.slot(1);
    const Kept status = Kept::of(vm, x.slot(2), 2);
    if (!x.ok()) return;
    if (number == 44) {
      const Kept value = Kept::of(vm, valueAddr, textRoom(vm, valueAddr, kParamText));
      queue([title, value, status] {
        std::string t;
        if (!value.valid()) return;
        std::vector<char> buf(value.len, 0);
        value.read(buf.data(), value.len);
        t.assign(buf.data(), strnlen(buf.data(), buf.size()));
        if (!engineServices().dialogText(title, t)) return;
        writeText(value, t.substr(0, kParamText));
        setStatus(status, true);
      });
      return;
    }
    if (number == 31) {
      const Kept value = Kept::of(vm, valueAddr, 2);
      queue([title, value, status] {
        std::int16_t v = 0;
        if (!value.read(&v, 2) || !engineServices().dialogInt(title, v)) return;
        value.write(&v, 2);
        setStatus(status, true);
      });
      return;
    }
    const Kept value = Kept::of(vm, valueAddr, 8);
    if (number == 32) {
      long bit = 0;
      const double b = x.real(0, 3);
      if (!x.ok() || !whole(b, bit) || bit < 0 || bit > 7) return;   // bits outside 0..7 are refused
      const double v = x.real(1) != 0 ? 1.0 : 0.0;   // first made 0 or 1
      x.setReal(1, v);
      queue([title, value, status, bit] {
        double d = 0;
        if (!value.read(&d, 8)) return;
        bool on = d != 0;
        if (!engineServices().dialogBit(title, on, int(bit))) return;
        d = on ? 1.0 : 0.0;
        value.write(&d, 8);
        setStatus(status, true);
      });
      return;
    }
    queue([title, value, status] {
      double d = 0;
      if (!value.read(&d, 8) || !engineServices().dialogReal(title, d)) return;
      value.write(&d, 8);
      setStatus(status, true);
    });
    return;
  }
  case 49: {
    const std::string cmd = x.text(0);
    if (!x.ok()) return;
    queue([cmd] {
      if (!engineServices().startProgram(cmd)) engineServices().showMessageWith(50059, cmd);
    });
    return;
  }
  case 50: case 61: {
    const DialogOperand title = operandOf(x, 0);
    const std::int16_t count = x.integer(2);
    if (!x.ok() || count < 1 || count > kMaxVector) return;
    const Kept values = Kept::of(vm, x.slot(1), 8u * std::uint32_t(count));
    const Kept status = Kept::of(vm, x.slot(3), 2);
    if (!values.host) return;   // the array does not lie in one region: refused
    const bool matrix = number == 61;
    queue([title, values, status, count, matrix] {
      std::vector<double> v(std::size_t(count), 0.0);
      if (!values.read(v.data(), values.len)) return;
      if (!engineServices().dialogVector(title, v, matrix) || v.size() != std::size_t(count)) return;
      values.write(v.data(), values.len);
      setStatus(status, true);
    });
    return;
  }
  case 79: {
    const KeptText text = KeptText::of(vm, x.slot(0)), caption = KeptText::of(vm, x.slot(1));
    if (!x.ok()) return;
    queue([text, caption] { engineServices().messageBox(text.read(), caption.read()); });
    return;
  }
  case 82: {
    const std::string cmd = x.text(0, kHelperText), cls = x.text(1, kHelperText), req = x.text(2, kHelperText);
    if (!x.ok()) return;
    queue([cmd, cls, req] { startHelper(cls, req, cmd); });
    return;
  }
  case 88: {
    std::string text = x.text(0, 4096);
    const std::string prompt = x.text(1);
    const std::int16_t value = x.integer(2);
    const std::uint32_t textAddr = x.slot(0);
    const Kept status = Kept::of(vm, x.slot(3), 2);
    if (!x.ok()) return;
    setStatus(status, false);   // cleared first
    if (text.size() >= 48) text.clear();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const Kept target = Kept::of(vm, textAddr, textRoom(vm, textAddr, kInputText));
    queue([text, prompt, value, target, status]() mutable {
      const bool ok = engineServices().dialogInput(prompt, text, value);
      if (ok) writeText(target, text.substr(0, kInputText));
      setStatus(status, ok);
    });
    return;
  }
  default: return;
  }
}

// ---- windows and messages ----

void windowMessage(X& x, int number) {
  if (number == 37) {
    th_PostRedraw();
    return;
  }
  const std::string key = x.text(0);
  const std::uint16_t msg = x.word(1);
  if (!x.ok()) return;
  if (number == 85 || number == 86) {
    const std::int16_t w = x.integer(2);
    const std::int32_t l = x.longValue(3);
    if (!x.ok()) return;
    const std::string found = findWindow(key, false);
    plat::ipc::Message m;
    m.msg = msg;
    m.wParam = w;
    m.lParam = l;
    if (number == 85) {
      if (found.empty()) {
        x.setWord(5, 0);
        return;
      }
      const auto a = plat::ipc::send(found, m, kSendTimeoutMs);
      x.setLong(4, a ? std::int32_t(a->result) : 0);
      x.setWord(5, 1);
    } else {
      if (!found.empty()) plat::ipc::post(found, m);
      x.setLong(4, found.empty() ? 0 : 1);
    }
    return;
  }
  // 87 by class, 100 by title: the request as the message's text, the
  // answer's text back into s3.
  const std::string request = x.text(2, plat::ipc::kMaxText);
  const std::int16_t size = x.integer(4);
  if (!x.ok()) return;
  const std::string found = findWindow(key, number == 100);
  std::string answer;
  if (!found.empty()) {
    plat::ipc::Message m;
    m.msg = msg;
    m.text = request;
    if (const auto a = plat::ipc::send(found, m, kSendTimeoutMs)) answer = a->text;
  }
  x.setText(3, answer, size);
}

// ---- bitmaps ----

struct ListedBitmap {
  double id;
  disp::DibHandle dib;
};
std::vector<ListedBitmap>& bitmaps() {
  static std::vector<ListedBitmap> list;
  return list;
}
double gNextBitmapId = 1;

disp::DibHandle listed(double id) {
  for (const ListedBitmap& b : bitmaps())
    if (b.id == id) return b.dib;
  return nullptr;
}

// The file along the library paths: the first path where it opens for reading.
std::string findPicture(const std::string& name) {
  if (name.empty()) return {};
  for (const std::string& dir : dl_LibraryPaths()) {
    if (dir.empty()) continue;
    const std::string path = plat::path::join(dir, name);
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
      std::fclose(f);
      return path;
    }
  }
  return {};
}

void placeholder(int x, int y, int w, int h) {
  const int old = disp::gdi_Attributes().fillColor;
  disp::gdi_SetFillColor(7);
  const disp::Pt16 pts[5] = {{std::int16_t(x), std::int16_t(y)},
                             {std::int16_t(x + w), std::int16_t(y)},
                             {std::int16_t(x + w), std::int16_t(y + h)},
                             {std::int16_t(x), std::int16_t(y + h)},
                             {std::int16_t(x), std::int16_t(y)}};
  disp::gdi_FillArea(5, pts);
  disp::gdi_SetFillColor(old);
  disp::gdi_Text(x, y + 10, engineServices().languageString(101));
}

const std::uint8_t kRop3[15] = {0x00, 0x55, 0xC0, 0xBB, 0x33, 0x11, 0xF0, 0x5A,
                                0xFB, 0x88, 0xCC, 0x44, 0x66, 0xEE, 0xFF};
// The Windows codes of the operations, for devices that cannot be read back.
const std::uint32_t kRopCode[15] = {0x00000042, 0x00550009, 0x00C000CA, 0x00BB0226, 0x00330008,
                                    0x001100A6, 0x00F00021, 0x005A0049, 0x00FB0A09, 0x008800C6,
                                    0x00CC0020, 0x00440328, 0x00660046, 0x00EE0086, 0x00FF0062};

std::uint32_t rgbOf(disp::Rgb c) { return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; }

// Draws a picture combined with the destination by a raster operation: the
// destination is read back and combined here, so every operation draws alike
// on every device that can be read.
void drawWithRop(disp::DibHandle dib, int x, int y, int w, int h, int op) {
  if (op < 0 || op > 14) op = 10;
  if (op == 10) {
    disp::drw_DrawDibB(dib, x, y, w, h, disp::kSrcCopy);
    return;
  }
  disp::Device* dc = disp::gdi_CurrentWindow() ? disp::gdi_CurrentDevice() : nullptr;
  int sx = disp::gdi_ScaleX(x), sy = disp::gdi_ScaleY(y), sw = disp::gdi_ScaleX(w), sh = disp::gdi_ScaleY(h);
  int pw = 0, ph = 0;
  std::vector<std::uint32_t> dst;
  if (!dc || sw <= 0 || sh <= 0 || std::int64_t(sw) * sh > disp::kDibDecodeCap || !disp::dib_GetSize(dib, &pw, &ph) ||
      !dc->readPixels(sx, sy, sw, sh, dst) || dst.size() != std::size_t(sw) * std::size_t(sh)) {
    disp::drw_DrawDibB(dib, x, y, w, h, kRopCode[op]);
    return;
  }
  const std::vector<std::uint32_t> src = disp::dib_Pixels(dib);
  if (src.size() != std::size_t(pw) * std::size_t(ph)) return;
  const std::uint32_t pattern = rgbOf(disp::gdi_ColorIndexToRgb(disp::gdi_Attributes().fillColor));
  std::vector<std::uint32_t> out(dst.size());
  for (int r = 0; r < sh; ++r) {
    const std::size_t srow = std::size_t(std::int64_t(r) * ph / sh) * std::size_t(pw);
    for (int c = 0; c < sw; ++c) {
      const std::uint32_t s = src[srow + std::size_t(std::int64_t(c) * pw / sw)];
      const std::size_t i = std::size_t(r) * std::size_t(sw) + std::size_t(c);
      out[i] = xt_RasterOp(op, pattern, s, dst[i]);
    }
  }
  dc->drawBitmap(sx, sy, sw, sh, sw, sh, out.data(), disp::kSrcCopy, nullptr);
}

void bitmap(X& x, int number) {
  model::GateRecord* g = x.vm.currentGate();
  const std::int16_t ox = x.integer(0), oy = x.integer(1), w = x.integer(2), h = x.integer(3);
  const std::string file = x.text(4);
  if (!x.ok() || !g) return;
  const ExternProgramState& st = externState();
  const int px = g->X + ox - st.originX, py = g->Y + oy - st.originY;
  if (number == 8) {
    disp::DibHandle dib = nullptr;
    if (disp::drw_InitDibModule()) {
      const std::string path = findPicture(file);
      dib = path.empty() ? nullptr : disp::drw_LoadDib(path);
      if (dib) {
        disp::drw_DrawDib(dib, px, py, w, h);
        disp::drw_FreeDib(dib);
        return;
      }
    }
    placeholder(px, py, w, h);
    return;
  }
  const unsigned handleSlot = number == 116 ? 6 : number == 121 ? 8 : 11;
  const double handle = x.real(handleSlot);
  if (!x.ok()) return;
  disp::DibHandle dib = handle != 0 ? listed(handle) : nullptr;   // only handles listed here
  double id = dib ? handle : 0;
  if (handle == 0) {
    const std::string path = findPicture(file);
    if (!path.empty() && (dib = disp::drw_LoadDib(path))) {
      id = gNextBitmapId++;
      bitmaps().push_back({id, dib});
    }
  }
  x.setReal(handleSlot, id);
  if (!dib) {
    placeholder(px, py, w, h);
    return;
  }
  if (!disp::drw_InitDibModule()) return;
  auto byte = [&](unsigned k) {
    std::uint8_t b = 0;
    x.vm.rd(x.slot(k), &b, 1);
    return b;
  };
  if (number == 116) {
    const std::int16_t op = x.integer(5);
    if (x.ok()) drawWithRop(dib, px, py, w, h, op);
  } else if (number == 121) {
    const disp::Rgb key{byte(5), byte(6), byte(7)};
    if (x.ok()) disp::drw_DrawDibC(dib, px, py, w, h, key);
  } else {
    const disp::Rgb from{byte(5), byte(6), byte(7)}, to{byte(8), byte(9), byte(10)};
    if (x.ok()) disp::drw_DrawDibRecolored(dib, px, py, w, h, from, to);
  }
}

} // namespace

ParamTransferPort* xt_SetTargetPort(ParamTransferPort* p) {
  ParamTransferPort* old = gPort;
  gPort = p;
  return old;
}

std::string va_AddressText0(double cls, double index) {
  static const char* const kNames[13] = {"", "M", "E", "A", "DF", "DW", "DL", "DT", "PF", "PW", "B", "PL", "PT"};
  long c = 0, i = 0;
  if (!whole(cls + 0.5, c) || !whole(index, i) || c < 1 || c > 12 || i < 0) return {};
  if (c == 2 || c == 3) --i;
  if (i < 0) return {};
  return kNames[c] + std::to_string(i);
}

void xt_FreeExternBitmaps() {
  for (ListedBitmap& b : bitmaps()) disp::drw_FreeDib(b.dib);
  bitmaps().clear();
}
std::size_t xt_ExternBitmapCount() { return bitmaps().size(); }

std::uint32_t xt_RasterOp(int op, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  const std::uint8_t rop = kRop3[op >= 0 && op <= 14 ? op : 10];
  std::uint32_t out = 0;
  for (int i = 0; i < 8; ++i)
    if (rop & (1u << i)) out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return out & 0xFFFFFFu;
}

bool xt_CallOutsideExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock) {
  X x{vm, argBlock};
  switch (number) {
  case 9: case 10: case 12: case 13: case 14: case 15: case 17: case 18: case 19: case 20: case 21: case 22:
  case 34: case 45: case 46: case 52: case 53: case 54: case 55: case 63: case 65: case 66: case 80:
    targetValue(x, number);
    return true;
  case 29: case 30: case 31: case 32: case 44: case 49: case 50: case 61: case 79: case 82: case 88:
    deferred(x, number);
    return true;
  case 37: case 85: case 86: case 87: case 100:
    windowMessage(x, number);
    return true;
  case 8: case 116: case 121: case 122:
    bitmap(x, number);
    return true;
  default: return false;
  }
}

} // namespace engine
