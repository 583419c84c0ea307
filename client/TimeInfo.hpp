#pragma once
#include <cstdint>

namespace vf {

// Host transport state, passed by value to every processed chunk.
struct TimeInfo {
    double tempoBpm = 120.0;
    int64_t positionInSamples = 0; // position of the first frame of the block
    bool isPlaying = true;
};

} // namespace vf
