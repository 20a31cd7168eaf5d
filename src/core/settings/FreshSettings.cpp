#include "core/settings/FreshSettings.h"

#include <string>

namespace velmor {

Settings FreshSettings() {
  Settings s;
  s.Set(slot::kZoomStep, int16_t{25});
  s.Set(slot::kLineStyle, std::string("実線"));
  s.Set(slot::kPenWidth, 2.0);
  s.Set(slot::kFrontColor, int32_t{0x0000FF});  // red, as 0x00BBGGRR
  s.Set(slot::kFontName, std::string("IPAGothic"));
  s.Set(slot::kFontSize, 12.0f);
  s.Set(slot::kFontBold, false);
  s.Set(slot::kFontItalic, false);
  s.Set(slot::kBackColor, int32_t{0xFFFFFF});      // white boxes behind texts
  s.Set(slot::kEllipseRatio, std::string("1.0"));  // the circle tool draws circles
  s.Set(slot::kFillStyle, std::string("塗り無"));
  s.Set(slot::kArrowOn, int16_t{1});
  s.Set(slot::kParallelDistance, std::string("10"));
  s.Set(slot::kCaptureDelay, int16_t{0});
  s.Set(slot::kWingAngle, 30.0);
  s.Set(slot::kWingLength, 15.0);
  s.Set(slot::kCircleRadius, 20.0);
  s.Set(slot::kJpegQuality, 90.0);
  s.Set(slot::kSegmentCaption, int16_t{0});
  s.Set(slot::kFixedCircle, int16_t{0});
  s.Set(slot::kCaptionPlacement, std::string("上"));
  s.Set(slot::kCaptureCX, 640.0);
  s.Set(slot::kCaptureCY, 480.0);
  s.Set(slot::kCaptureDX, 640.0);
  s.Set(slot::kCaptureDY, 480.0);
  return s;
}

}  // namespace velmor
