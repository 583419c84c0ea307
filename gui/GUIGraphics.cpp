#include "gui/GUIGraphics.hpp"

#include "client/IClient.hpp"
#include "core/OutOfMemory.hpp"
#include "core/ThreadPool.hpp"
#include "gui/AreaLists.hpp"
#include "gui/PBRCompositor.hpp"
#include "gui/UIContext.hpp"
#include "gui/ZOrderSort.hpp"
#include "window/IWindowListener.hpp"
#include "window/X11Window.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <emmintrin.h>

namespace vf {

namespace {

constexpr int tileSize = 64;
constexpr int diffuseMaxLevel = 4; // five levels
constexpr int depthMaxLevel = 3;   // four levels

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

template <typename T>
void clearImage(OwnedImage<T>& image)
{
    for (int y = 0; y < image.height(); ++y)
        std::memset(static_cast<void*>(image.scanline(y)), 0, sizeof(T) * static_cast<size_t>(image.width()));
}

uint8_t* allocateWindowBuffer(int width, int height)
{
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    bytes = (bytes + 15) / 16 * 16;
    if (bytes == 0)
        bytes = 16;
    void* p = std::aligned_alloc(16, bytes);
    if (p == nullptr)
        onOutOfMemory();
    return static_cast<uint8_t*>(p);
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

// Receives the window's calls; window coordinates become content coordinates.
// Event and timer threads, under the window's draw lock (and its dirty-area lock
// for the dirty and draw calls); onMouseExitedWindow and getMouseCursor come
// without a lock and only touch the context's atomic references.
class GUIGraphics::WindowListener final : public IWindowListener {
public:
    explicit WindowListener(GUIGraphics* root) : root_(root) {}

    bool onMouseClick(int x, int y, MouseButton button, bool isDoubleClick, MouseState state) override
    {
        const vec2i p = toContent(x, y);
        const bool taken = root_->mouseClick(p.x, p.y, static_cast<int>(button), isDoubleClick, state);
        UIContext* c = root_->context_;
        if (!taken && c->focused() != nullptr) {
            UIElement* focused = c->focused();
            c->setFocused(nullptr);
            focused->onFocusExit();
        }
        return taken;
    }

    bool onMouseRelease(int, int, MouseButton, MouseState) override
    {
        stopDrag();
        return true;
    }

    bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState state) override
    {
        const vec2i p = toContent(x, y);
        if (UIElement* dragged = root_->context_->dragged()) {
            const box2i pos = dragged->position();
            if (dragged->onMouseWheel(p.x - pos.min.x, p.y - pos.min.y, wheelDeltaX, wheelDeltaY, state))
                return true;
        }
        return root_->mouseWheel(p.x, p.y, wheelDeltaX, wheelDeltaY, state);
    }

    void onMouseMove(int x, int y, int dx, int dy, MouseState state) override
    {
        const vec2i p = toContent(x, y);
        const bool found = root_->mouseMove(p.x, p.y, dx, dy, state, false);
        if (!found)
            clearMouseOver();
    }

    bool onKeyDown(Key key) override
    {
        if (UIElement* focused = root_->context_->focused())
            if (focused->onKeyDown(key))
                return true;
        return root_->keyDown(key);
    }

    bool onKeyUp(Key key) override
    {
        if (UIElement* focused = root_->context_->focused())
            if (focused->onKeyUp(key))
                return true;
        return root_->keyUp(key);
    }

    void onDraw(WindowPixelFormat format) override { root_->doDraw(format); }
    ImageRef<RGBA> onResized(int width, int height) override { return root_->doResize(width, height); }
    void recomputeDirtyAreas() override { root_->recomputeDirtyAreas(); }
    box2i getDirtyRectangle() override { return root_->getDirtyRectangle(); }
    void onMouseCaptureCancelled() override { stopDrag(); }
    void onMouseExitedWindow() override { clearMouseOver(); }
    void onAnimate(double dt, double time) override { root_->animate(dt, time); }

    MouseCursor getMouseCursor() override
    {
        UIContext* c = root_->context_;
        if (UIElement* dragged = c->dragged())
            return dragged->cursorWhenDragged();
        if (UIElement* over = c->mouseOver())
            return over->cursorWhenMouseOver();
        return MouseCursor::arrow;
    }

private:
    vec2i toContent(int x, int y) const
    {
        return {x - root_->letterboxArea_.min.x, y - root_->letterboxArea_.min.y};
    }

    void stopDrag()
    {
        UIContext* c = root_->context_;
        if (UIElement* dragged = c->dragged()) {
            dragged->onStopDrag();
            c->setDragged(nullptr);
        }
    }

    void clearMouseOver()
    {
        UIContext* c = root_->context_;
        if (UIElement* over = c->mouseOver()) {
            over->onMouseExit();
            c->setMouseOver(nullptr);
        }
    }

    GUIGraphics* root_;
};

GUIGraphics::GUIGraphics(const SizeConstraints& sizeConstraints, uint32_t flags)
    : UIElement(nullptr, flags), sizeConstraints_(sizeConstraints)
{
    context_ = new UIContext(this);
    setContext(context_);
    windowListener_ = new WindowListener(this);
    windowWidth_ = contentWidth_ = userWidth_ = sizeConstraints_.defaultWidth;
    windowHeight_ = contentHeight_ = userHeight_ = sizeConstraints_.defaultHeight;
    threadPool_ = new ThreadPool(0, 2, 0);
    // The compositor is built on first use rather than here: a virtual call from
    // this constructor could never reach a derived root's buildCompositor.
}

ICompositor* GUIGraphics::compositor()
{
    if (compositor_ == nullptr) {
        CompositorCreationContext creation;
        creation.threadPool = threadPool_;
        compositor_ = buildCompositor(&creation);
    }
    return compositor_;
}

GUIGraphics::~GUIGraphics()
{
    // Only the window goes here: derived parts of the editor are already gone,
    // so no element callback is made.
    delete window_.exchange(nullptr);
    // Children may still use the context while they go.
    destroyChildren();
    delete context_;
    context_ = nullptr;
    setContext(nullptr);
    delete threadPool_;
    delete compositor_;
    delete windowListener_;
    std::free(windowBuffer_);
}

ICompositor* GUIGraphics::buildCompositor(CompositorCreationContext* context)
{
    return new PBRCompositor(context);
}

IWindowListener* GUIGraphics::windowListener() const
{
    return windowListener_;
}

void* GUIGraphics::openUI(void* parentWindow, void*, IClient* client, GraphicsBackend backend)
{
    if (static_cast<int32_t>(backend) < 0 || static_cast<int32_t>(backend) > 4)
        std::abort(); // not a backend value of this framework
    // A second open without a close would leave the first window running.
    closeUI();
    client_ = client;
    const box2i whole{{0, 0}, {contentWidth_, contentHeight_}};
    if (!(position() == whole))
        setPosition(whole);
    setDirtyWhole(UILayer::everyLayer);
    // A new window shows nothing yet: its first frame must put the borders too,
    // also when it opens at the size the previous one had.
    wholeWindowDirty_ = true;
    if (backend != GraphicsBackend::automatic && backend != GraphicsBackend::x11) {
        client_ = nullptr;
        return nullptr;
    }
    // At the size the user chose, not at that of a host window the last one filled.
    IWindow* window = X11Window::create(WindowUsage::plugin, parentWindow, windowListener_, userWidth_, userHeight_);
    window_ = window;
    if (window == nullptr) {
        client_ = nullptr;
        return nullptr;
    }
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    sizeConstraints_.getValidSizeRange(&minWidth, &minHeight, &maxWidth, &maxHeight);
    window->setLargestSize(maxWidth, maxHeight);
    return window->systemHandle();
}

void GUIGraphics::closeUI()
{
    IWindow* window = window_.exchange(nullptr);
    const bool wasOpen = window != nullptr;
    delete window; // joins the window's threads: no event is in flight after this
    client_ = nullptr;
    if (wasOpen) {
        // No release will ever come from the closed window: end a drag in progress
        // (a widget closes its host gesture there) and forget the hover.
        if (UIElement* dragged = context_->dragged()) {
            context_->setDragged(nullptr);
            dragged->onStopDrag();
        }
        if (UIElement* over = context_->mouseOver()) {
            context_->setMouseOver(nullptr);
            over->onMouseExit();
        }
    }
}

void GUIGraphics::getGUISize(int* width, int* height)
{
    *width = windowWidth_;
    *height = windowHeight_;
}

bool GUIGraphics::isResizeable()
{
    return sizeConstraints_.isResizable();
}

void GUIGraphics::getMaxSmallerValidSize(int* width, int* height)
{
    sizeConstraints_.getMaxSmallerValidSize(width, height);
}

void GUIGraphics::getNearestValidSize(int* width, int* height)
{
    sizeConstraints_.getNearestValidSize(width, height);
}

// The host now shows an area of width x height for the editor: the window takes
// all of it, so that nothing of the host shows through, and the content becomes
// the largest valid size that fits, centred on the border colour (doResize).
bool GUIGraphics::nativeWindowResize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    userWidth_ = width;
    userHeight_ = height;
    int cw = width, ch = height;
    getMaxSmallerValidSize(&cw, &ch);
    if (width == windowWidth_ && height == windowHeight_ && cw == contentWidth_ && ch == contentHeight_)
        return true;
    if (IWindow* window = window_.load())
        return window->requestResize(width, height, false);
    return false;
}

void GUIGraphics::setUpdateMargin(int margin)
{
    updateMargin_ = margin;
}

ImageRef<RGBA> GUIGraphics::windowBuffer() const
{
    ImageRef<RGBA> r;
    r.width = windowWidth_;
    r.height = windowHeight_;
    r.pitch = static_cast<std::ptrdiff_t>(windowWidth_) * 4;
    r.pixels = reinterpret_cast<RGBA*>(windowBuffer_);
    return r;
}

ImageRef<RGBA> GUIGraphics::doResize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    bool windowChanged = width != windowWidth_ || height != windowHeight_;
    windowWidth_ = width;
    windowHeight_ = height;

    int cw = std::min(width, userWidth_.load());
    int ch = std::min(height, userHeight_.load());
    getMaxSmallerValidSize(&cw, &ch);
    bool contentChanged = cw != contentWidth_ || ch != contentHeight_;
    contentWidth_ = cw;
    contentHeight_ = ch;

    if (firstResizePending_) {
        firstResizePending_ = false;
        windowChanged = contentChanged = true;
    }

    if (windowChanged || contentChanged) {
        int x0 = 0, w = width, y0 = 0, h = height;
        if (width >= cw) {
            x0 = (width - cw) / 2;
            w = cw;
        }
        if (height >= ch) {
            y0 = (height - ch) / 2;
            h = ch;
        }
        letterboxArea_ = box2i::rectangle(x0, y0, w, h);
        wholeWindowDirty_ = true;
        if (contentChanged)
            litUpdateAreas_.pushBack(box2i{{0, 0}, {cw, ch}});
        recomputePurelyDerivedRectangles();
    }

    const box2i whole{{0, 0}, {cw, ch}};
    if (!(position() == whole))
        setPosition(whole);

    compositor()->resizeBuffers(cw, ch, tileSize, tileSize);

    // The maps and content buffers keep their pixels while the content size
    // stays: a window-only resize recopies the whole content from rawBuffer.
    if (contentChanged || rawBuffer_.empty()) {
        diffuseMap_.size(diffuseMaxLevel, cw, ch);
        depthMap_.size(depthMaxLevel, cw, ch);
        // Level 0 carries a one-pixel border so that edge pixels have neighbours.
        depthMap_.level(0).size(cw, ch, 1, 2);
        materialMap_.size(0, cw, ch);
        compositedBuffer_.size(cw, ch, 0, 0, 16);
        rawBuffer_.size(cw, ch, 0, 3, 16);
        // Areas no lit element paints are composited too: give them defined
        // contents rather than whatever the allocator left.
        clearImage(diffuseMap_.level(0));
        clearImage(depthMap_.level(0));
        clearImage(materialMap_.level(0));
    }

    if (windowChanged || windowBuffer_ == nullptr) {
        std::free(windowBuffer_);
        windowBuffer_ = allocateWindowBuffer(width, height);
    }
    return windowBuffer();
}

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
    copyList(compositeAreas_, temp_);
    compositeAreasDisjoint_.clearContents();
    removeOverlappingAreas(temp_, compositeAreasDisjoint_);

    copyList(compositeAreas_, redrawAreas_);
    for (const box2i& r : rawUpdateAreas_)
        redrawAreas_.pushBack(r);
    copyList(redrawAreas_, temp_);
    redrawAreasDisjoint_.clearContents();
    removeOverlappingAreas(temp_, redrawAreasDisjoint_);

    displayAreas_.clearContents();
    for (const box2i& r : redrawAreas_) {
        const box2i moved =
            r.translate(letterboxArea_.min.x, letterboxArea_.min.y).intersection(letterboxArea_);
        if (!moved.empty())
            displayAreas_.pushBack(moved);
    }
    copyList(displayAreas_, temp_);
    displayAreasDisjoint_.clearContents();
    removeOverlappingAreas(temp_, displayAreasDisjoint_);

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
    if (fillBordersPending_) {
        const RGBA border = windowPixelOf(borderColor_, format);
        for (int y = 0; y < window.height; ++y) {
            RGBA* row = window.scanline(y);
            for (int x = 0; x < window.width; ++x)
                row[x] = border;
        }
        fillBordersPending_ = false;
        wholeWindowDirty_ = false;
        copyRect(letterboxArea_);
    } else {
        for (const box2i& r : displayAreasDisjoint_)
            copyRect(r);
    }
}

void GUIGraphics::doDraw(WindowPixelFormat format)
{
    recomputeDrawLists();
    redrawElementsPBR();
    regenerateMipmaps();
    compositeGUI(compositedBuffer_.toRef());
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
