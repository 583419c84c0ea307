#pragma once
#include "graphics/ImageRef.hpp"

#include <cstdint>

namespace vf {

// An image that owns its storage (malloc family), with optional borders of extra
// pixels around the content and rows aligned for vector code.
template <typename T>
class OwnedImage {
public:
    OwnedImage() = default;
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;
    ~OwnedImage();

    // (Re)allocates; previous contents are not kept in any meaningful arrangement
    // and new pixels are not cleared.
    void size(int width, int height, int border = 0, int borderRight = 0, int rowAlignment = 1);

    // Takes over a malloc'ed block of tightly packed pixels (frees any previous one).
    void adopt(T* pixels, int width, int height);

    // Fills the border next to the content edges that r touches (r is clipped
    // to the content first; an empty r changes nothing). Used on L16 images.
    void replicateBordersTouching(const box2i& r);

    ImageRef<T> toRef() const { return {width_, height_, pitch_, pixels_}; }
    int width() const { return width_; }
    int height() const { return height_; }
    int pitch() const { return pitch_; }
    int border() const { return border_; }
    int borderRight() const { return borderRight_; }
    T* pixels() const { return pixels_; }
    T* scanline(int y) const { return toRef().scanline(y); }
    box2i bounds() const { return {{0, 0}, {width_, height_}}; }
    // No storage, or no pixel to show.
    bool empty() const { return buffer_ == nullptr || width_ <= 0 || height_ <= 0; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    T* pixels_ = nullptr;
    int32_t pitch_ = 0;
    void* buffer_ = nullptr;
    int32_t border_ = 0;
    int32_t borderRight_ = 0;
};

extern template class OwnedImage<RGBA>;
extern template class OwnedImage<L8>;
extern template class OwnedImage<L16>;
extern template class OwnedImage<RGBf>;
extern template class OwnedImage<RGBAf>;
extern template class OwnedImage<Lf>;

} // namespace vf
