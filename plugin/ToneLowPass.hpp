#pragma once

namespace vf {

// One low-pass record of the tone stage: its cutoff (cycles per sample), its quality,
// bilinear-transform coefficients with a pre-warped tangent (kept in double, not rounded)
// and the two states of a transposed direct form II.  Audio thread: pure arithmetic.
struct ToneLowPass {
    double fc = 0.0;
    double q = 0.0;
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double s1 = 0.0;
    double s2 = 0.0;

    // Recomputes b0..a2 from fc and q; the states are kept.
    void design();

    double processSample(double x)
    {
        const double y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b2 * x - a2 * y;
        return y;
    }
};

} // namespace vf
