#include <sys/stat.h>

#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>

#include "platform/NameOnlyIconProvider.h"

using velmor::platform::NameOnlyIconProvider;

class NameOnlyIconProviderTest : public QObject {
  Q_OBJECT

 private slots:
  // The type shown in the file dialogs comes from the name; the content is never read, so a
  // file that would block on read cannot freeze the dialog.
  void typeComesFromTheNameAlone() {
    QTemporaryDir dir;
    const QString unnamed = dir.filePath(QStringLiteral("photo"));  // no extension to go by
    QFile file(unnamed);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));  // a PNG's start
    file.close();
    QMimeDatabase mime;
    const QString png = mime.mimeTypeForName(QStringLiteral("image/png")).comment();
    const QString jpeg = mime.mimeTypeForName(QStringLiteral("image/jpeg")).comment();

    NameOnlyIconProvider provider;
    QVERIFY(provider.type(QFileInfo(unnamed)) != png);
    QCOMPARE(provider.type(QFileInfo(dir.filePath(QStringLiteral("a.jpg")))), jpeg);

    // A pipe without a writer blocks whoever reads it.
    const QString pipe = dir.filePath(QStringLiteral("stream"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    provider.type(QFileInfo(pipe));
    provider.icon(QFileInfo(pipe));
    QCOMPARE(provider.type(QFileInfo(dir.path())), QFileIconProvider().type(QFileInfo(dir.path())));
  }
};

QTEST_MAIN(NameOnlyIconProviderTest)
#include "NameOnlyIconProviderTest.moc"
