#include "formats/JpegWriter.h"

#include <turbojpeg.h>

#include "core/base/FileReplace.h"

namespace velmor::platform {

namespace {

constexpr int kMaxJpegSide = 65535;

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

std::string_view NoBytes(std::string* error, const std::string& why) {
  Fail(error, why);
  return {};
}

// Room for the JPEG of a picture of up to about 20 megapixels.
constexpr unsigned long kKeptBufferBytes = 64ul << 20;

}  // namespace

JpegEncoder::JpegEncoder() : handle_(tjInitCompress()) {}

JpegEncoder::~JpegEncoder() {
  if (buffer_) tjFree(buffer_);
  if (handle_) tjDestroy(handle_);
}

std::string_view JpegEncoder::Encode(const QImage& surface, int width, int height, int quality,
                                     std::string* error) {
  if (surface.isNull()) return NoBytes(error, "no surface");
  if (width < 1 || height < 1 || width > surface.width() || height > surface.height()) {
    return NoBytes(error, "size " + std::to_string(width) + " x " + std::to_string(height) +
                              " does not fit the surface");
  }
  if (width > kMaxJpegSide || height > kMaxJpegSide) return NoBytes(error, "too large for JPEG");
  if (quality < 1 || quality > 100) return NoBytes(error, "quality out of range");

  // Only 32-bit surfaces are passed as they are; anything else is converted first.
  const QImage* pixels = &surface;
  QImage converted;
  switch (surface.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      break;
    default:
      converted = surface.copy(0, 0, width, height).convertToFormat(QImage::Format_RGB32);
      if (converted.isNull()) return NoBytes(error, "out of memory");
      pixels = &converted;
      break;
  }

  if (!handle_) return NoBytes(error, "cannot start the JPEG encoder");
  // A buffer of the worst case is kept for the next picture; past kKeptBufferBytes the encoder
  // grows one of its own as it goes, which is given back at the next call.
  const unsigned long worst = tjBufSize(width, height, TJSAMP_420);
  const bool keep = worst <= kKeptBufferBytes;
  if (!keep || capacity_ < worst) {
    if (buffer_) tjFree(buffer_);
    buffer_ = nullptr;
    capacity_ = 0;
  }
  if (keep && !buffer_) {
    buffer_ = tjAlloc(static_cast<int>(worst));
    if (!buffer_) return NoBytes(error, "out of memory");
    capacity_ = worst;
  }
  unsigned long size = capacity_;
  const int status =
      tjCompress2(handle_, pixels->constBits(), width, static_cast<int>(pixels->bytesPerLine()),
                  height, TJPF_BGRX, &buffer_, &size, TJSAMP_420, quality,
                  TJFLAG_ACCURATEDCT | (keep ? TJFLAG_NOREALLOC : 0));
  if (status != 0 || !buffer_ || size == 0)
    return NoBytes(error, std::string("JPEG encoding failed: ") + tjGetErrorStr2(handle_));
  return {reinterpret_cast<const char*>(buffer_), size};
}

namespace {

// Saves on one thread reuse one encoder.
JpegEncoder& ThreadEncoder() {
  thread_local JpegEncoder encoder;
  return encoder;
}

}  // namespace

bool EncodeSurfaceAsJpeg(const QImage& surface, int width, int height, int quality,
                         std::string* bytes, std::string* error) {
  const std::string_view jpeg = ThreadEncoder().Encode(surface, width, height, quality, error);
  if (jpeg.empty()) return false;
  bytes->assign(jpeg);
  return true;
}

bool SaveSurfaceAsJpeg(const QImage& surface, int width, int height, const std::string& path,
                       int quality, std::string* error) {
  if (path.empty()) return Fail(error, "no file name");
  const std::string_view jpeg = ThreadEncoder().Encode(surface, width, height, quality, error);
  if (jpeg.empty()) return false;
  return ReplaceFileContents(path, jpeg, error);
}

int32_t DCSavetoJPEG(JpegSurface surface, int32_t width, int32_t height, char* fileName,
                     uint32_t quality, int32_t reserved) {
  if (!surface || !fileName || reserved != -1 || quality == 0 || quality > 0xFF) {
    return kJpegFailed;
  }
  const int clamped = quality > 100 ? 100 : static_cast<int>(quality);
  return SaveSurfaceAsJpeg(*surface, width, height, std::string(fileName), clamped) ? kJpegSaved
                                                                                    : kJpegFailed;
}

}  // namespace velmor::platform
