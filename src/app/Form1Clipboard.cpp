// Cut, copy and paste of the picture, wired to the window; the commands live in
// document/PictureClipboard.
#include "app/Form1.h"
#include "app/FormDocumentHost.h"
#include "document/PictureClipboard.h"
#include "platform/Clipboard.h"
#include "raster/GdiCanvas.h"
#include "render/FigureRenderer.h"
#include "view/CanvasWidget.h"

namespace velmor {

namespace clip = platform::clipboard;

void Form1::CutFrame() {
  document::CutFrame(drag, view, panel, *Picture2, CutPic);
}

void Form1::CopyImage() {
  document::CopyImage(*Picture2);
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
  // Mosaics are made from the picture as loaded, not from the copy being drawn on.
  velmor::RedrawFigures(canvas, figures, 100, settings, scratchWork, scratchDrag, scratchPanel,
                        scratchText, &Picture2->Picture());
  return picture;
}

void Form1::CopyImageWithFigures() {
  const QImage picture = PictureWithFigures();
  if (picture.isNull()) return;  // as コピー: without a picture the clipboard keeps its own
  clip::Clear();
  clip::PutPicture(picture);
}

void Form1::PasteImage() {
  FormDocumentHost host(*this);
  document::PasteImage(host);
}

}  // namespace velmor
