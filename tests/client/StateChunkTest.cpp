#include "TestClient.hpp"

#include "client/StateChunkError.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace vf;
using namespace vf::test;

namespace {

struct Fixture {
    TestClient* client = Client::create<TestClient>();
    ~Fixture() { delete client; }

    std::string load(const std::vector<uint8_t>& chunk)
    {
        try {
            client->presetBank().loadStateChunk(chunk.data(), chunk.size());
        } catch (const StateChunkError& e) {
            return e.what();
        }
        return "";
    }
};

void putInt(std::vector<uint8_t>& c, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        c[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

void putFloat(std::vector<uint8_t>& c, size_t at, float f)
{
    int32_t v;
    std::memcpy(&v, &f, 4);
    putInt(c, at, v);
}

} // namespace

TEST(StateChunk, LayoutIsLittleEndianWithPackedVersion)
{
    Fixture f;
    std::vector<uint8_t> c = f.client->presetBank().getStateChunkFromCurrentState();
    ASSERT_EQ(c.size(), 24u + 3 * 4);
    EXPECT_EQ(c[0], 0x0B);
    EXPECT_EQ(c[1], 0x20);
    EXPECT_EQ(c[2], 0xBA);
    EXPECT_EQ(c[3], 0x92);
    EXPECT_EQ(c[4], 0);
    EXPECT_EQ(c[12], 3); // 1.2.3 -> 0x010203
    EXPECT_EQ(c[13], 2);
    EXPECT_EQ(c[14], 1);
    EXPECT_EQ(c[20], 3); // parameter count
}

TEST(StateChunk, RoundTripRestoresEveryValue)
{
    Fixture f;
    f.client->param(0).setFromHost(0.3);
    f.client->param(1).setFromHost(0.0);
    f.client->param(2).setFromHost(0.8);
    std::vector<uint8_t> c = f.client->presetBank().getStateChunkFromCurrentState();
    Fixture g;
    EXPECT_EQ(g.load(c), "");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(static_cast<float>(g.client->param(i).getNormalized()),
                  static_cast<float>(f.client->param(i).getNormalized()));
}

TEST(StateChunk, EachHeaderFaultHasItsMessage)
{
    Fixture f;
    std::vector<uint8_t> good = f.client->presetBank().getStateChunkFromCurrentState();

    auto c = good;
    c[2] = 0;
    EXPECT_EQ(f.load(c), "Can not load, magic number didn't match");

    c = good;
    putInt(c, 4, 1);
    EXPECT_EQ(f.load(c), "Can not load chunk done with a newer, incompatible Sorvane library");
    putInt(c, 4, -1);
    EXPECT_EQ(f.load(c), "");

    c = good;
    putInt(c, 16, 1);
    EXPECT_EQ(f.load(c), "Invalid preset index in state chunk");
    putInt(c, 16, -1);
    EXPECT_EQ(f.load(c), "Invalid preset index in state chunk");

    for (size_t cut : {0u, 3u, 10u, 17u, 22u}) {
        c.assign(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_EQ(f.load(c), "Expected a byte, but found end of input") << cut;
    }
    EXPECT_EQ(f.client->presetBank().currentPreset(), 0);
}

TEST(StateChunk, NewerPluginVersionStillLoads)
{
    Fixture f;
    auto c = f.client->presetBank().getStateChunkFromCurrentState();
    putInt(c, 12, (9 << 16) | (9 << 8) | 9);
    EXPECT_EQ(f.load(c), "");
}

TEST(StateChunk, TruncatedValuesApplyWhatWasRead)
{
    Fixture f;
    auto c = f.client->presetBank().getStateChunkFromCurrentState();
    putFloat(c, 24, 0.125f);
    putFloat(c, 28, 0.0f);
    c.resize(24 + 8 + 2);
    EXPECT_EQ(f.load(c), "Expected a byte, but found end of input");
    EXPECT_NEAR(f.client->param(0).getNormalized(), 0.125, 1e-12);
    EXPECT_EQ(f.client->param(1).getNormalized(), 0.0);
    EXPECT_EQ(f.client->param(2).getNormalized(), 0.25); // untouched default
}

TEST(StateChunk, ExtraValuesAreSkippedAndZeroCountOnlySetsPreset)
{
    Fixture f;
    auto c = f.client->presetBank().getStateChunkFromCurrentState();
    putInt(c, 20, 5);
    putFloat(c, 24 + 8, 1.0f);
    c.resize(24 + 5 * 4, 0);
    EXPECT_EQ(f.load(c), "");
    EXPECT_EQ(f.client->param(2).getNormalized(), 1.0);

    c.resize(24);
    putInt(c, 20, 0);
    f.client->param(2).setFromHost(0.5);
    EXPECT_EQ(f.load(c), "");
    EXPECT_EQ(f.client->param(2).getNormalized(), 0.5);
    putInt(c, 20, -7);
    EXPECT_EQ(f.load(c), "");
}

TEST(StateChunk, DamagedValuesStayInRange)
{
    Fixture f;
    auto c = f.client->presetBank().getStateChunkFromCurrentState();
    putFloat(c, 24, std::nanf(""));
    putFloat(c, 28, -3.0f);
    putFloat(c, 32, 42.0f);
    const double before = f.client->param(0).getNormalized();
    EXPECT_EQ(f.load(c), "");
    EXPECT_EQ(f.client->param(0).getNormalized(), before);
    EXPECT_EQ(f.client->param(1).getNormalized(), 0.0);
    EXPECT_EQ(f.client->param(2).getNormalized(), 1.0);
}

TEST(StateChunk, NullChunkReportsEndOfInput)
{
    Fixture f;
    EXPECT_THROW(f.client->presetBank().loadStateChunk(nullptr, 0), StateChunkError);
}
