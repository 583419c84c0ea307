#include "client/PowFloatParameter.hpp"

#include <cmath>

namespace vf {

PowFloatParameter::PowFloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                                     double defaultValue, double shape)
    : FloatParameter(index, name, label, min, max, defaultValue), shape_(shape)
{
}

double PowFloatParameter::toNormalized(double plain)
{
    return std::pow(clampNormalized((plain - min()) / (max() - min())), 1.0 / shape_);
}

double PowFloatParameter::fromNormalized(double normalized)
{
    double v = min() + (max() - min()) * std::pow(normalized, shape_);
    if (v < min())
        v = min();
    if (v > max())
        v = max();
    return v;
}

} // namespace vf
