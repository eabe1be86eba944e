// Figures of the platform layer: profile reads and writes, and endpoint round
// trips. Prints each figure with a peer measured in the same run; never fails.
#include "platform/endpoint.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace plat;
using Clock = std::chrono::steady_clock;

namespace {

template <class F> double perCallUs(int n, F f) {
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) f(i);
  return std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
}

} // namespace

int main() {
  std::string dir = (std::filesystem::temp_directory_path() / ("platform_bench-" + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(dir);
  std::string ini = dir + "/OBEL.INI";
  std::string text;
  for (int s = 0; s < 10; ++s) {
    text += "[Section" + std::to_string(s) + "]\n";
    for (int k = 0; k < 20; ++k) text += "Key" + std::to_string(k) + "=value " + std::to_string(k) + "\n";
  }
  path::writeFileAtomic(ini, text);

  double read = perCallUs(2000, [&](int i) { profile::getString(ini, "section7", "key" + std::to_string(i % 20), ""); });
  double rawRead = perCallUs(2000, [&](int) { std::string s; path::readFile(ini, s); });
  double write = perCallUs(200, [&](int i) { profile::writeString(ini, "Section3", "Key5", std::to_string(i).c_str()); });
  std::printf("profile getString (200 keys): %.1f us/call; plain file read %.1f us; ratio %.1f\n", read, rawRead,
              read / rawRead);
  std::printf("profile writeString (lock, fsync, rename): %.1f us/call; ratio to a read %.1f\n", write, write / read);

  std::string name = "PlatformBench|" + std::to_string(::getpid());
  auto ep = ipc::Endpoint::create(name, [](const ipc::Message& m) { return ipc::Answer{m.wParam, {}}; });
  if (ep) {
    ipc::Message m;
    m.text = "x";
    double rt = perCallUs(2000, [&](int i) { m.wParam = i; ipc::send(name, m, 5000); });
    double probe = perCallUs(2000, [&](int) { ipc::exists(name); });
    std::printf("endpoint send round trip: %.1f us; connect probe %.1f us; ratio %.1f\n", rt, probe, rt / probe);
    ep->close();
  }
  std::filesystem::remove_all(dir);
  return 0;
}
