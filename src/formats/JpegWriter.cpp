#include "formats/JpegWriter.h"

#include <turbojpeg.h>

#include <cstring>
#include <memory>

#include "core/base/FileReplace.h"

namespace velmor::platform {

namespace {

constexpr int kMaxJpegSide = 65535;

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

struct TurboJpegDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};
struct TurboBufferDeleter {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

}  // namespace

bool SaveSurfaceAsJpeg(const QImage& surface, int width, int height, const std::string& path,
                       int quality, std::string* error) {
  if (surface.isNull()) return Fail(error, "no surface");
  if (width < 1 || height < 1 || width > surface.width() || height > surface.height()) {
    return Fail(error, "size " + std::to_string(width) + " x " + std::to_string(height) +
                           " does not fit the surface");
  }
  if (width > kMaxJpegSide || height > kMaxJpegSide) return Fail(error, "too large for JPEG");
  if (quality < 1 || quality > 100) return Fail(error, "quality out of range");
  if (path.empty()) return Fail(error, "no file name");

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
      if (converted.isNull()) return Fail(error, "out of memory");
      pixels = &converted;
      break;
  }

  // The encoder, and for pictures of ordinary size an output buffer of the largest size the
  // picture can need, are kept between saves of the same thread: no growing copies of the
  // output, no fresh pages to fault in.
  thread_local std::unique_ptr<void, TurboJpegDeleter> encoder;
  thread_local std::unique_ptr<unsigned char, TurboBufferDeleter> kept;
  thread_local unsigned long keptSize = 0;
  if (!encoder) encoder.reset(tjInitCompress());
  if (!encoder) return Fail(error, "cannot start the JPEG encoder");
  constexpr unsigned long kLargestKept = 64ul << 20;
  const unsigned long bound = tjBufSize(width, height, TJSAMP_420);
  const bool useKept = bound != static_cast<unsigned long>(-1) && bound <= kLargestKept;
  if (useKept && keptSize < bound) {
    kept.reset(tjAlloc(static_cast<int>(bound)));
    keptSize = kept ? bound : 0;
  }
  unsigned char* raw = useKept ? kept.get() : nullptr;
  unsigned long size = raw ? keptSize : 0;
  const int flags = TJFLAG_ACCURATEDCT | (raw ? TJFLAG_NOREALLOC : 0);
  const int status = tjCompress2(encoder.get(), pixels->constBits(), width,
                                 static_cast<int>(pixels->bytesPerLine()), height, TJPF_BGRX, &raw,
                                 &size, TJSAMP_420, quality, flags);
  // A buffer the encoder allocated itself is this save's alone.
  std::unique_ptr<unsigned char, TurboBufferDeleter> own(raw != kept.get() ? raw : nullptr);
  if (status != 0 || !raw || size == 0) {
    return Fail(error, std::string("JPEG encoding failed: ") + tjGetErrorStr2(encoder.get()));
  }
  return ReplaceFileContents(path, {reinterpret_cast<const char*>(raw), size}, error);
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
