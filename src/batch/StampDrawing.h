// The stamp (★): a picture's name printed right of and above the canvas centre, in a balloon
// whose tail points at the centre unless the fill style is none.
#pragma once

#include <cstdint>
#include <string>

#include "core/geometry/Geometry.h"
#include "core/model/PanelState.h"
#include "core/settings/Settings.h"
#include "raster/GdiCanvas.h"

namespace velmor::batch {

// What the stamp takes from the tool panel besides the pen in PanelState.
struct StampLook {
  std::string Text;        // the name printed
  int16_t LineStyle = 0;   // list index of the line style
  int16_t FillStyle = 0;   // list index of the fill style; 1 = no balloon
  uint32_t BackColor = 0;  // the balloon's colour
};

// Draws the stamp on `canvas`, whose surface is `width` x `height`. The font comes from the
// settings, its size scaled to `zoomPercent`. Leaves the text attributes in `text`, the measured
// box in `work`, and the balloon's colour and fill style in panel.BrushColor/BrushStyle, as the
// window's own text drawing does.
void DrawStamp(platform::GdiCanvas& canvas, int width, int height, const StampLook& look,
               const Settings& settings, int16_t zoomPercent, PanelState& panel, TextState& text,
               WorkArea& work);

}  // namespace velmor::batch
