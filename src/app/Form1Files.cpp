// Opening an image file into the canvas and saving the canvas as a JPEG file, wired to the
// window; the commands live in document/ImageFiles.
#include "app/Form1.h"
#include "app/FormDocumentHost.h"
#include "document/ImageFiles.h"
#include "view/CanvasWidget.h"

namespace velmor {

void Form1::OpenImage() {
  FormDocumentHost host(*this);
  document::OpenImage(CMDialog1, ImageFolder, ImageFileName, host);
}

void Form1::SaveImage() {
  FormDocumentHost host(*this);
  document::SaveImage(CMDialog1, ImageFolder, *Picture2, settings, host);
  Picture2->ReleaseHidden();  // the save painted all of a large canvas
}

}  // namespace velmor
