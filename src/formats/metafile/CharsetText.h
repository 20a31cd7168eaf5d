// Text of 8-bit metafile records, decoded by the character set of the font it is drawn in.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace velmor::platform::metafile {

// DEFAULT_CHARSET is taken as the Japanese code page (CP932), the program's own; bytes a code
// page cannot decode become U+FFFD. NUL bytes are dropped.
QString DecodeCharsetText(std::span<const uint8_t> bytes, uint8_t charset);

}  // namespace velmor::platform::metafile
