// The editor side of one LV2 instance: opening and closing the UI, and the editor's calls to the host.
#include "lv2/LV2Client.hpp"

#include "client/Client.hpp"
#include "client/IGraphics.hpp"

#include <cstring>

namespace vf {

namespace {

// Set once this process's host has asked for the idle interface; read by the editors'
// threads.  The interface is asked for without an instance, so it holds for all.
std::atomic<bool> hostCallsQueued{false};

} // namespace

void LV2Client::hostDrivesIdle() { hostCallsQueued.store(true, std::memory_order_release); }

void* LV2Client::instantiateUI(LV2UI_Write_Function writeFunction, LV2UI_Controller controller,
                               LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    // A host opening twice without closing: the old window goes first, and what it
    // owed goes to the functions it was opened with.
    closeEditor(true);
    uiWrite_ = writeFunction;
    uiController_ = controller;
    uiTouchFeature_ = nullptr;
    uiResizeFeature_ = nullptr;
    void* parentWindow = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        const LV2_Feature* f = features[i];
        if (f->URI == nullptr)
            continue;
        if (std::strcmp(f->URI, LV2_UI__parent) == 0)
            parentWindow = f->data;
        else if (std::strcmp(f->URI, LV2_UI__resize) == 0)
            uiResizeFeature_ = static_cast<const LV2UI_Resize*>(f->data);
        else if (std::strcmp(f->URI, LV2_UI__touch) == 0)
            uiTouchFeature_ = static_cast<const LV2UI_Touch*>(f->data);
    }
    if (widget == nullptr)
        return nullptr;

    void* window = nullptr;
    IGraphics* graphics = nullptr;
    {
        MutexLock lock(graphicsMutex_);
        if (client_->graphics() == nullptr && client_->pluginInfo().hasGUI)
            client_->adoptGraphics(client_->createGraphics());
        graphics = client_->graphics();
        if (graphics != nullptr) {
            window = graphics->openUI(parentWindow, nullptr, client_.get(), GraphicsBackend::automatic);
            uiOpen_ = window != nullptr;
        }
    }
    if (window == nullptr)
        return nullptr; // no editor (no display): the plug-in keeps working without one

    int width = 0;
    int height = 0;
    graphics->getGUISize(&width, &height);
    if (uiResizeFeature_ != nullptr && uiResizeFeature_->ui_resize != nullptr) {
        MutexLock lock(graphicsMutex_);
        uiResizeFeature_->ui_resize(uiResizeFeature_->handle, width, height);
    }
    *widget = window;
    return window;
}

void LV2Client::portEventUI(uint32_t, uint32_t, uint32_t, const void*) {}

void LV2Client::cleanupUI() { closeEditor(true); }

void LV2Client::closeEditor(bool deliverOwedCalls)
{
    {
        MutexLock lock(graphicsMutex_);
        // Joins the editor's threads: from here on this thread is the queue's only producer.
        if (uiOpen_ && client_ != nullptr && client_->graphics() != nullptr)
            client_->graphics()->closeUI();
        uiOpen_ = false;
    }
    if (deliverOwedCalls) {
        deliverHostCalls();
    } else {
        HostCall dropped;
        while (hostCalls_.pop(dropped)) {
        }
    }
}

int LV2Client::idleUI()
{
    hostDrivesIdle();
    deliverHostCalls();
    return 0;
}

void LV2Client::deliverHostCalls()
{
    // Bounded, so that an editor producing without pause cannot hold the host here.
    constexpr int most = HostCallQueue::capacity + HostCallQueue::maxIndex + 2;
    HostCall call;
    for (int n = 0; n < most && hostCalls_.pop(call); ++n)
        callHost(call);
}

void LV2Client::callHost(const HostCall& call)
{
    switch (call.kind) {
    case HostCall::Kind::touchBegin:
    case HostCall::Kind::touchEnd:
        if (uiTouchFeature_ != nullptr && uiTouchFeature_->touch != nullptr)
            uiTouchFeature_->touch(uiTouchFeature_->handle, static_cast<uint32_t>(call.index),
                                   call.kind == HostCall::Kind::touchBegin);
        if (call.kind == HostCall::Kind::touchEnd && call.index >= 0 && call.index < 64)
            portsToReapply_.fetch_or(uint64_t{1} << call.index, std::memory_order_release);
        break;
    case HostCall::Kind::value:
        if (uiWrite_ != nullptr)
            uiWrite_(uiController_, static_cast<uint32_t>(call.index), sizeof(float), 0, &call.value);
        break;
    case HostCall::Kind::resize:
        if (uiResizeFeature_ != nullptr && uiResizeFeature_->ui_resize != nullptr)
            uiResizeFeature_->ui_resize(uiResizeFeature_->handle, call.width, call.height);
        break;
    case HostCall::Kind::none:
        break;
    }
}

void LV2Client::resizeUIFromHost(int width, int height)
{
    // Sizes no screen has are a broken host value.
    if (width <= 0 || height <= 0 || width > 1 << 15 || height > 1 << 15)
        return;
    MutexLock lock(graphicsMutex_);
    if (uiOpen_ && client_->graphics() != nullptr)
        client_->graphics()->nativeWindowResize(width, height);
}

void LV2Client::beginParamEdit(int paramIndex)
{
    if (hostCallsQueued.load(std::memory_order_acquire))
        hostCalls_.beginEdit(paramIndex);
    else
        callHost({HostCall::Kind::touchBegin, paramIndex});
}

void LV2Client::paramAutomate(int paramIndex, float normalizedValue)
{
    if (hostCallsQueued.load(std::memory_order_acquire))
        hostCalls_.setValue(paramIndex, normalizedValue);
    else
        callHost({HostCall::Kind::value, paramIndex, normalizedValue});
}

void LV2Client::endParamEdit(int paramIndex)
{
    if (hostCallsQueued.load(std::memory_order_acquire))
        hostCalls_.endEdit(paramIndex);
    else
        callHost({HostCall::Kind::touchEnd, paramIndex});
}

bool LV2Client::requestResize(int width, int height)
{
    if (uiResizeFeature_ == nullptr || uiResizeFeature_->ui_resize == nullptr)
        return false;
    if (hostCallsQueued.load(std::memory_order_acquire)) {
        // The host's answer comes later, on its own thread: count the request as granted.
        hostCalls_.requestResize(width, height);
        return true;
    }
    return uiResizeFeature_->ui_resize(uiResizeFeature_->handle, width, height) == 0;
}

DAW LV2Client::getDAW() { return DAW::unknown; }

PluginFormat LV2Client::getPluginFormat() { return PluginFormat::lv2; }

} // namespace vf
