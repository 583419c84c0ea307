#pragma once
#include "canvas/ColorBlit.hpp"
#include "canvas/Rasterizer.hpp"
#include "core/GrowableArray.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

namespace vf {

// A small vector renderer: fills paths of straight segments with exact
// anti-aliased coverage into an RGBA image. Meant to be kept by its widget and
// driven inside one drawing call at a time (no locking); buffers are reused from
// call to call.
class Canvas {
public:
    // Affine map: x' = a x + b y + c, y' = d x + e y + f.
    struct Matrix {
        float a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
    };

    Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Sets the target, resets the transform to the identity and drops any path.
    void initialize(ImageRef<RGBA> target);

    void translate(float tx, float ty);
    void save();    // pushes a copy of the current transform
    void restore(); // pops it again (the base transform is never popped)
    const Matrix& transform() const { return transforms_[transforms_.length() - 1]; }

    void fillStyle(RGBA color);
    void beginPath();
    void moveTo(float x, float y);
    void lineTo(float x, float y);
    void closePath();

    // Closes the last subpath and fills the path with the non-zero rule; the
    // path is empty afterwards.
    void fill();

private:
    struct Point {
        float x = 0, y = 0;
    };

    Point apply(float x, float y) const;
    void lineToTransformed(Point p);
    void closeSubpath();

    ImageRef<RGBA> target_;
    GrowableArray<Matrix> transforms_;
    Point subpathStart_;
    Point current_;
    bool hasCurrentPoint_ = false;
    RGBA color_{0, 0, 0, 255};
    ColorBlit blit_;
    Rasterizer rasterizer_;
};

} // namespace vf
