// Reads a host's input event sequence into what one block needs: MIDI and transport.
#pragma once
#include "client/MidiMessage.hpp"
#include "client/TimeInfo.hpp"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

namespace vf {

// The URIDs the reader compares types and keys against, mapped once per instance.
struct EventUrids {
    LV2_URID atomDouble, atomFloat, atomInt, atomLong, atomBlank, atomObject;
    LV2_URID midiEvent, timePosition, timeFrame, timeBeatsPerMinute, timeSpeed;
};

EventUrids mapEventUrids(const LV2_URID_Map& map);

// Called for each MIDI event of one to three bytes, in sequence order.
using MidiEventHandler = void (*)(void* context, const MidiMessage& message);

// Walks a sequence whose header claims its own size, never reading past that claim:
// every time:Position object updates the fields of time it carries, every MIDI event
// goes to onMidi (when not null).  Anything malformed ends the walk or is skipped.
void readEventSequence(const LV2_Atom_Sequence& sequence, const EventUrids& urids, TimeInfo& time,
                       MidiEventHandler onMidi, void* context);

} // namespace vf
