#pragma once
#include "canvas/Canvas.hpp"
#include "gui/UIElement.hpp"

namespace vf {

// The corner grip that resizes the editor: dragging it asks for the nearest valid
// size; a refused resize shows the error colour for a while.
class UIWindowResizer : public UIElement {
public:
    explicit UIWindowResizer(UIContext* context);

    void setIdleColor(RGBA c) { idleColor_ = c; }
    void setHoverColor(RGBA c) { hoverColor_ = c; }
    void setDragColor(RGBA c) { dragColor_ = c; }
    void setErrorColor(RGBA c) { errorColor_ = c; }
    RGBA idleColor() const { return idleColor_; }
    RGBA hoverColor() const { return hoverColor_; }
    RGBA dragColor() const { return dragColor_; }
    RGBA errorColor() const { return errorColor_; }
    float remainingErrorTime() const { return remainingErrorTime_; }
    // The colour the grip is drawn with now.
    RGBA currentColor() const;

    static constexpr float errorDisplayTime = 1.2f;

    // Event thread.  Only a resizable editor can be grabbed.
    bool contains(int x, int y) const override;
    bool onMouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate) override;
    void onMouseDrag(int x, int y, int dx, int dy, MouseState mstate) override;
    void onBeginDrag() override;
    void onStopDrag() override;
    void onMouseEnter() override;
    void onMouseExit() override;
    // Timer thread, under the draw lock.
    void onAnimate(double dt, double time) override;

    // Pool thread.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

private:
    RGBA idleColor_{255, 255, 255, 96};
    RGBA hoverColor_{255, 255, 255, 150};
    RGBA dragColor_{255, 255, 128, 200};
    RGBA errorColor_{255, 96, 96, 200};
    vec2i sizeAtDragStart_;
    vec2i lastRequested_;
    vec2i accumulatedDrag_;
    float remainingErrorTime_ = 0.f;
    Canvas canvas_;
};

} // namespace vf
