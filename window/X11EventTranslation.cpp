// Maps X keysyms, button numbers, state bits and cursor kinds to the window's types.
#include "window/X11EventTranslation.hpp"

#include <X11/X.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

namespace vf::x11 {

namespace {

Key offsetKey(Key first, unsigned long offset)
{
    return static_cast<Key>(static_cast<int>(first) + static_cast<int>(offset));
}

} // namespace

Key keyFromKeysym(unsigned long keysym)
{
    if (keysym == 0x20)
        return Key::space;
    if (keysym >= '0' && keysym <= '9')
        return offsetKey(Key::digit0, keysym - '0');
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return offsetKey(Key::digit0, keysym - XK_KP_0);
    if (keysym >= 'a' && keysym <= 'z')
        return offsetKey(Key::a, keysym - 'a');
    if (keysym >= 'A' && keysym <= 'Z')
        return offsetKey(Key::A, keysym - 'A');
    switch (keysym) {
    case XK_Up: return Key::upArrow;
    case XK_Down: return Key::downArrow;
    case XK_Left: return Key::leftArrow;
    case XK_Right: return Key::rightArrow;
    case XK_BackSpace: return Key::backspace;
    case XK_Return:
    case XK_KP_Enter: return Key::enter;
    case XK_Escape: return Key::escape;
    case XK_Delete: return Key::suppr;
    default: return Key::unsupported;
    }
}

MouseState mouseStateFromX11(unsigned int state)
{
    MouseState s;
    s.leftButtonDown = (state & Button1Mask) != 0;
    s.rightButtonDown = (state & Button3Mask) != 0;
    s.middleButtonDown = (state & Button2Mask) != 0;
    s.ctrlPressed = (state & ControlMask) != 0;
    s.shiftPressed = (state & ShiftMask) != 0;
    s.altPressed = (state & Mod1Mask) != 0;
    return s;
}

MouseButton buttonFromX11Press(unsigned int button)
{
    switch (button) {
    case 2: return MouseButton::middle;
    case 3: return MouseButton::right;
    // By design although no click gets here with 4 or 5: wheelStepFromX11 takes them first.
    case 4: return MouseButton::x1;
    case 5: return MouseButton::x2;
    default: return MouseButton::left;
    }
}

bool wheelStepFromX11(unsigned int button, int* deltaX, int* deltaY)
{
    // A sideways scroll (a tilted wheel, a touchpad swipe) sends buttons 6 and 7 in
    // bursts: taken as left clicks they would toggle switches and, coming within the
    // double-click time, reset knobs to their defaults.
    switch (button) {
    case 4: *deltaX = 0; *deltaY = 1; return true;
    case 5: *deltaX = 0; *deltaY = -1; return true;
    case 6: *deltaX = -1; *deltaY = 0; return true;
    case 7: *deltaX = 1; *deltaY = 0; return true;
    default: return false;
    }
}

MouseButton buttonFromX11Release(unsigned int button)
{
    switch (button) {
    case 2: return MouseButton::middle;
    case 3: return MouseButton::right;
    default: return MouseButton::left;
    }
}

int fontCursorShape(MouseCursor cursor)
{
    switch (cursor) {
    case MouseCursor::arrow: return XC_arrow;
    case MouseCursor::hand: return XC_hand2;
    case MouseCursor::crosshair: return XC_crosshair;
    case MouseCursor::grab: return XC_hand1;
    case MouseCursor::verticalResize: return XC_sb_v_double_arrow;
    case MouseCursor::horizontalResize: return XC_sb_h_double_arrow;
    case MouseCursor::diagonalResize: return XC_bottom_right_corner;
    case MouseCursor::hidden: return -1;
    }
    return XC_arrow;
}

} // namespace vf::x11
