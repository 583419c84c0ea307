#include "TestClient.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace vf;
using namespace vf::test;

namespace {

struct Fixture {
    TestClient* client = Client::create<TestClient>();
    RecordingHost host;
    float in[2][4096] = {};
    float out[2][4096] = {};
    float* ins[2] = {in[0], in[1]};
    float* outs[2] = {out[0], out[1]};
    Fixture()
    {
        client->attachHostCommand(&host);
        client->resetFromHost(48000.0, 4096, 2, 2);
    }
    ~Fixture() { delete client; }
};

} // namespace

TEST(ClientChunking, SplitsIntoFullChunksThenTheRest)
{
    Fixture f;
    TimeInfo info{120.0, 1000, true};
    f.client->processAudioFromHost(f.ins, f.outs, 1300, info, false);
    const auto& calls = f.client->chunks;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].frames, 512);
    EXPECT_EQ(calls[1].frames, 512);
    EXPECT_EQ(calls[2].frames, 276);
    EXPECT_EQ(calls[0].info.positionInSamples, 1000);
    EXPECT_EQ(calls[1].info.positionInSamples, 1512);
    EXPECT_EQ(calls[2].info.positionInSamples, 2024);
    EXPECT_EQ(calls[1].firstInput, f.in[0] + 512);
    EXPECT_EQ(calls[2].firstOutput, f.out[0] + 1024);
    // The pointer arrays are advanced in place, both channels.
    EXPECT_EQ(f.ins[1], f.in[1] + 1300);
    EXPECT_EQ(f.outs[1], f.out[1] + 1300);
}

TEST(ClientChunking, ExactMultipleHasNoEmptyTrailingCall)
{
    Fixture f;
    f.client->processAudioFromHost(f.ins, f.outs, 1024, TimeInfo{}, false);
    ASSERT_EQ(f.client->chunks.size(), 2u);
    EXPECT_EQ(f.client->chunks[1].frames, 512);
}

TEST(ClientChunking, ZeroFramesCallsNothingUnlessUnsplit)
{
    Fixture f;
    f.client->processAudioFromHost(f.ins, f.outs, 0, TimeInfo{}, false);
    EXPECT_TRUE(f.client->chunks.empty());
    f.client->processAudioFromHost(f.ins, f.outs, 0, TimeInfo{}, true);
    ASSERT_EQ(f.client->chunks.size(), 1u);
    EXPECT_EQ(f.client->chunks[0].frames, 0);
}

TEST(ClientChunking, DoNotSplitPassesWholeBlock)
{
    Fixture f;
    f.client->processAudioFromHost(f.ins, f.outs, 1300, TimeInfo{}, true);
    ASSERT_EQ(f.client->chunks.size(), 1u);
    EXPECT_EQ(f.client->chunks[0].frames, 1300);
}

TEST(ClientChunking, MonoCallerArraysAreNotOverrun)
{
    // The widest layout is stereo, but a mono host passes one pointer each.
    TestClient* client = Client::create<TestClient>();
    client->resetFromHost(44100.0, 2048, 1, 1);
    float in[2048] = {}, out[2048] = {};
    float* ins[1] = {in};
    float* outs[1] = {out};
    client->processAudioFromHost(ins, outs, 2048, TimeInfo{}, false);
    EXPECT_EQ(ins[0], in + 2048);
    EXPECT_EQ(client->chunks.size(), 4u);
    delete client;
}

TEST(ClientReset, TellsPluginTheLargestChunkItWillGet)
{
    TestClient* client = new TestClient;
    client->chunkLimit = 0;
    client->initialize();
    client->resetFromHost(44100.0, 4096, 1, 1);
    ASSERT_EQ(client->resets.size(), 1u);
    EXPECT_EQ(client->resets[0][1], 4096.0); // no limit: the host's maximum
    delete client;

    client = Client::create<TestClient>();
    client->resetFromHost(48000.0, 4096, 2, 2);
    client->resetFromHost(48000.0, 256, 2, 2);
    ASSERT_EQ(client->resets.size(), 2u);
    EXPECT_EQ(client->resets[0], (std::vector<double>{48000.0, 512.0, 2.0, 2.0}));
    EXPECT_EQ(client->resets[1], (std::vector<double>{48000.0, 256.0, 2.0, 2.0}));
    delete client;
}

TEST(ClientConstruction, ChannelMaximaComeFromLegalLayouts)
{
    TestClient* client = Client::create<TestClient>();
    EXPECT_EQ(client->maxInputs(), 2);
    EXPECT_EQ(client->maxOutputs(), 2);
    EXPECT_EQ(client->param(0).client(), client);
    EXPECT_EQ(client->presetBank().numPresets(), 1);
    delete client;

    client = new TestClient;
    client->layouts = {{0, 1}, {3, 0}};
    client->initialize();
    EXPECT_EQ(client->maxInputs(), 3);
    EXPECT_EQ(client->maxOutputs(), 1);
    delete client;

    client = new TestClient;
    client->layouts.clear();
    client->initialize();
    EXPECT_EQ(client->maxInputs(), 0);
    EXPECT_EQ(client->maxOutputs(), 0);
    delete client;
}

TEST(ClientConstruction, DefaultPresetHoldsEveryDefault)
{
    TestClient* client = Client::create<TestClient>();
    auto preset = client->makeDefaultPreset();
    EXPECT_EQ(preset->name(), "Default");
    ASSERT_EQ(preset->normalizedValues().size(), 3u);
    EXPECT_NEAR(preset->normalizedValues()[0], std::sqrt(std::pow(10.0, -6.0 / 20.0)), 1e-6);
    EXPECT_EQ(preset->normalizedValues()[1], 1.0f);
    EXPECT_EQ(preset->normalizedValues()[2], 0.25f);
    delete client;
}

TEST(ClientHostCommand, ThirdFormatForcesChunkLimit)
{
    TestClient* client = new TestClient;
    client->chunkLimit = 0;
    client->initialize();
    RecordingHost host;
    host.format = PluginFormat::vst3;
    client->attachHostCommand(&host);
    EXPECT_EQ(client->cachedMaxFramesInProcess(), 512);
    delete client;

    client = new TestClient;
    client->chunkLimit = 0;
    client->initialize();
    RecordingHost lv2;
    client->attachHostCommand(&lv2);
    EXPECT_EQ(client->cachedMaxFramesInProcess(), 0);
    EXPECT_EQ(client->getPluginFormat(), PluginFormat::lv2);
    EXPECT_TRUE(client->requestResize(10, 10));
    client->attachHostCommand(nullptr);
    EXPECT_FALSE(client->requestResize(10, 10));
    delete client;
}

TEST(MidiQueue, EqualOffsetsLeaveInQueueOrder)
{
    MidiQueue q;
    for (uint8_t i = 0; i < 20; ++i)
        q.enqueue(MidiMessage{i % 2 == 0 ? 5 : 3, i, 0, 0, 0});
    std::vector<int> order;
    while (!q.empty()) {
        order.push_back(q.minElement().status);
        q.popMinElement();
    }
    std::vector<int> expected;
    for (int i = 1; i < 20; i += 2)
        expected.push_back(i);
    for (int i = 0; i < 20; i += 2)
        expected.push_back(i);
    EXPECT_EQ(order, expected);
}

TEST(MidiQueue, OffsetsBecomeAbsoluteAfterAdvancing)
{
    MidiQueue q;
    q.advance(100);
    q.enqueue(MidiMessage{7, 0x90, 60, 100, 0});
    EXPECT_EQ(q.minElement().offset, 107);
    q.reset();
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.elapsedFrames(), 0);
}

TEST(ClientMidiOutput, DrainRebasesOntoTheChunkWhereMessageIsDue)
{
    TestClient* client = new TestClient;
    client->sendsMidi = true;
    client->initialize();
    client->resetFromHost(48000.0, 2048, 1, 1);
    client->onProcess = [](FakeClient& c, int) {
        if (c.chunks.size() == 1) {
            c.sendMIDIMessage(MidiMessage{10, 0x90, 1, 1, 0});
            c.sendMIDIMessage(MidiMessage{600, 0x80, 1, 0, 0});
        }
    };
    float in[1300] = {}, out[1300] = {};
    float* ins[1] = {in};
    float* outs[1] = {out};
    client->processAudioFromHost(ins, outs, 1300, TimeInfo{}, false);
    auto& sent = client->outputMidiForHost();
    ASSERT_EQ(sent.length(), 2);
    EXPECT_EQ(sent[0].offset, 10);
    EXPECT_EQ(sent[1].offset, 600 - 512);
    delete client;
}
