#pragma once
#include <atomic>
#include <cstdint>

namespace vf {

// One call the editor owes its host.
struct HostCall {
    enum class Kind : uint8_t { none = 0, touchBegin = 1, value = 2, touchEnd = 3, resize = 4 };
    Kind kind = Kind::none;
    int index = 0; // parameter index (touch, value)
    float value = 0.0f;
    int width = 0; // resize
    int height = 0;
    friend bool operator==(const HostCall&, const HostCall&) = default;
};

// Carries the editor's gesture steps from its own threads to the host's UI thread,
// which alone may call the host.  Bounded, lock-free and allocation-free.
//
// One producer at a time: the editor's event thread, or the host's UI thread once
// the editor's threads are joined.  One consumer: the host's UI thread.
//
// Consecutive values of one parameter, and consecutive resizes, are merged while
// the host has not taken them.  When the queue runs full, values and resizes wait
// in a one-per-parameter mailbox that always holds the newest (older ones are
// dropped), and a touch begin is only accepted with room for its touch end, so an
// accepted gesture is always closed.
class HostCallQueue {
public:
    static constexpr int capacity = 256;
    static constexpr int maxIndex = 64; // parameters beyond are not queued

    HostCallQueue();
    HostCallQueue(const HostCallQueue&) = delete;
    HostCallQueue& operator=(const HostCallQueue&) = delete;

    // Producer.
    void beginEdit(int index);
    void setValue(int index, float value);
    void endEdit(int index);
    void requestResize(int width, int height);

    // Consumer: the next call to make, in order; false when none is left.
    bool pop(HostCall& call);

private:
    using Record = uint64_t;
    static Record pack(HostCall::Kind kind, uint32_t a, uint32_t b);
    static HostCall unpack(Record r);

    int sizeSeenByProducer() const;
    bool tryMerge(Record r);
    void push(Record r);
    // A mailbox record: its payload and the queue position it was left at, so that
    // it never overtakes calls queued before it.
    Record mailboxRecord(uint32_t payload) const;
    static bool leftBefore(Record mailbox, uint64_t position);
    bool takeMailbox(std::atomic<Record>& mailbox, uint64_t position, Record& taken);
    bool popMailbox(HostCall& call);

    std::atomic<Record> slots_[capacity];
    std::atomic<uint64_t> head_{0}; // advanced by the consumer
    std::atomic<uint64_t> tail_{0}; // advanced by the producer
    // Newest value per parameter (and newest size) that found the queue full; 0 when empty.
    std::atomic<Record> valueMailbox_[maxIndex];
    std::atomic<Record> resizeMailbox_{0};

    // Producer only.
    Record lastPushed_ = 0;
    uint64_t openEdits_ = 0;     // accepted touch begins not yet ended, by parameter
    uint64_t refusedEdits_ = 0;  // begins refused for room: their ends are dropped too

    // Consumer only: a touch end held back while its parameter's mailbox value goes first.
    Record heldEnd_ = 0;
};

} // namespace vf
