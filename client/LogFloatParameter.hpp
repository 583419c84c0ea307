#pragma once
#include "client/FloatParameter.hpp"

namespace vf {

// Logarithmic mapping; min and max must be positive.
class LogFloatParameter : public FloatParameter {
public:
    LogFloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                      double defaultValue);
    double toNormalized(double plain) override;
    double fromNormalized(double normalized) override;
};

} // namespace vf
