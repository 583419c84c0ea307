#pragma once
#include "client/IParameterListener.hpp"
#include "graphics/ImageResizer.hpp"
#include "graphics/OwnedImage.hpp"
#include "gui/UIElement.hpp"

#include <cstdint>
#include <memory>

namespace vf {

class FloatParameter;
class IntegerParameter;
class Parameter;

// A rotary control drawn from a vertical strip of pre-rendered frames (frame 0 at
// the lowest value).  Dragging vertically changes the value; double-click or
// alt-click inside the disc resets it.  Frames are resampled to the element size
// lazily, one at a time, the first time each is shown.
class UIFilmstripKnob : public UIElement, public IParameterListener {
public:
    // parameter must be a FloatParameter or an IntegerParameter (any other kind
    // gives a knob that shows its value but never changes it).  filmstrip is not
    // owned: its creator keeps it alive as long as the knob.  Event thread.
    UIFilmstripKnob(UIContext* context, Parameter* parameter, OwnedImage<RGBA>* filmstrip, int numFrames,
                    float sensitivity = 0.25f);
    ~UIFilmstripKnob() override;

    float sensivity() const { return sensivity_; }
    void sensivity(float s) { sensivity_ = s; }
    void disable() { disabled_ = true; }

    // Event thread.
    void reflow() override;
    bool onMouseClick(int x, int y, int button, bool isDoubleClick, MouseState mstate) override;
    void onMouseDrag(int x, int y, int dx, int dy, MouseState mstate) override;
    void onBeginDrag() override;
    void onStopDrag() override;
    void clearCrosspoints();

    // Pool thread: resamples the shown frame if needed, then blends it.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

    // Any thread: only marks the knob dirty.
    void onParameterChanged(Parameter* sender) override;
    void onBeginParameterEdit(Parameter* sender) override;
    void onEndParameterEdit(Parameter* sender) override;

    // The frame that shows a normalized value: round((numFrames - 1) * v), kept in range.
    int frameForValue(double normalized) const;
    bool isFrameCached(int frame) const { return frame >= 0 && frame < numFrames_ && frameCached_[frame] != 0; }
    const OwnedImage<RGBA>& resizedFilmstrip() const { return resizedFilmstrip_; }
    const ImageResizer& resizer() const { return resizer_; }

private:
    double normalizedValue() const;
    void setNormalizedFromGUI(double normalized);
    void setDefaultFromGUI();

    Parameter* parameter_;
    FloatParameter* floatParameter_;
    IntegerParameter* integerParameter_;
    OwnedImage<RGBA>* filmstrip_;
    int numFrames_;
    int filmstripWidth_ = 0;
    int frameHeight_ = 0;
    OwnedImage<RGBA> resizedFilmstrip_;
    std::unique_ptr<uint8_t[]> frameCached_;
    ImageResizer resizer_;
    int currentFrame_ = -1;
    box2i currentFrameRect_;
    float sensivity_;
    float lastZeroCrossY_;
    float lastOneCrossY_;
    float valueWhileDragging_ = 0.f;
    bool disabled_ = false;
};

} // namespace vf
