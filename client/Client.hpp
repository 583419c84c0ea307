#pragma once
#include "client/IClient.hpp"
#include "client/LegalIO.hpp"
#include "client/MidiMessage.hpp"
#include "client/MidiQueue.hpp"
#include "client/Parameter.hpp"
#include "client/PluginInfo.hpp"
#include "client/Preset.hpp"
#include "client/PresetBank.hpp"
#include "client/TimeInfo.hpp"
#include "core/GrowableArray.hpp"
#include "core/UncheckedMutex.hpp"

#include <atomic>
#include <memory>
#include <span>
#include <vector>

namespace vf {

class IGraphics;
class IHostCommand;

// The format-independent plug-in.  A concrete plug-in answers the build hooks and
// the audio hooks; an adapter owns one client, drives it through the "FromHost"
// entry points and receives its requests through IHostCommand.
//
// Create clients with Client::create<T>(): C++ cannot call the subclass's hooks
// from the base constructor, so the hooks run in initialize() right after.
class Client : public IClient {
public:
    template <typename T, typename... Args>
    static T* create(Args&&... args)
    {
        T* client = new T(static_cast<Args&&>(args)...);
        client->initialize();
        return client;
    }

    Client();
    ~Client() override;
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Runs the build hooks in their fixed order: information, channel layouts,
    // parameters, presets, chunk size.  Called once, by create().
    void initialize();

    // Audio thread.
    virtual void setParameterFromHost(int index, float normalizedValue);
    // Host UI thread, at most once per client (the adapter keeps the result).
    virtual IGraphics* createGraphics() { return nullptr; }
    // Audio thread.
    virtual void sendMIDIMessage(MidiMessage message);
    // Editor thread: queued under uiMidiMutex for the next audio callback.
    virtual void sendMIDIMessagesFromUI(std::span<const MidiMessage> messages);
    // Audio thread, before processing: size every buffer here.
    virtual void reset(double sampleRate, int maxFrames, int numInputs, int numOutputs) = 0;
    virtual int latencySamples(double sampleRate);
    virtual float tailSizeInSeconds();
    virtual int maxFramesInProcess();
    // Audio thread: no locks, no allocation.  frames is at most the maxFrames of reset.
    virtual void processAudio(const float* const* inputs, float* const* outputs, int frames, TimeInfo info) = 0;
    virtual int readEnumParamValue(int index);
    // Audio thread.
    virtual void enqueueMIDIFromHost(MidiMessage message);
    // Audio thread: cuts the block into chunks of at most maxFramesInProcess frames.
    // The pointer arrays (as many as the channel counts of the last resetFromHost)
    // are advanced in place.
    virtual void processAudioFromHost(float** inputs, float** outputs, int frames, TimeInfo info, bool doNotSplit);
    // Audio thread, before the first processAudioFromHost and when rate or block size change.
    virtual void resetFromHost(double sampleRate, int maxFrames, int numInputs, int numOutputs);
    bool requestResize(int width, int height) override;
    DAW getDAW() override;
    PluginFormat getPluginFormat() override;
    virtual std::vector<std::unique_ptr<Parameter>> buildParameters() = 0;
    virtual std::vector<std::unique_ptr<Preset>> buildPresets();
    virtual PluginInfo buildPluginInfo() = 0;
    virtual std::vector<LegalIO> buildLegalIO() = 0;

    // A preset named "Default" holding every parameter's default.
    std::unique_ptr<Preset> makeDefaultPreset();

    // Done by the adapter right after creation, before any other call.
    void attachHostCommand(IHostCommand* hostCommand);
    IHostCommand* hostCommand() const { return hostCommand_; }

    const PluginInfo& pluginInfo() const { return pluginInfo_; }
    const std::vector<std::unique_ptr<Parameter>>& params() const { return params_; }
    int numParams() const { return static_cast<int>(params_.size()); }
    Parameter& param(int index) const { return *params_[static_cast<size_t>(index)]; }
    PresetBank& presetBank() const { return *presetBank_; }
    const std::vector<LegalIO>& legalIOs() const { return legalIOs_; }
    int maxInputs() const { return maxInputs_; }
    int maxOutputs() const { return maxOutputs_; }
    int cachedMaxFramesInProcess() const { return maxFramesInProcess_; }

    // Editor object, created lazily by the adapter and owned by the client.
    IGraphics* graphics() const { return graphics_; }
    void adoptGraphics(IGraphics* graphics);
    std::atomic<bool>& graphicsCreated() { return graphicsCreated_; }

    MidiQueue& inputMidiQueue() { return inputMidiQueue_; }
    MidiQueue& outputMidiQueue() { return outputMidiQueue_; }
    GrowableArray<MidiMessage>& outputMidiForHost() { return outputMidiForHost_; }
    GrowableArray<MidiMessage>& pendingUiMidi() { return pendingUiMidi_; }
    UncheckedMutex& uiMidiMutex() { return uiMidiMutex_; }

private:
    void drainOutputMidi(int frames);

    IGraphics* graphics_ = nullptr;
    std::atomic<bool> graphicsCreated_{false};
    IHostCommand* hostCommand_ = nullptr;
    PluginInfo pluginInfo_;
    std::vector<std::unique_ptr<Parameter>> params_;
    std::unique_ptr<PresetBank> presetBank_;
    std::vector<LegalIO> legalIOs_;
    int maxInputs_ = 0;
    int maxOutputs_ = 0;
    int maxFramesInProcess_ = 0;
    int currentInputs_ = 0;  // channel counts of the last resetFromHost
    int currentOutputs_ = 0;
    MidiQueue inputMidiQueue_;
    MidiQueue outputMidiQueue_;
    UncheckedMutex uiMidiMutex_;
    GrowableArray<MidiMessage> pendingUiMidi_;
    GrowableArray<MidiMessage> outputMidiForHost_;
};

} // namespace vf
