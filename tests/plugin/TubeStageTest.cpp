#include "plugin/BaxandAll.hpp"
#include "plugin/TubeWaveshaper.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace vf;

namespace {

float cubic(float x, int times)
{
    for (int i = 0; i < times; ++i)
        x = cubicTubeStep(x);
    return x;
}

std::vector<float> ramp(int n, float scale)
{
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = scale * std::sin(0.37f * i) + 0.2f * scale * std::sin(0.051f * i);
    return v;
}

} // namespace

TEST(TubeWaveshaper, CubicStepFixesTheEndsUpToOneRounding)
{
    // Evaluated in single precision, (1 - 1/3) * 1.5 lands one unit below 1.
    EXPECT_EQ(cubicTubeStep(1.0f), 0.99999994f);
    EXPECT_EQ(cubicTubeStep(-1.0f), -0.99999994f);
    EXPECT_EQ(cubicTubeStep(0.0f), 0.0f);
    EXPECT_NEAR((cubicTubeStep(1e-4f) / 1e-4f), 1.5f, 1e-6f);
}

TEST(TubeWaveshaper, WholeDepthsAreRepeatedCubicSteps)
{
    for (float x : {-0.9f, -0.3f, 0.05f, 0.1f, 0.5f, 0.77f}) {
        EXPECT_EQ(cleanvacuumtubemorphing_optimised(0.0f, x), cubic(x, 3)) << x;
        EXPECT_EQ(cleanvacuumtubemorphing_optimised(0.5f, x), cubic(x, 4)) << x;
        EXPECT_EQ(cleanvacuumtubemorphing_optimised(1.0f, x), cubic(x, 5)) << x;
    }
}

TEST(TubeWaveshaper, KnownValues)
{
    const float xs[3] = {0.1f, 0.5f, 0.9f};
    const struct {
        float morph;
        float expected[3];
    } table[] = {
        {0.0f, {0.328356f, 0.975300f, 1.000000f}},
        {0.25f, {0.432903f, 1.188141f, 1.212437f}},
        {0.5f, {0.474832f, 0.999092f, 1.000000f}},
        {1.0f, {0.658719f, 0.999999f, 1.000000f}},
    };
    for (const auto& row : table)
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(cleanvacuumtubemorphing_optimised(row.morph, xs[i]), row.expected[i], 1e-6)
                << "morph " << row.morph << " x " << xs[i];
}

TEST(TubeWaveshaper, EndsZeroAndNaN)
{
    EXPECT_EQ(cleanvacuumtubemorphing_optimised(0.0f, 1.0f), 0.99999994f);
    EXPECT_EQ(cleanvacuumtubemorphing_optimised(0.0f, -1.0f), -0.99999994f);
    for (float m : {0.0f, 0.1f, 0.25f, 0.5f, 0.6f, 0.75f, 1.0f, 2.0f, -1.0f})
        EXPECT_EQ(cleanvacuumtubemorphing_optimised(m, 0.0f), 0.0f) << m;
    EXPECT_TRUE(std::isnan(cleanvacuumtubemorphing_optimised(std::nanf(""), 0.3f)));
}

class ToneStage : public ::testing::Test {
protected:
    static BaxandAll make(float morphLow, float morphHigh)
    {
        BaxandAll b;
        b.reset();
        b.morphLow = morphLow;
        b.morphHigh = morphHigh;
        return b;
    }
};

TEST_F(ToneStage, SilenceStaysSilent)
{
    BaxandAll b = make(0.3f, 0.7f);
    std::vector<float> l(256, 0.0f), r(256, 0.0f);
    b.processBaxandall2(l.data(), l.data(), r.data(), r.data(), 256, 48000);
    for (size_t i = 0; i < l.size(); ++i) {
        ASSERT_EQ(l[i], 0.0f);
        ASSERT_EQ(r[i], 0.0f);
    }
}

TEST_F(ToneStage, CallSplitDoesNotChangeOutput)
{
    const std::vector<float> in = ramp(64, 0.8f);
    BaxandAll whole = make(0.25f, 0.5f);
    BaxandAll split = make(0.25f, 0.5f);
    std::vector<float> wl(64), wr(64), sl(64), sr(64);
    std::vector<float> inR = ramp(64, -0.6f);
    whole.processBaxandall2(in.data(), wl.data(), inR.data(), wr.data(), 2, 44100);
    split.processBaxandall2(in.data(), sl.data(), inR.data(), sr.data(), 1, 44100);
    split.processBaxandall2(in.data() + 1, sl.data() + 1, inR.data() + 1, sr.data() + 1, 1, 44100);
    EXPECT_EQ(wl[0], sl[0]);
    EXPECT_EQ(wl[1], sl[1]);
    EXPECT_EQ(wr[0], sr[0]);
    EXPECT_EQ(wr[1], sr[1]);

    whole.processBaxandall2(in.data() + 2, wl.data() + 2, inR.data() + 2, wr.data() + 2, 62, 44100);
    split.processBaxandall2(in.data() + 2, sl.data() + 2, inR.data() + 2, sr.data() + 2, 31, 44100);
    split.processBaxandall2(in.data() + 33, sl.data() + 33, inR.data() + 33, sr.data() + 33, 31, 44100);
    EXPECT_EQ(wl, sl);
    EXPECT_EQ(wr, sr);
}

TEST_F(ToneStage, ChannelsAreIndependentAndLeftAloneMatchesStereo)
{
    const std::vector<float> in = ramp(500, 0.9f);
    std::vector<float> silentR(500, 0.0f), noisyR = ramp(500, -1.3f);
    std::vector<float> a(500), b(500), c(500), scratch(500);
    BaxandAll s1 = make(0.4f, 0.9f), s2 = make(0.4f, 0.9f), mono = make(0.4f, 0.9f);
    s1.processBaxandall2(in.data(), a.data(), silentR.data(), scratch.data(), 500, 48000);
    s2.processBaxandall2(in.data(), b.data(), noisyR.data(), scratch.data(), 500, 48000);
    mono.processBaxandall2(in.data(), c.data(), nullptr, nullptr, 500, 48000);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

TEST_F(ToneStage, OverdriveSaturatesAtHalfPiWithoutNaN)
{
    BaxandAll b = make(1.0f, 0.25f);
    std::vector<float> l(4000), r(4000);
    for (size_t i = 0; i < l.size(); ++i) {
        l[i] = (i / 40) % 2 ? 1.5707964f : -1.5707964f; // sin at full scale: square wave
        r[i] = 30.0f * std::sin(0.05f * i);
    }
    b.processBaxandall2(l.data(), l.data(), r.data(), r.data(), 4000, 44100);
    float peak = 0.0f;
    for (size_t i = 0; i < l.size(); ++i) {
        ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
        peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])});
    }
    EXPECT_LE(peak, static_cast<float>(std::numbers::pi / 2));
    EXPECT_GT(peak, 1.5f);
}

TEST_F(ToneStage, CutoffsClampAtLowRates)
{
    // At 8000 Hz and below both cutoffs are limited to 0.45, so the rate no longer matters.
    const std::vector<float> in = ramp(300, 0.7f);
    std::vector<float> a(300), b(300), c(300), scratch(300);
    BaxandAll at8k = make(0.1f, 0.2f), at6k = make(0.1f, 0.2f), at44k = make(0.1f, 0.2f);
    at8k.processBaxandall2(in.data(), a.data(), in.data(), scratch.data(), 300, 8000);
    at6k.processBaxandall2(in.data(), b.data(), in.data(), scratch.data(), 300, 6000);
    at44k.processBaxandall2(in.data(), c.data(), in.data(), scratch.data(), 300, 44100);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST_F(ToneStage, ResetRestoresTheInitialState)
{
    const std::vector<float> in = ramp(99, 0.8f);
    BaxandAll b = make(0.5f, 0.5f);
    std::vector<float> first(99), second(99), scratch(99);
    b.processBaxandall2(in.data(), first.data(), in.data(), scratch.data(), 99, 48000);
    b.reset();
    b.morphLow = b.morphHigh = 0.5f;
    b.processBaxandall2(in.data(), second.data(), in.data(), scratch.data(), 99, 48000);
    EXPECT_EQ(first, second);
}
