#pragma once

// The engine's chunk processing as templates over an instruction-set tag (Sse2, Avx2).
// Every template takes the tag, so the instantiations of different instruction sets never
// share a symbol; the translation unit of each set includes this header after switching
// the compiler's target.  Each step performs the reference engine's IEEE operations in
// its order, only with channels, record sets or runs of samples side by side in the
// lanes, so the results are the same bits.
//
// This header includes nothing: its translation units include the standard headers, the
// lane types, the scalar helpers and the maths first.

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

// The sine every sample enters the tube stage through, over whole registers.
template <class Isa>
void sines(const float* stream, double* out, int values)
{
    using F32 = typename Isa::F32;
    using F64 = typename Isa::F64;
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 x = F32::load(stream + k);
        sineOf(x.lowerDoubles()).store(out + k);
        sineOf(x.upperDoubles()).store(out + k + F64::lanes);
    }
}

// The correctly rounded q / 3.  Instruction sets with fused multiply-add specialise it
// with a cheaper exact method; its `inRange` form leaves out the range check for callers
// that know q is zero or within [2^-90, 2^100].
template <class Isa>
struct DivideByThree {
    [[gnu::always_inline]] static typename Isa::F32 of(typename Isa::F32 q) { return q / typename Isa::F32(3.0f); }
    [[gnu::always_inline]] static typename Isa::F32 inRange(typename Isa::F32 q) { return of(q); }
};

// One cubic step T(x) = (1 - x^2/3) * (x * 3 * 0.5).  For a `tame` x (zero, or 2^-40 <= |x|
// <= 2) the product x * 3 * 0.5 is exactly x * 1.5 (halving is exact there), and x^2 lies
// in the division's range.
template <class Isa, bool tame>
[[gnu::always_inline]] inline typename Isa::F32 cubicStep(typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    if constexpr (tame)
        return (F32(1.0f) - DivideByThree<Isa>::inRange(x * x)) * (x * F32(1.5f));
    const F32 a = x * F32(3.0f) * F32(0.5f);
    const F32 b = DivideByThree<Isa>::of(x * x);
    return (F32(1.0f) - b) * a;
}

template <class Isa, bool tame>
[[gnu::always_inline]] inline typename Isa::F32 shapeSteps(const MorphWeights& w, typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 s3 = cubicStep<Isa, tame>(cubicStep<Isa, tame>(cubicStep<Isa, tame>(x)));
    if (w.newWeight == 0.0f && w.oldWeight == 1.0f) {
        // No cross-fade (morph 0): T(s) * 0 + 1 * s is s itself, signed zeros included,
        // as long as T(s) is finite, which it is for |s| up to 2^40.
        const F32 s = w.fiveSteps ? cubicStep<Isa, tame>(s3) : s3;
        if (tame || signBits(lessEqual(abs(s), F32(0x1p40f))) == (1 << F32::lanes) - 1)
            return s;
    }
    if (!w.fiveSteps)
        return cubicStep<Isa, tame>(s3) * F32(w.newWeight) + F32(w.oldWeight) * s3;
    const F32 s4 = cubicStep<Isa, tame>(s3);
    return cubicStep<Isa, tame>(s4) * F32(w.newWeight) + F32(w.oldWeight) * s4;
}

// T maps a tame value to a tame value: [-2, 2] into [-1, 1]; small values grow by about
// 1.5; and where 1 - x^2/3 nearly cancels (x near sqrt 3) it is zero or at least 2^-24, so
// the result is zero or well above 2^-40.  One check of the input therefore covers every
// step of the band.
template <class Isa>
[[gnu::always_inline]] inline typename Isa::F32 shape(const MorphWeights& w, typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 m = abs(x);
    const auto tame = lessEqual(m, F32(2.0f)) & (equal(x, F32(0.0f)) | lessEqual(F32(0x1p-40f), m));
    if (signBits(tame) == (1 << F32::lanes) - 1)
        return shapeSteps<Isa, true>(w, x);
    return shapeSteps<Isa, false>(w, x);
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
    // Copies: the stores below could alias the settings, which would make the compiler
    // reload the weights for every register.
    const MorphWeights lowBand = settings.lowBand, highBand = settings.highBand;
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 lowShaped = shape<Isa>(lowBand, F32::load(low + k));
        const F32 highShaped = shape<Isa>(highBand, F32::load(high + k));
        F32 y = highShaped + lowShaped;
        const F32 magnitude = abs(y);
        const auto inKnee = lessEqual(F32(threshold), magnitude);
        if (signBits(inKnee)) {
            const F32 argument = (magnitude - F32(threshold)) / F32(width);
            const auto saturated = inKnee & lessEqual(tanhIsOne, argument);
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
        y.store(out + k);
    }
    // The arc sine in a second pass: two shorter chains of dependent operations than one
    // long one, so that more registers' worth of work fits in flight at once.
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 y = F32::load(out + k);
        F32::fromDoubles(arcSineForRounding(y.lowerDoubles()), arcSineForRounding(y.upperDoubles())).store(out + k);
    }
}

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

// Probe of the two sections above for tests; see KernelProbes.hpp.
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

template <class Isa, int channels>
void processChunk(HighRateState& st, const HighRateSettings& se, HighRateScratch& scratch, const float* const* inputs,
                  float* const* outputs, int frames)
{
    using V = std::conditional_t<channels == 2, Sse2F64, ScalarF64>;
    using F32 = typename Isa::F32;
    constexpr int oversampling = engineOversampling;
    const int blocks = (frames + engineBlockFrames - 1) / engineBlockFrames;
    auto blockFrames = [&](int b) { return b >= 0 && b < blocks ? std::min(engineBlockFrames, frames - b * engineBlockFrames) : 0; };
    // b runs from -2: the idle stages of the first two steps take slots the others leave
    // free, instead of indexing before the array.
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

        {
            PreStage<Isa, V> pre(st, se, stream(t));
            typename ToneStageFor<Isa, channels>::type tone(st, se, slot(t - 1).sine, slot(t - 1).high,
                                                            slot(t - 1).low);
            PostStage<Isa, V> post(st, se, stream(t - 2));
            const int lengths[3] = {preFrames * oversampling, toneFrames * oversampling,
                                    se.brillianceOn ? postFrames * oversampling : 0};
            bool packed = false;
            using Packed = typename PackedShelvesFor<Isa>::type;
            if constexpr (channels == 2 && !std::is_void_v<Packed>) {
                if (lengths[0] > 0 && lengths[0] == lengths[1] && lengths[0] == lengths[2]) {
                    Packed both(st, se, stream(t), stream(t - 2));
                    fusedSteps<true, true, false>(both, tone, post, 0, lengths[0]);
                    both.save(st);
                    tone.save(st);
                    packed = true;
                }
            }
            for (int from = 0; !packed;) {
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
            if (lengths[0] && !packed)
                pre.save(st);
            if (lengths[1] && !packed)
                tone.save(st);
            if (lengths[2] && !packed)
                post.save(st);
        }

        if (preFrames > 0)
            sines<Isa>(stream(t), slot(t).sine, whole(preFrames * oversampling * channels));
        if (toneFrames > 0)
            shapeAndLeave<Isa>(se, slot(t - 1).high, slot(t - 1).low, stream(t - 1),
                               whole(toneFrames * oversampling * channels));

        if (postFrames > 0)
            finishBlock<Isa, channels>(st, se, stream(t - 2), outputs, (t - 2) * engineBlockFrames, postFrames);
    }
}

} // namespace vf::simd
