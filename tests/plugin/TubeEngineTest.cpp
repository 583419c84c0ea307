#include "plugin/TubeEngine.hpp"

#include "SignalProbe.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

using namespace vf;
using vf::test::sine;
using vf::test::toneAmplitude;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

struct Stereo {
    std::vector<float> left, right;
};

EngineControls allOptionsOn()
{
    EngineControls c;
    c.inputGainDb = 0.0;
    c.edge = true;
    c.tubeHigh = 100.0;
    c.tubeLow = 100.0;
    c.brilliance = true;
    c.outputGainDb = 6.0;
    return c;
}

// Runs `in` through `engine` in chunks of the given sizes (cycled), stereo.  The converters
// draw their noise seed from rand() on the first chunk, so callers that compare two engines
// seed it identically first.
Stereo run(TubeEngine& engine, const Stereo& in, const std::vector<int>& chunks, const EngineControls& controls)
{
    Stereo out{std::vector<float>(in.left.size()), std::vector<float>(in.right.size())};
    size_t pos = 0;
    for (size_t k = 0; pos < in.left.size(); ++k) {
        const int n = std::min<int>(chunks[k % chunks.size()], static_cast<int>(in.left.size() - pos));
        const float* ins[2] = {in.left.data() + pos, in.right.data() + pos};
        float* outs[2] = {out.left.data() + pos, out.right.data() + pos};
        engine.processAudio(ins, outs, 2, 2, n, controls);
        pos += static_cast<size_t>(n);
    }
    return out;
}

Stereo seededRun(const Stereo& in, const std::vector<int>& chunks, const EngineControls& controls,
                 double rate = 48000)
{
    std::srand(4242);
    TubeEngine engine;
    engine.reset(rate, 512);
    return run(engine, in, chunks, controls);
}

Stereo testSignal(size_t n, double rate)
{
    return {sine(n, 1000, rate, 1.0), sine(n, 220, rate, 0.5)};
}

} // namespace

TEST(TubeEngineFilters, DesignedSetsAt48kHz)
{
    TubeEngine engine;
    engine.reset(48000, 64);
    engine.processAudio(nullptr, nullptr, 2, 2, 0, EngineControls());
    auto expect = [](const BiquadCoefficients& c, std::initializer_list<double> v) {
        const double* e = v.begin();
        EXPECT_NEAR(c.b0, e[0], 1e-6);
        EXPECT_NEAR(c.b1, e[1], 1e-6);
        EXPECT_NEAR(c.b2, e[2], 1e-6);
        EXPECT_NEAR(c.a1, e[3], 1e-6);
        EXPECT_NEAR(c.a2, e[4], 1e-6);
    };
    expect(engine.edgeShelfCoefficients(), {1.247193, -2.305645, 1.116752, -1.825443, 0.883744});
    expect(engine.lowShelfCoefficients(), {0.999099, -1.994570, 0.995477, -1.994565, 0.994580});
    expect(engine.brillianceShelfCoefficients(), {1.172438, -0.961121, 0.343494, -0.706391, 0.261202});
    expect(engine.airLowPassCoefficients(), {0.830898, 1.661796, 0.830898, 1.632993, 0.690599});
}

TEST(TubeEngineFilters, CookbookDesignsUnchangedFrom44100HzUp)
{
    for (double rate : {44100.0, 48000.0, 96000.0, 384000.0}) {
        TubeEngine engine;
        engine.reset(rate, 64);
        engine.processAudio(nullptr, nullptr, 2, 2, 0, EngineControls());
        const BiquadCoefficients air = designLowPass(22000, static_cast<float>(rate), std::numbers::sqrt2);
        EXPECT_EQ(engine.airLowPassCoefficients().b0, air.b0) << rate;
        EXPECT_EQ(engine.airLowPassCoefficients().a2, air.a2) << rate;
        const BiquadCoefficients brilliance = designHighShelf(7100, static_cast<float>(rate), 2, std::numbers::sqrt2);
        EXPECT_EQ(engine.brillianceShelfCoefficients().a1, brilliance.a1) << rate;
    }
}

TEST(TubeEngineFilters, StableDesignsBelow44100Hz)
{
    for (double rate : {8000.0, 11025.0, 16000.0, 22050.0, 32000.0, 44000.0}) {
        TubeEngine engine;
        engine.reset(rate, 64);
        engine.processAudio(nullptr, nullptr, 2, 2, 0, EngineControls());
        for (const BiquadCoefficients& c : {engine.airLowPassCoefficients(), engine.brillianceShelfCoefficients(),
                                            engine.edgeShelfCoefficients(), engine.lowShelfCoefficients()}) {
            // Both poles inside the unit circle: |a2| < 1 and |a1| < 1 + a2.
            EXPECT_LT(std::fabs(c.a2), 1.0) << rate;
            EXPECT_LT(std::fabs(c.a1), 1.0 + c.a2) << rate;
        }
    }
}

TEST(TubeEngineSilence, NoiseFloorScalesWithOutputGain)
{
    for (double gainDb : {0.0, -6.0, 6.0}) {
        EngineControls controls;
        controls.outputGainDb = gainDb;
        const Stereo in{std::vector<float>(2000, 0.0f), std::vector<float>(2000, 0.0f)};
        const Stereo out = seededRun(in, {512}, controls);
        const float limit = 6.8e-8f * static_cast<float>(std::pow(10.0, gainDb / 20.0));
        for (size_t i = 0; i < in.left.size(); ++i) {
            ASSERT_GT(out.left[i], 0.0f) << i;
            ASSERT_GT(out.right[i], 0.0f) << i;
            ASSERT_LT(out.left[i], limit) << i;
            ASSERT_LT(out.right[i], limit) << i;
        }
    }
}

TEST(TubeEngineSilence, MutedOutputIsExactlyZero)
{
    EngineControls controls = allOptionsOn();
    controls.outputGainDb = -kInf;
    const Stereo out = seededRun(testSignal(1500, 48000), {512}, controls);
    for (size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_EQ(out.left[i], 0.0f);
        ASSERT_EQ(out.right[i], 0.0f);
    }
}

TEST(TubeEngineSilence, MutedInputLeavesOnlyTheNoiseFloor)
{
    EngineControls controls = allOptionsOn();
    controls.inputGainDb = -kInf;
    controls.outputGainDb = 0.0;
    const Stereo out = seededRun(testSignal(1500, 48000), {512}, controls);
    for (size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_GT(out.left[i], 0.0f);
        ASSERT_LT(out.left[i], 6.8e-8f);
        ASSERT_LT(out.right[i], 6.8e-8f);
    }
}

TEST(TubeEngineSignal, FullScaleStaysFiniteAndBoundedAcrossRates)
{
    for (double rate : {8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
        for (const EngineControls& controls : {EngineControls(), allOptionsOn()}) {
            Stereo in{sine(6000, rate * 0.013, rate, 1.0), sine(6000, rate * 0.37, rate, 1.0)};
            for (size_t i = 0; i < 300; ++i)
                in.right[i] = (i / 7) % 2 ? 1.0f : -1.0f; // square burst
            const Stereo out = seededRun(in, {512}, controls, rate);
            // asin bounds the tube stage by pi/2; brilliance adds 2 dB with some overshoot,
            // the output gain at most 6 dB.
            const float bound = controls.outputGainDb > 0 ? 4.5f : 2.3f;
            for (size_t i = 0; i < out.left.size(); ++i) {
                ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << rate << " " << i;
                ASSERT_LE(std::fabs(out.left[i]), bound) << rate << " " << i;
                ASSERT_LE(std::fabs(out.right[i]), bound) << rate << " " << i;
            }
        }
    }
}

TEST(TubeEngineSignal, ChunkSplitDoesNotChangeOutput)
{
    const Stereo in = testSignal(1300, 44100);
    for (const EngineControls& controls : {EngineControls(), allOptionsOn()}) {
        const Stereo a = seededRun(in, {512, 512, 276}, controls, 44100);
        const Stereo b = seededRun(in, {300, 500, 500}, controls, 44100);
        EXPECT_EQ(a.left, b.left);
        EXPECT_EQ(a.right, b.right);
    }
}

TEST(TubeEngineSignal, OneSampleCallsEqualOneTwoSampleCall)
{
    const Stereo in = testSignal(2, 48000);
    const Stereo a = seededRun(in, {1}, allOptionsOn());
    const Stereo b = seededRun(in, {2}, allOptionsOn());
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

TEST(TubeEngineSignal, NonFiniteInputIsTakenAsSilence)
{
    Stereo dirty = testSignal(1024, 48000);
    Stereo clean = dirty;
    const float bad[3] = {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf};
    for (size_t i = 100; i < 600; i += 37) {
        dirty.left[i] = bad[i % 3];
        dirty.right[i + 1] = bad[(i + 1) % 3];
        clean.left[i] = 0.0f;
        clean.right[i + 1] = 0.0f;
    }
    const Stereo a = seededRun(dirty, {256}, allOptionsOn());
    const Stereo b = seededRun(clean, {256}, allOptionsOn());
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

TEST(TubeEngineSignal, TubeAmountRaisesTheThirdHarmonic)
{
    const double rate = 48000;
    const Stereo in{sine(9600, 1000, rate, 0.5), sine(9600, 1000, rate, 0.5)};
    double previous = -1;
    for (double amount : {0.0, 50.0, 100.0}) {
        EngineControls controls;
        controls.tubeHigh = controls.tubeLow = amount;
        const Stereo out = seededRun(in, {512}, controls, rate);
        const double fundamental = toneAmplitude(out.left, 4800, 4800, 1000, rate);
        const double third = toneAmplitude(out.left, 4800, 4800, 3000, rate);
        EXPECT_GT(fundamental, 0.1);
        const double ratio = third / fundamental;
        EXPECT_GT(ratio, previous) << amount;
        previous = ratio;
    }
}

TEST(TubeEngineLayout, ExtraOutputsAreZeroFilled)
{
    TubeEngine engine;
    engine.reset(48000, 128);
    const Stereo in = testSignal(128, 48000);
    std::vector<std::vector<float>> outs(4, std::vector<float>(128, 5.0f));
    const float* ins[2] = {in.left.data(), in.right.data()};
    float* outPtrs[4] = {outs[0].data(), outs[1].data(), outs[2].data(), outs[3].data()};
    engine.processAudio(ins, outPtrs, 2, 4, 128, EngineControls());
    EXPECT_NE(outs[0][10], 5.0f);
    EXPECT_NE(outs[1][10], 0.0f);
    EXPECT_EQ(outs[2], std::vector<float>(128, 0.0f));
    EXPECT_EQ(outs[3], std::vector<float>(128, 0.0f));
}

TEST(TubeEngineLayout, MonoRunsTheLeftPathAlone)
{
    const Stereo in = testSignal(1000, 44100);
    const Stereo stereo = seededRun(in, {512}, allOptionsOn(), 44100);

    std::srand(4242);
    TubeEngine engine;
    engine.reset(44100, 512);
    std::vector<float> out(1000);
    // Heap arrays of exactly one pointer: address checking catches any second-channel access.
    auto ins = std::make_unique<const float*[]>(1);
    auto outs = std::make_unique<float*[]>(1);
    for (size_t pos = 0; pos < 1000; pos += 500) {
        ins[0] = in.left.data() + pos;
        outs[0] = out.data() + pos;
        engine.processAudio(ins.get(), outs.get(), 1, 1, 500, allOptionsOn());
    }
    EXPECT_EQ(out, stereo.left);
}

TEST(TubeEngineLayout, InPlaceBuffersWork)
{
    Stereo in = testSignal(512, 48000);
    const Stereo expected = seededRun(in, {512}, EngineControls());
    std::srand(4242);
    TubeEngine engine;
    engine.reset(48000, 512);
    // Cross-wired aliasing: left output is the right input.
    std::vector<float> l = in.left, r = in.right;
    const float* ins[2] = {l.data(), r.data()};
    float* outs[2] = {r.data(), l.data()};
    engine.processAudio(ins, outs, 2, 2, 512, EngineControls());
    EXPECT_EQ(r, expected.left);
    EXPECT_EQ(l, expected.right);
}

TEST(TubeEngineMisuse, ZeroFramesWritesNothing)
{
    TubeEngine engine;
    engine.reset(48000, 64);
    float l[4] = {7, 7, 7, 7}, r[4] = {7, 7, 7, 7};
    const float* ins[2] = {l, r};
    float* outs[2] = {l, r};
    engine.processAudio(ins, outs, 2, 2, 0, EngineControls());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(l[i] == 7 && r[i] == 7);
}

TEST(TubeEngineMisuse, OversizedChunkOrMissingResetGivesSilence)
{
    const Stereo in = testSignal(300, 48000);
    std::vector<float> l(300, 3.0f), r(300, 3.0f);
    const float* ins[2] = {in.left.data(), in.right.data()};
    float* outs[2] = {l.data(), r.data()};

    TubeEngine neverReset;
    neverReset.processAudio(ins, outs, 2, 2, 300, EngineControls());
    EXPECT_EQ(l, std::vector<float>(300, 0.0f));

    TubeEngine engine;
    engine.reset(48000, 256);
    std::fill(l.begin(), l.end(), 3.0f);
    engine.processAudio(ins, outs, 2, 2, 300, EngineControls());
    EXPECT_EQ(l, std::vector<float>(300, 0.0f));
    EXPECT_EQ(r, std::vector<float>(300, 0.0f));
    // The engine stays usable for chunks that fit.
    engine.processAudio(ins, outs, 2, 2, 256, EngineControls());
    EXPECT_NE(l[50], 0.0f);
}

TEST(TubeEngineMisuse, UnusableSampleRateGivesSilence)
{
    const Stereo in = testSignal(64, 48000);
    for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN()}) {
        TubeEngine engine;
        engine.reset(rate, 64);
        std::vector<float> l(64, 3.0f), r(64, 3.0f);
        const float* ins[2] = {in.left.data(), in.right.data()};
        float* outs[2] = {l.data(), r.data()};
        engine.processAudio(ins, outs, 2, 2, 64, EngineControls());
        EXPECT_EQ(l, std::vector<float>(64, 0.0f)) << rate;
    }
}

TEST(TubeEngineMisuse, OutOfRangeControlsCannotPoisonTheState)
{
    const Stereo in = testSignal(1024, 48000);
    EngineControls broken;
    broken.inputGainDb = std::numeric_limits<double>::quiet_NaN();
    broken.outputGainDb = std::numeric_limits<double>::infinity();
    broken.tubeHigh = std::numeric_limits<double>::quiet_NaN();
    broken.tubeLow = 1e9;

    std::srand(4242);
    TubeEngine engine;
    engine.reset(48000, 512);
    const Stereo out = run(engine, in, {512}, broken);
    for (size_t i = 0; i < out.left.size(); ++i)
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;

    // Afterwards the engine sounds exactly like one that only saw valid controls.
    EngineControls equivalent;
    equivalent.outputGainDb = 6.0;
    equivalent.tubeLow = 100.0;
    const Stereo expected = seededRun(in, {512}, equivalent);
    EXPECT_EQ(out.left, expected.left);
    const Stereo later = run(engine, in, {512}, EngineControls());
    for (float v : later.left)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(TubeEngineMisuse, MissingBuffersAreNotTouched)
{
    TubeEngine engine;
    engine.reset(48000, 64);
    std::vector<float> in(64, 0.3f), out(64, 5.0f);
    const float* ins[2] = {in.data(), nullptr};
    float* outs[2] = {out.data(), nullptr};
    engine.processAudio(ins, outs, 2, 2, 64, EngineControls()); // runs the left channel alone
    EXPECT_NE(out[10], 5.0f);
    engine.processAudio(nullptr, outs, 2, 2, 64, EngineControls()); // no inputs: silence
    EXPECT_EQ(out, std::vector<float>(64, 0.0f));
    engine.processAudio(ins, nullptr, 2, 2, 64, EngineControls());
}
