// Refusing hostile pictures: the 44-byte PNG whose text chunk claims 2 GiB (alone and inside an
// icon), beside loading a sound 4 x 4 PNG, so a refusal can be seen to cost no more than a load.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "formats/PictureLoader.h"

namespace {

QByteArray Bomb(const char* chunk) {
  return QByteArray::fromHex(
             "89504e470d0a1a0a0000000d494844520000000400000004080200000026930929"
             "7fffffff") +
         chunk + "abc";
}

QByteArray IconHolding(const QByteArray& png) {
  QByteArray ico("\0\0\1\0\1\0\4\4\0\0\1\0\x20\0", 14);
  const uint32_t size = static_cast<uint32_t>(png.size()), offset = 22;
  ico.append(reinterpret_cast<const char*>(&size), 4);
  ico.append(reinterpret_cast<const char*>(&offset), 4);
  return ico + png;
}

void Load(benchmark::State& state, const QByteArray& bytes, bool expectPicture) {
  for (auto _ : state) {
    const auto picture = velmor::platform::LoadPictureFromBytes(bytes);
    if (picture.has_value() != expectPicture) state.SkipWithError("unexpected result");
    benchmark::DoNotOptimize(picture);
  }
}

void BM_TextChunkBomb(benchmark::State& state) {
  Load(state, Bomb("tEXt"), false);
}
void BM_ZtxtChunkBomb(benchmark::State& state) {
  Load(state, Bomb("zTXt"), false);
}
void BM_IconWithChunkBomb(benchmark::State& state) {
  Load(state, IconHolding(Bomb("zTXt")), false);
}
void BM_SoundSmallPng(benchmark::State& state) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  Load(state, png, true);
}

BENCHMARK(BM_TextChunkBomb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZtxtChunkBomb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IconWithChunkBomb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SoundSmallPng)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
