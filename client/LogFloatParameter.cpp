#include "client/LogFloatParameter.hpp"

#include <cmath>

namespace vf {

LogFloatParameter::LogFloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                                     double defaultValue)
    : FloatParameter(index, name, label, min, max, defaultValue)
{
}

double LogFloatParameter::toNormalized(double plain)
{
    long double ratio = std::log(static_cast<long double>(plain) / min()) / std::log(static_cast<long double>(max()) / min());
    return clampNormalized(static_cast<double>(ratio));
}

double LogFloatParameter::fromNormalized(double normalized)
{
    return min() * std::exp(std::log(max() / min()) * normalized);
}

} // namespace vf
