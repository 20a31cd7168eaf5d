// Saving the canvas by the name's extension: ".bmp" a 24-bit BMP, ".png" a PNG (lossless, so
// text and thin lines of a screenshot stay sharp), any other name a JPEG through the JPEG
// writer at the given quality. Every kind replaces the file through a temporary beside it.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

#include "formats/JpegWriter.h"

namespace velmor::platform {

enum class PictureKind { kJpeg, kBmp, kPng };

// The kind a file name asks for; the extension's case does not matter.
PictureKind PictureKindOf(const std::string& fileName);

// The `width` x `height` pixels at the surface's origin as `kind` (BMP and PNG only; JPEG goes
// through the JPEG writer). Empty on failure.
QByteArray EncodeLossless(const QImage& surface, int width, int height, PictureKind kind,
                          std::string* error = nullptr);

// DCSavetoJPEG's call and results, writing by the extension of `fileName`. The quality is
// checked as the JPEG writer checks it whatever the kind, so a setting that cannot save a JPEG
// cannot save anything.
int32_t DCSavetoPicture(JpegSurface surface, int32_t width, int32_t height, char* fileName,
                        uint32_t quality, int32_t reserved);

}  // namespace velmor::platform
