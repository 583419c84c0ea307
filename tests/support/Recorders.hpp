#pragma once
// Stand-ins that record what the code under test tells its host and its listeners.
#include "client/IHostCommand.hpp"
#include "client/IParameterListener.hpp"

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

// Records the notifications a parameter sends, in order.
struct RecordingListener : IParameterListener {
    std::vector<char> events; // 'b' begin, 'c' changed, 'e' end
    void onParameterChanged(Parameter*) override { events.push_back('c'); }
    void onBeginParameterEdit(Parameter*) override { events.push_back('b'); }
    void onEndParameterEdit(Parameter*) override { events.push_back('e'); }
};

} // namespace vf::test
