#pragma once
// The GUI root as its window sees it: input, draw and size calls from the window's
// threads, turned into element events with window coordinates made content ones.
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"
#include "window/IWindowListener.hpp"

namespace vf {

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
    std::span<const box2i> getDrawnAreas() override { return root_->drawnWindowAreas(); }
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

} // namespace vf
