// Saving a 1920 x 1080 canvas at quality 90: DCSavetoJPEG (encode, temporary file, flush,
// rename) beside the bare TurboJPEG encode of the same pixels with the same settings, so the
// cost of the safe file replacement shows apart from the encoder's.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <random>

#include "core/base/FileReplace.h"
#include "formats/JpegWriter.h"

namespace {

constexpr int kQuality = 90;

// A screen-like picture: flat panels, a soft gradient, thin lines and a photo-like noisy patch.
const QImage& Canvas() {
  static const QImage image = [] {
    QImage canvas(1920, 1080, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < canvas.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(y));
      for (int x = 0; x < canvas.width(); ++x) {
        QRgb c = qRgb(236, 236, 236);
        if (y < 40) c = qRgb(40, 70, 140);
        if (x > 300 && x < 1600 && y > 100 && y < 900)
          c = qRgb(x * 255 / 1920, 180, y * 255 / 1080);
        if (x > 1000 && x < 1500 && y > 300 && y < 700) {
          c = qRgb(120 + random() % 60, 100 + random() % 60, 80 + random() % 60);
        }
        if ((x % 97 == 0 || y % 61 == 0) && y >= 40) c = qRgb(20, 20, 20);
        row[x] = c;
      }
    }
    return canvas;
  }();
  return image;
}

void SetPixels(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations());
  state.counters["Mpx"] = Canvas().width() * Canvas().height() / 1e6;
}

void BareEncode(benchmark::State& state, int flags) {
  const QImage& canvas = Canvas();
  tjhandle encoder = tjInitCompress();
  unsigned long bytes = 0;
  for (auto _ : state) {
    unsigned char* jpeg = nullptr;
    bytes = 0;
    if (tjCompress2(encoder, canvas.constBits(), canvas.width(),
                    static_cast<int>(canvas.bytesPerLine()), canvas.height(), TJPF_BGRX, &jpeg,
                    &bytes, TJSAMP_420, kQuality, flags) != 0) {
      state.SkipWithError("tjCompress2 failed");
    }
    benchmark::DoNotOptimize(jpeg);
    tjFree(jpeg);
  }
  tjDestroy(encoder);
  state.counters["KB"] = bytes / 1e3;
  SetPixels(state);
}

void BM_TurboJpegAccurateDct(benchmark::State& state) {
  BareEncode(state, TJFLAG_ACCURATEDCT);
}
void BM_TurboJpegFastDct(benchmark::State& state) {
  BareEncode(state, 0);
}

// Arg 0: a folder on disc beside the build; 1: /dev/shm, where flushing costs nothing.
void BM_DCSavetoJPEG(benchmark::State& state) {
  const QImage& canvas = Canvas();
  QTemporaryDir folder(state.range(0) == 1
                           ? QStringLiteral("/dev/shm/velmor-bench-XXXXXX")
                           : QDir::currentPath() + QStringLiteral("/jpeg-bench-XXXXXX"));
  QByteArray name = QFile::encodeName(folder.filePath(QStringLiteral("canvas.jpg")));
  for (auto _ : state) {
    if (velmor::platform::DCSavetoJPEG(&canvas, canvas.width(), canvas.height(), name.data(),
                                       kQuality, -1) != velmor::platform::kJpegSaved) {
      state.SkipWithError("DCSavetoJPEG failed");
    }
  }
  state.SetLabel(state.range(0) == 1 ? "tmpfs" : "disc");
  SetPixels(state);
}

// The file part alone: the same number of bytes through temporary file, flush and rename.
void BM_ReplaceFileContents(benchmark::State& state) {
  QTemporaryDir folder(state.range(0) == 1
                           ? QStringLiteral("/dev/shm/velmor-bench-XXXXXX")
                           : QDir::currentPath() + QStringLiteral("/jpeg-bench-XXXXXX"));
  const std::string path =
      QFile::encodeName(folder.filePath(QStringLiteral("bytes.jpg"))).toStdString();
  const std::string bytes(270'000, '\x55');
  for (auto _ : state) {
    if (!velmor::platform::ReplaceFileContents(path, bytes)) state.SkipWithError("write failed");
  }
  state.SetLabel(state.range(0) == 1 ? "tmpfs" : "disc");
}

// Goal 4: DCSavetoJPEG to a file on disc against the bare encode plus a plain write of the same
// bytes (open, write, close), both timed in the same loop.
void BM_Goal4_SaveVsEncodeAndWrite(benchmark::State& state) {
  const QImage& canvas = Canvas();
  QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/jpeg-bench-XXXXXX"));
  QByteArray name = QFile::encodeName(folder.filePath(QStringLiteral("canvas.jpg")));
  const QByteArray plain = QFile::encodeName(folder.filePath(QStringLiteral("plain.jpg")));
  tjhandle encoder = tjInitCompress();
  using Clock = std::chrono::steady_clock;
  double saves = 0, bare = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (velmor::platform::DCSavetoJPEG(&canvas, canvas.width(), canvas.height(), name.data(),
                                       kQuality, -1) != velmor::platform::kJpegSaved) {
      state.SkipWithError("DCSavetoJPEG failed");
    }
    const auto t1 = Clock::now();
    unsigned char* jpeg = nullptr;
    unsigned long bytes = 0;
    if (tjCompress2(encoder, canvas.constBits(), canvas.width(),
                    static_cast<int>(canvas.bytesPerLine()), canvas.height(), TJPF_BGRX, &jpeg,
                    &bytes, TJSAMP_420, kQuality, TJFLAG_ACCURATEDCT) != 0) {
      state.SkipWithError("tjCompress2 failed");
    }
    if (std::FILE* f = std::fopen(plain.constData(), "wb")) {
      std::fwrite(jpeg, 1, bytes, f);
      std::fclose(f);
    }
    tjFree(jpeg);
    const auto t2 = Clock::now();
    saves += std::chrono::duration<double>(t1 - t0).count();
    bare += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  tjDestroy(encoder);
  state.counters["save_ms"] = 1e3 * saves / double(state.iterations());
  state.counters["bare_ms"] = 1e3 * bare / double(state.iterations());
  state.counters["ratio"] = bare > 0 ? saves / bare : 0;
  state.SetLabel("goal 4: save on disc / bare encode + plain write, at most 1.2");
}
BENCHMARK(BM_Goal4_SaveVsEncodeAndWrite)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_TurboJpegAccurateDct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurboJpegFastDct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DCSavetoJPEG)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplaceFileContents)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
