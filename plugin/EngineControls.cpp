#include "plugin/EngineControls.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vf {

namespace {

// In-range values pass unchanged; NaN falls back to the parameter's default.
double clampControl(double value, double low, double high, double fallback)
{
    if (std::isnan(value))
        return fallback;
    return std::clamp(value, low, high);
}

} // namespace

EngineControls EngineControls::sanitized() const
{
    const EngineControls defaults;
    const double inf = std::numeric_limits<double>::infinity();
    EngineControls c = *this;
    c.inputGainDb = clampControl(inputGainDb, -inf, 0.0, defaults.inputGainDb);
    c.outputGainDb = clampControl(outputGainDb, -inf, 6.0, defaults.outputGainDb);
    c.tubeHigh = clampControl(tubeHigh, 0.0, 100.0, defaults.tubeHigh);
    c.tubeLow = clampControl(tubeLow, 0.0, 100.0, defaults.tubeLow);
    return c;
}

} // namespace vf
