#include "plugin/ToneLowPass.hpp"

#include <cmath>
#include <numbers>

namespace vf {

void ToneLowPass::design()
{
    const double K = std::tan(std::numbers::pi * fc);
    const double norm = 1.0 / (K / q + 1.0 + K * K);
    b0 = K * K * norm;
    b1 = 2.0 * b0;
    b2 = b0;
    a1 = 2.0 * (K * K - 1.0) * norm;
    a2 = (1.0 - K / q + K * K) * norm;
}

} // namespace vf
