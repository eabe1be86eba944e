// A program compiled by the code generator and downloaded into the kernel
// runs against the simulated board: motor 1 follows input E1.
#include "kxlpt_fixture.h"
#include "plc_download.h"

#include "cglink30/cglink30.h"
#include "platform/library.h"
#include "platform/paths.h"

namespace kxlpttest {
namespace {

using namespace protocol;
namespace fs = std::filesystem;

TEST_F(KernelOnBoard, ADownloadedProgramDrivesAMotorFromAnInput) {
  k.setMode(kModeCheck);
  ASSERT_TRUE(k.ifActive);
  zerlotest::KernelChannel channel(k);
  zerlotest::CodegenBin codegen;
  std::string why;
  if (!codegen.open(dir / "bin", why)) {
    if (why.find("not built") != std::string::npos) GTEST_SKIP() << why;
    FAIL() << why;
  }
  auto info = channel.exchange({kReqFullInfo});
  ASSERT_GT(info.size(), 100u);
  std::string ddf = (dir / "TMP.ATT").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(ddf, std::string(info.begin(), info.end())));
  std::string text = (dir / "TMP.Q").string();
  std::ofstream(text) << ";\n&BEG\n T_ms  : 10\n Li_Nr : 1;\n"
                         "          &ABB\n             : E1.0\n             : A1.0\n"
                         ";\n&END\n Li_Nr : 1;\n";
  std::vector<std::string> args = {(dir / "bin" / "cglink30.so").string(), text, (dir / "TMP.LST").string(), ddf,
                                   (dir / "TMP.MVL").string(), (dir / "TMP.ERR").string()};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  auto linkMain = plat::lib::symbolAs<link_advmain_t>(codegen.handle(), "link_advmain");
  ASSERT_NE(linkMain, nullptr);
  CgAdvResult res{};
  ASSERT_EQ(linkMain(static_cast<int>(argv.size()), argv.data(), &res), 1);
  ASSERT_EQ(res.errors, 0u);
  channel.download(args[4]);
  channel.exchange({kReqStart});
  auto st = channel.exchange({kReqGetState});
  ASSERT_EQ(st.size(), 2u);
  ASSERT_EQ(st[0], kModeOnline);

  auto cycles = [&](int n) {
    for (int i = 0; i < n; ++i) {
      k.dspsTimer();
      k.dspsRun();
    }
  };
  cycles(30);
  EXPECT_FALSE(motor(1));
  board->setInputWord(0x0100);   // E1
  cycles(30);
  EXPECT_TRUE(motor(1));
  board->setInputWord(0x0000);
  cycles(30);
  EXPECT_FALSE(motor(1));
  codegen.close();
}

} // namespace
} // namespace kxlpttest
