#include "editor/VelmorinFreeGUI.hpp"

#include "client/BoolParameter.hpp"
#include "client/Client.hpp"
#include "core/ThreadPool.hpp"
#include "editor/UIParamLabel.hpp"
#include "flatwidgets/UIFilmstripKnob.hpp"
#include "flatwidgets/UIImageSwitch.hpp"
#include "flatwidgets/UIWindowResizer.hpp"
#include "graphics/Font.hpp"
#include "graphics/ImageLoader.hpp"
#include "gui/WindowMaker.hpp"
#include "resources/EmbeddedResources.hpp"
#include "window/X11WindowMaker.hpp"

#include <algorithm>
#include <cmath>

namespace vf {
namespace {

SizeConstraints editorSizeConstraints()
{
    static const float scales[] = {0.65f, 0.75f, 0.85f, 1.0f, 1.25f, 1.5f};
    return SizeConstraints::discrete(VelmorinFreeGUI::defaultWidth, VelmorinFreeGUI::defaultHeight, scales, 6);
}

std::unique_ptr<OwnedImage<RGBA>> decode(const char* name)
{
    const EmbeddedResource r = embeddedResource(name);
    return loadOwnedImage(r.data, r.size);
}

std::unique_ptr<OwnedImage<RGBA>> copyOf(const OwnedImage<RGBA>& image)
{
    auto copy = std::make_unique<OwnedImage<RGBA>>();
    copy->size(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.scanline(y), image.width(), copy->scanline(y));
    return copy;
}

// Design corners at 365 x 650, scaled and rounded half away from zero one by one.
box2i scaledBox(float s, int x0, int y0, int x1, int y1)
{
    auto sc = [s](int v) { return static_cast<int>(std::roundf(static_cast<float>(v) * s)); };
    return {{sc(x0), sc(y0)}, {sc(x1), sc(y1)}};
}

} // namespace

VelmorinFreeGUI::VelmorinFreeGUI(Client& client)
    : FlatBackgroundGUI(editorSizeConstraints(), rawLayerFlag | animatedFlag,
                        embeddedResource("velmorin-free.png").data, embeddedResource("velmorin-free.png").size),
      client_(client)
{
    setWindowMaker(makeX11Window); // the editor's windows are X11 ones
    setBorderColor(panelColor);
    const EmbeddedResource fontFile = embeddedResource("font.ttf");
    font_ = std::make_unique<Font>(fontFile.data, fontFile.size);

    // Decoding the strips is most of the time an opening takes: the two files go
    // to the pool's two workers, and the second bottom strip is a copy of the first
    // rather than a second decoding of the same file.
    auto decodeImages = [this](int item, int) {
        if (item == 0) {
            bottomKnobFirst_ = decode("knob-bottom.png");
            bottomKnobSecond_ = copyOf(*bottomKnobFirst_);
        } else {
            topKnob_ = decode("knob-top.png");
            switchOn_ = decode("switch-on.png");
            switchOff_ = decode("switch-off.png");
        }
    };
    threadPool()->parallelFor(2, decodeImages);

    UIContext* ctx = uiContext();
    auto param = [this](int index) -> Parameter* {
        return index < client_.numParams() ? &client_.param(index) : nullptr;
    };
    auto knob = [&](int index, OwnedImage<RGBA>* strip) -> UIFilmstripKnob* {
        Parameter* p = param(index);
        if (p == nullptr)
            return nullptr;
        auto* k = new UIFilmstripKnob(ctx, p, strip, numFrames, 0.25f);
        addChild(k);
        return k;
    };
    auto label = [&](int index, bool showUnit) -> UIParamLabel* {
        Parameter* p = param(index);
        if (p == nullptr)
            return nullptr;
        auto* l = new UIParamLabel(ctx, p, font_.get(), 18, textColor, showUnit);
        addChild(l);
        return l;
    };
    auto toggle = [&](int index) -> UIImageSwitch* {
        auto* p = dynamic_cast<BoolParameter*>(param(index));
        if (p == nullptr)
            return nullptr;
        auto* s = new UIImageSwitch(ctx, p, switchOn_.get(), switchOff_.get());
        addChild(s);
        return s;
    };

    inputKnob_ = knob(0, bottomKnobFirst_.get());
    outputKnob_ = knob(5, bottomKnobSecond_.get());
    inputLabel_ = label(0, true);
    outputLabel_ = label(5, true);
    lowBandKnob_ = knob(3, topKnob_.get());
    lowBandLabel_ = label(3, false);
    highBandKnob_ = knob(2, topKnob_.get());
    highBandLabel_ = label(2, false);
    edgeSwitch_ = toggle(1);
    brillianceSwitch_ = toggle(4);

    resizeGrip_ = new UIWindowResizer(ctx);
    addChild(resizeGrip_);
    resizeGrip_->setIdleColor(RGBA{255, 225, 225, 96});
    resizeGrip_->setHoverColor(RGBA{0, 0, 0, 96});
}

VelmorinFreeGUI::~VelmorinFreeGUI()
{
    // The base would close the window only after our images and font are gone.
    closeUI();
}

void VelmorinFreeGUI::reflow()
{
    const int W = width(), H = height();
    const float s = static_cast<float>(W) / static_cast<float>(defaultWidth);
    auto place = [s](UIElement* e, int x0, int y0, int x1, int y1) {
        if (e != nullptr)
            e->setPosition(scaledBox(s, x0, y0, x1, y1));
    };
    place(highBandKnob_, 73, 111, 153, 191);
    place(highBandLabel_, 74, 45, 154, 105);
    place(lowBandKnob_, 223, 111, 303, 191);
    place(lowBandLabel_, 224, 45, 304, 105);
    place(inputKnob_, 73, 458, 153, 538);
    place(inputLabel_, 75, 381, 155, 461);
    place(outputKnob_, 225, 458, 305, 538);
    place(outputLabel_, 220, 381, 300, 461);
    place(edgeSwitch_, 80, 279, 145, 309);
    place(brillianceSwitch_, 227, 279, 292, 309);
    resizeGrip_->setPosition({{W - 30, H - 30}, {W, H}});
}

} // namespace vf
