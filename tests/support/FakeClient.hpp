#pragma once
// The plug-in that tests drive instead of the real one: it records every reset and
// every processed chunk; each test family gives it its own parameters and info by
// deriving from it (TestClient, EditorTestClient, ProbeClient).
#include "client/Client.hpp"

#include <functional>
#include <vector>

namespace vf::test {

class FakeClient : public Client {
public:
    struct Chunk {
        int frames;
        TimeInfo info;
        const float* firstInput;
        float* firstOutput;
        float firstIn; // the first input sample, 0 for an empty chunk
    };
    std::vector<std::vector<double>> resets; // rate, maxFrames, inputs, outputs
    std::vector<Chunk> chunks;
    int chunkLimit = 512;
    std::vector<LegalIO> layouts{{1, 1}, {2, 2}};
    bool sendsMidi = false;
    bool copyInToOut = false; // outputs = inputs * 2 (the last input feeds extra outputs)
    int numIns = 0, numOuts = 0;
    std::function<void(FakeClient&, int frames)> onProcess;

    std::vector<LegalIO> buildLegalIO() override { return layouts; }
    int maxFramesInProcess() override { return chunkLimit; }
    void reset(double rate, int maxFrames, int ins, int outs) override
    {
        resets.push_back({rate, double(maxFrames), double(ins), double(outs)});
        numIns = ins;
        numOuts = outs;
    }
    void processAudio(const float* const* inputs, float* const* outputs, int frames, TimeInfo info) override
    {
        chunks.push_back({frames, info, inputs ? inputs[0] : nullptr, outputs ? outputs[0] : nullptr,
                          frames > 0 && inputs && inputs[0] ? inputs[0][0] : 0.0f});
        for (int c = 0; c < numOuts && copyInToOut; ++c)
            for (int i = 0; i < frames; ++i)
                outputs[c][i] = inputs[c < numIns ? c : 0][i] * 2.0f;
        if (onProcess)
            onProcess(*this, frames);
    }
};

} // namespace vf::test
