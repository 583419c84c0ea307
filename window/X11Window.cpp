#include "window/X11Window.hpp"

#include "core/ConditionVariable.hpp"
#include "core/ThreadHandle.hpp"
#include "core/UncheckedMutex.hpp"
#include "window/ParentFitWatch.hpp"
#include "window/PointerTracker.hpp"
#include "window/X11Display.hpp"
#include "window/X11EventTranslation.hpp"

#include <atomic>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/time.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vf {

using x11::acquireX11;
using x11::releaseX11;
using x11::XlibLock;

namespace {

constexpr long eventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask
    | LeaveWindowMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
static_assert(eventMask == 0x2807F);

constexpr int maxBackOffMicroseconds = 100000;
constexpr long long timerPeriodMicroseconds = 16667;

uint64_t wallClockMicroseconds()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec);
}

} // namespace

struct X11Window::Impl {
    IWindowListener* listener = nullptr;
    // Written by the event thread, read by the timer thread's parent watch.
    std::atomic<int> width{0};
    std::atomic<int> height{0};
    ImageRef<RGBA> output;
    bool dirtyAreasComputed = false;
    box2i repaintRequest; // for the event thread; guarded by dirtyMutex
    std::atomic<uint64_t> lastInputTime{0}; // now() of the last input event
    std::atomic<bool> terminate{false};
    std::atomic<bool> destroyed{false};
    // A resize asked for the size the window already has (the content may differ
    // from it in a window that fills its parent): the event thread lays out again.
    std::atomic<bool> relayout{false};
    uint64_t creationTime = 0;
    uint64_t lastAnimationTime = 0;
    ThreadHandle eventThread;
    ThreadHandle timerThread;
    PointerTracker pointer;
    UncheckedMutex drawMutex;
    UncheckedMutex dirtyMutex;
    // Sleeps of both threads wait on this, so that closing does not wait out a pause.
    UncheckedMutex sleepMutex;
    ConditionVariable sleepCondition;

    Display* display = nullptr;
    Window window = 0;
    int screen = 0;
    Visual* visual = nullptr;
    int depth = 24;
    Colormap colormap = 0;
    Atom deleteWindowAtom = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    MouseCursor currentCursor = MouseCursor::arrow;
    Cursor fontCursors[8] = {};
    Pixmap hiddenBitmap = 0;
    Cursor hiddenCursor = 0;
    bool monotonicClock = false;

    // The window the host embeds us in, watched so that an editor the host does not
    // follow is never left clipped.  0 when there is none (or it is the root).
    // Sizes: written by the event thread, 0 when unknown.
    Window parent = 0;
    std::atomic<int> parentWidth{0};
    std::atomic<int> parentHeight{0};
    ParentFitWatch parentFit; // timer thread only

    // Published as the window's normal size hints; guarded by the Xlib lock.
    int maxWidth = 0, maxHeight = 0;
    int preferredWidth = 0, preferredHeight = 0;

    uint64_t now() const
    {
        if (monotonicClock) {
            timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
        }
        return wallClockMicroseconds();
    }

    // Sleeps up to the given time; returns early when asked to terminate.
    void pause(long long microseconds)
    {
        MutexLock lock(sleepMutex);
        if (!terminate.load())
            sleepCondition.waitFor(sleepMutex, microseconds);
    }

    // Wakes the event thread's wait for input (closing, a relayout, new events).
    x11::EventThreadWaker waker;
    void wakeEventThread() const { waker.wake(); }

    // The event thread's pause: returns as soon as the server sends something or
    // another thread has read events in (XlibLock), so that input and repaints reach
    // the editor at once, and an idle editor's thread sleeps for the full period.
    void waitForInput(long long microseconds)
    {
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {waker.fd, POLLIN, 0}};
        if (poll(fds, waker.fd >= 0 ? 2 : 1, static_cast<int>((microseconds + 999) / 1000)) > 0 && (fds[1].revents & POLLIN) != 0) {
            uint64_t count;
            if (read(waker.fd, &count, sizeof count) < 0) {
                // Nothing to drain: another wake-up took it.
            }
        }
    }

    // A round trip that also collects any error of our earlier requests, so that
    // none is left for the event reader (which would hand it to the host).
    void sync() { XSync(display, False); }

    bool windowAlive()
    {
        if (destroyed.load() || window == 0)
            return false;
        XWindowAttributes attributes;
        return XGetWindowAttributes(display, window, &attributes) != 0;
    }

    bool open(void* parentWindow, int w, int h);
    bool createX11Window(void* parentWindow, int w, int h);
    bool notifySize(int w, int h, bool force = false); // true when the listener was resized
    void processEvent(XEvent& event);
    void repaint(box2i area);
    box2i takeRepaintRequest();
    bool queueRepaintIfDirty();
    void eventLoop();
    void discardUnmaskableEvents();
    void timerLoop();
    void noteInput();
    void doAnimation();
    void sendRepaintIfUIDirty();
    void setCursor();
    void releaseX11Window();
    void writeSizeHints();
    void watchParent(Window newParent);
    void fitIntoParentIfClipped();
};

bool X11Window::Impl::open(void* parentWindow, int w, int h)
{
    display = acquireX11();
    if (display == nullptr)
        return false;
    if (!createX11Window(parentWindow, w, h)) {
        releaseX11();
        display = nullptr;
        return false;
    }
    // The listener is called without the Xlib lock: its own locks always come
    // before that one.
    notifySize(w, h);

    XlibLock lock;
    preferredWidth = w;
    preferredHeight = h;
    writeSizeHints();
    deleteWindowAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindowAtom, 1);
    XMapRaised(display, window);
    XSelectInput(display, window, eventMask);
    gc = XCreateGC(display, window, 0, nullptr);

    static const char zeroBits[8] = {};
    hiddenBitmap = XCreateBitmapFromData(display, window, zeroBits, 8, 8);
    XColor black;
    std::memset(&black, 0, sizeof(black));
    hiddenCursor = XCreatePixmapCursor(display, hiddenBitmap, hiddenBitmap, &black, &black, 0, 0);
    sync();

    waker.fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    x11::addEventThreadWaker(&waker);
    creationTime = now();
    lastAnimationTime = creationTime;
    pointer = PointerTracker(creationTime);

    timerThread = ThreadHandle([](void* c) { static_cast<Impl*>(c)->timerLoop(); }, this);
    eventThread = ThreadHandle([](void* c) { static_cast<Impl*>(c)->eventLoop(); }, this);
    timerThread.start();
    eventThread.start();
    return true;
}

bool X11Window::Impl::createX11Window(void* parentWindow, int w, int h)
{
    XlibLock lock;
    screen = DefaultScreen(display);
    visual = DefaultVisual(display, screen);
    depth = 24;
    if (DefaultDepth(display, screen) != 24) {
        // The window and its image are 24-bit true colour whatever the screen's default.
        XVisualInfo info;
        if (XMatchVisualInfo(display, screen, 24, TrueColor, &info) == 0)
            return false;
        visual = info.visual;
    }

    const Window hostWindow = parentWindow != nullptr ? static_cast<Window>(reinterpret_cast<uintptr_t>(parentWindow))
                                                  : RootWindow(display, screen);
    // A parent that is already gone must not cost the host an X error.
    XWindowAttributes parentAttributes;
    if (XGetWindowAttributes(display, hostWindow, &parentAttributes) == 0)
        return false;

    XkbSetDetectableAutoRepeat(display, True, nullptr);

    colormap = XCreateColormap(display, hostWindow, visual, AllocNone);
    XSetWindowAttributes attributes;
    std::memset(&attributes, 0, sizeof(attributes));
    attributes.border_pixel = BlackPixel(display, screen);
    attributes.event_mask = eventMask;
    attributes.colormap = colormap;
    window = XCreateWindow(display, hostWindow, 0, 0, static_cast<unsigned>(w > 0 ? w : 1),
                           static_cast<unsigned>(h > 0 ? h : 1), 0, depth, InputOutput, visual,
                           CWBorderPixel | CWEventMask | CWColormap, &attributes);
    sync();
    if (window != 0 && windowAlive()) {
        if (parentWindow != nullptr)
            watchParent(hostWindow);
        return true;
    }
    // The parent vanished between the check and the creation.
    if (colormap != 0)
        XFreeColormap(display, colormap);
    colormap = 0;
    window = 0;
    sync();
    return false;
}

bool X11Window::Impl::notifySize(int w, int h, bool force)
{
    if (w == width && h == height && !force)
        return false;
    width = w;
    height = h;
    {
        MutexLock drawLock(drawMutex);
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
    return true;
}

void X11Window::Impl::processEvent(XEvent& event)
{
    if (event.type >= KeyPress && event.type <= LeaveNotify)
        noteInput();
    switch (event.type) {
    case KeyPress:
    case KeyRelease: {
        KeySym keysym = 0;
        char text[16];
        {
            XlibLock lock;
            XLookupString(&event.xkey, text, sizeof(text), &keysym, nullptr);
        }
        const Key key = convertKeyFromX11(keysym);
        MutexLock drawLock(drawMutex);
        if (event.type == KeyPress)
            listener->onKeyDown(key);
        else
            listener->onKeyUp(key);
        break;
    }
    case ButtonPress: {
        const int x = event.xbutton.x;
        const int y = event.xbutton.y;
        const unsigned button = event.xbutton.button;
        const MouseState state = mouseStateFromX11(event.xbutton.state);
        // Deltas come from screen positions: a host may move the window under a drag
        // (centring it after a resize), which would turn window positions into jumps.
        const bool isDoubleClick = pointer.press(event.xbutton.x_root, event.xbutton.y_root, now());
        int wheelX = 0;
        int wheelY = 0;
        MutexLock drawLock(drawMutex);
        if (wheelStepFromX11(button, &wheelX, &wheelY))
            listener->onMouseWheel(x, y, wheelX, wheelY, state);
        else
            listener->onMouseClick(x, y, buttonFromX11Press(button), isDoubleClick, state);
        break;
    }
    case ButtonRelease: {
        const int x = event.xbutton.x;
        const int y = event.xbutton.y;
        pointer.release(event.xbutton.x_root, event.xbutton.y_root);
        const unsigned button = event.xbutton.button;
        int wheelX = 0;
        int wheelY = 0;
        if (wheelStepFromX11(button, &wheelX, &wheelY))
            break;
        MutexLock drawLock(drawMutex);
        listener->onMouseRelease(x, y, buttonFromX11Release(button), mouseStateFromX11(event.xbutton.state));
        break;
    }
    case MotionNotify: {
        const int x = event.xmotion.x;
        const int y = event.xmotion.y;
        const PointerTracker::Delta d = pointer.move(event.xmotion.x_root, event.xmotion.y_root);
        MutexLock drawLock(drawMutex);
        listener->onMouseMove(x, y, d.dx, d.dy, mouseStateFromX11(event.xmotion.state));
        break;
    }
    case EnterNotify:
        // During a drag the pointer leaves and re-enters as the window resizes under
        // it; the screen-based deltas stay continuous then and must not be reset.
        if ((event.xcrossing.state & (Button1Mask | Button2Mask | Button3Mask)) == 0)
            pointer.enter();
        break;
    case LeaveNotify: {
        // Under the draw lock like every other input: the listener updates the same
        // hover state that the timer thread reads for the cursor.
        MutexLock drawLock(drawMutex);
        listener->onMouseExitedWindow();
        break;
    }
    case Expose:
        repaint(box2i::rectangle(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height));
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window) {
            destroyed.store(true);
        } else if (event.xdestroywindow.window == parent) {
            parentWidth.store(0);
            parentHeight.store(0);
        }
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window) {
            // A new size is drawn at once rather than at the timer's next look: a
            // grip drag shows each size as soon as it is laid out.
            if (notifySize(event.xconfigure.width, event.xconfigure.height))
                queueRepaintIfDirty();
        } else if (event.xconfigure.window == parent) {
            parentWidth.store(event.xconfigure.width);
            parentHeight.store(event.xconfigure.height);
        }
        break;
    case ReparentNotify:
        // Some hosts move the editor into a window of their own after creating it.
        if (event.xreparent.window == window) {
            XlibLock lock;
            watchParent(event.xreparent.parent);
        }
        break;
    default:
        break;
    }
}

// Event thread: draws and shows the given area (an Expose from the server, or the
// timer thread's repaint request).
void X11Window::Impl::repaint(box2i area)
{
    {
        MutexLock dirtyLock(dirtyMutex);
        if (!dirtyAreasComputed) {
            listener->recomputeDirtyAreas();
            dirtyAreasComputed = true;
        }
    }
    {
        MutexLock drawLock(drawMutex);
        MutexLock dirtyLock(dirtyMutex);
        listener->onDraw(WindowPixelFormat::BGRA8);
    }
    // Only the part of the area the image covers can be shown; reading past the
    // image would read past the listener's buffer.
    const box2i exposed = area.intersection(output.bounds());
    if (exposed.empty() || image == nullptr || destroyed.load())
        return;
    XlibLock lock;
    XPutImage(display, window, gc, image, exposed.min.x, exposed.min.y, exposed.min.x, exposed.min.y,
              static_cast<unsigned>(exposed.width()), static_cast<unsigned>(exposed.height()));
    // No round trip at every frame: an error (the host destroyed our window
    // meanwhile) is dropped by dropOwnError whoever reads it.
    XFlush(display);
}

void X11Window::Impl::eventLoop()
{
    while (!terminate.load()) {
        // Repaints first: the timer asks at most once a period, so input is never
        // starved, and a burst of motion does not hold the picture back.
        if (const box2i area = takeRepaintRequest(); !area.empty())
            repaint(area);
        XEvent event;
        std::memset(&event, 0, sizeof(event));
        bool got = false;
        {
            XlibLock lock;
            // One read of the socket; each search below would read it again (twice)
            // when it finds nothing, which an idle or repainting editor pays for at
            // every wake-up.
            if (XEventsQueued(display, QueuedAfterReading) > 0) {
                got = XCheckWindowEvent(display, window, eventMask, &event) != 0;
                if (!got && parent != 0)
                    got = XCheckWindowEvent(display, parent, StructureNotifyMask, &event) != 0;
                discardUnmaskableEvents();
            }
        }
        if (got) {
            processEvent(event);
        } else if (relayout.exchange(false)) {
            notifySize(width, height, true);
        } else {
            waitForInput(maxBackOffMicroseconds);
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

// Without input the timer looks every second period, thirty times a second: frames
// nobody's hand is waiting for (a host automating parameters, an animation running
// out) cost about as much in cold caches as a frame during a drag.  Within a moment
// of the last input it looks every period, and the first input after a quiet spell
// wakes it at once (noteInput).
constexpr uint64_t inputKeepsFullRateMicroseconds = 500000;

void X11Window::Impl::timerLoop()
{
    while (!terminate.load()) {
        doAnimation();
        sendRepaintIfUIDirty();
        setCursor();
        fitIntoParentIfClipped();
        if (terminate.load())
            break;
        const bool inputLately = now() - lastInputTime.load() < inputKeepsFullRateMicroseconds;
        pause(inputLately ? timerPeriodMicroseconds : 2 * timerPeriodMicroseconds);
    }
}

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

// The repaint request goes to the event thread directly rather than as an Expose
// through the server: that round trip cost a socket write, a server wake-up and a
// wait for the reply (errors only surface there) at every frame.
void X11Window::Impl::sendRepaintIfUIDirty()
{
    if (queueRepaintIfDirty())
        wakeEventThread();
}

bool X11Window::Impl::queueRepaintIfDirty()
{
    MutexLock dirtyLock(dirtyMutex);
    listener->recomputeDirtyAreas();
    dirtyAreasComputed = true;
    const box2i r = listener->getDirtyRectangle();
    if (r.width() <= 0 || r.height() <= 0 || destroyed.load())
        return false;
    repaintRequest = repaintRequest.empty() ? r : repaintRequest.expand(r);
    return true;
}

box2i X11Window::Impl::takeRepaintRequest()
{
    MutexLock dirtyLock(dirtyMutex);
    const box2i r = repaintRequest;
    repaintRequest = {};
    return r;
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
    const int shape = fontCursorShape(c);
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

// Under the Xlib lock.  Hosts that embed X11 windows read these hints: the base size
// is what the editor asks for now (without it a host keeps the opening size), the
// maximum bounds the host's window.  No minimum: the X11-in-GTK2 wrapper that
// Ardour embeds us with makes a published minimum the widget's size request once
// it is mapped, and in GTK2 that request then overrides every later resize: the
// host window shrinks to the minimum and never follows the editor again.
void X11Window::Impl::writeSizeHints()
{
    XSizeHints hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.flags = PSize | PBaseSize;
    hints.width = hints.base_width = preferredWidth;
    hints.height = hints.base_height = preferredHeight;
    if (maxWidth > 0 && maxHeight > 0) {
        hints.flags |= PMaxSize;
        hints.max_width = maxWidth;
        hints.max_height = maxHeight;
    }
    XSetWMNormalHints(display, window, &hints);
}

// Under the Xlib lock.  Stops watching the current parent and starts on newParent (0
// or the root: none).  Our selection on the host's window is ours alone: the host's
// own event mask on it is not touched.
void X11Window::Impl::watchParent(Window newParent)
{
    if (newParent == RootWindow(display, screen))
        newParent = 0;
    if (parent != 0) {
        XSelectInput(display, parent, NoEventMask);
        sync();
        XEvent event;
        while (XCheckWindowEvent(display, parent, StructureNotifyMask, &event) != 0) {
        }
    }
    parent = newParent;
    parentWidth.store(0);
    parentHeight.store(0);
    if (parent == 0)
        return;
    XSelectInput(display, parent, StructureNotifyMask);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, parent, &attributes) != 0) {
        parentWidth.store(attributes.width);
        parentHeight.store(attributes.height);
    }
}

// Timer thread.  An editor larger than its parent for a while (its host did not
// follow a grow) takes the parent's area: the content shrinks to the largest size
// that fits, letterboxed, so the grip stays in reach.  One smaller than a parent
// made for it (its host did not follow a shrink) fills the parent too, so that no
// host background shows, while asking still for the size the user chose: the
// content keeps that size, centred on the panel colour.
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

void X11Window::Impl::releaseX11Window()
{
    XlibLock lock;
    for (Cursor& c : fontCursors) {
        if (c != 0)
            XFreeCursor(display, c);
        c = 0;
    }
    if (hiddenCursor != 0)
        XFreeCursor(display, hiddenCursor);
    if (hiddenBitmap != 0)
        XFreePixmap(display, hiddenBitmap);
    if (colormap != 0)
        XFreeColormap(display, colormap);
    if (gc != nullptr)
        XFreeGC(display, gc);
    if (image != nullptr) {
        image->data = nullptr;
        XFree(image);
    }
    watchParent(0);
    hiddenCursor = 0;
    hiddenBitmap = 0;
    colormap = 0;
    gc = nullptr;
    image = nullptr;
    // When the host destroyed its parent window first, the server destroyed ours with it.
    if (windowAlive())
        XDestroyWindow(display, window);
    sync();
    XEvent event;
    while (XCheckWindowEvent(display, window, eventMask, &event) != 0) {
    }
    discardUnmaskableEvents();
    window = 0;
}

X11Window* X11Window::create(WindowUsage usage, void* parentWindow, IWindowListener* listener, int width,
                             int height)
{
    auto* w = new X11Window(usage, parentWindow, listener, width, height);
    if (w->isOpen())
        return w;
    delete w;
    return nullptr;
}

X11Window::X11Window(WindowUsage, void* parentWindow, IWindowListener* listener, int width, int height)
    : impl_(new Impl)
{
    timespec ts;
    impl_->monotonicClock = clock_gettime(CLOCK_MONOTONIC, &ts) == 0;
    impl_->listener = listener;
    if (listener == nullptr || !impl_->open(parentWindow, width, height)) {
        delete impl_;
        impl_ = nullptr;
    }
}

X11Window::~X11Window()
{
    if (impl_ == nullptr)
        return;
    {
        MutexLock lock(impl_->sleepMutex);
        impl_->terminate.store(true);
    }
    impl_->sleepCondition.notifyAll();
    impl_->wakeEventThread();
    impl_->eventThread.join();
    impl_->timerThread.join();
    {
        XlibLock lock;
        x11::removeEventThreadWaker(&impl_->waker);
    }
    if (impl_->waker.fd >= 0)
        close(impl_->waker.fd);
    impl_->releaseX11Window();
    releaseX11();
    delete impl_;
}

bool X11Window::isOpen() const
{
    return impl_ != nullptr;
}

void X11Window::waitEventAndDispatch()
{
    if (impl_ == nullptr)
        return;
    int backOff = 0;
    while (!impl_->terminate.load() && !impl_->destroyed.load()) {
        XEvent event;
        std::memset(&event, 0, sizeof(event));
        bool got;
        {
            XlibLock lock;
            got = XCheckWindowEvent(impl_->display, impl_->window, eventMask, &event) != 0;
        }
        if (got) {
            impl_->processEvent(event);
            return;
        }
        backOff = nextBackOffMicroseconds(backOff);
        impl_->pause(backOff);
    }
}

bool X11Window::terminated()
{
    return impl_ == nullptr || impl_->destroyed.load();
}

uint32_t X11Window::getTimeMs()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint32_t>(static_cast<uint64_t>(tv.tv_sec) * 1000u + static_cast<uint64_t>(tv.tv_usec) / 1000u);
}

void* X11Window::systemHandle()
{
    if (impl_ == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(impl_->window));
}

bool X11Window::requestResize(int width, int height, bool)
{
    if (impl_ == nullptr || width <= 0 || height <= 0 || impl_->destroyed.load())
        return true;
    XlibLock lock;
    // The hints first: a host may read them as soon as it sees the new size.
    impl_->preferredWidth = width;
    impl_->preferredHeight = height;
    impl_->writeSizeHints();
    if (width == impl_->width.load() && height == impl_->height.load()) {
        impl_->relayout.store(true);
        impl_->wakeEventThread();
    }
    XResizeWindow(impl_->display, impl_->window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    impl_->sync();
    return true;
}

void X11Window::setLargestSize(int maxWidth, int maxHeight)
{
    if (impl_ == nullptr || impl_->destroyed.load())
        return;
    XlibLock lock;
    impl_->maxWidth = maxWidth;
    impl_->maxHeight = maxHeight;
    impl_->writeSizeHints();
    impl_->sync();
}

// The translation lives in x11::, display-free; these keep the names callers know.
Key X11Window::convertKeyFromX11(unsigned long keysym) { return x11::keyFromKeysym(keysym); }
MouseState X11Window::mouseStateFromX11(unsigned int state) { return x11::mouseStateFromX11(state); }
MouseButton X11Window::buttonFromX11Press(unsigned int button) { return x11::buttonFromX11Press(button); }
bool X11Window::wheelStepFromX11(unsigned int button, int* deltaX, int* deltaY)
{
    return x11::wheelStepFromX11(button, deltaX, deltaY);
}
MouseButton X11Window::buttonFromX11Release(unsigned int button) { return x11::buttonFromX11Release(button); }
int X11Window::fontCursorShape(MouseCursor cursor) { return x11::fontCursorShape(cursor); }

int X11Window::nextBackOffMicroseconds(int backOff)
{
    const int next = backOff * 2 + 1000;
    return next < maxBackOffMicroseconds ? next : maxBackOffMicroseconds;
}

int X11Window::liveWindowCount()
{
    return x11::liveWindows();
}

} // namespace vf
