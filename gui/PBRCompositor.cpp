#include "gui/PBRCompositor.hpp"

#include "gui/PBRPasses.hpp"

#include <cstring>

namespace vf {

PBRCompositor::PBRCompositor(CompositorCreationContext* context) : MultipassCompositor(context)
{
    numScratch_ = numThreads();
    normalBuffers_ = new OwnedImage<RGBf>[static_cast<size_t>(numScratch_)];
    accumBuffers_ = new OwnedImage<RGBAf>[static_cast<size_t>(numScratch_)];
    scalarBuffers_ = new OwnedImage<Lf>[static_cast<size_t>(numScratch_)];

    const int n = numScratch_;
    addPass(new PassComputeNormal(this, n));
    addPass(ambient_ = new PassAmbientOcclusion(this, n));
    addPass(oblique_ = new PassObliqueShadowLight(this, n));
    addPass(directional_ = new PassDirectionalLight(this, n));
    addPass(specular_ = new PassSpecularLight(this, n));
    addPass(skybox_ = new PassSkyboxReflections(this, n));
    addPass(new PassEmissiveContribution(this, n));
    addPass(new PassClampAndConvertTo8bit(this, n));
}

PBRCompositor::~PBRCompositor()
{
    delete[] normalBuffers_;
    delete[] accumBuffers_;
    delete[] scalarBuffers_;
}

void PBRCompositor::resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight)
{
    MultipassCompositor::resizeBuffers(width, height, areaMaxWidth, areaMaxHeight);
    for (int t = 0; t < numScratch_; ++t) {
        normalBuffers_[t].size(areaMaxWidth, areaMaxHeight);
        accumBuffers_[t].size(areaMaxWidth, areaMaxHeight, 0, 0, 16);
        scalarBuffers_[t].size(areaMaxWidth, areaMaxHeight);
    }
}

void PBRCompositor::fillBuffers(CompositorPassBuffers& buffers)
{
    buffers.normalBuffers = normalBuffers_;
    buffers.accumBuffers = accumBuffers_;
    buffers.scalarBuffers = scalarBuffers_;
}

void PBRCompositor::compositeOneTile(int threadIndex, box2i area, const CompositorPassBuffers& buffers)
{
    OwnedImage<RGBAf>& accum = accumBuffers_[threadIndex];
    if (area.width() > accum.width() || area.height() > accum.height())
        return; // larger than the tile size given at resize: never written outside the scratch
    for (int y = 0; y < area.height(); ++y)
        std::memset(static_cast<void*>(accum.scanline(y)), 0, sizeof(RGBAf) * static_cast<size_t>(area.width()));
    MultipassCompositor::compositeOneTile(threadIndex, area, buffers);
}

void PBRCompositor::light1Color(vec3f color) { oblique_->color = color; }
void PBRCompositor::light2Dir(vec3f direction) { directional_->direction = direction; }
void PBRCompositor::light2Color(vec3f color) { directional_->color = color; }
void PBRCompositor::light3Dir(vec3f direction) { specular_->direction = direction; }
void PBRCompositor::light3Color(vec3f color) { specular_->color = color; }
void PBRCompositor::skyboxAmount(float amount) { skybox_->amount = amount; }
void PBRCompositor::ambientLight(float amount) { ambient_->ambientLight = amount; }
void PBRCompositor::setSkybox(const OwnedImage<RGBA>* skybox) { skybox_->skybox = skybox; }

} // namespace vf
