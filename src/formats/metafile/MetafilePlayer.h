// Windows metafiles (WMF, with or without the placeable header, and EMF) played record by record
// onto a picture, as GDI would draw them: no anti-aliasing, pen widths and styles honoured,
// hatch brushes over an untouched or background-coloured gap as the file's background mode says.
// Files are untrusted: every length is checked against the data, and the output size, the number
// of records and the drawing work are bounded, so that no file can read out of bounds, exhaust
// memory or keep the program busy.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace velmor::platform {

struct MetafileLimits {
  int maxSide = 8192;                 // a larger picture is scaled down to fit
  int64_t maxPixels = 8192ll * 8192;  // output pixels
  int64_t maxRecords = 1'000'000;
  int64_t workBudget = 2'000'000'000;    // pixels touched plus points drawn, all records
  int64_t maxBitmapPixels = 64'000'000;  // one embedded bitmap
  int maxSavedStates = 1024;             // depth of SaveDC
};

// The picture at 96 pixels per inch (placeable WMF: its bounding box and units per inch; EMF:
// its frame; a plain WMF: its window or viewport extent), in Format_RGB32 over white.
std::optional<QImage> RenderMetafile(std::span<const uint8_t> bytes, QString* error = nullptr,
                                     const MetafileLimits& limits = {});

}  // namespace velmor::platform
