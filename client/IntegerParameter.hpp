#pragma once
#include "client/Parameter.hpp"

#include <atomic>
#include <cstdint>

namespace vf {

// A parameter with an integer plain value in [min, max].
class IntegerParameter : public Parameter {
public:
    IntegerParameter(int index, std::string_view name, std::string_view label, int min, int max, int defaultValue);

    double getNormalized() override;
    double getNormalizedDefault() override;
    void stringFromNormalizedValue(double normalized, char* buffer, size_t size) override;
    bool normalizedValueFromString(std::string_view text, double& normalized) override;
    bool isDiscrete() override { return true; }
    void setNormalized(double normalized) override;
    void toStringN(char* buffer, size_t size) override;

    // Rounds half away from zero, then limits to [min, max].
    int fromNormalized(double normalized) const;
    double toNormalized(int plain) const;

    int value();
    // Audio thread: one aligned load, no lock.
    int valueAtomic() const { return value_.load(std::memory_order_relaxed); }
    int min() const { return min_; }
    int max() const { return max_; }
    int defaultValue() const { return defaultValue_; }

    // Editor thread.
    void setFromGUI(int plain);
    void setFromGUINormalized(double normalized);

private:
    std::atomic<int32_t> value_;
    int32_t min_;
    int32_t max_;
    int32_t defaultValue_;
};

} // namespace vf
