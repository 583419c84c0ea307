#include "core/ThreadPool.hpp"
#include "graphics/ImageResizer.hpp"
#include "graphics/OwnedImage.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

using namespace vf;

namespace {

void fill(OwnedImage<RGBA>& img, int w, int h, RGBA value)
{
    img.size(w, h);
    for (int y = 0; y < h; ++y)
        std::fill_n(img.scanline(y), w, value);
}

double toLinear(int v)
{
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

int toSrgb(double l)
{
    l = std::clamp(l, 0.0, 1.0);
    return int((l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055) * 255.0 + 0.5);
}

// Lanczos resampling of one output pixel computed directly in two dimensions,
// in double precision, over every source pixel (edges clamped).
RGBA referenceLanczos(const OwnedImage<RGBA>& src, int dw, int dh, int x, int y, double a, bool alphaWeighted)
{
    auto weights = [a](int n, int dn, int o) {
        const double scale = double(dn) / n, pi = 3.14159265358979323846;
        std::vector<double> w(size_t(n), 0.0);
        double sum = 0;
        for (int i = -1000; i < n + 1000; ++i) {
            const double d = std::fabs((i + 0.5 - (o + 0.5) / scale) * std::min(scale, 1.0));
            const double k = d < 1e-12 ? 1.0 : d < a ? a * std::sin(pi * d) * std::sin(pi * d / a) / (pi * d * pi * d) : 0;
            w[size_t(std::clamp(i, 0, n - 1))] += k;
            sum += k;
        }
        for (double& v : w)
            v /= sum;
        return w;
    };
    const std::vector<double> wx = weights(src.width(), dw, x), wy = weights(src.height(), dh, y);
    double acc[4] = {0, 0, 0, 0};
    for (int sy = 0; sy < src.height(); ++sy)
        for (int sx = 0; sx < src.width(); ++sx) {
            const RGBA p = src.scanline(sy)[sx];
            const double w = wx[size_t(sx)] * wy[size_t(sy)];
            const double alpha = alphaWeighted ? p.a / 255.0 : toLinear(p.a);
            const double premul = alphaWeighted ? alpha : 1.0;
            acc[0] += w * toLinear(p.r) * premul;
            acc[1] += w * toLinear(p.g) * premul;
            acc[2] += w * toLinear(p.b) * premul;
            acc[3] += w * alpha;
        }
    if (!alphaWeighted)
        return RGBA{uint8_t(toSrgb(acc[0])), uint8_t(toSrgb(acc[1])), uint8_t(toSrgb(acc[2])), uint8_t(toSrgb(acc[3]))};
    const double alpha = std::clamp(acc[3], 0.0, 1.0);
    if (acc[3] <= 0) // colour is compared only where alpha is substantial
        return RGBA{0, 0, 0, uint8_t(alpha * 255.0 + 0.5)};
    return RGBA{uint8_t(toSrgb(acc[0] / acc[3])), uint8_t(toSrgb(acc[1] / acc[3])), uint8_t(toSrgb(acc[2] / acc[3])),
                uint8_t(alpha * 255.0 + 0.5)};
}

} // namespace

TEST(LanczosKernel, ValuesAtKnownPoints)
{
    EXPECT_EQ(lanczosKernel(0.0f, 3.0f), 1.0f);
    EXPECT_EQ(lanczosKernel(1e-39f, 3.0f), 1.0f); // below the smallest normal float: the limit, not 0/0
    EXPECT_NEAR(lanczosKernel(1.0f, 3.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(lanczosKernel(-0.5f, 3.0f), 6.0f / (3.14159265f * 3.14159265f), 1e-6f); // 3 * 1 * 0.5 / (pi / 2)^2
    EXPECT_LT(lanczosKernel(1.5f, 3.0f), 0.0f);
    EXPECT_EQ(lanczosKernel(2.6f, 2.5f), 0.0f);
}

TEST(ImageResizer, LanczosMatchesATwoDimensionalReference)
{
    struct Case {
        int sw, sh, dw, dh;
        ResizeFilter filter;
        double a;
    };
    const Case cases[] = {{23, 17, 9, 7, ResizeFilter::lanczos3, 3.0},   {9, 7, 25, 16, ResizeFilter::lanczos3, 3.0},
                          {20, 20, 13, 31, ResizeFilter::lanczos2, 2.0}, {16, 11, 7, 12, ResizeFilter::lanczos2_5, 2.5},
                          {14, 15, 19, 4, ResizeFilter::lanczos4, 4.0},  {5, 40, 1, 1, ResizeFilter::lanczos3, 3.0}};
    std::mt19937 rng(40);
    ImageResizer resizer;
    for (const Case& c : cases)
        for (bool weighted : {true, false}) {
            // A bordered, aligned source and a destination cropped out of a larger
            // canvas: pitches differ from the widths on both sides.
            OwnedImage<RGBA> src, canvas;
            src.size(c.sw, c.sh, 2, 3, 16);
            for (int y = 0; y < c.sh; ++y)
                for (int x = 0; x < c.sw; ++x)
                    src.scanline(y)[x] = RGBA{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
            fill(canvas, c.dw + 2, c.dh + 2, RGBA{1, 2, 3, 4});
            resizer.resizeImageSRGB(src.toRef(), canvas.toRef().crop(box2i::rectangle(1, 1, c.dw, c.dh)),
                                    weighted ? 3 : -1, c.filter);
            for (int y = 0; y < c.dh + 2; ++y)
                for (int x = 0; x < c.dw + 2; ++x) {
                    const RGBA got = canvas.scanline(y)[x];
                    if (x == 0 || y == 0 || x == c.dw + 1 || y == c.dh + 1) {
                        ASSERT_EQ(got, (RGBA{1, 2, 3, 4}));
                        continue;
                    }
                    const RGBA want = referenceLanczos(src, c.dw, c.dh, x - 1, y - 1, c.a, weighted);
                    const auto where = ::testing::Message() << c.sw << "x" << c.sh << " at " << x << "," << y;
                    ASSERT_NEAR(got.a, want.a, 1) << where;
                    if (weighted && want.a < 32)
                        continue; // the colour of a nearly transparent pixel is noise
                    ASSERT_NEAR(got.r, want.r, 1) << where;
                    ASSERT_NEAR(got.g, want.g, 1) << where;
                    ASSERT_NEAR(got.b, want.b, 1) << where;
                }
        }
}

TEST(ImageResizer, EveryCodeSurvivesTheTripThroughLinearLight)
{
    OwnedImage<RGBA> ramp, out;
    ramp.size(256, 1);
    out.size(256, 1);
    for (int i = 0; i < 256; ++i)
        ramp.scanline(0)[i] = RGBA{uint8_t(i), uint8_t(255 - i), uint8_t(i), uint8_t(i)};
    ImageResizer resizer;
    resizer.resizeImageSRGB(ramp.toRef(), out.toRef(), -1, ResizeFilter::lanczos3);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(out.scanline(0)[i], ramp.scanline(0)[i]) << i;
}

TEST(ImageResizer, AlphaChannelModes)
{
    // With alpha weighting a fully transparent red pixel lends no colour; without
    // it, red bleeds and alpha goes through the sRGB curve like the colours: a
    // halved 0/255 alpha checkerboard gives 128 in linear and sRGB(0.5) = 188 otherwise.
    OwnedImage<RGBA> src, dst;
    fill(src, 8, 8, RGBA{0, 0, 255, 0});
    for (int y = 0; y < 8; ++y)
        for (int x = (y & 1); x < 8; x += 2)
            src.scanline(y)[x].a = 255;
    src.scanline(3)[2] = RGBA{255, 0, 0, 0};
    dst.size(4, 4);
    ImageResizer resizer;
    for (ResizeFilter f : {ResizeFilter::lanczos3, ResizeFilter::automatic, ResizeFilter::box}) {
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 3, f);
        EXPECT_EQ(dst.scanline(1)[1].r, 0) << int(f);
        EXPECT_GE(dst.scanline(1)[1].b, 254) << int(f);
        EXPECT_NEAR(dst.scanline(2)[2].a, 128, 2) << int(f);
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), -1, f);
        EXPECT_GT(dst.scanline(1)[1].r, 0) << int(f);
        EXPECT_NEAR(dst.scanline(2)[2].a, 188, 2) << int(f);
    }
}

TEST(ImageResizer, ScratchGrowsOnlyForLargerJobs)
{
    OwnedImage<RGBA> big, small, tiny, large;
    fill(big, 300, 200, RGBA{9, 9, 9, 9});
    small.size(97, 61);
    tiny.size(20, 20);
    large.size(400, 260);
    ImageResizer resizer;
    for (ResizeFilter f : {ResizeFilter::lanczos3, ResizeFilter::mitchell}) {
        resizer.resizeImageSRGB(big.toRef(), small.toRef(), 3, f);
        const void* block = resizer.scratchData();
        const size_t bytes = resizer.scratchSize();
        ASSERT_GT(bytes, 0u);
        resizer.resizeImageSRGB(big.toRef(), small.toRef(), 3, f);
        resizer.resizeImageSRGB(small.toRef(), tiny.toRef(), -1, f);
        EXPECT_EQ(resizer.scratchData(), block);
        EXPECT_EQ(resizer.scratchSize(), bytes);
    }
    const size_t before = resizer.scratchSize();
    resizer.resizeImageSRGB(big.toRef(), large.toRef(), 3, ResizeFilter::lanczos4);
    EXPECT_GT(resizer.scratchSize(), before);
}

TEST(ImageResizer, MisuseLeavesTheDestinationUntouched)
{
    OwnedImage<RGBA> src, dst;
    fill(src, 4, 4, RGBA{9, 9, 9, 9});
    fill(dst, 2, 2, RGBA{1, 1, 1, 1});
    ImageResizer resizer;
    resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 0, ResizeFilter::lanczos3);
    resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 3, static_cast<ResizeFilter>(10));
    resizer.resizeImageSRGB(ImageRef<RGBA>{}, dst.toRef(), 3, ResizeFilter::lanczos3);
    resizer.resizeImageSRGB(src.toRef(), ImageRef<RGBA>{}, 3, ResizeFilter::box);
    EXPECT_EQ(dst.scanline(1)[1], (RGBA{1, 1, 1, 1}));
    EXPECT_EQ(resizer.scratchSize(), 0u);
}

namespace {

struct EditorImage {
    const char* name;
    int width, height, alphaChannel;
    int sizes[6][2]; // at the editor's six scales
};

const EditorImage editorImages[] = {
    {"background", 365, 650, -1, {{237, 422}, {274, 488}, {310, 553}, {365, 650}, {456, 813}, {548, 975}}},
    {"knobFrame", 80, 80, -1, {{52, 52}, {60, 60}, {68, 68}, {80, 80}, {100, 100}, {120, 120}}},
    {"switch", 65, 30, 3, {{42, 20}, {49, 23}, {55, 26}, {65, 30}, {81, 38}, {98, 45}}},
};

} // namespace

// Every faster path (widest vectors, SSE2, bands over threads) writes exactly
// the bytes of the original loop, on noise and on partly transparent images.
class ResizerKernels : public ::testing::TestWithParam<std::tuple<EditorImage, int>> {};

TEST_P(ResizerKernels, WriteTheReferenceBytes)
{
    const auto& [image, scale] = GetParam();
    const int dw = image.sizes[scale][0], dh = image.sizes[scale][1];
    std::mt19937 rng(unsigned(image.width * 7 + scale));
    ThreadPool twoThreads(2), threeThreads(3);
    using Kernel = ImageResizer::Kernel;
    const struct {
        Kernel kernel;
        ThreadPool* pool;
        const char* name;
    } paths[] = {{Kernel::avx2, nullptr, "avx2"},          {Kernel::sse2, nullptr, "sse2"},
                 {Kernel::automatic, &twoThreads, "2 bands"}, {Kernel::sse2, &threeThreads, "sse2, 3 bands"},
                 {Kernel::automatic, &threeThreads, "3 bands"}};
    for (bool transparentPatches : {false, true}) {
        OwnedImage<RGBA> src, want, got;
        src.size(image.width, image.height);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                RGBA p{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
                if (transparentPatches && (x / 9 + y / 7) % 3 != 0)
                    p.a = (x / 9) % 2 ? 0 : 255;
                src.scanline(y)[x] = p;
            }
        ImageResizer reference, resizer;
        reference.setKernel(Kernel::reference);
        fill(want, dw, dh, RGBA{1, 2, 3, 4});
        reference.resizeImageSRGB(src.toRef(), want.toRef(), image.alphaChannel, ResizeFilter::lanczos3);
        for (const auto& path : paths) {
            if (path.kernel == Kernel::avx2 && !ImageResizer::cpuHasAvx2())
                continue;
            fill(got, dw, dh, RGBA{1, 2, 3, 4});
            resizer.setKernel(path.kernel);
            resizer.resizeImageSRGB(src.toRef(), got.toRef(), image.alphaChannel, ResizeFilter::lanczos3, path.pool);
            for (int y = 0; y < dh; ++y)
                ASSERT_EQ(std::memcmp(got.scanline(y), want.scanline(y), size_t(dw) * sizeof(RGBA)), 0)
                    << path.name << ", " << image.name << " to " << dw << "x" << dh << ", row " << y
                    << (transparentPatches ? ", with transparent patches" : "");
        }
        // Weights kept from the same geometry must not survive the stock
        // resampler's use of the scratch.
        resizer.setKernel(Kernel::automatic);
        resizer.resizeImageSRGB(src.toRef(), got.toRef(), image.alphaChannel, ResizeFilter::mitchell);
        resizer.resizeImageSRGB(src.toRef(), got.toRef(), image.alphaChannel, ResizeFilter::lanczos3);
        for (int y = 0; y < dh; ++y)
            ASSERT_EQ(std::memcmp(got.scanline(y), want.scanline(y), size_t(dw) * sizeof(RGBA)), 0) << "row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EditorSizes, ResizerKernels,
                         ::testing::Combine(::testing::ValuesIn(editorImages), ::testing::Range(0, 6)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "Scale"
                                    + std::to_string(std::get<1>(info.param));
                         });
