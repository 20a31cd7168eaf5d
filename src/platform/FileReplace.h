// Replacing a user's file without ever leaving it half written: the bytes go to a temporary file
// in the same folder, which is flushed and then renamed over the target.
#pragma once

#include <string>
#include <string_view>

namespace velmor::platform {

// Writes `bytes` to `path` through a temporary file beside it. On failure the file at `path`
// (if any) is untouched, no temporary is left behind, and `error` (when given) says why.
bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// The temporary name used beside `path` (unique per process and call).
std::string TemporaryPathFor(const std::string& path);

// Renames `temporary` over `path` after flushing it to disc; removes `temporary` on failure.
bool CommitTemporary(const std::string& temporary, const std::string& path,
                     std::string* error = nullptr);

}  // namespace velmor::platform
