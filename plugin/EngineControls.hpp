#pragma once

namespace vf {

// Plain values of the six parameters, read once per chunk without locking.
struct EngineControls {
    double inputGainDb = -4.0;  // parameter 0
    bool edge = false;          // parameter 1
    double tubeHigh = 0.0;      // parameter 2, percent
    double tubeLow = 0.0;       // parameter 3, percent
    bool brilliance = true;     // parameter 4
    double outputGainDb = 0.0;  // parameter 5

    // A control outside its parameter's range can only come from a broken caller; a NaN or
    // infinite gain would otherwise turn the filter states into NaN for good.  Clamped to
    // the range, NaN to the default.
    EngineControls sanitized() const;
};

} // namespace vf
