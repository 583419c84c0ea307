#include "editor/UIParamLabel.hpp"

#include "client/GainParameter.hpp"
#include "client/LinearFloatParameter.hpp"
#include "graphics/Font.hpp"
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"
#include "resources/EmbeddedResources.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

namespace vf {
namespace {

constexpr RGBA kTextColor{155, 180, 198, 255};

class ParamLabel : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const float scales[] = {1.0f};
        root = std::make_unique<GUIGraphics>(SizeConstraints::discrete(365, 650, scales, 1), rawLayerFlag);
        const EmbeddedResource f = embeddedResource("font.ttf");
        ASSERT_TRUE(f.found());
        font = std::make_unique<Font>(f.data, f.size);
    }

    UIParamLabel* addLabel(Parameter* p, bool showUnit)
    {
        auto* label = new UIParamLabel(root->uiContext(), p, font.get(), 18, kTextColor, showUnit);
        root->addChild(label);
        label->setPosition(box2i::rectangle(0, 0, 80, 60));
        return label;
    }

    // The parameters outlive the labels, which unregister when the root goes.
    GainParameter input{0, "Input gain", 0.0, -4.0};
    GainParameter output{5, "Output gain", 6.0, 0.0};
    LinearFloatParameter amount{2, "Tube amount", "%", 0.0, 100.0, 0.0};
    std::unique_ptr<Font> font;
    std::unique_ptr<GUIGraphics> root;
};

TEST_F(ParamLabel, GainsShowOneDecimalAndTheirUnit)
{
    UIParamLabel* in = addLabel(&input, true);
    UIParamLabel* out = addLabel(&output, true);
    EXPECT_EQ(in->text(), "-4.0 dB");
    EXPECT_EQ(out->text(), "0.0 dB");
    output.setFromHost(0.0);
    EXPECT_EQ(out->text(), "-inf dB");
    output.setFromHost(1.0);
    EXPECT_EQ(out->text(), "6.0 dB");
}

TEST_F(ParamLabel, PercentagesTradeTheirDecimalsForTheUnit)
{
    UIParamLabel* label = addLabel(&amount, false);
    EXPECT_EQ(label->text(), "0 %");
    amount.setFromHost(0.5);
    EXPECT_EQ(label->text(), "50 %");
    amount.setFromHost(0.99995); // the value text is already rounded to 100.00
    EXPECT_EQ(label->text(), "100 %");
    amount.setFromHost(0.4999); // 49.99: cut, not rounded
    EXPECT_EQ(label->text(), "49 %");
}

TEST_F(ParamLabel, ShortValueTextKeepsItsDigits)
{
    UIParamLabel* label = addLabel(&amount, false);
    char buffer[8];
    // Into a tiny buffer the text is cut but stays terminated.
    const size_t n = label->paramString(buffer, 3);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(std::string(buffer), "0.");
    amount.setFromHost(0.0);
    EXPECT_EQ(label->paramString(buffer, 8), 3u);
    EXPECT_EQ(std::string(buffer), "0 %");
}

TEST_F(ParamLabel, ChangeMarksTheLabelsTextBandDirty)
{
    UIParamLabel* label = addLabel(&amount, false);
    label->setPosition(box2i::rectangle(5, 6, 80, 60));
    GrowableArray<box2i> dirty;
    root->uiContext()->rawDirtyList().pullAllRectangles(dirty);
    dirty.clearContents();
    amount.setFromHost(0.25);
    root->uiContext()->rawDirtyList().pullAllRectangles(dirty);
    ASSERT_EQ(dirty.length(), 1);
    EXPECT_EQ(dirty[0], box2i::rectangle(5, 6 + 30 - 22, 80, 44)); // centred, font size + 4 each way
}

// Redrawing only the lower half gives the same pixels as a whole redraw: the
// glyphs line up with the untouched upper half.
TEST_F(ParamLabel, PartialRedrawLinesUpWithTheWholeText)
{
    UIParamLabel* label = addLabel(&input, true);
    auto render = [&](std::initializer_list<box2i> rects, RGBA background) {
        auto image = std::make_unique<OwnedImage<RGBA>>();
        image->size(80, 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                image->scanline(y)[x] = background;
        std::vector<box2i> list(rects);
        label->onDrawRaw(image->toRef(), list);
        return image;
    };
    auto whole = render({box2i::rectangle(0, 0, 80, 60)}, RGBA{20, 20, 20, 255});
    auto halves = render({box2i::rectangle(0, 0, 80, 30), box2i::rectangle(0, 30, 80, 30)}, RGBA{20, 20, 20, 255});
    int inked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            ASSERT_EQ(whole->scanline(y)[x], halves->scanline(y)[x]) << x << "," << y;
            inked += whole->scanline(y)[x].r > 100;
        }
    EXPECT_GT(inked, 40); // something was written, centred in the box
    EXPECT_EQ(whole->scanline(0)[0], (RGBA{20, 20, 20, 255}));

    auto lower = render({box2i::rectangle(0, 30, 80, 30)}, RGBA{20, 20, 20, 255});
    for (int x = 0; x < 80; ++x) {
        EXPECT_EQ(lower->scanline(29)[x], (RGBA{20, 20, 20, 255}));
        EXPECT_EQ(lower->scanline(31)[x], whole->scanline(31)[x]);
    }
}

// A value change repaints only the text's band: every pixel any value inks lies
// inside it, at the editor's label sizes.
TEST_F(ParamLabel, ValueChangesRepaintABandHoldingEveryInkedPixel)
{
    UIParamLabel* label = addLabel(&input, true);
    for (const box2i box : {box2i::rectangle(0, 0, 80, 80), box2i::rectangle(0, 0, 120, 120)}) {
        label->setPosition(box);
        GrowableArray<box2i> dirty;
        root->uiContext()->rawDirtyList().pullAllRectangles(dirty);
        for (double v : {0.0, 0.37, 1.0}) {
            input.setFromHost(v);
            dirty.clearContents();
            root->uiContext()->rawDirtyList().pullAllRectangles(dirty);
            ASSERT_EQ(dirty.length(), 1);
            EXPECT_LT(dirty[0].height(), box.height());
            OwnedImage<RGBA> image;
            image.size(box.width(), box.height());
            for (int y = 0; y < box.height(); ++y)
                std::fill_n(image.scanline(y), box.width(), RGBA{0, 0, 0, 255});
            label->onDrawRaw(image.toRef(), std::span<const box2i>(&box, 1));
            for (int y = 0; y < box.height(); ++y)
                for (int x = 0; x < box.width(); ++x)
                    if (image.scanline(y)[x] != RGBA{0, 0, 0, 255}) {
                        ASSERT_TRUE(dirty[0].contains(x, y)) << x << "," << y << " at " << v;
                    }
        }
    }
}

TEST_F(ParamLabel, TextTooWideForTheBoxIsDrawnSmallerInsteadOfCut)
{
    UIParamLabel* label = addLabel(&input, true);
    label->setPosition(box2i::rectangle(0, 0, 40, 40)); // "-4.0 dB" at 18 px needs about 65
    OwnedImage<RGBA> image;
    image.size(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.scanline(y)[x] = RGBA{0, 0, 0, 255};
    const box2i whole = box2i::rectangle(0, 0, 40, 40);
    label->onDrawRaw(image.toRef(), std::span<const box2i>(&whole, 1));
    int inked = 0;
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(image.scanline(y)[0], (RGBA{0, 0, 0, 255})) << y;
        EXPECT_EQ(image.scanline(y)[39], (RGBA{0, 0, 0, 255})) << y;
        for (int x = 0; x < 40; ++x)
            inked += image.scanline(y)[x].r > 60;
    }
    EXPECT_GT(inked, 20);
}

// A host thread keeps changing the value while another thread reads and draws the
// label: every text seen must be one of the two whole texts.
TEST_F(ParamLabel, ConcurrentChangesNeverShowATornText)
{
    UIParamLabel* label = addLabel(&output, true);
    const std::string a = "-inf dB", b = "6.0 dB", initial = "0.0 dB";
    std::atomic<bool> stop{false}, reading{false};
    std::thread host([&] {
        while (!reading.load()) // on a loaded machine the changes could all be over first
            std::this_thread::yield();
        for (int i = 0; i < 20000 && !stop.load(); ++i)
            output.setFromHost((i & 1) ? 1.0 : 0.0);
        stop = true;
    });
    OwnedImage<RGBA> canvas;
    canvas.size(80, 60);
    const box2i whole = box2i::rectangle(0, 0, 80, 60);
    int reads = 0, bad = 0;
    while (!stop.load()) {
        reading = true;
        const std::string t = label->text();
        bad += (t != a && t != b && t != initial);
        if ((++reads & 63) == 0)
            label->onDrawRaw(canvas.toRef(), std::span<const box2i>(&whole, 1));
    }
    host.join();
    EXPECT_EQ(bad, 0);
    EXPECT_GT(reads, 0);
}

} // namespace
} // namespace vf
