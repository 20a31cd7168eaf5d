// Lines, boxes, ellipses and fills of the canvas, rasterised here rather than by QPainter: whole
// pixels, no anti-aliasing, one touch per pixel, and width-1 lines several times cheaper.
#include "raster/GdiCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "raster/GdiRaster.h"
#include "raster/InkChains.h"

namespace velmor::platform {

using namespace raster;

namespace {
// A raster operation, counted when its outcome depends on what it draws over.
Rop CountedRop(int16_t mode, uint32_t rgb, uint64_t& reads) {
  const Rop rop = Rop::Make(mode, rgb);
  if (rop.c != 0) ++reads;
  return rop;
}
}  // namespace

bool GdiCanvas::Ready() {
  if (surface_ == nullptr || surface_->isNull()) return false;
  const QImage::Format f = surface_->format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied)
    *surface_ = surface_->convertToFormat(QImage::Format_RGB32);
  return true;
}

void GdiCanvas::SetClip(const QImage* surface, const QRect& rect) {
  clipSurface_ = rect.isNull() ? nullptr : surface;
  clip_ = rect;
}

QRect GdiCanvas::DrawableRect() const {
  if (surface_ == nullptr) return {};
  const QRect all = surface_->rect();
  return clipSurface_ == surface_ ? all & clip_ : all;
}

void GdiCanvas::SetTouchHandler(const QImage* surface, TouchHandler handler) {
  touchSurface_ = handler ? surface : nullptr;
  onTouch_ = std::move(handler);
}

void GdiCanvas::Touch(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  if (!onTouch_ || touchSurface_ != surface_ || surface_ == nullptr) return;
  const int64_t w = surface_->width(), h = surface_->height();
  left = std::max<int64_t>(left, 0), top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, w - 1), bottom = std::min<int64_t>(bottom, h - 1);
  if (left > right || top > bottom) return;
  onTouch_(QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom))));
}

void GdiCanvas::CopyStateFrom(const GdiCanvas& other) {
  drawMode_ = other.drawMode_;
  drawStyle_ = other.drawStyle_;
  drawWidth_ = other.drawWidth_;
  foreColor_ = other.foreColor_;
  fillColor_ = other.fillColor_;
  fillStyle_ = other.fillStyle_;
  currentX_ = other.currentX_;
  currentY_ = other.currentY_;
  twipsPerPixel_ = other.twipsPerPixel_;
  fontName_ = other.fontName_;
  fontSize_ = other.fontSize_;
  fontBold_ = other.fontBold_;
  fontItalic_ = other.fontItalic_;
  selected_ = other.selected_;
  selectionStale_ = other.selectionStale_;
}

bool GdiCanvas::SameStateAs(const GdiCanvas& other) const {
  return drawMode_ == other.drawMode_ && drawStyle_ == other.drawStyle_ &&
         drawWidth_ == other.drawWidth_ && foreColor_ == other.foreColor_ &&
         fillColor_ == other.fillColor_ && fillStyle_ == other.fillStyle_ &&
         SameBits(currentX_, other.currentX_) && SameBits(currentY_, other.currentY_) &&
         SameBits(twipsPerPixel_, other.twipsPerPixel_) && fontName_ == other.fontName_ &&
         SameBits(fontSize_, other.fontSize_) && fontBold_ == other.fontBold_ &&
         fontItalic_ == other.fontItalic_ && selected_ == other.selected_ &&
         selectionStale_ == other.selectionStale_;
}

void GdiCanvas::Line(float x1, float y1, float x2, float y2) {
  currentX_ = x2;
  currentY_ = y2;
  const CanvasPoint ends[2] = {{x1, y1}, {x2, y2}};
  PolylineOf(ends, 2);
}

void GdiCanvas::Polyline(const std::vector<CanvasPoint>& points) {
  PolylineOf(points.data(), points.size());
}

void GdiCanvas::PolylineOf(const CanvasPoint* points, size_t count) {
  if (count == 0 || drawStyle_ == kInvisiblePen || !Ready()) return;
  for (size_t k = 0; k < count; ++k)
    if (!Finite({points[k].X, points[k].Y})) return;
  if (onTouch_) {
    int64_t l = Pix(points[0].X), r = l, top = Pix(points[0].Y), bottom = top;
    for (size_t k = 0; k < count; ++k) {
      const CanvasPoint& p = points[k];
      l = std::min(l, Pix(p.X)), r = std::max(r, Pix(p.X));
      top = std::min(top, Pix(p.Y)), bottom = std::max(bottom, Pix(p.Y));
    }
    const int64_t reach = drawWidth_ / 2 + 1;
    Touch(l - reach, top - reach, r + reach, bottom + reach);
  }
  const Target t = TargetOf(*surface_, DrawableRect());
  const Rop rop = CountedRop(drawMode_, foreColor_, destinationReads_);
  if (drawWidth_ > 1 && count <= 2) {  // one capsule: each row once, no merging
    const CanvasPoint& a = points[0];
    const CanvasPoint& b = points[count - 1];
    ForCapsuleSpans(Pix(a.X), Pix(a.Y), Pix(b.X), Pix(b.Y), drawWidth_, t.top, t.bottom,
                    [&](int64_t y, int64_t xa, int64_t xb) { t.Span(y, xa, xb, rop); });
    return;
  }
  if (drawWidth_ > 1) {
    std::vector<RowSpan> spans;
    auto collect = [&spans](int64_t y, int64_t xa, int64_t xb) { spans.push_back({y, xa, xb}); };
    for (size_t k = 0; k + 1 < count || k == 0; ++k) {
      const CanvasPoint& a = points[k];
      const CanvasPoint& b = count > 1 ? points[k + 1] : a;
      ForCapsuleSpans(Pix(a.X), Pix(a.Y), Pix(b.X), Pix(b.Y), drawWidth_, t.top, t.bottom, collect);
    }
    if (count > 2) spans = MergeSpans(std::move(spans));
    for (const RowSpan& s : spans) t.Span(s.y, s.xa, s.xb, rop);
    return;
  }
  const PenPattern pattern(drawStyle_);
  const int64_t fx = Pix(points[0].X), fy = Pix(points[0].Y);
  int64_t base = 0;
  for (size_t k = 0; k + 1 < count || k == 0; ++k) {
    const CanvasPoint& a = points[k];
    const CanvasPoint& b = count > 1 ? points[k + 1] : a;
    const int64_t x0 = Pix(a.X), y0 = Pix(a.Y), x1 = Pix(b.X), y1 = Pix(b.Y);
    const bool closesPath = k > 0 && k + 2 == count && x1 == fx && y1 == fy;
    const int64_t n = std::max(std::llabs(x1 - x0), std::llabs(y1 - y0));
    // ForLinePixels hands only pixels on the target.
    const int64_t skipFirst = k > 0 ? 0 : -1;  // the joint was drawn with the last line
    const int64_t skipLast = closesPath && n > 0 ? n : -1;  // so was the first point
    const uint32_t value = 0xFF000000u | rop.b;
    auto put = [&](int64_t at) {
      uint32_t& p = t.bits[at];
      p = rop.c == 0 ? value : rop(p);
    };
    if (pattern.Solid()) {
      ForLineOffsets(x0, y0, x1, y1, t, [&](int64_t at, int64_t i) {
        if (i != skipFirst && i != skipLast) put(at);
      });
    } else {
      // The pattern's phase follows the index, which moves by one a pixel, either way.
      int phase = -1;
      int64_t last = 0;
      ForLineOffsets(x0, y0, x1, y1, t, [&](int64_t at, int64_t i) {
        if (phase < 0) {
          phase = int((base + i) % PenPattern::kPeriod);
        } else {
          phase += int(i - last);
          phase = phase == PenPattern::kPeriod ? 0 : phase < 0 ? PenPattern::kPeriod - 1 : phase;
        }
        last = i;
        if (i != skipFirst && i != skipLast && pattern.OnAt(phase)) put(at);
      });
    }
    base += n;
  }
}

void GdiCanvas::Box(float x1, float y1, float x2, float y2) {
  currentX_ = x2;
  currentY_ = y2;
  if (!Finite({x1, y1, x2, y2}) || !Ready()) return;
  const Target t = TargetOf(*surface_, DrawableRect());
  const int64_t l = std::min(Pix(x1), Pix(x2)), r = std::max(Pix(x1), Pix(x2));
  const int64_t top = std::min(Pix(y1), Pix(y2)), bottom = std::max(Pix(y1), Pix(y2));
  const Rop pen = CountedRop(drawMode_, foreColor_, destinationReads_);
  const Brush brush{fillStyle_, CountedRop(drawMode_, fillColor_, destinationReads_)};
  const bool penVisible = drawStyle_ != kInvisiblePen;
  const int width = std::max<int>(drawWidth_, 1);
  // The pen covers `before` pixels outside each edge and `after` inside it.
  const int64_t before = width / 2, after = (width - 1) / 2;
  const int64_t inL = l + after + 1, inR = r - before - 1;
  const int64_t inT = top + after + 1, inB = bottom - before - 1;
  Touch(l - before, top - before, r + after, bottom + after);
  if (brush.Paints())
    for (int64_t y = std::max<int64_t>(inT, t.top); y <= std::min<int64_t>(inB, t.bottom - 1); ++y)
      brush.Span(t, y, inL, inR);
  if (!penVisible) return;
  const PenPattern pattern(width == 1 ? drawStyle_ : kSolid);
  if (!pattern.Solid()) {
    // Clockwise from the top-left corner, each pixel once; only the visible ones are visited.
    const int64_t across = r - l, down = bottom - top;
    // Pixels lo..hi of one side, k having the index base + sign * (k - origin); a side along a
    // row off the target is skipped whole.
    auto side = [&](int64_t lo, int64_t hi, int64_t from, int64_t to, int64_t base, int64_t origin,
                    int64_t sign, auto&& at) {
      for (int64_t k = std::max(lo, from); k <= std::min(hi, to - 1); ++k)
        if (pattern.On(base + sign * (k - origin))) at(k);
    };
    const bool topSeen = top >= t.top && top < t.bottom;
    const bool bottomSeen = bottom >= t.top && bottom < t.bottom;
    const bool leftSeen = l >= t.left && l < t.right, rightSeen = r >= t.left && r < t.right;
    if (topSeen)
      side(l, r, t.left, t.right, 0, l, 1, [&](int64_t x) { t.PixelInside(x, top, pen); });
    if (rightSeen)
      side(top + 1, bottom, t.top, t.bottom, across + 1, top + 1, 1,
           [&](int64_t y) { t.PixelInside(r, y, pen); });
    if (down > 0 && bottomSeen)
      side(l, r - 1, t.left, t.right, across + 1 + down, r - 1, -1,
           [&](int64_t x) { t.PixelInside(x, bottom, pen); });
    if (across > 0 && leftSeen)
      side(top + 1, bottom - 1, t.top, t.bottom, 2 * across + 1 + down, bottom - 1, -1,
           [&](int64_t y) { t.PixelInside(l, y, pen); });
    return;
  }
  const int64_t outT = top - before, outB = bottom + after;
  for (int64_t y = std::max<int64_t>(outT, t.top); y <= std::min<int64_t>(outB, t.bottom - 1);
       ++y) {
    if (y >= inT && y <= inB && inL <= inR) {
      t.Span(y, l - before, inL - 1, pen);
      t.Span(y, inR + 1, r + after, pen);
    } else {
      t.Span(y, l - before, r + after, pen);
    }
  }
}

void GdiCanvas::Circle(float cx, float cy, float radius, float aspect) {
  currentX_ = cx;
  currentY_ = cy;
  if (!Finite({cx, cy, radius, aspect}) || !Ready()) return;
  const Target t = TargetOf(*surface_, DrawableRect());
  const double r = std::fabs(double(radius)), a = std::fabs(double(aspect));
  const double rxExact = a < 1 ? r : r / a, ryExact = a < 1 ? r * a : r;
  const int64_t x0 = Pix(cx), y0 = Pix(cy);
  const double rx = double(Pix(rxExact)), ry = double(Pix(ryExact));
  const int width = std::max<int>(drawWidth_, 1);
  const double h = (width - 1) / 2.0;
  // Pixel centres within the ellipse through the middle of the pen's outer and inner edges.
  const double ox = rx + 0.5 + h, oy = ry + 0.5 + h, ix = rx + 0.5 - h, iy = ry + 0.5 - h;
  const auto reachX = int64_t(std::ceil(ox)) + 1, reachY = int64_t(std::ceil(oy)) + 1;
  Touch(x0 - reachX, y0 - reachY, x0 + reachX, y0 + reachY);
  // Nothing of it on the target: not even a styled outline need be walked.
  if (x0 + reachX < t.left || x0 - reachX >= t.right || y0 + reachY < t.top ||
      y0 - reachY >= t.bottom)
    return;
  const Rop pen = CountedRop(drawMode_, foreColor_, destinationReads_);
  const Brush brush{fillStyle_, CountedRop(drawMode_, fillColor_, destinationReads_)};
  const PenPattern pattern(width == 1 ? drawStyle_ : kSolid);
  const bool penVisible = drawStyle_ != kInvisiblePen;
  const int64_t rows = int64_t(std::floor(oy));
  const int64_t dyFirst = std::max(-rows, t.top - y0), dyLast = std::min(rows, t.bottom - 1 - y0);
  const bool styled = penVisible && !pattern.Solid();
  // A styled outline is walked whole so that its pattern does not depend on what is visible,
  // unless it is too large to walk.
  const bool walkWhole = styled && rows <= 100000;
  const int64_t first = walkWhole ? -rows : dyFirst, last = walkWhole ? rows : dyLast;
  if (first > last) return;
  // Half widths of the outer and inner ellipses on rows first - 1 to last + 1; a row and its
  // mirror image have the same, so they are worked out by the distance from the centre row.
  const int64_t nearest =
      first - 1 <= 0 && last + 1 >= 0 ? 0 : std::min(std::llabs(first - 1), std::llabs(last + 1));
  const int64_t farthest = std::max(std::llabs(first - 1), std::llabs(last + 1));
  std::vector<int64_t>& outerHalf = scratch_->outerHalf;
  std::vector<int64_t>& innerHalf = scratch_->innerHalf;
  outerHalf.resize(size_t(farthest - nearest + 1));
  innerHalf.resize(outerHalf.size());
  const bool thin = ix == ox && iy == oy;
  HalfWidths(ox, oy, nearest, outerHalf.data(), outerHalf.size());
  if (thin)
    innerHalf = outerHalf;
  else
    HalfWidths(ix, iy, nearest, innerHalf.data(), innerHalf.size());
  auto halfAt = [&](const std::vector<int64_t>& half, int64_t dy) {
    return half[size_t(std::llabs(dy) - nearest)];
  };
  auto outerAt = [&](int64_t dy) { return halfAt(outerHalf, dy); };
  auto innerAt = [&](int64_t dy) {  // pixels whose four neighbours are all inside
    return std::min(
        {halfAt(innerHalf, dy) - 1, halfAt(innerHalf, dy - 1), halfAt(innerHalf, dy + 1)});
  };
  for (int64_t dy = std::max(first, dyFirst); dy <= std::min(last, dyLast); ++dy) {
    const int64_t y = y0 + dy;
    const int64_t outer = outerAt(dy), inner = innerAt(dy);
    if (brush.Paints() && inner >= 0) brush.Span(t, y, x0 - inner, x0 + inner);
    if (!penVisible || outer < 0 || styled) continue;
    if (inner < 0) {
      t.Span(y, x0 - outer, x0 + outer, pen);
    } else {
      t.Span(y, x0 - outer, x0 - inner - 1, pen);
      t.Span(y, x0 + inner + 1, x0 + outer, pen);
    }
  }
  if (!styled) return;
  // The styled outline is one pixel wide: walk it counterclockwise from its rightmost point, a
  // quarter at a time, so that the pattern runs along it. The right half is dx > 0.
  int64_t index = 0;
  // The pixels dx = from, from + step, ... to of row dy.
  auto walk = [&](int64_t dy, int64_t from, int64_t to, int64_t step) {
    const int64_t count = (to - from) * step + 1;
    if (count <= 0) return;
    const int64_t y = y0 + dy;
    if (y >= t.top && y < t.bottom) {
      int64_t lo = x0 + std::min(from, to), hi = x0 + std::max(from, to);
      lo = std::max<int64_t>(lo, t.left);
      hi = std::min<int64_t>(hi, t.right - 1);
      for (int64_t x = lo; x <= hi; ++x)
        if (pattern.On(index + (x - x0 - from) * step)) t.Pixel(x, y, pen);
    }
    index += count;
  };
  auto right = [&](int64_t dy, bool outward) {
    const int64_t o = outerAt(dy), i = innerAt(dy);
    if (o < 0) return;
    const int64_t near = std::max<int64_t>(i, 0) + 1;
    outward ? walk(dy, near, o, 1) : walk(dy, o, near, -1);
  };
  auto left = [&](int64_t dy, bool outward) {
    const int64_t o = outerAt(dy), i = innerAt(dy);
    if (o < 0) return;
    const int64_t near = i >= 0 ? -i - 1 : 0;
    outward ? walk(dy, near, -o, -1) : walk(dy, -o, near, 1);
  };
  for (int64_t dy = std::min<int64_t>(0, last); dy >= first; --dy) right(dy, false);
  for (int64_t dy = first; dy <= std::min<int64_t>(0, last); ++dy) left(dy, true);
  for (int64_t dy = std::max<int64_t>(1, first); dy <= last; ++dy) left(dy, false);
  for (int64_t dy = last; dy >= std::max<int64_t>(1, first); --dy) right(dy, true);
}

void GdiCanvas::FillPolygon(const std::vector<CanvasPoint>& points) {
  const Brush brush{fillStyle_, CountedRop(drawMode_, fillColor_, destinationReads_)};
  if (points.size() < 3 || !brush.Paints() || !Ready()) return;
  for (const CanvasPoint& p : points)
    if (!Finite({p.X, p.Y})) return;
  const Target t = TargetOf(*surface_, DrawableRect());
  Scratch& s = *scratch_;
  auto& v = s.vertices;  // whole-pixel vertices
  v.clear();
  for (const CanvasPoint& p : points) v.emplace_back(Pix(p.X), Pix(p.Y));
  int64_t yMin = v[0].second, yMax = yMin;
  for (const auto& p : v) yMin = std::min(yMin, p.second), yMax = std::max(yMax, p.second);
  int64_t l = v[0].first, r = l;
  for (const auto& p : v) l = std::min(l, p.first), r = std::max(r, p.first);
  Touch(l - 1, yMin - 1, r + 1, yMax + 1);
  yMin = std::max<int64_t>(yMin, t.top);
  yMax = std::min<int64_t>(yMax, t.bottom - 1);
  if (yMin > yMax || r < t.left || l >= t.right) return;
  // The outline's own pixels are left alone: each edge has one run of them on a row. Pixel
  // centres are inside by the even-odd rule, edges counted half-open in y. Each edge is walked
  // down from the first row it is seen on.
  auto& edges = s.edges;
  auto& wallStart = s.wallStart;
  auto& crossStart = s.crossStart;
  edges.clear(), wallStart.clear(), crossStart.clear();
  for (size_t k = 0; k < v.size(); ++k) {
    const auto& a = v[k];
    const auto& b = v[k + 1 == v.size() ? 0 : k + 1];
    PolygonEdge& e = edges.emplace_back(a.first, a.second, b.first, b.second);
    wallStart.push_back(std::max(e.wallTop, yMin));
    crossStart.push_back(std::max(e.crossTop, yMin));
    e.StartWalls(wallStart.back());
    if (e.crossTop < e.crossBottom) e.StartCrossings(crossStart.back());
  }
  auto& crossings = s.crossings;
  auto& walls = s.walls;
  for (int64_t y = yMin; y <= yMax; ++y) {
    crossings.clear();
    walls.clear();
    for (size_t k = 0; k < edges.size(); ++k) {
      PolygonEdge& e = edges[k];
      int64_t xa = 0, xb = 0;
      if (y >= wallStart[k] && y <= e.wallBottom && e.NextWall(xa, xb)) walls.emplace_back(xa, xb);
      if (y >= crossStart[k] && y < e.crossBottom) {
        e.NextCrossing(xa, xb);
        crossings.push_back({xa + xb, xa, xb});
      }
    }
    // A handful each: insertion sorts.
    for (size_t i = 1; i < crossings.size(); ++i)
      for (size_t j = i; j > 0 && crossings[j].key < crossings[j - 1].key; --j)
        std::swap(crossings[j], crossings[j - 1]);
    for (size_t i = 1; i < walls.size(); ++i)
      for (size_t j = i; j > 0 && walls[j] < walls[j - 1]; --j) std::swap(walls[j], walls[j - 1]);
    auto wall = walls.begin();
    for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
      int64_t x = std::max<int64_t>(crossings[k].ceil, t.left);
      const int64_t xb = std::min<int64_t>(crossings[k + 1].floor, t.right - 1);
      while (x <= xb) {
        while (wall != walls.end() && wall->second < x) ++wall;
        if (wall == walls.end() || wall->first > xb) {
          brush.Span(t, y, x, xb);
          break;
        }
        brush.Span(t, y, x, wall->first - 1);
        x = std::max(x, wall->second + 1);
      }
    }
  }
}

void GdiCanvas::MultiplyPolygon(const std::vector<CanvasPoint>& points, uint32_t rgb) {
  if (inkChains_ == nullptr) ++destinationReads_;
  if (points.size() < 3 || !Ready()) return;
  for (const CanvasPoint& p : points)
    if (!Finite({p.X, p.Y})) return;
  const Target t = TargetOf(*surface_, DrawableRect());
  auto clamped = [](double v) { return std::clamp(v, double(-kCoordLimit), double(kCoordLimit)); };
  double top = points[0].Y, bottom = top;
  for (const CanvasPoint& p : points) {
    top = std::min<double>(top, p.Y);
    bottom = std::max<double>(bottom, p.Y);
  }
  {
    double l = points[0].X, r = l;
    for (const CanvasPoint& p : points) l = std::min<double>(l, p.X), r = std::max<double>(r, p.X);
    Touch(int64_t(std::floor(clamped(l))) - 1, int64_t(std::floor(clamped(top))) - 1,
          int64_t(std::ceil(clamped(r))) + 1, int64_t(std::ceil(clamped(bottom))) + 1);
  }
  const int64_t yFirst = std::max<int64_t>(int64_t(std::floor(clamped(top))), t.top);
  const int64_t yLast = std::min<int64_t>(int64_t(std::ceil(clamped(bottom))), t.bottom - 1);
  // Per channel: the product of 0..255 by the factor, rounded.
  std::array<std::array<uint8_t, 256>, 3> table{};
  for (int c = 0; c < 3; ++c) {
    const uint32_t factor = (rgb >> (8 * c)) & 0xFFu;
    for (uint32_t v = 0; v < 256; ++v) table[c][v] = uint8_t((v * factor + 127) / 255);
  }
  // On a layer of ink: the sequence each sequence becomes, found once.
  std::array<int16_t, 256> chainAfter;
  chainAfter.fill(-1);
  std::vector<double> cross;
  for (int64_t y = yFirst; y <= yLast; ++y) {
    const double cy = double(y) + 0.5;
    cross.clear();
    for (size_t k = 0; k < points.size(); ++k) {
      const CanvasPoint& a = points[k];
      const CanvasPoint& b = points[(k + 1) % points.size()];
      const double ay = a.Y, by = b.Y;
      // Edges counted half-open in y, so a row through a vertex crosses once.
      if ((ay <= cy) == (by <= cy)) continue;
      cross.push_back(double(a.X) + (cy - ay) * (double(b.X) - double(a.X)) / (by - ay));
    }
    std::sort(cross.begin(), cross.end());
    uint32_t* row = t.Row(y);
    for (size_t k = 0; k + 1 < cross.size(); k += 2) {
      // Pixels whose centres x + 0.5 lie in [cross[k], cross[k + 1]).
      const int64_t xa = std::max<int64_t>(int64_t(std::ceil(clamped(cross[k]) - 0.5)), t.left);
      const int64_t xb =
          std::min<int64_t>(int64_t(std::ceil(clamped(cross[k + 1]) - 0.5)) - 1, t.right - 1);
      for (int64_t x = xa; x <= xb; ++x) {
        const uint32_t p = row[x];
        if (inkChains_ != nullptr && (p >> 24) != 0xFFu) {
          int16_t& then = chainAfter[p >> 24];
          if (then < 0) then = inkChains_->Then(uint8_t(p >> 24), rgb);
          row[x] = uint32_t(then) << 24;
          continue;
        }
        row[x] = (p & 0xFF000000u) | uint32_t(table[0][(p >> 16) & 0xFFu]) << 16 |
                 uint32_t(table[1][(p >> 8) & 0xFFu]) << 8 | table[2][p & 0xFFu];
      }
    }
  }
}

}  // namespace velmor::platform
