// The X11 window's clocks and timer thread: animation, repaints, cursor, parent fit.
#include "window/X11WindowImpl.hpp"

#include "window/X11EventTranslation.hpp"

#include <ctime>
#include <sys/time.h>

namespace vf {

using x11::XlibLock;

namespace {

constexpr long long timerPeriodMicroseconds = 16667;

// Without input the timer looks every second period, thirty times a second: frames
// nobody's hand is waiting for (a host automating parameters, an animation running
// out) cost about as much in cold caches as a frame during a drag.  Within a moment
// of the last input it looks every period, and the first input after a quiet spell
// wakes it at once (noteInput).
constexpr uint64_t inputKeepsFullRateMicroseconds = 500000;

} // namespace

uint64_t x11::wallClockMicroseconds()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec);
}

uint64_t X11Window::Impl::now() const
{
    if (monotonicClock) {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
    }
    return x11::wallClockMicroseconds();
}

void X11Window::Impl::pause(long long microseconds)
{
    MutexLock lock(sleepMutex);
    if (!terminate.load())
        sleepCondition.waitFor(sleepMutex, microseconds);
}

void X11Window::Impl::timerLoop()
{
    while (!terminate.load()) {
        doAnimation();
        repaintIfUIDirty();
        setCursor();
        fitIntoParentIfClipped();
        if (terminate.load())
            break;
        const bool inputLately = now() - lastInputTime.load() < inputKeepsFullRateMicroseconds;
        pause(inputLately ? timerPeriodMicroseconds : 2 * timerPeriodMicroseconds);
    }
}

// Event thread, at every input event.
void X11Window::Impl::noteInput()
{
    const uint64_t t = now();
    if (t - lastInputTime.exchange(t) >= inputKeepsFullRateMicroseconds) {
        MutexLock lock(sleepMutex);
        sleepCondition.notifyAll();
    }
}

void X11Window::Impl::doAnimation()
{
    const uint64_t t = now();
    const double dt = static_cast<double>(t - lastAnimationTime) * 1e-6;
    const double time = static_cast<double>(t - creationTime) * 1e-6;
    lastAnimationTime = t;
    MutexLock drawLock(drawMutex);
    listener->onAnimate(dt, time);
}

// The timer thread draws what it finds dirty itself rather than sending an Expose
// through the server to the event thread: that cost a socket write, a server
// wake-up and a wait for the reply at every frame, and handing the request to the
// event thread directly still cost it a wake-up per frame.
void X11Window::Impl::repaintIfUIDirty()
{
    if (uiIsDirty())
        repaint();
}

bool X11Window::Impl::uiIsDirty()
{
    MutexLock dirtyLock(dirtyMutex);
    listener->recomputeDirtyAreas();
    dirtyAreasComputed = true;
    const box2i r = listener->getDirtyRectangle();
    return r.width() > 0 && r.height() > 0 && !destroyed.load();
}

void X11Window::Impl::setCursor()
{
    MouseCursor c;
    {
        // The cursor follows the hover and drag state, which input changes on the
        // event thread under this lock.
        MutexLock drawLock(drawMutex);
        c = listener->getMouseCursor();
    }
    if (c == currentCursor || destroyed.load())
        return;
    const int index = static_cast<int>(c);
    if (index < 0 || index > 7)
        return;
    XlibLock lock;
    Cursor cursor;
    const int shape = x11::fontCursorShape(c);
    if (shape < 0) {
        cursor = hiddenCursor;
    } else {
        // Font cursors are made once per shape and freed with the window.
        if (fontCursors[index] == 0)
            fontCursors[index] = XCreateFontCursor(display, static_cast<unsigned>(shape));
        cursor = fontCursors[index];
    }
    XDefineCursor(display, window, cursor);
    sync();
    currentCursor = c;
}

// An editor larger than its parent for a while (its host did not follow a grow)
// takes the parent's area: the content shrinks to the largest size that fits,
// letterboxed, so the grip stays in reach.  One smaller than a parent made for it
// (its host did not follow a shrink) fills the parent too, so that no host
// background shows, while asking still for the size the user chose: the content
// keeps that size, centred on the panel colour.
void X11Window::Impl::fitIntoParentIfClipped()
{
    const int pw = parentWidth.load();
    const int ph = parentHeight.load();
    int mw, mh;
    {
        XlibLock lock;
        mw = maxWidth;
        mh = maxHeight;
    }
    const int w = width.load();
    const int h = height.load();
    const bool clipped = w > pw || h > ph;
    if (!parentFit.update(w, h, pw, ph, now(), mw, mh) || destroyed.load())
        return;
    XlibLock lock;
    if (clipped) {
        preferredWidth = pw;
        preferredHeight = ph;
        writeSizeHints();
    }
    XMoveResizeWindow(display, window, 0, 0, static_cast<unsigned>(pw), static_cast<unsigned>(ph));
    sync();
}

} // namespace vf
