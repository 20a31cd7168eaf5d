#include "app/Icons.h"

#include <QFile>
#include <QHash>

// The resources live in a static library: without this reference the linker drops them.
static void InitVelmorResources() {
  Q_INIT_RESOURCE(velmor);
}

namespace velmor {
namespace {

constexpr int kIconSizes[] = {16, 25, 32, 64};

QString ThemeNameFor(const QString& name) {
  static const QHash<QString, QString> kThemeNames = {
      {"open", "document-open"},
      {"save", "document-save"},
      {"zoom-frame", "zoom-fit-best"},
      {"zoom-in", "zoom-in"},
      {"zoom-out", "zoom-out"},
      {"zoom-actual", "zoom-original"},
      {"cut", "edit-cut"},
      {"copy", "edit-copy"},
      {"paste", "edit-paste"},
      {"capture", "camera-photo"},
      {"capture-target-full", "video-display"},
      {"capture-target-active", "window-new"},
      {"settings", "preferences-system"},
      {"undo", "edit-undo"},
  };
  return kThemeNames.value(name);
}

}  // namespace

QIcon VelmorIcon(const QString& name) {
  static const bool initialised = (InitVelmorResources(), true);
  (void)initialised;
  QIcon icon;
  for (int size : kIconSizes) {
    const QString file = QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size);
    if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
  }
  if (icon.isNull()) {
    const QString themeName = ThemeNameFor(name);
    if (!themeName.isEmpty()) icon = QIcon::fromTheme(themeName);
  }
  return icon;
}

}  // namespace velmor
