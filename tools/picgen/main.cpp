// picgen OUTDIR: writes our pictures into OUTDIR (created when missing).
#include "pictures.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picgen OUTDIR\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!picgen::startPicture().save((dir / "OBELST.BMP").string())) {
    std::fprintf(stderr, "picgen: cannot write %s\n", (dir / "OBELST.BMP").c_str());
    return 1;
  }
  return 0;
}
