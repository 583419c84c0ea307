#include "flatwidgets/FlatBackgroundGUI.hpp"

#include "graphics/ImageLoader.hpp"
#include "graphics/ImageResizer.hpp"

#include <algorithm>
#include <cstring>

namespace vf {

FlatBackgroundGUI::FlatBackgroundGUI(const SizeConstraints& sizeConstraints, uint32_t flags,
                                     const uint8_t* backgroundData, size_t backgroundSize)
    : GUIGraphics(sizeConstraints, flags), backgroundImage_(loadOwnedImage(backgroundData, backgroundSize))
{
    // Only raw-layer content: nothing lit spreads into its neighbours.
    setUpdateMargin(0);
    // onDrawRaw copies the background over every area it redraws.
    setRawLayerCoversContent(true);
}

FlatBackgroundGUI::~FlatBackgroundGUI() = default;

ImageRef<RGBA> FlatBackgroundGUI::doResize(int width, int height)
{
    const ImageRef<RGBA> window = GUIGraphics::doResize(width, height);
    resizeBackground(threadPool());
    return window;
}

void FlatBackgroundGUI::resizeBackground(ThreadPool* pool)
{
    const int w = this->width(), h = this->height();
    if (w <= 0 || h <= 0)
        return;
    if (resizedBackground_.width() == w && resizedBackground_.height() == h && !resizedBackground_.empty())
        return;
    resizedBackground_.size(w, h, 0, 0, 1);
    for (int y = 0; y < h; ++y) // opaque black where the picture cannot be scaled
        std::fill_n(resizedBackground_.scanline(y), w, RGBA{0, 0, 0, 255});
    // A resampler for this call only: the working memory is freed afterwards,
    // since a new size is rare.
    ImageResizer resizer;
    resizer.resizeImageSRGB(backgroundImage_->toRef(), resizedBackground_.toRef(), -1, ResizeFilter::lanczos3, pool);
}

void FlatBackgroundGUI::onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects)
{
    resizeBackground(nullptr);
    const ImageRef<RGBA> source = resizedBackground_.toRef();
    for (box2i r : dirtyRects) {
        r = r.intersection(rawMap.bounds()).intersection(source.bounds());
        if (r.empty())
            continue;
        for (int y = r.min.y; y < r.max.y; ++y)
            std::copy_n(source.scanline(y) + r.min.x, r.width(), rawMap.scanline(y) + r.min.x);
    }
}

} // namespace vf
