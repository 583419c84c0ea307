#include "client/EnumParameter.hpp"

#include <cstring>

namespace vf {

EnumParameter::EnumParameter(int index, std::string_view name, std::string_view label,
                             std::vector<std::string> possibilities, int defaultValue)
    : IntegerParameter(index, name, label, 0, static_cast<int>(possibilities.size()) - 1, defaultValue),
      possibilities_(std::move(possibilities))
{
}

void EnumParameter::stringFromNormalizedValue(double normalized, char* buffer, size_t size)
{
    if (possibilities_.empty()) {
        formatInto(buffer, size, "%s", "");
        return;
    }
    const std::string& text = possibility(fromNormalized(normalized));
    formatInto(buffer, size, "%.*s", static_cast<int>(text.size()), text.c_str());
}

bool EnumParameter::normalizedValueFromString(std::string_view text, double& normalized)
{
    normalized = __builtin_nan("");
    for (int i = 0; i < numPossibilities(); ++i) {
        if (text == possibility(i)) {
            normalized = toNormalized(i);
            return true;
        }
    }
    return false;
}

void EnumParameter::toStringN(char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    int v = value();
    if (v < 0 || v >= numPossibilities()) {
        buffer[0] = '\0';
        return;
    }
    const std::string& text = possibility(v);
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

} // namespace vf
