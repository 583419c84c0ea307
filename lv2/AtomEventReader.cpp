// Reads a host's input event sequence into what one block needs: MIDI and transport.
#include "lv2/AtomEventReader.hpp"

#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>

namespace vf {

namespace {

uint64_t padded8(uint64_t size) { return (size + 7u) & ~uint64_t{7}; }

// Hosts align atoms to 8 bytes, but nothing in a broken buffer can be trusted to be.
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

bool readAsDouble(const AtomValue& v, const EventUrids& u, double& out)
{
    if (v.body == nullptr)
        return false;
    if (v.type == u.atomDouble && v.size >= 8)
        out = readUnaligned<double>(v.body);
    else if (v.type == u.atomFloat && v.size >= 4)
        out = readUnaligned<float>(v.body);
    else if (v.type == u.atomInt && v.size >= 4)
        out = readUnaligned<int32_t>(v.body);
    else if (v.type == u.atomLong && v.size >= 8)
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

void readTimePosition(const uint8_t* objectBody, uint32_t size, const EventUrids& u, TimeInfo& time)
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
        if (key == u.timeFrame)
            frame = v;
        else if (key == u.timeBeatsPerMinute)
            bpm = v;
        else if (key == u.timeSpeed)
            speed = v;
        offset += header + padded8(value.size);
    }
    double x;
    if (readAsDouble(bpm, u, x))
        time.tempoBpm = x;
    if (frame.body != nullptr) {
        // Integers are taken whole: a double cannot hold every 64-bit frame.
        if (frame.type == u.atomLong && frame.size >= 8)
            time.positionInSamples = readUnaligned<int64_t>(frame.body);
        else if (frame.type == u.atomInt && frame.size >= 4)
            time.positionInSamples = readUnaligned<int32_t>(frame.body);
        else if (readAsDouble(frame, u, x))
            time.positionInSamples = truncateToInt64(x);
    }
    if (readAsDouble(speed, u, x))
        time.isPlaying = x > 0.0;
}

} // namespace

EventUrids mapEventUrids(const LV2_URID_Map& map)
{
    auto m = [&map](const char* uri) { return map.map(map.handle, uri); };
    return {m(LV2_ATOM__Double),      m(LV2_ATOM__Float),         m(LV2_ATOM__Int),
            m(LV2_ATOM__Long),        m(LV2_ATOM__Blank),         m(LV2_ATOM__Object),
            m(LV2_MIDI__MidiEvent),   m(LV2_TIME__Position),      m(LV2_TIME__frame),
            m(LV2_TIME__beatsPerMinute), m(LV2_TIME__speed)};
}

void readEventSequence(const LV2_Atom_Sequence& sequence, const EventUrids& urids, TimeInfo& time,
                       MidiEventHandler onMidi, void* context)
{
    const uint32_t size = sequence.atom.size;
    if (size <= sizeof(LV2_Atom_Sequence_Body))
        return;
    const uint8_t* body = reinterpret_cast<const uint8_t*>(&sequence.body);
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
        if (onMidi != nullptr && atom.type == urids.midiEvent) {
            if (atom.size >= 1 && atom.size <= 3) {
                MidiMessage m;
                int32_t t = static_cast<int32_t>(frameTime);
                m.offset = t < 0 ? 0 : t;
                m.status = evBody[0];
                m.data1 = atom.size >= 2 ? evBody[1] : 0;
                m.data2 = atom.size >= 3 ? evBody[2] : 0;
                onMidi(context, m);
            }
        } else if ((atom.type == urids.atomBlank || atom.type == urids.atomObject)
                   && atom.size >= sizeof(LV2_Atom_Object_Body)) {
            const LV2_Atom_Object_Body object = readUnaligned<LV2_Atom_Object_Body>(evBody);
            if (object.otype == urids.timePosition && atom.size > sizeof(LV2_Atom_Object_Body))
                readTimePosition(evBody, atom.size, urids, time);
        }
        offset += sizeof(LV2_Atom_Event) + padded8(atom.size);
    }
}

} // namespace vf
