// The online server library against a scripted fake target.
#include "fake_target.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::vector<int> g_progress;
std::mutex g_progressMu;
void recordProgress(int p) {
  std::lock_guard<std::mutex> lk(g_progressMu);
  g_progress.push_back(p);
}

class Onl32 : public ::testing::Test {
protected:
  void SetUp() override {
    fake::g_target = &target;
    fake::g_reader = &reader;
    {
      std::lock_guard<std::mutex> lk(g_progressMu);
      g_progress.clear();
    }
    dir = std::filesystem::path(::testing::TempDir()) /
          ("onl32_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
           std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    server = std::make_unique<onl32::OnlineServer>(loader, fake::fastTiming());
    server->setMessageHook([this](int id, const std::string&) {
      std::lock_guard<std::mutex> lk(msgMu);
      messages.push_back(id);
    });
  }
  void TearDown() override {
    server.reset();
    fake::g_target = nullptr;
    fake::g_reader = nullptr;
    std::filesystem::remove_all(dir);
  }
  bool init(std::uint32_t softReset = 2) {
    auto rec = fake::initRecord(&recordProgress, softReset);
    return server->initOnline(&rec) != 0;
  }
  // IDENT so that a description is open and the usable size is the target's.
  void ident() {
    std::string p = (dir / "target.ddf").string();
    ASSERT_EQ(fake::runToEnd([&](int k) { return server->loadDDF(p.c_str(), k); }), OD01_DONE);
  }
  bool sawMessage(int id) {
    std::lock_guard<std::mutex> lk(msgMu);
    return std::find(messages.begin(), messages.end(), id) != messages.end();
  }
  std::string file(const std::string& name) {
    std::ifstream f(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  fake::Target target;
  fake::Reader reader;
  std::shared_ptr<fake::Loader> loader = std::make_shared<fake::Loader>();
  std::unique_ptr<onl32::OnlineServer> server;
  std::filesystem::path dir;
  std::mutex msgMu;
  std::vector<int> messages;
};

// ---- start and end -----------------------------------------------------------

TEST_F(Onl32, InitRefusesWrongRecordSizeAndLoadsNothing) {
  auto rec = fake::initRecord();
  rec.size = 33;
  EXPECT_EQ(server->initOnline(&rec), 0);
  EXPECT_EQ(loader->loads, 0);
  EXPECT_EQ(server->initOnline(nullptr), 0);
}

TEST_F(Onl32, InitFailsOnMissingOperationsAndReleasesEverything) {
  for (const char* name : {"OpenServiceChannel", "WriteServiceChannel", "DDF01_BuildResourceRequest"}) {
    SCOPED_TRACE(name);
    loader->missing = {name};
    auto rec = fake::initRecord();
    EXPECT_EQ(server->initOnline(&rec), 0);
    EXPECT_FALSE(server->initialised());
    EXPECT_FALSE(server->pollingThreadAlive());
    EXPECT_EQ(loader->loads, loader->unloads);
  }
}

TEST_F(Onl32, InitOpensChannelAndDeinitJoinsPollingThread) {
  ASSERT_TRUE(init());
  EXPECT_EQ(target.opens, 1);
  EXPECT_EQ(server->usableSize(), 2000u);
  EXPECT_TRUE(server->pollingThreadAlive());
  server->deInitOnline();
  EXPECT_FALSE(server->pollingThreadAlive());
  EXPECT_EQ(target.closes, 1);
  EXPECT_FALSE(server->initialised());
}

// ---- operation codes ---------------------------------------------------------

TEST_F(Onl32, StartQueryAndCancelFollowTheCallKinds) {
  ASSERT_TRUE(init());
  std::uint8_t mode = 0;
  // Nothing ran yet: cancel and query answer the last result (0).
  EXPECT_EQ(server->getMode(&mode, OD01_KIND_CANCEL), OD01_DONE);
  EXPECT_EQ(server->getMode(&mode, 99), OD01_FAILED);

  target.busyForever = true;                 // keeps the operation running
  EXPECT_EQ(server->getMode(&mode, OD01_KIND_START), OD01_RUNNING);
  EXPECT_EQ(server->getError(&mode, OD01_KIND_START), OD01_FAILED);   // another runs
  EXPECT_EQ(server->getMode(&mode, OD01_KIND_QUERY), OD01_RUNNING);
  EXPECT_EQ(server->getMode(&mode, OD01_KIND_CANCEL), OD01_RUNNING);
  int r = OD01_RUNNING;
  for (int i = 0; i < 5000 && r == OD01_RUNNING; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r = server->getMode(&mode, OD01_KIND_QUERY);
  }
  EXPECT_EQ(r, OD01_CANCELLED);
  target.busyForever = false;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMode(&mode, k); }), OD01_DONE);
  EXPECT_EQ(mode, 4);
}

TEST_F(Onl32, ModeAndErrorChangesKeepTheOtherPart) {
  ASSERT_TRUE(init());
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMode(7, k); }), OD01_DONE);
  EXPECT_EQ(target.mode, 7);
  EXPECT_EQ(target.err, 64);
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setError(1, k); }), OD01_DONE);
  EXPECT_EQ(target.mode, 7);
  EXPECT_EQ(target.err, 1);
  std::uint8_t word[2] = {};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getRealTimeErrorWord(word, k); }), OD01_DONE);
  EXPECT_EQ(word[0], 0x12);
  EXPECT_EQ(word[1], 0x34);
  char text[8];
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getKernelVersion(text, sizeof text, k); }), OD01_DONE);
  EXPECT_STREQ(text, "vFAKE-K");
}

TEST_F(Onl32, ExchangeTimeOutsAndErrorsFail) {
  ASSERT_TRUE(init());
  std::uint8_t mode = 0;
  target.neverAnswer = true;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMode(&mode, k); }), OD01_FAILED);
  EXPECT_TRUE(sawMessage(onl32::kMsgTimeOut));
  target.neverAnswer = false;
  target.writeResult = 1;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMode(&mode, k); }), OD01_FAILED);
  EXPECT_TRUE(sawMessage(onl32::kMsgCommError));
  target.writeResult = 0;
  target.busyWrites = 5;                     // busy a few times, then taken
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMode(&mode, k); }), OD01_DONE);
}

// ---- IDENT and RESOURCES -----------------------------------------------------

TEST_F(Onl32, IdentClampsTheAnnouncedUsableSize) {
  struct Case { int version; std::uint32_t announced; std::uint32_t usable; int result; };
  for (Case c : {Case{301, 1000, 1000, OD01_DONE}, Case{301, 5000, 2000, OD01_DONE}, Case{250, 5000, 900, OD01_DONE},
                 Case{300, 0, 0, OD01_FAILED}}) {
    SCOPED_TRACE(c.announced);
    ASSERT_TRUE(init());
    target.version = c.version;
    target.announced = c.announced;
    std::filesystem::remove(dir / "t.ddf");
    std::string p = (dir / "t.ddf").string();
    EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDDF(p.c_str(), k); }), c.result);
    EXPECT_EQ(server->usableSize(), c.usable);
    if (c.result == OD01_DONE) {
      EXPECT_TRUE(reader.opened);
      EXPECT_EQ(reader.openedPath, p);
      // Version 3 files hold the full kernel information (request 33), older the short one.
      EXPECT_EQ(file("t.ddf").size(), c.version >= 300 ? 100u : 21u);
    } else {
      // No room announced: nothing more is sent and no file is written.
      EXPECT_FALSE(std::filesystem::exists(dir / "t.ddf"));
    }
    server->deInitOnline();
  }
}

TEST_F(Onl32, OldKernelNeverGetsRequestsAbove900Bytes) {
  ASSERT_TRUE(init());
  target.version = 210;
  ident();
  std::vector<std::uint8_t> data(3000, 0x5A);
  OD01_MemoryRecord m{target.memBase, static_cast<std::uint16_t>(data.size()), nullptr, data.data()};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMemory(&m, k); }), OD01_DONE);
  for (auto& r : target.requests) EXPECT_LE(r.size(), 900u);
}

TEST_F(Onl32, ResourcesNeedsDescriptionVersion300) {
  ASSERT_TRUE(init());
  std::string res = (dir / "x.res").string(), ddf = (dir / "r.ddf").string();
  // No description open: fails without any exchange.
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setResourceAndLoadDDF(res.c_str(), ddf.c_str(), k); }),
            OD01_FAILED);
  EXPECT_TRUE(target.requests.empty());
  ident();
  reader.version = 299;
  std::size_t before = target.requests.size();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setResourceAndLoadDDF(res.c_str(), ddf.c_str(), k); }),
            OD01_FAILED);
  EXPECT_EQ(target.requests.size(), before);
  reader.version = 300;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setResourceAndLoadDDF(res.c_str(), ddf.c_str(), k); }),
            OD01_DONE);
  auto r32 = target.requestsWithCode(32);
  ASSERT_EQ(r32.size(), 1u);
  EXPECT_EQ(r32[0].size(), 31u);
  EXPECT_EQ(file("r.ddf"), std::string(100, '\x20'));
}

// ---- memory ------------------------------------------------------------------

TEST_F(Onl32, SetMemoryPiecesFollowEachOther) {
  ASSERT_TRUE(init());
  target.announced = 108;   // pieces of 100 bytes
  ident();
  struct Case { std::size_t count; std::size_t pieces; };
  for (Case c : {Case{100, 1}, Case{101, 2}, Case{250, 3}}) {
    SCOPED_TRACE(c.count);
    target.requests.clear();
    std::vector<std::uint8_t> data(c.count);
    for (std::size_t i = 0; i < c.count; ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    OD01_MemoryRecord m{target.memBase + 16, static_cast<std::uint16_t>(c.count), nullptr, data.data()};
    EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMemory(&m, k); }), OD01_DONE);
    auto w = target.requestsWithCode(5);
    ASSERT_EQ(w.size(), c.pieces);
    std::uint32_t expect = target.memBase + 16;
    for (auto& r : w) {
      std::uint32_t a = r[1] | (r[2] << 8) | (r[3] << 16) | (static_cast<std::uint32_t>(r[4]) << 24);
      EXPECT_EQ(a, expect);
      expect += static_cast<std::uint32_t>(r.size() - 5);
    }
    EXPECT_EQ(0, std::memcmp(target.mem.data() + 16, data.data(), c.count));
  }
}

TEST_F(Onl32, MemoryOperationsRefuseWithoutRoomOrData) {
  ASSERT_TRUE(init());
  std::uint8_t byte = 1;
  OD01_MemoryRecord zero{target.memBase, 0, nullptr, &byte};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMemory(&zero, k); }), OD01_FAILED);
  OD01_MemoryRecord nodata{target.memBase, 4, nullptr, nullptr};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMemory(&nodata, k); }), OD01_FAILED);
  EXPECT_TRUE(target.requests.empty());
  // A usable size of 8 leaves no byte per piece: both directions fail at once
  // (never a piece of 0 bytes or one that wraps around).
  for (std::uint32_t announced : {6u, 7u, 8u}) {
    SCOPED_TRACE(announced);
    target.announced = announced;
    ident();
    std::size_t before = target.requests.size();
    OD01_MemoryRecord w{target.memBase, 4, nullptr, &byte};
    EXPECT_EQ(fake::runToEnd([&](int k) { return server->setMemory(&w, k); }), OD01_FAILED);
    std::string p = (dir / "m.bin").string();
    OD01_MemoryRecord r{target.memBase, 4, p.c_str(), nullptr};
    EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMemory(&r, k); }), OD01_FAILED);
    EXPECT_EQ(target.requests.size(), before);
  }
}

TEST_F(Onl32, GetMemoryWritesExactlyTheAskedBytes) {
  ASSERT_TRUE(init());
  target.announced = 58;   // pieces of 50
  ident();
  for (std::size_t i = 0; i < 1000; ++i) target.mem[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::uint16_t count : {0, 1, 50, 51, 777}) {
    SCOPED_TRACE(count);
    std::string p = (dir / "mem.bin").string();
    OD01_MemoryRecord r{target.memBase + 3, count, p.c_str(), nullptr};
    EXPECT_EQ(fake::runToEnd([&](int k) { return server->getMemory(&r, k); }), OD01_DONE);
    std::string got = file("mem.bin");
    ASSERT_EQ(got.size(), count);
    EXPECT_EQ(0, std::memcmp(got.data(), target.mem.data() + 3, count));
  }
}

// ---- text command and file transfer ------------------------------------------

TEST_F(Onl32, CommandAnswersAreBoundedAndTooLongTextsNotSent) {
  ASSERT_TRUE(init());
  target.announced = 300;
  ident();
  char answer[16];
  std::memset(answer, '#', sizeof answer);
  OD01_TextRecord t{"long", answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getCommandResponse(&t, k); }), OD01_DONE);
  EXPECT_EQ(std::string(answer), std::string(15, 'x'));
  OD01_TextRecord e{"hi", answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getCommandResponse(&e, k); }), OD01_DONE);
  EXPECT_STREQ(answer, "ECHO:hi");
  // text length + 2 must stay below the usable size.
  std::size_t before = target.requests.size();
  std::string tooLong(298, 'a');
  OD01_TextRecord l{tooLong.c_str(), answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getCommandResponse(&l, k); }), OD01_FAILED);
  EXPECT_EQ(target.requests.size(), before);
  std::string fits(297, 'a');
  OD01_TextRecord f{fits.c_str(), answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getCommandResponse(&f, k); }), OD01_DONE);
}

TEST_F(Onl32, FileTransferSendsPiecesAndReportsItsEnd) {
  ASSERT_TRUE(init());
  target.announced = 300;
  ident();
  std::string src = (dir / "src.bin").string();
  std::string content(1000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 13);
  ASSERT_TRUE(plat::path::writeFileAtomic(src, content));
  char answer[128] = {};
  std::string cmd = "6 DEST.BIN " + src;
  OD01_TextRecord t{cmd.c_str(), answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->ftpWriteFile(&t, k); }), OD01_DONE);
  EXPECT_STREQ(answer, "OK");
  EXPECT_EQ(target.files["DEST.BIN"], content);
  auto pieces = target.requestsWithCode(35);
  ASSERT_EQ(pieces.size(), 4u);                 // 300 - 8 - 14 = 278 bytes each
  for (auto& p : pieces) EXPECT_LE(p.size(), 300u);
  EXPECT_EQ(pieces[0][8 + 4], 'w');
  EXPECT_EQ(pieces[1][8 + 4], 'a');

  // The target refuses a piece: the transfer stops with its text.
  target.ftpAnswer = "Disk full";
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->ftpWriteFile(&t, k); }), OD01_FAILED);
  EXPECT_STREQ(answer, "Disk full");

  // A missing source.
  std::string bad = "6 X " + (dir / "none.bin").string();
  OD01_TextRecord b{bad.c_str(), answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->ftpWriteFile(&b, k); }), OD01_FAILED);
  EXPECT_STREQ(answer, "Error> Can't found source file");

  // A name so long that no data byte fits: refused, never a wrapped piece size.
  target.ftpAnswer = "OK";
  std::size_t before = target.requests.size();
  std::string longName = "6 " + std::string(290, 'N') + " " + src;
  OD01_TextRecord n{longName.c_str(), answer, sizeof answer};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->ftpWriteFile(&n, k); }), OD01_FAILED);
  EXPECT_EQ(target.requests.size(), before);

  // Cancelled while a piece waits for the target: "ESC".
  target.busyForever = true;
  EXPECT_EQ(server->ftpWriteFile(&t, OD01_KIND_START), OD01_RUNNING);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(server->ftpWriteFile(&t, OD01_KIND_CANCEL), OD01_RUNNING);
  int r = OD01_RUNNING;
  for (int i = 0; i < 5000 && r == OD01_RUNNING; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r = server->ftpWriteFile(&t, OD01_KIND_QUERY);
  }
  EXPECT_EQ(r, OD01_CANCELLED);
  EXPECT_STREQ(answer, "ESC");
  target.busyForever = false;

  // The read direction always fails and leaves the buffer as it is.
  std::strcpy(answer, "keep");
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->ftpReadFile(&t, k); }), OD01_FAILED);
  EXPECT_STREQ(answer, "keep");
}

// ---- download ------------------------------------------------------------------

std::string dlf(const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& blocks) {
  std::string s(12, '\0');
  auto u16 = [&](std::uint16_t v) { s.push_back(static_cast<char>(v)); s.push_back(static_cast<char>(v >> 8)); };
  auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i))); };
  u16(static_cast<std::uint16_t>(blocks.size()));
  for (auto& b : blocks) {
    u32(b.first);
    u16(static_cast<std::uint16_t>(b.second.size()));
    s.append(b.second.begin(), b.second.end());
    u32(0xFFFF);
  }
  return s;
}

TEST_F(Onl32, DownloadReportsProgressWritesIdentAndStarts) {
  ASSERT_TRUE(init());
  target.announced = 508;   // pieces of 500
  ident();
  std::vector<std::uint8_t> code(1200), table(64);
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 3 + 1);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(0xF0 ^ i);
  std::string path = (dir / "prog.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(path, dlf({{target.memBase + 0x1000, code}, {target.memBase + 0x40, table}})));

  OD01_DownloadRecord rec{};
  rec.path = path.c_str();
  rec.hasIdent = 1;
  std::strcpy(rec.info.name, "MY PROG");
  rec.info.day = 10; rec.info.month = 12; rec.info.year = 26;
  rec.info.hour = 13; rec.info.minute = 5; rec.info.second = 9;
  rec.info.size = 123456; rec.info.check = 0xAB;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_DONE);
  EXPECT_EQ(target.mode, 1);
  EXPECT_EQ(0, std::memcmp(target.mem.data() + 0x1000, code.data(), code.size()));
  EXPECT_EQ(0, std::memcmp(target.mem.data() + 0x40, table.data(), table.size()));

  std::vector<int> p;
  {
    std::lock_guard<std::mutex> lk(g_progressMu);
    p = g_progress;
  }
  ASSERT_GE(p.size(), 8u);
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[1], 3);
  EXPECT_EQ(p.back(), 99);
  EXPECT_NE(std::find(p.begin(), p.end(), 84), p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), 88), p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), 92), p.end());
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
  for (int v : p) EXPECT_LE(v, 99);

  // The first request set the load mode, the pieces stayed within the size.
  auto w = target.requestsWithCode(5);
  EXPECT_EQ(w.size(), 3u + 1u + 1u);       // 1200 in 3 pieces, the table, the ident block
  for (auto& r : w) EXPECT_LE(r.size(), 508u);

  OD01_ProgInfo info{};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getProgInfo(&info, k); }), OD01_DONE);
  EXPECT_STREQ(info.name, "MY PROG");
  EXPECT_EQ(info.day, 10);
  EXPECT_EQ(info.second, 9);
  EXPECT_EQ(info.size, 123456u);
  EXPECT_EQ(info.check, 0xAB);
}

// A target that placed its memory anew after the description was fetched
// (the interface opened, other resources) refuses the download before its
// mode changes: nothing is written, and the message says why. Once the
// description is fetched again the same download goes through.
TEST_F(Onl32, DownloadForAnotherDescriptionIsRefusedBeforeTheTargetChanges) {
  ASSERT_TRUE(init());
  ident();
  std::vector<std::uint8_t> code(300, 0x11);
  std::string path = (dir / "prog.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(path, dlf({{target.memBase + 0x1000, code}})));
  OD01_DownloadRecord rec{};
  rec.path = path.c_str();
  target.descriptionMark = 7;
  const std::uint8_t before = target.mode;
  const std::size_t requestsBefore = target.requests.size();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_FAILED);
  EXPECT_TRUE(sawMessage(onl32::kMsgOtherDescription));
  EXPECT_EQ(target.mode, before);
  EXPECT_TRUE(target.requestsWithCode(1).empty());
  EXPECT_TRUE(target.requestsWithCode(5).empty());
  for (std::size_t i = requestsBefore; i < target.requests.size(); ++i)
    EXPECT_TRUE(target.requests[i][0] == 2 || target.requests[i][0] == 33);
  EXPECT_EQ(target.mem[0x1000], 0);
  ident();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_DONE);
  EXPECT_EQ(target.mem[0x1000], 0x11);
}

TEST_F(Onl32, DownloadFailures) {
  ASSERT_TRUE(init(1));
  ident();
  OD01_DownloadRecord rec{};
  // An empty file fails before the mode is changed.
  std::string empty = (dir / "empty.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(empty, ""));
  rec.path = empty.c_str();
  std::size_t before = target.requests.size();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_FAILED);
  EXPECT_EQ(target.requests.size(), before);
  // A missing file.
  std::string none = (dir / "none.dlf").string();
  rec.path = none.c_str();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_FAILED);
  EXPECT_TRUE(sawMessage(onl32::kMsgFileNotFound));
  // A truncated block.
  std::string cut = dlf({{target.memBase, std::vector<std::uint8_t>(40, 1)}});
  cut.resize(cut.size() - 10);
  std::string cutPath = (dir / "cut.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(cutPath, cut));
  rec.path = cutPath.c_str();
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_FAILED);
  EXPECT_TRUE(sawMessage(onl32::kMsgReadFile));
  // A target that stays in load mode past the time-out: failed, not done.
  std::string ok = (dir / "ok.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(ok, dlf({{target.memBase, {1, 2, 3}}})));
  rec.path = ok.c_str();
  target.modeAfterStart = 6;
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_FAILED);
  EXPECT_EQ(target.mode, 6);
}

TEST_F(Onl32, ProgInfoBlockOnlyWhereItFits) {
  ASSERT_TRUE(init());
  ident();
  std::string path = (dir / "p.dlf").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(path, dlf({{target.memBase, {9}}})));
  OD01_DownloadRecord rec{};
  rec.path = path.c_str();
  rec.hasIdent = 1;
  std::strcpy(rec.info.name, "ABC");
  reader.progInfoLen = 10;                  // too small for the 23-byte block
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->loadDLF(&rec, k); }), OD01_DONE);
  for (auto& r : target.requestsWithCode(5)) EXPECT_NE(r.size(), 5u + 23u);
  OD01_ProgInfo info{};
  EXPECT_EQ(fake::runToEnd([&](int k) { return server->getProgInfo(&info, k); }), OD01_DONE);
  EXPECT_EQ(info.name[0], 0);
  EXPECT_TRUE(target.requestsWithCode(4).empty());
}

// ---- watch list and polling ------------------------------------------------------

TEST(WatchList, KeepsOrderAndSplitsPages) {
  onl32::WatchList w;
  std::uint8_t v[4];
  for (std::uint32_t a = 0; a < 25; ++a) EXPECT_FALSE(w.findOrInsert(1000 - a * 4, 2, v));
  EXPECT_EQ(w.size(), 25u);
  EXPECT_GE(w.pageCount(), 3u);
  for (auto& p : w.pages()) EXPECT_LE(p.size(), onl32::WatchList::kPageSize);
  std::vector<std::uint32_t> seen;
  w.forEach([&](onl32::WatchEntry& e) { seen.push_back(e.address); });
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_FALSE(w.findOrInsert(1000, 2, v));  // known, but not fetched by a poll yet
  w.forEach([](onl32::WatchEntry& e) { e.fetched = true; e.value.assign(e.size, 7); });
  EXPECT_TRUE(w.findOrInsert(1000, 2, v));
  EXPECT_EQ(v[0], 7);
  EXPECT_FALSE(w.findOrInsert(1000, 4, v));   // same address, other size: its own entry
  EXPECT_EQ(w.size(), 26u);
}

TEST_F(Onl32, WatchedValuesArriveAfterAPoll) {
  ASSERT_TRUE(init());
  ident();
  target.mem[10] = 0x34;
  target.mem[11] = 0x12;
  std::uint8_t value[2] = {};
  OD01_VariableRef ref{"DW", 5, -1, 0, 0, value};
  EXPECT_EQ(server->readValue(&ref), 0);     // polling off
  EXPECT_NE(server->getSizeAndAddressOfVarValue(&ref), 0);
  EXPECT_EQ(ref.address, target.memBase + 10);
  EXPECT_EQ(server->setComm(2), 0);
  EXPECT_EQ(server->setComm(1), 1);
  EXPECT_EQ(server->getComm(), 1);
  EXPECT_EQ(server->readValue(&ref), 0);     // entered
  int r = 0;
  for (int i = 0; i < 5000 && r != 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    r = server->readValue(&ref);
  }
  ASSERT_EQ(r, 1);
  EXPECT_EQ(value[0], 0x34);
  EXPECT_EQ(value[1], 0x12);
  std::uint8_t t[4];
  EXPECT_EQ(server->getSysTime(t), 1);
  // Off and on again empties the list.
  EXPECT_EQ(server->setComm(0), 1);
  EXPECT_EQ(server->watchCount(), 0u);
  EXPECT_EQ(server->getSysTime(t), 0);
}

TEST_F(Onl32, ValueListRequestsAndTheirAnswersFitTheUsableSize) {
  ASSERT_TRUE(init());
  target.announced = 400;
  ident();
  EXPECT_EQ(server->setComm(1), 1);
  std::vector<std::vector<std::uint8_t>> bufs(60, std::vector<std::uint8_t>(40));
  for (int i = 0; i < 60; ++i) {
    OD01_VariableRef ref{"X", i, -1, target.memBase + 64u * static_cast<std::uint32_t>(i), 40, bufs[i].data()};
    server->readValue(&ref);
  }
  std::uint64_t polls = server->pollCount();
  for (int i = 0; i < 5000 && server->pollCount() < polls + 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GE(server->pollCount(), polls + 2);
  server->setComm(0);
  std::lock_guard<std::mutex> lk(target.mu);
  ASSERT_FALSE(target.req13Footprint.empty());
  for (std::size_t f : target.req13Footprint) EXPECT_LE(f, 400u);
}

TEST_F(Onl32, ImmediateQueriesNeedAnOpenDescription) {
  ASSERT_TRUE(init());
  char dev[13];
  EXPECT_EQ(server->getDevice(dev, sizeof dev), 0);
  ident();
  EXPECT_EQ(server->getDevice(dev, sizeof dev), 4);
  EXPECT_STREQ(dev, "FAKE");
  std::uint32_t ms = 0;
  EXPECT_NE(server->getMinCycleTime(&ms), 0);
  EXPECT_EQ(ms, 10u);
  EXPECT_EQ(server->setDrvOptions(), 1);    // the fake installs nothing
  EXPECT_EQ(target.installs, 1);
}

} // namespace
