#pragma once
#include <cstdint>

namespace vf {

// The layer a repaint request targets.
enum class UILayer : int32_t {
    fromFlags = 0,  // decided by the element's layer flags
    rawLayer = 1,   // only the raw layer is redrawn
    everyLayer = 2, // the lit layer is recomposited, and everything above it redrawn
};

// Element flags (combinable).  Other bits are free for derived elements.
inline constexpr uint32_t rawLayerFlag = 1; // paints with onDrawRaw
inline constexpr uint32_t litLayerFlag = 2; // paints with onDrawPBR
inline constexpr uint32_t animatedFlag = 4; // receives onAnimate

} // namespace vf
