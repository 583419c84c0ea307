#include "client/FloatParameter.hpp"

#include "client/NumberLiteral.hpp"

namespace vf {

FloatParameter::FloatParameter(int index, std::string_view name, std::string_view label, double min, double max,
                               double defaultValue)
    : Parameter(index, name, label), value_(defaultValue), min_(min), max_(max), defaultValue_(defaultValue)
{
}

double FloatParameter::value()
{
    MutexLock lock(valueMutex_);
    return value_.load(std::memory_order_relaxed);
}

double FloatParameter::getNormalized() { return toNormalized(value()); }

double FloatParameter::getNormalizedDefault() { return toNormalized(defaultValue_); }

void FloatParameter::stringFromNormalizedValue(double normalized, char* buffer, size_t size)
{
    formatInto(buffer, size, formatString_, fromNormalized(normalized));
}

bool FloatParameter::normalizedValueFromString(std::string_view text, double& normalized)
{
    normalized = __builtin_nan("");
    if (text.size() > 127)
        return false;
    normalized = toNormalized(readFloatLiteral(text));
    return true;
}

void FloatParameter::setNormalized(double normalized)
{
    double v = fromNormalized(normalized);
    MutexLock lock(valueMutex_);
    value_.exchange(v);
}

void FloatParameter::toStringN(char* buffer, size_t size)
{
    formatInto(buffer, size, formatString_, value());
}

void FloatParameter::setFromGUI(double plain)
{
    checkBeingEdited();
    if (plain < min_)
        plain = min_;
    if (plain > max_)
        plain = max_;
    storeFromGUI(value_, plain);
}

void FloatParameter::setFromGUINormalized(double normalized) { setFromGUI(fromNormalized(normalized)); }

void FloatParameter::setDecimals(int decimals)
{
    formatString_[3] = static_cast<char>('0' + decimals);
}

} // namespace vf
