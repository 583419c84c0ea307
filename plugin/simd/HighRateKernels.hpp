#pragma once

// The oversampled path as templates over an instruction-set tag (Sse2, Avx2).  Every
// template takes the tag, so the instantiations of different instruction sets never share
// a symbol; the translation unit of each set includes this header after switching the
// compiler's target.  Each step performs the reference engine's IEEE operations in its
// order, only with several channels, record sets or samples side by side in the lanes,
// so the results are the same bits.
//
// This header includes nothing: its translation units include the standard headers, the
// lane types and the maths first.

namespace vf::simd {

// One direct-form-I section, lanes = channels.  The two partial sums are formed separately
// and then added, as in BiquadDelay.
template <class Isa, class V>
struct DirectForm {
    V b0, b1, b2, a1, a2;
    V x1, x2, y1, y2;

    DirectForm(const BiquadCoefficients& c, const DirectFormLanes& s)
        : b0(c.b0), b1(c.b1), b2(c.b2), a1(c.a1), a2(c.a2), x1(lanes(s.x1)), x2(lanes(s.x2)), y1(lanes(s.y1)),
          y2(lanes(s.y2))
    {
    }

    static V lanes(const double* values) { return V::load(values); }

    // Returns the double output; the caller rounds it to float as the buffer would.
    V step(V x)
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

// Fixed filters before the tube stage, fused into one pass; each section's output is
// rounded to float before the next one reads it, as the in-place buffer passes do.
template <class Isa, class V>
void preFilters(HighRateState& state, const HighRateSettings& settings, float* samples, int count)
{
    constexpr int channels = V::lanes;
    DirectForm<Isa, V> edge(settings.edge, state.edge);
    DirectForm<Isa, V> low(settings.low, state.low);
    DirectForm<Isa, V> air(settings.air, state.air);
    if (settings.edgeOn) {
        for (int i = 0; i < count; ++i) {
            float* p = samples + i * channels;
            V x = roundToFloat(edge.step(V::fromFloats(p)));
            x = roundToFloat(low.step(x));
            air.step(x).storeFloats(p);
        }
        edge.save(state.edge);
    } else {
        for (int i = 0; i < count; ++i) {
            float* p = samples + i * channels;
            const V x = roundToFloat(low.step(V::fromFloats(p)));
            air.step(x).storeFloats(p);
        }
    }
    low.save(state.low);
    air.save(state.air);
}

// The treble shelf after the tube stage and the down-converter's two high-rate sections;
// only every fourth output is kept.
template <class Isa, class V>
void postFilters(HighRateState& state, const HighRateSettings& settings, const float* samples, float* picked,
                 int count)
{
    constexpr int channels = V::lanes;
    DirectForm<Isa, V> brilliance(settings.brilliance, state.brilliance);
    DirectForm<Isa, V> down1(settings.down, state.down1);
    DirectForm<Isa, V> down2(settings.down, state.down2);
    auto run = [&](auto withBrilliance) {
        for (int i = 0; i < count; i += 4) {
            for (int k = 0; k < 4; ++k) {
                V x = V::fromFloats(samples + (i + k) * channels);
                if constexpr (withBrilliance.value)
                    x = roundToFloat(brilliance.step(x));
                x = roundToFloat(down1.step(x));
                x = down2.step(x);
                if (k == 0)
                    x.storeFloats(picked + (i / 4) * channels);
            }
        }
    };
    if (settings.brillianceOn) {
        run(std::true_type());
        brilliance.save(state.brilliance);
    } else {
        run(std::false_type());
    }
    down1.save(state.down1);
    down2.save(state.down2);
}

// The sine every sample enters the tube stage through, over whole registers.
template <class Isa>
void sines(const float* samples, double* out, int values)
{
    using F32 = typename Isa::F32;
    using F64 = typename Isa::F64;
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 x = F32::load(samples + k);
        sineOf(x.lowerDoubles()).store(out + k);
        sineOf(x.upperDoubles()).store(out + k + F64::lanes);
    }
}

// The tone stage's records: `records` lanes (2 per channel: even and odd samples) run
// side by side; one step takes a pair of frames, which in the interleaved buffer are
// exactly the lanes' inputs in lane order.  V has `records` lanes or divides them.
template <class Isa, class V, int records>
void toneRecords(HighRateState& state, const HighRateSettings& settings, const double* sine, float* high,
                 float* low, int count)
{
    constexpr int groups = records / V::lanes;
    static_assert(groups * V::lanes == records);
    // Stereo keeps all four lanes; mono uses the left even and left odd records.
    constexpr int stride = records == 4 ? 1 : 2;
    double s[4][records];
    for (int r = 0; r < records; ++r) {
        s[0][r] = state.bassS1[r * stride];
        s[1][r] = state.bassS2[r * stride];
        s[2][r] = state.trebleS1[r * stride];
        s[3][r] = state.trebleS2[r * stride];
    }
    const BiquadCoefficients& bc = settings.bass;
    const BiquadCoefficients& tc = settings.treble;
    const V bb0(bc.b0), bb1(bc.b1), bb2(bc.b2), ba1(bc.a1), ba2(bc.a2);
    const V tb0(tc.b0), tb1(tc.b1), tb2(tc.b2), ta1(tc.a1), ta2(tc.a2);
    const V gBass(settings.gBass), gTreble(settings.gTreble);
    V bs1[groups], bs2[groups], ts1[groups], ts2[groups];
    for (int g = 0; g < groups; ++g) {
        bs1[g] = V::load(&s[0][g * V::lanes]);
        bs2[g] = V::load(&s[1][g * V::lanes]);
        ts1[g] = V::load(&s[2][g * V::lanes]);
        ts2[g] = V::load(&s[3][g * V::lanes]);
    }
    for (int i = 0; i < count * (records / 2); i += records) {
        for (int g = 0; g < groups; ++g) {
            const int at = i + g * V::lanes;
            const V x = V::load(sine + at);
            const V k = bb0 * x + bs1[g];
            bs1[g] = bb1 * x - ba1 * k + bs2[g];
            bs2[g] = bb2 * x - ba2 * k;
            const V j = tb0 * x + ts1[g];
            ts1[g] = tb1 * x - ta1 * j + ts2[g];
            ts2[g] = tb2 * x - ta2 * j;
            ((x - k) * gBass).storeFloats(high + at);
            (j * gTreble).storeFloats(low + at);
        }
    }
    for (int g = 0; g < groups; ++g) {
        bs1[g].store(&s[0][g * V::lanes]);
        bs2[g].store(&s[1][g * V::lanes]);
        ts1[g].store(&s[2][g * V::lanes]);
        ts2[g].store(&s[3][g * V::lanes]);
    }
    for (int r = 0; r < records; ++r) {
        state.bassS1[r * stride] = s[0][r];
        state.bassS2[r * stride] = s[1][r];
        state.trebleS1[r * stride] = s[2][r];
        state.trebleS2[r * stride] = s[3][r];
    }
}

template <class Isa>
typename Isa::F32 cubicStep(typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 a = x * F32(3.0f) * F32(0.5f);
    const F32 b = x * x / F32(3.0f);
    return (F32(1.0f) - b) * a;
}

template <class Isa>
typename Isa::F32 shape(const MorphWeights& w, typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 s3 = cubicStep<Isa>(cubicStep<Isa>(cubicStep<Isa>(x)));
    if (!w.fiveSteps)
        return cubicStep<Isa>(s3) * F32(w.newWeight) + F32(w.oldWeight) * s3;
    const F32 s4 = cubicStep<Isa>(s3);
    return cubicStep<Isa>(s4) * F32(w.newWeight) + F32(w.oldWeight) * s4;
}

// Both bands shaped and summed, the sum limited just below full scale, and the arc sine.
// The limiter's hyperbolic tangent is exactly 1 in float from this argument on, which
// covers all but a thin band above the knee; lanes in that band take the scalar limiter.
template <class Isa>
void shapeAndLeave(const HighRateSettings& settings, const float* high, const float* low, float* out, int values)
{
    using F32 = typename Isa::F32;
    constexpr float threshold = 0.999f;
    constexpr float width = 1.0f - threshold;
    const F32 tanhIsOne(9.1f);
    const F32 saturatedHigh(threshold + width);
    const F32 saturatedLow(-threshold - width);
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 lowShaped = shape<Isa>(settings.lowBand, F32::load(low + k));
        const F32 highShaped = shape<Isa>(settings.highBand, F32::load(high + k));
        F32 y = highShaped + lowShaped;
        const F32 magnitude = abs(y);
        const F32 inKnee = lessEqual(F32(threshold), magnitude);
        if (signBits(inKnee)) {
            const F32 argument = (magnitude - F32(threshold)) / F32(width);
            const F32 saturated = inKnee & lessEqual(tanhIsOne, argument);
            y = select(saturated, select(lessThan(F32(0.0f), y), saturatedHigh, saturatedLow), y);
            if (int rest = signBits(andNot(saturated, inKnee))) {
                alignas(64) float lanes[F32::lanes];
                y.store(lanes);
                for (int l = 0; l < F32::lanes; ++l)
                    if (rest & (1 << l))
                        lanes[l] = kneeLimit(lanes[l], threshold);
                y = F32::load(lanes);
            }
        }
        F32::fromDoubles(arcSineRoundedToFloat(y.lowerDoubles()), arcSineRoundedToFloat(y.upperDoubles())).store(out + k);
    }
}

template <class Isa>
void highRate(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch, float* samples,
              float* picked, int count, int channels)
{
    using F32 = typename Isa::F32;
    const int values = count * channels;
    const int padded = (values + F32::lanes - 1) / F32::lanes * F32::lanes;
    if (channels == 2) {
        preFilters<Isa, Sse2F64>(state, settings, samples, count);
        sines<Isa>(samples, scratch.sine, padded);
        toneRecords<Isa, typename Isa::ToneLanes, 4>(state, settings, scratch.sine, scratch.high, scratch.low, count);
        shapeAndLeave<Isa>(settings, scratch.high, scratch.low, samples, padded);
        postFilters<Isa, Sse2F64>(state, settings, samples, picked, count);
    } else {
        preFilters<Isa, ScalarF64>(state, settings, samples, count);
        sines<Isa>(samples, scratch.sine, padded);
        toneRecords<Isa, Sse2F64, 2>(state, settings, scratch.sine, scratch.high, scratch.low, count);
        shapeAndLeave<Isa>(settings, scratch.high, scratch.low, samples, padded);
        postFilters<Isa, ScalarF64>(state, settings, samples, picked, count);
    }
}

} // namespace vf::simd
