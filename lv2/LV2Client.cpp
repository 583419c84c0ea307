// One LV2 plug-in instance's audio side: features, ports, and running blocks through the client.
#include "lv2/LV2Client.hpp"

#include "client/Client.hpp"

#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>

namespace vf {

namespace {

// The largest block we accept from the options: anything above is a broken host
// value, and sizing buffers for it would only exhaust memory.
constexpr uint32_t largestAnnouncedBlock = 1u << 20;

uint64_t padded8(uint64_t size) { return (size + 7u) & ~uint64_t{7}; }

template <typename T>
T readUnaligned(const void* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The last value seen for one time property.
struct AtomValue {
    LV2_URID type = 0;
    uint32_t size = 0;
    const uint8_t* body = nullptr;
};

bool readAsDouble(const AtomValue& v, const LV2_URID (&types)[4], double& out)
{
    // types: Double, Float, Int, Long
    if (v.body == nullptr)
        return false;
    if (v.type == types[0] && v.size >= 8)
        out = readUnaligned<double>(v.body);
    else if (v.type == types[1] && v.size >= 4)
        out = readUnaligned<float>(v.body);
    else if (v.type == types[2] && v.size >= 4)
        out = readUnaligned<int32_t>(v.body);
    else if (v.type == types[3] && v.size >= 8)
        out = static_cast<double>(readUnaligned<int64_t>(v.body));
    else
        return false;
    return true;
}

// Truncates toward zero, saturating instead of overflowing.
int64_t truncateToInt64(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 9.2e18)
        return INT64_MAX;
    if (x <= -9.2e18)
        return INT64_MIN;
    return static_cast<int64_t>(x);
}

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
            int32_t v = readUnaligned<int32_t>(o->value);
            if (v > 0 && static_cast<uint32_t>(v) <= largestAnnouncedBlock)
                maxBufferSize_ = static_cast<uint32_t>(v);
        }
    }
    callResetOnNextRun_ = true;

    auto mapUri = [map](const char* uri) { return map->map(map->handle, uri); };
    urids_.atomDouble = mapUri(LV2_ATOM__Double);
    urids_.atomFloat = mapUri(LV2_ATOM__Float);
    urids_.atomInt = mapUri(LV2_ATOM__Int);
    urids_.atomLong = mapUri(LV2_ATOM__Long);
    urids_.atomBlank = mapUri(LV2_ATOM__Blank);
    urids_.atomObject = mapUri(LV2_ATOM__Object);
    urids_.atomSequence = mapUri(LV2_ATOM__Sequence);
    urids_.midiEvent = mapUri(LV2_MIDI__MidiEvent);
    urids_.timePosition = mapUri(LV2_TIME__Position);
    urids_.timeFrame = mapUri(LV2_TIME__frame);
    urids_.timeBeatsPerMinute = mapUri(LV2_TIME__beatsPerMinute);
    urids_.timeSpeed = mapUri(LV2_TIME__speed);

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

    readEvents();

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

void LV2Client::readEvents()
{
    if (eventsInPort_ == nullptr)
        return;
    const uint32_t size = eventsInPort_->atom.size;
    if (size <= sizeof(LV2_Atom_Sequence_Body))
        return;
    const uint8_t* body = reinterpret_cast<const uint8_t*>(&eventsInPort_->body);
    const bool receivesMIDI = client_->pluginInfo().receivesMIDI;
    // Offsets are relative to the sequence body and checked before every read, so
    // a size that runs past the buffer ends the walk instead of the host.
    uint64_t offset = sizeof(LV2_Atom_Sequence_Body);
    while (offset + sizeof(LV2_Atom_Event) <= size) {
        const uint8_t* ev = body + offset;
        const int64_t frameTime = readUnaligned<int64_t>(ev);
        const LV2_Atom atom = readUnaligned<LV2_Atom>(ev + 8);
        const uint8_t* evBody = ev + sizeof(LV2_Atom_Event);
        if (offset + sizeof(LV2_Atom_Event) + atom.size > size)
            break;
        if (receivesMIDI && atom.type == urids_.midiEvent) {
            if (atom.size >= 1 && atom.size <= 3) {
                MidiMessage m;
                int32_t t = static_cast<int32_t>(frameTime);
                m.offset = t < 0 ? 0 : t;
                m.status = evBody[0];
                m.data1 = atom.size >= 2 ? evBody[1] : 0;
                m.data2 = atom.size >= 3 ? evBody[2] : 0;
                client_->enqueueMIDIFromHost(m);
            }
        } else if ((atom.type == urids_.atomBlank || atom.type == urids_.atomObject)
                   && atom.size >= sizeof(LV2_Atom_Object_Body)) {
            const LV2_Atom_Object_Body object = readUnaligned<LV2_Atom_Object_Body>(evBody);
            if (object.otype == urids_.timePosition && atom.size > sizeof(LV2_Atom_Object_Body))
                readTimePosition(evBody, atom.size);
        }
        offset += sizeof(LV2_Atom_Event) + padded8(atom.size);
    }
}

void LV2Client::readTimePosition(const uint8_t* objectBody, uint32_t size)
{
    AtomValue frame, bpm, speed;
    uint64_t offset = sizeof(LV2_Atom_Object_Body);
    constexpr uint64_t header = sizeof(LV2_Atom_Property_Body); // key, context, value atom header
    while (offset + header <= size) {
        const uint8_t* prop = objectBody + offset;
        const LV2_URID key = readUnaligned<uint32_t>(prop);
        const LV2_Atom value = readUnaligned<LV2_Atom>(prop + 8);
        if (offset + header + value.size > size)
            break;
        AtomValue v{value.type, value.size, prop + header};
        if (key == urids_.timeFrame)
            frame = v;
        else if (key == urids_.timeBeatsPerMinute)
            bpm = v;
        else if (key == urids_.timeSpeed)
            speed = v;
        offset += header + padded8(value.size);
    }
    const LV2_URID numberTypes[4] = {urids_.atomDouble, urids_.atomFloat, urids_.atomInt, urids_.atomLong};
    double x;
    if (readAsDouble(bpm, numberTypes, x))
        timeInfo_.tempoBpm = x;
    if (frame.body != nullptr) {
        if (frame.type == urids_.atomLong && frame.size >= 8)
            timeInfo_.positionInSamples = readUnaligned<int64_t>(frame.body);
        else if (frame.type == urids_.atomInt && frame.size >= 4)
            timeInfo_.positionInSamples = readUnaligned<int32_t>(frame.body);
        else if (readAsDouble(frame, numberTypes, x))
            timeInfo_.positionInSamples = truncateToInt64(x);
    }
    if (readAsDouble(speed, numberTypes, x))
        timeInfo_.isPlaying = x > 0.0;
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
        const LV2_Atom atom{3, urids_.midiEvent};
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
