// Opening an image file into the canvas and saving the canvas as a JPEG file.
#include <QFile>
#include <QLineEdit>
#include <QToolButton>

#include "app/Form1.h"
#include "app/ControlIndexes.h"
#include "formats/JpegWriter.h"
#include "formats/PictureWriter.h"
#include "platform/Modal.h"
#include "formats/PictureLoader.h"
#include "core/base/NumberRules.h"
#include "view/CanvasWidget.h"
#include "core/model/ZoomLimits.h"

namespace velmor {

namespace {
const QString kProgramName = QStringLiteral("Velmor");
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

void Form1::OpenImage() {
  SetStatus(status::kPrompt, QStringLiteral("画像ﾌｧｲﾙを指示"));
  PrepareFileDialog(CMDialog1, QStringLiteral("画像ﾌｧｲﾙを開く"));
  CMDialog1.Filter = kOpenFilter;
  CMDialog1.ShowOpen();

  const QString path = CMDialog1.FileName;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return;
  const QString fileName = path.mid(slash + 1);
  const QString folder = path.left(slash + 1);
  const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
  if (dot < 0) {
    ImageFileName = fileName;
    ImageFolder = folder;
    return;
  }

  // Read before anything changes: a file that cannot be shown must not cost the figures.
  QString error;
  std::optional<QImage> picture = platform::LoadPicture(path, &error);
  // A canvas side past the scroll bars' reach could never be shown whole.
  if (picture && !ZoomFits(100, picture->width(), picture->height())) picture.reset();
  if (!picture) {
    platform::ShowMessage(QStringLiteral("画像ﾌｧｲﾙ %1 を読み込めませんでした。").arg(path),
                          kProgramName, platform::MsgIcon::Exclamation);
    return;
  }

  ImageFileName = fileName;
  ImageFolder = folder;
  Text3->setText(fileName.left(dot));
  velmor::ClearFigures(figures, undo);
  FiguresDropped();
  view.ZoomPercent = 100;
  Picture2->SetPicture(*picture);
  Pic_int();
  setWindowTitle(kProgramName + QStringLiteral("  ") + ImageFileName);
  SetStatus(status::kPrompt, QStringLiteral("画像ロード完了"));
}

void Form1::SaveImage() {
  SetStatus(status::kPrompt, QStringLiteral("保存画像ﾌｧｲﾙを指示"));
  PrepareFileDialog(CMDialog1, QStringLiteral("画像ﾌｧｲﾙを保存"));
  CMDialog1.ShowSave();

  ImageFolder = CMDialog1.FileName;
  if (ImageFolder.isEmpty()) return;
  const QString path = ImageFolder;

  const int width = Picture2->ScaleWidth();
  const int height = Picture2->ScaleHeight();
  QByteArray fileName = QFile::encodeName(path);  // NUL-terminated; the writer may edit it
  const bool saved = platform::DCSavetoPicture(&Picture2->Surface(), width, height,
                                               fileName.data(), JpegQualityOf(settings),
                                               -1) == platform::kJpegSaved;
  ImageFolder = QFile::decodeName(fileName.constData());
  if (!saved) {
    platform::ShowMessage(QStringLiteral("%1 は保存できませんでした。").arg(path), kProgramName,
                          platform::MsgIcon::Exclamation);
    return;
  }
  SetStatus(status::kPrompt, QStringLiteral("正常に保存できました。"));
}

}  // namespace velmor
