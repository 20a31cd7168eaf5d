#include "formats/metafile/DibImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>

#include "core/formats/PictureFormat.h"
#include "formats/metafile/ByteReader.h"

namespace velmor::platform::metafile {

namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5, kBiAlphaBitfields = 6;

struct DibHeader {
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;
  uint32_t bitCount = 0, compression = kBiRgb, colorsUsed = 0;
  bool core = false;
};

std::optional<DibHeader> ReadHeader(ByteReader& r) {
  DibHeader h;
  h.headerSize = r.U32(0);
  if (h.headerSize == 12) {
    h.core = true;
    h.width = r.U16(4);
    h.height = r.U16(6);
    h.bitCount = r.U16(10);
  } else if (h.headerSize >= 40 && h.headerSize <= 124) {
    h.width = r.I32(4);
    h.height = r.I32(8);
    h.bitCount = r.U16(14);
    h.compression = r.U32(16);
    h.colorsUsed = r.U32(32);
  } else {
    return std::nullopt;
  }
  if (!r.ok() || h.width <= 0 || h.height == 0) return std::nullopt;
  return h;
}

// Bytes of masks and colour table after the header.
int64_t TableBytes(const DibHeader& h) {
  int64_t bytes = 0;
  if (h.headerSize == 40 && h.compression == kBiBitfields) bytes += 12;
  if (h.headerSize == 40 && h.compression == kBiAlphaBitfields) bytes += 16;
  const int64_t entry = h.core ? 3 : 4;
  if (h.bitCount <= 8) {
    const int64_t full = int64_t{1} << h.bitCount;
    bytes += entry * (h.colorsUsed > 0 && h.colorsUsed < full ? h.colorsUsed : full);
  } else {
    bytes += entry * std::min<int64_t>(h.colorsUsed, 256);
  }
  return bytes;
}

std::optional<QImage> ReadWithQt(const QByteArray& data, const char* format, int64_t maxPixels) {
  QByteArray copy = data;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAllocationLimit(static_cast<int>(std::min<int64_t>(maxPixels * 8 >> 20, 2047) + 1));
  const QSize size = reader.size();
  if (!size.isValid() || static_cast<int64_t>(size.width()) * size.height() > maxPixels) {
    return std::nullopt;
  }
  QImage image;
  if (!reader.read(&image)) return std::nullopt;
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

std::optional<Dib> DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits,
                             int64_t maxPixels) {
  ByteReader r(info);
  const std::optional<DibHeader> h = ReadHeader(r);
  if (!h || h->headerSize > info.size()) return std::nullopt;
  const int64_t height = h->height < 0 ? -h->height : h->height;
  if (h->width > maxPixels || height > maxPixels / h->width) return std::nullopt;

  Dib dib;
  dib.bottomUp = h->height > 0;
  if (h->compression == kBiJpeg || h->compression == kBiPng) {
    const QByteArray data(reinterpret_cast<const char*>(bits.data()),
                          static_cast<qsizetype>(bits.size()));
    const PictureKind kind = SniffPicture({data.constData(), static_cast<size_t>(data.size())});
    if (kind != (h->compression == kBiJpeg ? PictureKind::Jpeg : PictureKind::Png)) {
      return std::nullopt;
    }
    std::optional<QImage> image =
        ReadWithQt(data, h->compression == kBiJpeg ? "jpeg" : "png", maxPixels);
    if (!image) return std::nullopt;
    dib.image = std::move(*image);
    dib.bottomUp = false;
    return dib;
  }
  if (h->bitCount != 1 && h->bitCount != 4 && h->bitCount != 8 && h->bitCount != 16 &&
      h->bitCount != 24 && h->bitCount != 32) {
    return std::nullopt;
  }
  const int64_t infoBytes = h->headerSize + TableBytes(*h);
  if (infoBytes > static_cast<int64_t>(info.size())) return std::nullopt;

  // Wrap it as a BMP file and let Qt's reader, which already handles every layout, decode it.
  const int64_t fileSize = 14 + infoBytes + static_cast<int64_t>(bits.size());
  if (fileSize > (int64_t{1} << 31)) return std::nullopt;
  QByteArray file;
  file.reserve(static_cast<qsizetype>(fileSize));
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) file.append(static_cast<char>(v >> (8 * i)));
  };
  file.append("BM", 2);
  u32(static_cast<uint32_t>(fileSize));
  u32(0);
  u32(static_cast<uint32_t>(14 + infoBytes));
  file.append(reinterpret_cast<const char*>(info.data()), static_cast<qsizetype>(infoBytes));
  file.append(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bits.size()));
  if (!LooksComplete(PictureKind::Bmp, {file.constData(), static_cast<size_t>(file.size())})) {
    return std::nullopt;
  }
  std::optional<QImage> image = ReadWithQt(file, "bmp", maxPixels);
  if (!image) return std::nullopt;
  dib.image = std::move(*image);
  return dib;
}

QRect DibSourceRect(const Dib& dib, int64_t x, int64_t y, int64_t width, int64_t height,
                    bool fromBottom) {
  if (width < 0) {
    x += width;
    width = -width;
  }
  if (height < 0) {
    y += height;
    height = -height;
  }
  const int64_t imageWidth = dib.image.width(), imageHeight = dib.image.height();
  if (fromBottom && dib.bottomUp) y = imageHeight - y - height;
  const int64_t left = std::clamp<int64_t>(x, 0, imageWidth);
  const int64_t top = std::clamp<int64_t>(y, 0, imageHeight);
  const int64_t right = std::clamp<int64_t>(x + width, 0, imageWidth);
  const int64_t bottom = std::clamp<int64_t>(y + height, 0, imageHeight);
  if (right <= left || bottom <= top) return {};
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
               static_cast<int>(bottom - top));
}

std::optional<Dib> DecodePackedDib(std::span<const uint8_t> packed, int64_t maxPixels) {
  ByteReader r(packed);
  const std::optional<DibHeader> h = ReadHeader(r);
  if (!h) return std::nullopt;
  const int64_t infoBytes = h->headerSize + TableBytes(*h);
  if (infoBytes > static_cast<int64_t>(packed.size())) return std::nullopt;
  return DecodeDib(packed.first(infoBytes), packed.subspan(infoBytes), maxPixels);
}

}  // namespace velmor::platform::metafile
