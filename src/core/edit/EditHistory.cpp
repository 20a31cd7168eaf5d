#include "core/edit/EditHistory.h"

#include <algorithm>

namespace velmor {

EditHistory::EditHistory(std::size_t depth) : depth_(std::max<std::size_t>(depth, 1)) {}
EditHistory::~EditHistory() = default;
EditHistory::EditHistory(EditHistory&&) noexcept = default;
EditHistory& EditHistory::operator=(EditHistory&&) noexcept = default;

void EditHistory::Begin(const FigureTable& table) {
  if (depthOfBrackets_++ > 0) return;
  if (!before_) before_ = std::make_unique<FigureTable>();
  *before_ = table;
}

bool EditHistory::End(const FigureTable& table) {
  if (depthOfBrackets_ == 0) return false;
  if (--depthOfBrackets_ > 0) return false;
  const FigureTable& before = *before_;
  Edit edit{before.FigureCount, table.FigureCount, {}};
  for (int row = 1; row <= fig::kMaxFigures; ++row)
    if (before.cells[row] != table.cells[row])
      edit.rows.push_back({row, before.cells[row], table.cells[row]});
  const bool recordChanged = before.cells[fig::kUndoRow] != table.cells[fig::kUndoRow];
  if (edit.rows.empty() && edit.countBefore == edit.countAfter && !recordChanged) return false;
  undo_.push_back(std::move(edit));
  while (undo_.size() > depth_) undo_.pop_front();
  redo_.clear();
  return true;
}

void EditHistory::Apply(const Edit& edit, FigureTable& table, bool forward) {
  for (const RowChange& change : edit.rows)
    table.cells[change.row] = forward ? change.after : change.before;
  table.FigureCount = forward ? edit.countAfter : edit.countBefore;
}

bool EditHistory::Undo(FigureTable& table) {
  if (undo_.empty()) return false;
  Apply(undo_.back(), table, false);
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  return true;
}

bool EditHistory::Redo(FigureTable& table) {
  if (redo_.empty()) return false;
  Apply(redo_.back(), table, true);
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  return true;
}

void EditHistory::SetDepth(std::size_t depth) {
  depth_ = std::max<std::size_t>(depth, 1);
  while (undo_.size() > depth_) undo_.pop_front();
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
}

}  // namespace velmor
