#pragma once
#include "core/Box2i.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Mipmap.hpp"
#include "graphics/OwnedImage.hpp"
#include "graphics/Pixels.hpp"

namespace vf {

class MultipassCompositor;

// What every pass of one tile sees.  The scratch arrays hold one image per pool
// thread (null when the compositor has none); a pass uses those of its thread.
struct CompositorPassBuffers {
    ImageRef<RGBA> target;
    Mipmap<RGBA>* diffuseMap = nullptr;
    Mipmap<RGBA>* materialMap = nullptr;
    Mipmap<L16>* depthMap = nullptr;
    OwnedImage<RGBf>* normalBuffers = nullptr;
    OwnedImage<RGBAf>* accumBuffers = nullptr;
    OwnedImage<Lf>* scalarBuffers = nullptr;
};

// One step of a multipass compositor.  render runs on pool threads, one tile at a
// time per thread: it may touch only its thread's scratch and the target pixels
// inside its area.
class CompositorPass {
public:
    CompositorPass(MultipassCompositor* parent, int numThreads) : parent_(parent), numThreads_(numThreads) {}
    virtual ~CompositorPass() = default;
    CompositorPass(const CompositorPass&) = delete;
    CompositorPass& operator=(const CompositorPass&) = delete;

    // Event thread, at resize.
    virtual void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight);
    // Pool thread.
    virtual void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) = 0;

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    int numThreads() const { return numThreads_; }
    MultipassCompositor* compositor() const { return parent_; }

private:
    MultipassCompositor* parent_;
    int numThreads_;
    bool enabled_ = true;
};

} // namespace vf
