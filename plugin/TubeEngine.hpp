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
};

// The audio engine of the plug-in: oversampled two-band tube saturation.
// Audio thread only; no locks, and no allocation after reset().
class TubeEngine {
public:
    TubeEngine();
    ~TubeEngine();
    TubeEngine(const TubeEngine&) = delete;
    TubeEngine& operator=(const TubeEngine&) = delete;

    void reset(double sampleRate, int maxFrames);
    // frames <= the maxFrames of the last reset.  Channels beyond the inputs are zero-filled.
    void processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                      int frames, const EngineControls& controls);
};

} // namespace vf
