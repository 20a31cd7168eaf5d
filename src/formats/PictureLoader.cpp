#include "formats/PictureLoader.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <memory>
#include <span>

#include "core/formats/PictureFormat.h"
#include "formats/PictureMemory.h"
#include "formats/metafile/MetafilePlayer.h"

namespace velmor::platform {

namespace {

std::optional<QImage> Refuse(QString* error, const QString& why) {
  if (error) *error = why;
  return std::nullopt;
}

const char* QtFormat(PictureKind kind) {
  switch (kind) {
    case PictureKind::Bmp:
      return "bmp";
    case PictureKind::Jpeg:
      return "jpeg";
    case PictureKind::Gif:
      return "gif";
    case PictureKind::Png:
      return "png";
    case PictureKind::Ico:
      return "ico";
    default:
      return nullptr;
  }
}

}  // namespace

QImage OpaqueRgb32(QImage image) {
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  QImage opaque(image.size(), QImage::Format_RGB32);
  if (opaque.isNull()) return opaque;
  opaque.fill(Qt::white);
  QPainter painter(&opaque);
  painter.drawImage(0, 0, image);
  return opaque;
}

namespace {

// An icon file holds several sizes: the largest shows the most.
void PickLargestIcon(QImageReader& reader) {
  const int count = std::min(reader.imageCount(), 256);
  int best = 0;
  int64_t bestArea = -1;
  for (int i = 0; i < count; ++i) {
    if (!reader.jumpToImage(i)) break;
    const QSize size = reader.size();
    const int64_t area = static_cast<int64_t>(size.width()) * size.height();
    if (size.isValid() && area > bestArea) {
      best = i;
      bestArea = area;
    }
  }
  reader.jumpToImage(best);
}

struct TurboJpegDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};

// libjpeg-turbo straight into 32-bit pixels: the very pixels Qt's reader gives for a YCbCr or
// grey JPEG, without its conversion row by row into a fresh image. Anything else (CMYK, an Exif
// turn, data the decoder warns about) is left to Qt's reader, so that it comes out as before.
std::optional<QImage> DecodeJpegDirectly(const QByteArray& data, const PictureLimits& limits,
                                         PictureMemory* memory) {
  const std::unique_ptr<void, TurboJpegDeleter> decoder(tjInitDecompress());
  if (!decoder) return std::nullopt;
  const auto* jpeg = reinterpret_cast<const unsigned char*>(data.constData());
  const auto size = static_cast<unsigned long>(data.size());
  int width = 0, height = 0, sampling = 0, colourspace = 0;
  if (tjDecompressHeader3(decoder.get(), jpeg, size, &width, &height, &sampling, &colourspace) !=
          0 ||
      width < 1 || height < 1 || colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
    return std::nullopt;
  const int64_t pixels = int64_t{width} * height;
  if (pixels > limits.maxPixels || pixels * 4 > (int64_t{limits.decoderAllocationMiB} << 20))
    return std::nullopt;
  {
    QByteArray header = QByteArray::fromRawData(data.constData(), data.size());
    QBuffer buffer(&header);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    if (reader.transformation() != QImageIOHandler::TransformationNone) return std::nullopt;
  }
  QImage image =
      memory ? memory->Image(width, height) : QImage(width, height, QImage::Format_RGB32);
  if (image.isNull()) return std::nullopt;
  if (tjDecompress2(decoder.get(), jpeg, size, image.bits(), width,
                    static_cast<int>(image.bytesPerLine()), height, TJPF_BGRX, 0) != 0)
    return std::nullopt;
  return image;
}

std::optional<QImage> Decode(QByteArrayView bytes, PictureKind kind, const PictureLimits& limits,
                             QString* error, PictureMemory* memory) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
  if (kind == PictureKind::Jpeg) {
    if (std::optional<QImage> direct = DecodeJpegDirectly(data, limits, memory)) return direct;
  }
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, QtFormat(kind));
  reader.setAllocationLimit(limits.decoderAllocationMiB);
  reader.setAutoTransform(true);
  if (kind == PictureKind::Ico) PickLargestIcon(reader);
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return Refuse(error, QStringLiteral("damaged picture"));
  if (static_cast<int64_t>(size.width()) * size.height() > limits.maxPixels) {
    return Refuse(
        error,
        QStringLiteral("picture too large: %1 x %2 pixels").arg(size.width()).arg(size.height()));
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    return Refuse(error, QStringLiteral("damaged picture: %1").arg(reader.errorString()));
  }
  // A GIF's frames can make the decoded picture larger than the size its reader reported.
  if (static_cast<int64_t>(image.width()) * image.height() > limits.maxPixels) {
    return Refuse(
        error,
        QStringLiteral("picture too large: %1 x %2 pixels").arg(image.width()).arg(image.height()));
  }
  QImage result = OpaqueRgb32(std::move(image));
  if (result.isNull()) return Refuse(error, QStringLiteral("out of memory"));
  return result;
}

}  // namespace

std::optional<QImage> LoadPictureFromBytes(QByteArrayView bytes, QString* error) {
  return LoadPictureFromBytes(bytes, PictureLimits{}, error);
}

std::optional<QImage> LoadPictureFromBytes(QByteArrayView bytes, const PictureLimits& limits,
                                           QString* error, PictureMemory* memory) {
  if (bytes.isEmpty()) return Refuse(error, QStringLiteral("empty file"));
  if (bytes.size() > limits.maxFileBytes) return Refuse(error, QStringLiteral("file too large"));
  const std::string_view view(bytes.data(), static_cast<size_t>(bytes.size()));
  const PictureKind kind = SniffPicture(view);
  switch (kind) {
    case PictureKind::Unknown:
      return Refuse(error, QStringLiteral("not a picture"));
    case PictureKind::Wmf:
    case PictureKind::Emf: {
      MetafileLimits metafileLimits;
      metafileLimits.maxPixels = std::min(metafileLimits.maxPixels, limits.maxPixels);
      metafileLimits.maxBitmapPixels = std::min(metafileLimits.maxBitmapPixels, limits.maxPixels);
      return RenderMetafile(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), view.size()),
                            error, metafileLimits);
    }
    default:
      if (int64_t w, h; AnnouncedSize(kind, view, &w, &h) &&
                        (w > limits.maxPixels || h > limits.maxPixels / std::max<int64_t>(w, 1))) {
        return Refuse(error, QStringLiteral("picture too large: %1 x %2 pixels").arg(w).arg(h));
      }
      if (!ChunksFit(kind, view)) {
        return Refuse(error, QStringLiteral("damaged picture: a chunk runs past the end"));
      }
      if (!LooksComplete(kind, view)) {
        return Refuse(error, QStringLiteral("truncated or damaged picture"));
      }
      return Decode(bytes, kind, limits, error, memory);
  }
}

std::optional<QImage> LoadPicture(const QString& path, QString* error) {
  return LoadPicture(path, PictureLimits{}, error);
}

std::optional<QImage> LoadPicture(const QString& path, const PictureLimits& limits, QString* error,
                                  PictureMemory* memory) {
  const QFileInfo info(path);
  if (!info.isFile()) return Refuse(error, QStringLiteral("no such file: %1").arg(path));
  if (info.size() > limits.maxFileBytes) return Refuse(error, QStringLiteral("file too large"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Refuse(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
  }
  // Exactly the size checked above, even if the file grows meanwhile.
  const QByteArray bytes = file.read(info.size());
  if (file.error() != QFileDevice::NoError) {
    return Refuse(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
  }
  return LoadPictureFromBytes(bytes, limits, error, memory);
}

}  // namespace velmor::platform
