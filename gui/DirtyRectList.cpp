#include "gui/DirtyRectList.hpp"

namespace vf {

void DirtyRectList::addRect(const box2i& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    MutexLock lock(mutex_);
    int i = 0;
    while (i < rects_.length()) {
        const box2i e = rects_[i];
        if (e.contains(r))
            return;
        if (r.contains(e)) {
            rects_.removeSwapLast(i);
            continue;
        }
        const box2i inter = e.intersection(r);
        if (e.empty() || inter.empty()) {
            ++i;
            continue;
        }
        // Keep the parts of e outside r; they cannot meet r again.
        rects_.removeSwapLast(i);
        const box2i above{{e.min.x, e.min.y}, {e.max.x, inter.min.y}};
        const box2i left{{e.min.x, inter.min.y}, {inter.min.x, inter.max.y}};
        const box2i right{{inter.max.x, inter.min.y}, {e.max.x, inter.max.y}};
        const box2i below{{e.min.x, inter.max.y}, {e.max.x, e.max.y}};
        for (const box2i& part : {above, left, right, below})
            if (!part.empty())
                rects_.pushBack(part);
    }
    rects_.pushBack(r);
}

void DirtyRectList::pullAllRectangles(GrowableArray<box2i>& out)
{
    MutexLock lock(mutex_);
    for (const box2i& r : rects_)
        out.pushBack(r);
    rects_.clearContents();
}

bool DirtyRectList::isEmpty()
{
    MutexLock lock(mutex_);
    return rects_.empty();
}

} // namespace vf
