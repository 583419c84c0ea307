// The X11 window against a real (virtual) X server of its own.

#include "window/X11Window.hpp"
#include "tests/window/display/XvfbServer.hpp"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace vf;

namespace {

std::atomic<int> hostErrorCount{0};

// Stands for the host's handler: our windows must never make it run.
int countingErrorHandler(Display*, XErrorEvent*)
{
    ++hostErrorCount;
    return 0;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

struct Click {
    int x, y;
    MouseButton button;
    bool isDouble;
};

struct Move {
    int x, y, dx, dy;
};

// Records what the window asks and tells; paints its whole buffer in one colour.
class RecordingListener final : public IWindowListener {
public:
    explicit RecordingListener(RGBA colour) { setColour(colour); }

    bool onMouseClick(int x, int y, MouseButton b, bool isDouble, MouseState) override
    {
        std::lock_guard<std::mutex> lock(m_);
        clicks.push_back({x, y, b, isDouble});
        return true;
    }
    bool onMouseRelease(int, int, MouseButton, MouseState) override
    {
        ++releases;
        return true;
    }
    bool onMouseWheel(int, int, int dx, int dy, MouseState) override
    {
        wheelXSum += dx;
        wheelSum += dy;
        return true;
    }
    void onMouseMove(int x, int y, int dx, int dy, MouseState) override
    {
        std::lock_guard<std::mutex> lock(m_);
        moves.push_back({x, y, dx, dy});
    }
    bool onKeyDown(Key k) override
    {
        lastKeyDown = static_cast<int>(k);
        return true;
    }
    bool onKeyUp(Key k) override
    {
        lastKeyUp = static_cast<int>(k);
        return true;
    }
    void onDraw(WindowPixelFormat format) override
    {
        EXPECT_EQ(format, WindowPixelFormat::BGRA8);
        // In BGRA byte order the red and blue channels swap places.
        const uint32_t c = colour_.load();
        const RGBA stored{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16), 255};
        for (auto& p : pixels_)
            p = stored;
        ++draws;
    }
    ImageRef<RGBA> onResized(int width, int height) override
    {
        ++resizes;
        lastWidth = width;
        lastHeight = height;
        pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), RGBA{});
        dirty = true;
        ImageRef<RGBA> ref;
        ref.width = width;
        ref.height = height;
        ref.pitch = static_cast<std::ptrdiff_t>(width) * 4;
        ref.pixels = pixels_.data();
        return ref;
    }
    // The whole image, or only a square at (100, 100) of this size once set: the
    // window must show no more than that.
    std::atomic<int> drawnSquare{0};
    std::span<const box2i> getDrawnAreas() override
    {
        const int n = drawnSquare.load();
        drawn_ = n > 0 ? box2i::rectangle(100, 100, n, n) : box2i::rectangle(0, 0, lastWidth, lastHeight);
        return {&drawn_, 1};
    }
    void recomputeDirtyAreas() override { ++recomputes; }
    box2i getDirtyRectangle() override
    {
        if (zeroWidthDirty.load())
            return box2i::rectangle(10, 10, 0, 40);
        if (!dirty.exchange(false))
            return {};
        return box2i::rectangle(0, 0, lastWidth, lastHeight);
    }
    void onMouseCaptureCancelled() override {}
    void onMouseExitedWindow() override { ++exits; }
    void onAnimate(double dt, double) override
    {
        if (dt < 0)
            negativeDt = true;
        ++animations;
    }
    MouseCursor getMouseCursor() override { return cursor.load(); }

    box2i drawn_;

    std::vector<Click> clickList()
    {
        std::lock_guard<std::mutex> lock(m_);
        return clicks;
    }
    std::vector<Move> moveList()
    {
        std::lock_guard<std::mutex> lock(m_);
        return moves;
    }
    void setColour(RGBA c) { colour_ = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }

    std::atomic<int> resizes{0}, draws{0}, releases{0}, wheelSum{0}, wheelXSum{0}, exits{0}, animations{0},
        recomputes{0};
    std::atomic<int> lastKeyDown{-1}, lastKeyUp{-1};
    std::atomic<int> lastWidth{0}, lastHeight{0};
    std::atomic<bool> dirty{false}, negativeDt{false}, zeroWidthDirty{false};
    std::atomic<MouseCursor> cursor{MouseCursor::arrow};

private:
    std::mutex m_;
    std::vector<Click> clicks;
    std::vector<Move> moves;
    std::vector<RGBA> pixels_;
    std::atomic<uint32_t> colour_{0}; // 0xRRGGBB
};

class X11WindowOnDisplay : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!test::XvfbServer::available())
            return;
        server_ = new test::XvfbServer;
        if (!server_->start()) {
            delete server_;
            server_ = nullptr;
            return;
        }
        setenv("DISPLAY", server_->display().c_str(), 1);
        XSetErrorHandler(countingErrorHandler);
    }

    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override
    {
        if (server_ == nullptr)
            GTEST_SKIP() << "no Xvfb available";
        display_ = XOpenDisplay(server_->display().c_str());
        ASSERT_NE(display_, nullptr);
        hostErrorCount = 0;
        parent_ = makeParent(0, 0, 600, 700);
    }

    void TearDown() override
    {
        if (display_ == nullptr)
            return;
        XSync(display_, False);
        XCloseDisplay(display_);
        EXPECT_EQ(X11Window::liveWindowCount(), 0);
        EXPECT_EQ(hostErrorCount.load(), 0);
    }

    Window makeParent(int x, int y, int w, int h)
    {
        Window p = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(w),
                                       static_cast<unsigned>(h), 0, 0, 0);
        XMapWindow(display_, p);
        XSync(display_, False);
        return p;
    }

    unsigned long pixelAt(Window w, int x, int y)
    {
        XImage* image = XGetImage(display_, w, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return 0xDEADBEEF;
        const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
        return p;
    }

    void moveTo(int x, int y)
    {
        XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
        XSync(display_, False);
    }

    void button(unsigned b, bool press)
    {
        XTestFakeButtonEvent(display_, b, press ? True : False, CurrentTime);
        XSync(display_, False);
    }

    static Window idOf(X11Window& w) { return static_cast<Window>(reinterpret_cast<uintptr_t>(w.systemHandle())); }

    static test::XvfbServer* server_;
    Display* display_ = nullptr;
    Window parent_ = 0;
};

test::XvfbServer* X11WindowOnDisplay::server_ = nullptr;

TEST_F(X11WindowOnDisplay, OpensWithOneResizeAndShowsTheListenersPixels)
{
    RecordingListener listener({255, 0, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 365, 650));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(listener.resizes.load(), 1);
    EXPECT_EQ(listener.lastWidth.load(), 365);
    EXPECT_EQ(listener.lastHeight.load(), 650);
    EXPECT_EQ(X11Window::liveWindowCount(), 1);

    // The timer finds the dirty area and draws.
    ASSERT_TRUE(waitUntil([&] { return listener.draws.load() > 0; }));
    ASSERT_TRUE(waitUntil([&] { return pixelAt(idOf(*window), 364, 649) == 0xFF0000; }));
    EXPECT_EQ(pixelAt(idOf(*window), 0, 0), 0xFF0000u);
    EXPECT_TRUE(waitUntil([&] { return listener.animations.load() > 3; }));
    EXPECT_FALSE(listener.negativeDt.load());
    EXPECT_EQ(listener.resizes.load(), 1);

    // A later repaint shows what was drawn, and only that: a small area goes
    // through shared memory.
    listener.drawnSquare = 40;
    listener.setColour({0, 0, 255, 255});
    listener.dirty = true;
    EXPECT_TRUE(waitUntil([&] { return pixelAt(idOf(*window), 139, 139) == 0x0000FF; }));
    EXPECT_EQ(pixelAt(idOf(*window), 140, 140), 0xFF0000u);
}

// A server that cannot share memory with us, or cannot see the segment it is
// given (a sandbox), gets the frames through the socket.
TEST_F(X11WindowOnDisplay, AServerThatCannotShareMemoryGetsThePixelsThroughTheSocket)
{
    for (const auto sharing : {test::XvfbServer::Sharing::none, test::XvfbServer::Sharing::elsewhere}) {
        test::XvfbServer other;
        if (!other.start("1024x1024x24", sharing)) {
            EXPECT_EQ(sharing, test::XvfbServer::Sharing::elsewhere); // needs the right to unshare
            continue;
        }
        Display* d = XOpenDisplay(other.display().c_str());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(XShmQueryExtension(d) != False, sharing == test::XvfbServer::Sharing::elsewhere);
        const Window p = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 300, 0, 0, 0);
        XMapWindow(d, p);
        XSync(d, False);
        setenv("DISPLAY", other.display().c_str(), 1); // no window of ours is open: a new connection
        RecordingListener listener({255, 0, 0, 255});
        auto window = std::unique_ptr<X11Window>(
            X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(p), &listener, 300, 200));
        setenv("DISPLAY", server_->display().c_str(), 1);
        ASSERT_NE(window, nullptr);
        auto pixel = [&](int x, int y) {
            XImage* image = XGetImage(d, idOf(*window), x, y, 1, 1, AllPlanes, ZPixmap);
            const unsigned long v = image != nullptr ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0xDEADBEEF;
            if (image != nullptr)
                XDestroyImage(image);
            return v;
        };
        EXPECT_TRUE(waitUntil([&] { return pixel(299, 199) == 0xFF0000; }));
        listener.drawnSquare = 40;
        listener.setColour({0, 0, 255, 255});
        listener.dirty = true;
        EXPECT_TRUE(waitUntil([&] { return pixel(139, 139) == 0x0000FF; }));
        EXPECT_EQ(pixel(140, 140), 0xFF0000u);
        window.reset();
        XCloseDisplay(d);
    }
}

TEST_F(X11WindowOnDisplay, ConfigureWithTheSameSizeDoesNotResizeButANewSizeDoes)
{
    RecordingListener listener({0, 255, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 200, 100));
    ASSERT_NE(window, nullptr);
    XMoveWindow(display_, idOf(*window), 10, 20); // a ConfigureNotify with an unchanged size
    XSync(display_, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(listener.resizes.load(), 1);

    EXPECT_TRUE(window->requestResize(300, 250, true));
    ASSERT_TRUE(waitUntil([&] { return listener.resizes.load() == 2; }));
    EXPECT_EQ(listener.lastWidth.load(), 300);
    EXPECT_EQ(listener.lastHeight.load(), 250);
    EXPECT_TRUE(waitUntil([&] { return pixelAt(idOf(*window), 299, 249) == 0x00FF00; }));
}

TEST_F(X11WindowOnDisplay, HintsCarryTheAskedSizeAndAWindowItsHostDoesNotFollowFitsAfterASecond)
{
    const Window host = makeParent(0, 0, 365, 650);
    RecordingListener listener({0, 255, 0, 255});
    std::unique_ptr<X11Window> window(
        X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(host), &listener, 365, 650));
    ASSERT_NE(window, nullptr);
    window->setLargestSize(548, 975);
    auto hints = [&] {
        XSizeHints h{};
        long supplied = 0;
        XGetWMNormalHints(display_, idOf(*window), &h, &supplied);
        return std::array{(h.flags & PMinSize) != 0 ? 1 : 0, h.max_width, h.max_height, h.base_width, h.base_height};
    };
    // No minimum: a GTK2 embedding would pin its request there.
    EXPECT_EQ(hints(), (std::array{0, 548, 975, 365, 650}));

    const auto grown = std::chrono::steady_clock::now();
    window->requestResize(456, 813, false);
    EXPECT_EQ(hints(), (std::array{0, 548, 975, 456, 813}));
    ASSERT_TRUE(waitUntil([&] { return listener.lastWidth.load() == 456; }));
    ASSERT_TRUE(waitUntil([&] { return listener.lastWidth.load() == 365 && listener.lastHeight.load() == 650; }));
    EXPECT_GE(std::chrono::steady_clock::now() - grown, std::chrono::milliseconds(950));
    EXPECT_EQ(hints(), (std::array{0, 548, 975, 365, 650}));
    XDestroyWindow(display_, host);
}

TEST_F(X11WindowOnDisplay, PointerInputReachesTheListener)
{
    RecordingListener listener({0, 0, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 365, 650));
    ASSERT_NE(window, nullptr);
    moveTo(900, 900); // outside the parent
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    moveTo(100, 120);
    ASSERT_TRUE(waitUntil([&] { return !listener.moveList().empty(); }));
    const Move first = listener.moveList().front();
    EXPECT_EQ(first.x, 100);
    EXPECT_EQ(first.y, 120);
    EXPECT_EQ(first.dx, 0);
    EXPECT_EQ(first.dy, 0);

    moveTo(110, 115);
    ASSERT_TRUE(waitUntil([&] { return listener.moveList().size() >= 2; }));
    const Move second = listener.moveList().back();
    EXPECT_EQ(second.dx, 10);
    EXPECT_EQ(second.dy, -5);

    button(1, true);
    button(1, false);
    ASSERT_TRUE(waitUntil([&] { return listener.clickList().size() == 1 && listener.releases.load() == 1; }));
    EXPECT_EQ(listener.clickList()[0].x, 110);
    EXPECT_EQ(listener.clickList()[0].y, 115);
    EXPECT_EQ(listener.clickList()[0].button, MouseButton::left);

    button(3, true); // soon after: a double click, whatever the button
    button(3, false);
    ASSERT_TRUE(waitUntil([&] { return listener.clickList().size() == 2; }));
    EXPECT_EQ(listener.clickList()[1].button, MouseButton::right);
    EXPECT_TRUE(listener.clickList()[1].isDouble);

    button(4, true); // wheel up
    button(4, false);
    button(5, true);
    button(5, false);
    button(5, true);
    button(5, false);
    EXPECT_TRUE(waitUntil([&] { return listener.wheelSum.load() == -1; }));
    EXPECT_EQ(listener.releases.load(), 2); // wheel releases are not reported

    // Sideways scrolling arrives as horizontal wheel steps, never as clicks.
    button(7, true);
    button(7, false);
    button(7, true);
    button(7, false);
    button(6, true);
    button(6, false);
    EXPECT_TRUE(waitUntil([&] { return listener.wheelXSum.load() == 1; }));
    EXPECT_EQ(listener.wheelSum.load(), -1);
    EXPECT_EQ(listener.clickList().size(), 2u);
    EXPECT_EQ(listener.releases.load(), 2);

    moveTo(900, 900);
    EXPECT_TRUE(waitUntil([&] { return listener.exits.load() > 0; }));
}

TEST_F(X11WindowOnDisplay, KeysReachTheListenerTranslated)
{
    RecordingListener listener({0, 0, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 365, 650));
    ASSERT_NE(window, nullptr);
    XSetInputFocus(display_, idOf(*window), RevertToParent, CurrentTime);
    moveTo(50, 50);
    const KeyCode q = XKeysymToKeycode(display_, XK_q);
    XTestFakeKeyEvent(display_, q, True, CurrentTime);
    XTestFakeKeyEvent(display_, q, False, CurrentTime);
    XSync(display_, False);
    EXPECT_TRUE(waitUntil([&] { return listener.lastKeyDown.load() == static_cast<int>(Key::q); }));
    EXPECT_TRUE(waitUntil([&] { return listener.lastKeyUp.load() == static_cast<int>(Key::q); }));
}

TEST_F(X11WindowOnDisplay, AnEmptyDirtyRectangleDrawsNothing)
{
    RecordingListener listener({0, 0, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 100, 100));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil([&] { return listener.draws.load() > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    listener.zeroWidthDirty = true;
    const int before = listener.draws.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(listener.draws.load(), before);
    EXPECT_GT(listener.recomputes.load(), 10); // polled all the while
}

TEST_F(X11WindowOnDisplay, CursorChangesRaiseNoError)
{
    RecordingListener listener({0, 0, 0, 255});
    std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                        &listener, 100, 100));
    ASSERT_NE(window, nullptr);
    for (int c = 7; c >= 0; --c) {
        listener.cursor = static_cast<MouseCursor>(c);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

TEST_F(X11WindowOnDisplay, TwoWindowsShareTheDisplayAndCloseInEitherOrder)
{
    for (bool firstClosesFirst : {true, false}) {
        RecordingListener a({255, 0, 0, 255}), b({0, 0, 255, 255});
        auto* wa = X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_), &a, 100, 100);
        auto* wb = X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_), &b, 120, 90);
        ASSERT_NE(wa, nullptr);
        ASSERT_NE(wb, nullptr);
        EXPECT_EQ(X11Window::liveWindowCount(), 2);
        X11Window* first = firstClosesFirst ? wa : wb;
        X11Window* second = firstClosesFirst ? wb : wa;
        RecordingListener& survivor = firstClosesFirst ? b : a;
        delete first;
        EXPECT_EQ(X11Window::liveWindowCount(), 1);
        // The survivor keeps drawing on the shared connection.
        const int before = survivor.draws.load();
        survivor.dirty = true;
        EXPECT_TRUE(waitUntil([&] { return survivor.draws.load() > before; }));
        delete second;
        EXPECT_EQ(X11Window::liveWindowCount(), 0);
    }
}

// Two hosts' threads may open editors at the same moment: the second must never use
// a display that the first is still opening or already closing.
TEST_F(X11WindowOnDisplay, WindowsOpenedAndClosedFromTwoThreadsShareTheDisplaySafely)
{
    std::atomic<int> opened{0};
    auto worker = [&] {
        for (int i = 0; i < 8; ++i) {
            RecordingListener listener({0, 0, 255, 255});
            std::unique_ptr<X11Window> window(
                X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_), &listener, 60, 60));
            if (window != nullptr)
                ++opened;
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(opened.load(), 16);
}

TEST_F(X11WindowOnDisplay, ReopeningAfterTheLastWindowClosedWorks)
{
    for (int i = 0; i < 5; ++i) {
        RecordingListener listener({0, 255, 0, 255});
        std::unique_ptr<X11Window> window(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                            &listener, 50, 50));
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(waitUntil([&] { return listener.draws.load() > 0; }));
    }
}

TEST_F(X11WindowOnDisplay, AParentThatDoesNotExistGivesNoWindowAndNoError)
{
    RecordingListener listener({0, 0, 0, 255});
    const Window gone = makeParent(0, 0, 10, 10);
    XDestroyWindow(display_, gone);
    XSync(display_, False);
    EXPECT_EQ(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(gone), &listener, 365, 650), nullptr);
    EXPECT_EQ(listener.resizes.load(), 0);
}

// Stand-alone use: a caller blocked in waitEventAndDispatch comes back once the window
// is gone, whichever thread reads the news, and later calls return at once.
TEST_F(X11WindowOnDisplay, WaitEventAndDispatchReturnsOnceTheWindowIsGone)
{
    const Window hostWindow = makeParent(0, 0, 200, 200);
    RecordingListener listener({0, 0, 255, 255});
    auto* window = X11Window::create(WindowUsage::host, reinterpret_cast<void*>(hostWindow), &listener, 100, 100);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(waitUntil([&] { return listener.draws.load() > 0; }));
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        while (!window->terminated())
            window->waitEventAndDispatch();
        for (int i = 0; i < 8; ++i) // more than the few events a destroy leaves behind
            window->waitEventAndDispatch();
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    XDestroyWindow(display_, hostWindow);
    XSync(display_, False);
    EXPECT_TRUE(waitUntil([&] { return returned.load(); }, 2000));
    if (!returned.load())
        return caller.detach(); // still blocked: the window must outlive it
    caller.join();
    delete window;
}

// The host may destroy its window before it closes the editor; the server then
// destroys ours with it.  Another window keeps the connection open and reading, so
// any late error of ours would reach the host's handler.
TEST_F(X11WindowOnDisplay, ParentDestroyedFirstRaisesNoErrorOnClose)
{
    RecordingListener keeper({0, 0, 0, 255});
    std::unique_ptr<X11Window> keeperWindow(X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(parent_),
                                                              &keeper, 50, 50));
    ASSERT_NE(keeperWindow, nullptr);
    for (bool waitForTheNews : {true, false}) {
        const Window hostWindow = makeParent(100, 100, 400, 700);
        RecordingListener listener({255, 255, 0, 255});
        auto* window = X11Window::create(WindowUsage::plugin, reinterpret_cast<void*>(hostWindow), &listener, 365,
                                         650);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(waitUntil([&] { return listener.draws.load() > 0; }));
        XDestroyWindow(display_, hostWindow);
        XSync(display_, False);
        if (waitForTheNews) {
            EXPECT_TRUE(waitUntil([&] { return window->terminated(); }));
        }
        // Repaints and cursor changes while the window is gone must stay harmless.
        listener.dirty = true;
        listener.cursor = MouseCursor::hand;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(window->requestResize(200, 200, false));
        delete window;
    }
    keeper.dirty = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(hostErrorCount.load(), 0);
}

} // namespace
