// In one process: the online server library onl32 loaded by name, the runtime
// ZerloRuntime as its online driver, the software PLC TESK31 clocked by the
// runtime, and the device description reader; the program is compiled by
// cglink30 from target program text in a child process (the code generator
// and the online side each keep one description open in the same reader, as
// they do in their own processes in the system).
#include "cglink30/cglink30.h"
#include "onl32/od01.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::mutex g_mu;
std::vector<int> g_progress;
void onProgress(int p) {
  std::lock_guard<std::mutex> lk(g_mu);
  g_progress.push_back(p);
}

struct Onl32 {
  plat::lib::Handle h = nullptr;
  template <class F> F fn(const char* n) {
    F f = plat::lib::symbolAs<F>(h, n);
    EXPECT_NE(f, nullptr) << n;
    return f;
  }
  template <class Op> int run(Op op) {
    int r = op(OD01_KIND_START);
    if (r != OD01_RUNNING) return 100 + r;
    for (int i = 0; i < 60000; ++i) {
      r = op(OD01_KIND_QUERY);
      if (r != OD01_RUNNING) return r;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
  }
};

class EndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) / ("online_e2e_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    bin = ZERLO_BIN_DIR;
    // The reader's settings: converters of the program directory by path.
    std::string ini = "[msgconv]\ndefault=2\n1=" + bin + "/MSGCONVBE.DLL\n2=" + bin + "/MSGCONVLE.DLL\n";
    ASSERT_TRUE(plat::path::writeFileAtomic((dir / "OBEL.INI").string(), ini));
    ::setenv("ZERLO_DDFREADER_BINDIR", dir.c_str(), 1);
    // The configuration of the software PLC (no interface port configured).
    ASSERT_TRUE(plat::path::writeFileAtomic((dir / "INTERFACE.INI").string(), "[SETTINGS]\nCYCLETIME=10\n"));
    driver = bin + "/ZERLORUNTIME.DLL";
    reader = bin + "/DDFREADER.DLL";
    config = (dir / "INTERFACE.INI").string();
  }
  void TearDown() override {
    if (!std::getenv("ONLINE_E2E_KEEP")) fs::remove_all(dir);
  }

  OnlineInitRecord record() {
    OnlineInitRecord r{};
    r.size = OD01_INIT_RECORD_SIZE;
    r.driverPath = driver.c_str();
    r.configPath = config.c_str();
    r.ddfReaderPath = reader.c_str();
    r.progress = &onProgress;
    r.softResetTimeout = 15;
    return r;
  }

  // IDENT and RESOURCES: the target reserves its areas and describes itself.
  bool describe(Onl32& o, const std::string& ddf) {
    auto loadDDF = o.fn<OD01_LoadDDF_t>("OD01_LoadDDF");
    auto res = o.fn<OD01_SetResourceAndLoadDDF_t>("OD01_SetResourceAndLoadDDF");
    std::string resFile = bin + "/default.res";
    if (o.run([&](int k) { return loadDDF(ddf.c_str(), k); }) != OD01_DONE) return false;
    return o.run([&](int k) { return res(resFile.c_str(), ddf.c_str(), k); }) == OD01_DONE;
  }

  // Runs f in a child process (no thread runs in this one at that time).
  static int inChild(const std::function<int()>& f) {
    pid_t pid = ::fork();
    if (pid == 0) {
      int r = 1;
      try {
        r = f();
      } catch (...) {
      }
      ::_exit(r);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  fs::path dir;
  std::string bin, driver, reader, config;
};

const char* kProgram =
    ";\n"
    "&BEG\n"
    " T_ms  : 10\n"
    " Li_Nr : 1;\n"
    "&ADDW\n"
    " : DW10\n"
    " : DW11\n"
    " : DW10\n"
    "&END\n"
    " Li_Nr : 1;\n"
    "#DW11 = 1\n";

TEST_F(EndToEnd, IdentDownloadRunWatchAndTransfer) {
  const std::string ddf = (dir / "target.ddf").string();
  const std::string dlf = (dir / "prog.mvl").string();

  // 1. The target's description, fetched in a child process.
  int rc = inChild([&] {
    Onl32 o;
    o.h = plat::lib::load("ONL32.DLL", bin);
    if (!o.h) return 10;
    auto init = plat::lib::symbolAs<OD01_InitOnline_t>(o.h, "OD01_InitOnline");
    auto deinit = plat::lib::symbolAs<OD01_DeInitOnline_t>(o.h, "OD01_DeInitOnline");
    OnlineInitRecord r = record();
    if (!init || !deinit || !init(&r)) return 11;
    bool ok = describe(o, ddf);
    deinit();
    return ok ? 0 : 12;
  });
  ASSERT_EQ(rc, 0) << "fetching the description";
  ASSERT_TRUE(fs::exists(ddf));

  // 2. Compile the program with that description, in another child.
  const std::string zcd = (dir / "prog.zcd").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(zcd, kProgram));
  rc = inChild([&] {
    plat::lib::Handle h = plat::lib::load("CGLINK30.DLL", bin);
    if (!h) return 20;
    auto link = plat::lib::symbolAs<link_advmain_t>(h, "link_advmain");
    if (!link) return 21;
    std::string self = bin + "/CGLINK30.DLL", lst = (dir / "prog.lst").string(), err = (dir / "prog.err").string();
    std::vector<std::string> args = {self, zcd, lst, ddf, dlf, err};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    CgAdvResult res{};
    int ok = link(static_cast<int>(argv.size()), argv.data(), &res);
    return ok == 1 && res.errors == 0 ? 0 : 22;
  });
  if (rc != 0) {
    std::string msgs;
    plat::path::readFile((dir / "prog.err").string(), msgs);
    FAIL() << "compiling (" << rc << "): " << msgs;
  }
  ASSERT_TRUE(fs::exists(dlf));

  // 3. This process: the whole chain loaded by name.
  Onl32 o;
  o.h = plat::lib::load("ONL32.DLL", bin);
  ASSERT_NE(o.h, nullptr) << plat::lib::lastError();
  auto init = o.fn<OD01_InitOnline_t>("OD01_InitOnline");
  auto deinit = o.fn<OD01_DeInitOnline_t>("OD01_DeInitOnline");
  auto getMode = o.fn<OD01_GetMode_t>("OD01_GetMode");
  auto setMode = o.fn<OD01_SetMode_t>("OD01_SetMode");
  auto loadDLF = o.fn<OD01_LoadDLF_t>("OD01_LoadDLF");
  auto progInfo = o.fn<OD01_GetProgInfo_t>("OD01_GetProgInfo");
  auto getMem = o.fn<OD01_GetMemory_t>("OD01_GetMemory");
  auto command = o.fn<OD01_GetCommandResponse_t>("OD01_GetCommandResponse");
  auto ftp = o.fn<OD01_FTPWriteFile_t>("OD01_FTPWriteFile");
  auto setComm = o.fn<OD01_SetComm_t>("OD01_SetComm");
  auto readValue = o.fn<OD01_ReadValue_t>("OD01_ReadValue");
  auto varAddr = o.fn<OD01_GetSizeAndAddressOfVarValue_t>("OD01_GetSizeAndAddressOfVarValue");
  auto device = o.fn<OD01_GetDevice_t>("OD01_GetDevice");
  auto version = o.fn<OD01_GetKernelVersion_t>("OD01_GetKernelVersion");
  ASSERT_TRUE(init && deinit && getMode && loadDLF && progInfo && getMem && command && ftp && setComm && readValue);
  OnlineInitRecord r = record();
  ASSERT_NE(init(&r), 0);

  // Operation codes 6, 7 and 8 against the real chain.
  std::uint8_t mode = 0;
  EXPECT_EQ(getMode(&mode, OD01_KIND_START), OD01_RUNNING);
  int q = OD01_RUNNING;
  for (int i = 0; i < 10000 && q == OD01_RUNNING; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    q = getMode(&mode, OD01_KIND_QUERY);
  }
  EXPECT_EQ(q, OD01_DONE);
  EXPECT_EQ(mode, 4);                                   // stopped after start
  EXPECT_EQ(getMode(&mode, OD01_KIND_CANCEL), OD01_DONE); // nothing runs: the last result

  // IDENT gives a description that opens.
  const std::string ddf2 = (dir / "target2.ddf").string();
  ASSERT_TRUE(describe(o, ddf2));
  char dev[13] = {};
  EXPECT_GT(device(dev, sizeof dev), 0);
  EXPECT_STREQ(dev, "RQTX1");
  char ver[20] = {};
  EXPECT_EQ(o.run([&](int k) { return version(ver, sizeof ver, k); }), OD01_DONE);
  EXPECT_EQ(std::string(ver), std::string("vMAIN_KERNEL_VERSION").substr(0, 19));

  // LOAD with an ident.
  {
    std::lock_guard<std::mutex> lk(g_mu);
    g_progress.clear();
  }
  OD01_DownloadRecord d{};
  d.path = dlf.c_str();
  d.hasIdent = 1;
  std::strcpy(d.info.name, "E2E PROG");
  d.info.day = 10; d.info.month = 12; d.info.year = 26;
  d.info.hour = 14; d.info.minute = 2; d.info.second = 3;
  d.info.size = 4321; d.info.check = 0x5c;
  EXPECT_EQ(o.run([&](int k) { return loadDLF(&d, k); }), OD01_DONE);
  std::vector<int> p;
  {
    std::lock_guard<std::mutex> lk(g_mu);
    p = g_progress;
  }
  ASSERT_GE(p.size(), 6u);
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[1], 3);
  EXPECT_NE(std::find(p.begin(), p.end(), 84), p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), 88), p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), 92), p.end());
  EXPECT_EQ(p.back(), 99);
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
  EXPECT_EQ(o.run([&](int k) { return getMode(&mode, k); }), OD01_DONE);
  EXPECT_EQ(mode, 1);                                   // running

  // The program runs: the watched DW10 changes from poll to poll.
  std::uint8_t value[2] = {};
  OD01_VariableRef ref{"DW", 10, -1, 0, 0, value};
  ASSERT_NE(varAddr(&ref), 0);
  ASSERT_EQ(ref.size, 2u);
  ASSERT_EQ(setComm(1), 1);
  readValue(&ref);
  auto readNow = [&]() -> int {
    for (int i = 0; i < 5000; ++i) {
      if (readValue(&ref) == 1) return static_cast<std::int16_t>(value[0] | (value[1] << 8));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -100000;
  };
  int v1 = readNow();
  ASSERT_NE(v1, -100000);
  int v2 = v1;
  for (int i = 0; i < 3000 && v2 == v1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    v2 = readNow();
  }
  EXPECT_NE(v2, v1) << "DW10 did not change";
  setComm(0);

  // PROGINFO reads back the identity.
  OD01_ProgInfo info{};
  EXPECT_EQ(o.run([&](int k) { return progInfo(&info, k); }), OD01_DONE);
  EXPECT_STREQ(info.name, "E2E PROG");
  EXPECT_EQ(info.day, 10);
  EXPECT_EQ(info.minute, 2);
  EXPECT_EQ(info.size, 4321u);
  EXPECT_EQ(info.check, 0x5c);

  // GETMEM writes a file of exactly the asked size.
  std::string memFile = (dir / "mem.bin").string();
  OD01_MemoryRecord m{ref.address, 4000, memFile.c_str(), nullptr};
  EXPECT_EQ(o.run([&](int k) { return getMem(&m, k); }), OD01_DONE);
  EXPECT_EQ(fs::file_size(memFile), 4000u);

  // COMMAND and FTP.
  char answer[128] = {};
  OD01_TextRecord t{"getvalue DW 10", answer, sizeof answer};
  EXPECT_EQ(o.run([&](int k) { return command(&t, k); }), OD01_DONE);
  EXPECT_EQ(std::string(answer).rfind("DW10=", 0), 0u) << answer;
  std::string src = (dir / "src.txt").string(), dst = (dir / "copy.txt").string();
  // The target stores files relative to its own directory (that of its configuration).
  std::string content(5000, 'z');
  ASSERT_TRUE(plat::path::writeFileAtomic(src, content));
  std::string cmdline = "6 copy.txt " + src;
  OD01_TextRecord f{cmdline.c_str(), answer, sizeof answer};
  EXPECT_EQ(o.run([&](int k) { return ftp(&f, k); }), OD01_DONE);
  EXPECT_STREQ(answer, "OK");
  std::string copied;
  EXPECT_TRUE(plat::path::readFile(dst, copied));
  EXPECT_TRUE(copied == content) << copied.size() << " bytes copied";

  // Stop the program again.
  EXPECT_EQ(o.run([&](int k) { return setMode(4, k); }), OD01_DONE);
  EXPECT_EQ(o.run([&](int k) { return getMode(&mode, k); }), OD01_DONE);
  EXPECT_EQ(mode, 4);

  // TEST, PARACHANGE and TERMINAL open the diagnosis (which ends at once
  // without a display) and re-open the interface: with no port configured
  // the target ends in STOP.
  for (std::uint8_t m : {7, 10, 11}) {
    SCOPED_TRACE(int(m));
    EXPECT_EQ(o.run([&](int k) { return setMode(m, k); }), OD01_DONE);
    EXPECT_EQ(o.run([&](int k) { return getMode(&mode, k); }), OD01_DONE);
    EXPECT_EQ(mode, 4);
  }
  deinit();
  plat::lib::unload(o.h);
}

} // namespace
