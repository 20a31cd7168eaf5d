#include "platform/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <cerrno>
#include <cstdio>

namespace velmor::platform {

namespace {
// A lock file without a readable owner is only trusted this long: it may be one that another
// copy has just created and not yet filled in.
constexpr qint64 kUnreadableLockGraceMs = 5000;

// Paths tried after the first, in this order, when something that is no lock of ours sits
// there.
constexpr int kAlternativePaths = 4;

std::unique_ptr<QLockFile> MakeLock(const QString& path) {
  auto lock = std::make_unique<QLockFile>(path);
  // The guard is held for the whole run: only a dead owner (or a reused PID) makes it stale,
  // never its age.
  lock->setStaleLockTime(0);
  return lock;
}

// Absent, or a regular file of this user. Anything else cannot be ours: a folder or a FIFO
// there would make every start fail (or, for a FIFO, hang while reading it).
bool CanHoldOurLock(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode) && info.st_uid == ::getuid();
}
}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& key)
    : basePath_(LockFilePathFor(key)), lock_(MakeLock(basePath_)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::UseFirstUsablePath() {
  for (int n = 0; n <= kAlternativePaths; ++n) {
    const QString path = n == 0 ? basePath_ : basePath_ + QStringLiteral(".%1").arg(n);
    if (!CanHoldOurLock(path)) continue;
    if (n > 0) {
      notice_ =
          QStringLiteral("%1 is no lock file of this user; using %2 instead").arg(basePath_, path);
    }
    if (lock_->fileName() != path) lock_ = MakeLock(path);
    return true;
  }
  notice_ = QStringLiteral(
                "no usable lock file at %1 or its alternatives; not checking for "
                "another copy")
                .arg(basePath_);
  return false;
}

bool SingleInstanceGuard::TryAcquire() {
  if (lock_->isLocked()) return true;
  const bool usable = UseFirstUsablePath();
  if (!notice_.isEmpty()) std::fprintf(stderr, "velmor: %s\n", qPrintable(notice_));
  if (!usable) return true;  // the check cannot be made and must not stop the program
  if (lock_->tryLock(0)) return true;
  if (lock_->error() != QLockFile::LockFailedError) return true;
  return TakeOverUnreadableLock();
}

// QLockFile judges staleness by the PID written in the file; a file left empty or garbled by a
// crash names no PID and would otherwise lock the user out for good.
bool SingleInstanceGuard::TakeOverUnreadableLock() {
  qint64 pid = 0;
  if (lock_->getLockInfo(&pid, nullptr, nullptr)) return false;
  const QDateTime modified = QFileInfo(lock_->fileName()).lastModified();
  if (!modified.isValid() ||
      qAbs(modified.msecsTo(QDateTime::currentDateTime())) < kUnreadableLockGraceMs)
    return false;
  // Removal fails while a live owner still holds the file's native lock.
  if (!lock_->removeStaleLockFile()) return false;
  return lock_->tryLock(0);
}

bool SingleInstanceGuard::IsHeld() const {
  return lock_->isLocked();
}

void SingleInstanceGuard::Release() {
  lock_->unlock();
}

QString SingleInstanceGuard::LockFilePath() const {
  return lock_->fileName();
}

QString SingleInstanceGuard::KeyForThisProgram() {
  const QString path = QCoreApplication::applicationFilePath();
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? path : canonical;
}

QString SingleInstanceGuard::LockFilePathFor(const QString& key) {
  // The temporary folder may be shared by several users; each of them may run one copy.
  const QByteArray identity = key.toUtf8() + '\n' + QByteArray::number(::getuid());
  const QByteArray hash =
      QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(24);
  return QDir(QDir::tempPath()).filePath(QStringLiteral("velmor-%1.lock").arg(QLatin1String(hash)));
}

}  // namespace velmor::platform
