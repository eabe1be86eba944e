#pragma once
// Test harness: a document with a block library assembled from text, linked
// into the interpreter, and a hand-made gate instance to run its procedures on.
#include "engine/services.h"
#include "engine/vm.h"
#include "zasm/zasm.h"

#include "model/document.h"
#include "model/fake_services.h"
#include "model/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace engine::test {

class Harness {
public:
  Harness();
  ~Harness();
  // Assembles and links a library; false with the error.
  bool load(const std::string& text, std::string* error = nullptr);
  // Assembles a library whose type "T" has the given step body (and consts).
  bool loadStep(const std::string& step, const std::string& consts = "", const std::string& code = "",
                std::string* error = nullptr);
  model::GateTypeRecord* type(const char* name = "T") const;
  // Runs the step procedure of a type on the instance.
  std::uint8_t runStep(const char* name = "T");
  // The same through the time step's entry (Vm::runStep).
  std::uint8_t runTimeStep(const char* name = "T");

  // The instance's slots (8 bytes each).
  std::vector<double> in = std::vector<double>(8), out = std::vector<double>(8), extra = std::vector<double>(8),
                      state = std::vector<double>(64);
  std::uint16_t outWord(unsigned byteOffset) const {
    std::uint16_t w;
    std::memcpy(&w, reinterpret_cast<const char*>(out.data()) + byteOffset, 2);
    return w;
  }
  void setInWord(unsigned byteOffset, std::uint16_t w) {
    std::memcpy(reinterpret_cast<char*>(in.data()) + byteOffset, &w, 2);
  }

  model::DocumentRecord* doc = nullptr;
  model::ProjectModule* module = nullptr;
  model::ProjectModule* externs = nullptr;
  model::GateRecord gate{};
  model::GateInstance inst{};
  RecordingEngineServices services;
  model::FakeShell shell;

private:
  model::GateTypeRecord* bind(const char* name);
  EngineServices* prevServices_;
  model::ShellServices* prevShell_;
  model::LogicRecord logic_{};
};

} // namespace engine::test
