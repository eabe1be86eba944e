// File helpers, templates and new projects of the standard dialogs library.
#include "projects.h"

#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace sw;
namespace fs = std::filesystem;
using namespace plat::ui;

namespace {

void put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::string get(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Records the messages; answers with the next scripted answer (else OK).
struct Messages {
  struct Shown {
    unsigned id, flags;
    std::string arg;
  };
  std::vector<Shown> shown;
  std::vector<int> answers;
  Say say() {
    return [this](unsigned id, unsigned flags, const std::vector<kit::FormatArg>& args) {
      std::string a;
      if (!args.empty()) a = std::get<std::string>(args[0].value());
      shown.push_back({id, flags, a});
      if (answers.empty()) return int(IDOK);
      int r = answers.front();
      answers.erase(answers.begin());
      return r;
    };
  }
  std::vector<unsigned> ids() const {
    std::vector<unsigned> out;
    for (auto& s : shown) out.push_back(s.id);
    return out;
  }
};

struct Dir {
  fs::path p;
  Dir() {
    p = fs::temp_directory_path() / ("swproj-" + std::to_string(::getpid()) + "-" +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(p);
    fs::create_directories(p);
  }
  ~Dir() { fs::remove_all(p); }
};

} // namespace

TEST(Files, CreatePathMakesEveryPartAndFailsOnAFile) {
  Dir d;
  EXPECT_EQ(sw_CreatePath((d.p / "A" / "B" / "C").string()), 1);
  EXPECT_TRUE(sw_DirExists((d.p / "A" / "B" / "C").string()));
  EXPECT_EQ(sw_CreatePath((d.p / "A" / "B").string() + "/"), 1);
  put(d.p / "A" / "F", "x");
  EXPECT_EQ(sw_CreatePath((d.p / "A" / "F" / "G").string()), 0);
  EXPECT_EQ(sw_CreatePath(""), 0);
  // A creation the system refuses answers 0 (so the caller shows its message).
  fs::create_directories(d.p / "RO");
  fs::permissions(d.p / "RO", fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) {
    EXPECT_EQ(sw_CreatePath((d.p / "RO" / "X").string()), 0);
  }
  fs::permissions(d.p / "RO", fs::perms::owner_all);
}

TEST(Files, CopyFileAsksBeforeOverwriting) {
  Dir d;
  std::string big(5000, 'x');
  big[4999] = 'y';
  put(d.p / "SRC", big);
  put(d.p / "DST", "old");
  std::string src = (d.p / "SRC").string(), dst = (d.p / "DST").string();
  struct Case { int mode; int answer; int result; bool copied; unsigned flags; };
  const Case cases[] = {{0, IDNO, 1, false, MB_YESNO}, {1, IDCANCEL, 0, false, MB_YESNOCANCEL},
                        {0, IDYES, 1, true, MB_YESNO}};
  for (const Case& c : cases) {
    put(d.p / "DST", "old");
    Messages m;
    m.answers = {c.answer};
    bool cancelled = false;
    EXPECT_EQ(sw_CopyFile(src.c_str(), dst.c_str(), c.mode, m.say(), &cancelled), c.result);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].id, 100u);
    EXPECT_EQ(m.shown[0].flags, c.flags);
    EXPECT_EQ(m.shown[0].arg, dst);
    EXPECT_EQ(get(d.p / "DST"), c.copied ? big : "old");
    EXPECT_EQ(cancelled, c.answer == IDCANCEL);
  }
  Messages m;
  EXPECT_EQ(sw_CopyFile(nullptr, dst.c_str(), 0, m.say()), 0);
  EXPECT_EQ(sw_CopyFile((d.p / "NONE").c_str(), (d.p / "NEW").c_str(), 0, m.say()), 0);
  EXPECT_EQ(sw_CopyFile(src.c_str(), (d.p / "NO" / "DIR").c_str(), 0, m.say()), 0);
  EXPECT_EQ(m.ids(), (std::vector<unsigned>{503, 504, 505}));
  // A file copied onto itself stays whole.
  EXPECT_EQ(sw_CopyFile(src.c_str(), src.c_str(), 0, m.say()), 1);
  EXPECT_EQ(get(d.p / "SRC"), big);
}

TEST(Projects, NamesAndSuggestion) {
  struct Case { const char* name; bool ok; };
  const Case cases[] = {{"PUMP", true}, {"A B", true}, {"", false}, {"A?", false}, {"A*", false}, {"C:", false},
                        {"A\\B", false}, {"A/B", false}, {".", false}, {"..", false}, {"..X", true}};
  for (const Case& c : cases) EXPECT_EQ(isValidProjectName(c.name), c.ok) << c.name;
  Dir d;
  EXPECT_EQ(suggestProjectName(d.p.string(), "UNTITLED %02d", ".MDL"), "UNTITLED 00");
  put(d.p / "UNTITLED 00.MDL", "");
  put(d.p / "UNTITLED 01.MDL", "");
  EXPECT_EQ(suggestProjectName(d.p.string() + "/", "UNTITLED %02d", ".MDL"), "UNTITLED 02");
}

TEST(Templates, ListEndsAtTheFirstGapAndDefaultsByNumber) {
  Dir d;
  std::string ini = (d.p / "TEMPLATES.INI").string();
  TemplateList l;
  EXPECT_FALSE(LoadTemplates(ini, d.p.string(), l));
  put(ini, "[GENERAL]\nDEFAULT=2\n\n[1]\nDIR=MOTOR\nICON=motor.ico\nNAME=Motor control\n\n[2]\nDIR=LAMP\n\n"
           "[4]\nDIR=LOST\n");
  ASSERT_TRUE(LoadTemplates(ini, d.p.string(), l));
  ASSERT_EQ(l.items.size(), 2u);
  EXPECT_EQ(l.defaultIndex, 1);
  EXPECT_EQ(l.items[0].shown(), "Motor control");
  EXPECT_EQ(l.items[0].icon, (d.p / "motor.ico").string());
  EXPECT_EQ(l.items[1].shown(), "LAMP");
  EXPECT_EQ(l.items[1].icon, "");
  EXPECT_EQ(GetTemplateFullDir(d.p.string(), l.items[1]), (d.p / "LAMP").string());
  EXPECT_EQ(GetTemplateFullDir("", l.items[1]), "");
  put(ini, "[GENERAL]\nDEFAULT=5\n[1]\nDIR=A\n[2]\nDIR=B\n[3]\nDIR=C\n");
  ASSERT_TRUE(LoadTemplates(ini, d.p.string(), l));
  EXPECT_EQ(l.items.size(), 3u);
  EXPECT_EQ(l.defaultIndex, -1);
  put(ini, "[1]\nDIR=A\n");
  ASSERT_TRUE(LoadTemplates(ini, d.p.string(), l));
  EXPECT_EQ(l.defaultIndex, 0);  // DEFAULT is 1 when missing
}

// DIR and ICON values written with "\\" name files below the template
// directory; their parts are matched without regard to case on disk.
TEST(Templates, BackslashSeparatesTheirPaths) {
  Dir d;
  fs::create_directories(d.p / "MOTOR" / "PICS");
  put(d.p / "MOTOR" / "PICS" / "motor.bmp", "BM");
  struct Case {
    const char* value;
    const char* expected;  // below the template directory
  };
  const Case cases[] = {
      {"MOTOR\\PICS\\motor.bmp", "MOTOR/PICS/motor.bmp"},
      {"\\MOTOR\\PICS\\motor.bmp", "MOTOR/PICS/motor.bmp"},
      {"motor\\pics\\MOTOR.BMP", "MOTOR/PICS/motor.bmp"},
      {"MOTOR/PICS\\motor.bmp", "MOTOR/PICS/motor.bmp"},
      {"LAMP\\lamp.bmp", "LAMP/lamp.bmp"},  // missing: kept as given
      {"Motor\\Pics", "MOTOR/PICS"},
  };
  std::string ini = (d.p / "TEMPLATES.INI").string();
  for (const Case& c : cases) {
    put(ini, std::string("[1]\nDIR=") + c.value + "\nICON=" + c.value + "\n");
    TemplateList l;
    ASSERT_TRUE(LoadTemplates(ini, d.p.string(), l));
    ASSERT_EQ(l.items.size(), 1u);
    EXPECT_EQ(l.items[0].icon, (d.p / c.expected).string()) << c.value;
    EXPECT_EQ(GetTemplateFullDir(d.p.string(), l.items[0]), (d.p / c.expected).string()) << c.value;
  }
}

TEST(Projects, TemplateCopiedUnderTheProjectNameWithTheNameField) {
  Dir d;
  fs::path tpl = d.p / "TEMPLATE" / "MOTOR", out = d.p / "PROJECTS" / "P1";
  fs::create_directories(tpl / "SUB");
  std::string magic;
  for (std::uint32_t w : {7777777u, 3333333u})
    for (int i = 0; i < 4; ++i) magic += char((w >> (8 * i)) & 0xFF);
  put(tpl / "MOTOR.MDL", magic + std::string(40, '\x11'));
  put(tpl / "MOTOR.LPA", "lpa");
  put(tpl / "README.TXT", "readme");
  put(tpl / "SUB" / "Motor.mdl", std::string(20, '\x22'));  // no magic words: the field at 4
  fs::create_directories(out);
  Messages m;
  ASSERT_TRUE(copyTemplate(tpl.string(), out.string(), "motor", "PUMP", m.say()));
  EXPECT_TRUE(m.shown.empty());
  EXPECT_EQ(get(out / "PUMP.LPA"), "lpa");
  EXPECT_EQ(get(out / "README.TXT"), "readme");
  std::string mdl = get(out / "PUMP.MDL");
  ASSERT_EQ(mdl.size(), 48u);
  EXPECT_EQ(mdl.substr(0, 8), magic);
  EXPECT_EQ(mdl.substr(16, 12), std::string("PUMP.MDL\0\0\0\0", 12));
  EXPECT_EQ(mdl.substr(28), std::string(20, '\x11'));
  std::string sub = get(out / "SUB" / "PUMP.MDL");
  EXPECT_EQ(sub.substr(4, 12), std::string("PUMP.MDL\0\0\0\0", 12));
  EXPECT_EQ(get(tpl / "MOTOR.MDL").substr(16, 12), std::string(12, '\x11'));  // the template untouched

  // Copied again: asked for each existing file; No keeps the old file and goes on.
  put(out / "PUMP.LPA", "mine");
  m.answers = {IDNO, IDNO, IDNO, IDNO};
  EXPECT_TRUE(copyTemplate(tpl.string(), out.string(), "MOTOR", "PUMP", m.say()));
  EXPECT_EQ(get(out / "PUMP.LPA"), "mine");
  // Cancel stops with failure.
  m.shown.clear();
  m.answers = {IDCANCEL};
  bool cancelled = false;
  EXPECT_FALSE(copyTemplate(tpl.string(), out.string(), "MOTOR", "PUMP", m.say(), &cancelled));
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(m.shown.size(), 1u);
}

TEST(Projects, SelfCopyIsRefusedAndTheTemplateStaysWhole) {
  Dir d;
  fs::path tpl = d.p / "MOTOR";
  fs::create_directories(tpl);
  put(tpl / "MOTOR.MDL", "template");
  Messages m;
  EXPECT_FALSE(copyTemplate(tpl.string(), (d.p / "." / "MOTOR").string(), "MOTOR", "MOTOR", m.say()));
  fs::create_directories(tpl / "INNER");
  EXPECT_FALSE(copyTemplate(tpl.string(), (tpl / "INNER").string(), "MOTOR", "PUMP", m.say()));
  EXPECT_EQ(m.ids(), (std::vector<unsigned>{503, 502}));
  EXPECT_EQ(get(tpl / "MOTOR.MDL"), "template");
  EXPECT_FALSE(fs::exists(tpl / "INNER" / "PUMP.MDL"));
}

TEST(Projects, NameFieldOfALongNameIsItsAlias) {
  Dir d;
  put(d.p / "LONG PROJECT NAME.MDL", std::string(30, 'z'));
  Messages m;
  ASSERT_TRUE(writeProjectNameField((d.p / "LONG PROJECT NAME.MDL").string(), m.say()));
  EXPECT_EQ(get(d.p / "LONG PROJECT NAME.MDL").substr(4, 12), std::string("LONGPR~1.MDL", 12));
  EXPECT_FALSE(writeProjectNameField((d.p / "MISSING.MDL").string(), m.say()));
  EXPECT_FALSE(writeProjectNameField("", m.say()));
  EXPECT_EQ(m.ids(), (std::vector<unsigned>{506, 506}));
}

// ---- the directory tree ----
#include "dirtree.h"

TEST(DirTree, ChildrenSortedWithoutCaseAndExpandableOnlyWithSomethingToShow) {
  Dir d;
  for (const char* n : {"beta", "Alpha", "GAMMA", "empty", "hiddenonly"}) fs::create_directories(d.p / n);
  fs::create_directories(d.p / "beta" / "inner");
  put(d.p / "file.txt", "");
  put(d.p / "hiddenonly" / ".secret", "");
  DirChildren c = listChildren(d.p.string(), false);
  std::vector<std::string> names;
  for (auto& p : c.dirs) names.push_back(nodeText(p, false));
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "empty", "GAMMA", "hiddenonly"}));
  EXPECT_TRUE(c.files.empty());
  EXPECT_EQ(listChildren(d.p.string(), true).files, (std::vector<std::string>{(d.p / "file.txt").string()}));
  EXPECT_TRUE(hasChildren((d.p / "beta").string(), false));
  EXPECT_FALSE(hasChildren((d.p / "empty").string(), true));
  // Only hidden files: no placeholder even with files shown, but expanding lists them.
  EXPECT_FALSE(hasChildren((d.p / "hiddenonly").string(), true));
  EXPECT_EQ(listChildren((d.p / "hiddenonly").string(), true).files.size(), 1u);
  // Read afresh: a directory made later shows at the next listing.
  fs::create_directories(d.p / "empty" / "new");
  EXPECT_TRUE(hasChildren((d.p / "empty").string(), false));
  EXPECT_EQ(nodeText(d.p.string() + "/", true), d.p.string());
}

TEST(DirTree, WayToAPathFromTheLongestRoot) {
  Dir d;
  fs::create_directories(d.p / "Work" / "Sub");
  std::vector<std::string> roots{"/", d.p.string()};
  TreeWay w = wayTo(roots, (d.p / "WORK").string());
  EXPECT_EQ(w.root, -1);  // does not exist (names keep their case on disk)
  w = wayTo(roots, (d.p / "Work" / "Sub").string() + "/");
  EXPECT_EQ(w.root, 1);
  EXPECT_EQ(w.parts, (std::vector<std::string>{"Work", "Sub"}));
  w = wayTo({"/"}, d.p.string());
  EXPECT_EQ(w.root, 0);
  EXPECT_EQ(w.parts.back(), d.p.filename().string());
  EXPECT_EQ(wayTo({d.p.string() + "/Work"}, "/").root, -1);
  std::vector<std::string> v{"b", "A", "a", "C"};
  sw_SortStrings(v);
  EXPECT_EQ(v, (std::vector<std::string>{"A", "a", "b", "C"}));
}

TEST(DirTree, MountedVolumesOfBlockDevices) {
  const char* mounts = "proc /proc proc rw 0 0\n/dev/sda1 / ext4 rw 0 0\n/dev/sda2 /boot/efi vfat rw 0 0\n"
                       "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\ntmpfs /run tmpfs rw 0 0\n"
                       "/dev/sdc1 /mnt/data ext4 rw 0 0\n/dev/sdc1 /mnt/data ext4 rw 0 0\n";
  EXPECT_EQ(mountedVolumes(mounts), (std::vector<std::string>{"/media/user/USB STICK", "/mnt/data"}));
  std::vector<std::string> roots = treeRoots();
  ASSERT_FALSE(roots.empty());
  EXPECT_EQ(roots[0], "/");
}

TEST(Bitmaps, FilesPreviewAndLookup) {
  Dir d;
  for (const char* n : {"b.bmp", "A.BMP", "c.Bmp", "note.txt"}) put(d.p / n, "");
  fs::create_directories(d.p / "dir.bmp");
  EXPECT_EQ(bitmapFiles(d.p.string()), (std::vector<std::string>{"A.BMP", "b.bmp", "c.Bmp"}));
  EXPECT_TRUE(bitmapFiles((d.p / "none").string()).empty());
  EXPECT_EQ(findFileNoCase(d.p.string(), "B.BMP"), "b.bmp");
  EXPECT_EQ(findFileNoCase(d.p.string(), "A.BMP"), "A.BMP");
  EXPECT_EQ(findFileNoCase(d.p.string(), "X.BMP"), "");
  // A 300 x 20 bitmap in a narrower frame is stretched; 50 x 40 in a larger one is centred.
  Rect frame{10, 20, 200, 100};
  EXPECT_EQ(previewRect(frame, 300, 20), frame);
  EXPECT_EQ(previewRect(frame, 50, 40), (Rect{85, 50, 50, 40}));
  EXPECT_EQ(previewRect(frame, 200, 40), frame);
}
