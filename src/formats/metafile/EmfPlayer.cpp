#include "formats/metafile/EmfPlayer.h"

#include <unordered_map>
#include <variant>
#include <vector>

#include "formats/metafile/ByteReader.h"
#include "formats/metafile/CharsetText.h"
#include "formats/metafile/DibImage.h"
#include "formats/metafile/MetafileDevice.h"
#include "formats/metafile/PictureSize.h"

namespace velmor::platform::metafile {

namespace {

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr size_t kHeaderBytes = 88;
constexpr double kScreenPixelsPerMm = 96 / 25.4;
constexpr uint32_t kStockObject = 0x80000000;
constexpr uint32_t kEtoNoRect = 0x100, kEtoSmallChars = 0x200;
constexpr uint32_t kDibPalColors = 1;
constexpr size_t kMaxObjects = 65536;
constexpr uint32_t kMaxClipRects = 16384;

enum Type : uint32_t {
  kHeader = 1,
  kPolyBezier = 2,
  kPolygon = 3,
  kPolyline = 4,
  kPolyBezierTo = 5,
  kPolylineTo = 6,
  kPolyPolyline = 7,
  kPolyPolygon = 8,
  kSetWindowExtEx = 9,
  kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12,
  kEof = 14,
  kSetPixelV = 15,
  kSetMapMode = 17,
  kSetBkMode = 18,
  kSetPolyFillMode = 19,
  kSetRop2 = 20,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSetBkColor = 25,
  kMoveToEx = 27,
  kExcludeClipRect = 29,
  kIntersectClipRect = 30,
  kScaleViewportExtEx = 31,
  kScaleWindowExtEx = 32,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSetWorldTransform = 35,
  kModifyWorldTransform = 36,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrushIndirect = 39,
  kDeleteObject = 40,
  kEllipse = 42,
  kRectangle = 43,
  kRoundRect = 44,
  kArc = 45,
  kChord = 46,
  kPie = 47,
  kCreatePalette = 49,
  kLineTo = 54,
  kSetArcDirection = 57,
  kBeginPath = 59,
  kEndPath = 60,
  kCloseFigure = 61,
  kFillPath = 62,
  kStrokeAndFillPath = 63,
  kStrokePath = 64,
  kSelectClipPath = 67,
  kAbortPath = 68,
  kExtSelectClipRgn = 75,
  kBitBlt = 76,
  kStretchBlt = 77,
  kSetDiBitsToDevice = 80,
  kStretchDiBits = 81,
  kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83,
  kExtTextOutW = 84,
  kPolyBezier16 = 85,
  kPolygon16 = 86,
  kPolyline16 = 87,
  kPolyBezierTo16 = 88,
  kPolylineTo16 = 89,
  kPolyPolyline16 = 90,
  kPolyPolygon16 = 91,
  kCreateMonoBrush = 93,
  kCreateDibPatternBrushPt = 94,
  kExtCreatePen = 95,
  kSmallTextOut = 108,
};

using EmfObject = std::variant<std::monostate, GdiPen, GdiBrush, GdiFont>;

std::optional<EmfObject> StockObject(uint32_t index) {
  auto brush = [](uint32_t style, QColor color) {
    GdiBrush b;
    b.style = style;
    b.color = color;
    return EmfObject(b);
  };
  auto pen = [](uint32_t style, QColor color) {
    GdiPen p;
    p.style = style;
    p.color = color;
    return EmfObject(p);
  };
  auto font = [](const char* face, int height) {
    GdiFont f;
    f.face = QString::fromLatin1(face);
    f.height = height;
    f.heightInPixels = true;
    return EmfObject(f);
  };
  switch (index) {
    case 0:
      return brush(gdi::kBsSolid, Qt::white);
    case 1:
      return brush(gdi::kBsSolid, QColor(0xC0, 0xC0, 0xC0));
    case 2:
      return brush(gdi::kBsSolid, QColor(0x80, 0x80, 0x80));
    case 3:
      return brush(gdi::kBsSolid, QColor(0x40, 0x40, 0x40));
    case 4:
      return brush(gdi::kBsSolid, Qt::black);
    case 5:
      return brush(gdi::kBsNull, Qt::black);
    case 6:
      return pen(gdi::kPsSolid, Qt::white);
    case 7:
      return pen(gdi::kPsSolid, Qt::black);
    case 8:
      return pen(gdi::kPsNull, Qt::black);
    case 10:
    case 11:
    case 16:
      return font("Monospace", 16);
    case 12:
    case 13:
    case 14:
      return font("Sans Serif", 16);
    case 17:
      return font("Sans Serif", -12);
    case 18:
      return brush(gdi::kBsSolid, Qt::white);
    case 19:
      return pen(gdi::kPsSolid, Qt::black);
    default:
      return std::nullopt;
  }
}

LogicalBox ReadBox(ByteReader& r, size_t at) {
  return {static_cast<double>(r.I32(at)), static_cast<double>(r.I32(at + 4)),
          static_cast<double>(r.I32(at + 8)), static_cast<double>(r.I32(at + 12))};
}

QPointF ReadPoint(ByteReader& r, size_t at) {
  return QPointF(r.I32(at), r.I32(at + 4));
}

class Player {
 public:
  Player(MetafileDevice& device, const MetafileLimits& limits) : device_(device), limits_(limits) {}
  void Play(uint32_t type, ByteReader r);

 private:
  std::vector<QPointF> Points(ByteReader& r, size_t at, uint64_t count, bool small) {
    const size_t each = small ? 4 : 8;
    std::vector<QPointF> points;
    if (count == 0 || count > r.size() / each || !r.Has(at, count * each)) return points;
    points.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const size_t p = at + i * each;
      points.push_back(small ? QPointF(r.I16(p), r.I16(p + 2)) : ReadPoint(r, p));
    }
    return points;
  }
  void Poly(uint32_t type, ByteReader& r);
  void PolyPoly(uint32_t type, ByteReader& r);
  void Store(uint32_t index, EmfObject object) {
    if (index == 0 || index >= kMaxObjects) return;
    objects_[index] = std::move(object);
  }
  void Select(uint32_t index);
  GdiFont ReadFont(ByteReader& r);
  GdiPen ReadExtPen(ByteReader& r);
  std::optional<Dib> ReadDib(ByteReader& r, size_t at, uint32_t usage);
  void Text(uint32_t type, ByteReader& r);
  void SmallText(ByteReader& r);
  void Bitmap(uint32_t type, ByteReader& r);
  void ClipRegion(ByteReader& r);

  MetafileDevice& device_;
  const MetafileLimits& limits_;
  std::unordered_map<uint32_t, EmfObject> objects_;
  uint8_t charset_ = 1;
};

void Player::Select(uint32_t index) {
  std::optional<EmfObject> object;
  if (index & kStockObject) {
    object = StockObject(index & ~kStockObject);
  } else if (auto found = objects_.find(index); found != objects_.end()) {
    object = found->second;
  }
  if (!object) return;
  if (const auto* pen = std::get_if<GdiPen>(&*object)) device_.SelectPen(*pen);
  if (const auto* brush = std::get_if<GdiBrush>(&*object)) device_.SelectBrush(*brush);
  if (const auto* font = std::get_if<GdiFont>(&*object)) {
    device_.SelectFont(*font);
    charset_ = font->charset;
  }
}

void Player::Poly(uint32_t type, ByteReader& r) {
  const bool small = type >= kPolyBezier16;
  const std::vector<QPointF> points = Points(r, 28, r.U32(24), small);
  if (points.empty()) return;
  switch (small ? type - kPolyBezier16 + kPolyBezier : type) {
    case kPolyBezier:
      device_.PolyBezier(points);
      break;
    case kPolygon:
      device_.Polygon(points);
      break;
    case kPolyline:
      device_.Polyline(points);
      break;
    case kPolyBezierTo:
      device_.PolyBezierTo(points);
      break;
    case kPolylineTo:
      device_.PolylineTo(points);
      break;
    default:
      break;
  }
}

void Player::PolyPoly(uint32_t type, ByteReader& r) {
  const bool small = type >= kPolyBezier16;
  const uint32_t polygons = r.U32(24), total = r.U32(28);
  if (!r.ok() || polygons == 0 || polygons > r.size() / 4 || !r.Has(32, size_t{4} * polygons)) {
    return;
  }
  std::vector<uint32_t> counts(polygons);
  uint64_t sum = 0;
  for (uint32_t i = 0; i < polygons; ++i) sum += counts[i] = r.U32(32 + size_t{4} * i);
  if (sum != total) return;
  const std::vector<QPointF> points = Points(r, 32 + size_t{4} * polygons, total, small);
  if (points.empty()) return;
  if (type == kPolyPolygon || type == kPolyPolygon16) {
    device_.PolyPolygon(points, counts);
  } else {
    device_.PolyPolyline(points, counts);
  }
}

GdiFont Player::ReadFont(ByteReader& r) {
  GdiFont font;
  font.height = r.I32(12);
  font.width = r.I32(16);
  font.escapement = r.I32(20);
  font.weight = r.I32(28);
  font.italic = r.U8(32);
  font.underline = r.U8(33);
  font.strikeOut = r.U8(34);
  font.charset = r.U8(35);
  font.quality = r.U8(38);
  for (size_t i = 0; i < 32 && r.Has(40 + 2 * i, 2); ++i) {
    const char16_t c = r.U16(40 + 2 * i);
    if (c == 0) break;
    font.face.append(QChar(c));
  }
  return font;
}

GdiPen Player::ReadExtPen(ByteReader& r) {
  GdiPen pen;
  pen.style = r.U32(28);
  pen.width = r.U32(32);
  const uint32_t brushStyle = r.U32(36);
  pen.color = ColorFromRef(r.U32(40));
  if (brushStyle == gdi::kBsNull) pen.style = gdi::kPsNull;
  if ((pen.style & gdi::kPsStyleMask) == gdi::kPsUserStyle) {
    const uint32_t entries = std::min<uint32_t>(r.U32(48), 16);
    for (uint32_t i = 0; i < entries && r.Has(52 + 4 * i, 4); ++i) {
      pen.dashes.push_back(r.U32(52 + 4 * i));
    }
  }
  if (!(pen.style & gdi::kPsGeometric) && pen.width > 1) pen.width = 1;  // cosmetic: one pixel
  return pen;
}

// The bitmap whose offsets and sizes sit at `at` (offBmi, cbBmi, offBits, cbBits).
std::optional<Dib> Player::ReadDib(ByteReader& r, size_t at, uint32_t usage) {
  const uint32_t offInfo = r.U32(at), infoBytes = r.U32(at + 4), offBits = r.U32(at + 8),
                 bitsBytes = r.U32(at + 12);
  if (!r.ok() || infoBytes == 0 || usage == kDibPalColors) return std::nullopt;
  const std::span<const uint8_t> info = r.Bytes(offInfo, infoBytes);
  const std::span<const uint8_t> bits = r.Bytes(offBits, bitsBytes);
  if (!r.ok()) return std::nullopt;
  std::optional<Dib> dib = DecodeDib(info, bits, limits_.maxBitmapPixels);
  if (dib && !device_.Charge(static_cast<int64_t>(dib->image.width()) * dib->image.height())) {
    return std::nullopt;
  }
  return dib;
}

void Player::Text(uint32_t type, ByteReader& r) {
  const QPointF reference = ReadPoint(r, 36);
  const uint32_t chars = r.U32(44), offString = r.U32(48), options = r.U32(52);
  std::optional<LogicalBox> rect;
  if (!(options & kEtoNoRect)) rect = ReadBox(r, 56);
  if (!r.ok() || chars == 0 || chars > r.size()) return;
  QString text;
  if (type == kExtTextOutW) {
    const std::span<const uint8_t> bytes = r.Bytes(offString, size_t{2} * chars);
    if (!r.ok()) return;
    for (size_t i = 0; i < chars; ++i) {
      const char16_t c = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
      if (c != 0) text.append(QChar(c));
    }
  } else {
    const std::span<const uint8_t> bytes = r.Bytes(offString, chars);
    if (!r.ok()) return;
    text = DecodeCharsetText(bytes, charset_);
  }
  device_.TextOut(reference, text, options, rect);
}

void Player::SmallText(ByteReader& r) {
  const QPointF reference = ReadPoint(r, 8);
  const uint32_t chars = r.U32(16), options = r.U32(20);
  std::optional<LogicalBox> rect;
  size_t at = 36;
  if (!(options & kEtoNoRect)) {
    rect = ReadBox(r, 36);
    at = 52;
  }
  if (!r.ok() || chars == 0 || chars > r.size()) return;
  QString text;
  if (options & kEtoSmallChars) {
    const std::span<const uint8_t> bytes = r.Bytes(at, chars);
    if (!r.ok()) return;
    text = DecodeCharsetText(bytes, charset_);
  } else {
    const std::span<const uint8_t> bytes = r.Bytes(at, size_t{2} * chars);
    if (!r.ok()) return;
    for (size_t i = 0; i < chars; ++i) {
      const char16_t c = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
      if (c != 0) text.append(QChar(c));
    }
  }
  device_.TextOut(reference, text, options, rect);
}

void Player::Bitmap(uint32_t type, ByteReader& r) {
  double x = r.I32(24), y = r.I32(28);
  double w, h;
  uint32_t rop;
  int64_t sx, sy, sw, sh;  // source corner and size
  std::optional<Dib> dib;
  bool fromBottom = false;
  switch (type) {
    case kBitBlt:
    case kStretchBlt: {
      w = r.I32(32);
      h = r.I32(36);
      rop = r.U32(40);
      const int xSrc = r.I32(44), ySrc = r.I32(48);
      const uint32_t usage = r.U32(80);
      sx = xSrc;
      sy = ySrc;
      sw = type == kStretchBlt ? r.I32(100) : static_cast<int64_t>(w);
      sh = type == kStretchBlt ? r.I32(104) : static_cast<int64_t>(h);
      if (!r.ok()) return;
      if (r.U32(88) == 0) {  // no source bitmap: the brush alone
        device_.Blit(x, y, w, h, QImage(), {}, rop);
        return;
      }
      dib = ReadDib(r, 84, usage);
      break;
    }
    case kStretchDiBits:
      sx = r.I32(32), sy = r.I32(36), sw = r.I32(40), sh = r.I32(44);
      rop = r.U32(68);
      w = r.I32(72);
      h = r.I32(76);
      dib = ReadDib(r, 48, r.U32(64));
      fromBottom = true;
      break;
    default:  // SetDIBitsToDevice: unscaled
      sx = r.I32(32), sy = r.I32(36), sw = r.I32(40), sh = r.I32(44);
      rop = gdi::kSrcCopy;
      w = static_cast<double>(sw);
      h = static_cast<double>(sh);
      dib = ReadDib(r, 48, r.U32(64));
      fromBottom = true;
      break;
  }
  if (!dib) return;
  const QRect source = DibSourceRect(*dib, sx, sy, sw, sh, fromBottom);
  if (!source.isEmpty()) device_.Blit(x, y, w, h, dib->image, source, rop);
}

void Player::ClipRegion(ByteReader& r) {
  const uint32_t dataBytes = r.U32(8), mode = r.U32(12);
  if (!r.ok()) return;
  std::vector<QRectF> rects;
  if (dataBytes >= 32) {
    const uint32_t count = r.U32(24);
    if (!r.ok() || count > kMaxClipRects || !r.Has(48, size_t{16} * count) ||
        size_t{16} * count > dataBytes - 32) {
      return;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const LogicalBox b = ReadBox(r, 48 + size_t{16} * i);
      rects.emplace_back(QPointF(b.left, b.top), QPointF(b.right, b.bottom));
    }
  }
  device_.CombineClipRects(rects, static_cast<int>(mode));
}

void Player::Play(uint32_t type, ByteReader r) {
  switch (type) {
    case kPolyBezier:
    case kPolygon:
    case kPolyline:
    case kPolyBezierTo:
    case kPolylineTo:
    case kPolyBezier16:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezierTo16:
    case kPolylineTo16:
      Poly(type, r);
      break;
    case kPolyPolyline:
    case kPolyPolygon:
    case kPolyPolyline16:
    case kPolyPolygon16:
      PolyPoly(type, r);
      break;
    case kSetWindowExtEx: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.SetWindowExt(p.x(), p.y());
      break;
    }
    case kSetWindowOrgEx: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.SetWindowOrg(p.x(), p.y());
      break;
    }
    case kSetViewportExtEx: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.SetViewportExt(p.x(), p.y());
      break;
    }
    case kSetViewportOrgEx: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.SetViewportOrg(p.x(), p.y());
      break;
    }
    case kScaleViewportExtEx:
    case kScaleWindowExtEx: {
      const double xNum = r.I32(8), xDenom = r.I32(12), yNum = r.I32(16), yDenom = r.I32(20);
      if (!r.ok()) break;
      if (type == kScaleWindowExtEx) {
        device_.ScaleWindowExt(xNum, xDenom, yNum, yDenom);
      } else {
        device_.ScaleViewportExt(xNum, xDenom, yNum, yDenom);
      }
      break;
    }
    case kSetPixelV: {
      const QPointF p = ReadPoint(r, 8);
      const uint32_t c = r.U32(16);
      if (r.ok()) device_.SetPixel(p, ColorFromRef(c));
      break;
    }
    case kSetMapMode:
      device_.SetMapMode(static_cast<int>(r.U32(8)));
      break;
    case kSetBkMode:
      device_.SetBkMode(static_cast<int>(r.U32(8)));
      break;
    case kSetPolyFillMode:
      device_.SetPolyFillMode(static_cast<int>(r.U32(8)));
      break;
    case kSetRop2:
      device_.SetRop2(static_cast<int>(r.U32(8)));
      break;
    case kSetTextAlign:
      device_.SetTextAlign(r.U32(8));
      break;
    case kSetTextColor:
      if (r.Has(8, 4)) device_.SetTextColor(ColorFromRef(r.U32(8)));
      break;
    case kSetBkColor:
      if (r.Has(8, 4)) device_.SetBkColor(ColorFromRef(r.U32(8)));
      break;
    case kSetArcDirection:
      device_.SetArcDirection(static_cast<int>(r.U32(8)));
      break;
    case kMoveToEx: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.MoveTo(p);
      break;
    }
    case kLineTo: {
      const QPointF p = ReadPoint(r, 8);
      if (r.ok()) device_.LineTo(p);
      break;
    }
    case kExcludeClipRect: {
      const LogicalBox b = ReadBox(r, 8);
      if (r.ok()) device_.ExcludeClipRect(b);
      break;
    }
    case kIntersectClipRect: {
      const LogicalBox b = ReadBox(r, 8);
      if (r.ok()) device_.IntersectClipRect(b);
      break;
    }
    case kSaveDc:
      device_.SaveDc();
      break;
    case kRestoreDc:
      if (r.Has(8, 4)) device_.RestoreDc(r.I32(8));
      break;
    case kSetWorldTransform:
    case kModifyWorldTransform: {
      const QTransform t(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
      if (!r.ok()) break;
      if (type == kSetWorldTransform) {
        device_.SetWorldTransform(t);
      } else {
        const uint32_t mode = r.U32(32);
        if (r.ok()) device_.ModifyWorldTransform(t, static_cast<int>(mode));
      }
      break;
    }
    case kSelectObject:
      if (r.Has(8, 4)) Select(r.U32(8));
      break;
    case kDeleteObject:
      if (r.Has(8, 4)) objects_.erase(r.U32(8));
      break;
    case kCreatePen: {
      GdiPen pen;
      pen.style = r.U32(12);
      pen.width = r.I32(16);
      pen.color = ColorFromRef(r.U32(24));
      if (r.ok()) Store(r.U32(8), pen);
      break;
    }
    case kExtCreatePen: {
      const GdiPen pen = ReadExtPen(r);
      if (r.ok()) Store(r.U32(8), pen);
      break;
    }
    case kCreateBrushIndirect: {
      GdiBrush brush;
      brush.style = r.U32(12);
      brush.color = ColorFromRef(r.U32(16));
      brush.hatch = r.U32(20);
      if (r.ok()) Store(r.U32(8), brush);
      break;
    }
    case kCreateMonoBrush:
    case kCreateDibPatternBrushPt: {
      GdiBrush brush;
      brush.style = gdi::kBsDibPattern;
      brush.color = Qt::black;
      if (std::optional<Dib> dib = ReadDib(r, 16, r.U32(12))) {
        if (static_cast<int64_t>(dib->image.width()) * dib->image.height() <= (1 << 20)) {
          brush.pattern = std::move(dib->image);
        }
      }
      if (r.Has(8, 4)) Store(r.U32(8), brush);
      break;
    }
    case kExtCreateFontIndirectW: {
      GdiFont font = ReadFont(r);
      if (r.ok()) Store(r.U32(8), font);
      break;
    }
    case kCreatePalette:
      if (r.Has(8, 4)) Store(r.U32(8), std::monostate());
      break;
    case kRectangle: {
      const LogicalBox b = ReadBox(r, 8);
      if (r.ok()) device_.Rectangle(b);
      break;
    }
    case kEllipse: {
      const LogicalBox b = ReadBox(r, 8);
      if (r.ok()) device_.Ellipse(b);
      break;
    }
    case kRoundRect: {
      const LogicalBox b = ReadBox(r, 8);
      const double w = r.I32(24), h = r.I32(28);
      if (r.ok()) device_.RoundRect(b, w, h);
      break;
    }
    case kArc:
    case kChord:
    case kPie: {
      const LogicalBox b = ReadBox(r, 8);
      const QPointF start = ReadPoint(r, 24), end = ReadPoint(r, 32);
      if (!r.ok()) break;
      device_.Arc(b, start, end,
                  type == kArc   ? ArcKind::Arc
                  : type == kPie ? ArcKind::Pie
                                 : ArcKind::Chord);
      break;
    }
    case kBeginPath:
      device_.BeginPath();
      break;
    case kEndPath:
      device_.EndPath();
      break;
    case kCloseFigure:
      device_.CloseFigure();
      break;
    case kFillPath:
      device_.FillPath();
      break;
    case kStrokeAndFillPath:
      device_.StrokeAndFillPath();
      break;
    case kStrokePath:
      device_.StrokePath();
      break;
    case kAbortPath:
      device_.AbortPath();
      break;
    case kSelectClipPath:
      device_.SelectClipPath(static_cast<int>(r.U32(8)));
      break;
    case kExtSelectClipRgn:
      ClipRegion(r);
      break;
    case kExtTextOutA:
    case kExtTextOutW:
      Text(type, r);
      break;
    case kSmallTextOut:
      SmallText(r);
      break;
    case kBitBlt:
    case kStretchBlt:
    case kSetDiBitsToDevice:
    case kStretchDiBits:
      Bitmap(type, r);
      break;
    default:
      break;  // comments, palettes, colour management: nothing to draw
  }
}

bool Fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

}  // namespace

std::optional<QImage> PlayEmf(std::span<const uint8_t> bytes, const MetafileLimits& limits,
                              QString* error) {
  ByteReader file(bytes);
  const uint32_t headerSize = file.U32(4);
  const LogicalBox bounds = ReadBox(file, 8), frame = ReadBox(file, 24);
  const double deviceX = file.I32(72), deviceY = file.I32(76), mmX = file.I32(80),
               mmY = file.I32(84);
  if (!file.ok() || file.U32(0) != 1 || file.U32(40) != kSignature || headerSize < kHeaderBytes ||
      !file.Has(0, headerSize)) {
    Fail(error, QStringLiteral("damaged metafile header"));
    return std::nullopt;
  }
  double ppmX = kScreenPixelsPerMm, ppmY = kScreenPixelsPerMm;
  if (deviceX > 0 && deviceY > 0 && mmX > 0 && mmY > 0) {
    ppmX = deviceX / mmX;
    ppmY = deviceY / mmY;
  }
  // The frame (hundredths of a millimetre) decides the size at 96 pixels per inch; a file
  // without one falls back on its bounds in reference pixels.
  QRectF reference;
  QSize size;
  if (frame.right > frame.left && frame.bottom > frame.top) {
    reference =
        QRectF(frame.left / 100 * ppmX, frame.top / 100 * ppmY,
               (frame.right - frame.left) / 100 * ppmX, (frame.bottom - frame.top) / 100 * ppmY);
    size = BoundedPictureSize((frame.right - frame.left) / 100 * kScreenPixelsPerMm,
                              (frame.bottom - frame.top) / 100 * kScreenPixelsPerMm, limits);
  } else if (bounds.right >= bounds.left && bounds.bottom >= bounds.top) {
    reference = QRectF(bounds.left, bounds.top, bounds.right - bounds.left + 1,
                       bounds.bottom - bounds.top + 1);
    size = BoundedPictureSize(reference.width(), reference.height(), limits);
  }
  if (size.isEmpty() || reference.width() <= 0 || reference.height() <= 0) {
    Fail(error, QStringLiteral("metafile with an empty box"));
    return std::nullopt;
  }

  QImage picture(size, QImage::Format_RGB32);
  if (picture.isNull()) {
    Fail(error, QStringLiteral("out of memory"));
    return std::nullopt;
  }
  picture.fill(Qt::white);
  {
    MetafileDevice device(&picture, limits);
    device.SetReferencePixelsPerMm(ppmX, ppmY);
    device.SetFrame(QTransform::fromTranslate(-reference.left(), -reference.top()) *
                    QTransform::fromScale(size.width() / reference.width(),
                                          size.height() / reference.height()));
    Player player(device, limits);
    size_t pos = headerSize;
    int64_t records = 1;
    while (pos < bytes.size()) {
      if (!file.Has(pos, 8)) {
        Fail(error, QStringLiteral("truncated metafile"));
        return std::nullopt;
      }
      const uint32_t type = file.U32(pos), length = file.U32(pos + 4);
      if (length < 8 || !file.Has(pos, length)) {
        Fail(error, QStringLiteral("damaged metafile record"));
        return std::nullopt;
      }
      if (++records > limits.maxRecords) {
        Fail(error, QStringLiteral("too many metafile records"));
        return std::nullopt;
      }
      if (type == kEof) break;
      player.Play(type, ByteReader(bytes.subspan(pos, length)));
      if (device.Exhausted()) {
        Fail(error, QStringLiteral("metafile needs too much drawing"));
        return std::nullopt;
      }
      pos += length;
    }
  }
  return picture;
}

}  // namespace velmor::platform::metafile
