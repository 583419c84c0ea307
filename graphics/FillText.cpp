#include "graphics/Font.hpp"

#include <cmath>

namespace vf {

namespace {

struct FillTextJob {
    ImageRef<RGBA> surface;
    GlyphCache* cache;
    RGBA color;
    int originX;
    int originY;
};

// round((d * (255 - c) + t * c) / 255): coverage 0 keeps the destination and
// coverage 255 gives the text colour exactly.
inline uint8_t blendChannel(uint32_t d, uint32_t t, uint32_t c)
{
    const uint32_t x = d * (255 - c) + t * c + 128;
    return static_cast<uint8_t>((x + (x >> 8)) >> 8);
}

void drawCharacter(void* user, int, char32_t ch, box2i position, float scale, float xShift, float yShift)
{
    FillTextJob& job = *static_cast<FillTextJob*>(user);
    if (position.empty())
        return;
    const ImageRef<L8> glyph =
        job.cache->requestGlyph(GlyphKey{ch, scale, xShift, yShift}, position.width(), position.height());

    const box2i placed = position.translate(job.originX, job.originY);
    const box2i clipped = placed.intersection(job.surface.bounds());
    if (clipped.empty())
        return;

    const RGBA t = job.color;
    for (int y = clipped.min.y; y < clipped.max.y; ++y) {
        const L8* coverage = glyph.scanline(y - placed.min.y);
        RGBA* row = job.surface.scanline(y);
        for (int x = clipped.min.x; x < clipped.max.x; ++x) {
            const uint32_t c = coverage[x - placed.min.x].l;
            RGBA& d = row[x];
            d.r = blendChannel(d.r, t.r, c);
            d.g = blendChannel(d.g, t.g, c);
            d.b = blendChannel(d.b, t.b, c);
            d.a = t.a;
        }
    }
}

// Positions beyond this many pixels cannot be turned into integer origins
// safely and are far outside any surface.
constexpr float positionLimit = 1.0e7f;

} // namespace

void fillText(ImageRef<RGBA> surface, Font& font, std::string_view text, float fontSizePx, float letterSpacing,
              RGBA textColor, float positionX, float positionY, HorizontalAlignment horizontalAlignment,
              VerticalAlignment verticalAlignment)
{
    MutexLock lock(font.mutex());

    if (text.empty() || surface.pixels == nullptr || surface.width <= 0 || surface.height <= 0)
        return;
    if (!(std::fabs(positionX) < positionLimit) || !(std::fabs(positionY) < positionLimit))
        return;

    const float floorX = std::floor(positionX);
    const float floorY = std::floor(positionY);
    int originX = static_cast<int>(floorX);
    int originY = static_cast<int>(floorY);

    const box2i area = font.measureText(text, fontSizePx, letterSpacing);
    if (horizontalAlignment == HorizontalAlignment::center)
        originX -= (area.min.x + area.max.x) / 2;
    if (verticalAlignment == VerticalAlignment::center)
        originY -= (area.min.y + area.max.y) / 2;

    FillTextJob job{surface, &font.glyphCache(), textColor, originX, originY};
    font.iterateCharacterPositions(text, fontSizePx, letterSpacing, positionX - floorX, positionY - floorY,
                                   &drawCharacter, &job);
}

} // namespace vf
