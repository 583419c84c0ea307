#pragma once
#include <cstdint>

namespace vf {

// What kind of plug-in this is; each value maps to one LV2 plug-in class.
// Values above instrumentOther are invalid.
enum class PluginCategory : int32_t {
    effectAnalysisAndMetering = 0,
    effectDelay = 1,
    effectDistortion = 2,
    effectDynamics = 3,
    effectEQ = 4,
    effectImaging = 5,
    effectModulation = 6,
    effectPitch = 7,
    effectReverb = 8,
    effectOther = 9,
    instrumentDrums = 10,
    instrumentSampler = 11,
    instrumentSynthesizer = 12,
    instrumentOther = 13,
};

} // namespace vf
