#include "gui/UIElement.hpp"

#include "gui/UIContext.hpp"
#include "gui/ZOrderSort.hpp"

#include <cstdlib>
#include <cstring>

namespace vf {

UIElement::UIElement(UIContext* context, uint32_t flags) : flags_(flags), context_(context) {}

UIElement::~UIElement()
{
    destroyChildren();
}

void UIElement::destroyChildren()
{
    for (UIElement* child : children_)
        delete child;
    children_.clearContents();
}

void UIElement::reflow() {}
bool UIElement::onMouseClick(int, int, int, bool, MouseState) { return false; }
bool UIElement::onMouseWheel(int, int, int, int, MouseState) { return false; }
void UIElement::onMouseMove(int, int, int, int, MouseState) {}
void UIElement::onBeginDrag() {}
void UIElement::onMouseDrag(int, int, int, int, MouseState) {}
void UIElement::onStopDrag() {}
void UIElement::onMouseEnter() {}
void UIElement::onMouseExit() {}
void UIElement::onFocusEnter() {}
void UIElement::onFocusExit() {}
bool UIElement::onKeyDown(Key) { return false; }
bool UIElement::onKeyUp(Key) { return false; }

bool UIElement::contains(int x, int y) const
{
    // Unsigned: negative coordinates are outside.
    const box2i p = position();
    return static_cast<unsigned>(x) < static_cast<unsigned>(p.width())
           && static_cast<unsigned>(y) < static_cast<unsigned>(p.height());
}

void UIElement::animate(double dt, double time)
{
    if (flags_ & animatedFlag)
        onAnimate(dt, time);
    for (UIElement* child : children_)
        child->animate(dt, time);
}

void UIElement::setDirtyWhole(UILayer layer)
{
    const box2i p = position();
    setDirty(box2i{{0, 0}, {p.width(), p.height()}}, layer);
}

void UIElement::setDirty(box2i rect, UILayer layer)
{
    if (context_ == nullptr)
        return;
    DirtyRectList* list = nullptr;
    switch (layer) {
    case UILayer::fromFlags:
        if (flags_ & litLayerFlag)
            list = &context_->litDirtyList();
        else if (flags_ & rawLayerFlag)
            list = &context_->rawDirtyList();
        break;
    case UILayer::rawLayer:
        list = &context_->rawDirtyList();
        break;
    case UILayer::everyLayer:
        list = &context_->litDirtyList();
        break;
    default:
        std::abort(); // a layer value from nowhere: a programming error
    }
    if (list != nullptr) {
        const box2i p = position();
        list->addRect(rect.translate(p.min.x, p.min.y));
    }
}

MouseCursor UIElement::cursorWhenDragged() const { return cursorWhenDragged_.load(std::memory_order_relaxed); }
void UIElement::setCursorWhenDragged(MouseCursor cursor) { cursorWhenDragged_.store(cursor, std::memory_order_relaxed); }
MouseCursor UIElement::cursorWhenMouseOver() const { return cursorWhenMouseOver_.load(std::memory_order_relaxed); }
void UIElement::setCursorWhenMouseOver(MouseCursor cursor) { cursorWhenMouseOver_.store(cursor, std::memory_order_relaxed); }

void UIElement::onDrawRaw(ImageRef<RGBA>, std::span<const box2i>) {}

void UIElement::onDrawPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                          std::span<const box2i> dirtyRects)
{
    const RGBA dark{0x64, 0x64, 0x64, 0};
    const RGBA light{0x96, 0x96, 0x96, 0};
    const RGBA material{0x80, 0x19, 0x80, 0xFF};
    for (const box2i& r : dirtyRects) {
        for (int y = r.min.y; y < r.max.y; ++y) {
            RGBA* diffuse = diffuseMap.scanline(y);
            L16* depth = depthMap.scanline(y);
            RGBA* mat = materialMap.scanline(y);
            for (int x = r.min.x; x < r.max.x; ++x) {
                diffuse[x] = ((x ^ y) & 8) ? dark : light;
                depth[x] = L16{15000};
                mat[x] = material;
            }
        }
    }
}

void UIElement::onAnimate(double, double) {}

void UIElement::rebuildZOrderedChildren()
{
    zOrderedChildren_.clearContents();
    for (UIElement* child : children_)
        zOrderedChildren_.pushBack(child);
    stableSortByZOrder(zOrderedChildren_, context_->sortScratch(), true);
}

bool UIElement::mouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate)
{
    if (context_ == nullptr)
        return false; // not part of an editor
    rebuildZOrderedChildren();
    // The sorted list is read only after the recursion into a child: each level
    // owns its own list, only the sort scratch is shared.
    const int n = zOrderedChildren_.length();
    int i = 0;
    for (; i < n && zOrderedChildren_[i]->zOrder_ >= zOrder_; ++i)
        if (zOrderedChildren_[i]->mouseClick(x, y, button, isDoubleClick, mstate))
            return true;

    const box2i p = position();
    const int lx = x - p.min.x;
    const int ly = y - p.min.y;
    if (visibilityStatus_ && contains(lx, ly) && onMouseClick(lx, ly, button, isDoubleClick, mstate)) {
        if (UIElement* previous = context_->dragged()) {
            previous->onStopDrag();
            context_->setDragged(nullptr);
        }
        context_->setDragged(this);
        onBeginDrag();
        UIElement* focused = context_->focused();
        if (focused != this) {
            context_->setFocused(this);
            if (focused != nullptr)
                focused->onFocusExit();
            onFocusEnter();
        }
        return true;
    }

    for (; i < n; ++i)
        if (zOrderedChildren_[i]->mouseClick(x, y, button, isDoubleClick, mstate))
            return true;
    return false;
}

bool UIElement::mouseWheel(int x, int y, int wheelDeltaX, int wheelDeltaY, MouseState mstate)
{
    if (context_ == nullptr)
        return false;
    rebuildZOrderedChildren();
    const int n = zOrderedChildren_.length();
    int i = 0;
    for (; i < n && zOrderedChildren_[i]->zOrder_ >= zOrder_; ++i)
        if (zOrderedChildren_[i]->mouseWheel(x, y, wheelDeltaX, wheelDeltaY, mstate))
            return true;

    const box2i p = position();
    const int lx = x - p.min.x;
    const int ly = y - p.min.y;
    if (visibilityStatus_ && contains(lx, ly) && onMouseWheel(lx, ly, wheelDeltaX, wheelDeltaY, mstate))
        return true;

    for (; i < n; ++i)
        if (zOrderedChildren_[i]->mouseWheel(x, y, wheelDeltaX, wheelDeltaY, mstate))
            return true;
    return false;
}

bool UIElement::mouseMove(int x, int y, int dx, int dy, MouseState mstate, bool alreadyFoundMouseOver)
{
    if (context_ == nullptr)
        return alreadyFoundMouseOver;
    rebuildZOrderedChildren();
    bool found = alreadyFoundMouseOver;
    const int n = zOrderedChildren_.length();
    int i = 0;
    for (; i < n && zOrderedChildren_[i]->zOrder_ >= zOrder_; ++i)
        found = zOrderedChildren_[i]->mouseMove(x, y, dx, dy, mstate, found) || found;

    const box2i p = position();
    const int lx = x - p.min.x;
    const int ly = y - p.min.y;
    if (context_->dragged() == this)
        onMouseDrag(lx, ly, dx, dy, mstate);

    if (visibilityStatus_ && contains(lx, ly)) {
        if (!found) {
            found = true;
            UIElement* over = context_->mouseOver();
            if (over != this) {
                if (over != nullptr)
                    over->onMouseExit();
                context_->setMouseOver(this);
                onMouseEnter();
            }
        }
        onMouseMove(lx, ly, dx, dy, mstate);
    }

    for (; i < n; ++i)
        found = zOrderedChildren_[i]->mouseMove(x, y, dx, dy, mstate, found) || found;
    return found;
}

bool UIElement::keyDown(Key key)
{
    if (onKeyDown(key))
        return true;
    for (UIElement* child : children_)
        if (child->keyDown(key))
            return true;
    return false;
}

bool UIElement::keyUp(Key key)
{
    if (onKeyUp(key))
        return true;
    for (UIElement* child : children_)
        if (child->keyUp(key))
            return true;
    return false;
}

void UIElement::getDrawLists(GrowableArray<UIElement*>& rawList, GrowableArray<UIElement*>& litList)
{
    if (!visibilityStatus_)
        return;
    if (flags_ & rawLayerFlag)
        rawList.pushBack(this);
    if (flags_ & litLayerFlag)
        litList.pushBack(this);
    for (UIElement* child : children_)
        child->getDrawLists(rawList, litList);
}

namespace {

// The part of position inside the map, and the areas that meet it moved into its
// local coordinates.
box2i clipToMap(const box2i& position, int mapWidth, int mapHeight)
{
    return position.intersection(box2i{{0, 0}, {mapWidth, mapHeight}});
}

void localAreas(const box2i& vp, std::span<const box2i> areas, GrowableArray<box2i>& out)
{
    out.clearContents();
    for (const box2i& a : areas) {
        const box2i inter = a.intersection(vp);
        if (!inter.empty())
            out.pushBack(inter.translate(-vp.min.x, -vp.min.y));
    }
}

} // namespace

void UIElement::renderRaw(ImageRef<RGBA> rawMap, std::span<const box2i> areas)
{
    const box2i vp = clipToMap(position(), rawMap.width, rawMap.height);
    if (vp.empty())
        return;
    localAreas(vp, areas, localRectsBuffer_);
    if (!localRectsBuffer_.empty())
        onDrawRaw(rawMap.crop(vp), {localRectsBuffer_.data(), static_cast<size_t>(localRectsBuffer_.length())});
}

void UIElement::renderPBR(ImageRef<RGBA> diffuseMap, ImageRef<L16> depthMap, ImageRef<RGBA> materialMap,
                          std::span<const box2i> areas)
{
    const box2i vp = clipToMap(position(), diffuseMap.width, diffuseMap.height);
    if (vp.empty())
        return;
    localAreas(vp, areas, localRectsBuffer_);
    if (!localRectsBuffer_.empty())
        onDrawPBR(diffuseMap.crop(vp), depthMap.crop(vp), materialMap.crop(vp),
                  {localRectsBuffer_.data(), static_cast<size_t>(localRectsBuffer_.length())});
}

UIElement* UIElement::getElementById(const char* id)
{
    if (id == nullptr)
        return nullptr;
    if (std::strcmp(id_, id) == 0)
        return this;
    for (UIElement* child : children_)
        if (UIElement* found = child->getElementById(id))
            return found;
    return nullptr;
}

void UIElement::recomputeVisibilityStatus(bool parentVisible)
{
    const bool status = visible_ && parentVisible;
    if (status == visibilityStatus_)
        return;
    visibilityStatus_ = status;
    setDirtyWhole(UILayer::fromFlags);
    for (UIElement* child : children_)
        child->recomputeVisibilityStatus(status);
}

void UIElement::addChild(UIElement* child)
{
    child->parent_ = this;
    children_.pushBack(child);
    child->recomputeVisibilityStatus(visibilityStatus_);
}

void UIElement::setPosition(box2i p)
{
    if (p == position())
        return;
    setDirtyWhole();
    position_.store(p);
    setDirtyWhole();
    reflow();
}

void UIElement::setVisible(bool visible)
{
    visible_ = visible;
    recomputeVisibilityStatus(parent_ != nullptr ? parent_->visibilityStatus_ : true);
}

void UIElement::setId(const char* id)
{
    if (id == nullptr)
        id = "";
    std::strncpy(id_, id, sizeof(id_) - 1);
    id_[sizeof(id_) - 1] = 0;
}

} // namespace vf
