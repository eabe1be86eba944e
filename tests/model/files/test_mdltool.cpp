// mdltool: dump and resave through its command table, and the golden dump of
// the sample project (ZERLO_REGENERATE=1 rewrites it).
#include "files_fixture.h"

#include "commands.h"

#include <fstream>
#include <sstream>

namespace modelfiles::test {
namespace {

class MdlTool : public FilesFixture {
protected:
  int run(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    // The tool works on a document of its own.
    DocumentRecord* saved = CurrentDocument;
    const int rc = mdltool::runCommandLine(args, o, e);
    CurrentDocument = saved;
    doc_StartUp();
    CurrentDocument = saved;
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST_F(MdlTool, DumpAndResave) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto original = readBytes("SAMPLE.MDL");
  std::string out, err;
  ASSERT_EQ(run({"dump", path("SAMPLE.MDL")}, out, err), 0) << err;
  EXPECT_NE(out.find("logic \"MAIN\""), std::string::npos);
  EXPECT_NE(out.find("type \"BLK\"/\"ADDER\""), std::string::npos);
  const std::string golden = std::string(ZERLO_TEST_DATA) + "/model/files/sample_dump.txt";
  if (std::getenv("ZERLO_REGENERATE")) {
    std::ofstream(golden, std::ios::binary) << out;
  }
  std::ifstream in(golden, std::ios::binary);
  std::stringstream want;
  want << in.rdbuf();
  EXPECT_EQ(out, want.str()) << "golden dump differs (ZERLO_REGENERATE=1 rewrites it)";

  ASSERT_EQ(run({"resave", path("SAMPLE.MDL"), path("AGAIN.MDL")}, out, err), 0) << err;
  auto again = readBytes("AGAIN.MDL");
  // Only the main module's name (the file name) differs.
  ASSERT_EQ(again.size(), original.size());
  std::memcpy(again.data() + 16, original.data() + 16, 12);
  EXPECT_EQ(again, original);

  ASSERT_EQ(run({"dump", path("BLK.MCO")}, out, err), 0) << err;
  EXPECT_NE(out.find("type \"GAIN\""), std::string::npos);
}

TEST_F(MdlTool, BadCallsAndFiles) {
  std::string out, err;
  EXPECT_EQ(run({}, out, err), 2);
  EXPECT_NE(err.find("mdltool dump FILE"), std::string::npos);
  EXPECT_EQ(run({"dump"}, out, err), 2);
  EXPECT_EQ(run({"frobnicate", "x"}, out, err), 2);
  writeBytes("BAD.MDL", {1, 2, 3, 4, 5});
  EXPECT_EQ(run({"dump", path("BAD.MDL")}, out, err), 1);
  EXPECT_EQ(run({"dump", path("BAD.MCO")}, out, err), 1);
}

} // namespace
} // namespace modelfiles::test
