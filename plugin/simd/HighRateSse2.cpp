// The oversampled path for the SSE2 baseline every x86-64 processor has.
#include "plugin/DownsamplingNx.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/KernelProbes.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {


void processChunkSse2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Sse2, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Sse2, 1>(state, settings, scratch, inputs, outputs, frames);
}

void divideByThreeSse2(const float* in, float* out, int count)
{
    for (int i = 0; i < count; i += Sse2F32::lanes)
        DivideByThree<Sse2>::of(Sse2F32::load(in + i)).store(out + i);
}

void noiseOffsetsSse2(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Sse2>(out + i, state, 16);
    }
}

bool downSectionsSse2(float* stream, int values, double* history)
{
    return downSectionsProbe<Sse2>(stream, values, history);
}

} // namespace vf::simd
