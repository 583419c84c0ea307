#include "flatwidgets/UIImageSwitch.hpp"

#include "WidgetTestSupport.hpp"
#include "client/BoolParameter.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace vf {
namespace {

using test::RecordingListener;

class ImageSwitch : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.reset(test::makeRoot());
        onImage.size(13, 6);
        offImage.size(13, 6);
        test::fill(onImage, RGBA{255, 0, 0, 255});
        test::fill(offImage, RGBA{0, 0, 255, 255});
        sw = new UIImageSwitch(root->uiContext(), &param, &onImage, &offImage);
        root->addChild(sw);
        sw->setPosition(box2i::rectangle(0, 0, 13, 6));
        param.addListener(&listener);
    }
    void TearDown() override { param.removeListener(&listener); }

    RGBA drawnCentre()
    {
        OwnedImage<RGBA> target;
        target.size(13, 6);
        test::fill(target, RGBA{0, 0, 0, 255});
        const box2i whole = box2i::rectangle(0, 0, 13, 6);
        sw->onDrawRaw(target.toRef(), std::span<const box2i>(&whole, 1));
        return target.scanline(3)[6];
    }

    // Declared before the root: switches unregister from them when the root goes.
    BoolParameter param{1, "Edge", false};
    BoolParameter onByDefault{4, "Brilliance", true};
    std::unique_ptr<GUIGraphics> root;
    OwnedImage<RGBA> onImage, offImage;
    UIImageSwitch* sw = nullptr;
    RecordingListener listener;
};

TEST_F(ImageSwitch, ClickTogglesInOneGesture)
{
    EXPECT_TRUE(sw->onMouseClick(0, 0, 0, false, {}));
    EXPECT_TRUE(param.value());
    EXPECT_EQ(listener.events, (std::vector<char>{'b', 'c', 'e'}));
    EXPECT_TRUE(sw->onMouseClick(12, 5, 0, true, {})); // a double click is just another toggle
    EXPECT_FALSE(param.value());
}

TEST_F(ImageSwitch, AltClickSetsTheDefaultInsteadOfToggling)
{
    auto* other = new UIImageSwitch(root->uiContext(), &onByDefault, &onImage, &offImage);
    root->addChild(other);
    EXPECT_TRUE(other->onMouseClick(1, 1, 0, false, MouseState{.altPressed = true}));
    EXPECT_TRUE(onByDefault.value());
    EXPECT_TRUE(sw->onMouseClick(1, 1, 0, false, MouseState{.altPressed = true}));
    EXPECT_FALSE(param.value());
}

TEST_F(ImageSwitch, DrawsTheImageOfTheCurrentState)
{
    RGBA c = drawnCentre();
    EXPECT_LT(c.r, 5);
    EXPECT_GT(c.b, 250);
    param.setFromHost(1.0);
    c = drawnCentre();
    EXPECT_GT(c.r, 250);
    EXPECT_LT(c.b, 5);
}

TEST_F(ImageSwitch, ResamplesBothImagesToTheElementSize)
{
    sw->setPosition(box2i::rectangle(0, 0, 26, 12));
    OwnedImage<RGBA> target;
    target.size(26, 12);
    test::fill(target, RGBA{0, 0, 0, 255});
    const box2i whole = box2i::rectangle(0, 0, 26, 12);
    sw->onDrawRaw(target.toRef(), std::span<const box2i>(&whole, 1));
    EXPECT_GT(target.scanline(11)[25].b, 250); // the far corner is covered too
}

TEST_F(ImageSwitch, HostChangeAndHoverMarkTheSwitchDirty)
{
    test::pullRawDirty(root->uiContext());
    param.setFromHost(1.0);
    EXPECT_EQ(test::pullRawDirty(root->uiContext()).size(), 1u);
    sw->onMouseEnter();
    EXPECT_EQ(test::pullRawDirty(root->uiContext()).size(), 1u);
    sw->onMouseExit();
    EXPECT_EQ(test::pullRawDirty(root->uiContext()).size(), 1u);
}

} // namespace
} // namespace vf
