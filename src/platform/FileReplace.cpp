#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace velmor::platform {

namespace {
void SetError(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
}
}  // namespace

std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool CommitTemporary(const std::string& temporary, const std::string& path, std::string* error) {
  const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    SetError(error, "cannot rename over " + path);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error) {
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
