// The PLC's file-write request (35) from any bytes: the input is the request
// after its code ({u16 name length, name, 0, mode, data}). A request stores
// only inside the PLC's file folder: nothing ever appears beside it.
#include "kernel.h"
#include "protocol/requests.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path& root() {
  static const fs::path r = fs::temp_directory_path() / ("zerlo-fuzz-plcfiles-" + std::to_string(::getpid()));
  return r;
}

plc::Kernel& kernel() {
  static plc::Kernel* k = [] {
    fs::remove_all(root());
    fs::create_directories(root() / "files" / "sub");
    auto* kk = new plc::Kernel;
    kk->fileDir = (root() / "files").string();
    DspsInitRecord rec{"plc/TESK.INI", "10"};
    kk->dspsInit(2, &rec);
    kk->setMode(protocol::kModeCheck);
    return kk;
  }();
  return *k;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  plc::Kernel& k = kernel();
  std::uint8_t* buf;
  std::uint32_t room, *answer;
  std::int32_t* rq;
  k.initSoftComm(&buf, &room, &answer, &rq);
  const std::size_t n = std::min<std::size_t>(size, room - 1);
  buf[0] = protocol::kReqFileWrite;
  std::copy(data, data + n, buf + 1);
  *rq = static_cast<std::int32_t>(n + 1);
  k.commMultiPlex();
  k.commMultiPlex();
  if (*answer > room) std::abort();
  *answer = 0;
  // Only the file folder lies in the root; its files are cleared now and then.
  for (const auto& e : fs::directory_iterator(root()))
    if (e.path().filename() != "files") std::abort();
  static unsigned runs = 0;
  if (++runs % 2000 == 0) {
    fs::remove_all(root() / "files");
    fs::create_directories(root() / "files" / "sub");
  }
  return 0;
}
