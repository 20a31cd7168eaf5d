// The hidden batch command: every picture of one folder stamped with its name and written as a
// JPEG copy into a sub-folder named after the name's first part; and the stamp itself (★).
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QToolButton>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/Form1.h"
#include "core/batch/BatchNames.h"
#include "render/FigureRenderer.h"
#include "core/edit/FigureStore.h"
#include "raster/GdiCanvas.h"
#include "formats/JpegWriter.h"
#include "platform/Modal.h"
#include "formats/PictureLoader.h"
#include "core/base/NumberRules.h"
#include "view/CanvasWidget.h"
#include "core/model/ZoomLimits.h"

namespace velmor {

namespace {

const QString kProgramName = QStringLiteral("Velmor");
// A longer list would not fit on the screen; the count still says how many there were.
constexpr int kMaxListedProblems = 20;

// The stamp's anchor: the top-left corner of the text, right of and above the canvas centre.
constexpr int kStampOffsetX = 20;
constexpr int kStampOffsetY = -32;

QString FolderWithSeparator(const QString& folder) {
  QString path = QDir::fromNativeSeparators(folder);
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path;
}

std::vector<std::string> ListedFileNames(const QString& folder) {
  const QStringList entries =
      QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const QString& entry : entries) names.push_back(entry.toStdString());
  return names;
}

struct Problem {
  QString fileName;
  QString reason;
};

void ReportProblems(const std::vector<Problem>& problems) {
  if (problems.empty()) return;
  QStringList lines;
  lines << QStringLiteral("%1 個のﾌｧｲﾙを処理できませんでした。").arg(problems.size());
  const int shown = std::min<int>(problems.size(), kMaxListedProblems);
  for (int i = 0; i < shown; ++i)
    lines << QStringLiteral("%1 : %2").arg(problems[i].fileName, problems[i].reason);
  if (static_cast<int>(problems.size()) > shown)
    lines << QStringLiteral("ほか %1 件").arg(problems.size() - shown);
  platform::ShowMessage(lines.join(QLatin1Char('\n')), kProgramName,
                        platform::MsgIcon::Exclamation);
}

}  // namespace

void Form1::BatchStampFolder() {
  BatchStampFolderIn(QString::fromUtf8(batch::kSourceFolder.data(),
                                       static_cast<qsizetype>(batch::kSourceFolder.size())));
}

void Form1::BatchStampFolderIn(const QString& sourceFolder) {
  const QString folder = FolderWithSeparator(sourceFolder);
  if (!QDir(folder).exists()) {
    platform::ShowMessage(QStringLiteral("フォルダ %1 が見つかりません。").arg(folder),
                          kProgramName, platform::MsgIcon::Exclamation);
    return;
  }

  const uint8_t quality = JpegQualityOf(settings);

  List1->clear();
  for (const std::string& name : batch::AcceptedInListingOrder(ListedFileNames(folder)))
    List1->addItem(folder + QString::fromStdString(name));
  List2->clear();
  for (int i = List1->count() - 1; i >= 0; --i) List2->addItem(List1->item(i)->text());

  std::vector<Problem> problems;
  const int count = List2->count();
  for (int i = 0; i < count; ++i) {
    const QString path = List2->item(i)->text();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString sourceFolderPart = path.left(slash + 1);
    const QString sourceName = path.mid(slash + 1);

    const std::optional<batch::OutputName> output =
        batch::SplitOutputName(sourceName.toStdString());
    if (!output) {
      problems.push_back({sourceName, QStringLiteral("名前に「-」で区切られた出力先がありません")});
      continue;
    }
    // Read before anything changes, so that an unreadable file leaves the canvas as it was.
    std::optional<QImage> picture = platform::LoadPicture(path);
    if (!picture) {
      problems.push_back({sourceName, QStringLiteral("画像を読み込めません")});
      continue;
    }
    if (!ZoomFits(100, picture->width(), picture->height())) {
      problems.push_back({sourceName, QStringLiteral("画像が大きすぎます")});
      continue;
    }

    ImageFolder = sourceFolderPart + QString::fromStdString(output->SubFolder) + QLatin1Char('/');
    ImageFileName = QString::fromStdString(output->FileName);
    Text3->setText(QString::fromStdString(batch::StampText(sourceName.toStdString())));
    ClearFigures(figures, undo);
    FiguresDropped();
    view.ZoomPercent = 100;
    Picture2->SetPicture(*picture);
    picture.reset();
    Pic_int();
    platform::ProcessPendingEvents();
    DrawStamp();

    if (!QDir(ImageFolder).exists() && !QDir().mkdir(ImageFolder)) {
      problems.push_back({sourceName, QStringLiteral("フォルダ %1 を作成できません")
                                          .arg(QString::fromStdString(output->SubFolder))});
      continue;
    }
    const QString target = ImageFolder + ImageFileName;
    QByteArray fileName = QFile::encodeName(target);  // NUL-terminated, as the writer wants
    if (platform::DCSavetoJPEG(&Picture2->Surface(), Picture2->ScaleWidth(),
                               Picture2->ScaleHeight(), fileName.data(), quality,
                               -1) != platform::kJpegSaved)
      problems.push_back({sourceName, QStringLiteral("%1 に保存できませんでした").arg(target)});
  }
  ReportProblems(problems);
}

void Form1::DrawStamp() {
  work.WorkAngle = 0;
  text.TextFont = settings.Text(slot::kFontName);
  text.TextSize = ScaledFontSize(settings.Number(slot::kFontSize), view.ZoomPercent);
  text.TextBold = settings.Flag(slot::kFontBold);
  text.TextItalic = settings.Flag(slot::kFontItalic);
  text.TextString = Text3->text().toStdString();
  panel.BrushColor = BackColor();
  panel.BrushStyle = static_cast<int16_t>(FillStyleIndex());

  platform::GdiCanvas& canvas = Canvas();
  canvas.SetDrawMode(platform::kCopyPen);
  canvas.SetDrawStyle(static_cast<int16_t>(LineStyleIndex()));
  canvas.SetDrawWidth(panel.PenWidth);
  canvas.SetForeColor(panel.PenColor);
  canvas.SetFillColor(panel.BrushColor);
  canvas.SetFillStyle(panel.BrushStyle);
  text.TextEscapement = EscapementOf(work.WorkAngle);

  MeasureText(canvas, text, work);

  const int cx = Picture2->ScaleWidth() / 2;
  const int cy = Picture2->ScaleHeight() / 2;
  work.WorkPoints[1] = {static_cast<float>(cx + kStampOffsetX),
                        static_cast<float>(cy + kStampOffsetY)};

  if (panel.BrushStyle != platform::kFillNone) {
    BuildRotatedBox(work);
    canvas.SetForeColor(panel.BrushColor);
    canvas.SetDrawWidth(1);
    canvas.SetDrawStyle(platform::kSolid);
    const auto at = [&](int k) {
      return platform::CanvasPoint{work.WorkPoints[k].X, work.WorkPoints[k].Y};
    };
    // The tail leaves the box's left side in its lower third and points at the centre; box and
    // tail make one outline, filled as one polygon.
    const platform::CanvasPoint centre{static_cast<float>(cx), static_cast<float>(cy)};
    const platform::CanvasPoint tailTop{
        work.WorkPoints[1].X, static_cast<float>(work.WorkPoints[4].Y - work.WorkHeight / 3)};
    const std::vector<platform::CanvasPoint> balloon = {at(1), at(2),  at(3),
                                                        at(4), centre, tailTop};
    std::vector<platform::CanvasPoint> outline = balloon;
    outline.push_back(at(1));
    canvas.Polyline(outline);
    canvas.SetCurrentX(at(1).X);
    canvas.SetCurrentY(at(1).Y);
    canvas.FillPolygon(balloon);
  }

  PrintRotatedText(canvas, panel, text, text.TextFont, static_cast<int16_t>(text.TextEscapement),
                   text.TextBold, text.TextItalic, work.WorkPoints[1].X + 1, work.WorkPoints[1].Y,
                   text.TextString);
  Picture2->SurfaceChanged();
}

}  // namespace velmor
