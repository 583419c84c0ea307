#include "client/IntegerParameter.hpp"

#include "client/NumberLiteral.hpp"

namespace vf {

IntegerParameter::IntegerParameter(int index, std::string_view name, std::string_view label, int min, int max,
                                   int defaultValue)
    : Parameter(index, name, label), value_(defaultValue), min_(min), max_(max), defaultValue_(defaultValue)
{
}

int IntegerParameter::fromNormalized(double normalized) const
{
    double v = min_ + static_cast<double>(max_ - min_) * normalized;
    v += v >= 0.0 ? 0.5 : -0.5;
    // Limiting before the conversion gives the same result for every in-range
    // value and keeps NaN and huge inputs away from an undefined conversion.
    if (!(v >= min_))
        return min_;
    if (v > max_)
        return max_;
    int plain = static_cast<int>(v);
    return plain < min_ ? min_ : (plain > max_ ? max_ : plain);
}

double IntegerParameter::toNormalized(int plain) const
{
    return clampNormalized(static_cast<double>(plain - min_) / static_cast<double>(max_ - min_));
}

int IntegerParameter::value()
{
    MutexLock lock(valueMutex_);
    return value_.load(std::memory_order_relaxed);
}

double IntegerParameter::getNormalized() { return toNormalized(value()); }

double IntegerParameter::getNormalizedDefault() { return toNormalized(defaultValue_); }

void IntegerParameter::stringFromNormalizedValue(double normalized, char* buffer, size_t size)
{
    formatInto(buffer, size, "%d", fromNormalized(normalized));
}

bool IntegerParameter::normalizedValueFromString(std::string_view text, double& normalized)
{
    normalized = __builtin_nan("");
    if (text.size() > 127)
        return false;
    int32_t v = readIntegerLiteral(text);
    normalized = clampNormalized((static_cast<double>(v) - min_) / (static_cast<double>(max_) - min_));
    return true;
}

void IntegerParameter::setNormalized(double normalized)
{
    int v = fromNormalized(normalized);
    MutexLock lock(valueMutex_);
    value_.exchange(v);
}

void IntegerParameter::toStringN(char* buffer, size_t size) { formatInto(buffer, size, "%d", value()); }

void IntegerParameter::setFromGUI(int plain)
{
    checkBeingEdited();
    if (plain < min_)
        plain = min_;
    if (plain > max_)
        plain = max_;
    storeFromGUI(value_, plain);
}

void IntegerParameter::setFromGUINormalized(double normalized) { setFromGUI(fromNormalized(normalized)); }

} // namespace vf
