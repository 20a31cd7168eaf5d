#include "render/FigureInk.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <variant>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "core/base/NumberRules.h"

namespace velmor {

namespace {

// Larger surfaces are painted as they always were: the layer would double their memory.
constexpr qsizetype kMostLayerBytes = qsizetype(64) << 20;

// Cells equal to the bit, so that -0 and 0 or two NaNs are not taken for one another.
bool SameCell(const TaggedValue& a, const TaggedValue& b) {
  if (a.index() != b.index()) return false;
  if (const double* d = std::get_if<double>(&a)) return SameBits(*d, std::get<double>(b));
  if (const float* f = std::get_if<float>(&a)) return SameBits(*f, std::get<float>(b));
  return a == b;
}

// The comparisons below name every member: a member added to these structs must be added there
// too, or a refresh would put back a stale value of it.
static_assert(sizeof(void*) != 8 || (sizeof(WorkArea) == 96 && sizeof(DragState) == 64 &&
                                     sizeof(PanelState) == 24 && sizeof(TextState) == 80),
              "compare every member of the shared state");

bool SameWork(const WorkArea& a, const WorkArea& b) {
  for (size_t k = 0; k < a.WorkPoints.size(); ++k)
    if (!SameBits(a.WorkPoints[k].X, b.WorkPoints[k].X) ||
        !SameBits(a.WorkPoints[k].Y, b.WorkPoints[k].Y))
      return false;
  return a.WorkIndex == b.WorkIndex && SameBits(a.WorkX, b.WorkX) && SameBits(a.WorkY, b.WorkY) &&
         SameBits(a.WorkAngle, b.WorkAngle) && SameBits(a.WorkRadians, b.WorkRadians) &&
         SameBits(a.WorkWidth, b.WorkWidth) && SameBits(a.WorkHeight, b.WorkHeight);
}

bool SameDrag(const DragState& a, const DragState& b) {
  for (const auto member : {&DragState::StartX, &DragState::StartY, &DragState::EndX,
                            &DragState::EndY, &DragState::CircleRadius, &DragState::DrawX1,
                            &DragState::DrawY1, &DragState::DrawX2, &DragState::DrawY2})
    if (!SameBits(a.*member, b.*member)) return false;
  return a.ShiftHeld == b.ShiftHeld && a.PickStep == b.PickStep &&
         std::equal(&a.Picks[0][0], &a.Picks[0][0] + 4, &b.Picks[0][0]) &&
         a.PickedFigure == b.PickedFigure;
}

bool SamePanel(const PanelState& a, const PanelState& b) {
  return a.ToolMode == b.ToolMode && a.ZoomStep == b.ZoomStep && a.PenWidth == b.PenWidth &&
         a.ArrowOn == b.ArrowOn && a.FrameDragMode == b.FrameDragMode &&
         a.CaptureActiveWindow == b.CaptureActiveWindow && a.PenColor == b.PenColor &&
         a.BrushColor == b.BrushColor && a.BrushStyle == b.BrushStyle;
}

bool SameText(const TextState& a, const TextState& b) {
  return a.TextFont == b.TextFont && a.TextSize == b.TextSize && a.TextBold == b.TextBold &&
         a.TextItalic == b.TextItalic && a.TextEscapement == b.TextEscapement &&
         a.TextString == b.TextString;
}

qint64 PictureKey(const QImage* picture) {
  return picture != nullptr ? picture->cacheKey() : 0;
}

uint64_t Mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

template <typename T>
uint64_t BitsOf(const T& v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, std::min(sizeof v, sizeof bits));
  return bits;
}

uint64_t CellDigest(const TaggedValue& v) {
  if (const double* d = std::get_if<double>(&v)) return BitsOf(*d);
  if (const std::string* s = std::get_if<std::string>(&v)) return std::hash<std::string>{}(*s);
  return std::visit(
      [](const auto& x) -> uint64_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, std::string>)
          return 0;
        else
          return BitsOf(x);
      },
      v);
}

// Each pixel of `ink` the figures gave a colour (its top byte 0xFF) replaces the one in `row`.
void LayColoursPlain(uint32_t* row, const uint32_t* ink, int n) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ink + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i coloured = _mm_srai_epi32(l, 31);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i),
                     _mm_or_si128(_mm_and_si128(coloured, l), _mm_andnot_si128(coloured, d)));
  }
#endif
  for (; i < n; ++i)
    if ((ink[i] & 0x80000000u) != 0) row[i] = ink[i];
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same eight pixels a step, where the processor can: a refresh spends most of its time here.
__attribute__((target("avx2"))) void LayColoursWide(uint32_t* row, const uint32_t* ink, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ink + i));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i),
                        _mm256_blendv_epi8(d, l, _mm256_srai_epi32(l, 31)));
  }
  LayColoursPlain(row + i, ink + i, n - i);
}
#endif

void LayColours(uint32_t* row, const uint32_t* ink, int n) {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide) return LayColoursWide(row, ink, n);
#endif
  LayColoursPlain(row, ink, n);
}

// The same where highlighters have been: each pixel they multiplied (top byte 1 to 254) is
// multiplied so.
void LayRow(uint32_t* row, const uint32_t* ink, int n, const platform::InkChains& chains) {
  auto one = [&](int i) {
    const uint32_t top = ink[i] >> 24;
    if (top == 0xFFu)
      row[i] = ink[i];
    else if (top != 0)
      row[i] = chains.Apply(uint8_t(top), row[i]);
  };
  int i = 0;
#if defined(__SSE2__)
  const __m128i full = _mm_set1_epi32(0xFF);
  for (; i + 4 <= n; i += 4) {
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ink + i));
    const __m128i top = _mm_srli_epi32(l, 24);
    const __m128i coloured = _mm_cmpeq_epi32(top, full);
    const __m128i untouched = _mm_cmpeq_epi32(top, _mm_setzero_si128());
    if (_mm_movemask_epi8(_mm_or_si128(coloured, untouched)) != 0xFFFF) {
      for (int k = i; k < i + 4; ++k) one(k);
      continue;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i),
                     _mm_or_si128(_mm_and_si128(coloured, l), _mm_andnot_si128(coloured, d)));
  }
#endif
  for (; i < n; ++i) one(i);
}

}  // namespace

bool FigureInk::Worth(const InkSource& source) {
  return qsizetype(source.surfaceSize.width()) * source.surfaceSize.height() * 4 <= kMostLayerBytes;
}

bool FigureInk::SameAsLastSeen(const InkSource& source) {
  uint64_t h = Mix(Mix(uint64_t(source.count), uint64_t(source.zoomPercent)),
                   uint64_t(PictureKey(source.picture)));
  h = Mix(Mix(h, BitsOf(source.twipsPerPixel)), uint64_t(source.format));
  for (int v : {source.surfaceSize.width(), source.surfaceSize.height(), source.area.left(),
                source.area.top(), source.area.width(), source.area.height()})
    h = Mix(h, uint64_t(uint32_t(v)));
  for (int row = 1; row <= source.count; ++row)
    for (const TaggedValue& cell : source.figures.cells[size_t(row)])
      h = Mix(Mix(h, cell.index()), CellDigest(cell));
  const bool same = seen_ && h == lastSeen_ && !(refused_ && h == refusedDigest_);
  seen_ = true;
  lastSeen_ = h;
  return same;
}

void FigureInk::RefuseLastSeen() {
  refused_ = seen_;
  refusedDigest_ = lastSeen_;
}

bool FigureInk::Holds(const InkSource& source) const {
  if (!held_ || source.count != int(rows_.size()) || source.zoomPercent != zoomPercent_ ||
      !SameBits(source.twipsPerPixel, twipsPerPixel_) || source.surfaceSize != surfaceSize_ ||
      source.format != format_ || source.area != area_ ||
      (source.picture != nullptr) != hasPicture_ || PictureKey(source.picture) != pictureKey_)
    return false;
  for (int row = 1; row <= source.count; ++row) {
    const auto& kept = rows_[size_t(row - 1)];
    const auto& now = source.figures.cells[size_t(row)];
    for (int col = 0; col < fig::kColumns; ++col)
      if (!SameCell(kept[size_t(col)], now[size_t(col)])) return false;
  }
  return source.settings == settings_;
}

QImage& FigureInk::Start(const InkSource& source) {
  held_ = false;
  statesKept_ = false;
  rows_.assign(source.figures.cells.begin() + 1, source.figures.cells.begin() + 1 + source.count);
  zoomPercent_ = source.zoomPercent;
  settings_ = source.settings;
  twipsPerPixel_ = source.twipsPerPixel;
  surfaceSize_ = source.surfaceSize;
  format_ = source.format;
  area_ = source.area;
  hasPicture_ = source.picture != nullptr;
  pictureKey_ = PictureKey(source.picture);
  if (layer_.size() != source.surfaceSize || layer_.format() != source.format)
    layer_ = QImage(source.surfaceSize, source.format);
  reach_.assign(size_t(std::max(area_.height(), 0)),
                {std::numeric_limits<int>::max(), std::numeric_limits<int>::min()});
  chains_.Clear();
  // Taken here, on the calling thread: bits() may not be called from the bands.
  layerBits_ = layer_.bits();
  return layer_;
}

void FigureInk::Clear(const QRect& part) {
  const QRect p = part & area_;
  if (p.isEmpty()) return;
  const qsizetype pitch = layer_.bytesPerLine();
  for (int y = p.top(); y <= p.bottom(); ++y)
    std::memset(layerBits_ + y * pitch + p.left() * 4, 0, size_t(p.width()) * 4);
}

void FigureInk::Reach(const QRect& rect) {
  const QRect r = rect & area_;
  if (r.isEmpty()) return;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto& columns = reach_[size_t(y - area_.top())];
    columns.first = std::min(columns.first, r.left());
    columns.second = std::max(columns.second, r.right());
  }
}

bool FigureInk::Finish() {
  held_ = !chains_.Overflowed();
  return held_;
}

void FigureInk::Forget() {
  held_ = false;
  statesKept_ = false;
}

void FigureInk::Drop() {
  held_ = false;
  statesKept_ = false;
  rows_.clear();
  rows_.shrink_to_fit();
  reach_.clear();
  reach_.shrink_to_fit();
  layer_ = QImage();
  layerBits_ = nullptr;
}

void FigureInk::LayOver(uchar* bits, qsizetype bytesPerLine, const QRect& part) const {
  const QRect p = part & area_;
  if (!held_ || p.isEmpty()) return;
  const uchar* ink = layer_.constBits();
  const qsizetype inkPitch = layer_.bytesPerLine();
  const bool multiplies = !chains_.Empty();
  for (int y = p.top(); y <= p.bottom(); ++y) {
    const auto& columns = reach_[size_t(y - area_.top())];
    const int from = std::max(columns.first, p.left()), to = std::min(columns.second, p.right());
    if (from > to) continue;
    auto* target = reinterpret_cast<uint32_t*>(bits + y * bytesPerLine) + from;
    const auto* source = reinterpret_cast<const uint32_t*>(ink + y * inkPitch) + from;
    if (multiplies)
      LayRow(target, source, to - from + 1, chains_);
    else
      LayColours(target, source, to - from + 1);
  }
}

void FigureInk::Save(const RefreshState& from, Shared& to) {
  to.canvas.CopyStateFrom(from.canvas);
  to.work = from.work;
  to.drag = from.drag;
  to.panel = from.panel;
  to.text = from.text;
}

void FigureInk::KeepStates(const RefreshState& start, const RefreshState& end) {
  Save(start, start_);
  Save(end, end_);
  statesKept_ = true;
}

bool FigureInk::StartsFrom(const RefreshState& state) const {
  return statesKept_ && state.canvas.SameStateAs(start_.canvas) &&
         SameWork(state.work, start_.work) && SameDrag(state.drag, start_.drag) &&
         SamePanel(state.panel, start_.panel) && SameText(state.text, start_.text);
}

void FigureInk::LeaveEnd(const RefreshState& state) const {
  state.canvas.CopyStateFrom(end_.canvas);
  state.work = end_.work;
  state.drag = end_.drag;
  state.panel = end_.panel;
  state.text = end_.text;
}

}  // namespace velmor
