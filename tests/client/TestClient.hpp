#pragma once
#include "client/BoolParameter.hpp"
#include "client/Client.hpp"
#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"
#include "tests/support/FakeClient.hpp"
#include "tests/support/Recorders.hpp"

#include <memory>
#include <vector>

namespace vf::test {

// A small plug-in with a gain, a switch and an amount.
class TestClient : public FakeClient {
public:
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
};

} // namespace vf::test
