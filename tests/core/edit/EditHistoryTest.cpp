#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/edit/EditHistory.h"
#include "core/edit/FigureStore.h"

namespace velmor {
namespace {

class EditHistoryTest : public ::testing::Test {
 protected:
  // One user action on the table, bracketed as the main window brackets it.
  template <typename F>
  bool Edit(F&& change) {
    history.Begin(table);
    change();
    return history.End(table);
  }
  bool AddSegment(float x1, float y1, float x2, float y2) {
    return Edit([&] {
      panel.ToolMode = tool::kSegment;
      drag.StartX = x1;
      drag.StartY = y1;
      drag.EndX = x2;
      drag.EndY = y2;
      AddFigure(table, panel, drag, 100, 0, attributes);
    });
  }
  bool Delete(float x, float y) {
    return Edit([&] {
      drag.StartX = x;
      drag.StartY = y;
      DeleteNearestFigure(table, 9, 100, drag, undo);
    });
  }
  // The figure rows and the count; row 1001 is the one-step record's and is compared apart.
  static bool SameFigures(const FigureTable& a, const FigureTable& b) {
    if (a.FigureCount != b.FigureCount) return false;
    for (int row = 1; row <= fig::kMaxFigures; ++row)
      if (a.cells[row] != b.cells[row]) return false;
    return true;
  }

  FigureTable table;
  EditHistory history;
  DragState drag;
  PanelState panel;
  UndoState undo;
  NewFigureAttributes attributes;
};

TEST_F(EditHistoryTest, ANewEditDropsWhatCouldBeRedoneAndStepsWithoutChangeRecordNothing) {
  AddSegment(0, 0, 10, 0);
  AddSegment(0, 5, 10, 5);
  history.Undo(table);
  EXPECT_TRUE(history.CanRedo());
  EXPECT_FALSE(Edit([] {}));  // a click that found nothing
  EXPECT_TRUE(history.CanRedo());
  AddSegment(0, 9, 10, 9);
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.UndoCount(), 2u);
  EXPECT_EQ(table.Num(2, fig::kY1), 9.0);
}

TEST_F(EditHistoryTest, KeepsTheLatestEditsUpToItsDepth) {
  history.SetDepth(100);
  std::vector<FigureTable> states{table};
  for (int i = 0; i < 150; ++i) {
    AddSegment(0, float(i), 10, float(i));
    states.push_back(table);
  }
  EXPECT_EQ(history.UndoCount(), 100u);
  int presses = 0;
  while (history.Undo(table)) ++presses;
  EXPECT_EQ(presses, 100);
  EXPECT_TRUE(SameFigures(table, states[50]));
  EXPECT_GE(EditHistory::kDefaultDepth, 100u);
  history.SetDepth(10);
  EXPECT_EQ(history.RedoCount(), 100u);  // the depth bounds the way back only
  EXPECT_EQ(history.UndoCount(), 0u);
}

TEST_F(EditHistoryTest, TheOneStepRecordCountsAsAnEditButIsNeverPutBack) {
  AddSegment(0, 0, 10, 0);
  ASSERT_TRUE(Delete(5, 1));
  const auto record = table.cells[fig::kUndoRow];
  EXPECT_EQ(table.Num(fig::kUndoRow, fig::undo::kRow1), 1.0);
  // A step that only saved the record (a trim that then found no crossing) is still an edit.
  EXPECT_TRUE(Edit([&] { table.At(fig::kUndoRow, fig::undo::kTool) = int16_t{10}; }));
  const auto failedTrimRecord = table.cells[fig::kUndoRow];
  ASSERT_TRUE(history.Undo(table));
  ASSERT_TRUE(history.Undo(table));
  EXPECT_EQ(table.Kind(1), fig::kSegment);
  EXPECT_EQ(table.cells[fig::kUndoRow], failedTrimRecord);
  EXPECT_NE(record, failedTrimRecord);
}

TEST_F(EditHistoryTest, NestedBracketsFoldIntoOneEditAndClearForgetsBothWays) {
  history.Begin(table);
  AddSegment(0, 0, 10, 0);  // inside the outer bracket: not an edit of its own
  EXPECT_TRUE(history.Recording());
  AddSegment(0, 5, 10, 5);
  EXPECT_TRUE(history.End(table));
  EXPECT_FALSE(history.Recording());
  EXPECT_EQ(history.UndoCount(), 1u);
  history.Undo(table);
  EXPECT_EQ(table.FigureCount, 0);
  EXPECT_FALSE(history.End(table));  // an End without its Begin does nothing

  history.Redo(table);
  AddSegment(0, 9, 10, 9);
  history.Undo(table);
  history.Clear();
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(table.FigureCount, 2);
}

}  // namespace
}  // namespace velmor
