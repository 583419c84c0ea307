// The vector engine against the sample-by-sample reference: the same bits for every
// instruction-set path, signal, setting, rate, chunk pattern and floating-point mode.
#include "plugin/ReferenceTubeEngine.hpp"
#include "plugin/TubeEngine.hpp"

#include "core/ScopedFloatState.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace vf;

namespace {

using Path = TubeEngine::SimdPath;

struct Signal {
    std::string name;
    std::vector<float> left, right;
};

// Music-like material and the awkward values a host may send.
std::vector<Signal> testSignals(double rate, size_t n)
{
    std::vector<Signal> signals;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    auto make = [&](const std::string& name, auto left, auto right) {
        Signal s{name, std::vector<float>(n), std::vector<float>(n)};
        for (size_t i = 0; i < n; ++i) {
            s.left[i] = left(i);
            s.right[i] = right(i);
        }
        signals.push_back(std::move(s));
    };
    const double twoPi = 2.0 * std::numbers::pi;
    auto tone = [&](double f, double a) { return [=](size_t i) { return static_cast<float>(a * std::sin(twoPi * f * i / rate)); }; };
    make("sines", tone(1000, 0.5), tone(220, 0.9));
    make("quiet sines", tone(3100, 1e-4), tone(55, 3e-3));
    // Below 2^-40 the waveshaper leaves its fast steps.
    make("near silence", tone(700, 1e-14), [&](size_t) { return 1e-16f * uniform(random); });
    make("noise", [&](size_t) { return uniform(random); }, [&](size_t) { return 0.3f * uniform(random); });
    make("sweep",
         [&](size_t i) {
             const double t = i / rate;
             return static_cast<float>(0.8 * std::sin(twoPi * (20.0 * t + 0.5 * 20000.0 * t * t / (n / rate))));
         },
         tone(440, 0.25));
    make("full-scale square", [&](size_t i) { return (i / 37) % 2 ? 1.0f : -1.0f; },
         [&](size_t i) { return (i / 5) % 2 ? 1.0f : -1.0f; });
    make("beyond full scale", [&](size_t i) { return 4.0f * std::sin(static_cast<float>(twoPi * 97 * i / rate)); },
         [&](size_t) { return 3.0f * uniform(random); });
    const float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {0.0f, -0.0f, 1e-40f, -1e-42f, std::numeric_limits<float>::quiet_NaN(), inf, -inf,
                              1e30f, -3e38f, 1e-20f, 0.707f, -0.70700002f, 1.0f};
    make("special values", [&](size_t i) { return i % 3 ? 0.3f * uniform(random) : specials[i % 13]; },
         [&](size_t i) { return specials[(i * 7) % 13]; });
    make("silence", [](size_t) { return 0.0f; }, [](size_t) { return -0.0f; });
    return signals;
}

std::vector<std::pair<std::string, EngineControls>> testSettings()
{
    std::vector<std::pair<std::string, EngineControls>> settings;
    settings.push_back({"defaults", EngineControls()});
    EngineControls all;
    all.inputGainDb = 0.0;
    all.edge = true;
    all.tubeHigh = 85.0;
    all.tubeLow = 60.0;
    all.outputGainDb = 6.0;
    settings.push_back({"all options", all});
    for (double amount : {25.0, 50.0, 70.7106781, 100.0}) {
        EngineControls c;
        c.inputGainDb = -1.5;
        c.tubeHigh = amount;
        c.tubeLow = 100.0 - amount;
        c.brilliance = amount < 60.0;
        settings.push_back({"tube " + std::to_string(amount), c});
    }
    EngineControls muted;
    muted.inputGainDb = -std::numeric_limits<double>::infinity();
    muted.outputGainDb = -std::numeric_limits<double>::infinity();
    settings.push_back({"muted", muted});
    return settings;
}

struct Output {
    std::vector<float> left, right;
};

template <class Engine>
Output render(Engine& engine, const Signal& in, int channels, const std::vector<int>& chunks,
              const EngineControls& controls)
{
    Output out{std::vector<float>(in.left.size()), std::vector<float>(in.right.size())};
    size_t pos = 0;
    for (size_t k = 0; pos < in.left.size(); ++k) {
        const int n = std::min<int>(chunks[k % chunks.size()], static_cast<int>(in.left.size() - pos));
        const float* ins[2] = {in.left.data() + pos, in.right.data() + pos};
        float* outs[2] = {out.left.data() + pos, out.right.data() + pos};
        engine.processAudio(ins, outs, channels, channels, n, controls);
        pos += static_cast<size_t>(n);
    }
    return out;
}

// Index of the first sample whose bits differ, if any.
std::optional<size_t> firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
            return i;
    return std::nullopt;
}

std::vector<Path> availablePaths()
{
    std::vector<Path> paths;
    for (Path p : {Path::sse2, Path::avx2, Path::avx512})
        if (TubeEngine::supports(p))
            paths.push_back(p);
    return paths;
}

const char* pathName(Path p)
{
    return p == Path::avx512 ? "avx512" : p == Path::avx2 ? "avx2" : "sse2";
}

// Renders one case through both engines and reports the first differing sample.
void expectSameBits(Path path, double rate, int maxFrames, int channels, const std::vector<int>& chunks,
                    const Signal& signal, const std::string& settingName, const EngineControls& controls)
{
    std::srand(99);
    ReferenceTubeEngine reference;
    reference.setSine(&TubeEngine::sine); // the same maths on both sides
    reference.reset(rate, maxFrames);
    const Output expected = render(reference, signal, channels, chunks, controls);

    std::srand(99);
    TubeEngine engine;
    ASSERT_TRUE(engine.usePath(path));
    engine.reset(rate, maxFrames);
    const Output actual = render(engine, signal, channels, chunks, controls);

    const std::string where = std::string(pathName(path)) + ", " + std::to_string(rate) + " Hz, " +
                              std::to_string(channels) + " ch, " + signal.name + ", " + settingName;
    if (auto i = firstDifference(expected.left, actual.left))
        ADD_FAILURE() << where << ": left differs at " << *i << ": " << expected.left[*i] << " vs " << actual.left[*i];
    if (channels == 2)
        if (auto i = firstDifference(expected.right, actual.right))
            ADD_FAILURE() << where << ": right differs at " << *i << ": " << expected.right[*i] << " vs "
                          << actual.right[*i];
}

} // namespace

TEST(EngineOracle, EveryPathSignalAndSettingMatchesTheReferenceBitForBit)
{
    for (Path path : availablePaths())
        for (double rate : {44100.0, 48000.0})
            for (const Signal& signal : testSignals(rate, 3000))
                for (const auto& [name, controls] : testSettings())
                    for (int channels : {2, 1})
                        expectSameBits(path, rate, 512, channels, {512}, signal, name, controls);
}

TEST(EngineOracle, RatesAndChunkPatternsMatchTheReference)
{
    const std::vector<std::vector<int>> patterns = {{1}, {17, 64, 65, 300, 512, 3}, {63, 2, 511}};
    for (Path path : availablePaths())
        for (double rate : {8000.0, 22050.0, 96000.0, 192000.0})
            for (const Signal& signal : testSignals(rate, 2000))
                for (const auto& pattern : patterns)
                    expectSameBits(path, rate, 512, 2, pattern, signal, "all options", testSettings()[1].second);
}

TEST(EngineOracle, FlushToZeroModeMatchesTheReference)
{
    // The host entry point runs the engine with denormals flushed; both engines must agree
    // there too, on material that passes through the denormal range.
    ScopedFloatState flushed;
    for (Path path : availablePaths())
        for (const Signal& signal : testSignals(48000, 2000))
            expectSameBits(path, 48000, 256, 2, {100, 256}, signal, "defaults", EngineControls());
}

TEST(EngineOracle, SettingChangesBetweenChunksMatchTheReference)
{
    const Signal signal = testSignals(48000, 4096)[0];
    const auto settings = testSettings();
    // Mono and stereo chunks alternate on the same engine, with a reset in the middle.
    auto renderChunks = [&](auto& engine) {
        engine.reset(48000, 512);
        std::vector<float> out(8 * 512 * 2);
        for (int chunk = 0; chunk < 8; ++chunk) {
            const EngineControls& controls = settings[static_cast<size_t>(chunk) % settings.size()].second;
            const float* ins[2] = {signal.left.data() + chunk * 512, signal.right.data() + chunk * 512};
            float* outs[2] = {out.data() + chunk * 1024, out.data() + chunk * 1024 + 512};
            const int channels = chunk % 3 == 1 ? 1 : 2;
            if (chunk == 5)
                engine.reset(44100, 512);
            engine.processAudio(ins, outs, channels, channels, 512, controls);
        }
        return out;
    };
    std::srand(5);
    ReferenceTubeEngine reference;
    reference.setSine(&TubeEngine::sine);
    const std::vector<float> expected = renderChunks(reference);
    for (Path path : availablePaths()) {
        std::srand(5);
        TubeEngine engine;
        ASSERT_TRUE(engine.usePath(path));
        const std::vector<float> actual = renderChunks(engine);
        if (auto i = firstDifference(expected, actual))
            ADD_FAILURE() << pathName(path) << ": differs at " << *i << ": " << expected[*i] << " vs " << actual[*i];
    }
}

TEST(EngineOracle, WithTheLibrarySineTheOutputStaysWithinTwoTenthsOfAMillionth)
{
    // The vector sine is within an ulp of the C library's and nearly always equal to it;
    // where the two differ, the difference must not become audible anywhere downstream.
    double worst = 0.0;
    long differing = 0, total = 0;
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (const Signal& signal : testSignals(rate, 4000)) {
            if (signal.name == "special values" || signal.name == "beyond full scale")
                continue; // not music-like: limits and non-finite values, covered bit for bit above
            for (const auto& [name, controls] : testSettings()) {
                std::srand(3);
                ReferenceTubeEngine reference;
                reference.reset(rate, 512);
                const Output expected = render(reference, signal, 2, {512}, controls);
                std::srand(3);
                TubeEngine engine;
                engine.reset(rate, 512);
                const Output actual = render(engine, signal, 2, {512}, controls);
                for (size_t i = 0; i < expected.left.size(); ++i)
                    for (auto [e, a] : {std::pair{expected.left[i], actual.left[i]}, std::pair{expected.right[i], actual.right[i]}}) {
                        ++total;
                        if (e != a) {
                            ++differing;
                            worst = std::max(worst, std::fabs(static_cast<double>(e) - a));
                        }
                    }
            }
        }
    EXPECT_LE(worst, 2e-7) << differing << " of " << total << " samples differ";
    std::printf("vector engine vs library sine: %ld of %ld samples differ, largest by %.3g\n", differing, total, worst);
}
