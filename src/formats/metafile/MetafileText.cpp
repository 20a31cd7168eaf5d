// Fonts and text of MetafileDevice.
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "formats/metafile/MetafileDevice.h"

namespace velmor::platform::metafile {

namespace {

constexpr int kMaxFontPixels = 2048;
constexpr qsizetype kMaxTextChars = 4096;
constexpr int64_t kFontLookupWork = 1'000'000;

// A family to fall back on for the Japanese faces Windows ships, so that the glyphs keep their
// design when the named face is absent.
QString FallbackFamily(const QString& face) {
  if (face.contains(QStringLiteral("明朝")) ||
      face.contains(QLatin1String("Mincho"), Qt::CaseInsensitive)) {
    return QStringLiteral("IPAMincho");
  }
  if (face.contains(QStringLiteral("ゴシック")) ||
      face.contains(QLatin1String("Gothic"), Qt::CaseInsensitive)) {
    return QStringLiteral("IPAGothic");
  }
  return {};
}

}  // namespace

std::optional<QFont> MetafileDevice::MakeFont(double* pixelSize) {
  const GdiFont& f = state_.font;
  const QTransform m = Mapping();
  const double scale = f.heightInPixels ? 1.0 : std::hypot(m.m21(), m.m22());
  double size = f.height == 0 ? 16.0 : std::abs(static_cast<double>(f.height)) * scale;
  if (!std::isfinite(size)) size = 16;
  size = std::clamp(std::round(size), 1.0, static_cast<double>(kMaxFontPixels));
  const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                          .arg(f.face)
                          .arg(size)
                          .arg(f.height > 0)
                          .arg(f.weight)
                          .arg(f.italic)
                          .arg(f.underline)
                          .arg(f.strikeOut)
                          .arg(f.quality);
  if (key != fontKey_) {
    // Looking a face up is costly: a file that keeps changing fonts spends its budget on it.
    if (!Charge(kFontLookupWork)) return std::nullopt;
    QFont font;
    QStringList families;
    if (!f.face.isEmpty()) families << f.face;
    if (const QString fallback = FallbackFamily(f.face); !fallback.isEmpty()) families << fallback;
    if (!families.isEmpty()) font.setFamilies(families);
    font.setPixelSize(static_cast<int>(size));
    if (f.height > 0) {  // a cell height: ascent plus descent
      const double cell = QFontMetricsF(font).height();
      if (cell > 0) {
        font.setPixelSize(static_cast<int>(
            std::clamp(std::round(size * size / cell), 1.0, static_cast<double>(kMaxFontPixels))));
      }
    }
    if (f.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    constexpr uint8_t kAntialiasedQuality = 4, kClearTypeQuality = 5;
    const bool smooth = f.quality == kAntialiasedQuality || f.quality == kClearTypeQuality;
    font.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    font_ = font;
    fontKey_ = key;
  }
  *pixelSize = font_.pixelSize();
  return font_;
}

void MetafileDevice::TextOut(QPointF reference, const QString& text, uint32_t options,
                             const std::optional<LogicalBox>& rect) {
  if (pathOpen_ || exhausted_) return;
  std::optional<QRect> box;
  if (rect && (options & (gdi::kEtoOpaque | gdi::kEtoClipped))) {
    box = DeviceBox(*rect).adjusted(0, 0, 1, 1).toRect();
  }
  const QString shown = text.left(kMaxTextChars);
  // Fonts need the GUI application; without one only the opaque box is drawn.
  const bool canPrint = qGuiApp != nullptr && !shown.isEmpty();
  const bool updatePosition = state_.textAlign & gdi::kTaUpdateCp;
  const QPointF anchor = ToDevice(updatePosition ? state_.position : reference);

  double size = 0;
  std::optional<QFont> font;
  if (canPrint && !(font = MakeFont(&size))) return;
  double width = 0, ascent = 0, descent = 0;
  if (font) {
    const QFontMetricsF metrics(*font, target_);
    width = metrics.horizontalAdvance(shown);
    ascent = metrics.ascent();
    descent = metrics.descent();
  }
  const double reach = width + ascent + descent;
  QRectF bounds(anchor.x() - reach, anchor.y() - reach, 2 * reach, 2 * reach);
  if (box) bounds = bounds.united(QRectF(*box));
  const int64_t glyphWork = static_cast<int64_t>(shown.size()) * static_cast<int64_t>(size * size);
  if (!Begin(bounds, glyphWork, false)) return;

  painter_.save();
  if (box && (options & gdi::kEtoOpaque)) painter_.fillRect(*box, state_.bkColor);
  if (box && (options & gdi::kEtoClipped)) painter_.setClipRect(*box, Qt::IntersectClip);
  if (font) {
    painter_.translate(anchor);
    painter_.rotate(-state_.font.escapement / 10.0);
    double x = 0;
    switch (state_.textAlign & gdi::kTaHorizontalMask) {
      case gdi::kTaRight:
        x = -width;
        break;
      case gdi::kTaCenter:
        x = -width / 2;
        break;
      default:
        break;
    }
    double baseline = ascent;
    switch (state_.textAlign & gdi::kTaVerticalMask) {
      case gdi::kTaBaseline:
        baseline = 0;
        break;
      case gdi::kTaBottom:
        baseline = -descent;
        break;
      default:
        break;
    }
    if (state_.bkMode == gdi::kOpaque) {
      painter_.fillRect(QRectF(x, baseline - ascent, width, ascent + descent), state_.bkColor);
    }
    painter_.setRenderHint(QPainter::TextAntialiasing,
                           font->styleStrategy() & QFont::PreferAntialias);
    painter_.setFont(*font);
    painter_.setPen(state_.textColor);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.drawText(QPointF(x, baseline), shown);
  }
  painter_.restore();

  if (updatePosition && font) {
    const double radians = state_.font.escapement / 10.0 * std::numbers::pi / 180;
    const QPointF advanced = anchor + QPointF(std::cos(radians), -std::sin(radians)) * width;
    bool invertible = false;
    const QTransform back = Mapping().inverted(&invertible);
    if (invertible) state_.position = back.map(advanced);
  }
}

}  // namespace velmor::platform::metafile
