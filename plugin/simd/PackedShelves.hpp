#pragma once

// For instruction sets with four-double registers: the first fixed section of block t and
// the treble shelf of block t - 2 side by side in one register.  Two-lane sections keep
// the multipliers as busy as four-lane ones, so packing two independent recursions halves
// their cost; neither lane pair feeds the other, so no recursion grows longer.
//
// Include after the target switch, with the lane types and HighRateKernels.hpp.

namespace vf::simd {

template <class Isa>
struct PackedShelves {
    using V2 = Sse2F64;
    __m256d b0, b1, b2, a1, a2;
    __m256d x1, x2, y1, y2;
    DirectForm<Isa, V2> low, air;
    bool edgeOn;
    float* pre;
    float* post;

    static __m256d pair(double first, double second)
    {
        return _mm256_insertf128_pd(_mm256_set1_pd(first), _mm_set1_pd(second), 1);
    }
    static __m256d join(const double* first, const double* second)
    {
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(first)), _mm_loadu_pd(second), 1);
    }

    // With the edge shelf on, it is the first section and the low shelf runs after it.
    PackedShelves(const HighRateState& st, const HighRateSettings& se, float* preStream, float* postStream)
        : low(se.low, st.low), air(se.air, st.air), edgeOn(se.edgeOn), pre(preStream), post(postStream)
    {
        const BiquadCoefficients& f = edgeOn ? se.edge : se.low;
        const BiquadCoefficients& t = se.brilliance;
        const DirectFormLanes& s = edgeOn ? st.edge : st.low;
        const DirectFormLanes& u = st.brilliance;
        b0 = pair(f.b0, t.b0);
        b1 = pair(f.b1, t.b1);
        b2 = pair(f.b2, t.b2);
        a1 = pair(f.a1, t.a1);
        a2 = pair(f.a2, t.a2);
        x1 = join(s.x1, u.x1);
        x2 = join(s.x2, u.x2);
        y1 = join(s.y1, u.y1);
        y2 = join(s.y2, u.y2);
    }

    [[gnu::always_inline]] void step(int i)
    {
        float* p = pre + i * 2;
        float* q = post + i * 2;
        const __m128 in = _mm_loadh_pi(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p))),
                                       reinterpret_cast<const __m64*>(q));
        const __m256d x = _mm256_cvtps_pd(in);
        // As DirectForm::step, four lanes at once.
        const __m256d y = _mm256_add_pd(
            _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(b1, x1), _mm256_mul_pd(b0, x)), _mm256_mul_pd(a1, y1)),
            _mm256_sub_pd(_mm256_mul_pd(b2, x2), _mm256_mul_pd(a2, y2)));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        const __m128 rounded = _mm256_cvtpd_ps(y);
        _mm_storeh_pi(reinterpret_cast<__m64*>(q), rounded);
        V2 z = _mm_cvtps_pd(rounded);
        if (edgeOn)
            z = roundToFloat(low.step(z));
        air.step(z).storeFloats(p);
    }

    void save(HighRateState& st) const
    {
        DirectFormLanes& s = edgeOn ? st.edge : st.low;
        DirectFormLanes& u = st.brilliance;
        auto split = [](__m256d v, double* first, double* second) {
            _mm_storeu_pd(first, _mm256_castpd256_pd128(v));
            _mm_storeu_pd(second, _mm256_extractf128_pd(v, 1));
        };
        split(x1, s.x1, u.x1);
        split(x2, s.x2, u.x2);
        split(y1, s.y1, u.y1);
        split(y2, s.y2, u.y2);
        if (edgeOn)
            low.save(st.low);
        air.save(st.air);
    }
};

} // namespace vf::simd
