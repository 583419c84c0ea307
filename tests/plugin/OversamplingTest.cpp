#include "plugin/DownsamplingNx.hpp"
#include "plugin/UpsamplingNx.hpp"

#include <gtest/gtest.h>

#include <cmath>
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
