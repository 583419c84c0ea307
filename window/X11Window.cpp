// Opens and closes the X11 window and answers the IWindow calls made on it.
#include "window/X11WindowImpl.hpp"

#include "window/X11EventTranslation.hpp"

#include <cstring>
#include <ctime>
#include <sys/eventfd.h>
#include <unistd.h>

#include <X11/XKBlib.h>

namespace vf {

using x11::XlibLock;

bool X11Window::Impl::windowAlive()
{
    if (destroyed.load() || window == 0)
        return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0;
}

bool X11Window::Impl::open(void* parentWindow, int w, int h)
{
    display = x11::acquireX11();
    if (display == nullptr)
        return false;
    if (!createX11Window(parentWindow, w, h)) {
        x11::releaseX11();
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
    XSelectInput(display, window, x11::eventMask);
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
    attributes.event_mask = x11::eventMask;
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

// Host UI thread: stops and joins both threads, then gives back what open() took.
void X11Window::Impl::close()
{
    {
        MutexLock lock(sleepMutex);
        terminate.store(true);
    }
    sleepCondition.notifyAll();
    wakeEventThread();
    eventThread.join();
    timerThread.join();
    {
        XlibLock lock;
        x11::removeEventThreadWaker(&waker);
    }
    if (waker.fd >= 0)
        ::close(waker.fd);
    releaseX11Window();
    x11::releaseX11();
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
    sharedImage.release(display);
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
    while (XCheckWindowEvent(display, window, x11::eventMask, &event) != 0) {
    }
    discardUnmaskableEvents();
    window = 0;
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
    impl_->close();
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
        if (impl_->takeEvent(event)) {
            impl_->dispatch(event);
            return;
        }
        backOff = nextBackOffMicroseconds(backOff);
        impl_->waitForInput(backOff);
    }
}

bool X11Window::terminated()
{
    return impl_ == nullptr || impl_->destroyed.load();
}

// The wall clock although the window times itself with now(): IWindow promises wall-clock time.
uint32_t X11Window::getTimeMs()
{
    return static_cast<uint32_t>(x11::wallClockMicroseconds() / 1000u);
}

void* X11Window::systemHandle()
{
    if (impl_ == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(impl_->window));
}

// alsoResizeParentWindow is ignored by design: hosts follow the size hints, and the
// parent watch fits the window into a parent that does not.
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
    return next < x11::maxBackOffMicroseconds ? next : x11::maxBackOffMicroseconds;
}

int X11Window::liveWindowCount()
{
    return x11::liveWindows();
}

} // namespace vf
