#include "graphics/Font.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using namespace vf;

namespace {

const std::vector<uint8_t>& fontFile()
{
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    return bytes;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(fontFile().empty()) << "needs fonts-dejavu-core"; }
    Font font{fontFile().data(), fontFile().size()};
};

struct Character {
    int index;
    char32_t ch;
    box2i box;
    float scale, xShift, yShift;
};

std::vector<Character> walk(const Font& font, std::string_view text, float size, float spacing, float fx = 0,
                            float fy = 0)
{
    std::vector<Character> out;
    font.iterateCharacterPositions(text, size, spacing, fx, fy,
                                   [&](int i, char32_t ch, box2i box, float scale, float xs, float ys) {
                                       out.push_back({i, ch, box, scale, xs, ys});
                                   });
    return out;
}

std::vector<char32_t> decodeAll(std::string_view text)
{
    std::vector<char32_t> out;
    size_t position = 0;
    while (position < text.size())
        out.push_back(decodeUtf8(text, position));
    return out;
}

} // namespace

TEST_F(FontTest, VerticalMetricsComeFromTheHorizontalHeader)
{
    EXPECT_EQ(font.ascent(), 1901);
    EXPECT_EQ(font.descent(), -483);
    EXPECT_EQ(font.lineGap(), 0);
    EXPECT_FLOAT_EQ(font.scaleForPixelHeight(23.84f), 23.84f / 2384.0f);
}

TEST_F(FontTest, WalkReportsEveryCharacterOnOneBaseline)
{
    const auto chars = walk(font, "Ab\nc", 20, 0);
    ASSERT_EQ(chars.size(), 4u);
    const char32_t expected[] = {'A', 'b', '\n', 'c'};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(chars[i].index, i);
        EXPECT_EQ(chars[i].ch, expected[i]);
        EXPECT_FLOAT_EQ(chars[i].scale, 20.0f / 2384.0f);
    }
    // Capitals sit on the baseline (y = 0) and rise above it; a line feed is an
    // ordinary character, not a new line.
    EXPECT_LT(chars[0].box.min.y, -10);
    EXPECT_GE(chars[0].box.max.y, 0);
    EXPECT_LE(chars[0].box.max.y, 1);
    EXPECT_LT(chars[1].box.max.x, chars[3].box.min.x + 1);
    EXPECT_LE(std::abs(chars[3].box.max.y - chars[1].box.max.y), 1);
}

TEST_F(FontTest, SubPixelShiftsAreQuantisedToEighths)
{
    for (float fx : {0.0f, 0.06f, 0.0625f, 0.3f, 0.5f, 0.93f, 0.97f}) {
        const auto chars = walk(font, "xyz", 13.7f, 0.3f, fx, 0.5f);
        for (const Character& c : chars) {
            EXPECT_GE(c.xShift, 0.0f);
            EXPECT_LE(c.xShift, 1.0f);
            EXPECT_EQ(c.xShift * 8, std::floor(c.xShift * 8)) << fx;
            EXPECT_EQ(c.yShift, 0.5f);
        }
        EXPECT_EQ(chars[0].xShift, std::round(fx * 8) / 8) << fx;
    }
    // Half an eighth rounds away from zero.
    EXPECT_EQ(walk(font, "x", 10, 0, 0.0625f)[0].xShift, 0.125f);
}

TEST_F(FontTest, MeasureUnitesTheGlyphBoxesIncludingLetterSpacing)
{
    const auto chars = walk(font, "Hgj", 18, 0.5f);
    box2i expected = chars[0].box;
    for (const Character& c : chars)
        expected = {{std::min(expected.min.x, c.box.min.x), std::min(expected.min.y, c.box.min.y)},
                    {std::max(expected.max.x, c.box.max.x), std::max(expected.max.y, c.box.max.y)}};
    EXPECT_EQ(font.measureText("Hgj", 18, 0.5f), expected);
    EXPECT_GT(expected.max.y, 2); // descenders reach below the baseline
    EXPECT_EQ(font.measureText("", 18, 0.5f), box2i{});

    // Whole-pixel spacing moves each later glyph by exactly that much.
    EXPECT_EQ(font.measureText("III", 20, 3).max.x, font.measureText("III", 20, 0).max.x + 6);
}

TEST_F(FontTest, KerningPullsPairsTogether)
{
    // Measured from where each glyph sits when drawn alone, the glyph after 'A'
    // starts further left when the pair kerns (AV) than when it does not (AH).
    const auto kerned = walk(font, "AV", 100, 0);
    const auto plain = walk(font, "AH", 100, 0);
    const box2i v = walk(font, "V", 100, 0)[0].box;
    const box2i h = walk(font, "H", 100, 0)[0].box;
    const int vOffset = kerned[1].box.min.x - v.min.x;
    const int hOffset = plain[1].box.min.x - h.min.x;
    EXPECT_LT(vOffset, hOffset);
}

TEST_F(FontTest, UnusableSizesProduceNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float size : {0.0f, -12.0f, nan, std::numeric_limits<float>::infinity(), 1e9f}) {
        EXPECT_TRUE(walk(font, "abc", size, 0).empty()) << size;
        EXPECT_EQ(font.measureText("abc", size, 0), box2i{}) << size;
    }
    EXPECT_TRUE(walk(font, "abc", 12, nan).empty());
    EXPECT_TRUE(walk(font, "abc", 12, 0, nan, 0).empty());
    // A wild letter spacing ends the walk before pixel boxes overflow.
    EXPECT_LT(walk(font, "abcdefgh", 12, 3e9f).size(), 8u);
}

TEST(Utf8, DecodesValidSequencesOfEveryLength)
{
    EXPECT_EQ(decodeAll("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"),
              (std::vector<char32_t>{'a', 0xE9, 0x20AC, 0x1F3B5}));
    EXPECT_EQ(decodeAll("\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), (std::vector<char32_t>{0xFFFF, 0x10FFFF}));
}

TEST(Utf8, InvalidSequencesBecomeReplacementCharactersWithoutReadingPastTheEnd)
{
    const char32_t bad = 0xFFFD;
    EXPECT_EQ(decodeAll("\x80z"), (std::vector<char32_t>{bad, 'z'}));             // stray continuation
    EXPECT_EQ(decodeAll("\xC0\xAF"), (std::vector<char32_t>{bad, bad}));          // overlong lead
    EXPECT_EQ(decodeAll("\xE0\x80\xAF"), (std::vector<char32_t>{bad}));           // overlong form
    EXPECT_EQ(decodeAll("\xED\xA0\x80"), (std::vector<char32_t>{bad}));           // surrogate
    EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), (std::vector<char32_t>{bad}));       // beyond U+10FFFF
    EXPECT_EQ(decodeAll("\xF8\x88\x80\x80\x80"), (std::vector<char32_t>(5, bad))); // never a lead byte
    EXPECT_EQ(decodeAll("\xE2" "A"), (std::vector<char32_t>{bad, 'A'}));        // next character kept

    // The view ends inside a sequence although the buffer goes on.
    const char buffer[] = "\xE2\x82\xAC\xE2\x82\xAC";
    size_t position = 3;
    EXPECT_EQ(decodeUtf8(std::string_view(buffer, 5), position), bad);
    EXPECT_EQ(position, 5u);
}

TEST_F(FontTest, InvalidTextIsMeasuredWithReplacementGlyphs)
{
    const auto chars = walk(font, "a\xFF" "b", 16, 0);
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[1].ch, char32_t{0xFFFD});
    EXPECT_FALSE(chars[1].box.empty());
}
