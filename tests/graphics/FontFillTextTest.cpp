#include "graphics/Font.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <ostream>
#include <thread>
#include <vector>

using namespace vf;

namespace vf {
void PrintTo(const RGBA& p, std::ostream* os)
{
    *os << "(" << int(p.r) << ", " << int(p.g) << ", " << int(p.b) << ", " << int(p.a) << ")";
}
} // namespace vf

namespace {

const std::vector<uint8_t>& fontFile()
{
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    return bytes;
}

struct Surface {
    int width, height;
    std::vector<RGBA> pixels;
    Surface(int w, int h, RGBA fill) : width(w), height(h), pixels(static_cast<size_t>(w * h), fill) {}
    ImageRef<RGBA> ref() { return {width, height, static_cast<std::ptrdiff_t>(width * 4), pixels.data()}; }
    RGBA& at(int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; }
};

class FillText : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(fontFile().empty()) << "needs fonts-dejavu-core"; }
    Font font{fontFile().data(), fontFile().size()};
};

const RGBA paper{200, 150, 100, 255};
const RGBA ink{20, 40, 250, 77};

} // namespace

TEST_F(FillText, FullCoverageGivesTheTextColourAndNoCoverageKeepsTheColour)
{
    Surface s(60, 40, paper);
    fillText(s.ref(), font, "L", 30, 0, ink, 10, 30, HorizontalAlignment::left, VerticalAlignment::baseline);

    // Look at the glyph's own coverage to know what each pixel should show.
    const auto box = font.measureText("L", 30, 0).translate(10, 30);
    const ImageRef<L8> coverage =
        font.glyphCache().requestGlyph({'L', font.scaleForPixelHeight(30), 0, 0}, box.width(), box.height());
    int full = 0, none = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const int c = box.contains(x, y) ? coverage.at(x - box.min.x, y - box.min.y).l : -1;
            full += c == 255;
            none += c == 0;
            if (c < 0)
                EXPECT_EQ(s.at(x, y), paper) << x << "," << y;
            else if (c == 255)
                EXPECT_EQ(s.at(x, y), ink) << x << "," << y;
            else if (c == 0) // keeps its colour, takes the text alpha
                EXPECT_EQ(s.at(x, y), (RGBA{paper.r, paper.g, paper.b, ink.a})) << x << "," << y;
            else
                EXPECT_EQ(s.at(x, y).a, ink.a);
        }
    EXPECT_GT(full, 20);
    EXPECT_GT(none, 20); // the empty corner right of the upright
}

TEST_F(FillText, CentringShiftsByTheTruncatedHalfOfMinPlusMax)
{
    // Centred drawing equals drawing at the origin moved by -(min + max) / 2,
    // truncated toward zero, for even and odd sums of either sign (capitals rise
    // above the baseline: their vertical sums are negative).
    int odd = 0, even = 0, negativeOdd = 0;
    for (float size : {11.0f, 12.0f, 13.0f, 17.0f, 18.0f, 25.0f}) {
        for (const char* text : {"1", "42 %", "-7.5 dB", "E"}) {
            const box2i area = font.measureText(text, size, 0.5f);
            const int sumX = area.min.x + area.max.x, sumY = area.min.y + area.max.y;
            odd += (sumX % 2 != 0) + (sumY % 2 != 0);
            even += (sumX % 2 == 0) + (sumY % 2 == 0);
            negativeOdd += sumY < 0 && sumY % 2 != 0;
            Surface centred(80, 50, paper), placed(80, 50, paper);
            fillText(centred.ref(), font, text, size, 0.5f, ink, 40.25f, 25.5f, HorizontalAlignment::center,
                     VerticalAlignment::center);
            fillText(placed.ref(), font, text, size, 0.5f, ink, 40.25f - float(sumX / 2), 25.5f - float(sumY / 2),
                     HorizontalAlignment::left, VerticalAlignment::baseline);
            EXPECT_EQ(centred.pixels, placed.pixels) << text << " at " << size;
        }
    }
    EXPECT_GT(odd, 0);
    EXPECT_GT(even, 0);
    EXPECT_GT(negativeOdd, 0);
}

TEST_F(FillText, GlyphsAreClippedAtTheSurfaceEdge)
{
    // The same text drawn into a full surface and into a view of its right part:
    // the view shows exactly its share, and nothing outside it changes.
    Surface whole(70, 30, paper), parted(70, 30, paper);
    fillText(whole.ref(), font, "WAVE", 22, 0.5f, ink, 3.6f, 22, HorizontalAlignment::left,
             VerticalAlignment::baseline);
    const box2i view{{25, 4}, {70, 19}};
    fillText(parted.ref().crop(view), font, "WAVE", 22, 0.5f, ink, 3.6f - 25, 22 - 4, HorizontalAlignment::left,
             VerticalAlignment::baseline);
    int drawn = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 70; ++x) {
            if (view.contains(x, y)) {
                EXPECT_EQ(parted.at(x, y), whole.at(x, y)) << x << "," << y;
                drawn += parted.at(x, y) != paper;
            } else {
                EXPECT_EQ(parted.at(x, y), paper) << x << "," << y;
            }
        }
    EXPECT_GT(drawn, 50);
}

TEST_F(FillText, CacheKeepsOneBitmapPerEighthPixelOffset)
{
    Surface s(60, 30, paper);
    GlyphCache& cache = font.glyphCache();
    const float scale = font.scaleForPixelHeight(20);
    auto draw = [&](float x) {
        fillText(s.ref(), font, "a", 20, 0, ink, x, 20, HorizontalAlignment::left, VerticalAlignment::baseline);
    };
    auto glyphAt = [&](float fraction) { // the bitmap that 'a' uses at this fraction of a pixel
        ImageRef<L8> g;
        font.iterateCharacterPositions("a", 20, 0, fraction, 0, [&](int, char32_t ch, box2i b, float sc, float xs, float ys) {
            g = cache.requestGlyph({ch, sc, xs, ys}, b.width(), b.height());
        });
        return g;
    };

    draw(10.0f);
    draw(10.5f);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_TRUE(cache.contains({'a', scale, 0.0f, 0.0f}));
    EXPECT_TRUE(cache.contains({'a', scale, 0.5f, 0.0f}));
    const ImageRef<L8> whole = glyphAt(0), half = glyphAt(0.5f);
    ASSERT_NE(whole.pixels, half.pixels);
    bool differ = false;
    for (int y = 0; y < std::min(whole.height, half.height); ++y)
        for (int x = 0; x < std::min(whole.width, half.width); ++x)
            differ |= whole.at(x, y).l != half.at(x, y).l;
    EXPECT_TRUE(differ);

    // Positions that round to the same eighth reuse the stored bitmaps.
    draw(30.0f);
    draw(12.52f);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(glyphAt(0).pixels, whole.pixels);

    // A key asked for with another size is drawn again at that size rather
    // than read beyond its bitmap.
    const ImageRef<L8> larger = cache.requestGlyph({'a', scale, 0.0f, 0.0f}, 40, 40);
    EXPECT_EQ(larger.width, 40);
    EXPECT_EQ(larger.pitch, 40);
    EXPECT_EQ(cache.size(), 2u);
}

TEST_F(FillText, UnusableArgumentsDrawNothing)
{
    Surface s(30, 30, paper);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto draw = [&](ImageRef<RGBA> target, std::string_view text, float size, float x, float y, float spacing = 0) {
        fillText(target, font, text, size, spacing, ink, x, y, HorizontalAlignment::center, VerticalAlignment::center);
    };
    draw(s.ref(), "", 20, 15, 15);
    draw(s.ref(), "abc", nan, 15, 15);
    draw(s.ref(), "abc", 0, 15, 15);
    draw(s.ref(), "abc", 20, nan, 15);
    draw(s.ref(), "abc", 20, 15, -inf);
    draw(s.ref(), "abc", 20, 3e9f, 15);
    draw(s.ref(), "abc", 20, 15, 15, nan);
    draw(ImageRef<RGBA>{}, "abc", 20, 15, 15);
    for (const RGBA& p : s.pixels)
        EXPECT_EQ(p, paper);
    EXPECT_EQ(font.glyphCache().size(), 0u);
}

TEST_F(FillText, ThreadsDrawingWithOneFontGetTheSerialResult)
{
    Surface expected(120, 30, paper);
    fillText(expected.ref(), font, "0.25 dB", 18, 0.5f, ink, 60, 15, HorizontalAlignment::center,
             VerticalAlignment::center);

    Font fresh(fontFile().data(), fontFile().size());
    std::vector<Surface> surfaces(4, Surface(120, 30, paper));
    std::vector<std::thread> threads;
    for (Surface& s : surfaces)
        threads.emplace_back([&fresh, &s] {
            for (int i = 0; i < 20; ++i) {
                s.pixels.assign(s.pixels.size(), paper);
                fillText(s.ref(), fresh, "0.25 dB", 18, 0.5f, ink, 60, 15, HorizontalAlignment::center,
                         VerticalAlignment::center);
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (Surface& s : surfaces)
        EXPECT_EQ(s.pixels, expected.pixels);
}
