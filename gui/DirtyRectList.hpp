#pragma once
#include "core/Box2i.hpp"
#include "core/GrowableArray.hpp"
#include "core/UncheckedMutex.hpp"

namespace vf {

// Areas waiting to be repainted: pairwise disjoint, none empty.  A new rectangle
// stays whole and the older ones are trimmed around it.
// Any thread may add; every operation takes the list's own mutex.
class DirtyRectList {
public:
    DirtyRectList() = default;
    DirtyRectList(const DirtyRectList&) = delete;
    DirtyRectList& operator=(const DirtyRectList&) = delete;

    // Any thread.
    void addRect(const box2i& r);
    // Appends every rectangle to out and empties the list.  Any thread.
    void pullAllRectangles(GrowableArray<box2i>& out);
    bool isEmpty();

private:
    UncheckedMutex mutex_;
    GrowableArray<box2i> rects_;
};

} // namespace vf
