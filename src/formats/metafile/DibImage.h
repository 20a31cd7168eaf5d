// Device-independent bitmaps embedded in metafile records, decoded through Qt's BMP reader after
// their header has been checked against the data and the pixel limit.
#pragma once

#include <QImage>
#include <cstdint>
#include <optional>
#include <span>

namespace velmor::platform::metafile {

struct Dib {
  QImage image;          // Format_RGB32, rows top first
  bool bottomUp = true;  // rows were stored bottom first (source rectangles count from there)
};

// A DIB given as its BITMAPINFO (header, masks, colour table) and its bits apart, as EMF
// records carry it. Only colour tables of RGB values are understood (DIB_RGB_COLORS).
std::optional<Dib> DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits,
                             int64_t maxPixels);

// The part of the bitmap a record names by its corner and size (counted from the bottom row
// when `fromBottom` and the rows were stored bottom first), cut to the bitmap; empty when none
// of it lies on the bitmap.
QRect DibSourceRect(const Dib& dib, int64_t x, int64_t y, int64_t width, int64_t height,
                    bool fromBottom);

// A packed DIB: the BITMAPINFO directly followed by the bits, as WMF records carry it.
std::optional<Dib> DecodePackedDib(std::span<const uint8_t> packed, int64_t maxPixels);

}  // namespace velmor::platform::metafile
