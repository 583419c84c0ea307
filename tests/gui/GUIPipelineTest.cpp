#include "GuiTestSupport.hpp"

#include "gui/WindowMaker.hpp"
#include "window/IWindow.hpp"
#include "window/IWindowListener.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace vf {
namespace {

using test::addProbe;
using test::Probe;
using test::TestRoot;

const RGBA opaqueBlack{0, 0, 0, 255};

RGBA windowPixel(const GUIGraphics& root, int x, int y)
{
    return root.windowBuffer().at(x, y);
}

TEST(GUIPipeline, FirstFrameFillsBordersAndRedrawsTheWholeContent)
{
    TestRoot root;
    root.windowListener()->onResized(500, 800);
    EXPECT_EQ(root.contentWidth(), 365);
    EXPECT_EQ(root.contentHeight(), 650);
    EXPECT_EQ(root.letterboxArea(), box2i::rectangle(67, 75, 365, 650));
    EXPECT_EQ(root.windowListener()->getDirtyRectangle(), (box2i{{0, 0}, {500, 800}}));

    root.frame();
    int wrong = 0;
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 500; ++x) {
            const bool inside = root.letterboxArea().contains(x, y);
            wrong += windowPixel(root, x, y) == (inside ? root.background : opaqueBlack) ? 0 : 1;
        }
    EXPECT_EQ(wrong, 0);
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_TRUE(root.windowListener()->getDirtyRectangle().empty());
}

TEST(GUIPipeline, BordersTakeTheBorderColourInTheWindowsByteOrder)
{
    TestRoot root;
    root.setBorderColor(RGBA{36, 40, 48, 255});
    root.windowListener()->onResized(400, 700);
    root.frame(WindowPixelFormat::BGRA8);
    EXPECT_EQ(windowPixel(root, 0, 0), (RGBA{48, 40, 36, 255}));
    EXPECT_EQ(windowPixel(root, 399, 699), (RGBA{48, 40, 36, 255}));
    root.windowListener()->onResized(500, 800);
    root.frame(WindowPixelFormat::ARGB8);
    EXPECT_EQ(windowPixel(root, 0, 0), (RGBA{255, 36, 40, 48}));
}

TEST(GUIPipeline, ValidSizeHasNoBorderAndATooSmallWindowShowsTheTopLeft)
{
    TestRoot root;
    root.windowListener()->onResized(274, 488);
    EXPECT_EQ(root.letterboxArea(), (box2i{{0, 0}, {274, 488}}));
    EXPECT_EQ(root.position(), (box2i{{0, 0}, {274, 488}}));
    root.frame();
    EXPECT_EQ(windowPixel(root, 273, 487), root.background);

    root.windowListener()->onResized(100, 100);
    EXPECT_EQ(root.contentWidth(), 237);
    EXPECT_EQ(root.letterboxArea(), (box2i{{0, 0}, {100, 100}}));
    root.frame();
    EXPECT_EQ(windowPixel(root, 99, 99), root.background);
}

TEST(GUIPipeline, DirtyRequestOutsideTheContentDrawsNothing)
{
    TestRoot root;
    Probe* p = addProbe(&root, new Probe(root.uiContext(), "p"), box2i::rectangle(10, 10, 20, 20));
    root.windowListener()->onResized(365, 650);
    root.frame();
    p->draws = 0;
    p->setPosition(box2i::rectangle(400, 700, 20, 20)); // marks both areas
    root.windowListener()->recomputeDirtyAreas();
    ASSERT_EQ(root.redrawAreasDisjoint().length(), 1); // the old place only
    p->setDirtyWhole();
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_EQ(root.redrawAreasDisjoint().length(), 1);
    root.windowListener()->onDraw(WindowPixelFormat::RGBA8);
    EXPECT_EQ(p->draws, 0);
    root.windowListener()->recomputeDirtyAreas();
    p->setDirty(box2i::rectangle(0, 0, 5, 5));
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_TRUE(root.windowListener()->getDirtyRectangle().empty());
}

TEST(GUIPipeline, OverlappingRawElementsPaintInZOrderThenTreeOrder)
{
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* top = addProbe(&root, new Probe(ctx, "top", rawLayerFlag, {200, 0, 0, 255}), box2i::rectangle(0, 0, 40, 40));
    top->setZOrder(5);
    addProbe(&root, new Probe(ctx, "bottom", rawLayerFlag, {0, 200, 0, 255}), box2i::rectangle(20, 20, 40, 40));
    addProbe(&root, new Probe(ctx, "first", rawLayerFlag, {0, 0, 200, 255}), box2i::rectangle(100, 0, 40, 40));
    addProbe(&root, new Probe(ctx, "second", rawLayerFlag, {9, 9, 9, 255}), box2i::rectangle(120, 0, 40, 40));
    root.windowListener()->onResized(365, 650);
    root.frame();
    EXPECT_EQ(windowPixel(root, 30, 30), (RGBA{200, 0, 0, 255}));  // higher zOrder wins
    EXPECT_EQ(windowPixel(root, 50, 50), (RGBA{0, 200, 0, 255}));
    EXPECT_EQ(windowPixel(root, 130, 10), (RGBA{9, 9, 9, 255}));   // equal: later in the tree
    EXPECT_EQ(windowPixel(root, 300, 300), root.background);

    // A later partial redraw keeps the same order.
    root.getElementById("bottom")->setDirtyWhole();
    root.frame();
    EXPECT_EQ(windowPixel(root, 30, 30), (RGBA{200, 0, 0, 255}));
}

TEST(GUIPipeline, ByteOrdersOfTheWindow)
{
    TestRoot root({10, 20, 30, 128});
    root.windowListener()->onResized(400, 650);
    root.frame(WindowPixelFormat::BGRA8);
    EXPECT_EQ(windowPixel(root, 200, 300), (RGBA{30, 20, 10, 255}));
    EXPECT_EQ(windowPixel(root, 0, 0), opaqueBlack);

    TestRoot argb({10, 20, 30, 128});
    argb.windowListener()->onResized(400, 650);
    argb.frame(WindowPixelFormat::ARGB8);
    EXPECT_EQ(windowPixel(argb, 200, 300), (RGBA{255, 10, 20, 30}));
    EXPECT_EQ(windowPixel(argb, 0, 0), (RGBA{255, 0, 0, 0}));
}

TEST(GUIPipeline, OnlyDirtyAreasReachTheWindow)
{
    TestRoot root;
    Probe* p = addProbe(&root, new Probe(root.uiContext(), "p", rawLayerFlag, {1, 2, 3, 255}), box2i::rectangle(0, 0, 80, 80));
    Probe* q = addProbe(&root, new Probe(root.uiContext(), "q", rawLayerFlag, {4, 5, 6, 255}), box2i::rectangle(200, 500, 40, 40));
    root.windowListener()->onResized(365, 650);
    root.frame();
    auto drawn = [&] {
        const std::span<const box2i> areas = root.windowListener()->getDrawnAreas();
        return std::vector<box2i>(areas.begin(), areas.end());
    };
    EXPECT_EQ(drawn(), std::vector<box2i>{box2i::rectangle(0, 0, 365, 650)});
    // Scribble on the window buffer: only the dirty elements' areas are rewritten,
    // and only they are handed to the window, not the box around them.
    std::memset(static_cast<void*>(root.windowBuffer().pixels), 0x55, 365 * 650 * 4);
    p->setDirtyWhole();
    q->setDirtyWhole();
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_EQ(root.windowListener()->getDirtyRectangle(), box2i::rectangle(0, 0, 240, 540));
    root.windowListener()->onDraw(WindowPixelFormat::RGBA8);
    EXPECT_EQ(windowPixel(root, 79, 79), (RGBA{1, 2, 3, 255}));
    EXPECT_EQ(windowPixel(root, 80, 80), (RGBA{0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(drawn(), (std::vector<box2i>{box2i::rectangle(0, 0, 80, 80), box2i::rectangle(200, 500, 40, 40)}));
}

TEST(GUIPipeline, WindowOnlyResizeKeepsTheContentPixels)
{
    TestRoot root;
    addProbe(&root, new Probe(root.uiContext(), "p", rawLayerFlag, {1, 2, 3, 255}), box2i::rectangle(0, 0, 80, 80));
    root.windowListener()->onResized(500, 800);
    root.frame();
    // Same content size, new letterbox; then none (the window shows the content
    // buffer itself) and one again.
    for (const auto& [w, h] : {std::pair{520, 810}, std::pair{365, 650}, std::pair{500, 800}}) {
        root.windowListener()->onResized(w, h);
        EXPECT_EQ(root.contentWidth(), 365);
        root.frame();
        const box2i lb = root.letterboxArea();
        EXPECT_EQ(lb, box2i::rectangle((w - 365) / 2, (h - 650) / 2, 365, 650));
        int wrong = 0;
        for (int y = 0; y < 650; ++y)
            for (int x = 0; x < 365; ++x) {
                const RGBA expected = x < 80 && y < 80 ? RGBA{1, 2, 3, 255} : root.background;
                wrong += windowPixel(root, lb.min.x + x, lb.min.y + y) == expected ? 0 : 1;
            }
        EXPECT_EQ(wrong, 0) << w << " x " << h;
        if (w > 365) {
            EXPECT_EQ(windowPixel(root, 0, 0), opaqueBlack);
        }
    }
}

TEST(GUIPipeline, DerivedRootBuildsItsOwnCompositor)
{
    struct CountingCompositor final : ICompositor {
        void resizeBuffers(int w, int h, int tw, int th) override
        {
            ++resizes;
            EXPECT_EQ(tw, 64);
            EXPECT_EQ(th, 64);
            size = {w, h};
        }
        void compositeTile(ImageRef<RGBA> target, std::span<const box2i> areas, Mipmap<RGBA>&, Mipmap<RGBA>&,
                           Mipmap<L16>&) override
        {
            for (const box2i& a : areas) {
                EXPECT_LE(a.width(), 64);
                EXPECT_LE(a.height(), 64);
                for (int y = a.min.y; y < a.max.y; ++y)
                    for (int x = a.min.x; x < a.max.x; ++x)
                        target.at(x, y) = RGBA{7, 7, 7, 255};
                pixels += a.width() * a.height();
            }
        }
        int resizes = 0;
        long pixels = 0;
        vec2i size;
    };
    struct Root final : TestRoot {
        Root() : TestRoot({}, 0) {}
        ICompositor* buildCompositor(CompositorCreationContext* cc) override
        {
            EXPECT_NE(cc->threadPool, nullptr);
            return built = new CountingCompositor;
        }
        CountingCompositor* built = nullptr;
    };
    Root root;
    root.windowListener()->onResized(400, 700);
    root.frame();
    ASSERT_NE(root.built, nullptr);
    EXPECT_EQ(root.built->resizes, 1);
    EXPECT_EQ(root.built->size, (vec2i{365, 650}));
    EXPECT_EQ(root.built->pixels, 365L * 650L); // the whole content, once
    EXPECT_EQ(windowPixel(root, 17 + 100, 25 + 100), (RGBA{7, 7, 7, 255}));
}

TEST(GUIPipeline, ClickOutsideEveryElementRemovesFocus)
{
    TestRoot root;
    Probe* p = addProbe(&root, new Probe(root.uiContext(), "p"), box2i::rectangle(0, 0, 20, 20));
    root.windowListener()->onResized(500, 800); // content at (67, 75)
    IWindowListener* l = root.windowListener();
    EXPECT_TRUE(l->onMouseClick(67 + 5, 75 + 5, MouseButton::left, false, {}));
    EXPECT_EQ(root.uiContext()->focused(), p);
    EXPECT_TRUE(p->has("click 5,5"));
    EXPECT_EQ(l->getMouseCursor(), MouseCursor::arrow);
    p->setCursorWhenDragged(MouseCursor::grab);
    EXPECT_EQ(l->getMouseCursor(), MouseCursor::grab);
    l->onMouseRelease(0, 0, MouseButton::left, {});
    EXPECT_TRUE(p->has("stopDrag"));
    EXPECT_EQ(root.uiContext()->dragged(), nullptr);

    EXPECT_FALSE(l->onMouseClick(5, 5, MouseButton::left, false, {}));
    EXPECT_EQ(root.uiContext()->focused(), nullptr);
    EXPECT_TRUE(p->has("focusExit"));
}

TEST(GUIPipeline, PointerLeavingClearsHoverAndKeysGoToTheFocusFirst)
{
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* a = addProbe(&root, new Probe(ctx, "a"), box2i::rectangle(0, 0, 20, 20));
    Probe* b = addProbe(&root, new Probe(ctx, "b"), box2i::rectangle(30, 0, 20, 20));
    root.windowListener()->onResized(365, 650);
    IWindowListener* l = root.windowListener();
    l->onMouseMove(5, 5, 0, 0, {});
    EXPECT_EQ(ctx->mouseOver(), a);
    l->onMouseMove(25, 5, 0, 0, {}); // over the root only
    l->onMouseMove(-5, 5, 0, 0, {});
    EXPECT_EQ(ctx->mouseOver(), nullptr);
    EXPECT_TRUE(a->has("exit"));

    l->onMouseClick(35, 5, MouseButton::left, false, {});
    b->acceptKeys = true;
    EXPECT_TRUE(l->onKeyDown(Key::space));
    EXPECT_FALSE(a->has("keyDown"));

    // The dragged element is offered the wheel first, wherever the pointer is.
    EXPECT_TRUE(l->onMouseWheel(5, 5, 0, 1, {}));
    EXPECT_TRUE(b->has("wheel"));
    EXPECT_FALSE(a->has("wheel"));
}

// Hides the display from the code under test for the scope's duration.
struct NoDisplay {
    NoDisplay()
    {
        const char* display = std::getenv("DISPLAY");
        had = display != nullptr;
        saved = had ? display : "";
        unsetenv("DISPLAY");
    }
    ~NoDisplay()
    {
        if (had)
            setenv("DISPLAY", saved.c_str(), 1);
    }
    bool had = false;
    std::string saved;
};

TEST(GUIPipeline, OpenWithoutADisplayReturnsNullAndStaysClosed)
{
    TestRoot root;
    const NoDisplay noDisplay;
    EXPECT_EQ(root.openUI(nullptr, nullptr, nullptr, GraphicsBackend::automatic), nullptr);
    EXPECT_EQ(root.window(), nullptr);
    EXPECT_EQ(root.client(), nullptr);
    EXPECT_EQ(root.openUI(nullptr, nullptr, nullptr, GraphicsBackend::cocoa), nullptr);
    root.closeUI(); // harmless when closed
    // The editor still works without a window.
    root.windowListener()->onResized(365, 650);
    root.frame();
    EXPECT_EQ(windowPixel(root, 10, 10), root.background);
    EXPECT_FALSE(root.nativeWindowResize(400, 700));
    EXPECT_TRUE(root.nativeWindowResize(365, 650));
}

// A window that only records what the root asks of it.
struct StubWindow final : IWindow {
    static inline IWindowListener* listener = nullptr;
    static inline int width = 0, height = 0, alive = 0;
    StubWindow() { ++alive; }
    ~StubWindow() override { --alive; }
    void waitEventAndDispatch() override {}
    bool terminated() override { return false; }
    uint32_t getTimeMs() override { return 0; }
    void* systemHandle() override { return this; }
    bool requestResize(int, int, bool) override { return true; }
    void setLargestSize(int, int) override {}
    static IWindow* make(WindowUsage, void*, IWindowListener* l, int w, int h)
    {
        listener = l;
        width = w;
        height = h;
        return new StubWindow;
    }
};

TEST(GUIPipeline, OpensTheRegisteredWindowWithItsListenerAndClosesIt)
{
    TestRoot root;
    setWindowMaker(StubWindow::make);
    void* handle = root.openUI(nullptr, nullptr, nullptr, GraphicsBackend::automatic);
    setWindowMaker(nullptr);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(static_cast<void*>(root.window()), handle);
    EXPECT_EQ(StubWindow::listener, root.windowListener());
    EXPECT_EQ(StubWindow::width * 1000 + StubWindow::height, 365 * 1000 + 650);
    root.closeUI();
    EXPECT_EQ(StubWindow::alive, 0);
}

TEST(GUIPipeline, ReopeningAtTheSameSizeRepaintsTheWholeWindow)
{
    TestRoot root;
    root.windowListener()->onResized(500, 800);
    root.frame();
    std::memset(static_cast<void*>(root.windowBuffer().pixels), 0x55, 500 * 800 * 4);
    const NoDisplay noDisplay; // the open fails here, but marks what the new window needs
    root.openUI(nullptr, nullptr, nullptr, GraphicsBackend::automatic);
    root.windowListener()->onResized(500, 800); // what a new window reports first
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_EQ(root.windowListener()->getDirtyRectangle(), (box2i{{0, 0}, {500, 800}}));
    root.windowListener()->onDraw(WindowPixelFormat::RGBA8);
    EXPECT_EQ(windowPixel(root, 0, 0), opaqueBlack);
    EXPECT_EQ(windowPixel(root, 499, 799), opaqueBlack);
    EXPECT_EQ(windowPixel(root, 250, 400), root.background);
}

TEST(GUIPipeline, ContentKeepsTheAskedSizeInALargerWindowUntilTheHostGivesItsArea)
{
    TestRoot root;
    root.uiContext()->requestUIResize(274, 488); // the grip (no window here)
    root.windowListener()->onResized(365, 650);  // a host window that did not shrink
    EXPECT_EQ(root.letterboxArea(), box2i::rectangle(45, 81, 274, 488));
    root.nativeWindowResize(365, 650); // the host gives this area: the content takes it
    root.windowListener()->onResized(365, 650);
    EXPECT_EQ(root.letterboxArea(), box2i::rectangle(0, 0, 365, 650));
}

TEST(GUIPipeline, ContextReportsSizesAndRefusesResizeWithoutWindow)
{
    TestRoot root;
    root.windowListener()->onResized(500, 800);
    UIContext* ctx = root.uiContext();
    EXPECT_EQ(ctx->getUISizeInPixelsUser(), (vec2i{365, 650}));
    EXPECT_EQ(ctx->getUISizeInPixelsLogical(), (vec2i{500, 800}));
    EXPECT_TRUE(ctx->requestUIResize(500, 800));
    EXPECT_FALSE(ctx->requestUIResize(548, 975)); // no window, no client
    ctx->setUserPointer(16, ctx); // out of range: ignored
    EXPECT_EQ(ctx->getUserPointer(16), nullptr);
}

} // namespace
} // namespace vf
