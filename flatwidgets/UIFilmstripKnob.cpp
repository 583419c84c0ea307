#include "flatwidgets/UIFilmstripKnob.hpp"

#include "client/FloatParameter.hpp"
#include "client/IntegerParameter.hpp"
#include "flatwidgets/ImageBlend.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vf {

UIFilmstripKnob::UIFilmstripKnob(UIContext* context, Parameter* parameter, OwnedImage<RGBA>* filmstrip,
                                 int numFrames, float sensitivity)
    : UIElement(context, rawLayerFlag),
      parameter_(parameter),
      floatParameter_(dynamic_cast<FloatParameter*>(parameter)),
      integerParameter_(dynamic_cast<IntegerParameter*>(parameter)),
      filmstrip_(filmstrip),
      numFrames_(std::max(numFrames, 1)),
      sensivity_(sensitivity),
      lastZeroCrossY_(std::numeric_limits<float>::infinity()),
      lastOneCrossY_(-std::numeric_limits<float>::infinity())
{
    parameter_->addListener(this);
    if (filmstrip_ != nullptr) {
        filmstripWidth_ = filmstrip_->width();
        frameHeight_ = filmstrip_->height() / numFrames_;
    }
    frameCached_ = std::make_unique<uint8_t[]>(static_cast<size_t>(numFrames_));
}

UIFilmstripKnob::~UIFilmstripKnob() { parameter_->removeListener(this); }

void UIFilmstripKnob::reflow()
{
    const int w = width(), h = height();
    if (resizedFilmstrip_.width() == w && resizedFilmstrip_.height() == h * numFrames_ && !resizedFilmstrip_.empty())
        return;
    if (w <= 0 || h <= 0)
        return;
    resizedFilmstrip_.size(w, h * numFrames_, 0, 0, 1);
    // Start transparent: a frame whose resampling fails shows nothing rather than
    // whatever the allocator left there.
    for (int y = 0; y < resizedFilmstrip_.height(); ++y)
        std::fill_n(resizedFilmstrip_.scanline(y), w, RGBA{});
    std::memset(frameCached_.get(), 0, static_cast<size_t>(numFrames_));
    currentFrame_ = -1;
}

int UIFilmstripKnob::frameForValue(double normalized) const
{
    if (!(normalized > 0.0)) // NaN too
        return 0;
    const int frame = static_cast<int>(std::roundf(static_cast<float>((numFrames_ - 1) * normalized)));
    return std::clamp(frame, 0, numFrames_ - 1);
}

double UIFilmstripKnob::normalizedValue() const { return parameter_->getNormalized(); }

void UIFilmstripKnob::setNormalizedFromGUI(double normalized)
{
    if (floatParameter_ != nullptr)
        floatParameter_->setFromGUINormalized(normalized);
    else if (integerParameter_ != nullptr)
        integerParameter_->setFromGUINormalized(normalized);
}

void UIFilmstripKnob::setDefaultFromGUI()
{
    if (floatParameter_ != nullptr)
        floatParameter_->setFromGUI(floatParameter_->defaultValue());
    else if (integerParameter_ != nullptr)
        integerParameter_->setFromGUI(integerParameter_->defaultValue());
}

bool UIFilmstripKnob::onMouseClick(int x, int y, int /*button*/, bool isDoubleClick, MouseState mstate)
{
    // Only the disc counts: the largest centred square's inscribed circle.
    const int w = width(), h = height();
    const int m = std::min(w, h);
    if (m <= 0)
        return false;
    const int x0 = (w - m) / 2, y0 = (h - m) / 2;
    const float cx = (x0 + (x0 + m) - 1) * 0.5f;
    const float cy = (y0 + (y0 + m) - 1) * 0.5f;
    const float radius = m * 0.5f;
    if (!(std::hypot(x - cx, y - cy) < radius))
        return false;

    if (mstate.altPressed || isDoubleClick) {
        parameter_->beginParamEdit();
        setDefaultFromGUI();
        parameter_->endParamEdit();
    }
    valueWhileDragging_ = static_cast<float>(normalizedValue());
    return true;
}

void UIFilmstripKnob::onMouseDrag(int /*x*/, int y, int /*dx*/, int dy, MouseState mstate)
{
    if (disabled_ || height() <= 0)
        return;
    const float modifier = (mstate.ctrlPressed || mstate.shiftPressed) ? 0.1f : 1.0f;
    float target;
    if (mstate.altPressed)
        target = static_cast<float>(parameter_->getNormalizedDefault());
    else
        target = valueWhileDragging_ - (static_cast<float>(dy) / height()) * modifier * sensivity_;

    // Past an end of the range the mouse must come back to where the end was
    // reached before the value moves again.
    const float fy = static_cast<float>(y);
    if (fy > lastZeroCrossY_ || fy < lastOneCrossY_)
        return;
    if (valueWhileDragging_ > 0.f && target <= 0.f)
        lastZeroCrossY_ = fy;
    if (valueWhileDragging_ < 1.f && target >= 1.f)
        lastOneCrossY_ = fy;

    target = std::clamp(target, 0.f, 1.f);
    if (target > 0.f)
        lastZeroCrossY_ = std::numeric_limits<float>::infinity();
    if (target < 1.f)
        lastOneCrossY_ = -std::numeric_limits<float>::infinity();
    if (target == valueWhileDragging_)
        return;
    setNormalizedFromGUI(target);
    valueWhileDragging_ = target;
}

void UIFilmstripKnob::onBeginDrag()
{
    parameter_->beginParamEdit();
    setDirtyWhole();
}

void UIFilmstripKnob::onStopDrag()
{
    parameter_->endParamEdit();
    clearCrosspoints();
    setDirtyWhole();
}

void UIFilmstripKnob::clearCrosspoints()
{
    lastZeroCrossY_ = std::numeric_limits<float>::infinity();
    lastOneCrossY_ = -std::numeric_limits<float>::infinity();
}

void UIFilmstripKnob::onParameterChanged(Parameter*) { setDirtyWhole(); }
void UIFilmstripKnob::onBeginParameterEdit(Parameter*) {}
void UIFilmstripKnob::onEndParameterEdit(Parameter*) {}

void UIFilmstripKnob::onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects)
{
    if (resizedFilmstrip_.empty() || filmstrip_ == nullptr || frameHeight_ <= 0)
        return;
    const int frame = frameForValue(normalizedValue());
    const int resizedFrameHeight = resizedFilmstrip_.height() / numFrames_;
    currentFrame_ = frame;
    currentFrameRect_ = box2i::rectangle(0, frame * resizedFrameHeight, resizedFilmstrip_.width(), resizedFrameHeight);

    const ImageRef<RGBA> resized = resizedFilmstrip_.toRef();
    if (frameCached_[frame] == 0) {
        const ImageRef<RGBA> source =
            filmstrip_->toRef().crop(box2i::rectangle(0, frame * frameHeight_, filmstripWidth_, frameHeight_));
        resizer_.resizeImageSRGB(source, resized.crop(currentFrameRect_), -1, ResizeFilter::lanczos3);
        frameCached_[frame] = 1;
    }
    const ImageRef<RGBA> shown = resized.crop(currentFrameRect_);
    for (const box2i& r : dirtyRects)
        blendImageOver(rawMap, shown, r);
}

} // namespace vf
