// What kind of picture a file holds, told from its first bytes rather than its name, and whether
// its data runs to the end that its own structure announces. No decoding happens here.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmor::platform {

enum class PictureKind { Unknown, Bmp, Jpeg, Gif, Png, Ico, Wmf, Emf };

// The kind announced by the signature at the start of `bytes`. A WMF is recognised with or
// without its placeable header (key 0x9AC6CDD7); an EMF by its header record (type 1) carrying
// " EMF" at offset 40.
PictureKind SniffPicture(std::string_view bytes);

// True when the data of the first picture is all there: a BMP holds every uncompressed row its
// header announces, a JPEG reaches its end-of-image marker, a GIF's first frame is followed by
// its block terminator. Other kinds are left to their decoders (which refuse short data).
bool LooksComplete(PictureKind kind, std::string_view bytes);

// The pixel size the headers of a BMP, JPEG, GIF or PNG announce, read without decoding (a GIF
// counts its logical screen). False when the kind has no such header or it is too short.
bool AnnouncedSize(PictureKind kind, std::string_view bytes, int64_t* width, int64_t* height);

// False when a PNG (on its own or inside an icon) has an ancillary chunk whose declared length
// runs past the bytes that hold it. Decoders allocate such a chunk in full before they notice
// that its data is missing, so a few bytes could ask for gigabytes. Other kinds give true.
bool ChunksFit(PictureKind kind, std::string_view bytes);

}  // namespace velmor::platform
