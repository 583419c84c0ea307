#include "client/MidiQueue.hpp"

namespace vf {

MidiQueue::MidiQueue()
{
    heap_.reserve(64);
    reset();
}

bool MidiQueue::before(const Entry& a, const Entry& b)
{
    if (a.message.offset != b.message.offset)
        return a.message.offset < b.message.offset;
    return a.insertion < b.insertion;
}

void MidiQueue::enqueue(MidiMessage message)
{
    message.offset += elapsedFrames_;
    heap_.pushBack(Entry{message, insertCounter_++});
    int i = heap_.length() - 1;
    while (i > 1 && before(heap_[i], heap_[i / 2])) {
        Entry t = heap_[i];
        heap_[i] = heap_[i / 2];
        heap_[i / 2] = t;
        i /= 2;
    }
}

void MidiQueue::popMinElement()
{
    if (empty())
        return;
    heap_[1] = heap_[heap_.length() - 1];
    heap_.popBack();
    int n = heap_.length();
    int i = 1;
    for (;;) {
        int smallest = i;
        int l = 2 * i;
        int r = l + 1;
        if (l < n && before(heap_[l], heap_[smallest]))
            smallest = l;
        if (r < n && before(heap_[r], heap_[smallest]))
            smallest = r;
        if (smallest == i)
            break;
        Entry t = heap_[i];
        heap_[i] = heap_[smallest];
        heap_[smallest] = t;
        i = smallest;
    }
}

void MidiQueue::reset()
{
    elapsedFrames_ = 0;
    insertCounter_ = 0;
    heap_.resize(1);
    heap_[0] = Entry{};
}

} // namespace vf
