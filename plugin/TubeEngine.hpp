#pragma once

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/EngineControls.hpp"
#include "plugin/simd/HighRatePath.hpp"

namespace vf {

// The audio engine of the plug-in: oversampled two-band tube saturation.  Computes exactly
// what ReferenceTubeEngine computes, sample for sample, with the channels, the tone
// stage's record sets and runs of samples side by side in vector registers; the
// instruction set is chosen at run time.  Works in blocks of fixed size, so it owns all
// its memory from construction.  Audio thread only; no locks, no allocation.
class TubeEngine {
public:
    enum class SimdPath { sse2, avx2, avx512 };

    TubeEngine();
    TubeEngine(const TubeEngine&) = delete;
    TubeEngine& operator=(const TubeEngine&) = delete;

    // Whether this processor can run a path; SSE2 always.
    static bool supports(SimdPath path);
    // Any thread, not during processAudio: selects a path (tests, benchmarks).  Returns
    // false, keeping the current path, when the processor lacks it.
    bool usePath(SimdPath path);
    SimdPath path() const { return path_; }

    // The sine every path computes, lane for lane, as a plain function: lets the reference
    // engine run with the same maths.  Any thread; pure.
    static double sine(double x);

    // Audio thread, before the first chunk and on every rate or block-size change.  Clears
    // the fixed filters and the tube stage; the converters keep their state.
    void reset(double sampleRate, int maxFrames);

    // Audio thread: no locks, no allocation.  frames <= the maxFrames of the last reset; a
    // larger chunk gives silence.  One input and one output run the left path alone;
    // channels beyond the processed ones are zero-filled.  Non-finite input samples are
    // taken as silence.  The host may pass the same buffers for input and output.
    void processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                      int frames, const EngineControls& controls);

    // The fixed filter designs of the last chunk, for inspection.
    const BiquadCoefficients& edgeShelfCoefficients() const { return settings.edge; }
    const BiquadCoefficients& lowShelfCoefficients() const { return settings.low; }
    const BiquadCoefficients& brillianceShelfCoefficients() const { return settings.brilliance; }
    const BiquadCoefficients& airLowPassCoefficients() const { return settings.air; }

private:
    void prepare(const EngineControls& controls);
    void startDownConverter(int channel);

    SimdPath path_ = SimdPath::sse2;
    ChunkKernel kernel = nullptr;
    float sampleRate = 0.0f;
    int maxFrames = 0;
    float designedRate = 0.0f; // the rate the fixed filters and tone records were designed for
    bool designsValid = false;
    // The up-converter's sections pass zero-inserted samples through unchanged; true when
    // the rate gives them the pass-through design (every positive finite rate does).
    bool upConverterPassesThrough = false;
    bool downStarted[2] = {};
    HighRateSettings settings;
    HighRateState state;
    HighRateScratch scratch;
};

} // namespace vf
