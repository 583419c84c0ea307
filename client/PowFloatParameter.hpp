#pragma once
#include "client/FloatParameter.hpp"

namespace vf {

// normalized = (linear position) ^ (1 / shape).
class PowFloatParameter : public FloatParameter {
public:
    PowFloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                      double defaultValue, double shape);
    double toNormalized(double plain) override;
    double fromNormalized(double normalized) override;
    double shape() const { return shape_; }

private:
    double shape_;
};

} // namespace vf
