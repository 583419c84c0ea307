#pragma once

// The bodies of the kernel probes declared in KernelProbes.hpp, over an instruction-set
// tag; each probe translation unit includes this after its target switch.

#include "plugin/simd/HighRateKernels.hpp"
#include "tests/plugin/KernelProbes.hpp"

namespace vf::simd {

template <class Isa>
void divideByThreeProbe(const float* in, float* out, int count)
{
    using F32 = typename Isa::F32;
    for (int i = 0; i < count; i += F32::lanes)
        DivideByThree<Isa>::of(F32::load(in + i)).store(out + i);
}

template <class Isa>
void noiseOffsetsProbe(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Isa>(out + i, state, 16);
    }
}

template <class Isa>
bool downSectionsProbe(float* stream, int values, double* history)
{
    BiquadCoefficients c;
    c.b0 = c.b2 = c.a2 = 1.0;
    c.b1 = c.a1 = 2.0;
    DirectFormLanes d[2];
    for (int k = 0; k < 2; ++k)
        for (int ch = 0; ch < 2; ++ch) {
            d[k].x1[ch] = history[8 * k + ch];
            d[k].x2[ch] = history[8 * k + 2 + ch];
            d[k].y1[ch] = history[8 * k + 4 + ch];
            d[k].y2[ch] = history[8 * k + 6 + ch];
        }
    const bool skipped = skipPassThroughSections<Isa, 2>(c, d[0], d[1], stream, values);
    if (!skipped)
        runPassThroughSections<Isa, Sse2F64>(c, d[0], d[1], stream, values / 2, 1);
    for (int k = 0; k < 2; ++k)
        for (int ch = 0; ch < 2; ++ch) {
            history[8 * k + ch] = d[k].x1[ch];
            history[8 * k + 2 + ch] = d[k].x2[ch];
            history[8 * k + 4 + ch] = d[k].y1[ch];
            history[8 * k + 6 + ch] = d[k].y2[ch];
        }
    return skipped;
}

} // namespace vf::simd

// Defines the three probes of one instruction set.
#define VF_KERNEL_PROBES(Isa)                                                                                   \
    void divideByThree##Isa(const float* in, float* out, int count) { divideByThreeProbe<Isa>(in, out, count); } \
    void noiseOffsets##Isa(const float* value, const uint32_t* noise, float* out, int count)                   \
    {                                                                                                           \
        noiseOffsetsProbe<Isa>(value, noise, out, count);                                                        \
    }                                                                                                           \
    bool downSections##Isa(float* stream, int values, double* history)                                          \
    {                                                                                                           \
        return downSectionsProbe<Isa>(stream, values, history);                                                 \
    }
