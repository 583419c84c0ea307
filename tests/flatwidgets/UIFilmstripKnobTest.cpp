#include "flatwidgets/UIFilmstripKnob.hpp"

#include "WidgetTestSupport.hpp"
#include "client/BoolParameter.hpp"
#include "client/IntegerParameter.hpp"
#include "client/LinearFloatParameter.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace vf {
namespace {

using test::RecordingListener;

constexpr int kFrames = 101;
constexpr int kSize = 8;

// Each frame of the strip is one flat colour whose red channel tells the frame.
std::unique_ptr<OwnedImage<RGBA>> makeStrip(int frameSize = kSize)
{
    auto strip = std::make_unique<OwnedImage<RGBA>>();
    strip->size(frameSize, frameSize * kFrames);
    for (int f = 0; f < kFrames; ++f)
        for (int y = 0; y < frameSize; ++y)
            for (int x = 0; x < frameSize; ++x)
                strip->scanline(f * frameSize + y)[x] = RGBA{static_cast<uint8_t>(f * 2), 10, 20, 255};
    return strip;
}

class FilmstripKnob : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.reset(test::makeRoot());
        strip = makeStrip();
        knob = new UIFilmstripKnob(root->uiContext(), &param, strip.get(), kFrames);
        root->addChild(knob);
        knob->setPosition(box2i::rectangle(0, 0, 80, 80)); // element size for mouse maths
        param.addListener(&listener);
    }
    void TearDown() override { param.removeListener(&listener); }

    // Presses in the centre and starts a drag as the event distribution would.
    void press(MouseState m = {})
    {
        ASSERT_TRUE(knob->onMouseClick(40, 40, 0, false, m));
        knob->onBeginDrag();
    }
    void drag(int y, int dy, MouseState m = {}) { knob->onMouseDrag(40, y, 0, dy, m); }

    LinearFloatParameter param{2, "Tube amount", "%", 0.0, 100.0, 0.0};
    std::unique_ptr<GUIGraphics> root;
    std::unique_ptr<OwnedImage<RGBA>> strip;
    UIFilmstripKnob* knob = nullptr;
    RecordingListener listener;
};

TEST_F(FilmstripKnob, FrameIndexRoundsAndReachesLastFrameExactlyAtOne)
{
    EXPECT_EQ(knob->frameForValue(0.0), 0);
    EXPECT_EQ(knob->frameForValue(0.5), 50);
    EXPECT_EQ(knob->frameForValue(0.994), 99);
    EXPECT_EQ(knob->frameForValue(0.995), 100);
    EXPECT_EQ(knob->frameForValue(1.0), 100);
    EXPECT_EQ(knob->frameForValue(-0.2), 0);
    EXPECT_EQ(knob->frameForValue(1.7), 100);
    EXPECT_EQ(knob->frameForValue(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(FilmstripKnob, DrawsTheFrameOfTheCurrentValueAndResamplesOnlyThatFrame)
{
    knob->setPosition(box2i::rectangle(0, 0, kSize, kSize)); // same size as the source frames
    param.setFromHost(0.5);
    OwnedImage<RGBA> target;
    target.size(kSize, kSize);
    test::fill(target, RGBA{0, 0, 0, 255});
    const box2i whole = box2i::rectangle(0, 0, kSize, kSize);
    knob->onDrawRaw(target.toRef(), std::span<const box2i>(&whole, 1));
    EXPECT_NEAR(target.scanline(3)[3].r, 100, 1);
    EXPECT_EQ(target.scanline(3)[3].a, 255);
    for (int f = 0; f < kFrames; ++f)
        EXPECT_EQ(knob->isFrameCached(f), f == 50) << f;

    // A new size makes every frame stale again.
    knob->setPosition(box2i::rectangle(0, 0, 2 * kSize, 2 * kSize));
    EXPECT_FALSE(knob->isFrameCached(50));
    EXPECT_EQ(knob->resizedFilmstrip().height(), 2 * kSize * kFrames);
}

TEST_F(FilmstripKnob, DrawBlendsTranslucentFramesWithTheFlooredFormula)
{
    knob->setPosition(box2i::rectangle(0, 0, kSize, kSize));
    for (int y = 0; y < strip->height(); ++y)
        for (int x = 0; x < kSize; ++x)
            strip->scanline(y)[x] = RGBA{200, 100, 0, 128};
    OwnedImage<RGBA> target;
    target.size(kSize, kSize);
    test::fill(target, RGBA{10, 250, 77, 255});
    const box2i rect = box2i::rectangle(2, 2, 3, 3);
    knob->onDrawRaw(target.toRef(), std::span<const box2i>(&rect, 1));
    const RGBA inside = target.scanline(3)[3];
    // floor((s * a + d * (255 - a)) / 255), allowing one step for the sRGB round trip of the resampler
    EXPECT_NEAR(inside.r, (200 * 128 + 10 * 127) / 255, 1);
    EXPECT_NEAR(inside.g, (100 * 128 + 250 * 127) / 255, 1);
    EXPECT_NEAR(inside.a, (128 * 128 + 255 * 127) / 255, 1);
    EXPECT_EQ(target.scanline(0)[0], (RGBA{10, 250, 77, 255})); // outside the dirty rectangle
}

TEST_F(FilmstripKnob, DragOneElementHeightUpMovesBySensitivity)
{
    press();
    drag(0, -80);
    EXPECT_NEAR(param.getNormalized(), 0.25, 1e-6);
    knob->sensivity(0.5f);
    drag(-20, -40);
    EXPECT_NEAR(param.getNormalized(), 0.5, 1e-6);
    drag(20, 80); // down lowers
    EXPECT_NEAR(param.getNormalized(), 0.0, 1e-6);
}

TEST_F(FilmstripKnob, CtrlOrShiftDragIsTenTimesFiner)
{
    press();
    drag(0, -80, MouseState{.ctrlPressed = true});
    EXPECT_NEAR(param.getNormalized(), 0.025, 1e-6);
    drag(-80, -80, MouseState{.shiftPressed = true});
    EXPECT_NEAR(param.getNormalized(), 0.05, 1e-6);
}

TEST_F(FilmstripKnob, AltDragPinsTheDefault)
{
    param.setFromHost(0.7);
    press();
    drag(0, -30, MouseState{.altPressed = true});
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    drag(0, -30, MouseState{.altPressed = true});
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
}

TEST_F(FilmstripKnob, PastZeroTheMouseMustComeBackBeforeTheValueMoves)
{
    param.setFromHost(0.1);
    press();
    drag(100, 60); // 0.1 - 0.1875 runs out at y = 100
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    drag(110, 10);
    drag(104, -6); // still below the crossing point: ignored
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    drag(96, -8); // back above it: moves from 0 again
    EXPECT_NEAR(param.getNormalized(), 0.025, 1e-6);
}

TEST_F(FilmstripKnob, PastOneTheMouseMustComeBackBeforeTheValueMoves)
{
    param.setFromHost(0.9);
    press();
    drag(-50, -50);
    EXPECT_DOUBLE_EQ(param.getNormalized(), 1.0);
    drag(-60, -10);
    drag(-55, 5); // still above the crossing point
    EXPECT_DOUBLE_EQ(param.getNormalized(), 1.0);
    drag(-46, 16);
    EXPECT_NEAR(param.getNormalized(), 0.95, 1e-6);
    // A new drag starts without the old crossing marks.
    knob->onStopDrag();
    press();
    drag(0, -8);
    EXPECT_NEAR(param.getNormalized(), 0.975, 1e-6);
}

TEST_F(FilmstripKnob, GestureIsBracketedByBeginAndEndEdit)
{
    press();
    drag(0, -8);
    drag(-8, -8);
    knob->onStopDrag();
    EXPECT_EQ(listener.events, (std::vector<char>{'b', 'c', 'c', 'e'}));
}

TEST_F(FilmstripKnob, DoubleClickOrAltClickInsideTheDiscResets)
{
    param.setFromHost(0.6);
    EXPECT_TRUE(knob->onMouseClick(40, 40, 0, true, {}));
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
    EXPECT_EQ(listener.events, (std::vector<char>{'c', 'b', 'c', 'e'}));

    param.setFromHost(0.6);
    EXPECT_TRUE(knob->onMouseClick(70, 40, 0, false, MouseState{.altPressed = true}));
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
}

TEST_F(FilmstripKnob, ClickOutsideTheDiscIsNotHandled)
{
    param.setFromHost(0.6);
    listener.events.clear();
    EXPECT_FALSE(knob->onMouseClick(2, 2, 0, true, {}));
    EXPECT_FALSE(knob->onMouseClick(78, 77, 0, false, MouseState{.altPressed = true}));
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.6);
    EXPECT_TRUE(listener.events.empty());
    // A plain click inside only prepares a drag.
    EXPECT_TRUE(knob->onMouseClick(40, 10, 0, false, {}));
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.6);
}

TEST_F(FilmstripKnob, DiscOfAWideKnobIsTheCentredSquare)
{
    knob->setPosition(box2i::rectangle(0, 0, 120, 80));
    EXPECT_FALSE(knob->onMouseClick(5, 40, 0, false, {}));
    EXPECT_TRUE(knob->onMouseClick(25, 40, 0, false, {}));
    EXPECT_TRUE(knob->onMouseClick(60, 2, 0, false, {}));
}

TEST_F(FilmstripKnob, DisabledKnobIgnoresDrags)
{
    knob->disable();
    press();
    drag(0, -40);
    EXPECT_DOUBLE_EQ(param.getNormalized(), 0.0);
}

TEST_F(FilmstripKnob, HostChangeMarksTheKnobDirty)
{
    knob->setPosition(box2i::rectangle(10, 20, 30, 40));
    test::pullRawDirty(root->uiContext());
    param.setFromHost(0.3);
    const auto dirty = test::pullRawDirty(root->uiContext());
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0], box2i::rectangle(10, 20, 30, 40));
}

TEST(FilmstripKnobParameters, IntegerParameterDragsInSteps)
{
    IntegerParameter p(0, "Steps", "", 0, 10, 5); // outlives the knob
    std::unique_ptr<GUIGraphics> root(test::makeRoot());
    auto strip = makeStrip();
    auto* knob = new UIFilmstripKnob(root->uiContext(), &p, strip.get(), kFrames);
    root->addChild(knob);
    knob->setPosition(box2i::rectangle(0, 0, 80, 80));
    ASSERT_TRUE(knob->onMouseClick(40, 40, 0, false, {}));
    knob->onMouseDrag(40, 0, 0, -80, {});
    EXPECT_EQ(p.value(), 8); // 0.5 + 0.25 -> 7.5, rounded half away from zero
    EXPECT_TRUE(knob->onMouseClick(40, 40, 0, true, {}));
    EXPECT_EQ(p.value(), 5);
}

TEST(FilmstripKnobParameters, OtherParameterKindsAreNeverChanged)
{
    BoolParameter p(0, "Switch", false);
    std::unique_ptr<GUIGraphics> root(test::makeRoot());
    auto strip = makeStrip();
    auto* knob = new UIFilmstripKnob(root->uiContext(), &p, strip.get(), kFrames);
    root->addChild(knob);
    knob->setPosition(box2i::rectangle(0, 0, 80, 80));
    ASSERT_TRUE(knob->onMouseClick(40, 40, 0, true, {}));
    knob->onMouseDrag(40, 0, 0, -80, {});
    EXPECT_FALSE(p.value());
}

TEST(FilmstripKnobParameters, DestroyedKnobStopsListening)
{
    auto strip = makeStrip();
    LinearFloatParameter p(0, "Amount", "%", 0, 100, 0);
    {
        std::unique_ptr<GUIGraphics> root(test::makeRoot());
        auto* knob = new UIFilmstripKnob(root->uiContext(), &p, strip.get(), kFrames);
        root->addChild(knob);
    }
    p.setFromHost(0.5); // would reach a destroyed knob if it had stayed registered
    SUCCEED();
}

} // namespace
} // namespace vf
