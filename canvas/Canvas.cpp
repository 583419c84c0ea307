#include "canvas/Canvas.hpp"

#include <cmath>

namespace vf {

namespace {

// Pixels to 24.8 fixed point, truncated. Coordinates beyond what 24.8 can hold
// (about +-8 million pixels) are pinned to its range; they lie far outside any
// clip anyway, and converting them unchecked would be undefined.
int32_t toFixed(float v)
{
    constexpr float limit = 2147483520.0f; // largest float below 2^31
    const float scaled = v * 256.0f;
    if (!(scaled == scaled))
        return 0;
    if (scaled >= limit)
        return static_cast<int32_t>(limit);
    if (scaled <= -limit)
        return -static_cast<int32_t>(limit);
    return static_cast<int32_t>(scaled);
}

} // namespace

Canvas::Canvas()
{
    transforms_.pushBack(Matrix{});
}

void Canvas::initialize(ImageRef<RGBA> target)
{
    target_ = target;
    if (target_.width < 0 || target_.height < 0 || target_.pixels == nullptr)
        target_ = ImageRef<RGBA>{};
    transforms_.clearContents();
    transforms_.pushBack(Matrix{});
    rasterizer_.initialise(0, 0, target_.width, target_.height);
    hasCurrentPoint_ = false;
}

void Canvas::translate(float tx, float ty)
{
    Matrix& m = transforms_[transforms_.length() - 1];
    m.c += m.a * tx + m.b * ty;
    m.f += m.d * tx + m.e * ty;
}

void Canvas::save()
{
    const Matrix top = transform();
    transforms_.pushBack(top);
}

void Canvas::restore()
{
    if (transforms_.length() > 1)
        transforms_.popBack();
}

void Canvas::fillStyle(RGBA color)
{
    color_ = color;
}

void Canvas::beginPath()
{
    rasterizer_.reset();
    hasCurrentPoint_ = false;
}

Canvas::Point Canvas::apply(float x, float y) const
{
    const Matrix& m = transform();
    return {m.a * x + m.b * y + m.c, m.d * x + m.e * y + m.f};
}

void Canvas::lineToTransformed(Point p)
{
    rasterizer_.intLineTo(toFixed(p.x), toFixed(p.y));
    current_ = p;
}

void Canvas::closeSubpath()
{
    if (!hasCurrentPoint_)
        return;
    if (current_.x != subpathStart_.x || current_.y != subpathStart_.y)
        lineToTransformed(subpathStart_);
}

void Canvas::moveTo(float x, float y)
{
    closeSubpath();
    const Point p = apply(x, y);
    subpathStart_ = p;
    current_ = p;
    hasCurrentPoint_ = true;
    rasterizer_.intMoveTo(toFixed(p.x), toFixed(p.y));
}

void Canvas::lineTo(float x, float y)
{
    // A path that starts with lineTo starts at that point.
    if (!hasCurrentPoint_) {
        moveTo(x, y);
        return;
    }
    lineToTransformed(apply(x, y));
}

void Canvas::closePath()
{
    closeSubpath();
    current_ = subpathStart_;
}

void Canvas::fill()
{
    closeSubpath();
    hasCurrentPoint_ = false;
    if (target_.width <= 0 || target_.height <= 0) {
        rasterizer_.reset();
        return;
    }
    blit_.setup(target_, color_, rasterizer_.clipLeft());
    rasterizer_.rasterize(blit_.blitter());
}

} // namespace vf
