#pragma once
#include <algorithm>
#include <cstdint>

namespace vf {

struct vec2i {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const vec2i&, const vec2i&) = default;
};

// Integer rectangle: min inclusive, max exclusive.
struct box2i {
    vec2i min;
    vec2i max;

    static box2i rectangle(int x, int y, int w, int h) { return {{x, y}, {x + w, y + h}}; }

    int width() const { return max.x - min.x; }
    int height() const { return max.y - min.y; }
    bool empty() const { return max.x <= min.x || max.y <= min.y; }

    bool contains(int x, int y) const { return x >= min.x && x < max.x && y >= min.y && y < max.y; }
    // True when o lies wholly inside this box (an empty o counts as inside).
    bool contains(const box2i& o) const
    {
        return o.min.x >= min.x && o.min.y >= min.y && o.max.x <= max.x && o.max.y <= max.y;
    }

    box2i intersection(const box2i& o) const
    {
        return {{std::max(min.x, o.min.x), std::max(min.y, o.min.y)},
                {std::min(max.x, o.max.x), std::min(max.y, o.max.y)}};
    }
    bool intersects(const box2i& o) const { return !intersection(o).empty(); }

    // Smallest box holding both; an empty operand is ignored.
    box2i expand(const box2i& o) const
    {
        if (o.empty())
            return *this;
        if (empty())
            return o;
        return {{std::min(min.x, o.min.x), std::min(min.y, o.min.y)},
                {std::max(max.x, o.max.x), std::max(max.y, o.max.y)}};
    }

    box2i translate(int dx, int dy) const { return {{min.x + dx, min.y + dy}, {max.x + dx, max.y + dy}}; }
    box2i grow(int margin) const
    {
        return {{min.x - margin, min.y - margin}, {max.x + margin, max.y + margin}};
    }

    friend bool operator==(const box2i&, const box2i&) = default;
};

} // namespace vf
