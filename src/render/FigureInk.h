// The figures' ink kept from one refresh to the next. The stored figures give every pixel they
// write a colour of its own (a plain pen, a mosaic's block), or multiply it (a highlighter): what
// they leave on a surface is a function of what was under it, drawn once on a layer the size of
// the surface (InkChains holds the multiplies) and laid over every later refresh drawn from
// exactly the same figures, zoom, settings, screen scale, surface, drawable area and picture.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"
#include "core/settings/Settings.h"
#include "raster/GdiCanvas.h"
#include "raster/InkChains.h"

namespace velmor {

// Everything a refresh's pixels are drawn from, but for the shared state (which only the state
// the refresh leaves behind depends on).
struct InkSource {
  const FigureTable& figures;
  int count = 0;  // rows 1 to count are drawn
  int16_t zoomPercent = 100;
  const Settings& settings;
  double twipsPerPixel = 15;
  QSize surfaceSize;
  QImage::Format format = QImage::Format_RGB32;
  QRect area;  // the drawable area
  const QImage* picture = nullptr;
};

// The state a refresh reads and leaves: the canvas's drawing state and the shared structs.
struct RefreshState {
  platform::GdiCanvas& canvas;
  WorkArea& work;
  DragState& drag;
  PanelState& panel;
  TextState& text;
};

class FigureInk {
 public:
  // Whether a layer for `source` is worth drawing: none of its figures makes its pixels from
  // those under it, and the layer is not too large to keep.
  static bool Worth(const InkSource& source);
  // Whether the ink kept was drawn from exactly `source`.
  bool Holds(const InkSource& source) const;
  // Whether the last refresh asked about seemingly had the same source (by a digest of the
  // figures, zoom, scale, surface, area and picture), noting this one's. A refresh after an edit
  // is drawn as it always was; the ink is worth keeping once a refresh comes again unchanged.
  bool SameAsLastSeen(const InkSource& source);
  // Makes SameAsLastSeen false for the source it last saw, whose ink could not be kept.
  void RefuseLastSeen();

  // Starts the layer for `source`, returning it: the size and format of the surface, its pixels
  // left as they are (Clear readies them a part at a time). The ink kept before is gone.
  QImage& Start(const InkSource& source);
  // Makes `part` of the layer as nothing has been drawn there; safe from several threads for
  // parts that do not overlap.
  void Clear(const QRect& part);
  // Notes a rectangle the figures may write (on the calling thread, while the layer is drawn).
  void Reach(const QRect& rect);
  // The multiplies of the layer being drawn, for the canvases that draw it.
  platform::InkChains* Chains() { return &chains_; }
  // Keeps the layer drawn since Start; false, keeping nothing, when it could not be recorded.
  bool Finish();
  // Forgets the ink kept, keeping the layer's memory for the next.
  void Forget();
  // Lets the layer go.
  void Drop();

  // Lays the ink over `part` of a surface of the layer's size (its pixels and bytes a row):
  // each pixel the figures wrote takes their colour, the others are left alone. Safe from
  // several threads for parts that do not overlap.
  void LayOver(uchar* bits, qsizetype bytesPerLine, const QRect& part) const;

  // The state the last refresh with this ink started from and the state it left: when a refresh
  // starts from the same, it leaves the same.
  void KeepStates(const RefreshState& start, const RefreshState& end);
  bool StartsFrom(const RefreshState& state) const;
  void LeaveEnd(const RefreshState& state) const;

 private:
  struct Shared {
    platform::GdiCanvas canvas;
    WorkArea work;
    DragState drag;
    PanelState panel;
    TextState text;
  };
  static void Save(const RefreshState& from, Shared& to);

  bool held_ = false;
  bool seen_ = false;
  uint64_t lastSeen_ = 0;
  bool refused_ = false;
  uint64_t refusedDigest_ = 0;
  // The source, as compared by Holds.
  std::vector<std::array<TaggedValue, fig::kColumns>> rows_;
  int16_t zoomPercent_ = 0;
  Settings settings_;
  double twipsPerPixel_ = 0;
  QSize surfaceSize_;
  QImage::Format format_ = QImage::Format_Invalid;
  QRect area_;
  bool hasPicture_ = false;
  qint64 pictureKey_ = 0;

  QImage layer_;
  platform::InkChains chains_;
  uchar* layerBits_ = nullptr;
  // Columns of each row of the area that the figures may have written: [first, second].
  std::vector<std::pair<int, int>> reach_;
  bool statesKept_ = false;
  Shared start_, end_;
};

}  // namespace velmor
