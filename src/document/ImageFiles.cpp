#include "document/ImageFiles.h"

#include <QFile>

#include "core/model/ControlIndexes.h"
#include "core/model/ZoomLimits.h"
#include "formats/JpegWriter.h"
#include "formats/PictureLoader.h"
#include "formats/PictureWriter.h"
#include "view/CanvasWidget.h"

namespace velmor::document {

namespace {
using platform::kProgramName;
const QString kImageFilter = QStringLiteral("画像ﾌｧｲﾙ|*.jpg;*.bmp");
// The open dialog also lists the other names the loader reads.
const QString kOpenFilter = QStringLiteral("画像ﾌｧｲﾙ|*.jpg;*.bmp;*.jpeg;*.png");
constexpr int kHideReadOnly = 4;

void PrepareFileDialog(platform::CommonDialog& dialog, const QString& title) {
  dialog.DialogTitle = title;
  dialog.Filter = kImageFilter;
  dialog.FilterIndex = 1;
  dialog.Flags = kHideReadOnly;
}
}  // namespace

void OpenImage(platform::CommonDialog& dialog, QString& imageFolder, QString& imageFileName,
               DocumentHost& host) {
  host.SetStatus(status::kPrompt, QStringLiteral("画像ﾌｧｲﾙを指示"));
  PrepareFileDialog(dialog, QStringLiteral("画像ﾌｧｲﾙを開く"));
  dialog.Filter = kOpenFilter;
  dialog.ShowOpen();

  const QString path = dialog.FileName;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return;
  const QString fileName = path.mid(slash + 1);
  const QString folder = path.left(slash + 1);
  const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
  if (dot < 0) {
    imageFileName = fileName;
    imageFolder = folder;
    return;
  }

  // Read before anything changes: a file that cannot be shown must not cost the figures.
  QString error;
  std::optional<QImage> picture = platform::LoadPicture(path, &error);
  // A canvas side past the scroll bars' reach could never be shown whole.
  if (picture && !PictureFits(picture->width(), picture->height())) picture.reset();
  if (!picture) {
    platform::ShowMessage(QStringLiteral("画像ﾌｧｲﾙ %1 を読み込めませんでした。").arg(path),
                          kProgramName, platform::MsgIcon::Exclamation);
    return;
  }

  imageFileName = fileName;
  imageFolder = folder;
  host.StartDocument(fileName.left(dot));
  host.ShowPicture(*picture);
  host.SetCaption(kProgramName + QStringLiteral("  ") + imageFileName);
  host.SetStatus(status::kPrompt, QStringLiteral("画像ロード完了"));
}

void SaveImage(platform::CommonDialog& dialog, QString& imageFolder, const CanvasWidget& canvas,
               const Settings& settings, DocumentHost& host) {
  host.SetStatus(status::kPrompt, QStringLiteral("保存画像ﾌｧｲﾙを指示"));
  PrepareFileDialog(dialog, QStringLiteral("画像ﾌｧｲﾙを保存"));
  dialog.ShowSave();

  imageFolder = dialog.FileName;
  if (imageFolder.isEmpty()) return;
  const QString path = imageFolder;

  QByteArray fileName = QFile::encodeName(path);  // NUL-terminated; the writer may edit it
  const bool saved = platform::DCSavetoPicture(&canvas.Surface(), canvas.ScaleWidth(),
                                               canvas.ScaleHeight(), fileName.data(),
                                               JpegQualityOf(settings), -1) == platform::kJpegSaved;
  imageFolder = QFile::decodeName(fileName.constData());
  if (!saved) {
    platform::ShowMessage(QStringLiteral("%1 は保存できませんでした。").arg(path), kProgramName,
                          platform::MsgIcon::Exclamation);
    return;
  }
  host.SetStatus(status::kPrompt, QStringLiteral("正常に保存できました。"));
}

}  // namespace velmor::document
