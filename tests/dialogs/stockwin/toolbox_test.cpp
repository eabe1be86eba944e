// The toolbox of stockwin.so offscreen: pages, states, names and the drag of
// blocks onto a worksheet through a recording service table.
#include "dialogkit/window_message.h"
#include "fake_services.h"
#include "name_list.h"
#include "sw_dialogs.h"

#include "../../support/golden_compare.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabBar>

#include <gtest/gtest.h>

#include <algorithm>

using namespace swtest;

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint local, QPoint global) {
  Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent ev(type, QPointF(local), QPointF(global), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &ev);
}

QWidget* dragWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "SW12_BLOCKINSERTWND" && w->isVisible()) return w;
  return nullptr;
}

bool contains(const std::vector<int>& calls, std::vector<int> run) {
  return std::search(calls.begin(), calls.end(), run.begin(), run.end()) != calls.end();
}

class ToolboxTest : public Dialogs {
protected:
  void SetUp() override {
    Dialogs::SetUp();
    owner_->setGeometry(100, 100, 800, 600);
    receiverId_ = kit::registerOwner(&receiver_);
    FakeServices::reset();
    ServiceFunctionTable t = FakeServices::table();
    fn<SW13_SetObelServiceFctnsFn>(h_, "SW13_SetObelServiceFctns")(&t);
  }
  void TearDown() override {
    if (box_) fn<SW10_DestroyInsertBoxDlgFn>(h_, "SW10_DestroyInsertBoxDlg")(box_);
    ServiceFunctionTable none{};
    fn<SW13_SetObelServiceFctnsFn>(h_, "SW13_SetObelServiceFctns")(&none);
    Dialogs::TearDown();
  }
  QDialog* create(int state, const SwInsertBoxAttribs* a = nullptr, std::vector<const char*> names = {"PUMP", "MOTOR", nullptr}) {
    List l(names);
    box_ = fn<SW10_CreateInsertBoxDlgFn>(h_, "SW10_CreateInsertBoxDlg")(receiverId_, a, &l.head, state);
    return static_cast<QDialog*>(box_);
  }
  QWidget* button(int id) { return static_cast<QDialog*>(box_)->findChild<QWidget*>(QStringLiteral("c%1").arg(id)); }
  // Presses a button, drags by (dx, dy) to a point outside the toolbox and releases there.
  void drag(int id, QPoint release) {
    QWidget* b = button(id);
    QPoint local(10, 10);
    mouse(b, QEvent::MouseButtonPress, local, b->mapToGlobal(local));
    mouse(b, QEvent::MouseMove, b->mapFromGlobal(release), release);
    mouse(b, QEvent::MouseButtonRelease, b->mapFromGlobal(release), release);
  }
  dlgtest::Receiver receiver_;
  std::uint32_t receiverId_ = 0;
  void* box_ = nullptr;
};

} // namespace

TEST_F(ToolboxTest, PagesListAndPicture) {
  SwInsertBoxAttribs a{-1, 10, 200, 300, 1, const_cast<char*>("PU")};
  QDialog* d = create(3, &a);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->windowTitle(), "Toolbox");
  // An invalid position: the default place beside the parent's lower right corner.
  QRect pr = receiver_.frameGeometry();
  // (the offscreen platform may add its frame margins)
  EXPECT_NEAR(d->pos().x(), pr.right() + 1 - 236, 4);
  EXPECT_NEAR(d->pos().y(), pr.bottom() + 1 - 327, 4);
  auto* list = d->findChild<QListWidget*>("c1022");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "MOTOR");
  EXPECT_EQ(list->currentItem()->text(), "PUMP");
  EXPECT_TRUE(list->isVisible());
  EXPECT_FALSE(button(1030)->isVisible());
  QWidget* picture = d->findChild<QWidget*>("c1023");
  EXPECT_TRUE(contains(FakeServices::calls, {2, 5}));  // the picture and its block
  saveShot(d, "STOCKWIN-134-page1");
  EXPECT_GT(FakeServices::drawn, 0);
  EXPECT_EQ(picture->width(), 126);
  d->findChild<QTabBar*>("c1020")->setCurrentIndex(0);
  EXPECT_TRUE(button(1030)->isVisible());
  EXPECT_FALSE(list->isVisible());
  saveShot(d, "STOCKWIN-134-page0");
  // Names: added twice gives two entries; rename; empty select clears the picture.
  fn<SW10_AddInsertBoxUPNameFn>(h_, "SW10_AddInsertBoxUPName")(box_, "AXLE");
  fn<SW10_AddInsertBoxUPNameFn>(h_, "SW10_AddInsertBoxUPName")(box_, "AXLE");
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(1)->text(), "AXLE");
  fn<SW10_RenameInsertBoxUPNameFn>(h_, "SW10_RenameInsertBoxUPName")(box_, "PUMP", "BELT");
  EXPECT_EQ(list->item(2)->text(), "BELT");
  EXPECT_EQ(list->currentItem()->text(), "BELT");
  SwInsertBoxAttribs got{};
  EXPECT_EQ(fn<SW10_GetInsertBoxDlgAttribsFn>(h_, "SW10_GetInsertBoxDlgAttribs")(box_, &got), 1);
  ASSERT_TRUE(got.name);
  EXPECT_STREQ(got.name, "BELT");
  EXPECT_EQ(got.page, 0);
  EXPECT_EQ(got.width, d->frameGeometry().width());
  fn<SW10_FreeInsertBoxDlgAttribsFn>(h_, "SW10_FreeInsertBoxDlgAttribs")(&got);
  EXPECT_EQ(got.name, nullptr);
  FakeServices::calls.clear();
  EXPECT_EQ(fn<SW10_SelectInsertBoxUPNameFn>(h_, "SW10_SelectInsertBoxUPName")(box_, ""), 1);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(FakeServices::calls, std::vector<int>{7});  // the old block removed, nothing added
  fn<SW10_GetInsertBoxDlgAttribsFn>(h_, "SW10_GetInsertBoxDlgAttribs")(box_, &got);
  EXPECT_EQ(got.name, nullptr);
  fn<SW10_FreeInsertBoxDlgAttribsFn>(h_, "SW10_FreeInsertBoxDlgAttribs")(&got);
  // A valid position is taken; a restored 200 x 400 becomes 216 x 400.
  SwInsertBoxAttribs at{40, 50, 200, 400, 1, nullptr};
  EXPECT_EQ(fn<SW10_SetInsertBoxDlgAttribsFn>(h_, "SW10_SetInsertBoxDlgAttribs")(box_, &at), 1);
  EXPECT_EQ(d->geometry().size(), QSize(216, 400));
  EXPECT_TRUE(list->isVisible());
}

TEST_F(ToolboxTest, StatesEnableButtonsAndEscTellsTheParent) {
  QDialog* d = create(5);
  auto state = fn<SW10_GetInsertBoxStateFn>(h_, "SW10_GetInsertBoxState");
  EXPECT_EQ(state(box_), 5);
  EXPECT_TRUE(button(1030)->isEnabled());
  for (int id : {1047, 1048, 1049}) EXPECT_FALSE(button(id)->isEnabled()) << id;
  fn<SW10_SetInsertBoxStateFn>(h_, "SW10_SetInsertBoxState")(box_, 6);
  EXPECT_FALSE(button(1047)->isEnabled());
  EXPECT_TRUE(button(1048)->isEnabled());
  fn<SW10_SetInsertBoxStateFn>(h_, "SW10_SetInsertBoxState")(box_, 9);
  EXPECT_EQ(state(box_), 6);
  fn<SW10_SetInsertBoxStateFn>(h_, "SW10_SetInsertBoxState")(box_, 0);
  EXPECT_FALSE(d->isEnabled());
  EXPECT_FALSE(button(1030)->isEnabled());
  // A disabled button does nothing on a press.
  FakeServices::calls.clear();
  drag(1030, QPoint(50, 50));
  EXPECT_TRUE(FakeServices::calls.empty());
  fn<SW10_SetInsertBoxStateFn>(h_, "SW10_SetInsertBoxState")(box_, 2);
  key(d, Qt::Key_Return);
  EXPECT_TRUE(d->isVisible());
  key(d, Qt::Key_Escape);
  d->close();
  QApplication::processEvents();
  EXPECT_TRUE(d->isVisible());
  ASSERT_EQ(receiver_.got.size(), 2u);
  EXPECT_EQ(receiver_.got[0].msg, unsigned(SW_WM_INSERTBOX_CLOSED));
  EXPECT_EQ(receiver_.got[0].wParam, 2);
  EXPECT_EQ(fn<SW10_GetInsertBoxStateFn>(h_, "SW10_GetInsertBoxState")(nullptr), 0);
}

TEST_F(ToolboxTest, LibraryButtonDragMeasuresBuildsAndDropsPlaced) {
  create(3);
  QWidget* b = button(1030);
  QPoint g = b->mapToGlobal(QPoint(0, 0));
  QPoint release(g.x() - 400, g.y() + 30);
  QPoint local(10, 10);
  mouse(b, QEvent::MouseButtonPress, local, b->mapToGlobal(local));
  QWidget* dw = dragWindow();
  ASSERT_TRUE(dw);
  // 40 x 20 units and the margin at zoom 2.0, centred on the button.
  EXPECT_EQ(dw->size(), QSize(100, 60));
  QPoint first((g.x() + g.x() + b->width() - 100) >> 1, (g.y() + g.y() + b->height() - 60) >> 1);
  EXPECT_EQ(dw->pos(), first);
  saveShot(dw, "STOCKWIN-drag-block");
  mouse(b, QEvent::MouseMove, b->mapFromGlobal(release), release);
  EXPECT_EQ(dw->pos(), first + (release - b->mapToGlobal(local)));
  mouse(b, QEvent::MouseButtonRelease, b->mapFromGlobal(release), release);
  EXPECT_FALSE(dragWindow());
  EXPECT_TRUE(contains(FakeServices::calls, {2, 5, 6, 7, 4}));  // measured in a scratch picture
  EXPECT_GT(std::count(FakeServices::calls.begin(), FakeServices::calls.end(), 3), 0);  // the drag window drawn
  EXPECT_TRUE(contains(FakeServices::calls, {7, 4}));           // ... and freed, before the drop
  EXPECT_EQ(FakeServices::calls.back(), 8);
  ASSERT_EQ(FakeServices::drops.size(), 1u);
  const auto& drop = FakeServices::drops[0];
  EXPECT_EQ(drop.service, 8);
  EXPECT_EQ(drop.name, "MOUTPUTV3");
  EXPECT_EQ(drop.library, "ZRLFB02");
  QPoint moved = release - b->mapToGlobal(local);
  EXPECT_EQ(drop.x, first.x() + 8 + moved.x());
  EXPECT_EQ(drop.y, first.y() + 8 + moved.y());
}

TEST_F(ToolboxTest, DropAtCursorInStatesFourToSixAndNothingOverTheToolbox) {
  QDialog* d = create(6);
  QWidget* b = button(1048);  // SubIn: drawn without services, 20 x 20 units
  QPoint release = d->frameGeometry().topLeft() - QPoint(300, 0);
  FakeServices::calls.clear();
  QPoint local(5, 5);
  mouse(b, QEvent::MouseButtonPress, local, b->mapToGlobal(local));
  QWidget* dw = dragWindow();
  ASSERT_TRUE(dw);
  EXPECT_EQ(dw->size(), QSize(60, 60));
  saveShot(dw, "STOCKWIN-drag-subin");
  mouse(b, QEvent::MouseButtonRelease, b->mapFromGlobal(release), release);
  EXPECT_EQ(std::count(FakeServices::calls.begin(), FakeServices::calls.end(), 2), 0);
  ASSERT_EQ(FakeServices::drops.size(), 1u);
  EXPECT_EQ(FakeServices::drops[0].service, 9);
  EXPECT_EQ(FakeServices::drops[0].name, "Input");
  EXPECT_EQ(FakeServices::drops[0].library, "Standard");
  EXPECT_EQ(QPoint(FakeServices::drops[0].x, FakeServices::drops[0].y), release);
  // Released over the toolbox itself: nothing is inserted.
  drag(1030, d->frameGeometry().center());
  EXPECT_EQ(FakeServices::drops.size(), 1u);
}

TEST_F(ToolboxTest, TextDragWindowShowsTheCommentWithoutServices) {
  create(2);
  QWidget* b = button(1047);
  FakeServices::calls.clear();
  QPoint local(5, 5);
  mouse(b, QEvent::MouseButtonPress, local, b->mapToGlobal(local));
  QWidget* dw = dragWindow();
  ASSERT_TRUE(dw) << ::testing::PrintToString(texts());
  EXPECT_GT(dw->width(), dw->height());
  saveShot(dw, "STOCKWIN-drag-text");
  QImage img = dw->grab().toImage();
  int dark = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 128;
  EXPECT_GT(dark, 20);  // the text is drawn
  QPoint release = b->mapToGlobal(QPoint(-500, 0));
  mouse(b, QEvent::MouseButtonRelease, b->mapFromGlobal(release), release);
  for (int c : FakeServices::calls) EXPECT_TRUE(c == 1 || c == 8) << c;
  ASSERT_EQ(FakeServices::drops.size(), 1u);
  EXPECT_EQ(FakeServices::drops[0].name, "Text");
}

TEST_F(ToolboxTest, ABlockTheMainProgramCannotBuildShows519) {
  ServiceFunctionTable t = FakeServices::table();
  t.addBlock = nullptr;
  fn<SW13_SetObelServiceFctnsFn>(h_, "SW13_SetObelServiceFctns")(&t);
  create(3);
  drag(1031, QPoint(0, 0));
  EXPECT_EQ(texts(), std::vector<std::string>{"Error!   Function block BINPUTV3 cannot be found in the library ZRLFB02. "});
  EXPECT_FALSE(dragWindow());
  EXPECT_TRUE(FakeServices::drops.empty());
}

TEST_F(ToolboxTest, HotButtonShowsItsTooltipBelowAndPressSinks) {
  create(3);
  auto* b = button(1032);
  b->setFocus();  // the button under the cursor takes the focus and is hot
  QApplication::processEvents();
  QPoint local(20, 20);
  mouse(b, QEvent::MouseMove, local, b->mapToGlobal(local));
  auto* tip = b->findChild<QLabel*>("tooltip");
  ASSERT_TRUE(tip);
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->text(), "Edge");
  EXPECT_GE(tip->pos().y(), b->mapToGlobal(QPoint(0, b->height())).y());
  // A press hides the tooltip; the release drops nowhere without a drag window.
  ServiceFunctionTable none{};
  fn<SW13_SetObelServiceFctnsFn>(h_, "SW13_SetObelServiceFctns")(&none);
  mouse(b, QEvent::MouseButtonPress, local, b->mapToGlobal(local));
  EXPECT_FALSE(tip->isVisible());
  mouse(b, QEvent::MouseButtonRelease, local, b->mapToGlobal(local));
  EXPECT_TRUE(FakeServices::drops.empty());
}

// The standard library's page as the user sees it: the seventeen block
// buttons of ZRLFB02 with their pictures, then Text, Input and Output,
// against a golden image (golden_compare.h; ZERLO_REGEN_GOLDEN=1 writes it).
TEST_F(ToolboxTest, StandardBlocksPageMatchesItsGoldenImage) {
  QDialog* d = create(3);
  ASSERT_TRUE(d);
  d->findChild<QTabBar*>("c1020")->setCurrentIndex(0);
  QApplication::processEvents();
  if (QWidget* f = QApplication::focusWidget()) f->clearFocus();  // no button hot
  QApplication::processEvents();
  std::vector<golden::Frame> frames;
  for (int id = 1030; id <= 1046; ++id) {
    QWidget* b = button(id);
    ASSERT_TRUE(b) << id;
    ASSERT_TRUE(b->isVisible()) << id;
    const QPoint at = b->mapTo(d, QPoint(0, 0));
    frames.push_back({"button " + std::to_string(id), at.x(), at.y(), at.x() + b->width() - 1, at.y() + b->height() - 1});
  }
  golden::expectMatches(d->grab().toImage(), "dialogs/toolbox_standard_page.png", frames);
}
