// One full interface exchange (outputs, inputs, EX, EY) on the simulated
// board, beside the bare port-layer calls it consists of. The analogue
// charges run on a fake clock (a short charge of 60 counts), so the figure
// is the protocol's own cost. Prints figures; never fails.
#include "lptif/board.h"
#include "lptif/driver.h"

#include <chrono>
#include <cstdio>

namespace {

using Steady = std::chrono::steady_clock;

// Counts the accesses that pass through to the board.
class Counting : public plat::io::PortIo {
public:
  explicit Counting(plat::io::PortIo& p) : p_(p) {}
  long reads = 0, writes = 0;
  std::uint32_t in(std::uint16_t port, unsigned w) override { ++reads; return p_.in(port, w); }
  void out(std::uint16_t port, unsigned w, std::uint32_t v) override { ++writes; p_.out(port, w, v); }
private:
  plat::io::PortIo& p_;
};

} // namespace

int main() {
  using namespace std::chrono_literals;
  auto clock = std::make_shared<plat::time::FakeClock>();
  lptif::SimulatedBoard board(0x378, clock);
  board.setAnalogCounts(60, 60);
  board.setInputWord(0x1234);
  Counting counting(board);
  lptif::Driver drv(counting, clock);
  int outputs[17] = {0, 1, 0, 1, 1};
  unsigned char image[104] = {};
  int inputs = 0;
  auto exchange = [&] {
    clock->advance(201ms);   // the analogue caches have run out: both are measured
    drv.setMotor(0x378, outputs);
    drv.getEI(0x378, &inputs);
    drv.getEX(0x378, image);
    drv.getEY(0x378, image);
  };
  exchange();
  counting.reads = counting.writes = 0;
  exchange();
  const long reads = counting.reads, writes = counting.writes;

  const int n = 5000;
  auto t0 = Steady::now();
  for (int i = 0; i < n; ++i) exchange();
  double full = std::chrono::duration<double, std::micro>(Steady::now() - t0).count() / n;

  t0 = Steady::now();
  for (int i = 0; i < n; ++i) {
    for (long r = 0; r < reads; ++r) board.in(0x379, 1);
    for (long w = 0; w < writes; ++w) board.out(0x378, 1, 0x30);
  }
  double bare = std::chrono::duration<double, std::micro>(Steady::now() - t0).count() / n;
  std::printf("interface exchange (outputs, inputs, EX, EY): %.2f us; its %ld reads + %ld writes on the bare "
              "port layer: %.2f us; ratio %.2f\n",
              full, reads, writes, bare, bare > 0 ? full / bare : 0.0);
  return 0;
}
