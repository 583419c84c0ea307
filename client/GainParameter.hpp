#pragma once
#include "client/FloatParameter.hpp"

namespace vf {

// A gain in decibels from negative infinity to maxDecibels; the normalized value is
// the shape-th root of the linear amplitude relative to the maximum, so that the
// travel of a knob spends more room on the useful upper range.
class GainParameter : public FloatParameter {
public:
    GainParameter(int index, std::string_view name, double maxDecibels, double defaultDecibels, double shape = 2.0);
    double toNormalized(double plain) override;
    double fromNormalized(double normalized) override;
    double shape() const { return shape_; }

private:
    double shape_;
};

} // namespace vf
