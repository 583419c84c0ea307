#pragma once
#include <cstdint>

namespace vf {

struct PluginVersion {
    int32_t major = 1;
    int32_t minor = 0;
    int32_t patch = 0;

    // The form stored in state chunks: 1.0.0 packs to 65536.
    int32_t packed() const { return (major << 16) | (minor << 8) | patch; }
};

} // namespace vf
