// The library's C entry points: the descriptor tables and the calls that forward to LV2Client.
#include "lv2/LV2Entry.hpp"

#include "client/Client.hpp"
#include "core/ScopedFloatState.hpp"
#include "lv2/LV2Client.hpp"
#include "lv2/PluginUri.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#include <lv2/instance-access/instance-access.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace vf {

Client* createPluginClient() { return Client::create<VelmorinFreeClient>(); }

namespace {

// Every call from the host runs in our floating-point state and lets no exception
// reach the host: a failure answers the return type's zero (null, 0 or nothing).
template <typename Body, typename R = std::invoke_result_t<Body>>
R guarded(Body body)
{
    ScopedFloatState floatState;
    try {
        return body();
    } catch (...) {
        return R();
    }
}

// A call on one of our instances; a null handle does nothing.
template <typename Body, typename R = std::invoke_result_t<Body, LV2Client&>>
R onInstance(void* handle, Body body)
{
    return guarded([&]() -> R {
        if (handle == nullptr)
            return R();
        return body(*static_cast<LV2Client*>(handle));
    });
}

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char* bundlePath,
                       const LV2_Feature* const* features);
void connect_port(LV2_Handle instance, uint32_t port, void* data);
void activate(LV2_Handle instance);
void run(LV2_Handle instance, uint32_t sampleCount);
void deactivate(LV2_Handle instance);
void cleanup(LV2_Handle instance);

LV2UI_Handle instantiateUI(const LV2UI_Descriptor* descriptor, const char* pluginURI, const char* bundlePath,
                           LV2UI_Write_Function writeFunction, LV2UI_Controller controller, LV2UI_Widget* widget,
                           const LV2_Feature* const* features);
void cleanupUI(LV2UI_Handle ui);
void port_eventUI(LV2UI_Handle ui, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
const void* extensionDataUI(const char* uri);
int uiResize(LV2UI_Feature_Handle handle, int width, int height);
int idleUI(LV2UI_Handle ui);

const LV2UI_Resize lv2UIResize = {nullptr, uiResize};
const LV2UI_Idle_Interface lv2UIIdle = {idleUI};

// Built once from a throw-away client; freed when the library is unloaded, so a
// host that loads and unloads us repeatedly does not accumulate copies.
struct DescriptorTables {
    std::vector<LV2_Descriptor> descriptors;
    std::vector<std::unique_ptr<char[]>> uris;
    LV2UI_Descriptor uiDescriptor{};
    char uiUri[256] = {};
    bool hasUI = false;

    DescriptorTables()
    {
        std::unique_ptr<Client> client(createPluginClient());
        const PluginInfo& info = client->pluginInfo();
        for (const LegalIO& io : client->legalIOs()) {
            auto uri = std::make_unique<char[]>(256);
            sprintPluginURI_IO(uri.get(), 256, info, io);
            LV2_Descriptor d{};
            d.URI = uri.get();
            d.instantiate = instantiate;
            d.connect_port = connect_port;
            d.activate = activate;
            d.run = run;
            d.deactivate = deactivate;
            d.cleanup = cleanup;
            d.extension_data = nullptr;
            descriptors.push_back(d);
            uris.push_back(std::move(uri));
        }
        hasUI = info.hasGUI;
        if (hasUI) {
            sprintPluginURI_UI(uiUri, sizeof uiUri, info);
            uiDescriptor.URI = uiUri;
            uiDescriptor.instantiate = instantiateUI;
            uiDescriptor.cleanup = cleanupUI;
            uiDescriptor.port_event = port_eventUI;
            uiDescriptor.extension_data = extensionDataUI;
        }
    }
};

DescriptorTables& tables()
{
    static DescriptorTables t; // thread-safe first construction
    return t;
}

// Instantiation class.
LV2_Handle instantiate(const LV2_Descriptor* descriptor, double rate, const char*, const LV2_Feature* const* features)
{
    return guarded([&]() -> LV2_Handle {
        DescriptorTables& t = tables();
        int index = -1;
        for (size_t i = 0; i < t.descriptors.size(); ++i)
            if (&t.descriptors[i] == descriptor)
                index = static_cast<int>(i);
        if (index < 0)
            return nullptr;
        auto instance = std::make_unique<LV2Client>(createPluginClient(), index);
        if (!instance->instantiate(rate, features))
            return nullptr;
        return instance.release();
    });
}

// Audio class.
void connect_port(LV2_Handle instance, uint32_t port, void* data)
{
    onInstance(instance, [&](LV2Client& c) { c.connect_port(port, data); });
}

// Instantiation class.
void activate(LV2_Handle instance)
{
    onInstance(instance, [](LV2Client& c) { c.activate(); });
}

// Audio class.
void run(LV2_Handle instance, uint32_t sampleCount)
{
    onInstance(instance, [&](LV2Client& c) { c.run(sampleCount); });
}

// Instantiation class.
void deactivate(LV2_Handle) {}

// Instantiation class.
void cleanup(LV2_Handle instance)
{
    onInstance(instance, [](LV2Client& c) { delete &c; });
}

// Host UI thread.
LV2UI_Handle instantiateUI(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function writeFunction,
                           LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    return guarded([&]() -> LV2UI_Handle {
        LV2Client* instance = nullptr;
        for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
            const LV2_Feature* f = features[i];
            if (f->URI != nullptr && std::strcmp(f->URI, LV2_INSTANCE_ACCESS_URI) == 0)
                instance = static_cast<LV2Client*>(f->data);
        }
        if (instance == nullptr)
            return nullptr;
        if (instance->instantiateUI(writeFunction, controller, widget, features) == nullptr)
            return nullptr;
        return instance;
    });
}

// Host UI thread.
void cleanupUI(LV2UI_Handle ui)
{
    onInstance(ui, [](LV2Client& c) { c.cleanupUI(); });
}

// Host UI thread.
void port_eventUI(LV2UI_Handle ui, uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
    onInstance(ui, [&](LV2Client& c) { c.portEventUI(port, bufferSize, format, buffer); });
}

// Discovery class.
const void* extensionDataUI(const char* uri)
{
    if (uri == nullptr)
        return nullptr;
    if (std::strcmp(uri, LV2_UI__resize) == 0)
        return &lv2UIResize;
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        LV2Client::hostDrivesIdle();
        return &lv2UIIdle;
    }
    return nullptr;
}

// Host UI thread.  The host passes the UI handle here, the LV2Client.  Always
// accepted: the editor shows the largest of its sizes that fits the area.
int uiResize(LV2UI_Feature_Handle handle, int width, int height)
{
    onInstance(handle, [&](LV2Client& c) { c.resizeUIFromHost(width, height); });
    return 0;
}

// Host UI thread.
int idleUI(LV2UI_Handle ui)
{
    return onInstance(ui, [](LV2Client& c) { return c.idleUI(); });
}

} // namespace
} // namespace vf

// Discovery class.
extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return vf::guarded([&]() -> const LV2_Descriptor* {
        vf::DescriptorTables& t = vf::tables();
        return index < t.descriptors.size() ? &t.descriptors[index] : nullptr;
    });
}

// Discovery class.
extern "C" const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return vf::guarded([&]() -> const LV2UI_Descriptor* {
        vf::DescriptorTables& t = vf::tables();
        return (t.hasUI && index == 0) ? &t.uiDescriptor : nullptr;
    });
}
