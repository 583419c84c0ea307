#pragma once
#include "client/FloatParameter.hpp"

namespace vf {

// Plain value moves linearly between min and max.
class LinearFloatParameter : public FloatParameter {
public:
    LinearFloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                         double defaultValue);
    double toNormalized(double plain) override;
    double fromNormalized(double normalized) override;
};

} // namespace vf
