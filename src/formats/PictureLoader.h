// The program's picture loader: BMP, JPEG, GIF, PNG and ICO through Qt's readers, WMF and EMF
// through our own record player. Every file is treated as untrusted: its kind is told from its
// content, its announced size is checked against the limits before anything is decoded, and a
// damaged, truncated, empty or foreign file is refused with a reason instead of a picture.
#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace velmor::platform {

class PictureMemory;

struct PictureLimits {
  int64_t maxPixels = 100'000'000;     // 100 megapixels: 400 MB as 32-bit RGB
  int64_t maxFileBytes = 512ll << 20;  // larger files are not read at all
  int decoderAllocationMiB = 512;      // what a Qt reader may allocate while decoding
};

// The picture in `path` as Format_RGB32; nullopt with `error` set when it cannot or may not
// be read. Transparent parts are laid over white; a JPEG is turned as its Exif orientation says;
// an icon gives its largest image, an animated GIF its first frame. A JPEG decodes on `memory`
// when it is given. Safe to call on several threads at once.
std::optional<QImage> LoadPicture(const QString& path, QString* error = nullptr);
std::optional<QImage> LoadPicture(const QString& path, const PictureLimits& limits,
                                  QString* error = nullptr, PictureMemory* memory = nullptr);

// The same from bytes already in memory (a file's whole content).
std::optional<QImage> LoadPictureFromBytes(QByteArrayView bytes, QString* error = nullptr);
std::optional<QImage> LoadPictureFromBytes(QByteArrayView bytes, const PictureLimits& limits,
                                           QString* error = nullptr,
                                           PictureMemory* memory = nullptr);

// `image` as Format_RGB32; transparent parts show white, as on a blank canvas. Null when
// memory runs out.
QImage OpaqueRgb32(QImage image);

}  // namespace velmor::platform
