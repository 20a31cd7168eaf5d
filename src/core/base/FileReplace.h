// Replacing a user's file without ever leaving it half written: the bytes go to a temporary file
// in the same folder, which is renamed over the target once it is whole.
#pragma once

#include <string>
#include <string_view>

namespace velmor::platform {

// Writes all of `bytes` to `fd`, going on after interrupted and short writes.
bool WriteAllBytes(int fd, std::string_view bytes);

// Writes `bytes` to `path` through a temporary file beside it. On failure the file at `path`
// (if any) is untouched, no temporary is left behind, and `error` (when given) says why. The
// replaced file keeps its permissions; when `path` is a symbolic link, the file it points to is
// replaced and the link stays. The temporary has a short name of its own (see
// IsTemporaryName), so any name the folder can hold can be saved. A path holding U+FFFD is
// refused: it is what a name with bytes that are no UTF-8 turns into once decoded, and saving
// under it would write a file the user never named. The first save into a folder in a run
// removes the stale temporaries there (see RemoveStaleTemporaries).
bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// Whether `name` is one of our temporaries: it ends in ".tmp-<pid>-<n>" (both decimal), and
// gives the pid. Earlier versions put the temporary beside the target under its name plus that
// suffix; now it is ".velmor.tmp-<pid>-<n>".
bool IsTemporaryName(std::string_view name, long* pid = nullptr);

// Removes the temporaries in `folder` that a save killed on its way left behind: regular files
// of this user named as IsTemporaryName says, whose process is gone and which have not been
// touched for `minAgeSeconds` (a copy on another machine sharing the folder may still be
// writing a fresh one). Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder, int minAgeSeconds = 60);
// The same in the folder open as `folderFd` (the handle stays open).
int RemoveStaleTemporariesAt(int folderFd, int minAgeSeconds = 60);

}  // namespace velmor::platform
