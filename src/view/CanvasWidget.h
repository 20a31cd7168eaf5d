// The canvas `Picture2`: a background picture (the image as loaded, never drawn on) and a
// persistent drawing surface of the canvas's size that keeps whatever is drawn on it until it is
// painted over. The widget shows the surface, one surface pixel per device pixel on a scaled
// screen too; mouse events go, in surface pixels, to the handlers the owner sets.
//
// A large surface is painted on demand: a refresh paints what the viewport shows and leaves the
// rest to a painter, which paints a part when it is shown, drawn on or read.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "view/OnDemandSurface.h"

namespace velmor {

class ExactPointer;

class CanvasWidget : public QWidget {
  Q_OBJECT
 public:
  explicit CanvasWidget(QWidget* parent = nullptr);
  ~CanvasWidget() override;

  // Button bits as the handlers receive them: 1 left, 2 right, 4 middle.
  using MouseHandler = std::function<void(int button, int shift, float x, float y)>;
  MouseHandler onMouseDown, onMouseMove, onMouseUp;

  bool HasPicture() const { return !picture_.isNull(); }
  const QImage& Picture() const { return picture_; }
  // Makes `picture` the background picture and sizes the canvas to it (an empty image releases
  // the picture and leaves the size as it is).
  void SetPicture(const QImage& picture);
  void ReleasePicture() { picture_ = QImage(); }

  // Resizes the canvas and its drawing surface; what was on the surface stays at its top-left.
  void SetCanvasSize(int width, int height);
  // The same for a caller that repaints the whole surface from the picture right away (a zoom
  // step): the old pixels are not carried over. Without a picture it is SetCanvasSize.
  void ResizeForRepaint(int width, int height);
  int ScaleWidth() const { return surface_.Image().width(); }
  int ScaleHeight() const { return surface_.Image().height(); }

  // The whole surface, every part of it painted first: for readers of all of it.
  QImage& Surface();
  const QImage& Surface() const;
  // Call after drawing on the surface so that the screen shows it.
  void SurfaceChanged() { update(); }

  // The surface as it stands, for drawing through a canvas whose touch handler calls
  // PrepareToDraw; parts not yet painted hold nothing meaningful.
  QImage& DrawingSurface() { return surface_.Image(); }
  // Whether refreshes paint this surface on demand (it is large).
  bool PaintsOnDemand() const { return surface_.OnDemand(); }
  // A refresh of an on-demand surface: `painter` paints any part later; the part returned (what
  // the viewport shows, to whole tiles) is the caller's to paint right now.
  QRect BeginRepaint(OnDemandSurface::Painter painter);
  // The parts within `rect` painted, to be drawn on next.
  void PrepareToDraw(const QRect& rect) { surface_.Drawn(rect); }
  // Memory of painted parts far from the viewport given back (they are painted again if needed).
  void ReleaseHidden();
  // The part of the surface the viewport shows, in surface pixels.
  QRect ShownRect() const;
  // Surfaces of more pixels than this are painted on demand.
  static void SetOnDemandPixels(int64_t pixels) { onDemandPixels_ = pixels; }
  static int64_t OnDemandPixels() { return onDemandPixels_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QPointF SurfacePoint(const QMouseEvent& event) const;
  struct Block;
  // A surface of the size, on memory kept from the last one where that fits well enough.
  // `reused` tells whether the last surface's memory was taken.
  QImage MakeSurface(int width, int height, bool keepPixels, bool* reused = nullptr);
  static bool Large(int width, int height);
  // ShownRect widened, so that scrolling a little finds the memory still there.
  QRect KeptRect() const;

  static inline int64_t onDemandPixels_ = int64_t{16} << 20;
  QImage picture_;
  mutable OnDemandSurface surface_;
  std::shared_ptr<Block> block_;  // the memory under surface_
  std::unique_ptr<ExactPointer> pointer_;
};

}  // namespace velmor
