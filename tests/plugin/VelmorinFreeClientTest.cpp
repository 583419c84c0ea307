#include "client/IGraphics.hpp"
#include "client/BoolParameter.hpp"
#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using namespace vf;

namespace {

std::unique_ptr<VelmorinFreeClient> make() { return std::unique_ptr<VelmorinFreeClient>(Client::create<VelmorinFreeClient>()); }

std::string shown(Parameter& p)
{
    char buf[32];
    p.toDisplayN(buf, sizeof buf);
    return buf;
}

} // namespace

TEST(VelmorinFreeClient, DescribesItself)
{
    auto c = make();
    const PluginInfo& info = c->pluginInfo();
    EXPECT_EQ(info.vendorName, "Drevkin");
    EXPECT_EQ(info.pluginName, "Velmorin-Free");
    EXPECT_EQ(info.pluginUniqueID, "QZPN");
    EXPECT_EQ(info.publicVersion.packed(), 65536);
    EXPECT_TRUE(info.hasGUI);
    EXPECT_FALSE(info.receivesMIDI || info.sendsMIDI || info.isSynth);
    EXPECT_EQ(info.category, PluginCategory::effectDynamics);
    ASSERT_EQ(c->legalIOs().size(), 2u);
    EXPECT_EQ(c->legalIOs()[0].numInputs, 1);
    EXPECT_EQ(c->legalIOs()[1].numOutputs, 2);
    EXPECT_EQ(c->latencySamples(44100.0), 0);
    EXPECT_EQ(c->latencySamples(192000.0), 0);
    EXPECT_EQ(c->tailSizeInSeconds(), 0.8f);
    EXPECT_EQ(c->cachedMaxFramesInProcess(), 512);
}

TEST(VelmorinFreeClient, SixParametersWithTheirDefaults)
{
    auto c = make();
    ASSERT_EQ(c->numParams(), 6);
    const char* names[] = {"Input gain", "Edge", "Tube amount", "Tube amount", "Brilliance", "Output gain"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(c->param(i).name(), names[i]);
        EXPECT_EQ(c->param(i).index(), i);
        EXPECT_TRUE(c->param(i).isAutomatable());
    }
    EXPECT_NEAR(c->param(0).getNormalizedDefault(), std::sqrt(std::pow(10.0, -4.0 / 20.0)), 1e-9);
    EXPECT_NEAR(c->param(5).getNormalizedDefault(), std::sqrt(std::pow(10.0, -6.0 / 20.0)), 1e-9);
    EXPECT_EQ(c->param(1).getNormalizedDefault(), 0.0);
    EXPECT_EQ(c->param(2).getNormalizedDefault(), 0.0);
    EXPECT_EQ(c->param(4).getNormalizedDefault(), 1.0);
    EXPECT_EQ(shown(c->param(0)), "-4.0");
    EXPECT_EQ(shown(c->param(5)), "0.0");
    EXPECT_EQ(shown(c->param(4)), "yes");
    c->param(2).setFromHost(0.5);
    EXPECT_EQ(shown(c->param(2)), "50.00");
    EXPECT_STREQ(c->param(2).label(), "%");
    EXPECT_STREQ(c->param(1).label(), "");
}

TEST(VelmorinFreeClient, DefaultPresetMatchesDefaults)
{
    auto c = make();
    ASSERT_EQ(c->presetBank().numPresets(), 1);
    const Preset& p = c->presetBank().preset(0);
    EXPECT_EQ(p.name(), "Default");
    ASSERT_EQ(p.normalizedValues().size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p.normalizedValues()[static_cast<size_t>(i)], static_cast<float>(c->param(i).getNormalizedDefault()));
    EXPECT_EQ(c->presetBank().getStateChunkFromCurrentState().size(), 48u);
}

TEST(VelmorinFreeClient, ProcessKeepsEditorHandshakeIntact)
{
    auto c = make();
    c->resetFromHost(48000.0, 1024, 2, 2);
    float l[1024] = {}, r[1024] = {}, ol[1024], orr[1024];
    l[0] = 0.5f;
    float* ins[2] = {l, r};
    float* outs[2] = {ol, orr};
    c->processAudioFromHost(ins, outs, 1024, TimeInfo{}, false);
    EXPECT_FALSE(c->graphicsCreated().load()); // no editor opened yet: nothing to hand over
    IGraphics* editor = c->createGraphics(); // built without a display; opening needs one
    ASSERT_NE(editor, nullptr);
    int w = 0, h = 0;
    editor->getGUISize(&w, &h);
    EXPECT_EQ(w, 365);
    EXPECT_EQ(h, 650);
    delete editor;
    EXPECT_TRUE(std::isfinite(ol[0]));
}
