#include "LV2TestHost.hpp"

#include "client/IGraphics.hpp"
#include "lv2/LV2Client.hpp"
#include "lv2/LV2Entry.hpp"

#include <lv2/instance-access/instance-access.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vf;
using namespace vf::test;

namespace {

struct GraphicsLog {
    int created = 0, opened = 0, closed = 0, destroyed = 0;
    void* lastParent = nullptr;
    IClient* lastClient = nullptr;
    bool failOpen = false;
    std::vector<std::pair<int, int>> hostSizes;
};

class FakeGraphics : public IGraphics {
public:
    explicit FakeGraphics(GraphicsLog& log) : log_(log) { ++log_.created; }
    ~FakeGraphics() override { ++log_.destroyed; }
    void* openUI(void* parent, void* controlInfo, IClient* client, GraphicsBackend backend) override
    {
        EXPECT_EQ(controlInfo, nullptr);
        EXPECT_EQ(backend, GraphicsBackend::automatic);
        log_.lastParent = parent;
        log_.lastClient = client;
        if (log_.failOpen)
            return nullptr;
        ++log_.opened;
        return reinterpret_cast<void*>(uintptr_t{0x1234});
    }
    void closeUI() override { ++log_.closed; }
    void getGUISize(int* w, int* h) override
    {
        *w = 365;
        *h = 650;
    }
    bool isResizeable() override { return true; }
    void getMaxSmallerValidSize(int*, int*) override {}
    void getNearestValidSize(int*, int*) override {}
    bool nativeWindowResize(int w, int h) override
    {
        log_.hostSizes.push_back({w, h});
        return true;
    }

private:
    GraphicsLog& log_;
};

class EditorClient : public ProbeClient {
public:
    GraphicsLog* log = nullptr;
    bool noEditor = false;
    IGraphics* createGraphics() override { return noEditor ? nullptr : new FakeGraphics(*log); }
};

// What the host records from the editor side.
struct HostUI {
    struct Write {
        uint32_t port, size, protocol;
        float value;
    };
    std::vector<Write> writes;
    std::vector<std::pair<uint32_t, bool>> touches;
    std::vector<std::pair<int, int>> resizes;
    int resizeAnswer = 0;

    static void write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
    {
        float v = 0;
        if (size == 4)
            std::memcpy(&v, buffer, 4);
        static_cast<HostUI*>(c)->writes.push_back({port, size, protocol, v});
    }
    static void touch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed)
    {
        static_cast<HostUI*>(h)->touches.push_back({port, grabbed});
    }
    static int resize(LV2UI_Feature_Handle h, int w, int ht)
    {
        auto* self = static_cast<HostUI*>(h);
        self->resizes.push_back({w, ht});
        return self->resizeAnswer;
    }

    LV2UI_Touch touchFeature{this, touch};
    LV2UI_Resize resizeFeature{this, resize};
};

struct Bridge {
    GraphicsLog log;
    TestHostFeatures host;
    EditorClient* client = Client::create<EditorClient>();
    std::unique_ptr<LV2Client> lv2;
    HostUI ui;
    int parentWindow = 0;

    Bridge()
    {
        client->log = &log;
        lv2 = std::make_unique<LV2Client>(client, 1);
        EXPECT_TRUE(lv2->instantiate(48000.0, host.features()));
    }

    LV2UI_Handle open(bool withResize = true, bool withTouch = true, bool withWrite = true,
                      LV2UI_Widget* widgetOut = nullptr)
    {
        const LV2UI_Descriptor* d = lv2ui_descriptor(0);
        LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, lv2.get()};
        LV2_Feature parent{LV2_UI__parent, &parentWindow};
        LV2_Feature resize{LV2_UI__resize, &ui.resizeFeature};
        LV2_Feature touch{LV2_UI__touch, &ui.touchFeature};
        std::vector<const LV2_Feature*> features{&instance, &parent};
        if (withResize)
            features.push_back(&resize);
        if (withTouch)
            features.push_back(&touch);
        features.push_back(nullptr);
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle h = d->instantiate(d, "uri", "/tmp", withWrite ? HostUI::write : nullptr, &ui,
                                        widgetOut ? widgetOut : &widget, features.data());
        return h;
    }
};

} // namespace

TEST(LV2UIDescriptor, OneEditorThenNull)
{
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->URI, "https://drevkin.example/velmorin-free/515A504E#ui");
    EXPECT_EQ(lv2ui_descriptor(1), nullptr);
    EXPECT_EQ(d->extension_data(LV2_UI__resize), d->extension_data(LV2_UI__resize));
    auto* resize = static_cast<const LV2UI_Resize*>(d->extension_data(LV2_UI__resize));
    ASSERT_NE(resize, nullptr);
    EXPECT_EQ(resize->ui_resize(resize->handle, 123, 456), 0);
    EXPECT_EQ(d->extension_data(LV2_UI__showInterface), nullptr);
    EXPECT_EQ(d->extension_data(nullptr), nullptr);
}

TEST(LV2EditorBridge, OpenCloseReopenCreatesEditorOnce)
{
    Bridge b;
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle h = b.open(true, true, true, &widget);
    ASSERT_EQ(h, b.lv2.get());
    EXPECT_EQ(widget, reinterpret_cast<void*>(uintptr_t{0x1234}));
    EXPECT_EQ(b.log.lastParent, &b.parentWindow);
    EXPECT_EQ(b.log.lastClient, static_cast<IClient*>(b.client));
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    d->cleanup(h);
    ASSERT_EQ(b.open(), b.lv2.get());
    d->cleanup(h);
    d->cleanup(h); // a second close is harmless
    EXPECT_EQ(b.log.created, 1);
    EXPECT_EQ(b.log.opened, 2);
    EXPECT_EQ(b.log.closed, 2);
    EXPECT_TRUE(b.client->graphicsCreated().load());
    b.lv2.reset();
    EXPECT_EQ(b.log.destroyed, 1);
}

TEST(LV2EditorBridge, ReportsSizeOnceAfterOpening)
{
    Bridge b;
    b.open();
    ASSERT_EQ(b.ui.resizes.size(), 1u);
    EXPECT_EQ(b.ui.resizes[0], std::make_pair(365, 650));
    EXPECT_TRUE(b.lv2->requestResize(400, 700));
    b.ui.resizeAnswer = 1;
    EXPECT_FALSE(b.lv2->requestResize(400, 700));
}

TEST(LV2EditorBridge, HostWithoutResizeGetsNoCall)
{
    Bridge b;
    ASSERT_NE(b.open(false), nullptr);
    EXPECT_TRUE(b.ui.resizes.empty());
    EXPECT_FALSE(b.lv2->requestResize(400, 700));
    EXPECT_FALSE(b.client->requestResize(400, 700));
}

TEST(LV2EditorBridge, GestureReachesHostAsTouchWriteTouch)
{
    Bridge b;
    b.open();
    auto& amount = static_cast<LinearFloatParameter&>(b.client->param(0));
    amount.beginParamEdit();
    amount.setFromGUI(0.25);
    amount.setFromGUI(0.75);
    amount.endParamEdit();
    ASSERT_EQ(b.ui.touches.size(), 2u);
    EXPECT_EQ(b.ui.touches[0], std::make_pair(0u, true));
    EXPECT_EQ(b.ui.touches[1], std::make_pair(0u, false));
    ASSERT_EQ(b.ui.writes.size(), 2u);
    EXPECT_EQ(b.ui.writes[0].port, 0u);
    EXPECT_EQ(b.ui.writes[0].size, 4u);
    EXPECT_EQ(b.ui.writes[0].protocol, 0u);
    EXPECT_EQ(b.ui.writes[0].value, 0.25f);
    EXPECT_EQ(b.ui.writes[1].value, 0.75f);

    auto& sw = static_cast<BoolParameter&>(b.client->param(1));
    sw.beginParamEdit();
    sw.setFromGUI(true);
    sw.endParamEdit();
    EXPECT_EQ(b.ui.writes.back().port, 1u);
    EXPECT_EQ(b.ui.writes.back().value, 1.0f);
}

TEST(LV2EditorBridge, HostWithoutWriteOrTouchStillWorks)
{
    Bridge b;
    ASSERT_NE(b.open(true, false, false), nullptr);
    auto& amount = static_cast<LinearFloatParameter&>(b.client->param(0));
    amount.beginParamEdit();
    amount.setFromGUI(0.5);
    amount.endParamEdit();
    EXPECT_TRUE(b.ui.writes.empty());
    EXPECT_TRUE(b.ui.touches.empty());
    EXPECT_EQ(amount.value(), 0.5);
}

TEST(LV2EditorBridge, NoWindowMeansNoEditorButPluginRuns)
{
    Bridge b;
    b.log.failOpen = true; // e.g. no X display
    EXPECT_EQ(b.open(), nullptr);
    EXPECT_TRUE(b.ui.resizes.empty());
    std::vector<float> in(64, 1.0f), out(64);
    b.lv2->connect_port(2, in.data());
    b.lv2->connect_port(4, out.data());
    b.lv2->run(64);
    EXPECT_EQ(out[0], 2.0f);
    b.log.failOpen = false;
    EXPECT_NE(b.open(), nullptr); // the same editor object opens later
    EXPECT_EQ(b.log.created, 1);
}

TEST(LV2EditorBridge, ClientWithoutEditorGivesNoHandle)
{
    Bridge b;
    b.client->noEditor = true;
    EXPECT_EQ(b.open(), nullptr);
    lv2ui_descriptor(0)->cleanup(b.lv2.get());
    EXPECT_EQ(b.log.created, 0);
}

TEST(LV2EditorBridge, MissingInstanceAccessGivesNoHandle)
{
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ(d->instantiate(d, "uri", "/tmp", nullptr, nullptr, &widget, nullptr), nullptr);
    LV2_Feature nullInstance{LV2_INSTANCE_ACCESS_URI, nullptr};
    const LV2_Feature* features[] = {&nullInstance, nullptr};
    EXPECT_EQ(d->instantiate(d, "uri", "/tmp", nullptr, nullptr, &widget, features), nullptr);
    d->cleanup(nullptr);
    d->port_event(nullptr, 0, 4, 0, nullptr);
}

TEST(LV2EditorBridge, PortEventsAreIgnored)
{
    Bridge b;
    LV2UI_Handle h = b.open();
    float v = 0.9f;
    lv2ui_descriptor(0)->port_event(h, 0, 4, 0, &v);
    EXPECT_EQ(b.client->param(0).getNormalized(), 0.5);
}

TEST(LV2EditorBridge, RealPluginSurvivesEditorRequestWithoutParent)
{
    // Whether or not an editor can open here, the instance must stay usable.
    TestHostFeatures host;
    const LV2_Descriptor* d = lv2_descriptor(1);
    LV2_Handle h = d->instantiate(d, 48000.0, "/tmp", host.features());
    ASSERT_NE(h, nullptr);
    LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, h};
    const LV2_Feature* features[] = {&instance, nullptr};
    LV2UI_Widget widget = nullptr;
    const LV2UI_Descriptor* ui = lv2ui_descriptor(0);
    LV2UI_Handle uh = ui->instantiate(ui, d->URI, "/tmp", nullptr, nullptr, &widget, features);
    if (uh != nullptr)
        ui->cleanup(uh);
    d->run(h, 16);
    d->cleanup(h);
}

TEST(LV2EditorBridge, HostDrivingIdleGetsEditorCallsOnlyFromIdleAndCleanup)
{
    Bridge b;
    LV2UI_Handle h = b.open();
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->idle(h), 0);
    auto& amount = static_cast<LinearFloatParameter&>(b.client->param(0));
    amount.beginParamEdit();
    amount.setFromGUI(0.25);
    EXPECT_TRUE(b.client->requestResize(456, 813));
    EXPECT_TRUE(b.ui.touches.empty());
    EXPECT_TRUE(b.ui.writes.empty());
    EXPECT_EQ(b.ui.resizes.size(), 1u); // the size report of the opening
    idle->idle(h);
    EXPECT_EQ(b.ui.touches, (std::vector<std::pair<uint32_t, bool>>{{0, true}}));
    ASSERT_EQ(b.ui.writes.size(), 1u);
    EXPECT_EQ(b.ui.resizes.back(), std::make_pair(456, 813));
    // Owed when the host closes the editor: delivered before cleanup returns.
    amount.setFromGUI(0.75);
    amount.endParamEdit();
    d->cleanup(h);
    EXPECT_EQ(b.ui.touches.back(), std::make_pair(0u, false));
    EXPECT_EQ(b.ui.writes.back().value, 0.75f);
    // This host kept its port at 0.5 (a Touch control back on its list): the plug-in follows it.
    float port = 0.5f;
    b.lv2->connect_port(0, &port);
    b.lv2->run(16);
    EXPECT_EQ(amount.getNormalized(), 0.5);
}

TEST(LV2EditorBridge, HostResizeReachesOnlyAnOpenEditor)
{
    Bridge b;
    LV2UI_Handle h = b.open();
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    const auto* resize = static_cast<const LV2UI_Resize*>(d->extension_data(LV2_UI__resize));
    EXPECT_EQ(resize->ui_resize(h, 500, 900), 0);
    EXPECT_EQ(resize->ui_resize(h, -1, 900), 0);
    EXPECT_EQ(resize->ui_resize(nullptr, 500, 900), 0);
    d->cleanup(h);
    EXPECT_EQ(resize->ui_resize(h, 600, 900), 0);
    EXPECT_EQ(b.log.hostSizes, (std::vector<std::pair<int, int>>{{500, 900}}));
}
