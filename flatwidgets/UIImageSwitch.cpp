#include "flatwidgets/UIImageSwitch.hpp"

#include "client/BoolParameter.hpp"
#include "flatwidgets/ImageBlend.hpp"
#include "graphics/ImageResizer.hpp"
#include "gui/UIContext.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vf {

UIImageSwitch::UIImageSwitch(UIContext* context, BoolParameter* parameter, OwnedImage<RGBA>* onImage,
                             OwnedImage<RGBA>* offImage)
    : UIElement(context, rawLayerFlag), parameter_(parameter), onImage_(onImage), offImage_(offImage)
{
    parameter_->addListener(this);
}

UIImageSwitch::~UIImageSwitch() { parameter_->removeListener(this); }

bool UIImageSwitch::getState() const { return parameter_->value(); }

void UIImageSwitch::reflow()
{
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    ImageResizer fallback;
    ImageResizer* resizer = context()->globalImageResizer();
    if (resizer == nullptr)
        resizer = &fallback;
    const std::pair<OwnedImage<RGBA>*, OwnedImage<RGBA>*> pairs[] = {{onImage_, &resizedOn_}, {offImage_, &resizedOff_}};
    for (auto [source, resized] : pairs) {
        resized->size(w, h, 0, 0, 1);
        for (int y = 0; y < h; ++y) // transparent if the resampling cannot run
            std::fill_n(resized->scanline(y), w, RGBA{});
        if (source != nullptr)
            resizer->resizeImageSRGB(source->toRef(), resized->toRef(), 3, ResizeFilter::lanczos3);
    }
}

bool UIImageSwitch::onMouseClick(int, int, int, bool, MouseState mstate)
{
    parameter_->beginParamEdit();
    const bool next = mstate.altPressed ? parameter_->defaultValue() : !parameter_->value();
    parameter_->setFromGUI(next);
    parameter_->endParamEdit();
    return true;
}

void UIImageSwitch::onMouseEnter() { setDirtyWhole(); }
void UIImageSwitch::onMouseExit() { setDirtyWhole(); }

void UIImageSwitch::onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects)
{
    const OwnedImage<RGBA>& image = getState() ? resizedOn_ : resizedOff_;
    if (image.empty())
        return;
    for (const box2i& r : dirtyRects)
        blendImageOver(rawMap, image.toRef(), r);
}

void UIImageSwitch::onParameterChanged(Parameter*) { setDirtyWhole(); }
void UIImageSwitch::onBeginParameterEdit(Parameter*) {}
void UIImageSwitch::onEndParameterEdit(Parameter*) {}

} // namespace vf
