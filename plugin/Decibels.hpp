#pragma once

namespace vf {

// Decibels to a linear amplitude factor, in single precision.  Negative infinity gives
// exactly 0, which is how the gain parameters mute.  Any thread; pure.
float decibelsToLinear(float decibels);

} // namespace vf
