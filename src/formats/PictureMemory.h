// Memory for pictures of one size after another (a batch decoding, stamping and encoding a
// folder of screenshots): an image's pixels go back on a shelf when its last copy is gone, and
// the next image of about that size is made on them, so that its pages are already faulted in
// instead of being fresh zeroed ones from the kernel.
#pragma once

#include <QImage>
#include <memory>

namespace velmor::platform {

class PictureMemory {
 public:
  PictureMemory();
  // Images made here stay valid; their memory is freed with the last of them.
  ~PictureMemory();
  PictureMemory(const PictureMemory&) = delete;
  PictureMemory& operator=(const PictureMemory&) = delete;

  // A Format_RGB32 image whose pixels are not set; null when memory runs out. Safe to call from
  // any thread, and the images may be dropped on any thread.
  QImage Image(int width, int height);

  // A copy of the `width` x `height` pixels at the origin of `source` (Format_RGB32) on such
  // memory; null when memory runs out.
  QImage Copy(const QImage& source, int width, int height);

  // How many blocks lie on the shelf now, for tests.
  int Shelved() const;

 private:
  struct Shelf;
  std::shared_ptr<Shelf> shelf_;
};

}  // namespace velmor::platform
