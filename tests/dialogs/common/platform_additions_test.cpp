// The platform additions of the dialog kit: module start and end in the
// loader, window targets and their messages, the list of modal runs.
#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/ports.h"
#include "platform/uisink.h"
#include "platform/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <linux/input.h>
#include <unistd.h>

namespace {
std::string lib(const char* name) { return std::string(KIT_TESTLIBS) + "/" + name; }
int envInt(const char* n) {
  const char* v = std::getenv(n);
  return v ? std::atoi(v) : 0;
}
} // namespace

TEST(ModuleStart, InitAfterFirstLoadExitBeforeLastUnload) {
  unsetenv("ZERLO_MODLIB_INITS");
  unsetenv("ZERLO_MODLIB_EXITS");
  plat::lib::Handle a = plat::lib::load(lib("MODLIB.DLL"));
  ASSERT_TRUE(a) << plat::lib::lastError();
  plat::lib::Handle b = plat::lib::load(lib("MODLIB.DLL"));
  ASSERT_EQ(a, b);
  EXPECT_EQ(envInt("ZERLO_MODLIB_INITS"), 1);
  plat::lib::unload(b);
  EXPECT_EQ(envInt("ZERLO_MODLIB_EXITS"), 0);
  plat::lib::unload(a);
  EXPECT_EQ(envInt("ZERLO_MODLIB_EXITS"), 1);
}

TEST(ModuleStart, InitAnsweringZeroRefusesTheLoad) {
  unsetenv("ZERLO_MODLIB_INITS");
  EXPECT_EQ(plat::lib::load(lib("MODLIBREFUSE.DLL")), nullptr);
  EXPECT_NE(plat::lib::lastError().find("refused"), std::string::npos) << plat::lib::lastError();
  EXPECT_EQ(plat::lib::load(lib("MODLIBREFUSE.DLL")), nullptr);
  EXPECT_EQ(envInt("ZERLO_MODLIB_INITS"), 1);  // unloaded in between: started afresh, refused again
}

namespace {
struct Recorder : plat::win::WindowTarget {
  std::atomic<int> posted{0};
  std::uint32_t lastMsg = 0;
  void* widget() const override { return const_cast<Recorder*>(this); }
  bool post(std::uint32_t msg, std::int64_t, std::int64_t) override {
    lastMsg = msg;
    ++posted;
    return true;
  }
  std::int64_t send(std::uint32_t msg, std::int64_t w, std::int64_t l) override { return msg + w + l; }
};
} // namespace

TEST(Windows, RegisteredWindowsAndAttachedEndpointsGetMessagesInProcess) {
  auto rec = std::make_shared<Recorder>();
  plat::handles::Id id = plat::win::registerWindow(rec);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(plat::win::target(id), rec);
  EXPECT_TRUE(plat::win::postMessage(id, 1224, 0, 5));
  EXPECT_EQ(rec->lastMsg, 1224u);
  EXPECT_EQ(plat::win::sendMessage(id, 1000, 2, 3).value_or(-1), 1005);
  plat::win::unregisterWindow(id);
  EXPECT_EQ(plat::win::target(id), nullptr);
  EXPECT_FALSE(plat::win::postMessage(id, 1, 0, 0));
  EXPECT_FALSE(plat::win::sendMessage(0, 1, 0, 0));

  // An endpoint of this process: with a window attached the message stays in-process.
  std::atomic<int> viaSocket{0};
  auto ep = plat::ipc::Endpoint::create(plat::ipc::endpointName("KitTest", std::to_string(::getpid())),
                                        [&](const plat::ipc::Message& m) {
                                          ++viaSocket;
                                          return plat::ipc::Answer{std::int64_t(m.msg) * 2, ""};
                                        });
  ASSERT_TRUE(ep);
  EXPECT_EQ(plat::win::sendMessage(ep->id(), 21, 0, 0).value_or(-1), 42);
  EXPECT_EQ(viaSocket.load(), 1);
  ASSERT_TRUE(plat::win::attachToEndpoint(ep->id(), rec));
  EXPECT_EQ(plat::win::sendMessage(ep->id(), 1224, 0, 1).value_or(-1), 1225);
  EXPECT_TRUE(plat::win::postMessage(ep->id(), 1224, 0, 0));
  EXPECT_EQ(viaSocket.load(), 1);
  plat::win::detachFromEndpoint(ep->id());
  EXPECT_TRUE(plat::win::postMessage(ep->id(), 7, 0, 0));
  for (int i = 0; i < 200 && viaSocket.load() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(viaSocket.load(), 2);
}

TEST(ModalRuns, CancelEndsEveryRegisteredRun) {
  int ended = 0;
  std::uint64_t a = 0, b = 0;
  a = plat::ui::addModalRun([&] { ++ended; plat::ui::removeModalRun(a); });
  b = plat::ui::addModalRun([&] { ++ended; plat::ui::removeModalRun(b); });
  EXPECT_EQ(plat::ui::modalRunCount(), 2u);
  EXPECT_EQ(plat::ui::cancelModalRuns(), 2);
  EXPECT_EQ(ended, 2);
  EXPECT_EQ(plat::ui::modalRunCount(), 0u);
  EXPECT_EQ(plat::ui::cancelModalRuns(), 0);
}

TEST(HelpOperation, DefaultSinkAnswersFalse) {
  plat::ui::ScopedSink scope(nullptr);
  plat::ui::HelpRequest r;
  r.file = "/x/ZERLO.HLP";
  EXPECT_FALSE(plat::ui::help(r));
}

TEST(SpeakerTone, WritesToneEventsToTheDeviceAndSleepsWithout) {
  namespace fs = std::filesystem;
  fs::path dev = fs::temp_directory_path() / ("speaker-" + std::to_string(::getpid()));
  { std::ofstream(dev, std::ios::binary); }
  auto speaker = plat::io::makeSpeakerTone(dev.string());
  auto t0 = std::chrono::steady_clock::now();
  speaker->tone(440, 30);
  speaker->tone(0, 30);  // nothing
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(30));
  speaker.reset();
  std::ifstream in(dev, std::ios::binary);
  input_event ev[3] = {};
  in.read(reinterpret_cast<char*>(ev), sizeof ev);
  ASSERT_EQ(in.gcount(), std::streamsize(2 * sizeof(input_event)));
  EXPECT_EQ(ev[0].type, EV_SND);
  EXPECT_EQ(ev[0].code, SND_TONE);
  EXPECT_EQ(ev[0].value, 440);
  EXPECT_EQ(ev[1].value, 0);
  fs::remove(dev);

  // No device: the duration still passes.
  auto plain = plat::io::makeSpeakerTone((dev / "missing").string());
  t0 = std::chrono::steady_clock::now();
  plain->tone(1000, 20);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(20));
}
