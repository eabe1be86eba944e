#include "fixture.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace editor_test {
namespace {

using namespace editor;

class Options : public EditorFixture {
protected:
  std::filesystem::path dir;
  void SetUp() override {
    EditorFixture::SetUp();
    dir = std::filesystem::temp_directory_path() / ("zerlo-opt-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ctx().optionDirectory = dir.string();
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    EditorFixture::TearDown();
  }
  static std::vector<unsigned char> image(std::size_t size, double zoom = 2.5, bool terminate = true) {
    std::vector<unsigned char> b(std::max<std::size_t>(size, 2592), 'P');
    b[0] = 0x40; b[1] = 0x06;   // extent x 1600
    b[12] = 0;                   // I/O labels off in the file
    double step = 0.5;
    std::memcpy(&b[21 + 8], &step, 8);
    for (int slot = 0; slot < 10; ++slot) {
      unsigned char* p = &b[74 + slot * 251];
      std::string text = "C:\\PATH" + std::to_string(slot);
      std::memcpy(p, text.data(), text.size());
      if (terminate) p[text.size()] = 0;
    }
    std::memcpy(&b[2584], &zoom, 8);
    b.resize(size);
    return b;
  }
  void write(const std::vector<unsigned char>& b) {
    std::ofstream out(dir / "KESTRUM.OPT", std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
};

TEST_F(Options, FileSizes) {
  struct Case { std::size_t size; bool ok; double zoom; };
  for (Case c : {Case{2592, true, 2.5}, Case{2584, true, 1.0}, Case{100, false, 1.0}, Case{3000, true, 2.5}}) {
    ctx().options = OptionValues{};
    write(image(c.size));
    EXPECT_EQ(de_ReadOptions(), c.ok) << c.size;
    EXPECT_DOUBLE_EQ(ctx().options.zoom, c.zoom) << c.size;
  }
  std::filesystem::remove(dir / "KESTRUM.OPT");
  ctx().options.zoom = 3.0;
  EXPECT_FALSE(de_ReadOptions());
  EXPECT_DOUBLE_EQ(ctx().options.zoom, 3.0) << "a missing file changes nothing";
}

TEST_F(Options, FieldsAndPathSlots) {
  write(image(2592));
  ASSERT_TRUE(de_ReadOptions());
  EXPECT_EQ(model::CurrentDocument->SheetWidth, 1600);
  EXPECT_DOUBLE_EQ(model::CurrentDocument->DefaultStepBlock.interval, 0.5);
  EXPECT_EQ(ctx().options.paths[0], "C:\\PATH0");
  EXPECT_EQ(ctx().options.paths[3], "C:\\PATH8") << "slots 4, 5 and 9 are one buffer";
  EXPECT_EQ(ctx().options.paths[9], "C:\\PATH9");
}

TEST_F(Options, SlotsWithoutTerminatorEndAtTheirLastByte) {
  write(image(2592, 2.5, false));
  ASSERT_TRUE(de_ReadOptions());
  for (const std::string& p : ctx().options.paths) EXPECT_EQ(p.size(), 250u);
}

TEST_F(Options, ZoomOnlyFiniteAndInRange) {
  struct Case { double in, want; };
  for (Case c : {Case{std::numeric_limits<double>::quiet_NaN(), 1.0}, Case{std::numeric_limits<double>::infinity(), 1.0},
                 Case{0.01, 0.3}, Case{55.0, 10.0}, Case{1.4, 1.4}}) {
    write(image(2592, c.in));
    de_ReadOptions();
    EXPECT_DOUBLE_EQ(ctx().options.zoom, c.want) << c.in;
  }
}

TEST_F(Options, StartUpOverridesThreeFieldsAfterASuccessfulRead) {
  write(image(2592));
  ui_MainShutDown();
  ctx().optionDirectory = dir.string();
  // ui_MainInit resets the context; the directory is taken from the current one.
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  ui_MainInit();
  std::filesystem::current_path(previous);
  EXPECT_EQ(ctx().options.ioLabels, 1);
  EXPECT_EQ(ctx().options.placeByte, 1);
  EXPECT_DOUBLE_EQ(ctx().options.userDouble, 0.784);
}

} // namespace
} // namespace editor_test
