// Fonts, text measurement and turned text of the canvas. Fonts are matched by cell height, as
// the device creates them, and rendered without anti-aliasing. Every refresh prints the same
// texts again, so each text is laid out and rasterised once and kept as runs of pixels.
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "core/base/NumberRules.h"
#include "raster/GdiCanvas.h"
#include "raster/GdiRaster.h"

namespace velmor::platform {

namespace {
QString ToQString(const std::string& text) {
  return QString::fromStdString(text);
}

// Beyond this many pixels a text is painted directly rather than kept.
constexpr int64_t kLargestKeptText = 1 << 20;
constexpr size_t kKeptTexts = 4096;

// Matching, measuring and rasterising a font reach into libraries shared by every canvas, which
// canvases on other threads may be using: the rare calls that get there take turns.
std::mutex& FontLibraries() {
  static std::mutex guard;
  return guard;
}

struct PixelRun {
  int dy, xa, xb;  // relative to the corner of the text cell
};

// The glyph pixels of `text` printed with the corner of its cell at (0, 0), as runs.
std::vector<PixelRun> GlyphRuns(const QFont& font, int ascent, double degrees, const QRect& box,
                                const QString& text) {
  QImage mask(box.size(), QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.translate(-box.left(), -box.top());
    if (degrees != 0) painter.rotate(-degrees);
    painter.drawText(QPointF(0, ascent), text);
  }
  std::vector<PixelRun> runs;
  for (int y = 0; y < mask.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    for (int x = 0; x < mask.width(); ++x) {
      if (qAlpha(row[x]) < 128) continue;
      const int start = x;
      while (x + 1 < mask.width() && qAlpha(row[x + 1]) >= 128) ++x;
      runs.push_back({y + box.top(), start + box.left(), x + box.left()});
    }
  }
  return runs;
}
}  // namespace

// Qt fonts resolved from logical fonts, kept because matching a face costs far more than drawing.
struct GdiCanvas::Fonts {
  struct Resolved {
    QFont font;
    int cellHeight = 0;
    int ascent = 0;
  };
  using Key = std::tuple<std::string, int32_t, int32_t, bool>;  // face, height, weight, italic
  struct KeyHash {
    size_t operator()(const Key& k) const {
      size_t h = std::hash<std::string>()(std::get<0>(k));
      for (size_t v : {size_t(uint32_t(std::get<1>(k))), size_t(uint32_t(std::get<2>(k))),
                       size_t(std::get<3>(k))})
        h = (h ^ v) * 0x100000001B3ull;
      return h;
    }
  };
  std::unordered_map<Key, Resolved, KeyHash> resolved;
  // Per font, escapement and text: the advance width and the glyph pixels.
  using TextKey = std::tuple<Key, int32_t, std::string>;
  struct TextKeyHash {
    size_t operator()(const TextKey& k) const {
      const size_t h = KeyHash()(std::get<0>(k)) ^ std::hash<std::string>()(std::get<2>(k));
      return (h ^ size_t(uint32_t(std::get<1>(k)))) * 0x100000001B3ull;
    }
  };
  struct Laid {
    int width = 0;
    bool kept = false, boxed = false;
    std::vector<PixelRun> runs;  // by row, top to bottom
    QRect box;                   // where the turned glyphs can reach, from the cell's corner
  };
  std::unordered_map<TextKey, Laid, TextKeyHash> laid;
  // A text is measured and printed in the same font: the last one resolved is asked again.
  const Resolved* last = nullptr;
  LogicalFont lastFont;
  int32_t lastDefault = 0;

  static QFont Base(const LogicalFont& f) {
    QFont font;
    if (!f.FaceName.empty()) font.setFamily(ToQString(f.FaceName));
    font.setWeight(f.Weight <= 0 ? QFont::Normal
                                 : static_cast<QFont::Weight>(std::clamp(f.Weight, 1, 1000)));
    font.setItalic(f.Italic);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
  }

  static Key KeyOf(const LogicalFont& f, int32_t defaultHeight) {
    return {f.FaceName, f.Height == 0 ? defaultHeight : f.Height, f.Weight, f.Italic};
  }

  const Resolved& Resolve(const LogicalFont& f, int32_t defaultHeight) {
    if (last != nullptr && lastDefault == defaultHeight && lastFont.Height == f.Height &&
        lastFont.Weight == f.Weight && lastFont.Italic == f.Italic &&
        lastFont.FaceName == f.FaceName)
      return *last;
    const Resolved& r = Find(f, defaultHeight);
    last = &r, lastFont = f, lastDefault = defaultHeight;
    return r;
  }

  const Resolved& Find(const LogicalFont& f, int32_t defaultHeight) {
    const Key key = KeyOf(f, defaultHeight);
    if (auto it = resolved.find(key); it != resolved.end()) return it->second;
    if (resolved.size() > 512) resolved.clear(), last = nullptr;
    const std::lock_guard turn(FontLibraries());
    Resolved r;
    r.font = Base(f);
    const int32_t height = std::get<1>(key);
    if (height > 0) {
      // Size the characters so that ascent + descent come to the requested cell height.
      QFont probe = r.font;
      probe.setPixelSize(200);
      const QFontMetricsF pm(probe);
      const double ratio = std::max(0.1, (pm.ascent() + pm.descent()) / 200.0);
      r.font.setPixelSize(std::max(1, static_cast<int>(std::lround(height / ratio))));
      r.cellHeight = height;
    } else {
      r.font.setPixelSize(std::max(1, -height));
      const QFontMetrics m(r.font);
      r.cellHeight = m.ascent() + m.descent();
    }
    r.ascent = QFontMetrics(r.font).ascent();
    return resolved.emplace(key, std::move(r)).first->second;
  }

  // The text's width, and, when `withGlyphs`, its pixels unless it is too large to keep.
  const Laid& Lay(const LogicalFont& f, int32_t defaultHeight, const std::string& text,
                  bool withGlyphs) {
    return Lay(Resolve(f, defaultHeight), f, defaultHeight, text, withGlyphs);
  }
  // With `within` (from the cell's corner), glyphs are rasterised only once their box meets it.
  const Laid& Lay(const Resolved& r, const LogicalFont& f, int32_t defaultHeight,
                  const std::string& text, bool withGlyphs, const QRect* within = nullptr) {
    const int32_t escapement = withGlyphs ? f.Escapement % 3600 : 0;
    TextKey key{KeyOf(f, defaultHeight), escapement, text};
    auto it = laid.find(key);
    if (it == laid.end()) {
      if (laid.size() >= kKeptTexts) laid.clear();
      Laid l;
      const std::lock_guard turn(FontLibraries());
      l.width = QFontMetrics(r.font).horizontalAdvance(ToQString(text));
      it = laid.emplace(std::move(key), std::move(l)).first;
    }
    Laid& l = it->second;
    if (withGlyphs && !l.kept) {
      if (!l.boxed) l.box = GlyphBox(r, escapement, l.width), l.boxed = true;
      const QRect box = l.box;
      if ((within == nullptr || box.intersects(*within)) &&
          int64_t(box.width()) * box.height() <= kLargestKeptText) {
        const std::lock_guard turn(FontLibraries());
        l.runs = GlyphRuns(r.font, r.ascent, escapement / 10.0, box, ToQString(text));
        l.kept = true;
      }
    }
    return l;
  }

  // Where the glyphs of a cell `width` wide can reach once turned, with room for overhangs.
  static QRect GlyphBox(const Resolved& r, int32_t escapement, int width) {
    const double margin = r.cellHeight + 4.0;
    QTransform turn;
    turn.rotate(-escapement / 10.0);
    return turn.mapRect(QRectF(-margin, -margin, width + 2 * margin, r.cellHeight + 2 * margin))
        .toAlignedRect();
  }
};

GdiCanvas::GdiCanvas(QImage* surface)
    : surface_(surface), fonts_(std::make_unique<Fonts>()), scratch_(std::make_unique<Scratch>()) {
  InvalidateSelection();
}

GdiCanvas::~GdiCanvas() = default;

void GdiCanvas::SetTwipsPerPixelX(double twips) {
  if (std::isfinite(twips) && twips > 0) twipsPerPixel_ = twips;
  InvalidateSelection();
}

void GdiCanvas::SetFontName(const std::string& name) {
  fontName_ = name;
  InvalidateSelection();
}

double GdiCanvas::FontSize() const {
  const double dpi = 1440.0 / twipsPerPixel_;
  return RoundHalfEven(fontSize_ * dpi / 72.0) * 72.0 / dpi;
}

void GdiCanvas::SetFontSize(double points) {
  fontSize_ = std::isfinite(points) ? std::clamp(points, 0.0, 32767.0) : 0.0;
  InvalidateSelection();
}

void GdiCanvas::SetFontBold(bool bold) {
  fontBold_ = bold;
  InvalidateSelection();
}

void GdiCanvas::SetFontItalic(bool italic) {
  fontItalic_ = italic;
  InvalidateSelection();
}

int32_t GdiCanvas::CellHeightForPoints(int32_t points) const {
  const auto twips = static_cast<int64_t>(RoundHalfEven(twipsPerPixel_));
  const auto scaled = static_cast<int64_t>(RoundHalfEven(points * 20.25));
  return static_cast<int32_t>(scaled / std::max<int64_t>(twips, 1));
}

LogicalFont GdiCanvas::CanvasFont() const {
  const auto points = static_cast<int32_t>(RoundHalfEven(FontSize()));
  return {fontName_, CellHeightForPoints(points), 0, fontBold_ ? 700 : 0, fontItalic_};
}

void GdiCanvas::InvalidateSelection() {
  selectionStale_ = true;
}

const LogicalFont& GdiCanvas::Selected() const {
  if (selectionStale_) selected_ = CanvasFont(), selectionStale_ = false;
  return selected_;
}

LogicalFont GdiCanvas::SelectFont(const LogicalFont& font) {
  LogicalFont previous = Selected();
  selected_ = font;
  return previous;
}

int GdiCanvas::TextWidth(const std::string& text) const {
  if (text.empty()) return 0;
  return fonts_->Lay(Selected(), CellHeightForPoints(12), text, false).width;
}

int GdiCanvas::TextHeight(const std::string&) const {
  return fonts_->Resolve(Selected(), CellHeightForPoints(12)).cellHeight;
}

void GdiCanvas::Print(const std::string& text) {
  const int32_t defaultHeight = CellHeightForPoints(12);
  const LogicalFont& selected = Selected();
  const auto& f = fonts_->Resolve(selected, defaultHeight);
  if (!text.empty() && std::isfinite(currentX_) && std::isfinite(currentY_) && Ready()) {
    const double x = RoundHalfEven(currentX_), y = RoundHalfEven(currentY_);
    const QRgb color = 0xFF000000u | ((foreColor_ & 0xFFu) << 16) | (foreColor_ & 0xFF00u) |
                       ((foreColor_ >> 16) & 0xFFu);
    const int64_t cx = int64_t(std::clamp(x, -1e9, 1e9)), cy = int64_t(std::clamp(y, -1e9, 1e9));
    const QRect drawable = DrawableRect();
    // A text the canvas cannot show now is not rasterised yet: a band of a refresh sees only
    // some of the texts.
    const QRect seen = drawable.translated(-int(cx), -int(cy));
    const auto& laid = fonts_->Lay(f, selected, defaultHeight, text, true, &seen);
    Touch(cx + laid.box.left(), cy + laid.box.top(), cx + laid.box.right(), cy + laid.box.bottom());
    if (!laid.box.intersects(seen)) {
      // The glyphs stay inside their box.
    } else if (laid.kept) {
      auto* bits = reinterpret_cast<QRgb*>(surface_->bits());
      const int64_t stride = surface_->bytesPerLine() / 4;
      auto run = std::lower_bound(laid.runs.begin(), laid.runs.end(), int64_t(drawable.top()) - cy,
                                  [](const PixelRun& r, int64_t dy) { return int64_t(r.dy) < dy; });
      const auto end = laid.runs.end();
      if (cx + laid.box.left() >= drawable.left() && cx + laid.box.right() <= drawable.right()) {
        // Every run lies across the drawable columns: only the rows need a look.
        for (; run != end && cy + run->dy <= drawable.bottom(); ++run) {
          QRgb* row = bits + (cy + run->dy) * stride + cx;
          for (QRgb *p = row + run->xa, *last = row + run->xb; p <= last; ++p) *p = color;
        }
      }
      for (; run != end && cy + run->dy <= drawable.bottom(); ++run) {
        const int64_t row = cy + run->dy;
        const int64_t xa = std::max<int64_t>(cx + run->xa, drawable.left());
        const int64_t xb = std::min<int64_t>(cx + run->xb, drawable.right());
        if (xa <= xb) raster::Fill32(bits + row * stride + xa, bits + row * stride + xb + 1, color);
      }
    } else {
      const std::lock_guard turn(FontLibraries());
      QPainter painter(surface_);
      painter.setClipRect(drawable);
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      painter.setFont(f.font);
      painter.setPen(QColor::fromRgb(color));
      painter.translate(x, y);
      if (selected.Escapement % 3600 != 0) painter.rotate(-selected.Escapement / 10.0);
      painter.drawText(QPointF(0, f.ascent), ToQString(text));
    }
  }
  currentX_ = 0;
  currentY_ += static_cast<float>(f.cellHeight);
}

}  // namespace velmor::platform
