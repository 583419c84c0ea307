// The X11 window's event thread: takes its events, hands each to its handler, draws.
#include "window/X11WindowImpl.hpp"

#include "window/X11EventTranslation.hpp"

#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace vf {

using x11::XlibLock;

void X11Window::Impl::eventLoop()
{
    while (!terminate.load()) {
        XEvent event;
        if (takeEvent(event))
            dispatch(event);
        else if (relayout.exchange(false))
            notifySize(width, height, true);
        else
            waitForInput(x11::maxBackOffMicroseconds);
    }
}

// The next event for this window or its parent, if one has come in.
bool X11Window::Impl::takeEvent(XEvent& event)
{
    std::memset(&event, 0, sizeof(event));
    bool got = false;
    XlibLock lock;
    // One read of the socket; each search below would read it again (twice)
    // when it finds nothing, which an idle or repainting editor pays for at
    // every wake-up.
    if (XEventsQueued(display, QueuedAfterReading) > 0) {
        got = XCheckWindowEvent(display, window, x11::eventMask, &event) != 0;
        if (!got && parent != 0)
            got = XCheckWindowEvent(display, parent, StructureNotifyMask, &event) != 0;
        discardUnmaskableEvents();
    }
    return got;
}

// The pause between looks for events: returns as soon as the server sends something
// or another thread has read events in (XlibLock), so that input and repaints reach
// the editor at once, and an idle editor's thread sleeps for the full period.
void X11Window::Impl::waitForInput(long long microseconds)
{
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {waker.fd, POLLIN, 0}};
    if (poll(fds, waker.fd >= 0 ? 2 : 1, static_cast<int>((microseconds + 999) / 1000)) > 0 && (fds[1].revents & POLLIN) != 0) {
        uint64_t count;
        if (read(waker.fd, &count, sizeof count) < 0) {
            // Nothing to drain: another wake-up took it.
        }
    }
}

// Events that no mask selects would otherwise pile up in the shared queue for as long
// as the display is open.  Called under the Xlib lock.
void X11Window::Impl::discardUnmaskableEvents()
{
    XEvent event;
    while (XCheckTypedWindowEvent(display, window, ClientMessage, &event) != 0) {
    }
    while (XCheckTypedEvent(display, MappingNotify, &event) != 0) {
        if (event.xmapping.request != MappingPointer)
            XRefreshKeyboardMapping(&event.xmapping);
    }
}

void X11Window::Impl::dispatch(XEvent& event)
{
    if (event.type >= KeyPress && event.type <= LeaveNotify)
        noteInput();
    switch (event.type) {
    case KeyPress:
    case KeyRelease: onKey(event.xkey); break;
    case ButtonPress: onButtonPress(event.xbutton); break;
    case ButtonRelease: onButtonRelease(event.xbutton); break;
    case MotionNotify: onMotion(event.xmotion); break;
    case EnterNotify: onEnter(event.xcrossing); break;
    case LeaveNotify: onLeave(); break;
    case Expose:
        repaint(box2i::rectangle(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height));
        break;
    case DestroyNotify: onDestroy(event.xdestroywindow); break;
    case ConfigureNotify: onConfigure(event.xconfigure); break;
    case ReparentNotify: onReparent(event.xreparent); break;
    default: break;
    }
}

void X11Window::Impl::onKey(XKeyEvent& event)
{
    KeySym keysym = 0;
    char text[16];
    {
        XlibLock lock;
        XLookupString(&event, text, sizeof(text), &keysym, nullptr);
    }
    const Key key = x11::keyFromKeysym(keysym);
    MutexLock drawLock(drawMutex);
    if (event.type == KeyPress)
        listener->onKeyDown(key);
    else
        listener->onKeyUp(key);
}

void X11Window::Impl::onButtonPress(const XButtonEvent& event)
{
    const MouseState state = x11::mouseStateFromX11(event.state);
    // Deltas come from screen positions: a host may move the window under a drag
    // (centring it after a resize), which would turn window positions into jumps.
    const bool isDoubleClick = pointer.press(event.x_root, event.y_root, now());
    int wheelX = 0;
    int wheelY = 0;
    MutexLock drawLock(drawMutex);
    if (x11::wheelStepFromX11(event.button, &wheelX, &wheelY))
        listener->onMouseWheel(event.x, event.y, wheelX, wheelY, state);
    else
        listener->onMouseClick(event.x, event.y, x11::buttonFromX11Press(event.button), isDoubleClick, state);
}

void X11Window::Impl::onButtonRelease(const XButtonEvent& event)
{
    pointer.release(event.x_root, event.y_root);
    int wheelX = 0;
    int wheelY = 0;
    if (x11::wheelStepFromX11(event.button, &wheelX, &wheelY))
        return;
    MutexLock drawLock(drawMutex);
    listener->onMouseRelease(event.x, event.y, x11::buttonFromX11Release(event.button),
                             x11::mouseStateFromX11(event.state));
}

void X11Window::Impl::onMotion(const XMotionEvent& event)
{
    const PointerTracker::Delta d = pointer.move(event.x_root, event.y_root);
    MutexLock drawLock(drawMutex);
    listener->onMouseMove(event.x, event.y, d.dx, d.dy, x11::mouseStateFromX11(event.state));
}

void X11Window::Impl::onEnter(const XCrossingEvent& event)
{
    // During a drag the pointer leaves and re-enters as the window resizes under
    // it; the screen-based deltas stay continuous then and must not be reset.
    if ((event.state & (Button1Mask | Button2Mask | Button3Mask)) == 0)
        pointer.enter();
}

void X11Window::Impl::onLeave()
{
    // Under the draw lock like every other input: the listener updates the same
    // hover state that the timer thread reads for the cursor.
    MutexLock drawLock(drawMutex);
    listener->onMouseExitedWindow();
}

void X11Window::Impl::onDestroy(const XDestroyWindowEvent& event)
{
    if (event.window == window) {
        destroyed.store(true);
    } else if (event.window == parent) {
        parentWidth.store(0);
        parentHeight.store(0);
    }
}

void X11Window::Impl::onConfigure(const XConfigureEvent& event)
{
    if (event.window == window) {
        // A new size is drawn at once rather than at the timer's next look: a
        // grip drag shows each size as soon as it is laid out.
        if (notifySize(event.width, event.height) && uiIsDirty())
            repaint();
    } else if (event.window == parent) {
        parentWidth.store(event.width);
        parentHeight.store(event.height);
    }
}

void X11Window::Impl::onReparent(const XReparentEvent& event)
{
    // Some hosts move the editor into a window of their own after creating it.
    if (event.window == window) {
        XlibLock lock;
        watchParent(event.parent);
    }
}

bool X11Window::Impl::notifySize(int w, int h, bool force)
{
    if (w == width && h == height && !force)
        return false;
    width = w;
    height = h;
    // The draw lock until the image is replaced: a repaint on the timer thread
    // must see the image and the pixels it points to change together.
    MutexLock drawLock(drawMutex);
    {
        MutexLock dirtyLock(dirtyMutex);
        output = listener->onResized(w, h);
    }
    XlibLock lock;
    if (image != nullptr) {
        image->data = nullptr; // the pixels belong to the listener
        XFree(image);
        image = nullptr;
    }
    if (output.pixels != nullptr && output.width > 0 && output.height > 0) {
        image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                             reinterpret_cast<char*>(output.pixels), static_cast<unsigned>(output.width),
                             static_cast<unsigned>(output.height), 32, static_cast<int>(output.pitch));
    }
    sharedImage.resize(visual, output.width, output.height);
    return true;
}

// Event thread (an Expose, a new size) or timer thread (what the GUI marked
// dirty): draws what is dirty, then shows it and the area the server exposed.
// The draw lock is held to the end, so that the image and its pixels do not
// change size under the copy to the server.
void X11Window::Impl::repaint(box2i exposed)
{
    {
        MutexLock dirtyLock(dirtyMutex);
        if (!dirtyAreasComputed) {
            listener->recomputeDirtyAreas();
            dirtyAreasComputed = true;
        }
    }
    MutexLock drawLock(drawMutex);
    {
        MutexLock dirtyLock(dirtyMutex);
        listener->onDraw(WindowPixelFormat::BGRA8);
        noteDrawn(listener->getDrawnAreas());
    }
    if (image == nullptr || destroyed.load())
        return;
    // Only the part of an area the image covers can be shown; reading past the
    // image would read past the listener's buffer.
    const box2i bounds = output.bounds();
    XlibLock lock;
    auto put = [&](const box2i& area) {
        const box2i r = area.intersection(bounds);
        if (r.empty())
            return;
        if (!sharedImage.put(display, window, gc, output, r))
            XPutImage(display, window, gc, image, r.min.x, r.min.y, r.min.x, r.min.y, static_cast<unsigned>(r.width()),
                      static_cast<unsigned>(r.height()));
    };
    put(exposed);
    for (int i = 0; i < numUnshown; ++i)
        put(unshown[i]);
    numUnshown = 0;
    // No round trip at every frame: an error (the host destroyed our window
    // meanwhile) is dropped by dropOwnError whoever reads it.
    XFlush(display);
}

void X11Window::Impl::noteDrawn(std::span<const box2i> areas)
{
    for (const box2i& r : areas) {
        if (r.empty())
            continue;
        if (numUnshown < maxUnshownAreas)
            unshown[numUnshown++] = r;
        else
            unshown[maxUnshownAreas - 1] = unshown[maxUnshownAreas - 1].expand(r);
    }
}

} // namespace vf
