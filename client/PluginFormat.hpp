#pragma once
#include <cstdint>

namespace vf {

// Which adapter hosts the client.  0 and 2 name formats this build does not have.
enum class PluginFormat : int32_t { vst3 = 1, audioUnit = 3, lv2 = 4 };

// Known hosts.  The LV2 adapter does not identify its host.
enum class DAW : int32_t { unknown = 0 };

} // namespace vf
