#pragma once
#include "client/Client.hpp"
#include "plugin/TubeEngine.hpp"

namespace vf {

// The plug-in: a two-band tube saturator with six parameters, mono or stereo.
class VelmorinFreeClient : public Client {
public:
    enum ParamIndex { paramInputGain = 0, paramEdge, paramTubeHigh, paramTubeLow, paramBrilliance, paramOutputGain };

    VelmorinFreeClient() = default;

    PluginInfo buildPluginInfo() override;
    std::vector<std::unique_ptr<Parameter>> buildParameters() override;
    std::vector<LegalIO> buildLegalIO() override;
    std::vector<std::unique_ptr<Preset>> buildPresets() override;
    int latencySamples(double sampleRate) override;
    float tailSizeInSeconds() override;
    int maxFramesInProcess() override;
    // Host UI thread, once per client: the panel editor (built without opening a window).
    IGraphics* createGraphics() override;

    // Audio thread.
    void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) override;
    // Audio thread: no locks, no allocation.
    void processAudio(const float* const* inputs, float* const* outputs, int frames, TimeInfo info) override;

private:
    TubeEngine engine_;
    int numInputs_ = 0;
    int numOutputs_ = 0;
};

} // namespace vf
