// How far the canvas may grow. The scroll bars hold 16-bit offsets and Qt's raster painter works
// in 16-bit coordinates, so no canvas side may pass 32767 pixels; the drawing surface is kept
// below 256 MiB (64 Mi pixels of 4 bytes).
#pragma once

#include <cstdint>

namespace velmor {

inline constexpr int32_t kMaxCanvasExtent = 32767;
inline constexpr int64_t kMaxCanvasPixels = int64_t{1} << 26;
inline constexpr int kMaxZoomPercent = 32767;  // ZoomPercent is a 16-bit number

// The canvas extent for an image extent at a zoom: percent / 100 x extent, a half to even.
int32_t ScaledExtent(int zoomPercent, int32_t imageExtent);

// Whether the canvas of an image at `zoomPercent` stays within the bounds above.
bool ZoomFits(int zoomPercent, int32_t imageWidth, int32_t imageHeight);

// The largest zoom that fits for an image (at least 1, even when the image itself is too big).
int MaxZoomPercent(int32_t imageWidth, int32_t imageHeight);

}  // namespace velmor
