#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "core/edit/FigureStore.h"

namespace velmor {
namespace {

class FigureStoreTest : public ::testing::Test {
 protected:
  // Stores a figure of kind `tool` from display pixels at the current zoom.
  bool Add(int16_t tool, float x1, float y1, float x2 = 0, float y2 = 0) {
    panel.ToolMode = tool;
    drag.StartX = x1;
    drag.StartY = y1;
    drag.EndX = x2;
    drag.EndY = y2;
    return AddFigure(table, panel, drag, zoom, 0, attributes);
  }
  int16_t Find(int16_t tool, float x, float y) {
    drag.StartX = x;
    drag.StartY = y;
    return FindNearestFigure(table, tool, zoom, drag);
  }

  FigureTable table;
  DragState drag;
  PanelState panel;
  UndoState undo;
  NewFigureAttributes attributes;
  int16_t zoom = 100;
};

TEST_F(FigureStoreTest, SegmentRowIsStoredAtFullScaleWithThePanelsPen) {
  zoom = 200;
  panel.PenWidth = 3;
  panel.ArrowOn = 1;
  panel.PenColor = 0x0000FF;
  panel.BrushColor = 0x00FF00;
  attributes.LineStyleIndex = 2;
  attributes.FillStyleIndex = 5;
  ASSERT_TRUE(Add(tool::kSegment, 10, 20, 30, 41));
  EXPECT_EQ(table.FigureCount, 1);
  EXPECT_EQ(std::get<int16_t>(table.At(1, fig::kKind)), 1);
  EXPECT_EQ(std::get<double>(table.At(1, fig::kX1)), 5);
  EXPECT_EQ(std::get<double>(table.At(1, fig::kY1)), 10);
  EXPECT_EQ(std::get<double>(table.At(1, fig::kX2)), 15);
  EXPECT_EQ(std::get<double>(table.At(1, fig::kY2)), 20.5);
  EXPECT_EQ(std::get<int16_t>(table.At(1, fig::kLineWidth)), 3);
  EXPECT_EQ(std::get<int16_t>(table.At(1, fig::kLineStyle)), 2);
  EXPECT_EQ(std::get<int32_t>(table.At(1, fig::kLineColor)), 0x0000FF);
  EXPECT_EQ(std::get<int32_t>(table.At(1, fig::kFillColor)), 0x00FF00);
  EXPECT_EQ(std::get<int16_t>(table.At(1, fig::kFillStyle)), 5);
  EXPECT_EQ(std::get<int16_t>(table.At(1, fig::kArrow)), 1);
}

TEST_F(FigureStoreTest, ScaleFactorIsFormedBeforeItMultiplies) {
  zoom = 30;
  ASSERT_TRUE(Add(tool::kRectangle, 1.75f, 0, 2.75f, 0));
  // 1.75 * (100 / 30) and 1.75 * 100 / 30 differ in the last bit.
  EXPECT_EQ(table.Num(1, fig::kX1), 1.75 * (100.0 / 30));
  EXPECT_NE(table.Num(1, fig::kX1), 1.75 * 100.0 / 30);
  EXPECT_EQ(table.Num(1, fig::kX2), 2.75 * (100.0 / 30));
}

TEST_F(FigureStoreTest, CircleAndTextRowsTakeTheirOwnColumns) {
  zoom = 200;
  drag.CircleRadius = 40;
  attributes.EllipseRatioText = "1.4";
  ASSERT_TRUE(Add(tool::kCircle, 100, 60));
  EXPECT_EQ(table.Num(1, fig::kRadius), 20);
  EXPECT_TRUE(IsEmpty(table.At(1, fig::kY2)));
  EXPECT_DOUBLE_EQ(table.Num(1, fig::kEllipseRatio), 1.4);

  attributes.Text = "日本語";
  attributes.FontName = std::string("ＭＳ ゴシック");
  attributes.FontSize = 12.0f;
  attributes.FontBold = true;
  attributes.FontItalic = false;
  panel.ToolMode = tool::kText;
  drag.StartX = 8;
  drag.StartY = 4;
  ASSERT_TRUE(AddFigure(table, panel, drag, zoom, -45.5, attributes));
  EXPECT_EQ(table.Kind(2), fig::kText);
  EXPECT_EQ(table.Num(2, fig::kX1), 4);
  EXPECT_EQ(std::get<std::string>(table.At(2, fig::text::kString)), "日本語");
  EXPECT_EQ(std::get<std::string>(table.At(2, fig::text::kFontName)), "ＭＳ ゴシック");
  EXPECT_EQ(std::get<float>(table.At(2, fig::text::kFontSize)),
            12.0f);  // slot values keep their type
  EXPECT_EQ(std::get<bool>(table.At(2, fig::text::kBold)), true);
  EXPECT_EQ(std::get<double>(table.At(2, fig::text::kAngle)), -45.5);
  EXPECT_EQ(std::get<bool>(table.At(2, fig::text::kItalic)), false);
}

TEST_F(FigureStoreTest, DeletedRowsStillCountTowardTheLimit) {
  for (int i = 0; i < fig::kMaxFigures; ++i) ASSERT_TRUE(Add(tool::kSegment, i, 0, i, 10));
  ASSERT_TRUE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  table.At(fig::kUndoRow, 3) = 123.0;  // a recognisable undo cell
  EXPECT_FALSE(Add(tool::kSegment, 1, 1, 2, 2));
  EXPECT_EQ(table.FigureCount, 1000);
  EXPECT_EQ(table.Num(fig::kUndoRow, 3), 123);
  EXPECT_EQ(table.Num(fig::kUndoRow, 0), tool::kDelete);
}

TEST_F(FigureStoreTest, EmptyTableFindsNothingAndLeavesTheClickAlone) {
  zoom = 200;
  EXPECT_EQ(Find(tool::kMove, 30, 40), 0);
  EXPECT_EQ(drag.StartX, 30);
  EXPECT_EQ(drag.StartY, 40);
}

TEST_F(FigureStoreTest, ClickIsTurnedIntoFullScaleInPlace) {
  ASSERT_TRUE(Add(tool::kCircle, 0, 0));
  zoom = 200;
  EXPECT_EQ(Find(tool::kMove, 30, 41), 1);
  EXPECT_EQ(drag.StartX, 15);
  EXPECT_EQ(drag.StartY, 20.5);
}

TEST_F(FigureStoreTest, FarClickFindsTheNearestAndTiesGoToTheLowerRow) {
  ASSERT_TRUE(Add(tool::kCircle, 5000, 0));
  ASSERT_TRUE(Add(tool::kRectangle, 0, 3000, 10, 10));
  ASSERT_TRUE(Add(tool::kText, 0, -3000));
  EXPECT_EQ(Find(tool::kMove, 0, 0), 2);  // 3000 from both rows 2 and 3
  EXPECT_EQ(Find(tool::kMove, 4000, 0), 1);
}

TEST_F(FigureStoreTest, SegmentsScoreByTheirWholeLine) {
  // A circle centred exactly on the click scores 0; the segment before it wins the tie only if
  // the click on its extension scores 0 too.
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  ASSERT_TRUE(Add(tool::kCircle, 20, 0));
  EXPECT_EQ(Find(tool::kMove, 20, 0), 1);
  ASSERT_TRUE(Add(tool::kSegment, 0, 100, 3, 104));
  ASSERT_TRUE(Add(tool::kCircle, 9, 112));
  EXPECT_EQ(Find(tool::kMove, 9, 112), 3);
}

TEST_F(FigureStoreTest, HeronProductBelowZeroCountsAsZeroDistance) {
  // On (0, 0)-(1, 1) the click (4, 4) leaves the product at about -3e-14.
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 1, 1));
  ASSERT_TRUE(Add(tool::kCircle, 4, 4));
  EXPECT_EQ(Find(tool::kMove, 4, 4), 1);
  // Alone in the table with a trim tool, it must still be found (a NaN would lose it).
  table.At(2, fig::kKind) = static_cast<int16_t>(fig::kDeleted);
  EXPECT_EQ(Find(tool::kTrimBoth, 4, 4), 1);
}

TEST_F(FigureStoreTest, ZeroLengthSegmentIsFoundOnlyWhenNothingIsNearer) {
  ASSERT_TRUE(Add(tool::kSegment, 50, 50, 50, 50));
  ASSERT_TRUE(Add(tool::kCircle, 900, 900));
  EXPECT_EQ(Find(tool::kMove, 50, 50), 2);
  table.At(2, fig::kX1) = 2'000'000.0;
  EXPECT_EQ(Find(tool::kMove, 50, 50), 1);
}

TEST_F(FigureStoreTest, DraftingToolsPreferSegments) {
  ASSERT_TRUE(Add(tool::kCircle, 0, 0));
  ASSERT_TRUE(Add(tool::kSegment, 0, 5000, 10, 5000));
  EXPECT_EQ(Find(tool::kMove, 0, 0), 1);
  for (int16_t t = tool::kTrimBoth; t <= tool::kParallel; ++t) EXPECT_EQ(Find(t, 0, 0), 2);
  // With no segment left, the first of the unmeasured figures is taken.
  table.At(2, fig::kKind) = static_cast<int16_t>(fig::kDeleted);
  EXPECT_EQ(Find(tool::kTrimBoth, 0, 0), 1);
}

TEST_F(FigureStoreTest, DeletedRowsAreNeverFound) {
  ASSERT_TRUE(Add(tool::kCircle, 0, 0));
  ASSERT_TRUE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  EXPECT_EQ(table.Kind(1), fig::kDeleted);
  EXPECT_FALSE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  EXPECT_EQ(drag.PickedFigure, 0);
}

TEST_F(FigureStoreTest, UndoOfADeleteBringsTheSameRowBackOnce) {
  ASSERT_TRUE(Add(tool::kRectangle, 1, 2, 3, 4));
  ASSERT_TRUE(Add(tool::kSegment, 100, 100, 200, 100));
  EXPECT_FALSE(undo.UndoAvailable);
  drag.StartX = 150;
  drag.StartY = 101;
  ASSERT_TRUE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  EXPECT_EQ(table.Kind(2), fig::kDeleted);
  EXPECT_TRUE(undo.UndoAvailable);

  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(std::get<int16_t>(table.At(2, fig::kKind)), fig::kSegment);
  EXPECT_EQ(table.Num(2, fig::kX2), 200);
  EXPECT_EQ(drag.PickedFigure, 2);
  EXPECT_FALSE(undo.UndoAvailable);
  EXPECT_FALSE(UndoLastEdit(table, drag, undo));
}

TEST_F(FigureStoreTest, MoveShiftsByTheDragAtFullScaleAndUndoPutsItBack) {
  ASSERT_TRUE(Add(tool::kRectangle, 10, 10, 30, 20));
  zoom = 200;
  drag.StartX = 20;  // on the first corner, at 200 percent
  drag.StartY = 20;
  drag.EndX = 40;
  drag.EndY = 60;
  ASSERT_TRUE(MoveNearestFigure(table, tool::kMove, zoom, drag, undo));
  EXPECT_EQ(drag.EndX, 20);
  EXPECT_EQ(drag.EndY, 30);
  EXPECT_EQ(table.Num(1, fig::kX1), 20);
  EXPECT_EQ(table.Num(1, fig::kY1), 30);
  EXPECT_EQ(table.Num(1, fig::kX2), 40);
  EXPECT_EQ(table.Num(1, fig::kY2), 40);
  EXPECT_EQ(table.Num(fig::kUndoRow, 0), tool::kMove);

  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Num(1, fig::kX1), 10);
  EXPECT_EQ(table.Num(1, fig::kY1), 10);
  EXPECT_EQ(table.Num(1, fig::kX2), 30);
  EXPECT_EQ(table.Num(1, fig::kY2), 20);
}

TEST_F(FigureStoreTest, MovingACircleOrATextShiftsOnlyItsFirstPoint) {
  drag.CircleRadius = 7;
  ASSERT_TRUE(Add(tool::kCircle, 10, 10));
  attributes.Text = "abc";
  attributes.FontName = std::string("IPAGothic");
  ASSERT_TRUE(Add(tool::kText, 500, 500));
  drag.StartX = 10;
  drag.StartY = 10;
  drag.EndX = 15;
  drag.EndY = 8;
  ASSERT_TRUE(MoveNearestFigure(table, tool::kMove, zoom, drag, undo));
  EXPECT_EQ(table.Num(1, fig::kX1), 15);
  EXPECT_EQ(table.Num(1, fig::kY1), 8);
  EXPECT_EQ(table.Num(1, fig::kX2), 7);
  EXPECT_TRUE(IsEmpty(table.At(1, fig::kY2)));

  drag.StartX = 500;
  drag.StartY = 500;
  drag.EndX = 400;
  drag.EndY = 500;
  ASSERT_TRUE(MoveNearestFigure(table, tool::kMove, zoom, drag, undo));
  EXPECT_EQ(table.Num(2, fig::kX1), 400);
  EXPECT_EQ(table.Text(2, fig::kX2), "abc");
  EXPECT_EQ(table.Text(2, fig::kY2), "IPAGothic");
  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Num(2, fig::kX1), 500);
  EXPECT_EQ(table.Text(2, fig::kX2), "abc");
}

TEST_F(FigureStoreTest, UndoRestoresOnlyKindAndPoints) {
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  drag.PickedFigure = 1;
  ASSERT_TRUE(SaveUndoRecord(table, drag, tool::kExtend, undo));
  table.At(1, fig::kX2) = 99.0;
  table.At(1, fig::kLineColor) = int32_t{0x123456};
  table.At(1, fig::kArrow) = int16_t{1};
  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Num(1, fig::kX2), 10);
  EXPECT_EQ(table.Num(1, fig::kLineColor), 0x123456);
  EXPECT_EQ(table.Num(1, fig::kArrow), 1);
}

TEST_F(FigureStoreTest, BothTrimRecordHoldsTwoRows) {
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  ASSERT_TRUE(Add(tool::kSegment, 5, -5, 5, 5));
  drag.PickedFigure = 1;
  drag.Picks[1][0] = 2;
  ASSERT_TRUE(SaveUndoRecord(table, drag, tool::kTrimBoth, undo));
  EXPECT_EQ(drag.PickedFigure, 2);
  EXPECT_EQ(table.Num(fig::kUndoRow, 1), 1);
  EXPECT_EQ(table.Num(fig::kUndoRow, 6), 2);
  EXPECT_EQ(table.Num(fig::kUndoRow, 8), -5);
  EXPECT_EQ(table.Num(fig::kUndoRow, 11), fig::kSegment);
  table.At(1, fig::kX2) = 5.0;
  table.At(2, fig::kY2) = 0.0;
  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Num(1, fig::kX2), 10);
  EXPECT_EQ(table.Num(2, fig::kY2), 5);
}

TEST_F(FigureStoreTest, UndoRecordIsNotSavedForRowsThatAreNotFigures) {
  drag.PickedFigure = 0;
  EXPECT_FALSE(SaveUndoRecord(table, drag, tool::kDelete, undo));
  drag.PickedFigure = fig::kUndoRow;
  EXPECT_FALSE(SaveUndoRecord(table, drag, tool::kDelete, undo));
  EXPECT_FALSE(undo.UndoAvailable);
}

TEST_F(FigureStoreTest, ANewPictureDropsTheUndoRecordWithTheFigures) {
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  drag.StartX = 5;
  drag.StartY = 0;
  ASSERT_TRUE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  ClearFigures(table, undo);
  EXPECT_EQ(table.FigureCount, 0);
  EXPECT_FALSE(undo.UndoAvailable);
  // A figure of the new picture takes row 1; the old record must not land on it.
  ASSERT_TRUE(Add(tool::kCircle, 40, 40));
  EXPECT_FALSE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Kind(1), fig::kCircle);
  EXPECT_EQ(table.Num(1, fig::kX1), 40);
}

TEST_F(FigureStoreTest, UndoLeavesRowsBeyondTheCurrentFiguresAlone) {
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  drag.PickedFigure = 1;
  ASSERT_TRUE(SaveUndoRecord(table, drag, tool::kDelete, undo));
  table.At(1, fig::kKind) = static_cast<int16_t>(fig::kDeleted);
  table.FigureCount = 0;  // a picture loaded without ClearFigures
  ASSERT_TRUE(UndoLastEdit(table, drag, undo));
  EXPECT_EQ(table.Kind(1), fig::kDeleted);
}

TEST_F(FigureStoreTest, PickMarkerNamesTheEndFartherFromTheClick) {
  ASSERT_TRUE(Add(tool::kSegment, 0, 0, 10, 0));
  EXPECT_EQ(MarkerForPick(table, 1, 100, 9, 0), 2);
  EXPECT_EQ(MarkerForPick(table, 1, 100, 1, 0), 4);
  EXPECT_EQ(MarkerForPick(table, 1, 100, 5, 3), 4);  // equal distances
  // Display pixels: at 200 percent the segment runs to 20.
  EXPECT_EQ(MarkerForPick(table, 1, 200, 9, 0), 4);
  EXPECT_EQ(MarkerForPick(table, 1, 200, 11, 0), 2);

  zoom = 200;
  drag.PickedFigure = 1;
  drag.PickStep = 2;
  drag.EndX = 19;
  drag.EndY = 0;
  RecordPickMarker(table, zoom, drag);
  EXPECT_EQ(drag.Picks[1][1], 2);
  EXPECT_EQ(drag.Picks[0][1], 0);
  EXPECT_EQ(drag.DrawX2, 20);
}

TEST_F(FigureStoreTest, MarkupRowsKeepWhatThePenMadeThem) {
  zoom = 200;
  panel.PenWidth = 3;
  ASSERT_TRUE(Add(tool::kMosaic, 20, 40, 60, 10));
  EXPECT_EQ(table.Num(1, fig::mosaic::kY2), 5);
  EXPECT_EQ(table.Num(1, fig::mosaic::kBlock), 12);
  attributes.HighlightBox = true;
  ASSERT_TRUE(Add(tool::kHighlight, 0, 0, 100, 50));
  EXPECT_EQ(table.Num(2, fig::highlight::kThickness), 16);
  EXPECT_EQ(table.Num(2, fig::highlight::kBox), 1);
  attributes.FontSize = TaggedValue{};  // no size set: the number is set in ten points
  ASSERT_TRUE(Add(tool::kMarker, 30, 30));
  EXPECT_EQ(table.Num(3, fig::marker::kFontSize), 10);
  // Every kind counts toward the limit.
  table.FigureCount = fig::kMaxFigures;
  EXPECT_FALSE(Add(tool::kMarker, 1, 1));
}

TEST_F(FigureStoreTest, NextMarkerIsOneMoreThanTheHighestLiveOne) {
  for (float x : {10, 50, 90}) ASSERT_TRUE(Add(tool::kMarker, x, 10));
  ASSERT_TRUE(Add(tool::kSegment, 0, 100, 100, 100));
  EXPECT_EQ(NextMarkerNumber(table), 4);
  drag.StartX = 50;
  drag.StartY = 12;
  ASSERT_TRUE(DeleteNearestFigure(table, tool::kDelete, zoom, drag, undo));
  EXPECT_EQ(table.Kind(2), fig::kDeleted);
  ASSERT_TRUE(Add(tool::kMarker, 50, 40));  // the others keep their numbers
  EXPECT_EQ(table.Num(5, fig::marker::kNumber), 4);
  EXPECT_EQ(table.Num(3, fig::marker::kNumber), 3);
  for (int row : {5, 3}) table.At(row, fig::kKind) = static_cast<int16_t>(fig::kDeleted);
  EXPECT_EQ(NextMarkerNumber(table), 2);
}

TEST_F(FigureStoreTest, MarkupIsPickedAsTheKindsItResemblesAndMovedWhole) {
  ASSERT_TRUE(Add(tool::kHighlight, 0, 100, 200, 100));  // a stroke: scored along its line
  attributes.HighlightBox = true;
  ASSERT_TRUE(Add(tool::kHighlight, 300, 300, 400, 400));  // a box: by its first corner
  ASSERT_TRUE(Add(tool::kMosaic, 500, 0, 600, 50));
  ASSERT_TRUE(Add(tool::kMarker, 700, 700));
  EXPECT_EQ(Find(tool::kMove, 1000, 103), 1);
  EXPECT_EQ(Find(tool::kMove, 310, 310), 2);
  EXPECT_EQ(Find(tool::kDelete, 505, 5), 3);
  EXPECT_EQ(Find(tool::kDelete, 690, 690), 4);
  // The drafting edits never take them, not even when nothing else is there.
  for (int16_t t = tool::kTrimBoth; t <= tool::kParallel; ++t) EXPECT_EQ(Find(t, 0, 100), 0);
  ASSERT_TRUE(Add(tool::kCircle, 0, 0));
  EXPECT_EQ(Find(tool::kTrimOne, 0, 100), 5);

  drag.StartX = 505, drag.StartY = 5, drag.EndX = 515, drag.EndY = 25;
  ASSERT_TRUE(MoveNearestFigure(table, tool::kMove, zoom, drag, undo));
  EXPECT_EQ(table.Num(3, fig::mosaic::kX1), 510);
  EXPECT_EQ(table.Num(3, fig::mosaic::kY2), 70);
  drag.StartX = 700, drag.StartY = 700, drag.EndX = 690, drag.EndY = 705;
  ASSERT_TRUE(MoveNearestFigure(table, tool::kMove, zoom, drag, undo));
  EXPECT_EQ(table.Num(4, fig::marker::kX), 690);
  EXPECT_EQ(table.Num(4, fig::marker::kNumber), 1);  // a number is not a coordinate
}

}  // namespace
}  // namespace velmor
