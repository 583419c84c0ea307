#pragma once
// One plug-in instance as an LV2 host sees it: the audio side (LV2Client.cpp) and
// the editor side (LV2ClientEditor.cpp) of the same client.
#include "client/IHostCommand.hpp"
#include "client/TimeInfo.hpp"
#include "core/GrowableArray.hpp"
#include "core/UncheckedMutex.hpp"
#include "lv2/AtomEventReader.hpp"
#include "lv2/HostCallQueue.hpp"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace vf {

class Client;

// One LV2 plug-in instance around one Client; also the instance's editor bridge
// and its IHostCommand (those live in LV2ClientEditor.cpp).
class LV2Client : public IHostCommand {
public:
    // Takes ownership of client; attaches itself as its host command.
    LV2Client(Client* client, int legalIOIndex);
    ~LV2Client() override;
    LV2Client(const LV2Client&) = delete;
    LV2Client& operator=(const LV2Client&) = delete;

    // Host instantiation thread.  False when the host lacks a required feature.
    virtual bool instantiate(double sampleRate, const LV2_Feature* const* features);
    // Host audio thread; indices beyond the port layout are ignored.
    virtual void connect_port(uint32_t port, void* data);
    // Host instantiation thread: the next run resets the engine.
    virtual void activate();
    virtual void resizeScratchBuffers(int frames);
    // Host audio thread: allocates only when frames exceeds every earlier block;
    // locks only a parameter whose control value changed.
    virtual void run(uint32_t frames);

    // Host UI thread.  Returns the native editor window, or null when there is none.
    virtual void* instantiateUI(LV2UI_Write_Function writeFunction, LV2UI_Controller controller,
                                LV2UI_Widget* widget, const LV2_Feature* const* features);
    // Host UI thread: port events are not used, the editor watches the parameters.
    virtual void portEventUI(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
    // Host UI thread: closes the window and keeps the editor for a later opening.
    // Delivers what the editor still owed the host (a gesture closed by the closing
    // included) and never calls the host after it returns.
    virtual void cleanupUI();
    // Host UI thread, the idle interface: delivers the editor's queued host calls.
    virtual int idleUI();
    // Any thread: this process's host asked for the idle interface (or called it).
    // From then on every editor queues its host calls for idleUI, from its first
    // gesture on; a host that never asks keeps getting them directly.
    static void hostDrivesIdle();
    // Host UI thread: the host shows the editor in an area of this size.
    virtual void resizeUIFromHost(int width, int height);

    // Editor threads (IHostCommand): queued for idleUI once the host calls it,
    // otherwise straight to the host.
    void beginParamEdit(int paramIndex) override;
    void paramAutomate(int paramIndex, float normalizedValue) override;
    void endParamEdit(int paramIndex) override;
    bool requestResize(int width, int height) override;
    DAW getDAW() override;
    PluginFormat getPluginFormat() override;

    Client& client() { return *client_; }
    uint32_t maxBufferSize() const { return maxBufferSize_; }
    const TimeInfo& timeInfo() const { return timeInfo_; }
    int numInputs() const { return numInputs_; }
    int numOutputs() const { return numOutputs_; }

private:
    struct Urids {
        EventUrids events;
        LV2_URID atomSequence;
    };

    void closeEditor(bool deliverOwedCalls);
    void deliverHostCalls();
    void callHost(const HostCall& call);

    void writeMidiOutput();

    std::unique_ptr<Client> client_;
    int numInputs_ = 0;
    int numOutputs_ = 0;
    uint32_t maxBufferSize_ = 512;
    bool callResetOnNextRun_ = true;
    int numParams_ = 0;
    std::unique_ptr<float*[]> paramPorts_;
    std::unique_ptr<float[]> paramsLastValue_;
    std::unique_ptr<GrowableArray<float>[]> inputScratch_;
    std::unique_ptr<GrowableArray<float>[]> outputScratch_;
    std::unique_ptr<const float*[]> inputPorts_;
    std::unique_ptr<float*[]> outputPorts_;
    std::unique_ptr<float*[]> inputPointers_;
    std::unique_ptr<float*[]> outputPointers_;
    float* latencyPort_ = nullptr;
    const LV2_Atom_Sequence* eventsInPort_ = nullptr;
    LV2_Atom_Sequence* eventsOutPort_ = nullptr;
    float sampleRate_ = 0.0f;
    int latencySamples_ = 0;
    UncheckedMutex graphicsMutex_;
    Urids urids_{};
    int legalIOIndex_;
    LV2UI_Write_Function uiWrite_ = nullptr;
    LV2UI_Controller uiController_ = nullptr;
    const LV2UI_Touch* uiTouchFeature_ = nullptr;
    const LV2UI_Resize* uiResizeFeature_ = nullptr;
    bool uiOpen_ = false; // guarded by graphicsMutex_
    // Parameters whose gesture the host has just seen end, by bit: the next run applies
    // their port value even if unchanged, since a host may keep its own value (a
    // control in Touch automation returns to its list) while the editor set another.
    std::atomic<uint64_t> portsToReapply_{0};
    HostCallQueue hostCalls_;
    TimeInfo timeInfo_;
};

} // namespace vf
