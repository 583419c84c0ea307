// The one display connection all X11 windows of the process share, and its lock.
#pragma once
#include "core/UncheckedMutex.hpp"

#include <X11/Xlib.h>

namespace vf::x11 {

// The shared connection, opened for the first window and closed with the last;
// null when no display can be opened.  Each successful acquireX11 needs a releaseX11.
Display* acquireX11();
void releaseX11();
// Number of windows holding the connection.
int liveWindows();
// Under the Xlib lock: how many errors of ours were dropped so far, for the few
// requests whose failure matters (compared across a round trip).
unsigned long droppedErrorCount();

// The event threads wait on the connection's socket (and their wake-up descriptor)
// without the Xlib lock.  Xlib reads everything the server has sent whenever any of
// our threads looks for an event or a reply, other windows' events included, and an
// event already in Xlib's queue no longer shows on the socket; so whoever brings new
// events in wakes every event thread.  The list is guarded by the Xlib lock.
struct EventThreadWaker {
    int fd = -1;
    EventThreadWaker* next = nullptr;

    void wake() const;
};

// Under the Xlib lock: the waker joins or leaves the list XlibLock wakes.
void addEventThreadWaker(EventThreadWaker* waker);
void removeEventThreadWaker(EventThreadWaker* waker);

// Holds the Xlib lock; on release, wakes the event threads if events came in meanwhile.
class XlibLock {
public:
    XlibLock();
    ~XlibLock();
    XlibLock(const XlibLock&) = delete;
    XlibLock& operator=(const XlibLock&) = delete;

private:
    MutexLock lock_;
    int queued_;
};

} // namespace vf::x11
