#pragma once
#include <cstdint>

namespace vf {

// A short MIDI message; offset is in frames from the start of its block.
struct MidiMessage {
    int32_t offset = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    uint8_t pad = 0;
};

} // namespace vf
