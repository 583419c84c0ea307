#include "client/BoolParameter.hpp"

namespace vf {

BoolParameter::BoolParameter(int index, std::string_view name, bool defaultValue)
    : Parameter(index, name, ""), value_(defaultValue), defaultValue_(defaultValue)
{
}

bool BoolParameter::value()
{
    MutexLock lock(valueMutex_);
    return value_.load(std::memory_order_relaxed);
}

double BoolParameter::getNormalized() { return value() ? 1.0 : 0.0; }

double BoolParameter::getNormalizedDefault() { return defaultValue_ ? 1.0 : 0.0; }

void BoolParameter::stringFromNormalizedValue(double normalized, char* buffer, size_t size)
{
    formatInto(buffer, size, "%s", normalized >= 0.5 ? "yes" : "no");
}

bool BoolParameter::normalizedValueFromString(std::string_view text, double& normalized)
{
    normalized = __builtin_nan("");
    if (text == "yes")
        normalized = 1.0;
    else if (text == "no")
        normalized = 0.0;
    else
        return false;
    return true;
}

void BoolParameter::setNormalized(double normalized)
{
    bool v = normalized >= 0.5;
    MutexLock lock(valueMutex_);
    value_.exchange(v);
}

void BoolParameter::toStringN(char* buffer, size_t size) { formatInto(buffer, size, "%s", value() ? "yes" : "no"); }

void BoolParameter::setFromGUI(bool v)
{
    checkBeingEdited();
    storeFromGUI(value_, v);
}

} // namespace vf
