// A crowd of figures of every kind and style, many across one another and over the picture's
// edges, for the tests that compare two ways of drawing them.
#pragma once

#include <random>
#include <string>

#include "core/model/FigureTable.h"

namespace velmor::test {

// Figures of every kind and style, crowded and over the picture's edges.
inline FigureTable Crowd(int width, int height, unsigned seed) {
  FigureTable table;
  std::mt19937 gen(seed);
  auto uniform = [&gen](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(gen);
  };
  auto pick = [&gen](int n) { return int16_t(std::uniform_int_distribution<int>(0, n - 1)(gen)); };
  const char* texts[] = {"文字列", "ABC-123", "注意", "寸法 120mm"};
  for (int row = 1; row <= 210; ++row) {
    auto& cells = table.cells[row];
    const double x = uniform(-30, width + 30), y = uniform(-30, height + 30);
    const int32_t color = int32_t(gen() & 0xFFFFFF), back = int32_t(gen() & 0xFFFFFF);
    const int16_t lineWidth = pick(3) == 0 ? int16_t(2 + pick(5)) : int16_t(1);
    switch (row % 7) {
      case 0:
        cells = {int16_t(1),
                 x,
                 y,
                 x + uniform(-150, 150),
                 y + uniform(-150, 150),
                 lineWidth,
                 pick(6),
                 color,
                 back,
                 int16_t(1),
                 int16_t(pick(2))};
        break;
      case 1:
        cells = {int16_t(2), x,     y,    x + uniform(-90, 90), y + uniform(-70, 70), lineWidth,
                 pick(6),    color, back, int16_t(pick(8))};
        break;
      case 2:
        cells = {int16_t(3), x,     y,    uniform(2, 70),   TaggedValue{},    lineWidth,
                 pick(6),    color, back, int16_t(pick(8)), uniform(0.2, 3.0)};
        break;
      case 3:
        cells = {int16_t(4),
                 x,
                 y,
                 std::string(texts[pick(4)]),
                 std::string("IPAGothic"),
                 9.0 + pick(4) * 3,
                 pick(2) == 0,
                 color,
                 back,
                 int16_t(pick(8)),
                 uniform(-180, 180),
                 pick(2) == 0};
        break;
      case 4:
        cells = {int16_t(fig::kMosaic), x, y, x + uniform(-80, 80), y + uniform(-60, 60),
                 double(4 + pick(6))};
        break;
      case 5:
        cells = {int16_t(fig::kMarker),
                 x,
                 y,
                 int16_t(row),
                 std::string("IPAGothic"),
                 10.0,
                 false,
                 color,
                 back,
                 TaggedValue{},
                 uniform(6, 14),
                 false};
        break;
      default:
        cells = {int16_t(fig::kHighlight),
                 x,
                 y,
                 x + uniform(-100, 100),
                 y + uniform(-50, 50),
                 double(4 + pick(12)),
                 TaggedValue{},
                 int32_t(0x80FF80 | (gen() & 0x7F7F7F)),
                 TaggedValue{},
                 TaggedValue{},
                 int16_t(pick(2))};
        break;
    }
  }
  table.FigureCount = 210;
  return table;
}

}  // namespace velmor::test
