// The toolbox's rules without widgets.
#include "toolboxlogic.h"

#include "fake_services.h"

#include <gtest/gtest.h>

using namespace sw;
using swtest::FakeServices;

TEST(Toolbox, StatesTable) {
  struct Case { int state; bool window, blocks, text, conn; unsigned cursor; bool atCursor; };
  const Case cases[] = {{0, false, false, false, false, 0, false},  {1, false, false, false, false, 199, false},
                        {2, true, true, true, false, 199, false},   {3, true, true, true, true, 199, false},
                        {4, false, false, false, false, 198, true}, {5, true, true, false, false, 198, true},
                        {6, true, true, false, true, 198, true}};
  for (const Case& c : cases) {
    StateRule r = stateRule(c.state);
    EXPECT_TRUE(r.known);
    EXPECT_EQ(r.window, c.window) << c.state;
    EXPECT_EQ(r.buttonEnabled(0), c.blocks) << c.state;
    EXPECT_EQ(r.buttonEnabled(16), c.blocks) << c.state;
    EXPECT_EQ(r.buttonEnabled(17), c.text) << c.state;
    EXPECT_EQ(r.buttonEnabled(18), c.conn) << c.state;
    EXPECT_EQ(r.buttonEnabled(19), c.conn) << c.state;
    EXPECT_EQ(r.cursor, c.cursor) << c.state;
    EXPECT_EQ(r.dropAtCursor, c.atCursor) << c.state;
  }
  EXPECT_FALSE(stateRule(7).known);
  EXPECT_EQ(stateRule(7).cursor, 0u);
  EXPECT_FALSE(stateRule(-1).known);
}

TEST(Toolbox, ButtonsLayoutAndPositions) {
  ButtonSetup b0 = buttonSetup(0), b17 = buttonSetup(17), b19 = buttonSetup(19);
  EXPECT_EQ(b0.bitmap, 150u);
  EXPECT_EQ(b0.blockName, 5060u);
  EXPECT_EQ(b0.library, 5092u);
  EXPECT_EQ(b0.tooltip, 5030u);
  EXPECT_EQ(b17.library, 5090u);
  EXPECT_EQ(b19.bitmap, 169u);
  EXPECT_EQ(minimumSize(200, 400), (Box{0, 0, 216, 400}));
  EXPECT_EQ(minimumSize(300, 100), (Box{0, 0, 300, 307}));
  // 216 x 307 client: cw = 51, ch = 54.
  EXPECT_EQ(buttonBox(0, 216, 307), (Box{5, 28, 51, 54}));
  EXPECT_EQ(buttonBox(5, 216, 307), (Box{57, 83, 51, 54}));
  EXPECT_EQ(buttonBox(19, 216, 307), (Box{161, 248, 51, 54}));
  EXPECT_EQ(listBox(216, 307, 100), (Box{5, 133, 206, 169}));
  struct Case { SwInsertBoxAttribs a; bool valid; };
  const Case cases[] = {{{-1, 10, 200, 300, 0, nullptr}, false}, {{10, 10, 0, 300, 0, nullptr}, false},
                        {{10, 10, 200, 300, 0, nullptr}, true},  {{1004, 10, 200, 300, 0, nullptr}, false},
                        {{1003, 757, 200, 300, 0, nullptr}, true}, {{10, 758, 200, 300, 0, nullptr}, false}};
  for (const Case& c : cases) EXPECT_EQ(validPosition(c.a, 1024, 768), c.valid) << c.a.x << "," << c.a.y;
}

TEST(Toolbox, PictureScaleDragBoxAndDrop) {
  PictureFit f = pictureFit(124, 64, 40, 20);
  EXPECT_DOUBLE_EQ(f.scale, 2.0);
  EXPECT_EQ(f.x, 12);
  EXPECT_EQ(f.y, 2);
  // A 40 x 20 block at zoom 2.0: 100 x 60 centred on a 50 x 49 button at (300, 200).
  Box drag = dragBox({300, 200, 50, 49}, 40, 20, 2.0f);
  EXPECT_EQ(drag, (Box{275, 194, 100, 60}));
  int x = 0, y = 0;
  dropPosition(drag, 10, 10, 110, 60, 2.0f, x, y);
  EXPECT_EQ(x, 275 + 8 + 100);
  EXPECT_EQ(y, 194 + 8 + 50);
  dropPosition(drag, 10, 10, 10, 10, 2.0f, x, y);
  EXPECT_EQ(x, drag.x + 8);  // the drag window's left edge plus 8 pixels
}

TEST(Toolbox, RenameReplacesTheExactEntry) {
  std::vector<std::string> names{"motor", "MOTOR", "PUMP"};
  int sel = 1;
  EXPECT_TRUE(renameEntry(names, sel, "MOTOR", "ALPHA"));
  EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "motor", "PUMP"}));
  EXPECT_EQ(sel, 0);
  sel = 2;
  EXPECT_FALSE(renameEntry(names, sel, "NONE", "X"));
  EXPECT_FALSE(renameEntry(names, sel, "MOT", "X"));  // a prefix is not the name
  EXPECT_FALSE(renameEntry(names, sel, "", "X"));
  EXPECT_FALSE(renameEntry(names, sel, "PUMP", ""));
  EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "motor", "PUMP"}));
  EXPECT_TRUE(renameEntry(names, sel, "PUMP", "AAA_LONGER_THAN_14"));
  EXPECT_EQ(names[0], "AAA_LONGER_THA");
  EXPECT_EQ(sel, 0);
  EXPECT_EQ(findPrefix(names, "mo"), 2);
  EXPECT_EQ(findPrefix(names, "zz"), -1);
  EXPECT_EQ(sortedPosition(names, "B"), 2u);
}

TEST(Toolbox, MeasureThroughAScratchPicture) {
  FakeServices::reset();
  ServiceFunctionTable t = FakeServices::table();
  int w = 0, h = 0;
  ASSERT_TRUE(measureBlock(t, "MOUTPUTV3", "ZRLFB02", w, h));
  EXPECT_EQ(w, 40);
  EXPECT_EQ(h, 20);
  EXPECT_EQ(FakeServices::calls, (std::vector<int>{2, 5, 6, 7, 4}));
  FakeServices::reset();
  EXPECT_FALSE(measureBlock(t, "MISSING", "ZRLFB02", w, h));
  EXPECT_EQ(FakeServices::calls, (std::vector<int>{2, 5, 4}));
  ServiceFunctionTable none{};
  EXPECT_FALSE(measureBlock(none, "X", "Y", w, h));
}
