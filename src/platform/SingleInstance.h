// Refuses a second running copy of the same program: the first copy holds a lock file in the
// temporary folder, named after its executable path and the user. A lock left behind by a
// copy that crashed is taken over, so a crash never keeps the user out; so is the path itself
// when something else sits there (a folder, a link, a FIFO, another user's file): the guard
// then uses the next of a few fixed alternatives, which every copy tries in the same order.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace velmor::platform {

class SingleInstanceGuard {
 public:
  // `key` names the program; copies that pass the same key exclude each other.
  explicit SingleInstanceGuard(const QString& key);
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

  // False only when another live process holds the guard. True when this object now holds it
  // (or held it already), and also when the lock file cannot be created at all (temporary
  // folder not writable): the check then cannot be made and must not stop the program.
  bool TryAcquire();

  // What the guard had to step around to find a usable lock path; empty when nothing.
  QString Notice() const { return notice_; }

  // Whether this object holds the lock file.
  bool IsHeld() const;

  // Gives the guard up (the destructor does too).
  void Release();

  QString LockFilePath() const;

  // The running program's key: its executable path with links resolved.
  static QString KeyForThisProgram();

  // Where the lock file for `key` lives (in QDir::tempPath()).
  static QString LockFilePathFor(const QString& key);

 private:
  bool TakeOverUnreadableLock();
  bool UseFirstUsablePath();

  QString basePath_;
  QString notice_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace velmor::platform
