#pragma once
#include <cstdint>

namespace vf {

// One accepted channel layout.  The order of a plug-in's list matters: the LV2
// adapter makes one descriptor per entry, in order.
struct LegalIO {
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
};

} // namespace vf
