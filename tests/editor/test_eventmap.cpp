#include "editor/eventmap.h"

#include "qt_app.h"
#include "editor/tables.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
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

namespace editor {
namespace {

// Caps Lock as the key presses show it, and the letter translation that follows it.
TEST(EventMap, CapsLockFromTheKeyEvents) {
  app();
  struct Case { int key; Qt::KeyboardModifiers mods; const char* text; bool previous; int want; };  // -1: unknown
  for (Case c : {Case{Qt::Key_Q, Qt::NoModifier, "Q", false, 1}, Case{Qt::Key_Q, Qt::NoModifier, "q", true, 0},
                 Case{Qt::Key_Q, Qt::ShiftModifier, "q", false, 1}, Case{Qt::Key_Q, Qt::ShiftModifier, "Q", true, 0},
                 Case{Qt::Key_CapsLock, Qt::NoModifier, "", false, 1}, Case{Qt::Key_CapsLock, Qt::NoModifier, "", true, 0},
                 Case{Qt::Key_5, Qt::NoModifier, "5", true, -1}}) {
    QKeyEvent k(QEvent::KeyPress, c.key, c.mods, QString::fromLatin1(c.text));
    std::optional<bool> caps = qt_CapsLockOfEvent(k, c.previous);
    if (c.want < 0) EXPECT_FALSE(caps) << c.text;
    else {
      ASSERT_TRUE(caps) << c.key << " " << c.text;
      EXPECT_EQ(*caps, c.want == 1) << c.key << " " << c.text;
    }
  }
  // The editor's translation keeps 'Q' while Caps Lock is on and lowers it after.
  QKeyEvent upper(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "Q");
  auto e = qt_KeyEvent(upper);
  ASSERT_TRUE(e);
  EXPECT_EQ(ui_TranslateEvent(&*e), 35);
  EXPECT_EQ(e->code, 'Q');
  QKeyEvent lower(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q");
  e = qt_KeyEvent(lower);
  ASSERT_TRUE(e);
  EXPECT_EQ(ui_TranslateEvent(&*e), 35);
  EXPECT_EQ(e->code, 'q');
  ui_NoteCapsLock(false);
}

// The application-wide tracker notes the state of presses that reach any widget.
TEST(EventMap, CapsLockTrackerSeesEveryFocusWidget) {
  app();
  qt_TrackCapsLock();
  ui_NoteCapsLock(false);
  QWidget w;
  w.setFocusPolicy(Qt::StrongFocus);
  w.show();
  w.setFocus();
  QApplication::processEvents();
  if (QGuiApplication::focusObject() != &w) GTEST_SKIP() << "no focus under this platform";
  QKeyEvent press(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier);
  QApplication::sendEvent(&w, &press);
  EXPECT_TRUE(ui_NotedCapsLock());
  QApplication::sendEvent(&w, &press);
  EXPECT_FALSE(ui_NotedCapsLock());
}

} // namespace
} // namespace editor
