#pragma once

namespace vf {

// Soft limiter: identity below `threshold`, then a hyperbolic-tangent knee that reaches
// 1 (= threshold + (1 - threshold)) asymptotically.  Continuous with slope 1 at the
// threshold.  Zero and NaN pass unchanged.  Any thread; pure.
float kneeLimit(float x, float threshold);

} // namespace vf
