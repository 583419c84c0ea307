#pragma once
#include "core/Box2i.hpp"
#include "core/GrowableArray.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"
#include "gui/UILayer.hpp"
#include "window/WindowTypes.hpp"

#include <atomic>
#include <cstdint>
#include <span>

namespace vf {

class UIContext;

// Base of everything visible in the editor.  Positions are absolute content pixels
// (children share the root's space); event and drawing callbacks get coordinates
// local to position.min.  An element owns its children.
//
// Threads: events, layout, animation and draw-list building run on the window's
// event or timer thread under its draw lock; setDirty/setDirtyWhole may be called
// from any thread; renderRaw/renderPBR run on pool threads for non-overlapping
// elements.
class UIElement {
public:
    UIElement(UIContext* context, uint32_t flags);
    virtual ~UIElement();
    UIElement(const UIElement&) = delete;
    UIElement& operator=(const UIElement&) = delete;

    // Lays out the children; called after every size or position change.
    virtual void reflow();
    // Return true to take the click: the element then becomes dragged and focused.
    virtual bool onMouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate);
    virtual bool onMouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState mstate);
    virtual void onMouseMove(int x, int y, int dx, int dy, MouseState mstate);
    virtual void onBeginDrag();
    // Sent to the dragged element for every move, inside it or not.
    virtual void onMouseDrag(int x, int y, int dx, int dy, MouseState mstate);
    virtual void onStopDrag();
    virtual void onMouseEnter();
    virtual void onMouseExit();
    virtual void onFocusEnter();
    virtual void onFocusExit();
    virtual bool onKeyDown(Key key);
    virtual bool onKeyUp(Key key);
    // Hit test in local coordinates.
    virtual bool contains(int x, int y) const;
    // Sends onAnimate to animated elements of the whole tree, hidden ones included.
    virtual void animate(double dt, double time);
    // Any thread: only records the area in the context's dirty lists.
    virtual void setDirtyWhole(UILayer layer = UILayer::fromFlags);
    // Any thread; rect is in local coordinates.
    virtual void setDirty(box2i rect, UILayer layer = UILayer::fromFlags);
    virtual MouseCursor cursorWhenDragged() const;
    virtual void setCursorWhenDragged(MouseCursor cursor);
    virtual MouseCursor cursorWhenMouseOver() const;
    virtual void setCursorWhenMouseOver(MouseCursor cursor);
    // Pool thread: rawMap is cropped to the element, dirtyRects are local to it.
    virtual void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects);
    // Pool thread: the base paints an 8-pixel checkerboard placeholder.
    virtual void onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                           std::span<const box2i> dirtyRects);
    virtual void onAnimate(double dt, double time);

    // Event distribution; coordinates in content pixels.
    bool mouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate);
    bool mouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState mstate);
    bool mouseMove(int x, int y, int dx, int dy, MouseState mstate, bool alreadyFoundMouseOver);
    bool keyDown(Key key);
    bool keyUp(Key key);

    // Appends the visible elements of this subtree in pre-order.
    void getDrawLists(GrowableArray<UIElement*>& rawList, GrowableArray<UIElement*>& litList);
    // Pool thread: draws the parts of areas (content pixels) that this element covers.
    void renderRaw(ImageRef<RGBA> rawMap, std::span<const box2i> areas);
    void renderPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                   std::span<const box2i> areas);

    // Depth-first pre-order search; null when absent.
    UIElement* getElementById(const char* id);
    void recomputeVisibilityStatus(bool parentVisible);
    // Takes ownership of child.
    void addChild(UIElement* child);

    // Layout: does nothing when unchanged; otherwise repaints the old and the new
    // area and lets the element lay itself out again.
    void setPosition(box2i p);
    box2i position() const { return position_.load(); }
    int width() const { return position().width(); }
    int height() const { return position().height(); }

    uint32_t flags() const { return flags_; }
    int zOrder() const { return zOrder_; }
    void setZOrder(int z) { zOrder_ = z; }
    // Hidden elements and their subtrees get no pointer events and are not drawn.
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    bool visibilityStatus() const { return visibilityStatus_; }
    // Copies at most 127 bytes.
    void setId(const char* id);
    const char* id() const { return id_; }

    UIElement* parent() const { return parent_; }
    int childCount() const { return children_.length(); }
    UIElement* child(int i) const { return children_[i]; }
    UIContext* context() const { return context_; }

protected:
    // For a root that creates its context after the element base.
    void setContext(UIContext* context) { context_ = context; }
    void setFlags(uint32_t flags) { flags_ = flags; }
    // Destroys the children now, in array order (the destructor would do it last).
    void destroyChildren();

private:
    void rebuildZOrderedChildren();

    UIElement* parent_ = nullptr;
    // Written by layout on the event thread, read by repaint requests from any
    // thread: each corner is atomic.  A request racing a move may record a mix of
    // old and new corners, which is harmless: the move itself marks both areas.
    struct AtomicBox {
        std::atomic<int32_t> x0{0}, y0{0}, x1{0}, y1{0};
        box2i load() const
        {
            return {{x0.load(std::memory_order_relaxed), y0.load(std::memory_order_relaxed)},
                    {x1.load(std::memory_order_relaxed), y1.load(std::memory_order_relaxed)}};
        }
        void store(const box2i& b)
        {
            x0.store(b.min.x, std::memory_order_relaxed);
            y0.store(b.min.y, std::memory_order_relaxed);
            x1.store(b.max.x, std::memory_order_relaxed);
            y1.store(b.max.y, std::memory_order_relaxed);
        }
    };
    AtomicBox position_;
    GrowableArray<UIElement*> children_;
    uint32_t flags_ = 0;
    int32_t zOrder_ = 0;
    UIContext* context_ = nullptr;
    bool visible_ = true;
    bool visibilityStatus_ = true;
    GrowableArray<box2i> localRectsBuffer_;
    GrowableArray<UIElement*> zOrderedChildren_;
    // Read by the window's timer thread without a lock.
    std::atomic<MouseCursor> cursorWhenDragged_{MouseCursor::arrow};
    std::atomic<MouseCursor> cursorWhenMouseOver_{MouseCursor::arrow};
    char id_[128] = {};
};

} // namespace vf
