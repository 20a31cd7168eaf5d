// A drawing surface too large to paint whole at every refresh. It is cut into tiles, and a tile
// is painted by the refresh's painter only when it is first shown, drawn on or read, so the
// memory in use follows what the viewport shows rather than the zoom. A tile that the painter
// can paint again (nothing drawn on it since) may be given back to the system while out of view.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <vector>

namespace velmor {

class OnDemandSurface {
 public:
  // A tile is a quarter of a memory page wide on surfaces whose rows start on page boundaries:
  // four tiles side by side share their pages, so memory is given back four tiles at a time.
  static constexpr int kTileWidth = 256, kTileHeight = 64;
  static constexpr int kTilesPerPage = 4;

  // Paints `part` (surface pixels, within the surface) as the last refresh would have.
  using Painter = std::function<void(QImage& surface, const QRect& part)>;

  QImage& Image() { return image_; }
  const QImage& Image() const { return image_; }

  // Which pages of the memory under an on-demand surface may be in use, by page column and
  // tile row: the same memory laid out the same way can be handed on to the next surface.
  struct Residency {
    int pageColumns = 0, rows = 0;
    std::vector<bool> pages;
  };
  // A new surface. Painted on demand or not, every pixel of it is what it holds now (nothing is
  // to be painted yet); `onDemand` lets later repaints be deferred. The memory of an on-demand
  // surface is fresh, or the last one's with the same row pitch and `carried` its residency,
  // whose pages beyond the new surface are given back.
  void Reset(QImage image, bool onDemand, const Residency* carried = nullptr);
  Residency TakeResidency() const { return residency_; }
  bool OnDemand() const { return onDemand_; }

  // A refresh: every tile becomes the painter's to paint when needed, and the tiles that hold
  // memory outside `keep` give it back. Without on-demand painting the painter paints all now.
  void Repaint(Painter painter, const QRect& keep);
  // The painter's tiles within `rect` painted now.
  void Ensure(const QRect& rect);
  void EnsureAll() { Ensure(image_.rect()); }
  // The tiles within `rect` painted and then kept as they are: something is about to be drawn
  // on them that the painter does not know of.
  void Drawn(const QRect& rect);
  // The tiles within `rect` counted as painted by the caller, who paints them right away.
  void Painted(const QRect& rect);
  // Tiles outside `keep` that the painter can paint again give their memory back.
  void Release(const QRect& keep);

  // The tile-aligned rectangle around `rect`, within the surface.
  QRect TileBounds(const QRect& rect) const;
  // How many tiles the painter still has to paint (for tests and measures).
  int64_t UnpaintedTiles() const;

 private:
  enum State : uint8_t { kUnpainted, kClean, kDrawn };
  State& At(int column, int row) {
    return states_[size_t(row) * size_t(columns_) + size_t(column)];
  }
  // Tile columns and rows covering `rect`, as [c0, c1) x [r0, r1).
  bool TileRange(const QRect& rect, int& c0, int& c1, int& r0, int& r1) const;
  std::vector<bool>::reference Resident(int pageColumn, int row) {
    return residency_.pages[size_t(row) * size_t(residency_.pageColumns) + size_t(pageColumn)];
  }
  void GiveBack(int pageColumn, int y0, int y1);

  QImage image_;
  bool onDemand_ = false;
  int columns_ = 0, rows_ = 0;
  std::vector<State> states_;
  Residency residency_;
  bool pagesFree_ = false;  // whether the memory can be given back at all
  Painter painter_;
};

}  // namespace velmor
