// The Qt system clipboard behind the editor's script buffers.
#include "editor/qtclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace editor {

namespace {

const QMimeData* current() {
  QClipboard* c = QGuiApplication::clipboard();
  return c ? c->mimeData() : nullptr;
}

} // namespace

bool QtClipboard::empty() {
  QClipboard* c = QGuiApplication::clipboard();
  if (!c) return false;
  c->clear();
  return true;
}

bool QtClipboard::hasScript() {
  const QMimeData* m = current();
  return m && m->hasFormat(QString::fromLatin1(kScriptMimeType));
}

bool QtClipboard::hasText() {
  const QMimeData* m = current();
  return m && m->hasText();
}

bool QtClipboard::script(std::string& out) {
  const QMimeData* m = current();
  if (!m || !m->hasFormat(QString::fromLatin1(kScriptMimeType))) return false;
  QByteArray bytes = m->data(QString::fromLatin1(kScriptMimeType));
  out.assign(bytes.constData(), std::size_t(bytes.size()));
  return true;
}

bool QtClipboard::text(std::string& out) {
  const QMimeData* m = current();
  if (!m || !m->hasText()) return false;
  const QString t = m->text();
  out.clear();
  out.reserve(std::size_t(t.size()));
  for (QChar ch : t) out.push_back(ch.unicode() <= 0xFF ? char(ch.unicode()) : '?');
  return true;
}

bool QtClipboard::setScript(const std::string& bytes) {
  QClipboard* c = QGuiApplication::clipboard();
  if (!c) return false;
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kScriptMimeType), QByteArray(bytes.data(), qsizetype(bytes.size())));
  c->setMimeData(data);   // the clipboard owns it
  return true;
}

bool QtClipboard::addImage(const ClipImage& image) {
  QClipboard* c = QGuiApplication::clipboard();
  if (!c || image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < std::size_t(image.width) * std::size_t(image.height))
    return false;
  QImage picture(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      picture.setPixel(x, y, image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)]);
  auto* data = new QMimeData;
  if (const QMimeData* old = current())
    for (const QString& format : old->formats()) data->setData(format, old->data(format));
  data->setImageData(picture);
  c->setMimeData(data);
  return true;
}

} // namespace editor
