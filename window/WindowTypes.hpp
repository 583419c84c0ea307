#pragma once
#include <cstdint>

namespace vf {

enum class MouseButton : int32_t { left = 0, right = 1, middle = 2, x1 = 3, x2 = 4 };

// Buttons and modifiers held during an input event.
struct MouseState {
    bool leftButtonDown = false;
    bool rightButtonDown = false;
    bool middleButtonDown = false;
    bool x1ButtonDown = false;
    bool x2ButtonDown = false;
    bool ctrlPressed = false;
    bool shiftPressed = false;
    bool altPressed = false;
    friend bool operator==(const MouseState&, const MouseState&) = default;
};

// Keys the GUI understands; everything else arrives as `unsupported`.
enum class Key : int32_t {
    space = 0,
    upArrow = 1,
    downArrow = 2,
    leftArrow = 3,
    rightArrow = 4,
    digit0 = 5, digit1, digit2, digit3, digit4, digit5, digit6, digit7, digit8, digit9,
    a = 15, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z,
    A = 41, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
    backspace = 67,
    enter = 68,
    escape = 69,
    suppr = 70, // the Delete key
    unsupported = 71,
};

enum class MouseCursor : int32_t {
    arrow = 0,
    hand = 1,
    crosshair = 2,
    grab = 3,
    verticalResize = 4,
    horizontalResize = 5,
    diagonalResize = 6,
    hidden = 7,
};

// Byte order of the pixels in memory.
enum class WindowPixelFormat : int32_t { BGRA8 = 0, ARGB8 = 1, RGBA8 = 2 };

// Who opens the window: a plug-in editor, or a stand-alone host application.
enum class WindowUsage : int32_t { plugin = 0, host = 1 };

} // namespace vf
