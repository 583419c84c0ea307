#pragma once
#include "graphics/Pixels.hpp"

#include <cstddef>
#include <cstdint>

namespace vf {

// Decoder of the "Quite OK Image" format into 4-channel straight-alpha RGBA.
class QoiDecoder {
public:
    static constexpr std::size_t headerSize = 14;
    // Refuses larger images rather than trusting a size field to allocate: 64 MB of
    // pixels, 25 times our largest image.  The loader holds PNG and JPEG to it too.
    static constexpr uint64_t maxPixels = uint64_t{1} << 24;

    // True when the data starts with the format's magic and is long enough to hold a header.
    static bool hasSignature(const uint8_t* data, std::size_t size);

    // Returns a malloc'ed block of width * height pixels, or null when the header
    // is invalid or the data ends before the last pixel. Any thread; allocates.
    static RGBA* decode(const uint8_t* data, std::size_t size, int& width, int& height);
};

} // namespace vf
