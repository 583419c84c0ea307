#include "plugin/BiquadCoefficients.hpp"

#include <cmath>

namespace vf {

namespace {

struct Angle {
    double cosine;
    double sine;
};

Angle angleOf(double frequency, double sampleRate)
{
    // Formed in extended precision so that f = fs / 2 lands on the double nearest pi.
    const long double twoPi = 6.283185307179586476925286766559L;
    const double w0 = static_cast<double>(twoPi * frequency / sampleRate);
    return {std::cos(w0), std::sin(w0)};
}

double toSingle(double v)
{
    return static_cast<double>(static_cast<float>(v));
}

BiquadCoefficients normalise(double b0, double b1, double b2, double a0, double a1, double a2)
{
    BiquadCoefficients c;
    c.b0 = toSingle(b0 / a0);
    c.b1 = toSingle(b1 / a0);
    c.b2 = toSingle(b2 / a0);
    c.a1 = toSingle(a1 / a0);
    c.a2 = toSingle(a2 / a0);
    return c;
}

} // namespace

BiquadCoefficients designLowPass(double frequency, double sampleRate, double alphaDivisor)
{
    const Angle w = angleOf(frequency, sampleRate);
    const double alpha = w.sine / alphaDivisor;
    const double oneMinusCos = 1.0 - w.cosine;
    return normalise(oneMinusCos / 2.0, oneMinusCos, oneMinusCos / 2.0, 1.0 + alpha, -2.0 * w.cosine, 1.0 - alpha);
}

BiquadCoefficients designLowShelf(double frequency, double sampleRate, double gainDb, double alphaDivisor)
{
    const Angle w = angleOf(frequency, sampleRate);
    const double alpha = w.sine / alphaDivisor;
    const double A = std::pow(10.0, gainDb / 40.0);
    const double r = 2.0 * std::sqrt(A) * alpha;
    const double c = w.cosine;
    return normalise(A * ((A + 1.0) - (A - 1.0) * c + r),
                     2.0 * A * ((A - 1.0) - (A + 1.0) * c),
                     A * ((A + 1.0) - (A - 1.0) * c - r),
                     (A + 1.0) + (A - 1.0) * c + r,
                     -2.0 * ((A - 1.0) + (A + 1.0) * c),
                     (A + 1.0) + (A - 1.0) * c - r);
}

BiquadCoefficients designHighShelf(double frequency, double sampleRate, double gainDb, double alphaDivisor)
{
    const Angle w = angleOf(frequency, sampleRate);
    const double alpha = w.sine / alphaDivisor;
    const double A = std::pow(10.0, gainDb / 40.0);
    const double r = 2.0 * std::sqrt(A) * alpha;
    const double c = w.cosine;
    return normalise(A * ((A + 1.0) + (A - 1.0) * c + r),
                     -2.0 * A * ((A - 1.0) + (A + 1.0) * c),
                     A * ((A + 1.0) + (A - 1.0) * c - r),
                     (A + 1.0) - (A - 1.0) * c + r,
                     2.0 * ((A - 1.0) - (A + 1.0) * c),
                     (A + 1.0) - (A - 1.0) * c - r);
}

} // namespace vf
