#pragma once
#include "client/IParameterListener.hpp"
#include "graphics/OwnedImage.hpp"
#include "gui/UIElement.hpp"

namespace vf {

class BoolParameter;

// A two-state button drawn from an "on" and an "off" image.  A click toggles the
// parameter; alt-click sets its default.
class UIImageSwitch : public UIElement, public IParameterListener {
public:
    // The images are not owned: their creator keeps them alive.  Event thread.
    UIImageSwitch(UIContext* context, BoolParameter* parameter, OwnedImage<RGBA>* onImage, OwnedImage<RGBA>* offImage);
    ~UIImageSwitch() override;

    // Any thread; takes the parameter's lock.
    bool getState() const;

    // Event thread: resamples both images to the element size.
    void reflow() override;
    bool onMouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate) override;
    void onMouseEnter() override;
    void onMouseExit() override;

    // Pool thread.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

    // Any thread: only marks the switch dirty.
    void onParameterChanged(Parameter* sender) override;
    void onBeginParameterEdit(Parameter* sender) override;
    void onEndParameterEdit(Parameter* sender) override;

private:
    BoolParameter* parameter_;
    OwnedImage<RGBA>* onImage_;
    OwnedImage<RGBA>* offImage_;
    OwnedImage<RGBA> resizedOn_;
    OwnedImage<RGBA> resizedOff_;
};

} // namespace vf
