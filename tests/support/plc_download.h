#pragma once
// For end-to-end tests of compiled programs in a software PLC kernel of the
// test process: a program directory of the test's own with the built code
// generator and the libraries it loads, and the kernel's service channel
// driven by hand (a request in, its answer out; a download file sent as the
// online server library sends it, in memory-write pieces).
#include "kernel.h"
#include "platform/library.h"
#include "protocol/requests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zerlotest {

// A program directory of a test's own: the built code generator and the
// libraries it loads linked into `bin`, an OBEL.INI naming the message
// converters, the description reader pointed at it, and the code generator
// loaded from there. Closing unloads it again.
class CodegenBin {
public:
  ~CodegenBin() { close(); }
  // False with the missing library or the load error in `why`.
  bool open(const std::filesystem::path& bin, std::string& why) {
    namespace fs = std::filesystem;
    fs::create_directories(bin);
    for (const char* f : {"ObelTool.so", "DdfReader.so", "MSGCONVLE.so", "MSGCONVBE.so", "cglink30.so",
                          "libzplatform.so"}) {
      fs::path src = fs::path(ZERLO_BIN_DIR) / f;
      if (!fs::exists(src)) {
        why = std::string(f) + " not built";
        return false;
      }
      fs::create_symlink(src, bin / f);
    }
    std::ofstream(bin / "OBEL.INI") << "[SYSTEM]\nLANGUAGE=2\n[LANGUAGES]\n2=ENGLISH\n[msgconv]\ndefault=2\n"
                                       "1=MSGCONVBE.DLL\n2=MSGCONVLE.DLL\n6=MSGCONVLE.DLL\n";
    ::setenv("ZERLO_DDFREADER_BINDIR", bin.c_str(), 1);
    h_ = plat::lib::load("CGLINK30.DLL", bin.string());
    if (!h_) why = plat::lib::lastError();
    return h_ != nullptr;
  }
  void close() {
    if (h_) plat::lib::unload(h_);
    h_ = nullptr;
    ::unsetenv("ZERLO_DDFREADER_BINDIR");
  }
  plat::lib::Handle handle() const { return h_; }

private:
  plat::lib::Handle h_ = nullptr;
};

class KernelChannel {
public:
  explicit KernelChannel(plc::Kernel& k) : k_(k) { k_.initSoftComm(&buf_, &size_, &answer_, &request_); }

  std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& r) {
    std::memcpy(buf_, r.data(), r.size());
    *request_ = static_cast<std::int32_t>(r.size());
    k_.commMultiPlex();
    k_.commMultiPlex();
    std::vector<std::uint8_t> out(buf_, buf_ + *answer_);
    *answer_ = 0;
    return out;
  }

  // Load mode, then each block of the download file in memory-write requests
  // of at most the usable size - 8 bytes.
  void download(const std::string& path) {
    using namespace protocol;
    std::ifstream f(path, std::ios::binary);
    std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(f)), {});
    ASSERT_GE(d.size(), 14u);
    std::size_t count = getU16(&d[12]), at = 14;
    exchange({kReqSetState, kModeLoad, 0});
    for (std::size_t b = 0; b < count; ++b) {
      ASSERT_LE(at + 6, d.size());
      std::uint32_t addr = getU32(&d[at]);
      std::size_t len = getU16(&d[at + 4]);
      at += 6;
      ASSERT_LE(at + len + 4, d.size());
      for (std::size_t sent = 0; sent < len;) {
        std::size_t piece = std::min<std::size_t>(len - sent, kSoftChannelSize - kPieceReserve);
        std::vector<std::uint8_t> r(5);
        r[0] = kReqWriteMemory;
        putU32(&r[1], addr + static_cast<std::uint32_t>(sent));
        r.insert(r.end(), d.begin() + static_cast<long>(at + sent), d.begin() + static_cast<long>(at + sent + piece));
        exchange(r);
        sent += piece;
      }
      at += len + 4;
    }
  }

private:
  plc::Kernel& k_;
  std::uint8_t* buf_ = nullptr;
  std::uint32_t size_ = 0, *answer_ = nullptr;
  std::int32_t* request_ = nullptr;
};

} // namespace zerlotest
