#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/VectorMathsAvx2Probe.hpp"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace vf {
namespace {

using simd::ScalarF64;
using simd::Sse2F64;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

uint64_t bitsOf(double x) { return std::bit_cast<uint64_t>(x); }

// Distance in representable doubles; both arguments finite.
int64_t ulpDistance(double a, double b)
{
    auto ordered = [](double x) {
        const int64_t i = std::bit_cast<int64_t>(x);
        return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
    };
    const int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

// Sizes are multiples of every lane count, so no tail handling is needed.
template <class D, D (*function)(D)>
std::vector<double> runLanes(const std::vector<double>& in)
{
    EXPECT_EQ(in.size() % D::lanes, 0u);
    std::vector<double> out(in.size());
    for (size_t i = 0; i + D::lanes <= in.size(); i += D::lanes)
        function(D::load(in.data() + i)).store(out.data() + i);
    return out;
}

constexpr auto sineScalar = runLanes<ScalarF64, simd::sineOf<ScalarF64>>;
constexpr auto sineSse2 = runLanes<Sse2F64, simd::sineOf<Sse2F64>>;
constexpr auto arcSineScalar = runLanes<ScalarF64, simd::arcSineRoundedToFloat<ScalarF64>>;
constexpr auto arcSineSse2 = runLanes<Sse2F64, simd::arcSineRoundedToFloat<Sse2F64>>;

// Arguments the engine feeds (floats of moderate size) and everything else a double can be.
std::vector<double> sineArguments()
{
    std::vector<double> v = {0.0, -0.0, 0x1p-1074, -0x1p-1074, 0x1p-1022, 1e-300, -1e-300, 0x1p-30, -0x1p-27,
        0x1p-26, 0x1.fffffffffffffp-27, 1e-8, 0.5, 1.0, -1.0, 4.0, -4.0, 64.0, -64.0, 0x1.0000000000001p6, 0x1p20,
        1e6, 1e7, 1e22, 1e300, -1e300, std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        inf, -inf, nan, -nan};
    // Near multiples of pi/2, where the reduction cancels the most.
    for (int k = -42; k <= 42; ++k) {
        const double m = k * 1.5707963267948966;
        v.push_back(m);
        v.push_back(std::nextafter(m, inf));
        v.push_back(std::nextafter(m, -inf));
        v.push_back(static_cast<double>(static_cast<float>(m)));
        v.push_back(k * 0.7853981633974483); // quadrant boundaries
    }
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<float> audio(-8.0f, 8.0f);
    for (int i = 0; i < 1500000; ++i)
        v.push_back(audio(random));
    // Either side of the largest argument reduced without the library (64).
    std::uniform_real_distribution<double> wide(-100.0, 100.0);
    for (int i = 0; i < 200000; ++i)
        v.push_back(wide(random));
    for (int i = 0; i < 200000; ++i) // any bit pattern: huge, tiny, NaN payloads
        v.push_back(std::bit_cast<double>(random()));
    if (v.size() % 8 != 0)
        v.resize(v.size() + 8 - v.size() % 8, 0.25);
    return v;
}

// Float inputs of the arc sine: a stride over every float in [-1, 1], the borders and what
// lies outside.
std::vector<double> arcSineArguments()
{
    std::vector<double> v;
    for (uint32_t bits = 0; bits <= 0x3f800000u; bits += 1021) {
        v.push_back(std::bit_cast<float>(bits));
        v.push_back(std::bit_cast<float>(bits | 0x80000000u));
    }
    const float fmax = std::numeric_limits<float>::max();
    for (float f : {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, -0.5f, std::nextafter(0.5f, 1.0f), std::nextafter(0.5f, 0.0f),
             std::nextafter(1.0f, 0.0f), std::nextafter(-1.0f, 0.0f), std::nextafter(1.0f, 2.0f),
             std::nextafter(-1.0f, -2.0f), 0x1p-149f, -0x1p-149f, 0x1p-126f, 0x1p-12f, 0x1.6a09e6p-1f, 2.0f, -3.0f,
             fmax, -fmax, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
             std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(), 0.999f, -0.999f})
        v.push_back(f);
    if (v.size() % 8 != 0)
        v.resize(v.size() + 8 - v.size() % 8, 0.0);
    return v;
}

const std::vector<double>& sineInputs()
{
    static const std::vector<double> inputs = sineArguments();
    return inputs;
}

const std::vector<double>& arcSineInputs()
{
    static const std::vector<double> inputs = arcSineArguments();
    return inputs;
}

void expectSameBits(const std::vector<double>& in, const std::vector<double>& expected,
    const std::vector<double>& actual, const char* what)
{
    ASSERT_EQ(expected.size(), actual.size());
    int reported = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        if (bitsOf(expected[i]) != bitsOf(actual[i]) && reported++ < 10)
            ADD_FAILURE() << what << " differs at " << std::hexfloat << in[i] << ": " << expected[i] << " vs "
                          << actual[i];
    }
    EXPECT_EQ(reported, 0) << what;
}

TEST(VectorSine, AllLaneTypesGiveTheSameBits)
{
    const auto& in = sineInputs();
    const auto scalar = sineScalar(in);
    expectSameBits(in, scalar, sineSse2(in), "sse2");
    if (!test::avx2Supported())
        GTEST_SKIP() << "no AVX2 on this machine";
    std::vector<double> wide(in.size());
    test::sineBlockAvx2(in.data(), wide.data(), static_cast<int>(in.size()));
    expectSameBits(in, scalar, wide, "avx2");
    if (!test::avx512Supported())
        GTEST_SKIP() << "no AVX-512 on this machine";
    test::sineBlockAvx512(in.data(), wide.data(), static_cast<int>(in.size()));
    expectSameBits(in, scalar, wide, "avx512");
}

// Registers whose lanes are all within pi/4 skip the argument reduction; every such lane
// must come out as it does beside a lane that needs the reduction.  Around the boundary
// too, where one step up makes k = 1.
TEST(VectorSine, RegistersWithoutReductionGiveTheReducedPathsBits)
{
    std::vector<double> small = {
        0.0, -0.0, 0x1p-1074, -0x1p-1074, 0x1p-1022, 1e-300, 0x1p-27, -0x1p-26, 0.5, -0.75};
    const double boundary = 0x1.921fb54442d18p-1; // the largest argument with k = 0
    double up = boundary;
    double down = boundary;
    float upFloat = static_cast<float>(boundary);
    float downFloat = upFloat;
    for (int i = 0; i < 64; ++i) {
        for (double v : {up, down, static_cast<double>(upFloat), static_cast<double>(downFloat)}) {
            small.push_back(v);
            small.push_back(-v);
        }
        up = std::nextafter(up, inf);
        down = std::nextafter(down, 0.0);
        upFloat = std::nextafter(upFloat, 1.0f);
        downFloat = std::nextafter(downFloat, 0.0f);
    }
    std::mt19937_64 random(4);
    std::uniform_real_distribution<float> audio(-0.8f, 0.8f);
    for (int i = 0; i < 20000; ++i)
        small.push_back(audio(random));

    for (double x : small) {
        double alone[2];
        double paired[2];
        simd::sineOf(Sse2F64(x)).store(alone);
        const double in[2] = {x, 3.0}; // 3 needs k = 2
        simd::sineOf(Sse2F64::load(in)).store(paired);
        ASSERT_EQ(bitsOf(alone[0]), bitsOf(paired[0])) << std::hexfloat << x;
        ASSERT_EQ(bitsOf(alone[1]), bitsOf(paired[0])) << std::hexfloat << x;
    }
}

TEST(VectorSine, WithinOneUlpOfTheLibrary)
{
    const auto& in = sineInputs();
    const auto out = sineSse2(in);
    int64_t worst = 0;
    size_t differing = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const double expected = std::sin(in[i]);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(out[i])) << std::hexfloat << in[i];
            continue;
        }
        const int64_t d = ulpDistance(out[i], expected);
        if (d > 1)
            ADD_FAILURE() << std::hexfloat << in[i] << ": " << out[i] << " vs " << expected;
        worst = std::max(worst, d);
        differing += d != 0;
    }
    EXPECT_LE(worst, 1);
    // Nearly correctly rounded: the last bit differs from the library's only where the true
    // value is close to halfway between two doubles.
    EXPECT_LT(differing, in.size() / 20);
}

TEST(VectorSine, KeepsSignedZerosTinyArgumentsAndNonFiniteResults)
{
    for (double x : {0.0, -0.0, 0x1p-1074, -0x1p-1074, 1e-300, -0x1p-27, 0x1.fffffffffffffp-27}) {
        const Sse2F64 lanes(x);
        double out[2];
        simd::sineOf(lanes).store(out);
        EXPECT_EQ(bitsOf(out[0]), bitsOf(x)) << std::hexfloat << x;
        EXPECT_EQ(bitsOf(out[1]), bitsOf(x)) << std::hexfloat << x;
    }
    for (double x : {inf, -inf, nan})
        EXPECT_TRUE(std::isnan(simd::sineOf(ScalarF64(x)).v));
    EXPECT_EQ(simd::sineOf(ScalarF64(1e300)).v, std::sin(1e300));
}

// A lane that needs the library must not change its neighbours, whichever lane it is in.
TEST(VectorSine, LibraryLanesLeaveTheirNeighboursAlone)
{
    const double regular = 2.5;
    const double expected = simd::sineOf(ScalarF64(regular)).v;
    for (double odd : {nan, inf, 1e10}) {
        for (int position = 0; position < 2; ++position) {
            double in[2] = {regular, regular};
            in[position] = odd;
            double out[2];
            simd::sineOf(Sse2F64::load(in)).store(out);
            EXPECT_EQ(bitsOf(out[1 - position]), bitsOf(expected));
            const double libraryValue = std::sin(odd);
            if (std::isnan(libraryValue))
                EXPECT_TRUE(std::isnan(out[position]));
            else
                EXPECT_EQ(bitsOf(out[position]), bitsOf(libraryValue));
        }
    }
}

TEST(VectorArcSine, EqualsTheLibraryRoundedToFloat)
{
    const auto& in = arcSineInputs();
    const auto out = arcSineSse2(in);
    int reported = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const double expected = static_cast<double>(static_cast<float>(std::asin(in[i])));
        if (bitsOf(out[i]) != bitsOf(expected) && reported++ < 10)
            ADD_FAILURE() << std::hexfloat << in[i] << ": " << out[i] << " vs " << expected;
    }
    EXPECT_EQ(reported, 0);
}

// In the inputs' own order nearly every register lies on one side of 1/2 and takes a
// shortcut; shuffled, nearly every register mixes both sides.  Neither may change a lane.
TEST(VectorArcSine, AllLaneTypesGiveTheSameBitsInAnyRegisterMix)
{
    std::vector<double> shuffled = arcSineInputs();
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(11));
    const std::vector<double>* arrangements[] = {&arcSineInputs(), &shuffled};
    for (const auto* in : arrangements) {
        const auto scalar = arcSineScalar(*in);
        expectSameBits(*in, scalar, arcSineSse2(*in), "sse2");
        std::vector<double> wide(in->size());
        if (test::avx2Supported()) {
            test::arcSineRoundedToFloatBlockAvx2(in->data(), wide.data(), static_cast<int>(in->size()));
            expectSameBits(*in, scalar, wide, "avx2");
        }
        if (test::avx512Supported()) {
            test::arcSineRoundedToFloatBlockAvx512(in->data(), wide.data(), static_cast<int>(in->size()));
            expectSameBits(*in, scalar, wide, "avx512");
        }
    }
}

TEST(VectorArcSine, BordersSignsAndOutsideTheDomain)
{
    auto asinOf = [](double y) { return simd::arcSineRoundedToFloat(Sse2F64(y)); };
    auto first = [](Sse2F64 lanes) {
        double out[2];
        lanes.store(out);
        return out[0];
    };
    EXPECT_EQ(bitsOf(first(asinOf(0.0))), bitsOf(0.0));
    EXPECT_EQ(bitsOf(first(asinOf(-0.0))), bitsOf(-0.0));
    EXPECT_EQ(first(asinOf(1.0)), static_cast<double>(static_cast<float>(std::numbers::pi / 2)));
    EXPECT_EQ(first(asinOf(-1.0)), -static_cast<double>(static_cast<float>(std::numbers::pi / 2)));
    EXPECT_EQ(first(asinOf(0x1p-149)), 0x1p-149);
    EXPECT_EQ(first(asinOf(0.5)), static_cast<double>(static_cast<float>(std::numbers::pi / 6)));
    EXPECT_TRUE(std::isnan(first(asinOf(static_cast<double>(std::nextafter(1.0f, 2.0f))))));
    EXPECT_TRUE(std::isnan(first(asinOf(-inf))));
    EXPECT_TRUE(std::isnan(first(asinOf(nan))));

    // An out-of-domain lane next to an ordinary one.
    const double in[2] = {2.0, -0.75};
    double out[2];
    simd::arcSineRoundedToFloat(Sse2F64::load(in)).store(out);
    EXPECT_TRUE(std::isnan(out[0]));
    EXPECT_EQ(out[1], static_cast<double>(static_cast<float>(std::asin(-0.75))));
}

// The audio thread runs with flush-to-zero and denormals-are-zero; tiny arguments make
// intermediate powers underflow there, which must not change a single result.
TEST(VectorMaths, SameResultsWithDenormalsFlushed)
{
    std::vector<double> in;
    for (uint32_t bits = 0; bits < 0x3a000000u; bits += 0x10001) { // floats below 2^-11
        in.push_back(std::bit_cast<float>(bits));
        in.push_back(-std::bit_cast<float>(bits));
    }
    for (double x : {0.3, -0.7, 0.5, 1.0, 3.0})
        in.push_back(x);
    in.resize(in.size() + 8 - in.size() % 8, 0.0);

    const unsigned savedState = _mm_getcsr();
    _mm_setcsr(savedState | 0x8040); // flush-to-zero and denormals-are-zero
    const auto sine = sineSse2(in);
    const auto arcSine = arcSineSse2(in);
    std::vector<double> librarySine(in.size()), libraryArcSine(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        librarySine[i] = std::sin(in[i]);
        libraryArcSine[i] = static_cast<float>(std::asin(in[i]));
    }
    _mm_setcsr(savedState);

    expectSameBits(in, sineSse2(in), sine, "sine");
    expectSameBits(in, libraryArcSine, arcSine, "arc sine");
    for (size_t i = 0; i < in.size(); ++i)
        EXPECT_LE(ulpDistance(sine[i], librarySine[i]), 1) << std::hexfloat << in[i];
}

// The tie test's margin rests on this bound: a larger error could let a rounding slip past.
TEST(VectorArcSine, DoubleApproximationStaysWithinItsBound)
{
    const auto& in = arcSineInputs();
    int64_t worst = 0;
    for (double y : in) {
        if (!(std::fabs(y) <= 1.0))
            continue;
        worst = std::max(worst, ulpDistance(simd::arcSineDouble(ScalarF64(y)).v, std::asin(y)));
    }
    // 10708 ulps from the true value at worst, plus the library's own last bit.
    EXPECT_LE(worst, 10709);
}

TEST(VectorArcSine, NearTieDetection)
{
    auto near = [](double c) { return simd::arcSineNearFloatTie(ScalarF64(c)) != 0; };
    const double tie = 1.0 + 0x1p-24; // halfway between 1 and the next float
    EXPECT_TRUE(near(tie));
    EXPECT_TRUE(near(tie + 16384 * 0x1p-52));
    EXPECT_TRUE(near(tie - 16384 * 0x1p-52));
    EXPECT_FALSE(near(tie + 16385 * 0x1p-52));
    EXPECT_FALSE(near(tie - 16385 * 0x1p-52));
    EXPECT_FALSE(near(1.0));
    EXPECT_FALSE(near(1.0 + 0x1p-23)); // a float itself
    EXPECT_FALSE(near(std::nextafter(1.0f, 2.0f) - 0x1p-52));
    EXPECT_TRUE(near(-0.75 - 0x1p-25)); // halfway points below 1 are a binade finer
    EXPECT_TRUE(near(-0.75 - 0x1p-25 + 16384 * 0x1p-53));
    EXPECT_FALSE(near(-0.75 - 0x1p-25 + 16385 * 0x1p-53));
    EXPECT_FALSE(near(0.75));
    // Just below a power of two the halfway point to it is the band's top end.
    EXPECT_TRUE(near(0.5 - 0x1p-26));
    EXPECT_FALSE(near(std::nextafter(0.5, 0.0)));
}

} // namespace
} // namespace vf
