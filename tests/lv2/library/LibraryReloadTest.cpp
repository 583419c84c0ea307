// Loads the built plug-in library the way a host does -- dlopen only -- runs both
// plug-ins, unloads it, and does it all again in the same process.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <dlfcn.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct UridMap {
    std::map<std::string, LV2_URID> ids;
    static LV2_URID map(LV2_URID_Map_Handle h, const char* uri)
    {
        auto* self = static_cast<UridMap*>(h);
        auto [it, inserted] = self->ids.emplace(uri, static_cast<LV2_URID>(self->ids.size() + 1));
        return it->second;
    }
};

using DescriptorFn = const LV2_Descriptor* (*)(uint32_t);

void runBothPlugins()
{
    void* library = dlopen(VF_PLUGIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto descriptorFn = reinterpret_cast<DescriptorFn>(dlsym(library, "lv2_descriptor"));
    ASSERT_NE(descriptorFn, nullptr);

    UridMap urids;
    LV2_URID_Map map{&urids, UridMap::map};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};

    int found = 0;
    for (uint32_t d = 0;; ++d) {
        const LV2_Descriptor* desc = descriptorFn(d);
        if (desc == nullptr)
            break;
        ++found;
        LV2_Handle h = desc->instantiate(desc, 48000.0, "/nonexistent", features);
        ASSERT_NE(h, nullptr);
        const uint32_t channels = d == 0 ? 1 : 2;
        std::vector<float> controls(6, 0.5f);
        std::vector<std::vector<float>> audio(2 * channels, std::vector<float>(256, 0.25f));
        float latency = -1.0f;
        uint8_t eventBuffer[64] = {};
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(eventBuffer);
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->atom.type = urids.map(&urids, LV2_ATOM__Sequence);
        uint32_t port = 0;
        for (; port < 6; ++port)
            desc->connect_port(h, port, &controls[port]);
        for (uint32_t i = 0; i < 2 * channels; ++i)
            desc->connect_port(h, port++, audio[i].data());
        desc->connect_port(h, port++, &latency);
        desc->connect_port(h, port++, seq);
        desc->activate(h);
        for (int block = 0; block < 4; ++block)
            desc->run(h, 256);
        desc->deactivate(h);
        EXPECT_EQ(latency, 0.0f);
        desc->cleanup(h);
    }
    EXPECT_EQ(found, 2);
    EXPECT_EQ(dlclose(library), 0);
}

} // namespace

TEST(LibraryReload, RunsBothPluginsTwiceInOneProcess)
{
    runBothPlugins();
    runBothPlugins();
}
