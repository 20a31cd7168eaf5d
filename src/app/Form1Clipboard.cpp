// Cut, copy and paste of the picture, wired to the window; the commands live in
// document/PictureClipboard.
#include "app/Form1.h"
#include "app/FormDocumentHost.h"
#include "document/PictureClipboard.h"
#include "view/CanvasWidget.h"

namespace velmor {

void Form1::CutFrame() {
  document::CutFrame(drag, view, panel, *Picture2, CutPic);
}

void Form1::CopyImage() {
  document::CopyImage(*Picture2);
}

void Form1::PasteImage() {
  FormDocumentHost host(*this);
  document::PasteImage(host);
}

}  // namespace velmor
