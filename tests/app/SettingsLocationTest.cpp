// Where VLM.INI goes: beside the program in a folder its user may write, otherwise in the
// user's configuration folder, which the first exit makes.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Form1.h"
#include "app/SettingsLocation.h"

using velmor::SettingsFolderFor;
using velmor::UserSettingsFolder;

class SettingsLocationTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir temp_;
  QByteArray savedXdg_, savedHome_;

  QString Folder(const QString& name, mode_t mode) {
    const QString path = temp_.filePath(name);
    if (!QDir().mkpath(path)) return {};
    ::chmod(QFile::encodeName(path).constData(), mode);
    return path;
  }

 private slots:
  void init() {
    savedXdg_ = qgetenv("XDG_CONFIG_HOME");
    savedHome_ = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(temp_.filePath(QStringLiteral("home"))));
    qunsetenv("XDG_CONFIG_HOME");
  }
  void cleanup() {
    qputenv("HOME", savedHome_);
    if (savedXdg_.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", savedXdg_);
  }
  void cleanupTestCase() {
    // Let the temporary folder go, read-only parts included.
    for (const char* name : {"readonly", "portable-ro"})
      ::chmod(QFile::encodeName(temp_.filePath(name)).constData(), 0755);
  }

  void theUsersFolderFollowsTheBaseDirectoryRules() {
    const QString home = temp_.filePath(QStringLiteral("home"));
    QCOMPARE(UserSettingsFolder(), home + QStringLiteral("/.config/Velmor"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp_.filePath(QStringLiteral("conf/"))));
    QCOMPARE(UserSettingsFolder(), temp_.filePath(QStringLiteral("conf/Velmor")));
    qputenv("XDG_CONFIG_HOME", "");  // empty: as if unset
    QCOMPARE(UserSettingsFolder(), home + QStringLiteral("/.config/Velmor"));
    qputenv("XDG_CONFIG_HOME", "relative/conf");  // relative: ignored
    QCOMPARE(UserSettingsFolder(), home + QStringLiteral("/.config/Velmor"));
  }

  void aWritableProgramFolderKeepsTheFile() {
    const QString folder = Folder(QStringLiteral("portable"), 0755);
    QCOMPARE(SettingsFolderFor(folder), folder);
  }

  // Even for root, which could write there anyway: the folder says it is not to be written.
  void aReadOnlyProgramFolderSendsItToTheUsersFolder() {
    const QString readOnly = Folder(QStringLiteral("readonly"), 0555);
    QCOMPARE(SettingsFolderFor(readOnly), UserSettingsFolder());
    QCOMPARE(SettingsFolderFor(temp_.filePath(QStringLiteral("missing"))), UserSettingsFolder());
  }

  void systemProgramFoldersNeverHoldOneUsersSettings() {
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/bin/"}) {
      QVERIFY2(velmor::IsSystemProgramFolder(QString::fromLatin1(folder)), folder);
      QCOMPARE(SettingsFolderFor(QString::fromLatin1(folder)), UserSettingsFolder());
    }
    QVERIFY(!velmor::IsSystemProgramFolder(temp_.path()));
    QVERIFY(!velmor::IsSystemProgramFolder(QStringLiteral("/usr/bin/velmor-portable")));
  }

  // The file and its folder come into being at the first exit, with the first-start values;
  // nothing is written beside the program.
  void theFirstExitMakesTheFolderAndTheFile() {
    const QString program = Folder(QStringLiteral("portable-ro"), 0555);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp_.filePath(QStringLiteral("xdg"))));
    const QString folder = SettingsFolderFor(program);
    QCOMPARE(folder, temp_.filePath(QStringLiteral("xdg/Velmor")));
    {
      velmor::Form1 form(folder);
      form.exitProgram = [] {};
      QVERIFY(!QFile::exists(folder));
      form.close();
    }
    QFile written(QDir(folder).filePath(QStringLiteral("VLM.INI")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    QCOMPARE(lines.size(), 101);                // 100 lines, each ending in CR LF
    QCOMPARE(lines.at(9), QByteArray("25\r"));  // the first start's zoom step
    QVERIFY(!QFile::exists(QDir(program).filePath(QStringLiteral("VLM.INI"))));

    // The next start reads it back from there.
    velmor::Form1 again(SettingsFolderFor(program));
    again.exitProgram = [] {};
    QCOMPARE(again.SettingsFile(), written.fileName());
    QCOMPARE(again.panel.ZoomStep, int16_t{25});
  }
};

QTEST_MAIN(SettingsLocationTest)
#include "SettingsLocationTest.moc"
