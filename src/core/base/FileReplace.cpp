#include "core/base/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace velmor::platform {

namespace {
void SetError(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
}

std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// The file a chain of symbolic links ends at (the path itself when it is no link). A dangling
// link gives the missing file it names; a loop gives the path unchanged, and the rename then
// replaces the link as before.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return current;
    std::string next(target.data(), static_cast<size_t>(n));
    if (next.front() != '/') {
      const size_t slash = current.rfind('/');
      if (slash != std::string::npos) next = current.substr(0, slash + 1) + next;
    }
    current = std::move(next);
  }
  return path;
}

bool CommitTemporary(const std::string& temporary, const std::string& path, std::string* error) {
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    SetError(error, "cannot rename over " + path);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
}  // namespace

bool ReplaceFileContents(const std::string& requested, std::string_view bytes,
                         std::string* error) {
  const std::string path = FollowLinks(requested);
  const std::string temporary = TemporaryPathFor(path);
  // A fresh name that must not exist yet: a planted link is never followed.
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, "cannot create " + temporary);
    return false;
  }
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, "cannot write " + temporary);
      ::close(fd);
      std::remove(temporary.c_str());
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // The replaced file keeps its permissions.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool synced = ::fsync(fd) == 0;
  if (::close(fd) != 0 || !synced) {
    SetError(error, "cannot flush " + temporary);
    std::remove(temporary.c_str());
    return false;
  }
  return CommitTemporary(temporary, path, error);
}

}  // namespace velmor::platform
