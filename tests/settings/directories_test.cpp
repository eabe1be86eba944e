// Directories and paths: the Linux form of every path rule.
#include "platform/profile.h"
#include "settings_test_util.h"
#include <fstream>

namespace {

using obel::rules::buildInDir;
using obel::rules::changeExtension;
using obel::rules::insertInstanceDigits;
using obel::rules::resolveAgainst;

TEST(PathRules, ResolvingAgainstABase) {
  const struct { const char* base; const char* value; const char* want; } cases[] = {
      {"/app/bin", "..\\PROJECT", "/app/PROJECT"},
      {"/app/bin", "LIB\\X", "/app/bin/LIB/X"},
      {"/app/bin/", "lib/x", "/app/bin/lib/x"},
      {"/app/bin", "..\\..\\X", "/X"},
      {"/app/bin", "..\\..\\..\\X", "../../../X"},    // more steps than directories: unresolved
      {"/app/bin", ".\\X", "./X"},                     // "./" is not resolved
      {"/app/bin", "..", ".."},
      {"", "TMP.Q", "TMP.Q"},                          // no BIN yet: relative names
      {"/", "X", "/X"},
      {"/app//bin", "a\\\\b", "/app/bin/a/b"},
  };
  for (const auto& c : cases) EXPECT_EQ(resolveAgainst(c.base, c.value), c.want) << c.base << " + " << c.value;
}

TEST(PathRules, AbsoluteValuesAndDrives) {
  EXPECT_TRUE(obel::rules::isAbsoluteValue("/abs/x"));
  EXPECT_TRUE(obel::rules::isAbsoluteValue("\\abs\\x"));
  EXPECT_FALSE(obel::rules::isAbsoluteValue("C:\\LIB1"));  // a drive carries no meaning: relative
  EXPECT_FALSE(obel::rules::isAbsoluteValue("rel/x"));
  EXPECT_EQ(obel::rules::resolveValue("/app/bin", "\\abs\\x"), "/abs/x");
  EXPECT_EQ(obel::rules::resolveValue("/app/bin", "C:\\LIB1"), "/app/bin/LIB1");
}

TEST(PathRules, ExtensionsAndInstanceDigits) {
  const struct { const char* path; const char* ext; const char* want; } ext[] = {
      {"/t/TMP.Q", "ERR", "/t/TMP.ERR"},   {"/t/TMP", "MVL", "/t/TMP.MVL"},
      {"/t.d/TMP", "ERR", "/t.d/TMP.ERR"}, {"a\\b.c\\x.y.z", "ERR", "a/b.c/x.y.ERR"}};
  for (const auto& c : ext) EXPECT_EQ(changeExtension(c.path, c.ext), c.want) << c.path;
  const struct { const char* path; int n; const char* want; } inst[] = {
      {"/app/TEMP/TMP.Q", 2, "/app/TEMP/TMP002.Q"},   {"/app/TEMP/TMP.LST", 12, "/app/TEMP/TMP012.LST"},
      {"/app/TEMP/TMP.LST", 1000, "/app/TEMP/TMP000.LST"}, {"/app/TEMP/TMP.Q", 999, "/app/TEMP/TMP999.Q"},
      {"/app/TEMP/TMP.Q", 0, "/app/TEMP/TMP.Q"},     {"/app/TEMP/TMP.Q", -3, "/app/TEMP/TMP.Q"},
      {"/a.b/TMP", 7, "/a.b/TMP007"},                 {".q", 1, ".q001"}};
  for (const auto& c : inst) EXPECT_EQ(insertInstanceDigits(c.path, c.n), c.want) << c.path << " " << c.n;
  EXPECT_EQ(buildInDir("", "OBEL.INI"), "OBEL.INI");
  EXPECT_EQ(buildInDir("/a/", "OBEL.INI"), "/a/OBEL.INI");
}

class Paths : public testutil::BinDirTest {
protected:
  void put(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(plat::profile::writeString(ini(), section, key, value));
  }
  std::string app() const { return root + "/app"; }
};

TEST_F(Paths, FixedFilesInBin) {
  using G = int (*)(MStrBuf*);
  const std::pair<G, const char*> cases[] = {
      {&obel::GetPathToObelIni, "OBEL.INI"},           {&obel::GetPathToInterfaceIni, "INTERFACE.INI"},
      {&obel::GetPathToZrlTgtWinDLL, "ZRLTGTWIN.DLL"}, {&obel::GetPathToDdfReaderDLL, "DDFREADER.DLL"},
      {&obel::GetPathToStockBarDLL, "STOCKBARS.DLL"},  {&obel::GetPathToStockWinDLL, "STOCKWIN.DLL"},
      {&obel::GetPathToOTgtWinDLL, "OTGTWin.DLL"},
  };
  for (auto [g, name] : cases) {
    int r = 0;
    EXPECT_EQ(get(g, &r), bin + "/" + name);
    EXPECT_EQ(r, 1) << name;
    EXPECT_EQ(g(nullptr), 0) << name;
  }
  EXPECT_EQ(get(&obel::GetBINPath), bin);
  // An existing file is reported with its case on disk.
  testutil::writeText(bin + "/obel.ini", "[SYSTEM]\nLANGUAGE=4\n");
  EXPECT_EQ(get(&obel::GetPathToObelIni), bin + "/obel.ini");
  EXPECT_EQ(obel::GetObelLanguage(), 4);
}

TEST_F(Paths, DirectoriesFromTheSettings) {
  using G = int (*)(MStrBuf*);
  const struct { G get; const char* key; std::string def; } cases[] = {
      {&obel::GetPROJECTPath, "PROJECT", app() + "/PROJECT"}, {&obel::GetTEMPPath, "TEMP", app() + "/TEMP"},
      {&obel::GetDEVICEPath, "DEVICE", app() + "/DEVICE"},   {&obel::GetTEMPLATEPath, "TEMPLATE", app() + "/TEMPLATE"}};
  for (const auto& c : cases) {
    int r = 0;
    EXPECT_EQ(get(c.get, &r), c.def) << c.key;
    EXPECT_EQ(r, 1);
    put("DIR", c.key, "/abs/where");
    EXPECT_EQ(get(c.get), "/abs/where");
    put("DIR", c.key, "sub\\dir");
    EXPECT_EQ(get(c.get), bin + "/sub/dir");
    put("DIR", c.key, "");
    EXPECT_EQ(get(c.get, &r), "");
    EXPECT_EQ(r, 0);
  }
  // An existing directory in another case is found.
  std::filesystem::create_directories(app() + "/project");
  put("DIR", "PROJECT", "..\\PROJECT");
  EXPECT_EQ(get(&obel::GetPROJECTPath), app() + "/project");
}

TEST_F(Paths, ProgramsAndLibrariesOfTheSettings) {
  using G = int (*)(MStrBuf*);
  const struct { G get; const char* section; const char* key; const char* def; } cases[] = {
      {&obel::GetPathToZrlServer, "PROGRAMS", "SERVER", "ONL32NS.EXE"},
      {&obel::GetPathToMsgWnd, "PROGRAMS", "MSGWND", "MESSAGES.EXE"},
      {&obel::GetPathToTrans, "PROGRAMS", "TRANS", "CGLINK32.EXE"},
      {&obel::GetPathToTransDLL, "DLL", "TRANS", "CGLINK30.DLL"},
      {&obel::GetPathToOAccessDLL, "DLL", "ACCESS", nullptr},
      {&obel::GetPathToOMeExtraDLL, "DLL", "EXTRA", nullptr},
  };
  for (const auto& c : cases) {
    int r = 0;
    std::string p = get(c.get, &r);
    if (c.def) {
      EXPECT_EQ(p, bin + "/" + c.def);
      EXPECT_EQ(r, 1);
    } else {
      EXPECT_EQ(p, "");
      EXPECT_EQ(r, 0);
    }
    put(c.section, c.key, "..\\other\\X.SO");
    EXPECT_EQ(get(c.get), app() + "/other/X.SO");
  }
  // A Linux program stands for the Windows name of a program setting.
  for (const char* prog : {"ONL32NS", "MESSAGES"}) {
    testutil::writeText(bin + "/" + prog, "#!/bin/sh\n");
    std::filesystem::permissions(bin + "/" + prog, std::filesystem::perms::owner_all);
  }
  put("PROGRAMS", "SERVER", nullptr);
  put("PROGRAMS", "MSGWND", "messages.exe");
  EXPECT_EQ(get(&obel::GetPathToZrlServer), bin + "/ONL32NS");
  EXPECT_EQ(get(&obel::GetPathToMsgWnd), bin + "/MESSAGES");
  put("programs", "server1", "Onl32ns.EXE");
  ServerData* d = nullptr;
  ASSERT_EQ(obel::GetServerData(1, &d), 1);
  EXPECT_EQ(std::string(d->path), bin + "/ONL32NS");
  EXPECT_STREQ(d->key, "ONL32NS");
  EXPECT_EQ(d->options, 0u);
  obel::FreeServerData(&d);

  MStrBuf b{};
  EXPECT_EQ(obel::GetPathToOnlineDLL("ONL32NS", &b), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/ONL32.DLL");
  msb::Free(&b);
  put("ONL32NS", "comm", "ZERLORUNTIME.DLL");
  EXPECT_EQ(obel::GetPathToOnlDrv("onl32ns", &b), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/ZERLORUNTIME.DLL");
  msb::Free(&b);
  EXPECT_EQ(obel::GetPathToOnlineDLL(nullptr, &b), 0);
  EXPECT_EQ(obel::GetPathToMsgConvDLL(1, &b), 0);
  put("msgconv", "1", "MSGCONV_LE.DLL");
  EXPECT_EQ(obel::GetPathToMsgConvDLL(1, &b), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/MSGCONV_LE.DLL");
  msb::Free(&b);
}

TEST_F(Paths, OutputFilesInTempWithInstanceDigits) {
  std::string temp = app() + "/TEMP";
  using G = int (*)(MStrBuf*);
  using GI = int (*)(MStrBuf*, int);
  const struct { G plain; GI inst; const char* name; const char* name2; } cases[] = {
      {&obel::GetPathToProjectZCD, &obel::GetPathToProjectZCDForInst, "TMP.Q", "TMP002.Q"},
      {&obel::GetPathToProjectError, &obel::GetPathToProjectErrorForInst, "TMP.ERR", "TMP002.ERR"},
      {&obel::GetPathToDLF, &obel::GetPathToDLFForInst, "TMP.MVL", "TMP002.MVL"},
      {&obel::GetPathToDDF, &obel::GetPathToDDFForInst, "TMP.ATT", "TMP002.ATT"},
      {&obel::GetPathToMAP, &obel::GetPathToMAPForInst, "TMP.LST", "TMP002.LST"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(get(c.plain), temp + "/" + c.name);
    MStrBuf b{};
    EXPECT_EQ(c.inst(&b, 2), 1);
    EXPECT_EQ(msb::ToString(&b), temp + "/" + c.name2);
    msb::Free(&b);
    EXPECT_EQ(c.inst(&b, 0), 1);
    EXPECT_EQ(msb::ToString(&b), temp + "/" + c.name);
    msb::Free(&b);
  }
  put("TARGET", "UPDATE", "PROJ\\OUT.ZCD");
  EXPECT_EQ(get(&obel::GetPathToProjectError), temp + "/PROJ/OUT.ERR");
  put("TARGET", "UPDATE", "/abs/OUT.ZCD");
  EXPECT_EQ(get(&obel::GetPathToDLF), "/abs/OUT.MVL");
  // A drive letter is dropped and the rest is relative, also with a root
  // after it (the rule table says so).
  put("TARGET", "UPDATE", "C:\\WORK\\X.Q");
  EXPECT_EQ(get(&obel::GetPathToProjectZCD), temp + "/WORK/X.Q");
  put("TARGET", "UPDATE", "d:X.Q");
  EXPECT_EQ(get(&obel::GetPathToProjectZCD), temp + "/X.Q");
  put("TARGET", "UPDATE", "");
  int r = 9;
  EXPECT_EQ(get(&obel::GetPathToProjectError, &r), "");
  EXPECT_EQ(r, 0);
  MStrBuf b{};
  EXPECT_EQ(obel::GetPathToProjectZCDForInst(&b, 5), 0);
}

TEST_F(Paths, LibraryList) {
  put("DIR", "LIBRARIES", " /lib1 ; LIB2;..\\LIB3;;");
  MStrBuf b{};
  std::vector<std::string> got;
  int r = obel::GetLIBRARYPaths(0, &b);
  while (r == 1) {
    got.push_back(msb::ToString(&b));
    msb::Free(&b);
    r = obel::GetLIBRARYPaths(1, &b);
  }
  msb::Free(&b);
  // Blanks before a ";" stay part of the entry; an empty entry ends nothing.
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], "/lib1 ");
  EXPECT_EQ(got[1], bin + "/LIB2");
  EXPECT_EQ(got[2], app() + "/LIB3");
  EXPECT_EQ(got[3], bin);
  EXPECT_EQ(obel::GetLIBRARYPaths(2, nullptr), 1);
  EXPECT_EQ(obel::GetLIBRARYPaths(1, &b), 0);  // forgotten
  EXPECT_EQ(obel::GetLIBRARYPaths(9, &b), 1);
  put("DIR", "LIBRARIES", "");
  EXPECT_EQ(obel::GetLIBRARYPaths(0, &b), 0);
  std::filesystem::remove(ini());
  EXPECT_EQ(obel::GetLIBRARYPaths(0, &b), 1);  // default ..\LIB
  EXPECT_EQ(msb::ToString(&b), app() + "/LIB");
  msb::Free(&b);
  obel::GetLIBRARYPaths(2, nullptr);
}

TEST_F(Paths, LanguageFolders) {
  put("LANGUAGES", "2", "ENGLISH");
  MStrBuf b{};
  EXPECT_EQ(obel::GetObelLanguagePath(&b, 2), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/ENGLISH");
  msb::Free(&b);
  EXPECT_EQ(obel::GetObelLanguagePath(&b, 3), 0);
  EXPECT_EQ(msb::ToString(&b), bin + "/");
  msb::Free(&b);
  msb::FromCStr(&b, "kept");
  EXPECT_EQ(obel::GetObelLanguagePath(&b, 9), 0);
  EXPECT_EQ(msb::ToString(&b), "kept");
  msb::Free(&b);
  EXPECT_EQ(obel::GetLanguageTEMPLATEPath(&b, 2), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/ENGLISH/TEMPLATE");
  msb::Free(&b);
  EXPECT_EQ(obel::GetLanguageTEMPLATEPath(&b, 9), 1);
  EXPECT_EQ(msb::ToString(&b), "TEMPLATE");
  msb::Free(&b);
  EXPECT_EQ(obel::GetPathToLanguageHelpFile(&b, 3), 1);
  EXPECT_EQ(msb::ToString(&b), bin + "/ZERLO.HLP");
  msb::Free(&b);
  EXPECT_EQ(obel::GetLanguageTEMPLATEPath(nullptr, 2), 0);
}

TEST_F(Paths, ResourceAndTempFile) {
  MStrBuf b{};
  EXPECT_EQ(obel::GetPathToRES(&b, "default"), 1);
  EXPECT_EQ(msb::ToString(&b), app() + "/DEVICE/default.RES");
  msb::Free(&b);
  EXPECT_EQ(obel::GetPathToRES(&b, nullptr), 0);
  EXPECT_EQ(obel::GetPathToTempFile(&b), 1);
  std::string t = msb::ToString(&b);
  msb::Free(&b);
  EXPECT_EQ(t.rfind(app() + "/TEMP/TMP", 0), 0u) << t;
  EXPECT_TRUE(std::filesystem::is_regular_file(t));
  EXPECT_EQ(obel::GetPathToTempFile(&b), 1);
  EXPECT_NE(msb::ToString(&b), t);
  msb::Free(&b);
}

TEST_F(Paths, ServerData) {
  ServerData* d = nullptr;
  EXPECT_EQ(obel::GetServerData(1, &d), 0);
  EXPECT_EQ(d, nullptr);
  put("programs", "server1", "SRV\\MyServer.EXE");
  put("programs", "server2", "\\srv\\online.dll");
  put("programs", "server3", "ONL32NS");
  put("ONLINE", "name", "Online server");
  put("ONLINE", "options", "3");
  ASSERT_EQ(obel::GetServerData(1, &d), 1);
  EXPECT_STREQ(d->key, "MYSERVER");
  EXPECT_STREQ(d->name, "MYSERVER");
  EXPECT_EQ(std::string(d->path), bin + "/SRV/MyServer.EXE");
  EXPECT_EQ(d->options, 0u);
  obel::FreeServerData(&d);
  EXPECT_EQ(d, nullptr);
  ASSERT_EQ(obel::GetServerData(2, &d), 1);
  EXPECT_STREQ(d->key, "ONLINE");
  EXPECT_STREQ(d->name, "Online server");
  EXPECT_EQ(d->options, 3u | SERVERDATA_NOT_A_PROGRAM);
  obel::FreeServerData(&d);
  ASSERT_EQ(obel::GetServerData(3, &d), 1);  // a Linux program: no extension
  EXPECT_EQ(d->options, 0u);
  obel::FreeServerData(&d);
  EXPECT_EQ(obel::FreeServerData(nullptr), 0);
  MStrBuf b{};
  EXPECT_EQ(obel::GetPathToServer(0, &b), 0);
}

TEST_F(Paths, SetBinPath) {
  EXPECT_EQ(obel::SetBINPathByString("/x/y/prog.exe"), 1);
  EXPECT_EQ(obel::binPath(), "/x/y");
  EXPECT_EQ(obel::SetBINPathByString("C:\\APP\\BIN\\ZERLO.EXE"), 1);
  EXPECT_EQ(obel::binPath(), "APP/BIN");
  EXPECT_EQ(obel::SetBINPathByString("noslash"), 1);
  EXPECT_EQ(obel::binPath(), "APP/BIN");  // unchanged
  // An address in a module gives that module's directory; what lies at the
  // address is never read as text: a literal and a heap copy of one text
  // give the same answer.
  static const char inModule[] = "/tmp";
  EXPECT_EQ(obel::SetBINPath(inModule), 1);
  EXPECT_EQ(obel::binPath(), plat::path::programDir());
  EXPECT_EQ(obel::SetBINPathByString((bin + "/ZERLO").c_str()), 1);
  const std::string onHeap = std::string(inModule) + std::string(40, '/');
  EXPECT_EQ(obel::SetBINPath(onHeap.c_str()), 0) << "a heap address lies in no module";
  EXPECT_EQ(obel::binPath(), bin) << "unchanged";
  int onStack = 5;
  EXPECT_EQ(obel::SetBINPath(&onStack), 0) << "a stack address lies in no module";
  EXPECT_EQ(obel::binPath(), bin);
  EXPECT_EQ(obel::SetBINPath(reinterpret_cast<const void*>(&obel::GetDLLVersion)), 1);
  EXPECT_EQ(obel::binPath(), plat::path::programDir());  // the core is linked into this test program
  EXPECT_EQ(obel::SetBINPathByString((bin + "/ZERLO").c_str()), 1);
  EXPECT_EQ(obel::SetBINPath(nullptr), 1);
  EXPECT_EQ(obel::binPath(), plat::path::programDir());
}

} // namespace
