#include "plugin/BiquadCoefficients.hpp"
#include "plugin/BiquadDelay.hpp"
#include "plugin/Decibels.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/ToneLowPass.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using namespace vf;

TEST(Decibels, KnownValuesAndMuting)
{
    EXPECT_NEAR(decibelsToLinear(-4.0f), 0.63096f, 0.00001f);
    EXPECT_EQ(decibelsToLinear(0.0f), 1.0f);
    EXPECT_EQ(decibelsToLinear(-std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_NEAR(decibelsToLinear(6.0f), 1.99526f, 0.00001f);
}

TEST(KneeLimit, IdentityBelowThresholdAndSaturatesAtOne)
{
    EXPECT_EQ(kneeLimit(0.5f, 0.707f), 0.5f);
    EXPECT_EQ(kneeLimit(-0.5f, 0.707f), -0.5f);
    EXPECT_EQ(kneeLimit(0.707f, 0.707f), 0.707f);
    EXPECT_EQ(kneeLimit(10.0f, 0.707f), 1.0f);
    EXPECT_EQ(kneeLimit(-10.0f, 0.707f), -1.0f);
    EXPECT_EQ(kneeLimit(10.0f, 0.999f), 1.0f);
    const float mid = kneeLimit(0.8f, 0.707f);
    EXPECT_GT(mid, 0.707f);
    EXPECT_LT(mid, 0.8f);
}

TEST(KneeLimit, EdgeInputs)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(kneeLimit(0.0f, 0.707f), 0.0f);
    EXPECT_TRUE(std::isnan(kneeLimit(std::nanf(""), 0.707f)));
    EXPECT_EQ(kneeLimit(inf, 0.707f), 1.0f);
    EXPECT_EQ(kneeLimit(-inf, 0.707f), -1.0f);
}

TEST(KneeLimit, ContinuousWithUnitSlopeAtThreshold)
{
    const float t = 0.707f;
    const float eps = 1e-3f;
    EXPECT_NEAR((kneeLimit(t + eps, t) - t) / eps, 1.0f, 0.01f);
    EXPECT_NEAR((kneeLimit(-t - eps, t) + t) / -eps, 1.0f, 0.01f);
    // Monotonic through the knee.
    float previous = kneeLimit(0.6f, t);
    for (float x = 0.601f; x < 3.0f; x += 0.001f) {
        const float y = kneeLimit(x, t);
        ASSERT_GE(y, previous) << x;
        previous = y;
    }
}

TEST(BiquadDesign, LowPassAtNyquistIsThePassThroughSet)
{
    for (double rate : {8000.0, 44100.0, 48000.0, 176400.0, 1536000.0}) {
        const BiquadCoefficients c = designLowPass(rate / 2, rate, std::numbers::sqrt2);
        EXPECT_EQ(c.b0, 1.0);
        EXPECT_EQ(c.b1, 2.0);
        EXPECT_EQ(c.b2, 1.0);
        EXPECT_EQ(c.a1, 2.0);
        EXPECT_EQ(c.a2, 1.0);
    }
}

TEST(BiquadDesign, ZeroGainShelvesAreFlat)
{
    for (const BiquadCoefficients& c :
         {designHighShelf(1800, 48000, 0, 4), designLowShelf(24, 48000, 0, std::numbers::sqrt2)}) {
        EXPECT_FLOAT_EQ(static_cast<float>(c.b0), 1.0f);
        EXPECT_FLOAT_EQ(static_cast<float>(c.b1), static_cast<float>(c.a1));
        EXPECT_FLOAT_EQ(static_cast<float>(c.b2), static_cast<float>(c.a2));
    }
}

TEST(BiquadDelay, PassThroughSetReturnsInputExactly)
{
    BiquadCoefficients c{1, 2, 1, 2, 1};
    BiquadDelay d;
    std::vector<float> x(4096);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(0.01f * i) * 0.9f + ((i % 7) == 0 ? 0.05f : 0.0f);
    std::vector<float> y = x;
    d.process(c, y.data(), static_cast<int>(y.size()));
    EXPECT_EQ(x, y);
}

TEST(BiquadDelay, StateCarriesAcrossCallsAndSeparateOutput)
{
    const BiquadCoefficients c = designLowPass(1000, 48000, std::numbers::sqrt2);
    std::vector<float> x(300);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = (i * 37 % 11) / 11.0f - 0.5f;

    BiquadDelay whole;
    std::vector<float> a = x;
    whole.process(c, a.data(), 300);

    BiquadDelay split;
    std::vector<float> b(300);
    split.process(c, x.data(), b.data(), 1);
    split.process(c, x.data() + 1, b.data() + 1, 150);
    split.process(c, x.data() + 151, b.data() + 151, 149);
    EXPECT_EQ(a, b);
}

TEST(ToneLowPass, UnityAtDcAndStatesKeptByDesign)
{
    ToneLowPass r;
    r.fc = 0.1;
    r.q = 0.4;
    r.design();
    EXPECT_NEAR(r.b0 + r.b1 + r.b2, 1.0 + r.a1 + r.a2, 1e-12);
    double y = 0;
    for (int i = 0; i < 2000; ++i)
        y = r.processSample(1.0);
    EXPECT_NEAR(y, 1.0, 1e-9);
    const double s1 = r.s1, s2 = r.s2;
    r.fc = 0.2;
    r.design();
    EXPECT_EQ(r.s1, s1);
    EXPECT_EQ(r.s2, s2);
}
