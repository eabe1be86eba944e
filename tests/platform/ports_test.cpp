#include "platform/ports.h"

#include <gtest/gtest.h>

using namespace plat::io;

namespace {

TEST(Ports, SimulatedRecordsWritesAndServesScriptedReads) {
  SimulatedPorts p;
  p.scriptRead(0x379, 0x78);
  p.scriptRead(0x379, 0x80);
  p.setIdle(0x37A, 0x0C);
  EXPECT_EQ(p.inb(0x379), 0x78);
  EXPECT_EQ(p.inb(0x379), 0x80);
  EXPECT_EQ(p.inb(0x379), 0xFF);        // script used up, nothing written: floating bus
  EXPECT_EQ(p.inb(0x37A), 0x0C);        // idle value
  p.outb(0x378, 0x55);
  EXPECT_EQ(p.inb(0x378), 0x55);        // reads back the latch
  p.outw(0x42, 0x1234);
  EXPECT_EQ(p.inw(0x42), 0x1234);
  p.out(0x43, 1, 0x1B6);                // wider values are cut to the width
  EXPECT_EQ(p.writesTo(0x43), (std::vector<std::uint32_t>{0xB6}));
  auto log = p.accesses();
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log[0], (PortAccess{false, 0x379, 1, 0x78}));
  EXPECT_EQ(log[4], (PortAccess{true, 0x378, 1, 0x55}));
  EXPECT_EQ(log[6], (PortAccess{true, 0x42, 2, 0x1234}));
  p.clear();
  EXPECT_TRUE(p.accesses().empty());
}

// A program that drives the simulated backend for hours (a motor written
// every cycle) keeps a bounded record: the newest accesses, oldest first.
TEST(Ports, SimulatedRecordIsARingOfTheNewestAccesses) {
  SimulatedPorts p;
  const std::uint32_t total = 200000;
  for (std::uint32_t i = 0; i < total; ++i) p.out(0x42, 4, i);
  auto log = p.accesses();
  ASSERT_EQ(log.size(), SimulatedPorts::kLogLimit);
  EXPECT_EQ(log.front(), (PortAccess{true, 0x42, 4, total - std::uint32_t(SimulatedPorts::kLogLimit)}));
  EXPECT_EQ(log.back(), (PortAccess{true, 0x42, 4, total - 1}));
  EXPECT_EQ(p.inl(0x42), total - 1);    // the latch is kept whatever the record dropped
  EXPECT_EQ(p.accesses().back(), (PortAccess{false, 0x42, 4, total - 1}));
  EXPECT_EQ(p.writesTo(0x42).size(), SimulatedPorts::kLogLimit - 1);
}

TEST(Ports, ProcessBackendAndTones) {
  auto sim = std::make_shared<SimulatedPorts>();
  auto prev = setPortIo(sim);
  portIo()->outb(0x61, 3);
  EXPECT_EQ(sim->writesTo(0x61), (std::vector<std::uint32_t>{3}));
  setPortIo(prev);

  auto rec = std::make_shared<RecordingTone>();
  auto prevTone = setToneOut(rec);
  toneOut()->tone(440, 250);
  toneOut()->beep(0xFFFFFFFFu);
  EXPECT_EQ(rec->events(), (std::vector<ToneEvent>{{false, 440, 250, 0}, {true, 0, 0, 0xFFFFFFFFu}}));
  setToneOut(nullptr);
  toneOut()->tone(1000, 5000);          // the silent default returns at once
  setToneOut(prevTone);
}

TEST(Ports, MissingParallelPortIsAClearError) {
  std::string err;
  EXPECT_EQ(openParallelPort("/nonexistent/parport9", 0x378, &err), nullptr);
  EXPECT_NE(err.find("/nonexistent/parport9"), std::string::npos);
}

} // namespace
