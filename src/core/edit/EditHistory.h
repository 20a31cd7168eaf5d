// The figure edits that undo and redo walk through. Each edit keeps only the rows it changed
// (before and after) and the figure count on either side, so a long session costs little. Row
// 1001 takes part in telling whether a step edited anything (a failed trim still saved its
// record), but it is never put back: it keeps whatever the one-step record last wrote there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "core/model/FigureTable.h"

namespace velmor {

class EditHistory {
 public:
  // How many edits undo can go back through unless told otherwise.
  static constexpr std::size_t kDefaultDepth = 1000;

  explicit EditHistory(std::size_t depth = kDefaultDepth);
  ~EditHistory();
  EditHistory(EditHistory&&) noexcept;
  EditHistory& operator=(EditHistory&&) noexcept;

  // Brackets one user action. Begin takes the table as it is; the matching End compares and,
  // when something changed, records one edit and drops what could be redone. Nested brackets
  // (an event handled inside a message box) fold into the outermost. End returns whether an
  // edit was recorded.
  void Begin(const FigureTable& table);
  bool End(const FigureTable& table);
  bool Recording() const { return depthOfBrackets_ > 0; }

  // Puts the table back as it was before the last edit (Undo) or after the last undone one
  // (Redo). False, changing nothing, when there is nothing to walk to.
  bool Undo(FigureTable& table);
  bool Redo(FigureTable& table);

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  std::size_t UndoCount() const { return undo_.size(); }
  std::size_t RedoCount() const { return redo_.size(); }
  std::size_t Depth() const { return depth_; }
  // A smaller depth forgets the oldest edits at once.
  void SetDepth(std::size_t depth);

  // Forgets both directions (the figures were dropped).
  void Clear();

 private:
  using Row = std::array<TaggedValue, fig::kColumns>;
  struct RowChange {
    int row;
    Row before;
    Row after;
  };
  struct Edit {
    int32_t countBefore;
    int32_t countAfter;
    std::vector<RowChange> rows;
  };
  static void Apply(const Edit& edit, FigureTable& table, bool forward);

  std::size_t depth_;
  int depthOfBrackets_ = 0;
  std::unique_ptr<FigureTable> before_;
  std::deque<Edit> undo_;
  std::deque<Edit> redo_;
};

}  // namespace velmor
