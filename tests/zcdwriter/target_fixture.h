#pragma once
// A software PLC kernel of the test process and the code generator loaded
// from a program directory of the test's own, for compiling the writer's
// texts against the kernel's own description and running them.
#include "diagram.h"
#include "plc_download.h"
#include "plc_fixture.h"

#include "cglink30/cglink30.h"
#include "platform/paths.h"
#include "platform/uisink.h"

namespace zcdtest {

using namespace protocol;

class Target : public plctest::PlcFixture {
protected:
  std::unique_ptr<Diagram> d;
  zerlotest::CodegenBin codegen;
  std::unique_ptr<zerlotest::KernelChannel> channel;
  std::shared_ptr<plat::ui::ScriptedSink> ui = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped{ui};

  void SetUp() override {
    PlcFixture::SetUp();
    d = std::make_unique<Diagram>();
    ASSERT_TRUE(d->ok) << d->error;
    channel = std::make_unique<zerlotest::KernelChannel>(k);
    std::string why;
    if (!codegen.open(d->dir / "bin", why)) {
      if (why.find("not built") != std::string::npos) GTEST_SKIP() << why;
      FAIL() << why;
    }
  }
  void TearDown() override {
    codegen.close();
    d.reset();
  }

  // Compiles a text file; the messages of the code generator in msgs.
  bool compile(const std::string& text, std::string& download, std::string& msgs, CgAdvResult& res) {
    auto info = channel->exchange({kReqFullInfo});
    const std::string ddf = (d->dir / "TMP.ATT").string();
    if (!plat::path::writeFileAtomic(ddf, std::string(info.begin(), info.end()))) return false;
    download = (d->dir / "TMP.MVL").string();
    std::vector<std::string> args = {(d->dir / "bin" / "cglink30.so").string(), text,
                                     (d->dir / "TMP.LST").string(), ddf, download,
                                     (d->dir / "TMP.ERR").string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    auto linkMain = plat::lib::symbolAs<link_advmain_t>(codegen.handle(), "link_advmain");
    if (!linkMain) return false;
    res = CgAdvResult{};
    const int ok = linkMain(static_cast<int>(argv.size()), argv.data(), &res);
    msgs = readFile(args[5]);
    return ok == 1;
  }
};

} // namespace zcdtest
