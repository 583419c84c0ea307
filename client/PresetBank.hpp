#pragma once
#include "client/Preset.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vf {

class Client;

// The factory presets of a client, and its binary state chunk.  Not locked: the
// callers serialise its use.
class PresetBank {
public:
    PresetBank(Client& client, std::vector<std::unique_ptr<Preset>> presets);
    PresetBank(const PresetBank&) = delete;
    PresetBank& operator=(const PresetBank&) = delete;

    int numPresets() const { return static_cast<int>(presets_.size()); }
    const Preset& preset(int i) const { return *presets_[static_cast<size_t>(i)]; }
    int currentPreset() const { return currentPreset_; }

    // The current preset index and every normalized value, little-endian.
    std::vector<uint8_t> getStateChunkFromCurrentState() const;
    // Applies a chunk; throws StateChunkError.  What was applied before a failure stays.
    void loadStateChunk(const uint8_t* chunk, size_t size);

private:
    Client& client_;
    std::vector<std::unique_ptr<Preset>> presets_;
    int32_t currentPreset_ = 0;
};

} // namespace vf
