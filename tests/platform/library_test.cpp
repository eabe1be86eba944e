#include "platform/library.h"
#include "platform/paths.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace plat;

namespace {

const std::string kLibDir = PLATFORM_TESTLIB_DIR;

TEST(Library, LinuxNameTable) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"OBELTOOL.DLL", "OBELTOOL.so"},
      {"ObelTool.dll", "ObelTool.so"},
      {"A\\B\\OBELTOOL.DLL", "A/B/OBELTOOL.so"},
      {"cglink30", "cglink30.so"},      // no extension: a library
      {"NAME.", "NAME"},                // a trailing dot: exactly this name
      {"thing.drv", "thing.drv"},       // another extension is kept
      {"x.so", "x.so"},
  };
  for (const Case& c : cases) EXPECT_EQ(lib::linuxName(c.in), c.out) << c.in;
}

TEST(Library, LoadsByWindowsNameBesideTheCaller) {
  lib::Handle h = lib::load("TESTLIB.DLL", kLibDir);
  ASSERT_NE(h, nullptr) << lib::lastError();
  EXPECT_EQ(lib::lastError(), kLibDir + "/TestLib.so");
  auto fn = lib::symbolAs<int (*)()>(h, "TestLibAnswer");
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(), 42);
  EXPECT_EQ(lib::symbol(h, "NoSuchFunction"), nullptr);
  EXPECT_NE(lib::lastError().find("NoSuchFunction"), std::string::npos);
  lib::unload(h);
}

TEST(Library, LoadsByPathWithDirectory) {
  std::string upperDir = kLibDir;  // the directory part is resolved ignoring case too
  lib::Handle h = lib::load(upperDir + "\\testlib.dll");
  ASSERT_NE(h, nullptr) << lib::lastError();
  lib::unload(h);
}

TEST(Library, MissingLibraryIsAClearError) {
  EXPECT_EQ(lib::load("NOSUCHLIB.DLL", kLibDir), nullptr);
  EXPECT_NE(lib::lastError().find("NOSUCHLIB.DLL"), std::string::npos);
  EXPECT_NE(lib::lastError().find("not found"), std::string::npos);
  // Not searched on the system path either.
  EXPECT_EQ(lib::load("libc.so.6"), nullptr);
  EXPECT_EQ(lib::load(""), nullptr);
}

TEST(Library, FileThatIsNoLibraryIsRefused) {
  plattest::TempDir t;
  ASSERT_TRUE(path::writeFileAtomic(t / "Broken.so", "not a library"));
  EXPECT_EQ(lib::load("BROKEN.DLL", t.path()), nullptr);
  EXPECT_NE(lib::lastError().find("Broken.so"), std::string::npos);
}

} // namespace
