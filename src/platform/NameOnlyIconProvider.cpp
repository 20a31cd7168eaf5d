#include "platform/NameOnlyIconProvider.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace velmor::platform {

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  return QFileIconProvider::icon(info.isDir() ? Folder : File);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  if (info.isDir()) return QFileIconProvider::type(info);
  return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
}

}  // namespace velmor::platform
