#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace vf::test {

// Amplitude of the component at `frequency` over `count` samples starting at `first`;
// exact for whole numbers of cycles in the window.
inline double toneAmplitude(const std::vector<float>& x, size_t first, size_t count, double frequency,
                            double sampleRate)
{
    std::complex<double> sum = 0.0;
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    for (size_t i = 0; i < count; ++i)
        sum += static_cast<double>(x[first + i]) * std::polar(1.0, -w * static_cast<double>(i));
    return 2.0 * std::abs(sum) / static_cast<double>(count);
}

inline std::vector<float> sine(size_t count, double frequency, double sampleRate, double amplitude)
{
    std::vector<float> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate));
    return v;
}

} // namespace vf::test
