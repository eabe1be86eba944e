// The Qt clipboard adapter under the offscreen platform.
#include "editor/clipboard.h"
#include "editor/qtclipboard.h"

#include "qt_app.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <gtest/gtest.h>

namespace {

using namespace editor;

void app() { editor_test::qtApp(); }

class QtClipboardTest : public ::testing::Test {
protected:
  QtClipboard port;
  void SetUp() override {
    app();
    QGuiApplication::clipboard()->clear();
    clip_SetPort(&port);
    clip_RegisterFormat();
  }
  void TearDown() override {
    clip_Reset();
    clip_SetPort(nullptr);
  }
  std::string firstLine() {
    ScriptBuffer* b = clip_OpenBuffer(1, kCarrierClipboard);
    if (!b) return "<none>";
    char room[200];
    int n = clip_ReadLine(b, sizeof room, room);
    clip_CloseBuffer(b);
    return n > 0 ? std::string(room) : std::string();
  }
};

TEST_F(QtClipboardTest, ScriptTextAndImageTogether) {
  EXPECT_TRUE(clip_NothingToPaste());
  ScriptBuffer* b = clip_OpenBuffer(0, kCarrierClipboard);
  ASSERT_NE(b, nullptr);
  clip_AppendLine(b, "WindowType(0);\n");
  ASSERT_EQ(clip_CloseBuffer(b), 1);
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->formats(), QStringList{QString::fromLatin1(kScriptMimeType)}) << "our own type only";
  EXPECT_EQ(firstLine(), "WindowType(0);");

  ClipImage img{2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}};
  ASSERT_EQ(clip_PutBitmap(&img), 1);
  m = QGuiApplication::clipboard()->mimeData();
  EXPECT_TRUE(m->hasImage());
  EXPECT_TRUE(m->hasFormat(QString::fromLatin1(kScriptMimeType))) << "the image is added to the script";
  QImage back = qvariant_cast<QImage>(m->imageData());
  EXPECT_EQ(back.pixel(1, 0), 0xFF00FF00u);

  // A text beside the script: the script is read.
  auto* both = new QMimeData;
  both->setText(QStringLiteral("plain"));
  both->setData(QString::fromLatin1(kScriptMimeType), "WindowType(1);");
  QGuiApplication::clipboard()->setMimeData(both);
  EXPECT_EQ(firstLine(), "WindowType(1);");
}

TEST_F(QtClipboardTest, PlainTextIsLatin1) {
  QGuiApplication::clipboard()->setText(QString::fromUtf8("Mot\xC3\xB6r \xE2\x82\xAC"));
  EXPECT_FALSE(clip_NothingToPaste());
  ScriptBuffer* b = clip_OpenBuffer(1, kCarrierClipboard);
  ASSERT_NE(b, nullptr);
  char room[300];
  clip_ReadLine(b, sizeof room, room);
  clip_ReadLine(b, sizeof room, room);
  clip_CloseBuffer(b);
  EXPECT_EQ(std::string(room), "setText(GATE45,16,Mot\xF6r ?);");
}

} // namespace
