// Zoom steps, the frame zoom and the scroll bar arithmetic, without any widget.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/ZoomRules.h"

using namespace velmor;

namespace {
ViewState ImageAt(int zoom, int width, int height) {
  ViewState view;
  view.ZoomPercent = static_cast<int16_t>(zoom);
  view.ImageWidth = width;
  view.ImageHeight = height;
  return view;
}
}  // namespace

TEST(ZoomRulesTest, StepsInAndOutStopAtTheirBounds) {
  PanelState panel;
  panel.ZoomStep = 10;
  EXPECT_EQ(ZoomInStep(ImageAt(100, 640, 480), panel), 110);
  EXPECT_EQ(ZoomOutStep(ImageAt(20, 640, 480), panel), 10);
  EXPECT_EQ(ZoomOutStep(ImageAt(19, 640, 480), panel), std::nullopt);  // below 10 percent
  // Growing past the canvas bound is refused; shrinking an oversized picture is not.
  EXPECT_EQ(ZoomInStep(ImageAt(100, 32000, 10), panel), std::nullopt);
  EXPECT_TRUE(MayZoomTo(90, 100, ImageAt(100, 40000, 10)));
  EXPECT_FALSE(MayZoomTo(0, 100, ImageAt(100, 10, 10)));
  EXPECT_FALSE(MayZoomTo(-5, 1, ImageAt(1, 10, 10)));
}

TEST(ZoomRulesTest, FrameIsNormalizedInEitherDirectionHalfToEven) {
  DragState drag;
  ViewState view;
  drag.StartX = 50.5f, drag.EndX = 10.5f, drag.StartY = 3.5f, drag.EndY = 8.0f;
  NormalizeFrame(drag, view);
  EXPECT_EQ(view.FrameLeft, 10);  // 10.5 to the even 10
  EXPECT_EQ(view.FrameWidth, 40);
  EXPECT_EQ(view.FrameTop, 4);     // 3.5 to the even 4
  EXPECT_EQ(view.FrameHeight, 4);  // 4.5 to the even 4
  drag.StartX = NAN, drag.EndX = 5;
  NormalizeFrame(drag, view);  // a broken start leaves an empty frame at the end
  EXPECT_EQ(view.FrameLeft, 5);
  EXPECT_EQ(view.FrameWidth, 0);
}

TEST(ZoomRulesTest, FrameZoomFitsTheTighterSide) {
  ViewState view = ImageAt(100, 1000, 800);
  view.FrameWidth = 100, view.FrameHeight = 50;
  EXPECT_EQ(FrameZoom(view, 400, 300), int16_t{400});  // 4x across, 6x down
  view.ZoomPercent = 50;
  EXPECT_EQ(FrameZoom(view, 400, 300), int16_t{200});
  view.FrameHeight = 0;
  EXPECT_EQ(FrameZoom(view, 400, 300), std::nullopt);
  // A tiny frame would need a canvas past the bound.
  view = ImageAt(100, 1000, 800);
  view.FrameWidth = 1, view.FrameHeight = 1;
  EXPECT_EQ(FrameZoom(view, 400, 300), std::nullopt);

  EXPECT_EQ(MapFrameOffset(50, 300, 100), 150);
  EXPECT_EQ(MapFrameOffset(1, 5, 2), 2);  // 2.5 to the even 2
  EXPECT_EQ(MapFrameOffset(70, 300, 0), 0);
}

TEST(ZoomRulesTest, BarsFitTheCanvasAndTheWheelMovesThem) {
  const ScrollFit none = FitScroll(300, 400);
  EXPECT_FALSE(none.Visible);
  EXPECT_EQ(none.Maximum, 0);
  const ScrollFit some = FitScroll(1000, 400);
  EXPECT_TRUE(some.Visible);
  EXPECT_EQ(some.Maximum, 600);
  EXPECT_EQ(some.PageStep, 400);
  EXPECT_EQ(some.SingleStep, 40);
  const ScrollFit huge = FitScroll(100000, 5);
  EXPECT_EQ(huge.Maximum, kScrollRangeLimit);
  EXPECT_EQ(huge.SingleStep, 1);
  EXPECT_EQ(FitScroll(10, 0).PageStep, 1);

  EXPECT_EQ(WheelScrollMove(120, 40), 120);  // three small steps a notch
  EXPECT_EQ(WheelScrollMove(-240, 40), -240);
  EXPECT_EQ(WheelScrollMove(1, 10), 1);  // a touchpad's finest move still moves
  EXPECT_EQ(WheelScrollMove(-1, 10), -1);
  EXPECT_EQ(WheelScrollMove(0, 10), 0);
}

TEST(ZoomRulesTest, ViewportFillsTheClientAndNeverGoesNegative) {
  const ViewportSize initial = InitialViewport(800, 600, 16, 16, 20);
  EXPECT_EQ(initial.Width, 800 - 16 - kCanvasViewportOrigin);
  EXPECT_EQ(initial.Height, 600 - 16 - 20 - kCanvasViewportOrigin);
  const ViewportSize tiny = InitialViewport(30, 30, 16, 16, 20);
  EXPECT_EQ(tiny.Width, 0);
  EXPECT_EQ(tiny.Height, 0);

  const auto refitted = RefittedViewport(900, 700, 60, 60, 16, 16, 20);
  ASSERT_TRUE(refitted);
  EXPECT_EQ(refitted->Width, 900 - 60 - 16);
  EXPECT_EQ(refitted->Height, 700 - 60 - 16 - 20);
  EXPECT_EQ(RefittedViewport(900, 70, 60, 60, 16, 16, 20), std::nullopt);  // bar would not fit
  EXPECT_EQ(RefittedViewport(10, 700, 60, 60, 16, 16, 20), std::nullopt);
  const auto squeezed = RefittedViewport(70, 90, 60, 60, 16, 16, 20);
  ASSERT_TRUE(squeezed);
  EXPECT_EQ(squeezed->Width, 0);
  EXPECT_EQ(squeezed->Height, 0);
}
