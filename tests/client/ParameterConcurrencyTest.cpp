#include "TestClient.hpp"

#include "client/IParameterListener.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vf;
using namespace vf::test;

namespace {

class Listener : public IParameterListener {
public:
    std::atomic<int> changed{0};
    void onParameterChanged(Parameter*) override { changed.fetch_add(1, std::memory_order_relaxed); }
    void onBeginParameterEdit(Parameter*) override {}
    void onEndParameterEdit(Parameter*) override {}
};

} // namespace

// A host automating while the editor builds and tears down its widgets: the
// notifying thread must never walk a listener list that is being changed.
TEST(ParameterConcurrent, HostNotificationsWhileListenersChange)
{
    TestClient* client = Client::create<TestClient>();
    Parameter& p = client->param(2);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        int i = 0;
        while (!stop.load()) {
            p.setFromHost((i++ % 100) / 100.0);
        }
    });
    Listener listeners[16];
    for (int round = 0; round < 2000; ++round) {
        for (auto& l : listeners)
            p.addListener(&l);
        for (auto& l : listeners)
            p.removeListener(&l);
    }
    stop.store(true);
    audio.join();
    delete client;
}
