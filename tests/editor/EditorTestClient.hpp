#pragma once
#include "client/BoolParameter.hpp"
#include "client/Client.hpp"
#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"
#include "tests/support/FakeClient.hpp"

#include <memory>
#include <vector>

namespace vf::test {

// A client with the editor's six parameters and no audio, so that the editor can
// be tested without the engine.
class EditorTestClient : public FakeClient {
public:
    std::vector<std::unique_ptr<Parameter>> buildParameters() override
    {
        std::vector<std::unique_ptr<Parameter>> p;
        p.push_back(std::make_unique<GainParameter>(0, "Input gain", 0.0, -4.0));
        p.push_back(std::make_unique<BoolParameter>(1, "Edge", false));
        p.push_back(std::make_unique<LinearFloatParameter>(2, "Tube amount", "%", 0.0, 100.0, 0.0));
        p.push_back(std::make_unique<LinearFloatParameter>(3, "Tube amount", "%", 0.0, 100.0, 0.0));
        p.push_back(std::make_unique<BoolParameter>(4, "Brilliance", true));
        p.push_back(std::make_unique<GainParameter>(5, "Output gain", 6.0, 0.0));
        return p;
    }
    PluginInfo buildPluginInfo() override
    {
        PluginInfo info;
        info.pluginName = "Editor test";
        info.hasGUI = true;
        return info;
    }
    EditorTestClient() { layouts = {LegalIO{2, 2}}; }
};

} // namespace vf::test
