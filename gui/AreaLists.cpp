#include "gui/AreaLists.hpp"

namespace vf {

void removeOverlappingAreas(GrowableArray<box2i>& input, GrowableArray<box2i>& out)
{
    int i = 0;
    while (i < input.length()) {
        const box2i a = input[i];
        ++i;
        if (a.empty())
            continue;
        bool overlapped = false;
        int j = i;
        while (j < input.length()) {
            const box2i b = input[j];
            if (a.contains(b)) {
                input.removeSwapLast(j); // compare the same slot again
                continue;
            }
            const box2i inter = a.intersection(b);
            if (!inter.empty()) {
                if (!b.contains(a)) {
                    // Only the parts of a that b does not cover survive; they are
                    // compared with everything after them in turn.
                    const box2i above{{a.min.x, a.min.y}, {a.max.x, inter.min.y}};
                    const box2i left{{a.min.x, inter.min.y}, {inter.min.x, inter.max.y}};
                    const box2i right{{inter.max.x, inter.min.y}, {a.max.x, inter.max.y}};
                    const box2i below{{a.min.x, inter.max.y}, {a.max.x, a.max.y}};
                    for (const box2i& part : {above, left, right, below})
                        if (!part.empty())
                            input.pushBack(part);
                }
                overlapped = true;
                break;
            }
            ++j;
        }
        if (!overlapped)
            out.pushBack(a);
    }
}

void tileAreas(const GrowableArray<box2i>& areas, int tileHeight, int tileWidth, GrowableArray<box2i>& out)
{
    for (const box2i& area : areas) {
        if (area.empty())
            continue;
        for (int y = area.min.y; y < area.max.y; y += tileHeight) {
            const int y1 = std::min(y + tileHeight, area.max.y);
            for (int x = area.min.x; x < area.max.x; x += tileWidth) {
                const int x1 = std::min(x + tileWidth, area.max.x);
                out.pushBack({{x, y}, {x1, y1}});
            }
        }
    }
}

} // namespace vf
