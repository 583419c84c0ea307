#pragma once
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

#include <cstdint>
#include <map>

namespace vf {

// One rasterised glyph: a character at one scale and eighth-pixel offset.
struct GlyphKey {
    char32_t ch = 0;
    float scale = 0;
    float xShift = 0; // a multiple of 1/8 in [0, 1]
    float yShift = 0; // a multiple of 1/8 in [0, 1]

    // Ordered by scale, then yShift, then ch, then xShift.
    friend bool operator<(const GlyphKey& l, const GlyphKey& r)
    {
        if (l.scale != r.scale)
            return l.scale < r.scale;
        if (l.yShift != r.yShift)
            return l.yShift < r.yShift;
        if (l.ch != r.ch)
            return l.ch < r.ch;
        return l.xShift < r.xShift;
    }
};

// Draws the coverage of key's glyph into a width x height L8 bitmap of pitch width.
using GlyphRasterizeFunction = void (*)(const void* context, const GlyphKey& key, uint8_t* bitmap, int width,
                                        int height);

// Coverage bitmaps of the glyphs drawn so far. Entries are never evicted; they
// are freed with the cache. Not thread-safe: its font's lock guards it.
class GlyphCache {
public:
    GlyphCache(GlyphRasterizeFunction rasterize, const void* context);
    ~GlyphCache();
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // The width x height coverage of key, rasterised on first request. The view
    // stays valid until the cache is destroyed or the same key is asked for with
    // another size.
    ImageRef<L8> requestGlyph(const GlyphKey& key, int width, int height);

    size_t size() const { return entries_.size(); }
    bool contains(const GlyphKey& key) const { return entries_.count(key) != 0; }

private:
    struct Entry {
        uint8_t* bitmap = nullptr;
        int width = 0;
        int height = 0;
    };

    GlyphRasterizeFunction rasterize_;
    const void* context_;
    std::map<GlyphKey, Entry> entries_;
};

} // namespace vf
