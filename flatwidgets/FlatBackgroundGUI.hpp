#pragma once
#include "graphics/OwnedImage.hpp"
#include "gui/GUIGraphics.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vf {

// A GUI root whose raw layer starts with a background picture scaled to the
// current size.  Derived editors add their widgets and override reflow().
class FlatBackgroundGUI : public GUIGraphics {
public:
    // The background is an encoded image (PNG, JPEG or QOI) held in memory; it is
    // decoded here and the bytes need not outlive the constructor.  Host UI thread.
    FlatBackgroundGUI(const SizeConstraints& sizeConstraints, uint32_t flags, const uint8_t* backgroundData,
                      size_t backgroundSize);
    ~FlatBackgroundGUI() override;

    void reflow() override {}

    // Pool thread: rescales the background when the size changed, then copies
    // the dirty rectangles.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

    const OwnedImage<RGBA>& backgroundImage() const { return *backgroundImage_; }

private:
    std::unique_ptr<OwnedImage<RGBA>> backgroundImage_;
    OwnedImage<RGBA> resizedBackground_;
};

} // namespace vf
