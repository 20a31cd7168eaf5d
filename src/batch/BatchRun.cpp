#include "batch/BatchRun.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "core/base/SafeFolder.h"
#include "core/batch/BatchNames.h"
#include "core/model/ZoomLimits.h"
#include "formats/JpegWriter.h"
#include "formats/PictureLoader.h"

namespace velmor::batch {

namespace {

// A longer list would not fit on the screen; the count still says how many there were.
constexpr int kMaxListedProblems = 20;

std::vector<std::string> ListedFileNames(const QString& folder) {
  const QStringList entries =
      QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const QString& entry : entries) names.push_back(entry.toStdString());
  return names;
}

}  // namespace

OwnSurface::OwnSurface(StampLook look, PanelState pen) : look_(std::move(look)), panel_(pen) {}

StampTarget OwnSurface::Present(const BatchItem& item, const QImage& picture) {
  (void)item;
  // What the canvas shows of a picture at 100 percent: its pixels as 32-bit RGB.
  surface_ = picture.convertToFormat(QImage::Format_RGB32);
  canvas_.Bind(&surface_);
  return {canvas_, surface_, panel_, text_, work_};
}

StampLook OwnSurface::Look(const BatchItem& item) {
  StampLook look = look_;
  look.Text = item.StampText;
  return look;
}

QString FolderWithSeparator(const QString& folder) {
  QString path = QDir::fromNativeSeparators(folder);
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path;
}

QStringList ListAccepted(const QString& folder) {
  QStringList paths;
  for (const std::string& name : AcceptedInListingOrder(ListedFileNames(folder)))
    paths << folder + QString::fromStdString(name);
  return paths;
}

std::optional<BatchProblem> ProcessPicture(const QString& path, const Settings& settings,
                                           uint8_t jpegQuality, StampSurface& surface,
                                           std::set<std::string>* sweptFolders) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString sourceName = path.mid(slash + 1);
  const std::optional<OutputName> output = SplitOutputName(sourceName.toStdString());
  if (!output)
    return BatchProblem{sourceName, QStringLiteral("名前に「-」で区切られた出力先がありません")};

  std::optional<QImage> picture = platform::LoadPicture(path);
  if (!picture) return BatchProblem{sourceName, QStringLiteral("画像を読み込めません")};
  if (!ZoomFits(100, picture->width(), picture->height()))
    return BatchProblem{sourceName, QStringLiteral("画像が大きすぎます")};

  const BatchItem item{
      path, sourceName,
      path.left(slash + 1) + QString::fromStdString(output->SubFolder) + QLatin1Char('/'),
      QString::fromStdString(output->FileName), StampText(sourceName.toStdString())};
  const StampTarget target = surface.Present(item, *picture);
  picture.reset();  // the surface holds what is needed; a large picture is not kept twice
  surface.YieldToEvents();
  DrawStamp(target.Canvas, target.Surface.width(), target.Surface.height(), surface.Look(item),
            settings, 100, target.Panel, target.Text, target.Work);
  surface.Stamped();

  // The source folder may be shared: the copy goes only into a real folder directly inside it,
  // never through a link, whatever is planted or swapped in there meanwhile.
  auto refused = [&](const std::string& why) {
    return BatchProblem{sourceName, QString::fromStdString(why)};
  };
  std::string why;
  const platform::SafeFolder source =
      platform::SafeFolder::Open(QFile::encodeName(path.left(slash + 1)).toStdString(), &why);
  if (!source.IsOpen()) return refused(why);
  const platform::SafeFolder out = source.OpenSubfolder(output->SubFolder, &why);
  if (!out.IsOpen()) return refused(why);
  if (!sweptFolders || sweptFolders->insert(output->SubFolder).second) out.RemoveStaleTemporaries();
  std::string bytes;
  if (!platform::EncodeSurfaceAsJpeg(target.Surface, target.Surface.width(),
                                     target.Surface.height(), jpegQuality, &bytes, &why))
    return BatchProblem{
        sourceName,
        QStringLiteral("%1 に保存できませんでした").arg(item.OutputFolder + item.OutputName)};
  if (!out.WriteFile(QFile::encodeName(item.OutputName).toStdString(), bytes, &why))
    return refused(why);
  return std::nullopt;
}

QString ProblemsMessage(const std::vector<BatchProblem>& problems) {
  if (problems.empty()) return {};
  QStringList lines;
  lines << QStringLiteral("%1 個のﾌｧｲﾙを処理できませんでした。").arg(problems.size());
  const int shown = std::min<int>(problems.size(), kMaxListedProblems);
  for (int i = 0; i < shown; ++i)
    lines << QStringLiteral("%1 : %2").arg(problems[i].FileName, problems[i].Reason);
  if (static_cast<int>(problems.size()) > shown)
    lines << QStringLiteral("ほか %1 件").arg(problems.size() - shown);
  return lines.join(QLatin1Char('\n'));
}

BatchSummary RunBatch(const BatchRequest& request, BatchHost& host) {
  BatchSummary summary;
  const QString folder = FolderWithSeparator(request.SourceFolder);
  if (!QDir(folder).exists()) {
    host.Report(QStringLiteral("フォルダ %1 が見つかりません。").arg(folder));
    return summary;
  }
  summary.FolderFound = true;
  const Settings& settings = *request.CurrentSettings;
  const uint8_t quality = JpegQualityOf(settings);

  const QStringList listing = ListAccepted(folder);
  host.Listed(listing);
  summary.Listed = static_cast<int>(listing.size());
  std::set<std::string> swept;
  for (int i = summary.Listed - 1, done = 1; i >= 0; --i, ++done) {
    const QString& path = listing[i];
    const std::optional<BatchProblem> problem =
        ProcessPicture(path, settings, quality, host, &swept);
    if (problem)
      summary.Problems.push_back(*problem);
    else
      ++summary.Written;
    host.Progress(done, summary.Listed, path, problem ? &*problem : nullptr);
  }
  if (!summary.Problems.empty()) host.Report(ProblemsMessage(summary.Problems));
  return summary;
}

}  // namespace velmor::batch
