#pragma once

// The down-converter after the treble shelf: its pass-through sections (skipped where
// provably exact), the pick of every fourth sample, the random offsets and the output
// gain.  Templates over an instruction-set tag: include after the translation unit's
// target switch.

#include "plugin/DownsamplingNx.hpp"
#include "plugin/simd/FilterStages.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace vf::simd {

// Whether two of the down-converter's sections in a row, which have the pass-through set
// b = a = (1, 2, 1), provably return this stream unchanged.  With equal input and output
// histories a section computes ((2 x1 + x) - 2 x1) + 0, which is x exactly when 2 x1 + x
// is exact in double: both are floats less than 2^28 apart in magnitude, or one is zero.
// Values that would break it: -0 (leaves as +0), subnormals (read as zero when
// denormals-are-zero is on), inf and NaN.  `stream` must have room for `channels` values
// before it.
template <class Isa, int channels>
bool passesThrough(const BiquadCoefficients& c, const DirectFormLanes& d1, const DirectFormLanes& d2,
                   float* stream, int values)
{
    if (!c.isPassThrough())
        return false;
    auto same = [](double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); };
    auto plainValue = [](float v) {
        const float m = std::fabs(v);
        return m < std::numeric_limits<float>::infinity() &&
               (std::bit_cast<uint32_t>(v) == 0 || m >= std::numeric_limits<float>::min());
    };
    auto closeEnough = [](float previous, float v) {
        const float p = std::fabs(previous), m = std::fabs(v);
        return p == 0.0f || m == 0.0f || (p < m * 134217728.0f && m < p * 536870912.0f);
    };
    for (int ch = 0; ch < channels; ++ch) {
        if (!same(d1.x1[ch], d1.y1[ch]) || !same(d1.x2[ch], d1.y2[ch]) || !same(d2.x1[ch], d2.y1[ch]) ||
            !same(d2.x2[ch], d2.y2[ch]) || !same(d1.x1[ch], d2.x1[ch]) || !same(d1.x2[ch], d2.x2[ch]))
            return false;
        const float previous = static_cast<float>(d1.x1[ch]);
        if (static_cast<double>(previous) != d1.x1[ch] || !plainValue(previous))
            return false;
    }

    // The state's last input stands before the stream (there is room), so that every
    // value's predecessor is the one `channels` places earlier.
    float* before = stream - channels;
    for (int ch = 0; ch < channels; ++ch)
        before[ch] = static_cast<float>(d1.x1[ch]);

    using F32 = typename Isa::F32;
    constexpr int allLanes = (1 << F32::lanes) - 1;
    // Values between 2^-20 and 2^6 in magnitude (all of ordinary audio) meet every
    // condition, neighbours included; only a stream with others needs the full test.
    auto inQuickRange = [](float v) { return std::fabs(v) >= 0x1p-20f && std::fabs(v) <= 0x1p6f; };
    if (values % F32::lanes == 0 && inQuickRange(before[0]) && inQuickRange(before[channels - 1])) {
        const F32 lowest(0x1p-20f), highest(0x1p6f);
        int inRange = allLanes;
        for (int k = 0; k < values; k += F32::lanes) {
            const F32 m = abs(F32::load(stream + k));
            inRange &= signBits(lessEqual(lowest, m) & lessEqual(m, highest));
        }
        if (inRange == allLanes)
            return true;
    }

    const F32 infinity(std::numeric_limits<float>::infinity());
    const F32 smallest(std::numeric_limits<float>::min());
    const F32 zero(0.0f), below(134217728.0f), above(536870912.0f);
    int bad = 0;
    int k = 0;
    for (; k + F32::lanes <= values; k += F32::lanes) {
        const F32 v = F32::load(stream + k);
        const F32 m = abs(v);
        const F32 p = abs(F32::load(stream + k - channels));
        const auto isZero = equal(v, zero);
        const auto plain = lessThan(m, infinity) & (isZero | lessEqual(smallest, m));
        const auto pairOk = equal(p, zero) | isZero | (lessThan(p, m * below) & lessThan(m, p * above));
        // A zero with its sign bit set is -0.
        bad |= (signBits(plain & pairOk) ^ allLanes) | (signBits(isZero) & signBits(v));
    }
    if (bad)
        return false;
    for (; k < values; ++k) {
        const float v = stream[k];
        if (!plainValue(v) || !closeEnough(stream[k - channels], v))
            return false;
    }
    return true;
}

// When two pass-through sections provably return the stream unchanged, moves their
// histories past it as running them would and returns true.  The stream's predecessors
// (its room before) hold the sections' last inputs, so one value is enough.
template <class Isa, int channels>
bool skipPassThroughSections(const BiquadCoefficients& c, DirectFormLanes& d1, DirectFormLanes& d2, float* stream,
                             int values)
{
    if (!passesThrough<Isa, channels>(c, d1, d2, stream, values))
        return false;
    for (int ch = 0; ch < channels; ++ch) {
        const double last = stream[values - channels + ch];
        const double beforeLast = stream[values - 2 * channels + ch];
        for (DirectFormLanes* d : {&d1, &d2}) {
            d->x1[ch] = d->y1[ch] = last;
            d->x2[ch] = d->y2[ch] = beforeLast;
        }
    }
    return true;
}

// Two pass-through sections over a stream, in place (the rare case where skipping them
// cannot be proven); with `pick`, only every fourth result is kept, compacted.
template <class Isa, class V>
void runPassThroughSections(const BiquadCoefficients& c, DirectFormLanes& first, DirectFormLanes& second,
                            float* stream, int count, int pick)
{
    DirectForm<Isa, V> a(c, first), b(c, second);
    for (int i = 0; i < count; ++i) {
        const V x = roundToFloat(a.step(V::fromFloats(stream + i * V::lanes)));
        const V y = b.step(x);
        if (i % pick == 0)
            y.storeFloats(stream + (i / pick) * V::lanes);
    }
    a.save(first);
    b.save(second);
}

// The down-converter's random offsets, v + s * 3.4e-36 * 2^(e + 62), which the reference
// forms in extended precision and rounds once to float.  Here the sum is formed in double:
// it then differs from the extended one by about half a unit in its last place, so both
// round to the same float unless they lie within a few double units of a float midpoint.
// Such lanes, and values whose float result would be subnormal or infinite, take the
// extended-precision formula itself.
template <class Isa>
void addNoiseOffsets(float* picked, const double* noise, int values)
{
    using F64 = typename Isa::F64;
    const F64 scale(static_cast<double>(3.4e-36L));
    const F64 exponentField = F64::fromBits(0x7ff0000000000000u);
    const F64 powerBias = F64::fromBits(63);
    const F64 powerOfZero(0x1p62);
    const F64 smallestNormal(static_cast<double>(std::numeric_limits<float>::min()));
    const F64 largest(0x1p127);
    const F64 mantissaLow29 = F64::fromBits((uint64_t{1} << 29) - 1);
    const F64 exponentOfOne = F64::fromBits(0x3ff0000000000000u);
    const F64 midpoint(1.0 + 0x1p-24);
    const F64 tolerance(0x1p-48); // 16 units of the last place of 1.0
    const F64 zero(0.0);
    int k = 0;
    for (; k + F64::lanes <= values; k += F64::lanes) {
        const F64 v = F64::fromFloats(picked + k);
        const auto isZero = equal(v, zero);
        // 2^(e + 62) for the frexp exponent e of v; 2^62 for zero.
        const F64 power = select(isZero, powerOfZero, shiftBitsLeft<52>(addBits(shiftBitsRight<52>(v & exponentField), powerBias)));
        const F64 sum = v + F64::load(noise + k) * scale * power;
        const F64 m = abs(v), sm = abs(sum);
        const auto ordinary = (isZero | lessEqual(smallestNormal, m)) & lessThan(m, largest) & lessEqual(smallestNormal, sm);
        const auto nearMidpoint = lessEqual(abs(((sum & mantissaLow29) | exponentOfOne) - midpoint), tolerance);
        sum.storeFloats(picked + k);
        if (int exact = (signBits(ordinary) ^ ((1 << F64::lanes) - 1)) | signBits(nearMidpoint)) [[unlikely]] {
            alignas(64) double original[F64::lanes];
            v.store(original);
            for (int l = 0; l < F64::lanes; ++l)
                if (exact & (1 << l))
                    picked[k + l] = DownsamplingNx::withNoiseOffset(static_cast<float>(original[l]),
                                                                    static_cast<uint32_t>(noise[k + l]));
        }
    }
    for (; k < values; ++k)
        picked[k] = DownsamplingNx::withNoiseOffset(picked[k], static_cast<uint32_t>(noise[k]));
}

// Advances each channel's generator over the block and adds the offsets.
template <class Isa, int channels>
void addNoiseOffsets(HighRateState& st, float* picked, int frames)
{
    alignas(64) double noise[2 * engineBlockFrames + enginePadding] = {};
    for (int c = 0; c < channels; ++c) {
        uint32_t s = st.noise[c];
        for (int j = 0; j < frames; ++j) {
            s = DownsamplingNx::nextNoise(s);
            noise[j * channels + c] = static_cast<double>(s);
        }
        st.noise[c] = s;
    }
    addNoiseOffsets<Isa>(picked, noise, frames * channels);
}

// After the treble shelf, the down-converter: its high-rate sections, every fourth sample,
// the offset, its host-rate sections; then the output gain.  Sections that provably pass
// the samples through unchanged are skipped.
template <class Isa, int channels>
void finishBlock(HighRateState& st, const HighRateSettings& se, float* s, float* const* outputs, int offset,
                 int frames)
{
    using V = std::conditional_t<channels == 2, Sse2F64, ScalarF64>;
    constexpr int oversampling = engineOversampling;
    const int count = frames * oversampling;
    alignas(64) float pickedRoom[enginePadding + 2 * engineBlockFrames + enginePadding] = {};
    float* picked = pickedRoom + enginePadding;

    if (skipPassThroughSections<Isa, channels>(se.down, st.down1, st.down2, s, count * channels)) {
        for (int j = 0; j < frames; ++j)
            for (int c = 0; c < channels; ++c)
                picked[j * channels + c] = s[j * oversampling * channels + c];
    } else {
        runPassThroughSections<Isa, V>(se.down, st.down1, st.down2, s, count, oversampling);
        std::copy(s, s + frames * channels, picked);
    }

    addNoiseOffsets<Isa, channels>(st, picked, frames);

    const int values = frames * channels;
    if (!skipPassThroughSections<Isa, channels>(se.down, st.down3, st.down4, picked, values))
        runPassThroughSections<Isa, V>(se.down, st.down3, st.down4, picked, frames, 1);
    for (int j = 0; j < frames; ++j)
        for (int c = 0; c < channels; ++c)
            outputs[c][offset + j] = picked[j * channels + c] * se.outputGain;
}

} // namespace vf::simd
