#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "formats/PictureLoader.h"

namespace velmor::platform::clipboard {

namespace {
QClipboard* Board() {
  return QGuiApplication::clipboard();
}

// The first encoded picture format on offer that the loader reads; empty when none.
QString EncodedType(const QMimeData& data) {
  for (const char* type : {"image/png", "image/bmp", "image/x-bmp", "image/jpeg", "image/gif"}) {
    const QString name = QString::fromLatin1(type);
    if (data.hasFormat(name)) return name;
  }
  return {};
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
  return data != nullptr && (data->hasImage() || !EncodedType(*data).isEmpty());
}

QImage GetPicture(const PictureLimits& limits) {
  const QMimeData* data = Board()->mimeData(QClipboard::Clipboard);
  if (data == nullptr) return {};
  // Another program's picture arrives encoded: read it like a file, so its size is checked
  // before anything is decoded.
  if (const QString type = EncodedType(*data); !type.isEmpty()) {
    const QByteArray bytes = data->data(type);
    if (!bytes.isEmpty()) {
      const std::optional<QImage> picture = LoadPictureFromBytes(bytes, limits);
      return picture ? *picture : QImage();
    }
  }
  // Any other encoded picture goes through the loader too, never straight to Qt's decoders:
  // only a picture already in memory (our own) is taken as it is.
  bool encoded = false;
  for (const QString& type : data->formats()) {
    if (!type.startsWith(QLatin1String("image/"))) continue;
    encoded = true;
    const QByteArray bytes = data->data(type);
    if (bytes.isEmpty()) continue;
    if (const std::optional<QImage> picture = LoadPictureFromBytes(bytes, limits)) return *picture;
  }
  if (encoded || !data->hasImage()) return {};
  // Our own picture is already in memory.
  const QImage picture = qvariant_cast<QImage>(data->imageData());
  if (picture.isNull() ||
      static_cast<int64_t>(picture.width()) * picture.height() > limits.maxPixels) {
    return {};
  }
  return OpaqueRgb32(picture);
}

}  // namespace velmor::platform::clipboard
