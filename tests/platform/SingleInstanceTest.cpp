#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "platform/SingleInstance.h"

using velmor::platform::SingleInstanceGuard;

namespace {

// Run as a child: "--probe KEY" tries the guard and says "acquired" (exit 0) or "refused"
// (exit 1); with "--hold" it keeps the guard until its standard input closes.
int RunProbe(const QString& key, bool hold) {
  SingleInstanceGuard guard(key);
  if (!guard.TryAcquire()) {
    std::puts("refused");
    return 1;
  }
  std::puts("acquired");
  std::fflush(stdout);
  if (hold) {
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
  }
  return 0;
}

void AgeFile(const QString& path, int seconds) {
  timeval now{};
  gettimeofday(&now, nullptr);
  now.tv_sec -= seconds;
  const timeval times[2] = {now, now};
  QVERIFY(utimes(QFile::encodeName(path).constData(), times) == 0);
}

}  // namespace

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir temp_;
  int keyCounter_ = 0;
  QString key_;

  QString Self() const { return QCoreApplication::applicationFilePath(); }

  // Starts a child that holds the guard for key_ until ReleaseChild.
  void StartHolder(QProcess& child) {
    child.start(Self(), {"--probe", key_, "--hold"});
    QVERIFY(child.waitForStarted());
    QVERIFY(child.waitForReadyRead(10000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("acquired"));
  }

  int Probe() {
    QProcess child;
    child.start(Self(), {"--probe", key_});
    if (!child.waitForFinished(10000)) return -1;
    return child.exitCode();
  }

  void WriteLock(qint64 pid, const QString& appName) {
    QFile file(SingleInstanceGuard::LockFilePathFor(key_));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(pid) + '\n' + appName.toUtf8() + '\n' +
               QSysInfo::machineHostName().toUtf8() + '\n');
  }

 private slots:
  void initTestCase() {
    QVERIFY(temp_.isValid());
    // Children inherit it, so every lock file of this test stays in the test's own folder.
    qputenv("TMPDIR", QFile::encodeName(temp_.path()));
  }

  void init() { key_ = QStringLiteral("/opt/velmor/velmor-%1").arg(++keyCounter_); }

  void lockFileIsNamedAfterTheKeyInTheTemporaryFolder() {
    const QString path = SingleInstanceGuard::LockFilePathFor(key_);
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(temp_.path()).absoluteFilePath());
    QCOMPARE(SingleInstanceGuard::LockFilePathFor(key_), path);
    QVERIFY(SingleInstanceGuard::LockFilePathFor(key_ + "x") != path);
    QCOMPARE(SingleInstanceGuard::KeyForThisProgram(), QFileInfo(Self()).canonicalFilePath());
  }

  void secondGuardIsRefusedUntilTheFirstLetsGo() {
    SingleInstanceGuard first(key_);
    QVERIFY(first.TryAcquire());
    QVERIFY(first.TryAcquire());
    QVERIFY(first.IsHeld());
    SingleInstanceGuard second(key_);
    QVERIFY(!second.TryAcquire());
    SingleInstanceGuard other(key_ + "-other");
    QVERIFY(other.TryAcquire());
    first.Release();
    QVERIFY(!QFile::exists(first.LockFilePath()));
    QVERIFY(second.TryAcquire());
  }

  void anotherProcessIsRefusedWhileWeRun() {
    SingleInstanceGuard guard(key_);
    QVERIFY(guard.TryAcquire());
    QCOMPARE(Probe(), 1);
    QVERIFY(guard.IsHeld());
    guard.Release();
    QCOMPARE(Probe(), 0);
  }

  void weAreRefusedWhileAnotherProcessRunsAndNotAfter() {
    QProcess holder;
    StartHolder(holder);
    SingleInstanceGuard guard(key_);
    QVERIFY(!guard.TryAcquire());
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitCode(), 0);
    QVERIFY(guard.TryAcquire());
  }

  void aLiveHolderStaysValidHowEverOldItsLockFile() {
    QProcess holder;
    StartHolder(holder);
    AgeFile(SingleInstanceGuard::LockFilePathFor(key_), 24 * 3600);
    SingleInstanceGuard guard(key_);
    QVERIFY(!guard.TryAcquire());
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
  }

  void lockOfACrashedProcessIsTakenOver() {
    QProcess holder;
    StartHolder(holder);
    holder.kill();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY(QFile::exists(SingleInstanceGuard::LockFilePathFor(key_)));
    SingleInstanceGuard guard(key_);
    QVERIFY(guard.TryAcquire());
  }

  void lockNamingADeadProcessIsTakenOver() {
    QProcess finished;
    finished.start(Self(), {"--exit"});
    QVERIFY(finished.waitForStarted());
    const qint64 deadPid = finished.processId();
    QVERIFY(finished.waitForFinished(10000));
    WriteLock(deadPid, QFileInfo(Self()).fileName());
    SingleInstanceGuard guard(key_);
    QVERIFY(guard.TryAcquire());
  }

  void lockWhosePidNowBelongsToAnotherProgramIsTakenOver() {
    QProcess other;
    other.start("sleep", {"30"});
    QVERIFY(other.waitForStarted());
    WriteLock(other.processId(), QFileInfo(Self()).fileName());
    SingleInstanceGuard guard(key_);
    const bool acquired = guard.TryAcquire();
    other.kill();
    other.waitForFinished();
    QVERIFY(acquired);
  }

  void emptyLockFileIsTrustedOnlyBriefly() {
    const QString path = SingleInstanceGuard::LockFilePathFor(key_);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    SingleInstanceGuard guard(key_);
    QVERIFY(!guard.TryAcquire());  // may be one another copy is still writing
    AgeFile(path, 60);
    QVERIFY(guard.TryAcquire());
  }

  // Something that is no lock file of ours at the lock path neither locks the user out nor
  // hangs the start: the guard steps around it, and copies still exclude each other.
  void plantedThingAtTheLockPathIsSteppedAround_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"folder", "fifo", "link", "dangling link", "other user's file"})
      QTest::newRow(kind) << QString::fromLatin1(kind);
  }
  void plantedThingAtTheLockPathIsSteppedAround() {
    QFETCH(QString, kind);
    const QString path = SingleInstanceGuard::LockFilePathFor(key_);
    const QByteArray native = QFile::encodeName(path);
    const QString target = temp_.filePath(QStringLiteral("target-") + QString::number(keyCounter_));
    {
      QFile file(target);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("someone's file");
    }
    if (kind == "folder") {
      QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    } else if (kind == "fifo") {
      QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == "link") {
      QVERIFY(QFile::link(target, path));
    } else if (kind == "dangling link") {
      QVERIFY(QFile::link(target + QStringLiteral("-missing"), path));
    } else {
      if (::geteuid() != 0) QSKIP("only root can give a file to another user");
      WriteLock(1, QFileInfo(Self()).fileName());  // a live pid, in a file that is not ours
      QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    }

    QCOMPARE(Probe(), 0);  // another copy starts (and does not hang), then ends
    SingleInstanceGuard guard(key_);
    QVERIFY(guard.TryAcquire());
    QVERIFY(guard.IsHeld());
    QVERIFY(guard.LockFilePath() != path);
    QVERIFY(!guard.Notice().isEmpty());
    QCOMPARE(Probe(), 1);  // while we hold it, another copy is refused
    guard.Release();
    QCOMPARE(Probe(), 0);

    // What was planted is left as it was.
    QFileInfo planted(path);
    if (kind == "folder") QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    if (kind.contains(QLatin1String("link"))) QVERIFY(planted.isSymLink());
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("someone's file"));
  }
};

int main(int argc, char** argv) {
  if (argc >= 3 && qstrcmp(argv[1], "--probe") == 0)
    return RunProbe(QString::fromLocal8Bit(argv[2]), argc >= 4 && qstrcmp(argv[3], "--hold") == 0);
  if (argc >= 2 && qstrcmp(argv[1], "--exit") == 0) return 0;
  QCoreApplication app(argc, argv);
  SingleInstanceTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "SingleInstanceTest.moc"
