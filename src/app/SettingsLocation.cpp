#include "app/SettingsLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <vector>

namespace velmor {

namespace {

bool InGroup(gid_t group) {
  if (group == ::getegid()) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i)
    if (groups[static_cast<size_t>(i)] == group) return true;
  return false;
}

}  // namespace

bool FolderWritableByUser(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  struct stat info {};
  if (path.isEmpty() || ::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
    return false;
  mode_t bit = S_IWOTH;
  if (info.st_uid == ::geteuid())
    bit = S_IWUSR;
  else if (InGroup(info.st_gid))
    bit = S_IWGRP;
  if ((info.st_mode & bit) == 0) return false;
  return ::access(path.constData(), W_OK | X_OK) == 0;
}

bool IsSystemProgramFolder(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  const QString path = QDir::cleanPath(canonical.isEmpty() ? folder : canonical);
  static const QStringList kSystemFolders = {
      QStringLiteral("/usr/bin"),
      QStringLiteral("/bin"),
      QStringLiteral("/usr/local/bin"),
      QStringLiteral("/usr/sbin"),
      QStringLiteral("/sbin"),
      QStringLiteral("/usr/games"),
      QStringLiteral("/usr/local/games"),
      QStringLiteral("/usr/libexec"),
  };
  return kSystemFolders.contains(path);
}

QString UserSettingsFolder() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  // The base directory rules: a relative value is to be ignored.
  if (base.isEmpty() || QDir::isRelativePath(base))
    base = QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
  return QDir(QDir::cleanPath(base)).filePath(QStringLiteral("Velmor"));
}

QString SettingsFolderFor(const QString& programFolder) {
  if (!IsSystemProgramFolder(programFolder) && FolderWritableByUser(programFolder))
    return programFolder;
  return UserSettingsFolder();
}

}  // namespace velmor
