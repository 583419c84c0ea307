#include "client/LinearFloatParameter.hpp"

namespace vf {

LinearFloatParameter::LinearFloatParameter(int index, std::string_view name, std::string_view label, double min,
                                           double max, double defaultValue)
    : FloatParameter(index, name, label, min, max, defaultValue)
{
}

double LinearFloatParameter::toNormalized(double plain) { return clampNormalized((plain - min()) / (max() - min())); }

double LinearFloatParameter::fromNormalized(double normalized)
{
    double v = min() + (max() - min()) * normalized;
    if (v < min())
        v = min();
    if (v > max())
        v = max();
    return v;
}

} // namespace vf
