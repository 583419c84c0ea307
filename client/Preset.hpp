#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vf {

// One factory preset: a name and one normalized value per parameter, in index order.
class Preset {
public:
    Preset(std::string_view name, std::vector<float> normalizedValues)
        : name_(name), values_(std::move(normalizedValues))
    {
    }

    const std::string& name() const { return name_; }
    const std::vector<float>& normalizedValues() const { return values_; }

private:
    std::string name_;
    std::vector<float> values_;
};

} // namespace vf
