#include <gtest/gtest.h>

#include "core/edit/EditSession.h"
#include "core/edit/ParallelOffset.h"

namespace velmor {
namespace {

using testing::EditSession;

class ParallelOffsetTest : public ::testing::Test {
 protected:
  void SetUp() override { s.panel.ToolMode = tool::kParallel; }
  EditSession s;
};

// Horizontal results carry DirectionAngle's 1e-5 rad: x is d * 1e-5 off.
TEST_F(ParallelOffsetTest, PositiveDistanceGoesToTheRightOfTravel) {
  s.AddSegment(0, 0, 100, 0);
  EXPECT_EQ(s.ParallelClick(50, 1, "10"), OffsetResult::kAdded);
  ASSERT_EQ(s.table.FigureCount, 2);
  const auto added = s.Segment(2);
  EXPECT_NEAR(added.x1, 1e-4, 1e-9);
  EXPECT_NEAR(added.y1, 10, 1e-6);
  EXPECT_NEAR(added.x2, 100.0001, 1e-5);
  EXPECT_NEAR(added.y2, 10, 1e-6);
  EXPECT_EQ(s.drag.Picks[0][0], 0);

  EXPECT_EQ(s.ParallelClick(50, 1, "-10"), OffsetResult::kAdded);
  const auto left = s.Segment(3);
  EXPECT_NEAR(left.x1, -1e-4, 1e-9);
  EXPECT_NEAR(left.y1, -10, 1e-6);
  EXPECT_NEAR(left.x2, 99.9999, 1e-5);
  EXPECT_NEAR(left.y2, -10, 1e-6);
}

TEST_F(ParallelOffsetTest, RightOfTravellingDownIsTheLeftOfTheScreen) {
  s.AddSegment(0, 0, 0, 100);
  EXPECT_EQ(s.ParallelClick(0, 50, "10"), OffsetResult::kAdded);
  const auto added = s.Segment(2);
  EXPECT_NEAR(added.x1, -10, 1e-6);
  EXPECT_NEAR(added.y1, 0, 1e-9);
  EXPECT_NEAR(added.x2, -10, 1e-6);
  EXPECT_NEAR(added.y2, 100, 1e-6);
}

TEST_F(ParallelOffsetTest, DistanceIsInImagePixelsAtAnyZoom) {
  s.AddSegment(0, 0, 100, 0);
  s.zoom = 200;
  EXPECT_EQ(s.ParallelClick(100, 0, "10"), OffsetResult::kAdded);
  EXPECT_NEAR(s.table.Num(2, fig::kY1), 10, 1e-6);
  EXPECT_NEAR(s.table.Num(2, fig::kX2), 100.0001, 1e-5);
  EXPECT_NEAR(s.table.Num(2, fig::kY2), 10, 1e-6);
}

TEST_F(ParallelOffsetTest, NewRowTakesThePanelsPenNotThePickedOnes) {
  s.AddSegment(0, 0, 100, 0);
  s.panel.PenWidth = 4;
  s.panel.PenColor = 0x112233;
  s.panel.BrushColor = 0x445566;
  s.panel.ArrowOn = 1;
  EXPECT_EQ(s.ParallelClick(50, 0, "5", 3), OffsetResult::kAdded);
  EXPECT_EQ(std::get<int16_t>(s.table.At(2, fig::kKind)), fig::kSegment);
  EXPECT_EQ(std::get<int16_t>(s.table.At(2, fig::kLineWidth)), 4);
  EXPECT_EQ(std::get<int16_t>(s.table.At(2, fig::kLineStyle)), 3);
  EXPECT_EQ(std::get<int32_t>(s.table.At(2, fig::kLineColor)), 0x112233);
  EXPECT_EQ(std::get<int32_t>(s.table.At(2, fig::kFillColor)), 0x445566);
  EXPECT_EQ(std::get<int16_t>(s.table.At(2, fig::kArrow)), 1);
  EXPECT_FALSE(s.undo.UndoAvailable);  // a parallel line cannot be undone
}

TEST_F(ParallelOffsetTest, DistanceIsTheLeadingNumberOfTheBox) {
  s.AddSegment(0, 0, 100, 0);
  EXPECT_EQ(s.ParallelClick(50, 0, "12.5abc"), OffsetResult::kAdded);
  EXPECT_NEAR(s.table.Num(2, fig::kY1), 12.5, 1e-6);
  EXPECT_NEAR(s.table.Num(2, fig::kX1), 1.25e-4, 1e-9);
}

TEST_F(ParallelOffsetTest, NoDistanceAsksForOneAndKeepsThePick) {
  s.AddSegment(0, 0, 100, 0);
  for (const char* text : {"0", "", "abc", "  -0.0"}) {
    EXPECT_EQ(s.ParallelClick(50, 0, text), OffsetResult::kNeedDistance) << text;
    EXPECT_EQ(s.table.FigureCount, 1);
    EXPECT_EQ(s.drag.Picks[0][0], 1);
  }
}

TEST_F(ParallelOffsetTest, ZeroLengthSegmentCannotBeOffset) {
  s.AddSegment(7, 7, 7, 7);
  EXPECT_EQ(s.ParallelClick(7, 7, "10"), OffsetResult::kCannotOffset);
  EXPECT_EQ(s.table.FigureCount, 1);
  EXPECT_EQ(s.drag.Picks[0][0], 0);
}

TEST_F(ParallelOffsetTest, FullTableIsRefusedWithoutTouchingTheUndoRecord) {
  for (int i = 0; i < fig::kMaxFigures; ++i) s.AddSegment(i, 0, i, 10);
  s.drag.PickedFigure = 5;
  ASSERT_TRUE(SaveUndoRecord(s.table, s.drag, tool::kDelete, s.undo));
  const auto record = s.table.cells[fig::kUndoRow];

  EXPECT_EQ(s.ParallelClick(3, 5, "10"), OffsetResult::kTableFull);
  EXPECT_EQ(s.table.FigureCount, 1000);
  EXPECT_EQ(s.table.cells[fig::kUndoRow], record);
  EXPECT_EQ(s.drag.Picks[0][0], 0);
  ASSERT_TRUE(UndoLastEdit(s.table, s.drag, s.undo));
  EXPECT_EQ(s.table.Kind(5), fig::kSegment);
}

TEST_F(ParallelOffsetTest, TextPickedAsASegmentCannotBeOffset) {
  s.panel.ToolMode = tool::kText;
  NewFigureAttributes text;
  text.Text = "abc";
  ASSERT_TRUE(AddFigure(s.table, s.panel, s.drag, s.zoom, 0, text));
  s.panel.ToolMode = tool::kParallel;
  EXPECT_EQ(s.ParallelClick(0, 0, "10"), OffsetResult::kCannotOffset);
  EXPECT_EQ(s.table.FigureCount, 1);
}

}  // namespace
}  // namespace velmor
