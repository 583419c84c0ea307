// The GUI root with a real window, on a virtual X server this program starts
// itself (Xvfb picks a free display number).  Skipped when Xvfb is absent.
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"
#include "gui/WindowMaker.hpp"
#include "window/IWindow.hpp"
#include "window/X11WindowMaker.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vf {
namespace {

class VirtualDisplay : public ::testing::Environment {
public:
    void SetUp() override
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x1100x24", "-nolisten", "tcp", "-noreset",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes the number and then a newline; it stops if the pipe
        // closes in between, so read up to the newline.
        std::string number;
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) {
            display_ = ":" + number;
            setenv("DISPLAY", display_.c_str(), 1);
        }
    }
    void TearDown() override
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    static bool available() { return !display_.empty(); }

private:
    pid_t pid_ = -1;
    static inline std::string display_;
};

// A root painting its background, with one element that can be dragged.
class Editor final : public GUIGraphics {
public:
    class Handle final : public UIElement {
    public:
        explicit Handle(UIContext* c) : UIElement(c, rawLayerFlag) {}
        bool onMouseClick(int, int, int, bool, MouseState) override { return true; }
        void onBeginDrag() override { ++begins; }
        void onStopDrag() override { ++stops; }
        std::atomic<int> begins{0}, stops{0};
    };

    Editor() : GUIGraphics(constraints(), rawLayerFlag | animatedFlag)
    {
        handle = new Handle(context());
        addChild(handle);
        handle->setPosition(box2i::rectangle(10, 10, 40, 40));
    }

    void onDrawRaw(ImageRef<RGBA> map, std::span<const box2i> rects) override
    {
        ++draws;
        for (const box2i& r : rects)
            for (int y = r.min.y; y < r.max.y; ++y)
                for (int x = r.min.x; x < r.max.x; ++x)
                    map.at(x, y) = RGBA{30, 60, 90, 255};
    }

    static SizeConstraints constraints()
    {
        static const float ratios[] = {0.65f, 0.75f, 0.85f, 1.0f, 1.25f, 1.5f};
        return SizeConstraints::discrete(365, 650, ratios, 6);
    }

    // Event thread: the content was laid out again.
    void reflow() override { laidOutWidth = width(); }

    Handle* handle = nullptr;
    std::atomic<int> draws{0};
    std::atomic<int> laidOutWidth{0};
};

template <typename Condition>
bool waitFor(Condition condition)
{
    for (int i = 0; i < 1000; ++i) { // generous: CI machines are busy
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(GUIGraphicsDisplay, OpensDrawsClosesAndReopens)
{
    if (!VirtualDisplay::available())
        GTEST_SKIP() << "no Xvfb";
    Editor editor;
    for (int round = 0; round < 3; ++round) {
        const int before = editor.draws;
        void* handle = editor.openUI(nullptr, nullptr, nullptr, GraphicsBackend::automatic);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(editor.window()->systemHandle(), handle);
        EXPECT_TRUE(waitFor([&] { return editor.draws > before; }));
        editor.closeUI();
        EXPECT_EQ(editor.window(), nullptr);
    }
}

TEST(GUIGraphicsDisplay, ClosingDuringADragEndsIt)
{
    if (!VirtualDisplay::available())
        GTEST_SKIP() << "no Xvfb";
    Editor editor;
    // The press comes before the window exists, so that no window thread runs
    // alongside this one; the drag is then still on when the window closes.
    editor.windowListener()->onMouseClick(20, 20, MouseButton::left, false, {});
    EXPECT_EQ(editor.handle->begins, 1);
    ASSERT_NE(editor.openUI(nullptr, nullptr, nullptr, GraphicsBackend::x11), nullptr);
    ASSERT_TRUE(waitFor([&] { return editor.draws > 0; }));
    EXPECT_EQ(editor.handle->stops, 0);
    editor.closeUI();
    EXPECT_EQ(editor.handle->stops, 1);
    EXPECT_EQ(editor.uiContext()->dragged(), nullptr);
}

TEST(GUIGraphicsDisplay, WindowResizeReachesTheRoot)
{
    if (!VirtualDisplay::available())
        GTEST_SKIP() << "no Xvfb";
    Editor editor;
    ASSERT_NE(editor.openUI(nullptr, nullptr, nullptr, GraphicsBackend::automatic), nullptr);
    ASSERT_TRUE(waitFor([&] { return editor.draws > 0; }));
    EXPECT_TRUE(editor.nativeWindowResize(548, 975));
    EXPECT_TRUE(waitFor([&] { return editor.laidOutWidth == 548; }));
    editor.closeUI();
    int w = 0, h = 0;
    editor.getGUISize(&w, &h);
    EXPECT_EQ(w, 548);
    EXPECT_EQ(h, 975);
}

} // namespace
} // namespace vf

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new vf::VirtualDisplay);
    vf::setWindowMaker(vf::makeX11Window);
    return RUN_ALL_TESTS();
}
