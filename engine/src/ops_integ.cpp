// Integration with its history records (opcodes 33..35) and the resampling
// of the history when the step width changes.
#include "engine/timestep.h"
#include "engine/vm.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace engine {

namespace {
const double kCorrector[5][4] = {
    {0, 0, 0, 0}, {1, 0, 0, 0}, {0.5, 0.5, 0, 0}, {5.0 / 12, 8.0 / 12, -1.0 / 12, 0},
    {9.0 / 24, 19.0 / 24, -5.0 / 24, 1.0 / 24}};
const double kBackward[3][3][4] = {
    {{1, -1, 0, 0}},
    {{1.5, -2, 0.5, 0}, {0.5, -1, 0.5, 0}},
    {{11.0 / 6, -3, 1.5, -1.0 / 3}, {1, -2.5, 2, -0.5}, {1.0 / 6, -0.5, 0.5, -1.0 / 6}}};

double getD(const std::uint8_t* p) { double v; std::memcpy(&v, p, 8); return v; }
void putD(std::uint8_t* p, double v) { std::memcpy(p, &v, 8); }
} // namespace

void sim_ResampleHistory(unsigned m, unsigned n, double* rows, double oldWidth, double newWidth) {
  if (m < 2 || m > 4 || oldWidth == 0.0) return;
  for (unsigned e = 0; e < n; ++e) {
    double r[4];
    for (unsigned i = 0; i < m; ++i) r[i] = rows[i * n + e];
    double c[5] = {0, 0, 0, 0, 0};
    for (unsigned j = 2; j <= m; ++j)
      for (unsigned i = 0; i < m; ++i) c[j] += kBackward[m - 2][j - 2][i] * r[i];
    for (unsigned k = 2; k <= m; ++k) {
      const double t = -double(k - 1) * newWidth / oldWidth;
      double v = r[0];
      for (unsigned j = 2; j <= m; ++j) v += c[j] * std::pow(t, double(j - 1));
      rows[(k - 1) * n + e] = v;
    }
  }
}

void Vm::opInteg(const Instr& I) {
  const unsigned op = I.op, n = I.n;
  const unsigned q = opnd(I, 0).offset & 0xFFFF;
  if (q > 4) {
    fail("integration order above 4");
    return;
  }
  const std::uint32_t rowBytes = n * 8;
  const std::uint32_t histAddr = addr(I, op == 33 ? 5 : 2);
  std::uint8_t* hist = ptr(histAddr, 4 + (q + 2) * rowBytes, true);
  if (!hist) return;
  auto row = [&](unsigned r) { return hist + 4 + (r - 1) * rowBytes; };   // rows from 1
  std::int16_t counter;
  std::uint16_t m;
  std::memcpy(&counter, hist, 2);
  std::memcpy(&m, hist + 2, 2);
  if (op == 34 || op == 35) {
    std::uint8_t* vec = ptr(addr(I, 1), rowBytes, true);
    if (!vec) return;
    m = 0;
    std::memcpy(hist + 2, &m, 2);
    for (unsigned r = 1; r <= q; ++r) std::memset(row(r), 0, rowBytes);
    if (op == 34) {
      std::memmove(vec, row(q + 2), rowBytes);
      std::memmove(row(q + 1), row(q + 2), rowBytes);
    } else {
      std::memmove(row(q + 1), vec, rowBytes);
      std::memmove(row(q + 2), vec, rowBytes);
    }
    return;
  }
  model::DocumentRecord* d = doc_;
  model::LogicRecord* logic = d ? d->SimLogic : nullptr;
  if (!logic) {
    fail("integration without a simulated logic");
    return;
  }
  const std::uint8_t* in = ptr(addr(I, 1), rowBytes, false);
  const std::uint8_t* opts = in ? ptr(addr(I, 2), 12, false) : nullptr;
  const std::uint8_t* lo = opts ? ptr(addr(I, 3), 8, false) : nullptr;
  const std::uint8_t* hi = lo ? ptr(addr(I, 4), 8, false) : nullptr;
  if (!hi) return;
  if (m > q) m = std::uint16_t(q);
  if (d->firstIteration) {
    if (d->stepWidthChanged && m >= 2) {
      std::vector<double> rows(std::size_t(m) * n);
      for (unsigned r = 1; r <= m; ++r) std::memcpy(&rows[(r - 1) * n], row(r), rowBytes);
      sim_ResampleHistory(m, n, rows.data(), logic->previousStep, logic->currentStep);
      for (unsigned r = 1; r <= m; ++r) std::memcpy(row(r), &rows[(r - 1) * n], rowBytes);
    }
    counter = 0;
  }
  if (counter < 0) {
    std::memcpy(hist, &counter, 2);
    push(row(q + 2), rowBytes);
    return;
  }
  if (d->acceptStep) {
    for (unsigned e = 0; e < n; ++e) {
      for (unsigned r = q; r >= 2; --r) putD(row(r) + 8 * e, getD(row(r - 1) + 8 * e));
      if (q >= 1) putD(row(1) + 8 * e, getD(in + 8 * e));
    }
    std::memmove(row(q + 1), row(q + 2), rowBytes);
    if (m < q) ++m;
    counter = -1;
    std::memcpy(hist, &counter, 2);
    std::memcpy(hist + 2, &m, 2);
    push(row(q + 2), rowBytes);
    return;
  }
  std::int16_t minPasses;
  std::memcpy(&minPasses, opts, 2);
  const double tol = getD(opts + 4), lower = getD(lo), upper = getD(hi);
  if (counter < 32767) ++counter;
  if (counter < minPasses) d->converged = 0;
  for (unsigned e = 0; e < n; ++e) {
    double v = 0;
    if (m >= 1) {
      double sum = kCorrector[m][0] * getD(in + 8 * e);
      for (unsigned j = 2; j <= m; ++j) sum += kCorrector[m][j - 1] * getD(row(j - 1) + 8 * e);
      v = sum * logic->currentStep;
    }
    v += getD(row(q + 1) + 8 * e);
    if (v < lower) v = lower;
    if (v > upper) v = upper;
    if (d->converged && tol > 0 && std::fabs(std::fabs(getD(row(q + 2) + 8 * e)) - std::fabs(v)) > tol)
      d->converged = 0;
    putD(row(q + 2) + 8 * e, v);
  }
  std::memcpy(hist, &counter, 2);
  std::memcpy(hist + 2, &m, 2);
  push(row(q + 2), rowBytes);
  d->changed = 1;
}

} // namespace engine
