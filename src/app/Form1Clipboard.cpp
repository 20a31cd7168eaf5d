// Cut, copy and paste of the picture through the system clipboard. They work on the canvas's
// background picture, never on the figures drawn over it.
#include <QPainter>

#include "app/Form1.h"
#include "platform/Clipboard.h"
#include "raster/GdiCanvas.h"
#include "render/FigureRenderer.h"
#include "view/CanvasWidget.h"
#include "core/model/ZoomLimits.h"

namespace velmor {

namespace clip = platform::clipboard;

void Form1::CutFrame() {
  const double toStored = 100.0 / view.ZoomPercent;
  drag.StartX = static_cast<float>(toStored * drag.StartX);
  drag.EndX = static_cast<float>(toStored * drag.EndX);
  drag.StartY = static_cast<float>(toStored * drag.StartY);
  drag.EndY = static_cast<float>(toStored * drag.EndY);
  NormalizeFrame();
  panel.FrameDragMode = framedrag::kNone;
  if (view.FrameWidth <= 0 || view.FrameHeight <= 0 || !Picture2->HasPicture()) return;

  // A frame dragged past the canvas's edge cuts the part of the picture inside it.
  const QImage& picture = Picture2->Picture();
  const QRect frame =
      QRect(view.FrameLeft, view.FrameTop, view.FrameWidth, view.FrameHeight) & picture.rect();
  if (frame.isEmpty()) return;
  CutPic = QImage(frame.size(), QImage::Format_RGB32);
  CutPic.fill(Qt::white);
  {
    QPainter painter(&CutPic);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), picture, frame);
  }
  clip::Clear();
  clip::PutPicture(CutPic);
}

void Form1::CopyImage() {
  // Without a picture there is nothing to copy, and the clipboard keeps what it holds.
  if (!Picture2->HasPicture()) return;
  clip::Clear();
  clip::PutPicture(Picture2->Picture());
}

QImage Form1::PictureWithFigures() {
  if (!Picture2->HasPicture()) return {};
  QImage picture = Picture2->Picture().convertToFormat(QImage::Format_RGB32);
  // Drawn on copies of the drawing state: the canvas on screen and its zoom stay as they are.
  WorkArea scratchWork = work;
  DragState scratchDrag = drag;
  PanelState scratchPanel = panel;
  TextState scratchText = text;
  platform::GdiCanvas canvas(&picture);
  velmor::RedrawFigures(canvas, figures, 100, settings, scratchWork, scratchDrag, scratchPanel,
                        scratchText);
  return picture;
}

void Form1::CopyImageWithFigures() {
  const QImage picture = PictureWithFigures();
  if (picture.isNull()) return;  // as コピー: without a picture the clipboard keeps its own
  clip::Clear();
  clip::PutPicture(picture);
}

void Form1::PasteImage() {
  if (!clip::HasBitmap()) return;
  // Taken before anything changes, so that a picture that cannot be read leaves the old one.
  const QImage picture = clip::GetPicture();
  // A picture the canvas cannot hold at 100 percent is refused as one it cannot read.
  if (picture.isNull() || !ZoomFits(100, picture.width(), picture.height())) return;
  view.ZoomPercent = 100;
  Picture2->ReleasePicture();
  Picture2->SetPicture(picture);
  Pic_int();
}

}  // namespace velmor
