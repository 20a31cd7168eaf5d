// The refresh of the stored figures shared out between the processor's cores.
#pragma once

#include <cstdint>
#include <functional>

#include "render/FigureRenderer.h"

namespace velmor {

struct BandedRefresh {
  // Paints what lies under the figures in a rectangle of the surface, as the refresh's picture
  // copy would: called for each band just before its figures, so that the band is still in the
  // cache when they are drawn. Unset, the figures are drawn over what is there.
  std::function<void(const QRect&)> background;
  // Rows a band; 0 makes large bands, at least one for each thread.
  int bandRows = 0;
};

// Does what `how.background` over the drawable area followed by RedrawFigures does, with the
// same arguments and the same outcome to the pixel and to the state left in the canvas and the
// shared structs, in less time on a large area.
// The calling thread first goes through every figure on `canvas` with the caller's state,
// writing nothing, which leaves that state as RedrawFigures would and notes the rows each
// figure may write (the touch handler's rectangles). Meanwhile and afterwards the drawable area
// is painted in bands, each by whichever thread is free (the caller's or a worker kept for the
// purpose), on a canvas of its own bound to the same pixels that starts from the caller's
// drawing state and copies of the shared structs, drawing only the figures that reach the band.
// When a refresh comes again from exactly what the one before was drawn from (figures, zoom,
// settings, screen scale, surface size, drawable area, picture), the figures are drawn once more
// on a layer of the surface's size (FigureInk) and that ink is kept; later refreshes from the same
// paint the background part by part and lay the ink over each part, leaving the state either as
// kept from the last one that started from the same state, or from the pass writing nothing.
// Highlighters are kept as the sequences of multiplies each pixel had; figures whose pixels the
// layer cannot hold (other pens that read what is under them, more than 254 sequences) and
// surfaces above 64 MiB are always drawn.
// A small area, few figures, a surface not of 32 bits a pixel, or a call while another is
// drawing, are drawn by RedrawFigures on the calling thread alone.
// A touch handler on the canvas's surface is told of the whole drawable area before anything is
// drawn, on the calling thread, and of nothing else.
void RedrawFiguresInBands(platform::GdiCanvas& canvas, const FigureTable& figures,
                          int16_t zoomPercent, const Settings& settings, WorkArea& work,
                          DragState& drag, PanelState& panel, TextState& text,
                          const QImage* picture, const BandedRefresh& how = {});

// How many refreshes so far laid the figures' ink kept from an earlier one instead of drawing
// them, for the tests and the benchmarks.
int64_t RefreshesFromKeptInk();

}  // namespace velmor
