#include "GuiTestSupport.hpp"

#include "core/ThreadPool.hpp"
#include "gui/PBRCompositor.hpp"
#include "gui/AreaLists.hpp"
#include "gui/PBRPasses.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace vf {
namespace {

using test::TestRoot;

// Maps of one content size filled with a deterministic pattern.
struct LitMaps {
    LitMaps(int w, int h)
    {
        diffuse.size(4, w, h);
        depth.size(3, w, h);
        depth.level(0).size(w, h, 1, 2);
        material.size(0, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                diffuse.level(0).scanline(y)[x] = RGBA{uint8_t(x * 3), uint8_t(y * 5), uint8_t(x ^ y), uint8_t(x + y)};
                depth.level(0).scanline(y)[x] = L16{uint16_t((x * 97 + y * 31) % 60000)};
                material.level(0).scanline(y)[x] = RGBA{uint8_t(x), 25, uint8_t(y), 255};
            }
        const box2i all{{0, 0}, {w, h}};
        depth.level(0).replicateBordersTouching(all);
        box2i r = all;
        for (int j = 1; j < diffuse.numLevels(); ++j)
            r = diffuse.generateNextLevel(j == 1 ? Quality::boxAlphaCovIntoPremul : Quality::cubic, r, j);
        r = all;
        for (int j = 1; j < depth.numLevels(); ++j)
            r = depth.generateNextLevel(j <= 2 ? Quality::box : Quality::cubic, r, j);
    }
    Mipmap<RGBA> diffuse;
    Mipmap<L16> depth;
    Mipmap<RGBA> material;
};

std::vector<box2i> tilesOf(int w, int h)
{
    GrowableArray<box2i> areas, tiles;
    areas.pushBack({{0, 0}, {w, h}});
    tileAreas(areas, 64, 64, tiles);
    return {tiles.begin(), tiles.end()};
}

TEST(PBRCompositor, WritesOpaquePixelsOnlyInsideTheTilesAndIsDeterministic)
{
    const int w = 150, h = 100;
    LitMaps maps(w, h);
    ThreadPool pool(2, 2);
    CompositorCreationContext cc{&pool};
    PBRCompositor c(&cc);
    c.resizeBuffers(w, h, 64, 64);

    OwnedImage<RGBA> a, b;
    a.size(w, h);
    b.size(w, h);
    for (OwnedImage<RGBA>* img : {&a, &b})
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img->scanline(y)[x] = RGBA{1, 2, 3, 4};

    // Everything but a 10-pixel band at the right edge.
    GrowableArray<box2i> areas, tiles;
    areas.pushBack({{0, 0}, {w - 10, h}});
    tileAreas(areas, 64, 64, tiles);
    c.compositeTile(a.toRef(), {tiles.data(), size_t(tiles.length())}, maps.diffuse, maps.material, maps.depth);
    c.compositeTile(b.toRef(), {tiles.data(), size_t(tiles.length())}, maps.diffuse, maps.material, maps.depth);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const RGBA pa = a.scanline(y)[x];
            if (x < w - 10)
                wrong += pa.a == 255 ? 0 : 1;
            else
                wrong += pa == (RGBA{1, 2, 3, 4}) ? 0 : 1;
            wrong += pa == b.scanline(y)[x] ? 0 : 1;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(PBRCompositor, DisabledPassIsSkippedWithoutAffectingTheOthers)
{
    const int w = 64, h = 64;
    LitMaps maps(w, h);
    ThreadPool pool(2, 2);
    CompositorCreationContext cc{&pool};
    PBRCompositor c(&cc);
    c.resizeBuffers(w, h, 64, 64);
    const std::vector<box2i> tiles = tilesOf(w, h);
    OwnedImage<RGBA> full, noOblique, onlyOblique;
    for (OwnedImage<RGBA>* img : {&full, &noOblique, &onlyOblique})
        img->size(w, h);

    c.compositeTile(full.toRef(), tiles, maps.diffuse, maps.material, maps.depth);
    c.pass(2)->setEnabled(false);
    c.compositeTile(noOblique.toRef(), tiles, maps.diffuse, maps.material, maps.depth);

    // With every lighting pass off, the target is black but still opaque.
    for (int i = 1; i < 7; ++i)
        c.pass(i)->setEnabled(false);
    c.compositeTile(onlyOblique.toRef(), tiles, maps.diffuse, maps.material, maps.depth);
    int differences = 0, notBlack = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            differences += full.scanline(y)[x] == noOblique.scanline(y)[x] ? 0 : 1;
            notBlack += onlyOblique.scanline(y)[x] == (RGBA{0, 0, 0, 255}) ? 0 : 1;
        }
    EXPECT_GT(differences, 0);
    EXPECT_EQ(notBlack, 0);
}

TEST(PBRCompositor, SingleTileRunsOnTheCallingThread)
{
    // A pass that records where it ran.
    struct Recorder final : CompositorPass {
        using CompositorPass::CompositorPass;
        void render(int threadIndex, box2i, const CompositorPassBuffers*) override
        {
            thread = std::this_thread::get_id();
            index = threadIndex;
        }
        std::thread::id thread;
        int index = -1;
    };
    ThreadPool pool(2, 2);
    CompositorCreationContext cc{&pool};
    MultipassCompositor c(&cc);
    auto* r = new Recorder(&c, 2);
    c.addPass(r);
    LitMaps maps(8, 8);
    OwnedImage<RGBA> target;
    target.size(8, 8);
    const box2i one[] = {box2i{{0, 0}, {8, 8}}};
    c.compositeTile(target.toRef(), one, maps.diffuse, maps.material, maps.depth);
    EXPECT_EQ(r->thread, std::this_thread::get_id());
    EXPECT_EQ(r->index, 0);
}

// A lit element goes through maps, mipmaps and the compositor to the window.
TEST(GUIPipelineLit, LitElementReachesTheWindowAsOpaqueLightedPixels)
{
    TestRoot root({}, 0); // the root paints nothing
    UIElement* lit = new UIElement(root.uiContext(), litLayerFlag);
    root.addChild(lit);
    lit->setPosition(box2i::rectangle(0, 0, 365, 650));
    root.windowListener()->onResized(365, 650);
    root.frame();
    ASSERT_EQ(root.litDrawList().length(), 1);
    EXPECT_GE(root.compositeTiles().length(), 6 * 11);

    int notOpaque = 0;
    for (int y = 0; y < 650; ++y)
        for (int x = 0; x < 365; ++x)
            notOpaque += root.windowBuffer().at(x, y).a == 255 ? 0 : 1;
    EXPECT_EQ(notOpaque, 0);
    // The placeholder's light and dark squares stay apart after lighting.
    const RGBA light = root.windowBuffer().at(100, 100);
    const RGBA dark = root.windowBuffer().at(108, 100);
    EXPECT_GT(light.r, dark.r);

    TestRoot again({}, 0);
    UIElement* lit2 = new UIElement(again.uiContext(), litLayerFlag);
    again.addChild(lit2);
    lit2->setPosition(box2i::rectangle(0, 0, 365, 650));
    again.windowListener()->onResized(365, 650);
    again.frame();
    EXPECT_EQ(std::memcmp(root.windowBuffer().pixels, again.windowBuffer().pixels, 365 * 650 * 4), 0);
}

TEST(GUIPipelineLit, LitChangeRecompositesWithinTheMargin)
{
    TestRoot root({}, 0);
    UIElement* lit = new UIElement(root.uiContext(), litLayerFlag);
    root.addChild(lit);
    lit->setPosition(box2i::rectangle(0, 0, 365, 650));
    root.windowListener()->onResized(365, 650);
    root.frame();
    lit->setDirty(box2i::rectangle(100, 100, 10, 10));
    root.windowListener()->recomputeDirtyAreas();
    ASSERT_EQ(root.compositeAreasDisjoint().length(), 1);
    EXPECT_EQ(root.compositeAreasDisjoint()[0], box2i::rectangle(80, 80, 50, 50));
    root.setUpdateMargin(0);
    lit->setDirty(box2i::rectangle(0, 0, 10, 10));
    root.windowListener()->recomputeDirtyAreas();
    EXPECT_EQ(root.compositeAreasDisjoint().length(), 2);
}

} // namespace
} // namespace vf
