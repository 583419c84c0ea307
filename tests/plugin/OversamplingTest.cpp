#include "plugin/DownsamplingNx.hpp"
#include "plugin/UpsamplingNx.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace vf;

namespace {

// True when `y` is `x` or one unit in the last place above it.
bool isPickedWithOffset(float y, float x)
{
    const float up = std::numeric_limits<float>::infinity();
    return y == x || y == std::nextafter(x, up);
}

} // namespace

TEST(UpsamplingNx, InsertsZerosOrHolds)
{
    const float in[2] = {0.5f, -0.25f};
    float out[8];
    UpsamplingNx zeros;
    zeros.processBuffer(in, out, 2, 4, false, 48000);
    EXPECT_EQ(std::vector<float>(out, out + 8), (std::vector<float>{0.5f, 0, 0, 0, -0.25f, 0, 0, 0}));
    UpsamplingNx hold;
    hold.processBuffer(in, out, 2, 4, true, 48000);
    EXPECT_EQ(std::vector<float>(out, out + 8),
              (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f, -0.25f, -0.25f, -0.25f, -0.25f}));
}

TEST(UpsamplingNx, EveryFactorKeepsSamplesAtTheirPositions)
{
    std::vector<float> in(37);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin(0.3f * i);
    for (int factor : {1, 2, 4, 8, 16}) {
        UpsamplingNx up;
        std::vector<float> out(in.size() * factor, 99.0f);
        up.processBuffer(in.data(), out.data(), 37, factor, false, 44100);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], i % factor == 0 ? in[i / factor] : 0.0f) << factor << " " << i;
    }
}

TEST(UpsamplingNx, NonFiniteSamplesEnterAsSilence)
{
    const float in[4] = {0.5f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -0.5f};
    float out[16];
    UpsamplingNx up;
    up.processBuffer(in, out, 4, 4, true, 48000);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(out[i], i < 4 ? 0.5f : (i >= 12 ? -0.5f : 0.0f)) << i;
}

TEST(DownsamplingNx, KeepsEveryFactorthSamplePlusAtMostAnUlp)
{
    const float in[8] = {1, 9, 9, 9, 2, 9, 9, 9};
    float out[2];
    DownsamplingNx down;
    down.processBuffer(in, out, 2, 4, 48000);
    EXPECT_TRUE(isPickedWithOffset(out[0], 1.0f)) << out[0];
    EXPECT_TRUE(isPickedWithOffset(out[1], 2.0f)) << out[1];
}

TEST(DownsamplingNx, SilenceBecomesAFaintPositiveNoiseFloor)
{
    std::vector<float> in(4096, 0.0f), out(1024);
    DownsamplingNx down;
    down.processBuffer(in.data(), out.data(), 1024, 4, 44100);
    float lowest = 1, highest = 0;
    for (float v : out) {
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_GT(lowest, 0.0f);
    EXPECT_LT(highest, 6.8e-8f);
    EXPECT_GT(highest, 1e-8f); // it is noise, not a constant
}

TEST(DownsamplingNx, RoundTripReturnsTheInputUpToTheOffset)
{
    std::vector<float> in(500);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = 0.8f * std::sin(0.123f * i) - 0.1f * std::cos(0.0071f * i);
    for (int factor : {2, 4, 8, 16}) {
        UpsamplingNx up;
        DownsamplingNx down;
        std::vector<float> high(in.size() * factor), back(in.size());
        up.processBuffer(in.data(), high.data(), 500, factor, false, 96000);
        down.processBuffer(high.data(), back.data(), 500, factor, 96000);
        for (size_t i = 0; i < in.size(); ++i)
            ASSERT_TRUE(isPickedWithOffset(back[i], in[i])) << factor << " " << i << " " << back[i] << " " << in[i];
    }
}

TEST(DownsamplingNx, WorkBufferFollowsTheLargestChunk)
{
    DownsamplingNx down;
    EXPECT_TRUE(down.reserve(512, 4));
    EXPECT_EQ(down.workCapacity(), 2048);

    std::vector<float> in(4 * 1000, 0.25f), out(1000);
    down.processBuffer(in.data(), out.data(), 3, 4, 48000); // short first chunk keeps the reservation
    EXPECT_EQ(down.workCapacity(), 2048);
    down.processBuffer(in.data(), out.data(), 1000, 4, 48000); // a longer chunk grows it
    EXPECT_GE(down.workCapacity(), 4000);
    for (float v : out)
        ASSERT_TRUE(isPickedWithOffset(v, 0.25f));
}

TEST(DownsamplingNx, HugeValuesGetAFiniteOffset)
{
    const float big = 1e30f;
    const float in[4] = {big, 0, 0, 0};
    float out[1];
    DownsamplingNx down;
    down.processBuffer(in, out, 1, 4, 48000);
    EXPECT_TRUE(isPickedWithOffset(out[0], big)) << out[0];
}

TEST(DownsamplingNx, UnsupportedFactorAborts)
{
    DownsamplingNx down;
    float in[1] = {0}, out[1];
    EXPECT_DEATH(down.processBuffer(in, out, 1, 1, 48000), "");
}

namespace {

// The two pass-through sections written out sample by sample, for comparing with the
// up-converter's shortcut.
std::vector<float> literalZeroInsertion(const std::vector<float>& in, int factor, BiquadDelay& s1, BiquadDelay& s2)
{
    std::vector<float> out(in.size() * static_cast<size_t>(factor), 0.0f);
    for (size_t i = 0; i < in.size(); ++i)
        out[i * static_cast<size_t>(factor)] = std::isfinite(in[i]) ? in[i] : 0.0f;
    const BiquadCoefficients passThrough{1.0, 2.0, 1.0, 2.0, 1.0};
    s1.process(passThrough, out.data(), static_cast<int>(out.size()));
    s2.process(passThrough, out.data(), static_cast<int>(out.size()));
    return out;
}

} // namespace

TEST(UpsamplingNx, SkippedSectionsGiveTheSectionsBitsOnAwkwardValues)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> in = {0.5f, -0.0f, 1e-40f, -3e38f, 3.4028235e38f, 1e-30f, -0.0f, -0.0f, 0.0f, inf, 7.0f,
                             -1e-45f, std::numeric_limits<float>::quiet_NaN(), 1.0f, -2.5f};
    for (int i = 0; i < 500; ++i)
        in.push_back(std::ldexp(std::sin(1.7f * i), (i * 37) % 200 - 100));
    for (int factor : {4, 8, 16}) {
        UpsamplingNx up;
        BiquadDelay s1, s2;
        for (int round = 0; round < 3; ++round) { // the state carries over between calls
            std::vector<float> out(in.size() * static_cast<size_t>(factor));
            up.processBuffer(in.data(), out.data(), static_cast<int>(in.size()), factor, false, 48000);
            const std::vector<float> expected = literalZeroInsertion(in, factor, s1, s2);
            ASSERT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0) << "factor " << factor;
        }
    }
}

TEST(DownsamplingNx, OffsetFromTheBitsEqualsTheLibraryFormula)
{
    // The exponent read from the bits and the power built directly must give what frexp and
    // ldexp give, for every kind of float.
    auto libraryFormula = [](float v, uint32_t s) {
        int e = 0;
        std::frexp(v, &e);
        const long double offset = static_cast<long double>(s) * 3.4e-36L * std::ldexp(1.0L, e + 62);
        return static_cast<float>(offset + static_cast<long double>(v));
    };
    std::vector<float> values = {0.0f, -0.0f, 1e-45f, -1e-40f, 1.1754944e-38f, 0.5f, -1.0f, 3.4028235e38f, 1e30f,
                                 -7.5e-12f};
    for (int i = 0; i < 2000; ++i)
        values.push_back(std::ldexp(std::cos(0.37f * i), (i * 53) % 250 - 125));
    uint32_t s = 0x12345678u;
    for (float v : values)
        for (int k = 0; k < 8; ++k) {
            s = DownsamplingNx::nextNoise(s);
            const float expected = libraryFormula(v, s);
            const float actual = DownsamplingNx::withNoiseOffset(v, s);
            ASSERT_EQ(std::memcmp(&expected, &actual, sizeof(float)), 0) << v << " with state " << s;
        }
}
