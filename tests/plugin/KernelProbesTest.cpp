// Single steps of the vector kernels against their scalar definitions over whole ranges.
#include "plugin/BiquadDelay.hpp"
#include "plugin/DownsamplingNx.hpp"
#include "plugin/TubeEngine.hpp"
#include "tests/plugin/KernelProbes.hpp"

#include "core/ScopedFloatState.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace vf;

namespace {

using Path = TubeEngine::SimdPath;
using Probe = void (*)(const float*, float*, int);

// The probes of the paths this processor has, by name.
template <class P>
std::vector<std::pair<const char*, P>> supportedProbes(P sse2, P avx2, P avx512)
{
    std::vector<std::pair<const char*, P>> probes;
    if (TubeEngine::supports(Path::sse2))
        probes.push_back({"sse2", sse2});
    if (TubeEngine::supports(Path::avx2))
        probes.push_back({"avx2", avx2});
    if (TubeEngine::supports(Path::avx512))
        probes.push_back({"avx512", avx512});
    return probes;
}

std::vector<std::pair<const char*, Probe>> divisionProbes()
{
    return supportedProbes<Probe>(&simd::divideByThreeSse2, &simd::divideByThreeAvx2, &simd::divideByThreeAvx512);
}

// Every float from `first` (inclusive) to `last` (exclusive), padded to whole registers.
std::vector<float> floatsBetween(float first, float last)
{
    std::vector<float> v;
    for (uint32_t b = std::bit_cast<uint32_t>(first); b < std::bit_cast<uint32_t>(last); ++b)
        v.push_back(std::bit_cast<float>(b));
    while (v.size() % 16)
        v.push_back(1.0f);
    return v;
}

void expectDividedByThree(const char* name, Probe probe, const std::vector<float>& in)
{
    std::vector<float> out(in.size());
    probe(in.data(), out.data(), static_cast<int>(in.size()));
    long wrong = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const float expected = in[i] / 3.0f;
        if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(out[i]) && !(expected != expected && out[i] != out[i])) {
            if (++wrong <= 5)
                ADD_FAILURE() << name << ": " << in[i] << " / 3 gave " << out[i] << ", not " << expected;
        }
    }
    EXPECT_EQ(wrong, 0) << name;
}

} // namespace

TEST(KernelProbes, DivisionByThreeIsCorrectlyRoundedOverWholeBinades)
{
    // The fused method's steps scale exactly by powers of two, so whole binades at the
    // middle and both ends of its range stand for all the ones between.
    for (auto [name, probe] : divisionProbes()) {
        expectDividedByThree(name, probe, floatsBetween(1.0f, 2.0f));
        expectDividedByThree(name, probe, floatsBetween(0x1p-90f, 0x1p-89f));
        expectDividedByThree(name, probe, floatsBetween(0x1p99f, 0x1p100f));
    }
}

TEST(KernelProbes, DivisionByThreeOutsideTheFusedRangeMatchesInBothFloatModes)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> awkward = {0.0f, -0.0f, 1e-45f, 3e-39f, 1e-30f, 0x1p-91f, 0x1p101f, 3e38f, inf, -inf,
                                  std::numeric_limits<float>::quiet_NaN(), -2.5f, 0.1f, 1e-20f, 7e25f, 1.0f};
    for (auto [name, probe] : divisionProbes()) {
        expectDividedByThree(name, probe, awkward);
        ScopedFloatState flushed;
        expectDividedByThree(name, probe, awkward);
    }
}

namespace {

using NoiseProbe = void (*)(const float*, const uint32_t*, float*, int);

std::vector<std::pair<const char*, NoiseProbe>> noiseProbes()
{
    return supportedProbes<NoiseProbe>(&simd::noiseOffsetsSse2, &simd::noiseOffsetsAvx2, &simd::noiseOffsetsAvx512);
}

} // namespace

TEST(KernelProbes, NoiseOffsetsMatchTheExtendedPrecisionFormulaAtFloatMidpoints)
{
    // For each value, the generator states whose offset lands within a fraction of a double
    // unit of half a float unit, where double and extended rounding can part; plus specials.
    std::vector<float> values;
    std::vector<uint32_t> states;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> mantissa(0.5f, 1.0f);
    std::uniform_int_distribution<int> exponent(-60, 60);
    for (int n = 0; n < 400; ++n) {
        const float v = std::ldexp(mantissa(random), exponent(random)) * (n % 2 ? -1.0f : 1.0f);
        int e = 0;
        std::frexp(v, &e);
        // offset(s) = s * 3.4e-36 * 2^(e + 62); half a float unit is 2^(e - 25).
        const long double halfUnit = std::ldexp(1.0L, e - 25);
        const long double perState = 3.4e-36L * std::ldexp(1.0L, e + 62);
        const long double centre = std::nearbyint(halfUnit / perState);
        for (int d = -24; d < 24; ++d) {
            values.push_back(v);
            states.push_back(static_cast<uint32_t>(centre + d));
        }
    }
    const float specials[] = {0.0f, -0.0f, 1e-40f, -1e-39f, 1.1754944e-38f, -1.1754945e-38f, 3.4e38f, 1.0f, -0.5f,
                              std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    for (float v : specials)
        for (uint32_t s : {1u, 16386u, 1900000000u, 4294967295u}) {
            values.push_back(v);
            states.push_back(s);
        }
    while (values.size() % 16) {
        values.push_back(0.25f);
        states.push_back(7);
    }
    for (auto [name, probe] : noiseProbes()) {
        std::vector<float> out(values.size());
        probe(values.data(), states.data(), out.data(), static_cast<int>(values.size()));
        long wrong = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            const float expected = DownsamplingNx::withNoiseOffset(values[i], states[i]);
            if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(out[i]) && !(std::isnan(expected) && std::isnan(out[i])))
                if (++wrong <= 5)
                    ADD_FAILURE() << name << ": " << values[i] << " with state " << states[i] << " gave " << out[i]
                                  << ", not " << expected;
        }
        EXPECT_EQ(wrong, 0) << name;
    }
}

TEST(KernelProbes, KneeSaturatesInRegistersOnlyWhereTheHyperbolicTangentIsOne)
{
    // The vector knee replaces tanh by exactly 1 from an argument of 9.1 on; the limiter's
    // float tanh must give 1 for every argument from there up.
    long below = 0;
    for (uint32_t b = std::bit_cast<uint32_t>(9.1f); b <= std::bit_cast<uint32_t>(64.0f); ++b)
        if (std::tanh(std::bit_cast<float>(b)) != 1.0f)
            ++below;
    EXPECT_EQ(below, 0);
    for (float x : {100.0f, 1e4f, 1e20f, 3.4e38f, std::numeric_limits<float>::infinity()})
        EXPECT_EQ(std::tanh(x), 1.0f) << x;
}

namespace {

using SectionsProbe = bool (*)(float*, int, double*);

std::vector<std::pair<const char*, SectionsProbe>> sectionProbes()
{
    return supportedProbes<SectionsProbe>(&simd::downSectionsSse2, &simd::downSectionsAvx2, &simd::downSectionsAvx512);
}

// Chunks of interleaved stereo values: ordinary audio, values at and just beyond the
// borders of the quick range test, neighbours near the largest exact distance, and the
// values no skip may pass (-0, subnormals, inf, NaN).
std::vector<std::vector<float>> sectionChunks()
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> audio(-1.0f, 1.0f);
    const float inf = std::numeric_limits<float>::infinity();
    const float borders[] = {0x1p-20f, std::nextafter(0x1p-20f, 0.0f), 0x1p6f, std::nextafter(0x1p6f, inf),
                             0x1p-21f * 1.5f, 0x1p7f};
    const float neighbours[] = {0x1p27f, 0x1p28f, 0x1p29f, 0x1p30f, 1.5f * 0x1p27f};
    const float specials[] = {0.0f, -0.0f, 1e-40f, -1e-39f, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
                              3e38f, 1e-30f};
    std::vector<std::vector<float>> chunks;
    for (int n = 0; n < 240; ++n) {
        const int values = n % 5 == 0 ? 30 : 128;
        std::vector<float> c(static_cast<size_t>(values));
        for (float& v : c)
            v = audio(random);
        const int at = static_cast<int>(random() % static_cast<unsigned>(values));
        // Groups of three chunks: ordinary, a variant, ordinary.
        switch (n % 3 == 1 ? n / 3 % 8 : 0) {
        case 0: break;
        case 1: c[at] = borders[random() % std::size(borders)] * (random() % 2 ? 1.0f : -1.0f); break;
        case 2:
            for (float& v : c)
                v *= 0x1p-19f;
            break;
        case 3: c[at] = c[at >= 2 ? at - 2 : at + 2] * neighbours[random() % std::size(neighbours)]; break;
        case 4: c[at] = c[at >= 2 ? at - 2 : at + 2] / neighbours[random() % std::size(neighbours)]; break;
        case 5: c[at] = specials[random() % std::size(specials)]; break;
        case 6:
            for (float& v : c)
                v *= 40.0f;
            break;
        default: c[at] = 0.0f; break;
        }
        chunks.push_back(c);
    }
    return chunks;
}

} // namespace

TEST(KernelProbes, SkippedDownConverterSectionsEqualTheSectionsRunLiterally)
{
    BiquadCoefficients passThrough;
    passThrough.b0 = passThrough.b2 = passThrough.a2 = 1.0;
    passThrough.b1 = passThrough.a1 = 2.0;
    const std::vector<std::vector<float>> chunks = sectionChunks();
    for (auto [name, probe] : sectionProbes()) {
        double history[16] = {};
        BiquadDelay literal[2][2]; // [channel][section]
        int skipped = 0;
        long wrong = 0;
        for (size_t c = 0; c < chunks.size(); ++c) {
            // Each group from rest: a NaN stays in the sections' histories for good,
            // literally run or not.
            if (c % 3 == 0) {
                std::fill(std::begin(history), std::end(history), 0.0);
                literal[0][0] = literal[0][1] = literal[1][0] = literal[1][1] = BiquadDelay();
            }
            const std::vector<float>& chunk = chunks[c];
            std::vector<float> room(chunk.size() + 2);
            std::copy(chunk.begin(), chunk.end(), room.begin() + 2);
            skipped += probe(room.data() + 2, static_cast<int>(chunk.size()), history);
            for (int ch = 0; ch < 2; ++ch) {
                std::vector<float> expected;
                for (size_t i = static_cast<size_t>(ch); i < chunk.size(); i += 2)
                    expected.push_back(chunk[i]);
                const int n = static_cast<int>(expected.size());
                literal[ch][0].process(passThrough, expected.data(), n);
                literal[ch][1].process(passThrough, expected.data(), n);
                for (int i = 0; i < n; ++i) {
                    const float got = room[2 + static_cast<size_t>(2 * i + ch)];
                    if (std::bit_cast<uint32_t>(got) != std::bit_cast<uint32_t>(expected[static_cast<size_t>(i)]) &&
                        !(std::isnan(got) && std::isnan(expected[static_cast<size_t>(i)])) && ++wrong <= 5)
                        ADD_FAILURE() << name << ": channel " << ch << " value " << i << " gave " << got << ", not "
                                      << expected[static_cast<size_t>(i)];
                }
            }
        }
        EXPECT_EQ(wrong, 0) << name;
        // Both ways were taken: ordinary chunks are skipped, the special ones are not.
        EXPECT_GT(skipped, 150) << name;
        EXPECT_LT(skipped, static_cast<int>(chunks.size())) << name;
    }
}
