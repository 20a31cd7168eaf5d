// Whether row 1001 holds a record that the undo button may put back (the button's enabled state).
#pragma once

namespace velmor {

struct UndoState {
  bool UndoAvailable = false;
};

}  // namespace velmor
