#include "plugin/VelmorinFreeClient.hpp"

#include "client/BoolParameter.hpp"
#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"
#include "editor/VelmorinFreeGUI.hpp"

// The build passes the project's version, the one its packages carry.
#if !defined(VF_VERSION_MAJOR) || !defined(VF_VERSION_MINOR) || !defined(VF_VERSION_PATCH)
#error "VF_VERSION_MAJOR, VF_VERSION_MINOR and VF_VERSION_PATCH must be defined"
#endif

namespace vf {

PluginInfo VelmorinFreeClient::buildPluginInfo()
{
    PluginInfo info;
    info.vendorName = "Drevkin";
    info.vendorUniqueID = "Drvk";
    info.vendorSupportEmail = "support@drevkin.example";
    info.pluginName = "Velmorin-Free";
    info.pluginHomepage = "https://drevkin.example/velmorin-free/";
    info.pluginUniqueID = "QZPN";
    info.publicVersion = PluginVersion{VF_VERSION_MAJOR, VF_VERSION_MINOR, VF_VERSION_PATCH};
    info.hasGUI = true;
    info.isSynth = false;
    info.receivesMIDI = false;
    info.sendsMIDI = false;
    info.category = PluginCategory::effectDynamics;
    info.vstBundleIdentifier = "drevkin.vst.Velmorin-Free";
    info.auBundleIdentifier = "drevkin.audiounit.Velmorin-Free";
    info.aaxBundleIdentifier = "drevkin.aax.Velmorin-Free";
    return info;
}

std::vector<std::unique_ptr<Parameter>> VelmorinFreeClient::buildParameters()
{
    std::vector<std::unique_ptr<Parameter>> params;
    params.reserve(6);
    params.push_back(std::make_unique<GainParameter>(paramInputGain, "Input gain", 0.0, -4.0, 2.0));
    params.push_back(std::make_unique<BoolParameter>(paramEdge, "Edge", false));
    params.push_back(std::make_unique<LinearFloatParameter>(paramTubeHigh, "Tube amount", "%", 0.0, 100.0, 0.0));
    params.push_back(std::make_unique<LinearFloatParameter>(paramTubeLow, "Tube amount", "%", 0.0, 100.0, 0.0));
    params.push_back(std::make_unique<BoolParameter>(paramBrilliance, "Brilliance", true));
    params.push_back(std::make_unique<GainParameter>(paramOutputGain, "Output gain", 6.0, 0.0, 2.0));
    return params;
}

std::vector<LegalIO> VelmorinFreeClient::buildLegalIO() { return {LegalIO{1, 1}, LegalIO{2, 2}}; }

std::vector<std::unique_ptr<Preset>> VelmorinFreeClient::buildPresets()
{
    std::vector<std::unique_ptr<Preset>> presets;
    presets.push_back(makeDefaultPreset());
    return presets;
}

int VelmorinFreeClient::latencySamples(double) { return 0; }

float VelmorinFreeClient::tailSizeInSeconds() { return 0.8f; }

int VelmorinFreeClient::maxFramesInProcess() { return 512; }

IGraphics* VelmorinFreeClient::createGraphics() { return new VelmorinFreeGUI(*this); }

void VelmorinFreeClient::reset(double sampleRate, int maxFrames, int numInputs, int numOutputs)
{
    numInputs_ = numInputs;
    numOutputs_ = numOutputs;
    engine_.reset(sampleRate, maxFrames);
}

void VelmorinFreeClient::processAudio(const float* const* inputs, float* const* outputs, int frames, TimeInfo)
{
    EngineControls controls;
    controls.inputGainDb = static_cast<const GainParameter&>(param(paramInputGain)).valueAtomic();
    controls.edge = static_cast<const BoolParameter&>(param(paramEdge)).valueAtomic();
    controls.tubeHigh = static_cast<const LinearFloatParameter&>(param(paramTubeHigh)).valueAtomic();
    controls.tubeLow = static_cast<const LinearFloatParameter&>(param(paramTubeLow)).valueAtomic();
    controls.brilliance = static_cast<const BoolParameter&>(param(paramBrilliance)).valueAtomic();
    controls.outputGainDb = static_cast<const GainParameter&>(param(paramOutputGain)).valueAtomic();

    engine_.processAudio(inputs, outputs, numInputs_, numOutputs_, frames, controls);

    // Hand the editor back and forth so that a destructor racing with this
    // chunk waits for its end instead of pulling the editor away mid-chunk.
    std::atomic<bool>& created = graphicsCreated();
    bool expected = true;
    if (created.compare_exchange_strong(expected, false))
        created.store(true);
}

} // namespace vf
