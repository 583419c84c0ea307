// Opens, shares and closes the process's display connection and guards every Xlib call.
#include "window/X11Display.hpp"

#include <cstdint>
#include <unistd.h>

#include <X11/Xlibint.h>

namespace vf::x11 {

namespace {

// Every Xlib call of every window of ours runs under this lock: the connection is
// shared and we may not ask Xlib to do its own locking (that is process-wide).
// It also guards the display hand-over, so a second window never sees a display
// that is still being opened or already being closed.
UncheckedMutex x11Mutex;
Display* sharedDisplay = nullptr;
int liveWindowCount = 0;
int errorExtension = 0;
EventThreadWaker* eventThreadWakers = nullptr;

// Errors of ours dropped by the two hooks below, for droppedErrorCount.
unsigned long droppedErrors = 0;

// Errors of our own connection that surface while Xlib waits for a reply go to this
// per-connection hook rather than to the process's error handler, which belongs to
// the host (its default handler exits).
int suppressOwnError(Display*, xError*, XExtCodes*, int* returnCode)
{
    ++droppedErrors;
    if (returnCode != nullptr)
        *returnCode = 0;
    return 1;
}

// The same for errors read in with events (by any of our threads): dropped before
// the process's handler sees them.  With both, a request that may fail needs no
// round trip of its own to keep its error from the host.
Bool dropOwnError(Display*, XErrorEvent*, xError*)
{
    ++droppedErrors;
    return False;
}

} // namespace

Display* acquireX11()
{
    MutexLock lock(x11Mutex);
    if (liveWindowCount == 0) {
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr)
            return nullptr;
        XExtCodes* codes = XAddExtension(d);
        if (codes != nullptr)
            XESetError(d, codes->extension, suppressOwnError);
        errorExtension = codes != nullptr ? codes->extension : 0;
        for (int code = 1; code < 256; ++code)
            XESetWireToError(d, code, dropOwnError);
        sharedDisplay = d;
    }
    ++liveWindowCount;
    return sharedDisplay;
}

void releaseX11()
{
    MutexLock lock(x11Mutex);
    if (liveWindowCount <= 0)
        return;
    if (--liveWindowCount == 0) {
        XCloseDisplay(sharedDisplay);
        sharedDisplay = nullptr;
        errorExtension = 0;
    }
}

unsigned long droppedErrorCount()
{
    return droppedErrors;
}

int liveWindows()
{
    XlibLock lock;
    return liveWindowCount;
}

void EventThreadWaker::wake() const
{
    const uint64_t one = 1;
    if (fd >= 0 && write(fd, &one, sizeof one) < 0) {
        // A full counter already means a pending wake-up.
    }
}

void addEventThreadWaker(EventThreadWaker* waker)
{
    waker->next = eventThreadWakers;
    eventThreadWakers = waker;
}

void removeEventThreadWaker(EventThreadWaker* waker)
{
    for (EventThreadWaker** w = &eventThreadWakers; *w != nullptr; w = &(*w)->next)
        if (*w == waker) {
            *w = waker->next;
            break;
        }
}

XlibLock::XlibLock()
    : lock_(x11Mutex)
    , queued_(sharedDisplay != nullptr ? XQLength(sharedDisplay) : 0)
{
}

XlibLock::~XlibLock()
{
    if (sharedDisplay == nullptr || XQLength(sharedDisplay) <= queued_)
        return;
    for (const EventThreadWaker* w = eventThreadWakers; w != nullptr; w = w->next)
        w->wake();
}

} // namespace vf::x11
