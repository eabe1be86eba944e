// A small program (tasks, block calls, marks, scripts, definitions, a data
// file) compiled for four- and two-byte addresses; the download file is
// compared byte for byte with an image written down by hand.
#include "compile_support.h"
#include "small_program.h"

namespace cgtest {
namespace {

class ProgramTest : public TempDirTest {
protected:
  std::string data() {
    writeText(path("data.bin"), "ABCDE");
    return path("data.bin");
  }
};

TEST_F(ProgramTest, FourByteAddressesGiveTheHandImage) {
  FakeTarget t = FakeTarget::standard(4);
  RunResult r = compile(smallProgram(data()), t);
  ASSERT_EQ(r.result, 1) << (r.messages.empty() ? "" : r.messages[0]);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_FALSE(r.hasMessages);  // nothing stored: the message file is not written
  EXPECT_FALSE(r.prelimLeft);
  EXPECT_EQ(r.adv.errors, 0u);
  EXPECT_EQ(r.adv.warnings, 0u);
  EXPECT_DOUBLE_EQ(r.adv.memoryUse, 84.0 / 4096.0 * 100.0);

  std::vector<uint8_t> expected = smallProgramImage(4);
  ASSERT_TRUE(r.hasDownload);
  EXPECT_EQ(r.download, expected);

  // The listing names the files and shows each construct with its address.
  EXPECT_NE(r.listing.find("Created by target code generator cglink version 3.007\n"), std::string::npos);
  EXPECT_NE(r.listing.find("Used Files:\ncglink30.so\n" + path("prog.zcd") + "\n"), std::string::npos);
  EXPECT_NE(r.listing.find(path("prog.TZC") + "\n"), std::string::npos);
  EXPECT_NE(r.listing.find("source: " + path("prog.zcd") + "\n"), std::string::npos);
  EXPECT_NE(r.listing.find("\n\n\nbegin task " + std::string(63, '-') + "\n"
                           "line:0003\tINT               10\t\t0000000A \n"
                           "line:0004\tINT                1\t\t00000001 \n"
                           "line:0002\tBEG              BEG\t\t00000010 \n"
                           "generated code " + std::string(56, '-') + "\n"
                           "00001000 | 00000010\n00001004 | 00001010\n00001008 | 0000000A\n0000100C | 00000001\n\n\n"),
            std::string::npos)
      << r.listing;
  // A call with two operands: the "new functionblock" header, two operand
  // lines, the FUNC line and four code words.
  EXPECT_NE(r.listing.find("\n\nnew functionblock " + std::string(53, '-') + "\n"
                           "line:0006\tVAR               PW  [5]\t0000500A  \n"
                           "line:0007\tINT                7\t\t00000007 \n"
                           "line:0005\tFUNC             AWW\t\t00000020 \n"
                           "generated code " + std::string(56, '-') + "\n"
                           "00001010 | 00000020\n00001014 | 00001020\n00001018 | 0000500A\n0000101C | 00000007\n"),
            std::string::npos)
      << r.listing;
  EXPECT_NE(r.listing.find("line:0008\tTMA             LOOP\t\t00001020\n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0010\tMARK            LOOP \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0011\tVAR                B  [1][0]\t00006008  \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0012\tSCR               S1\t\t00001030 \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0013\tDEV               DW  [3]\t=258\n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0015\tINT               -5\t\tFFFFFFFB \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0016\tBIN              101\t\t00000005 \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0017\tHEX               1F\t\t0000001F \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0018\tFLT     2.500000e+00\t\t40200000 \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0019\tEND              END\t\t00000014 \n"), std::string::npos);
  EXPECT_NE(r.listing.find("line:0022\tDEV               DT  [3]\t=" + path("data.bin") + ",0,3\n"),
            std::string::npos);
  EXPECT_NE(r.listing.find("replace " + std::string(81, '-') + "\nrepace\t00000000 -> 00001020 (LOOP)\n"),
            std::string::npos);
  EXPECT_NE(r.listing.find("task table " + std::string(50, '-') + "\n"
                           " 0:  00000000     0  ->  00000000 00000000\n"
                           " 1:  00001000    10  ->  00001000 0000000A\n"),
            std::string::npos)
      << r.listing;
  EXPECT_NE(r.listing.find("script table " + std::string(75, '-') + "\n 1:  00001030     1 ->  00001030 00000001\n"),
            std::string::npos);
  EXPECT_NE(r.listing.find("begin init variable and parameter " + std::string(36, '-') + "\n\n\nDW3\n"),
            std::string::npos);
  EXPECT_NE(r.listing.find("\n\nDT2\n0000A024 | 41 42 43 44 45 " + std::string(35, ' ') + "| ABCDE" +
                           std::string(11, ' ') + "\n"),
            std::string::npos);
}

TEST_F(ProgramTest, TwoByteAddressesGiveTheHandImage) {
  FakeTarget t = FakeTarget::standard(2);
  RunResult r = compile(smallProgram(data()), t);
  ASSERT_EQ(r.result, 1);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_DOUBLE_EQ(r.adv.memoryUse, 42.0 / 4096.0 * 100.0);

  std::vector<uint8_t> expected = smallProgramImage(2);
  ASSERT_TRUE(r.hasDownload);
  EXPECT_EQ(r.download, expected);
  // Every address of the listing has four digits.
  EXPECT_NE(r.listing.find("1000 | 0010\n1002 | 1008\n1004 | 000A\n1006 | 0001\n"), std::string::npos);
  EXPECT_NE(r.listing.find("repace\t0000 -> 1010 (LOOP)\n"), std::string::npos);
  EXPECT_NE(r.listing.find(" 1:  1000    10  ->  1000 0000000A\n"), std::string::npos);
  EXPECT_NE(r.listing.find(" 1:  1018     1 ->  1018 0001\n"), std::string::npos);
  EXPECT_NE(r.listing.find("A024 | 41 42 43 44 45 "), std::string::npos);
}

TEST_F(ProgramTest, LinkMainAndLinkAdvmainAgreeWithoutResultRecord) {
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("prog.zcd"), smallProgram(data()));
  std::vector<std::string> args = {"x", path("prog.zcd"), path("prog.lst"), path("t.ddf"), path("prog.mvl")};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  FakeBinder b(t);
  cg::RunOptions o;
  o.binder = &b;
  o.box = [](const std::string&, const std::string&, unsigned) {};
  EXPECT_EQ(cg::runCompile(5, argv.data(), nullptr, o), 1);  // five arguments: no message file
  EXPECT_TRUE(std::filesystem::exists(path("prog.mvl")));
  EXPECT_EQ(b.openedDdf, path("t.ddf"));
}

}  // namespace
}  // namespace cgtest
