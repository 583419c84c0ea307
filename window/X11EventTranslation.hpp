// Turns X event fields into the window's own input and cursor types, without a display.
#pragma once
#include "window/WindowTypes.hpp"

namespace vf::x11 {

Key keyFromKeysym(unsigned long keysym);
// Buttons and modifiers from an event's state field.
MouseState mouseStateFromX11(unsigned int state);
// Buttons 4 and 5 are the wheel; they map to x1 and x2 here.
MouseButton buttonFromX11Press(unsigned int button);
// True for the wheel buttons: 4 and 5 scroll up and down, 6 and 7 left and
// right; the step goes to deltaX/deltaY.  Other buttons are clicks.
bool wheelStepFromX11(unsigned int button, int* deltaX, int* deltaY);
MouseButton buttonFromX11Release(unsigned int button);
// Font cursor shape for a MouseCursor, or -1 for the invisible cursor.
int fontCursorShape(MouseCursor cursor);

} // namespace vf::x11
