#include "formats/PictureWriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cctype>

#include "core/base/FileReplace.h"

namespace velmor::platform {

namespace {

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

std::string LowerExtension(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = fileName.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

PictureKind PictureKindOf(const std::string& fileName) {
  const std::string extension = LowerExtension(fileName);
  if (extension == "bmp") return PictureKind::kBmp;
  if (extension == "png") return PictureKind::kPng;
  return PictureKind::kJpeg;
}

QByteArray EncodeLossless(const QImage& surface, int width, int height, PictureKind kind,
                          std::string* error) {
  if (surface.isNull()) return Fail(error, "no surface"), QByteArray();
  if (width < 1 || height < 1 || width > surface.width() || height > surface.height())
    return Fail(error, "size does not fit the surface"), QByteArray();
  // RGB888 makes both writers store three bytes a pixel and no alpha.
  const QImage pixels = surface.copy(0, 0, width, height).convertToFormat(QImage::Format_RGB888);
  if (pixels.isNull()) return Fail(error, "out of memory"), QByteArray();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, kind == PictureKind::kBmp ? "bmp" : "png");
  if (!writer.write(pixels)) return Fail(error, writer.errorString().toStdString()), QByteArray();
  return bytes;
}

int32_t DCSavetoPicture(JpegSurface surface, int32_t width, int32_t height, char* fileName,
                        uint32_t quality, int32_t reserved) {
  if (!surface || !fileName || reserved != -1 || quality == 0 || quality > 0xFF) return kJpegFailed;
  const std::string path(fileName);
  const PictureKind kind = PictureKindOf(path);
  if (kind == PictureKind::kJpeg)
    return DCSavetoJPEG(surface, width, height, fileName, quality, reserved);
  if (path.empty()) return kJpegFailed;
  const QByteArray bytes = EncodeLossless(*surface, width, height, kind);
  if (bytes.isEmpty()) return kJpegFailed;
  return ReplaceFileContents(path, {bytes.constData(), size_t(bytes.size())}) ? kJpegSaved
                                                                              : kJpegFailed;
}

}  // namespace velmor::platform
