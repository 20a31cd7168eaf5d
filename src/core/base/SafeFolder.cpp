#include "core/base/SafeFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "core/base/FileReplace.h"

namespace velmor::platform {

namespace {

void Say(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string TemporaryName() {
  static std::atomic<unsigned> counter{0};
  return ".velmor.tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

SafeFolder::~SafeFolder() {
  if (fd_ >= 0) ::close(fd_);
}

SafeFolder::SafeFolder(SafeFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SafeFolder& SafeFolder::operator=(SafeFolder&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

SafeFolder SafeFolder::Open(const std::string& path, std::string* reason) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Say(reason, "フォルダ " + path + " を開けません");
    return {};
  }
  return SafeFolder(fd);
}

SafeFolder SafeFolder::OpenSubfolder(const std::string& name, std::string* reason) const {
  if (fd_ < 0) {
    Say(reason, "出力先 " + name + " の親フォルダが開かれていません");
    return {};
  }
  if (!IsPlainName(name)) {
    Say(reason, "出力先 " + name + " はフォルダ名になりません");
    return {};
  }
  if (::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST) {
    Say(reason, "フォルダ " + name + " を作成できません");
    return {};
  }
  // O_NOFOLLOW refuses a link even when it names a folder; the fstat then holds for the very
  // folder the handle is of, whatever is renamed in its place afterwards.
  const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    struct stat info {};
    const bool link =
        ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
    if (link)
      Say(reason, "出力先 " + name + " はリンクなので使いません");
    else
      Say(reason, "出力先 " + name + " はフォルダではありません");
    return {};
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) {
    ::close(fd);
    Say(reason, "出力先 " + name + " はフォルダではありません");
    return {};
  }
  return SafeFolder(fd);
}

bool SafeFolder::WriteFile(const std::string& name, std::string_view bytes, std::string* reason,
                           const std::function<void()>& beforeCommit) const {
  if (fd_ < 0 || !IsPlainName(name)) {
    Say(reason, name + " に保存できませんでした");
    return false;
  }
  struct stat old {};
  const bool exists = ::fstatat(fd_, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && S_ISLNK(old.st_mode)) {
    Say(reason, name + " はリンクなので上書きしません");
    return false;
  }
  if (exists && !S_ISREG(old.st_mode)) {
    Say(reason, name + " はファイルではないので上書きしません");
    return false;
  }
  const std::string temporary = TemporaryName();
  const int fd =
      ::openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    Say(reason, name + " に保存できませんでした");
    return false;
  }
  bool written = WriteAllBytes(fd, bytes);
  if (written && exists) ::fchmod(fd, old.st_mode & 07777);
  // Not flushed, as ReplaceFileContents does not: the rename alone keeps the old file whole.
  written = ::close(fd) == 0 && written;
  if (written && beforeCommit) beforeCommit();
  // rename never follows a link at the new name: it replaces the link itself.
  if (!written || ::renameat(fd_, temporary.c_str(), fd_, name.c_str()) != 0) {
    ::unlinkat(fd_, temporary.c_str(), 0);
    Say(reason, name + " に保存できませんでした");
    return false;
  }
  return true;
}

int SafeFolder::RemoveStaleTemporaries() const {
  return fd_ < 0 ? 0 : RemoveStaleTemporariesAt(fd_);
}

}  // namespace velmor::platform
