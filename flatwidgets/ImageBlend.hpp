#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

namespace vf {

// Blends src over dst inside rect (coordinates shared by both images, clipped to
// both): every channel, alpha included, becomes floor((s * a + d * (255 - a)) / 255)
// with a the source alpha.  Whichever thread draws the element; no allocation.
void blendImageOver(ImageRef<RGBA> dst, ImageRef<RGBA> src, box2i rect);

} // namespace vf
