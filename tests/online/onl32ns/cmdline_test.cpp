#include "onl32ns/cmdline.h"

#include <gtest/gtest.h>

namespace onl32ns {
namespace {

TEST(ServerCommandLine, Cases) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    const char* name;
    const char* config;
    bool test;
  };
  const Case cases[] = {
      {{}, true, "ZerloRuntime", "/bin/dir/interface.ini", true},
      {{"/nSoftPLC"}, true, "SoftPLC", "/bin/dir/interface.ini", true},
      {{"/NSoftPLC", "/C/etc/x.ini"}, true, "SoftPLC", "/etc/x.ini", false},
      {{"\"/nSoft PLC\"", "\"/c/a b/x.ini\""}, true, "Soft PLC", "/a b/x.ini", false},
      {{"/nA", "/nB"}, false, "", "", false},
      {{"/xA"}, false, "", "", false},
      {{"nA"}, false, "", "", false},
      {{"/n"}, false, "", "", false},
      {{"\"/nA"}, false, "", "", false},
  };
  for (const auto& tc : cases) {
    auto cl = parseCommandLine(tc.args, "/bin/dir");
    ASSERT_EQ(cl.has_value(), tc.ok) << (tc.args.empty() ? "" : tc.args[0]);
    if (!tc.ok) continue;
    EXPECT_EQ(cl->name, tc.name);
    EXPECT_EQ(cl->configPath, tc.config);
    EXPECT_EQ(cl->testStart, tc.test);
  }
}

} // namespace
} // namespace onl32ns
