#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace velmor::platform::clipboard {

namespace {
QClipboard* Board() {
  return QGuiApplication::clipboard();
}
}  // namespace

void Clear() {
  Board()->clear(QClipboard::Clipboard);
}

void PutPicture(const QImage& picture) {
  if (picture.isNull()) {
    Clear();
    return;
  }
  Board()->setImage(picture, QClipboard::Clipboard);
}

bool HasBitmap() {
  const QMimeData* data = Board()->mimeData(QClipboard::Clipboard);
  return data != nullptr && data->hasImage();
}

QImage GetPicture() {
  if (!HasBitmap()) return {};
  const QImage picture = Board()->image(QClipboard::Clipboard);
  if (picture.isNull()) return {};
  // A bitmap has no transparency; give every reader the same opaque format.
  return picture.convertToFormat(QImage::Format_RGB32);
}

}  // namespace velmor::platform::clipboard
