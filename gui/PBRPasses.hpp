#pragma once
// The passes of PBRCompositor, in their run order.  Each render call reads the
// maps (read-only during compositing) and writes only its thread's scratch and the
// target pixels inside its area.
#include "gui/CompositorPass.hpp"
#include "gui/PBRCompositor.hpp"

namespace vf {

// Fills the normal buffer (unit normals) and the scalar buffer (curvature) from
// the depth map.
class PassComputeNormal final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
};

class PassAmbientOcclusion final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
    float ambientLight = 0.08125f;
};

class PassObliqueShadowLight final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
    vec3f color{0.325f, 0.325f, 0.325f};
};

class PassDirectionalLight final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
    vec3f direction{0.0f, 0.995037f, 0.099504f};
    vec3f color{0.481f, 0.481f, 0.481f};
};

class PassSpecularLight final : public CompositorPass {
public:
    PassSpecularLight(MultipassCompositor* parent, int numThreads);
    ~PassSpecularLight() override;
    void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) override;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
    float exponent(int materialByte) const { return exponents_[materialByte]; }

    vec3f direction{0.0f, 0.995037f, 0.099504f};
    vec3f color{0.26f, 0.26f, 0.26f};

private:
    float exponents_[256];
    // Three rows of areaMaxWidth 4-float values per thread.
    OwnedImage<RGBAf>* rows_ = nullptr;
};

class PassSkyboxReflections final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
    float amount = 0.52f;
    const OwnedImage<RGBA>* skybox = nullptr;
};

class PassEmissiveContribution final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
};

// Writes the accumulated light into the target as opaque 8-bit pixels.
class PassClampAndConvertTo8bit final : public CompositorPass {
public:
    using CompositorPass::CompositorPass;
    void render(int threadIndex, box2i area, const CompositorPassBuffers* buffers) override;
};

} // namespace vf
