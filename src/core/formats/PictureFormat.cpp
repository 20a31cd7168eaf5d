#include "core/formats/PictureFormat.h"

#include <algorithm>
#include <cstring>

namespace velmor::platform {

namespace {

uint32_t ReadU16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}
uint32_t ReadU32(std::string_view b, size_t at) {
  return ReadU16(b, at) | ReadU16(b, at + 2) << 16;
}
uint8_t Byte(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]);
}
uint32_t ReadBigU32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(Byte(b, at)) << 24 | static_cast<uint32_t>(Byte(b, at + 1)) << 16 |
         static_cast<uint32_t>(Byte(b, at + 2)) << 8 | Byte(b, at + 3);
}

bool StartsWith(std::string_view b, std::string_view prefix) {
  return b.size() >= prefix.size() && b.substr(0, prefix.size()) == prefix;
}

bool IsWmfHeader(std::string_view b, size_t at) {
  if (b.size() < at + 18) return false;
  const uint32_t type = ReadU16(b, at), headerWords = ReadU16(b, at + 2),
                 version = ReadU16(b, at + 4);
  return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

// Uncompressed rows must all be present; compressed ones end where their codes say.
bool BmpComplete(std::string_view b) {
  if (b.size() < 26) return false;
  const uint32_t pixelOffset = ReadU32(b, 10);
  const uint32_t headerSize = ReadU32(b, 14);
  int64_t width, height;
  uint32_t bitCount, compression = 0;
  if (headerSize == 12) {
    width = ReadU16(b, 18);
    height = ReadU16(b, 20);
    bitCount = ReadU16(b, 24);
  } else {
    if (b.size() < 34) return false;
    width = static_cast<int32_t>(ReadU32(b, 18));
    height = static_cast<int32_t>(ReadU32(b, 22));
    bitCount = ReadU16(b, 28);
    compression = ReadU32(b, 30);
  }
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || bitCount == 0 || bitCount > 32) return false;
  constexpr uint32_t kRgb = 0, kBitfields = 3, kAlphaBitfields = 6;
  if (compression != kRgb && compression != kBitfields && compression != kAlphaBitfields) {
    return true;
  }
  // Some writers leave the padding of the last row out.
  const int64_t stride = (width * bitCount + 31) / 32 * 4;
  const int64_t lastRow = (width * bitCount + 7) / 8;
  const int64_t start = std::max<int64_t>(pixelOffset, 14 + static_cast<int64_t>(headerSize));
  const int64_t available = static_cast<int64_t>(b.size()) - start - lastRow;
  if (available < 0) return false;
  return height == 1 || (stride <= available / (height - 1) && stride * (height - 1) <= available);
}

// Walks the marker segments and the entropy-coded data up to the end-of-image marker, so that a
// thumbnail's own end marker inside an APP segment is not mistaken for the picture's.
bool JpegComplete(std::string_view b) {
  size_t at = 2;
  while (true) {
    while (at < b.size() && Byte(b, at) != 0xFF) ++at;  // tolerate stray bytes between segments
    while (at < b.size() && Byte(b, at) == 0xFF) ++at;  // fill bytes
    if (at >= b.size()) return false;
    const uint8_t marker = Byte(b, at++);
    if (marker == 0xD9) return true;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (at + 2 > b.size()) return false;
    const uint32_t length = static_cast<uint32_t>(Byte(b, at)) << 8 | Byte(b, at + 1);
    if (length < 2 || at + length > b.size()) return false;
    at += length;
    if (marker != 0xDA) continue;
    // Entropy-coded data: runs until a marker other than a stuffed zero or a restart.
    while (true) {
      const void* hit = std::memchr(b.data() + at, 0xFF, b.size() - at);
      if (!hit) return false;
      at = static_cast<const char*>(hit) - b.data();
      if (at + 1 >= b.size()) return false;
      const uint8_t next = Byte(b, at + 1);
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
        at += next == 0xFF ? 1 : 2;
        continue;
      }
      break;
    }
  }
}

// The size in the first start-of-frame segment.
bool JpegFrameSize(std::string_view b, int64_t* width, int64_t* height) {
  size_t at = 2;
  while (at + 4 <= b.size() && Byte(b, at) == 0xFF) {
    const uint8_t marker = Byte(b, at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const uint32_t length = static_cast<uint32_t>(Byte(b, at + 2)) << 8 | Byte(b, at + 3);
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return false;
      *height = static_cast<int64_t>(Byte(b, at + 5)) << 8 | Byte(b, at + 6);
      *width = static_cast<int64_t>(Byte(b, at + 7)) << 8 | Byte(b, at + 8);
      return true;
    }
    if (marker == 0xDA || marker == 0xD9 || length < 2) return false;
    at += 2 + length;
  }
  return false;
}

bool SkipSubBlocks(std::string_view b, size_t* at) {
  while (true) {
    if (*at >= b.size()) return false;
    const uint8_t length = Byte(b, (*at)++);
    if (length == 0) return true;
    *at += length;
  }
}

bool GifComplete(std::string_view b) {
  if (b.size() < 13) return false;
  size_t at = 13;
  const uint8_t flags = Byte(b, 10);
  if (flags & 0x80) at += 3u << ((flags & 7) + 1);
  while (at < b.size()) {
    const uint8_t introducer = Byte(b, at++);
    if (introducer == 0x21) {  // extension: label, then sub-blocks
      ++at;
      if (!SkipSubBlocks(b, &at)) return false;
    } else if (introducer == 0x2C) {  // first frame: descriptor, colour table, LZW data
      if (at + 9 > b.size()) return false;
      const uint8_t local = Byte(b, at + 8);
      at += 9;
      if (local & 0x80) at += 3u << ((local & 7) + 1);
      ++at;  // LZW minimum code size
      return SkipSubBlocks(b, &at);
    } else {
      return false;  // the trailer before any frame, or garbage
    }
  }
  return false;
}

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

// A chunk is 4 bytes of length, 4 of type, the data and a 4-byte CRC. A critical chunk that
// runs short (a truncated IDAT) is left to the decoder, which reads it in pieces.
bool PngChunksFit(std::string_view b) {
  size_t at = kPngSignature.size();
  while (at + 8 <= b.size()) {
    const uint64_t length = ReadBigU32(b, at);
    const bool ancillary = (Byte(b, at + 4) & 0x20) != 0;
    if (length > 0x7FFFFFFFu) return false;
    const uint64_t end = at + 12 + length;
    if (end > b.size()) return !ancillary;
    if (b.substr(at + 4, 4) == "IEND") return true;
    at = static_cast<size_t>(end);
  }
  return true;
}

// An icon's directory entries may each hold a PNG; it gets only the bytes its entry names.
bool IcoChunksFit(std::string_view b) {
  if (b.size() < 6) return true;
  const size_t count = ReadU16(b, 4);
  for (size_t i = 0; i < count && 6 + 16 * (i + 1) <= b.size(); ++i) {
    const size_t entry = 6 + 16 * i;
    const uint64_t size = ReadU32(b, entry + 8);
    const uint64_t offset = ReadU32(b, entry + 12);
    if (offset >= b.size()) continue;
    std::string_view image = b.substr(static_cast<size_t>(offset));
    if (size < image.size()) image = image.substr(0, static_cast<size_t>(size));
    if (StartsWith(image, kPngSignature) && !PngChunksFit(image)) return false;
  }
  return true;
}

}  // namespace

bool ChunksFit(PictureKind kind, std::string_view bytes) {
  switch (kind) {
    case PictureKind::Png:
      return PngChunksFit(bytes);
    case PictureKind::Ico:
      return IcoChunksFit(bytes);
    default:
      return true;
  }
}

PictureKind SniffPicture(std::string_view b) {
  if (StartsWith(b, "BM") && b.size() >= 26) return PictureKind::Bmp;
  if (StartsWith(b, "\xFF\xD8\xFF")) return PictureKind::Jpeg;
  if (StartsWith(b, "GIF87a") || StartsWith(b, "GIF89a")) return PictureKind::Gif;
  if (StartsWith(b, "\x89PNG\r\n\x1A\n")) return PictureKind::Png;
  if (b.size() >= 6 && ReadU16(b, 0) == 0 && ReadU16(b, 2) == 1 && ReadU16(b, 4) > 0) {
    return PictureKind::Ico;
  }
  if (b.size() >= 22 && ReadU32(b, 0) == 0x9AC6CDD7u && IsWmfHeader(b, 22)) {
    return PictureKind::Wmf;
  }
  if (IsWmfHeader(b, 0)) return PictureKind::Wmf;
  if (b.size() >= 88 && ReadU32(b, 0) == 1 && ReadU32(b, 40) == 0x464D4520u) {
    return PictureKind::Emf;
  }
  return PictureKind::Unknown;
}

bool AnnouncedSize(PictureKind kind, std::string_view b, int64_t* width, int64_t* height) {
  switch (kind) {
    case PictureKind::Bmp:
      if (b.size() < 26) return false;
      if (ReadU32(b, 14) == 12) {
        *width = ReadU16(b, 18);
        *height = ReadU16(b, 20);
        return true;
      }
      *width = static_cast<int32_t>(ReadU32(b, 18));
      *height = static_cast<int32_t>(ReadU32(b, 22));
      if (*height < 0) *height = -*height;
      return true;
    case PictureKind::Png:
      if (b.size() < 24) return false;
      *width = ReadBigU32(b, 16);
      *height = ReadBigU32(b, 20);
      return true;
    case PictureKind::Gif:
      if (b.size() < 10) return false;
      *width = ReadU16(b, 6);
      *height = ReadU16(b, 8);
      return true;
    case PictureKind::Jpeg:
      return JpegFrameSize(b, width, height);
    default:
      return false;
  }
}

bool LooksComplete(PictureKind kind, std::string_view bytes) {
  switch (kind) {
    case PictureKind::Bmp:
      return BmpComplete(bytes);
    case PictureKind::Jpeg:
      return JpegComplete(bytes);
    case PictureKind::Gif:
      return GifComplete(bytes);
    default:
      return true;
  }
}

}  // namespace velmor::platform
