// Write-back of the wait, counting, display, message and terminal dialogs.
#include "params.h"

#include "platform/ports.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace fbd;

TEST(Wait, OpenAndStore) {
  bool random = false;
  EXPECT_EQ(waitText(-2.5, random), "2.50");
  EXPECT_TRUE(random);
  EXPECT_EQ(waitValue("2.50", true), -2.5);
  EXPECT_EQ(waitText(0, random), "0.00");
  EXPECT_FALSE(random);
  EXPECT_EQ(waitText(std::nan(""), random), "0.00");
  EXPECT_FALSE(random);
  EXPECT_EQ(waitText(std::numeric_limits<double>::infinity(), random), "999.99");
  struct Case { const char* text; bool random; double value; };
  const Case cases[] = {{"1.234", false, 1.23}, {"1234", false, 999.99}, {"-3", false, 0}, {"abc", false, 0},
                        {" 7.5s", false, 7.5}, {"+2", true, -2}, {"1e999", false, 999.99}, {"nan", false, 0}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(waitValue(c.text, c.random), c.value) << c.text;
  // 0 random is minus zero, which reopens as defined.
  double z = waitValue("0", true);
  EXPECT_TRUE(std::signbit(z));
  waitText(z, random);
  EXPECT_FALSE(random);
}

TEST(Counting, WriteBack) {
  char text[6] = "";
  std::int16_t aux[2] = {9, 9};
  double v[4] = {0, 0, 0, 9};
  EXPECT_EQ(incDecWriteBack("Z3", true, text, aux, v), "Z3");
  EXPECT_STREQ(text, "Z3");
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(v[1], 9);
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 0);
  incDecWriteBack("E5", false, text, aux, v);
  EXPECT_STREQ(text, "VAR?");
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[1], 0);
  EXPECT_EQ(v[1], 5);
  EXPECT_EQ(v[2], 0);
  double w[4] = {0, -1, -1, -1};
  incDecWriteBack("VAR4", true, text, nullptr, w);
  EXPECT_STREQ(text, "VAR4");
  EXPECT_EQ(w[1], -1);
}

TEST(Display, WriteBack) {
  struct Case { const char* field; int display; const char* text; std::int16_t a0, a1, a2; double h1, h2; };
  const Case cases[] = {
      {"EY", 2, "EY", 2, 5, 0, 5, 106}, {"-17", 1, "-17", 1, 1, -17, 0, 0}, {"E3", 1, "0", 1, 1, 0, 0, 0},
      {"abc", 0, "abc", 1, 1, 0, 0, 0}, {"z2", 1, "Z2", 1, 2, 0, 9, 2}, {"ec", 2, "EC", 2, 2, 0, 5, 103},
      {"40000", 1, "-25536", 1, 1, -25536, 0, 0},
  };
  for (const Case& c : cases) {
    char text[10];
    std::memset(text, 'x', sizeof text);
    std::int16_t aux[3] = {9, 9, 9};
    double v[4] = {0, 7, 7, 7};
    displayWriteBack(c.field, c.display, text, aux, v);
    EXPECT_STREQ(text, c.text) << c.field;
    EXPECT_EQ(aux[0], c.a0) << c.field;
    EXPECT_EQ(aux[1], c.a1) << c.field;
    EXPECT_EQ(aux[2], c.a2) << c.field;
    EXPECT_EQ(v[1], c.h1) << c.field;
    EXPECT_EQ(v[2], c.h2) << c.field;
    EXPECT_EQ(v[3], 0) << c.field;
  }
  std::int16_t aux[3] = {9, 9, 9};
  displayWriteBack("EY", 2, nullptr, aux, nullptr);
  EXPECT_EQ(aux[0], 9);
}

TEST(Message, ColoursAndWriteBack) {
  EXPECT_EQ(messageButton(113), 11);  // Lightcyan
  EXPECT_EQ(messageButton(99), -1);
  EXPECT_EQ(messageButton(108), 8);
  EXPECT_EQ(messageButton(116), -1);
  EXPECT_EQ(messageCode(-1), 100);
  EXPECT_EQ(messageCode(8), 108);
  EXPECT_EQ(messageCode(9), 111);
  EXPECT_EQ(messageCode(13), 115);
  for (int i = 0; i < kColourCount; ++i) EXPECT_EQ(messageButton(messageCode(i)), i);
  char text[18];
  std::int16_t aux[1] = {0};
  messageWriteBack(std::string(20, 'm'), 11, text, aux);
  EXPECT_EQ(std::strlen(text), 17u);
  EXPECT_EQ(aux[0], 113);
}

TEST(Terminal, Values) {
  EXPECT_EQ(terminalValue("-0012"), -12);
  EXPECT_EQ(terminalValue("70000"), 4464);
  EXPECT_EQ(terminalValue("  +5x"), 5);
  EXPECT_EQ(terminalValue("x"), 0);
  EXPECT_EQ(terminalValue("-"), 0);
  std::int16_t aux[2] = {7, 12};
  EXPECT_EQ(terminalParameter(aux), 0);
  EXPECT_EQ(terminalText(aux), "12");
  std::int16_t b[2] = {3, -32768};
  EXPECT_EQ(terminalParameter(b), 3);
  EXPECT_EQ(terminalText(b), "-32768");
  EXPECT_EQ(terminalText(nullptr), "0");
}

TEST(Output, OpenSwitchAndWriteBack) {
  std::int16_t aux[3] = {9, 5, 0};
  OutputState s = outputOpen(aux);
  EXPECT_EQ(s.output, 8);
  EXPECT_EQ(s.type, 2);
  EXPECT_EQ(s.state, 0);
  outputWriteBack(s.output, s.type, s.state, aux);
  EXPECT_EQ(aux[0], 8);
  EXPECT_EQ(aux[1], 2);
  EXPECT_EQ(aux[2], 2);
  OutputState d = outputOpen(nullptr);
  EXPECT_EQ(d.output, 1);
  EXPECT_EQ(d.type, 0);
  EXPECT_EQ(d.state, 1);
  // Motor "off" (third button) switched to lamp keeps "off" on the second: action 3.
  int st = outputStateForType(1, 2);
  EXPECT_EQ(st, 1);
  outputWriteBack(1, 1, st, aux);
  EXPECT_EQ(aux[2], 3);
  outputWriteBack(0, -1, -1, aux);
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[1], 0);
  EXPECT_EQ(aux[2], 0);
}

TEST(Input, TypesAndWriteBack) {
  EXPECT_EQ(inputTypes(20), std::vector<int>{5});
  EXPECT_EQ(inputTypes(3), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(inputTypes(33), std::vector<int>{6});
  EXPECT_EQ(inputTypes(48), std::vector<int>{7});
  EXPECT_EQ(inputTypeFor(20, 0), 5);
  EXPECT_EQ(inputTypeFor(3, 5), 0);
  EXPECT_EQ(inputTypeFor(3, 2), 2);
  std::int16_t a[3] = {27, 0, 0};
  EXPECT_EQ(inputOpen(a), 1);
  std::int16_t b[3] = {20, 0, 1};
  EXPECT_EQ(inputOpen(b), 20);
  inputWriteBack(20, inputTypeFor(20, b[1]), true, b);
  EXPECT_EQ(b[1], 5);
  EXPECT_EQ(b[2], 1);
  inputWriteBack(0, -1, false, b);
  EXPECT_EQ(b[0], 20);
  EXPECT_EQ(b[1], 5);
  EXPECT_EQ(b[2], 0);
}

TEST(Position, StandardCounterAndResult) {
  EXPECT_EQ(positionStandardCounter(5), "Z5");
  EXPECT_EQ(positionStandardCounter(20), "VAR?");
  char text[20];
  std::memset(text, 'x', sizeof text);
  std::int16_t aux[5] = {};
  double v[4] = {0, 0, 0, 7};
  positionWriteBack(5, true, true, "", "25", text, aux, v);
  EXPECT_STREQ(text, "Z5");
  EXPECT_STREQ(text + 10, "25");
  EXPECT_EQ(aux[0], 5);
  EXPECT_EQ(aux[1], 11);
  EXPECT_EQ(aux[2], 1);
  EXPECT_EQ(aux[3], 0);
  EXPECT_EQ(aux[4], 0);
  EXPECT_EQ(v[1], 9);
  EXPECT_EQ(v[2], 5);
  EXPECT_EQ(v[3], 0);
  positionWriteBack(5, false, true, "E3", "ez", text, aux, v);
  EXPECT_STREQ(text, "VAR?");
  EXPECT_STREQ(text + 10, "VAR?");
  EXPECT_EQ(aux[1], 12);
  EXPECT_EQ(aux[3], 1);
  EXPECT_EQ(aux[4], 1);
  positionWriteBack(20, true, false, "", "ea", text, aux, v);
  EXPECT_STREQ(text, "VAR?");
  EXPECT_STREQ(text + 10, "EA");
  EXPECT_EQ(aux[1], 2);
  EXPECT_EQ(aux[4], 0);
}

TEST(Edge, WriteBack) {
  std::int16_t aux[2] = {9, 9};
  edgeWriteBack(0, true, aux);
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[1], 1);
  edgeWriteBack(31, false, aux);
  EXPECT_EQ(aux[0], 31);
  EXPECT_EQ(aux[1], 0);
  edgeWriteBack(3, true, nullptr);
}

TEST(Beep, NoteSearchAndSliders) {
  struct Case { int f; Note note; int slider; };
  const Case cases[] = {
      {440, {3, 10}, 440},   // the a of row 3 is 438: the note at or above is "a#"
      {20, {1, 0}, 50},      // row 0 gives octave 1 "c"
      {5000, {6, 11}, 5000}, // past the table: octave 6 "b"
      {781, {4, 7}, 781},    {65, {1, 0}, 65}, {3940, {6, 11}, 3940}, {0, {1, 0}, 50}, {20000, {6, 11}, 10000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(noteFor(c.f), c.note) << c.f;
    EXPECT_EQ(frequencySliderPosition(c.f), c.slider) << c.f;
  }
  // Back from the note page: a# of octave 3.
  EXPECT_EQ(noteFrequency(3, 10), 465);
  EXPECT_EQ(noteFrequency(4, 7), 781);
  EXPECT_EQ(noteFrequency(7, 0), 0);
  EXPECT_EQ(noteFrequency(1, 12), 0);
}

TEST(Beep, DurationPositionAndTicks) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case { double seconds; int position; };
  const Case cases[] = {{0.29, 29}, {7, 500}, {0, 1}, {-1, 1}, {0.014, 1}, {0.016, 2}, {inf, 500}, {-inf, 1},
                        {std::nan(""), 1}, {5.0, 500}};
  for (const Case& c : cases) EXPECT_EQ(durationPosition(c.seconds), c.position) << c.seconds;
  EXPECT_EQ(frequencyTicks(), (std::vector<int>{50, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000}));
  std::vector<int> d = durationTicks();
  ASSERT_EQ(d.size(), 11u);
  EXPECT_EQ(d.front(), 1);
  EXPECT_EQ(d[1], 50);
  EXPECT_EQ(d.back(), 500);
}

TEST(Beep, PlayToneOnTheToneOutput) {
  auto tone = std::make_shared<plat::io::RecordingTone>();
  auto prev = plat::io::setToneOut(tone);
  EXPECT_EQ(fbd_PlayTone(0, 100), 0);
  EXPECT_EQ(fbd_PlayTone(440, 0), 0);
  EXPECT_TRUE(tone->events().empty());
  EXPECT_EQ(fbd_PlayTone(50, 10), 0);
  plat::io::setToneOut(prev);
  ASSERT_EQ(tone->events().size(), 1u);
  EXPECT_EQ(tone->events()[0], (plat::io::ToneEvent{false, 50, 10, 0}));
}
