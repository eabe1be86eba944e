#pragma once
// A document with one logic: a source gate whose REAL output feeds a second
// gate through a straight wire, fake shell and editor, a scripted message
// sink and a scratch directory.
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/memory.h"
#include "model/wires.h"
#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace rec::test {

class RecFixture : public ::testing::Test {
protected:
  model::FakeShell shellFake;
  model::FakeEditor editorFake;
  model::ShellServices* prevShell = nullptr;
  model::EditorServices* prevEditor = nullptr;
  model::DocumentRecord* doc = nullptr;
  model::LogicRecord* logic = nullptr;
  model::GateRecord* source = nullptr;
  model::GateRecord* sink = nullptr;
  std::shared_ptr<plat::ui::ScriptedSink> ui = std::make_shared<plat::ui::ScriptedSink>();
  std::unique_ptr<plat::ui::ScopedSink> scope;
  std::string dir;
  int wireY = 0, wireX1 = 0, wireX2 = 0;

  void SetUp() override {
    scope = std::make_unique<plat::ui::ScopedSink>(ui);
    prevShell = model::setShell(&shellFake);
    prevEditor = model::setEditor(&editorFake);
    model::mm_UnitInit();
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    ASSERT_TRUE(model::doc_StartUp());
    doc = model::doc_New();
    model::CurrentDocument = doc;
    logic = model::ge_NewLogic("MAIN");
    source = gate(2, 100, 100);
    sink = gate(2, 300, 100);
    source->Outputs[0].Type = model::kTypeReal;
    sink->Inputs[0].Type = model::kTypeReal;
    connect(source, 1, sink, 1);
    char tmpl[] = "/tmp/zerlo_rec_XXXXXX";
    dir = ::mkdtemp(tmpl);
  }
  void TearDown() override {
    model::CurrentDocument = nullptr;
    model::doc_Free(doc);
    model::doc_ShutDown();
    model::setShell(prevShell);
    model::setEditor(prevEditor);
    std::filesystem::remove_all(dir);
    scope.reset();
  }

  model::GateRecord* gate(std::uint8_t kind, int x, int y) {
    model::GateSpec s;
    s.kind = kind;
    s.inputCount = 2;
    s.outputCount = 1;
    s.inputType = s.outputType = model::kTypeReal;
    s.x = std::int16_t(x);
    s.y = std::int16_t(y);
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    EXPECT_TRUE(model::ge_CreateGate(logic, s, seq, g, in));
    return g;
  }
  void connect(model::GateRecord* src, unsigned out, model::GateRecord* dst, unsigned in) {
    std::int16_t ox = 0, oy = 0, ix = 0, iy = 0;
    std::uint16_t side = 0;
    model::gg_OutputPinPos(src, out, ox, oy, side);
    model::gg_InputPinPos(dst, in, ix, iy, side);
    model::WirePoint* w = nullptr;
    wireX1 = src->X + ox;
    wireX2 = dst->X + ix;
    wireY = src->Y + oy;
    ASSERT_TRUE(model::ge_MoveWireEnd(wireX1, wireY, w, true));
    ASSERT_TRUE(model::ge_MoveWireEnd(wireX2, wireY, w, false));
    ASSERT_TRUE(model::ge_ConnectGates(logic, dst, in, src, out, nullptr, w));
  }
  model::GateInstance* instanceOf(model::GateRecord* g) { return model::inst_Parallel(logic, logic->FirstInstance, g); }
  double& sourceValue() { return instanceOf(source)->OutputValues[0]; }
  // A point on the wire between the two gates.
  int pickX() const { return (wireX1 + wireX2) / 2 / 5 * 5; }
  int pickY() const { return wireY; }

  std::string path(const std::string& name) const { return dir + "/" + name; }
  static std::vector<std::uint8_t> bytesOf(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  static void writeBytes(const std::string& p, const std::string& data) {
    std::ofstream f(p, std::ios::binary);
    f << data;
  }
};

} // namespace rec::test
