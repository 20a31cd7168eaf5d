// Any bytes of one picture format (VELMOR_FUZZ_KIND) through the program's picture loader. It
// must refuse them with a reason or give an opaque picture within its limits; the sanitizers
// catch everything else.
#include <QByteArrayView>
#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzLimits.h"
#include "core/formats/PictureFormat.h"
#include "formats/PictureLoader.h"

namespace {

using velmor::platform::PictureKind;
using velmor::platform::PictureLimits;

constexpr PictureKind kKind = PictureKind::VELMOR_FUZZ_KIND;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "picture loader broke its promise: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_LOGGING_RULES", "*=false", 1);
  // Text in metafiles needs fonts, hence a GUI application. Qt keeps its own copy of the
  // arguments so that libFuzzer's flags stay as they are; never destroyed, like a program's.
  static int qtArgc = 1;
  static char* qtArgv[] = {(*argv)[0], nullptr};
  (void)argc;
  static QGuiApplication* app = new QGuiApplication(qtArgc, qtArgv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Another format's fuzzer covers it; keeping it out of this corpus keeps the corpus focused.
  if (velmor::platform::SniffPicture(bytes) != kKind) return -1;

  const PictureLimits limits = velmor::fuzz::PictureFuzzLimits();
  QString error;
  const auto picture = velmor::platform::LoadPictureFromBytes(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(size)), limits, &error);
  if (!picture) {
    Require(!error.isEmpty(), "refused without a reason");
    return 0;
  }
  Require(!picture->isNull(), "null picture");
  Require(picture->format() == QImage::Format_RGB32, "picture not in Format_RGB32");
  Require(static_cast<int64_t>(picture->width()) * picture->height() <= limits.maxPixels,
          "picture over the pixel limit");
  return 0;
}
