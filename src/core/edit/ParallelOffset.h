// Adding a segment parallel to a picked one at a typed sideways distance (tool 13).
#pragma once

#include <cstdint>
#include <string_view>

#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"

namespace velmor {

// Shown with the title kNeedDistanceTitle, a question-mark icon and an OK button.
inline constexpr std::string_view kNeedDistanceMessage =
    "移動距離を入力してください。進行方向左側は負の値で入力！";
inline constexpr std::string_view kNeedDistanceTitle = "確認";
// Shown with the title "Error", an exclamation icon and an OK button.
inline constexpr std::string_view kCannotOffsetMessage = "平行移動できません。";

enum class OffsetResult {
  kAdded,         // a new segment row was appended
  kNeedDistance,  // the distance box holds no number but 0: kNeedDistanceMessage, pick kept
  kCannotOffset,  // e.g. a picked segment of length 0: kCannotOffsetMessage
  kTableFull,     // 1000 figures already: kTableFullMessage, as when drawing
};

// Appends a copy of segment Picks[0][0] moved sideways by the leading number of distanceText,
// in image pixels: positive to the right of its direction of travel as seen on the screen,
// negative to the left. The new row takes the panel's pen, colours and arrow and the line style
// lineStyleIndex (Combo1). Clears the picks except in the kNeedDistance case; the caller then
// shows the message, if any, and refreshes the canvas. No undo record is saved.
OffsetResult OffsetParallel(FigureTable& table, DragState& drag, const PanelState& panel,
                            int16_t lineStyleIndex, int16_t zoomPercent,
                            std::string_view distanceText, WorkArea& work);

}  // namespace velmor
