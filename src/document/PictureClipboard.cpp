#include "document/PictureClipboard.h"

#include <QPainter>

#include "core/model/ZoomLimits.h"
#include "core/model/ZoomRules.h"
#include "platform/Clipboard.h"
#include "view/CanvasWidget.h"

namespace velmor::document {

namespace clip = platform::clipboard;

void CutFrame(DragState& drag, ViewState& view, PanelState& panel, const CanvasWidget& canvas,
              QImage& cutPic) {
  const double toStored = 100.0 / view.ZoomPercent;
  drag.StartX = static_cast<float>(toStored * drag.StartX);
  drag.EndX = static_cast<float>(toStored * drag.EndX);
  drag.StartY = static_cast<float>(toStored * drag.StartY);
  drag.EndY = static_cast<float>(toStored * drag.EndY);
  NormalizeFrame(drag, view);
  panel.FrameDragMode = framedrag::kNone;
  if (view.FrameWidth <= 0 || view.FrameHeight <= 0 || !canvas.HasPicture()) return;

  // A frame dragged past the canvas's edge cuts the part of the picture inside it.
  const QImage& picture = canvas.Picture();
  const QRect frame =
      QRect(view.FrameLeft, view.FrameTop, view.FrameWidth, view.FrameHeight) & picture.rect();
  if (frame.isEmpty()) return;
  cutPic = QImage(frame.size(), QImage::Format_RGB32);
  cutPic.fill(Qt::white);
  {
    QPainter painter(&cutPic);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), picture, frame);
  }
  clip::Clear();
  clip::PutPicture(cutPic);
}

void CopyImage(const CanvasWidget& canvas) {
  if (!canvas.HasPicture()) return;
  clip::Clear();
  clip::PutPicture(canvas.Picture());
}

void PasteImage(DocumentHost& host) {
  if (!clip::HasBitmap()) return;
  // Taken before anything changes, so that a picture that cannot be read leaves the old one.
  const QImage picture = clip::GetPicture();
  // A picture the canvas cannot hold at 100 percent is refused as one it cannot read.
  if (picture.isNull() || !PictureFits(picture.width(), picture.height())) return;
  host.ShowPicture(picture);
}

}  // namespace velmor::document
