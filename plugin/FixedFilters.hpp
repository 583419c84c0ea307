#pragma once

#include "plugin/BiquadCoefficients.hpp"

namespace vf {

// The engine's four fixed sections, designed at the host rate although they run on the
// four-times oversampled stream.  Any thread; pure.
struct FixedFilters {
    BiquadCoefficients edgeShelf;
    BiquadCoefficients lowShelf;
    BiquadCoefficients brillianceShelf;
    BiquadCoefficients airLowPass;

    static FixedFilters design(float sampleRate, float edgeGainDb, float lowShelfGainDb);
};

} // namespace vf
