#include "editor/eventmap.h"

#include "qt_app.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

using namespace editor;

void app() { editor_test::qtApp(); }

TEST(EventMap, MouseEvents) {
  app();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(41, 60), QPointF(41, 60), Qt::LeftButton, Qt::LeftButton,
                    Qt::ShiftModifier);
  auto e = qt_MouseEvent(press, 2.0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->type, kMsgLButtonDown);
  EXPECT_EQ(e->code, kKeyLeft | kKeyShift);
  EXPECT_EQ(e->y, 30);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                  Qt::ControlModifier);
  EXPECT_EQ(qt_MouseEvent(dbl)->type, kMsgLButtonDblClk);
  EXPECT_EQ(qt_MouseEvent(dbl)->code, kKeyLeft | kKeyCtrl);
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::RightButton, Qt::NoButton,
                    Qt::NoModifier);
  EXPECT_EQ(qt_MouseEvent(right)->type, kMsgRButtonUp);
}

TEST(EventMap, Keys) {
  app();
  struct Case { int key; std::uint16_t code; };
  for (Case c : {Case{Qt::Key_Escape, 27}, Case{Qt::Key_F1, 112}, Case{Qt::Key_F12, 123}, Case{Qt::Key_Delete, 46},
                 Case{Qt::Key_Q, 'Q'}, Case{Qt::Key_Left, 37}}) {
    QKeyEvent k(QEvent::KeyPress, c.key, Qt::NoModifier);
    auto e = qt_KeyEvent(k);
    ASSERT_TRUE(e) << c.key;
    EXPECT_EQ(e->type, kMsgKeyDown);
    EXPECT_EQ(e->code, c.code);
  }
  QKeyEvent none(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  EXPECT_FALSE(qt_KeyEvent(none));
  EXPECT_EQ(qt_CommandEvent(373).type, kMsgCommand);
}

} // namespace
