// GateScript: tokeniser, script buffers, writers and the interpreter.
#include "script_fixture.h"

#include "model/gatekinds.h"
#include "model/geometry.h"

using namespace editor;
using namespace editor_test;

TEST(ScriptTokens, HeadsTokensAndNumbers) {
  ScriptHead h;
  ASSERT_TRUE(scr_SplitHead(" GATE 1 = add Gate (x", h));
  EXPECT_EQ(h.name, "GATE1");
  EXPECT_EQ(h.word, "addGate");
  ASSERT_TRUE(scr_SplitHead("WindowType(0);", h));
  EXPECT_EQ(h.name, "");
  EXPECT_EQ(h.word, "WindowType");
  EXPECT_FALSE(scr_SplitHead(std::string(127, 'a') + "(", h));
  EXPECT_TRUE(scr_SplitHead(std::string(126, 'a') + "(", h));
  EXPECT_FALSE(scr_SplitHead("no paren", h));

  std::string line = "x(a b ,20);";
  std::size_t pos = 2;
  EXPECT_EQ(scr_Token(line, pos, ','), "ab");
  EXPECT_EQ(scr_Token(line, pos, ','), "20);");   // no delimiter: the rest, unchanged
  EXPECT_EQ(pos, 7u);
  EXPECT_EQ(scr_Number("20);"), 20);
  EXPECT_EQ(scr_Number("abc"), 0);
  EXPECT_EQ(scr_Number("-7x"), -7);
  EXPECT_EQ(scr_Number("99999999999"), 2147483647);
  EXPECT_EQ(scr_RestToken("setText(G,16,a, b);", 13, 2), "a, b");
  EXPECT_EQ(scr_RestToken("x(;", 2, 2), "");
  EXPECT_EQ(scr_RestToken("x(", 2, 3), "");
  EXPECT_DOUBLE_EQ(scr_Real("2.500000"), 2.5);
  EXPECT_DOUBLE_EQ(scr_Real("nonsense"), 0.0);
  EXPECT_EQ(scr_FormatReal(2.5), "2.500000");
}

TEST(ScriptBuffers, AppendGrowsInTensAndJoinsLines) {
  clip_Reset();
  ScriptBuffer* b = clip_OpenBuffer(0, kCarrierInternal);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(clip_AppendLine(b, "A;"), 3);
  EXPECT_EQ(b->size, 10u);
  EXPECT_EQ(std::string(b->text.data()), "A;");
  EXPECT_EQ(clip_AppendLine(b, "B;\n"), 4);
  EXPECT_EQ(clip_CloseBuffer(b), 1);
  EXPECT_EQ(clip_InternalText(), "A;\nB;\n");
  EXPECT_EQ(clip_AppendLine(nullptr, "x"), -1);
  EXPECT_EQ(clip_LastStatus(), kClipNoBuffer);
  clip_Reset();
}

TEST(ScriptBuffers, InternalBeforeAnyWriteIsNothing) {
  clip_Reset();
  EXPECT_EQ(clip_OpenBuffer(1, kCarrierInternal), nullptr);
  EXPECT_EQ(clip_LastStatus(), kClipNothing);
}

class ClipboardTest : public ::testing::Test {
protected:
  MemoryClipboard mem;
  void SetUp() override {
    clip_SetPort(&mem);
    clip_RegisterFormat();
  }
  void TearDown() override {
    clip_Reset();
    clip_SetPort(nullptr);
  }
  std::vector<std::string> lines(int* secondAnswer = nullptr) {
    std::vector<std::string> out;
    ScriptBuffer* b = clip_OpenBuffer(1, kCarrierClipboard);
    if (!b) return out;
    char room[kScriptLineRoom];
    for (int i = 0;; ++i) {
      if (i == 1 && secondAnswer) *secondAnswer = clip_ReadLine(b, 0, nullptr);
      int n = clip_ReadLine(b, sizeof room, room);
      if (i == 1 && secondAnswer && b->kind == kBufPlainDone) *secondAnswer = n;
      if (n <= 0) break;
      out.emplace_back(room);
    }
    clip_CloseBuffer(b);
    return out;
  }
};

TEST_F(ClipboardTest, PlainTextReadsAsATextGate) {
  mem.textData = "abc";
  EXPECT_FALSE(clip_NothingToPaste());
  EXPECT_EQ(lines(), (std::vector<std::string>{"GATE45 = addGate(%STD,Text,10,10);", "setText(GATE45,16,abc);"}));
  mem.textData = std::string(300, 'x');
  int second = 0;
  auto l = lines(&second);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[1], "setText(GATE45,16," + std::string(255, 'x') + ");");
  EXPECT_EQ(second, 321);
  mem.textData = "a\r\nb";
  EXPECT_EQ(lines()[1], "setText(GATE45,16,a\rb);");
}

TEST_F(ClipboardTest, ScriptIsPreferredAndBoundedBySize) {
  mem.textData = "plain";
  mem.scriptData = std::string("WindowType(0);\n\nGATE1 = addGate(%STD,Text,0,0,-1);");  // no NUL
  EXPECT_EQ(lines(), (std::vector<std::string>{"WindowType(0);", "", "GATE1 = addGate(%STD,Text,0,0,-1);"}));
  mem.scriptData.reset();
  mem.textData.reset();
  EXPECT_TRUE(clip_NothingToPaste());
  EXPECT_EQ(clip_OpenBuffer(1, kCarrierClipboard), nullptr);
  EXPECT_EQ(clip_LastStatus(), kClipNothing);
}

TEST_F(ClipboardTest, RefusalsAndFailuresAreReported) {
  mem.refuseSet = true;
  ScriptBuffer* b = clip_OpenBuffer(0, kCarrierClipboard);
  ASSERT_NE(b, nullptr);
  clip_AppendLine(b, "WindowType(0);\n");
  EXPECT_EQ(clip_CloseBuffer(b), 0);
  EXPECT_EQ(clip_LastStatus(), kClipRefused);
  mem.refuseSet = false;
  mem.failOpen = true;
  EXPECT_EQ(clip_OpenBuffer(0, kCarrierClipboard), nullptr);
  EXPECT_EQ(clip_LastStatus(), kClipNotOpened);
  mem.failOpen = false;
  mem.failEmpty = true;
  EXPECT_EQ(clip_OpenBuffer(0, kCarrierClipboard), nullptr);
  EXPECT_EQ(clip_LastStatus(), kClipNotEmptied);
  EXPECT_EQ(mem.opens, mem.closes + 1) << "every open that succeeded is closed";
  mem.failEmpty = false;
  // A failed append is sticky: the partial text is never handed over.
  b = clip_OpenBuffer(0, kCarrierInternal);
  b->failed = true;
  clip_AppendLine(b, "A;");
  EXPECT_EQ(clip_CloseBuffer(b), 0);
  EXPECT_EQ(clip_InternalText(), "");
  // A bitmap is added to what the clipboard holds.
  mem.scriptData = "WindowType(0);";
  EXPECT_EQ(clip_PutBitmap(nullptr), 0);
  EXPECT_EQ(clip_LastStatus(), kClipNothing);
  ClipImage img{2, 1, {0xFF000000u, 0xFFFFFFFFu}};
  EXPECT_EQ(clip_PutBitmap(&img), 1);
  EXPECT_TRUE(mem.scriptData.has_value());
  EXPECT_TRUE(mem.image.has_value());
}

// ---- writer and interpreter ----

class GateScriptTest : public ScriptFixture {};

TEST_F(GateScriptTest, WriterGoldenTexts) {
  model::GateRecord* in = add(main, "%STD", "Input", 100, 110);
  model::GateRecord* out = add(main, "%STD", "Output", 160, 100);
  wire(main, out, 1, in, 1);
  ASSERT_EQ(scr_WriteSelection(window, main->FirstGate, main->FirstInstance), 1);
  EXPECT_EQ(*clipboard.scriptData,
            "WindowType(0);\n\nGATE1 = addGate(%STD,Input,0,10,1);\n\nGATE2 = addGate(%STD,Output,60,0,1);\n\n"
            "connectInput(GATE2,T0,GATE1,SI);\n");
  model::LogicRecord* other = model::ge_NewLogic("OTHER");
  model::GateRecord* t = add(other, "%STD", "Text", 50, 50, -1);
  ASSERT_TRUE(scr_SetTextBlock(other, t, 16, "Motor on"));
  ASSERT_EQ(scr_WriteSelection(window, other->FirstGate, other->FirstInstance), 1);
  EXPECT_EQ(*clipboard.scriptData, "WindowType(0);\n\nGATE" + std::to_string(t->GateNumber) +
                                       " = addGate(%STD,Text,0,0,-1);\n\nsetText(GATE" +
                                       std::to_string(t->GateNumber) + ",16,Motor on);\n");
  expectSound();
}

TEST_F(GateScriptTest, WriteThenExecuteRecreatesTheGates) {
  model::GateTypeRecord* type = compiledType();
  model::GateRecord* in = add(main, "%STD", "Input", 100, 100, 1);
  ASSERT_TRUE(model::gt_SetPortName(main, in, "Start"));
  model::GateRecord* m = add(main, "LIB", "ADD2", 150, 100);
  ASSERT_EQ(model::subType(m), type);
  model::GateRecord* out = add(main, "%STD", "Output", 250, 100, 1);
  model::GateRecord* t = add(main, "%STD", "Text", 100, 200, -1);
  scr_SetTextBlock(main, t, 14, "a, b \"q\"");
  wire(main, m, 2, in, 1);
  wire(main, out, 1, m, 1);
  ASSERT_TRUE(model::ge_NegatePin(main, m, 1, true));
  ASSERT_TRUE(model::ge_NegatePin(main, m, 1, false));
  double gain = 2.5;
  std::uint16_t countValue = 4464;
  std::memcpy(reinterpret_cast<char*>(m->Extra), &gain, 8);
  std::memcpy(reinterpret_cast<char*>(m->Extra) + 8, &countValue, 2);
  std::memcpy(reinterpret_cast<char*>(m->Extra) + 16, "hello, you", 10);
  for (model::GateInstance* gi = main->FirstInstance; gi; gi = gi->Next)
    if (gi->GateNumber == m->GateNumber && gi->ExtraValues != m->Extra)
      std::memcpy(gi->ExtraValues, m->Extra, 40);
  ASSERT_EQ(scr_WriteSelection(window, main->FirstGate, main->FirstInstance), 1);
  EXPECT_NE(clipboard.scriptData->find("setPara(GATE2,1,\"Gain\",REAL,\"2.500000\");"), std::string::npos)
      << *clipboard.scriptData;

  model::LogicRecord* target = model::ge_NewLogic("TARGET");
  model::EditLogic(*model::TemplateDocument) = target;
  ASSERT_EQ(scr_Execute(window, nullptr, 500, 300, kScriptClipboard), 0);
  ASSERT_EQ(count(target), 4);
  for (model::GateRecord *a = main->FirstGate, *b = target->FirstGate; a && b; a = a->Next, b = b->Next) {
    EXPECT_EQ(a->Kind, b->Kind);
    EXPECT_EQ(b->X, a->X - 100 + 500);
    EXPECT_EQ(b->Y, a->Y - 100 + 300);
    EXPECT_EQ(b->Selected, 1);
    for (unsigned i = 0; i < a->InputCount; ++i) {
      EXPECT_EQ(a->Inputs[i].Flags & 1, b->Inputs[i].Flags & 1);
      EXPECT_EQ(a->Inputs[i].Source != nullptr, b->Inputs[i].Source != nullptr);
      if (a->Inputs[i].Source) {
        EXPECT_EQ(a->Inputs[i].Source->Kind, b->Inputs[i].Source->Kind);
      }
    }
    for (unsigned i = 0; i < a->OutputCount; ++i) EXPECT_EQ(a->Outputs[i].Flags & 1, b->Outputs[i].Flags & 1);
  }
  model::GateRecord* m2 = nth(target, 1);
  double g2 = 0;
  std::uint16_t c2 = 0;
  std::memcpy(&g2, m2->Extra, 8);
  std::memcpy(&c2, reinterpret_cast<char*>(m2->Extra) + 8, 2);
  EXPECT_DOUBLE_EQ(g2, 2.5);
  EXPECT_EQ(c2, 4464);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(m2->Extra) + 16), "hello, you");
  EXPECT_EQ(model::gt_PortName(nth(target, 0)), "Start");
  int height = 0;
  EXPECT_EQ(model::gt_GateText(nth(target, 3), &height), "a, b \"q\"");
  EXPECT_EQ(height, 14);
  expectSound();
}

TEST_F(GateScriptTest, IntegerKeepsItsLowSixteenBitsAndIndexesOutsideAreSkipped) {
  compiledType();
  clipboard.scriptData =
      "WindowType(0);\nG = addGate(LIB,ADD2,10,10);\nsetPara(G,2,\"Count\",INTEGER,\"70000\");\n"
      "setPara(G,9,\"x\",REAL,\"1.0\");\nsetPara(G,0,\"x\",REAL,\"1.0\");\nsetGPara(G,1,\"x\",REAL,\"1.0\");\n"
      "setINo(G,99);\nsetPara(G,1,\"G\",REAL,\"\");\n";
  ASSERT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  std::uint16_t v = 0;
  std::memcpy(&v, reinterpret_cast<char*>(main->FirstGate->Extra) + 8, 2);
  EXPECT_EQ(v, 4464);
  EXPECT_EQ(main->FirstGate->InputCount, 2);
  expectSound();
}

TEST_F(GateScriptTest, ReaderRulesFromTheTable) {
  int lastCreation = 0;
  static int* seen;
  seen = &lastCreation;
  scr_SetLibraryGateInserter([](model::LogicRecord* l, const std::string& lib, const std::string& type, int x,
                                int y, int creation) {
    *seen = creation;
    return scr_PlainLibraryInsert(l, lib, type, x, y, creation);
  });
  clipboard.scriptData = "WindowType(0);\nA = addGate(%STD,Enable-SB,10,20);\n";
  ASSERT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  EXPECT_EQ(lastCreation, 20);
  EXPECT_EQ(main->FirstGate->Kind, model::kKindDisableLogic);
  EXPECT_EQ(main->FirstGate->Y, 20);

  // A name entered twice names the second gate; unknown names are skipped.
  clipboard.scriptData =
      "X = addGate(%STD,Text,0,100,-1);\nX = addGate(%STD,Text,0,200,-1);\nsetText(X,12,second);\n"
      "setText(NOBODY,12,nobody);\nconnectInput(X,T0,NOBODY,SI);\n" + std::string(130, ' ') + "bad(1);\n";
  ASSERT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  model::GateRecord* first = nullptr;
  model::GateRecord* second = nullptr;
  for (model::GateRecord* g = main->FirstGate; g; g = g->Next)
    if (g->Kind == model::kKindText) (g->Y == 100 ? first : second) = g;
  ASSERT_TRUE(first && second);
  EXPECT_EQ(model::gt_GateText(second), "second");
  EXPECT_EQ(model::gt_GateText(first), "");

  // A script with only a WindowType makes nothing.
  clipboard.scriptData = "WindowType(0);\n";
  EXPECT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 9);
  expectSound();
}

TEST_F(GateScriptTest, WindowKindMismatchChangesNothing) {
  clipboard.scriptData = "WindowType(0);\nA = addGate(%STD,Text,0,0,-1);\n";
  WorksheetWindowData* sub = host.newWindow(kKindSubByName, model::TemplateDocument);
  EXPECT_EQ(scr_CheckWindowType(sub, kScriptClipboard), 9);
  EXPECT_EQ(scr_Execute(sub, nullptr, 0, 0, kScriptClipboard), 9);
  EXPECT_EQ(main->FirstGate, nullptr);
  clipboard.scriptData = "WindowType(2);\nA = addGate(%STD,Text,0,0,-1);\n";
  EXPECT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 9);
  EXPECT_EQ(scr_Execute(sub, nullptr, 0, 0, kScriptClipboard), 0);
}

TEST_F(GateScriptTest, PortsIntoMainAndIntoThePasteBuffer) {
  clipboard.scriptData =
      "WindowType(0);\nA = addGate(%STD,Input,0,0,1);\nB = addGate(%STD,Output,60,0,1);\n"
      "connectInput(B,T0,A,SI);\n";
  model::LogicRecord* mainLogic = model::ge_NewLogic("$MAIN");
  model::EditLogic(*model::TemplateDocument) = mainLogic;
  EXPECT_EQ(scr_PastePrecheck(window, nullptr, 100, 100, kScriptClipboard), 0);
  EXPECT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 9);
  EXPECT_EQ(mainLogic->FirstGate, nullptr);

  model::LogicRecord* paste = model::ge_NewLogic(" %PasteBuffer");
  model::EditLogic(*model::TemplateDocument) = paste;
  EXPECT_EQ(scr_PastePrecheck(window, nullptr, 100, 100, kScriptClipboard), 1);
  model::TemplateDocument->SimLogic = mainLogic;
  EXPECT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  ASSERT_EQ(count(paste), 2);
  int height = 0;
  EXPECT_EQ(paste->FirstGate->Kind, model::kKindText);
  EXPECT_EQ(model::gt_GateText(paste->FirstGate, &height), "   ");
  EXPECT_EQ(height, 16);
  model::TemplateDocument->SimLogic = nullptr;
  expectSound();
}

TEST_F(GateScriptTest, ReferenceScriptsRebuildEveryCall) {
  // SUB has one input; MAIN calls it twice, wired from Input gates.
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  model::GateRecord* sin = add(sub, "%STD", "Input", 0, 0, 1);   // the call's input pin
  model::gt_SetPortName(sub, sin, "X");
  model::GateRecord* callers[2];
  for (int i = 0; i < 2; ++i) {
    model::GateRecord* src = add(main, "%STD", "Input", 100, 100 + 100 * i, 1);
    callers[i] = add(main, "", "SUB", 200, 100 + 100 * i, -1);
    ASSERT_NE(callers[i], nullptr);
    wire(main, callers[i], 1, src, 1);
  }
  // Edit SUB: record its users, add an Input gate, run the script.
  model::EditLogic(*model::TemplateDocument) = sub;
  bool written = false;
  scr_WritePortScript(window, written);
  ASSERT_TRUE(written);
  EXPECT_EQ(count(main), 2) << "the calls are removed";
  model::GateRecord* newIn = add(sub, "%STD", "Output", 0, 60, 1);
  model::gt_SetPortName(sub, newIn, "Y");
  scr_RunPortScript(window, nullptr, false);
  ASSERT_EQ(count(main), 4);
  int calls = 0;
  for (model::GateRecord* g = main->FirstGate; g; g = g->Next)
    if (g->Kind == model::kKindCall) {
      ++calls;
      EXPECT_EQ(g->OutputCount, 1) << "the new port shows";
      ASSERT_GE(g->InputCount, 1);
      EXPECT_NE(g->Inputs[0].Source, nullptr) << "rewired by pin name";
      EXPECT_EQ(g->Selected, 0);
    }
  EXPECT_EQ(calls, 2);
  model::EditLogic(*model::TemplateDocument) = main;
  expectSound();
}

TEST_F(GateScriptTest, AThousandGateScriptRuns) {
  std::string s = "WindowType(0);\n";
  for (int i = 0; i < 1000; ++i)
    s += "GATE" + std::to_string(i) + " = addGate(%STD,Text," + std::to_string((i % 40) * 50) + "," +
         std::to_string((i / 40) * 50) + ",-1);\n\nsetText(GATE" + std::to_string(i) + ",12,gate " +
         std::to_string(i) + ");\n\n";
  clipboard.scriptData = s;
  ASSERT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  EXPECT_EQ(count(main), 1000);
  EXPECT_EQ(model::gt_GateText(nth(main, 999)), "gate 999");
}

// ---- drop services ----

class DropServices : public ScriptFixture {};

TEST_F(DropServices, ADroppedOutputJoinsTheInputBeside) {
  model::GateRecord* in = add(main, "%STD", "Input", 100, 100, 1);
  std::int16_t px, py;
  std::uint16_t side;
  model::gg_OutputPinPos(in, 1, px, py, side);
  // The new Output's input pin lands 30 units right of the Input's output.
  model::GateRecord* probe = add(main, "%STD", "Output", 400, 400, 1);
  std::int16_t qx, qy;
  model::gg_InputPinPos(probe, 1, qx, qy, side);
  model::ge_DeleteGate(main, probe);
  int x = in->X + px + 30 - qx, y = in->Y + py - qy;
  model::GateRecord* out = scr_DropService(window, "%STD", "Output", x, y, 0);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Inputs[0].Source, in);
  EXPECT_EQ(model::gt_PortName(out), "In1");
  // Farther than 50 units: nothing joins.
  model::GateRecord* far = scr_DropService(window, "%STD", "Output", x + 200, y + 200, 0);
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->Inputs[0].Source, nullptr);
  EXPECT_EQ(model::gt_PortName(far), "In2");
  expectSound();
}

TEST_F(DropServices, ADroppedTextAsksItsTextOf255Characters) {
  host.textAnswers = {std::string(300, 'w'), "<cancel>"};
  model::GateRecord* t = scr_DropService(window, "%STD", "Text", 100, 100, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(model::gt_GateText(t), std::string(255, 'w'));
  EXPECT_EQ(scr_DropService(window, "%STD", "Text", 200, 100, 0), nullptr) << "Cancel deletes the gate";
  EXPECT_EQ(count(main), 1);
  EXPECT_EQ(scr_DropService(window, "NOLIB", "NOTYPE", 200, 100, 0), nullptr);
  expectSound();
}

TEST_F(DropServices, DropItemAtReplacesTheGateAndKeepsItsWiring) {
  model::GateRecord* in = add(main, "%STD", "Input", 100, 100, 1);
  model::GateRecord* out = add(main, "%STD", "Output", 200, 100, 1);
  wire(main, out, 1, in, 1);
  EXPECT_EQ(scr_DropItemAt(window, "%STD", "Output", 700, 700), nullptr) << "an empty spot";
  EXPECT_EQ(count(main), 2);
  EXPECT_EQ(out->Inputs[0].Source, in);
  model::GateRecord* replaced = scr_DropItemAt(window, "%STD", "Output", 205, 105);
  ASSERT_NE(replaced, nullptr);
  EXPECT_EQ(count(main), 2);
  EXPECT_EQ(replaced->X, 200);
  EXPECT_EQ(replaced->Inputs[0].Source, in);
  EXPECT_EQ(replaced->Selected, 0);
  EXPECT_EQ(editorState(), 0u);
  expectSound();
}

TEST_F(DropServices, LabelsDeleteTheUsersAndPictureUsesRefreshTheInsertBox) {
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  add(sub, "%STD", "Input", 0, 0, 1);
  add(main, "", "SUB", 100, 100, -1);
  model::LogicRecord* picture = model::ge_NewLogic("999FBPICW");
  add(picture, "", "SUB", 0, 0, -1);
  model::EditLogic(*model::TemplateDocument) = sub;
  clipboard.scriptData = "WindowType(0);\nA = addGate(%STD,Input,0,100,1);\nsetIOLabel(A,Z b);\n";
  ASSERT_EQ(scr_Execute(window, nullptr, 0, 0, kScriptClipboard), 0);
  EXPECT_EQ(count(main), 0) << "the users are deleted";
  EXPECT_EQ(model::gt_PortName(nth(sub, 1)), "Z b");
  // A port dropped into SUB rebuilds the calls; the one in the picture logic
  // is not rebuilt, but the insert box is refreshed.
  add(main, "", "SUB", 100, 100, -1);
  add(picture, "", "SUB", 0, 0, -1);
  ASSERT_NE(scr_DropService(window, "%STD", "Output", 100, 300, 0), nullptr);
  EXPECT_EQ(host.insertBoxRefreshes, 1);
  ASSERT_EQ(count(main), 1);
  EXPECT_EQ(main->FirstGate->OutputCount, 1) << "rebuilt with the new port";
  EXPECT_EQ(count(picture), 0);
  model::EditLogic(*model::TemplateDocument) = main;
  expectSound();
}
