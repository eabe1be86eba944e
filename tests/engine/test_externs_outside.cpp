// The externs that reach outside the diagram: target values through a fake
// target, deferred dialogs and programs through a scripted shell, window
// messages to endpoints, bitmaps with raster operations.
#include "extern_args.h"
#include "harness.h"
#include "private_runtime_dir.h"

#include "engine/externs.h"
#include "engine/paramxfer.h"
#include "engine/services.h"
#include "engine/workers.h"

#include "display/dib.h"
#include "display/gdi.h"
#include "display/recording_device.h"
#include "platform/endpoint.h"

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <unistd.h>

namespace engine::test {

namespace {

struct Target : ParamTransferPort {
  std::vector<std::string> log;
  bool dead = false;
  bool commOn() override { return true; }
  bool commOff() override { return true; }
  bool getTime(std::uint32_t& v) override { v = 0x00020003; log.push_back("TIME"); return !dead; }
  bool query(const std::string&) override { return !dead; }
  bool getReal(const std::string& n, float& v) override { log.push_back("get " + n); v = 2.5f; return !dead; }
  bool getCard(const std::string& n, std::uint16_t& v) override { log.push_back("get " + n); v = 700; return !dead; }
  bool getByte(const std::string& n, std::uint8_t& v) override { log.push_back("byte " + n); v = 200; return !dead; }
  bool getBit(const std::string& n, bool& v, int bit) override {
    log.push_back("bit " + n + "." + std::to_string(bit));
    v = true;
    return !dead;
  }
  bool getLong(const std::string& n, std::int32_t& v) override { log.push_back("get " + n); v = -3; return !dead; }
  bool getName(const std::string& n, std::string& v) override { log.push_back("get " + n); v = std::string(30, 'z'); return !dead; }
  bool setReal(const std::string& n, float v) override { log.push_back("set " + n + " " + std::to_string(v)); return !dead; }
  bool setCard(const std::string& n, std::uint16_t v) override { log.push_back("set " + n + " " + std::to_string(v)); return !dead; }
  bool setBool(const std::string& n, bool v) override { log.push_back("set " + n + (v ? " 1" : " 0")); return !dead; }
  bool setLongCard(const std::string& n, std::uint32_t v) override { log.push_back("set " + n + " " + std::to_string(v)); return !dead; }
  bool setText(const std::string& n, const std::string& v) override { log.push_back("set " + n + " " + v); return !dead; }
  bool setInt(const std::string& n, std::int8_t v) override { log.push_back("set " + n + " " + std::to_string(v)); return !dead; }
  bool queryText(const std::string& n, std::string& a) override { log.push_back("query " + n); a = "DW5=12"; return !dead; }
  void sleepMs(int) override {}
};

struct Online {
  Target target;
  explicit Online(bool on = true) {
    xt_SetTargetPort(&target);
    externState().onlineMode = on;
    externState().kind3Window = true;
  }
  ~Online() {
    xt_SetTargetPort(nullptr);
    externState().onlineMode = false;
    externState().kind3Window = false;
    externState().goOnlineAfterDownload = false;
  }
};

// The shell side: a deferred-call table of ten and scripted dialogs.
struct Shell : RecordingEngineServices {
  std::deque<std::function<void()>> queued;
  std::deque<std::string> answers;   // "" cancels; else the entered value as text
  bool queueDeferred(std::function<void()> call) override {
    if (queued.size() >= 10) return false;
    queued.push_back(std::move(call));
    return true;
  }
  void runQueued() {
    while (!queued.empty()) {
      auto f = std::move(queued.front());
      queued.pop_front();
      f();
    }
  }
  bool next(std::string& a) {
    if (answers.empty()) return false;
    a = answers.front();
    answers.pop_front();
    return !a.empty();
  }
  DialogOperand lastOperand;
  bool dialogReal(const DialogOperand& t, double& v) override {
    lastOperand = t;
    calls.push_back("real " + t.title + " " + std::to_string(v));
    std::string a;
    if (!next(a)) return false;
    v = std::stod(a);
    return true;
  }
  bool dialogInt(const DialogOperand& t, std::int16_t& v) override {
    calls.push_back("int " + t.title + " " + std::to_string(v));
    std::string a;
    if (!next(a)) return false;
    v = std::int16_t(std::stoi(a));
    return true;
  }
  bool dialogBit(const DialogOperand& t, bool& v, int bit) override {
    lastOperand = t;
    calls.push_back("bit " + t.title + " " + std::to_string(v) + " " + std::to_string(bit));
    std::string a;
    if (!next(a)) return false;
    v = a == "1";
    return true;
  }
  bool dialogText(const DialogOperand& t, std::string& v) override {
    calls.push_back("text " + t.title + " " + v);
    return next(v);
  }
  bool dialogVector(const DialogOperand& t, std::vector<double>& v, bool matrix) override {
    calls.push_back(std::string(matrix ? "matrix " : "vector ") + t.title + " " + std::to_string(v.size()));
    std::string a;
    if (!next(a)) return false;
    for (double& d : v) d += std::stod(a);
    return true;
  }
  bool dialogInput(const std::string& prompt, std::string& text, std::int16_t value) override {
    calls.push_back("input " + prompt + " [" + text + "] " + std::to_string(value));
    return next(text);
  }
};

struct ShellScope {
  Shell shell;
  EngineServices* prev;
  ShellScope() : prev(setEngineServices(&shell)) { xt_EnableThreads(); }
  ~ShellScope() {
    xt_DisableThreads();
    setEngineServices(prev);
  }
};

} // namespace

TEST(TargetExterns, ReadsAndWritesByAddressText) {
  Harness h;
  struct Row {
    int number;
    double cls, index, bit;
    const char* log;
  };
  const Row rows[] = {
      {10, 5, 7, 0, "get DW7"},    {13, 8, 2, 0, "get PF2"},       {14, 11, 4, 0, "get PL4"},
      {15, 2, 3, 0, "byte E2"},    {17, 9, 1, 0, "set PW1 9"},     {19, 5, 5, 3, "set DW5.3 1"},
      {21, 11, 2, 0, "set PL2 9"}, {65, 11, 2, 0, "set PL2 9"},    {46, 12, 3, 0, "set PT3 9"},
      {20, 8, 1, 0, "set PF1 9.000000"},
  };
  for (const Row& r : rows) {
    Online on;
    Args a;
    a.reals({r.cls, r.index, 0, r.bit});
    if (r.number == 13 || r.number == 20 || r.number == 65) a.real(9);
    else if (r.number == 14 || r.number == 63) a.longValue(0);
    else if (r.number == 46) a.text("9", 20);
    else a.integer(9);
    a.integer(-1);
    a.call(r.number);
    ASSERT_EQ(on.target.log.size(), 1u) << r.number;
    EXPECT_EQ(on.target.log[0], r.log) << r.number;
    EXPECT_EQ(std::int16_t(a.wordAt(2)), 1) << r.number;
    if (r.number == 10) { EXPECT_EQ(a.wordAt(1), 700); }
    if (r.number == 13) { EXPECT_EQ(a.realAt(1), 2.5); }
    if (r.number == 14) { EXPECT_EQ(a.longAt(1), -3); }
    if (r.number == 15) { EXPECT_EQ(a.wordAt(1), 200); }
  }
}

TEST(TargetExterns, OfflineLeavesTheValueAndClearsGoOnline) {
  Harness h;
  Online off(false);
  externState().goOnlineAfterDownload = true;
  Args r;
  r.reals({5, 7, 0, 0});
  r.integer(1234);
  r.integer(-1);
  r.call(10);
  EXPECT_EQ(r.wordAt(1), 1234);
  EXPECT_EQ(r.wordAt(2), 0);
  EXPECT_TRUE(externState().goOnlineAfterDownload);   // a reader keeps it
  Args w;
  w.reals({5, 7, 0, 0});
  w.integer(1);
  w.integer(-1);
  w.call(17);
  EXPECT_EQ(w.wordAt(2), 0);
  EXPECT_FALSE(externState().goOnlineAfterDownload);
  EXPECT_TRUE(off.target.log.empty());
}

TEST(TargetExterns, EmptyAddressFailedAnswerBitsTimeArraysAndQuery) {
  Harness h;
  Online on;
  {
    Args a;   // class 13 has no address text
    a.reals({13, 1, 0, 0});
    a.integer(5);
    a.integer(-1);
    a.call(10);
    EXPECT_EQ(a.wordAt(2), 0);
    EXPECT_EQ(a.wordAt(1), 5);
  }
  {
    Args a;   // a bit outside 0..7 is refused
    a.reals({5, 1, 0, 0});
    a.integer(0);
    a.real(8);
    a.integer(-1);
    a.call(12);
    EXPECT_EQ(a.wordAt(3), 0);
    Args b;
    b.reals({10, 1, 0, 0});
    b.integer(0);
    b.real(5);
    b.integer(-1);
    b.call(12);
    EXPECT_EQ(b.wordAt(3), 1);
    EXPECT_EQ(b.wordAt(1), 1);
  }
  {
    Args a;
    a.integer(0);
    a.integer(0);
    a.integer(-1);
    a.call(34);
    EXPECT_EQ(a.wordAt(0), 2);
    EXPECT_EQ(a.wordAt(1), 3);
    EXPECT_EQ(a.wordAt(2), 1);
  }
  on.target.log.clear();
  {
    Args a;   // count 0 sends nothing and leaves the status
    a.real(5);
    a.real(10);
    a.reals({1.5, 2.5, 3.5});
    a.integer(0);
    a.integer(-7);
    a.call(52);
    EXPECT_TRUE(on.target.log.empty());
    EXPECT_EQ(std::int16_t(a.wordAt(4)), -7);
    Args b;
    b.real(9);
    b.real(10);
    b.reals({1.5, 2.5, 3.5});
    b.integer(3);
    b.integer(-7);
    b.call(55);
    EXPECT_EQ(on.target.log, (std::vector<std::string>{"set PW10 1", "set PW11 2", "set PW12 3"}));
    EXPECT_EQ(b.wordAt(4), 1);
    on.target.dead = true;   // no answer: the first failure ends the writes
    on.target.log.clear();
    b.call(53);
    EXPECT_EQ(on.target.log.size(), 1u);
    EXPECT_EQ(b.wordAt(4), 0);
    on.target.dead = false;
  }
  {
    Args a;   // the text read is cut to its region (a buffer of 10 bytes)
    a.reals({12, 2, 0, 0});
    a.text("", 10);
    a.integer(-1);
    a.call(45);
    EXPECT_EQ(a.textAt(1), std::string(9, 'z'));
    Args q;
    q.reals({5, 5, 0, 0});
    q.text("", 40);
    q.integer(4);
    q.integer(-1);
    q.call(80);
    EXPECT_EQ(q.textAt(1), "DW5");
    EXPECT_EQ(q.wordAt(3), 1);
  }
  on.target.dead = true;
  {
    Args a;   // no answer: failure, never success
    a.reals({5, 7, 0, 0});
    a.integer(5);
    a.integer(-1);
    a.call(10);
    EXPECT_EQ(a.wordAt(2), 0);
    EXPECT_EQ(a.wordAt(1), 5);
  }
}

TEST(DeferredExterns, DialogsWriteBackWhenTheyRun) {
  Harness h;
  ShellScope s;
  Args a;
  a.reals({5, 3, 0, 0});
  a.real(1.5);
  a.integer(0);
  a.call(29);
  ASSERT_EQ(s.shell.queued.size(), 1u);
  EXPECT_EQ(a.realAt(1), 1.5);   // nothing before the call runs
  s.shell.answers = {"4.25"};
  s.shell.runQueued();
  EXPECT_EQ(a.realAt(1), 4.25);
  EXPECT_EQ(a.wordAt(2), 1);
  EXPECT_EQ(s.shell.calls.back(), "real DW3 1.500000");

  Args b;   // bit: the value made 0 or 1 first, the bit of element 3 passed
  b.reals({1, 4, 0, 6});
  b.real(7);
  b.integer(0);
  b.call(32);
  EXPECT_EQ(b.realAt(1), 1.0);
  s.shell.answers = {""};   // Cancel: nothing written
  s.shell.runQueued();
  EXPECT_EQ(b.wordAt(2), 0);
  EXPECT_EQ(s.shell.calls.back(), "bit M4 1 6");

  Args e;   // an input: the title counts from 0, the operand keeps the block's class and index
  e.reals({2, 5, 0, 3});
  e.real(0);
  e.integer(0);
  e.call(32);
  s.shell.answers = {"1"};
  s.shell.runQueued();
  EXPECT_EQ(e.realAt(1), 1.0);
  EXPECT_EQ(s.shell.calls.back(), "bit E4 0 3");
  EXPECT_EQ(s.shell.lastOperand.cls, 2);
  EXPECT_EQ(s.shell.lastOperand.index, 5);

  Args v;   // vector of three, each raised by the answer
  v.reals({5, 1, 0, 0});
  v.reals({1, 2, 3});
  v.integer(3);
  v.integer(0);
  v.call(61);
  s.shell.answers = {"10"};
  s.shell.runQueued();
  EXPECT_EQ(v.realAt(1, 2), 13.0);
  EXPECT_EQ(v.wordAt(3), 1);
  EXPECT_EQ(s.shell.calls.back(), "matrix DW1 3");

  Args t;   // text parameter: at most 40 characters written
  t.reals({12, 1, 0, 0});
  t.text("old", 60);
  t.integer(0);
  t.call(44);
  s.shell.answers = {std::string(55, 'q')};
  s.shell.runQueued();
  EXPECT_EQ(t.textAt(1), std::string(40, 'q'));
}

TEST(DeferredExterns, FullTableFlagOnlineAndUnmappedArgumentsDropTheCall) {
  Harness h;
  ShellScope s;
  for (int i = 0; i < 12; ++i) {
    Args a;
    a.reals({5, 3, 0, 0});
    a.real(1);
    a.integer(0);
    a.call(29);
  }
  EXPECT_EQ(s.shell.queued.size(), 10u);   // a full table drops the request
  s.shell.answers.assign(10, "2");
  s.shell.runQueued();   // their arguments are gone: nothing is written, nothing breaks
  EXPECT_EQ(s.shell.calls.size(), 0u);

  xt_DisableThreads();
  Args off;
  off.reals({5, 3, 0, 0});
  off.real(1);
  off.integer(0);
  off.call(29);
  EXPECT_TRUE(s.shell.queued.empty());
  xt_EnableThreads();
  externState().onlineMode = true;
  off.call(29);
  EXPECT_TRUE(s.shell.queued.empty());   // dialogs wait while online
  Args box;
  box.text("hello");
  box.text("caption");
  box.call(79);
  externState().onlineMode = false;
  ASSERT_EQ(s.shell.queued.size(), 1u);   // the message box does not
  std::memcpy(box.bytes(0).data(), "later", 5);   // read when it runs
  s.shell.runQueued();
  EXPECT_EQ(s.shell.calls.back(), "box caption later");
}

TEST(DeferredExterns, InputDialogProgramsAndTheirFailures) {
  Harness h;
  ShellScope s;
  Args a;
  a.text("abc   ", 48);
  a.text("Name?");
  a.integer(42);
  a.integer(1);
  a.call(88);
  EXPECT_EQ(a.wordAt(3), 0);   // cleared first
  s.shell.answers = {"xyz"};
  s.shell.runQueued();
  EXPECT_EQ(s.shell.calls.back(), "input Name? [abc] 42");
  EXPECT_EQ(a.textAt(0), "xyz");
  EXPECT_EQ(a.wordAt(3), 1);
  Args longText;   // 48 characters or more start empty
  longText.text(std::string(50, 'w'));
  longText.text("P");
  longText.integer(0);
  longText.integer(0);
  longText.call(88);
  s.shell.answers = {""};
  s.shell.runQueued();
  EXPECT_EQ(s.shell.calls.back(), "input P [] 0");
  EXPECT_EQ(longText.wordAt(3), 0);

  s.shell.startAnswer = false;
  Args p;
  p.text("noprog -x");
  p.call(49);
  s.shell.runQueued();
  EXPECT_EQ(s.shell.calls.back(), "msg 50059 noprog -x");
}

TEST(WindowExterns, MessagesAndAtomsReachEndpointsByClassOrTitle) {
  Harness h;
  ShellScope s;
  std::atomic<int> posted{0};
  std::mutex mu;
  std::vector<std::string> requests;
  const std::string cls = "ZxTest" + std::to_string(::getpid());
  auto ep = plat::ipc::Endpoint::create(plat::ipc::endpointName(cls, "Helper Window"), [&](const plat::ipc::Message& m) {
    plat::ipc::Answer a;
    if (m.msg == 77) a.result = m.wParam + m.lParam;
    if (m.msg == 78) ++posted;
    if (m.msg == 79 || m.msg == kHelperRequestMessage) {
      std::lock_guard g(mu);
      requests.push_back(std::to_string(m.msg) + " " + m.text);
      a.text = "answer to " + m.text;
    }
    return a;
  });
  ASSERT_TRUE(ep);
  {
    Args a;
    a.text(cls);
    a.integer(77);
    a.integer(5);
    a.longValue(100000);
    a.longValue(0);
    a.integer(0);
    a.call(85);
    EXPECT_EQ(a.wordAt(5), 1);
    EXPECT_EQ(a.longAt(4), 100005);
    Args none;
    none.text("NoSuchClass");
    none.integer(77);
    none.integer(5);
    none.longValue(1);
    none.longValue(-9);
    none.integer(9);
    none.call(85);
    EXPECT_EQ(none.wordAt(5), 0);
  }
  {
    Args a;
    a.text(cls);
    a.integer(78);
    a.integer(0);
    a.longValue(0);
    a.longValue(0);
    a.call(86);
    EXPECT_EQ(a.longAt(4), 1);
  }
  for (int number : {87, 100}) {
    Args a;
    a.text(number == 87 ? cls : "helper window");
    a.integer(79);
    a.text("ping");
    a.text("", 64);
    a.integer(12);
    a.call(number);
    EXPECT_EQ(a.textAt(3), "answer to p") << number;   // at most size - 1 characters
  }
  {
    Args none;
    none.text("Nobody");
    none.integer(79);
    none.text("ping");
    none.text("stale", 64);
    none.integer(12);
    none.call(100);
    EXPECT_EQ(none.textAt(3), "");
  }
  // 82: the helper's window exists: the request is sent, nothing started.
  Args helper;
  helper.text("helperprog");
  helper.text(cls);
  helper.text("open page");
  helper.call(82);
  s.shell.runQueued();
  {
    std::lock_guard g(mu);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "3024 open page");
  }
  for (const std::string& c : s.shell.calls) EXPECT_EQ(c.rfind("start", 0), std::string::npos) << c;
  ep->close();
  for (int i = 0; i < 100 && posted == 0; ++i) usleep(10000);
  EXPECT_EQ(posted.load(), 1);
  // No window: the program is started with the request; refused: 50059.
  s.shell.startAnswer = false;
  helper.call(82);
  s.shell.runQueued();
  ASSERT_GE(s.shell.calls.size(), 2u);
  EXPECT_EQ(s.shell.calls[s.shell.calls.size() - 2], "start helperprog open page");
  EXPECT_EQ(s.shell.calls.back(), "msg 50059 helperprog");
}

// ---- bitmaps ----

namespace {

// A device with pixels: drawBitmap stores what it is given into the table.
struct PixelDevice : disp::RecordingDevice {
  int w = 4, h = 4;
  std::vector<std::uint32_t> px = std::vector<std::uint32_t>(16, 0);
  bool readPixels(int x, int y, int rw, int rh, std::vector<std::uint32_t>& out) override {
    out.assign(std::size_t(rw) * std::size_t(rh), 0xFFFFFF);
    for (int r = 0; r < rh; ++r)
      for (int c = 0; c < rw; ++c)
        if (x + c >= 0 && x + c < w && y + r >= 0 && y + r < h) out[std::size_t(r * rw + c)] = px[std::size_t((y + r) * w + x + c)];
    return true;
  }
  void drawBitmap(int x, int y, int bw, int bh, int sw, int sh, const std::uint32_t* p, std::uint32_t rop,
                  const disp::Rgb* t) override {
    disp::RecordingDevice::drawBitmap(x, y, bw, bh, sw, sh, p, rop, t);
    if (bw != sw || bh != sh || rop != disp::kSrcCopy) return;
    for (int r = 0; r < bh; ++r)
      for (int c = 0; c < bw; ++c)
        if (x + c >= 0 && x + c < w && y + r >= 0 && y + r < h) px[std::size_t((y + r) * w + x + c)] = p[r * bw + c];
  }
};
struct Win : disp::DrawWindow {
  disp::Device* d = nullptr;
  disp::Device* beginPaint() override { return d; }
  void endPaint() override {}
  disp::Device* getDc() override { return d; }
  void releaseDc() override {}
};

// A 24-bit picture of 2 x 1 pixels.
std::vector<std::uint8_t> picture(std::uint32_t left, std::uint32_t right) {
  std::vector<std::uint8_t> b{'B', 'M'};
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  put(0, 4); put(0, 4); put(54, 4);
  put(40, 4); put(2, 4); put(1, 4); put(1, 2); put(24, 2);
  put(0, 4); put(0, 4); put(0, 4); put(0, 4); put(0, 4); put(0, 4);
  for (std::uint32_t c : {left, right}) put(c, 3);   // blue, green, red
  put(0, 2);                                         // row padding to 4 bytes
  return b;
}

struct BitmapScene {
  PixelDevice dev;
  Win win;
  std::string dir;
  BitmapScene() {
    disp::gdi_ResetAll();
    win.d = &dev;
    disp::gdi_SetCurrent(&dev, &win);
    dir = ::testing::TempDir() + "/xtbmp_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir + "/a");
    std::filesystem::create_directories(dir + "/b");
    const auto bytes = picture(0x00FF00, 0x123456);
    std::ofstream(dir + "/b/pic.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                              std::streamsize(bytes.size()));
    WorkerHooks hooks;
    const std::string d = dir;
    hooks.libraryPaths = [d] { return std::vector<std::string>{d + "/a", d + "/b"}; };
    th_SetHooks(hooks);
  }
  ~BitmapScene() {
    xt_FreeExternBitmaps();
    th_SetHooks({});
    disp::gdi_SetCurrent(nullptr, nullptr);
    std::filesystem::remove_all(dir);
  }
};

} // namespace

TEST(BitmapExterns, EveryRasterOperationAgainstAPixelTable) {
  const std::uint32_t P = 0xF0F0F0, S = 0xCCCCCC, D = 0xAAAAAA;
  const std::uint32_t expect[15] = {0x000000, 0x555555, 0xC0C0C0, 0xBBBBBB, 0x333333, 0x111111, 0xF0F0F0, 0x5A5A5A,
                                    0xFBFBFB, 0x888888, 0xCCCCCC, 0x444444, 0x666666, 0xEEEEEE, 0xFFFFFF};
  for (int op = 0; op < 15; ++op) EXPECT_EQ(xt_RasterOp(op, P, S, D), expect[op]) << op;
  EXPECT_EQ(xt_RasterOp(15, P, S, D), S);   // outside 0..14: copied
  EXPECT_EQ(xt_RasterOp(-1, P, S, D), S);
}

TEST(BitmapExterns, DrawnFromTheLibraryPathsCombinedAndKeptByHandle) {
  Harness h;
  BitmapScene scene;
  scene.dev.px.assign(16, 0x0F0F0F);
  h.gate.X = 1;
  h.gate.Y = 2;
  ASSERT_TRUE(h.loadStep("call x1:116\naddrof frame:0, const:ox\naddrof frame:4, const:oy\naddrof frame:8, const:w\n"
                         "addrof frame:12, const:h\naddrof frame:16, const:f\naddrof frame:20, in:0\n"
                         "addrof frame:24, out:0\nstop\nend",
                         "ox: int 0\noy: int 0\nw: int 2\nh: int 1\nf: text \"pic.bmp\""));
  h.setInWord(0, 12);   // SRCINVERT
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  const double handle = h.out[0];
  EXPECT_GT(handle, 0);
  EXPECT_EQ(xt_ExternBitmapCount(), 1u);
  EXPECT_EQ(scene.dev.px[2 * 4 + 1], 0x00FF00u ^ 0x0F0F0Fu);
  EXPECT_EQ(scene.dev.px[2 * 4 + 2], 0x123456u ^ 0x0F0F0Fu);
  EXPECT_EQ(scene.dev.px[2 * 4 + 0], 0x0F0F0Fu);   // outside the box: unchanged
  // Called again with its handle: drawn without the file.
  std::filesystem::remove(scene.dir + "/b/pic.bmp");
  h.setInWord(0, 1);   // DSTINVERT
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], handle);
  EXPECT_EQ(scene.dev.px[2 * 4 + 1], 0xFFFFFFu ^ 0x00FF00u ^ 0x0F0F0Fu);
  EXPECT_EQ(xt_ExternBitmapCount(), 1u);
  // A handle not listed here is refused: the placeholder, and the handle cleared.
  h.out[0] = 99;
  scene.dev.clear();
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.out[0], 0);
  EXPECT_FALSE(scene.dev.withPrefix("polygon").empty());
  ASSERT_FALSE(scene.dev.withPrefix("text").empty());
  EXPECT_NE(scene.dev.withPrefix("text")[0].find("Bitmap not found"), std::string::npos);
  xt_FreeExternBitmaps();
  EXPECT_EQ(xt_ExternBitmapCount(), 0u);
}

// Each of the fifteen operations through the extern onto a pixel table, with
// the fill colour as the pattern.
TEST(BitmapExterns, EveryOperationReachesThePixels) {
  Harness h;
  BitmapScene scene;
  ASSERT_TRUE(h.loadStep("call x1:116\naddrof frame:0, const:ox\naddrof frame:4, const:oy\naddrof frame:8, const:w\n"
                         "addrof frame:12, const:h\naddrof frame:16, const:f\naddrof frame:20, in:0\n"
                         "addrof frame:24, out:0\nstop\nend",
                         "ox: int 0\noy: int 0\nw: int 2\nh: int 1\nf: text \"pic.bmp\""));
  disp::gdi_SetFillColor(4);
  const disp::Rgb fill = disp::gdi_ColorIndexToRgb(4);
  const std::uint32_t P = std::uint32_t(fill.r) << 16 | std::uint32_t(fill.g) << 8 | fill.b;
  const std::uint32_t S = 0x00FF00, D = 0x5A3C96;   // S: the picture's left pixel
  const std::uint32_t M = 0xFFFFFF;
  const std::uint32_t expect[15] = {0,           ~D & M,       P & S,     (~S | D) & M, ~S & M,
                                    ~(S | D) & M, P,           P ^ D,     (P | ~S | D) & M, S & D,
                                    S,           S & ~D & M,   S ^ D,     S | D,        M};
  for (int op = 0; op < 15; ++op) {
    scene.dev.px.assign(16, D);
    h.setInWord(0, std::uint16_t(op));
    EXPECT_EQ(h.runStep(), 0) << vm().lastError();
    EXPECT_EQ(scene.dev.px[0], expect[op]) << "operation " << op;   // the picture's left pixel
    EXPECT_EQ(scene.dev.px[4], D) << "operation " << op;   // below the box: unchanged
  }
  EXPECT_EQ(xt_ExternBitmapCount(), 1u);   // loaded once, drawn by its handle since
}

TEST(BitmapExterns, AMissingFileDrawsThePlaceholder) {
  Harness h;
  BitmapScene scene;
  ASSERT_TRUE(h.loadStep("call x1:8\naddrof frame:0, const:ox\naddrof frame:4, const:oy\naddrof frame:8, const:w\n"
                         "addrof frame:12, const:h\naddrof frame:16, const:f\nstop\nend",
                         "ox: int 10\noy: int 20\nw: int 30\nh: int 40\nf: text \"none.bmp\""));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  const auto polys = scene.dev.withPrefix("polygon");
  ASSERT_EQ(polys.size(), 1u);
  EXPECT_NE(polys[0].find("10,20"), std::string::npos) << polys[0];
  EXPECT_NE(polys[0].find("40,60"), std::string::npos) << polys[0];
  const auto texts = scene.dev.withPrefix("text");
  ASSERT_EQ(texts.size(), 1u);
  // The caption at x, y + 10 (the drawing layer places it by its text height).
  EXPECT_EQ(texts[0].rfind("text 10,", 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find("Bitmap not found"), std::string::npos) << texts[0];
}

} // namespace engine::test
