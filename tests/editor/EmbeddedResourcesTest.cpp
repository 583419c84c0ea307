#include "resources/EmbeddedResources.hpp"

#include "graphics/ImageLoader.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace vf {
namespace {

TEST(EmbeddedResources, ImagesDecodeAtTheSizesTheEditorAssumes)
{
    struct Expected {
        const char* name;
        int width, height;
    } const expected[] = {{"velmorin-free.png", 365, 650},
                          {"knob-bottom.png", 80, 8080},
                          {"knob-top.png", 80, 8080},
                          {"switch-on.png", 65, 30},
                          {"switch-off.png", 65, 30}};
    for (const Expected& e : expected) {
        const EmbeddedResource r = embeddedResource(e.name);
        ASSERT_TRUE(r.found()) << e.name;
        auto image = loadOwnedImage(r.data, r.size);
        EXPECT_EQ(image->width(), e.width) << e.name;
        EXPECT_EQ(image->height(), e.height) << e.name;
    }
}

TEST(EmbeddedResources, FilmstripFramesDifferFromEndToEnd)
{
    const EmbeddedResource r = embeddedResource("knob-top.png");
    auto strip = loadOwnedImage(r.data, r.size);
    ASSERT_EQ(strip->height(), 80 * 101);
    auto differs = [&](int a, int b) {
        for (int y = 0; y < 80; ++y)
            if (std::memcmp(strip->scanline(a * 80 + y), strip->scanline(b * 80 + y), 80 * sizeof(RGBA)) != 0)
                return true;
        return false;
    };
    EXPECT_TRUE(differs(0, 1));
    EXPECT_TRUE(differs(99, 100));
    EXPECT_TRUE(differs(0, 100));
}

TEST(EmbeddedResources, FontIsTrueTypeAndUnknownNamesAreEmpty)
{
    const EmbeddedResource font = embeddedResource("font.ttf");
    ASSERT_GT(font.size, 4u);
    EXPECT_EQ(std::memcmp(font.data, "\0\1\0\0", 4), 0);
    EXPECT_FALSE(embeddedResource("missing.png").found());
    EXPECT_FALSE(embeddedResource(nullptr).found());
}

} // namespace
} // namespace vf
