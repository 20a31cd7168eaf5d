// What the edit history adds to each canvas action: the bracket around one edit on a full table
// (the table taken, then compared row by row), and walking back and forth through it.
#include <benchmark/benchmark.h>

#include <string>

#include "core/edit/EditHistory.h"

namespace velmor {
namespace {

// 1000 figures with texts among them, as a busy session leaves the table.
FigureTable FullTable() {
  FigureTable table;
  for (int row = 1; row <= fig::kMaxFigures; ++row) {
    auto& cells = table.cells[row];
    cells[fig::kKind] = int16_t(row % 4 + 1);
    cells[fig::kX1] = double(row);
    cells[fig::kY1] = double(row * 2);
    if (row % 4 == 3)
      cells[fig::kX2] = std::string("寸法 ") + std::to_string(row);
    else
      cells[fig::kX2] = double(row + 50);
    cells[fig::kY2] = double(row + 60);
    cells[5] = int16_t(1);
    cells[7] = int32_t(0xFF);
  }
  table.FigureCount = fig::kMaxFigures;
  return table;
}

void BM_OneMoveBracketed(benchmark::State& state) {
  FigureTable table = FullTable();
  EditHistory history(1000);
  double dx = 0;
  for (auto _ : state) {
    history.Begin(table);
    table.At(500, fig::kX1) = (dx += 1);
    benchmark::DoNotOptimize(history.End(table));
  }
}
BENCHMARK(BM_OneMoveBracketed)->Unit(benchmark::kMicrosecond);

void BM_ClickThatChangesNothing(benchmark::State& state) {
  FigureTable table = FullTable();
  EditHistory history(1000);
  for (auto _ : state) {
    history.Begin(table);
    benchmark::DoNotOptimize(history.End(table));
  }
}
BENCHMARK(BM_ClickThatChangesNothing)->Unit(benchmark::kMicrosecond);

void BM_UndoAndRedoAThousandEdits(benchmark::State& state) {
  FigureTable table = FullTable();
  EditHistory history(1000);
  for (int i = 0; i < 1000; ++i) {
    history.Begin(table);
    table.At(1 + i % 1000, fig::kY1) = double(i);
    history.End(table);
  }
  for (auto _ : state) {
    while (history.Undo(table)) {
    }
    while (history.Redo(table)) {
    }
  }
}
BENCHMARK(BM_UndoAndRedoAThousandEdits)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmor

BENCHMARK_MAIN();
