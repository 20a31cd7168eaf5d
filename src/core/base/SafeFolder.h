// Writing into a folder that others can write to (the batch's source folder may sit on a shared
// drive): everything is done relative to a handle of the folder, so that a link planted in it,
// or swapped in between a check and a write, can never send the bytes elsewhere.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velmor::platform {

class SafeFolder {
 public:
  SafeFolder() = default;  // holds no folder
  ~SafeFolder();
  SafeFolder(SafeFolder&& other) noexcept;
  SafeFolder& operator=(SafeFolder&& other) noexcept;
  SafeFolder(const SafeFolder&) = delete;
  SafeFolder& operator=(const SafeFolder&) = delete;

  // The folder at `path`; links on the way are followed, since the path is the program's or the
  // user's own choice. Without a folder there, the result holds none and `reason` says why.
  static SafeFolder Open(const std::string& path, std::string* reason = nullptr);

  // The folder `name` directly inside this one, made when missing. Refused (the result holds
  // no folder, `reason` says why) when `name` is empty, "." or "..", holds a '/', or is a link
  // (to a folder or not) or anything else but a real folder.
  SafeFolder OpenSubfolder(const std::string& name, std::string* reason = nullptr) const;

  // Writes `bytes` to the file `name` directly in this folder: into a fresh temporary
  // (exclusive create, links not followed), then renamed over `name` within the folder, so the
  // file is never half written. Refused when `name` is not a plain file name or is already a
  // link or anything but a regular file; a replaced file keeps its permissions. A link that
  // appears at `name` after the check is replaced by the file, never followed. On failure
  // nothing is left behind and `reason` says why. `beforeCommit`, when given, runs between
  // the check and the rename.
  bool WriteFile(const std::string& name, std::string_view bytes, std::string* reason = nullptr,
                 const std::function<void()>& beforeCommit = {}) const;

  // Removes what writes killed on their way left in this folder (see RemoveStaleTemporaries
  // in FileReplace.h); returns how many. Once per folder and run is enough.
  int RemoveStaleTemporaries() const;

  bool IsOpen() const { return fd_ >= 0; }
  int Handle() const { return fd_; }

 private:
  explicit SafeFolder(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace velmor::platform
