// The JPEG writer the program saves through. DCSavetoJPEG keeps the call of the closed library
// it replaces: a drawing surface, a size, a file name in an 8-bit buffer, a quality and a
// reserved -1, returning 1 on success and 0 on failure. It encodes with libjpeg-turbo (accurate
// DCT, 4:2:0 chroma) and replaces the file through a temporary beside it, so a failed save
// never leaves a half-written file nor touches the one already there.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmor::platform {

// The device context of the closed library's call: here the surface itself.
using JpegSurface = const QImage*;

inline constexpr int32_t kJpegSaved = 1;
inline constexpr int32_t kJpegFailed = 0;

// Writes the `width` x `height` pixels at the surface's origin to `fileName` (NUL-terminated,
// UTF-8; not modified here although the closed library's signature allowed it).
// `quality` is an unsigned 8-bit value in a 32-bit slot: 1 to 100 (above 100 up to 255 saves at
// 100); 0 or a value wider than 8 bits fails. `reserved` must be -1.
// Fails (0) for a null or empty surface, a width or height below 1 or beyond the surface, a
// missing or empty name, and any error while encoding or writing (missing folder, no
// permission, full disc); the file at `fileName` is then as it was.
int32_t DCSavetoJPEG(JpegSurface surface, int32_t width, int32_t height, char* fileName,
                     uint32_t quality, int32_t reserved);

// A TurboJPEG encoder that keeps its handle and its output buffer from one picture to the next:
// the buffer has room for the largest JPEG of the size, so a run of pictures writes into pages
// already there instead of growing a fresh buffer each time. One per thread.
class JpegEncoder {
 public:
  JpegEncoder();
  ~JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;

  // The JPEG of the `width` x `height` pixels at the surface's origin, as SaveSurfaceAsJpeg
  // writes it; valid until the next call. Empty with the reason in `error` on failure.
  std::string_view Encode(const QImage& surface, int width, int height, int quality,
                          std::string* error = nullptr);

 private:
  void* handle_ = nullptr;
  unsigned char* buffer_ = nullptr;
  unsigned long capacity_ = 0;
};

// The JPEG bytes SaveSurfaceAsJpeg would write, for callers that write them themselves (through
// a SafeFolder, say). False with the reason on the same failures but those of the file.
bool EncodeSurfaceAsJpeg(const QImage& surface, int width, int height, int quality,
                         std::string* bytes, std::string* error = nullptr);

// The same with the reason for a failure, for callers that want to show it.
bool SaveSurfaceAsJpeg(const QImage& surface, int width, int height, const std::string& path,
                       int quality, std::string* error = nullptr);

}  // namespace velmor::platform
