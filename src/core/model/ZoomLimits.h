// How far the canvas may grow. The scroll bars hold 16-bit offsets and Qt's raster painter works
// in 16-bit coordinates, so no canvas side may pass 32767 pixels. A large canvas is painted only
// where it is shown, so its pixels bound its address space rather than its memory: 512 Mi
// pixels (2 GiB), enough for a 3840 x 2160 picture at 800 percent. A picture itself, which is
// held whole, stays below 64 Mi pixels (256 MiB).
#pragma once

#include <cstdint>

namespace velmor {

inline constexpr int32_t kMaxCanvasExtent = 32767;
inline constexpr int64_t kMaxCanvasPixels = int64_t{1} << 29;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;
inline constexpr int kMaxZoomPercent = 32767;  // ZoomPercent is a 16-bit number

// The canvas extent for an image extent at a zoom: percent / 100 x extent, a half to even.
int32_t ScaledExtent(int zoomPercent, int32_t imageExtent);

// Whether the canvas of an image at `zoomPercent` stays within the bounds above.
bool ZoomFits(int zoomPercent, int32_t imageWidth, int32_t imageHeight);

// Whether a picture of this size may be loaded, pasted or captured.
bool PictureFits(int32_t width, int32_t height);

// The largest zoom that fits for an image (at least 1, even when the image itself is too big).
int MaxZoomPercent(int32_t imageWidth, int32_t imageHeight);

}  // namespace velmor
