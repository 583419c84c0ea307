#pragma once
#include <cstdint>

namespace vf {

// Straight (not premultiplied) alpha unless a filter says otherwise.
struct RGBA {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const RGBA&, const RGBA&) = default;
};

struct L8 {
    uint8_t l = 0;
    friend bool operator==(const L8&, const L8&) = default;
};

struct L16 {
    uint16_t l = 0;
    friend bool operator==(const L16&, const L16&) = default;
};

struct RGBf {
    float r = 0, g = 0, b = 0;
};

struct RGBAf {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Lf {
    float l = 0;
};

static_assert(sizeof(RGBA) == 4 && sizeof(L16) == 2 && sizeof(RGBAf) == 16);

} // namespace vf
