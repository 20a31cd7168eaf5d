// The command line as main reads it: what each option asks for, and each mistake refused with
// exit code 2 before anything starts.
#include <QtTest>

#include "app/CommandLine.h"

using velmor::CommandLine;
using velmor::ParseCommandLine;

namespace {
const QString kHere = QStringLiteral("/home/user/pictures");

CommandLine Parse(QStringList arguments) {
  arguments.prepend(QStringLiteral("velmor"));
  return ParseCommandLine(arguments, kHere);
}
}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void helpAndVersionPrintAndEndWithZero() {
    for (const char* option : {"--help", "-h"}) {
      const CommandLine c = Parse({option});
      QVERIFY(c.exitNow);
      QCOMPARE(c.exitCode, 0);
      QVERIFY(c.standardOutput.startsWith(QStringLiteral("Usage: velmor ")));
      for (const char* word : {"--capture", "--delay", "--batch", "--version", "FILE"})
        QVERIFY2(c.standardOutput.contains(QLatin1String(word)), word);
      QVERIFY(c.standardError.isEmpty());
    }
    for (const char* option : {"--version", "-v"}) {
      const CommandLine c = Parse({option});
      QVERIFY(c.exitNow);
      QCOMPARE(c.exitCode, 0);
      QCOMPARE(c.standardOutput, QStringLiteral("Velmor 1.0.3\n"));
    }
  }

  void aPlainStartAsksForNothing() {
    const CommandLine c = Parse({});
    QVERIFY(!c.exitNow);
    QVERIFY(c.request.IsEmpty());
    QVERIFY(c.batchFolder.isEmpty());
    QVERIFY(c.standardOutput.isEmpty() && c.standardError.isEmpty());
  }

  // Qt's own options reach Qt and are no mistake of ours.
  void qtOptionsAreLetThrough() {
    const CommandLine c = Parse({"-platform", "offscreen", "-style", "fusion", "shot.png"});
    QVERIFY(!c.exitNow);
    QCOMPARE(c.request.file, QStringLiteral("/home/user/pictures/shot.png"));
  }

  void fileIsTakenFromTheWorkingFolder_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("path");
    QTest::newRow("relative") << "a.jpg"
                              << "/home/user/pictures/a.jpg";
    QTest::newRow("up") << "../b.bmp"
                        << "/home/user/b.bmp";
    QTest::newRow("absolute") << "/tmp/c.jpg"
                              << "/tmp/c.jpg";
    QTest::newRow("Japanese") << "地図-1.jpg"
                              << "/home/user/pictures/地図-1.jpg";
  }
  void fileIsTakenFromTheWorkingFolder() {
    QFETCH(QString, argument);
    QFETCH(QString, path);
    const CommandLine c = Parse({argument});
    QVERIFY(!c.exitNow);
    QCOMPARE(c.request.file, path);
    QVERIFY(c.request.capture.isEmpty());
  }

  void captureAndDelay() {
    for (const char* kind : {"screen", "window", "rect"}) {
      const CommandLine c = Parse({QStringLiteral("--capture"), QString::fromLatin1(kind)});
      QVERIFY(!c.exitNow);
      QCOMPARE(c.request.capture, QString::fromLatin1(kind));
      QCOMPARE(c.request.delaySeconds, 0.0);
      QVERIFY(!c.request.noDelay);
    }
    const CommandLine delayed = Parse({"--capture=rect", "--delay", "2.5"});
    QVERIFY(!delayed.exitNow);
    QCOMPARE(delayed.request.capture, QStringLiteral("rect"));
    QCOMPARE(delayed.request.delaySeconds, 2.5);
    QVERIFY(!delayed.request.noDelay);
    const CommandLine atOnce = Parse({"--capture", "screen", "--delay", "0"});
    QVERIFY(!atOnce.exitNow);
    QCOMPARE(atOnce.request.delaySeconds, 0.0);
    QVERIFY(atOnce.request.noDelay);
  }

  void batchTakesAFolderFromTheWorkingFolder() {
    const CommandLine c = Parse({"--batch", "maps/"});
    QVERIFY(!c.exitNow);
    QCOMPARE(c.batchFolder, QStringLiteral("/home/user/pictures/maps"));
    QVERIFY(c.request.IsEmpty());
  }

  void mistakesEndWithTwoAndSayWhy_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--bogus"};
    QTest::newRow("unknown capture") << QStringList{"--capture", "everything"};
    QTest::newRow("capture without its kind") << QStringList{"--capture"};
    QTest::newRow("delay without capture") << QStringList{"--delay", "1"};
    QTest::newRow("delay not a number") << QStringList{"--capture", "rect", "--delay", "soon"};
    QTest::newRow("negative delay") << QStringList{"--capture", "rect", "--delay", "-1"};
    QTest::newRow("delay past an hour") << QStringList{"--capture", "rect", "--delay", "3601"};
    QTest::newRow("two files") << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("file and capture") << QStringList{"a.jpg", "--capture", "rect"};
    QTest::newRow("batch and file") << QStringList{"--batch", "maps", "a.jpg"};
    QTest::newRow("batch and capture") << QStringList{"--batch", "maps", "--capture", "screen"};
    QTest::newRow("empty batch folder") << QStringList{"--batch", ""};
  }
  void mistakesEndWithTwoAndSayWhy() {
    QFETCH(QStringList, arguments);
    const CommandLine c = Parse(arguments);
    QVERIFY(c.exitNow);
    QCOMPARE(c.exitCode, velmor::kExitUsage);
    QVERIFY(c.standardOutput.isEmpty());
    QVERIFY(c.standardError.startsWith(QStringLiteral("velmor: ")));
    QVERIFY(c.request.IsEmpty());
    QVERIFY(c.batchFolder.isEmpty());
  }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
