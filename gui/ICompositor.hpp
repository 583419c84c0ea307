#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Mipmap.hpp"
#include "graphics/Pixels.hpp"

#include <span>

namespace vf {

class ThreadPool;

// What a GUI root hands to the compositor it builds.
struct CompositorCreationContext {
    ThreadPool* threadPool = nullptr;
};

// Turns the lit layer (diffuse with emissive in alpha, 16-bit depth, material)
// into 8-bit RGBA pixels, tile by tile.
class ICompositor {
public:
    virtual ~ICompositor() = default;
    // Event thread, at every content resize: allocates the scratch for tiles of at
    // most areaMaxWidth x areaMaxHeight.
    virtual void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) = 0;
    // Event thread: composites every area (disjoint, each within the tile size)
    // into target; may spread the areas over the pool.  The maps are only read.
    virtual void compositeTile(ImageRef<RGBA> target, std::span<const box2i> areas, Mipmap<RGBA>& diffuseMap,
                               Mipmap<RGBA>& materialMap, Mipmap<L16>& depthMap) = 0;
};

} // namespace vf
