// The kernel's own description, fetched with request 33 and written to a file,
// opens in the device description reader loaded by name.
#include "plc_fixture.h"

#include "ddfreader/ddf01.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

// The device description reader keeps a state record per load that it does not
// free when unloaded; only that allocation is let through.
extern "C" const char* __lsan_default_suppressions() { return "leak:__pthread_once_slow\n"; }

namespace plctest {
namespace {

using namespace protocol;
namespace fs = std::filesystem;

class KernelDescription : public PlcFixture {
protected:
  fs::path dir;
  plat::lib::Handle h = nullptr;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped{sink};
  template <class F> F fn(const char* name) {
    F f = plat::lib::symbolAs<F>(h, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  void SetUp() override {
    PlcFixture::SetUp();
    dir = fs::path(testing::TempDir()) / ("plc_ddf_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // The reader's settings: the converters of the program directory.
    std::string bin = ZERLO_BIN_DIR;
    std::string ini = "[msgconv]\ndefault=2\n1=" + bin + "/MSGCONVBE.DLL\n2=" + bin + "/MSGCONVLE.DLL\n";
    ASSERT_TRUE(plat::path::writeFileAtomic((dir / "OBEL.INI").string(), ini));
    ::setenv("ZERLO_DDFREADER_BINDIR", dir.c_str(), 1);
    h = plat::lib::load("DDFREADER.DLL", ZERLO_BIN_DIR);
    if (!h) GTEST_SKIP() << "DdfReader not built: " << plat::lib::lastError();
  }
  void TearDown() override {
    if (h) {
      if (auto close = plat::lib::symbolAs<DDF01_Close_t>(h, "DDF01_Close")) close();
      plat::lib::unload(h);
    }
    fs::remove_all(dir);
  }
  // Request 33 through the channel, written as a file.
  std::string describe() {
    std::uint8_t* buf;
    std::uint32_t size, *answer;
    std::int32_t* rq;
    k.initSoftComm(&buf, &size, &answer, &rq);
    buf[0] = kReqFullInfo;
    *rq = 1;
    k.commMultiPlex();
    k.commMultiPlex();
    std::string data(reinterpret_cast<char*>(buf), *answer);
    *answer = 0;
    std::string path = (dir / "KERNEL.DDF").string();
    EXPECT_TRUE(plat::path::writeFileAtomic(path, data));
    return path;
  }
};

TEST_F(KernelDescription, OpensWithVersionModulesAndAreas) {
  std::string path = describe();
  ASSERT_EQ(fn<DDF01_Open_t>("DDF01_Open")(path.c_str()), 1);
  std::uint16_t version = 0;
  ASSERT_EQ(fn<DDF01_GetFileVersion_t>("DDF01_GetFileVersion")(&version), 1);
  EXPECT_EQ(version, 301);
  std::uint8_t af = 0;
  fn<DDF01_GetTargetAddressFormat_t>("DDF01_GetTargetAddressFormat")(&af);
  EXPECT_EQ(af, 4);
  std::uint32_t addr = 0;
  std::uint16_t count = 0;
  fn<DDF01_GetMVLTableAddressAndSize_t>("DDF01_GetMVLTableAddressAndSize")(&addr, &count);
  EXPECT_EQ(addr, k.taskRowAddr(0));
  EXPECT_EQ(count, 15);
  std::uint32_t info = 0, infoSize = 0;
  fn<DDF01_GetProgInfo_t>("DDF01_GetProgInfo")(&info, &infoSize);
  EXPECT_EQ(info, k.progInfoAddr());
  EXPECT_EQ(infoSize, 38u);
  auto modul = fn<DDF01_GetModulAddress_t>("DDF01_GetModulAddress");
  const auto& table = plc::opcodeTable();
  for (int i = 0; i < plc::kOpcodeCount; ++i) {
    std::uint32_t a = 0;
    EXPECT_EQ(modul(table[i].name, &a), 0) << table[i].name;
    // Rows that share a handler still have their own address by row.
    EXPECT_EQ(a, plc::handlerToken(i)) << table[i].name;
  }
  auto var = fn<DDF01_GetVarSizeAndAddress_t>("DDF01_GetVarSizeAndAddress");
  int areas = 0;
  for (const plc::Area& a : k.areas()) {
    DdfVarQuery q{a.name.c_str(), 1, -1, 0, 0};
    EXPECT_EQ(var(&q), 1) << a.name;
    EXPECT_EQ(q.address, a.blocks[0].addr + a.size) << a.name;
    EXPECT_EQ(q.size, a.size) << a.name;
    ++areas;
  }
  EXPECT_EQ(areas, 13);
  DdfVarQuery bit{"A", 3, 2, 0, 0};
  EXPECT_EQ(var(&bit), 1);
  EXPECT_EQ(bit.address, k.findArea("A")->blocks[0].addr + 3 * 8 + 2);
  // The modules stand in the file in the kernel's order: the dump lists them.
  std::string text = (dir / "KERNEL.TXT").string();
  ASSERT_EQ(fn<DDF01_PrettyPrint_t>("DDF01_PrettyPrint")(path.c_str(), text.c_str()), 1);
  std::ifstream f(text);
  std::string all((std::istreambuf_iterator<char>(f)), {});
  std::size_t at = all.find("Modul informations");
  ASSERT_NE(at, std::string::npos);
  for (int i = 0; i < plc::kOpcodeCount; ++i) {
    std::string name = std::string(table[i].name);
    name.resize(17, ' ');
    std::size_t next = all.find(name, at);
    ASSERT_NE(next, std::string::npos) << table[i].name;
    at = next + 1;
  }
  EXPECT_TRUE(sink->shown().empty());
}

} // namespace
} // namespace plctest
