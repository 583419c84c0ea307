#include "flatwidgets/UIWindowResizer.hpp"

#include "WidgetTestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace vf {
namespace {

class WindowResizer : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.reset(test::makeRoot());
        grip = new UIWindowResizer(root->uiContext());
        root->addChild(grip);
        grip->setPosition(box2i::rectangle(70, 70, 30, 30));
    }
    std::unique_ptr<GUIGraphics> root;
    UIWindowResizer* grip = nullptr;
};

TEST_F(WindowResizer, ColourFollowsErrorThenDragThenHover)
{
    UIContext* ctx = root->uiContext();
    EXPECT_EQ(grip->currentColor(), (RGBA{255, 255, 255, 96}));
    ctx->setMouseOver(grip);
    EXPECT_EQ(grip->currentColor(), (RGBA{255, 255, 255, 150}));
    ctx->setDragged(grip);
    EXPECT_EQ(grip->currentColor(), (RGBA{255, 255, 128, 200}));
    ASSERT_TRUE(grip->onMouseClick(5, 5, 0, false, {}));
    grip->onMouseDrag(0, 0, -40, -40, {}); // no host and no window: refused
    EXPECT_EQ(grip->currentColor(), (RGBA{255, 96, 96, 200}));
    ctx->setDragged(nullptr);
    ctx->setMouseOver(nullptr);
}

TEST_F(WindowResizer, RefusedResizeShowsTheErrorForOnePointTwoSeconds)
{
    ASSERT_TRUE(grip->onMouseClick(5, 5, 0, false, {}));
    grip->onMouseDrag(0, 0, -30, -30, {});
    EXPECT_FLOAT_EQ(grip->remainingErrorTime(), 1.2f);
    test::pullRawDirty(root->uiContext());
    grip->onAnimate(0.5, 0.0);
    EXPECT_NEAR(grip->remainingErrorTime(), 0.7f, 1e-6);
    EXPECT_EQ(test::pullRawDirty(root->uiContext()).size(), 1u);
    grip->onAnimate(1.0, 0.0);
    EXPECT_EQ(grip->remainingErrorTime(), 0.f);
    EXPECT_EQ(grip->currentColor(), grip->idleColor());
    EXPECT_EQ(test::pullRawDirty(root->uiContext()).size(), 1u); // repainted back to idle
    grip->onAnimate(1.0, 0.0); // idle: no more repaints
    EXPECT_TRUE(test::pullRawDirty(root->uiContext()).empty());
}

TEST_F(WindowResizer, DragThatStaysAtTheCurrentSizeAsksNothing)
{
    ASSERT_TRUE(grip->onMouseClick(5, 5, 0, false, {}));
    grip->onMouseDrag(0, 0, 10, -10, {}); // nearest valid size is still 100 x 100
    EXPECT_EQ(grip->remainingErrorTime(), 0.f);
}

TEST(WindowResizerHitTest, OnlyAResizableEditorCanBeGrabbed)
{
    std::unique_ptr<GUIGraphics> fixed(test::makeRoot(false));
    auto* grip = new UIWindowResizer(fixed->uiContext());
    fixed->addChild(grip);
    grip->setPosition(box2i::rectangle(0, 0, 30, 30));
    EXPECT_FALSE(grip->contains(10, 10));

    std::unique_ptr<GUIGraphics> resizable(test::makeRoot(true));
    auto* grip2 = new UIWindowResizer(resizable->uiContext());
    resizable->addChild(grip2);
    grip2->setPosition(box2i::rectangle(0, 0, 30, 30));
    EXPECT_TRUE(grip2->contains(10, 10));
    EXPECT_FALSE(grip2->contains(30, 10));
    EXPECT_FALSE(grip2->contains(-1, 10));
    EXPECT_EQ(grip2->cursorWhenMouseOver(), MouseCursor::diagonalResize);
    EXPECT_EQ(grip2->cursorWhenDragged(), MouseCursor::diagonalResize);
}

TEST_F(WindowResizer, DrawsThreeStripesTowardsTheCorner)
{
    OwnedImage<RGBA> target;
    target.size(30, 30);
    test::fill(target, RGBA{0, 0, 0, 255});
    grip->setErrorColor(RGBA{255, 0, 0, 255});
    ASSERT_TRUE(grip->onMouseClick(5, 5, 0, false, {}));
    grip->onMouseDrag(0, 0, -30, -30, {});
    const box2i whole = box2i::rectangle(0, 0, 30, 30);
    grip->onDrawRaw(target.toRef(), std::span<const box2i>(&whole, 1));
    auto isRed = [](RGBA c) { return c.r >= 250 && c.g == 0 && c.b == 0; };
    EXPECT_TRUE(isRed(target.scanline(28)[28])); // third shape, in the corner
    EXPECT_TRUE(isRed(target.scanline(27)[6]));  // first stripe
    EXPECT_EQ(target.scanline(27)[12], (RGBA{0, 0, 0, 255}));    // gap between first and second
    EXPECT_EQ(target.scanline(5)[5], (RGBA{0, 0, 0, 255}));      // upper left stays clear

    // Drawing only part of it touches only that part.
    test::fill(target, RGBA{0, 0, 0, 255});
    const box2i part = box2i::rectangle(15, 15, 15, 15);
    grip->onDrawRaw(target.toRef(), std::span<const box2i>(&part, 1));
    EXPECT_TRUE(isRed(target.scanline(28)[28]));
    EXPECT_EQ(target.scanline(27)[6], (RGBA{0, 0, 0, 255}));
}

} // namespace
} // namespace vf
