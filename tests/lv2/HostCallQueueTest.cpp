#include "lv2/HostCallQueue.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace vf;

namespace {

using K = HostCall::Kind;

std::vector<HostCall> drain(HostCallQueue& q)
{
    std::vector<HostCall> calls;
    HostCall c;
    while (q.pop(c))
        calls.push_back(c);
    return calls;
}

HostCall touch(K kind, int index) { return {kind, index}; }
HostCall value(int index, float v) { return {K::value, index, v}; }
HostCall size(int w, int h) { return {K::resize, 0, 0.0f, w, h}; }

} // namespace

TEST(HostCallQueue, KeepsOrderAndMergesOnlyWhatTheHostHasNotTaken)
{
    HostCallQueue q;
    q.beginEdit(2);
    q.setValue(2, 0.1f);
    q.setValue(2, 0.3f);
    q.requestResize(400, 700);
    q.requestResize(456, 813);
    q.setValue(2, 0.4f);
    EXPECT_EQ(drain(q), (std::vector{touch(K::touchBegin, 2), value(2, 0.3f), size(456, 813), value(2, 0.4f)}));
    q.setValue(2, 0.5f); // the 0.4 it would merge into is gone
    q.endEdit(2);
    EXPECT_EQ(drain(q), (std::vector{value(2, 0.5f), touch(K::touchEnd, 2)}));
}

TEST(HostCallQueue, FullQueueKeepsNewestValuesAndEveryAcceptedBracket)
{
    HostCallQueue q;
    q.beginEdit(0);
    for (int i = 0; i < 3 * HostCallQueue::capacity; ++i)
        q.setValue(i % 2, static_cast<float>(i));
    q.beginEdit(3); // no room left for a bracket: neither its begin nor its end reaches the host
    q.setValue(3, 7.0f);
    q.endEdit(3);
    q.endEdit(0);
    q.requestResize(548, 975);
    const auto calls = drain(q);
    ASSERT_LE(calls.size(), size_t{HostCallQueue::capacity + 4});
    EXPECT_EQ(calls.front(), touch(K::touchBegin, 0));
    const auto end0 = std::find(calls.begin(), calls.end(), touch(K::touchEnd, 0));
    ASSERT_NE(end0, calls.end());
    EXPECT_EQ(*(end0 - 1), value(0, 3 * HostCallQueue::capacity - 2)); // the newest, before the end
    for (const HostCall& c : {value(1, 3 * HostCallQueue::capacity - 1), value(3, 7.0f), size(548, 975)})
        EXPECT_NE(std::find(calls.begin(), calls.end(), c), calls.end());
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const HostCall& c) { return c.index == 3 && c.kind != K::value; }), 0);
}

TEST(HostCallQueue, ConcurrentGesturesArriveInOrderAndClosed)
{
    HostCallQueue q;
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int g = 0; g < 2000; ++g) {
            q.beginEdit(g % 6);
            for (int v = 0; v <= 20; ++v)
                q.setValue(g % 6, static_cast<float>(g * 100 + v));
            q.endEdit(g % 6);
        }
        done = true;
    });
    std::vector<HostCall> calls;
    for (bool finished = false; !finished;) {
        finished = done;
        HostCall c;
        while (q.pop(c))
            calls.push_back(c);
    }
    editor.join();
    // A parameter's values only ever rise (merges and overflow drop, never reorder);
    // every bracket closes on its own parameter after the gesture's last value.
    float last[6] = {-1, -1, -1, -1, -1, -1};
    int open = -1, brackets = 0;
    for (const HostCall& call : calls) {
        if (call.kind == K::value) {
            EXPECT_GT(call.value, last[call.index]);
            last[call.index] = call.value;
        } else if (call.kind == K::touchBegin) {
            EXPECT_EQ(open, -1);
            open = call.index;
        } else {
            ASSERT_EQ(call.index, open);
            EXPECT_EQ(static_cast<int>(last[open]) % 100, 20);
            open = -1;
            ++brackets;
        }
    }
    EXPECT_EQ(open, -1);
    EXPECT_GT(brackets, 0);
}
