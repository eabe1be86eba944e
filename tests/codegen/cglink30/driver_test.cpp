// The run as a whole: arguments, library answers, preliminary file, several
// sources, the main program's top frame, and the mended faults of placement
// and output.
#include "compile_support.h"
#include "dlf.h"

namespace cgtest {
namespace {

// The top frame that the main program writes around a diagram.
std::string topFrame() {
  std::string s = ";\n&BEG\n T_ms  : 10\n Li_Nr : 1;\n";
  const char* blocks[2][2] = {{"%MCRST", "A13.0"}, {"%PCRST", "A11.0"}};
  for (auto& b : blocks) {
    s += "          &JPZ\n             : " + std::string(b[0]) + "\n             : " + b[1] + "\n";
    for (int n = 1; n <= 16; ++n)
      s += "          &AWW\n             : PW50\n        Z" + std::to_string(n) + "   : PW" + std::to_string(n) + "\n";
    s += "          &AWW\n             : PW50\n MSGColor    : PW17\n";
    s += "          &AWW\n             : PW50\n MSGText     : DT1\n";
    s += std::string(b[0]) + "\n";
  }
  s += ";Counter Initialisation\n";
  for (int n = 1; n <= 16; ++n) s += "#PW" + std::to_string(n) + " = 0\n";
  s += ";Default Message Color is Black\n#PW17 = 0\n";
  s += ";Constant Parameter\n#PW50 = 0\n#B1.0 = 0\n#B1.1 = 1\n";
  s += ";\n&END\n Li_Nr : 1;\n";
  return s;
}

class DriverTest : public TempDirTest {};

TEST_F(DriverTest, TopFrameOfTheMainProgramCompilesWithoutMessage) {
  FakeTarget t = FakeTarget::standard(4);
  t.structSize = 0x400;
  RunResult r = compile(topFrame(), t);
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_FALSE(r.hasMessages) << (r.messages.size() > 1 ? r.messages[1] : "");
  EXPECT_EQ(r.adv.errors + r.adv.warnings, 0u);
  ASSERT_TRUE(r.hasDownload);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  // Code, task table, 20 definitions, descriptor (no scripts).
  ASSERT_EQ(blocks.size(), 23u);
  // BEG (4 words), 2 x (JPZ 4 words + 18 x AWW 4 words), END (3 words).
  EXPECT_EQ(blocks[0].data.size(), (4u + 2 * (4 + 18 * 4) + 3) * 4);
  // The JPZ of the first reset block jumps to the mark after its 18 calls.
  uint32_t target;
  std::memcpy(&target, blocks[0].data.data() + 16 + 8, 4);
  EXPECT_EQ(target, 0x1000u + 16 + 16 + 18 * 16);
}

TEST_F(DriverTest, SequenceModuleAndDisableLogicFramesCompile) {
  FakeTarget t = FakeTarget::standard(4);
  t.modules["ABS"] = 0x30;
  t.areas["M"] = {0xC000, 100, 8, 1};
  std::string text =
      "&BEG\n T_ms  : 20\n Li_Nr : 2 ;$Pump\n"
      "#M1.7\n#DW3\n#DW4\n#DW5\n&ABS\n:2\n:8\nST:M0.0\nTR:DW1\nErr:DW2\nCps:DW3\nCms:DW4\nRev:M0.0\n"
      "&JPZ\n Adr.    : %LAB1\n  P      : M0.0\n"
      "%LAB1\n;\n&END\n Li_Nr : 2 ;$Pump\n";
  RunResult r = compile(text, t);
  EXPECT_EQ(r.result, 1) << (r.messages.size() > 1 ? r.messages[1] : "");
  EXPECT_TRUE(r.boxes.empty());
}

TEST_F(DriverTest, TooFewArgumentsAreRefusedAndTouchNothing) {
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("prog.mvl"), "old");
  FakeBinder b(t);
  RunResult r = run({"x", path("prog.zcd"), path("prog.lst"), path("t.ddf")}, t, &b);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Call convention error ! Not enough arguments !"}));
  EXPECT_EQ(b.binds, 0);
  EXPECT_EQ(readAll(path("prog.mvl")), "old");
}

TEST_F(DriverTest, LibraryAnswersBecomeFatalMessages) {
  struct {
    int settings, reader;
    std::string box;
  } table[] = {
      {2, 0, "Dynamic link library OBELTOOL.DLL not found !"},
      {1, 0, "Dynamic link library OBELTOOL.DLL has incorrect version !"},
      {3, 0, "Dynamic link library OBELTOOL.DLL could not be initialized."},
      {0, 2, "Dynamic link library DDFREADER.DLL not found !"},
      {-1, 2, "Dynamic link library DDFREADER.DLL not found !"},
      {0, 1, "Dynamic link library DDFREADER.DLL has incorrect version or incorrect function interface !"},
      {0, 4, "Dynamic link library DDFREADER.DLL has incorrect version or incorrect function interface !"},
      {0, 3, "Dynamic link library DDFREADER.DLL could not be initialized !"},
  };
  for (const auto& c : table) {
    FakeTarget t = FakeTarget::standard(4);
    FakeBinder b(t);
    b.settingsAnswer = c.settings;
    b.readerAnswer = c.reader;
    writeText(path("prog.mvl"), "an earlier program");
    RunResult r = compile(topFrame(), t, {}, &b);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   " + c.box}));
    EXPECT_FALSE(r.hasDownload) << "a failed run leaves no program to download";
    EXPECT_FALSE(r.hasMessages);
    EXPECT_FALSE(r.prelimLeft);
    EXPECT_EQ(r.adv.errors, 0xDEADu) << "the result record is filled only after the parse";
  }
}

TEST_F(DriverTest, SourcesThatCannotBeReadStopTheRun) {
  FakeTarget t = FakeTarget::standard(4);
  std::vector<std::string> base = {"x", path("missing.zcd"), path("p.lst"), path("t.ddf"), path("p.mvl"), path("p.err")};
  RunResult r = run(base, t);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot open ZCD preliminary file " +
                                               path("missing.zcd") + "."}));
  EXPECT_FALSE(r.prelimLeft);
  EXPECT_FALSE(r.hasDownload);

  writeText(path("a.zcd"), topFrame());
  base[1] = path("a.zcd");
  base.push_back(path("second.zcd"));
  r = run(base, t);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot open ZCD preliminary file " +
                                               path("second.zcd") + "."}));
  EXPECT_TRUE(r.listing.empty()) << "nothing parsed";
  EXPECT_FALSE(r.prelimLeft);

  base[2] = path("no/dir/p.lst");
  base.pop_back();
  r = run(base, t);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot create trace file " +
                                               path("no/dir/p.lst") + "."}));
}

TEST_F(DriverTest, WithoutMessageFileTheMessagesAreOnlyCounted) {
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("p.zcd"), "#ZZ1\n");
  RunResult r = run({"x", path("p.zcd"), path("p.lst"), path("t.ddf"), path("p.mvl")}, t);
  EXPECT_EQ(r.result, 0);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(r.adv.errors, 1u);
}

TEST_F(DriverTest, PreliminaryFileThatIsASourceIsRefused) {
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("p.TZC"), "#DW1 = 1\n");
  RunResult r = run({"x", path("p.TZC"), path("p.lst"), path("t.ddf"), path("p.mvl")}, t);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot create TZC file " + path("p.TZC") + "."}));
  EXPECT_EQ(readAll(path("p.TZC")), "#DW1 = 1\n");
}

TEST_F(DriverTest, AnOutputThatIsASourceOrAnotherOutputIsRefusedBeforeAnythingIsDeleted) {
  FakeTarget t = FakeTarget::standard(4);
  struct Case {
    int slot;            // argument replaced
    const char* name;    // by this file
    const char* box;     // the message that refuses it
  };
  // The program text is "p.zcd", a second source "q.zcd".
  const Case cases[] = {
      {5, "p.zcd", "Cannot create file %s !"},        // message file
      {2, "p.zcd", "Cannot create trace file %s."},   // listing
      {4, "q.zcd", "Cannot create file %s !"},        // download
      {4, "p.err", "Cannot create file %s !"},        // download on the message file
      {2, "p.err", "Cannot create trace file %s."},   // listing on the message file
      {4, "p.TZC", "Cannot create TZC file %s."},     // download on its own preliminary file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " as argument " + std::to_string(c.slot));
    writeText(path("p.zcd"), topFrame());
    writeText(path("q.zcd"), ";second\n");
    writeText(path("p.err"), "old messages\n");
    std::vector<std::string> args = {"x", path("p.zcd"), path("p.lst"), path("t.ddf"), path("p.mvl"), path("p.err"),
                                     path("q.zcd")};
    args[std::size_t(c.slot)] = path(c.name);
    RunResult r = run(args, t);
    EXPECT_EQ(r.result, 0);
    std::string box = c.box;
    const std::string shown = std::string(c.box).find("TZC") != std::string::npos ? path("p.TZC") : path(c.name);
    box.replace(box.find("%s"), 2, shown);
    EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   " + box}));
    EXPECT_EQ(readAll(path("p.zcd")), topFrame());
    EXPECT_EQ(readAll(path("q.zcd")), ";second\n");
    EXPECT_EQ(readAll(path("p.err")), "old messages\n") << "nothing was deleted";
  }
}

TEST_F(DriverTest, PreliminaryFileChangesOnlyTheExtension) {
  EXPECT_EQ(cg::preliminaryPath("/Tmp/Dir.X/Prog.Mvl"), "/Tmp/Dir.X/Prog.TZC");
  EXPECT_EQ(cg::preliminaryPath("/tmp/dir.x/prog"), "/tmp/dir.x/prog.TZC");
  EXPECT_EQ(cg::preliminaryPath("C:\\temp\\TMP002.MVL"), "C:\\temp\\TMP002.TZC");
  EXPECT_EQ(cg::preliminaryPath("a:b"), "a:b.TZC");
  // A download path without extension compiles all the same.
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("p.zcd"), topFrame());
  RunResult r = run({"x", path("p.zcd"), path("p.lst"), path("t.ddf"), path("Download")}, t);
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(std::filesystem::exists(path("Download")));
  EXPECT_FALSE(std::filesystem::exists(path("Download.TZC")));
}


// The preliminary file holds every source behind the line that names it,
// while the text is translated (looked at when the tables are prepared), and
// is gone afterwards; the messages name each source's own lines.
TEST_F(DriverTest, PreliminaryFileHoldsTheJoinedSourcesDuringTheRunOnly) {
  struct Peeking : FakeTarget {
    std::string prelim, seen;
    int getTargetAddressFormat(uint8_t* f) override {
      seen = readAll(prelim);
      return FakeTarget::getTargetAddressFormat(f);
    }
  } t;
  static_cast<FakeTarget&>(t) = FakeTarget::standard(4);
  t.prelim = path("prog.TZC");
  writeText(path("second.zcd"), "#ZZ1\n");
  writeText(path("third.zcd"), ";no line break at the end");
  RunResult r = compile(topFrame(), t, {path("second.zcd"), path("third.zcd")});
  EXPECT_EQ(t.seen, ";#f='" + path("prog.zcd") + "'\n" + topFrame() + "\n\n;#f='" + path("second.zcd") +
                        "'\n#ZZ1\n\n\n;#f='" + path("third.zcd") + "'\n;no line break at the end\n\n");
  EXPECT_FALSE(r.prelimLeft);
  EXPECT_EQ(r.result, 0);
  ASSERT_FALSE(r.messages.empty());
  EXPECT_NE(r.listing.find("\n" + path("prog.TZC") + "\n"), std::string::npos) << "named in the listing's header";

  // A preliminary file of an earlier, longer run is replaced, not written over.
  writeText(path("prog.TZC"), std::string(100000, 'x'));
  RunResult r2 = compile(topFrame(), t);
  EXPECT_EQ(t.seen, ";#f='" + path("prog.zcd") + "'\n" + topFrame() + "\n\n");
  EXPECT_EQ(r2.result, 1);
  EXPECT_FALSE(r2.prelimLeft);
}
// The listing is written over an earlier one in place: whatever the earlier
// file held (longer, shorter, reached through a link), the new listing is
// the same as one written into no file, and a link stays a link.
TEST_F(DriverTest, ListingWrittenOverAnEarlierOneIsTheSameAsAFreshOne) {
  FakeTarget t = FakeTarget::standard(4);
  t.structSize = 0x400;
  t.progSize = 0x100000;
  // Many lines, so that the listing goes to the file in several pieces.
  std::string text = topFrame(), calls;
  for (int i = 0; i < 1200; ++i) calls += "          &AWW\n             : PW50\n        Z1   : PW" + std::to_string(i % 17) + "\n";
  text.insert(text.rfind(";\n&END"), calls);
  writeText(path("p.zcd"), text);
  const std::vector<std::string> args = {"x", path("p.zcd"), path("p.lst"), path("t.ddf"), path("p.mvl")};
  RunResult fresh = run(args, t);
  ASSERT_EQ(fresh.result, 1);
  ASSERT_GT(fresh.listing.size(), size_t(300000));
  // The second line of a listing is the time of the run.
  auto withoutTime = [](std::string s) {
    const size_t first = s.find('\n') + 1;
    return s.erase(first, s.find('\n', first) - first);
  };

  struct Case {
    const char* what;
    size_t earlierSize;
    bool link;
  } cases[] = {{"longer", fresh.listing.size() * 3 + 17, false},
               {"shorter", 5000, false},
               {"empty", 0, false},
               {"longer through a link", fresh.listing.size() + 4096, true}};
  for (const Case& c : cases) {
    const std::string lst = path("p.lst"), target = c.link ? path("earlier.lst") : lst;
    std::filesystem::remove(lst);
    writeText(target, std::string(c.earlierSize, 'X'));
    if (c.link) std::filesystem::create_symlink(target, lst);
    RunResult r = run(args, t);
    ASSERT_EQ(r.result, 1) << c.what;
    EXPECT_TRUE(withoutTime(r.listing) == withoutTime(fresh.listing)) << c.what;
    EXPECT_EQ(std::filesystem::file_size(target), r.listing.size()) << c.what;
    EXPECT_EQ(std::filesystem::is_symlink(lst), c.link) << c.what;
  }
}

// Each kind of initial value reaches the converter as its decimal text and
// the listing names the variable with its index (and bit).
TEST_F(DriverTest, InitialValuesOfEachKindInTheListing) {
  FakeTarget t = FakeTarget::standard(4);
  t.structSize = 0x400;
  RunResult r = compile("#DW1 = -5\n#DW2 = $1F\n#DW3 = %101\n#DW40 = 65535\n#B2.3 = 1\n" + topFrame(), t);
  ASSERT_EQ(r.result, 1);
  for (const char* want : {"\n\n\nDW1\n00004002 | FB FF ", "\n\n\nDW2\n00004004 | 1F 00 ",
                           "\n\n\nDW3\n00004006 | 05 00 ", "\n\n\nDW40\n00004050 | FF FF ",
                           "\n\n\nB2.3\n00006013 | 01 "})
    EXPECT_NE(r.listing.find(want), std::string::npos) << want;
}

TEST_F(DriverTest, MessagesNameTheSourceAndItsOwnLine) {
  FakeTarget t = FakeTarget::standard(4);
  writeText(path("second.zcd"), "\n#XX1\n#DW1 = 1\n#YY1\n");
  RunResult r = compile("#QQ1\n" + topFrame(), t, {path("second.zcd")});
  EXPECT_EQ(r.messages,
            (std::vector<std::string>{
                "Processing " + path("prog.zcd"),
                "Error in line 1 : This program is too large. The number of function blocks must be reduced (QQ not defined).",
                "1 error(s), 0 warning(s). (Help: Press F1)",
                "Processing " + path("second.zcd"),
                "Error in line 2 : This program is too large. The number of function blocks must be reduced (XX not defined).",
                "Error in line 4 : This program is too large. The number of function blocks must be reduced (YY not defined).",
                "3 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_NE(r.listing.find("source: " + path("second.zcd")), std::string::npos);
}

TEST_F(DriverTest, SilentlyDroppedTaskLeavesAGapInsteadOfShiftingLaterTasks) {
  FakeTarget t = FakeTarget::standard(4);
  // Cycle 0 and number 0: dropped without a message, after its entries had
  // their addresses (BEG 16 bytes + END 12 bytes).
  std::string text = "&BEG\n : 0\n : 0\n&END\n : 0\n&BEG\n : 20\n : 2\n&AWW\n : 1\n&END\n : 2\n";
  RunResult r = compile(text, t);
  ASSERT_EQ(r.result, 1);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].address, 0x101Cu) << "the second task is written where its addresses point";
  std::vector<uint8_t> code;
  for (uint32_t w : {0x10u, 0x102Cu, 20u, 2u, 0x20u, 0x1038u, 1u, 0x14u, 0x101Cu, 2u}) le32(code, w);
  EXPECT_EQ(blocks[0].data, code);
  std::vector<uint8_t> table;
  for (uint32_t w : {0u, 0u, 0u, 0u, 20u, 0x101Cu, 0u, 0u}) le32(table, w);
  EXPECT_EQ(blocks[1].address, 0x200u);
  EXPECT_EQ(blocks[1].data, table);
}

std::string manyCalls(int calls, int operands) {
  std::string s = "&BEG\n : 10\n : 1\n";
  for (int i = 0; i < calls; ++i) {
    s += "&AWW\n";
    for (int k = 0; k < operands; ++k) s += " : " + std::to_string(k) + "\n";
  }
  return s + "&END\n : 1\n";
}

TEST_F(DriverTest, TwoByteCodeBeyond64KiBFailsWithMessage26) {
  FakeTarget t = FakeTarget::standard(2);
  t.progSize = 0x40000;
  writeText(path("prog.mvl"), "an earlier program");
  RunResult r = compile(manyCalls(11000, 1), t);  // 66,000 bytes of code
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Processing " + path("prog.zcd"),
                                                  "The available program memory is not enough for the program.",
                                                  "1 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_FALSE(r.hasDownload);
}

TEST_F(DriverTest, CodeBeyondProgramMemoryFailsWithMessage26) {
  FakeTarget t = FakeTarget::standard(4);
  t.progSize = 100;
  RunResult r = compile(manyCalls(6, 1), t);  // 16 + 6 x 12 + 12 = 100 bytes fits
  EXPECT_EQ(r.result, 1);
  r = compile(manyCalls(7, 1), t);
  EXPECT_EQ(r.result, 0);
  EXPECT_FALSE(r.hasDownload);
}

TEST_F(DriverTest, CodePastFourGiBFailsWithMessage26InsteadOfWrapping) {
  FakeTarget t = FakeTarget::standard(4);
  t.progStart = 0xFFFFFFC0u;  // 64 bytes below 4 GiB, memory reaching beyond
  t.progSize = 0x1000;
  t.structSize = 0;
  RunResult r = compile(manyCalls(3, 1), t);  // 16 + 3 x 12 + 12 = 64 bytes fit
  EXPECT_EQ(r.result, 1);
  r = compile(manyCalls(4, 1), t);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Processing " + path("prog.zcd"),
                                                  "The available program memory is not enough for the program.",
                                                  "1 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_FALSE(r.hasDownload);
}

// A variable used again is not asked of the reader again, nor its address
// converted, while no other variable has taken its place among those found;
// every use gets its own address, also when many variables share a place.
// Integer constants likewise.
TEST_F(DriverTest, VariablesAndConstantsFoundAreNotAskedAgain) {
  struct Counting : FakeTarget {
    std::map<std::string, int> asked;
    std::map<uint32_t, int> converted;
    int getVarSizeAndAddress(cg::DdfVarQuery* q) override {
      ++asked[std::string(q->area) + std::to_string(q->index) + "." + std::to_string(q->element)];
      return FakeTarget::getVarSizeAndAddress(q);
    }
    int convertAddressToBin(uint32_t v, unsigned char* o, int n) override {
      ++converted[v];
      return FakeTarget::convertAddressToBin(v, o, n);
    }
  } t;
  static_cast<FakeTarget&>(t) = FakeTarget::standard(4);
  const uint32_t vars = 6000;
  t.areas["W"] = {0x100000, vars, 2, 1};
  t.progSize = 0x100000;
  std::string text = "&BEG\n : 10\n : 1\n";
  for (uint32_t i = 0; i < vars; ++i) {
    const std::string w = "W" + std::to_string(i);
    text += "&AWW\n : " + w + "\n : " + w + "\n&AWW\n : " + w + ".1\n : " + w + ".1\n";
  }
  text += "&END\n : 1\n";
  t.structSize = 0;
  RunResult r = compile(text, t);
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(t.asked.size(), 2 * vars);
  for (const auto& [name, n] : t.asked) ASSERT_EQ(n, 1) << name;
  for (const auto& [address, n] : t.converted) ASSERT_EQ(n, 1) << std::hex << address;
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  ASSERT_FALSE(blocks.empty());
  // BEG 4 words, then AWW entries of 4 words (over several contiguous
  // blocks): the operands are the addresses.
  std::vector<uint8_t> code;
  for (const auto& b : blocks)
    if (b.address == 0x1000u + code.size()) code.insert(code.end(), b.data.begin(), b.data.end());
  ASSERT_EQ(code.size(), 16u + 2 * vars * 16 + 12);
  for (uint32_t k = 0; k < 2 * vars; ++k) {
    const uint32_t address = 0x100000 + 2 * (k / 2) + k % 2;
    uint32_t w0, w1;
    std::memcpy(&w0, code.data() + 16 + 16 * k + 8, 4);
    std::memcpy(&w1, code.data() + 16 + 16 * k + 12, 4);
    ASSERT_EQ(w0, address) << k;
    ASSERT_EQ(w1, address) << k;
  }

  // Integer constants likewise: each value converted once, every use written.
  struct CountingLongs : FakeTarget {
    std::map<uint32_t, int> converted;
    int convertLongToBin(uint32_t v, unsigned char* o, int n) override {
      ++converted[v];
      return FakeTarget::convertLongToBin(v, o, n);
    }
    int convertAddressToBin(uint32_t v, unsigned char* o, int) override {  // not counted
      std::memcpy(o, &v, 4);
      return 1;
    }
  } c;
  static_cast<FakeTarget&>(c) = FakeTarget::standard(4);
  c.structSize = 0;
  c.progSize = 0x100000;
  std::string ints = "&BEG\n : 10\n : 1\n";
  for (uint32_t i = 0; i < 3000; ++i) ints += "&AWW\n : " + std::to_string(i % 700) + "\n : -1\n";
  ints += "&END\n : 1\n";
  RunResult r2 = compile(ints, c);
  ASSERT_EQ(r2.result, 1);
  // The cycle time (10) is converted once more for the task table.
  for (const auto& [value, n] : c.converted) ASSERT_EQ(n, value == 10 ? 2 : 1) << value;
  EXPECT_EQ(c.converted.size(), 700u + 1) << "0 to 699 (the task's 10 and 1 among them) and -1";
  ASSERT_TRUE(cg::parseDlfImage(r2.download, blocks));
  code.clear();
  for (const auto& b : blocks)
    if (b.address == 0x1000u + code.size()) code.insert(code.end(), b.data.begin(), b.data.end());
  ASSERT_EQ(code.size(), 16u + 3000 * 16 + 12);
  for (uint32_t k = 0; k < 3000; ++k) {
    uint32_t w0, w1;
    std::memcpy(&w0, code.data() + 16 + 16 * k + 8, 4);
    std::memcpy(&w1, code.data() + 16 + 16 * k + 12, 4);
    ASSERT_EQ(w0, k % 700) << k;
    ASSERT_EQ(w1, 0xFFFFFFFFu) << k;
  }
}

TEST_F(DriverTest, AddressFormatsOtherThanTwoAreFourByteAddresses) {
  const std::string text = "&BEG\n : 10\n : 1\n&AWW\n : 1\n&END\n : 1\n";
  FakeTarget four = FakeTarget::standard(4);
  RunResult expected = compile(text, four);
  ASSERT_EQ(expected.result, 1);
  for (uint8_t format : {0, 1, 3, 8, 255}) {
    SCOPED_TRACE(int(format));
    FakeTarget t = FakeTarget::standard(4);
    t.width = format;
    RunResult r = compile(text, t);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.download, expected.download) << "the same code as for format 4";
  }
}

TEST_F(DriverTest, RealConstantsBeyondTheFloatRangeAreRefused) {
  FakeTarget t = FakeTarget::standard(4);
  RunResult r = compile("&BEG\n : 10\n : 1\n&AWW\n : 3.4e38\n&AWW\n : 1e39\n&END\n : 1\n", t);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Processing " + path("prog.zcd"),
                                                  "Error in line 7 : Cannot convert value to target format.",
                                                  "1 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_FALSE(r.hasDownload);
}

TEST_F(DriverTest, MoreScriptsThanTheTableHoldsFailWithAMessage) {
  FakeTarget t = FakeTarget::standard(4);  // a script table of 64 bytes: 8 entries of 8 bytes
  auto program = [](int scripts) {
    std::string s = "&BEG\n : 10\n : 1\n";
    for (int n = 1; n <= scripts; ++n) s += ">S" + std::to_string(n) + "\n&AWW\n : 1\n";
    return s + "&END\n : 1\n";
  };
  RunResult r = compile(program(8), t);
  EXPECT_EQ(r.result, 1);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  bool tableFound = false;
  for (const auto& b : blocks)
    if (b.address == 0x9000u) {
      tableFound = true;
      EXPECT_EQ(b.data.size(), 64u);
    }
  EXPECT_TRUE(tableFound);

  r = compile(program(9), t);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Processing " + path("prog.zcd"),
                                                  "The script table of the target holds only 8 scripts.",
                                                  "1 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_FALSE(r.hasDownload);
}

TEST_F(DriverTest, FourByteCodeBeyond64KiBIsSplitIntoContiguousBlocks) {
  FakeTarget t = FakeTarget::standard(4);
  t.progSize = 0x100000;
  t.structSize = 0;
  RunResult r = compile(manyCalls(5000, 2), t);  // 80,028 bytes of code
  ASSERT_EQ(r.result, 1);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  ASSERT_EQ(blocks.size(), 3u);  // two code blocks and the task table
  EXPECT_EQ(blocks[0].address, 0x1000u);
  EXPECT_LE(blocks[0].data.size(), 0xFFFFu);
  EXPECT_EQ(blocks[1].address, 0x1000u + blocks[0].data.size());
  EXPECT_EQ(blocks[0].data.size() + blocks[1].data.size(), 16u + 5000u * 16u + 12u);
  EXPECT_EQ(blocks[0].data.size() % 4, 0u);
}

TEST_F(DriverTest, LargeTaskTableIsSplitAndEmptyDataFileGivesAnEmptyBlock) {
  FakeTarget t = FakeTarget::standard(4);
  t.taskCount = 10000;  // 10,001 entries of 8 bytes
  t.structSize = 0;
  writeText(path("empty.bin"), "");
  RunResult r = compile("&BEG\n : 10\n : 9999\n&END\n : 9999\n#DT1 = '" + path("empty.bin") + "'\n", t);
  ASSERT_EQ(r.result, 1);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[1].address, 0x200u);
  EXPECT_EQ(blocks[1].data.size(), 0xFFFFu);
  EXPECT_EQ(blocks[2].address, 0x200u + 0xFFFFu);
  EXPECT_EQ(blocks[2].data.size(), 80008u - 0xFFFFu);
  uint32_t cycle;
  std::memcpy(&cycle, blocks[2].data.data() + (9999 * 8 - 0xFFFF), 4);
  EXPECT_EQ(cycle, 10u);
  EXPECT_EQ(blocks[3].address, 0xA012u);
  EXPECT_TRUE(blocks[3].data.empty());
}

TEST_F(DriverTest, FailedOutputPassLeavesNoDownloadFile) {
  FakeTarget t = FakeTarget::standard(4);
  t.areas.erase("SCRIPTTAB");
  writeText(path("prog.mvl"), "an earlier program");
  RunResult r = compile("&BEG\n : 10\n : 1\n>S1\n&END\n : 1\n", t);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Memory block for script table not found."}));
  EXPECT_FALSE(r.hasDownload);
  EXPECT_EQ(r.adv.errors, 1u);

  // A data file that cannot be opened is fatal; the earlier program goes too.
  writeText(path("prog.mvl"), "an earlier program");
  t = FakeTarget::standard(4);
  RunResult r2 = compile("#DT1 = '" + path("gone.bin") + "'\n", t);
  EXPECT_EQ(r2.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot open file " + path("gone.bin")}));
  EXPECT_FALSE(r2.hasDownload);
}

TEST_F(DriverTest, DescriptorThatDoesNotFitIsLeftOutWithAWarning) {
  FakeTarget t = FakeTarget::standard(4);
  t.structSize = 8;  // BEG "1233", END "123", "5" = 8 characters fit exactly
  RunResult r = compile("&BEG\n : 10\n : 1\n&END\n : 1\n", t);
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(r.boxes.empty());
  t.structSize = 7;
  r = compile("&BEG\n : 10\n : 1\n&END\n : 1\n", t);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{
                         "LINK : Warning ! Not enough memory in target for auto start info. Data will not be loaded. "}));
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  EXPECT_EQ(blocks.size(), 2u);  // code and task table only
  EXPECT_EQ(r.adv.warnings, 1u);
}

TEST_F(DriverTest, ProgramWithoutTaskAndADescriptorAreaFailsWith56) {
  FakeTarget t = FakeTarget::standard(4);
  RunResult r = compile("#DW1 = 1\n", t);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.boxes, (std::vector<std::string>{"LINK : Fatal error !   Cannot write to target file " + path("prog.mvl") + " !"}));
  t.structSize = 0;
  r = compile("\n;only a definition\n#DW1 = 1\n", t);
  EXPECT_EQ(r.result, 1);
}

TEST_F(DriverTest, FileCommandAddsTheFileAsWords) {
  FakeTarget t = FakeTarget::standard(4);
  t.structSize = 0;
  writeText(path("w.bin"), std::string("\x01\x02\x03\x04\x05\x06", 6));
  RunResult r = compile("&BEG\n : 10\n : 1\n&AWW\n : 9\n@ReadBinFile(\"" + path("w.bin") + "\")\n&END\n : 1\n", t);
  ASSERT_EQ(r.result, 1);
  std::vector<cg::DlfBlock> blocks;
  ASSERT_TRUE(cg::parseDlfImage(r.download, blocks));
  std::vector<uint8_t> aww;
  le32(aww, 0x20);
  le32(aww, 0x1028);
  le32(aww, 9);
  for (uint8_t b : {1, 2, 3, 4, 0, 0, 5, 6, 0, 0, 0, 0}) aww.push_back(b);  // last partial word, then 0
  EXPECT_EQ(std::vector<uint8_t>(blocks[0].data.begin() + 16, blocks[0].data.begin() + 16 + 24),
            std::vector<uint8_t>(aww.begin(), aww.end()));
}

}  // namespace
}  // namespace cgtest
