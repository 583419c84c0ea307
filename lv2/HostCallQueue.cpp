#include "lv2/HostCallQueue.hpp"

#include <bit>
#include <cstring>

namespace vf {

namespace {

uint32_t floatBits(float v)
{
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

float bitsFloat(uint32_t b)
{
    float v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

uint64_t bitOf(int index) { return uint64_t{1} << static_cast<unsigned>(index); }

} // namespace

HostCallQueue::HostCallQueue()
{
    for (auto& s : slots_)
        s.store(0, std::memory_order_relaxed);
    for (auto& m : valueMailbox_)
        m.store(0, std::memory_order_relaxed);
}

// Kind in the low byte, then 24 bits (index or width), then 32 bits (value or height):
// a record is never 0, which marks an empty slot.
HostCallQueue::Record HostCallQueue::pack(HostCall::Kind kind, uint32_t a, uint32_t b)
{
    return static_cast<Record>(kind) | (Record{a & 0xFFFFFFu} << 8) | (Record{b} << 32);
}

HostCall HostCallQueue::unpack(Record r)
{
    HostCall c;
    c.kind = static_cast<HostCall::Kind>(r & 0xFF);
    const auto a = static_cast<int>((r >> 8) & 0xFFFFFF);
    const auto b = static_cast<uint32_t>(r >> 32);
    if (c.kind == HostCall::Kind::resize) {
        c.width = a;
        c.height = static_cast<int>(b);
    } else {
        c.index = a;
        c.value = c.kind == HostCall::Kind::value ? bitsFloat(b) : 0.0f;
    }
    return c;
}

int HostCallQueue::sizeSeenByProducer() const
{
    // The consumer only ever shrinks the queue, so this may overstate it, never understate.
    return static_cast<int>(tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire));
}

bool HostCallQueue::tryMerge(Record r)
{
    const auto sameKind = [](Record x, Record y) {
        const auto kind = static_cast<HostCall::Kind>(x & 0xFF);
        if (kind != static_cast<HostCall::Kind>(y & 0xFF))
            return false;
        if (kind == HostCall::Kind::resize)
            return true;
        return kind == HostCall::Kind::value && ((x >> 8) & 0xFFFFFF) == ((y >> 8) & 0xFFFFFF);
    };
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == 0 || !sameKind(lastPushed_, r))
        return false;
    // Fails when the consumer has already taken the last record (it leaves 0 behind).
    Record expected = lastPushed_;
    if (!slots_[(tail - 1) % capacity].compare_exchange_strong(expected, r, std::memory_order_acq_rel))
        return false;
    lastPushed_ = r;
    return true;
}

void HostCallQueue::push(Record r)
{
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    slots_[tail % capacity].store(r, std::memory_order_relaxed);
    tail_.store(tail + 1, std::memory_order_release);
    lastPushed_ = r;
}

void HostCallQueue::beginEdit(int index)
{
    if (index < 0 || index >= maxIndex)
        return;
    const int reserved = std::popcount(openEdits_);
    // Room for the begin and, later, its end; otherwise the host sees no bracket at all.
    if (sizeSeenByProducer() + reserved + 2 > capacity) {
        refusedEdits_ |= bitOf(index);
        return;
    }
    push(pack(HostCall::Kind::touchBegin, static_cast<uint32_t>(index), 0));
    openEdits_ |= bitOf(index);
}

void HostCallQueue::setValue(int index, float value)
{
    if (index < 0 || index >= maxIndex)
        return;
    const Record r = pack(HostCall::Kind::value, static_cast<uint32_t>(index), floatBits(value));
    // A mailbox value is older than any queued after it: drop it before the newer one shows.
    valueMailbox_[index].store(0, std::memory_order_release);
    if (tryMerge(r))
        return;
    if (sizeSeenByProducer() + std::popcount(openEdits_) < capacity)
        push(r);
    else
        valueMailbox_[index].store(mailboxRecord(floatBits(value)), std::memory_order_release);
}

void HostCallQueue::endEdit(int index)
{
    if (index < 0 || index >= maxIndex)
        return;
    const uint64_t bit = bitOf(index);
    if ((refusedEdits_ & bit) != 0) {
        refusedEdits_ &= ~bit;
        return;
    }
    // An accepted begin reserved its end's room; an end without a begin needs free room.
    const bool reserved = (openEdits_ & bit) != 0;
    openEdits_ &= ~bit;
    if (reserved || sizeSeenByProducer() + std::popcount(openEdits_) < capacity)
        push(pack(HostCall::Kind::touchEnd, static_cast<uint32_t>(index), 0));
}

void HostCallQueue::requestResize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
        return;
    const Record r = pack(HostCall::Kind::resize, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    resizeMailbox_.store(0, std::memory_order_release);
    if (tryMerge(r))
        return;
    if (sizeSeenByProducer() + std::popcount(openEdits_) < capacity)
        push(r);
    else
        resizeMailbox_.store(mailboxRecord(static_cast<uint32_t>(width) << 16 | static_cast<uint32_t>(height)),
                             std::memory_order_release);
}

// Bit 63 marks a full mailbox, bits 32 to 62 hold the queue position, the low word the payload.
HostCallQueue::Record HostCallQueue::mailboxRecord(uint32_t payload) const
{
    const uint64_t position = tail_.load(std::memory_order_relaxed) & 0x7FFFFFFFu;
    return (Record{1} << 63) | (position << 32) | payload;
}

bool HostCallQueue::leftBefore(Record mailbox, uint64_t position)
{
    // Positions wrap at 2^31; the two compared are never more than the capacity apart.
    const uint64_t left = (mailbox >> 32) & 0x7FFFFFFFu;
    return ((position - left) & 0x7FFFFFFFu) < 0x40000000u;
}

bool HostCallQueue::takeMailbox(std::atomic<Record>& mailbox, uint64_t position, Record& taken)
{
    Record m = mailbox.load(std::memory_order_acquire);
    if (m == 0 || !leftBefore(m, position))
        return false;
    if (!mailbox.compare_exchange_strong(m, 0, std::memory_order_acq_rel))
        return false; // replaced or withdrawn by the producer meanwhile
    taken = m;
    return true;
}

bool HostCallQueue::pop(HostCall& call)
{
    if (heldEnd_ != 0) {
        call = unpack(heldEnd_);
        heldEnd_ = 0;
        return true;
    }
    uint64_t head = head_.load(std::memory_order_relaxed);
    const uint64_t tail = tail_.load(std::memory_order_acquire);
    while (head < tail) {
        const uint64_t position = head;
        const Record r = slots_[head % capacity].exchange(0, std::memory_order_acq_rel);
        head_.store(++head, std::memory_order_release);
        if (r == 0)
            continue;
        const HostCall c = unpack(r);
        Record m;
        // The gesture's newest value, if it waited in the mailbox, goes before its end.
        if (c.kind == HostCall::Kind::touchEnd && takeMailbox(valueMailbox_[c.index], position, m)) {
            heldEnd_ = r;
            call = {HostCall::Kind::value, c.index, bitsFloat(static_cast<uint32_t>(m))};
            return true;
        }
        call = c;
        return true;
    }
    return popMailbox(call);
}

bool HostCallQueue::popMailbox(HostCall& call)
{
    const uint64_t head = head_.load(std::memory_order_relaxed);
    Record m;
    for (int k = 0; k < maxIndex; ++k) {
        if (takeMailbox(valueMailbox_[k], head, m)) {
            call = {HostCall::Kind::value, k, bitsFloat(static_cast<uint32_t>(m))};
            return true;
        }
    }
    if (takeMailbox(resizeMailbox_, head, m)) {
        call = {HostCall::Kind::resize, 0, 0.0f, static_cast<int>((m >> 16) & 0xFFFF), static_cast<int>(m & 0xFFFF)};
        return true;
    }
    return false;
}

} // namespace vf
