#include "window/X11Window.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace vf;

TEST(X11KeyMapping, DigitsFromTheMainRowAndTheKeypadAgree)
{
    EXPECT_EQ(X11Window::convertKeyFromX11('7'), Key::digit7);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFB7 /* keypad 7 */), Key::digit7);
    EXPECT_EQ(X11Window::convertKeyFromX11('0'), Key::digit0);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFB9 /* keypad 9 */), Key::digit9);
}

TEST(X11KeyMapping, LettersKeepTheirCase)
{
    EXPECT_EQ(X11Window::convertKeyFromX11('Q'), Key::Q);
    EXPECT_EQ(X11Window::convertKeyFromX11('a'), Key::a);
    EXPECT_EQ(X11Window::convertKeyFromX11('z'), Key::z);
    EXPECT_EQ(X11Window::convertKeyFromX11('A'), Key::A);
    EXPECT_EQ(X11Window::convertKeyFromX11('Z'), Key::Z);
}

TEST(X11KeyMapping, NamedKeys)
{
    EXPECT_EQ(X11Window::convertKeyFromX11(0x20), Key::space);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF52), Key::upArrow);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF54), Key::downArrow);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF51), Key::leftArrow);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF53), Key::rightArrow);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF08), Key::backspace);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF0D), Key::enter);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF8D /* keypad enter */), Key::enter);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFF1B), Key::escape);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFFF), Key::suppr);
}

TEST(X11KeyMapping, EverythingElseIsUnsupported)
{
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFBE /* F1 */), Key::unsupported);
    EXPECT_EQ(X11Window::convertKeyFromX11(0), Key::unsupported);
    EXPECT_EQ(X11Window::convertKeyFromX11('/'), Key::unsupported);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFB0 - 1), Key::unsupported);
    EXPECT_EQ(X11Window::convertKeyFromX11(0xFFFFFFFFul), Key::unsupported);
}

TEST(X11MouseMapping, StateBitsBecomeButtonsAndModifiers)
{
    const unsigned shift = 1u << 0, control = 1u << 2, mod1 = 1u << 3;
    const unsigned button1 = 1u << 8, button2 = 1u << 9, button3 = 1u << 10;
    EXPECT_EQ(X11Window::mouseStateFromX11(0), MouseState{});

    MouseState s = X11Window::mouseStateFromX11(button1 | button3 | control);
    EXPECT_TRUE(s.leftButtonDown);
    EXPECT_TRUE(s.rightButtonDown);
    EXPECT_FALSE(s.middleButtonDown);
    EXPECT_TRUE(s.ctrlPressed);
    EXPECT_FALSE(s.shiftPressed);

    s = X11Window::mouseStateFromX11(button2 | shift | mod1 | (1u << 11) | (1u << 12));
    EXPECT_TRUE(s.middleButtonDown);
    EXPECT_TRUE(s.shiftPressed);
    EXPECT_TRUE(s.altPressed);
    // X11 has no extra buttons in the state: buttons 4 and 5 are the wheel.
    EXPECT_FALSE(s.x1ButtonDown);
    EXPECT_FALSE(s.x2ButtonDown);
}

TEST(X11MouseMapping, ButtonNumbers)
{
    EXPECT_EQ(X11Window::buttonFromX11Press(1), MouseButton::left);
    EXPECT_EQ(X11Window::buttonFromX11Press(2), MouseButton::middle);
    EXPECT_EQ(X11Window::buttonFromX11Press(3), MouseButton::right);
    EXPECT_EQ(X11Window::buttonFromX11Press(4), MouseButton::x1);
    EXPECT_EQ(X11Window::buttonFromX11Press(5), MouseButton::x2);
    EXPECT_EQ(X11Window::buttonFromX11Press(8), MouseButton::left);
    EXPECT_EQ(X11Window::buttonFromX11Release(2), MouseButton::middle);
    EXPECT_EQ(X11Window::buttonFromX11Release(3), MouseButton::right);
    EXPECT_EQ(X11Window::buttonFromX11Release(9), MouseButton::left);
}

TEST(X11MouseMapping, WheelButtonsScrollOthersClick)
{
    int dx = 9, dy = 9;
    EXPECT_TRUE(X11Window::wheelStepFromX11(4, &dx, &dy));
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 1);
    EXPECT_TRUE(X11Window::wheelStepFromX11(5, &dx, &dy));
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, -1);
    // Sideways scrolling must not arrive as clicks (a burst would toggle switches).
    EXPECT_TRUE(X11Window::wheelStepFromX11(6, &dx, &dy));
    EXPECT_EQ(dx, -1);
    EXPECT_EQ(dy, 0);
    EXPECT_TRUE(X11Window::wheelStepFromX11(7, &dx, &dy));
    EXPECT_EQ(dx, 1);
    EXPECT_EQ(dy, 0);
    for (unsigned b : {0u, 1u, 2u, 3u, 8u, 9u})
        EXPECT_FALSE(X11Window::wheelStepFromX11(b, &dx, &dy)) << b;
}

TEST(X11CursorMapping, EachCursorHasItsFontShape)
{
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::arrow), 2);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::hand), 60);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::crosshair), 34);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::grab), 58);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::verticalResize), 116);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::horizontalResize), 108);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::diagonalResize), 14);
    EXPECT_EQ(X11Window::fontCursorShape(MouseCursor::hidden), -1);
}

TEST(X11EventPolling, BackOffDoublesPlusOneMillisecondUpToATenthOfASecond)
{
    int backOff = 0;
    const int expected[] = {1000, 3000, 7000, 15000, 31000, 63000, 100000, 100000};
    for (int e : expected) {
        backOff = X11Window::nextBackOffMicroseconds(backOff);
        EXPECT_EQ(backOff, e);
    }
}

namespace {

class NullListener final : public IWindowListener {
public:
    bool onMouseClick(int, int, MouseButton, bool, MouseState) override { return false; }
    bool onMouseRelease(int, int, MouseButton, MouseState) override { return false; }
    bool onMouseWheel(int, int, int, int, MouseState) override { return false; }
    void onMouseMove(int, int, int, int, MouseState) override {}
    bool onKeyDown(Key) override { return false; }
    bool onKeyUp(Key) override { return false; }
    void onDraw(WindowPixelFormat) override {}
    std::span<const box2i> getDrawnAreas() override { return {}; }
    ImageRef<RGBA> onResized(int, int) override
    {
        ++resized;
        return {};
    }
    void recomputeDirtyAreas() override {}
    box2i getDirtyRectangle() override { return {}; }
    void onMouseCaptureCancelled() override {}
    void onMouseExitedWindow() override {}
    void onAnimate(double, double) override {}
    MouseCursor getMouseCursor() override { return MouseCursor::arrow; }
    int resized = 0;
};

} // namespace

// Without a display the host must keep running: creation simply yields no window.
TEST(X11WindowWithoutDisplay, CreationReturnsNullAndTouchesNothing)
{
    const char* saved = getenv("DISPLAY");
    std::string previous = saved != nullptr ? saved : "";
    setenv("DISPLAY", ":4093", 1); // no server listens there
    NullListener listener;
    EXPECT_EQ(X11Window::create(WindowUsage::plugin, nullptr, &listener, 365, 650), nullptr);

    X11Window direct(WindowUsage::plugin, nullptr, &listener, 365, 650);
    EXPECT_FALSE(direct.isOpen());
    EXPECT_TRUE(direct.terminated());
    EXPECT_EQ(direct.systemHandle(), nullptr);
    EXPECT_TRUE(direct.requestResize(400, 700, false));
    direct.waitEventAndDispatch(); // returns at once
    EXPECT_EQ(listener.resized, 0);
    EXPECT_EQ(X11Window::liveWindowCount(), 0);

    if (saved != nullptr)
        setenv("DISPLAY", previous.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
