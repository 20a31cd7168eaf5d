// The drawing primitives of MetafileDevice: lines, shapes, bitmaps and the path bracket.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "formats/metafile/MetafileDevice.h"

namespace velmor::platform::metafile {

namespace {

// Wide pens cost the stroker and the rasteriser about their width squared at every vertex.
int64_t StrokeWork(double penWidth, int64_t points) {
  const int64_t w = static_cast<int64_t>(penWidth);
  return points * (1 + w * w);
}

struct BlitOp {
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  bool source = true;
  std::optional<QColor> fill;  // instead of the brush
};

BlitOp BlitFor(uint32_t rop, bool haveSource) {
  using M = QPainter::CompositionMode;
  switch (rop) {
    case gdi::kSrcCopy:
      return {M::CompositionMode_SourceOver, true, {}};
    case gdi::kSrcPaint:
      return {M::RasterOp_SourceOrDestination, true, {}};
    case gdi::kSrcAnd:
      return {M::RasterOp_SourceAndDestination, true, {}};
    case gdi::kSrcInvert:
      return {M::RasterOp_SourceXorDestination, true, {}};
    case gdi::kSrcErase:
      return {M::RasterOp_SourceAndNotDestination, true, {}};
    case gdi::kNotSrcCopy:
      return {M::RasterOp_NotSource, true, {}};
    case gdi::kNotSrcErase:
      return {M::RasterOp_NotSourceAndNotDestination, true, {}};
    case gdi::kMergePaint:
      return {M::RasterOp_NotSourceOrDestination, true, {}};
    case gdi::kPatCopy:
      return {M::CompositionMode_SourceOver, false, {}};
    case gdi::kPatInvert:
      return {M::RasterOp_SourceXorDestination, false, {}};
    case gdi::kDstInvert:
      return {M::RasterOp_NotDestination, false, QColor(Qt::black)};
    case gdi::kBlackness:
      return {M::CompositionMode_SourceOver, false, QColor(Qt::black)};
    case gdi::kWhiteness:
      return {M::CompositionMode_SourceOver, false, QColor(Qt::white)};
    default:
      return {M::CompositionMode_SourceOver, haveSource, {}};
  }
}

}  // namespace

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
  for (qsizetype i = 1; i + 2 < poly.size(); i += 3)
    figure.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
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
    for (qsizetype i = 0; i + 2 < poly.size(); i += 3)
      path_.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
    return;
  }
  QPainterPath figure(from);
  for (qsizetype i = 0; i + 2 < poly.size(); i += 3)
    figure.cubicTo(poly[i], poly[i + 1], poly[i + 2]);
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

void MetafileDevice::PolyPolygon(std::span<const QPointF> points,
                                 std::span<const uint32_t> counts) {
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
  BoxShape(box, false);
}

void MetafileDevice::BoxShape(const LogicalBox& box, bool ellipse) {
  const QRectF r = DeviceBox(box);
  if (pathOpen_) {
    QPainterPath figure;
    ellipse ? figure.addEllipse(r) : figure.addRect(r);
    AppendToPath(figure, false);
    return;
  }
  const QPen pen = MakePen();
  const double w = pen.style() == Qt::NoPen ? 0 : pen.widthF();
  if (!Begin(r.adjusted(-w, -w, w, w), StrokeWork(w, 4))) return;
  painter_.setPen(pen);
  painter_.setBrush(MakeBrush());
  ellipse ? painter_.drawEllipse(r) : painter_.drawRect(r);
}

void MetafileDevice::RoundRect(const LogicalBox& box, double cornerWidth, double cornerHeight) {
  const QRectF r = DeviceBox(box);
  const QTransform m = Mapping();
  const double rx =
      std::min(std::abs(cornerWidth * std::hypot(m.m11(), m.m12())) / 2, r.width() / 2);
  const double ry =
      std::min(std::abs(cornerHeight * std::hypot(m.m21(), m.m22())) / 2, r.height() / 2);
  QPainterPath figure;
  figure.addRoundedRect(r, std::isfinite(rx) ? rx : 0, std::isfinite(ry) ? ry : 0);
  if (pathOpen_) {
    AppendToPath(figure, false);
  } else {
    DrawShape(figure, true);
  }
}

void MetafileDevice::Ellipse(const LogicalBox& box) {
  BoxShape(box, true);
}

void MetafileDevice::Arc(const LogicalBox& box, QPointF start, QPointF end, ArcKind kind) {
  const QRectF r = DeviceBox(box);
  if (r.width() <= 0 || r.height() <= 0) return;
  const QPointF c = r.center(), s = ToDevice(start), e = ToDevice(end);
  // Angles of the radials as Qt's arcs take them: parametric, counterclockwise on screen.
  auto angle = [&](QPointF p) {
    return std::atan2((c.y() - p.y()) / r.height(), (p.x() - c.x()) / r.width()) * 180 /
           std::numbers::pi;
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
  const bool known =
      mode == gdi::kRgnAnd || mode == gdi::kRgnOr || mode == gdi::kRgnXor || mode == gdi::kRgnDiff;
  CombineClip(region, known ? mode : gdi::kRgnCopy);  // a path clip with any other mode copies
  path_ = QPainterPath();
}

}  // namespace velmor::platform::metafile
