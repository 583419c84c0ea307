#pragma once

namespace vf {

// Resampling kernel for ImageResizer. The Lanczos family is computed by our own
// resampling path; the others by the stock resampler.
enum class ResizeFilter : int {
    automatic = 0, // Catmull-Rom when enlarging, Mitchell when shrinking, per axis
    box = 1,
    triangle = 2,
    cubicBSpline = 3,
    catmullRom = 4,
    mitchell = 5,
    lanczos2 = 6,   // a = 2, support 2
    lanczos2_5 = 7, // a = 2.5, support 3
    lanczos3 = 8,   // a = 3, support 3: what every caller in this system uses
    lanczos4 = 9,   // a = 4, support 4
};

} // namespace vf
