// Cut, copy and paste of the picture through the system clipboard. They work on the canvas's
// background picture, never on the figures drawn over it.
#pragma once

#include <QImage>

#include "core/model/DragState.h"
#include "core/model/PanelState.h"
#include "core/model/ViewState.h"
#include "document/DocumentHost.h"

namespace velmor {
class CanvasWidget;
}

namespace velmor::document {

// The dragged frame (display pixels, turned into picture pixels in `drag`, normalized into
// `view`) cut out of the picture into `cutPic` and put on the clipboard. Ends the cut drag.
void CutFrame(DragState& drag, ViewState& view, PanelState& panel, const CanvasWidget& canvas,
              QImage& cutPic);

// The whole picture onto the clipboard; without a picture the clipboard keeps what it holds.
void CopyImage(const CanvasWidget& canvas);

// The clipboard's picture shown at 100 percent, when there is one the canvas can hold.
void PasteImage(DocumentHost& host);

}  // namespace velmor::document
