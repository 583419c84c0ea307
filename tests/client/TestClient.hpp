#pragma once
#include "client/BoolParameter.hpp"
#include "client/Client.hpp"
#include "client/GainParameter.hpp"
#include "client/IHostCommand.hpp"
#include "client/LinearFloatParameter.hpp"

#include <functional>
#include <string>
#include <vector>

namespace vf::test {

// Records every host call a parameter makes.
class RecordingHost : public IHostCommand {
public:
    struct Call {
        std::string what;
        int index;
        float value;
    };
    std::vector<Call> calls;
    PluginFormat format = PluginFormat::lv2;

    void beginParamEdit(int i) override { calls.push_back({"begin", i, 0.0f}); }
    void paramAutomate(int i, float v) override { calls.push_back({"automate", i, v}); }
    void endParamEdit(int i) override { calls.push_back({"end", i, 0.0f}); }
    bool requestResize(int, int) override { return true; }
    DAW getDAW() override { return DAW::unknown; }
    PluginFormat getPluginFormat() override { return format; }
};

// A small plug-in whose hooks the tests can observe and steer.
class TestClient : public Client {
public:
    struct ProcessCall {
        int frames;
        int64_t position;
        const float* firstInput;
        float* firstOutput;
    };
    std::vector<ProcessCall> processCalls;
    std::vector<std::vector<double>> resetCalls; // rate, maxFrames, inputs, outputs
    int chunkLimit = 512;
    std::vector<LegalIO> layouts{{1, 1}, {2, 2}};
    bool sendsMidi = false;
    std::function<void(TestClient&, int frames)> onProcess;

    PluginInfo buildPluginInfo() override
    {
        PluginInfo info;
        info.vendorName = "Vendor";
        info.pluginName = "Test";
        info.pluginHomepage = "https://example.test/";
        info.pluginUniqueID = "TEST";
        info.publicVersion = {1, 2, 3};
        info.sendsMIDI = sendsMidi;
        return info;
    }
    std::vector<std::unique_ptr<Parameter>> buildParameters() override
    {
        std::vector<std::unique_ptr<Parameter>> p;
        p.push_back(std::make_unique<GainParameter>(0, "Gain", 0.0, -6.0));
        p.push_back(std::make_unique<BoolParameter>(1, "Switch", true));
        p.push_back(std::make_unique<LinearFloatParameter>(2, "Amount", "%", 0.0, 100.0, 25.0));
        return p;
    }
    std::vector<LegalIO> buildLegalIO() override { return layouts; }
    int maxFramesInProcess() override { return chunkLimit; }
    void reset(double rate, int maxFrames, int ins, int outs) override
    {
        resetCalls.push_back({rate, double(maxFrames), double(ins), double(outs)});
    }
    void processAudio(const float* const* inputs, float* const* outputs, int frames, TimeInfo info) override
    {
        processCalls.push_back({frames, info.positionInSamples, inputs ? inputs[0] : nullptr,
                                outputs ? outputs[0] : nullptr});
        if (onProcess)
            onProcess(*this, frames);
    }
};

} // namespace vf::test
