#pragma once

// The engine's chunk processing: zero insertion and the input limiter, then three blocks
// in flight through the filter stages, the tube stage and the down-converter.  Templates
// over an instruction-set tag (Sse2, Avx2, Avx512), so that the instantiations of
// different instruction sets never share a symbol; each set's translation unit includes
// this header after switching the compiler's target, and the standard headers, the
// baseline lane types and the scalar helpers before it.

#include "plugin/KneeLimit.hpp"
#include "plugin/simd/DownConverter.hpp"
#include "plugin/simd/FilterStages.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/VectorWaveshaper.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace vf::simd {

// Runs the active stages over samples [from, to) of their blocks in one loop, so that
// their recursions overlap.
template <bool pre, bool tone, bool post, class Pre, class Tone, class Post>
void fusedSteps(Pre& preState, Tone& toneState, Post& postState, int from, int to)
{
    // Local copies, so that the recursions' states stay in registers.
    Pre p = preState;
    Tone t = toneState;
    Post q = postState;
    for (int i = from; i < to; i += 2) {
        if constexpr (pre) {
            p.step(i);
            p.step(i + 1);
        }
        if constexpr (tone)
            t.stepPair(i);
        if constexpr (post) {
            q.step(i);
            q.step(i + 1);
        }
    }
    if constexpr (pre)
        preState = p;
    if constexpr (tone)
        toneState = t;
    if constexpr (post)
        postState = q;
}

template <class Pre, class Tone, class Post>
void runStages(int active, Pre& p, Tone& t, Post& q, int from, int to)
{
    switch (active) {
    case 1: fusedSteps<true, false, false>(p, t, q, from, to); break;
    case 2: fusedSteps<false, true, false>(p, t, q, from, to); break;
    case 3: fusedSteps<true, true, false>(p, t, q, from, to); break;
    case 4: fusedSteps<false, false, true>(p, t, q, from, to); break;
    case 5: fusedSteps<true, false, true>(p, t, q, from, to); break;
    case 6: fusedSteps<false, true, true>(p, t, q, from, to); break;
    case 7: fusedSteps<true, true, true>(p, t, q, from, to); break;
    default: break;
    }
}

// Zero insertion: the up-converter's pass-through sections return each host sample (-0 as
// +0, non-finite samples as silence) followed by three zeros, which the input limiter
// leaves at zero.  Only the host samples are limited; `s` is already zeroed.
template <class Isa, int channels>
void insertAndLimit(const HighRateSettings& se, const float* const* inputs, int offset, int frames, float* s)
{
    using F32 = typename Isa::F32;
    constexpr int stride = engineOversampling * channels;
    const F32 infinity(std::numeric_limits<float>::infinity());
    const F32 zero(0.0f), gain(se.inputGain), knee(0.707f);
    for (int c = 0; c < channels; ++c) {
        const float* in = inputs[c] + offset;
        int j = 0;
        for (; j + F32::lanes <= frames; j += F32::lanes) {
            const F32 x = F32::load(in + j);
            const F32 v = (select(lessThan(abs(x), infinity), x, zero) + zero) * gain;
            alignas(64) float lanes[F32::lanes];
            v.store(lanes);
            // Loud lanes and NaN (which compares false even with itself).
            const int loud = signBits(lessEqual(knee, abs(v))) | (signBits(lessEqual(abs(v), abs(v))) ^ ((1 << F32::lanes) - 1));
            if (loud) [[unlikely]]
                for (int l = 0; l < F32::lanes; ++l)
                    if (loud & (1 << l))
                        lanes[l] = kneeLimit(lanes[l], 0.707f);
            for (int l = 0; l < F32::lanes; ++l)
                s[(j + l) * stride + c] = lanes[l];
        }
        for (; j < frames; ++j) {
            const float x = std::isfinite(in[j]) ? in[j] : 0.0f;
            const float v = (x + 0.0f) * se.inputGain;
            s[j * stride + c] = std::fabs(v) < 0.707f ? v : kneeLimit(v, 0.707f);
        }
    }
}

// The three filter stages over their blocks: block t's fixed sections, block t - 1's
// tone-stage records and block t - 2's treble shelf; `lengths` are their sample counts.
template <class Isa, int channels>
void filterBlocks(HighRateState& st, const HighRateSettings& se, HighRateScratch::Slot& preSlot,
                  HighRateScratch::Slot& toneSlot, HighRateScratch::Slot& postSlot, const int (&lengths)[3])
{
    using V = std::conditional_t<channels == 2, Sse2F64, ScalarF64>;
    float* preStream = preSlot.stream + enginePadding;
    float* postStream = postSlot.stream + enginePadding;
    PreStage<Isa, V> pre(st, se, preStream);
    typename ToneStageFor<Isa, channels>::type tone(st, se, toneSlot.sine, toneSlot.high, toneSlot.low);
    PostStage<Isa, V> post(st, se, postStream);
    using Packed = typename PackedShelvesFor<Isa>::type;
    if constexpr (channels == 2 && !std::is_void_v<Packed>) {
        if (lengths[0] > 0 && lengths[0] == lengths[1] && lengths[0] == lengths[2]) {
            Packed both(st, se, preStream, postStream);
            fusedSteps<true, true, false>(both, tone, post, 0, lengths[0]);
            both.save(st);
            tone.save(st);
            return;
        }
    }
    for (int from = 0;;) {
        int active = 0, to = 1 << 30;
        for (int k = 0; k < 3; ++k)
            if (lengths[k] > from) {
                active |= 1 << k;
                to = std::min(to, lengths[k]);
            }
        if (!active)
            break;
        runStages(active, pre, tone, post, from, to);
        from = to;
    }
    if (lengths[0])
        pre.save(st);
    if (lengths[1])
        tone.save(st);
    if (lengths[2])
        post.save(st);
}

template <class Isa, int channels>
void processChunk(HighRateState& st, const HighRateSettings& se, HighRateScratch& scratch, const float* const* inputs,
                  float* const* outputs, int frames)
{
    using F32 = typename Isa::F32;
    constexpr int oversampling = engineOversampling;
    const int blocks = (frames + engineBlockFrames - 1) / engineBlockFrames;
    auto blockFrames = [&](int b) { return b >= 0 && b < blocks ? std::min(engineBlockFrames, frames - b * engineBlockFrames) : 0; };
    // Blocks before the first (t - 1, t - 2 at the start) have no frames, but their slot must
    // still be one of the three: an index of -1 would be undefined even if never read.
    auto slot = [&](int b) -> HighRateScratch::Slot& { return scratch.slots[(b + 3) % 3]; };
    auto stream = [&](int b) { return slot(b).stream + enginePadding; };
    auto whole = [](int values) { return (values + F32::lanes - 1) / F32::lanes * F32::lanes; };

    // Block t enters the fixed filters while block t - 1 is in the tone stage's records and
    // block t - 2 in the treble shelf: three independent recursions in one loop.
    for (int t = 0; t < blocks + 2; ++t) {
        const int preFrames = blockFrames(t), toneFrames = blockFrames(t - 1), postFrames = blockFrames(t - 2);

        if (preFrames > 0) {
            // Zero insertion: the up-converter's pass-through sections return each host
            // sample (-0 as +0) followed by three zeros; then the input limiter.
            float* s = stream(t);
            const int values = preFrames * oversampling * channels;
            std::fill(s, s + whole(values) + enginePadding, 0.0f);
            insertAndLimit<Isa, channels>(se, inputs, t * engineBlockFrames, preFrames, s);
        }

        const int lengths[3] = {preFrames * oversampling, toneFrames * oversampling,
                                se.brillianceOn ? postFrames * oversampling : 0};
        filterBlocks<Isa, channels>(st, se, slot(t), slot(t - 1), slot(t - 2), lengths);

        if (preFrames > 0)
            sines<Isa>(stream(t), slot(t).sine, whole(preFrames * oversampling * channels));
        if (toneFrames > 0)
            shapeAndLeave<Isa>(se, slot(t - 1).high, slot(t - 1).low, stream(t - 1),
                               whole(toneFrames * oversampling * channels));

        if (postFrames > 0)
            finishBlock<Isa, channels>(st, se, stream(t - 2), outputs, (t - 2) * engineBlockFrames, postFrames);
    }
}

// The body of each instruction set's entry point (processChunkSse2 and the others).
template <class Isa>
void processChunkFor(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                     const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Isa, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Isa, 1>(state, settings, scratch, inputs, outputs, frames);
}

} // namespace vf::simd
