// The X11 window's private state and steps, shared by its life-cycle, event and timer sources.
#pragma once
#include "window/X11Window.hpp"

#include "core/ConditionVariable.hpp"
#include "core/ThreadHandle.hpp"
#include "core/UncheckedMutex.hpp"
#include "window/ParentFitWatch.hpp"
#include "window/PointerTracker.hpp"
#include "window/X11Display.hpp"
#include "window/X11SharedImage.hpp"

#include <atomic>
#include <cstdint>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vf {

namespace x11 {

constexpr long eventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask
    | LeaveWindowMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
static_assert(eventMask == 0x2807F);

constexpr int maxBackOffMicroseconds = 100000;

uint64_t wallClockMicroseconds();

} // namespace x11

struct X11Window::Impl {
    IWindowListener* listener = nullptr;
    // Written by the event thread, read by the timer thread's parent watch.
    std::atomic<int> width{0};
    std::atomic<int> height{0};
    ImageRef<RGBA> output;
    bool dirtyAreasComputed = false;
    // Drawn but not yet put on screen (guarded by drawMutex).  Only what changed goes to
    // the server: a knob and its label under automation rather than the box
    // around both; past the last slot areas merge.
    static constexpr int maxUnshownAreas = 8;
    box2i unshown[maxUnshownAreas];
    int numUnshown = 0;
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
    X11SharedImage sharedImage; // used instead of `image` for small areas when the server shares memory
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

    // Wakes the event thread's wait for input (closing, a relayout, new events).
    x11::EventThreadWaker waker;
    void wakeEventThread() const { waker.wake(); }

    // A round trip that also collects any error of our earlier requests, so that
    // none is left for the event reader (which would hand it to the host).
    void sync() { XSync(display, False); }

    uint64_t now() const;
    // Sleeps up to the given time; returns early when asked to terminate.
    void pause(long long microseconds);
    bool windowAlive();

    // Life cycle (X11Window.cpp).
    bool open(void* parentWindow, int w, int h);
    bool createX11Window(void* parentWindow, int w, int h);
    void close();
    void releaseX11Window();
    void writeSizeHints();
    void watchParent(Window newParent);

    // Event thread (X11WindowEvents.cpp).
    void eventLoop();
    bool takeEvent(XEvent& event);
    void waitForInput(long long microseconds);
    void discardUnmaskableEvents();
    void dispatch(XEvent& event);
    void onKey(XKeyEvent& event);
    void onButtonPress(const XButtonEvent& event);
    void onButtonRelease(const XButtonEvent& event);
    void onMotion(const XMotionEvent& event);
    void onEnter(const XCrossingEvent& event);
    void onLeave();
    void onDestroy(const XDestroyWindowEvent& event);
    void onConfigure(const XConfigureEvent& event);
    void onReparent(const XReparentEvent& event);
    bool notifySize(int w, int h, bool force = false); // true when the listener was resized
    // Draws what is dirty and puts it on screen with the given exposed area
    // (event or timer thread).
    void repaint(box2i exposed = {});
    void noteDrawn(std::span<const box2i> areas);

    // Timer thread (X11WindowTimer.cpp).
    void timerLoop();
    void noteInput();
    void doAnimation();
    void repaintIfUIDirty();
    // Any thread that then draws: collects the GUI's dirty areas; true if there are any.
    bool uiIsDirty();
    void setCursor();
    void fitIntoParentIfClipped();
};

} // namespace vf
