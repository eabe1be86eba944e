#include "test_support.h"

#include "platform/paths.h"

#include <atomic>
#include <unistd.h>

namespace ddftest {

bool TableLoader::load(const std::string& path, mc01::Table& t, void*& handle) {
  const mc01::Table* src = nullptr;
  if (path == "LE") src = &mc01::littleEndian();
  else if (path == "BE") src = &mc01::bigEndian();
  if (!src) return false;
  t = *src;
  if (version != 1.0) {
    static double v;
    v = version;
    t.GetDLLVersion = [] { return v; };
  }
  handle = const_cast<mc01::Table*>(src);
  ++loads;
  return true;
}

void TableLoader::unload(void* handle) {
  if (handle) ++unloads;
}

TempDir::TempDir() {
  static std::atomic<int> n{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("ddfreader_") + std::to_string(::getpid()) + "_" + std::to_string(n++);
  if (info) name += std::string("_") + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  dir_ = std::filesystem::path(::testing::TempDir()) / name;
  std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string ReaderFixture::write(const std::string& name, const ddfw::Description& d) {
  std::string p = tmp.path(name);
  EXPECT_TRUE(ddfw::writeFile(p, d));
  return p;
}

std::string ReaderFixture::writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string p = tmp.path(name);
  EXPECT_TRUE(plat::path::writeFileAtomic(
      p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
  return p;
}

std::vector<std::string> ReaderFixture::shownTexts() const {
  std::vector<std::string> out;
  for (const auto& s : sink->shown()) out.push_back(s.text);
  return out;
}

}  // namespace ddftest
