// The selection window frmFullScreen: shows the captured screen frozen over the whole screen;
// the user drags a box on it with the left button and the box's region of the captured picture
// becomes the main window's canvas picture.
#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <memory>

#include "capture/CaptureHost.h"

namespace velmor {

class ExactPointer;

// The box of the rubber band: start and opposite corner, not normalised.
struct SelectionBox {
  float StartX = 0, StartY = 0, CornerX = 0, CornerY = 0;
  bool operator==(const SelectionBox&) const = default;
};

class FullScreenSelector : public QWidget {
  Q_OBJECT

 public:
  explicit FullScreenSelector(CaptureHost& host);
  ~FullScreenSelector() override;

  // Shows `screenPicture` (device pixels) one pixel per device pixel from the screen's top-left,
  // covering the screen, with the focus on Picture1. Any earlier selection is forgotten.
  void ShowPicture(const QImage& screenPicture);

  // Releases the picture, hides the window and brings the main window back.
  void Form_Click();

  // What Picture1 shows now (the captured picture with the rubber band drawn on it).
  const QImage& Picture1Image() const { return shown_; }
  // The captured picture as it was handed over (never drawn on).
  const QImage& CapturedPicture() const { return captured_; }
  // The staging picture of the last copied region.
  const QImage& Picture2() const { return picture2_; }
  const SelectionBox& LastBox() const { return LastBox_; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class PictureBox;
  friend class PictureBox;

  void Form_Load();
  void Picture1_MouseDown(QMouseEvent* event);
  void Picture1_MouseMove(QMouseEvent* event);
  void Picture1_MouseUp(QMouseEvent* event);

  QPointF PicturePoint(const QMouseEvent& event) const;
  void DrawBoxOutline(const SelectionBox& box);
  void CopySelection(const SelectionBox& box);

  CaptureHost& host_;
  PictureBox* Picture1_ = nullptr;
  QImage captured_;
  QImage shown_;
  QImage picture2_;
  QPointF DragStart_;
  QPointF DragCorner_;
  SelectionBox LastBox_;
  bool dragging_ = false;
  bool boxDrawn_ = false;
  // Device pixels per window unit on the screen the picture covers.
  double scale_ = 1.0;
  std::unique_ptr<ExactPointer> pointer_;
};

}  // namespace velmor
