// The faces of the seventeen blocks (the first drawing procedure), recorded
// through the drawing layer at zoom 1 and 2: the frame of the 60 x 40 box,
// the block's name and, for the blocks with a text, the text buffer as the
// second line; every text starts inside the box and is limited to its width.
#include "library_fixture.h"

#include "display/gdi.h"
#include "engine/externs.h"
#include "engine/paramxfer.h"
#include "zasm/zasm.h"
#include "display/recording_device.h"
#include "model/records.h"

#include <cstdio>
#include <map>

namespace blocklibtest {
namespace {

using Win = disp::DeviceWindow;

class Faces : public LibraryDocument {
protected:
  model::ProjectModule* m = nullptr;
  disp::RecordingDevice dev;
  Win win{&dev};
  void SetUp() override {
    LibraryDocument::SetUp();
    ASSERT_TRUE(read(m, bytes));
    disp::gdi_ResetAll();
    disp::gdi_SetCurrent(&dev, &win);
  }
  void TearDown() override {
    float one = 1.0f;
    disp::gdi_SetZoom(&one);
    disp::gdi_SetCurrent(nullptr, nullptr);
    disp::gdi_ResetAll();
    LibraryDocument::TearDown();
  }
  // The recorded calls of a type's face with the text buffer holding 'text',
  // drawn at origin 100,200.
  std::vector<std::string> face(const char* typeName, const char* text, float zoom, int slot = 5,
                                std::vector<double> extra = std::vector<double>(28, 0.0),
                                std::vector<double> state = std::vector<double>(31, 0.0)) {
    model::GateTypeRecord* t = type(m, typeName);
    EXPECT_NE(t, nullptr) << typeName;
    if (!t) return {};
    EXPECT_NE(t->Procs[slot], nullptr) << typeName << " has no drawing procedure " << slot;
    EXPECT_NE(t->ProcLength[slot], 0) << typeName;
    if (!t->Procs[slot]) return {};
    model::GateRecord g{};
    g.Kind = model::kKindCompiled;
    g.Sub = t;
    std::memcpy(reinterpret_cast<char*>(extra.data()) + 16, text, std::strlen(text));
    model::GateInstance inst{};
    inst.ExtraValues = extra.data();
    inst.ExtraSlotCount = 28;
    inst.StateValues = state.data();
    inst.StateSlotCount = 31;
    disp::gdi_SetZoom(&zoom);
    dev.clear();
    engine::vm().runDrawing(&g, &inst, t->Procs[slot], 100, 200);
    EXPECT_EQ(doc->runError, 0) << typeName << ": " << engine::vm().lastError();
    return dev.withPrefix("");
  }
};

std::string scaled(const char* fmt, float z, std::initializer_list<int> v) {
  int a[4] = {};
  int k = 0;
  for (int x : v) a[k++] = int(x * z);
  char buf[96];
  std::snprintf(buf, sizeof buf, fmt, a[0], a[1], a[2], a[3]);
  return buf;
}

TEST_F(Faces, EveryBlockDrawsItsFrameAndName) {
  struct Case { const char* type; const char* name; const char* text; };
  const Case cases[] = {
      {"STARTV3", "START", ""},          {"ENDEV3", "END", ""},
      {"MOUTPUTV3", "OUTPUT", ""},       {"BINPUTV3", "INPUT", ""},
      {"BEDGEV3", "EDGE", ""},           {"POSITIONV3", "POSITION", "Z3"},
      {"RESETV3", "RESET", "E1 AND E2"}, {"STOPV3", "STOP", "E5"},
      {"TERMINALV3", "TERMINAL", ""},    {"DISPLAYV3", "DISPLAY", "Speed"},
      {"MESSAGEV3", "MESSAGE", "Hello"}, {"VISUALV3", "VISUAL", "DW12"},
      {"ICDCVARV3", "INC/DEC", "VAR7"},  {"ASSIGNV3", "ASSIGN", "VAR1"},
      {"COMPAREV3", "COMPARE", "VAR1>5"}, {"SIGBEEPV3", "BEEP", ""},
      {"WAITV3", "WAIT", ""}};
  for (float z : {1.0f, 2.0f}) {
    for (const Case& c : cases) {
      const std::vector<std::string> calls = face(c.type, c.text, z);
      std::vector<std::string> texts, lines;
      for (const std::string& s : calls) {
        if (s.rfind("text ", 0) == 0) texts.push_back(s);
        if (s.rfind("polyline", 0) == 0) lines.push_back(s);
      }
      // The frame: the whole box, then the line inside its left edge.
      ASSERT_EQ(lines.size(), 2u) << c.type << " at zoom " << z;
      EXPECT_EQ(lines[0], scaled("polyline 5: %d,%d %d,%d ", z, {100, 200, 160, 200}) +
                              scaled("%d,%d %d,%d ", z, {160, 240, 100, 240}) + scaled("%d,%d", z, {100, 200}))
          << c.type;
      // The name, and the text buffer when the block shows it.
      const std::size_t expected = *c.text ? 2 : 1;
      ASSERT_EQ(texts.size(), expected) << c.type << " at zoom " << z;
      EXPECT_NE(texts[0].find(std::string("\"") + c.name + "\""), std::string::npos) << texts[0];
      if (*c.text) {
        EXPECT_NE(texts[1].find(std::string("\"") + c.text + "\""), std::string::npos) << texts[1];
      }
      for (const std::string& s : texts) {
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(s.c_str(), "text %d,%d", &x, &y), 2) << s;
        EXPECT_GT(x, int(100 * z)) << s;
        EXPECT_LT(x, int(160 * z)) << s;
        EXPECT_GE(y, int(200 * z)) << s;
        EXPECT_LT(y, int(240 * z)) << s;
      }
    }
  }
}

std::vector<double> auxWords(std::initializer_list<std::int16_t> words, double vector1 = 0) {
  std::vector<double> slots(28, 0.0);
  std::int16_t* w = reinterpret_cast<std::int16_t*>(slots.data());
  int k = 0;
  for (std::int16_t v : words) w[k++] = v;
  slots[13] = vector1;
  return slots;
}

// The displays (second drawing procedure) of the blocks without a text:
// their parameters on the face's second line as one text, numbers without
// padding and the pieces one blank apart, inside the box at zoom 1 and 2.
TEST_F(Faces, DisplaysShowTheParameters) {
  struct Case { const char* type; std::vector<double> extra; std::vector<std::string> texts; };
  const Case cases[] = {
      {"MOUTPUTV3", auxWords({2, 0, 2}), {"M2 cw"}},
      {"MOUTPUTV3", auxWords({3, 0, 1}), {"M3 ccw"}},
      {"MOUTPUTV3", auxWords({4, 1, 2}), {"M4 on"}},
      {"MOUTPUTV3", auxWords({5, 2, 3}), {"M5 off"}},
      {"MOUTPUTV3", auxWords({6, 0, 0}), {"M6"}},   // no action chosen
      {"BINPUTV3", auxWords({12, 0, 1}), {"E12"}},
      {"BINPUTV3", auxWords({1}), {"E1"}},
      {"BEDGEV3", auxWords({3, 0}), {"E3 rise"}},
      {"BEDGEV3", auxWords({41, 1}), {"E41 fall"}},
      {"WAITV3", auxWords({}, 2.5), {"2.5 s"}},
      {"WAITV3", auxWords({}, 0.1), {"0.1 s"}},
      {"WAITV3", auxWords({}, 12.125), {"12.125 s"}},
      {"WAITV3", auxWords({}, 10), {"10.0 s"}},
      {"WAITV3", auxWords({}, -3), {"-3.0 s"}},   // random up to 3 s
      {"SIGBEEPV3", auxWords({0, 440}), {"440 Hz"}},
      {"SIGBEEPV3", auxWords({0, 12000}), {"12000 Hz"}},
      {"TERMINALV3", auxWords({0, 5}), {"EA = 5"}},
      {"TERMINALV3", auxWords({1, 0}), {"EB = 0"}},
      {"TERMINALV3", auxWords({2, 32767}), {"EC = 32767"}},
      {"TERMINALV3", auxWords({3, -12}), {"ED = -12"}},
      {"TERMINALV3", auxWords({4, 1}), {}},
      {"TERMINALV3", auxWords({-1, 1}), {}}};
  for (float z : {1.0f, 2.0f}) {
    for (const Case& c : cases) {
      std::vector<std::string> texts;
      for (const std::string& s : face(c.type, "", z, 6, c.extra)) {
        if (s.rfind("text ", 0) != 0) continue;
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(s.c_str(), "text %d,%d", &x, &y), 2) << s;
        EXPECT_EQ(x, int(104 * z)) << s;
        EXPECT_GT(y, int(215 * z)) << s << ": on the second line";
        EXPECT_LT(y, int(240 * z)) << s;
        texts.push_back(s.substr(s.find('"') + 1, s.size() - s.find('"') - 2));
      }
      EXPECT_EQ(texts, c.texts) << c.type << " at zoom " << z;
    }
  }
}

// A text longer than the box is cut with "..." inside it.
TEST_F(Faces, LongTextStaysInsideTheBox) {
  for (float z : {1.0f, 2.0f}) {
    const std::vector<std::string> calls = face("COMPAREV3", "VAR1 + VAR2 + VAR3 > 12345", z);
    std::string last;
    for (const std::string& s : calls)
      if (s.rfind("text ", 0) == 0) last = s;
    EXPECT_NE(last.find("...\""), std::string::npos) << last;
  }
}

// A name that fills its 10-byte field has no terminator: the face shows the
// name alone, not the text of the field behind it.
TEST_F(Faces, AFullNameFieldShowsOnlyTheName) {
  for (const char* type : {"POSITIONV3", "ASSIGNV3"}) {
    std::string last;
    for (const std::string& s : face(type, "ABCDEFGHIJ+RESULT", 2.0f))
      if (s.rfind("text ", 0) == 0) last = s;
    EXPECT_NE(last.find("\"ABCDEFGHIJ\""), std::string::npos) << type << ": " << last;
  }
}

// ---- live values ----

// The target as the run window online reads it: words and input bits by
// their address texts.
struct TargetValues : engine::ParamTransferPort {
  std::map<std::string, std::uint16_t> words;
  std::map<std::string, bool> bits;   // "E20.0"
  bool commOn() override { return true; }
  bool commOff() override { return true; }
  bool getTime(std::uint32_t&) override { return false; }
  bool query(const std::string&) override { return false; }
  bool getReal(const std::string&, float&) override { return false; }
  bool getCard(const std::string& name, std::uint16_t& v) override {
    auto it = words.find(name);
    if (it == words.end()) return false;
    v = it->second;
    return true;
  }
  bool getBit(const std::string& name, bool& v, int bit) override {
    auto it = bits.find(name + "." + std::to_string(bit));
    if (it == bits.end()) return false;
    v = it->second;
    return true;
  }
  bool getLong(const std::string&, std::int32_t&) override { return false; }
  bool getName(const std::string&, std::string&) override { return false; }
  bool setReal(const std::string&, float) override { return false; }
  bool setCard(const std::string&, std::uint16_t) override { return false; }
  bool setBool(const std::string&, bool) override { return false; }
  bool setLongCard(const std::string&, std::uint32_t) override { return false; }
  bool setText(const std::string&, const std::string&) override { return false; }
  void sleepMs(int) override {}
};

// The displays with a live value in the run window: the face's second line
// cleared and drawn again as one text, the block's text (VISUAL's operand,
// POSITION's counter, DISPLAY's text) or INPUT's input, then " = " and the
// value, so the name on the first line stays. Offline the value comes from
// the simulated image in the module's variables, online from the target;
// the edit window shows no value.
class LiveValues : public Faces {
protected:
  zasm::ModuleSource src;
  TargetValues target;
  engine::ParamTransferPort* previousPort = nullptr;
  void SetUp() override {
    Faces::SetUp();
    std::string err;
    ASSERT_TRUE(zasm::assembleLibraryFile(ZERLO_BLOCKLIB_SOURCE, src, err)) << err;
    ASSERT_EQ(src.varsSize, m->VariableBlockSize);
    previousPort = engine::xt_SetTargetPort(&target);
  }
  void TearDown() override {
    engine::xt_SetTargetPort(previousPort);
    engine::externState().kind3Window = false;
    engine::externState().onlineMode = false;
    Faces::TearDown();
  }
  // The byte at offset 'at' of the module variable 'name'.
  std::uint8_t* var(const char* name, std::uint32_t at) {
    auto it = src.varLabels.find(name);
    EXPECT_NE(it, src.varLabels.end()) << name;
    return static_cast<std::uint8_t*>(m->VariableBlock) + it->second + at;
  }
  void word(const char* image, int index, std::int16_t v) { std::memcpy(var(image, 2 * std::uint32_t(index)), &v, 2); }
  // What the display draws at the given window state (1 edit, 2 run
  // offline, 3 run online): "[]" when it clears the second line, then the
  // texts; nothing may be drawn on the first line (the name stays).
  std::vector<std::string> shown(const char* typeName, const char* text, std::vector<double> extra, int mode,
                                 float z) {
    engine::ExternProgramState& st = engine::externState();
    st.kind3Window = mode > 1;
    st.onlineMode = mode == 3;
    std::vector<std::string> out;
    for (const std::string& s : face(typeName, text, z, 6, extra)) {
      int x = 0, y = 0, x2 = 0, y2 = 0;
      if (std::sscanf(s.c_str(), "fillrect %d,%d,%d,%d", &x, &y, &x2, &y2) == 4) {
        EXPECT_EQ(s, scaled("fillrect %d,%d,%d,%d", z, {103, 221, 159, 239})) << "the second line inside the box";
        out.push_back("[]");
        continue;
      }
      if (std::sscanf(s.c_str(), "text %d,%d", &x, &y) != 2) continue;
      EXPECT_EQ(x, int(104 * z)) << s;
      EXPECT_GT(y, int(215 * z)) << s << ": on the second line";
      EXPECT_LT(y, int(240 * z)) << s;
      out.push_back(s.substr(s.find('"') + 1, s.size() - s.find('"') - 2));
    }
    return out;
  }
};

// A handle {class, index} in vector[1..2] and aux words.
std::vector<double> handle(double cls, double index, std::initializer_list<std::int16_t> words = {}) {
  std::vector<double> slots = auxWords(words);
  slots[13] = cls;
  slots[14] = index;
  return slots;
}

struct LiveCase {
  const char* type;
  const char* text;
  std::vector<double> extra;
  std::vector<std::string> texts;
};

TEST_F(LiveValues, OfflineFromTheSimulatedImage) {
  word("wimg", 12, -1234);
  word("wimg", 106, 77);
  word("pimg", 3, 7);
  word("pimg", 2, 300);
  *var("eimg", 2 * 20 * 8) = 1;   // E20
  const LiveCase cases[] = {
      {"VISUALV3", "DW12", handle(5, 12), {"[]", "DW12 = -1234"}},
      {"VISUALV3", "Z3", handle(9, 3), {"[]", "Z3 = 7"}},
      {"VISUALV3", "E20", handle(2, 21, {0, 1}), {"[]", "E20 = 1"}},
      {"VISUALV3", "E21", handle(2, 22, {0, 1}), {"[]", "E21 = 0"}},
      {"VISUALV3", "DW12", handle(5, 12, {1}), {"[]", "DW12"}},   // marked invalid by the dialog
      {"VISUALV3", "", handle(0, 0), {"[]", ""}},                 // no operand
      {"POSITIONV3", "Z2", handle(9, 2), {"[]", "Z2 = 300"}},
      {"POSITIONV3", "Z2", handle(9, 2, {1, 1, 0, 1}), {"[]", "Z2"}},   // invalid counter
      {"DISPLAYV3", "Speed", handle(0, 0, {1, 1, 42}), {"[]", "Speed = 42"}},
      {"DISPLAYV3", "", handle(5, 12, {2, 2}), {"[]", " = -1234"}},
      {"DISPLAYV3", "Y", handle(0, 0, {1, 5}), {"[]", "Y = 77"}},   // EY
      {"DISPLAYV3", "X", handle(0, 0, {1, 4}), {"[]", "X = 0"}},    // EX
      {"DISPLAYV3", "X", handle(0, 0, {1, 3}), {"[]", "X"}},        // no kind chosen
      {"BINPUTV3", "", auxWords({20}), {"[]", "E20 = 1"}},
      {"BINPUTV3", "", auxWords({21}), {"[]", "E21 = 0"}}};
  for (float z : {1.0f, 2.0f})
    for (const LiveCase& c : cases) {
      EXPECT_EQ(shown(c.type, c.text, c.extra, 2, z), c.texts) << c.type << " " << c.text << " at zoom " << z;
      // The edit window: the face's own second line stays; INPUT shows its input.
      const std::vector<std::string> edit =
          c.type == std::string("BINPUTV3") ? std::vector<std::string>{c.texts[1].substr(0, 3)}
                                            : std::vector<std::string>{};
      EXPECT_EQ(shown(c.type, c.text, c.extra, 1, z), edit) << c.type << ": the edit window";
    }
}

TEST_F(LiveValues, OnlineFromTheTarget) {
  word("wimg", 12, 5);   // the image is not what the run window online shows
  target.words["DW12"] = 4321;
  target.words["PW2"] = 9;
  target.words["DW105"] = 65535;
  target.bits["E20.0"] = true;
  const LiveCase cases[] = {
      {"VISUALV3", "VAR12", handle(5, 12), {"[]", "VAR12 = 4321"}},
      {"VISUALV3", "E20", handle(2, 21, {0, 1}), {"[]", "E20 = 1"}},
      {"VISUALV3", "VAR13", handle(5, 13), {"[]", "VAR13"}},   // the target does not answer
      {"POSITIONV3", "Z2", handle(9, 2), {"[]", "Z2 = 9"}},
      {"DISPLAYV3", "EX", handle(0, 0, {1, 4}), {"[]", "EX = -1"}},
      {"BINPUTV3", "", auxWords({20}), {"[]", "E20"}}};   // INPUT shows its level offline only
  for (float z : {1.0f, 2.0f})
    for (const LiveCase& c : cases)
      EXPECT_EQ(shown(c.type, c.text, c.extra, 3, z), c.texts) << c.type << " at zoom " << z;
}

// A live text longer than the box ends in "..." inside it.
TEST_F(LiveValues, LongLiveTextStaysInsideTheBox) {
  word("wimg", 12, -1234);
  for (float z : {1.0f, 2.0f}) {
    const std::vector<std::string> texts = shown("DISPLAYV3", "Temperatu", handle(5, 12, {2, 2}), 2, z);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].substr(texts[1].size() - 3), "...") << texts[1];
    EXPECT_EQ(texts[1].rfind("Temp", 0), 0u) << texts[1];
  }
}


// The step mark online: the step bit read from the target by S's address
// (M3.2 here): a filled mark while it is set, the place cleared while it is
// clear, nothing when the target does not answer.
TEST_F(LiveValues, StepMarkOnlineFromTheTarget) {
  std::vector<double> state(31, 0.0);
  const std::int16_t step = 1;
  std::memcpy(&state[1], &step, 2);   // allocated: step number 1
  state[2] = 1;                       // S = {M, byte 3, value, bit 2}
  state[3] = 3;
  state[5] = 2;
  engine::ExternProgramState& st = engine::externState();
  for (float z : {1.0f, 2.0f}) {
    auto marks = [&](int mode) {
      st.kind3Window = mode > 1;
      st.onlineMode = mode == 3;
      std::vector<std::string> out;
      std::string brush;
      for (const std::string& c : face("WAITV3", "", z, 6, auxWords({}), state)) {
        if (c.rfind("brush ", 0) == 0) brush = c;
        if (c.rfind("fillrect", 0) == 0) out.push_back(brush == "brush 255,255,255" ? "clear" : c);
      }
      return out;
    };
    const std::string mark = scaled("fillrect %d,%d,%d,%d", z, {151, 233, 156, 237});
    target.bits["M3.2"] = true;
    EXPECT_EQ(marks(3), std::vector<std::string>{mark}) << z;
    target.bits["M3.2"] = false;
    EXPECT_EQ(marks(3), std::vector<std::string>{"clear"}) << z;
    target.bits.clear();
    EXPECT_EQ(marks(3), std::vector<std::string>{}) << z;
    EXPECT_EQ(marks(1), std::vector<std::string>{}) << z << ": the edit window";
  }
}

} // namespace
} // namespace blocklibtest
