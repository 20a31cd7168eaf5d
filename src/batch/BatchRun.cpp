#include "batch/BatchRun.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "core/base/SafeFolder.h"
#include "core/batch/BatchNames.h"
#include "core/model/ZoomLimits.h"
#include "formats/JpegWriter.h"
#include "formats/PictureLoader.h"
#include "formats/PictureMemory.h"

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

namespace {

// One file after the decoding stage: where its copy goes and its picture, or why it stops here.
struct Decoded {
  QString Path;
  BatchItem Item;
  std::string SubFolder;
  QImage Picture;
  std::optional<BatchProblem> Problem;
};

// Reads the picture of `path`; touches nothing but the file, so it can run on a thread of its own.
Decoded DecodeStage(const QString& path, platform::PictureMemory* memory) {
  Decoded d;
  d.Path = path;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const QString sourceName = path.mid(slash + 1);
  const std::optional<OutputName> output = SplitOutputName(sourceName.toStdString());
  if (!output) {
    d.Problem =
        BatchProblem{sourceName, QStringLiteral("名前に「-」で区切られた出力先がありません")};
    return d;
  }
  std::optional<QImage> picture =
      platform::LoadPicture(path, platform::PictureLimits{}, nullptr, memory);
  if (!picture) {
    d.Problem = BatchProblem{sourceName, QStringLiteral("画像を読み込めません")};
    return d;
  }
  if (!PictureFits(picture->width(), picture->height())) {
    d.Problem = BatchProblem{sourceName, QStringLiteral("画像が大きすぎます")};
    return d;
  }
  d.Item =
      BatchItem{path, sourceName,
                path.left(slash + 1) + QString::fromStdString(output->SubFolder) + QLatin1Char('/'),
                QString::fromStdString(output->FileName), StampText(sourceName.toStdString())};
  d.SubFolder = output->SubFolder;
  d.Picture = std::move(*picture);
  return d;
}

// Shows the picture, lets the window breathe and draws the stamp: the part that belongs to the
// thread of the window. The decoded picture is let go before drawing, so that a surface made
// from it is not copied on the first stroke.
StampTarget StampStage(Decoded& d, const Settings& settings, StampSurface& surface) {
  const StampTarget target = surface.Present(d.Item, d.Picture);
  d.Picture = QImage();
  surface.YieldToEvents();
  DrawStamp(target.Canvas, target.Surface.width(), target.Surface.height(), surface.Look(d.Item),
            settings, 100, target.Panel, target.Text, target.Work);
  surface.Stamped();
  return target;
}

// Encodes the stamped pixels and writes the copy; touches nothing of the window's.
std::optional<BatchProblem> WriteStage(const BatchItem& item, const std::string& subFolder,
                                       const QImage& pixels, uint8_t jpegQuality,
                                       platform::JpegEncoder& encoder,
                                       std::set<std::string>* sweptFolders) {
  // The source folder may be shared: the copy goes only into a real folder directly inside it,
  // never through a link, whatever is planted or swapped in there meanwhile.
  auto refused = [&](const std::string& why) {
    return BatchProblem{item.SourceName, QString::fromStdString(why)};
  };
  const qsizetype slash = item.Path.lastIndexOf(QLatin1Char('/'));
  std::string why;
  const platform::SafeFolder source =
      platform::SafeFolder::Open(QFile::encodeName(item.Path.left(slash + 1)).toStdString(), &why);
  if (!source.IsOpen()) return refused(why);
  const platform::SafeFolder out = source.OpenSubfolder(subFolder, &why);
  if (!out.IsOpen()) return refused(why);
  if (!sweptFolders || sweptFolders->insert(subFolder).second) out.RemoveStaleTemporaries();
  const std::string_view bytes =
      encoder.Encode(pixels, pixels.width(), pixels.height(), jpegQuality, &why);
  if (bytes.empty())
    return BatchProblem{
        item.SourceName,
        QStringLiteral("%1 に保存できませんでした").arg(item.OutputFolder + item.OutputName)};
  if (!out.WriteFile(QFile::encodeName(item.OutputName).toStdString(), bytes, &why))
    return refused(why);
  return std::nullopt;
}

// A queue between two threads; Push waits while `capacity` items are waiting. Once closed, Pop
// gives what is left and then nothing, and Push drops what it is given.
template <typename T>
class Channel {
 public:
  explicit Channel(size_t capacity) : capacity_(capacity) {}

  bool Push(T value) {
    std::unique_lock<std::mutex> lock(guard_);
    changed_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
    if (closed_) return false;
    items_.push_back(std::move(value));
    changed_.notify_all();
    return true;
  }

  std::optional<T> Pop() {
    std::unique_lock<std::mutex> lock(guard_);
    changed_.wait(lock, [&] { return closed_ || !items_.empty(); });
    return TakeFront();
  }

  std::optional<T> TryPop() {
    const std::lock_guard<std::mutex> lock(guard_);
    return TakeFront();
  }

  void Close() {
    const std::lock_guard<std::mutex> lock(guard_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  std::optional<T> TakeFront() {
    std::optional<T> value;
    if (items_.empty()) return value;
    value.emplace(std::move(items_.front()));
    items_.pop_front();
    changed_.notify_all();
    return value;
  }

  const size_t capacity_;
  std::mutex guard_;
  std::condition_variable changed_;
  std::deque<T> items_;
  bool closed_ = false;
};

// What goes to the writing thread: the stamped pixels of a file, or the problem that stopped it.
struct WriteJob {
  Decoded File;
  QImage Pixels;
};

struct Outcome {
  QString Path;
  std::optional<BatchProblem> Problem;
};

}  // namespace

std::optional<BatchProblem> ProcessPicture(const QString& path, const Settings& settings,
                                           uint8_t jpegQuality, StampSurface& surface,
                                           std::set<std::string>* sweptFolders) {
  Decoded d = DecodeStage(path, nullptr);
  if (d.Problem) return d.Problem;
  const StampTarget target = StampStage(d, settings, surface);
  platform::JpegEncoder encoder;
  return WriteStage(d.Item, d.SubFolder, target.Surface, jpegQuality, encoder, sweptFolders);
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
  if (listing.isEmpty()) return summary;

  // Three stages on three threads: the next file is decoded and the one before is encoded and
  // written while this one is shown and stamped here. Each channel keeps files in processing
  // order, so the copies are written, and the host hears of them, in the order of a run one
  // file at a time.
  platform::PictureMemory memory;
  Channel<Decoded> decoded(1);
  Channel<WriteJob> jobs(1);
  Channel<Outcome> outcomes(static_cast<size_t>(summary.Listed));
  // Whatever happens here, the threads are stopped and waited for before the channels go.
  struct Threads {
    Channel<Decoded>& decoded;
    Channel<WriteJob>& jobs;
    std::thread decoder, writer;
    ~Threads() {
      decoded.Close();
      jobs.Close();
      if (decoder.joinable()) decoder.join();
      if (writer.joinable()) writer.join();
    }
  } threads{decoded, jobs, {}, {}};
  threads.decoder = std::thread([&] {
    for (qsizetype i = listing.size() - 1; i >= 0; --i)
      if (!decoded.Push(DecodeStage(listing[i], &memory))) break;
  });
  threads.writer = std::thread([&] {
    platform::JpegEncoder encoder;
    std::set<std::string> swept;
    while (std::optional<WriteJob> job = jobs.Pop()) {
      Outcome outcome{job->File.Path, job->File.Problem};
      if (!outcome.Problem)
        outcome.Problem =
            WriteStage(job->File.Item, job->File.SubFolder, job->Pixels, quality, encoder, &swept);
      job.reset();  // the pixels go back before the host hears of the file
      outcomes.Push(std::move(outcome));
    }
  });

  int done = 0;
  auto tell = [&](const Outcome& outcome) {
    if (outcome.Problem)
      summary.Problems.push_back(*outcome.Problem);
    else
      ++summary.Written;
    host.Progress(++done, summary.Listed, outcome.Path,
                  outcome.Problem ? &*outcome.Problem : nullptr);
  };
  for (int k = 0; k < summary.Listed; ++k) {
    std::optional<Decoded> file = decoded.Pop();
    WriteJob job;
    bool waitForIt = false;
    if (!file->Problem) {
      const StampTarget target = StampStage(*file, settings, host);
      // The writer gets a copy, since the next file is shown on the same surface. Without
      // memory for one it reads the surface itself, and nothing goes on until it is done.
      job.Pixels = memory.Copy(target.Surface, target.Surface.width(), target.Surface.height());
      if (job.Pixels.isNull()) {
        job.Pixels = target.Surface;
        waitForIt = true;
      }
    }
    job.File = std::move(*file);
    jobs.Push(std::move(job));
    while (waitForIt && done < k + 1) tell(*outcomes.Pop());
    while (std::optional<Outcome> outcome = outcomes.TryPop()) tell(*outcome);
  }
  jobs.Close();
  while (done < summary.Listed) tell(*outcomes.Pop());
  if (!summary.Problems.empty()) host.Report(ProblemsMessage(summary.Problems));
  return summary;
}

}  // namespace velmor::batch
