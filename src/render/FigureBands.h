// The refresh of the stored figures shared out between the processor's cores.
#pragma once

#include "render/FigureRenderer.h"

namespace velmor {

// Does what RedrawFigures does, with the same arguments and the same outcome to the pixel and
// to the state left in the canvas and the shared structs, in less time on a large area: the
// canvas's drawable area is cut into horizontal bands drawn at once, the first on `canvas`
// itself (through its clip, put back afterwards) with the caller's state, each of the others by
// a worker thread kept for the purpose, on a canvas of its own bound to the same pixels, which
// takes over the canvas's pens, brush, mode, position and font, with copies of the state. A small
// area, few figures, a surface not of 32 bits a pixel, or a call while another is drawing, are
// drawn by RedrawFigures on the calling thread alone.
// A touch handler on the canvas's surface is told of the whole drawable area before anything is
// drawn (the other bands write without telling it), then of each primitive of the first band as
// usual, always on the calling thread.
void RedrawFiguresInBands(platform::GdiCanvas& canvas, const FigureTable& figures,
                          int16_t zoomPercent, const Settings& settings, WorkArea& work,
                          DragState& drag, PanelState& panel, TextState& text,
                          const QImage* picture);

}  // namespace velmor
