// End to end: target program text compiled by the code generator with the
// kernel's own description, the download file sent as memory-write requests,
// the program started and run in its task.
#include "plc_fixture.h"
#include "plc_download.h"

#include "cglink30/cglink30.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace plctest {
namespace {

using namespace protocol;
namespace fs = std::filesystem;

class CompiledProgram : public PlcFixture {
protected:
  fs::path dir, bin;
  zerlotest::CodegenBin codegen;
  plat::lib::Handle h = nullptr;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped{sink};
  std::unique_ptr<zerlotest::KernelChannel> channel;
  void SetUp() override {
    PlcFixture::SetUp();
    channel = std::make_unique<zerlotest::KernelChannel>(k);
    dir = fs::path(testing::TempDir()) / ("plc_e2e_" + std::to_string(::getpid()));
    bin = dir / "bin";
    fs::remove_all(dir);
    fs::create_directories(bin);
    // A program directory of the test's own with the built libraries.
    std::string why;
    if (!codegen.open(bin, why)) {
      if (why.find("not built") != std::string::npos) GTEST_SKIP() << why;
      FAIL() << why;
    }
    h = codegen.handle();
  }
  void TearDown() override {
    codegen.close();
    fs::remove_all(dir);
  }
  std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& r) { return channel->exchange(r); }
  void download(const std::string& path) { channel->download(path); }
};

TEST_F(CompiledProgram, AddsThreeToDw5EveryCycle) {
  // The kernel's description, as the online server fetches it.
  auto info = exchange({kReqFullInfo});
  ASSERT_GT(info.size(), 100u);
  std::string ddf = (dir / "TMP.ATT").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(ddf, std::string(info.begin(), info.end())));
  std::string text = (dir / "TMP.Q").string();
  std::ofstream(text) << ";\n&BEG\n T_ms  : 10\n Li_Nr : 1;\n"
                         "          &ADDW\n             : DW5\n             : PW150\n             : DW5\n"
                         ";\n&END\n Li_Nr : 1;\n#PW150 = 3\n";
  std::vector<std::string> args = {(bin / "cglink30.so").string(), text, (dir / "TMP.LST").string(), ddf,
                                   (dir / "TMP.MVL").string(), (dir / "TMP.ERR").string()};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  auto linkMain = plat::lib::symbolAs<link_advmain_t>(h, "link_advmain");
  ASSERT_NE(linkMain, nullptr);
  CgAdvResult res{};
  int ok = linkMain(static_cast<int>(argv.size()), argv.data(), &res);
  std::ifstream errs(args[5]);
  std::string msgs((std::istreambuf_iterator<char>(errs)), {});
  ASSERT_EQ(ok, 1) << msgs;
  EXPECT_EQ(res.errors, 0u) << msgs;
  EXPECT_TRUE(sink->shown().empty());

  download(args[4]);
  EXPECT_EQ(get<std::int16_t>(PW(150)), 3);
  EXPECT_EQ(k.taskCycle(1), 10u);
  exchange({kReqStart});
  auto st = exchange({kReqGetState});
  ASSERT_EQ(st.size(), 2u);
  EXPECT_EQ(st[0], kModeOnline);
  set<std::int16_t>(DW(5), 100);
  for (int cycle = 1; cycle <= 4; ++cycle) {
    tick(5);
    EXPECT_EQ(get<std::int16_t>(DW(5)), 100 + 3 * cycle) << cycle;
  }
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
}

} // namespace
} // namespace plctest
