#include "client/GainParameter.hpp"

#include <cmath>
#include <limits>

namespace vf {

namespace {

constexpr double decibelsToNepers = 0.11512925464970228; // ln(10) / 20
constexpr double nepersToDecibels = 8.685889638065037;   // 20 / ln(10)

double amplitude(double decibels) { return std::exp(decibels * decibelsToNepers); }

} // namespace

GainParameter::GainParameter(int index, std::string_view name, double maxDecibels, double defaultDecibels, double shape)
    : FloatParameter(index, name, "dB", -std::numeric_limits<double>::infinity(), maxDecibels, defaultDecibels),
      shape_(shape)
{
    setDecimals(1);
}

double GainParameter::toNormalized(double plain)
{
    return clampNormalized(std::pow(amplitude(plain) / amplitude(max()), 1.0 / shape_));
}

double GainParameter::fromNormalized(double normalized)
{
    return std::log(amplitude(max()) * std::pow(normalized, shape_)) * nepersToDecibels;
}

} // namespace vf
