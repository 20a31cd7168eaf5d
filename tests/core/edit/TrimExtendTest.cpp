#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/edit/EditSession.h"
#include "core/edit/TrimExtend.h"

namespace velmor {
namespace {

using testing::EditSession;

// The crossing pair (0, 0)-(10, 0) and (5, -5)-(5, 5). The first direction comes out of
// DirectionAngle about 1e-5 rad off, so the crossing lands 5 * 1e-5 above the axis.
class CrossingPair : public ::testing::Test {
 protected:
  void SetUp() override {
    s.AddSegment(0, 0, 10, 0);
    s.AddSegment(5, -5, 5, 5);
  }
  void ExpectRowsUnchanged() {
    EXPECT_EQ(s.table.Num(1, fig::kX1), 0);
    EXPECT_EQ(s.table.Num(1, fig::kX2), 10);
    EXPECT_EQ(s.table.Num(1, fig::kY2), 0);
    EXPECT_EQ(s.table.Num(2, fig::kY1), -5);
    EXPECT_EQ(s.table.Num(2, fig::kY2), 5);
  }
  EditSession s;
};

constexpr double kCrossY = -4.9999999999e-05;

TEST_F(CrossingPair, BothTrimMovesTheFarEndOfEachToTheCrossing) {
  s.panel.ToolMode = tool::kTrimBoth;
  EXPECT_FALSE(s.TrimClick(1, 0).has_value());
  EXPECT_EQ(s.drag.Picks[0][0], 1);
  EXPECT_EQ(s.drag.Picks[0][1], 4);
  EXPECT_EQ(s.TrimClick(5, -4), TrimResult::kDone);

  const auto first = s.Segment(1), second = s.Segment(2);
  EXPECT_EQ(first.x1, 0);
  EXPECT_EQ(first.y1, 0);
  EXPECT_NEAR(first.x2, 5, 1e-12);
  EXPECT_NEAR(first.y2, kCrossY, 1e-15);
  EXPECT_EQ(second.x1, 5);
  EXPECT_EQ(second.y1, -5);
  EXPECT_NEAR(second.x2, 5, 1e-12);
  EXPECT_NEAR(second.y2, kCrossY, 1e-15);
  EXPECT_EQ(s.drag.Picks[0][0], 0);
  EXPECT_EQ(s.drag.Picks[1][0], 0);

  ASSERT_TRUE(UndoLastEdit(s.table, s.drag, s.undo));
  ExpectRowsUnchanged();
}

TEST_F(CrossingPair, OneTrimCutsOnlyTheSecondSegment) {
  s.panel.ToolMode = tool::kTrimOne;
  s.TrimClick(1, 0);
  EXPECT_EQ(s.TrimClick(5, -4), TrimResult::kDone);
  const auto first = s.Segment(1), second = s.Segment(2);
  EXPECT_EQ(first.x2, 10);
  EXPECT_EQ(first.y2, 0);
  EXPECT_NEAR(second.x2, 5, 1e-12);
  EXPECT_NEAR(second.y2, kCrossY, 1e-15);

  // The record holds only the cut segment.
  EXPECT_EQ(s.table.Num(fig::kUndoRow, 0), tool::kTrimOne);
  EXPECT_EQ(s.table.Num(fig::kUndoRow, 1), 2);
  s.table.At(1, fig::kX2) = 77.0;
  ASSERT_TRUE(UndoLastEdit(s.table, s.drag, s.undo));
  EXPECT_EQ(s.table.Num(2, fig::kY2), 5);
  EXPECT_EQ(s.table.Num(1, fig::kX2), 77);
}

TEST_F(CrossingPair, TheEndNearTheClickStays) {
  s.panel.ToolMode = tool::kTrimBoth;
  s.TrimClick(9, 0);
  EXPECT_EQ(s.drag.Picks[0][1], 2);
  EXPECT_EQ(s.TrimClick(5, -4), TrimResult::kDone);
  const auto first = s.Segment(1);
  EXPECT_NEAR(first.x1, 5, 1e-12);
  EXPECT_NEAR(first.y1, kCrossY, 1e-15);
  EXPECT_EQ(first.x2, 10);
  EXPECT_EQ(first.y2, 0);
}

TEST_F(CrossingPair, ClickHalfwayMovesTheSecondEnd) {
  s.panel.ToolMode = tool::kTrimOne;
  s.TrimClick(5, -4);
  ASSERT_EQ(s.drag.Picks[0][0], 2);
  // (5, 0) lies on both lines; the tie goes to row 1, picked at its middle.
  EXPECT_EQ(s.TrimClick(5, 0), TrimResult::kDone);
  EXPECT_EQ(s.table.Num(1, fig::kX1), 0);
  EXPECT_EQ(s.table.Num(1, fig::kY1), 0);
  EXPECT_NEAR(s.table.Num(1, fig::kX2), 5, 1e-9);
  EXPECT_NEAR(s.table.Num(1, fig::kY2), 0, 1e-4);
}

TEST_F(CrossingPair, SameSegmentTwiceIsRefusedButUndoIsReady) {
  s.panel.ToolMode = tool::kTrimBoth;
  s.TrimClick(1, 0);
  EXPECT_EQ(s.TrimClick(8, 0), TrimResult::kNoIntersection);
  ExpectRowsUnchanged();
  EXPECT_EQ(s.drag.Picks[0][0], 0);
  EXPECT_EQ(s.drag.Picks[1][0], 0);
  EXPECT_TRUE(s.undo.UndoAvailable);
  ASSERT_TRUE(UndoLastEdit(s.table, s.drag, s.undo));
  ExpectRowsUnchanged();
}

TEST(ExtendOrCut, MovesTheFarEndToTheFootOfThePerpendicular) {
  EditSession s;
  s.AddSegment(0, 0, 10, 0);
  s.panel.ToolMode = tool::kExtend;
  s.TrimClick(1, 0);
  EXPECT_EQ(s.TrimClick(20, 7), TrimResult::kDone);
  // t = 20 + 7 * sin(1e-5) along a direction 1e-5 rad below the axis.
  EXPECT_NEAR(s.table.Num(1, fig::kX2), 19.999929998, 1e-8);
  EXPECT_NEAR(s.table.Num(1, fig::kY2), -1.99999299976e-4, 1e-12);
  EXPECT_EQ(s.table.Num(1, fig::kX1), 0);

  ASSERT_TRUE(UndoLastEdit(s.table, s.drag, s.undo));
  s.TrimClick(1, 0);
  EXPECT_EQ(s.TrimClick(3, -4), TrimResult::kDone);
  EXPECT_NEAR(s.table.Num(1, fig::kX2), 3.0000399997, 1e-9);
  EXPECT_NEAR(s.table.Num(1, fig::kY2), -3.00003999964e-5, 1e-14);
}

TEST(ExtendOrCut, TargetIsTakenInDisplayPixels) {
  EditSession s;
  s.AddSegment(0, 0, 10, 0);
  s.zoom = 200;
  s.panel.ToolMode = tool::kExtend;
  s.TrimClick(2, 0);
  EXPECT_EQ(s.TrimClick(40, 14), TrimResult::kDone);
  EXPECT_NEAR(s.table.Num(1, fig::kX2), 19.999929998, 1e-8);
  EXPECT_NEAR(s.table.Num(1, fig::kY2), -1.99999299976e-4, 1e-12);
  EXPECT_EQ(s.table.Num(fig::kUndoRow, 0), tool::kExtend);
}

TEST(ExtendOrCut, ZeroLengthSegmentIsRefused) {
  EditSession s;
  s.AddSegment(3, 3, 3, 3);
  s.panel.ToolMode = tool::kExtend;
  s.TrimClick(3, 3);
  EXPECT_EQ(s.drag.Picks[0][1], 4);
  EXPECT_EQ(s.TrimClick(30, 30), TrimResult::kNoIntersection);
  EXPECT_EQ(s.table.Num(1, fig::kX2), 3);
  EXPECT_EQ(s.table.Num(1, fig::kY2), 3);
  EXPECT_TRUE(s.undo.UndoAvailable);
}

TEST(ExtendOrCut, TextPickedAsASegmentKeepsItsString) {
  EditSession s;
  s.panel.ToolMode = tool::kText;
  s.drag.StartX = 10;
  s.drag.StartY = 10;
  NewFigureAttributes text;
  text.Text = "文字";
  text.FontName = std::string("IPAGothic");
  ASSERT_TRUE(AddFigure(s.table, s.panel, s.drag, s.zoom, 0, text));
  s.panel.ToolMode = tool::kExtend;
  s.TrimClick(10, 10);
  ASSERT_EQ(s.drag.Picks[0][0], 1);
  EXPECT_EQ(s.TrimClick(50, 50), TrimResult::kNoIntersection);
  EXPECT_EQ(s.table.Text(1, fig::kX2), "文字");
  EXPECT_EQ(s.table.Text(1, fig::kY2), "IPAGothic");
}

// Pairs that are parallel up to DirectionAngle's own error must be refused, not trimmed at a
// point far off the picture.
struct ParallelPair {
  const char* name;
  double a[4];
  double b[4];
};

void PrintTo(const ParallelPair& pair, std::ostream* os) {
  *os << pair.name;
}

class ParallelPairs : public ::testing::TestWithParam<ParallelPair> {};

TEST_P(ParallelPairs, AreRefusedAndLeftAlone) {
  const ParallelPair& p = GetParam();
  for (int16_t mode : {tool::kTrimBoth, tool::kTrimOne}) {
    EditSession s;
    s.AddSegment(p.a[0], p.a[1], p.a[2], p.a[3]);
    s.AddSegment(p.b[0], p.b[1], p.b[2], p.b[3]);
    s.panel.ToolMode = mode;
    EXPECT_FALSE(s.TrimClick(p.a[0], p.a[1]).has_value());
    ASSERT_EQ(s.drag.Picks[0][0], 1);
    EXPECT_EQ(s.TrimClick(p.b[0], p.b[1]), TrimResult::kNoIntersection) << p.name;
    for (int col = fig::kX1; col <= fig::kY2; ++col) {
      EXPECT_EQ(s.table.Num(1, col), p.a[col - 1]) << p.name;
      EXPECT_EQ(s.table.Num(2, col), p.b[col - 1]) << p.name;
    }
    EXPECT_EQ(s.drag.Picks[0][0], 0);
    EXPECT_TRUE(s.undo.UndoAvailable);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Trim, ParallelPairs,
    ::testing::Values(
        // Same direction, the denominator a rounding residue of about -8.9e-16.
        ParallelPair{"slope 1/3", {0, 0, 3, 1}, {0, 5, 21, 12}},
        ParallelPair{"horizontal, same way", {0, 0, 10, 0}, {0, 5, 10, 5}},
        // Opposite ways: each direction is 1e-5 off the other way, a sine of 2e-5.
        ParallelPair{"horizontal, opposite ways", {0, 0, 10, 0}, {10, 5, 0, 5}},
        ParallelPair{"vertical, opposite ways", {0, 0, 0, 10}, {5, 10, 5, 0}},
        ParallelPair{"diagonal, opposite ways", {0, 0, 7, 7}, {10, 0, 3, -7}},
        ParallelPair{"long and short", {0, 0, 994, 0}, {7, 5, 1, 5}}),
    [](const auto& info) { return "Pair" + std::to_string(info.index); });

TEST(Trim, NearlyParallelLinesBeyondTheRoutinesErrorStillMeet) {
  EditSession s;
  s.AddSegment(0, 0, 10000, 0);
  s.AddSegment(0, 1, 10000, 0);  // 1e-4 rad apart
  s.panel.ToolMode = tool::kTrimBoth;
  s.TrimClick(1, 0);
  EXPECT_EQ(s.TrimClick(1, 1), TrimResult::kDone);
  // The routines' own error moves the crossing from 10000 to about 11050.
  EXPECT_NEAR(s.table.Num(1, fig::kX2), 11049.8754617, 1e-6);
  EXPECT_EQ(s.table.Num(1, fig::kX2), s.table.Num(2, fig::kX2));
}

}  // namespace
}  // namespace velmor
