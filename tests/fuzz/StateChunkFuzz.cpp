// The state chunk reader of the real plug-in, on a fresh client per input.  Bad
// chunks raise StateChunkError, which is expected; anything else is a finding, as
// is a parameter left outside [0, 1] or a written chunk that does not load back.
#include "FuzzInput.hpp"

#include "client/StateChunkError.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<vf::Client> client(vf::Client::create<vf::VelmorinFreeClient>());
    vf::PresetBank& bank = client->presetBank();
    try {
        bank.loadStateChunk(data, size);
    } catch (const vf::StateChunkError&) {
    }
    for (const auto& p : client->params()) {
        const double n = p->getNormalized();
        FUZZ_CHECK(n >= 0.0 && n <= 1.0);
    }
    FUZZ_CHECK(bank.currentPreset() >= 0 && bank.currentPreset() < bank.numPresets());
    const std::vector<uint8_t> saved = bank.getStateChunkFromCurrentState();
    bank.loadStateChunk(saved.data(), saved.size()); // must not throw
    FUZZ_CHECK(bank.getStateChunkFromCurrentState() == saved);
    return 0;
}
