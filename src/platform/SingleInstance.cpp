#include "platform/SingleInstance.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace velmor::platform {

namespace {
// A lock file without a readable owner is only trusted this long: it may be one that another
// copy has just created and not yet filled in.
constexpr qint64 kUnreadableLockGraceMs = 5000;
}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& key)
    : lock_(std::make_unique<QLockFile>(LockFilePathFor(key))) {
  // The guard is held for the whole run: only a dead owner (or a reused PID) makes it stale,
  // never its age.
  lock_->setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::TryAcquire() {
  if (lock_->isLocked()) return true;
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
