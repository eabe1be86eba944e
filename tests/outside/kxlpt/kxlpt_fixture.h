#pragma once
// A software PLC kernel whose interface is kxlpt.so on LPT1, with the
// simulated board as the process's port backend.
#include "kernel.h"
#include "lptif/board.h"
#include "platform/ports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace kxlpttest {

struct LptSettings : plc::SettingsSource {
  bool getKXIFSettings(plc::IfSettings& s) override {
    s.port = 2;
    s.ifaceNum = 1;
    s.cycleTime = 10;
    return true;
  }
  bool getKXIFPort(int n, plc::IfPort& p) override {
    if (n != 2) return false;
    p.portName = "LPT1";
    p.driver = std::string(ZERLO_BIN_DIR) + "/kxlpt.so";
    return true;
  }
};

inline std::vector<int>& errors() {
  static std::vector<int> e;
  return e;
}

class KernelOnBoard : public ::testing::Test {
protected:
  plc::Kernel k;
  std::shared_ptr<lptif::SimulatedBoard> board = std::make_shared<lptif::SimulatedBoard>(0x378);
  std::filesystem::path dir;
  std::string ini;

  void SetUp() override {
    ::setenv("ZERLO_PARPORTS", "", 1);
    plat::io::setPortIo(board);
    board->setAnalogCounts(1205, 2405);
    dir = std::filesystem::path(testing::TempDir()) / ("kxlpt_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ini = (dir / "INTERFACE.INI").string();
    std::ofstream(ini) << "[SETTINGS]\nPORT=2\nIFACENUM=1\nCYCLETIME=10\n[PORTS]\n1=SIM\n2=LPT1\n"
                          "[LPT1]\nDRIVER=kxlpt.dll\nMAXIFNUM=1\nTYPE=PASSIVE\nSETTINGS=NO\n";
    errors().clear();
    k.settings = std::make_shared<LptSettings>();
    k.hooksFromRuntime = false;
    k.hooks.changeMMTCond = [](int) { return 1; };
    k.hooks.initControlDialog = [] { return 1; };
    DspsInitRecord rec{ini.c_str(), "10"};
    k.dspsInit(2, &rec);
    D10InitRecord d{nullptr, [](int e) { errors().push_back(e); return 1; }, nullptr};
    k.d10Init(&d);
  }
  void TearDown() override {
    k.dspsDeinit();
    plat::io::setPortIo(nullptr);
    ::unsetenv("ZERLO_PARPORTS");
    std::filesystem::remove_all(dir);
  }
  bool motor(int m) {
    bool on = false;
    board->motor(m, &on, nullptr);
    return on;
  }
};

} // namespace kxlpttest
