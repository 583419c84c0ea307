#pragma once
#include "client/MidiMessage.hpp"
#include "core/GrowableArray.hpp"

namespace vf {

// Time-ordered queue of MIDI messages: a binary min-heap by absolute frame
// offset; equal offsets leave in the order they were queued.  Audio thread only;
// allocates only when more messages are pending than ever before.
class MidiQueue {
public:
    MidiQueue();

    // The message's offset is relative to the current position.
    void enqueue(MidiMessage message);
    bool empty() const { return heap_.length() <= 1; }
    int size() const { return heap_.length() - 1; }
    // Precondition: not empty.  The offset of the result is absolute.
    MidiMessage minElement() const { return heap_[1].message; }
    void popMinElement();
    void reset();

    int elapsedFrames() const { return elapsedFrames_; }
    void advance(int frames) { elapsedFrames_ += frames; }

private:
    struct Entry {
        MidiMessage message;
        int32_t insertion;
    };
    static bool before(const Entry& a, const Entry& b);

    int32_t elapsedFrames_ = 0;
    int32_t insertCounter_ = 0;
    GrowableArray<Entry> heap_; // 1-based; slot 0 unused
};

} // namespace vf
