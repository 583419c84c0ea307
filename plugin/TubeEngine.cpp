#include "plugin/TubeEngine.hpp"

#include <cstring>

namespace vf {

TubeEngine::TubeEngine() = default;
TubeEngine::~TubeEngine() = default;

void TubeEngine::reset(double, int) {}

// Placeholder until the saturation engine lands: input passes to output.
void TubeEngine::processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                              int frames, const EngineControls&)
{
    for (int c = 0; c < numOutputs; ++c) {
        if (c < numInputs) {
            if (outputs[c] != inputs[c])
                std::memmove(outputs[c], inputs[c], sizeof(float) * static_cast<size_t>(frames));
        } else {
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
        }
    }
}

} // namespace vf
