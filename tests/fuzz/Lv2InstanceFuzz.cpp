// The plug-in instance as a host drives it, through the C entry points only: a fresh
// instance per input (nothing one input leaves behind can hide a fault in the next),
// then blocks of any length with any control values and any event sequence.
//
// Input: flags (u8: 1 stereo, 2 options feature, 4 inputs and outputs share buffers,
// 8 latency port, 16 events port), rate choice (u8; from 224 on a raw double
// follows), maxBlockLength option (i32) and its size field (u8), input gain (f32);
// then per block: frames (u16, up to 4096), block flags (u8: 1 activate first,
// 2 new control values follow, one u8 "connected" and one f32 each), sequence body
// length (u16, up to 2048), the body (unit, pad, events), and how many bytes fewer
// its header claims (u8).  URIDs are fixed: 1 bufsz:maxBlockLength, then the list below.
#include "FuzzInput.hpp"

#include "lv2/LV2Entry.hpp"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <xmmintrin.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using vf::fuzz::FuzzInput;

namespace {

std::vector<std::string> uris = {LV2_BUF_SIZE__maxBlockLength, LV2_ATOM__Double,   LV2_ATOM__Float,
                                 LV2_ATOM__Int,                LV2_ATOM__Long,     LV2_ATOM__Blank,
                                 LV2_ATOM__Object,             LV2_ATOM__Sequence, LV2_MIDI__MidiEvent,
                                 LV2_TIME__Position,           LV2_TIME__frame,    LV2_TIME__beatsPerMinute,
                                 LV2_TIME__speed};

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri)
{
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

constexpr int numParams = 6;
constexpr double rates[] = {44100.0, 48000.0, 96000.0, 192000.0, 22050.0, 8000.0, 384000.0, 11025.0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t flags = in.take<uint8_t>();
    const uint8_t rateChoice = in.take<uint8_t>();
    const double rate = rateChoice < 224 ? rates[rateChoice % 8] : in.take<double>();
    int32_t maxBlock = in.take<int32_t>();
    if (maxBlock > 4096 && maxBlock <= (1 << 20))
        maxBlock %= 4097; // the adapter sizes its buffers by it: keep executions fast
    const uint32_t maxBlockSize = in.take<uint8_t>() % 9;
    const float gain = in.take<float>();

    LV2_URID_Map map{nullptr, mapUri};
    LV2_Options_Option options[] = {{LV2_OPTIONS_INSTANCE, 0, 1, maxBlockSize, 4, &maxBlock},
                                    {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &map}, optionsFeature{LV2_OPTIONS__options, options};
    const LV2_Feature* features[] = {&mapFeature, (flags & 2) ? &optionsFeature : nullptr, nullptr};

    const uint32_t channels = (flags & 1) ? 2 : 1;
    const LV2_Descriptor* desc = lv2_descriptor(channels - 1);
    FUZZ_CHECK(desc != nullptr);
    LV2_Handle instance = desc->instantiate(desc, rate, "/nonexistent", features);
    FUZZ_CHECK(instance != nullptr);

    float controls[numParams] = {};
    float latency = -1.0f;
    for (int block = 0; block < 8 && !in.empty(); ++block) {
        const uint32_t frames = in.take<uint16_t>() % 4097;
        const uint8_t blockFlags = in.take<uint8_t>();
        if (blockFlags & 1)
            desc->activate(instance);
        for (uint32_t k = 0; k < numParams && (blockFlags & 2); ++k) {
            const bool connected = in.take<uint8_t>() & 1;
            controls[k] = in.take<float>();
            desc->connect_port(instance, k, connected ? &controls[k] : nullptr);
        }
        // Audio buffers exactly as long as the block, so that any access past it is caught.
        std::unique_ptr<float[]> audio[4];
        for (uint32_t c = 0; c < 2 * channels; ++c) {
            audio[c] = std::make_unique<float[]>(frames);
            for (uint32_t i = 0; i < frames && c < channels; ++i)
                audio[c][i] = gain * std::sin(0.05f * static_cast<float>(i + 7 * c));
        }
        for (uint32_t c = 0; c < channels; ++c) {
            desc->connect_port(instance, numParams + c, audio[c].get());
            desc->connect_port(instance, numParams + channels + c, audio[(flags & 4) ? c : channels + c].get());
        }
        const uint32_t latencyPort = numParams + 2 * channels;
        desc->connect_port(instance, latencyPort, (flags & 8) ? &latency : nullptr);
        // The host's buffer ends where its sequence ends (less what it claims fewer).
        const std::span<const uint8_t> body = in.bytes(in.take<uint16_t>() % 2049);
        const uint32_t claimedFewer = std::min<uint32_t>(in.take<uint8_t>(), static_cast<uint32_t>(body.size()));
        std::vector<uint8_t> sequence(sizeof(LV2_Atom) + body.size());
        const LV2_Atom header{static_cast<uint32_t>(body.size()) - claimedFewer, 8};
        std::memcpy(sequence.data(), &header, sizeof header);
        if (!body.empty())
            std::memcpy(sequence.data() + sizeof header, body.data(), body.size());
        desc->connect_port(instance, latencyPort + 1, (flags & 16) ? sequence.data() : nullptr);
        desc->connect_port(instance, latencyPort + 2 + block, controls); // beyond the layout: ignored

        const unsigned hostCsr = _mm_getcsr(); // flags included: run leaves the host's state as it was
        desc->run(instance, frames);
        FUZZ_CHECK(_mm_getcsr() == hostCsr);
        FUZZ_CHECK(!(flags & 8) || latency == 0.0f);
        // At any usual host rate the plug-in gives finite audio, whatever came in.
        for (uint32_t c = 0; c < channels && rate >= 8000.0 && rate <= 768000.0; ++c)
            for (uint32_t i = 0; i < frames; ++i)
                FUZZ_CHECK(std::isfinite(audio[(flags & 4) ? c : channels + c][i]));
    }
    desc->cleanup(instance);
    return 0;
}
