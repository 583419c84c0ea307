// Proves the vector arc sine exact over its whole input range: for every float y with
// |y| <= 1 (both signs, subnormals included) and a sample of the others, the SSE2 and (where
// the processor has them) AVX2 and AVX-512 results must have the bits of
// (double)(float)std::asin(y).
// Prints the mismatch count, how many lanes needed the library, and the double
// approximation's worst distance from std::asin; exits 1 on any mismatch.
//
// With --flush-denormals the same runs with flush-to-zero and denormals-are-zero set, as on
// the audio thread.  With --sine it instead measures the vector sine against std::sin over every float in
// [-4, 4]: the worst distance in ulps and how many results differ at all.

#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/VectorMathsAvx2Probe.hpp"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#include <xmmintrin.h>

namespace {

using vf::simd::Sse2F64;

constexpr int blockSize = 4096;

int64_t ulpDistance(double a, double b)
{
    auto ordered = [](double x) {
        const int64_t i = std::bit_cast<int64_t>(x);
        return i < 0 ? INT64_MIN - i : i;
    };
    const int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

template <Sse2F64 (*function)(Sse2F64)>
void runSse2(const double* in, double* out, int count)
{
    for (int i = 0; i < count; i += Sse2F64::lanes)
        function(Sse2F64::load(in + i)).store(out + i);
}

struct ArcSineTally {
    uint64_t checked = 0;
    uint64_t mismatches = 0;
    uint64_t nearTieLanes = 0;
    uint64_t outsideLanes = 0;
    int64_t worstApproximation = 0;
};

class ArcSineChecker {
public:
    ArcSineChecker(bool avx2, bool avx512) : avx2_(avx2), avx512_(avx512) {}

    void add(float y)
    {
        in_[fill_++] = y;
        if (fill_ == blockSize)
            flush();
    }

    void flush()
    {
        if (fill_ == 0)
            return;
        const int filled = fill_;
        while (fill_ % 4 != 0) // padding: checked like the rest, not counted
            in_[fill_++] = 0.0;
        const int n = fill_;
        for (int i = 0; i < n; ++i) {
            library_[i] = std::asin(in_[i]);
            expected_[i] = static_cast<double>(static_cast<float>(library_[i]));
        }

        runSse2<vf::simd::arcSineRoundedToFloat<Sse2F64>>(in_, sse2_, n);
        compare(sse2_, n, "sse2");
        if (avx2_) {
            vf::test::arcSineRoundedToFloatBlockAvx2(in_, wide_, n);
            compare(wide_, n, "avx2");
        }
        if (avx512_) {
            vf::test::arcSineRoundedToFloatBlockAvx512(in_, wide_, n);
            compare(wide_, n, "avx512");
        }

        runSse2<vf::simd::arcSineDouble<Sse2F64>>(in_, approximation_, n);
        for (int i = 0; i < n; ++i) {
            const bool inDomain = std::fabs(in_[i]) <= 1.0;
            const bool nearTie =
                vf::simd::arcSineNearFloatTie(vf::simd::ScalarF64(approximation_[i])) != 0;
            tally.outsideLanes += !inDomain;
            tally.nearTieLanes += inDomain && nearTie;
            if (inDomain)
                tally.worstApproximation =
                    std::max(tally.worstApproximation, ulpDistance(approximation_[i], library_[i]));
        }
        tally.checked += static_cast<uint64_t>(filled);
        fill_ = 0;
    }

    ArcSineTally tally;

private:
    void compare(const double* actual, int n, const char* what)
    {
        for (int i = 0; i < n; ++i) {
            if (std::bit_cast<uint64_t>(actual[i]) == std::bit_cast<uint64_t>(expected_[i]))
                continue;
            if (tally.mismatches++ < 20)
                std::printf("MISMATCH %s y=%a: got %a, expected %a\n", what, in_[i], actual[i], expected_[i]);
        }
    }

    bool avx2_;
    bool avx512_;
    int fill_ = 0;
    alignas(64) double in_[blockSize];
    alignas(64) double library_[blockSize];
    alignas(64) double expected_[blockSize];
    alignas(64) double sse2_[blockSize];
    alignas(64) double wide_[blockSize];
    alignas(64) double approximation_[blockSize];
};

int checkArcSine(bool avx2, bool avx512)
{
    auto checker = std::make_unique<ArcSineChecker>(avx2, avx512);
    // Every float in [-1, 1]: magnitudes 0 .. 1.0f with both signs.
    for (uint32_t magnitude = 0; magnitude <= 0x3f800000u; ++magnitude) {
        checker->add(std::bit_cast<float>(magnitude));
        checker->add(std::bit_cast<float>(magnitude | 0x80000000u));
    }
    const uint64_t inside = 2ull * (0x3f800000u + 1);
    // Beyond: a stride over the larger magnitudes, plus infinities and NaNs.
    for (uint32_t magnitude = 0x3f800001u; magnitude <= 0x7fffffffu; magnitude += 65521) {
        checker->add(std::bit_cast<float>(magnitude));
        checker->add(std::bit_cast<float>(magnitude | 0x80000000u));
    }
    for (uint32_t bits : {0x3f800001u, 0x7f800000u, 0xff800000u, 0x7fc00000u, 0xffc00000u, 0x7f800001u, 0x7fffffffu})
        checker->add(std::bit_cast<float>(bits));
    checker->flush();

    const ArcSineTally& t = checker->tally;
    std::printf("arc sine: %llu inputs (%llu with |y| <= 1), instantiations: sse2%s%s\n",
        static_cast<unsigned long long>(t.checked), static_cast<unsigned long long>(inside), avx2 ? " avx2" : "",
        avx512 ? " avx512" : "");
    std::printf("arc sine: mismatches %llu\n", static_cast<unsigned long long>(t.mismatches));
    std::printf("arc sine: lanes recomputed with std::asin: %llu near a float tie, %llu outside [-1, 1]\n",
        static_cast<unsigned long long>(t.nearTieLanes), static_cast<unsigned long long>(t.outsideLanes));
    std::printf("arc sine: double approximation at most %lld ulps from std::asin\n",
        static_cast<long long>(t.worstApproximation));
    return t.mismatches == 0 ? 0 : 1;
}

int checkSine(bool avx2, bool avx512)
{
    std::vector<double> in(blockSize), sse2(blockSize), avx2Out(blockSize), avx512Out(blockSize);
    uint64_t checked = 0, differing = 0, laneMismatches = 0;
    int64_t worst = 0;
    double worstArgument = 0.0;
    int fill = 0;
    auto flush = [&] {
        runSse2<vf::simd::sineOf<Sse2F64>>(in.data(), sse2.data(), fill);
        if (avx2)
            vf::test::sineBlockAvx2(in.data(), avx2Out.data(), fill);
        if (avx512)
            vf::test::sineBlockAvx512(in.data(), avx512Out.data(), fill);
        for (int i = 0; i < fill; ++i) {
            const int64_t d = ulpDistance(sse2[i], std::sin(in[i]));
            differing += d != 0;
            if (d > worst) {
                worst = d;
                worstArgument = in[i];
            }
            if (avx2 && std::bit_cast<uint64_t>(avx2Out[i]) != std::bit_cast<uint64_t>(sse2[i]))
                ++laneMismatches;
            if (avx512 && std::bit_cast<uint64_t>(avx512Out[i]) != std::bit_cast<uint64_t>(sse2[i]))
                ++laneMismatches;
        }
        checked += static_cast<uint64_t>(fill);
        fill = 0;
    };
    // Every float in [-4, 4].
    for (uint32_t magnitude = 0; magnitude <= 0x40800000u; ++magnitude) {
        in[fill++] = std::bit_cast<float>(magnitude);
        in[fill++] = std::bit_cast<float>(magnitude | 0x80000000u);
        if (fill == blockSize)
            flush();
    }
    while (fill % 4 != 0)
        in[fill++] = 0.0;
    flush();

    std::printf("sine: %llu floats in [-4, 4]\n", static_cast<unsigned long long>(checked));
    std::printf("sine: worst distance from std::sin %lld ulp (at %a)\n", static_cast<long long>(worst), worstArgument);
    std::printf("sine: results differing from std::sin %llu (%.4f%%)\n", static_cast<unsigned long long>(differing),
        100.0 * static_cast<double>(differing) / static_cast<double>(checked));
    if (avx2 || avx512)
        std::printf("sine: avx2 and avx512 lanes differing from sse2 %llu\n",
            static_cast<unsigned long long>(laneMismatches));
    return worst <= 1 && laneMismatches == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool avx2 = vf::test::avx2Supported();
    const auto start = std::chrono::steady_clock::now();
    const bool sine = argc > 1 && std::strcmp(argv[1], "--sine") == 0;
    if (argc > 1 && std::strcmp(argv[1], "--flush-denormals") == 0) {
        _mm_setcsr(_mm_getcsr() | 0x8040);
        std::printf("flush-to-zero and denormals-are-zero on\n");
    }
    const bool avx512 = vf::test::avx512Supported();
    const int status = sine ? checkSine(avx2, avx512) : checkArcSine(avx2, avx512);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s in %.1f s\n", status == 0 ? "passed" : "FAILED", seconds);
    return status;
}
