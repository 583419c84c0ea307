#include "flatwidgets/UIWindowResizer.hpp"

#include "gui/UIContext.hpp"

namespace vf {

UIWindowResizer::UIWindowResizer(UIContext* context) : UIElement(context, rawLayerFlag | animatedFlag)
{
    setCursorWhenMouseOver(MouseCursor::diagonalResize);
    setCursorWhenDragged(MouseCursor::diagonalResize);
}

RGBA UIWindowResizer::currentColor() const
{
    if (remainingErrorTime_ > 0.f)
        return errorColor_;
    if (context()->dragged() == this)
        return dragColor_;
    if (context()->mouseOver() == this)
        return hoverColor_;
    return idleColor_;
}

bool UIWindowResizer::contains(int x, int y) const
{
    // The editor is resizable by the same rule as the size constraints' kind.
    if (!context()->isUIResizable())
        return false;
    return UIElement::contains(x, y);
}

bool UIWindowResizer::onMouseClick(int, int, int, bool, MouseState)
{
    setDirtyWhole();
    // The grip sits on the content, which a host may show letterboxed in a larger
    // window: the drag moves the content's corner.
    sizeAtDragStart_ = context()->getUISizeInPixelsUser();
    lastRequested_ = sizeAtDragStart_;
    accumulatedDrag_ = {0, 0};
    return true;
}

void UIWindowResizer::onMouseDrag(int, int, int dx, int dy, MouseState)
{
    accumulatedDrag_.x += dx;
    accumulatedDrag_.y += dy;
    int w = sizeAtDragStart_.x + accumulatedDrag_.x;
    int h = sizeAtDragStart_.y + accumulatedDrag_.y;
    context()->getUINearestValidSize(&w, &h);
    // Each size is asked for once per drag: motion events queued behind a resize
    // would otherwise repeat the request and keep the host resizing.
    if (vec2i{w, h} == lastRequested_)
        return;
    lastRequested_ = {w, h};
    // The host first, then the editor's own window.
    if (!context()->requestUIResize(w, h)) {
        remainingErrorTime_ = errorDisplayTime;
        setDirtyWhole();
    }
}

void UIWindowResizer::onBeginDrag() { setDirtyWhole(); }
void UIWindowResizer::onStopDrag() { setDirtyWhole(); }
void UIWindowResizer::onMouseEnter() { setDirtyWhole(); }
void UIWindowResizer::onMouseExit() { setDirtyWhole(); }

void UIWindowResizer::onAnimate(double dt, double)
{
    if (remainingErrorTime_ > 0.f) {
        remainingErrorTime_ -= static_cast<float>(dt);
        if (remainingErrorTime_ < 0.f)
            remainingErrorTime_ = 0.f;
        setDirtyWhole();
    }
}

void UIWindowResizer::onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects)
{
    const float W = static_cast<float>(width()), H = static_cast<float>(height());
    const RGBA color = currentColor();
    for (const box2i& r : dirtyRects) {
        canvas_.initialize(rawMap.crop(r));
        canvas_.translate(static_cast<float>(-r.min.x), static_cast<float>(-r.min.y));
        canvas_.fillStyle(color);
        canvas_.beginPath();
        canvas_.moveTo(0, H);
        canvas_.lineTo(W, 0);
        canvas_.lineTo(W, H / 5);
        canvas_.lineTo(W / 5, H);
        canvas_.closePath();
        canvas_.moveTo(2 * W / 5, H);
        canvas_.lineTo(W, 2 * H / 5);
        canvas_.lineTo(W, 3 * H / 5);
        canvas_.lineTo(3 * W / 5, H);
        canvas_.closePath();
        canvas_.moveTo(4 * W / 5, H);
        canvas_.lineTo(W, 4 * H / 5);
        canvas_.lineTo(W, H);
        canvas_.closePath();
        canvas_.fill();
    }
}

} // namespace vf
