#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"
#include "window/WindowTypes.hpp"

#include <span>

namespace vf {

// What a native window asks of the GUI it shows (implemented by the GUI root).
// Input, draw and resize calls come from the window's event thread; animation,
// dirty-area queries and the cursor from its timer thread.  Every call that reads
// or changes GUI state (input, cursor, animation, drawing, resizing) holds the
// window's draw lock; dirty-area calls, drawing and resizing hold its dirty-area
// lock, taken after the draw lock.
class IWindowListener {
public:
    virtual ~IWindowListener() = default;

    virtual bool onMouseClick(int x, int y, MouseButton button, bool isDoubleClick, MouseState state) = 0;
    virtual bool onMouseRelease(int x, int y, MouseButton button, MouseState state) = 0;
    virtual bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState state) = 0;
    virtual void onMouseMove(int x, int y, int dx, int dy, MouseState state) = 0;
    virtual bool onKeyDown(Key key) = 0;
    virtual bool onKeyUp(Key key) = 0;
    // Brings the output image up to date in the given byte order.
    virtual void onDraw(WindowPixelFormat format) = 0;
    // The parts of the output image the last onDraw changed, which the window puts
    // on screen; valid until the next call into the listener.
    virtual std::span<const box2i> getDrawnAreas() = 0;
    // Returns the output image (4-byte pixels) the window shows; it must stay valid
    // until the next onResized or until the window is destroyed.
    virtual ImageRef<RGBA> onResized(int width, int height) = 0;
    virtual void recomputeDirtyAreas() = 0;
    // The area to repaint; empty if none.
    virtual box2i getDirtyRectangle() = 0;
    virtual void onMouseCaptureCancelled() = 0;
    virtual void onMouseExitedWindow() = 0;
    virtual void onAnimate(double dt, double time) = 0;
    virtual MouseCursor getMouseCursor() = 0;
};

} // namespace vf
