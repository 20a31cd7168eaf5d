// The batch stamp over a folder of 50 pictures of 1920 x 1080 (decode, show, stamp, encode,
// write), in pictures per second, beside ImageMagick doing the same work on the same files:
// `convert` once per file, as a script would, and `mogrify` over all files in one process.
// Both ImageMagick runs draw the balloon polygon, print the name and write at our quality with
// 4:2:0 chroma, so the outputs compare. They are skipped when ImageMagick is not installed.
// Goal 3 runs the program as a user does, `velmor --batch FOLDER` in a fresh process, beside
// both ImageMagick tools in the same loop, each on its own copy of the same files.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <random>

#include "app/Form1.h"
#include "batch/BatchRun.h"
#include "batch/HeadlessBatch.h"
#include "core/settings/FreshSettings.h"
#include "core/settings/SettingsFile.h"
#include "formats/JpegWriter.h"
#include "raster/GdiCanvas.h"

namespace {

constexpr int kPictures = 50;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kQuality = 90;
constexpr int kPoints = 12;
const char* const kFontFace = "IPAGothic";
const char* const kFontFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

QString PictureName(int i) {
  return QStringLiteral("BENCH-%1.jpg").arg(i, 2, 10, QChar('0'));
}

// Screen-like pictures, each a little different so that no cache sees the same bytes twice.
QImage Picture(int seed) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      QRgb c = qRgb(230, 232, 228);
      if (x > 200 && x < 1700 && y > 120 && y < 950)
        c = qRgb((x + seed * 7) * 255 / 2100, 170, y * 255 / kHeight);
      if (x > 900 && x < 1400 && y > 300 && y < 650)
        c = qRgb(110 + random() % 70, 100 + random() % 70, 90 + random() % 70);
      if ((x % 89 == 0 || y % 53 == 0) && y > 40) c = qRgb(30, 30, 30);
      row[x] = c;
    }
  }
  return image;
}

// The source folder, written once for all runs.
const QTemporaryDir& Sources() {
  static const auto folder = [] {
    auto dir = std::make_unique<QTemporaryDir>();
    for (int i = 1; i <= kPictures; ++i) {
      const QImage image = Picture(i);
      QByteArray path = QFile::encodeName(dir->filePath(PictureName(i)));
      velmor::platform::DCSavetoJPEG(&image, kWidth, kHeight, path.data(), kQuality, -1);
    }
    return dir;
  }();
  return *folder;
}

struct Balloon {
  QString polygon;
  QString textOffset;
};

// The stamp's outline for a name as our canvas measures it, in ImageMagick's words.
Balloon BalloonFor(const std::string& name) {
  velmor::platform::GdiCanvas canvas;
  canvas.SetFontName(kFontFace);
  canvas.SetFontSize(kPoints);
  const int w = canvas.TextWidth(name), h = canvas.TextHeight(name);
  const int cx = kWidth / 2, cy = kHeight / 2, left = cx + 20, top = cy - 32;
  Balloon b;
  b.polygon = QStringLiteral("polygon %1,%2 %3,%2 %3,%4 %1,%4 %5,%6 %1,%7")
                  .arg(left)
                  .arg(top)
                  .arg(left + w)
                  .arg(top + h)
                  .arg(cx)
                  .arg(cy)
                  .arg(top + h - h / 3);
  b.textOffset = QStringLiteral("+%1+%2").arg(left + 1).arg(top);
  return b;
}

QStringList StampArguments(const QString& text) {
  const Balloon balloon = BalloonFor("BENCH-01");  // every name has the same width
  return {QStringLiteral("-fill"),
          QStringLiteral("#FFFF00"),
          QStringLiteral("-stroke"),
          QStringLiteral("#FFFF00"),
          QStringLiteral("-draw"),
          balloon.polygon,
          QStringLiteral("-stroke"),
          QStringLiteral("none"),
          QStringLiteral("-fill"),
          QStringLiteral("black"),
          QStringLiteral("-font"),
          QString::fromLatin1(kFontFile),
          QStringLiteral("-pointsize"),
          QString::number(kPoints * 96 / 72),
          QStringLiteral("-gravity"),
          QStringLiteral("NorthWest"),
          QStringLiteral("-annotate"),
          balloon.textOffset,
          text,
          QStringLiteral("-quality"),
          QString::number(kQuality),
          QStringLiteral("-sampling-factor"),
          QStringLiteral("4:2:0")};
}

// ImageMagick's own tool (not a wrapper of the same name), or empty when it is not installed.
QString ImageMagickTool(const QString& name) {
  const QString path = QStringLiteral("/usr/bin/") + name;
  if (!QFileInfo(path).isExecutable()) return {};
  QProcess probe;
  probe.start(path, {QStringLiteral("-version")});
  if (!probe.waitForFinished(10000)) return {};
  return probe.readAllStandardOutput().contains("ImageMagick") ? path : QString();
}

bool Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// Per wall-clock second: ImageMagick's time is spent in other processes.
void CountPictures(benchmark::State& state) {
  state.counters["pictures/s"] =
      benchmark::Counter(double(state.iterations() * kPictures), benchmark::Counter::kIsRate);
}

void BM_BatchStampFolder(benchmark::State& state) {
  const QTemporaryDir& sources = Sources();
  QTemporaryDir settingsFolder;
  velmor::Form1 form(settingsFolder.path());
  form.exitProgram = [] {};
  form.settings.Set(velmor::slot::kFontName, std::string(kFontFace));
  form.settings.Set(velmor::slot::kFontSize, int16_t{kPoints});
  form.settings.Set(velmor::slot::kJpegQuality, int16_t{kQuality});
  for (auto _ : state) form.BatchStampFolderIn(sources.path());
  if (!QFileInfo::exists(sources.filePath(QStringLiteral("BENCH/50.jpg"))))
    state.SkipWithError("the batch wrote nothing");
  CountPictures(state);
}

// The same run without a window: no canvas widget, no viewport, no pending events between files.
void BM_BatchStampFolderHeadless(benchmark::State& state) {
  const QTemporaryDir& sources = Sources();
  velmor::Settings settings;
  settings.Set(velmor::slot::kFontName, std::string(kFontFace));
  settings.Set(velmor::slot::kFontSize, int16_t{kPoints});
  settings.Set(velmor::slot::kJpegQuality, int16_t{kQuality});
  velmor::batch::StampLook look;
  look.BackColor = 0x00FFFF;  // yellow, as red + 256 * green
  velmor::batch::HeadlessBatchHost host(look);
  for (auto _ : state) velmor::batch::RunBatch({sources.path(), &settings}, host);
  if (!QFileInfo::exists(sources.filePath(QStringLiteral("BENCH/50.jpg"))))
    state.SkipWithError("the batch wrote nothing");
  CountPictures(state);
}

void BM_ImageMagickConvertPerFile(benchmark::State& state) {
  const QString convert = ImageMagickTool(QStringLiteral("convert"));
  if (convert.isEmpty()) return state.SkipWithError("ImageMagick is not installed");
  const QTemporaryDir& sources = Sources();
  QTemporaryDir output;
  for (auto _ : state) {
    for (int i = 1; i <= kPictures; ++i) {
      const QString name = PictureName(i);
      QStringList arguments = {sources.filePath(name)};
      arguments << StampArguments(QFileInfo(name).completeBaseName()) << output.filePath(name);
      if (!Run(convert, arguments)) return state.SkipWithError("convert failed");
    }
  }
  CountPictures(state);
}

void BM_ImageMagickMogrifyOneProcess(benchmark::State& state) {
  const QString mogrify = ImageMagickTool(QStringLiteral("mogrify"));
  if (mogrify.isEmpty()) return state.SkipWithError("ImageMagick is not installed");
  const QTemporaryDir& sources = Sources();
  QTemporaryDir output;
  QStringList arguments = {QStringLiteral("-path"), output.path()};
  arguments << StampArguments(QStringLiteral("%t"));
  for (int i = 1; i <= kPictures; ++i) arguments << sources.filePath(PictureName(i));
  for (auto _ : state)
    if (!Run(mogrify, arguments)) return state.SkipWithError("mogrify failed");
  CountPictures(state);
}

// A copy of the built program in a folder of its own with the stamp's settings in VLM.INI beside
// it, as the end-to-end tests install it: the balloon yellow, the name black, solid fill.
QString InstallProgram(const QTemporaryDir& root) {
  const QString folder = root.filePath(QStringLiteral("app"));
  const QString program = folder + QStringLiteral("/velmor");
  if (!QDir().mkpath(folder) || !QFile::copy(QStringLiteral(VELMOR_PROGRAM), program)) return {};
  velmor::Settings settings = velmor::FreshSettings();
  settings.Set(velmor::slot::kFontName, std::string(kFontFace));
  settings.Set(velmor::slot::kFontSize, int16_t{kPoints});
  settings.Set(velmor::slot::kFontBold, false);
  settings.Set(velmor::slot::kFontItalic, false);
  settings.Set(velmor::slot::kJpegQuality, int16_t{kQuality});
  settings.Set(velmor::slot::kFrontColor, int32_t{0});
  settings.Set(velmor::slot::kBackColor, int32_t{0x00FFFF});
  settings.Set(velmor::slot::kFillStyle, std::string("べた塗"));
  if (!velmor::SaveSettingsFile(velmor::SettingsFilePath(QFile::encodeName(folder).toStdString()),
                                settings))
    return {};
  return program;
}

// The same 50 files in a folder of their own.
QString CopyOfSources(const QTemporaryDir& root, const QString& name) {
  const QString folder = root.filePath(name);
  if (!QDir().mkpath(folder)) return {};
  for (int i = 1; i <= kPictures; ++i)
    if (!QFile::copy(Sources().filePath(PictureName(i)), folder + '/' + PictureName(i))) return {};
  return folder;
}

double SecondsOf(const std::function<bool()>& run, bool* ok) {
  const auto start = std::chrono::steady_clock::now();
  *ok = run() && *ok;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Goal 3: `velmor --batch` as its own fresh process against one `mogrify` over the same files
// (at least 2 x its pictures per second) and `convert` once per file (at least 5 x), timed in
// the same iteration so that the load of the shared machine falls on all three alike.
void BM_Goal3_FreshProcessBatch(benchmark::State& state) {
  const QString convert = ImageMagickTool(QStringLiteral("convert"));
  const QString mogrify = ImageMagickTool(QStringLiteral("mogrify"));
  if (convert.isEmpty() || mogrify.isEmpty())
    return state.SkipWithError("ImageMagick is not installed");
  QTemporaryDir root;
  const QString program = InstallProgram(root);
  const QString ours = CopyOfSources(root, QStringLiteral("velmor"));
  const QString forMogrify = CopyOfSources(root, QStringLiteral("mogrify"));
  const QString forConvert = CopyOfSources(root, QStringLiteral("convert"));
  if (program.isEmpty() || ours.isEmpty() || forMogrify.isEmpty() || forConvert.isEmpty())
    return state.SkipWithError("cannot lay out the folders");
  const QString mogrifyOut = root.filePath(QStringLiteral("mogrify-out"));
  const QString convertOut = root.filePath(QStringLiteral("convert-out"));
  QStringList mogrifyArguments = {QStringLiteral("-path"), mogrifyOut};
  mogrifyArguments << StampArguments(QStringLiteral("%t"));
  for (int i = 1; i <= kPictures; ++i) mogrifyArguments << forMogrify + '/' + PictureName(i);

  double velmorSeconds = 0, mogrifySeconds = 0, convertSeconds = 0;
  bool ok = true;
  for (auto _ : state) {
    // Every run starts without the outputs of the one before, as a first run does.
    QDir(ours + QStringLiteral("/BENCH")).removeRecursively();
    QDir(mogrifyOut).removeRecursively();
    QDir(convertOut).removeRecursively();
    QDir().mkpath(mogrifyOut);
    QDir().mkpath(convertOut);
    const double v = SecondsOf(
        [&] {
          return Run(program, {QStringLiteral("--batch"), ours});
        },
        &ok);
    const double m = SecondsOf([&] { return Run(mogrify, mogrifyArguments); }, &ok);
    const double c = SecondsOf(
        [&] {
          for (int i = 1; i <= kPictures; ++i) {
            const QString name = PictureName(i);
            QStringList arguments = {forConvert + '/' + name};
            arguments << StampArguments(QFileInfo(name).completeBaseName())
                      << convertOut + '/' + name;
            if (!Run(convert, arguments)) return false;
          }
          return true;
        },
        &ok);
    if (!ok) return state.SkipWithError("a run failed");
    state.SetIterationTime(v);
    velmorSeconds += v;
    mogrifySeconds += m;
    convertSeconds += c;
  }
  if (!QFileInfo::exists(ours + QStringLiteral("/BENCH/50.jpg")))
    return state.SkipWithError("the batch wrote nothing");
  const double n = double(state.iterations()) * kPictures;
  state.counters["velmor/s"] = n / velmorSeconds;
  state.counters["mogrify/s"] = n / mogrifySeconds;
  state.counters["convert/s"] = n / convertSeconds;
  const double overMogrify = mogrifySeconds / velmorSeconds;
  const double overConvert = convertSeconds / velmorSeconds;
  state.counters["x_mogrify"] = overMogrify;
  state.counters["x_convert"] = overConvert;
  state.SetLabel(QStringLiteral("goal 3: velmor --batch %1 x mogrify (at least 2), %2 x convert "
                                "per file (at least 5)")
                     .arg(overMogrify, 0, 'f', 2)
                     .arg(overConvert, 0, 'f', 2)
                     .toStdString());
}

BENCHMARK(BM_Goal3_FreshProcessBatch)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();
BENCHMARK(BM_BatchStampFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BatchStampFolderHeadless)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImageMagickConvertPerFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_ImageMagickMogrifyOneProcess)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
