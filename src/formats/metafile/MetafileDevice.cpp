#include "formats/metafile/MetafileDevice.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velmor::platform::metafile {

namespace {

// Far enough outside any output picture to be off it, near enough for the rasteriser's fixed
// point arithmetic.
constexpr double kCoordLimit = 1 << 22;
constexpr int kMaxPenPixels = 4096;

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

Qt::BrushStyle HatchStyle(uint32_t hatch) {
  switch (hatch) {
    case gdi::kHsHorizontal:
      return Qt::HorPattern;
    case gdi::kHsVertical:
      return Qt::VerPattern;
    case gdi::kHsFDiagonal:
      return Qt::FDiagPattern;  // falling from left to right
    case gdi::kHsBDiagonal:
      return Qt::BDiagPattern;  // rising from left to right
    case gdi::kHsCross:
      return Qt::CrossPattern;
    case gdi::kHsDiagCross:
      return Qt::DiagCrossPattern;
    default:
      return Qt::SolidPattern;
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

MetafileDevice::~MetafileDevice() {
  painter_.end();
}

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
    case 1:
      state_.world = QTransform();
      break;
    case 2:
      SetWorldTransform(change * state_.world);
      break;
    case 3:
      SetWorldTransform(state_.world * change);
      break;
    case 4:
      SetWorldTransform(change);
      break;
    default:
      break;
  }
}

QTransform MetafileDevice::Mapping() const {
  double sx = 1, sy = 1;
  auto fixed = [&](double mmPerUnit) {
    sx = mmPerUnit * pixelsPerMmX_;
    sy = -mmPerUnit * pixelsPerMmY_;
  };
  switch (state_.mapMode) {
    case gdi::kMmLoMetric:
      fixed(0.1);
      break;
    case gdi::kMmHiMetric:
      fixed(0.01);
      break;
    case gdi::kMmLoEnglish:
      fixed(0.254);
      break;
    case gdi::kMmHiEnglish:
      fixed(0.0254);
      break;
    case gdi::kMmTwips:
      fixed(25.4 / 1440);
      break;
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
    default:
      break;
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
  const QPolygonF corners = ToDevice(
      std::array<QPointF, 4>{QPointF(box.left, box.top), QPointF(box.right, box.top),
                             QPointF(box.right, box.bottom), QPointF(box.left, box.bottom)});
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
    const int left = static_cast<int>(Snap(mapped.left())),
              top = static_cast<int>(Snap(mapped.top()));
    region += QRect(left, top, static_cast<int>(Snap(mapped.right())) - left,
                    static_cast<int>(Snap(mapped.bottom())) - top);
  }
  region &= target_->rect();
  CombineClip(region, mode);
}

void MetafileDevice::CombineClip(const QRegion& region, int mode) {
  const QRegion current = state_.clip ? *state_.clip : QRegion(target_->rect());
  switch (mode) {
    case gdi::kRgnAnd:
      state_.clip = current & region;
      break;
    case gdi::kRgnOr:
      state_.clip = current | region;
      break;
    case gdi::kRgnXor:
      state_.clip = current ^ region;
      break;
    case gdi::kRgnDiff:
      state_.clip = current - region;
      break;
    case gdi::kRgnCopy:
      state_.clip = region;
      break;
    default:
      break;
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
      case gdi::kR2Black:
        mode = QPainter::RasterOp_ClearDestination;
        break;
      case gdi::kR2NotCopyPen:
        mode = QPainter::RasterOp_NotSource;
        break;
      case gdi::kR2Not:
        mode = QPainter::RasterOp_NotDestination;
        break;
      case gdi::kR2XorPen:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
      case gdi::kR2MaskPen:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
      case gdi::kR2NotXorPen:
        mode = QPainter::RasterOp_NotSourceXorDestination;
        break;
      case gdi::kR2MergePen:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
      case gdi::kR2White:
        mode = QPainter::RasterOp_SetDestination;
        break;
      default:
        break;
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
      case gdi::kPsEndCapSquare:
        q.setCapStyle(Qt::SquareCap);
        break;
      case gdi::kPsEndCapFlat:
        q.setCapStyle(Qt::FlatCap);
        break;
      default:
        q.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (pen.style & gdi::kPsJoinMask) {
      case gdi::kPsJoinBevel:
        q.setJoinStyle(Qt::BevelJoin);
        break;
      case gdi::kPsJoinMiter:
        q.setJoinStyle(Qt::MiterJoin);
        break;
      default:
        q.setJoinStyle(Qt::RoundJoin);
        break;
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
        static const QList<qreal> kPatterns[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
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
    case gdi::kBsNull:
      return Qt::NoBrush;
    case gdi::kBsHatched:
      return QBrush(brush.color, HatchStyle(brush.hatch));
    case gdi::kBsPattern:
    case gdi::kBsDibPattern:
    case gdi::kBsDibPatternPt:
      if (!brush.pattern.isNull()) return QBrush(brush.pattern);
      return QBrush(brush.color);
    default:
      return QBrush(brush.color);
  }
}

}  // namespace velmor::platform::metafile
