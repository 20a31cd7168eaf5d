#include "formats/metafile/WmfPlayer.h"

#include <set>
#include <variant>
#include <vector>

#include "formats/metafile/ByteReader.h"
#include "formats/metafile/CharsetText.h"
#include "formats/metafile/DibImage.h"
#include "formats/metafile/MetafileDevice.h"
#include "formats/metafile/PictureSize.h"

namespace velmor::platform::metafile {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;
constexpr size_t kHeaderBytes = 18;
constexpr double kScreenDpi = 96;
constexpr uint16_t kDibPalColors = 1;

enum Function : uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetRop2 = 0x0104,
  kSetPolyFillMode = 0x0106,
  kRestoreDc = 0x0127,
  kSelectClipRegion = 0x012C,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kDibCreatePatternBrush = 0x0142,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kCreatePalette = 0x00F7,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kScaleWindowExt = 0x0410,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kSetPixel = 0x041F,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kCreateRegion = 0x06FF,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kDibBitBlt = 0x0940,
  kExtTextOut = 0x0A32,
  kDibStretchBlt = 0x0B41,
  kStretchDib = 0x0F43,
};

// Palettes, regions and bitmap pattern brushes take a slot but draw nothing here.
using WmfObject = std::variant<std::monostate, GdiPen, GdiBrush, GdiFont>;

struct Layout {
  size_t recordsAt = 0;
  uint16_t objectCount = 0;
  QRectF window;  // logical rectangle that fills the picture
  QSize size;
};

class Player {
 public:
  Player(MetafileDevice& device, const MetafileLimits& limits, uint16_t objectCount)
      : device_(device), limits_(limits) {
    objects_.resize(objectCount);
    for (uint16_t i = 0; i < objectCount; ++i) free_.insert(i);
  }

  void Play(uint16_t function, ByteReader r);

 private:
  static QPointF Point(ByteReader& r, size_t at) { return QPointF(r.I16(at), r.I16(at + 2)); }
  // Coordinates stored as y then x.
  static QPointF PointYx(ByteReader& r, size_t at) { return QPointF(r.I16(at + 2), r.I16(at)); }
  // A rectangle stored as bottom, right, top, left.
  static LogicalBox BoxBrtl(ByteReader& r, size_t at) {
    return {static_cast<double>(r.I16(at + 6)), static_cast<double>(r.I16(at + 4)),
            static_cast<double>(r.I16(at + 2)), static_cast<double>(r.I16(at))};
  }
  std::vector<QPointF> Points(ByteReader& r, size_t at, size_t count) {
    std::vector<QPointF> points;
    if (!r.Has(at, count * 4)) return points;
    points.reserve(count);
    for (size_t i = 0; i < count; ++i) points.push_back(Point(r, at + 4 * i));
    return points;
  }

  void Add(WmfObject object);
  void Select(uint16_t index);
  void Delete(uint16_t index);
  GdiFont ReadFont(ByteReader& r);
  void Text(ByteReader& r, bool extended);
  void Bitmap(uint16_t function, ByteReader& r);

  MetafileDevice& device_;
  const MetafileLimits& limits_;
  std::vector<std::optional<WmfObject>> objects_;
  std::set<uint16_t> free_;
  uint8_t charset_ = 1;
};

void Player::Add(WmfObject object) {
  if (free_.empty()) {
    if (objects_.size() >= 0xFFFF) return;  // the table is full: the object is lost, as in GDI
    free_.insert(static_cast<uint16_t>(objects_.size()));
    objects_.emplace_back();
  }
  const uint16_t index = *free_.begin();
  free_.erase(free_.begin());
  objects_[index] = std::move(object);
}

void Player::Select(uint16_t index) {
  if (index >= objects_.size() || !objects_[index]) return;
  const WmfObject& object = *objects_[index];
  if (const auto* pen = std::get_if<GdiPen>(&object)) device_.SelectPen(*pen);
  if (const auto* brush = std::get_if<GdiBrush>(&object)) device_.SelectBrush(*brush);
  if (const auto* font = std::get_if<GdiFont>(&object)) {
    device_.SelectFont(*font);
    charset_ = font->charset;
  }
}

void Player::Delete(uint16_t index) {
  if (index >= objects_.size() || !objects_[index]) return;
  objects_[index].reset();
  free_.insert(index);
}

GdiFont Player::ReadFont(ByteReader& r) {
  GdiFont font;
  font.height = r.I16(6);
  font.width = r.I16(8);
  font.escapement = r.I16(10);
  font.weight = r.I16(14);
  font.italic = r.U8(16);
  font.underline = r.U8(17);
  font.strikeOut = r.U8(18);
  font.charset = r.U8(19);
  font.quality = r.U8(22);
  std::span<const uint8_t> face = r.bytes().subspan(std::min<size_t>(24, r.size()));
  face = face.first(std::min<size_t>(face.size(), 32));
  for (size_t i = 0; i < face.size(); ++i) {
    if (face[i] == 0) {
      face = face.first(i);
      break;
    }
  }
  font.face = DecodeCharsetText(face, font.charset);
  return font;
}

void Player::Text(ByteReader& r, bool extended) {
  const int16_t length = r.I16(extended ? 10 : 6);
  if (!r.ok() || length <= 0) return;
  const size_t count = static_cast<size_t>(length);
  QPointF at;
  uint16_t options = 0;
  std::optional<LogicalBox> rect;
  size_t textAt;
  if (extended) {
    at = PointYx(r, 6);
    options = r.U16(12);
    textAt = 14;
    if (options & (gdi::kEtoOpaque | gdi::kEtoClipped)) {
      rect = LogicalBox{static_cast<double>(r.I16(14)), static_cast<double>(r.I16(16)),
                        static_cast<double>(r.I16(18)), static_cast<double>(r.I16(20))};
      textAt = 22;
    }
  } else {
    textAt = 8;
    at = PointYx(r, 8 + ((count + 1) & ~size_t{1}));
  }
  const std::span<const uint8_t> bytes = r.Bytes(textAt, count);
  if (!r.ok()) return;
  device_.TextOut(at, DecodeCharsetText(bytes, charset_), options, rect);
}

void Player::Bitmap(uint16_t function, ByteReader& r) {
  const uint32_t rop = r.U32(6);
  const size_t end = r.size();
  if (!r.ok() || end < 6 + 4 + 8 * 2) return;
  // The variants without a bitmap end with the destination; read it from the end.
  auto fromEnd = [&](size_t words) { return static_cast<double>(r.I16(end - 2 * words)); };
  size_t dibAt = 0;
  int64_t sx = 0, sy = 0, sw = 0, sh = 0;  // source corner and size
  double x = 0, y = 0, w = 0, h = 0;
  uint16_t usage = 0;
  bool fromBottom = false;
  switch (function) {
    case kDibBitBlt:
      dibAt = 22;
      sx = r.I16(12), sy = r.I16(10), sw = r.I16(16), sh = r.I16(14);
      w = r.I16(16);
      h = r.I16(14);
      y = r.I16(18);
      x = r.I16(20);
      break;
    case kDibStretchBlt:
      dibAt = 26;
      sx = r.I16(16), sy = r.I16(14), sw = r.I16(12), sh = r.I16(10);
      h = r.I16(18);
      w = r.I16(20);
      y = r.I16(22);
      x = r.I16(24);
      break;
    default:  // StretchDIB
      usage = r.U16(10);
      dibAt = 28;
      sx = r.I16(18), sy = r.I16(16), sw = r.I16(14), sh = r.I16(12);
      h = r.I16(20);
      w = r.I16(22);
      y = r.I16(24);
      x = r.I16(26);
      fromBottom = true;
      break;
  }
  std::optional<Dib> dib;
  if (r.ok() && end > dibAt && usage != kDibPalColors) {
    dib = DecodePackedDib(r.bytes().subspan(dibAt), limits_.maxBitmapPixels);
  }
  if (!dib) {
    if (function == kStretchDib) return;  // its bitmap is not optional
    device_.Blit(fromEnd(1), fromEnd(2), fromEnd(3), fromEnd(4), QImage(), {}, rop);
    return;
  }
  if (!device_.Charge(static_cast<int64_t>(dib->image.width()) * dib->image.height())) return;
  const QRect source = DibSourceRect(*dib, sx, sy, sw, sh, fromBottom);
  if (!source.isEmpty()) device_.Blit(x, y, w, h, dib->image, source, rop);
}

void Player::Play(uint16_t function, ByteReader r) {
  switch (function) {
    case kSetBkMode:
      device_.SetBkMode(r.U16(6));
      break;
    case kSetRop2:
      device_.SetRop2(r.U16(6));
      break;
    case kSetPolyFillMode:
      device_.SetPolyFillMode(r.U16(6));
      break;
    case kSetTextAlign:
      device_.SetTextAlign(r.U16(6));
      break;
    case kSetBkColor:
      device_.SetBkColor(ColorFromRef(r.U32(6)));
      break;
    case kSetTextColor:
      device_.SetTextColor(ColorFromRef(r.U32(6)));
      break;
    case kSetWindowOrg: {
      const QPointF p = PointYx(r, 6);
      if (r.ok()) device_.SetWindowOrg(p.x(), p.y());
      break;
    }
    case kSetWindowExt: {
      const QPointF p = PointYx(r, 6);
      if (r.ok()) device_.SetWindowExt(p.x(), p.y());
      break;
    }
    case kOffsetWindowOrg: {
      const QPointF p = PointYx(r, 6);
      if (r.ok()) device_.OffsetWindowOrg(p.x(), p.y());
      break;
    }
    case kScaleWindowExt:
      if (r.Has(6, 8)) device_.ScaleWindowExt(r.I16(12), r.I16(10), r.I16(8), r.I16(6));
      break;
    // The picture owns the viewport and the mapping mode: a placeable file is scaled to its box.
    case kSetMapMode:
    case kSetViewportOrg:
    case kSetViewportExt:
      break;
    case kSaveDc:
      device_.SaveDc();
      break;
    case kRestoreDc:
      device_.RestoreDc(r.I16(6));
      break;
    case kSelectObject:
      if (r.Has(6, 2)) Select(r.U16(6));
      break;
    case kDeleteObject:
      if (r.Has(6, 2)) Delete(r.U16(6));
      break;
    case kSelectClipRegion:
      device_.ResetClip();
      break;
    case kCreatePenIndirect: {
      GdiPen pen;
      pen.style = r.U16(6);
      pen.width = r.I16(8);
      pen.color = ColorFromRef(r.U32(12));
      Add(r.ok() ? WmfObject(pen) : WmfObject());
      break;
    }
    case kCreateBrushIndirect: {
      GdiBrush brush;
      brush.style = r.U16(6);
      brush.color = ColorFromRef(r.U32(8));
      brush.hatch = r.U16(12);
      Add(r.ok() ? WmfObject(brush) : WmfObject());
      break;
    }
    case kCreateFontIndirect: {
      GdiFont font = ReadFont(r);
      Add(r.ok() ? WmfObject(font) : WmfObject());
      break;
    }
    case kDibCreatePatternBrush: {
      std::optional<Dib> dib;
      if (r.Has(10, 40) && r.U16(8) != kDibPalColors) {
        dib = DecodePackedDib(r.bytes().subspan(10),
                              std::min<int64_t>(limits_.maxBitmapPixels, 1 << 20));
      }
      if (dib) {
        GdiBrush brush;
        brush.style = gdi::kBsDibPattern;
        brush.pattern = std::move(dib->image);
        Add(brush);
      } else {
        Add(WmfObject());
      }
      break;
    }
    case kCreatePatternBrush:
    case kCreatePalette:
    case kCreateRegion:
      Add(WmfObject());
      break;
    case kMoveTo: {
      const QPointF p = PointYx(r, 6);
      if (r.ok()) device_.MoveTo(p);
      break;
    }
    case kLineTo: {
      const QPointF p = PointYx(r, 6);
      if (r.ok()) device_.LineTo(p);
      break;
    }
    case kRectangle:
    case kEllipse:
    case kIntersectClipRect:
    case kExcludeClipRect: {
      const LogicalBox box = BoxBrtl(r, 6);
      if (!r.ok()) break;
      if (function == kRectangle) device_.Rectangle(box);
      if (function == kEllipse) device_.Ellipse(box);
      if (function == kIntersectClipRect) device_.IntersectClipRect(box);
      if (function == kExcludeClipRect) device_.ExcludeClipRect(box);
      break;
    }
    case kRoundRect: {
      const LogicalBox box = BoxBrtl(r, 10);
      const double h = r.I16(6), w = r.I16(8);
      if (r.ok()) device_.RoundRect(box, w, h);
      break;
    }
    case kArc:
    case kPie:
    case kChord: {
      const QPointF end = PointYx(r, 6), start = PointYx(r, 10);
      const LogicalBox box = BoxBrtl(r, 14);
      if (!r.ok()) break;
      device_.Arc(box, start, end,
                  function == kArc   ? ArcKind::Arc
                  : function == kPie ? ArcKind::Pie
                                     : ArcKind::Chord);
      break;
    }
    case kPolygon:
    case kPolyline: {
      const int16_t count = r.I16(6);
      if (!r.ok() || count <= 0) break;
      const std::vector<QPointF> points = Points(r, 8, static_cast<size_t>(count));
      if (points.empty()) break;
      if (function == kPolygon) {
        device_.Polygon(points);
      } else {
        device_.Polyline(points);
      }
      break;
    }
    case kPolyPolygon: {
      const uint16_t polygons = r.U16(6);
      if (!r.ok() || !r.Has(8, size_t{2} * polygons)) break;
      std::vector<uint32_t> counts(polygons);
      size_t total = 0;
      for (uint16_t i = 0; i < polygons; ++i) total += counts[i] = r.U16(8 + 2 * i);
      const std::vector<QPointF> points = Points(r, 8 + size_t{2} * polygons, total);
      if (!points.empty()) device_.PolyPolygon(points, counts);
      break;
    }
    case kTextOut:
      Text(r, false);
      break;
    case kExtTextOut:
      Text(r, true);
      break;
    case kSetPixel: {
      const uint32_t color = r.U32(6);
      const QPointF p = PointYx(r, 10);
      if (r.ok()) device_.SetPixel(p, ColorFromRef(color));
      break;
    }
    case kPatBlt: {
      const uint32_t rop = r.U32(6);
      const double h = r.I16(10), w = r.I16(12), y = r.I16(14), x = r.I16(16);
      if (r.ok()) device_.Blit(x, y, w, h, QImage(), {}, rop);
      break;
    }
    case kDibBitBlt:
    case kDibStretchBlt:
    case kStretchDib:
      Bitmap(function, r);
      break;
    default:
      break;  // escapes, palettes, text spacing: nothing to draw
  }
}

bool Fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

// Where the records start and how large the picture is, from the headers or, for a plain file,
// from the first window and viewport records.
bool ReadLayout(ByteReader& file, const MetafileLimits& limits, Layout* layout, QString* error) {
  size_t at = 0;
  bool placeable = file.U32(0) == kPlaceableKey;
  double width = 0, height = 0;
  if (placeable) {
    const double left = file.I16(6), top = file.I16(8), right = file.I16(10), bottom = file.I16(12);
    const double inch = file.U16(14) ? file.U16(14) : 1440;
    layout->window = QRectF(left, top, right - left, bottom - top);
    width = (right - left) * kScreenDpi / inch;
    height = (bottom - top) * kScreenDpi / inch;
    at = kPlaceableBytes;
  }
  const uint16_t headerWords = file.U16(at + 2);
  layout->objectCount = file.U16(at + 10);
  if (!file.ok() || headerWords != 9 || !file.Has(at, kHeaderBytes)) {
    return Fail(error, QStringLiteral("damaged metafile header"));
  }
  layout->recordsAt = at + kHeaderBytes;
  if (!placeable) {
    std::optional<QPointF> org, ext, viewportExt;
    size_t pos = layout->recordsAt;
    for (int i = 0; i < 4096 && file.Has(pos, 6); ++i) {
      const uint64_t bytes = uint64_t{file.U32(pos)} * 2;
      const uint16_t function = file.U16(pos + 4);
      if (bytes < 6 || !file.Has(pos, bytes) || function == kEof) break;
      if (bytes >= 10) {
        const QPointF p(file.I16(pos + 8), file.I16(pos + 6));
        if (function == kSetWindowOrg && !org) org = p;
        if (function == kSetWindowExt && !ext) ext = p;
        if (function == kSetViewportExt && !viewportExt) viewportExt = p;
      }
      pos += bytes;
    }
    if (!ext || ext->x() == 0 || ext->y() == 0) {
      return Fail(error, QStringLiteral("metafile without a size"));
    }
    const QPointF origin = org.value_or(QPointF(0, 0));
    layout->window = QRectF(origin.x(), origin.y(), ext->x(), ext->y());
    const QPointF pixels =
        viewportExt && viewportExt->x() != 0 && viewportExt->y() != 0 ? *viewportExt : *ext;
    width = pixels.x();
    height = pixels.y();
  }
  if (layout->window.width() == 0 || layout->window.height() == 0) {
    return Fail(error, QStringLiteral("metafile with an empty box"));
  }
  layout->size = BoundedPictureSize(width, height, limits);
  if (layout->size.isEmpty()) return Fail(error, QStringLiteral("metafile with an empty box"));
  return true;
}

}  // namespace

std::optional<QImage> PlayWmf(std::span<const uint8_t> bytes, const MetafileLimits& limits,
                              QString* error) {
  ByteReader file(bytes);
  Layout layout;
  if (!ReadLayout(file, limits, &layout, error)) return std::nullopt;

  QImage picture(layout.size, QImage::Format_RGB32);
  if (picture.isNull()) {
    Fail(error, QStringLiteral("out of memory"));
    return std::nullopt;
  }
  picture.fill(Qt::white);
  {
    MetafileDevice device(&picture, limits);
    device.SetMapMode(gdi::kMmAnisotropic);
    device.SetViewportOrg(0, 0);
    device.SetViewportExt(layout.size.width(), layout.size.height());
    device.SetWindowOrg(layout.window.left(), layout.window.top());
    device.SetWindowExt(layout.window.width(), layout.window.height());
    Player player(device, limits, layout.objectCount);

    size_t pos = layout.recordsAt;
    int64_t records = 0;
    while (pos < bytes.size()) {
      if (!file.Has(pos, 6)) {
        Fail(error, QStringLiteral("truncated metafile"));
        return std::nullopt;
      }
      const uint64_t size = uint64_t{file.U32(pos)} * 2;
      const uint16_t function = file.U16(pos + 4);
      if (size < 6 || !file.Has(pos, size)) {
        Fail(error, QStringLiteral("damaged metafile record"));
        return std::nullopt;
      }
      if (++records > limits.maxRecords) {
        Fail(error, QStringLiteral("too many metafile records"));
        return std::nullopt;
      }
      if (function == kEof) break;
      player.Play(function, ByteReader(bytes.subspan(pos, size)));
      if (device.Exhausted()) {
        Fail(error, QStringLiteral("metafile needs too much drawing"));
        return std::nullopt;
      }
      pos += size;
    }
  }
  return picture;
}

}  // namespace velmor::platform::metafile
