#include "editor/VelmorinFreeGUI.hpp"

#include "EditorTestClient.hpp"
#include "editor/UIParamLabel.hpp"
#include "flatwidgets/UIFilmstripKnob.hpp"
#include "flatwidgets/UIImageSwitch.hpp"
#include "flatwidgets/UIWindowResizer.hpp"
#include "gui/UIContext.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>

namespace vf {
namespace {

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        client.reset(Client::create<test::EditorTestClient>());
        gui = std::make_unique<VelmorinFreeGUI>(*client);
    }
    void TearDown() override { gui.reset(); }

    // Drives the root as the window would, without a display: size, then one frame.
    ImageRef<RGBA> renderAt(int w, int h)
    {
        const ImageRef<RGBA> out = gui->doResize(w, h);
        gui->recomputeDirtyAreas();
        gui->doDraw(WindowPixelFormat::RGBA8);
        return out;
    }

    static void savePng(const ImageRef<RGBA>& image, const std::string& name)
    {
        // Appended rather than joined with +, which GCC 12 at -O1 under TSan flags with a false -Warray-bounds.
        std::string path = VF_TEST_OUTPUT_DIR "/";
        path += name;
        stbi_write_png(path.c_str(), image.width, image.height, 4, image.pixels, static_cast<int>(image.pitch));
    }

    std::unique_ptr<test::EditorTestClient> client;
    std::unique_ptr<VelmorinFreeGUI> gui;
};

TEST_F(Editor, ChildrenAreCreatedInTheirFixedOrder)
{
    ASSERT_EQ(gui->childCount(), 11);
    const UIElement* expected[] = {gui->inputKnob(),    gui->outputKnob(),     gui->inputLabel(),
                                   gui->outputLabel(),  gui->lowBandKnob(),    gui->lowBandLabel(),
                                   gui->highBandKnob(), gui->highBandLabel(),  gui->edgeSwitch(),
                                   gui->brillianceSwitch(), gui->resizeGrip()};
    for (int i = 0; i < 11; ++i) {
        EXPECT_NE(expected[i], nullptr) << i;
        EXPECT_EQ(gui->child(i), expected[i]) << i;
        EXPECT_EQ(gui->child(i)->parent(), gui.get());
    }
    EXPECT_EQ(gui->flags(), rawLayerFlag | animatedFlag);
    EXPECT_EQ(gui->updateMargin(), 0);
    EXPECT_TRUE(gui->isResizeable());
    EXPECT_EQ(gui->resizeGrip()->idleColor(), (RGBA{255, 225, 225, 96}));
    EXPECT_EQ(gui->resizeGrip()->hoverColor(), (RGBA{0, 0, 0, 96}));
    EXPECT_EQ(gui->resizeGrip()->dragColor(), (RGBA{255, 255, 128, 200}));
    EXPECT_EQ(gui->resizeGrip()->errorColor(), (RGBA{255, 96, 96, 200}));
    EXPECT_FLOAT_EQ(gui->inputKnob()->sensivity(), 0.25f);
}

TEST_F(Editor, LabelsStartWithTheDefaults)
{
    EXPECT_EQ(gui->inputLabel()->text(), "-4.0 dB");
    EXPECT_EQ(gui->outputLabel()->text(), "0.0 dB");
    EXPECT_EQ(gui->lowBandLabel()->text(), "0 %");
    EXPECT_EQ(gui->highBandLabel()->text(), "0 %");
    EXPECT_FALSE(gui->edgeSwitch()->getState());
    EXPECT_TRUE(gui->brillianceSwitch()->getState());
}

TEST_F(Editor, LayoutAtSmallestSizeUsesTheTrueWidthRatio)
{
    gui->doResize(237, 422);
    EXPECT_EQ(gui->position(), (box2i{{0, 0}, {237, 422}}));
    EXPECT_EQ(gui->inputKnob()->position(), (box2i{{47, 297}, {99, 349}}));
    EXPECT_EQ(gui->resizeGrip()->position(), (box2i{{207, 392}, {237, 422}}));
}

TEST_F(Editor, LayoutAtLargestSize)
{
    gui->nativeWindowResize(548, 975); // no window here: only the size the host gives
    gui->doResize(548, 975);
    EXPECT_EQ(gui->highBandKnob()->position(), (box2i{{110, 167}, {230, 287}}));
    EXPECT_EQ(gui->resizeGrip()->position(), (box2i{{518, 945}, {548, 975}}));
}

TEST_F(Editor, HostToggleOfEdgeRedrawsTheSwitch)
{
    ImageRef<RGBA> frame = renderAt(365, 650);
    const RGBA before = frame.at(96, 294); // the legend side of the Edge switch
    client->setParameterFromHost(1, 1.0f);
    gui->recomputeDirtyAreas();
    EXPECT_EQ(gui->getDirtyRectangle(), (box2i{{80, 279}, {145, 309}}));
    gui->doDraw(WindowPixelFormat::RGBA8);
    EXPECT_NE(frame.at(96, 294), before);
}

TEST_F(Editor, RendersEverySizeWithoutADisplay)
{
    const int sizes[3][2] = {{237, 422}, {365, 650}, {548, 975}};
    for (auto [w, h] : sizes) {
        const ImageRef<RGBA> frame = renderAt(w, h);
        ASSERT_EQ(frame.width, w);
        ASSERT_EQ(frame.height, h);
        savePng(frame, "editor-" + std::to_string(w) + "x" + std::to_string(h) + ".png");
        // The panel is dark, the knob pointer light, and every pixel opaque.
        const RGBA panel = frame.at(w / 2, h * 300 / 650);
        EXPECT_LT(panel.r + panel.g + panel.b, 3 * 90);
        EXPECT_EQ(panel.a, 255);
    }
}

TEST_F(Editor, DraggingAKnobMovesItsLabel)
{
    renderAt(365, 650);
    UIFilmstripKnob* knob = gui->highBandKnob();
    // Press in the knob's centre, then drag upwards by its height: +0.25.
    ASSERT_TRUE(gui->mouseClick(113, 151, 0, false, {}));
    EXPECT_EQ(gui->uiContext()->dragged(), knob);
    gui->mouseMove(113, 71, 0, -80, {}, false);
    EXPECT_EQ(gui->highBandLabel()->text(), "25 %");
}

// The background covers every redrawn pixel, so frames that skip restoring the lit
// layer under it show exactly what frames that restore it show.
TEST_F(Editor, FramesWithoutTheLitRestoreShowTheSamePixels)
{
    VelmorinFreeGUI restoring(*client);
    restoring.setRawLayerCoversContent(false);
    for (auto [w, h] : {std::pair{365, 650}, std::pair{548, 975}}) {
        const ImageRef<RGBA> a = renderAt(w, h);
        const ImageRef<RGBA> b = restoring.doResize(w, h);
        for (int change = 0; change < 3; ++change) {
            client->setParameterFromHost(change % 2 == 0 ? 0 : 5, 0.3f * static_cast<float>(change + 1));
            for (GUIGraphics* g : {static_cast<GUIGraphics*>(gui.get()), static_cast<GUIGraphics*>(&restoring)}) {
                g->recomputeDirtyAreas();
                g->doDraw(WindowPixelFormat::RGBA8);
            }
            for (int y = 0; y < h; ++y)
                ASSERT_EQ(std::memcmp(a.scanline(y), b.scanline(y), sizeof(RGBA) * static_cast<size_t>(w)), 0) << y;
        }
    }
}

TEST_F(Editor, DestroyedEditorLeavesNoListenersBehind)
{
    gui.reset();
    client->setParameterFromHost(0, 0.2f); // would reach freed widgets otherwise
    client->setParameterFromHost(1, 1.0f);
    SUCCEED();
}

TEST(EditorOnPlugInClient, BuildsEveryControlForThePlugInsOwnParameters)
{
    std::unique_ptr<VelmorinFreeClient> plugin(Client::create<VelmorinFreeClient>());
    auto editor = std::make_unique<VelmorinFreeGUI>(*plugin);
    EXPECT_EQ(editor->childCount(), 11);
    EXPECT_NE(editor->edgeSwitch(), nullptr);
    EXPECT_NE(editor->brillianceSwitch(), nullptr);
    EXPECT_EQ(editor->inputLabel()->text(), "-4.0 dB");
    EXPECT_EQ(editor->highBandLabel()->text(), "0 %");
}

} // namespace
} // namespace vf
