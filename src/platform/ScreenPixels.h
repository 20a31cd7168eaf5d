// Velmor counts screen pixels everywhere: a capture's rectangle, the frozen screen's mouse
// positions and the canvas all use them. A desktop's scale factor must not stretch them.
#pragma once

namespace velmor::platform {

// Turns off Qt's scaling of window coordinates (automatic or asked for through the environment),
// so that one unit is one screen pixel. Call before the application object is made.
void KeepScreenPixels();

}  // namespace velmor::platform
