#include "platform/metafile/MetafileDevice.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace velmor::platform::metafile {

namespace {

// Far enough outside any output picture to be off it, near enough for the rasteriser's fixed
// point arithmetic.
constexpr double kCoordLimit = 1 << 22;
constexpr int kMaxFontPixels = 2048;
constexpr int kMaxPenPixels = 4096;
constexpr qsizetype kMaxTextChars = 4096;
constexpr int64_t kFontLookupWork = 1'000'000;

double Snap(double v) {
  if (!std::isfinite(v)) return 0;
  return std::clamp(std::round(v), -kCoordLimit, kCoordLimit);
}

bool UsableTransform(const QTransform& t) {
  const double values[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
  for (double v : values) {
    if (!std::isfinite(v) || std::abs(v) > 1e9) return false;
  }
  return std::abs(t.determinant()) > 1e-12;
}

// Wide pens cost the stroker and the rasteriser about their width squared at every vertex.
int64_t StrokeWork(double penWidth, int64_t points) {
  const int64_t w = static_cast<int64_t>(penWidth);
  return points * (1 + w * w);
}

Qt::BrushStyle HatchStyle(uint32_t hatch) {
  switch (hatch) {
    case gdi::kHsHorizontal: return Qt::HorPattern;
    case gdi::kHsVertical: return Qt::VerPattern;
    case gdi::kHsFDiagonal: return Qt::FDiagPattern;  // falling from left to right
    case gdi::kHsBDiagonal: return Qt::BDiagPattern;  // rising from left to right
    case gdi::kHsCross: return Qt::CrossPattern;
    case gdi::kHsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

// A family to fall back on for the Japanese faces Windows ships, so that the glyphs keep their
// design when the named face is absent.
QString FallbackFamily(const QString& face) {
  if (face.contains(QStringLiteral("明朝")) || face.contains(QLatin1String("Mincho"), Qt::CaseInsensitive)) {
    return QStringLiteral("IPAMincho");
  }
  if (face.contains(QStringLiteral("ゴシック")) || face.contains(QLatin1String("Gothic"), Qt::CaseInsensitive)) {
    return QStringLiteral("IPAGothic");
  }
  return {};
}

struct BlitOp {
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  bool source = true;
  std::optional<QColor> fill;  // instead of the brush
};

BlitOp BlitFor(uint32_t rop, bool haveSource) {
  using M = QPainter::CompositionMode;
  switch (rop) {
    case gdi::kSrcCopy: return {M::CompositionMode_SourceOver, true, {}};
    case gdi::kSrcPaint: return {M::RasterOp_SourceOrDestination, true, {}};
    case gdi::kSrcAnd: return {M::RasterOp_SourceAndDestination, true, {}};
    case gdi::kSrcInvert: return {M::RasterOp_SourceXorDestination, true, {}};
    case gdi::kSrcErase: return {M::RasterOp_SourceAndNotDestination, true, {}};
    case gdi::kNotSrcCopy: return {M::RasterOp_NotSource, true, {}};
    case gdi::kNotSrcErase: return {M::RasterOp_NotSourceAndNotDestination, true, {}};
    case gdi::kMergePaint: return {M::RasterOp_NotSourceOrDestination, true, {}};
    case gdi::kPatCopy: return {M::CompositionMode_SourceOver, false, {}};
    case gdi::kPatInvert: return {M::RasterOp_SourceXorDestination, false, {}};
    case gdi::kDstInvert: return {M::RasterOp_NotDestination, false, QColor(Qt::black)};
    case gdi::kBlackness: return {M::CompositionMode_SourceOver, false, QColor(Qt::black)};
    case gdi::kWhiteness: return {M::CompositionMode_SourceOver, false, QColor(Qt::white)};
    default: return {M::CompositionMode_SourceOver, haveSource, {}};
  }
}

}  // namespace

MetafileDevice::MetafileDevice(QImage* target, const MetafileLimits& limits)
    : target_(target), limits_(limits), workLeft_(limits.workBudget) {
  painter_.begin(target_);
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, false);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

MetafileDevice::~MetafileDevice() { painter_.end(); }

// --- mapping ---------------------------------------------------------------------------------

void MetafileDevice::SetReferencePixelsPerMm(double x, double y) {
  if (std::isfinite(x) && std::isfinite(y) && x > 1e-3 && y > 1e-3 && x < 1e4 && y < 1e4) {
    pixelsPerMmX_ = x;
    pixelsPerMmY_ = y;
  }
}

void MetafileDevice::SetMapMode(int mode) {
  if (mode >= gdi::kMmText && mode <= gdi::kMmAnisotropic) state_.mapMode = mode;
}

void MetafileDevice::SetWindowExt(double x, double y) {
  if (x != 0 && y != 0 && std::isfinite(x) && std::isfinite(y)) state_.windowExt = {x, y};
}

void MetafileDevice::SetViewportExt(double x, double y) {
  if (x != 0 && y != 0 && std::isfinite(x) && std::isfinite(y)) state_.viewportExt = {x, y};
}

void MetafileDevice::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetWindowExt(state_.windowExt.x() * xNum / xDenom, state_.windowExt.y() * yNum / yDenom);
}

void MetafileDevice::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetViewportExt(state_.viewportExt.x() * xNum / xDenom, state_.viewportExt.y() * yNum / yDenom);
}

void MetafileDevice::SetWorldTransform(const QTransform& world) {
  if (UsableTransform(world)) state_.world = world;
}

void MetafileDevice::ModifyWorldTransform(const QTransform& change, int mode) {
  switch (mode) {
    case 1: state_.world = QTransform(); break;
    case 2: SetWorldTransform(change * state_.world); break;
    case 3: SetWorldTransform(state_.world * change); break;
    case 4: SetWorldTransform(change); break;
    default: break;
  }
}

QTransform MetafileDevice::Mapping() const {
  double sx = 1, sy = 1;
  auto fixed = [&](double mmPerUnit) {
    sx = mmPerUnit * pixelsPerMmX_;
    sy = -mmPerUnit * pixelsPerMmY_;
  };
  switch (state_.mapMode) {
    case gdi::kMmLoMetric: fixed(0.1); break;
    case gdi::kMmHiMetric: fixed(0.01); break;
    case gdi::kMmLoEnglish: fixed(0.254); break;
    case gdi::kMmHiEnglish: fixed(0.0254); break;
    case gdi::kMmTwips: fixed(25.4 / 1440); break;
    case gdi::kMmIsotropic:
    case gdi::kMmAnisotropic:
      sx = state_.viewportExt.x() / state_.windowExt.x();
      sy = state_.viewportExt.y() / state_.windowExt.y();
      if (state_.mapMode == gdi::kMmIsotropic) {
        const double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
      break;
    default: break;
  }
  const QTransform page(sx, 0, 0, sy, state_.viewportOrg.x() - state_.windowOrg.x() * sx,
                        state_.viewportOrg.y() - state_.windowOrg.y() * sy);
  return state_.world * page * frame_;
}

QPointF MetafileDevice::ToDevice(QPointF logical) const {
  const QPointF p = Mapping().map(logical);
  return {Snap(p.x()), Snap(p.y())};
}

QPolygonF MetafileDevice::ToDevice(std::span<const QPointF> logical) const {
  const QTransform m = Mapping();
  QPolygonF out;
  out.reserve(static_cast<qsizetype>(logical.size()));
  for (const QPointF& l : logical) {
    const QPointF p = m.map(l);
    out.append({Snap(p.x()), Snap(p.y())});
  }
  return out;
}

double MetafileDevice::DeviceScale() const {
  const double s = std::sqrt(std::abs(Mapping().determinant()));
  return std::isfinite(s) ? s : 1;
}

QRectF MetafileDevice::DeviceBox(const LogicalBox& box) const {
  const QPolygonF corners = ToDevice(std::array<QPointF, 4>{
      QPointF(box.left, box.top), QPointF(box.right, box.top), QPointF(box.right, box.bottom),
      QPointF(box.left, box.bottom)});
  const QRectF r = corners.boundingRect();
  return {r.left(), r.top(), std::max(0.0, r.width() - 1), std::max(0.0, r.height() - 1)};
}

// --- state -----------------------------------------------------------------------------------

bool MetafileDevice::SaveDc() {
  if (static_cast<int>(saved_.size()) >= limits_.maxSavedStates) return false;
  saved_.push_back(state_);
  return true;
}

void MetafileDevice::RestoreDc(int which) {
  const int size = static_cast<int>(saved_.size());
  int keep;
  if (which < 0) {
    if (-static_cast<int64_t>(which) > size) return;
    keep = size + which;
  } else if (which > 0 && which <= size) {
    keep = which - 1;
  } else {
    return;
  }
  state_ = saved_[keep];
  saved_.resize(keep);
}

void MetafileDevice::IntersectClipRect(const LogicalBox& box) {
  const QRectF r = DeviceBox(box).adjusted(0, 0, 1, 1);
  const QRegion rect(r.toRect());
  state_.clip = state_.clip ? state_.clip->intersected(rect) : rect.intersected(target_->rect());
}

void MetafileDevice::ExcludeClipRect(const LogicalBox& box) {
  const QRectF r = DeviceBox(box).adjusted(0, 0, 1, 1);
  const QRegion base = state_.clip ? *state_.clip : QRegion(target_->rect());
  state_.clip = base.subtracted(QRegion(r.toRect()));
}

void MetafileDevice::CombineClipRects(std::span<const QRectF> rects, int mode) {
  if (rects.empty() && mode == gdi::kRgnCopy) {
    state_.clip.reset();
    return;
  }
  if (!Charge(static_cast<int64_t>(rects.size()) * 64)) return;
  QRegion region;
  for (const QRectF& r : rects) {
    const QRectF mapped = frame_.mapRect(r.normalized());
    const int left = static_cast<int>(Snap(mapped.left())), top = static_cast<int>(Snap(mapped.top()));
    region += QRect(left, top, static_cast<int>(Snap(mapped.right())) - left,
                    static_cast<int>(Snap(mapped.bottom())) - top);
  }
  region &= target_->rect();
  const QRegion current = state_.clip ? *state_.clip : QRegion(target_->rect());
  switch (mode) {
    case gdi::kRgnAnd: state_.clip = current & region; break;
    case gdi::kRgnOr: state_.clip = current | region; break;
    case gdi::kRgnXor: state_.clip = current ^ region; break;
    case gdi::kRgnDiff: state_.clip = current - region; break;
    case gdi::kRgnCopy: state_.clip = region; break;
    default: break;
  }
}

// --- painter set-up --------------------------------------------------------------------------

bool MetafileDevice::Charge(int64_t work) {
  if (exhausted_) return false;
  workLeft_ -= std::max<int64_t>(work, 1);
  if (workLeft_ < 0) exhausted_ = true;
  return !exhausted_;
}

bool MetafileDevice::Begin(const QRectF& deviceBounds, int64_t extraWork, bool usesRop2) {
  const QRectF visible = deviceBounds.intersected(QRectF(target_->rect()));
  const int64_t area =
      visible.isEmpty() ? 0 : static_cast<int64_t>((visible.width() + 1) * (visible.height() + 1));
  const int64_t clipWork = state_.clip ? state_.clip->rectCount() : 0;
  if (!Charge(area + extraWork + clipWork)) return false;
  if (usesRop2 && state_.rop2 == gdi::kR2Nop) return false;
  if (state_.clip) {
    painter_.setClipRegion(*state_.clip);
  } else {
    painter_.setClipping(false);
  }
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  if (usesRop2) {
    switch (state_.rop2) {
      case gdi::kR2Black: mode = QPainter::RasterOp_ClearDestination; break;
      case gdi::kR2NotCopyPen: mode = QPainter::RasterOp_NotSource; break;
      case gdi::kR2Not: mode = QPainter::RasterOp_NotDestination; break;
      case gdi::kR2XorPen: mode = QPainter::RasterOp_SourceXorDestination; break;
      case gdi::kR2MaskPen: mode = QPainter::RasterOp_SourceAndDestination; break;
      case gdi::kR2NotXorPen: mode = QPainter::RasterOp_NotSourceXorDestination; break;
      case gdi::kR2MergePen: mode = QPainter::RasterOp_SourceOrDestination; break;
      case gdi::kR2White: mode = QPainter::RasterOp_SetDestination; break;
      default: break;
    }
  }
  painter_.setCompositionMode(mode);
  painter_.setBackgroundMode(state_.bkMode == gdi::kTransparent ? Qt::TransparentMode
                                                                 : Qt::OpaqueMode);
  painter_.setBackground(state_.bkColor);
  return true;
}

QPen MetafileDevice::MakePen() const {
  const GdiPen& pen = state_.pen;
  const uint32_t style = pen.style & gdi::kPsStyleMask;
  if (style == gdi::kPsNull) return QPen(Qt::NoPen);
  const double scale = DeviceScale();
  double pixels = std::round(pen.width * scale);
  if (!std::isfinite(pixels)) pixels = 1;
  const int width = static_cast<int>(std::clamp(pixels, 1.0, static_cast<double>(kMaxPenPixels)));
  QPen q(pen.color, width);
  if (width == 1) {
    q.setCapStyle(Qt::FlatCap);  // GDI leaves out a line's last pixel
    q.setJoinStyle(Qt::MiterJoin);
  } else {
    switch (pen.style & gdi::kPsEndCapMask) {
      case gdi::kPsEndCapSquare: q.setCapStyle(Qt::SquareCap); break;
      case gdi::kPsEndCapFlat: q.setCapStyle(Qt::FlatCap); break;
      default: q.setCapStyle(Qt::RoundCap); break;
    }
    switch (pen.style & gdi::kPsJoinMask) {
      case gdi::kPsJoinBevel: q.setJoinStyle(Qt::BevelJoin); break;
      case gdi::kPsJoinMiter: q.setJoinStyle(Qt::MiterJoin); break;
      default: q.setJoinStyle(Qt::RoundJoin); break;
    }
  }
  const bool geometric = pen.style & gdi::kPsGeometric;
  switch (style) {
    case gdi::kPsDash:
    case gdi::kPsDot:
    case gdi::kPsDashDot:
    case gdi::kPsDashDotDot:
      if (width == 1) {
        // The pixel patterns of GDI's cosmetic styled lines.
        static const QList<qreal> kPatterns[] = {
            {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
        q.setDashPattern(kPatterns[style - gdi::kPsDash]);
      } else if (geometric) {
        static const Qt::PenStyle kStyles[] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                               Qt::DashDotDotLine};
        q.setStyle(kStyles[style - gdi::kPsDash]);
      }  // wider cosmetic pens draw solid
      break;
    case gdi::kPsAlternate:
      q.setDashPattern({1, 1});
      break;
    case gdi::kPsUserStyle:
      if (!pen.dashes.empty()) {
        QList<qreal> pattern;
        for (double d : pen.dashes) {
          pattern.append(std::clamp(std::abs(d) * (geometric ? scale / width : 1.0), 0.5, 1e4));
        }
        if (pattern.size() % 2) pattern.append(pattern);
        q.setDashPattern(pattern);
      }
      break;
    default:
      break;
  }
  return q;
}

QBrush MetafileDevice::MakeBrush() const {
  const GdiBrush& brush = state_.brush;
  switch (brush.style) {
    case gdi::kBsNull: return Qt::NoBrush;
    case gdi::kBsHatched: return QBrush(brush.color, HatchStyle(brush.hatch));
    case gdi::kBsPattern:
    case gdi::kBsDibPattern:
    case gdi::kBsDibPatternPt:
      if (!brush.pattern.isNull()) return QBrush(brush.pattern);
      return QBrush(brush.color);
    default: return QBrush(brush.color);
  }
}

// --- drawing ---------------------------------------------------------------------------------

void MetafileDevice::AppendToPath(const QPainterPath& figure, bool connect) {
  if (!Charge(figure.elementCount())) return;
  if (connect && path_.elementCount() > 0) {
    path_.connectPath(figure);
  } else {
    path_.addPath(figure);
  }
}

void MetafileDevice::DrawShape(const QPainterPath& path, bool fill) {
  const QPen pen = MakePen();
  const double w = pen.style() == Qt::NoPen ? 0 : pen.widthF();
  if (!Begin(path.boundingRect().adjusted(-w, -w, w, w), StrokeWork(w, path.elementCount()))) {
    return;
  }
  painter_.setPen(pen);
  painter_.setBrush(fill ? MakeBrush() : QBrush(Qt::NoBrush));
  painter_.drawPath(path);
}

void MetafileDevice::MoveTo(QPointF p) {
  state_.position = p;
  if (pathOpen_) {
    const QPointF d = ToDevice(p);
    if (Charge(1)) path_.moveTo(d);
  }
}

void MetafileDevice::LineTo(QPointF p) {
  const QPointF from = ToDevice(state_.position), to = ToDevice(p);
  state_.position = p;
  if (pathOpen_) {
    if (!Charge(1)) return;
    if (path_.elementCount() == 0) path_.moveTo(from);
    path_.lineTo(to);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.widthF();
  if (!Begin(QRectF(from, to).normalized().adjusted(-w, -w, w, w), StrokeWork(w, 2))) return;
  painter_.setPen(pen);
  painter_.drawLine(from, to);
}

void MetafileDevice::Polyline(std::span<const QPointF> points) {
  if (points.size() < 2 && !pathOpen_) return;
  if (points.empty()) return;
  const QPolygonF poly = ToDevice(points);
  if (pathOpen_) {
    QPainterPath figure(poly.first());
    for (qsizetype i = 1; i < poly.size(); ++i) figure.lineTo(poly[i]);
    AppendToPath(figure, false);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.widthF();
  if (!Begin(poly.boundingRect().adjusted(-w, -w, w, w), StrokeWork(w, poly.size()))) return;
  painter_.setPen(pen);
  painter_.drawPolyline(poly);
}

void MetafileDevice::PolylineTo(std::span<const QPointF> points) {
  if (points.empty()) return;
  std::vector<QPointF> all;
  all.reserve(points.size() + 1);
  all.push_back(state_.position);
  all.insert(all.end(), points.begin(), points.end());
  state_.position = points.back();
  if (pathOpen_) {
    const QPolygonF poly = ToDevice(all);
    if (!Charge(poly.size())) return;
    if (path_.elementCount() == 0) path_.moveTo(poly.first());
    for (qsizetype i = 1; i < poly.size(); ++i) path_.lineTo(poly[i]);
    return;
  }
  Polyline(all);
}

void MetafileDevice::PolyBezier(std::span<const QPointF> points) {
  if (points.size() < 4) return;
  const QPolygonF poly = ToDevice(points);
  QPainterPath figure(poly.first());
  for (qsizetype i = 1; i + 2 < poly.size(); i += 3) figure.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
  if (pathOpen_) {
    AppendToPath(figure, false);
  } else {
    DrawShape(figure, false);
  }
}

void MetafileDevice::PolyBezierTo(std::span<const QPointF> points) {
  if (points.size() < 3) return;
  const QPointF from = ToDevice(state_.position);
  const QPolygonF poly = ToDevice(points);
  state_.position = points[points.size() / 3 * 3 - 1];
  if (pathOpen_) {
    if (!Charge(poly.size())) return;
    if (path_.elementCount() == 0) path_.moveTo(from);
    for (qsizetype i = 0; i + 2 < poly.size(); i += 3) path_.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
    return;
  }
  QPainterPath figure(from);
  for (qsizetype i = 0; i + 2 < poly.size(); i += 3) figure.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
  DrawShape(figure, false);
}

void MetafileDevice::Polygon(std::span<const QPointF> points) {
  if (points.size() < 2) return;
  const QPolygonF poly = ToDevice(points);
  const Qt::FillRule rule =
      state_.polyFillMode == gdi::kWinding ? Qt::WindingFill : Qt::OddEvenFill;
  if (pathOpen_) {
    QPainterPath figure;
    figure.addPolygon(poly);
    figure.closeSubpath();
    AppendToPath(figure, false);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.style() == Qt::NoPen ? 0 : pen.widthF();
  if (!Begin(poly.boundingRect().adjusted(-w, -w, w, w), StrokeWork(w, poly.size()))) return;
  painter_.setPen(pen);
  painter_.setBrush(MakeBrush());
  painter_.drawPolygon(poly, rule);
}

void MetafileDevice::PolyPolygon(std::span<const QPointF> points, std::span<const uint32_t> counts) {
  QPainterPath all;
  all.setFillRule(state_.polyFillMode == gdi::kWinding ? Qt::WindingFill : Qt::OddEvenFill);
  const QPolygonF poly = ToDevice(points);
  qsizetype at = 0;
  for (uint32_t count : counts) {
    if (count > static_cast<uint64_t>(poly.size() - at)) break;
    if (count >= 2) {
      all.addPolygon(poly.mid(at, count));
      all.closeSubpath();
    }
    at += count;
  }
  if (pathOpen_) {
    AppendToPath(all, false);
  } else {
    DrawShape(all, true);
  }
}

void MetafileDevice::PolyPolyline(std::span<const QPointF> points,
                                  std::span<const uint32_t> counts) {
  size_t at = 0;
  for (uint32_t count : counts) {
    if (count > points.size() - at) break;
    Polyline(points.subspan(at, count));
    at += count;
  }
}

void MetafileDevice::Rectangle(const LogicalBox& box) {
  const QRectF r = DeviceBox(box);
  if (pathOpen_) {
    QPainterPath figure;
    figure.addRect(r);
    AppendToPath(figure, false);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.style() == Qt::NoPen ? 0 : pen.widthF();
  if (!Begin(r.adjusted(-w, -w, w, w), StrokeWork(w, 4))) return;
  painter_.setPen(pen);
  painter_.setBrush(MakeBrush());
  painter_.drawRect(r);
}

void MetafileDevice::RoundRect(const LogicalBox& box, double cornerWidth, double cornerHeight) {
  const QRectF r = DeviceBox(box);
  const QTransform m = Mapping();
  const double rx = std::min(std::abs(cornerWidth * std::hypot(m.m11(), m.m12())) / 2, r.width() / 2);
  const double ry = std::min(std::abs(cornerHeight * std::hypot(m.m21(), m.m22())) / 2, r.height() / 2);
  QPainterPath figure;
  figure.addRoundedRect(r, std::isfinite(rx) ? rx : 0, std::isfinite(ry) ? ry : 0);
  if (pathOpen_) {
    AppendToPath(figure, false);
  } else {
    DrawShape(figure, true);
  }
}

void MetafileDevice::Ellipse(const LogicalBox& box) {
  const QRectF r = DeviceBox(box);
  if (pathOpen_) {
    QPainterPath figure;
    figure.addEllipse(r);
    AppendToPath(figure, false);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.style() == Qt::NoPen ? 0 : pen.widthF();
  if (!Begin(r.adjusted(-w, -w, w, w), StrokeWork(w, 4))) return;
  painter_.setPen(pen);
  painter_.setBrush(MakeBrush());
  painter_.drawEllipse(r);
}

void MetafileDevice::Arc(const LogicalBox& box, QPointF start, QPointF end, ArcKind kind) {
  const QRectF r = DeviceBox(box);
  if (r.width() <= 0 || r.height() <= 0) return;
  const QPointF c = r.center(), s = ToDevice(start), e = ToDevice(end);
  // Angles of the radials as Qt's arcs take them: parametric, counterclockwise on screen.
  auto angle = [&](QPointF p) {
    return std::atan2((c.y() - p.y()) / r.height(), (p.x() - c.x()) / r.width()) * 180 / std::numbers::pi;
  };
  const double a0 = angle(s), a1 = angle(e);
  double sweep = std::fmod(a1 - a0 + 720, 360);
  if (sweep <= 1e-9) sweep = 360;
  if (state_.arcDirection == gdi::kClockwise) sweep -= 360;
  QPainterPath figure;
  if (kind == ArcKind::Pie) {
    figure.moveTo(c);
    figure.arcTo(r, a0, sweep);
    figure.closeSubpath();
  } else {
    figure.arcMoveTo(r, a0);
    figure.arcTo(r, a0, sweep);
    if (kind == ArcKind::Chord) figure.closeSubpath();
  }
  if (pathOpen_) {
    AppendToPath(figure, kind == ArcKind::Arc);
  } else {
    DrawShape(figure, kind != ArcKind::Arc);
  }
}

void MetafileDevice::SetPixel(QPointF p, const QColor& color) {
  if (pathOpen_) return;
  const QPointF d = ToDevice(p);
  const QRectF pixel(d, QSizeF(1, 1));
  if (!Begin(pixel, 1, false)) return;
  painter_.fillRect(pixel, color);
}

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
      case gdi::kTaRight: x = -width; break;
      case gdi::kTaCenter: x = -width / 2; break;
      default: break;
    }
    double baseline = ascent;
    switch (state_.textAlign & gdi::kTaVerticalMask) {
      case gdi::kTaBaseline: baseline = 0; break;
      case gdi::kTaBottom: baseline = -descent; break;
      default: break;
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

void MetafileDevice::Blit(double x, double y, double width, double height, const QImage& bitmap,
                          const QRect& source, uint32_t rop) {
  if (pathOpen_ || exhausted_) return;
  const QPointF a = ToDevice(QPointF(x, y)), b = ToDevice(QPointF(x + width, y + height));
  const QRectF dest = QRectF(a, b).normalized();
  if (dest.width() < 1 || dest.height() < 1) return;
  const BlitOp op = BlitFor(rop, !bitmap.isNull());
  QImage part;
  if (op.source) {
    const QRect from = source.intersected(bitmap.rect());
    if (from.isEmpty()) return;
    part = bitmap.copy(from).mirrored(b.x() < a.x(), b.y() < a.y());
  }
  if (!Begin(dest, part.isNull() ? 0 : static_cast<int64_t>(part.width()) * part.height(), false)) {
    return;
  }
  painter_.setCompositionMode(op.mode);
  if (op.source) {
    painter_.drawImage(dest, part);
    return;
  }
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(op.fill ? QBrush(*op.fill) : MakeBrush());
  painter_.drawRect(dest);
}

// --- paths -----------------------------------------------------------------------------------

void MetafileDevice::BeginPath() {
  path_ = QPainterPath();
  pathOpen_ = true;
}

void MetafileDevice::AbortPath() {
  path_ = QPainterPath();
  pathOpen_ = false;
}

void MetafileDevice::CloseFigure() {
  if (pathOpen_) path_.closeSubpath();
}

void MetafileDevice::FillPath() {
  if (pathOpen_) return;
  path_.setFillRule(state_.polyFillMode == gdi::kWinding ? Qt::WindingFill : Qt::OddEvenFill);
  const GdiPen pen = state_.pen;
  state_.pen.style = gdi::kPsNull;
  DrawShape(path_, true);
  state_.pen = pen;
  path_ = QPainterPath();
}

void MetafileDevice::StrokePath() {
  if (pathOpen_) return;
  DrawShape(path_, false);
  path_ = QPainterPath();
}

void MetafileDevice::StrokeAndFillPath() {
  if (pathOpen_) return;
  path_.setFillRule(state_.polyFillMode == gdi::kWinding ? Qt::WindingFill : Qt::OddEvenFill);
  DrawShape(path_, true);
  path_ = QPainterPath();
}

void MetafileDevice::SelectClipPath(int mode) {
  if (pathOpen_) return;
  if (!Charge(path_.elementCount() * 64)) return;
  const Qt::FillRule rule =
      state_.polyFillMode == gdi::kWinding ? Qt::WindingFill : Qt::OddEvenFill;
  // Cut to the picture first: a region spans every scanline of its polygon.
  QPainterPath picture;
  picture.addRect(QRectF(target_->rect()).adjusted(-1, -1, 1, 1));
  path_.setFillRule(rule);
  const QRegion region(path_.intersected(picture).toFillPolygon().toPolygon(), rule);
  const QRegion current = state_.clip ? *state_.clip : QRegion(target_->rect());
  switch (mode) {
    case gdi::kRgnAnd: state_.clip = current & region; break;
    case gdi::kRgnOr: state_.clip = current | region; break;
    case gdi::kRgnXor: state_.clip = current ^ region; break;
    case gdi::kRgnDiff: state_.clip = current - region; break;
    default: state_.clip = region; break;
  }
  path_ = QPainterPath();
}

}  // namespace velmor::platform::metafile
