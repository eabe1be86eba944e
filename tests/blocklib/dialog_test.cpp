// The flow blocks open their ZRLFBDLG dialog (a scripted stand-in) on a drop
// (end of run, call reason 2) and from the parameter procedure, never while a
// parameter list is read (call reason 3); the dialog gets the block's text,
// aux words and vector with the owner window in vector[0].
#include "fixture_document.h"

#include "engine/externs.h"
#include "engine/workers.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace zcdtest {
namespace {

class BlockDialogs : public testing::Test {
protected:
  FixtureDocument D{std::string(ZERLO_TEST_DATA) + "/zcdwriter", false};

  void SetUp() override {
    D.externs = model::doc_AddModule(*D.doc, "EXTERNAL", model::kModuleCompiled);
    D.externs->Loaded = 1;
    const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
    std::ifstream in(std::string(ZERLO_LIB_DIR) + "/ZRLFB02.MCO", std::ios::binary);
    const std::vector<std::uint8_t> mco((std::istreambuf_iterator<char>(in)), {});
    model::ProjectModule* slot = nullptr;
    modelfiles::LoadStatus.clear();
    ASSERT_FALSE(mco.empty() || modelfiles::mdl_ReadCompiledModule(slot, mco.data(), mco.size()));
    modelfiles::setModuleLinker(previous);
    engine::WorkerHooks h;
    h.libraryPaths = [] { return std::vector<std::string>{ZERLO_DIALOG_DOUBLE_DIR}; };
    h.programDir = ZERLO_DIALOG_DOUBLE_DIR;
    engine::th_SetHooks(h);
    engine::xt_EnableThreads();
    engine::externState().frameWindow = 77;
  }
  void TearDown() override {
    engine::xt_SetCallReason(0);
    engine::xt_DisableThreads();
    engine::dl_FreeCache();
    engine::th_SetHooks({});
    engine::externState().frameWindow = 0;
  }

  // Runs procedure slot k (3 end of run, 4 parameters) with a call reason.
  void run(model::GateRecord* g, int k, std::uint16_t reason) {
    engine::xt_SetCallReason(reason);
    model::GateTypeRecord* t = model::subType(g);
    ASSERT_NE(t->Procs[k], nullptr);
    EXPECT_EQ(engine::vm().run(g, D.inst(D.main, g), t->Procs[k]), 0);
    engine::xt_SetCallReason(0);
  }
  std::int16_t auxOf(model::GateRecord* g, int i) {
    std::int16_t a[8];
    std::memcpy(a, D.inst(D.main, g)->ExtraValues, 16);
    return a[i];
  }
  double vectorOf(model::GateRecord* g, int i) { return D.inst(D.main, g)->ExtraValues[12 + i]; }
};

std::vector<double> aux(std::vector<std::int16_t> words) {
  std::vector<double> slots(2, 0.0);
  words.resize(8, 0);
  std::memcpy(slots.data(), words.data(), 16);
  return slots;
}

TEST_F(BlockDialogs, DropOpensTheDialogOfTheBlock) {
  auto* out = D.block(D.main, "MOUTPUTV3", aux({9, 5, 0}));
  auto* in = D.block(D.main, "BINPUTV3");
  auto* wait = D.block(D.main, "WAITV3");
  ASSERT_TRUE(out && in && wait);
  for (auto* g : {out, in, wait}) run(g, 3, 2);
  EXPECT_EQ(auxOf(out, 0), 8);
  EXPECT_EQ(auxOf(out, 1), 2);
  EXPECT_EQ(auxOf(out, 2), 2);
  EXPECT_EQ(auxOf(out, 6), 1);   // changed
  EXPECT_EQ(auxOf(in, 0), 3);
  EXPECT_EQ(auxOf(in, 2), 1);
  EXPECT_EQ(vectorOf(wait, 1), 0.5);
  for (auto* g : {out, in, wait}) EXPECT_EQ(vectorOf(g, 15), 77.0);   // the owner window
}

// The formula and condition blocks open FB01 and FB02 with their text buffer.
TEST_F(BlockDialogs, FormulaBlocksOpenTheirDialogsWithTheText) {
  auto* assign = D.block(D.main, "ASSIGNV3");
  auto* compare = D.block(D.main, "COMPAREV3");
  ASSERT_TRUE(assign && compare);
  for (auto* g : {assign, compare}) run(g, 3, 2);
  const char* a = reinterpret_cast<const char*>(D.inst(D.main, assign)->ExtraValues) + 16;
  const char* c = reinterpret_cast<const char*>(D.inst(D.main, compare)->ExtraValues) + 16;
  EXPECT_STREQ(a, "VAR1");
  EXPECT_STREQ(a + 10, "VAR1+1");
  EXPECT_STREQ(c, "VAR1<3");
  EXPECT_EQ(auxOf(compare, 3), 1);
  for (auto* g : {assign, compare}) {
    EXPECT_EQ(auxOf(g, 6), 1);   // changed
    EXPECT_EQ(vectorOf(g, 15), 77.0);
  }
}

TEST_F(BlockDialogs, OnlyADropOrAPressOpensIt) {
  auto* out = D.block(D.main, "MOUTPUTV3", aux({9, 5, 0}));
  ASSERT_NE(out, nullptr);
  run(out, 3, 0);   // end of a run
  run(out, 4, 3);   // a parameter list being read
  EXPECT_EQ(auxOf(out, 0), 9);
  EXPECT_EQ(auxOf(out, 6), 0);
  run(out, 4, 0);   // a press in the run window
  EXPECT_EQ(auxOf(out, 0), 8);
  EXPECT_EQ(auxOf(out, 6), 1);
}

// Every other block with a dialog opens its own, on a drop and on a press,
// never while a parameter list is read.
TEST_F(BlockDialogs, EveryBlockOpensItsOwnDialog) {
  const struct {
    const char* type;
    std::int16_t dialog;
  } blocks[] = {{"RESETV3", 3},     {"STOPV3", 3},     {"VISUALV3", 4},    {"SIGBEEPV3", 7},  {"ICDCVARV3", 9},
                {"POSITIONV3", 12}, {"DISPLAYV3", 13}, {"MESSAGEV3", 14}, {"TERMINALV3", 15}};
  for (const auto& b : blocks) {
    auto* g = D.block(D.main, b.type);
    ASSERT_NE(g, nullptr) << b.type;
    run(g, 4, 3);
    EXPECT_EQ(auxOf(g, 5), 0) << b.type;
    run(g, 3, 2);
    EXPECT_EQ(auxOf(g, 5), b.dialog) << b.type;
    if (b.dialog == 3) {   // the mode: 0 reset, 1 stop
      EXPECT_EQ(auxOf(g, 4), std::strcmp(b.type, "STOPV3") == 0 ? 1 : 0) << b.type;
    }
    EXPECT_EQ(auxOf(g, 6), 1) << b.type;
    EXPECT_EQ(vectorOf(g, 15), 77.0) << b.type;
    D.inst(D.main, g)->ExtraValues[1] = 0.0;   // aux[4..7] cleared
    run(g, 4, 0);
    EXPECT_EQ(auxOf(g, 5), b.dialog) << b.type;
  }
}


// The services of a run window: the deferred calls are kept, the bit dialog
// is recorded.
class QueueingServices : public engine::RecordingEngineServices {
public:
  std::vector<std::function<void()>> queued;
  std::vector<std::string> asked;
  bool queueDeferred(std::function<void()> call) override {
    queued.push_back(std::move(call));
    return true;
  }
  bool dialogBit(const engine::DialogOperand& op, bool& value, int bit) override {
    asked.push_back(op.title + "." + std::to_string(bit));
    return false;
  }
};

// A press on INPUT, EDGE or POSITION in the run window offline (extern 75
// answers 2) queues the bit dialog on the block's input instead of opening
// the block dialog; in the edit window (and online) the block dialog opens.
TEST_F(BlockDialogs, PressInTheRunWindowOfflineAsksForTheInputsLevel) {
  QueueingServices q;
  engine::EngineServices* previous = engine::setEngineServices(&q);
  engine::ExternProgramState& st = engine::externState();
  const struct {
    const char* type;
    std::int16_t input;
    std::int16_t dialog;
  } blocks[] = {{"BINPUTV3", 7, 10}, {"BEDGEV3", 22, 11}, {"POSITIONV3", 41, 12}};
  for (const auto& b : blocks) {
    auto* g = D.block(D.main, b.type, aux({b.input}));
    ASSERT_NE(g, nullptr) << b.type;
    st.kind3Window = true;
    st.onlineMode = false;
    run(g, 4, 1);
    EXPECT_EQ(auxOf(g, 6), 0) << b.type << ": no block dialog";
    EXPECT_EQ(auxOf(g, 5), 0) << b.type;
    ASSERT_EQ(q.queued.size(), 1u) << b.type;
    q.queued[0]();
    q.queued.clear();
    EXPECT_EQ(q.asked, std::vector<std::string>{"E" + std::to_string(b.input) + ".0"}) << b.type;
    q.asked.clear();
    for (bool online : {false, true}) {   // the edit window, then the run window online
      st.kind3Window = online;
      st.onlineMode = online;
      run(g, 4, 1);
      EXPECT_EQ(auxOf(g, 5), b.dialog) << b.type;
      EXPECT_EQ(auxOf(g, 6), 1) << b.type;
      EXPECT_TRUE(q.queued.empty()) << b.type;
      D.inst(D.main, g)->ExtraValues[1] = 0.0;
    }
  }
  st.kind3Window = false;
  st.onlineMode = false;
  engine::setEngineServices(previous);
}

} // namespace
} // namespace zcdtest
