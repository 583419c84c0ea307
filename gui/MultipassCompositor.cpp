#include "gui/MultipassCompositor.hpp"

#include "core/ThreadPool.hpp"

#include <algorithm>

namespace vf {

void CompositorPass::resizeBuffers(int, int, int, int) {}

MultipassCompositor::MultipassCompositor(CompositorCreationContext* context)
    : threadPool_(context != nullptr ? context->threadPool : nullptr)
{
}

MultipassCompositor::~MultipassCompositor()
{
    for (CompositorPass* pass : passes_)
        delete pass;
}

void MultipassCompositor::addPass(CompositorPass* pass)
{
    passes_.pushBack(pass);
}

int MultipassCompositor::numThreads() const
{
    return threadPool_ != nullptr ? std::max(1, threadPool_->numThreads()) : 1;
}

void MultipassCompositor::resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight)
{
    for (CompositorPass* pass : passes_)
        pass->resizeBuffers(width, height, areaMaxWidth, areaMaxHeight);
}

void MultipassCompositor::fillBuffers(CompositorPassBuffers&) {}

void MultipassCompositor::compositeOneTile(int threadIndex, box2i area, const CompositorPassBuffers& buffers)
{
    for (CompositorPass* pass : passes_)
        if (pass->enabled())
            pass->render(threadIndex, area, &buffers);
}

void MultipassCompositor::compositeTile(ImageRef<RGBA> target, std::span<const box2i> areas,
                                        Mipmap<RGBA>& diffuseMap, Mipmap<RGBA>& materialMap,
                                        Mipmap<L16>& depthMap)
{
    CompositorPassBuffers buffers;
    buffers.target = target;
    buffers.diffuseMap = &diffuseMap;
    buffers.materialMap = &materialMap;
    buffers.depthMap = &depthMap;
    fillBuffers(buffers);
    auto one = [&](int i, int threadIndex) {
        if (!areas[static_cast<size_t>(i)].empty())
            compositeOneTile(threadIndex, areas[static_cast<size_t>(i)], buffers);
    };
    const int count = static_cast<int>(areas.size());
    if (threadPool_ != nullptr)
        threadPool_->parallelFor(count, one);
    else
        for (int i = 0; i < count; ++i)
            one(i, 0);
}

} // namespace vf
