#include "graphics/Font.hpp"

#include <cmath>
#include <cstdlib>

// The TrueType parser and glyph rasteriser live in this translation unit only.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace vf {

struct Font::Impl {
    const uint8_t* data = nullptr;
    size_t size = 0;
    stbtt_fontinfo info{};

    // What laying out a character asks of the font, looked up once for ASCII:
    // each lookup is a search of the character map, three per character and two
    // more per kerning pair, and value labels redraw at every host change.
    struct Glyph {
        int index = 0;
        bool hasBox = false;
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        int advance = 0;
    };
    Glyph ascii[128];

    Glyph glyph(char32_t ch) const
    {
        if (ch < 128)
            return ascii[ch];
        return lookUp(ch);
    }

    Glyph lookUp(char32_t ch) const
    {
        Glyph g;
        g.index = stbtt_FindGlyphIndex(&info, static_cast<int>(ch));
        g.hasBox = stbtt_GetGlyphBox(&info, g.index, &g.x0, &g.y0, &g.x1, &g.y1) != 0;
        int leftSideBearing;
        stbtt_GetGlyphHMetrics(&info, g.index, &g.advance, &leftSideBearing);
        return g;
    }
};

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

int16_t readBigEndianInt16(const uint8_t* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
}

void rasterizeGlyph(const void* context, const GlyphKey& key, uint8_t* bitmap, int width, int height)
{
    const stbtt_fontinfo* info = static_cast<const stbtt_fontinfo*>(context);
    const int glyph = stbtt_FindGlyphIndex(info, static_cast<int>(key.ch));
    stbtt_MakeGlyphBitmapSubpixel(info, bitmap, width, height, width, key.scale, key.scale, key.xShift, key.yShift,
                                  glyph);
}

// Rounds half away from zero to the nearest eighth.
float quantiseToEighth(float fraction)
{
    return std::round(fraction * 8.0f) / 8.0f;
}

} // namespace

char32_t decodeUtf8(std::string_view text, size_t& position)
{
    const size_t n = text.size();
    const uint8_t lead = static_cast<uint8_t>(text[position]);
    ++position;
    if (lead < 0x80)
        return lead;

    int continuation;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuation = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuation = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuation = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return replacementCharacter; // stray continuation byte or never-valid lead byte
    }

    for (int i = 0; i < continuation; ++i) {
        if (position >= n)
            return replacementCharacter; // truncated at the end of the text
        const uint8_t byte = static_cast<uint8_t>(text[position]);
        if ((byte & 0xC0) != 0x80)
            return replacementCharacter; // the byte starts the next character: leave it
        cp = (cp << 6) | (byte & 0x3F);
        ++position;
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return replacementCharacter; // overlong form, beyond Unicode, or a surrogate
    return cp;
}

Font::Font(const uint8_t* data, size_t size) : impl_(std::make_unique<Impl>())
{
    impl_->data = data;
    impl_->size = size;
    // Only the embedded font is ever used: a font the parser rejects is a
    // programming error, and there is nobody to report it to.
    if (data == nullptr || size < 12)
        std::abort();
    const int offset = stbtt_GetFontOffsetForIndex(data, 0);
    if (offset < 0 || !stbtt_InitFont(&impl_->info, data, offset))
        std::abort();
    const int hhea = impl_->info.hhea;
    if (hhea <= 0 || static_cast<size_t>(hhea) + 10 > size)
        std::abort();
    ascent_ = readBigEndianInt16(data + hhea + 4);
    descent_ = readBigEndianInt16(data + hhea + 6);
    lineGap_ = readBigEndianInt16(data + hhea + 8);
    for (char32_t ch = 0; ch < 128; ++ch)
        impl_->ascii[ch] = impl_->lookUp(ch);
    cache_ = std::make_unique<GlyphCache>(&rasterizeGlyph, &impl_->info);
}

Font::~Font() = default;

float Font::scaleForPixelHeight(float fontSizePx) const
{
    const int extent = ascent_ - descent_;
    // Sizes that are not finite, not positive or absurdly large would give
    // keys that break the cache's ordering or bitmaps that cannot be allocated.
    if (extent <= 0 || !(fontSizePx > 0.0f) || !(fontSizePx <= 10000.0f))
        return 0.0f;
    return fontSizePx / static_cast<float>(extent);
}

void Font::iterateCharacterPositions(std::string_view text, float fontSizePx, float letterSpacing,
                                     float fractionalPosX, float fractionalPosY, CharacterCallback callback,
                                     void* user) const
{
    const float scale = scaleForPixelHeight(fontSizePx);
    if (scale == 0.0f || callback == nullptr)
        return;
    if (!std::isfinite(letterSpacing) || !(std::fabs(fractionalPosX) < 1.0e7f) ||
        !(std::fabs(fractionalPosY) < 1.0e7f))
        return;

    const stbtt_fontinfo* info = &impl_->info;
    const bool kerning = info->kern != 0 || info->gpos != 0;
    float penX = fractionalPosX;
    const float penY = fractionalPosY;
    int previous = 0;
    int index = 0;
    size_t position = 0;
    while (position < text.size()) {
        const char32_t ch = decodeUtf8(text, position);
        const Impl::Glyph g = impl_->glyph(ch);
        if (index > 0 && kerning)
            penX += static_cast<float>(stbtt_GetGlyphKernAdvance(info, previous, g.index)) * scale;

        // Far beyond any surface (a wild letter spacing): pixel boxes would no
        // longer fit in integers.
        if (!(std::fabs(penX) < 1.0e7f))
            break;
        const float fx = std::floor(penX);
        const float fy = std::floor(penY);
        const float xShift = quantiseToEighth(penX - fx);
        const float yShift = quantiseToEighth(penY - fy);

        box2i box{};
        if (g.hasBox) {
            box.min.x = static_cast<int>(std::floor(static_cast<float>(g.x0) * scale + xShift));
            box.min.y = static_cast<int>(std::floor(static_cast<float>(-g.y1) * scale + yShift));
            box.max.x = static_cast<int>(std::ceil(static_cast<float>(g.x1) * scale + xShift));
            box.max.y = static_cast<int>(std::ceil(static_cast<float>(-g.y0) * scale + yShift));
        }
        box = box.translate(static_cast<int>(fx), static_cast<int>(fy));
        callback(user, index, ch, box, scale, xShift, yShift);

        penX += static_cast<float>(g.advance) * scale + letterSpacing;
        previous = g.index;
        ++index;
    }
}

box2i Font::measureText(std::string_view text, float fontSizePx, float letterSpacing) const
{
    box2i area{};
    iterateCharacterPositions(text, fontSizePx, letterSpacing, 0.0f, 0.0f,
                              [&area](int index, char32_t, box2i position, float, float, float) {
                                  if (index == 0) {
                                      area = position;
                                      return;
                                  }
                                  area.min.x = std::min(area.min.x, position.min.x);
                                  area.min.y = std::min(area.min.y, position.min.y);
                                  area.max.x = std::max(area.max.x, position.max.x);
                                  area.max.y = std::max(area.max.y, position.max.y);
                              });
    return area;
}

} // namespace vf
