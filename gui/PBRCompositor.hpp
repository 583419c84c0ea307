#pragma once
#include "gui/MultipassCompositor.hpp"
#include "graphics/OwnedImage.hpp"

namespace vf {

struct vec3f {
    float x = 0, y = 0, z = 0;
};

class PassAmbientOcclusion;
class PassObliqueShadowLight;
class PassDirectionalLight;
class PassSpecularLight;
class PassSkyboxReflections;

// The lighting compositor: normals from depth, ambient occlusion, an oblique
// shadowed light, a directional light, a specular highlight, skybox reflections,
// emission, then clamping to 8 bits with opaque alpha.
class PBRCompositor : public MultipassCompositor {
public:
    // Event thread (construction of the GUI root).
    explicit PBRCompositor(CompositorCreationContext* context);
    ~PBRCompositor() override;

    void resizeBuffers(int width, int height, int areaMaxWidth, int areaMaxHeight) override;

    // Event thread, between frames.
    void light1Color(vec3f color);
    void light2Dir(vec3f direction);
    void light2Color(vec3f color);
    void light3Dir(vec3f direction);
    void light3Color(vec3f color);
    void skyboxAmount(float amount);
    void ambientLight(float amount);
    // The image must outlive its use; null removes the skybox.
    void setSkybox(const OwnedImage<RGBA>* skybox);

protected:
    void fillBuffers(CompositorPassBuffers& buffers) override;
    void compositeOneTile(int threadIndex, box2i area, const CompositorPassBuffers& buffers) override;

private:
    int numScratch_ = 0;
    OwnedImage<RGBf>* normalBuffers_ = nullptr;
    OwnedImage<RGBAf>* accumBuffers_ = nullptr;
    OwnedImage<Lf>* scalarBuffers_ = nullptr;
    PassAmbientOcclusion* ambient_ = nullptr;
    PassObliqueShadowLight* oblique_ = nullptr;
    PassDirectionalLight* directional_ = nullptr;
    PassSpecularLight* specular_ = nullptr;
    PassSkyboxReflections* skybox_ = nullptr;
};

} // namespace vf
