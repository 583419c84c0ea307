#include "LV2TestHost.hpp"

#include "lv2/LV2Client.hpp"
#include "lv2/LV2Entry.hpp"

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace vf;
using namespace vf::test;

namespace {

// One plug-in instance driven through the C entry points, as a host would.
struct Instance {
    const LV2_Descriptor* desc;
    TestHostFeatures host;
    LV2_Handle handle = nullptr;
    float controls[6] = {};
    std::vector<float> audio[4];
    float latency = -1.0f;

    explicit Instance(uint32_t index, double rate = 48000.0, int32_t maxBlock = 0)
        : desc(lv2_descriptor(index)), host(true, maxBlock)
    {
        handle = desc->instantiate(desc, rate, "/tmp", host.features());
        for (int k = 0; k < 6; ++k)
            controls[k] = static_cast<float>(lv2().client().param(k).getNormalized());
    }
    ~Instance()
    {
        if (handle)
            desc->cleanup(handle);
    }
    LV2Client& lv2() { return *static_cast<LV2Client*>(handle); }
    int channels() const { return lv2const().numInputs(); }
    const LV2Client& lv2const() const { return *static_cast<const LV2Client*>(handle); }

    void connectAll(size_t frames)
    {
        const uint32_t ch = static_cast<uint32_t>(channels());
        uint32_t port = 0;
        for (; port < 6; ++port)
            desc->connect_port(handle, port, &controls[port]);
        for (uint32_t i = 0; i < 2 * ch; ++i) {
            audio[i].assign(frames, 0.0f);
            desc->connect_port(handle, port++, audio[i].data());
        }
        desc->connect_port(handle, port++, &latency);
    }
    double param(int k) { return lv2().client().param(k).getNormalized(); }
};

} // namespace

TEST(LV2Descriptors, TwoLayoutsThenNull)
{
    const LV2_Descriptor* mono = lv2_descriptor(0);
    const LV2_Descriptor* stereo = lv2_descriptor(1);
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(stereo, nullptr);
    EXPECT_STREQ(mono->URI, "https://drevkin.example/velmorin-free/515A504E#mono");
    EXPECT_STREQ(stereo->URI, "https://drevkin.example/velmorin-free/515A504E#stereo");
    EXPECT_EQ(mono->extension_data, nullptr);
    EXPECT_EQ(lv2_descriptor(2), nullptr);
    EXPECT_EQ(lv2_descriptor(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(lv2_descriptor(0), mono); // built once
}

TEST(LV2Instantiate, RefusesHostWithoutUridMap)
{
    const LV2_Descriptor* d = lv2_descriptor(1);
    EXPECT_EQ(d->instantiate(d, 48000.0, "/tmp", nullptr), nullptr);
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(d->instantiate(d, 48000.0, "/tmp", none), nullptr);
    LV2_URID_Map broken{nullptr, nullptr};
    LV2_Feature f{LV2_URID__map, &broken};
    const LV2_Feature* list[] = {&f, nullptr};
    EXPECT_EQ(d->instantiate(d, 48000.0, "/tmp", list), nullptr);
}

TEST(LV2Instantiate, RefusesForeignDescriptor)
{
    TestHostFeatures host;
    LV2_Descriptor copy = *lv2_descriptor(0);
    EXPECT_EQ(copy.instantiate(&copy, 48000.0, "/tmp", host.features()), nullptr);
}

TEST(LV2Instantiate, BlockSizeFromOptionsOrDefault)
{
    {
        const LV2_Descriptor* d = lv2_descriptor(0);
        TestHostFeatures noOptions(false);
        LV2_Handle h = d->instantiate(d, 44100.0, "/tmp", noOptions.features());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(static_cast<LV2Client*>(h)->maxBufferSize(), 512u);
        d->cleanup(h);
    }
    Instance withOption(0, 48000.0, 1024);
    EXPECT_EQ(withOption.lv2().maxBufferSize(), 1024u);
    Instance absurd(0, 48000.0, -5);
    EXPECT_EQ(absurd.lv2().maxBufferSize(), 512u);
}

TEST(LV2Run, ClampsControlsAndAppliesOnlyChanges)
{
    Instance inst(1);
    inst.connectAll(64);
    int changes = 0;
    struct L : IParameterListener {
        int* n;
        void onParameterChanged(Parameter*) override { ++*n; }
        void onBeginParameterEdit(Parameter*) override {}
        void onEndParameterEdit(Parameter*) override {}
    } listener;
    listener.n = &changes;
    inst.lv2().client().param(2).addListener(&listener);

    inst.controls[2] = 1.7f;
    inst.desc->run(inst.handle, 64);
    EXPECT_EQ(inst.param(2), 1.0);
    EXPECT_EQ(changes, 1);
    inst.desc->run(inst.handle, 64); // same value: no call
    EXPECT_EQ(changes, 1);
    inst.controls[2] = -0.2f;
    inst.desc->run(inst.handle, 64);
    EXPECT_EQ(inst.param(2), 0.0);
    EXPECT_EQ(changes, 2);
    inst.controls[2] = -3.0f; // clamps to the value already applied
    inst.desc->run(inst.handle, 64);
    EXPECT_EQ(changes, 2);
    inst.lv2().client().param(2).removeListener(&listener);
}

TEST(LV2Run, InfinitiesClampAndNaNIsIgnored)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    Instance inst(0);
    inst.connectAll(64);
    for (auto [port, expected] : {std::pair{inf, 1.0}, {0.25f, 0.25}, {-inf, 0.0},
                                  {std::numeric_limits<float>::quiet_NaN(), 0.0}}) {
        inst.controls[5] = port;
        inst.desc->run(inst.handle, 64);
        EXPECT_DOUBLE_EQ(inst.param(5), expected) << port;
    }
}

TEST(LV2Run, LatencyPortFollowsLayout)
{
    Instance mono(0);
    float lat = -1.0f;
    mono.desc->connect_port(mono.handle, 8, &lat);
    mono.desc->run(mono.handle, 16);
    EXPECT_EQ(lat, 0.0f);
    Instance stereo(1);
    float lat2 = -1.0f;
    stereo.desc->connect_port(stereo.handle, 10, &lat2);
    stereo.desc->run(stereo.handle, 16);
    EXPECT_EQ(lat2, 0.0f);
}

TEST(LV2Run, SurvivesAnyBlockLengthAndUnconnectedPorts)
{
    for (uint32_t index : {0u, 1u}) {
        Instance inst(index);
        inst.desc->activate(inst.handle); // before any port is connected
        inst.desc->run(inst.handle, 100);  // nothing connected at all
        inst.connectAll(5000);
        for (uint32_t n : {0u, 1u, 63u, 1000u, 4097u, 512u, 4097u})
            inst.desc->run(inst.handle, n);
        EXPECT_EQ(inst.lv2().maxBufferSize(), 4097u);
        inst.desc->deactivate(inst.handle);
    }
}

TEST(LV2Run, IgnoresPortsBeyondTheLayout)
{
    Instance inst(0);
    float junk[4] = {};
    for (uint32_t port : {10u, 11u, 12u, 1000u, 0xFFFFFFFFu})
        inst.desc->connect_port(inst.handle, port, junk);
    inst.desc->run(inst.handle, 32);
    SUCCEED();
}

TEST(LV2Run, InPlaceBuffersGiveCorrectOutput)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 1);
    ASSERT_TRUE(lv.instantiate(48000.0, host.features()));
    std::vector<float> left(256), right(256);
    for (int i = 0; i < 256; ++i) {
        left[static_cast<size_t>(i)] = float(i);
        right[static_cast<size_t>(i)] = float(-i);
    }
    lv.connect_port(2, left.data());
    lv.connect_port(3, right.data());
    lv.connect_port(4, left.data()); // same buffers for output
    lv.connect_port(5, right.data());
    lv.run(256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(left[static_cast<size_t>(i)], 2.0f * i);
        ASSERT_EQ(right[static_cast<size_t>(i)], -2.0f * i);
    }
}

TEST(LV2Run, BlockGrowthResetsBeforeProcessing)
{
    TestHostFeatures host(true, 1024);
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    ASSERT_TRUE(lv.instantiate(44100.0, host.features()));
    std::vector<float> in(4096, 1.0f), out(4096);
    lv.connect_port(2, in.data());
    lv.connect_port(3, out.data());
    EXPECT_EQ(lv.maxBufferSize(), 1024u);
    lv.run(1024);
    ASSERT_EQ(probe->resets.size(), 1u);
    EXPECT_EQ(probe->resets[0], (std::vector<double>{44100.0, 512.0, 1.0, 1.0}));
    lv.run(2048);
    ASSERT_EQ(probe->resets.size(), 2u);
    EXPECT_EQ(lv.maxBufferSize(), 2048u);
    EXPECT_EQ(probe->chunks.size(), 2u + 4u);
    lv.run(2048); // no further growth: no reset
    EXPECT_EQ(probe->resets.size(), 2u);
    lv.activate();
    lv.activate();
    lv.run(16);
    EXPECT_EQ(probe->resets.size(), 3u); // two activations, one reset
    EXPECT_EQ(out[0], 2.0f);
}

TEST(LV2Run, RateReachesResetAsFloatAndLatencyAsDouble)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    const double odd = 44100.123456789;
    ASSERT_TRUE(lv.instantiate(odd, host.features()));
    float latency = -1.0f;
    lv.connect_port(4, &latency);
    lv.run(8);
    ASSERT_EQ(probe->resets.size(), 1u);
    EXPECT_EQ(probe->resets[0][0], static_cast<double>(static_cast<float>(odd)));
    EXPECT_EQ(latency, 100.0f); // 44100 % 1000, from the exact rate
}

TEST(LV2Run, UnconnectedInputFeedsSilence)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    ASSERT_TRUE(lv.instantiate(48000.0, host.features()));
    std::vector<float> in(64, 3.0f), out(64);
    lv.connect_port(2, in.data());
    lv.connect_port(3, out.data());
    lv.run(64);
    EXPECT_EQ(out[10], 6.0f);
    lv.connect_port(2, nullptr);
    lv.run(64);
    EXPECT_EQ(out[10], 0.0f);
}

TEST(LV2TimePosition, ReadsTempoFrameAndSpeed)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    ASSERT_TRUE(lv.instantiate(48000.0, host.features()));
    using B = AtomSequenceBuilder;
    B seq(host);
    seq.position({B::f(LV2_TIME__beatsPerMinute, 90.0f), B::l(LV2_TIME__frame, 44100), B::d(LV2_TIME__speed, 0.0)});
    lv.connect_port(5, seq.data());
    lv.run(100);
    ASSERT_EQ(probe->chunks.size(), 1u);
    EXPECT_EQ(probe->chunks[0].info.tempoBpm, 90.0);
    EXPECT_EQ(probe->chunks[0].info.positionInSamples, 44100);
    EXPECT_FALSE(probe->chunks[0].info.isPlaying);
    EXPECT_EQ(lv.timeInfo().positionInSamples, 44200);

    B seq2(host);
    seq2.position({B::d(LV2_TIME__frame, -7.9), B::i(LV2_TIME__beatsPerMinute, 140)}, LV2_ATOM__Blank);
    lv.connect_port(5, seq2.data());
    lv.run(10);
    EXPECT_EQ(probe->chunks[1].info.positionInSamples, -7);
    EXPECT_EQ(probe->chunks[1].info.tempoBpm, 140.0);
    EXPECT_FALSE(probe->chunks[1].info.isPlaying); // no speed: unchanged

    B seq3(host);
    seq3.position({B::i(LV2_TIME__speed, 1), B::f(LV2_TIME__frame, 12.5f)});
    lv.connect_port(5, seq3.data());
    lv.run(10);
    EXPECT_TRUE(probe->chunks[2].info.isPlaying);
    EXPECT_EQ(probe->chunks[2].info.positionInSamples, 12);
}

TEST(LV2TimePosition, LastValueWinsAndOtherTypesAreIgnored)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    ASSERT_TRUE(lv.instantiate(48000.0, host.features()));
    using B = AtomSequenceBuilder;
    B seq(host);
    B::Property str{LV2_TIME__beatsPerMinute, LV2_ATOM__String, {'9', '9', 0, 0}};
    seq.position({B::d(LV2_TIME__beatsPerMinute, 100.0), B::d(LV2_TIME__beatsPerMinute, 101.0)});
    seq.position({str});
    lv.connect_port(5, seq.data());
    lv.run(8);
    EXPECT_EQ(probe->chunks[0].info.tempoBpm, 101.0);
}

TEST(LV2MalformedAtoms, NeverReadOutsideTheSequence)
{
    TestHostFeatures host;
    auto* probe = Client::create<ProbeClient>();
    LV2Client lv(probe, 0);
    ASSERT_TRUE(lv.instantiate(48000.0, host.features()));
    using B = AtomSequenceBuilder;
    const LV2_URID object = host.map(LV2_ATOM__Object);

    // Event claiming a body far past the end.
    B huge(host);
    huge.event(0, object, std::vector<uint8_t>(16, 0), 0x7FFFFFF0);
    lv.connect_port(5, huge.data());
    lv.run(8);

    // Zero-sized events: must still advance.
    B zeros(host);
    for (int i = 0; i < 4; ++i)
        zeros.event(0, object, {}, 0);
    lv.connect_port(5, zeros.data());
    lv.run(8);

    // Property whose value runs past its object.
    B prop(host);
    prop.position({B::d(LV2_TIME__beatsPerMinute, 77.0)});
    auto& bytes = prop.bytes();
    // The value atom's size field sits 16 (sequence) + 16 (event) + 8 (object body) + 8 (key, context) bytes in.
    uint32_t bigValue = 0x10000;
    std::memcpy(bytes.data() + 16 + 16 + 8 + 8, &bigValue, 4);
    lv.connect_port(5, prop.data());
    lv.run(8);
    EXPECT_EQ(probe->chunks.back().info.tempoBpm, 120.0);

    // Truncated object: header says object but the body is shorter than its own header.
    B truncated(host);
    truncated.event(0, object, {1, 2, 3, 4});
    lv.connect_port(5, truncated.data());
    lv.run(8);

    // Sequence claiming more than it holds (the event header would end past the buffer).
    B shortSeq(host);
    shortSeq.position({B::d(LV2_TIME__beatsPerMinute, 99.0)});
    shortSeq.claimSize(8 + 12);
    lv.connect_port(5, shortSeq.data());
    lv.run(8);
    EXPECT_EQ(probe->chunks.back().info.tempoBpm, 120.0);

    // Sequence size smaller than its own body header.
    B tiny(host);
    tiny.claimSize(3);
    lv.connect_port(5, tiny.data());
    lv.run(8);
    EXPECT_EQ(probe->chunks.size(), 6u);
}

TEST(LV2EntryPoints, LeaveTheHostFloatingPointStateAsTheyFoundIt)
{
    Instance inst(1);
    inst.connectAll(256);
    const unsigned hostState = 0x1F80; // exceptions masked, no flush-to-zero
    const unsigned saved = _mm_getcsr();
    _mm_setcsr(hostState);
    inst.desc->run(inst.handle, 256);
    inst.desc->connect_port(inst.handle, 0, &inst.controls[0]);
    inst.desc->activate(inst.handle);
    const unsigned after = _mm_getcsr() & ~0x3Fu; // ignore sticky exception flags
    _mm_setcsr(saved);
    EXPECT_EQ(after, hostState);
}
