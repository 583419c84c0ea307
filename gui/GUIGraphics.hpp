#pragma once
#include "client/IGraphics.hpp"
#include "core/GrowableArray.hpp"
#include "graphics/Mipmap.hpp"
#include "graphics/OwnedImage.hpp"
#include "gui/ICompositor.hpp"
#include "gui/SizeConstraints.hpp"
#include "gui/UIElement.hpp"
#include "window/IWindowListener.hpp"
#include "window/WindowTypes.hpp"

#include <atomic>

namespace vf {

class IClient;
class IWindow;
class ThreadPool;
class UIContext;

// The root element of an editor and the editor as its format adapter sees it.
// It owns the element tree's context, the thread pool, the compositor, the lit
// layer maps, the pixel buffers and the native window, and turns dirty areas into
// pixels: lit elements into maps, maps through the compositor, raw elements on
// top, then the content centred (letterboxed) into the window's buffer.
//
// Threads: IGraphics calls come from the host's UI thread.  The window calls the
// listener (and through it every pipeline step below) on its event and timer
// threads, holding its draw and dirty-area locks; with no window, tests and
// benchmarks may drive the same steps from one thread.
class GUIGraphics : public UIElement, public IGraphics {
public:
    // Host UI thread.  flags are the root's element flags.
    GUIGraphics(const SizeConstraints& sizeConstraints, uint32_t flags);
    ~GUIGraphics() override;

    // Builds the lit-layer compositor, once, on first use (event or UI thread).
    virtual ICompositor* buildCompositor(CompositorCreationContext* context);

    // IGraphics, host UI thread.  openUI returns null (and stays closed) when no
    // window can be created, e.g. without a display.
    void* openUI(void* parentWindow, void* controlInfo, IClient* client, GraphicsBackend backend) override;
    void closeUI() override;
    void getGUISize(int* width, int* height) override;
    bool isResizeable() override;
    void getMaxSmallerValidSize(int* width, int* height) override;
    void getNearestValidSize(int* width, int* height) override;
    bool nativeWindowResize(int width, int height) override;

    // How far around a lit-layer change lighting is recomputed.  Event or UI thread.
    virtual void setUpdateMargin(int margin);
    // What the window shows around the content when the host gives it more room
    // (opaque black unless the editor says otherwise).  UI thread, before opening.
    void setBorderColor(RGBA color) { borderColor_ = color; }
    // A root that paints every pixel of every area it is asked to redraw on the raw
    // layer (a background copied, not blended) makes the lit result under it
    // invisible: frames then skip restoring it.
    void setRawLayerCoversContent(bool covers) { rawLayerCoversContent_ = covers; }
    RGBA borderColor() const { return borderColor_; }

    // Redraw pipeline: window threads, under the window's locks.
    virtual void recomputeDrawLists();
    virtual void doDraw(WindowPixelFormat format);
    virtual void recomputeDirtyAreas();
    virtual void recomputePurelyDerivedRectangles();
    // Returns the window buffer that the window shows (valid until the next call).
    virtual ImageRef<RGBA> doResize(int width, int height);
    virtual void redrawElementsRaw();
    virtual void redrawElementsPBR();
    virtual void compositeGUI(ImageRef<RGBA> target);
    virtual void regenerateMipmaps();
    virtual void reorderComponents(WindowPixelFormat format);
    virtual void resizeContent(WindowPixelFormat format);

    // Window pixels: the area to repaint (empty if none).
    box2i getDirtyRectangle();
    // Window pixels the last doDraw wrote, disjoint.
    std::span<const box2i> drawnWindowAreas() const;

    // The object that receives the window's calls (also usable without a window).
    IWindowListener* windowListener() const;
    UIContext* uiContext() const { return context_; }
    const SizeConstraints& sizeConstraints() const { return sizeConstraints_; }
    IClient* client() const { return client_; }
    IWindow* window() const { return window_; }
    ThreadPool* threadPool() const { return threadPool_; }
    // Built by buildCompositor on first use (at the latest by the first resize).
    ICompositor* compositor();

    int windowWidth() const { return windowWidth_; }
    int windowHeight() const { return windowHeight_; }
    int contentWidth() const { return contentWidth_; }
    int contentHeight() const { return contentHeight_; }
    int updateMargin() const { return updateMargin_; }
    box2i letterboxArea() const { return letterboxArea_; }
    ImageRef<RGBA> windowBuffer() const;
    ImageRef<RGBA> rawBuffer() const { return rawBuffer_.toRef(); }
    ImageRef<RGBA> compositedBuffer() const { return compositedBuffer_.toRef(); }
    const GrowableArray<box2i>& compositeAreasDisjoint() const { return compositeAreasDisjoint_; }
    const GrowableArray<box2i>& compositeTiles() const { return compositeTiles_; }
    const GrowableArray<box2i>& redrawAreasDisjoint() const { return redrawAreasDisjoint_; }
    const GrowableArray<box2i>& displayAreasDisjoint() const { return displayAreasDisjoint_; }
    const GrowableArray<UIElement*>& rawDrawList() const { return rawDrawList_; }
    const GrowableArray<UIElement*>& litDrawList() const { return litDrawList_; }

    class WindowListener;

private:
    friend class UIContext;
    static constexpr int tileSize = 64; // the compositor's tiles, at most this square
    void clipAndMakeDisjoint(GrowableArray<box2i>& list);
    // to = the area of `from` as disjoint rectangles; `from` stays as it is.
    void makeDisjoint(const GrowableArray<box2i>& from, GrowableArray<box2i>& to);

    IClient* client_ = nullptr;
    ICompositor* compositor_ = nullptr;
    UIContext* context_ = nullptr;
    WindowListener* windowListener_ = nullptr;
    // Set on the host's UI thread while the new window's threads may already ask
    // for it (a resize request): atomic.
    std::atomic<IWindow*> window_{nullptr};
    ThreadPool* threadPool_ = nullptr;
    SizeConstraints sizeConstraints_;
    // Written on the event thread by resizes, read by the host's UI thread too.
    std::atomic<int> windowWidth_{0};
    std::atomic<int> windowHeight_{0};
    std::atomic<int> contentWidth_{0};
    std::atomic<int> contentHeight_{0};
    // The largest content the user (grip) or the host (its area) asked for: a host
    // window that does not shrink with the editor gets filled, but the content keeps
    // the size the user chose.  Written by the event thread and the host's UI thread.
    std::atomic<int> userWidth_{0};
    std::atomic<int> userHeight_{0};
    box2i letterboxArea_;
    bool firstResizePending_ = true;
    bool fillBordersPending_ = false;
    box2i drawnWholeWindow_; // empty unless the last draw wrote every window pixel
    bool wholeWindowDirty_ = false;

    GrowableArray<box2i> rawUpdateAreas_;
    GrowableArray<box2i> litUpdateAreas_;
    GrowableArray<box2i> temp_;
    GrowableArray<box2i> updateRectScratch_;  // mipmap work: diffuse
    GrowableArray<box2i> updateRectScratch2_; // mipmap work: depth
    GrowableArray<box2i> compositeAreas_;
    GrowableArray<box2i> compositeAreasDisjoint_;
    GrowableArray<box2i> compositeTiles_;
    GrowableArray<box2i> redrawAreas_;
    GrowableArray<box2i> redrawAreasDisjoint_;
    GrowableArray<box2i> displayAreas_;
    GrowableArray<box2i> displayAreasDisjoint_;

    GrowableArray<UIElement*> rawDrawList_;
    GrowableArray<UIElement*> litDrawList_;
    GrowableArray<UIElement*> drawListSortScratch_;

    int updateMargin_ = 20;
    RGBA borderColor_{0, 0, 0, 255};
    bool rawLayerCoversContent_ = false;
    Mipmap<RGBA> diffuseMap_;
    Mipmap<L16> depthMap_;
    Mipmap<RGBA> materialMap_;
    OwnedImage<RGBA> compositedBuffer_;
    OwnedImage<RGBA> rawBuffer_;
    uint8_t* windowBuffer_ = nullptr;
    // The content fills the window (no letterbox): the window shows the raw buffer
    // itself, which saves a copy of every frame and the buffer.
    bool windowIsRaw_ = false;
};

} // namespace vf
