#pragma once

namespace vf {

// Normalised (a0 = 1) coefficients of one second-order section.  Designed in double
// precision, then each coefficient is rounded to single precision and kept as a double,
// so that the response is the one a float-coefficient filter would have.
struct BiquadCoefficients {
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    // The set a design at half its own rate gives, b = a = (1, 2, 1): a section with it
    // returns its input unchanged, and the converters rely on that.
    bool isPassThrough() const { return b0 == 1.0 && b1 == 2.0 && b2 == 1.0 && a1 == 2.0 && a2 == 1.0; }
};

// Audio-equaliser cookbook designs.  alpha = sin(w0) / alphaDivisor, i.e. alphaDivisor = 2Q
// (4 for Q = 2, sqrt(2) for Q = 1/sqrt(2)).  A frequency above half the sample rate gives a
// negative alpha and an unstable section: callers keep the frequency below Nyquist.
// Any thread; pure.
BiquadCoefficients designLowPass(double frequency, double sampleRate, double alphaDivisor);
BiquadCoefficients designLowShelf(double frequency, double sampleRate, double gainDb, double alphaDivisor);
BiquadCoefficients designHighShelf(double frequency, double sampleRate, double gainDb, double alphaDivisor);

} // namespace vf
