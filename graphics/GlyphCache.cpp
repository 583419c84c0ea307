#include "graphics/GlyphCache.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdlib>
#include <cstring>

namespace vf {

GlyphCache::GlyphCache(GlyphRasterizeFunction rasterize, const void* context)
    : rasterize_(rasterize), context_(context)
{
}

GlyphCache::~GlyphCache()
{
    for (auto& [key, entry] : entries_)
        std::free(entry.bitmap);
}

ImageRef<L8> GlyphCache::requestGlyph(const GlyphKey& key, int width, int height)
{
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;

    auto found = entries_.find(key);
    if (found == entries_.end())
        found = entries_.emplace(key, Entry{}).first;
    Entry& entry = found->second;

    // The layout asks for one size per key; should another size ever come, the
    // stored bitmap would be read out of its bounds, so it is drawn again.
    if (entry.bitmap == nullptr || entry.width != width || entry.height != height) {
        std::free(entry.bitmap);
        const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height);
        entry.bitmap = static_cast<uint8_t*>(checkedMalloc(bytes));
        entry.width = width;
        entry.height = height;
        if (bytes != 0) {
            std::memset(entry.bitmap, 0, bytes);
            if (rasterize_ != nullptr)
                rasterize_(context_, key, entry.bitmap, width, height);
        }
    }

    ImageRef<L8> ref;
    ref.width = width;
    ref.height = height;
    ref.pitch = width;
    ref.pixels = reinterpret_cast<L8*>(entry.bitmap);
    return ref;
}

} // namespace vf
