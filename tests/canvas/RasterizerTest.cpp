#include "canvas/Rasterizer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace vf;

namespace {

struct Pt {
    double x, y;
};

// Signed coverage of every pixel (running sum of the cells); clears what it reads.
struct CoverageRecorder {
    int width, height;
    std::vector<int32_t> coverage;
    int rows = 0;

    CoverageRecorder(int w, int h) : width(w), height(h), coverage(static_cast<size_t>(w * h), 0) {}
    int32_t at(int x, int y) const { return std::abs(coverage[static_cast<size_t>(y * width + x)]); }

    static void blit(int y, int endX, int startX, const uint64_t*, int32_t* cells, void* user)
    {
        auto& self = *static_cast<CoverageRecorder*>(user);
        ++self.rows;
        EXPECT_TRUE(startX % 4 == 0 && endX % 4 == 0);
        int32_t s = 0;
        for (int x = startX; x < self.width; ++x) {
            if (x < endX) {
                s += cells[x];
                cells[x] = 0;
            }
            self.coverage[static_cast<size_t>(y * self.width + x)] = s;
        }
    }
};

int32_t fixed(double v)
{
    return static_cast<int32_t>(v * 256.0);
}

CoverageRecorder rasterize(const std::vector<std::vector<Pt>>& polygons, int w, int h)
{
    Rasterizer r;
    r.initialise(0, 0, w, h);
    for (const auto& poly : polygons) {
        r.intMoveTo(fixed(poly.back().x), fixed(poly.back().y));
        for (const Pt& p : poly)
            r.intLineTo(fixed(p.x), fixed(p.y));
    }
    CoverageRecorder rec(w, h);
    r.rasterize({&CoverageRecorder::blit, &rec});
    return rec;
}

// Exact area of a convex polygon inside pixel (px, py), by clipping it to the pixel.
double pixelArea(std::vector<Pt> poly, int px, int py)
{
    auto clip = [&poly](auto outside, bool alongX, double at) {
        std::vector<Pt> in;
        in.swap(poly);
        for (size_t i = 0; i < in.size(); ++i) {
            const Pt a = in[i], b = in[(i + 1) % in.size()];
            if (!outside(a))
                poly.push_back(a);
            if (outside(a) != outside(b))
                poly.push_back(alongX ? Pt{at, a.y + (b.y - a.y) * (at - a.x) / (b.x - a.x)}
                                      : Pt{a.x + (b.x - a.x) * (at - a.y) / (b.y - a.y), at});
        }
    };
    clip([&](Pt p) { return p.x < px; }, true, px);
    clip([&](Pt p) { return p.x > px + 1; }, true, px + 1);
    clip([&](Pt p) { return p.y < py; }, false, py);
    clip([&](Pt p) { return p.y > py + 1; }, false, py + 1);
    double area = 0;
    for (size_t i = 0; i < poly.size(); ++i)
        area += poly[i].x * poly[(i + 1) % poly.size()].y - poly[(i + 1) % poly.size()].x * poly[i].y;
    return std::fabs(area) * 0.5;
}

// Largest difference, in cell units, between the rasterizer and the exact area
// of the triangle as the rasterizer receives it (24.8).
double worstError(std::vector<Pt> tri, int w, int h)
{
    const CoverageRecorder rec = rasterize({tri}, w, h);
    for (Pt& p : tri)
        p = {fixed(p.x) / 256.0, fixed(p.y) / 256.0};
    double worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            worst = std::max(worst, std::fabs(rec.at(x, y) - pixelArea(tri, x, y) * Rasterizer::fullCoverage));
    return worst;
}

// 0.05 % of a pixel, an eighth of one 8-bit level: what rounding may cost.
constexpr double tolerance = 16;

} // namespace

TEST(RasterizerCoverage, PixelAlignedSquareIsFullInsideWithNoPartialPixels)
{
    const CoverageRecorder rec = rasterize({{{2, 3}, {9, 3}, {9, 8}, {2, 8}}}, 12, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(rec.at(x, y), (x >= 2 && x < 9 && y >= 3 && y < 8) ? 0x8000 : 0) << x << "," << y;
    EXPECT_EQ(rec.rows, 5);
}

TEST(RasterizerCoverage, TrianglesMatchTheExactAreaWhereverTheyAreClipped)
{
    EXPECT_LE(worstError({{-7.3, 4.2}, {13.6, 1.1}, {9.2, 15.7}}, 16, 16), tolerance); // vertex left of the clip
    EXPECT_LE(worstError({{10.1, -40}, {50, 30.3}, {-12.6, 12.2}}, 20, 16), tolerance); // crosses every side
    EXPECT_LE(worstError({{0.2, 0.3}, {19.9, 0.9}, {19.6, 1.4}}, 20, 4), tolerance);    // nearly flat edges
    EXPECT_LE(worstError({{3.01, 0}, {3.02, 9.99}, {2.99, 5}}, 8, 10), tolerance);      // steep, thin
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> coord(-10.0, 34.0);
    for (int i = 0; i < 40; ++i)
        EXPECT_LE(worstError({{coord(rng), coord(rng)}, {coord(rng), coord(rng)}, {coord(rng), coord(rng)}}, 24, 24),
                  tolerance)
            << "random triangle " << i;
}

TEST(RasterizerCoverage, ShapesOutsideCoverNothingAndShapesAroundCoverAll)
{
    // Left of the clip a shape becomes boundary runs that cancel out.
    const CoverageRecorder outside = rasterize({{{-9, 2}, {-2, 2}, {-3, 7}},
                                                {{12, 2}, {18, 3}, {15, 9}},
                                                {{2, -9}, {8, -8}, {5, -1}},
                                                {{2, 11}, {8, 12}, {5, 19}},
                                                {{-9, -9}, {-2, -9}, {-2, -2}}},
                                               10, 10);
    const CoverageRecorder around = rasterize({{{-100, -50}, {300, -40}, {200, 400}, {-90, 90}}}, 9, 7);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(outside.at(x, y), 0) << x << "," << y;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(around.at(x, y), 0x8000) << x << "," << y;
}

TEST(RasterizerCoverage, OverlappingSubpathsInTheSameDirectionAddUp)
{
    const CoverageRecorder rec = rasterize({{{1, 0}, {6, 0}, {6, 4}, {1, 4}}, {{4, 0}, {9, 0}, {9, 4}, {4, 4}}}, 10, 4);
    EXPECT_EQ(rec.at(2, 1), 0x8000);
    EXPECT_EQ(rec.at(5, 1), 0x10000); // winding 2: still inside under the non-zero rule
    EXPECT_EQ(rec.at(8, 1), 0x8000);
    EXPECT_EQ(rec.at(9, 1), 0);
}

TEST(RasterizerEdgePool, PathsOfManyEdgesUseAndReuseBlocks)
{
    std::vector<Pt> circle;
    double area = 0;
    for (int i = 0; i < 250; ++i)
        circle.push_back({20 + 15 * std::cos(2 * M_PI * i / 250), 20 + 15 * std::sin(2 * M_PI * i / 250)});
    for (size_t i = 0; i < circle.size(); ++i)
        area += 0.5 * (circle[i].x * circle[(i + 1) % 250].y - circle[(i + 1) % 250].x * circle[i].y);

    Rasterizer r;
    for (int pass = 0; pass < 3; ++pass) {
        r.initialise(0, 0, 40, 40);
        r.intMoveTo(fixed(circle.back().x), fixed(circle.back().y));
        for (const Pt& p : circle)
            r.intLineTo(fixed(p.x), fixed(p.y));
        CoverageRecorder rec(40, 40);
        r.rasterize({&CoverageRecorder::blit, &rec});
        double total = 0;
        for (int32_t c : rec.coverage)
            total += std::abs(c);
        EXPECT_NEAR(total / 0x8000, area, 0.05);
        EXPECT_EQ(r.edgeBlockCount(), 3); // 250 edges in blocks of 100, kept between fills
    }
}

TEST(RasterizerReuse, ResetAndDegenerateInputLeaveNoTrace)
{
    Rasterizer r;
    CoverageRecorder rec(4, 4);
    const Blitter blitter{&CoverageRecorder::blit, &rec};
    r.rasterize(blitter); // never initialised
    r.initialise(5, 5, 1, 1); // inverted clip
    r.intLineTo(9 * 256, 9 * 256);
    r.rasterize(blitter);
    EXPECT_EQ(rec.rows, 0);

    r.initialise(0, 0, 4, 4);
    r.intMoveTo(-5 * 256, 256); // a pending path with boundary runs, then dropped
    r.intLineTo(3 * 256, 3 * 256);
    r.reset();
    r.intMoveTo(0, 256); // horizontal only
    r.intLineTo(4 * 256, 256);
    // A huge triangle, the half below the diagonal y = x: clipped, not overflowed.
    r.intMoveTo(INT32_MIN, INT32_MIN);
    r.intLineTo(INT32_MAX, INT32_MAX);
    r.intLineTo(INT32_MIN, INT32_MAX);
    r.intLineTo(INT32_MIN, INT32_MIN);
    r.rasterize(blitter);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_NEAR(rec.at(x, y), y > x ? 0x8000 : (y == x ? 0x4000 : 0), tolerance) << x << "," << y;
}
