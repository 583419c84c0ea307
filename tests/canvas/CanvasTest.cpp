#include "canvas/Canvas.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <vector>

namespace vf {
void PrintTo(const RGBA& p, std::ostream* os)
{
    *os << "(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ", " << int(p.a) << ")";
}
} // namespace vf

using namespace vf;

namespace {

// One colour, with a pitch wider than the rows so that writes past a row's end show.
struct TestImage {
    int width, height, stride;
    std::vector<RGBA> storage;

    TestImage(int w, int h, RGBA fill) : width(w), height(h), stride(w + 3), storage(size_t(stride * h), fill) {}
    ImageRef<RGBA> ref() { return {width, height, std::ptrdiff_t(stride * sizeof(RGBA)), storage.data()}; }
    RGBA& at(int x, int y) { return storage[size_t(y * stride + x)]; }
};

void addPolygon(Canvas& c, std::initializer_list<float> xy)
{
    const float* p = xy.begin();
    c.moveTo(p[0], p[1]);
    for (size_t i = 2; i < xy.size(); i += 2)
        c.lineTo(p[i], p[i + 1]);
    c.closePath();
}

void fillRect(Canvas& c, float x0, float y0, float x1, float y1)
{
    c.beginPath();
    addPolygon(c, {x0, y0, x1, y0, x1, y1, x0, y1});
    c.fill();
}

const RGBA grey{10, 20, 30, 255};
const RGBA white{255, 255, 255, 255};

} // namespace

TEST(ColorBlit, OpaqueColourOverFullCoverageIsWrittenExactly)
{
    // White over dark also where the edges make groups touched (the plain blend
    // weight would stop at 254 there), across several 256-pixel mask words.
    TestImage img(700, 3, grey);
    Canvas c;
    c.initialize(img.ref());
    c.fillStyle(white);
    fillRect(c, 2, 1, 650, 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < img.stride; ++x)
            ASSERT_EQ(img.at(x, y), (y == 1 && x >= 2 && x < 650) ? white : grey) << x << "," << y;
}

TEST(ColorBlit, PartialCoverageFollowsTheBlendFormulas)
{
    TestImage img(40, 4, RGBA{0, 0, 0, 255});
    Canvas c;
    c.initialize(img.ref());
    // Touched group, half coverage: v = 32768, W = (32768 * 255 * 256) >> 16 = 32640;
    // red 0 + (200 * 32640 >> 16) - 0 = 99.
    c.fillStyle({200, 100, 50, 255});
    fillRect(c, 1.5f, 0, 40, 1);
    EXPECT_EQ(img.at(1, 0), (RGBA{99, 49, 24, 255}));
    EXPECT_EQ(img.at(0, 0), (RGBA{0, 0, 0, 255}));
    // Untouched stretch, full coverage: v = 65535, W = (65535 * 128 * 256) >> 16 = 32767;
    // red (255 * 32767) >> 16 = 127, alpha (255 * 32768 >> 16) + (128 * 32767 >> 16) = 190.
    // The groups of the edges are touched: v = 65534, alpha 255 + 63 - 127 = 191.
    c.fillStyle({255, 0, 0, 128});
    fillRect(c, 0, 1, 40, 2);
    for (int x = 4; x < 40; ++x)
        EXPECT_EQ(img.at(x, 1), (RGBA{127, 0, 0, 190})) << x;
    EXPECT_EQ(img.at(0, 1), (RGBA{127, 0, 0, 191}));
}

TEST(ColorBlit, NonZeroRuleFillsOverlapsOnceAndCancelsOppositeWindings)
{
    TestImage img(24, 4, RGBA{0, 0, 0, 255});
    Canvas c;
    c.initialize(img.ref());
    c.fillStyle({255, 255, 255, 100});
    c.beginPath();
    addPolygon(c, {1, 0, 7, 0, 7, 4, 1, 4}); // two overlapping squares, same direction
    addPolygon(c, {5, 0, 11, 0, 11, 4, 5, 4});
    addPolygon(c, {13, 0, 23, 0, 23, 4, 13, 4}); // a square with a hole wound the other way
    addPolygon(c, {16, 0, 16, 4, 20, 4, 20, 0});
    c.fill();
    EXPECT_NE(img.at(2, 2), (RGBA{0, 0, 0, 255}));
    EXPECT_EQ(img.at(6, 2), img.at(2, 2)); // the overlap is not blended twice
    EXPECT_EQ(img.at(10, 2), img.at(2, 2));
    EXPECT_EQ(img.at(14, 2), img.at(2, 2));
    EXPECT_EQ(img.at(17, 2), (RGBA{0, 0, 0, 255}));
}

TEST(ColorBlit, OnlyTheClipRectangleIsWritten)
{
    // Cells start at the clip's left side; the blit maps them back to image columns.
    TestImage img(20, 10, grey);
    Rasterizer r;
    r.initialise(6, 2, 15, 7);
    r.intMoveTo(0, 0);
    for (auto [x, y] : {std::pair{20 * 256, 0}, {20 * 256, 10 * 256}, {0, 10 * 256}, {0, 0}})
        r.intLineTo(x, y);
    ColorBlit blit;
    blit.setup(img.ref(), {1, 2, 3, 255}, 6);
    r.rasterize(blit.blitter());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(img.at(x, y), ((x >= 6 && x < 15 && y >= 2 && y < 7) ? RGBA{1, 2, 3, 255} : grey));
}

TEST(Canvas, TransformTranslatesAndIsResetByInitialize)
{
    TestImage img(10, 10, grey);
    Canvas c;
    c.initialize(img.ref());
    c.translate(3, 4);
    c.save();
    c.translate(1, 1);
    c.fillStyle(white);
    fillRect(c, 0, 0, 1, 1);
    c.restore();
    c.restore(); // the base transform is never popped
    fillRect(c, 0, 0, 1, 1);
    c.initialize(img.ref());
    fillRect(c, 0, 0, 1, 1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool drawn = (x == 4 && y == 5) || (x == 3 && y == 4) || (x == 0 && y == 0);
            EXPECT_EQ(img.at(x, y), drawn ? white : grey) << x << "," << y;
        }
}

TEST(Canvas, FillClosesOpenSubpathsAndConsumesThePath)
{
    TestImage closed(10, 10, grey), open(10, 10, grey);
    Canvas c;
    c.fillStyle(white);
    for (TestImage* img : {&closed, &open}) {
        c.initialize(img->ref());
        c.beginPath();
        c.moveTo(1, 1);
        c.lineTo(9, 2);
        c.lineTo(4, 9);
        if (img == &closed)
            c.closePath();
        c.moveTo(0, 8); // closes the first subpath
        c.lineTo(2, 8);
        c.lineTo(2, 10);
        c.fill();
    }
    EXPECT_EQ(closed.storage, open.storage);
    EXPECT_EQ(open.at(1, 8), white);
    c.fillStyle({0, 0, 200, 255});
    c.fill(); // nothing left to fill
    EXPECT_EQ(closed.storage, open.storage);
}

TEST(Canvas, ResizeGripDrawsIntoOneDirtyRectangle)
{
    // The grip's three shapes (bands along x + y: 20..24, 28..32, from 36 on) of a
    // 20 x 20 element, drawn into its dirty part (10, 10)-(20, 20) as the widget does.
    TestImage img(30, 30, grey);
    const box2i dirty{{10, 10}, {20, 20}};
    Canvas c;
    c.initialize(img.ref().crop(dirty));
    c.translate(-10, -10);
    c.fillStyle(white);
    c.beginPath();
    addPolygon(c, {0, 20, 20, 0, 20, 4, 4, 20});
    addPolygon(c, {8, 20, 20, 8, 20, 12, 12, 20});
    addPolygon(c, {16, 20, 20, 16, 20, 20, 20, 20});
    c.fill();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            // A pixel spans x + y from s to s + 2.
            const int s = x + y;
            const bool inBand = (s >= 20 && s <= 22) || (s >= 28 && s <= 30) || s >= 36;
            const bool inGap = s <= 18 || (s >= 24 && s <= 26) || (s >= 32 && s <= 34);
            if (!dirty.contains(x, y) || inGap) {
                EXPECT_EQ(img.at(x, y), grey) << x << "," << y;
            } else if (inBand) {
                EXPECT_EQ(img.at(x, y), white) << x << "," << y;
            }
        }
}

TEST(Canvas, UnusableCoordinatesAndTargetsAreHarmless)
{
    TestImage img(8, 8, grey);
    Canvas c;
    c.fill(); // never initialised
    c.initialize(img.ref());
    const float inf = std::numeric_limits<float>::infinity();
    c.beginPath();
    c.moveTo(std::numeric_limits<float>::quiet_NaN(), 1);
    c.lineTo(inf, -inf);
    c.lineTo(1e30f, 5);
    c.lineTo(-1e30f, 1e30f);
    c.fill();
    c.lineTo(3, 3); // a path may start with lineTo
    c.lineTo(5, 3);
    c.lineTo(5, 5);
    c.fill();
    c.initialize(ImageRef<RGBA>{});
    fillRect(c, 0, 0, 4, 4);
    SUCCEED();
}
