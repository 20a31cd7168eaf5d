// Icons and type names for the file dialogs told from a file's name alone. Qt's own provider
// reads each file's first bytes to guess its type, on the thread that runs the dialog: a file
// that blocks on read (in /proc, on a stalled network mount) would freeze the program for good.
#pragma once

#include <QFileIconProvider>

namespace velmor::platform {

class NameOnlyIconProvider final : public QFileIconProvider {
 public:
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;
  using QFileIconProvider::icon;
};

}  // namespace velmor::platform
