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

    // Event thread: after the layout, rescales the background for a new content
    // size on the thread pool, which is idle between frames.
    ImageRef<RGBA> doResize(int width, int height) override;

    // Pool thread: rescales the background if that has not happened yet (on one
    // thread), then copies the dirty rectangles.
    void onDrawRaw(ImageRef<RGBA> rawMap, std::span<const box2i> dirtyRects) override;

    const OwnedImage<RGBA>& backgroundImage() const { return *backgroundImage_; }

private:
    void resizeBackground(ThreadPool* pool);

    std::unique_ptr<OwnedImage<RGBA>> backgroundImage_;
    OwnedImage<RGBA> resizedBackground_;
};

} // namespace vf
