#include "TestClient.hpp"

#include "client/EnumParameter.hpp"
#include "client/IParameterListener.hpp"
#include "client/IntegerParameter.hpp"
#include "client/LogFloatParameter.hpp"
#include "client/PowFloatParameter.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace vf;
using namespace vf::test;

namespace {

const double inf = std::numeric_limits<double>::infinity();

class CountingListener : public IParameterListener {
public:
    int changed = 0, begun = 0, ended = 0;
    std::string* log = nullptr;
    char tag = '?';
    void onParameterChanged(Parameter*) override
    {
        ++changed;
        if (log)
            *log += tag;
    }
    void onBeginParameterEdit(Parameter*) override { ++begun; }
    void onEndParameterEdit(Parameter*) override { ++ended; }
};

std::string display(Parameter& p)
{
    char buf[32];
    p.toDisplayN(buf, sizeof buf);
    return buf;
}

std::string fromNormalized(Parameter& p, double n)
{
    char buf[32];
    p.stringFromNormalizedValue(n, buf, sizeof buf);
    return buf;
}

} // namespace

TEST(GainParameter, MapsHalfTravelToMinusTwelveDecibels)
{
    GainParameter g(0, "Gain", 0.0, 0.0);
    EXPECT_NEAR(g.fromNormalized(1.0), 0.0, 1e-9);
    EXPECT_NEAR(g.fromNormalized(0.5), -12.04, 0.01);
    EXPECT_NEAR(g.fromNormalized(0.25), -24.08, 0.01);
    EXPECT_EQ(g.fromNormalized(0.0), -inf);
    EXPECT_EQ(g.toNormalized(-inf), 0.0);
    EXPECT_NEAR(g.toNormalized(g.fromNormalized(0.3)), 0.3, 1e-12);
}

TEST(GainParameter, DisplaysOneDecimalAndMinusInf)
{
    GainParameter g(0, "Gain", 6.0, -4.0);
    EXPECT_STREQ(g.label(), "dB");
    EXPECT_EQ(display(g), "-4.0");
    g.setNormalized(0.0);
    EXPECT_EQ(display(g), "-inf");
    EXPECT_EQ(fromNormalized(g, 1.0), "6.0");
}

TEST(GainParameter, DisplayedTextReadsBack)
{
    GainParameter g(0, "Gain", 0.0, -4.0);
    double n = -1.0;
    ASSERT_TRUE(g.normalizedValueFromString(fromNormalized(g, 0.0), n)); // "-inf": silence, not full gain
    EXPECT_EQ(n, 0.0);
    ASSERT_TRUE(g.normalizedValueFromString(fromNormalized(g, 0.5), n));
    EXPECT_NEAR(n, 0.5, 5e-3); // "-12.0": one decimal shown
}

TEST(LinearFloatParameter, LimitsBothDirections)
{
    LinearFloatParameter p(0, "Amount", "%", 0.0, 100.0, 0.0);
    EXPECT_EQ(p.fromNormalized(1.7), 100.0);
    EXPECT_EQ(p.fromNormalized(-0.3), 0.0);
    EXPECT_EQ(p.toNormalized(-5.0), 0.0);
    EXPECT_EQ(p.toNormalized(250.0), 1.0);
    EXPECT_TRUE(std::isnan(p.toNormalized(std::nan(""))));
    p.setNormalized(0.5);
    EXPECT_EQ(display(p), "50.00");
    EXPECT_FALSE(p.isDiscrete());
}

TEST(LogAndPowFloatParameter, RoundTripThroughNormalized)
{
    LogFloatParameter f(0, "Freq", "Hz", 20.0, 20000.0, 1000.0);
    EXPECT_NEAR(f.fromNormalized(0.5), std::sqrt(20.0 * 20000.0), 1e-6);
    EXPECT_NEAR(f.toNormalized(f.fromNormalized(0.37)), 0.37, 1e-12);
    EXPECT_EQ(f.toNormalized(1.0), 0.0);

    PowFloatParameter p(1, "Time", "ms", 0.0, 1000.0, 10.0, 3.0);
    EXPECT_NEAR(p.fromNormalized(0.5), 125.0, 1e-9);
    EXPECT_NEAR(p.toNormalized(125.0), 0.5, 1e-12);
    EXPECT_EQ(p.fromNormalized(2.0), 1000.0);
}

TEST(IntegerParameter, RoundsHalfAwayFromZero)
{
    IntegerParameter p(0, "Steps", "", -3, 3, 0);
    p.setNormalized(0.25);
    EXPECT_EQ(p.value(), -2);
    p.setNormalized(0.75);
    EXPECT_EQ(p.value(), 2);
    p.setNormalized(7.0);
    EXPECT_EQ(p.value(), 3);
    p.setNormalized(std::nan(""));
    EXPECT_EQ(p.value(), -3);
    EXPECT_EQ(display(p), "-3");
    EXPECT_EQ(fromNormalized(p, 0.5), "0");
    EXPECT_TRUE(p.isDiscrete());
}

TEST(EnumParameter, ShowsAndParsesItsPossibilities)
{
    EnumParameter p(0, "Mode", "", {"Soft", "Hard", "Extremely long mode name"}, 1);
    EXPECT_EQ(display(p), "Hard");
    EXPECT_EQ(fromNormalized(p, 1.0), "Extremely long mode name");
    char tiny[5];
    p.setNormalized(1.0);
    p.toStringN(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "Extr");
    double n = 0;
    EXPECT_TRUE(p.normalizedValueFromString("Soft", n));
    EXPECT_EQ(n, 0.0);
    EXPECT_FALSE(p.normalizedValueFromString("Sof", n));
    EXPECT_TRUE(std::isnan(n));
    EXPECT_FALSE(p.normalizedValueFromString("Softer", n));
}

TEST(BoolParameter, HalfIsOnAndOnlyExactWordsParse)
{
    BoolParameter b(0, "Switch", false);
    b.setNormalized(0.5);
    EXPECT_TRUE(b.value());
    b.setNormalized(0.49);
    EXPECT_FALSE(b.value());
    EXPECT_EQ(display(b), "no");
    double n = -1;
    EXPECT_TRUE(b.normalizedValueFromString("yes", n));
    EXPECT_EQ(n, 1.0);
    EXPECT_TRUE(b.normalizedValueFromString("no", n));
    EXPECT_EQ(n, 0.0);
    EXPECT_FALSE(b.normalizedValueFromString("Yes", n));
    EXPECT_TRUE(std::isnan(n));
    EXPECT_FALSE(b.normalizedValueFromString("true", n));
}

TEST(ParameterParsing, FloatReadsLeadingNumberAndIgnoresUnit)
{
    LinearFloatParameter p(0, "Level", "dB", -24.0, 24.0, 0.0);
    double n = 0;
    ASSERT_TRUE(p.normalizedValueFromString("  -12.5dB", n));
    EXPECT_DOUBLE_EQ(p.fromNormalized(n), -12.5);
    ASSERT_TRUE(p.normalizedValueFromString("0x1.8p2", n)); // 6
    EXPECT_DOUBLE_EQ(p.fromNormalized(n), 6.0);
    ASSERT_TRUE(p.normalizedValueFromString("dB", n)); // no digits: 0
    EXPECT_DOUBLE_EQ(p.fromNormalized(n), 0.0);
}

TEST(ParameterParsing, RefusesTextLongerThan127Bytes)
{
    LinearFloatParameter f(0, "Level", "", 0.0, 1.0, 0.0);
    IntegerParameter i(1, "Steps", "", 0, 10, 0);
    std::string text(128, '1');
    double n = 0;
    EXPECT_FALSE(f.normalizedValueFromString(text, n));
    EXPECT_TRUE(std::isnan(n));
    EXPECT_FALSE(i.normalizedValueFromString(text, n));
    EXPECT_TRUE(std::isnan(n));
    EXPECT_TRUE(f.normalizedValueFromString(std::string(127, '0'), n));
}

TEST(ParameterParsing, IntegerAcceptsHexAndLimitsRange)
{
    IntegerParameter p(0, "Steps", "", 0, 16, 0);
    double n = 0;
    ASSERT_TRUE(p.normalizedValueFromString(" 0x8 steps", n));
    EXPECT_DOUBLE_EQ(n, 0.5);
    ASSERT_TRUE(p.normalizedValueFromString("-99999999999999", n));
    EXPECT_DOUBLE_EQ(n, 0.0);
    ASSERT_TRUE(p.normalizedValueFromString("+4.9", n));
    EXPECT_DOUBLE_EQ(n, 0.25);
}

TEST(ParameterListeners, RemovingFirstOfThreeMovesLastToFront)
{
    LinearFloatParameter p(0, "Amount", "", 0.0, 1.0, 0.0);
    std::string log;
    CountingListener a, b, c;
    a.tag = 'a', b.tag = 'b', c.tag = 'c';
    a.log = b.log = c.log = &log;
    p.addListener(&a);
    p.addListener(&b);
    p.addListener(&c);
    p.notifyListeners();
    EXPECT_EQ(log, "abc");
    p.removeListener(&a);
    p.removeListener(&a); // absent: ignored
    log.clear();
    p.notifyListeners();
    EXPECT_EQ(log, "cb");
}

TEST(ParameterEditProtocol, HostChangeNotifiesWithoutCallingHost)
{
    TestClient* client = Client::create<TestClient>();
    RecordingHost host;
    client->attachHostCommand(&host);
    CountingListener l;
    Parameter& p = client->param(2);
    p.addListener(&l);
    p.setFromHost(0.5);
    EXPECT_EQ(l.changed, 1);
    EXPECT_TRUE(host.calls.empty());
    p.setNormalized(0.7); // silent
    EXPECT_EQ(l.changed, 1);
    p.removeListener(&l);
    delete client;
}

TEST(ParameterEditProtocol, GestureReachesHostInOrder)
{
    TestClient* client = Client::create<TestClient>();
    RecordingHost host;
    client->attachHostCommand(&host);
    CountingListener l;
    auto& amount = static_cast<LinearFloatParameter&>(client->param(2));
    amount.addListener(&l);
    amount.beginParamEdit();
    amount.setFromGUI(150.0); // limited to 100
    amount.setFromGUINormalized(0.25);
    amount.endParamEdit();
    ASSERT_EQ(host.calls.size(), 4u);
    EXPECT_EQ(host.calls[0].what, "begin");
    EXPECT_EQ(host.calls[1].what, "automate");
    EXPECT_EQ(host.calls[1].value, 1.0f);
    EXPECT_EQ(host.calls[2].value, 0.25f);
    EXPECT_EQ(host.calls[3].what, "end");
    for (const auto& c : host.calls)
        EXPECT_EQ(c.index, 2);
    EXPECT_EQ(l.begun, 1);
    EXPECT_EQ(l.changed, 2);
    EXPECT_EQ(l.ended, 1);
    EXPECT_EQ(amount.value(), 25.0);
    amount.removeListener(&l);
    delete client;
}

TEST(ParameterEditProtocol, BoolSwitchSendsOneAutomation)
{
    TestClient* client = Client::create<TestClient>();
    RecordingHost host;
    client->attachHostCommand(&host);
    auto& sw = static_cast<BoolParameter&>(client->param(1));
    sw.beginParamEdit();
    sw.setFromGUI(false);
    sw.endParamEdit();
    ASSERT_EQ(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[1].what, "automate");
    EXPECT_EQ(host.calls[1].value, 0.0f);
    EXPECT_FALSE(sw.valueAtomic());
    delete client;
}

TEST(ParameterEditProtocol, WorksWithoutHost)
{
    TestClient* client = Client::create<TestClient>();
    auto& amount = static_cast<LinearFloatParameter&>(client->param(2));
    amount.beginParamEdit();
    amount.setFromGUI(10.0);
    amount.endParamEdit();
    EXPECT_EQ(amount.valueAtomic(), 10.0);
    delete client;
}

TEST(ParameterDisplay, NeverWritesPastSmallBuffers)
{
    GainParameter g(0, "Gain", 0.0, -40.0);
    char buf[4] = {'x', 'x', 'x', 'x'};
    g.toStringN(buf, 3);
    EXPECT_STREQ(buf, "-4");
    EXPECT_EQ(buf[3], 'x');
    g.toStringN(nullptr, 0); // tolerated
    g.stringFromNormalizedValue(0.5, buf, 0);
    EXPECT_EQ(buf[0], '-');
}
