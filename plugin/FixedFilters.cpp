#include "plugin/FixedFilters.hpp"

#include <numbers>

namespace vf {

namespace {

// The 22 kHz air low-pass sits just below half of 44.1 kHz.  At lower rates a design
// frequency at or above Nyquist would give a negative alpha and an unstable section, so
// such frequencies move to the air filter's relative position at 44.1 kHz.  From 44.1 kHz
// up nothing changes (the products below are exact).
double belowNyquist(double frequency, double rate)
{
    if (frequency * 44100.0 > rate * 22000.0)
        return rate * 22000.0 / 44100.0;
    return frequency;
}

} // namespace

FixedFilters FixedFilters::design(float sampleRate, float edgeGainDb, float lowShelfGainDb)
{
    const double rate = sampleRate;
    FixedFilters f;
    f.edgeShelf = designHighShelf(belowNyquist(1800.0, rate), rate, edgeGainDb, 4.0);
    f.lowShelf = designLowShelf(belowNyquist(24.0, rate), rate, lowShelfGainDb, std::numbers::sqrt2);
    f.brillianceShelf = designHighShelf(belowNyquist(7100.0, rate), rate, 2.0, std::numbers::sqrt2);
    f.airLowPass = designLowPass(belowNyquist(22000.0, rate), rate, std::numbers::sqrt2);
    return f;
}

} // namespace vf
