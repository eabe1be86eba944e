#pragma once
// Gates, pins, extras and wires built by hand for drawing tests, owned by
// the builder.
#include "model/records.h"

#include <cstring>
#include <deque>
#include <utility>
#include <vector>

namespace disp::test {

using model::GateRecord;

struct Sheet {
  std::deque<GateRecord> gates;
  std::deque<std::vector<model::InputPin>> inputs;
  std::deque<std::vector<model::OutputPin>> outputs;
  std::deque<std::vector<double>> extras;
  std::deque<model::WirePoint> points;

  GateRecord* gate(unsigned kind, int x, int y, unsigned nIn, unsigned nOut, model::PinSignalType inType = 1,
                   model::PinSignalType outType = 1) {
    GateRecord& g = gates.emplace_back();
    std::memset(&g, 0, sizeof g);
    g.Kind = static_cast<std::uint8_t>(kind);
    g.X = static_cast<std::int16_t>(x);
    g.Y = static_cast<std::int16_t>(y);
    g.InputCount = static_cast<std::uint16_t>(nIn);
    g.OutputCount = static_cast<std::uint16_t>(nOut);
    g.VectorDimension = 1;
    auto& in = inputs.emplace_back(nIn);
    for (auto& p : in) {
      std::memset(&p, 0, sizeof p);
      p.Type = inType;
    }
    auto& out = outputs.emplace_back(nOut);
    for (unsigned i = 0; i < nOut; ++i) {
      std::memset(&out[i], 0, sizeof out[i]);
      out[i].Type = outType;
      out[i].FirstElement = static_cast<std::uint16_t>(i + 1);
    }
    g.Inputs = in.empty() ? nullptr : in.data();
    g.Outputs = out.empty() ? nullptr : out.data();
    return &g;
  }
  void text(GateRecord* g, std::size_t rows, std::size_t offset, const char* t, std::uint16_t word0 = 0) {
    auto& e = extras.emplace_back(rows, 0.0);
    std::memcpy(reinterpret_cast<char*>(e.data()), &word0, 2);
    std::strncpy(reinterpret_cast<char*>(e.data()) + offset, t, rows * 8 - offset - 1);
    g->Extra = e.data();
    g->ExtraCount = static_cast<std::uint16_t>(rows);
  }
  model::WirePoint* wire(const std::vector<std::pair<int, int>>& pts) {
    model::WirePoint* head = nullptr;
    model::WirePoint** tail = &head;
    for (auto [x, y] : pts) {
      auto& p = points.emplace_back();
      p.X = static_cast<std::int16_t>(x);
      p.Y = static_cast<std::int16_t>(y);
      p.Next = nullptr;
      *tail = &p;
      tail = &p.Next;
    }
    return head;
  }
};

} // namespace disp::test
