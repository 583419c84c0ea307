// The GUI root's redraw pipeline: dirty requests become the areas to recompute,
// then the draw lists, the lit layer and its compositor, the raw layer, the
// window's byte order and the copy into the window buffer.
#include "gui/GUIGraphics.hpp"

#include "core/ThreadPool.hpp"
#include "gui/AreaLists.hpp"
#include "gui/UIContext.hpp"
#include "gui/ZOrderSort.hpp"

#include <cstring>
#include <emmintrin.h>

namespace vf {
namespace {

void clipAll(GrowableArray<box2i>& list, const box2i& bounds)
{
    for (box2i& r : list)
        r = r.intersection(bounds);
}

void copyList(const GrowableArray<box2i>& from, GrowableArray<box2i>& to)
{
    to.clearContents();
    for (const box2i& r : from)
        to.pushBack(r);
}

// An opaque colour in the window's byte order.
RGBA windowPixelOf(RGBA c, WindowPixelFormat format)
{
    switch (format) {
    case WindowPixelFormat::BGRA8: return RGBA{c.b, c.g, c.r, 255};
    case WindowPixelFormat::ARGB8: return RGBA{255, c.r, c.g, c.b};
    default: return RGBA{c.r, c.g, c.b, 255};
    }
}

} // namespace

void GUIGraphics::recomputeDirtyAreas()
{
    context_->rawDirtyList().pullAllRectangles(rawUpdateAreas_);
    context_->litDirtyList().pullAllRectangles(litUpdateAreas_);
    recomputePurelyDerivedRectangles();
}

void GUIGraphics::clipAndMakeDisjoint(GrowableArray<box2i>& list)
{
    clipAll(list, box2i{{0, 0}, {contentWidth_, contentHeight_}});
    temp_.clearContents();
    removeOverlappingAreas(list, temp_);
    copyList(temp_, list);
}

void GUIGraphics::makeDisjoint(const GrowableArray<box2i>& from, GrowableArray<box2i>& to)
{
    copyList(from, temp_);
    to.clearContents();
    removeOverlappingAreas(temp_, to);
}

void GUIGraphics::recomputePurelyDerivedRectangles()
{
    const box2i content{{0, 0}, {contentWidth_, contentHeight_}};
    clipAndMakeDisjoint(rawUpdateAreas_);
    clipAndMakeDisjoint(litUpdateAreas_);

    compositeAreas_.clearContents();
    for (const box2i& r : litUpdateAreas_) {
        const box2i grown = r.grow(updateMargin_).intersection(content);
        if (!grown.empty())
            compositeAreas_.pushBack(grown);
    }
    makeDisjoint(compositeAreas_, compositeAreasDisjoint_);

    copyList(compositeAreas_, redrawAreas_);
    for (const box2i& r : rawUpdateAreas_)
        redrawAreas_.pushBack(r);
    makeDisjoint(redrawAreas_, redrawAreasDisjoint_);

    displayAreas_.clearContents();
    for (const box2i& r : redrawAreas_) {
        const box2i moved =
            r.translate(letterboxArea_.min.x, letterboxArea_.min.y).intersection(letterboxArea_);
        if (!moved.empty())
            displayAreas_.pushBack(moved);
    }
    makeDisjoint(displayAreas_, displayAreasDisjoint_);

    if (wholeWindowDirty_)
        fillBordersPending_ = true;
}

box2i GUIGraphics::getDirtyRectangle()
{
    box2i u{};
    for (const box2i& r : displayAreas_)
        u = u.expand(r);
    if (wholeWindowDirty_)
        return u.expand(box2i{{0, 0}, {windowWidth_, windowHeight_}});
    return u;
}

void GUIGraphics::recomputeDrawLists()
{
    rawDrawList_.clearContents();
    litDrawList_.clearContents();
    getDrawLists(rawDrawList_, litDrawList_);
    stableSortByZOrder(rawDrawList_, drawListSortScratch_, false);
    stableSortByZOrder(litDrawList_, drawListSortScratch_, false);
}

namespace {

// Below this many dirty pixels a frame is drawn on the calling thread: waking the
// workers and waiting for them costs more than the drawing (a knob and its label
// under automation, at sixty frames a second).
constexpr int64_t smallRedrawPixels = 256 * 256;

int64_t pixelCount(const GrowableArray<box2i>& areas)
{
    int64_t n = 0;
    for (const box2i& r : areas)
        n += static_cast<int64_t>(r.width()) * r.height();
    return n;
}

// Runs render(element) for the list in batches of elements whose positions do not
// meet: overlapping elements paint in list order, neighbours in parallel.  The
// elements touch disjoint pixels, so a small frame run in list order gives the
// same pixels.
template <typename Render>
void renderInBatches(ThreadPool* pool, GrowableArray<UIElement*>& list, bool small, Render&& render)
{
    const int n = list.length();
    if (small) {
        for (int i = 0; i < n; ++i)
            render(list[i]);
        return;
    }
    int s = 0;
    while (s < n) {
        int e = s + 1;
        while (e < n) {
            const box2i candidate = list[e]->position();
            bool conflict = false;
            for (int k = s; k < e && !conflict; ++k)
                conflict = candidate.intersects(list[k]->position());
            if (conflict)
                break;
            ++e;
        }
        auto task = [&](int item, int) { render(list[s + item]); };
        pool->parallelFor(e - s, task);
        s = e;
    }
}

} // namespace

void GUIGraphics::redrawElementsRaw()
{
    if (redrawAreasDisjoint_.empty())
        return;
    const ImageRef<RGBA> raw = rawBuffer_.toRef();
    const std::span<const box2i> areas{redrawAreasDisjoint_.data(), static_cast<size_t>(redrawAreasDisjoint_.length())};
    renderInBatches(threadPool_, rawDrawList_, pixelCount(redrawAreasDisjoint_) < smallRedrawPixels,
                    [&](UIElement* e) { e->renderRaw(raw, areas); });
}

void GUIGraphics::redrawElementsPBR()
{
    if (litUpdateAreas_.empty())
        return;
    const ImageRef<RGBA> diffuse = diffuseMap_.level(0).toRef();
    const ImageRef<L16> depth = depthMap_.level(0).toRef();
    const ImageRef<RGBA> material = materialMap_.level(0).toRef();
    const std::span<const box2i> areas{litUpdateAreas_.data(), static_cast<size_t>(litUpdateAreas_.length())};
    renderInBatches(threadPool_, litDrawList_, pixelCount(litUpdateAreas_) < smallRedrawPixels,
                    [&](UIElement* e) { e->renderPBR(diffuse, depth, material, areas); });
}

void GUIGraphics::regenerateMipmaps()
{
    if (litUpdateAreas_.empty())
        return;
    copyList(litUpdateAreas_, updateRectScratch_);
    copyList(litUpdateAreas_, updateRectScratch2_);

    for (int j = 1; j < diffuseMap_.numLevels(); ++j) {
        const Quality q = j == 1 ? Quality::boxAlphaCovIntoPremul : Quality::cubic;
        for (box2i& r : updateRectScratch_)
            r = diffuseMap_.generateNextLevel(q, r, j);
    }

    OwnedImage<L16>& depth0 = depthMap_.level(0);
    for (const box2i& r : updateRectScratch2_)
        depth0.replicateBordersTouching(r);
    for (int j = 1; j < depthMap_.numLevels(); ++j) {
        const Quality q = j <= 2 ? Quality::box : Quality::cubic;
        for (box2i& r : updateRectScratch2_)
            r = depthMap_.generateNextLevel(q, r, j);
    }
}

void GUIGraphics::compositeGUI(ImageRef<RGBA> target)
{
    compositeTiles_.clearContents();
    tileAreas(compositeAreasDisjoint_, tileSize, tileSize, compositeTiles_);
    compositor()->compositeTile(target, {compositeTiles_.data(), static_cast<size_t>(compositeTiles_.length())},
                               diffuseMap_, materialMap_, depthMap_);
}

namespace {

// RGBA -> BGRA with alpha 255, four pixels per step.
void swapRedBlueOpaque(RGBA* p, int n)
{
    const __m128i redBlue = _mm_set1_epi32(0x00FF00FF);
    const __m128i green = _mm_set1_epi32(0x0000FF00);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
        const __m128i rb = _mm_and_si128(v, redBlue); // each 32-bit lane: b << 16 | r
        const __m128i swapped = _mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + x), _mm_or_si128(swapped, _mm_or_si128(_mm_and_si128(v, green), opaque)));
    }
    for (; x < n; ++x)
        p[x] = RGBA{p[x].b, p[x].g, p[x].r, 255};
}

} // namespace

void GUIGraphics::reorderComponents(WindowPixelFormat format)
{
    if (format != WindowPixelFormat::BGRA8 && format != WindowPixelFormat::ARGB8
        && format != WindowPixelFormat::RGBA8)
        std::abort(); // not a pixel format of this framework
    for (const box2i& r : redrawAreasDisjoint_) {
        for (int y = r.min.y; y < r.max.y; ++y) {
            RGBA* p = rawBuffer_.scanline(y);
            switch (format) {
            case WindowPixelFormat::BGRA8:
                swapRedBlueOpaque(p + r.min.x, r.width());
                break;
            case WindowPixelFormat::ARGB8:
                for (int x = r.min.x; x < r.max.x; ++x)
                    p[x] = RGBA{255, p[x].r, p[x].g, p[x].b};
                break;
            case WindowPixelFormat::RGBA8:
                for (int x = r.min.x; x < r.max.x; ++x)
                    p[x].a = 255;
                break;
            }
        }
    }
}

void GUIGraphics::resizeContent(WindowPixelFormat format)
{
    const ImageRef<RGBA> window = windowBuffer();
    auto copyRect = [&](const box2i& r) {
        for (int y = r.min.y; y < r.max.y; ++y) {
            const RGBA* src = rawBuffer_.scanline(y - letterboxArea_.min.y) - letterboxArea_.min.x;
            std::memcpy(window.scanline(y) + r.min.x, src + r.min.x, sizeof(RGBA) * static_cast<size_t>(r.width()));
        }
    };
    const bool wholeWindow = fillBordersPending_;
    drawnWholeWindow_ = wholeWindow ? window.bounds() : box2i{};
    if (wholeWindow) {
        fillBordersPending_ = false;
        wholeWindowDirty_ = false;
    }
    if (windowIsRaw_) // the frame is already where the window reads it; no border
        return;
    if (wholeWindow) {
        const RGBA border = windowPixelOf(borderColor_, format);
        for (int y = 0; y < window.height; ++y) {
            RGBA* row = window.scanline(y);
            for (int x = 0; x < window.width; ++x)
                row[x] = border;
        }
        copyRect(letterboxArea_);
    } else {
        for (const box2i& r : displayAreasDisjoint_)
            copyRect(r);
    }
}

std::span<const box2i> GUIGraphics::drawnWindowAreas() const
{
    if (!drawnWholeWindow_.empty())
        return {&drawnWholeWindow_, 1};
    return {displayAreasDisjoint_.data(), static_cast<size_t>(displayAreasDisjoint_.length())};
}

void GUIGraphics::doDraw(WindowPixelFormat format)
{
    recomputeDrawLists();
    redrawElementsPBR();
    regenerateMipmaps();
    compositeGUI(compositedBuffer_.toRef());
    if (!rawLayerCoversContent_) // otherwise the raw layer's root overwrites it all
        for (const box2i& r : redrawAreasDisjoint_)
            for (int y = r.min.y; y < r.max.y; ++y)
                std::memcpy(rawBuffer_.scanline(y) + r.min.x, compositedBuffer_.scanline(y) + r.min.x,
                            sizeof(RGBA) * static_cast<size_t>(r.width()));
    redrawElementsRaw();
    reorderComponents(format);
    resizeContent(format);
    litUpdateAreas_.clearContents();
    rawUpdateAreas_.clearContents();
}

} // namespace vf
