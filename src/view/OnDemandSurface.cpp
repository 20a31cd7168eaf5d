#include "view/OnDemandSurface.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

namespace velmor {

namespace {
constexpr qsizetype kPage = 4096;

// Memory can be given back a page at a time only where every row starts on a page boundary.
bool PageAligned(const QImage& image) {
  return ::sysconf(_SC_PAGESIZE) == kPage && image.bytesPerLine() % kPage == 0 &&
         reinterpret_cast<uintptr_t>(image.constBits()) % kPage == 0 &&
         qsizetype(OnDemandSurface::kTileWidth) * OnDemandSurface::kTilesPerPage * 4 == kPage;
}
}  // namespace

void OnDemandSurface::Reset(QImage image, bool onDemand, const Residency* carried) {
  image_ = std::move(image);
  onDemand_ = onDemand && !image_.isNull();
  painter_ = nullptr;
  columns_ = onDemand_ ? (image_.width() + kTileWidth - 1) / kTileWidth : 0;
  rows_ = onDemand_ ? (image_.height() + kTileHeight - 1) / kTileHeight : 0;
  states_.assign(size_t(columns_) * size_t(rows_), kDrawn);
  pagesFree_ = onDemand_ && PageAligned(image_);
  residency_.pageColumns = (columns_ + kTilesPerPage - 1) / kTilesPerPage;
  residency_.rows = rows_;
  residency_.pages.assign(size_t(residency_.pageColumns) * size_t(rows_), false);
  if (!carried || !pagesFree_) return;
  for (int row = 0; row < carried->rows; ++row)
    for (int page = 0; page < carried->pageColumns; ++page) {
      if (!carried->pages[size_t(row) * size_t(carried->pageColumns) + size_t(page)]) continue;
      if (row < rows_ && page < residency_.pageColumns) {
        Resident(page, row) = true;
      } else {
        const int y0 = row * kTileHeight;
        GiveBack(page, y0, y0 + kTileHeight);
      }
    }
}

bool OnDemandSurface::TileRange(const QRect& rect, int& c0, int& c1, int& r0, int& r1) const {
  const QRect r = rect & image_.rect();
  if (!onDemand_ || r.isEmpty()) return false;
  c0 = r.left() / kTileWidth, c1 = r.right() / kTileWidth + 1;
  r0 = r.top() / kTileHeight, r1 = r.bottom() / kTileHeight + 1;
  return true;
}

QRect OnDemandSurface::TileBounds(const QRect& rect) const {
  int c0, c1, r0, r1;
  if (!TileRange(rect, c0, c1, r0, r1)) return rect & image_.rect();
  return QRect(c0 * kTileWidth, r0 * kTileHeight, (c1 - c0) * kTileWidth, (r1 - r0) * kTileHeight) &
         image_.rect();
}

void OnDemandSurface::Repaint(Painter painter, const QRect& keep) {
  if (!onDemand_) {
    if (painter) painter(image_, image_.rect());
    return;
  }
  painter_ = std::move(painter);
  for (State& s : states_) s = kUnpainted;
  Release(keep);
}

void OnDemandSurface::Ensure(const QRect& rect) {
  int c0, c1, r0, r1;
  if (!TileRange(rect, c0, c1, r0, r1)) return;
  // Runs of unpainted tiles, row by row; a run that the next row repeats grows downwards, so a
  // large area is painted in few calls (each call goes over every figure).
  std::vector<QRect> parts;
  std::map<std::pair<int, int>, size_t> open;  // run's columns -> its part
  for (int row = r0; row < r1; ++row) {
    std::map<std::pair<int, int>, size_t> next;
    for (int c = c0; c < c1;) {
      if (At(c, row) != kUnpainted) {
        ++c;
        continue;
      }
      const int from = c;
      while (c < c1 && At(c, row) == kUnpainted) {
        At(c, row) = kClean;  // before painting, so that nothing paints it twice
        Resident(c / kTilesPerPage, row) = true;
        ++c;
      }
      const auto key = std::pair{from, c};
      if (auto it = open.find(key); it != open.end()) {
        parts[it->second].setBottom(parts[it->second].bottom() + kTileHeight);
        next[key] = it->second;
      } else {
        next[key] = parts.size();
        parts.emplace_back(from * kTileWidth, row * kTileHeight, (c - from) * kTileWidth,
                           kTileHeight);
      }
    }
    open = std::move(next);
  }
  if (!painter_) return;  // nothing was there to paint: the pixels are what they are
  for (const QRect& part : parts) painter_(image_, part & image_.rect());
}

void OnDemandSurface::Drawn(const QRect& rect) {
  Ensure(rect);
  int c0, c1, r0, r1;
  if (!TileRange(rect, c0, c1, r0, r1)) return;
  for (int row = r0; row < r1; ++row)
    for (int c = c0; c < c1; ++c) At(c, row) = kDrawn;
}

void OnDemandSurface::Painted(const QRect& rect) {
  int c0, c1, r0, r1;
  if (!TileRange(rect, c0, c1, r0, r1)) return;
  for (int row = r0; row < r1; ++row)
    for (int c = c0; c < c1; ++c) {
      At(c, row) = kClean;
      Resident(c / kTilesPerPage, row) = true;
    }
}

void OnDemandSurface::Release(const QRect& keep) {
  if (!onDemand_ || !pagesFree_) return;
  int k0 = 0, k1 = 0, kr0 = 0, kr1 = 0;
  const bool keeping = TileRange(keep, k0, k1, kr0, kr1);
  std::vector<int> pages;
  for (int row = 0; row < rows_; ++row) {
    const bool rowKept = keeping && row >= kr0 && row < kr1;
    pages.clear();
    bool all = true;
    for (int page = 0; page < residency_.pageColumns; ++page) {
      const int c0 = page * kTilesPerPage, c1 = std::min(columns_, c0 + kTilesPerPage);
      bool repaintable = !(rowKept && c0 < k1 && c1 > k0);
      for (int c = c0; c < c1 && repaintable; ++c) repaintable = At(c, row) != kDrawn;
      if (!repaintable) all = false;
      if (repaintable && Resident(page, row)) pages.push_back(page);
    }
    if (pages.empty()) continue;
    const int y0 = row * kTileHeight;
    if (all) {
      GiveBack(-1, y0, y0 + kTileHeight);  // the whole band in one call
    } else {
      for (int page : pages) GiveBack(page, y0, y0 + kTileHeight);
    }
    for (int page : pages) {
      Resident(page, row) = false;
      for (int c = page * kTilesPerPage; c < std::min(columns_, (page + 1) * kTilesPerPage); ++c)
        At(c, row) = kUnpainted;
    }
  }
}

// Page column `pageColumn` of rows y0..y1 - 1, or whole rows when it is -1. The rows may lie
// beyond the surface's height but not beyond its memory, which is as tall as the last surface's.
void OnDemandSurface::GiveBack(int pageColumn, int y0, int y1) {
  auto* bits = const_cast<uchar*>(image_.constBits());  // memory that only this surface uses
  const qsizetype pitch = image_.bytesPerLine();
  if (pageColumn < 0) {
    ::madvise(bits + qsizetype(y0) * pitch, size_t(pitch) * size_t(y1 - y0), MADV_DONTNEED);
    return;
  }
  const qsizetype offset = qsizetype(pageColumn) * kPage;
  if (offset >= pitch) return;
  for (int y = y0; y < y1; ++y)
    ::madvise(bits + qsizetype(y) * pitch + offset, size_t(kPage), MADV_DONTNEED);
}

int64_t OnDemandSurface::UnpaintedTiles() const {
  return std::count(states_.begin(), states_.end(), kUnpainted);
}

}  // namespace velmor
