#pragma once

// The oversampled path's recursive filter sections as lane-wide stages: the fixed sections
// before the tube stage, the tone stage's records and the treble shelf after it.  Each
// step performs the reference engine's IEEE operations in its order, only with channels
// or record sets side by side in the lanes, so the results are the same bits.  Templates
// over an instruction-set tag: include after the translation unit's target switch.

#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <type_traits>

namespace vf::simd {

// One direct-form-I section, lanes = channels.  The two partial sums are formed
// separately and then added, as in BiquadDelay.
template <class Isa, class V>
struct DirectForm {
    V b0, b1, b2, a1, a2;
    V x1, x2, y1, y2;

    DirectForm(const BiquadCoefficients& c, const DirectFormLanes& s)
        : b0(c.b0), b1(c.b1), b2(c.b2), a1(c.a1), a2(c.a2), x1(V::load(s.x1)), x2(V::load(s.x2)),
          y1(V::load(s.y1)), y2(V::load(s.y2))
    {
    }

    // The double output; the caller rounds it to float where the buffer would.
    [[gnu::always_inline]] V step(V x)
    {
        const V y = (b1 * x1 + b0 * x - a1 * y1) + (b2 * x2 - a2 * y2);
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    void save(DirectFormLanes& s) const
    {
        x1.store(s.x1);
        x2.store(s.x2);
        y1.store(s.y1);
        y2.store(s.y2);
    }
};

// The fixed sections before the tube stage, in place; each one's output is rounded to
// float before the next reads it, as with whole-buffer passes.
template <class Isa, class V>
struct PreStage {
    DirectForm<Isa, V> edge, low, air;
    bool edgeOn;
    float* stream;

    PreStage(const HighRateState& st, const HighRateSettings& se, float* s)
        : edge(se.edge, st.edge), low(se.low, st.low), air(se.air, st.air), edgeOn(se.edgeOn), stream(s)
    {
    }

    [[gnu::always_inline]] void step(int i)
    {
        float* p = stream + i * V::lanes;
        V x = V::fromFloats(p);
        if (edgeOn)
            x = roundToFloat(edge.step(x));
        x = roundToFloat(low.step(x));
        air.step(x).storeFloats(p);
    }

    void save(HighRateState& st) const
    {
        edge.save(st.edge);
        low.save(st.low);
        air.save(st.air);
    }
};

// The tone stage's records: two per channel (even and odd samples) side by side; one step
// takes a pair of frames, which in the interleaved buffer are the lanes' inputs in lane
// order.  T has `records` lanes or divides them.
template <class Isa, class T, int records>
struct ToneStage {
    static constexpr int groups = records / T::lanes;
    static_assert(groups * T::lanes == records);
    // Stereo keeps all four lanes; mono uses the left even and left odd records.
    static constexpr int stride = records == 4 ? 1 : 2;

    T bb0, bb1, bb2, ba1, ba2, tb0, tb1, tb2, ta1, ta2, gBass, gTreble;
    T bs1[groups], bs2[groups], ts1[groups], ts2[groups];
    const double* sine;
    float* high;
    float* low;

    ToneStage(const HighRateState& st, const HighRateSettings& se, const double* sineIn, float* highOut,
              float* lowOut)
        : bb0(se.bass.b0), bb1(se.bass.b1), bb2(se.bass.b2), ba1(se.bass.a1), ba2(se.bass.a2),
          tb0(se.treble.b0), tb1(se.treble.b1), tb2(se.treble.b2), ta1(se.treble.a1), ta2(se.treble.a2),
          gBass(se.gBass), gTreble(se.gTreble), sine(sineIn), high(highOut), low(lowOut)
    {
        double s[4][records];
        for (int r = 0; r < records; ++r) {
            s[0][r] = st.bassS1[r * stride];
            s[1][r] = st.bassS2[r * stride];
            s[2][r] = st.trebleS1[r * stride];
            s[3][r] = st.trebleS2[r * stride];
        }
        for (int g = 0; g < groups; ++g) {
            bs1[g] = T::load(&s[0][g * T::lanes]);
            bs2[g] = T::load(&s[1][g * T::lanes]);
            ts1[g] = T::load(&s[2][g * T::lanes]);
            ts2[g] = T::load(&s[3][g * T::lanes]);
        }
    }

    // i: the pair's first sample.
    [[gnu::always_inline]] void stepPair(int i)
    {
        for (int g = 0; g < groups; ++g) {
            const int at = i * (records / 2) + g * T::lanes;
            const T x = T::load(sine + at);
            const T k = bb0 * x + bs1[g];
            bs1[g] = bb1 * x - ba1 * k + bs2[g];
            bs2[g] = bb2 * x - ba2 * k;
            const T j = tb0 * x + ts1[g];
            ts1[g] = tb1 * x - ta1 * j + ts2[g];
            ts2[g] = tb2 * x - ta2 * j;
            ((x - k) * gBass).storeFloats(high + at);
            (j * gTreble).storeFloats(low + at);
        }
    }

    void save(HighRateState& st) const
    {
        double s[4][records];
        for (int g = 0; g < groups; ++g) {
            bs1[g].store(&s[0][g * T::lanes]);
            bs2[g].store(&s[1][g * T::lanes]);
            ts1[g].store(&s[2][g * T::lanes]);
            ts2[g].store(&s[3][g * T::lanes]);
        }
        for (int r = 0; r < records; ++r) {
            st.bassS1[r * stride] = s[0][r];
            st.bassS2[r * stride] = s[1][r];
            st.trebleS1[r * stride] = s[2][r];
            st.trebleS2[r * stride] = s[3][r];
        }
    }
};

// The tone stage a chunk of `channels` channels uses; an instruction set with wider
// registers may specialise it.
template <class Isa, int channels>
struct ToneStageFor {
    using Lanes = std::conditional_t<channels == 2, typename Isa::ToneLanes, Sse2F64>;
    using type = ToneStage<Isa, Lanes, 2 * channels>;
};

// A stage that runs the first fixed section and the treble shelf together, for
// instruction sets that have one (stereo only); `void` when there is none.
template <class Isa>
struct PackedShelvesFor {
    using type = void;
};

// The treble shelf after the tube stage, in place.
template <class Isa, class V>
struct PostStage {
    DirectForm<Isa, V> brilliance;
    float* stream;

    PostStage(const HighRateState& st, const HighRateSettings& se, float* s)
        : brilliance(se.brilliance, st.brilliance), stream(s)
    {
    }

    [[gnu::always_inline]] void step(int i)
    {
        float* p = stream + i * V::lanes;
        brilliance.step(V::fromFloats(p)).storeFloats(p);
    }

    void save(HighRateState& st) const { brilliance.save(st.brilliance); }
};

} // namespace vf::simd
