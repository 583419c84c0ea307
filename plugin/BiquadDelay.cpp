#include "plugin/BiquadDelay.hpp"

namespace vf {

void BiquadDelay::process(const BiquadCoefficients& c, const float* input, float* output, int count)
{
    // Locals for the loop; the state is written back once.
    double px1 = x1, px2 = x2, py1 = y1, py2 = y2;
    for (int i = 0; i < count; ++i) {
        const double x = input[i];
        // Two partial sums, formed separately and then added: the output must not depend
        // on how a compiler would reassociate one long sum.
        const double y = (c.b1 * px1 + c.b0 * x - c.a1 * py1) + (c.b2 * px2 - c.a2 * py2);
        output[i] = static_cast<float>(y);
        px2 = px1;
        px1 = x;
        py2 = py1;
        py1 = y;
    }
    x1 = px1;
    x2 = px2;
    y1 = py1;
    y2 = py2;
}

} // namespace vf
