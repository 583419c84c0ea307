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
    float penX = fractionalPosX;
    const float penY = fractionalPosY;
    char32_t previous = 0;
    int index = 0;
    size_t position = 0;
    while (position < text.size()) {
        const char32_t ch = decodeUtf8(text, position);
        if (index > 0)
            penX += static_cast<float>(stbtt_GetCodepointKernAdvance(info, static_cast<int>(previous),
                                                                     static_cast<int>(ch))) *
                    scale;

        // Far beyond any surface (a wild letter spacing): pixel boxes would no
        // longer fit in integers.
        if (!(std::fabs(penX) < 1.0e7f))
            break;
        const float fx = std::floor(penX);
        const float fy = std::floor(penY);
        const float xShift = quantiseToEighth(penX - fx);
        const float yShift = quantiseToEighth(penY - fy);

        box2i box{};
        int x0, y0, x1, y1;
        if (stbtt_GetCodepointBox(info, static_cast<int>(ch), &x0, &y0, &x1, &y1)) {
            box.min.x = static_cast<int>(std::floor(static_cast<float>(x0) * scale + xShift));
            box.min.y = static_cast<int>(std::floor(static_cast<float>(-y1) * scale + yShift));
            box.max.x = static_cast<int>(std::ceil(static_cast<float>(x1) * scale + xShift));
            box.max.y = static_cast<int>(std::ceil(static_cast<float>(-y0) * scale + yShift));
        }
        box = box.translate(static_cast<int>(fx), static_cast<int>(fy));
        callback(user, index, ch, box, scale, xShift, yShift);

        int advance, leftSideBearing;
        stbtt_GetCodepointHMetrics(info, static_cast<int>(ch), &advance, &leftSideBearing);
        penX += static_cast<float>(advance) * scale + letterSpacing;
        previous = ch;
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
