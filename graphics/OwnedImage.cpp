#include "graphics/OwnedImage.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdlib>

namespace vf {

template <typename T>
OwnedImage<T>::~OwnedImage()
{
    std::free(buffer_);
}

template <typename T>
void OwnedImage<T>::size(int width, int height, int border, int borderRight, int rowAlignment)
{
    // Negative sizes are caller mistakes; treat them as zero rather than corrupt the heap.
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    border = border < 0 ? 0 : border;
    borderRight = borderRight < 0 ? 0 : borderRight;
    const int s = static_cast<int>(sizeof(T));
    int pitch = (width + border + borderRight) * s;
    if (rowAlignment > 1)
        pitch = (pitch + rowAlignment - 1) / rowAlignment * rowAlignment;
    const size_t rows = static_cast<size_t>(height + 2 * border);
    const size_t bytes = rows * static_cast<size_t>(pitch) + (rowAlignment > 1 ? rowAlignment - 1 : 0);
    buffer_ = checkedRealloc(buffer_, bytes);
    auto start = reinterpret_cast<uintptr_t>(buffer_) + static_cast<uintptr_t>(border) * pitch
                 + static_cast<uintptr_t>(border) * s;
    if (rowAlignment > 1)
        start = (start + rowAlignment - 1) / rowAlignment * rowAlignment;
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    border_ = border;
    borderRight_ = borderRight;
    pixels_ = reinterpret_cast<T*>(start);
}

template <typename T>
void OwnedImage<T>::adopt(T* pixels, int width, int height)
{
    std::free(buffer_);
    buffer_ = pixels;
    pixels_ = pixels;
    width_ = width;
    height_ = height;
    pitch_ = width * static_cast<int>(sizeof(T));
    border_ = 0;
    borderRight_ = 0;
}

template <typename T>
void OwnedImage<T>::replicateBordersTouching(const box2i& area)
{
    if (width_ <= 0 || height_ <= 0)
        return;
    // Only content rows and columns are copied: a rectangle reaching past the
    // image is taken as touching the edge it crosses, never as a licence to
    // write outside the borders.
    const box2i r = area.intersection(bounds());
    if (r.empty())
        return;
    const int b = border_;
    const int br = borderRight_;
    const bool left = r.min.x == 0;
    const bool right = r.max.x == width_;

    auto fillOutsideRows = [&](int fromRow, int firstRow, int lastRow) {
        const T* src = scanline(fromRow);
        for (int y = firstRow; y <= lastRow; ++y) {
            T* dst = scanline(y);
            if (left)
                for (int x = -b; x < 0; ++x)
                    dst[x] = src[0];
            for (int x = r.min.x; x < r.max.x; ++x)
                dst[x] = src[x];
            if (right)
                for (int x = width_; x < width_ + br; ++x)
                    dst[x] = src[width_ - 1];
        }
    };

    if (r.min.y == 0)
        fillOutsideRows(0, -b, -1);
    for (int y = r.min.y; y < r.max.y; ++y) {
        T* row = scanline(y);
        if (left)
            for (int x = -b; x < 0; ++x)
                row[x] = row[0];
        if (right)
            for (int x = width_; x < width_ + br; ++x)
                row[x] = row[width_ - 1];
    }
    if (r.max.y == height_)
        fillOutsideRows(height_ - 1, height_, height_ + b - 1);
}

template class OwnedImage<RGBA>;
template class OwnedImage<L8>;
template class OwnedImage<L16>;
template class OwnedImage<RGBf>;
template class OwnedImage<RGBAf>;
template class OwnedImage<Lf>;

} // namespace vf
