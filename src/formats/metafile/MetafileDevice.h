// A GDI device context drawn onto a QImage: the state a metafile's records set (mapping, pen,
// brush, font, colours, modes, clipping, a path) and the primitives they call, in logical
// coordinates. Nothing is anti-aliased; coordinates are rounded to whole device pixels. Every
// primitive is charged to a work budget; once it is spent, drawing stops and Exhausted() says so.
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <optional>
#include <span>
#include <vector>

#include "formats/metafile/GdiObjects.h"
#include "formats/metafile/MetafilePlayer.h"

namespace velmor::platform::metafile {

struct LogicalBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

enum class ArcKind { Arc, Chord, Pie };

class MetafileDevice {
 public:
  MetafileDevice(QImage* target, const MetafileLimits& limits);
  ~MetafileDevice();
  MetafileDevice(const MetafileDevice&) = delete;
  MetafileDevice& operator=(const MetafileDevice&) = delete;

  bool Exhausted() const { return exhausted_; }
  // Counts work done outside the primitives (decoding a bitmap); false once the budget is spent.
  bool Charge(int64_t work);

  // Mapping: logical -> world transform -> window/viewport -> reference device -> `frame`.
  void SetFrame(const QTransform& referenceToOutput) { frame_ = referenceToOutput; }
  void SetReferencePixelsPerMm(double x, double y);
  void SetMapMode(int mode);
  void SetWindowOrg(double x, double y) { state_.windowOrg = {x, y}; }
  void SetWindowExt(double x, double y);
  void SetViewportOrg(double x, double y) { state_.viewportOrg = {x, y}; }
  void SetViewportExt(double x, double y);
  void OffsetWindowOrg(double dx, double dy) { state_.windowOrg += QPointF(dx, dy); }
  void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
  void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
  void SetWorldTransform(const QTransform& world);
  // 1 identity, 2 left multiply, 3 right multiply, 4 set.
  void ModifyWorldTransform(const QTransform& change, int mode);

  // Attributes.
  void SetBkMode(int mode) { state_.bkMode = mode; }
  void SetBkColor(const QColor& color) { state_.bkColor = color; }
  void SetTextColor(const QColor& color) { state_.textColor = color; }
  void SetTextAlign(uint32_t align) { state_.textAlign = align; }
  void SetRop2(int rop) { state_.rop2 = rop; }
  void SetPolyFillMode(int mode) { state_.polyFillMode = mode; }
  void SetArcDirection(int direction) { state_.arcDirection = direction; }
  void SelectPen(const GdiPen& pen) { state_.pen = pen; }
  void SelectBrush(const GdiBrush& brush) { state_.brush = brush; }
  void SelectFont(const GdiFont& font) { state_.font = font; }
  bool SaveDc();
  void RestoreDc(int which);  // < 0 relative to the latest save, > 0 absolute level

  // Clipping.
  void IntersectClipRect(const LogicalBox& box);
  void ExcludeClipRect(const LogicalBox& box);
  // Rectangles in reference device pixels (right and bottom edges excluded), combined by an
  // RGN_ mode; no rectangles with
  // RGN_COPY removes the clip.
  void CombineClipRects(std::span<const QRectF> rects, int mode);
  void ResetClip() { state_.clip.reset(); }

  // Drawing.
  void MoveTo(QPointF p);
  void LineTo(QPointF p);
  void Polyline(std::span<const QPointF> points);
  void PolylineTo(std::span<const QPointF> points);
  void PolyBezier(std::span<const QPointF> points);
  void PolyBezierTo(std::span<const QPointF> points);
  void Polygon(std::span<const QPointF> points);
  void PolyPolygon(std::span<const QPointF> points, std::span<const uint32_t> counts);
  void PolyPolyline(std::span<const QPointF> points, std::span<const uint32_t> counts);
  void Rectangle(const LogicalBox& box);
  void RoundRect(const LogicalBox& box, double cornerWidth, double cornerHeight);
  void Ellipse(const LogicalBox& box);
  void Arc(const LogicalBox& box, QPointF start, QPointF end, ArcKind kind);
  void SetPixel(QPointF p, const QColor& color);
  // ExtTextOut; `rect` is used with ETO_OPAQUE and ETO_CLIPPED.
  void TextOut(QPointF reference, const QString& text, uint32_t options,
               const std::optional<LogicalBox>& rect);
  // A bitmap stretched onto the logical rectangle (x, y, width, height): negative sizes mirror.
  // `source` is the part of `bitmap` to draw; a null bitmap blits the pattern (brush) alone.
  void Blit(double x, double y, double width, double height, const QImage& bitmap,
            const QRect& source, uint32_t rop);

  // Path bracket.
  void BeginPath();
  void EndPath() { pathOpen_ = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void SelectClipPath(int mode);

 private:
  // Combines `region` into the clip by a region mode; an unknown mode leaves the clip alone.
  void CombineClip(const QRegion& region, int mode);
  // A rectangle or an ellipse, into the open path or drawn with the current pen and brush.
  void BoxShape(const LogicalBox& box, bool ellipse);
  struct State {
    GdiPen pen;
    GdiBrush brush;
    GdiFont font;
    int bkMode = gdi::kOpaque;
    QColor bkColor = Qt::white;
    QColor textColor = Qt::black;
    uint32_t textAlign = 0;
    int rop2 = gdi::kR2CopyPen;
    int polyFillMode = gdi::kAlternate;
    int arcDirection = gdi::kCounterClockwise;
    int mapMode = gdi::kMmText;
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    QTransform world;
    QPointF position{0, 0};       // logical
    std::optional<QRegion> clip;  // output pixels
  };

  QTransform Mapping() const;
  QPointF ToDevice(QPointF logical) const;
  QPolygonF ToDevice(std::span<const QPointF> logical) const;
  // The device rectangle of a logical box with GDI's exclusive right and bottom edges.
  QRectF DeviceBox(const LogicalBox& box) const;
  double DeviceScale() const;
  QPen MakePen() const;
  QBrush MakeBrush() const;
  std::optional<QFont> MakeFont(double* pixelSize);
  bool Begin(const QRectF& deviceBounds, int64_t extraWork, bool usesRop2 = true);
  void DrawShape(const QPainterPath& path, bool fill);
  void AppendToPath(const QPainterPath& figure, bool connect);

  QImage* target_;
  MetafileLimits limits_;
  QPainter painter_;
  State state_;
  std::vector<State> saved_;
  QTransform frame_;
  double pixelsPerMmX_ = 96 / 25.4, pixelsPerMmY_ = 96 / 25.4;
  int64_t workLeft_;
  bool exhausted_ = false;
  bool pathOpen_ = false;
  QPainterPath path_;  // device pixels
  QString fontKey_;    // the font last made, kept for the next text
  QFont font_;
};

}  // namespace velmor::platform::metafile
