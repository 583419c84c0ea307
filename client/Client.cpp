#include "client/Client.hpp"

#include "client/IGraphics.hpp"
#include "client/IHostCommand.hpp"
#include "client/IntegerParameter.hpp"

namespace vf {

Client::Client() = default;

Client::~Client()
{
    // Take the editor back so that an audio thread finishing its chunk never
    // sees it half destroyed.
    bool expected = true;
    if (graphicsCreated_.compare_exchange_strong(expected, false))
        delete graphics_;
    graphics_ = nullptr;
}

void Client::initialize()
{
    pluginInfo_ = buildPluginInfo();
    legalIOs_ = buildLegalIO();
    params_ = buildParameters();
    for (auto& p : params_)
        p->setClient(this);
    presetBank_ = std::make_unique<PresetBank>(*this, buildPresets());
    maxFramesInProcess_ = maxFramesInProcess();
    maxInputs_ = 0;
    maxOutputs_ = 0;
    for (const LegalIO& io : legalIOs_) {
        if (io.numInputs > maxInputs_)
            maxInputs_ = io.numInputs;
        if (io.numOutputs > maxOutputs_)
            maxOutputs_ = io.numOutputs;
    }
    inputMidiQueue_.reset();
    outputMidiQueue_.reset();
    outputMidiForHost_.clearContents();
    pendingUiMidi_.clearContents();
    if (pluginInfo_.sendsMIDI) {
        // Create the lock object here rather than on the audio thread.
        uiMidiMutex_.lock();
        uiMidiMutex_.unlock();
    }
}

void Client::attachHostCommand(IHostCommand* hostCommand)
{
    hostCommand_ = hostCommand;
    if (hostCommand_ != nullptr && hostCommand_->getPluginFormat() == PluginFormat::vst3) {
        if (maxFramesInProcess_ == 0 || maxFramesInProcess_ > 512)
            maxFramesInProcess_ = 512;
    }
}

void Client::setParameterFromHost(int index, float normalizedValue) { param(index).setFromHost(normalizedValue); }

void Client::sendMIDIMessage(MidiMessage message) { outputMidiQueue_.enqueue(message); }

void Client::sendMIDIMessagesFromUI(std::span<const MidiMessage> messages)
{
    MutexLock lock(uiMidiMutex_);
    for (const MidiMessage& m : messages)
        pendingUiMidi_.pushBack(m);
}

int Client::latencySamples(double) { return 0; }
float Client::tailSizeInSeconds() { return 0.0f; }
int Client::maxFramesInProcess() { return 0; }

int Client::readEnumParamValue(int index)
{
    auto* p = dynamic_cast<IntegerParameter*>(&param(index));
    return p != nullptr ? p->value() : 0;
}

void Client::enqueueMIDIFromHost(MidiMessage message) { inputMidiQueue_.enqueue(message); }

void Client::drainOutputMidi(int frames)
{
    MidiQueue& q = outputMidiQueue_;
    while (!q.empty() && q.minElement().offset < q.elapsedFrames() + frames) {
        MidiMessage m = q.minElement();
        m.offset -= q.elapsedFrames();
        outputMidiForHost_.pushBack(m);
        q.popMinElement();
    }
    q.advance(frames);
}

void Client::processAudioFromHost(float** inputs, float** outputs, int frames, TimeInfo info, bool doNotSplit)
{
    if (maxFramesInProcess_ == 0 || doNotSplit) {
        processAudio(inputs, outputs, frames, info);
        if (pluginInfo_.sendsMIDI)
            drainOutputMidi(frames);
        return;
    }
    while (frames > 0) {
        int chunk = maxFramesInProcess_ < frames ? maxFramesInProcess_ : frames;
        processAudio(inputs, outputs, chunk, info);
        if (pluginInfo_.sendsMIDI)
            drainOutputMidi(chunk);
        // Only as many pointers as the host announced at reset: a mono instance
        // passes arrays shorter than the widest layout.
        for (int i = 0; i < currentInputs_; ++i)
            inputs[i] += chunk;
        for (int i = 0; i < currentOutputs_; ++i)
            outputs[i] += chunk;
        frames -= chunk;
        info.positionInSamples += chunk;
    }
}

void Client::resetFromHost(double sampleRate, int maxFrames, int numInputs, int numOutputs)
{
    inputMidiQueue_.reset();
    outputMidiQueue_.reset();
    int m = (maxFramesInProcess_ != 0 && maxFrames >= maxFramesInProcess_) ? maxFramesInProcess_ : maxFrames;
    currentInputs_ = numInputs;
    currentOutputs_ = numOutputs;
    reset(sampleRate, m, numInputs, numOutputs);
}

bool Client::requestResize(int width, int height)
{
    return hostCommand_ != nullptr ? hostCommand_->requestResize(width, height) : false;
}

DAW Client::getDAW() { return hostCommand_ != nullptr ? hostCommand_->getDAW() : DAW::unknown; }

PluginFormat Client::getPluginFormat()
{
    return hostCommand_ != nullptr ? hostCommand_->getPluginFormat() : PluginFormat::lv2;
}

std::vector<std::unique_ptr<Preset>> Client::buildPresets()
{
    std::vector<std::unique_ptr<Preset>> presets;
    presets.push_back(makeDefaultPreset());
    return presets;
}

std::unique_ptr<Preset> Client::makeDefaultPreset()
{
    std::vector<float> values;
    values.reserve(params_.size());
    for (const auto& p : params_)
        values.push_back(static_cast<float>(p->getNormalizedDefault()));
    return std::make_unique<Preset>("Default", std::move(values));
}

void Client::adoptGraphics(IGraphics* graphics)
{
    graphics_ = graphics;
    graphicsCreated_.exchange(graphics != nullptr);
}

} // namespace vf
