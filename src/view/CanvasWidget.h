// The canvas `Picture2`: a background picture (the image as loaded, never drawn on) and a
// persistent drawing surface of the canvas's size that keeps whatever is drawn on it until it is
// painted over. The widget shows the surface, one surface pixel per device pixel on a scaled
// screen too; mouse events go, in surface pixels, to the handlers the owner sets.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

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
  int ScaleWidth() const { return surface_.width(); }
  int ScaleHeight() const { return surface_.height(); }

  QImage& Surface() { return surface_; }
  const QImage& Surface() const { return surface_; }
  // Call after drawing on the surface so that the screen shows it.
  void SurfaceChanged() { update(); }

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
  QImage MakeSurface(int width, int height, bool keepPixels);

  QImage picture_;
  QImage surface_;
  std::shared_ptr<Block> block_;  // the memory under surface_
  std::unique_ptr<ExactPointer> pointer_;
};

}  // namespace velmor
