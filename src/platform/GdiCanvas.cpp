// Lines, boxes, ellipses and fills of the canvas, rasterised here rather than by QPainter: whole
// pixels, no anti-aliasing, one touch per pixel, and width-1 lines several times cheaper.
#include "platform/GdiCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <tuple>

#include "settings/NumberRules.h"

namespace velmor::platform {

namespace {

// Far enough outside any surface, small enough that the line arithmetic stays in 64 bits.
constexpr int64_t kCoordLimit = int64_t{1} << 29;

int64_t Pix(double v) {
  return static_cast<int64_t>(
      std::clamp(RoundHalfEven(v), double(-kCoordLimit), double(kCoordLimit)));
}

bool Finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
  return -FloorDiv(-a, b);
}

uint32_t ToArgb(uint32_t rgb) {
  return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

// A binary raster operation with a fixed pen colour, reduced to out = b ^ (dst & c).
struct Rop {
  uint32_t b = 0, c = 0;
  static Rop Make(int mode, uint32_t rgb) {
    if (mode < 1 || mode > 16) mode = kCopyPen;
    const unsigned t = static_cast<unsigned>(mode - 1);  // truth table over (pen, dst) bits
    const uint32_t p = ToArgb(rgb) & 0xFFFFFFu, np = ~p & 0xFFFFFFu;
    auto m = [t](unsigned bit) { return (t >> bit) & 1u ? 0xFFFFFFu : 0u; };
    const uint32_t whenDstSet = (np & m(1)) | (p & m(3));
    const uint32_t whenDstClear = (np & m(0)) | (p & m(2));
    return {whenDstClear, whenDstSet ^ whenDstClear};
  }
  uint32_t operator()(uint32_t d) const { return 0xFF000000u | ((b ^ (d & c)) & 0xFFFFFFu); }
};

struct Target {
  uint32_t* bits;
  int64_t stride;  // in pixels
  int w, h;
  uint32_t* Row(int64_t y) const { return bits + y * stride; }
  void Pixel(int64_t x, int64_t y, const Rop& rop) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    uint32_t& p = Row(y)[x];
    p = rop.c == 0 ? 0xFF000000u | rop.b : rop(p);  // no read where the picture cannot matter
  }
  void Span(int64_t y, int64_t xa, int64_t xb, const Rop& rop) const {
    if (y < 0 || y >= h) return;
    xa = std::max<int64_t>(xa, 0);
    xb = std::min<int64_t>(xb, w - 1);
    if (xa > xb) return;
    uint32_t* p = Row(y) + xa;
    uint32_t* end = Row(y) + xb + 1;
    if (rop.c == 0) {
      std::fill(p, end, 0xFF000000u | rop.b);
    } else {
      for (; p != end; ++p) *p = rop(*p);
    }
  }
  // Every `step`-th pixel of the span from the first x congruent to `phase`.
  void Every(int64_t y, int64_t xa, int64_t xb, int64_t phase, const Rop& rop) const {
    if (y < 0 || y >= h) return;
    xa = std::max<int64_t>(xa, 0);
    xb = std::min<int64_t>(xb, w - 1);
    uint32_t* row = Row(y);
    const int64_t from = xa + ((phase - xa) & 7);
    if (rop.c == 0) {
      for (int64_t x = from; x <= xb; x += 8) row[x] = 0xFF000000u | rop.b;
    } else {
      for (int64_t x = from; x <= xb; x += 8) row[x] = rop(row[x]);
    }
  }
};

// The canvas brush: colour, fill style and draw mode.
struct Brush {
  int16_t style;
  Rop rop;
  void Span(const Target& t, int64_t y, int64_t xa, int64_t xb) const {
    if (xa > xb) return;
    switch (style) {
      case kFillSolid:
        t.Span(y, xa, xb, rop);
        break;
      case kFillHorizontal:
        if ((y & 7) == 0) t.Span(y, xa, xb, rop);
        break;
      case kFillVertical:
        t.Every(y, xa, xb, 0, rop);
        break;
      case kFillUpwardDiagonal:
        t.Every(y, xa, xb, -y, rop);
        break;
      case kFillDownwardDiagonal:
        t.Every(y, xa, xb, y, rop);
        break;
      case kFillCross:
        if ((y & 7) == 0)
          t.Span(y, xa, xb, rop);
        else
          t.Every(y, xa, xb, 0, rop);
        break;
      case kFillDiagonalCross:
        t.Every(y, xa, xb, -y, rop);
        if (((-y - y) & 7) != 0) t.Every(y, xa, xb, y, rop);
        break;
      default:  // none, or a style the canvas does not know
        break;
    }
  }
  bool Paints() const { return style == kFillSolid || (style >= 2 && style <= 7); }
};

// On/off pattern of a cosmetic pen, as long as the device's: dash 18-6, dot 3-3, dash-dot
// 9-6-3-6, dash-dot-dot 9-3-3-3-3-3.
class PenPattern {
 public:
  explicit PenPattern(int16_t style) {
    static constexpr std::array<std::array<int, 6>, 5> kRuns = {{{24, 0, 0, 0, 0, 0},
                                                                 {18, 6, 0, 0, 0, 0},
                                                                 {3, 3, 0, 0, 0, 0},
                                                                 {9, 6, 3, 6, 0, 0},
                                                                 {9, 3, 3, 3, 3, 3}}};
    solid_ = style < kDash || style > kDashDotDot;
    if (solid_) return;
    int i = 0;
    bool on = true;
    for (int run : kRuns[style]) {
      for (int k = 0; k < run; ++k) on_[i++] = on;
      on = !on;
    }
    period_ = i;
  }
  bool Solid() const { return solid_; }
  bool On(int64_t index) const { return solid_ || on_[index % period_]; }

 private:
  bool solid_ = true;
  int period_ = 24;
  std::array<bool, 24> on_{};
};

// The pixels of the line from (x0, y0) to (x1, y1), both ends included: step i along the longer
// (major) axis moves the shorter (minor) one by m(i) = floor((2 i db + n) / 2n), n and db being
// the two extents. The line is laid out with the major coordinate increasing, so its pixels do
// not depend on the direction in which it is drawn.
struct LineSteps {
  bool xMajor, reversed;
  int64_t a0, b0, n, db, sb;

  LineSteps(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
      : xMajor(std::llabs(x1 - x0) >= std::llabs(y1 - y0)) {
    a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
    int64_t a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
    reversed = a1 < a0;
    if (reversed) std::swap(a0, a1), std::swap(b0, b1);
    n = a1 - a0, db = std::llabs(b1 - b0), sb = b1 >= b0 ? 1 : -1;
  }
  // First and last step whose minor offset lies within [mLo, mHi] (empty when first > last).
  std::pair<int64_t, int64_t> StepsWithin(int64_t mLo, int64_t mHi) const {
    using Steps = std::pair<int64_t, int64_t>;
    if (n == 0 || db == 0) return mLo <= 0 && mHi >= 0 ? Steps{0, n} : Steps{1, 0};
    return {std::max<int64_t>(0, CeilDiv(2 * std::max<int64_t>(mLo, 0) * n - n, 2 * db)),
            std::min(n, CeilDiv((2 * mHi + 1) * n, 2 * db) - 1)};
  }
  // The run of pixels the line has on row y, if any.
  std::optional<std::pair<int64_t, int64_t>> RunOnRow(int64_t y) const {
    if (xMajor) {
      const int64_t m = (y - b0) * sb;
      auto [lo, hi] = StepsWithin(m, m);
      if (lo > hi) return std::nullopt;
      return std::pair{a0 + lo, a0 + hi};
    }
    const int64_t i = y - a0;
    if (i < 0 || i > n) return std::nullopt;
    const int64_t x = b0 + sb * FloorDiv(2 * i * db + n, 2 * std::max<int64_t>(n, 1));
    return std::pair{x, x};
  }
};

// The pixels of the line inside a w x h target, as sink(x, y, index) with index counted from
// (x0, y0).
template <typename Sink>
void ForLinePixels(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int w, int h, Sink&& sink) {
  const LineSteps line(x0, y0, x1, y1);
  const auto [a0, b0, n, db, sb] = std::tuple{line.a0, line.b0, line.n, line.db, line.sb};
  const int64_t aSize = line.xMajor ? w : h, bSize = line.xMajor ? h : w;
  auto [lo, hi] = line.StepsWithin(sb > 0 ? -b0 : b0 - (bSize - 1), sb > 0 ? bSize - 1 - b0 : b0);
  lo = std::max<int64_t>(lo, -a0);
  hi = std::min<int64_t>(hi, aSize - 1 - a0);
  if (lo > hi) return;
  const int64_t twoN = 2 * std::max<int64_t>(n, 1);
  int64_t num = 2 * lo * db + n;
  int64_t m = FloorDiv(num, twoN), rem = num - m * twoN;
  for (int64_t i = lo; i <= hi; ++i) {
    const int64_t a = a0 + i, b = b0 + sb * m;
    if (line.xMajor)
      sink(a, b, line.reversed ? n - i : i);
    else
      sink(b, a, line.reversed ? n - i : i);
    rem += 2 * db;
    if (rem >= twoN) ++m, rem -= twoN;
  }
}

// Rows of the pixels within width / 2 of the segment (round ends), as sink(y, xa, xb). Even
// widths are sampled half a pixel off so that they cover exactly `width` rows or columns.
template <typename Sink>
void ForCapsuleSpans(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int h,
                     Sink&& sink) {
  const double r = width / 2.0, o = (width % 2 == 0) ? 0.5 : 0.0, eps = 1e-9;
  const double dx = double(x1 - x0), dy = double(y1 - y0), len = std::hypot(dx, dy);
  const double ux = len > 0 ? dx / len : 0, uy = len > 0 ? dy / len : 0;
  const int64_t yFirst = std::max<int64_t>(0, int64_t(std::floor(std::min(y0, y1) - r - o)));
  const int64_t yLast = std::min<int64_t>(h - 1, int64_t(std::ceil(std::max(y0, y1) + r)));
  for (int64_t y = yFirst; y <= yLast; ++y) {
    const double py = double(y) + o;
    double lo = INFINITY, hi = -INFINITY;
    auto disc = [&](double cx, double cy) {
      const double d = py - cy;
      if (std::fabs(d) > r) return;
      const double half = std::sqrt(r * r - d * d);
      lo = std::min(lo, cx - half);
      hi = std::max(hi, cx + half);
    };
    disc(double(x0), double(y0));
    disc(double(x1), double(y1));
    if (len > 0) {
      // a * px + b within [from, to], for the projection and for the distance to the line.
      double bodyLo = -INFINITY, bodyHi = INFINITY;
      auto within = [&](double a, double b, double from, double to) {
        if (std::fabs(a) < 1e-12) {
          if (b < from - eps || b > to + eps) bodyLo = INFINITY, bodyHi = -INFINITY;
          return;
        }
        double p = (from - b) / a, q = (to - b) / a;
        if (p > q) std::swap(p, q);
        bodyLo = std::max(bodyLo, p);
        bodyHi = std::min(bodyHi, q);
      };
      within(ux, -double(x0) * ux + (py - double(y0)) * uy, 0, len);
      within(uy, -double(x0) * uy - (py - double(y0)) * ux, -r, r);
      if (bodyLo <= bodyHi) lo = std::min(lo, bodyLo), hi = std::max(hi, bodyHi);
    }
    if (lo > hi) continue;
    const int64_t xa = int64_t(std::ceil(lo - o - eps)), xb = int64_t(std::floor(hi - o + eps));
    if (xa <= xb) sink(y, xa, xb);
  }
}

// Half the width, in whole pixels, of the ellipse with semi-axes (rx, ry) on row dy; -1 when
// the row misses it.
int64_t HalfWidth(double rx, double ry, int64_t dy) {
  if (rx <= 0 || ry <= 0 || double(std::llabs(dy)) > ry) return -1;
  const double q = double(dy) / ry;
  return int64_t(std::floor(rx * std::sqrt(std::max(0.0, 1 - q * q)) + 1e-9));
}

struct RowSpan {
  int64_t y, xa, xb;
};

// Spans sorted and merged so that no pixel appears twice.
std::vector<RowSpan> MergeSpans(std::vector<RowSpan> spans) {
  std::sort(spans.begin(), spans.end(), [](const RowSpan& a, const RowSpan& b) {
    return a.y != b.y ? a.y < b.y : a.xa < b.xa;
  });
  std::vector<RowSpan> merged;
  for (const RowSpan& s : spans) {
    if (!merged.empty() && merged.back().y == s.y && s.xa <= merged.back().xb + 1)
      merged.back().xb = std::max(merged.back().xb, s.xb);
    else
      merged.push_back(s);
  }
  return merged;
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

namespace {
Target TargetOf(QImage& image) {
  return {reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, image.width(),
          image.height()};
}
}  // namespace

void GdiCanvas::Line(float x1, float y1, float x2, float y2) {
  currentX_ = x2;
  currentY_ = y2;
  Polyline({{x1, y1}, {x2, y2}});
}

void GdiCanvas::Polyline(const std::vector<CanvasPoint>& points) {
  if (points.empty() || drawStyle_ == 5 || !Ready()) return;  // 5: the invisible pen
  for (const CanvasPoint& p : points)
    if (!Finite({p.X, p.Y})) return;
  const Target t = TargetOf(*surface_);
  const Rop rop = Rop::Make(drawMode_, foreColor_);
  if (drawWidth_ > 1) {
    std::vector<RowSpan> spans;
    auto collect = [&spans](int64_t y, int64_t xa, int64_t xb) { spans.push_back({y, xa, xb}); };
    for (size_t k = 0; k + 1 < points.size() || k == 0; ++k) {
      const CanvasPoint& a = points[k];
      const CanvasPoint& b = points.size() > 1 ? points[k + 1] : a;
      ForCapsuleSpans(Pix(a.X), Pix(a.Y), Pix(b.X), Pix(b.Y), drawWidth_, t.h, collect);
    }
    if (points.size() > 2) spans = MergeSpans(std::move(spans));
    for (const RowSpan& s : spans) t.Span(s.y, s.xa, s.xb, rop);
    return;
  }
  const PenPattern pattern(drawStyle_);
  const int64_t fx = Pix(points[0].X), fy = Pix(points[0].Y);
  int64_t base = 0;
  for (size_t k = 0; k + 1 < points.size() || k == 0; ++k) {
    const CanvasPoint& a = points[k];
    const CanvasPoint& b = points.size() > 1 ? points[k + 1] : a;
    const int64_t x0 = Pix(a.X), y0 = Pix(a.Y), x1 = Pix(b.X), y1 = Pix(b.Y);
    const bool closesPath = k > 0 && k + 2 == points.size() && x1 == fx && y1 == fy;
    const int64_t n = std::max(std::llabs(x1 - x0), std::llabs(y1 - y0));
    ForLinePixels(x0, y0, x1, y1, t.w, t.h, [&](int64_t x, int64_t y, int64_t i) {
      if (k > 0 && i == 0) return;                // the joint was drawn with the last line
      if (closesPath && i == n && n > 0) return;  // so was the first point
      if (pattern.On(base + i)) t.Pixel(x, y, rop);
    });
    base += n;
  }
}

void GdiCanvas::Box(float x1, float y1, float x2, float y2) {
  currentX_ = x2;
  currentY_ = y2;
  if (!Finite({x1, y1, x2, y2}) || !Ready()) return;
  const Target t = TargetOf(*surface_);
  const int64_t l = std::min(Pix(x1), Pix(x2)), r = std::max(Pix(x1), Pix(x2));
  const int64_t top = std::min(Pix(y1), Pix(y2)), bottom = std::max(Pix(y1), Pix(y2));
  const Rop pen = Rop::Make(drawMode_, foreColor_);
  const Brush brush{fillStyle_, Rop::Make(drawMode_, fillColor_)};
  const bool penVisible = drawStyle_ != 5;
  const int width = std::max<int>(drawWidth_, 1);
  // The pen covers `before` pixels outside each edge and `after` inside it.
  const int64_t before = width / 2, after = (width - 1) / 2;
  const int64_t inL = l + after + 1, inR = r - before - 1;
  const int64_t inT = top + after + 1, inB = bottom - before - 1;
  if (brush.Paints())
    for (int64_t y = std::max<int64_t>(inT, 0); y <= std::min<int64_t>(inB, t.h - 1); ++y)
      brush.Span(t, y, inL, inR);
  if (!penVisible) return;
  const PenPattern pattern(width == 1 ? drawStyle_ : kSolid);
  if (!pattern.Solid()) {
    // Clockwise from the top-left corner, each pixel once; only the visible ones are visited.
    const int64_t across = r - l, down = bottom - top;
    // Pixels lo..hi of one side, k having the index base + sign * (k - origin).
    auto side = [&](int64_t lo, int64_t hi, int64_t size, int64_t base, int64_t origin,
                    int64_t sign, auto&& at) {
      for (int64_t k = std::max<int64_t>(lo, 0); k <= std::min<int64_t>(hi, size - 1); ++k)
        if (pattern.On(base + sign * (k - origin))) at(k);
    };
    side(l, r, t.w, 0, l, 1, [&](int64_t x) { t.Pixel(x, top, pen); });
    side(top + 1, bottom, t.h, across + 1, top + 1, 1, [&](int64_t y) { t.Pixel(r, y, pen); });
    if (down > 0)
      side(l, r - 1, t.w, across + 1 + down, r - 1, -1,
           [&](int64_t x) { t.Pixel(x, bottom, pen); });
    if (across > 0)
      side(top + 1, bottom - 1, t.h, 2 * across + 1 + down, bottom - 1, -1,
           [&](int64_t y) { t.Pixel(l, y, pen); });
    return;
  }
  const int64_t outT = top - before, outB = bottom + after;
  for (int64_t y = std::max<int64_t>(outT, 0); y <= std::min<int64_t>(outB, t.h - 1); ++y) {
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
  const Target t = TargetOf(*surface_);
  const double r = std::fabs(double(radius)), a = std::fabs(double(aspect));
  const double rxExact = a < 1 ? r : r / a, ryExact = a < 1 ? r * a : r;
  const int64_t x0 = Pix(cx), y0 = Pix(cy);
  const double rx = double(Pix(rxExact)), ry = double(Pix(ryExact));
  const int width = std::max<int>(drawWidth_, 1);
  const double h = (width - 1) / 2.0;
  // Pixel centres within the ellipse through the middle of the pen's outer and inner edges.
  const double ox = rx + 0.5 + h, oy = ry + 0.5 + h, ix = rx + 0.5 - h, iy = ry + 0.5 - h;
  const Rop pen = Rop::Make(drawMode_, foreColor_);
  const Brush brush{fillStyle_, Rop::Make(drawMode_, fillColor_)};
  const PenPattern pattern(width == 1 ? drawStyle_ : kSolid);
  const bool penVisible = drawStyle_ != 5;
  const int64_t rows = int64_t(std::floor(oy));
  const int64_t dyFirst = std::max(-rows, -y0), dyLast = std::min(rows, t.h - 1 - y0);
  const bool styled = penVisible && !pattern.Solid();
  // A styled outline is walked whole so that its pattern does not depend on what is visible,
  // unless it is too large to walk.
  const bool walkWhole = styled && rows <= 100000;
  const int64_t first = walkWhole ? -rows : dyFirst, last = walkWhole ? rows : dyLast;
  if (first > last) return;
  // Half widths of the outer and inner ellipses on rows first - 1 to last + 1.
  std::vector<int64_t> outerHalf(size_t(last - first + 3)), innerHalf(outerHalf.size());
  const bool thin = ix == ox && iy == oy;
  for (size_t k = 0; k < outerHalf.size(); ++k) {
    const int64_t dy = first - 1 + int64_t(k);
    outerHalf[k] = HalfWidth(ox, oy, dy);
    innerHalf[k] = thin ? outerHalf[k] : HalfWidth(ix, iy, dy);
  }
  auto outerAt = [&](int64_t dy) { return outerHalf[size_t(dy - first + 1)]; };
  auto innerAt = [&](int64_t dy) {  // pixels whose four neighbours are all inside
    const size_t k = size_t(dy - first + 1);
    return std::min({innerHalf[k] - 1, innerHalf[k - 1], innerHalf[k + 1]});
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
    if (y >= 0 && y < t.h) {
      int64_t lo = x0 + std::min(from, to), hi = x0 + std::max(from, to);
      lo = std::max<int64_t>(lo, 0);
      hi = std::min<int64_t>(hi, t.w - 1);
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
  const Brush brush{fillStyle_, Rop::Make(drawMode_, fillColor_)};
  if (points.size() < 3 || !brush.Paints() || !Ready()) return;
  for (const CanvasPoint& p : points)
    if (!Finite({p.X, p.Y})) return;
  const Target t = TargetOf(*surface_);
  std::vector<std::pair<int64_t, int64_t>> v;  // whole-pixel vertices
  for (const CanvasPoint& p : points) v.emplace_back(Pix(p.X), Pix(p.Y));
  int64_t yMin = v[0].second, yMax = yMin;
  for (const auto& p : v) yMin = std::min(yMin, p.second), yMax = std::max(yMax, p.second);
  yMin = std::max<int64_t>(yMin, 0);
  yMax = std::min<int64_t>(yMax, t.h - 1);
  if (yMin > yMax) return;
  // The outline's own pixels are left alone: each edge has one run of them on a row.
  std::vector<LineSteps> edges;
  for (size_t k = 0; k < v.size(); ++k) {
    const auto& a = v[k];
    const auto& b = v[(k + 1) % v.size()];
    edges.emplace_back(a.first, a.second, b.first, b.second);
  }
  std::vector<double> cross;
  std::vector<std::pair<int64_t, int64_t>> walls;
  for (int64_t y = yMin; y <= yMax; ++y) {
    // Pixel centres inside by the even-odd rule, edges counted half-open in y.
    cross.clear();
    walls.clear();
    for (size_t k = 0; k < v.size(); ++k) {
      auto [ax, ay] = v[k];
      auto [bx, by] = v[(k + 1) % v.size()];
      if (std::min(ay, by) <= y && y <= std::max(ay, by))
        if (auto run = edges[k].RunOnRow(y)) walls.push_back(*run);
      if (ay == by) continue;
      if (ay > by) std::swap(ax, bx), std::swap(ay, by);
      if (y < ay || y >= by) continue;
      cross.push_back(double(ax) + double(y - ay) * double(bx - ax) / double(by - ay));
    }
    std::sort(cross.begin(), cross.end());
    std::sort(walls.begin(), walls.end());
    auto wall = walls.begin();
    for (size_t k = 0; k + 1 < cross.size(); k += 2) {
      int64_t x = std::max<int64_t>(int64_t(std::ceil(cross[k] - 1e-9)), 0);
      const int64_t xb = std::min<int64_t>(int64_t(std::floor(cross[k + 1] + 1e-9)), t.w - 1);
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

}  // namespace velmor::platform
