#include "core/base/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <vector>

namespace velmor::platform {

namespace {
void SetError(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
}

constexpr std::string_view kTemporaryPrefix = ".velmor";
constexpr std::string_view kTemporaryMark = ".tmp-";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// In the target's folder, so that the rename stays on one file system; short, so that a
// target whose name is at the length limit still has room beside it.
std::string TemporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(path) + std::string(kTemporaryPrefix) + std::string(kTemporaryMark) +
         std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool AllDigits(std::string_view text) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool ProcessIsAlive(long pid) {
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Each folder once a run: a batch saves many files into the same few folders.
void SweepOnce(const std::string& folder) {
  static std::mutex guard;
  static std::set<std::string> swept;
  {
    const std::lock_guard<std::mutex> lock(guard);
    if (!swept.insert(folder).second) return;
  }
  RemoveStaleTemporaries(folder.empty() ? "." : folder);
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
      if (slash != std::string::npos) next.insert(0, current, 0, slash + 1);
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

bool IsTemporaryName(std::string_view name, long* pid) {
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark == 0) return false;
  const std::string_view numbers = name.substr(mark + kTemporaryMark.size());
  const size_t dash = numbers.find('-');
  if (dash == std::string_view::npos) return false;
  const std::string_view pidText = numbers.substr(0, dash);
  if (!AllDigits(pidText) || !AllDigits(numbers.substr(dash + 1))) return false;
  if (pid) *pid = std::stol(std::string(pidText));
  return true;
}

int RemoveStaleTemporaries(const std::string& folder, int minAgeSeconds) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  const int removed = RemoveStaleTemporariesAt(fd, minAgeSeconds);
  ::close(fd);
  return removed;
}

int RemoveStaleTemporariesAt(int folderFd, int minAgeSeconds) {
  const int ownFd = ::dup(folderFd);  // closedir closes the handle it was given
  if (ownFd < 0) return 0;
  DIR* dir = ::fdopendir(ownFd);
  if (!dir) {
    ::close(ownFd);
    return 0;
  }
  ::rewinddir(dir);
  const int dirFd = ::dirfd(dir);
  const time_t now = std::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    long pid = 0;
    if (!IsTemporaryName(entry->d_name, &pid)) continue;
    if (pid <= 0 || pid == ::getpid() || ProcessIsAlive(pid)) continue;
    struct stat info {};
    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
    if (now - info.st_mtime < minAgeSeconds) continue;
    if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

bool WriteAllBytes(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool ReplaceFileContents(const std::string& requested, std::string_view bytes, std::string* error) {
  if (requested.find("\xEF\xBF\xBD") != std::string::npos) {
    if (error) *error = requested + ": the name holds U+FFFD (bytes lost in decoding)";
    return false;
  }
  const std::string path = FollowLinks(requested);
  SweepOnce(FolderOf(path));
  const std::string temporary = TemporaryPathFor(path);
  // A fresh name that must not exist yet: a planted link is never followed.
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetError(error, "cannot create " + temporary);
    return false;
  }
  if (!WriteAllBytes(fd, bytes)) {
    SetError(error, "cannot write " + temporary);
    ::close(fd);
    std::remove(temporary.c_str());
    return false;
  }
  // The replaced file keeps its permissions.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  // No fsync: waiting for the disc would cost about as much as the encoding of the picture
  // itself. The rename is what keeps the old file whole; ext4 and btrfs also write the new data
  // out before they commit a rename over an old file.
  if (::close(fd) != 0) {
    SetError(error, "cannot write " + temporary);
    std::remove(temporary.c_str());
    return false;
  }
  return CommitTemporary(temporary, path, error);
}

}  // namespace velmor::platform
