#pragma once
#include "window/IWindow.hpp"
#include "window/IWindowListener.hpp"
#include "window/WindowTypes.hpp"

#include <cstdint>

namespace vf {

// The editor's X11 child window.  It runs an event thread (input, drawing, resizing)
// and a timer thread (animation, repaint polling at ~60 Hz, cursor).  All windows of
// the process share one display connection and one lock around every Xlib call.
// Never touches process-wide X state (no XInitThreads, no error handler).
class X11Window final : public IWindow {
public:
    // Host UI thread.  Returns null when no display can be opened or the parent
    // window is gone; the caller then shows no editor.  The listener must outlive
    // the window.
    static X11Window* create(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width,
                             int height);

    // Host UI thread.  Prefer create(); when constructed directly, check isOpen().
    X11Window(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width, int height);
    // Host UI thread: stops and joins both threads, then releases the X resources.
    ~X11Window() override;
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // False when the display could not be opened or the window not created.
    bool isOpen() const;

    void waitEventAndDispatch() override;
    bool terminated() override;
    uint32_t getTimeMs() override;
    void* systemHandle() override;
    bool requestResize(int width, int height, bool alsoResizeParentWindow) override;
    void setLargestSize(int maxWidth, int maxHeight) override;

    // Event translation, free of any display connection.
    static Key convertKeyFromX11(unsigned long keysym);
    static MouseState mouseStateFromX11(unsigned int state);
    // Buttons 4 and 5 are the wheel; they map to x1 and x2 here.
    static MouseButton buttonFromX11Press(unsigned int button);
    // True for the wheel buttons: 4 and 5 scroll up and down, 6 and 7 left and
    // right; the step goes to deltaX/deltaY.  Other buttons are clicks.
    static bool wheelStepFromX11(unsigned int button, int* deltaX, int* deltaY);
    static MouseButton buttonFromX11Release(unsigned int button);
    // Font cursor shape for a MouseCursor, or -1 for the invisible cursor.
    static int fontCursorShape(MouseCursor cursor);
    // Smallest polling pause after the given one: 1, 3, 7, 15, 31, 63, then 100 ms.
    static int nextBackOffMicroseconds(int backOff);

    // Number of live windows sharing the display connection (for tests).
    static int liveWindowCount();

private:
    struct Impl;
    Impl* impl_ = nullptr;
};

} // namespace vf
