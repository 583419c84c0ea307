#pragma once
#include "core/Box2i.hpp"
#include "graphics/Pixels.hpp"

#include <cstddef>
#include <cstdint>

namespace vf {

// Non-owning view of pixels: pixel (x, y) lives at pixels + y * pitch + x * sizeof(T).
template <typename T>
struct ImageRef {
    int32_t width = 0;
    int32_t height = 0;
    std::ptrdiff_t pitch = 0; // bytes from one row to the next
    T* pixels = nullptr;

    T* scanline(int y) const
    {
        return reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * pitch);
    }

    T& at(int x, int y) const { return scanline(y)[x]; }

    ImageRef crop(const box2i& r) const
    {
        ImageRef c;
        c.width = r.width();
        c.height = r.height();
        c.pitch = pitch;
        c.pixels = scanline(r.min.y) + r.min.x;
        return c;
    }

    box2i bounds() const { return {{0, 0}, {width, height}}; }
};

} // namespace vf
