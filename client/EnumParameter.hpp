#pragma once
#include "client/IntegerParameter.hpp"

#include <string>
#include <vector>

namespace vf {

// An integer parameter whose values name the entries of a list, from 0.
class EnumParameter : public IntegerParameter {
public:
    EnumParameter(int index, std::string_view name, std::string_view label, std::vector<std::string> possibilities,
                  int defaultValue);

    void stringFromNormalizedValue(double normalized, char* buffer, size_t size) override;
    bool normalizedValueFromString(std::string_view text, double& normalized) override;
    void toStringN(char* buffer, size_t size) override;

    int numPossibilities() const { return static_cast<int>(possibilities_.size()); }
    const std::string& possibility(int i) const { return possibilities_[static_cast<size_t>(i)]; }

private:
    std::vector<std::string> possibilities_;
};

} // namespace vf
