// The named server's query and command texts, as any local client may send
// them: the server core over a scripted online library. The first byte picks
// query or command (and how many polls an operation takes), the rest is the
// text (at most the 255 characters a message carries).
#include "fake_online.h"
#include "onl32ns/server_core.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  onl32ns::test::FakeOnline online;
  onl32ns::test::FakeConverter conv;
  online.pollsPerOp = data[0] & 3;
  online.vars["DW"] = {0x1000, 2};
  online.vars["DL"] = {0x2000, 4};
  online.vars["DT"] = {0x3000, 18};
  online.vars["M"] = {0x4000, 8};
  online.watched[0x1000] = {1, 2};
  onl32ns::ServerHooks hooks;
  hooks.close = [] {};
  hooks.progress = [](std::uint32_t, std::uint32_t, int) {};
  hooks.selectConverter = [](std::uint8_t) { return true; };
  hooks.sleep = [](int) {};
  onl32ns::ServerCore core(online, hooks);
  core.setConverter(&conv);
  // Several texts separated by newlines run against one server, so that
  // states (log-ins, mode, watch list) carry over between them.
  std::string all(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string text = all.substr(start, end - start);
    if (text.size() > 255) text.resize(255);
    if (data[0] & 4) core.command(text);
    else core.query(text);
    start = end + 1;
  }
  return 0;
}
