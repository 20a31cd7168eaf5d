// Replacing a user's file without ever leaving it half written: the bytes go to a temporary file
// in the same folder, which is flushed and then renamed over the target.
#pragma once

#include <string>
#include <string_view>

namespace velmor::platform {

// Writes `bytes` to `path` through a temporary file beside it. On failure the file at `path`
// (if any) is untouched, no temporary is left behind, and `error` (when given) says why. The
// replaced file keeps its permissions; when `path` is a symbolic link, the file it points to is
// replaced and the link stays.
bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

}  // namespace velmor::platform
