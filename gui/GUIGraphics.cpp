// The GUI root: its context, thread pool, compositor, maps and buffers, opening
// and closing its window, and the size rules (the redraw itself is in
// GUIRedrawPipeline.cpp, the window's calls in GUIWindowListener.hpp).
#include "gui/GUIGraphics.hpp"

#include "client/IClient.hpp"
#include "core/OutOfMemory.hpp"
#include "core/ThreadPool.hpp"
#include "gui/PBRCompositor.hpp"
#include "gui/UIContext.hpp"
#include "gui/GUIWindowListener.hpp"
#include "gui/WindowMaker.hpp"
#include "window/IWindow.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vf {

namespace {

constexpr int diffuseMaxLevel = 4; // five levels
constexpr int depthMaxLevel = 3;   // four levels

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

} // namespace

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
    IWindow* window = makeWindow(WindowUsage::plugin, parentWindow, windowListener_, userWidth_, userHeight_);
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
    if (windowIsRaw_)
        return rawBuffer_.toRef();
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

    windowIsRaw_ = cw == width && ch == height && !rawBuffer_.empty();
    if (windowIsRaw_) {
        std::free(windowBuffer_);
        windowBuffer_ = nullptr;
    } else if (windowChanged || windowBuffer_ == nullptr) {
        std::free(windowBuffer_);
        windowBuffer_ = allocateWindowBuffer(width, height);
    }
    return windowBuffer();
}

} // namespace vf
