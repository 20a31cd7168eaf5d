// Conversion between the program's UTF-8 strings and the Windows Japanese code page (CP932) in
// which the settings file stores its text.
#pragma once

#include <string>
#include <string_view>

namespace velmor {

// CP932 bytes of a UTF-8 text. A character CP932 cannot hold (emoji, most non-Japanese
// scripts) and every byte that is not valid UTF-8 becomes '?'; `lossy` (when given) is set
// to whether that happened.
std::string Utf8ToCp932(std::string_view utf8, bool* lossy = nullptr);

// UTF-8 text of CP932 bytes. A byte that starts no CP932 character, or a lead byte cut off at
// the end, becomes U+FFFD; `lossy` (when given) is set to whether that happened.
std::string Cp932ToUtf8(std::string_view cp932, bool* lossy = nullptr);

}  // namespace velmor
