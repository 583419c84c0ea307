#pragma once
#include "core/GrowableArray.hpp"
#include "gui/CompositorPass.hpp"
#include "gui/ICompositor.hpp"

namespace vf {

// A compositor made of passes run in order on each tile; tiles are spread over
// the pool, the passes of one tile run on one thread.
class MultipassCompositor : public ICompositor {
public:
    explicit MultipassCompositor(CompositorCreationContext* context);
    ~MultipassCompositor() override;

    // Takes ownership; passes run in the order they were added.
    virtual void addPass(CompositorPass* pass);
    void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) override;
    void compositeTile(ImageRef<RGBA> target, std::span<const box2i> areas, Mipmap<RGBA>& diffuseMap,
                       Mipmap<RGBA>& materialMap, Mipmap<L16>& depthMap) override;
    virtual ThreadPool* threadPool() { return threadPool_; }

    int numPasses() const { return passes_.length(); }
    CompositorPass* pass(int i) const { return passes_[i]; }
    // Thread count of the pool (at least 1): the number of scratch sets needed.
    int numThreads() const;

protected:
    // Lets a derived compositor add its per-thread scratch.
    virtual void fillBuffers(CompositorPassBuffers& buffers);
    // Pool thread: runs the enabled passes on one non-empty area.
    virtual void compositeOneTile(int threadIndex, box2i area, const CompositorPassBuffers& buffers);

private:
    ThreadPool* threadPool_;
    GrowableArray<CompositorPass*> passes_;
};

} // namespace vf
