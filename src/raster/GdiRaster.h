// The rasterising pieces of GdiCanvas: raster operations, spans, brushes, cosmetic pen patterns
// and the pixels of lines, wide lines and ellipses, all in whole pixels.
#pragma once

#include <QImage>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/base/NumberRules.h"
#include "raster/GdiCanvas.h"

namespace velmor::platform::raster {

// Far enough outside any surface, small enough that the line arithmetic stays in 64 bits.
constexpr int64_t kCoordLimit = int64_t{1} << 29;

// RoundHalfEven of a finite value, inline: below 2^52 adding and taking away 2^52 rounds to
// the nearest integer, a half to even, as nearbyint does in the default rounding mode.
inline double RoundFinite(double v) {
  const double a = std::fabs(v);
  if (!(a < 0x1p52)) return v;
  return std::copysign((a + 0x1p52) - 0x1p52, v);
}

inline int64_t Pix(double v) {
  if (!std::isfinite(v))
    return static_cast<int64_t>(
        std::clamp(RoundHalfEven(v), double(-kCoordLimit), double(kCoordLimit)));
  return static_cast<int64_t>(
      std::clamp(RoundFinite(v), double(-kCoordLimit), double(kCoordLimit)));
}

inline bool Finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

inline int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
inline int64_t CeilDiv(int64_t a, int64_t b) {
  return -FloorDiv(-a, b);
}

inline uint32_t ToArgb(uint32_t rgb) {
  return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

// Fills [p, end) with `value`, sixteen bytes a store: a plain loop of 4-byte stores is what the
// compiler makes of std::fill here, and solid spans are most of a refresh's pixels.
inline void Fill32(uint32_t* p, uint32_t* end, uint32_t value) {
#if defined(__SSE2__)
  if (end - p >= 8) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(value));
    for (; end - p >= 8; p += 8) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4), v);
    }
    if (end - p >= 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
      p += 4;
    }
  }
#endif
  for (; p < end; ++p) *p = value;
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
  // Only pixels in [left, right) x [top, bottom) are written: the surface or its clip.
  int left = 0, top = 0, right = w, bottom = h;
  uint32_t* Row(int64_t y) const { return bits + y * stride; }
  bool Holds(int64_t x, int64_t y) const {
    return x >= left && y >= top && x < right && y < bottom;
  }
  void Pixel(int64_t x, int64_t y, const Rop& rop) const {
    if (!Holds(x, y)) return;
    PixelInside(x, y, rop);
  }
  // A pixel known to lie on the target.
  void PixelInside(int64_t x, int64_t y, const Rop& rop) const {
    uint32_t& p = Row(y)[x];
    p = rop.c == 0 ? 0xFF000000u | rop.b : rop(p);  // no read where the picture cannot matter
  }
  void Span(int64_t y, int64_t xa, int64_t xb, const Rop& rop) const {
    if (y < top || y >= bottom) return;
    xa = std::max<int64_t>(xa, left);
    xb = std::min<int64_t>(xb, right - 1);
    if (xa > xb) return;
    uint32_t* p = Row(y) + xa;
    uint32_t* end = Row(y) + xb + 1;
    if (rop.c == 0) {
      Fill32(p, end, 0xFF000000u | rop.b);
    } else {
      for (; p != end; ++p) *p = rop(*p);
    }
  }
  // Every eighth pixel of the span, from the first x congruent to `phase` modulo 8.
  void Every(int64_t y, int64_t xa, int64_t xb, int64_t phase, const Rop& rop) const {
    if (y < top || y >= bottom) return;
    xa = std::max<int64_t>(xa, left);
    xb = std::min<int64_t>(xb, right - 1);
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
  static constexpr int kPeriod = 24;
  explicit PenPattern(int16_t style)
      : solid_(style < kDash || style > kDashDotDot), on_(kPatterns[solid_ ? 0 : style]) {}
  bool Solid() const { return solid_; }
  bool On(int64_t index) const { return solid_ || on_[index % kPeriod]; }
  // On(k) for a phase k in [0, kPeriod).
  bool OnAt(int phase) const { return solid_ || on_[size_t(phase)]; }

 private:
  using Pattern = std::array<bool, kPeriod>;
  // Every pattern's period divides 24: each is repeated to 24 so that the modulo is by a
  // constant. Worked out once rather than for every line.
  static constexpr std::array<Pattern, 5> kPatterns = [] {
    constexpr std::array<std::array<int, 6>, 5> kRuns = {{{24, 0, 0, 0, 0, 0},
                                                          {18, 6, 0, 0, 0, 0},
                                                          {3, 3, 0, 0, 0, 0},
                                                          {9, 6, 3, 6, 0, 0},
                                                          {9, 3, 3, 3, 3, 3}}};
    std::array<Pattern, 5> patterns{};
    for (size_t style = 0; style < kRuns.size(); ++style) {
      int i = 0;
      while (i < kPeriod) {
        bool on = true;
        for (int run : kRuns[style]) {
          for (int k = 0; k < run; ++k) patterns[style][size_t(i++)] = on;
          on = !on;
        }
      }
    }
    return patterns;
  }();
  bool solid_ = true;
  const Pattern& on_;
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
  // First and last step whose pixel lies on the target's bounds (empty when first > last).
  std::pair<int64_t, int64_t> StepsOn(const Target& t) const {
    const int64_t aLo = xMajor ? t.left : t.top, aHi = (xMajor ? t.right : t.bottom) - 1;
    const int64_t bLo = xMajor ? t.top : t.left, bHi = (xMajor ? t.bottom : t.right) - 1;
    auto [lo, hi] = StepsWithin(sb > 0 ? bLo - b0 : b0 - bHi, sb > 0 ? bHi - b0 : b0 - bLo);
    return {std::max<int64_t>(lo, aLo - a0), std::min<int64_t>(hi, aHi - a0)};
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

// floor(N / d) and its remainder while N moves by a fixed step, without a division per step.
struct DivStepper {
  int64_t q = 0, r = 0, sq = 0, sr = 0, d = 1;
  void Start(int64_t numerator, int64_t step, int64_t divisor) {  // divisor > 0
    d = divisor;
    q = FloorDiv(numerator, d), r = numerator - q * d;
    sq = FloorDiv(step, d), sr = step - sq * d;
  }
  void Next() {  // without a branch: the carries come in no order a predictor could learn
    q += sq, r += sr;
    const int64_t carry = r >= d ? 1 : 0;
    q += carry, r -= d & -carry;
  }
  int64_t Floor() const { return q; }
  int64_t Ceil() const { return q + (r != 0 ? 1 : 0); }
};

// One edge of a filled polygon walked a row at a time, from a first row downwards: the run of
// the pixels Line draws for it on each row (its "wall"), and where it crosses the row as the
// ceiling and floor of x. Both come out exactly as LineSteps::RunOnRow and the rounded double
// crossing ax + (y - ay) (bx - ax) / (by - ay) would give them.
class PolygonEdge {
 public:
  // Rows holding pixels of the edge, and the rows [crossTop, crossBottom) it crosses.
  int64_t wallTop = 0, wallBottom = -1, crossTop = 0, crossBottom = 0;

  PolygonEdge(int64_t ax, int64_t ay, int64_t bx, int64_t by) : line_(ax, ay, bx, by) {
    const int64_t b1 = line_.b0 + line_.sb * line_.db;
    if (line_.xMajor)
      wallTop = std::min(line_.b0, b1), wallBottom = std::max(line_.b0, b1);
    else
      wallTop = line_.a0, wallBottom = line_.a0 + line_.n;
    if (ay > by) std::swap(ax, bx), std::swap(ay, by);
    ax_ = ax, ay_ = ay, dx_ = bx - ax, dy_ = by - ay;
    if (dy_ != 0) crossTop = ay, crossBottom = by;
    // Within these extents the double crossing is never within its rounding error of a whole
    // pixel unless it is one, so exact integers give the same ceiling and floor.
    exact_ = dy_ <= (int64_t{1} << 20) && std::llabs(dx_) <= (int64_t{1} << 26);
  }

  void StartWalls(int64_t y) {
    if (line_.xMajor) {
      if (line_.db == 0) return;
      // Row m runs over the steps from ceil((2m - 1) n / 2db) to ceil((2m + 1) n / 2db) - 1, so
      // one of the two bounds is the other one of the row before: only the new one is stepped.
      const int64_t m = (y - line_.b0) * line_.sb, n = line_.n;
      const int64_t ahead = line_.sb > 0 ? 2 * m + 1 : 2 * m - 1, behind = 4 * m - ahead;
      low_.Start(ahead * n, 2 * n * line_.sb, 2 * line_.db);
      DivStepper first;
      first.Start(behind * n, 0, 2 * line_.db);
      behind_ = first.Ceil();
    } else {
      const int64_t i = y - line_.a0;
      low_.Start(2 * i * line_.db + line_.n, 2 * line_.db, 2 * line_.n);
    }
  }
  // The wall on the current row (from StartWalls onwards, one row per call); false when none.
  bool NextWall(int64_t& xa, int64_t& xb) {
    if (line_.xMajor) {
      if (line_.db == 0) {
        xa = line_.a0, xb = line_.a0 + line_.n;
        return true;
      }
      const int64_t ahead = low_.Ceil();
      const int64_t lo = std::max<int64_t>(0, line_.sb > 0 ? behind_ : ahead),
                    hi = std::min(line_.n, (line_.sb > 0 ? ahead : behind_) - 1);
      behind_ = ahead;
      low_.Next();
      xa = line_.a0 + lo, xb = line_.a0 + hi;
      return lo <= hi;
    }
    xa = xb = line_.b0 + line_.sb * low_.Floor();
    low_.Next();
    return true;
  }

  void StartCrossings(int64_t y) {
    row_ = y;
    if (exact_) cross_.Start((y - ay_) * dx_, dx_, dy_);
  }
  // Ceiling and floor of the crossing on the current row, one row per call.
  void NextCrossing(int64_t& ceil, int64_t& floor) {
    if (exact_) {
      ceil = ax_ + cross_.Ceil(), floor = ax_ + cross_.Floor();
      cross_.Next();
      return;
    }
    const double c = double(ax_) + double(row_ - ay_) * double(dx_) / double(dy_);
    ceil = int64_t(std::ceil(c - 1e-9)), floor = int64_t(std::floor(c + 1e-9));
    ++row_;
  }

 private:
  LineSteps line_;
  DivStepper low_, cross_;
  int64_t behind_ = 0;
  int64_t ax_ = 0, ay_ = 0, dx_ = 0, dy_ = 0, row_ = 0;
  bool exact_ = true;
};

// The pixels of the line inside [left, right) x [top, bottom), as sink(x, y, index) with index
// counted from (x0, y0).
template <typename Sink>
void ForLinePixels(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Target& t, Sink&& sink) {
  const LineSteps line(x0, y0, x1, y1);
  const auto [a0, b0, n, db, sb] = std::tuple{line.a0, line.b0, line.n, line.db, line.sb};
  const auto [lo, hi] = line.StepsOn(t);
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
    const int64_t carry = rem >= twoN ? 1 : 0;  // without a branch, as in DivStepper
    m += carry, rem -= twoN & -carry;
  }
}

// The pixels of the line as ForLinePixels finds them, as sink(offset, index): the offset of the
// pixel in the surface, stepped along rather than worked out for each pixel, and its index
// counted from (x0, y0).
template <typename Sink>
void ForLineOffsets(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const Target& t, Sink&& sink) {
  // The line lies within the box of its ends: off the target, it costs no division.
  if (std::max(y0, y1) < t.top || std::min(y0, y1) >= t.bottom || std::max(x0, x1) < t.left ||
      std::min(x0, x1) >= t.right)
    return;
  const LineSteps line(x0, y0, x1, y1);
  const auto [a0, b0, n, db, sb] = std::tuple{line.a0, line.b0, line.n, line.db, line.sb};
  const auto [lo, hi] = line.StepsOn(t);
  if (lo > hi) return;
  const int64_t twoN = 2 * std::max<int64_t>(n, 1);
  const int64_t num = 2 * lo * db + n;
  const int64_t m = FloorDiv(num, twoN);
  int64_t rem = num - m * twoN;
  const int64_t a = a0 + lo, b = b0 + sb * m;
  int64_t at = line.xMajor ? b * t.stride + a : a * t.stride + b;
  const int64_t major = line.xMajor ? 1 : t.stride, minor = line.xMajor ? sb * t.stride : sb;
  int64_t index = line.reversed ? n - lo : lo;
  const int64_t along = line.reversed ? -1 : 1;
  for (int64_t i = lo; i <= hi; ++i) {
    sink(at, index);
    at += major, index += along;
    rem += 2 * db;
    const int64_t carry = rem >= twoN ? 1 : 0;  // without a branch, as in DivStepper
    at += minor & -carry, rem -= twoN & -carry;
  }
}

// Rows of the pixels within width / 2 of the segment (round ends), as sink(y, xa, xb). Even
// widths are sampled half a pixel off so that they cover exactly `width` rows or columns.
template <typename Sink>
void ForCapsuleSpans(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int top, int bottom,
                     Sink&& sink) {
  const double r = width / 2.0, o = (width % 2 == 0) ? 0.5 : 0.0, eps = 1e-9;
  const double dx = double(x1 - x0), dy = double(y1 - y0), len = std::hypot(dx, dy);
  const double ux = len > 0 ? dx / len : 0, uy = len > 0 ? dy / len : 0;
  const int64_t yFirst = std::max<int64_t>(top, int64_t(std::floor(std::min(y0, y1) - r - o)));
  const int64_t yLast = std::min<int64_t>(bottom - 1, int64_t(std::ceil(std::max(y0, y1) + r)));
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
inline int64_t HalfWidth(double rx, double ry, int64_t dy) {
  if (rx <= 0 || ry <= 0 || double(std::llabs(dy)) > ry) return -1;
  const double q = double(dy) / ry;
  // Positive, so truncating is the floor (and needs no call into the maths library).
  return int64_t(rx * std::sqrt(std::max(0.0, 1 - q * q)) + 1e-9);
}

// HalfWidth for rows from, from + 1, ... (from >= 0) into out[0..count), two rows at a time
// with the same roundings.
inline void HalfWidths(double rx, double ry, int64_t from, int64_t* out, size_t count) {
  size_t k = 0;
#if defined(__SSE2__)
  if (rx > 0 && ry > 0 && rx < 2e9 && from >= 0) {  // the widths fit 32 bits
    const __m128d vrx = _mm_set1_pd(rx), vry = _mm_set1_pd(ry), one = _mm_set1_pd(1.0);
    const __m128d zero = _mm_setzero_pd(), eps = _mm_set1_pd(1e-9);
    for (; k + 2 <= count; k += 2) {
      const int64_t d0 = from + int64_t(k), d1 = d0 + 1;
      const __m128d dy = _mm_set_pd(double(d1), double(d0));
      const __m128d q = _mm_div_pd(dy, vry);
      const __m128d inside = _mm_max_pd(_mm_sub_pd(one, _mm_mul_pd(q, q)), zero);
      const __m128i w = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(vrx, _mm_sqrt_pd(inside)), eps));
      const int32_t w0 = _mm_cvtsi128_si32(w), w1 = _mm_cvtsi128_si32(_mm_srli_si128(w, 4));
      out[k] = double(d0) > ry ? -1 : w0;
      out[k + 1] = double(d1) > ry ? -1 : w1;
    }
  }
#endif
  for (; k < count; ++k) out[k] = HalfWidth(rx, ry, from + int64_t(k));
}

struct RowSpan {
  int64_t y, xa, xb;
};

// Spans sorted and merged so that no pixel appears twice.
inline std::vector<RowSpan> MergeSpans(std::vector<RowSpan> spans) {
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

// The image as a target, written only inside `clip` (in image pixels, already within it).
inline Target TargetOf(QImage& image, const QRect& clip) {
  Target t{reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, image.width(),
           image.height()};
  t.left = clip.left(), t.top = clip.top(), t.right = clip.right() + 1,
  t.bottom = clip.bottom() + 1;
  return t;
}

}  // namespace velmor::platform::raster

namespace velmor::platform {

// Buffers a canvas keeps between primitives so that drawing does not allocate.
struct GdiCanvas::Scratch {
  struct Crossing {
    int64_t key, ceil, floor;  // key orders crossings as their exact x would
  };
  std::vector<std::pair<int64_t, int64_t>> vertices, walls;
  std::vector<raster::PolygonEdge> edges;
  std::vector<int64_t> wallStart, crossStart;
  std::vector<Crossing> crossings;
  std::vector<int64_t> outerHalf, innerHalf;
};

}  // namespace velmor::platform
