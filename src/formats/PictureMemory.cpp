#include "formats/PictureMemory.h"

#include <sys/mman.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace velmor::platform {

namespace {

// A pipeline holds a few pictures at once; more blocks than this on the shelf are given back.
constexpr size_t kShelfBlocks = 6;

struct Block {
  void* bits = nullptr;
  size_t bytes = 0;
};

Block Map(size_t bytes) {
  void* bits = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (bits == MAP_FAILED) return {};
#ifdef MADV_HUGEPAGE
  // Fewer faults on the first touch of a large picture.
  if (bytes >= (size_t{8} << 20)) ::madvise(bits, bytes, MADV_HUGEPAGE);
#endif
  return {bits, bytes};
}

void Unmap(const Block& block) {
  if (block.bits) ::munmap(block.bits, block.bytes);
}

}  // namespace

struct PictureMemory::Shelf {
  // What an image made on a block carries to give the block back.
  struct Loan {
    std::shared_ptr<Shelf> shelf;
    Block block;
  };

  mutable std::mutex guard;
  std::vector<Block> blocks;

  ~Shelf() {
    for (const Block& block : blocks) Unmap(block);
  }

  // A block of at least `bytes` and not more than twice that, so that a small picture does not
  // pin a large block.
  Block Take(size_t bytes) {
    {
      const std::lock_guard<std::mutex> lock(guard);
      for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].bytes >= bytes && blocks[i].bytes <= 2 * bytes) {
          const Block block = blocks[i];
          blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(i));
          return block;
        }
      }
    }
    return Map(bytes);
  }

  void Give(const Block& block) {
    {
      const std::lock_guard<std::mutex> lock(guard);
      if (blocks.size() < kShelfBlocks) {
        blocks.push_back(block);
        return;
      }
    }
    Unmap(block);
  }
};

PictureMemory::PictureMemory() : shelf_(std::make_shared<Shelf>()) {}

PictureMemory::~PictureMemory() = default;

QImage PictureMemory::Image(int width, int height) {
  if (width < 1 || height < 1) return {};
  const qsizetype pitch = qsizetype(width) * 4;
  const size_t bytes = size_t(pitch) * size_t(height);
  const Block block = shelf_->Take(bytes);
  if (!block.bits) return {};
  auto* loan = new Shelf::Loan{shelf_, block};
  return QImage(
      static_cast<uchar*>(block.bits), width, height, pitch, QImage::Format_RGB32,
      [](void* info) {
        auto* loan = static_cast<Shelf::Loan*>(info);
        loan->shelf->Give(loan->block);
        delete loan;
      },
      loan);
}

QImage PictureMemory::Copy(const QImage& source, int width, int height) {
  QImage copy = Image(width, height);
  if (copy.isNull()) return copy;
  const size_t rowBytes = size_t(width) * 4;
  for (int y = 0; y < height; ++y) std::memcpy(copy.scanLine(y), source.constScanLine(y), rowBytes);
  return copy;
}

int PictureMemory::Shelved() const {
  const std::lock_guard<std::mutex> lock(shelf_->guard);
  return static_cast<int>(shelf_->blocks.size());
}

}  // namespace velmor::platform
