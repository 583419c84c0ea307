// One LV2 plug-in instance's audio side: features, ports, and running blocks through the client.
#include "lv2/LV2Client.hpp"

#include "client/Client.hpp"

#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>

namespace vf {

namespace {

// The largest block we accept from the options: anything above is a broken host
// value, and sizing buffers for it would only exhaust memory.
constexpr uint32_t largestAnnouncedBlock = 1u << 20;

} // namespace

LV2Client::LV2Client(Client* client, int legalIOIndex) : client_(client), legalIOIndex_(legalIOIndex)
{
    client_->attachHostCommand(this);
    // Create the lock object now rather than in the middle of an editor opening.
    graphicsMutex_.lock();
    graphicsMutex_.unlock();
}

LV2Client::~LV2Client()
{
    // The client's destructor closes nothing: make sure no window outlives us.  A
    // host that frees the plug-in before its editor has no UI left to call.
    closeEditor(false);
    client_.reset();
}

bool LV2Client::instantiate(double sampleRate, const LV2_Feature* const* features)
{
    const LV2_Options_Option* options = nullptr;
    const LV2_URID_Map* map = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        const LV2_Feature* f = features[i];
        if (f->URI == nullptr)
            continue;
        if (std::strcmp(f->URI, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(f->data);
        else if (std::strcmp(f->URI, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*>(f->data);
    }
    // URIDs are needed to read any event; a host without a map gets no instance.
    if (map == nullptr || map->map == nullptr)
        return false;

    maxBufferSize_ = 512;
    if (options != nullptr) {
        LV2_URID maxBlockLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
        for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
            if (o->key != maxBlockLength || o->value == nullptr || o->size < sizeof(int32_t))
                continue;
            int32_t v;
            std::memcpy(&v, o->value, sizeof v);
            if (v > 0 && static_cast<uint32_t>(v) <= largestAnnouncedBlock)
                maxBufferSize_ = static_cast<uint32_t>(v);
        }
    }
    callResetOnNextRun_ = true;

    urids_.events = mapEventUrids(*map);
    urids_.atomSequence = map->map(map->handle, LV2_ATOM__Sequence);

    const LegalIO& io = client_->legalIOs()[static_cast<size_t>(legalIOIndex_)];
    numInputs_ = io.numInputs;
    numOutputs_ = io.numOutputs;
    sampleRate_ = static_cast<float>(sampleRate);
    numParams_ = client_->numParams();

    paramPorts_ = std::make_unique<float*[]>(static_cast<size_t>(numParams_));
    paramsLastValue_ = std::make_unique<float[]>(static_cast<size_t>(numParams_));
    for (int k = 0; k < numParams_; ++k)
        paramsLastValue_[k] = static_cast<float>(client_->param(k).getNormalized());

    inputPointers_ = std::make_unique<float*[]>(static_cast<size_t>(numInputs_));
    inputPorts_ = std::make_unique<const float*[]>(static_cast<size_t>(numInputs_));
    outputPointers_ = std::make_unique<float*[]>(static_cast<size_t>(numOutputs_));
    outputPorts_ = std::make_unique<float*[]>(static_cast<size_t>(numOutputs_));
    inputScratch_ = std::make_unique<GrowableArray<float>[]>(static_cast<size_t>(numInputs_));
    outputScratch_ = std::make_unique<GrowableArray<float>[]>(static_cast<size_t>(numOutputs_));
    resizeScratchBuffers(static_cast<int>(maxBufferSize_));

    timeInfo_ = TimeInfo{120.0, 0, true};
    if (numOutputs_ > 0)
        latencySamples_ = client_->latencySamples(sampleRate);
    return true;
}

void LV2Client::resizeScratchBuffers(int frames)
{
    for (int i = 0; i < numInputs_; ++i) {
        inputScratch_[i].resize(frames);
        inputScratch_[i].fill(0.0f);
    }
    for (int i = 0; i < numOutputs_; ++i)
        outputScratch_[i].resize(frames);
}

void LV2Client::connect_port(uint32_t port, void* data)
{
    uint32_t p = port;
    if (p < static_cast<uint32_t>(numParams_)) {
        paramPorts_[p] = static_cast<float*>(data);
        return;
    }
    p -= static_cast<uint32_t>(numParams_);
    if (p < static_cast<uint32_t>(numInputs_)) {
        inputPorts_[p] = static_cast<const float*>(data);
        return;
    }
    p -= static_cast<uint32_t>(numInputs_);
    if (p < static_cast<uint32_t>(numOutputs_)) {
        outputPorts_[p] = static_cast<float*>(data);
        return;
    }
    p -= static_cast<uint32_t>(numOutputs_);
    if (numOutputs_ > 0) {
        if (p == 0) {
            latencyPort_ = static_cast<float*>(data);
            return;
        }
        --p;
    }
    if (p == 0)
        eventsInPort_ = static_cast<const LV2_Atom_Sequence*>(data);
    else if (p == 1 && client_->pluginInfo().sendsMIDI)
        eventsOutPort_ = static_cast<LV2_Atom_Sequence*>(data);
    // Anything else is not a port of ours: ignored.
}

void LV2Client::activate() { callResetOnNextRun_ = true; }

void LV2Client::run(uint32_t frames)
{
    if (frames > largestAnnouncedBlock * 16u)
        return; // no buffer of that size can be real; render nothing rather than abort
    if (maxBufferSize_ < frames) {
        callResetOnNextRun_ = true;
        maxBufferSize_ = frames;
        resizeScratchBuffers(static_cast<int>(frames));
    }
    if (callResetOnNextRun_) {
        callResetOnNextRun_ = false;
        client_->resetFromHost(static_cast<double>(sampleRate_), static_cast<int>(maxBufferSize_), numInputs_,
                               numOutputs_);
    }

    if (eventsInPort_ != nullptr) {
        auto enqueue = [](void* client, const MidiMessage& m) {
            static_cast<Client*>(client)->enqueueMIDIFromHost(m);
        };
        readEventSequence(*eventsInPort_, urids_.events, timeInfo_,
                          client_->pluginInfo().receivesMIDI ? +enqueue : nullptr, client_.get());
    }

    const uint64_t reapply =
        portsToReapply_.load(std::memory_order_relaxed) != 0 ? portsToReapply_.exchange(0, std::memory_order_acquire) : 0;
    for (int k = 0; k < numParams_; ++k) {
        const float* port = paramPorts_[k];
        if (port == nullptr)
            continue;
        float v = *port;
        if (std::isnan(v))
            continue; // a NaN has no place in [0, 1]; infinities clamp like any other value
        v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        if (v != paramsLastValue_[k] || (k < 64 && ((reapply >> k) & 1u) != 0)) {
            paramsLastValue_[k] = v;
            client_->setParameterFromHost(k, v);
        }
    }

    const size_t bytes = sizeof(float) * frames;
    for (int i = 0; i < numInputs_; ++i) {
        float* scratch = inputScratch_[i].data();
        // Always hand over a copy: hosts may pass the same buffer as input and output.
        if (inputPorts_[i] != nullptr)
            std::memcpy(scratch, inputPorts_[i], bytes);
        else
            std::memset(scratch, 0, bytes);
        inputPointers_[i] = scratch;
    }
    for (int i = 0; i < numOutputs_; ++i)
        outputPointers_[i] = outputPorts_[i] != nullptr ? outputPorts_[i] : outputScratch_[i].data();

    const bool sendsMIDI = client_->pluginInfo().sendsMIDI;
    if (sendsMIDI) {
        client_->outputMidiForHost().clearContents();
        MutexLock lock(client_->uiMidiMutex());
        for (const MidiMessage& m : client_->pendingUiMidi())
            client_->outputMidiQueue().enqueue(m);
        client_->pendingUiMidi().clearContents();
    }

    client_->processAudioFromHost(inputPointers_.get(), outputPointers_.get(), static_cast<int>(frames), timeInfo_,
                                  false);
    timeInfo_.positionInSamples += frames;

    if (sendsMIDI && eventsOutPort_ != nullptr)
        writeMidiOutput();
    if (latencyPort_ != nullptr)
        *latencyPort_ = static_cast<float>(latencySamples_);
}

void LV2Client::writeMidiOutput()
{
    const uint32_t capacity = eventsOutPort_->atom.size;
    if (capacity < sizeof(LV2_Atom_Sequence_Body))
        return;
    eventsOutPort_->atom.type = urids_.atomSequence;
    eventsOutPort_->atom.size = sizeof(LV2_Atom_Sequence_Body);
    eventsOutPort_->body.unit = 0;
    eventsOutPort_->body.pad = 0;
    uint8_t* body = reinterpret_cast<uint8_t*>(&eventsOutPort_->body);
    constexpr uint32_t eventBytes = 24; // 16-byte event header, 3 data bytes, padding to 8
    for (const MidiMessage& m : client_->outputMidiForHost()) {
        const uint32_t used = eventsOutPort_->atom.size;
        if (used + eventBytes > capacity)
            break;
        uint8_t event[eventBytes] = {};
        const int64_t frameTime = m.offset;
        const LV2_Atom atom{3, urids_.events.midiEvent};
        std::memcpy(event, &frameTime, 8);
        std::memcpy(event + 8, &atom, 8);
        event[16] = m.status;
        event[17] = m.data1;
        event[18] = m.data2;
        std::memcpy(body + used, event, eventBytes);
        eventsOutPort_->atom.size = used + eventBytes;
    }
}

} // namespace vf
